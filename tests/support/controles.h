#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QObject>
#include <QString>
#include <QTest>
#include <QWidget>

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

// The caption of a label or a button.
inline QString texte(const QObject* fenetre, const QString& nom)
{
    if (auto* l = fenetre->findChild<QLabel*>(nom))
        return l->text();
    return enfant<QAbstractButton>(fenetre, nom)->text();
}

// Shows a window and makes it the active one, as a user's click on it would.
template <typename Fenetre>
Fenetre* montrer(Fenetre* f)
{
    f->show();
    QApplication::setActiveWindow(f);
    if (!QTest::qWaitForWindowActive(f))
        qWarning("window not active");
    return f;
}
