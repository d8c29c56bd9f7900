#include "startup/premier_demarrage.h"

QString texte_date_debut(const QDate& date, const QLocale& locale)
{
    // The separator is the first character of the short date format that is not a field letter.
    QChar separateur = u'/';
    for (QChar c : locale.dateFormat(QLocale::ShortFormat)) {
        if (!c.isLetter() && !c.isSpace() && c != u'\'') {
            separateur = c;
            break;
        }
    }
    const auto nombre = [](int n, int chiffres) { return QString::number(n).rightJustified(chiffres, u'0'); };
    return nombre(date.day(), 2) + separateur + nombre(date.month(), 2) + separateur + nombre(date.year(), 4);
}

QList<Reglage> reglages_premier_demarrage(const QDate& aujourdhui, const QLocale& locale,
                                          const QString& dossier_application)
{
    return {
        {QStringLiteral("date de debut"), texte_date_debut(aujourdhui, locale)},
        {QStringLiteral("dossier application"), dossier_application},
        {QStringLiteral("etat"), QStringLiteral("actif")},
        {QStringLiteral("secondes"), QStringLiteral("4")},
        {QStringLiteral("dossier demarrage"), dossier_application},
        {QStringLiteral("veille"), QStringLiteral("0")},
        {QStringLiteral("type fichier"), QStringLiteral("0")},
        {QStringLiteral("demarrage OS"), QStringLiteral("0")},
        {QStringLiteral("couleur fond"), QString()},
        {QStringLiteral("chemin fichier"), QStringLiteral("0")},
        {QStringLiteral("son"), QString()},
        {QStringLiteral("informations"), QStringLiteral("1")},
        {QStringLiteral("taille"), QStringLiteral("0")},
    };
}

QString texte_version(int majeure, int mineure, int revision)
{
    return QStringLiteral("Version %1.%2.%3").arg(majeure).arg(mineure).arg(revision);
}
