#include "forms/barreetat.h"

#include <QEvent>
#include <QFontMetricsF>
#include <QHBoxLayout>
#include <QMouseEvent>

#include <algorithm>
#include <cmath>

StatusBar::StatusBar(const QList<int>& largeurs, QWidget* parent)
    : QWidget(parent)
{
    auto* disposition = new QHBoxLayout(this);
    disposition->setContentsMargins(2, 2, 2, 2);
    disposition->setSpacing(2);
    for (int largeur : largeurs) {
        auto* etiquette = new QLabel(this);
        etiquette->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        etiquette->setTextFormat(Qt::PlainText);
        etiquette->setContentsMargins(3, 0, 3, 0);
        etiquette->setIndent(0); // the margins stand for it: no indent added inside the frame
        // Long texts are shortened to the panel rather than widening the bar.
        etiquette->setMinimumWidth(1);
        etiquette->setSizePolicy(largeur > 0 ? QSizePolicy::Fixed : QSizePolicy::Ignored, QSizePolicy::Preferred);
        if (largeur > 0)
            etiquette->setFixedWidth(largeur);
        etiquette->installEventFilter(this);
        disposition->addWidget(etiquette, largeur > 0 ? 0 : 1);
        m_panneaux.append({etiquette, {}, {}});
    }
}

StatusBar::Panneau* StatusBar::panneau(int numero)
{
    return numero >= 1 && numero <= m_panneaux.size() ? &m_panneaux[numero - 1] : nullptr;
}

QLabel* StatusBar::Panel(int numero) const
{
    return numero >= 1 && numero <= m_panneaux.size() ? m_panneaux.at(numero - 1).etiquette : nullptr;
}

QString StatusBar::texte(int numero) const
{
    return numero >= 1 && numero <= m_panneaux.size() ? m_panneaux.at(numero - 1).texte : QString();
}

void StatusBar::setTexte(int numero, const QString& texte)
{
    if (Panneau* p = panneau(numero)) {
        p->texte = texte;
        afficher(*p);
    }
}

void StatusBar::setInfobulle(int numero, const QString& infobulle)
{
    if (Panneau* p = panneau(numero)) {
        p->infobulle = infobulle;
        afficher(*p);
    }
}

void StatusBar::setElision(int numero, Qt::TextElideMode mode)
{
    if (Panneau* p = panneau(numero)) {
        p->elision = mode;
        afficher(*p);
    }
}

void StatusBar::ajusterLargeur(int numero, const QStringList& textes)
{
    Panneau* p = panneau(numero);
    if (!p)
        return;
    const QFontMetricsF fm(p->etiquette->font());
    int largeur = 0;
    for (const QString& t : textes)
        largeur = std::max(largeur, static_cast<int>(std::ceil(fm.horizontalAdvance(t))));
    const QMargins marges = p->etiquette->contentsMargins();
    // The frame, the margins, and a few pixels for the rounding of the glyphs.
    p->etiquette->setFixedWidth(largeur + marges.left() + marges.right() + 2 * p->etiquette->frameWidth() + 4);
    p->etiquette->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
    afficher(*p);
}

void StatusBar::afficher(Panneau& p)
{
    QLabel* e = p.etiquette;
    const QFontMetricsF fm(e->font());
    const int place = e->contentsRect().width();
    QString montre = p.texte;
    // Shortened until it fits, fractions of a pixel included.
    for (int largeur = place; largeur > 0 && std::ceil(fm.horizontalAdvance(montre)) > place; --largeur)
        montre = fm.elidedText(p.texte, p.elision, largeur);
    if (e->text() != montre)
        e->setText(montre);
    const QString bulle = montre == p.texte ? p.infobulle : p.texte;
    if (e->toolTip() != bulle)
        e->setToolTip(bulle);
}

bool StatusBar::eventFilter(QObject* objet, QEvent* evenement)
{
    switch (evenement->type()) {
    case QEvent::MouseButtonRelease:
        if (static_cast<QMouseEvent*>(evenement)->button() == Qt::LeftButton) {
            for (int i = 0; i < m_panneaux.size(); ++i) {
                if (m_panneaux.at(i).etiquette == objet)
                    Q_EMIT PanelClick(i + 1);
            }
        }
        break;
    case QEvent::Resize:
    case QEvent::FontChange:
        for (Panneau& p : m_panneaux) {
            if (p.etiquette == objet)
                afficher(p);
        }
        break;
    default: break;
    }
    return QWidget::eventFilter(objet, evenement);
}
