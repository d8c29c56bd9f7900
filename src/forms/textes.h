#pragma once

#include <QDate>
#include <QLocale>
#include <QString>
#include <QStringView>
#include <QTime>

// Number, date and time texts as the windows show them.

// Decimal text with a position reserved for the sign: " 12", " 0", "-3".
QString texte_nombre(qint64 n);

// "Total:  12 Fichier(s)" (the number keeps its sign position, hence two blanks).
QString texte_total_fichiers(qint64 n);

// Day name, two-digit day, month name and year in the locale's language: "dimanche 06 décembre 2026".
QString texte_date_longue(const QDate& date, const QLocale& locale);

// The locale's short date ("06/12/2026").
QString texte_date_courte(const QDate& date, const QLocale& locale);

// The time in the locale's own format with seconds, without a time zone ("19:42:07").
QString texte_heure(const QTime& heure, const QLocale& locale);

// File-name order: letter case ignored, runs of digits compared as numbers ("img2" before "img10").
// Negative, zero or positive like QString::compare.
int comparer_noms(QStringView a, QStringView b);

// A text whose plain order (code unit by code unit) is the order of comparer_noms, up to the ties
// that the names themselves settle: for sorting many names by precomputed keys.
QString cle_de_tri(QStringView nom);
