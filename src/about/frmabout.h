#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>

class QFrame;
class QKeyEvent;
class QLabel;
class QPushButton;

// Names of the system information programs, in the order they are looked for on the PATH.
QStringList noms_infos_systeme();

// Full path of the system information program: the first name of noms_infos_systeme() found as an
// executable on the PATH, or an empty text when none is installed.
QString programme_infos_systeme();

// The about box: the program's icon, title, version, description and notice, an "OK" button
// (Enter and Escape) and a button that starts the system information program.
class frmAbout : public QDialog {
    Q_OBJECT

public:
    explicit frmAbout(QWidget* parent = nullptr);

    // Starts the system information program, or tells the user it is not available.
    void StartSysInfo();

protected:
    void keyPressEvent(QKeyEvent* evenement) override;

private:
    void cmdOK_Click();
    void cmdSysInfo_Click();

    QLabel* picIcon = nullptr;
    QLabel* lblTitle = nullptr;
    QLabel* lblVersion = nullptr;
    QLabel* lblDescription[2] = {};
    QLabel* lblAvertissement[2] = {};
    QFrame* Line1[2] = {};
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdSysInfo = nullptr;
};
