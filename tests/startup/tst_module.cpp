#include "bac_a_sable.h"
#include "platform/autostart.h"
#include "startup/module.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QVBoxLayout>

class TestModule : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // The program's folder ends with one "/"; its data folder is made in the user's data home.
    void dossiers_du_programme()
    {
        BacASable bac;
        QCOMPARE(dossier_application(), QCoreApplication::applicationDirPath() + '/');
        QCOMPARE(dossier_windows(), bac.chemin("home/.local/share/tst_module"));
        QVERIFY(QFileInfo(dossier_windows()).isDir());
    }

    // Only visible files count, named or matched by a pattern (letter case ignored).
    void fichier_existe_ne_compte_que_les_fichiers_visibles()
    {
        BacASable bac;
        const QString d = bac.chemin("photos");
        for (const char* f : {"note.txt", ".cache.txt", ".cachee.jpg", "[1].png"})
            ecrire(d + '/' + f, "x");
        QDir().mkpath(d + "/dossier.gif");
        QDir().mkpath(d + "/vide");
        for (const char* oui : {"/note.txt", "/*.txt", "/*.TXT", "/[1].png", "/[1].*"})
            QVERIFY2(fichier_existe(d + oui), oui);
        for (const char* non : {"/.cache.txt", "", "/absent.txt", "/*.jpg", "/*.gif", "/vide/*.*", "/manquant/*.*"})
            QVERIFY2(!fichier_existe(d + non), non);
        QVERIFY(!fichier_existe(QString()));
    }

    void entree_de_demarrage_automatique()
    {
        BacASable bac;
        InteractionInstallee dialogues;
        const QString entree = bac.chemin("home/.config/autostart/tst_module.desktop");
        QCOMPARE(autostart::chemin_entree(), entree);
        QVERIFY(demarrage_windows(0)); // nothing registered: nothing to do, nothing said
        QVERIFY(!QFile::exists(entree));

        QVERIFY(demarrage_windows(1));
        const QByteArray texte = contenu(entree);
        QVERIFY(texte.startsWith("[Desktop Entry]\n") && texte.contains("\nType=Application\n"));
        QVERIFY(texte.contains("\nExec=" + QCoreApplication::applicationFilePath().toUtf8() + "\n"));
        ecrire(entree, "abîmé"); // registering again rewrites the same entry
        QVERIFY(demarrage_windows(1));
        QCOMPARE(contenu(entree), texte);

        QVERIFY(demarrage_windows(7)); // neither 0 nor 1: nothing
        QVERIFY(QFile::exists(entree));
        QVERIFY(demarrage_windows(0));
        QVERIFY(!QFile::exists(entree));
        QVERIFY(dialogues->messages.isEmpty());
    }

    void executable_absent_ou_entree_impossible_a_ecrire()
    {
        BacASable bac;
        InteractionInstallee dialogues;
        QVERIFY(!demarrage_windows(1, bac.chemin("opt/imagora/"), "Imagora", nullptr));
        QVERIFY(!QFile::exists(autostart::chemin_entree()));
        QCOMPARE(dialogues->messages,
                 (QList<Message>{{"Une erreur est intervenue dans le programme.Fichier introuvable: Imagora n'a pas été trouvé.\n"
                                  "Celui-ci devrait se trouver dans le dossier: \n" + bac.chemin("opt/imagora"),
                                  "ERREUR...", Boutons::Ok, Icone::Information}}));

        ecrire(bac.chemin("home/.config/autostart"), "pas un dossier");
        QVERIFY(!demarrage_windows(1));
        QCOMPARE(dialogues->messages.size(), 2);
        QVERIFY(dialogues->messages.last().texte.startsWith(
            "Une erreur est intervenue dans le programme.\nLe démarrage automatique n'a pas pu être enregistré"));
    }

    void exec_entre_guillemets_si_necessaire()
    {
        QCOMPARE(autostart::argument_exec("/usr/bin/Imagora"), QString("/usr/bin/Imagora"));
        QCOMPARE(autostart::argument_exec("/home/moi/Mes programmes/Imagora"), QString("\"/home/moi/Mes programmes/Imagora\""));
        QCOMPARE(autostart::argument_exec("/opt/100%/Imagora"), QString("/opt/100%%/Imagora"));
        QCOMPARE(autostart::argument_exec("/opt/a$b/Imagora"), QString("\"/opt/a\\\\$b/Imagora\""));
    }

    // F1 from a control that has the focus opens the page; a missing page is said so.
    void touche_f1_ouvre_la_page_ou_previent()
    {
        BacASable bac;
        InteractionInstallee dialogues;
        QWidget fenetre;
        auto* saisie = new QLineEdit(&fenetre);
        (new QVBoxLayout(&fenetre))->addWidget(saisie);
        installer_touches_aide(&fenetre, "aide.htm");
        fenetre.show();
        QApplication::setActiveWindow(&fenetre);
        QVERIFY(QTest::qWaitForWindowActive(&fenetre));
        saisie->setFocus();
        QTest::keyClick(saisie, Qt::Key_F1);
        QTest::keyClick(saisie, Qt::Key_F3);
        QCOMPARE(dialogues->documents, QList<QUrl>{QUrl::fromLocalFile(dossier_application() + "aide/aide.htm")});
        QVERIFY(dialogues->messages.isEmpty());

        ouvrir_aide(&fenetre, "absente.htm", Qt::Key_F1);
        QCOMPARE(dialogues->documents.size(), 1);
        QCOMPARE(dialogues->messages,
                 (QList<Message>{{"Fichier d'aide [absente.htm] introuvable. Assurez-vous que celui-ci doit se trouver dans le dossier:\n"
                                      + dossier_application() + "aide",
                                  "fichier d'aide absent", Boutons::Ok, Icone::Critique}}));
    }

    void boutons_de_qt_en_francais()
    {
        QVERIFY(charger_traduction_qt());
        QMessageBox boite(QMessageBox::Question, "Imagora", "?", QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        QCOMPARE((QStringList{boite.button(QMessageBox::Yes)->text(), boite.button(QMessageBox::No)->text(),
                              boite.button(QMessageBox::Cancel)->text()}).replaceInStrings("&", ""),
                 (QStringList{"Oui", "Non", "Annuler"}));
    }
};

QTEST_MAIN(TestModule)
#include "tst_module.moc"
