#include "bac_a_sable.h"
#include "platform/fichiers.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>
#include <QUrl>

#include <unistd.h>

namespace {

QStringList contenu_dossier(const QString& d)
{
    return QDir(d).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

} // namespace

class TestFichiers : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // A whole copy, with its date, also over an existing file.
    void copie_complete_et_remplacement()
    {
        BacASable bac;
        const QString a = bac.chemin("a"), b = bac.chemin("b");
        QByteArray donnees(3 * 1024 * 1024 + 17, 'x');
        for (int i = 0; i < donnees.size(); i += 4093)
            donnees[i] = char(i);
        ecrire(a + "/photo.jpg", donnees);
        const QDateTime date(QDate(2010, 5, 6), QTime(7, 8, 9));
        QFile source(a + "/photo.jpg");
        QVERIFY(source.open(QIODevice::ReadWrite) && source.setFileTime(date, QFileDevice::FileModificationTime));
        source.close();
        ecrire(b + "/autre.jpg", "ancien");

        QString erreur;
        for (const char* cible : {"/photo.jpg", "/autre.jpg"}) {
            QVERIFY(fichiers::copier(a + "/photo.jpg", b + cible, &erreur));
            QCOMPARE(contenu(b + cible), donnees);
            QCOMPARE(QFileInfo(b + cible).lastModified(), date);
        }
        QCOMPARE(contenu(a + "/photo.jpg"), donnees);
        QCOMPARE(contenu_dossier(b), (QStringList{"autre.jpg", "photo.jpg"}));
    }

    // A copy that fails leaves the target as it was and no partial file.
    void copie_ratee_ne_touche_a_rien()
    {
        BacASable bac;
        const QString a = bac.chemin("a"), b = bac.chemin("b");
        ecrire(a + "/grande.jpg", QByteArray(2 * 1024 * 1024, 'g'));
        ecrire(b + "/grande.jpg", "l'ancienne version, à garder");
        QString erreur;
        {
            // The disk "fills up" half-way through the copy.
            TailleMaximale limite(512 * 1024);
            QVERIFY(!fichiers::copier(a + "/grande.jpg", b + "/grande.jpg", &erreur));
        }
        QVERIFY2(erreur.contains("grande.jpg"), qPrintable(erreur));
        QCOMPARE(contenu(b + "/grande.jpg"), QByteArray("l'ancienne version, à garder"));
        QCOMPARE(contenu(a + "/grande.jpg").size(), 2 * 1024 * 1024);

        // A source that has gone, a target folder that does not exist, a target that is a folder.
        QDir().mkpath(b + "/dossier.jpg");
        QVERIFY(!fichiers::copier(a + "/partie.jpg", b + "/partie.jpg", &erreur));
        QVERIFY(!fichiers::copier(a + "/grande.jpg", bac.chemin("nulle-part/grande.jpg"), &erreur));
        QVERIFY(!fichiers::copier(a + "/grande.jpg", b + "/dossier.jpg", &erreur));
        QVERIFY(QFileInfo(b + "/dossier.jpg").isDir());
        QCOMPARE(contenu_dossier(b), (QStringList{"dossier.jpg", "grande.jpg"}));
    }

    void renommer_sans_jamais_ecraser()
    {
        BacASable bac;
        const QString d = bac.chemin("d");
        ecrire(d + "/a.jpg", "A");
        ecrire(d + "/b.jpg", "B");
        ecrire(d + "/.cache.jpg", "C");
        QDir().mkpath(d + "/dossier");
        QString erreur;
        using R = fichiers::Renommage;
        const QList<QPair<QString, R>> refus = {{"b.jpg", R::Existe}, {".cache.jpg", R::Existe}, {"dossier", R::Existe},
                                                {"", R::NomInvalide}, {"x/y.jpg", R::NomInvalide}, {"..", R::NomInvalide}};
        for (const auto& [nom, raison] : refus)
            QCOMPARE(fichiers::renommer(d + "/a.jpg", nom, &erreur), raison);
        QCOMPARE(contenu_dossier(d), (QStringList{".cache.jpg", "a.jpg", "b.jpg", "dossier"}));
        QCOMPARE(contenu(d + "/b.jpg"), QByteArray("B"));

        QCOMPARE(fichiers::renommer(d + "/a.jpg", "Été 2024.JPG", &erreur), R::Fait);
        QCOMPARE(contenu(d + "/Été 2024.JPG"), QByteArray("A"));
        QVERIFY(!QFile::exists(d + "/a.jpg"));
        QCOMPARE(fichiers::renommer(d + "/parti.jpg", "c.jpg", &erreur), R::Echec);
        QVERIFY(!erreur.isEmpty());
    }

