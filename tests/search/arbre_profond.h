#pragma once

#include "bac_a_sable.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringList>

#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

// Trees of folders for the search's tests.

// A small file, with its folders.
inline void creer(const QString& chemin)
{
    ecrire(chemin, "x");
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

// A chain of folders nested deeper than the system's longest path, each with one file "f.txt":
// made and removed through open folders, since no full path reaches its bottom. Removed on
// destruction.
class ArbreProfond {
public:
    // `niveaux` folders of `longueur_nom` characters each ("nnn...") under `racine`.
    ArbreProfond(const QString& racine, int niveaux, int longueur_nom = 200)
        : m_nom(longueur_nom, 'n')
    {
        int fd = ::open(QFile::encodeName(racine).constData(), O_RDONLY | O_DIRECTORY);
        m_dossiers.push_back(fd);
        for (int i = 0; i < niveaux && fd >= 0; ++i) {
            if (::mkdirat(fd, m_nom.constData(), 0700) != 0)
                break;
            fd = ::openat(fd, m_nom.constData(), O_RDONLY | O_DIRECTORY);
            if (fd < 0)
                break;
            m_dossiers.push_back(fd);
            const int fichier = ::openat(fd, "f.txt", O_WRONLY | O_CREAT, 0600);
            if (fichier >= 0)
                ::close(fichier);
        }
    }

    ~ArbreProfond()
    {
        for (std::size_t i = m_dossiers.size(); i-- > 1;) {
            ::unlinkat(m_dossiers[i], "f.txt", 0);
            ::close(m_dossiers[i]);
            ::unlinkat(m_dossiers[i - 1], m_nom.constData(), AT_REMOVEDIR);
        }
        if (!m_dossiers.empty() && m_dossiers.front() >= 0)
            ::close(m_dossiers.front());
    }

    ArbreProfond(const ArbreProfond&) = delete;
    ArbreProfond& operator=(const ArbreProfond&) = delete;

    // Folders made below the root.
    int niveaux() const { return static_cast<int>(m_dossiers.size()) - 1; }
    QString nom() const { return QString::fromLatin1(m_nom); }

private:
    QByteArray m_nom;
    std::vector<int> m_dossiers; // the root, then each level
};
