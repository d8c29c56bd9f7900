#pragma once

#include <QCursor>
#include <QIcon>

// The program's own artwork, drawn in code with QPainter so that it stays crisp at any size and
// at any device pixel ratio. Nothing is built before it is asked for: a QGuiApplication must
// exist when these functions are called, not before.

// Picture-type icon for the file list, by icon number 1..15:
// 1 BMP, 2 WMF, 3 JPEG, 4 EMF, 5 GIF, 6 CUR (cursor), 7 DIB, 8 ICO, 9 PNG, 10 TIFF, 11 WebP, 12 HEIC,
// 13 AVIF, 14 JPEG XL, 15 SVG. Any other number: a null QIcon.
QIcon icone_type(int numero);

// Pictures of the six view and sort buttons, index 0..5:
// 0 large icons view, 1 small icons view, 2 list view, 3 details view (report with columns),
// 4 sort ascending (A→Z), 5 sort descending (Z→A). Any other index: a null QIcon.
QIcon icone_affichage(int index);

// Folder icons for the folder list: open (the current folder and its ancestors) or closed (subfolders).
QIcon icone_dossier(bool ouvert);

// Drive-list icons: the root file system, the home folder, another mounted volume.
enum class TypeLecteur { Racine, Personnel, Volume };
QIcon icone_lecteur(TypeLecteur type);

// The program's own icon (a stylised picture frame/landscape, recognisable at 16 px and handsome at 256 px).
QIcon icone_programme();

// Pointer shown over the preview square while a picture is selected (a magnifying glass, 32x32, hot spot at the centre of the lens).
QCursor curseur_apercu();

// Pointer shown over the action labels (a pointing hand of our own, 32x32, hot spot at the fingertip).
QCursor curseur_option();
