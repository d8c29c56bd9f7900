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
    // Its texts, its icon, a fixed size, in the middle of the screen; Return or Escape press OK.
    void legende_textes_et_touches()
    {
        BacASable bac;
        InteractionInstallee dialogues;
        frmAbout f;
        QCOMPARE(f.windowTitle(), QString("À propos de..."));
        QStringList textes;
        for (const char* nom : {"lblTitle", "lblVersion", "lblDescription0", "lblDescription1", "lblAvertissement0", "cmdOK", "cmdSysInfo"})
            textes << texte(&f, nom);
        QCOMPARE(textes, (QStringList{"Imagora", "Version 1.0.0", "Description de l'application",
                                      "Visionnez des images, afficher les sous forme de diaporama ou d'écran de veille",
                                      "Avertissement:", "OK", "&Infos système..."}));
        QVERIFY(texte(&f, "lblAvertissement1").contains("Imagora"));
        QCOMPARE(enfant<QLabel>(&f, "picIcon")->pixmap().deviceIndependentSize().toSize(), QSize(32, 32));
        QCOMPARE(f.minimumSize(), f.maximumSize());
        QCOMPARE(f.pos(), position_centree(f.screen()->geometry().size(), f.size()));

        int ok = 0;
        connect(enfant<QPushButton>(&f, "cmdOK"), &QPushButton::clicked, this, [&] { ++ok; });
        for (const Qt::Key touche : {Qt::Key_Return, Qt::Key_Escape}) {
            quand_modal([touche](QWidget* w) { QTest::keyClick(w, touche); });
            QCOMPARE(f.exec(), int(QDialog::Accepted));
            QVERIFY(!f.isVisible());
        }
        QCOMPARE(ok, 2);
        QVERIFY(dialogues->messages.isEmpty() && dialogues->lancements.isEmpty());
    }

    // "Infos système..." starts the first program of its list found on the PATH (in the list's
    // order, not the folder's); none there, or one that does not start, gives the message.
    void infos_systeme_data()
    {
        QTest::addColumn<QStringList>("programmes"); // made in the PATH's one folder
        QTest::addColumn<bool>("executables");
        QTest::addColumn<bool>("lancement_reussi");
        QTest::addColumn<QString>("lance"); // the program started, if any
        QTest::newRow("aucun exécutable") << QStringList{"hardinfo2"} << false << true << QString();
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
            QFile::setPermissions(dossier.filePath(nom), QFile::ReadOwner | (executables ? QFile::ExeOwner : QFile::Permissions()));
        }
        const Variable chemin("PATH", dossier.path().toLocal8Bit());
        frmAbout f;
        enfant<QPushButton>(&f, "cmdSysInfo")->click();
        QCOMPARE(dialogues->lancements.size(), lance.isEmpty() ? 0 : 1);
        if (!lance.isEmpty())
            QVERIFY(dialogues->lancements[0].programme == dossier.filePath(lance) && dialogues->lancements[0].arguments.isEmpty());
        if (lance.isEmpty() || !lancement_reussi)
            QCOMPARE(dialogues->messages, (QList<Message>{{"Les informations système ne sont pas disponibles actuellement", "Imagora"}}));
        else
            QVERIFY(dialogues->messages.isEmpty());
    }
};

QTEST_MAIN(TestFrmAbout)
#include "tst_frmabout.moc"
