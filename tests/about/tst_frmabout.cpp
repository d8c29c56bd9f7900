#include "about/frmabout.h"
#include "bac_a_sable.h"
#include "controles.h"
#include "forms/fenetres.h"
#include "modal.h"
#include "startup/module.h"

#include <QFile>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>

class TestFrmAbout : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void legende_et_textes()
    {
        BacASable bac;
        frmAbout f;
        QCOMPARE(f.windowTitle(), QString("À propos de..."));
        QCOMPARE(texte(&f, "lblTitle"), QString("Imagora"));
        QCOMPARE(texte(&f, "lblVersion"), QString("Version 1.0.0"));
        QCOMPARE(texte(&f, "lblDescription0"), QString("Description de l'application"));
        QCOMPARE(texte(&f, "lblDescription1"),
                 QString("Visionnez des images, afficher les sous forme de diaporama ou d'écran de veille"));
        QCOMPARE(texte(&f, "lblAvertissement0"), QString("Avertissement:"));
        QVERIFY(texte(&f, "lblAvertissement1").contains("Imagora"));
        QCOMPARE(texte(&f, "cmdOK"), QString("OK"));
        QVERIFY(enfant<QPushButton>(&f, "cmdOK")->isDefault());
        QCOMPARE(texte(&f, "cmdSysInfo"), QString("&Infos système..."));
        QCOMPARE(enfant<QLabel>(&f, "picIcon")->pixmap().deviceIndependentSize().toSize(), QSize(32, 32));
        QVERIFY(f.findChild<QWidget*>("Line1_0") && f.findChild<QWidget*>("Line1_1"));
        QCOMPARE(f.minimumSize(), f.maximumSize()); // fixed border
        QCOMPARE(f.pos(), position_centree(f.screen()->geometry().size(), f.size()));
    }

    void ok_ferme_sur_entree_et_echap_data()
    {
        QTest::addColumn<int>("touche");
        QTest::newRow("Entrée") << int(Qt::Key_Return);
        QTest::newRow("Échap") << int(Qt::Key_Escape);
    }

    void ok_ferme_sur_entree_et_echap()
    {
        QFETCH(int, touche);
        BacASable bac;
        InteractionInstallee dialogues;
        frmAbout f;
        bool ok_clique = false;
        connect(enfant<QPushButton>(&f, "cmdOK"), &QPushButton::clicked, this, [&] { ok_clique = true; });
        quand_modal([touche](QWidget* w) { QTest::keyClick(w, Qt::Key(touche)); });
        QCOMPARE(f.exec(), int(QDialog::Accepted));
        QVERIFY(ok_clique);
        QVERIFY(!f.isVisible());
        QVERIFY(dialogues->messages.isEmpty());
        QVERIFY(dialogues->lancements.isEmpty());
    }

    // "Infos système..." starts the first program of its list found on the PATH (in the list's
    // order, not the folder's); none there, or one that does not start, gives the message.
    void infos_systeme_data()
    {
        QTest::addColumn<QStringList>("programmes");     // made in the PATH's one folder
        QTest::addColumn<bool>("executables");
        QTest::addColumn<bool>("lancement_reussi");
        QTest::addColumn<QString>("lance");              // the program started, if any
        QTest::newRow("aucun") << QStringList{"hardinfo2"} << false << true << QString();
        QTest::newRow("premier de la liste") << QStringList{"gnome-system-monitor", "hardinfo"} << true << true << "hardinfo";
        QTest::newRow("lancement raté") << QStringList{"kinfocenter"} << true << false << "kinfocenter";
    }

    void infos_systeme()
    {
        QFETCH(QStringList, programmes);
        QFETCH(bool, executables);
        QFETCH(bool, lancement_reussi);
        QFETCH(QString, lance);
        BacASable bac;
        InteractionInstallee dialogues;
        dialogues->lancement_reussi = lancement_reussi;
        QTemporaryDir dossier;
        for (const QString& nom : programmes) {
            ecrire(dossier.filePath(nom), "#!/bin/sh\nexit 0\n");
            QFile::setPermissions(dossier.filePath(nom), QFile::ReadOwner | QFile::WriteOwner
                                                             | (executables ? QFile::ExeOwner : QFile::Permissions()));
        }
        const Variable chemin("PATH", dossier.path().toLocal8Bit());
        if (lance.isEmpty()) // present but not executable: does not count
            QCOMPARE(programme_infos_systeme(), QString());
        frmAbout f;
        enfant<QPushButton>(&f, "cmdSysInfo")->click();
        if (lance.isEmpty()) {
            QVERIFY(dialogues->lancements.isEmpty());
        } else {
            QCOMPARE(dialogues->lancements.size(), 1);
            QCOMPARE(dialogues->lancements[0].programme, dossier.filePath(lance));
            QVERIFY(dialogues->lancements[0].arguments.isEmpty());
        }
        if (lance.isEmpty() || !lancement_reussi)
            QCOMPARE(dialogues->messages, (QList<Message>{{"Les informations système ne sont pas disponibles actuellement", "Imagora"}}));
        else
            QVERIFY(dialogues->messages.isEmpty());
    }
};

QTEST_MAIN(TestFrmAbout)
#include "tst_frmabout.moc"
