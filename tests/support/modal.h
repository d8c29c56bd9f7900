#pragma once

#include <QApplication>
#include <QKeyEvent>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <functional>

// Runs `action` on the first modal window that opens. Call it just before the code that opens
// the window and blocks in it: the check runs from the event loop of that window. The returned
// watch can be deleted when no window is expected after all.
inline QPointer<QTimer> quand_modal(std::function<void(QWidget*)> action)
{
    auto* minuterie = new QTimer;
    minuterie->setInterval(20);
    QObject::connect(minuterie, &QTimer::timeout, [minuterie, action] {
        if (QWidget* w = QApplication::activeModalWidget()) {
            minuterie->stop();
            minuterie->deleteLater();
            action(w);
        }
    });
    minuterie->start();
    return minuterie;
}

// Shows `fenetre`, presses F2 in it and tells whether the about box opened modally (it is closed again).
inline bool f2_ouvre_a_propos(QWidget* fenetre)
{
    fenetre->show();
    QApplication::setActiveWindow(fenetre);
    QString titre;
    bool modale = false;
    QPointer<QTimer> guet = quand_modal([&](QWidget* w) {
        titre = w->windowTitle();
        modale = w->isModal();
        w->close();
    });
    QWidget* cible = QApplication::focusWidget() && QApplication::focusWidget()->window() == fenetre ? QApplication::focusWidget() : fenetre;
    QTest::sendKeyEvent(QTest::Press, cible, Qt::Key_F2, QString(), Qt::NoModifier);
    QTest::sendKeyEvent(QTest::Release, cible, Qt::Key_F2, QString(), Qt::NoModifier);
    QTest::qWait(50);
    delete guet;
    return modale && titre == QStringLiteral("À propos de...");
}
