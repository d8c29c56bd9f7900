#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

// File name patterns as the file lists take them: "*" stands for any run of characters,
// "?" for exactly one; letter case is ignored; every other character stands for itself
// ("[" included). "*.*" matches every name, with or without a dot.

bool correspond_joker(QStringView nom, QStringView motif);

// "*.jpg;*.jpeg" -> {"*.jpg", "*.jpeg"}; blanks around each part are dropped, empty parts too.
QStringList motifs_de(QStringView liste);

// True when the name matches one of the ";"-separated patterns of the list.
bool correspond_liste(QStringView nom, const QStringList& motifs);

bool contient_joker(QStringView texte);
