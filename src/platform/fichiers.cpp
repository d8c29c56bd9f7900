#include "platform/fichiers.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
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
    case EIO: return QStringLiteral("erreur de lecture ou d'écriture sur le disque");
    case EXDEV: return QStringLiteral("les deux dossiers ne sont pas sur le même disque");
    default: return QString::fromLocal8Bit(std::strerror(code));
    }
}

} // namespace

bool copier(const QString& source, const QString& cible, QString* erreur)
{
    const auto echec = [&](const QString& raison) {
        if (erreur)
            *erreur = raison;
        return false;
    };

    QFile entree(source);
    if (!entree.open(QIODevice::ReadOnly))
        return echec(QStringLiteral("Le fichier %1 ne peut pas être lu : %2.").arg(source, entree.errorString()));
    QSaveFile sortie(cible);
    sortie.setDirectWriteFallback(false);
    // Unbuffered: a write that fails (full disk) says so at once, with its reason.
    if (!sortie.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return echec(QStringLiteral("Le fichier %1 ne peut pas être créé : %2.").arg(cible, raison_systeme(errno)));

    QByteArray tampon(1 << 20, Qt::Uninitialized);
    for (;;) {
        const qint64 lus = entree.read(tampon.data(), tampon.size());
        if (lus < 0) {
            sortie.cancelWriting();
            return echec(QStringLiteral("La lecture de %1 a échoué : %2.").arg(source, entree.errorString()));
        }
        if (lus == 0)
            break;
        if (sortie.write(tampon.constData(), lus) != lus) {
            const int code = errno;
            sortie.cancelWriting();
            return echec(QStringLiteral("La copie vers %1 a échoué : %2.").arg(cible, raison_systeme(code)));
        }
    }
    sortie.setPermissions(entree.permissions());
    if (!sortie.commit()) {
        return echec(QStringLiteral("La copie vers %1 n'a pas pu être terminée : %2.")
                         .arg(cible, sortie.errorString()));
    }

    // Same modification time as the source, as a copy should keep.
    struct stat infos {};
    if (::stat(QFile::encodeName(source).constData(), &infos) == 0) {
        const timespec temps[2] = {infos.st_atim, infos.st_mtim};
        ::utimensat(AT_FDCWD, QFile::encodeName(cible).constData(), temps, 0);
    }
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
    const QByteArray nouveau = QFile::encodeName(QFileInfo(chemin).absolutePath() + u'/' + nouveau_nom);

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
    QFile fichier(chemin);
    if (fichier.moveToTrash())
        return true;
    if (erreur)
        *erreur = fichier.errorString().isEmpty() ? raison_systeme(errno) : fichier.errorString();
    return false;
}

} // namespace fichiers
