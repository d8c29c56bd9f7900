#include "browser/demande.h"

#include "browser/types_images.h"
#include "forms/joker.h"

#include <QDir>
#include <QFileInfo>
#include <QUrl>

QString chemin_demande(const QString& argument)
{
    const QString chemin = argument.startsWith(QLatin1String("file:"), Qt::CaseInsensitive)
                               ? QUrl(argument).toLocalFile()
                               : argument;
    return chemin.isEmpty() ? QString() : QDir::cleanPath(QFileInfo(chemin).absoluteFilePath());
}

DemandeOuverture demande_ouverture(const QString& argument)
{
    DemandeOuverture demande;
    if (argument.isEmpty())
        return demande;
    const QString chemin = chemin_demande(argument);
    const QFileInfo info(chemin);
    if (chemin.isEmpty() || !info.exists()) {
        demande.message = QStringLiteral("Le fichier ou le dossier « %1 » est introuvable.").arg(argument);
        return demande;
    }
    if (info.isDir()) {
        demande.dossier = info.absoluteFilePath();
        return demande;
    }
    demande.dossier = info.absolutePath();
    // The first entry of the filter takes every type; the others name one each. A picture is a
    // regular file: a device, pipe or socket named like one is not listed, nor opened.
    for (int type = 1; info.isFile() && type < static_cast<int>(types_images().size()); ++type) {
        if (correspond_liste(info.fileName(), motifs_de(types_images()[type].motif))) {
            demande.nom = info.fileName();
            demande.type_image = type;
            return demande;
        }
    }
    demande.message = QStringLiteral("« %1 » n'est pas une image que le programme sait afficher : son dossier est ouvert.")
                          .arg(info.fileName());
    return demande;
}
