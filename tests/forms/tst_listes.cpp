#include "bac_a_sable.h"
#include "forms/listedossiers.h"
#include "forms/listefichiers.h"
#include "forms/listelecteurs.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QLocalServer>
#include <QSignalSpy>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

class TestListes : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void liste_de_fichiers()
    {
        BacASable bac;
        const QString d = bac.chemin("images");
        for (const char* nom : {"b.JPG", "a10.jpg", "a2.Jpeg", ".cachee.jpg", "notes.txt", "x.Bmp", "sans"})
            ecrire(d + '/' + nom, "12345");
        QDir().mkpath(d + "/dossier.jpg");
        QFile::link(d + "/b.JPG", d + "/lien.jpg");
        QFile::link(d + "/absent.jpg", d + "/casse.jpg");
        QFile::link(d + "/dossier.jpg", d + "/lien-dossier.jpg");

        FileListBox liste;
        QSignalSpy chemin(&liste, &FileListBox::PathChange);
        QSignalSpy motif(&liste, &FileListBox::PatternChange);
        QVERIFY(liste.setPath(d + "/"));
        QCOMPARE(liste.Path(), d);
        QCOMPARE(chemin.size(), 1);
        QCOMPARE(liste.ListCount(), 8);

        liste.setPattern("*.jpg;*.jpeg");
        QCOMPARE(motif.size(), 1);
        QStringList noms;
        for (int i = 0; i < liste.ListCount(); ++i)
            noms.append(liste.List(i));
        // Hidden files count, folders and broken links do not; names sort by value of their numbers.
        QCOMPARE(noms, (QStringList{".cachee.jpg", "a2.Jpeg", "a10.jpg", "b.JPG", "lien.jpg"}));
        QCOMPARE(liste.entrees().at(1).taille, 5);
        QVERIFY(liste.entrees().at(1).modifie_ms > 0);

        // The same path or pattern again changes nothing; a missing folder is refused.
        QVERIFY(liste.setPath(d));
        liste.setPattern("*.jpg;*.jpeg");
        QCOMPARE(chemin.size(), 1);
        QCOMPARE(motif.size(), 1);
        QVERIFY(!liste.setPath(d + "/manquant"));
        QCOMPARE(liste.Path(), d);

        // Refresh reads the disk again.
        ecrire(d + "/nouveau.jpg", "1");
        QCOMPARE(liste.ListCount(), 5);
        liste.Refresh();
        QCOMPARE(liste.ListCount(), 6);
        QCOMPARE(liste.List(99), QString());
        QCOMPARE(liste.chemin(0), d + "/.cachee.jpg");
        QCOMPARE(liste.chemin(99), QString());

        // A name that is not text is listed with its own bytes, and gives no path: its shown
        // text "b\uFFFD.jpg" would open another file.
        NomsBruts brut;
        QVERIFY(brut.fichier(QFile::encodeName(d) + "/b\xff.jpg"));
        ecrire(d + "/b\uFFFD.jpg", "autre");
        liste.Refresh();
        QCOMPARE(liste.ListCount(), 8);
        QCOMPARE(liste.List(4), QString("b\uFFFD.jpg"));
        QCOMPARE(liste.List(5), QString("b\uFFFD.jpg"));
        QCOMPARE(liste.entrees().at(4).octets, QByteArray("b\xef\xbf\xbd.jpg"));
        QCOMPARE(liste.chemin(4), d + "/b\uFFFD.jpg");
        QCOMPARE(liste.entrees().at(5).octets, QByteArray("b\xff.jpg"));
        QVERIFY(!liste.entrees().at(5).nom_exact());
        QCOMPARE(liste.chemin(5), QString());
    }

    // Read in the background: the list is empty while a read runs, only the latest read lands,
    // and each change reads the folder once.
    void liste_lue_en_fond()
    {
        BacASable bac;
        const QString a = bac.chemin("a"), b = bac.chemin("b");
        // Large enough for its stats to be shared among threads: what is not a file still goes.
        for (int i = 0; i < 5000; ++i)
            ecrire(a + QString("/a%1.jpg").arg(i), QByteArray(i % 7, 'x'));
        QDir().mkpath(a + "/dossier.jpg");
        QFile::link(a + "/absent.jpg", a + "/casse.jpg");
        QFile::link(a + "/a7.jpg", a + "/lien.jpg");
        ecrire(b + "/un.jpg", "1");
        ecrire(b + "/deux.gif", "1");

        FileListBox liste;
        liste.setLectureEnFond(true);
        QSignalSpy debut(&liste, &FileListBox::LectureCommencee);
        QSignalSpy chemin(&liste, &FileListBox::PathChange);
        QSignalSpy motif(&liste, &FileListBox::PatternChange);
        QVERIFY(!liste.setPath(bac.chemin("manquant"))); // refused at once, nothing started
        QCOMPARE(debut.size(), 0);

        // Folder a, then folder b before a's read can land, then a pattern: one list, b's, filtered.
        QVERIFY(liste.setPath(a));
        QVERIFY(liste.enLecture());
        QCOMPARE(liste.ListCount(), 0);
        QVERIFY(liste.setPath(b));
        liste.setPattern("*.gif");
        QCOMPARE(liste.Path(), b);
        QCOMPARE(debut.size(), 3);
        QTRY_VERIFY(!liste.enLecture());
        QTest::qWait(50); // a late end of an overtaken read would come now
        QCOMPARE(chemin.size(), 1); // the folder changed: PathChange, even when the last read was the pattern's
        QCOMPARE(motif.size(), 0);
        QCOMPARE(liste.ListCount(), 1);
        QCOMPARE(liste.chemin(0), b + "/deux.gif");
        QCOMPARE(liste.lectures(), 3);

        // A pattern alone ends with PatternChange; a refresh with PathChange.
        liste.setPattern("*.jpg");
        QTRY_COMPARE(motif.size(), 1);
        QCOMPARE(liste.chemin(0), b + "/un.jpg");
        ecrire(b + "/trois.jpg", "1");
        liste.Refresh();
        QTRY_COMPARE(chemin.size(), 2);
        QCOMPARE(liste.ListCount(), 2);

        // The large folder: every file once, in order, measured, and nothing else.
        QVERIFY(liste.setPath(a));
        QTRY_COMPARE(chemin.size(), 3);
        QCOMPARE(liste.ListCount(), 5001);
        QCOMPARE(liste.List(0), QString("a0.jpg"));
        QCOMPARE(liste.List(4999), QString("a4999.jpg"));
        QCOMPARE(liste.List(5000), QString("lien.jpg"));
        QCOMPARE(liste.entrees().at(4998).taille, 4998 % 7);
        QCOMPARE(liste.entrees().at(5000).taille, 0);
        QVERIFY(liste.setPath(b));
        QTRY_COMPARE(chemin.size(), 4);

        // A file gone is taken out without reading the folder again.
        QVERIFY(liste.retirer("un.jpg"));
        QVERIFY(!liste.retirer("un.jpg"));
        QCOMPARE(liste.ListCount(), 1);
        QCOMPARE(liste.lectures(), 7);

        // The list destroyed while its read runs: the late result reaches nothing.
        auto* courte = new FileListBox;
        courte->setLectureEnFond(true);
        QVERIFY(courte->setPath(a));
        delete courte;
        QTest::qWait(50);
    }

    void liste_de_dossiers()
    {
        BacASable bac;
        const QString d = bac.chemin("racine");
        for (const char* nom : {"photos10", "Photos2", ".cache", "été"})
            QDir().mkpath(d + '/' + nom);
        ecrire(d + "/fichier.jpg", "x");

        DirListBox dossiers;
        QSignalSpy change(&dossiers, &DirListBox::Change);
        QVERIFY(dossiers.setPath(d));
        QCOMPARE(change.size(), 1);
        QCOMPARE(dossiers.Path(), d);
        QCOMPARE(dossiers.ListCount(), 3);
        QCOMPARE(dossiers.List(0), d + "/été");
        QCOMPARE(dossiers.List(1), d + "/Photos2");
        QCOMPARE(dossiers.List(2), d + "/photos10");
        QCOMPARE(dossiers.List(-1), d);
        QCOMPARE(dossiers.List(-2), QFileInfo(d).path());
        QCOMPARE(dossiers.ListIndex(), -1);

        // The rows: every ancestor from the root, then the subfolders.
        const int ancetres = d.count('/') + 1;
        QCOMPARE(dossiers.model()->rowCount(), ancetres + 3);
        QCOMPARE(dossiers.chemin_ligne(0), QString("/"));
        QCOMPARE(dossiers.model()->index(ancetres, 0).data().toString(), QString("été"));

        // Enter on a highlighted entry moves there and is used up; on the open folder it is left
        // to the window. A double click opens too.
        dossiers.setCurrentIndex(dossiers.model()->index(ancetres + 1, 0));
        QKeyEvent entree(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QApplication::sendEvent(&dossiers, &entree);
        QVERIFY(entree.isAccepted());
        QCOMPARE(dossiers.Path(), d + "/Photos2");
        QCOMPARE(change.size(), 2);
        dossiers.setCurrentIndex(dossiers.model()->index(ancetres, 0));
        QKeyEvent encore(QEvent::KeyPress, Qt::Key_Enter, Qt::KeypadModifier);
        QApplication::sendEvent(&dossiers, &encore);
        QVERIFY(!encore.isAccepted());
        QCOMPARE(change.size(), 2);
        emit dossiers.doubleClicked(dossiers.model()->index(ancetres - 1, 0));
        QCOMPARE(dossiers.Path(), d);
        QCOMPARE(change.size(), 3);
        QVERIFY(dossiers.setPath(d + "/Photos2"));
        QVERIFY(!dossiers.setPath(d + "/fichier.jpg"));
        QVERIFY(!dossiers.setPath(d + "/manquant"));
        QCOMPARE(dossiers.Path(), d + "/Photos2");

        QVERIFY(dossiers.setPath("/"));
        QCOMPARE(dossiers.List(-1), QString("/"));
        QCOMPARE(dossiers.List(-2), QString());

        // A folder whose name is not text is shown, but opening it says so instead of opening
        // its look-alike "x\uFFFD", which is a real folder.
        NomsBruts brut;
        QVERIFY(brut.dossier(QFile::encodeName(d) + "/x\xff"));
        QDir().mkpath(d + "/x\uFFFD");
        ecrire(d + "/x\uFFFD/autre.jpg", "x");
        QSignalSpy illisible(&dossiers, &DirListBox::DossierIllisible);
        QVERIFY(dossiers.setPath(d));
        QCOMPARE(dossiers.ListCount(), 5);
        QCOMPARE(dossiers.List(3), d + "/x\uFFFD");
        QCOMPARE(dossiers.List(4), d + "/x\uFFFD");
        emit dossiers.doubleClicked(dossiers.model()->index(ancetres + 4, 0));
        QCOMPARE(illisible.size(), 1);
        QCOMPARE(illisible.first().first().toString(), QString("x\uFFFD"));
        QCOMPARE(dossiers.Path(), d);
        emit dossiers.doubleClicked(dossiers.model()->index(ancetres + 3, 0));
        QCOMPARE(dossiers.Path(), d + "/x\uFFFD");
        QCOMPARE(illisible.size(), 1);
    }

    // Links to devices, pipes and sockets, and dangling links: neither folders nor pictures.
    // Reading /dev/zero as a picture would never end.
    void ni_dossier_ni_image()
    {
        BacASable bac;
        const QString d = bac.chemin("racine");
        QDir().mkpath(d + "/vrai");
        ecrire(d + "/vraie.jpg", "12345");
        QVERIFY(::mkfifo(QFile::encodeName(d + "/tube").constData(), 0600) == 0);
        QVERIFY(::mkfifo(QFile::encodeName(d + "/tube.jpg").constData(), 0600) == 0);
        QLocalServer prise;
        QVERIFY(prise.listen(d + "/prise.jpg"));
        const QList<QPair<QString, QString>> liens = {
            {"/dev/zero", "zero"},       {"/dev/zero", "zero.jpg"},   {"/dev/null", "null.gif"},
            {d + "/tube", "lien-tube"},  {d + "/tube.jpg", "lien-tube.jpg"}, {d + "/prise.jpg", "lien-prise.jpg"},
            {d + "/absent", "perdu"},    {d + "/absent.jpg", "perdu.jpg"},  {d + "/vrai", "lien-vrai"},
            {d + "/vraie.jpg", "lien-vraie.jpg"}};
        for (const auto& [cible, nom] : liens)
            QVERIFY2(QFile::link(cible, d + '/' + nom), qPrintable(nom));

        DirListBox dossiers;
        QVERIFY(dossiers.setPath(d));
        QStringList trouves;
        for (int i = 0; i < dossiers.ListCount(); ++i)
            trouves.append(QFileInfo(dossiers.List(i)).fileName());
        QCOMPARE(trouves, (QStringList{"lien-vrai", "vrai"}));
        QVERIFY(!dossiers.setPath(d + "/zero"));
        QCOMPARE(dossiers.Path(), d);

        FileListBox fichiers;
        QVERIFY(fichiers.setPath(d));
        trouves.clear();
        for (int i = 0; i < fichiers.ListCount(); ++i)
            trouves.append(fichiers.List(i));
        QCOMPARE(trouves, (QStringList{"lien-vraie.jpg", "vraie.jpg"}));
        fichiers.setPattern("*.jpg;*.gif");
        QCOMPARE(fichiers.ListCount(), 2);
        QCOMPARE(fichiers.entrees().at(0).taille, 5);

        // A folder that may be read but not searched: its files are listed, unmeasured.
        QVERIFY(::chmod(QFile::encodeName(d).constData(), 0400) == 0);
        {
            SansDroitsDeRoot utilisateur;
            FileListBox fermee;
            QVERIFY(fermee.setPath(d));
            QCOMPARE(fermee.ListCount(), 1);
            QCOMPARE(fermee.List(0), QString("vraie.jpg"));
        }
        QVERIFY(::chmod(QFile::encodeName(d).constData(), 0700) == 0);
    }

    void liste_des_lecteurs()
    {
        DriveListBox lecteurs;
        QVERIFY(lecteurs.count() >= 1);
        QCOMPARE(lecteurs.itemData(0).toString(), QString("/"));
        const QString maison = QDir::cleanPath(QDir::homePath());
        QCOMPARE(lecteurs.lecteur_de(maison + "/Images/vacances"), maison == "/" ? QString("/") : maison);
        QCOMPARE(lecteurs.lecteur_de("/usr/share"), QString("/"));

        QSignalSpy change(&lecteurs, &DriveListBox::Change);
        lecteurs.setDrive(maison + "/Images");
        QCOMPARE(lecteurs.Drive(), lecteurs.lecteur_de(maison));
        lecteurs.setDrive("/");
        QCOMPARE(lecteurs.Drive(), QString("/"));
        QCOMPARE(change.size(), maison == "/" ? 0 : 2);
        for (int i = 0; i < lecteurs.count(); ++i) {
            const QString racine = lecteurs.itemData(i).toString();
            QVERIFY2(!racine.startsWith("/proc") && !racine.startsWith("/sys"), qPrintable(racine));
        }
    }
};

QTEST_MAIN(TestListes)
#include "tst_listes.moc"
