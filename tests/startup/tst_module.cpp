#include "bac_a_sable.h"
#include "modal.h"
#include "platform/autostart.h"
#include "startup/module.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>

class TestModule : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void dossiers_du_programme()
    {
        BacASable bac;
        QVERIFY(dossier_application().endsWith('/'));
        QVERIFY(!dossier_application().endsWith("//"));
        QCOMPARE(dossier_application(), QCoreApplication::applicationDirPath() + '/');

        const QString donnees = dossier_windows();
        QCOMPARE(donnees, bac.chemin("home/.local/share/tst_module"));
        QVERIFY(QFileInfo(donnees).isDir());
    }

    void fichier_existe_ne_compte_que_les_fichiers_visibles()
    {
        BacASable bac;
        const QString d = bac.chemin("photos");
        ecrire(d + "/note.txt", "x");
        ecrire(d + "/.cache.txt", "x");
        ecrire(d + "/.cachee.jpg", "x");
        ecrire(d + "/[1].png", "x");
        QDir().mkpath(d + "/dossier.gif");
        QDir().mkpath(d + "/vide");

        QVERIFY(fichier_existe(d + "/note.txt"));
        QVERIFY(!fichier_existe(d + "/.cache.txt"));
        QVERIFY(!fichier_existe(d));
        QVERIFY(!fichier_existe(d + "/absent.txt"));
        QVERIFY(!fichier_existe(QString()));
        QVERIFY(fichier_existe(d + "/*.txt"));
        QVERIFY(fichier_existe(d + "/*.TXT"));
        QVERIFY(fichier_existe(d + "/[1].png"));
        QVERIFY(fichier_existe(d + "/[1].*"));
        QVERIFY2(!fichier_existe(d + "/*.jpg"), "a hidden file does not count");
        QVERIFY2(!fichier_existe(d + "/*.gif"), "a folder does not count");
        QVERIFY(!fichier_existe(d + "/vide/*.*"));
        QVERIFY(!fichier_existe(d + "/manquant/*.*"));
    }

    void entree_de_demarrage_automatique()
    {
        BacASable bac;
        InteractionInstallee dialogues;
        const QString entree = bac.chemin("home/.config/autostart/tst_module.desktop");
        QCOMPARE(autostart::chemin_entree(), entree);

        // Removing when nothing is registered does nothing and says nothing.
        QVERIFY(demarrage_windows(0));
        QVERIFY(!QFile::exists(entree));

        QVERIFY(demarrage_windows(1));
        const QByteArray texte = contenu(entree);
        QVERIFY(texte.startsWith("[Desktop Entry]\n"));
        QVERIFY(texte.contains("\nType=Application\n"));
        QVERIFY(texte.contains("\nExec=" + QCoreApplication::applicationFilePath().toUtf8() + "\n"));

        // Registering again rewrites the same entry.
        ecrire(entree, "abîmé");
        QVERIFY(demarrage_windows(1));
        QCOMPARE(contenu(entree), texte);

        QVERIFY(demarrage_windows(7)); // neither 0 nor 1: nothing
        QVERIFY(QFile::exists(entree));
        QVERIFY(demarrage_windows(0));
        QVERIFY(!QFile::exists(entree));
        QVERIFY(dialogues->messages.isEmpty());
    }

    void executable_absent()
    {
        BacASable bac;
        InteractionInstallee dialogues;
        const QString dossier = bac.chemin("opt/imagora/");
        QVERIFY(!demarrage_windows(1, dossier, "Imagora", nullptr));
        QVERIFY(!QFile::exists(autostart::chemin_entree()));
        QCOMPARE(dialogues->messages.size(), 1);
        const Message& m = dialogues->messages.first();
        QCOMPARE(m.texte, "Une erreur est intervenue dans le programme.Fichier introuvable: Imagora n'a pas été trouvé.\n"
                          "Celui-ci devrait se trouver dans le dossier: \n"
                          + bac.chemin("opt/imagora"));
        QCOMPARE(m.titre, QString("ERREUR..."));
        QCOMPARE(m.icone, Icone::Information);
        QCOMPARE(m.boutons, Boutons::Ok);
    }

    void entree_impossible_a_ecrire()
    {
        BacASable bac;
        InteractionInstallee dialogues;
        ecrire(bac.chemin("home/.config/autostart"), "pas un dossier");
        QVERIFY(!demarrage_windows(1));
        QCOMPARE(dialogues->messages.size(), 1);
        QVERIFY(dialogues->messages.first().texte.startsWith(
            "Une erreur est intervenue dans le programme.\nLe démarrage automatique n'a pas pu être enregistré"));
    }

    void exec_entre_guillemets_si_necessaire()
    {
        QCOMPARE(autostart::argument_exec("/usr/bin/Imagora"), QString("/usr/bin/Imagora"));
        QCOMPARE(autostart::argument_exec("/home/moi/Mes programmes/Imagora"),
                 QString("\"/home/moi/Mes programmes/Imagora\""));
        QCOMPARE(autostart::argument_exec("/opt/100%/Imagora"), QString("/opt/100%%/Imagora"));
        QCOMPARE(autostart::argument_exec("/opt/a$b/Imagora"), QString("\"/opt/a\\\\$b/Imagora\""));
    }

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

        // The key works from a control that has the focus.
        QTest::keyClick(saisie, Qt::Key_F1);
        QCOMPARE(dialogues->documents, QList<QUrl>{QUrl::fromLocalFile(dossier_application() + "aide/aide.htm")});
        QVERIFY(dialogues->messages.isEmpty());
        QTest::keyClick(saisie, Qt::Key_F3);
        QCOMPARE(dialogues->documents.size(), 1);

        ouvrir_aide(&fenetre, "absente.htm", Qt::Key_F1);
        QCOMPARE(dialogues->documents.size(), 1);
        QCOMPARE(dialogues->messages.size(), 1);
        const Message& m = dialogues->messages.first();
        QCOMPARE(m.texte, "Fichier d'aide [absente.htm] introuvable. Assurez-vous que celui-ci doit se trouver dans le dossier:\n"
                          + dossier_application() + "aide");
        QCOMPARE(m.titre, QString("fichier d'aide absent"));
        QCOMPARE(m.icone, Icone::Critique);
        QCOMPARE(m.boutons, Boutons::Ok);
    }

    void boutons_de_qt_en_francais()
    {
        QVERIFY(charger_traduction_qt());
        QMessageBox boite(QMessageBox::Question, "Imagora", "?", QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        QCOMPARE(boite.button(QMessageBox::Yes)->text().remove('&'), QString("Oui"));
        QCOMPARE(boite.button(QMessageBox::No)->text().remove('&'), QString("Non"));
        QCOMPARE(boite.button(QMessageBox::Cancel)->text().remove('&'), QString("Annuler"));
    }

    void touche_f2_ouvre_a_propos_en_modal()
    {
        QWidget fenetre;
        installer_touches_aide(&fenetre, "aide.htm");
        QVERIFY(f2_ouvre_a_propos(&fenetre));
        QVERIFY(!QApplication::activeModalWidget());
    }
};

QTEST_MAIN(TestModule)
#include "tst_module.moc"
