#include "show/prechargeur.h"

#include "show/ajustement.h"

#include <QtConcurrent/QtConcurrentRun>

#include <cmath>

ImageLue image_pour_ecran(const QString& chemin, QSize ecran, int mode)
{
    const QSize naturelle = taille_image(chemin);
    if (!naturelle.isValid())
        return {};
    const QSizeF dessinee = taille_affichee(naturelle, ecran, mode);
    const QSize cible(std::max(1, int(std::ceil(dessinee.width()))), std::max(1, int(std::ceil(dessinee.height()))));
    if (cible.width() < naturelle.width() && cible.height() < naturelle.height()) {
        ImageLue lue = image_apercu(chemin, cible);
        lue.taille_naturelle = naturelle;
        return lue;
    }
    return image_complete(chemin);
}

Prechargeur::Prechargeur(QObject* parent)
    : QObject(parent)
{
    connect(&m_veilleur, &QFutureWatcher<ImageLue>::finished, this, &Prechargeur::termine);
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

ImageLue Prechargeur::prendre()
{
    if (!m_en_cours || !m_veilleur.isFinished())
        return {};
    m_en_cours = false;
    return m_veilleur.result(); // shares its pixels with the future's copy, dropped at the next preparer()
}
