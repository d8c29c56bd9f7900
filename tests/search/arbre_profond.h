#pragma once

#include "bac_a_sable.h"

#include <QFile>
#include <QProcess>
#include <QStringList>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

// Trees of folders for the search's tests.

inline void creer(const QString& chemin) { ecrire(chemin, "x"); }

inline void creer_tous(const QString& racine, std::initializer_list<const char*> relatifs)
{
    for (const char* r : relatifs)
        creer(racine + u'/' + QString::fromUtf8(r));
}

// `racine` + '/' + each relative path.
inline QStringList chemins(const QString& racine, const QStringList& relatifs)
{
    QStringList c;
    for (const QString& r : relatifs)
        c.append(racine + u'/' + r);
    return c;
}

// 40 folders of 25 files each under `racine`/grand: d0/f0.txt .. d39/f24.txt. Returns that folder.
inline QString grand_arbre(const QString& racine)
{
    for (int i = 0; i < 40; ++i)
        for (int j = 0; j < 25; ++j)
            creer(QStringLiteral("%1/grand/d%2/f%3.txt").arg(racine).arg(i).arg(j));
    return racine + QStringLiteral("/grand");
}

// Names that are not text under `racine`: a file "a\xff.jpg", and a folder "d\xff" holding "b.jpg".
inline bool noms_pas_du_texte(NomsBruts& noms, const QString& racine)
{
    const QByteArray r = QFile::encodeName(racine);
    return noms.dossier(r + "/d\xff") && noms.fichier(r + "/a\xff.jpg") && noms.fichier(r + "/d\xff/b.jpg");
}

// A chain of `niveaux` folders "nnn..." of 200 characters, nested deeper than the system's longest
// path, each with one file "f.txt": made through open folders, since no full path reaches its
// bottom, and removed with rm, which walks it so too.
struct ArbreProfond {
    const QString racine, nom{200, u'n'};
    int niveaux = 0; // folders made

    ArbreProfond(const QString& r, int voulus) : racine(r)
    {
        int fd = ::open(QFile::encodeName(racine).constData(), O_RDONLY | O_DIRECTORY);
        for (; niveaux < voulus && fd >= 0 && ::mkdirat(fd, nom.toLatin1().constData(), 0700) == 0; ++niveaux) {
            const int sous = ::openat(fd, nom.toLatin1().constData(), O_RDONLY | O_DIRECTORY);
            ::close(fd);
            fd = sous;
            if (fd >= 0)
                ::close(::openat(fd, "f.txt", O_WRONLY | O_CREAT, 0600));
        }
        if (fd >= 0)
            ::close(fd);
    }
    ~ArbreProfond() { QProcess::execute(QStringLiteral("rm"), {QStringLiteral("-rf"), racine + u'/' + nom}); }
};
