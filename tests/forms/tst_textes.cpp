#include "forms/textes.h"

#include <QTest>

#include <algorithm>

class TestTextes : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void nombres_avec_place_du_signe()
    {
        QCOMPARE(texte_nombre(12), QString(" 12"));
        QCOMPARE(texte_nombre(0), QString(" 0"));
        QCOMPARE(texte_nombre(-3), QString("-3"));
        QCOMPARE(texte_nombre(5'000'000'000), QString(" 5000000000"));
        QCOMPARE(texte_total_fichiers(12), QString("Total:  12 Fichier(s)"));
        QCOMPARE(texte_total_fichiers(0), QString("Total:  0 Fichier(s)"));
    }

    void dates_et_heures_dans_la_langue_de_l_utilisateur()
    {
        const QLocale fr(QLocale::French, QLocale::France);
        QCOMPARE(texte_date_longue(QDate(2026, 12, 6), fr), QString("dimanche 06 décembre 2026"));
        QCOMPARE(texte_date_longue(QDate(2027, 1, 1), fr), QString("vendredi 01 janvier 2027"));
        QCOMPARE(texte_date_courte(QDate(2026, 3, 7), fr), QString("07/03/2026"));
        QCOMPARE(texte_heure(QTime(9, 5, 7), fr), QString("09:05:07"));
        const QLocale us(QLocale::English, QLocale::UnitedStates);
        QCOMPARE(texte_date_longue(QDate(2026, 12, 6), us), QString("Sunday 06 December 2026"));
        const QString heure = texte_heure(QTime(21, 5, 7), us);
        QVERIFY2(heure.startsWith("9:05:07") && heure.contains("PM"), qPrintable(heure));
    }

    void ordre_des_noms()
    {
        QStringList noms = {"img10.jpg", "IMG2.jpg", "img1.jpg", "b.gif", "A.bmp", "img02.jpg",
                            "a.bmp", "Été.jpg", "z", "img2.jpg", "photo 100.bmp", "photo 20.bmp", "x99999999999999999999.gif", "x3.gif"};
        std::sort(noms.begin(), noms.end(), [](const QString& a, const QString& b) { return comparer_noms(a, b) < 0; });
        QCOMPARE(noms, (QStringList{"A.bmp", "a.bmp", "b.gif", "Été.jpg", "img1.jpg", "IMG2.jpg", "img2.jpg", "img02.jpg",
                                    "img10.jpg", "photo 20.bmp", "photo 100.bmp", "x3.gif",
                                    "x99999999999999999999.gif", "z"}));
        QCOMPARE(comparer_noms(u"abc", u"abc"), 0);
        QVERIFY(comparer_noms(u"ab", u"abc") < 0);
        QVERIFY(comparer_noms(u"a10", u"a9b") > 0);
    }
};

QTEST_APPLESS_MAIN(TestTextes)
#include "tst_textes.moc"
