#include "platform/dossiers.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

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

QString execution()
{
    // Never the shared temporary folder itself, where another user could leave a file of the same
    // name first. Qt takes XDG_RUNTIME_DIR only when it is a real folder of this user's that no
    // one else may enter (mode 0700), and otherwise makes and checks such a folder of its own in
    // the temporary folder (runtime-<user>).
    const QString dossier = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (!dossier.isEmpty())
        return QDir::cleanPath(dossier);
    return variable_ou("XDG_CACHE_HOME", QDir::homePath() + QStringLiteral("/.cache"));
}

} // namespace dossiers
