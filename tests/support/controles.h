#pragma once

#include <QObject>
#include <QString>

// The control of that object name in a window; the test stops at once when the window has none,
// so that a renamed control reads as such rather than as a crash.
template <typename T>
T* enfant(const QObject* fenetre, const QString& nom)
{
    T* c = fenetre->findChild<T*>(nom);
    if (!c)
        qFatal("control %s missing", qPrintable(nom));
    return c;
}
