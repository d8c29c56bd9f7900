#pragma once

#include "browser/icones.h"

#include <QComboBox>
#include <QList>
#include <QString>

class DirListBox;
class DriveListBox;
class Interaction;
class QWidget;

// One place the user can start browsing from.
struct Lecteur {
    QString racine;   // "/", the home folder, or a mount point
    QString nom;      // what the list shows
    TypeLecteur type;
};

// The root, the home folder, then the mount points of real file systems (no pseudo or
// system-internal ones), by name.
QList<Lecteur> lecteurs_du_systeme();

// Why a drive cannot be opened, in French, for the message that says so.
QString raison_lecteur_inaccessible(const QString& racine);

// The drive list. Drive is the root folder of the chosen entry; setting it from code raises
// Change, as the user's choice would. An entry too wide for the box (a long mount point) shows
// shortened in its middle, and the tooltip then holds it whole.
class DriveListBox : public QComboBox {
    Q_OBJECT

public:
    explicit DriveListBox(QWidget* parent = nullptr);

    // The tooltip while the chosen entry shows whole.
    void setInfobulle(const QString& infobulle);
    // The chosen entry as the box shows it.
    QString texte_montre() const;

    QString Drive() const;
    // Chooses the entry whose folder holds `chemin` most closely ("/home/moi/Images" -> home).
    void setDrive(const QString& chemin);

    // Root of the entry that holds `chemin`.
    QString lecteur_de(const QString& chemin) const;

    // Reads the mounted volumes again.
    void Refresh();

Q_SIGNALS:
    void Change();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void mettre_a_jour_infobulle();

    QList<Lecteur> m_lecteurs;
    QString m_infobulle;
};

// The user chose another drive: the folder list opens it. When it cannot, the message says why
// (title "IMAGORA") and the drive list goes back to the drive of the folder list.
void ouvrir_lecteur(DriveListBox& lecteurs, DirListBox& dossiers, Interaction& interaction, QWidget* parent);
