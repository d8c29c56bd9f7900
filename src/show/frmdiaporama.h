#pragma once

#include <QDialog>
#include <QPointer>

class QCheckBox;
class QComboBox;
class QPushButton;
class FileListBox;

// The show launcher: display time, screen saver or slide show, loop, and "Visionner". It plays
// the pictures the browser lists, and closes itself when the show it started has ended. The
// show window is its child: it never outlives the launcher.
class frmDiaporama : public QDialog {
    Q_OBJECT

public:
    // `fichiers` is the browser's file list: its folder and pattern are the show's.
    explicit frmDiaporama(const FileListBox& fichiers, QWidget* parent = nullptr);
    ~frmDiaporama() override;

    // Display time chosen, in milliseconds (" 5" gives 5000).
    int intervalle_ms() const;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void Form_Load();
    void cboTemps_Click();
    void chkVeille_Click();
    void cmdVisionner_Click();
    void Form_Unload();

    const FileListBox& m_fichiers;
    QComboBox* cboTemps;
    QCheckBox* chkVeille;
    QCheckBox* chkBoucle;
    QPushButton* cmdVisionner;
    bool m_decharge = false;
    QPointer<QDialog> m_spectacle; // the show started by "Visionner", while it is open
};
