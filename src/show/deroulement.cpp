#include "show/deroulement.h"

#include "forms/listefichiers.h"
#include "startup/module.h"

#include "show/ajustement.h"

#include <QLabel>
#include <QTimer>

#include <cmath>

QString chemin_dans_liste(const FileListBox& liste, qint64 indice)
{
    return liste.chemin(static_cast<int>(indice));
}

qint64 image_suivante(qint64 indice, qint64 nombre, bool boucle)
{
    if (indice >= nombre)
        indice = boucle ? 0 : -1;
    return indice >= 0 && indice < nombre ? indice : -1;
}

bool reprendre_ou_finir(QWidget* fenetre, QTimer& minuterie, qint64& indice, qint64 nombre, const QString& titre_fin)
{
    if (module().boucle && nombre > 0) {
        indice = 0;
        return true;
    }
    // The timer stops first, so the message is shown once.
    minuterie.stop();
    module().interaction->message(fenetre, {QString::number(nombre) + QStringLiteral(" image(s) visionnée(s)."), titre_fin,
                                            Boutons::Ok, Icone::Information});
    return false;
}

QLabel* creer_texte_info(const QString& texte, QWidget* fenetre)
{
    auto* info = new QLabel(texte, fenetre);
    info->setObjectName(QStringLiteral("txtInfo"));
    QFont gras = info->font();
    gras.setBold(true);
    info->setFont(gras);
    info->setAlignment(Qt::AlignCenter);
    info->setAutoFillBackground(true);
    info->setFrameStyle(QFrame::Box | QFrame::Plain);
    return info;
}

std::optional<int> indice_reglage(double valeur, int nombre)
{
    const double entier = std::trunc(valeur);
    if (!(entier >= 0 && entier < nombre)) // also refuses NaN and the infinities
        return std::nullopt;
    return static_cast<int>(entier);
}

int intervalle_reglage(double secondes)
{
    constexpr int nombre_durees = 60, duree_premier_demarrage = 4;
    return (indice_reglage(secondes, nombre_durees).value_or(duree_premier_demarrage) + 1) * 1000;
}

int mode_taille_reglage(double taille)
{
    return indice_reglage(taille, AdapteeToujours + 1).value_or(TailleNormale);
}
