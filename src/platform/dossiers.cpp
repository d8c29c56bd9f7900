#include "platform/dossiers.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace dossiers {

namespace {

QString variable_ou(const char* variable, const QString& defaut)
{
    // The XDG base directory rules ignore empty and relative values.
    const QString valeur = qEnvironmentVariable(variable);
    if (!valeur.isEmpty() && QDir::isAbsolutePath(valeur))
        return QDir::cleanPath(valeur);
    return defaut;
}

} // namespace

QString nom_executable()
{
    const QString nom = QFileInfo(QCoreApplication::applicationFilePath()).fileName();
    return nom.isEmpty() ? QStringLiteral("Imagora") : nom;
}

QString configuration()
{
    return variable_ou("XDG_CONFIG_HOME", QDir::homePath() + QStringLiteral("/.config"));
}

QString donnees()
{
    return variable_ou("XDG_DATA_HOME", QDir::homePath() + QStringLiteral("/.local/share"));
}

QString cache()
{
    return variable_ou("XDG_CACHE_HOME", QDir::homePath() + QStringLiteral("/.cache"));
}

bool a_moi_seul(const QString& dossier)
{
    struct stat etat {};
    if (dossier.isEmpty() || ::stat(QFile::encodeName(dossier).constData(), &etat) != 0)
        return false;
    return S_ISDIR(etat.st_mode) && etat.st_uid == ::geteuid() && (etat.st_mode & (S_IWGRP | S_IWOTH)) == 0
           && ::access(QFile::encodeName(dossier).constData(), W_OK | X_OK) == 0;
}

QString execution()
{
    const QString runtime = variable_ou("XDG_RUNTIME_DIR", QString());
    if (a_moi_seul(runtime))
        return runtime;

    // No usable runtime folder: one of our own in the user's cache, never a shared place such as
    // /tmp, where another user could take the name first.
    const QString parent = cache() + u'/' + nom_executable();
    if (!QDir().mkpath(parent))
        return {};
    const QString dossier = parent + QStringLiteral("/execution");
    const QByteArray nom = QFile::encodeName(dossier);
    if (::mkdir(nom.constData(), 0700) != 0 && errno != EEXIST)
        return {};
    struct stat etat {};
    if (::lstat(nom.constData(), &etat) != 0 || !S_ISDIR(etat.st_mode) || etat.st_uid != ::geteuid())
        return {};
    if ((etat.st_mode & 0077) != 0 && ::chmod(nom.constData(), 0700) != 0)
        return {};
    return dossier;
}

} // namespace dossiers
