#pragma once

#include <QTimer>
#include <QWidget>

class InstanceUnique;
class QLabel;
class QFrame;

// The start-up window: refuses a second copy of the program, writes the first-run settings,
// shows the name and version for two ticks of its timer (not when started to open a picture or a
// folder), then hands over to the browser.
class frmIntro : public QWidget {
    Q_OBJECT

public:
    explicit frmIntro(InstanceUnique& instance, QWidget* parent = nullptr);

    // The load sequence. False when another copy runs: the user has been told, nothing was written,
    // and the program must end. The ticks start when the window is shown, not here.
    bool Form_Load();

    // After the load: shows the window for its two ticks. A start asked to open a picture or a
    // folder (module().fichier_demande, as the desktop's "Open with" gives it) skips the window
    // and hands over to the browser at once.
    void demarrer();

Q_SIGNALS:
    // The window has closed at its second tick: the browser opens now.
    void Form_Unload();

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void Timer1_Timer();
    void decharger();

    InstanceUnique& m_instance;
    QLabel* Label1;
    QLabel* lblVersion;
    QFrame* Shape1;
    QTimer Timer1;
    int m_tics = 0;
    bool m_dechargee = false;
};
