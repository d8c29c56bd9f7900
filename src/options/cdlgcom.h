#pragma once

#include <QString>

class QWidget;

// The common dialogs behind properties: a caller sets what it needs, calls ShowOpen, ShowSave or
// ShowOpenFolder, and reads the result. The dialogs are Qt's, in French, through the program's
// interaction seam.
class cDlgCom {
public:
    bool ShowOpen();
    bool ShowSave();
    bool ShowOpenFolder();

    QString Folder() const { return m_dossier; }
    QString Filename() const { return m_fichier; }
    void setFilename(const QString& sFileNameA) { m_fichier = sFileNameA; }
    QString FileTitle() const { return m_titre_fichier; }
    QString DialogTitle() const { return m_titre; }
    void setDialogTitle(const QString& sDialogTitleA) { m_titre = sDialogTitleA; }
    qint32 Flags() const { return m_options; }
    void setFlags(qint32 lngFlagsA) { m_options = lngFlagsA; }
    QWidget* hdcOwner() const { return m_proprietaire; }
    void sethdcOwner(QWidget* lnghdcOwnerA) { m_proprietaire = lnghdcOwnerA; }
    // Descriptions and patterns alternating, separated by "|": "Images|*.bmp;*.gif|Tous|*.*".
    QString Filter() const { return m_filtre; }
    void setFilter(const QString& sFilterA) { m_filtre = sFilterA; }
    // 1-based.
    qint32 FilterIndex() const { return m_index_filtre; }
    void setFilterIndex(qint32 lngFilterIndexA) { m_index_filtre = lngFilterIndexA; }
    QString InitDir() const { return m_dossier_initial; }
    void setInitDir(const QString& sInitDirA) { m_dossier_initial = sInitDirA; }
    QString DefaultEx() const { return m_extension; }
    void setDefaultEx(const QString& sDefaultExA) { m_extension = sDefaultExA; }

    // The "|"-separated filter in Qt's form: "Images (*.bmp *.gif);;Tous (*.*)".
    static QString filtre_qt(const QString& filtre);

private:
    bool ShowFileDialog(bool ouvrir);

    QString m_fichier;
    QString m_titre_fichier;
    QString m_extension;
    QString m_dossier_initial;
    qint32 m_index_filtre = 0;
    QString m_filtre;
    QWidget* m_proprietaire = nullptr;
    qint32 m_options = 0;
    QString m_titre;
    QString m_dossier;
};
