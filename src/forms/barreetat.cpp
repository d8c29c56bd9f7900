#include "forms/barreetat.h"

#include <QHBoxLayout>
#include <QMouseEvent>

StatusBar::StatusBar(const QList<int>& largeurs, QWidget* parent)
    : QWidget(parent)
{
    auto* disposition = new QHBoxLayout(this);
    disposition->setContentsMargins(2, 2, 2, 2);
    disposition->setSpacing(2);
    for (int largeur : largeurs) {
        auto* panneau = new QLabel(this);
        panneau->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        panneau->setTextFormat(Qt::PlainText);
        panneau->setContentsMargins(3, 0, 3, 0);
        // Long texts are cut at the panel's edge rather than widening the bar.
        panneau->setMinimumWidth(1);
        panneau->setSizePolicy(largeur > 0 ? QSizePolicy::Fixed : QSizePolicy::Ignored, QSizePolicy::Preferred);
        if (largeur > 0)
            panneau->setFixedWidth(largeur);
        panneau->installEventFilter(this);
        disposition->addWidget(panneau, largeur > 0 ? 0 : 1);
        m_panneaux.append(panneau);
    }
}

QLabel* StatusBar::Panel(int numero) const
{
    return numero >= 1 && numero <= m_panneaux.size() ? m_panneaux.at(numero - 1) : nullptr;
}

QString StatusBar::texte(int numero) const
{
    const QLabel* panneau = Panel(numero);
    return panneau ? panneau->text() : QString();
}

void StatusBar::setTexte(int numero, const QString& texte)
{
    if (QLabel* panneau = Panel(numero))
        panneau->setText(texte);
}

bool StatusBar::eventFilter(QObject* objet, QEvent* evenement)
{
    if (evenement->type() == QEvent::MouseButtonRelease
        && static_cast<QMouseEvent*>(evenement)->button() == Qt::LeftButton) {
        const auto numero = m_panneaux.indexOf(static_cast<QLabel*>(objet)) + 1;
        if (numero > 0)
            Q_EMIT PanelClick(static_cast<int>(numero));
    }
    return QWidget::eventFilter(objet, evenement);
}
