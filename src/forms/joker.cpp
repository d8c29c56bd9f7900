#include "forms/joker.h"

namespace {

char16_t minuscule_ascii(char16_t c)
{
    return c >= u'A' && c <= u'Z' ? char16_t(c + 32) : c;
}

bool meme_lettre(QChar a, QChar b)
{
    if (a == b)
        return true;
    if (a.unicode() < 0x80 && b.unicode() < 0x80)
        return minuscule_ascii(a.unicode()) == minuscule_ascii(b.unicode());
    return a.toCaseFolded() == b.toCaseFolded();
}

} // namespace

bool correspond_joker(QStringView nom, QStringView motif)
{
    // A final ".*" also takes names without any dot: "*.*" is every file, "img*.*" finds "img2".
    if (motif.endsWith(u".*") && !nom.contains(u'.'))
        return correspond_joker(nom, motif.chopped(2));

    // Greedy matching with a single back-track point: linear in practice, never exponential.
    qsizetype n = 0, m = 0;
    qsizetype etoile = -1, reprise = 0;
    while (n < nom.size()) {
        if (m < motif.size() && (motif[m] == u'?' || (motif[m] != u'*' && meme_lettre(motif[m], nom[n])))) {
            ++n;
            ++m;
        } else if (m < motif.size() && motif[m] == u'*') {
            etoile = m++;
            reprise = n;
        } else if (etoile >= 0) {
            m = etoile + 1;
            n = ++reprise;
        } else {
            return false;
        }
    }
    while (m < motif.size() && motif[m] == u'*')
        ++m;
    return m == motif.size();
}

QStringList motifs_de(QStringView liste)
{
    QStringList motifs;
    for (QStringView partie : liste.split(u';')) {
        partie = partie.trimmed();
        if (!partie.isEmpty())
            motifs.append(partie.toString());
    }
    return motifs;
}

bool correspond_liste(QStringView nom, const QStringList& motifs)
{
    for (const QString& motif : motifs) {
        if (correspond_joker(nom, motif))
            return true;
    }
    return false;
}

bool contient_joker(QStringView texte)
{
    return texte.contains(u'*') || texte.contains(u'?');
}
