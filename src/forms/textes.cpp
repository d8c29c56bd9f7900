#include "forms/textes.h"

QString texte_nombre(qint64 n)
{
    return n < 0 ? QString::number(n) : u' ' + QString::number(n);
}

QString texte_total_fichiers(qint64 n)
{
    return QStringLiteral("Total: ") + texte_nombre(n) + QStringLiteral(" Fichier(s)");
}

QString texte_date_longue(const QDate& date, const QLocale& locale)
{
    return locale.toString(date, QStringLiteral("dddd dd MMMM yyyy"));
}

QString texte_date_courte(const QDate& date, const QLocale& locale)
{
    return locale.toString(date, QLocale::ShortFormat);
}

QString texte_heure(const QTime& heure, const QLocale& locale)
{
    // The long format carries the seconds, and often a time zone ("t") that a clock does not need.
    QString format = locale.timeFormat(QLocale::LongFormat);
    format.remove(u't');
    format = format.trimmed();
    if (format.isEmpty())
        format = QStringLiteral("HH:mm:ss");
    return locale.toString(heure, format);
}

namespace {

bool chiffre(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// The letter a name is sorted by: case folded, accents set aside ("É" sorts with "e").
char16_t lettre_de_tri(QChar c)
{
    const char16_t u = c.unicode();
    if (u < 0x80)
        return u >= u'A' && u <= u'Z' ? char16_t(u + 32) : u;
    const QString base = c.decomposition();
    if (!base.isEmpty() && c.decompositionTag() == QChar::Canonical)
        c = base.front();
    return c.toCaseFolded().unicode();
}

} // namespace

int comparer_noms(QStringView a, QStringView b)
{
    qsizetype i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (chiffre(a[i]) && chiffre(b[j])) {
            // Compare the two numbers by value: skip leading zeros, then length, then digits.
            qsizetype di = i, dj = j;
            while (di < a.size() && a[di] == u'0')
                ++di;
            while (dj < b.size() && b[dj] == u'0')
                ++dj;
            qsizetype fi = di, fj = dj;
            while (fi < a.size() && chiffre(a[fi]))
                ++fi;
            while (fj < b.size() && chiffre(b[fj]))
                ++fj;
            if (fi - di != fj - dj)
                return (fi - di) < (fj - dj) ? -1 : 1;
            for (qsizetype k = 0; k < fi - di; ++k) {
                if (a[di + k] != b[dj + k])
                    return a[di + k] < b[dj + k] ? -1 : 1;
            }
            // Same value: fewer leading zeros first ("7" before "07").
            if (fi - i != fj - j)
                return (fi - i) < (fj - j) ? -1 : 1;
            i = fi;
            j = fj;
            continue;
        }
        const char16_t ca = lettre_de_tri(a[i]);
        const char16_t cb = lettre_de_tri(b[j]);
        if (ca != cb)
            return ca < cb ? -1 : 1;
        ++i;
        ++j;
    }
    if (a.size() - i != b.size() - j)
        return (a.size() - i) < (b.size() - j) ? -1 : 1;
    // Equal but for letter case or accents: a stable, deterministic order.
    return a.compare(b);
}

// A run of digits becomes "0" (so that it sorts against any other character as a digit does),
// the length of its value, its digits without the leading zeros, and its whole length; those
// parts only ever meet their like in another key.
QString cle_de_tri(QStringView nom)
{
    QString cle;
    cle.reserve(nom.size() + 8);
    for (qsizetype i = 0; i < nom.size();) {
        if (!chiffre(nom[i])) {
            cle += QChar(lettre_de_tri(nom[i++]));
            continue;
        }
        const qsizetype debut = i;
        while (i < nom.size() && nom[i] == u'0')
            ++i;
        const qsizetype valeur = i;
        while (i < nom.size() && chiffre(nom[i]))
            ++i;
        cle += u'0';
        cle += QChar(char16_t(std::min<qsizetype>(i - valeur, 0xFFFF)));
        cle += nom.sliced(valeur, i - valeur);
        cle += QChar(char16_t(std::min<qsizetype>(i - debut, 0xFFFF)));
    }
    return cle;
}

bool nom_special(const char* nom)
{
    return nom[0] == '.' && (nom[1] == '\0' || (nom[1] == '.' && nom[2] == '\0'));
}
