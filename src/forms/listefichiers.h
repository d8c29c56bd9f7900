#pragma once

#include <QByteArray>
#include <QFile>
#include <QFutureWatcher>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

// One file of a folder listing, with what the file list view shows of it.
struct EntreeFichier {
    QString nom;             // as shown; a byte that is not text shows as U+FFFD
    QByteArray octets;       // the name as the folder gave it: what identifies the file
    qint64 taille = -1;      // bytes; -1 when the file could not be measured
    qint64 modifie_ms = 0;   // last modification, milliseconds since the epoch (UTC)

    // True when the shown name spells the file's real name. A name that is not valid text (bytes
    // from another encoding) is shown, but opening the shown text would reach another file or
    // none: such a file is never opened or acted on through its name.
    bool nom_exact() const { return QFile::encodeName(nom) == octets; }
};

// Reads the files of `dossier` whose names match one of `motifs` (";"-split wildcards, letter case
// ignored): regular files and links to them, hidden ones included, never folders, devices, pipes
// or sockets; in file-name order (letter case ignored, numbers by value). False in *lisible when
// the folder cannot be read.
QList<EntreeFichier> lire_dossier(const QString& dossier, const QStringList& motifs, bool* lisible = nullptr);

// The browser's hidden file list: a folder and a pattern, and the matching files.
// Setting Path or Pattern from code raises PathChange or PatternChange, as a user's choice would.
//
// Read in the background (setLectureEnFond), setPath, setPattern and Refresh return at once: the
// list is emptied and LectureCommencee comes; the folder is read on a worker thread, and when the
// read is complete the list holds its files and PathChange (or PatternChange) comes. Only the
// latest read lands: one overtaken by another change of folder, pattern or refresh is dropped.
// Otherwise each of them reads the folder before it returns.
class FileListBox : public QObject {
    Q_OBJECT

public:
    explicit FileListBox(QObject* parent = nullptr);

    QString Path() const { return m_dossier; }
    // False, and nothing changes, when the folder does not exist or cannot be read.
    bool setPath(const QString& dossier);

    QString Pattern() const { return m_motif; }
    void setPattern(const QString& motif);

    // Reads the folder again.
    void Refresh();

    void setLectureEnFond(bool en_fond) { m_en_fond = en_fond; }
    // True from the start of a background read until its files are in the list.
    bool enLecture() const { return m_en_lecture; }
    // Takes the file with these name bytes out of the list without reading the folder again (it
    // has gone: deleted, moved away). False when it was not listed.
    bool retirer(const QByteArray& nom);

    int ListCount() const { return static_cast<int>(m_entrees.size()); }
    QString List(int index) const;
    // Full path of entry `index`; empty when there is none or when its name is not exact text.
    QString chemin(int index) const;
    const QList<EntreeFichier>& entrees() const { return m_entrees; }

    int ListIndex() const { return m_index; }
    void setListIndex(int index) { m_index = index; }

    // How many times this list has read its folder: each read lists and measures every entry.
    int lectures() const { return m_lectures; }

Q_SIGNALS:
    void PathChange();
    void PatternChange();
    // A background read has started: the list is empty until it completes.
    void LectureCommencee();

private:
    struct Resultat {
        quint64 generation = 0;
        QList<EntreeFichier> entrees;
        bool lisible = false;
    };
    enum class Suite { Rien, Motif, Chemin }; // what a read ends with: nothing, PatternChange, PathChange
    // Reads the folder now, or starts reading it in the background.
    void lire(Suite suite);
    void lecture_terminee();

    QString m_dossier;
    QString m_motif = QStringLiteral("*.*");
    QStringList m_motifs{QStringLiteral("*.*")};
    QList<EntreeFichier> m_entrees;
    int m_index = -1;
    int m_lectures = 0;
    bool m_en_fond = false;
    bool m_en_lecture = false;
    quint64 m_generation = 0; // of the latest read: an earlier one that ends later is dropped
    Suite m_suite = Suite::Rien;
    QFutureWatcher<Resultat> m_lecture;
};
