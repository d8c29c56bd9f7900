#pragma once

#include "interaction_test.h"

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>
#include <QTemporaryDir>

#include <linux/capability.h>
#include <sys/resource.h>

// A fresh home for one test: HOME, XDG_CONFIG_HOME, XDG_DATA_HOME, XDG_RUNTIME_DIR and XDG_CACHE_HOME point into
// a temporary folder, and the settings store starts from its file again. Restored on destruction.
class BacASable {
public:
    BacASable();
    ~BacASable();
    BacASable(const BacASable&) = delete;
    BacASable& operator=(const BacASable&) = delete;

    QString racine() const { return m_dossier.path(); }
    QString chemin(const QString& relatif) const { return m_dossier.filePath(relatif); }

private:
    QTemporaryDir m_dossier;
    QByteArray m_anciens[5];
};

// The usual start of a window's test: a sandbox, every box answered by the test, and an empty
// pictures folder "photos" in the sandbox.
struct Essai {
    Essai();
    BacASable bac;
    InteractionInstallee dialogues;
    const QString dossier;
    InteractionTest& d() const { return *dialogues; }
    // Copies the sample picture `source` into the pictures folder as `nom`; its path. The test
    // stops at once when the sample cannot be copied.
    QString copier(const QString& source, const QString& nom) const;
};

// A sample picture of the test data (SAMPLES/pillow).
QString echantillon(const QString& nom);

// The settings as the file holds them, read straight from disk; one of them, "<absent>" when the
// file lacks it.
QMap<QString, QString> fichier_parametres();
QString dans_le_fichier(const QString& cle);

// Whole contents of a file, or an empty array when it cannot be read.
QByteArray contenu(const QString& chemin);
// Writes a file, making its folder.
void ecrire(const QString& chemin, const QByteArray& octets);

// An environment variable set (or, with a null value, removed) for the life of the object.
class Variable {
public:
    Variable(const char* nom, const QByteArray& valeur);
    ~Variable();
    Variable(const Variable&) = delete;
    Variable& operator=(const Variable&) = delete;

private:
    const char* m_nom;
    QByteArray m_avant;
    bool m_existait;
};

// For the life of the object, no file of this process may grow past `octets`: a write beyond
// fails as on a full disk.
class TailleMaximale {
public:
    explicit TailleMaximale(rlim_t octets);
    ~TailleMaximale();
    TailleMaximale(const TailleMaximale&) = delete;
    TailleMaximale& operator=(const TailleMaximale&) = delete;

private:
    rlimit m_avant{};
};

// While it lives, the calling thread meets the file permissions as an ordinary user does, even in
// a test run as root (which otherwise reads any folder).
class SansDroitsDeRoot {
public:
    SansDroitsDeRoot();
    ~SansDroitsDeRoot();
    SansDroitsDeRoot(const SansDroitsDeRoot&) = delete;
    SansDroitsDeRoot& operator=(const SansDroitsDeRoot&) = delete;

private:
    __user_cap_header_struct m_entete{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct m_avant[2]{};
    bool m_ok = false;
};

// Files and folders whose names are not valid UTF-8, made with the system's own calls: Qt cannot
// name them to remove them, so they are removed so on destruction, the last made first.
class NomsBruts {
public:
    NomsBruts() = default;
    ~NomsBruts();
    NomsBruts(const NomsBruts&) = delete;
    NomsBruts& operator=(const NomsBruts&) = delete;

    bool dossier(const QByteArray& chemin);
    bool fichier(const QByteArray& chemin, const QByteArray& octets = {});

private:
    QList<QPair<QByteArray, bool>> m_crees; // path, folder
};
