#include "forms/listefichiers.h"

#include "forms/joker.h"
#include "forms/textes.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtConcurrent/QtConcurrentRun>

#include <QThread>

#include <algorithm>
#include <cerrno>
#include <thread>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Closes a directory stream on every path out of lire_dossier.
struct Repertoire {
    DIR* flux;
    explicit Repertoire(const QString& chemin) : flux(opendir(QFile::encodeName(chemin).constData())) { }
    ~Repertoire()
    {
        if (flux)
            closedir(flux);
    }
    Repertoire(const Repertoire&) = delete;
    Repertoire& operator=(const Repertoire&) = delete;
};

} // namespace

QList<EntreeFichier> lire_dossier(const QString& dossier, const QStringList& motifs, bool* lisible)
{
    QList<EntreeFichier> entrees;
    Repertoire rep(dossier);
    if (lisible)
        *lisible = rep.flux != nullptr;
    if (!rep.flux)
        return entrees;

    // The names first, from the folder alone; then one stat for each name that matches.
    std::vector<unsigned char> types;
    while (const dirent* e = readdir(rep.flux)) {
        if (e->d_type == DT_DIR)
            continue;
        QString nom = QFile::decodeName(e->d_name);
        if (nom == u"." || nom == u".." || !correspond_liste(nom, motifs))
            continue;
        entrees.append({std::move(nom), QByteArray(e->d_name), -1, 0});
        types.push_back(e->d_type);
    }

    // Follows links: a link to a picture is listed like the picture. Only regular files are
    // pictures: a folder, a device ("zero.jpg" linked to /dev/zero), a pipe or a socket is left
    // out, and so is a link to one of them; reading some of them would never end.
    const int fd = dirfd(rep.flux);
    std::vector<unsigned char> garder(entrees.size(), 0);
    const auto mesurer = [&](qsizetype debut, qsizetype fin) {
        for (qsizetype i = debut; i < fin; ++i) {
            EntreeFichier& e = entrees[i];
            struct stat st {};
            if (fstatat(fd, e.octets.constData(), &st, 0) != 0) {
                // A file the folder names but does not let us measure (a folder readable but
                // not searchable) is kept, unmeasured; a dangling link or a file gone is not.
                garder[i] = types[i] == DT_REG && errno != ENOENT;
                continue;
            }
            garder[i] = S_ISREG(st.st_mode);
            e.taille = qint64(st.st_size);
            e.modifie_ms = qint64(st.st_mtim.tv_sec) * 1000 + st.st_mtim.tv_nsec / 1000000;
        }
    };
    // Waiting on the disk dominates a large folder: its stats are shared among the cores.
    const qsizetype n = entrees.size();
    const int fils = n < 4096 ? 1 : std::clamp(QThread::idealThreadCount(), 1, 8);
    {
        std::vector<std::jthread> aides;
        for (int f = 1; f < fils; ++f)
            aides.emplace_back(mesurer, n * f / fils, n * (f + 1) / fils);
        mesurer(0, n / fils);
    }
    qsizetype k = 0;
    for (qsizetype i = 0; i < n; ++i) {
        if (garder[i])
            entrees[k++] = std::move(entrees[i]);
    }
    entrees.resize(k);
    std::sort(entrees.begin(), entrees.end(), [](const EntreeFichier& a, const EntreeFichier& b) {
        const int c = comparer_noms(a.nom, b.nom);
        return c != 0 ? c < 0 : a.octets < b.octets; // two names shown alike keep one order
    });
    return entrees;
}

FileListBox::FileListBox(QObject* parent)
    : QObject(parent)
{
    connect(&m_lecture, &QFutureWatcher<Resultat>::finished, this, &FileListBox::lecture_terminee);
}

bool FileListBox::setPath(const QString& dossier)
{
    const QString propre = QDir::cleanPath(dossier);
    if (propre == m_dossier)
        return true;
    if (m_en_fond) {
        // Only whether it opens is asked now; the reading itself goes to the worker.
        if (!Repertoire(propre).flux)
            return false;
        m_dossier = propre;
        lire(Suite::Chemin);
        return true;
    }
    bool lisible = false;
    ++m_lectures;
    QList<EntreeFichier> entrees = lire_dossier(propre, m_motifs, &lisible);
    if (!lisible)
        return false;
    m_dossier = propre;
    m_entrees = std::move(entrees);
    m_index = -1;
    Q_EMIT PathChange();
    return true;
}

void FileListBox::setPattern(const QString& motif)
{
    if (motif == m_motif)
        return;
    m_motif = motif;
    m_motifs = motifs_de(motif);
    lire(Suite::Motif);
    if (!m_en_fond)
        Q_EMIT PatternChange();
}

void FileListBox::Refresh()
{
    lire(Suite::Rien);
}

void FileListBox::lire(Suite suite)
{
    m_index = -1;
    if (m_dossier.isEmpty()) {
        m_entrees.clear();
        return;
    }
    ++m_lectures;
    if (!m_en_fond) {
        m_entrees = lire_dossier(m_dossier, m_motifs);
        return;
    }
    // The files of the folder left behind are no longer in it: nothing may be taken from them,
    // nor from a read overtaken by this one.
    m_entrees.clear();
    m_suite = m_en_lecture ? std::max(m_suite, suite) : suite;
    m_en_lecture = true;
    const quint64 generation = ++m_generation;
    m_lecture.setFuture(QtConcurrent::run([generation, dossier = m_dossier, motifs = m_motifs] {
        Resultat r;
        r.generation = generation;
        r.entrees = lire_dossier(dossier, motifs, &r.lisible);
        return r;
    }));
    Q_EMIT LectureCommencee();
}

void FileListBox::lecture_terminee()
{
    Resultat r = m_lecture.result();
    if (r.generation != m_generation || !m_en_lecture)
        return;
    m_en_lecture = false;
    m_entrees = std::move(r.entrees); // a folder gone meanwhile lists nothing
    m_index = -1;
    switch (std::exchange(m_suite, Suite::Rien)) {
    case Suite::Motif: Q_EMIT PatternChange(); break;
    default: Q_EMIT PathChange(); break; // a refresh changes the list as much as a new folder
    }
}

bool FileListBox::retirer(const QByteArray& nom)
{
    const auto e = std::find_if(m_entrees.cbegin(), m_entrees.cend(), [&](const EntreeFichier& x) { return x.octets == nom; });
    if (e == m_entrees.cend())
        return false;
    m_entrees.erase(e);
    m_index = -1;
    return true;
}

QString FileListBox::List(int index) const
{
    return index >= 0 && index < m_entrees.size() ? m_entrees.at(index).nom : QString();
}

QString FileListBox::chemin(int index) const
{
    if (index < 0 || index >= m_entrees.size() || !m_entrees.at(index).nom_exact())
        return {};
    return m_dossier.endsWith(u'/') ? m_dossier + m_entrees.at(index).nom : m_dossier + u'/' + m_entrees.at(index).nom;
}
