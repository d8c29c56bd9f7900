#pragma once

#include <QLabel>
#include <QList>
#include <QStringList>
#include <QWidget>

// A status bar of sunken text panels, numbered from 1 like the window's panels.
// A text wider than its panel is shortened with "…" (at the end, or in the middle for a path), and
// the panel's tooltip then holds it whole; otherwise the panel shows its own tooltip.
class StatusBar : public QWidget {
    Q_OBJECT

public:
    // One entry per panel: its width in pixels, 0 for a panel that shares the remaining width.
    StatusBar(const QList<int>& largeurs, QWidget* parent = nullptr);

    QLabel* Panel(int numero) const;
    // The whole text of the panel, however it is shown.
    QString texte(int numero) const;
    void setTexte(int numero, const QString& texte);

    // The panel's tooltip while its text shows whole.
    void setInfobulle(int numero, const QString& infobulle);
    // Where a text too long for the panel loses its characters: Qt::ElideRight (the default) or
    // Qt::ElideMiddle, which keeps both ends of a path.
    void setElision(int numero, Qt::TextElideMode mode);
    // Gives the panel the width of the widest of these texts, so that none of them is ever shortened.
    void ajusterLargeur(int numero, const QStringList& textes);

Q_SIGNALS:
    void PanelClick(int numero);

protected:
    bool eventFilter(QObject* objet, QEvent* evenement) override;

private:
    struct Panneau {
        QLabel* etiquette;
        QString texte;
        QString infobulle;
        Qt::TextElideMode elision = Qt::ElideRight;
    };
    void afficher(Panneau& panneau);
    Panneau* panneau(int numero);

    QList<Panneau> m_panneaux;
};
