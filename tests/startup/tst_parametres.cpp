#include "bac_a_sable.h"
#include "interaction_test.h"
#include "startup/module.h"
#include "startup/premier_demarrage.h"

#include <QDir>
#include <QFile>
#include <QTest>

class TestParametres : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // The leading number of a text, as the settings are read: blanks first and anything after it
    // allowed, nothing else.
    void regle_numerique()
    {
        const QList<QPair<QString, double>> cas = {{"", 0}, {"  59", 59}, {"12abc", 12}, {"abc", 0}, {"-3", -3}, {"2.5x", 2.5},
                                                   {"7.", 7}, {"-", 0}, {".", 0}, {"7 8", 7}, {"٣", 0}};
        for (const auto& [texte, attendu] : cas)
            QCOMPARE(Parametres::valeur_numerique(texte), attendu);
    }

    void magasin_vide_et_aller_retour()
    {
        BacASable bac;
        InteractionInstallee dialogues;
        Parametres& p = module().parametres;
        // The store is addressed by the running program's file name; reading does not create it.
        const QString chemin = Parametres::chemin_fichier();
        QCOMPARE(chemin, bac.chemin("home/.config/tst_parametres/tst_parametres.conf"));
        for (const Reglage& r : reglages_premier_demarrage(QDate(2026, 1, 2), QLocale::c(), "/x/"))
            QCOMPARE(p.lire(r.first), QString());
        QCOMPARE(p.nombre("secondes"), 0.0);
        QVERIFY(!QFile::exists(chemin));

        // Values stay the very text that was saved: blanks, accents, commas, leading zeros.
        const QList<Reglage> valeurs = {{"dossier demarrage", "/home/moi/Mes images, été 2024/"},
                                        {"son", "/musique/\"Boléro\" ; live.mp3"}, {"secondes", "007"},
                                        {"couleur fond", ""}, {"etat", "@actif"}};
        for (const Reglage& r : valeurs)
            p.sauver(r.first, r.second);
        Parametres relu;
        for (const Reglage& r : valeurs)
            QCOMPARE(relu.lire(r.first), r.second);
        QCOMPARE(relu.nombre("secondes"), 7.0);
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
        QVERIFY(p.lire("date de debut") == "01/01/2026" && p.lire("secondes") == "4");
        p.sauver("etat", "actif");

        QCOMPARE(contenu(chemin), octets);
        QCOMPARE(QFileInfo(chemin).isDir(), octets.isNull());
        QCOMPARE(dialogues->messages.size(), 1);
        const Message& m = dialogues->messages.first();
        QVERIFY(m.titre == "Imagora" && m.texte.contains(chemin) && m.texte.contains("réglages par défaut"));
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
        QVERIFY(p.lire("secondes") == "12" && p.lire("taille") == "2");
        QCOMPARE(contenu(dossier), QByteArray("occupé"));
        QCOMPARE(dialogues->messages.size(), 1);
        QVERIFY(dialogues->messages.first().texte.contains("ne peuvent pas être enregistrés"));
    }
};

QTEST_GUILESS_MAIN(TestParametres)
#include "tst_parametres.moc"
