#pragma once

#include <QDate>
#include <QList>
#include <QLocale>
#include <QPair>
#include <QString>

// What the first start of the program writes into the settings store.

using Reglage = QPair<QString, QString>;

// "dd/mm/yyyy" with the date separator of the locale ("06/12/2026" in French, "06.12.2026" in German).
QString texte_date_debut(const QDate& date, const QLocale& locale);

// The thirteen first-run settings, in the order they are written.
QList<Reglage> reglages_premier_demarrage(const QDate& aujourdhui, const QLocale& locale,
                                          const QString& dossier_application);

// "Version 1.0.0"
QString texte_version(int majeure, int mineure, int revision);
