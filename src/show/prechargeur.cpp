#include "show/prechargeur.h"

#include "show/ajustement.h"

#include <QtConcurrent/QtConcurrentRun>

#include <cmath>

ImageMontree image_partie_montree(const QString& chemin, QSize naturelle, QSize taille, QRect partie)
{
    partie &= QRect(QPoint(), taille);
    if (partie.isEmpty() || naturelle.isEmpty())
        return {};
    // The same part in the picture's own pixels, taken whole at the edges.
    const double kx = double(naturelle.width()) / taille.width(), ky = double(naturelle.height()) / taille.height();
    const QRect zone = QRectF(partie.x() * kx, partie.y() * ky, partie.width() * kx, partie.height() * ky).toAlignedRect();
    return {image_partie(chemin, zone, partie.size()), taille, partie};
}

ImageMontree image_pour_ecran(const QString& chemin, QSize ecran, int mode)
{
    const QSize naturelle = taille_image(chemin);
    if (!naturelle.isValid())
        return {};
    const QSizeF dessinee = taille_affichee(naturelle, ecran, mode);
    const QSize cible(std::max(1, int(std::ceil(dessinee.width()))), std::max(1, int(std::ceil(dessinee.height()))));
    const QRect entiere(QPoint(), cible);
    if (cible.width() > ecran.width() || cible.height() > ecran.height()) {
        // Drawn centred: only what falls inside the screen is seen.
        const QRectF place((ecran.width() - dessinee.width()) / 2, (ecran.height() - dessinee.height()) / 2,
                           dessinee.width(), dessinee.height());
        const QRect visible = (place & QRectF(QPointF(), QSizeF(ecran))).translated(-place.topLeft()).toAlignedRect() & entiere;
        return image_partie_montree(chemin, naturelle, cible, visible);
    }
    if (cible.width() < naturelle.width() && cible.height() < naturelle.height()) {
        ImageLue lue = image_apercu(chemin, cible);
        lue.taille_naturelle = naturelle;
        return {lue, cible, entiere};
    }
    return {image_complete(chemin), cible, entiere};
}

Prechargeur::Prechargeur(QObject* parent)
    : QObject(parent)
{
    connect(&m_veilleur, &QFutureWatcher<ImageMontree>::finished, this, &Prechargeur::termine);
}

Prechargeur::~Prechargeur()
{
    m_veilleur.disconnect(this);
    m_veilleur.waitForFinished();
}

void Prechargeur::preparer(const QString& chemin, const QString& cle, Decodeur decodeur)
{
    if (m_en_cours && chemin == m_chemin && cle == m_cle)
        return;
    m_chemin = chemin;
    m_cle = cle;
    m_en_cours = true;
    m_veilleur.setFuture(QtConcurrent::run(std::move(decodeur), chemin));
}

bool Prechargeur::pret(const QString& chemin, const QString& cle) const
{
    return m_en_cours && chemin == m_chemin && cle == m_cle && m_veilleur.isFinished();
}

ImageMontree Prechargeur::prendre()
{
    if (!m_en_cours || !m_veilleur.isFinished())
        return {};
    m_en_cours = false;
    return m_veilleur.result(); // shares its pixels with the future's copy, dropped at the next preparer()
}
