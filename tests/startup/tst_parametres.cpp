#include "bac_a_sable.h"
#include "interaction_test.h"
#include "platform/dossiers.h"
#include "startup/module.h"
#include "startup/premier_demarrage.h"

#include <QDir>
#include <QFile>
#include <QTest>

class TestParametres : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void regle_numerique_data()
    {
        QTest::addColumn<QString>("texte");
        QTest::addColumn<double>("attendu");
        QTest::newRow("vide") << "" << 0.0;
        QTest::newRow("secondes par défaut") << "4" << 4.0;
        QTest::newRow("blancs en tête") << "  59" << 59.0;
        QTest::newRow("suffixe ignoré") << "12abc" << 12.0;
        QTest::newRow("texte") << "abc" << 0.0;
        QTest::newRow("signe") << "-3" << -3.0;
        QTest::newRow("décimal") << "2.5x" << 2.5;
        QTest::newRow("point final") << "7." << 7.0;
        QTest::newRow("signe seul") << "-" << 0.0;
        QTest::newRow("point seul") << "." << 0.0;
        QTest::newRow("couleur rouge") << "255" << 255.0;
        QTest::newRow("blanc interne") << "7 8" << 7.0;
        QTest::newRow("chiffres arabes non latins") << "٣" << 0.0;
    }

    void regle_numerique()
    {
        QFETCH(QString, texte);
        QFETCH(double, attendu);
        QCOMPARE(Parametres::valeur_numerique(texte), attendu);
    }

    void magasin_vide_et_aller_retour()
    {
        BacASable bac;
        InteractionInstallee dialogues;
        Parametres& p = module().parametres;
        // The store is addressed by the running program's file name.
        QCOMPARE(dossiers::nom_executable(), QString("tst_parametres"));
        const QString chemin = Parametres::chemin_fichier();
        QCOMPARE(chemin, bac.chemin("home/.config/tst_parametres/tst_parametres.conf"));

        for (const Reglage& r : reglages_premier_demarrage(QDate(2026, 1, 2), QLocale::c(), "/x/"))
            QCOMPARE(p.lire(r.first), QString());
        QCOMPARE(p.nombre("secondes"), 0.0);
        QVERIFY2(!QFile::exists(chemin), "reading must not create the file");

        // Values stay the very text that was saved: blanks, accents, commas, leading zeros.
        const QList<Reglage> valeurs = {
            {"dossier demarrage", "/home/moi/Mes images, été 2024/"},
            {"son", "/musique/\"Boléro\" ; live.mp3"},
            {"secondes", "007"},
            {"couleur fond", ""},
            {"etat", "@actif"},
        };
        for (const Reglage& r : valeurs)
            p.sauver(r.first, r.second);
        p.sauver("secondes", "59");
        QVERIFY(QFile::exists(chemin));

        Parametres relu;
        for (const Reglage& r : valeurs)
            QCOMPARE(relu.lire(r.first), r.first == "secondes" ? QString("59") : r.second);
        QCOMPARE(relu.nombre("secondes"), 59.0);
        QVERIFY(dialogues->messages.isEmpty());
        QVERIFY(!p.en_memoire());
    }

    void fichier_illisible_garde_le_fichier_et_previent_une_fois_data()
    {
        QTest::addColumn<QByteArray>("octets");
        QTest::newRow("section ouverte") << QByteArray("[parametres\netat=actif\n");
        QTest::newRow("ligne sans égal") << QByteArray("[parametres]\netat actif\n");
        QTest::newRow("binaire") << QByteArray(2000, '\xff');
        QTest::newRow("un dossier à sa place") << QByteArray();
    }

    void fichier_illisible_garde_le_fichier_et_previent_une_fois()
    {
        QFETCH(QByteArray, octets);
        BacASable bac;
        InteractionInstallee dialogues;
        const QString chemin = Parametres::chemin_fichier();
        if (octets.isNull())
            QDir().mkpath(chemin);
        else
            ecrire(chemin, octets);

        Parametres& p = module().parametres;
        // Start-up sees a first run, and the whole run works on the values it saves.
        QCOMPARE(p.lire("date de debut"), QString());
        p.sauver("date de debut", "01/01/2026");
        p.sauver("secondes", "4");
        QCOMPARE(p.lire("date de debut"), QString("01/01/2026"));
        QCOMPARE(p.lire("secondes"), QString("4"));
        p.sauver("etat", "actif");

        QCOMPARE(contenu(chemin), octets);
        QCOMPARE(QFileInfo(chemin).isDir(), octets.isNull());
        QCOMPARE(dialogues->messages.size(), 1);
        const Message& m = dialogues->messages.first();
        QCOMPARE(m.titre, QString("Imagora"));
        QVERIFY(m.texte.contains(chemin));
        QVERIFY(m.texte.contains("réglages par défaut"));
    }

    void fichier_qui_ne_peut_pas_etre_ecrit()
    {
        BacASable bac;
        InteractionInstallee dialogues;
        Parametres& p = module().parametres;
        p.sauver("secondes", "9");
        p.sauver("veille", "1");

        // The folder of the file becomes a plain file: writing fails, even for root.
        const QString dossier = QFileInfo(Parametres::chemin_fichier()).absolutePath();
        QVERIFY(QDir(dossier).removeRecursively());
        ecrire(dossier, "occupé");

        p.sauver("secondes", "12");
        p.sauver("taille", "2");
        QCOMPARE(p.lire("secondes"), QString("12"));
        QCOMPARE(p.lire("taille"), QString("2"));
        QCOMPARE(contenu(dossier), QByteArray("occupé"));
        QCOMPARE(dialogues->messages.size(), 1);
        QVERIFY(dialogues->messages.first().texte.contains("ne peuvent pas être enregistrés"));
    }

};

QTEST_GUILESS_MAIN(TestParametres)
#include "tst_parametres.moc"
