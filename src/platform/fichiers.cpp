#include "platform/fichiers.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#ifndef RENAME_NOREPLACE
#define RENAME_NOREPLACE (1 << 0)
#endif

namespace fichiers {

namespace {

QString raison_systeme(int code)
{
    switch (code) {
    case ENOSPC: return QStringLiteral("le disque est plein");
    case EDQUOT: return QStringLiteral("le quota de l'utilisateur est atteint");
    case EFBIG: return QStringLiteral("le fichier est trop grand pour le disque de destination");
    case EACCES:
    case EPERM: return QStringLiteral("accès refusé");
    case EROFS: return QStringLiteral("le disque est en lecture seule");
    case ENOENT: return QStringLiteral("le fichier n'existe plus");
    case ENOTDIR: return QStringLiteral("un élément du chemin n'est pas un dossier");
    case EISDIR: return QStringLiteral("c'est un dossier");
    case EIO: return QStringLiteral("erreur de lecture ou d'écriture sur le disque");
    case EXDEV: return QStringLiteral("les deux dossiers ne sont pas sur le même disque");
    case ELOOP: return QStringLiteral("trop de liens symboliques à suivre");
    case ENAMETOOLONG: return QStringLiteral("le nom est trop long");
    default: return QString::fromLocal8Bit(std::strerror(code));
    }
}

bool echec(QString* erreur, const QString& raison)
{
    if (erreur)
        *erreur = raison;
    return false;
}

// A file descriptor closed on every way out.
class Descripteur {
public:
    explicit Descripteur(int fd = -1) : m_fd(fd) { }
    ~Descripteur()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Descripteur(const Descripteur&) = delete;
    Descripteur& operator=(const Descripteur&) = delete;
    int get() const { return m_fd; }
    // Closes now and tells whether the last writes reached the disk.
    bool fermer()
    {
        const int fd = m_fd;
        m_fd = -1;
        return ::close(fd) == 0;
    }

private:
    int m_fd;
};

// A file that is removed on destruction unless kept: the copy under its temporary name.
class FichierProvisoire {
public:
    explicit FichierProvisoire(QByteArray chemin) : m_chemin(std::move(chemin)) { }
    ~FichierProvisoire()
    {
        if (!m_garde)
            ::unlink(m_chemin.constData());
    }
    FichierProvisoire(const FichierProvisoire&) = delete;
    FichierProvisoire& operator=(const FichierProvisoire&) = delete;
    void garder() { m_garde = true; }

private:
    QByteArray m_chemin;
    bool m_garde = false;
};

bool ecrire_tout(int fd, const char* octets, qint64 taille)
{
    while (taille > 0) {
        const ssize_t ecrits = ::write(fd, octets, static_cast<size_t>(taille));
        if (ecrits < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        octets += ecrits;
        taille -= ecrits;
    }
    return true;
}

QByteArray dossier_de(const QByteArray& chemin)
{
    const qsizetype barre = chemin.lastIndexOf('/');
    return barre < 0 ? QByteArray(".") : barre == 0 ? QByteArray("/") : chemin.left(barre);
}

QByteArray nom_de(const QByteArray& chemin)
{
    return chemin.mid(chemin.lastIndexOf('/') + 1);
}

// Path= of a .trashinfo file: the bytes of the path, percent-encoded as a URL's path is.
QByteArray chemin_encode(const QByteArray& chemin)
{
    return chemin.toPercentEncoding("/");
}

bool creer_dossier(const QByteArray& chemin, int* code)
{
    if (::mkdir(chemin.constData(), 0700) == 0)
        return true;
    struct stat infos {};
    if (errno == EEXIST && ::stat(chemin.constData(), &infos) == 0 && S_ISDIR(infos.st_mode))
        return true;
    *code = errno == EEXIST ? ENOTDIR : errno;
    return false;
}

// Makes the folder and its missing parents, each readable by its owner only.
bool creer_dossiers(const QByteArray& chemin, int* code)
{
    for (qsizetype barre = chemin.indexOf('/', 1); barre > 0; barre = chemin.indexOf('/', barre + 1)) {
        if (!creer_dossier(chemin.left(barre), code))
            return false;
    }
    return creer_dossier(chemin, code);
}

// "photo.jpg", then "photo.2.jpg", "photo.3.jpg"...: a name not yet used in the trash.
QByteArray nom_numerote(const QByteArray& nom, int numero)
{
    if (numero < 2)
        return nom;
    const qsizetype point = nom.lastIndexOf('.');
    const QByteArray n = QByteArray::number(numero);
    return point > 0 ? nom.left(point) + '.' + n + nom.mid(point) : nom + '.' + n;
}

} // namespace

bool meme_fichier(const QString& a, const QString& b)
{
    struct stat sa {}, sb {};
    return ::stat(QFile::encodeName(a).constData(), &sa) == 0 && ::stat(QFile::encodeName(b).constData(), &sb) == 0
        && sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

bool copier(const QString& source, const QString& cible, QString* erreur)
{
    const QByteArray de = QFile::encodeName(source);
    const QByteArray vers = QFile::encodeName(cible);

    const Descripteur entree(::open(de.constData(), O_RDONLY | O_CLOEXEC));
    if (entree.get() < 0)
        return echec(erreur, QStringLiteral("Le fichier %1 ne peut pas être lu : %2.").arg(source, raison_systeme(errno)));
    struct stat origine {};
    if (::fstat(entree.get(), &origine) != 0 || !S_ISREG(origine.st_mode))
        return echec(erreur, QStringLiteral("Le fichier %1 ne peut pas être lu : ce n'est pas un fichier.").arg(source));

    // The target, links followed, must not be the source: replacing it would destroy the very
    // bytes being copied.
    struct stat existante {};
    if (::stat(vers.constData(), &existante) == 0) {
        if (existante.st_dev == origine.st_dev && existante.st_ino == origine.st_ino)
            return echec(erreur, QStringLiteral("%1 est le fichier d'origine lui-même (ou un lien vers lui) : un fichier ne peut pas "
                                                "être copié sur lui-même.")
                                     .arg(cible));
        if (S_ISDIR(existante.st_mode))
            return echec(erreur, QStringLiteral("Le fichier %1 ne peut pas être créé : c'est un dossier.").arg(cible));
    }

    // The copy is made under a hidden temporary name in the target's folder.
    QByteArray modele = dossier_de(vers) + "/." + nom_de(vers).left(100) + ".imagora-XXXXXX";
    Descripteur sortie(::mkostemp(modele.data(), O_CLOEXEC));
    if (sortie.get() < 0)
        return echec(erreur, QStringLiteral("Le fichier %1 ne peut pas être créé : %2.").arg(cible, raison_systeme(errno)));
    FichierProvisoire provisoire(modele);

    QByteArray tampon(1 << 20, Qt::Uninitialized);
    for (;;) {
        const ssize_t lus = ::read(entree.get(), tampon.data(), static_cast<size_t>(tampon.size()));
        if (lus < 0) {
            if (errno == EINTR)
                continue;
            return echec(erreur, QStringLiteral("La lecture de %1 a échoué : %2.").arg(source, raison_systeme(errno)));
        }
        if (lus == 0)
            break;
        if (!ecrire_tout(sortie.get(), tampon.constData(), lus))
            return echec(erreur, QStringLiteral("La copie vers %1 a échoué : %2.").arg(cible, raison_systeme(errno)));
    }
    ::fchmod(sortie.get(), origine.st_mode & 07777);
    const timespec temps[2] = {origine.st_atim, origine.st_mtim};
    ::futimens(sortie.get(), temps);
    if (::fsync(sortie.get()) != 0 || !sortie.fermer())
        return echec(erreur, QStringLiteral("La copie vers %1 n'a pas pu être terminée : %2.").arg(cible, raison_systeme(errno)));

    // One step: the target's name now gives the whole copy. A link there is replaced, not followed.
    if (::rename(modele.constData(), vers.constData()) != 0)
        return echec(erreur, QStringLiteral("La copie vers %1 n'a pas pu être terminée : %2.").arg(cible, raison_systeme(errno)));
    provisoire.garder();
    return true;
}

bool nom_valide(const QString& nom)
{
    return !nom.isEmpty() && !nom.contains(u'/') && !nom.contains(QChar(0)) && nom != u"." && nom != u"..";
}

Renommage renommer(const QString& chemin, const QString& nouveau_nom, QString* erreur)
{
    if (!nom_valide(nouveau_nom))
        return Renommage::NomInvalide;
    const QByteArray ancien = QFile::encodeName(chemin);
    const QByteArray nouveau = dossier_de(ancien) + '/' + QFile::encodeName(nouveau_nom);

    struct stat infos {};
    if (::lstat(nouveau.constData(), &infos) == 0)
        return Renommage::Existe;

    // The kernel refuses to replace an entry that appeared meanwhile.
    if (::syscall(SYS_renameat2, AT_FDCWD, ancien.constData(), AT_FDCWD, nouveau.constData(), RENAME_NOREPLACE) == 0)
        return Renommage::Fait;
    int code = errno;
    if (code == EINVAL || code == ENOSYS) {
        // A file system without that call: a link under the new name cannot replace anything either.
        if (::link(ancien.constData(), nouveau.constData()) == 0) {
            ::unlink(ancien.constData());
            return Renommage::Fait;
        }
        code = errno;
    }
    if (code == EEXIST)
        return Renommage::Existe;
    if (erreur)
        *erreur = raison_systeme(code);
    return Renommage::Echec;
}

bool mettre_a_la_corbeille(const QString& chemin, QString* erreur)
{
    const QByteArray fichier = QFile::encodeName(QFileInfo(chemin).absoluteFilePath());
    struct stat infos {};
    if (::lstat(fichier.constData(), &infos) != 0)
        return echec(erreur, raison_systeme(errno));

    // The user's trash, made when this home has none yet (a fresh account has no ~/.local/share).
    const QByteArray corbeille = QFile::encodeName(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation))
        + "/Trash";
    const QByteArray fichiers = corbeille + "/files";
    const QByteArray infos_corbeille = corbeille + "/info";
    int code = 0;
    if (!creer_dossiers(fichiers, &code) || !creer_dossier(infos_corbeille, &code))
        return echec(erreur, QStringLiteral("la corbeille %1 ne peut pas être créée : %2")
                                 .arg(QFile::decodeName(corbeille), raison_systeme(code)));

    struct stat disque {};
    if (::stat(fichiers.constData(), &disque) != 0)
        return echec(erreur, raison_systeme(errno));
    if (disque.st_dev != infos.st_dev) {
        // Another disk: its own trash, which Qt finds ($topdir/.Trash-$uid).
        QFile autre(chemin);
        if (autre.moveToTrash())
            return true;
        return echec(erreur, QStringLiteral("le fichier est sur un autre disque que la corbeille, et la corbeille de ce disque "
                                            "ne l'accepte pas (%1)")
                                 .arg(autre.errorString()));
    }

    const QByteArray nom = nom_de(fichier);
    const QByteArray texte = "[Trash Info]\nPath=" + chemin_encode(fichier) + "\nDeletionDate="
        + QDateTime::currentDateTime().toString(Qt::ISODate).left(19).toLatin1() + '\n';
    for (int numero = 1; numero < 10000; ++numero) {
        const QByteArray place = nom_numerote(nom, numero);
        // The information file is written first and claims the name: two deletions never share one.
        const QByteArray info = infos_corbeille + '/' + place + ".trashinfo";
        Descripteur descripteur(::open(info.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
        if (descripteur.get() < 0) {
            if (errno == EEXIST)
                continue;
            return echec(erreur, raison_systeme(errno));
        }
        if (!ecrire_tout(descripteur.get(), texte.constData(), texte.size()) || !descripteur.fermer()) {
            const int code_ecriture = errno;
            ::unlink(info.constData());
            return echec(erreur, raison_systeme(code_ecriture));
        }
        const QByteArray destination = fichiers + '/' + place;
        int code_deplacement = 0;
        if (::syscall(SYS_renameat2, AT_FDCWD, fichier.constData(), AT_FDCWD, destination.constData(), RENAME_NOREPLACE) == 0)
            return true;
        code_deplacement = errno;
        if (code_deplacement == EINVAL || code_deplacement == ENOSYS) {
            // A file system without renameat2: a link cannot replace anything either.
            if (::link(fichier.constData(), destination.constData()) == 0) {
                if (::unlink(fichier.constData()) == 0)
                    return true;
                code_deplacement = errno;
                ::unlink(destination.constData());
            } else {
                code_deplacement = errno;
            }
        }
        ::unlink(info.constData());
        if (code_deplacement == EEXIST)
            continue;
        return echec(erreur, raison_systeme(code_deplacement));
    }
    return echec(erreur, QStringLiteral("la corbeille contient déjà trop de fichiers de ce nom"));
}

} // namespace fichiers
