#pragma once

#include <QString>

#include <array>

// The browser's action menu: eight labels, each with its caption, its tooltip and the help text
// written into the status bar while the pointer is over it.
struct ActionMenu {
    QString libelle;
    QString infobulle;
    QString aide;
};

inline const std::array<ActionMenu, 8>& actions_menu()
{
    static const std::array<ActionMenu, 8> actions = {{
        {QStringLiteral("Mettre en fond d'écran"), QStringLiteral("Mettre l'image en fond d'écran"),
         QStringLiteral(" Mettre l'image sélectionnée en fond d'écran sur votre ordinateur ")},
        {QStringLiteral("Voir à la taille réelle"), QStringLiteral("Voir l'image en taille réelle"),
         QStringLiteral(" Afficher l'image sélectionnée à sa taille réelle ")},
        {QStringLiteral("Editer avec..."), QStringLiteral("Editeur d'image associé"),
         QStringLiteral(" Modifier l'image sélectionnée avec l'éditeur d'image associé ")},
        {QStringLiteral("Diaporama / Ecran de veille..."), QStringLiteral("Diaporama / écran de veille"),
         QStringLiteral(" Afficher les images de la liste en diaporama ou en écran de veille ")},
        {QStringLiteral("Supprimer le fichier"), QStringLiteral("Supprimer le fichier sélectionné"),
         QStringLiteral(" Supprimer le fichier de l'image sélectionnée ")},
        {QStringLiteral("Recherche de fichier"), QStringLiteral("Recherche de fichier..."),
         QStringLiteral(" Rechercher des fichiers ")},
        {QStringLiteral("Copier/déplacer le fichier"), QStringLiteral("Copier/déplacer le fichier sélectionné"),
         QStringLiteral(" Copier/déplacer le fichier selectionné ")},
        {QStringLiteral("Renommer le fichier"), QStringLiteral("Renommer le fichier sélectionné"),
         QStringLiteral(" Renommer le fichier selectionné ")},
    }};
    return actions;
}

// Top to bottom: the picture actions, a gap of two lines, then the file actions.
constexpr std::array<int, 4> actions_image = {1, 2, 3, 0};
constexpr std::array<int, 4> actions_fichier = {6, 7, 4, 5};
