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
    const QString dossier = variable_ou("XDG_RUNTIME_DIR", QString());
    if (!dossier.isEmpty() && QFileInfo(dossier).isDir() && QFileInfo(dossier).isWritable())
        return dossier;
    return QDir::tempPath();
}

} // namespace dossiers