    // A link to the source, or a second name of it, is the source: never replaced by its copy.
    // A link to another file is replaced itself, and the file it leads to is kept.
    void copie_et_liens()
    {
        BacASable bac;
        const QString copie = bac.chemin("copie"), liens = bac.chemin("liens");
        ecrire(copie + "/gros.jpg", "l'original");
        QDir().mkpath(liens);
        QVERIFY(QFile::link(copie + "/gros.jpg", liens + "/gros.jpg"));
        QVERIFY(fichiers::meme_fichier(copie + "/gros.jpg", liens + "/gros.jpg"));
        QString erreur;
        QVERIFY(!fichiers::copier(copie + "/gros.jpg", liens + "/gros.jpg", &erreur));
        QVERIFY2(erreur.contains("le fichier d'origine lui-même"), qPrintable(erreur));
        QVERIFY(!fichiers::copier(liens + "/gros.jpg", copie + "/gros.jpg", &erreur));
        QVERIFY(::link(QFile::encodeName(copie + "/gros.jpg"), QFile::encodeName(liens + "/second-nom.jpg")) == 0);
        QVERIFY(!fichiers::copier(copie + "/gros.jpg", liens + "/second-nom.jpg", &erreur));
        QCOMPARE(contenu(copie + "/gros.jpg"), QByteArray("l'original"));
        QCOMPARE(contenu_dossier(copie), QStringList{"gros.jpg"});
        QCOMPARE(contenu_dossier(liens), (QStringList{"gros.jpg", "second-nom.jpg"}));

        ecrire(bac.chemin("autre/image.jpg"), "une autre");
        QVERIFY(QFile::link(bac.chemin("autre/image.jpg"), liens + "/image.jpg"));
        QVERIFY(!fichiers::meme_fichier(copie + "/gros.jpg", liens + "/image.jpg"));
        QVERIFY2(fichiers::copier(copie + "/gros.jpg", liens + "/image.jpg", &erreur), qPrintable(erreur));
        QVERIFY(!QFileInfo(liens + "/image.jpg").isSymLink());
        QCOMPARE(contenu(liens + "/image.jpg"), QByteArray("l'original"));
        QCOMPARE(contenu(bac.chemin("autre/image.jpg")), QByteArray("une autre"));

        // A link that leads nowhere is replaced as well.
        QVERIFY(QFile::link(bac.chemin("nulle-part.jpg"), liens + "/perdu.jpg"));
        QVERIFY(fichiers::copier(copie + "/gros.jpg", liens + "/perdu.jpg", &erreur));
        QCOMPARE(contenu(liens + "/perdu.jpg"), QByteArray("l'original"));
        QVERIFY(!QFile::exists(bac.chemin("nulle-part.jpg")));
    }

    // The trash of a fresh account, which has no ~/.local/share: its folders are made, for the
    // owner only; the file goes there with its record of where it came from.
    void corbeille_d_un_compte_neuf()
    {
        BacASable bac;
        QVERIFY(QDir(bac.chemin("home/.local")).removeRecursively());
        const QString photo = bac.chemin("photos/plage.jpg");
        ecrire(photo, "sable");
        QString erreur;
        QVERIFY2(fichiers::mettre_a_la_corbeille(photo, &erreur), qPrintable(erreur));
        QVERIFY(!QFile::exists(photo));
        const QString corbeille = bac.chemin("home/.local/share/Trash");
        QCOMPARE(contenu(corbeille + "/files/plage.jpg"), QByteArray("sable"));
        for (const QString& d : {corbeille, corbeille + "/files", corbeille + "/info"})
            QCOMPARE(QFileInfo(d).permissions() & 0x0077, QFileDevice::Permissions());
        const QByteArray info = contenu(corbeille + "/info/plage.jpg.trashinfo");
        QVERIFY(info.startsWith("[Trash Info]\n"));
        QVERIFY(info.contains("Path=" + QUrl::toPercentEncoding(photo, "/")));
        QVERIFY(info.contains("DeletionDate="));
        QVERIFY(!fichiers::mettre_a_la_corbeille(bac.chemin("photos/absente.jpg"), &erreur));

        // A second file of the same name does not replace the first.
        ecrire(photo, "galets");
        QVERIFY2(fichiers::mettre_a_la_corbeille(photo, &erreur), qPrintable(erreur));
        QCOMPARE(contenu(corbeille + "/files/plage.jpg"), QByteArray("sable"));
        QCOMPARE(contenu(corbeille + "/files/plage.2.jpg"), QByteArray("galets"));
        QVERIFY(contenu(corbeille + "/info/plage.2.jpg.trashinfo").contains("Path=" + QUrl::toPercentEncoding(photo, "/")));

        // A trash that cannot be made: the file stays, and the reason is told.
        QVERIFY(QDir(corbeille).removeRecursively());
        ecrire(corbeille, "un fichier à la place du dossier");
        ecrire(photo, "coquillages");
        QVERIFY(!fichiers::mettre_a_la_corbeille(photo, &erreur));
        QCOMPARE(erreur, QString("la corbeille %1 ne peut pas être créée : un élément du chemin n'est pas un dossier").arg(corbeille));
        QCOMPARE(contenu(photo), QByteArray("coquillages"));
    }
};

QTEST_GUILESS_MAIN(TestFichiers)
#include "tst_fichiers.moc"
