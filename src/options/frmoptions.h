#pragma once

#include "show/ajustement.h"

#include <QDialog>

class FileListBox;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;

// The options window: start folder and type, display time, start in screen-saver mode, run at
// log-on, and the screen saver's colour, size, labels and background sound. Nothing is written
// until "Enregistrer", which is enabled by any change and disabled again once saved.
class frmOptions : public QDialog {
    Q_OBJECT

public:
    explicit frmOptions(QWidget* parent = nullptr);

    // The desktop's screen-saver or display settings program found on this machine, empty when none.
    static QString programme_ecrans();

protected:
    bool eventFilter(QObject* objet, QEvent* evenement) override;

private:
    void construire();
    void Form_Load();
    void erreur_chargement(const QString& description);
    void modifie();

    void txtDossier_Change();
    void File1_Change();
    void lstFiltres_Click();
    void cmdParcourir_Click();
    void optCouleur_Click(int index);
    void lblCouleur_Click();
    void cmdEcrans_Click();
    void cmdEnregistrer_Click();

    void preparer_son();
    void ouvrir_fichier_son();
    void son_charge();
    void son_refuse(const QString& raison);
    void chkSon_Click();
    void cmdOuvrirSon_Click();
    void cmdJouer_Click();
    void cmdStopSon_Click();
    QString valeur_son() const;

    QLineEdit* txtDossier;
    QPushButton* cmdParcourir;
    QListWidget* lstFiltres;
    QComboBox* cboTemps;
    QCheckBox* chkVeille;
    QCheckBox* chkDemarrage;
    QRadioButton* optCouleur[2];
    QLabel* lblCouleur;
    QCheckBox* chkNomFichier;
    QCheckBox* chkInfos;
    QListWidget* lstTaille;
    QCheckBox* chkSon;
    QPushButton* cmdOuvrirSon;
    QPushButton* cmdJouer;
    QPushButton* cmdStopSon;
    QLabel* lblEtatSon;
    QPushButton* cmdEcrans;
    QPushButton* cmdAide;
    QPushButton* cmdEnregistrer;
    QPushButton* cmdFermer;
    QWidget* Picture1;
    FileListBox* File1;
    ValeurCouleur m_couleur = 0;
};
