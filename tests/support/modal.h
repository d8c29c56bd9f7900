#pragma once

#include <QApplication>
#include <QPointer>
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
