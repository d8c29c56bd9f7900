#include "about/frmabout.h"
#include "bac_a_sable.h"
#include "controles.h"
#include "forms/fenetres.h"
#include "interaction_test.h"
#include "modal.h"
#include "startup/module.h"

#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString indisponible = QStringLiteral("Les informations système ne sont pas disponibles actuellement");

// PATH points to `dossier` alone while the object lives.
class CheminTemporaire {
public:
    explicit CheminTemporaire(const QString& dossier) : m_ancien(qgetenv("PATH")) { qputenv("PATH", dossier.toLocal8Bit()); }
    ~CheminTemporaire() { qputenv("PATH", m_ancien); }
    CheminTemporaire(const CheminTemporaire&) = delete;
    CheminTemporaire& operator=(const CheminTemporaire&) = delete;

private:
    QByteArray m_ancien;
};

QString faux_programme(const QTemporaryDir& dossier, const QString& nom, bool executable = true)
{
    const QString chemin = dossier.filePath(nom);
    ecrire(chemin, "#!/bin/sh\nexit 0\n");
    QFile::setPermissions(chemin, executable ? QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner
                                             : QFile::ReadOwner | QFile::WriteOwner);
    return chemin;
}

QString texte(const frmAbout& f, const char* nom) { return enfant<QLabel>(&f, nom)->text(); }

} // namespace

class TestFrmAbout : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void legende_et_textes()
    {
        BacASable bac;
        frmAbout f;
        QCOMPARE(f.windowTitle(), QString("À propos de..."));
        QCOMPARE(texte(f, "lblTitle"), QString("Imagora"));
        QCOMPARE(texte(f, "lblVersion"), QString("Version 1.0.0"));
        QCOMPARE(texte(f, "lblDescription0"), QString("Description de l'application"));
        QCOMPARE(texte(f, "lblDescription1"),
                 QString("Visionnez des images, afficher les sous forme de diaporama ou d'écran de veille"));
        QCOMPARE(texte(f, "lblAvertissement0"), QString("Avertissement:"));
        QVERIFY(texte(f, "lblAvertissement1").contains("Imagora"));
        QCOMPARE(enfant<QPushButton>(&f, "cmdOK")->text(), QString("OK"));
        QVERIFY(enfant<QPushButton>(&f, "cmdOK")->isDefault());
        QCOMPARE(enfant<QPushButton>(&f, "cmdSysInfo")->text(), QString("&Infos système..."));
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

    void aucun_programme_donne_le_message()
    {
        BacASable bac;
        InteractionInstallee dialogues;
        QTemporaryDir vide;
        faux_programme(vide, "hardinfo2", false); // present but not executable: does not count
        CheminTemporaire chemin(vide.path());
        QCOMPARE(programme_infos_systeme(), QString());
        frmAbout f;
        enfant<QPushButton>(&f, "cmdSysInfo")->click();
        QVERIFY(dialogues->lancements.isEmpty());
        QCOMPARE(dialogues->messages.size(), 1);
        QCOMPARE(dialogues->messages[0].texte, indisponible);
        QCOMPARE(dialogues->messages[0].titre, QString("Imagora"));
        QVERIFY(dialogues->messages[0].boutons == Boutons::Ok);
        QVERIFY(dialogues->messages[0].icone == Icone::Aucune);
    }

    void premier_programme_de_la_liste_lance()
    {
        BacASable bac;
        InteractionInstallee dialogues;
        QTemporaryDir dossier;
        faux_programme(dossier, "gnome-system-monitor");
        const QString attendu = faux_programme(dossier, "hardinfo");
        CheminTemporaire chemin(dossier.path());
        frmAbout f;
        enfant<QPushButton>(&f, "cmdSysInfo")->click();
        QCOMPARE(dialogues->lancements.size(), 1);
        QCOMPARE(dialogues->lancements[0].programme, attendu); // list order, not directory order
        QVERIFY(dialogues->lancements[0].arguments.isEmpty());
        QVERIFY(dialogues->messages.isEmpty());
    }

    void lancement_rate_donne_le_message()
    {
        BacASable bac;
        InteractionInstallee dialogues;
        dialogues->lancement_reussi = false;
        QTemporaryDir dossier;
        const QString attendu = faux_programme(dossier, "kinfocenter");
        CheminTemporaire chemin(dossier.path());
        frmAbout f;
        enfant<QPushButton>(&f, "cmdSysInfo")->click();
        QCOMPARE(dialogues->lancements.size(), 1);
        QCOMPARE(dialogues->lancements[0].programme, attendu);
        QCOMPARE(dialogues->messages.size(), 1);
        QCOMPARE(dialogues->messages[0].texte, indisponible);
        QCOMPARE(dialogues->messages[0].titre, QString("Imagora"));
    }
};

QTEST_MAIN(TestFrmAbout)
#include "tst_frmabout.moc"
