#include "platform/autostart.h"

#include "platform/dossiers.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>

namespace autostart {

QString chemin_entree()
{
    return dossiers::configuration() + QStringLiteral("/autostart/") + dossiers::nom_executable()
           + QStringLiteral(".desktop");
}

QString argument_exec(const QString& chemin)
{
    // Inside double quotes, `"`, `` ` ``, `$` and `\` take a backslash; then, as in every string
    // value of a desktop entry, each backslash is doubled. "%" is always written "%%".
    static const QString reserves = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    QString texte = chemin;
    texte.replace(u'%', QStringLiteral("%%"));
    const bool guillemets = std::any_of(texte.cbegin(), texte.cend(), [](QChar c) { return reserves.contains(c); });
    if (!guillemets)
        return texte;
    QString cite;
    for (QChar c : texte) {
        if (c == u'"' || c == u'`' || c == u'$' || c == u'\\')
            cite += u'\\';
        cite += c;
    }
    cite.replace(u'\\', QStringLiteral("\\\\"));
    return u'"' + cite + u'"';
}

QString contenu_entree(const QString& executable)
{
    return QStringLiteral("[Desktop Entry]\n"
                          "Type=Application\n"
                          "Name=Imagora\n"
                          "Comment=Visualiseur d'images\n"
                          "Exec=%1\n"
                          "Terminal=false\n"
                          "X-GNOME-Autostart-enabled=true\n")
        .arg(argument_exec(executable));
}

bool enregistrer(const QString& executable, QString* erreur)
{
    const QString chemin = chemin_entree();
    QDir().mkpath(QFileInfo(chemin).absolutePath());
    QSaveFile fichier(chemin);
    if (fichier.open(QIODevice::WriteOnly)) {
        fichier.write(contenu_entree(executable).toUtf8());
        if (fichier.commit())
            return true;
    }
    if (erreur) {
        *erreur = QStringLiteral("Le démarrage automatique n'a pas pu être enregistré dans le fichier:\n%1\n%2")
                      .arg(chemin, fichier.errorString());
    }
    return false;
}

bool retirer(QString* erreur)
{
    QFile fichier(chemin_entree());
    if (!fichier.exists() || fichier.remove())
        return true;
    if (erreur) {
        *erreur = QStringLiteral("Le démarrage automatique n'a pas pu être retiré: le fichier\n%1\nne peut pas être supprimé (%2).")
                      .arg(fichier.fileName(), fichier.errorString());
    }
    return false;
}

} // namespace autostart
