#pragma once

// Symbol fonts of Windows documents: Symbol, Wingdings, Wingdings 2, Wingdings 3 and Webdings hold
// Greek letters, mathematical signs, arrows and pictographs at the codes of Latin letters
// (0x20-0xFF, or U+F020-U+F0FF as Windows stores them in Unicode strings). These functions give
// the Unicode characters those codes stand for, so that the text can be drawn with ordinary fonts
// (familles_dessin()) instead of showing the Latin letters. Pure functions, usable from any thread.

#include <QString>
#include <QStringList>

namespace symboles {

enum class Jeu { Aucun, Symbol, Wingdings, Wingdings2, Wingdings3, Webdings };

// The symbol font a family name designates, compared without case, spaces, hyphens or underscores:
// "Symbol" (and its clones "Symbol MT", "Standard Symbols PS"), "Wingdings", "Wingdings 2",
// "Wingdings 3", "Webdings". With `jeu_symbole` (the font asks for SYMBOL_CHARSET, 2) any other
// family whose name holds "symbol" also reads as Symbol, except Unicode fonts such as "Symbola",
// "OpenSymbol" or "Segoe UI Symbol". Aucun otherwise.
Jeu jeu(const QString& famille, bool jeu_symbole = false);

// The Unicode character that `code` stands for in `jeu`. Codes 0x20-0xFF and U+F020-U+F0FF are
// looked up in the font's table (a code with no Unicode equivalent gives U+25A1, a white square,
// never the Latin letter); any other code, and any code with Jeu::Aucun, comes back unchanged.
char32_t unicode(Jeu jeu, char32_t code);

// The same, by family name (jeu(famille)), as text (one character, two UTF-16 units above U+FFFF).
QString unicode(const QString& famille, char32_t code);

// A whole string, code by code (surrogate pairs are passed through unchanged).
QString texte(Jeu jeu, const QString& chaine);

// Families to draw mapped text with, most preferred first: they hold the Greek letters, mathematical
// signs, arrows, dingbats and pictographs of the tables (DejaVu Sans, OpenSymbol, Symbola).
QStringList familles_dessin();

} // namespace symboles
