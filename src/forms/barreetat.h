#pragma once

#include <QLabel>
#include <QList>
#include <QWidget>

// A status bar of sunken text panels, numbered from 1 like the window's panels.
class StatusBar : public QWidget {
    Q_OBJECT

public:
    // One entry per panel: its width in pixels, 0 for a panel that shares the remaining width.
    StatusBar(const QList<int>& largeurs, QWidget* parent = nullptr);

    QLabel* Panel(int numero) const;
    QString texte(int numero) const;
    void setTexte(int numero, const QString& texte);

Q_SIGNALS:
    void PanelClick(int numero);

protected:
    bool eventFilter(QObject* objet, QEvent* evenement) override;

private:
    QList<QLabel*> m_panneaux;
};
