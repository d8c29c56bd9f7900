#include "bac_a_sable.h"
#include "browser/demande.h"
#include "forms/barreetat.h"
#include "forms/listedossiers.h"
#include "forms/listefichiers.h"
#include "forms/textes.h"
#include "forms/vueliste.h"
#include "modal.h"
#include "navigateur.h"
#include "picture/chargeur.h"

#include <QBuffer>
#include <QComboBox>
#include <QDialog>
#include <QHeaderView>
#include <QListView>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QToolButton>
#include <QTreeView>

#include <unistd.h>

namespace {

const QString aide_f1 = "Appuyez sur F1 pour l'aide...";
const QString choisir_d_abord = "Sélectionnez d'abord une image dans la liste.";
const QString illisible = "Lecture du fichier impossible: format non reconnu ou détérioré.";
const QString deja_la = "Un fichier de ce nom existe déjà dans le dossier de destination. Voulez-vous écraser celui-ci ?";

// A question that may destroy or replace a file: No unless the user says Yes.
Message question(const QString& texte) { return {texte, "IMAGORA", Boutons::OuiNon, Icone::Question, 1}; }

QStringList colonne(frmVisualiseur* f, int c)
{
    liste_lue(f);
    QStringList n;
    QAbstractItemModel* m = enfant<ListView>(f, "ListView1")->vueDetails()->model();
    for (int r = 0; r < m->rowCount(); ++r)
        n.append(m->index(r, c).data().toString());
    return n;
}

QStringList noms(frmVisualiseur* f) { return colonne(f, 0); }
QString total(frmVisualiseur* f)
{
    liste_lue(f);
    return texte(f, "lblTotalFichiers");
}
QString panneau(frmVisualiseur* f, int n) { return enfant<StatusBar>(f, "StatusBar1")->texte(n); }
void option(frmVisualiseur* f, int i) { QTest::mouseClick(enfant<QLabel>(f, QString("lblOption%1").arg(i)), Qt::LeftButton); }
QComboBox* filtre(frmVisualiseur* f) { return enfant<QComboBox>(f, "cboFiltre"); }
QToolButton* affichage(frmVisualiseur* f, int i) { return enfant<QToolButton>(f, QString("cmdAffichage%1").arg(i)); }

// Clicks row `ligne` of the details view and returns at once, the preview still being made.
void cliquer_ligne(frmVisualiseur* f, int ligne)
{
    auto* vue = enfant<ListView>(f, "ListView1")->vueDetails();
    const QModelIndex i = vue->model()->index(ligne, 0);
    vue->scrollTo(i);
    QTest::mouseClick(vue->viewport(), Qt::LeftButton, {}, vue->visualRect(i).center());
}

// Clicks the row of `nom` in the details view and waits for the preview to finish loading.
void cliquer(frmVisualiseur* f, const QString& nom)
{
    const int ligne = static_cast<int>(noms(f).indexOf(nom));
    QVERIFY2(ligne >= 0, qPrintable(nom));
    cliquer_ligne(f, ligne);
    QTRY_VERIFY_WITH_TIMEOUT(!enfant<QLabel>(f, "lblCreation")->isVisible(), 20000);
}

// A bitmap big enough that its preview is still being made when the next click comes.
QByteArray grande_image()
{
    QImage image(5000, 4000, QImage::Format_RGB888);
    image.fill(QColor(30, 120, 200));
    QByteArray octets;
    QBuffer tampon(&octets);
    tampon.open(QIODevice::WriteOnly);
    image.save(&tampon, "BMP");
    return octets;
}

} // namespace

class TestVisualiseur : public QObject {
    Q_OBJECT

    std::optional<Essai> e;
    QString m_dossier;

    InteractionTest& d() { return e->d(); }
    QString chemin(const QString& relatif) const { return e->bac.chemin(relatif); }

    // Copies (or moves) the selected picture to `dossier`, the questions answered with `reponses`.
    void copier_vers(frmVisualiseur* f, const QString& dossier, const QList<Reponse>& reponses = {})
    {
        d().reponses_dossier = {dossier};
        d().reponses = reponses;
        option(f, 6);
    }

    // Closes `f` and starts the browser again as "imagora <demande>" would, on `depart` with the saved type `type`.
    void demander(std::unique_ptr<frmVisualiseur>& f, const QString& demande, const QString& depart, const QString& type)
    {
        f.reset();
        module().fichier_demande = demande;
        f = navigateur(depart, type);
    }

private Q_SLOTS:
    void init()
    {
        e.emplace();
        m_dossier = e->dossier;
        QDir().mkpath(m_dossier + "/sous-dossier");
        const QList<QPair<QString, QString>> copies = {
            {"iptc.jpg", "iptc.jpg"},          {"flower.jpg", "casse.JPG"}, {"flower2.jpg", "x.Jpeg"},
            {"hopper.bmp", "hopper.bmp"},      {"chi.gif", "chi.gif"},      {"hopper.gif", "Anim.Gif"},
            {"hopper.ico", "hopper.ico"},      {"deerstalker.cur", "deerstalker.cur"},
            {"clipboard.dib", "clipboard.dib"}, {"hopper.jpg", "photo.old.jpg"}};
        for (const auto& [source, cible] : copies)
            e->copier(source, cible);
        ecrire(m_dossier + "/abime.jpg", "ceci n'est pas une image");
        ecrire(m_dossier + "/notes.txt", "texte");
    }

    void cleanup()
    {
        module().fichier_demande.clear();
        module().parametres.sauver("veille", "0");
        e.reset();
    }

    void liste_filtres_et_compte()
    {
        auto f = navigateur(m_dossier);
        QCOMPARE(f->windowTitle(), QString("[ IMAGORA ] - Visualiseur d'images"));
        QCOMPARE(noms(f.get()), (QStringList{"abime.jpg", "Anim.Gif", "casse.JPG", "chi.gif", "clipboard.dib",
                                             "deerstalker.cur", "hopper.bmp", "hopper.ico", "iptc.jpg",
                                             "photo.old.jpg", "x.Jpeg"}));
        QCOMPARE(total(f.get()), QString("Total:  11 Fichier(s)"));
        QCOMPARE(f->fichiers()->ListCount(), 11);
        QCOMPARE(f->fichiers()->lectures(), 1); // opened with its type already set: one read
        QCOMPARE(module().index_fichier, 11);
        QCOMPARE(panneau(f.get(), 1), aide_f1);

        auto* types = filtre(f.get());
        // The first nine keep their places (stored settings name them by position); the newer types follow.
        QCOMPARE(types->count(), 15);
        for (const auto& [i, nom] : QList<QPair<int, QString>>{{0, "Tous les fichiers images"}, {5, "Fichiers Windows MétaFile (*.wmf)"},
                                                              {8, "Fichiers Icônes (*.ico)"}, {9, "PNG (*.png)"},
                                                              {12, "HEIF et AVIF (*.heic;*.heif;*.avif)"}, {14, "SVG (*.svg;*.svgz)"}})
            QCOMPARE(types->itemText(i), nom);
        types->setCurrentIndex(3);
        QCOMPARE(noms(f.get()), (QStringList{"Anim.Gif", "chi.gif"}));
        QCOMPARE(f->fichiers()->lectures(), 2);
        QCOMPARE(total(f.get()), QString("Total:  2 Fichier(s)"));
        types->setCurrentIndex(4);
        QCOMPARE(noms(f.get()), (QStringList{"abime.jpg", "casse.JPG", "iptc.jpg", "photo.old.jpg", "x.Jpeg"}));
        types->setCurrentIndex(6);
        QCOMPARE(total(f.get()), QString("Total:  0 Fichier(s)"));

        // Choosing the same type again reads the folder again.
        types->setCurrentIndex(2);
        QCOMPARE(noms(f.get()), QStringList{"clipboard.dib"});
        QVERIFY(QFile::copy(m_dossier + "/clipboard.dib", m_dossier + "/autre.DIB"));
        emit types->currentIndexChanged(2);
        QCOMPARE(noms(f.get()), (QStringList{"autre.DIB", "clipboard.dib"}));

        // Enter on a highlighted folder opens it and does nothing else; on the open folder it
        // presses the window's default button, Options.
        auto* dossiers = enfant<DirListBox>(f.get(), "Dir1");
        dossiers->setFocus();
        const int ligne = dossiers->model()->rowCount() - 1;
        QCOMPARE(dossiers->chemin_ligne(ligne), m_dossier + "/sous-dossier");
        dossiers->setCurrentIndex(dossiers->model()->index(ligne, 0));
        QStringList fenetres;
        QPointer<QTimer> guet = quand_modal([&](QWidget* w) { fenetres << w->windowTitle(); w->close(); });
        const int lectures = f->fichiers()->lectures();
        QTest::keyClick(dossiers, Qt::Key_Return);
        QTest::qWait(100);
        QCOMPARE(f->dossier_courant(), m_dossier + "/sous-dossier/");
        QCOMPARE(f->fichiers()->lectures(), lectures + 1);
        QCOMPARE(total(f.get()), QString("Total:  0 Fichier(s)"));
        QCOMPARE(fenetres, QStringList());
        QTest::keyClick(dossiers, Qt::Key_Return);
        QTRY_COMPARE(fenetres, QStringList{"OPTIONS"});
        delete guet;
    }

    void types_recents_listes_et_mesures()
    {
        // One picture of each newer type, 60x40, made with Qt's writers or Debian's encoders: each
        // filter lists its own, and its preview gives its natural size.
        const QString recents = e->bac.chemin("recents");
        QVERIFY(QDir().mkpath(recents));
        QImage image(60, 40, QImage::Format_RGB32);
        image.fill(QColor(200, 90, 30));
        const QString source = recents + "/../source.png";
        QVERIFY(image.save(source));
        QVERIFY(image.save(recents + "/capture.png") && image.save(recents + "/scan.TIFF") && image.save(recents + "/web.webp"));
        ecrire(recents + "/dessin.svg", "<svg xmlns='http://www.w3.org/2000/svg' width='60' height='40'><rect width='60' height='40'/></svg>");
        QCOMPARE(QProcess::execute("heif-enc", {"-q", "60", "-o", recents + "/telephone.heic", source}), 0);
        QCOMPARE(QProcess::execute("avifenc", {"-s", "10", source, recents + "/web.avif"}), 0);
        QCOMPARE(QProcess::execute("cjxl", {source, recents + "/moderne.jxl"}), 0);

        auto f = navigateur(recents);
        QCOMPARE(noms(f.get()), (QStringList{"capture.png", "dessin.svg", "moderne.jxl", "scan.TIFF", "telephone.heic",
                                             "web.avif", "web.webp"}));
        const QList<QPair<int, QStringList>> filtres = {{9, {"capture.png"}}, {10, {"scan.TIFF"}}, {11, {"web.webp"}},
                                                        {12, {"telephone.heic", "web.avif"}}, {13, {"moderne.jxl"}}, {14, {"dessin.svg"}}};
        for (const auto& [index, attendus] : filtres) {
            filtre(f.get())->setCurrentIndex(index);
            QCOMPARE(noms(f.get()), attendus);
            for (const QString& nom : attendus) {
                cliquer(f.get(), nom);
                QCOMPARE(texte(f.get(), "lblLargeur"), QString(" 60 Pixels"));
                QCOMPARE(texte(f.get(), "lblHauteur"), QString(" 40 Pixels"));
                QVERIFY2(!enfant<QLabel>(f.get(), "Image1")->pixmap().isNull(), qPrintable(nom));
            }
        }
    }

    void type_de_depart_et_dossier_manquant()
    {
        auto f = navigateur(m_dossier, "7");
        QCOMPARE(filtre(f.get())->currentIndex(), 7);
        QCOMPARE(noms(f.get()), QStringList{"deerstalker.cur"});

        // A start folder that is gone opens the home folder instead.
        f.reset();
        f = navigateur(chemin("parti"), "1");
        QCOMPARE(f->dossier_courant(), QDir::homePath() + '/');
        QCOMPARE(total(f.get()), QString("Total:  0 Fichier(s)"));
    }

    // "imagora <picture>" opens the browser on the picture's folder with the picture previewed,
    // whatever the saved type; a folder opens that folder; a bad path says so and starts as usual.
    void ouverture_demandee()
    {
        module().parametres.sauver("veille", "1"); // a picture asked for wins over the screen saver
        std::unique_ptr<frmVisualiseur> f;
        demander(f, m_dossier + "/iptc.jpg", chemin("ailleurs"), "1");
        QCOMPARE(filtre(f.get())->currentIndex(), 0);
        QCOMPARE(f->dossier_courant(), m_dossier + '/');
        QTRY_COMPARE_WITH_TIMEOUT(texte(f.get(), "lblLargeur"), QString(" 640 Pixels"), 20000);
        QCOMPARE(f->image_selectionnee(), m_dossier + "/iptc.jpg");
        QCOMPARE(f->nom_ligne(f->ligne_selectionnee()), QString("iptc.jpg"));
        QCOMPARE(panneau(f.get(), 1), m_dossier + "/iptc.jpg");
        QVERIFY(d().messages.isEmpty());
        // Nothing was saved: the next plain start uses the saved folder and type.
        QCOMPARE(module().parametres.lire("type fichier"), QString("1"));

        // The saved type already shows it: it stays.
        module().parametres.sauver("veille", "0");
        demander(f, QUrl::fromLocalFile(m_dossier + "/x.Jpeg").toString(), m_dossier, "4");
        QCOMPARE(filtre(f.get())->currentIndex(), 4);
        QTRY_COMPARE_WITH_TIMEOUT(f->image_selectionnee(), m_dossier + "/x.Jpeg", 20000);

        demander(f, m_dossier + "/sous-dossier", m_dossier, "0");
        QCOMPARE(f->dossier_courant(), m_dossier + "/sous-dossier/");
        QVERIFY(f->image_selectionnee().isEmpty());
        QVERIFY(d().messages.isEmpty());

        demander(f, m_dossier + "/notes.txt", chemin("ailleurs"), "0");
        QCOMPARE(f->dossier_courant(), m_dossier + '/');
        QVERIFY(f->image_selectionnee().isEmpty());
        QCOMPARE(d().messages.size(), 1);
        QCOMPARE(d().messages.takeFirst().texte,
                 QString("« notes.txt » n'est pas une image que le programme sait afficher : son dossier est ouvert."));

        demander(f, m_dossier + "/parti.jpg", m_dossier + "/sous-dossier", "0");
        QCOMPARE(f->dossier_courant(), m_dossier + "/sous-dossier/");
        QCOMPARE(d().messages, (QList<Message>{{QString("Le fichier ou le dossier « %1/parti.jpg » est introuvable.").arg(m_dossier),
                                               "IMAGORA", Boutons::Ok, Icone::Exclamation}}));
    }

    // A picture handed over by a later start, while the browser is open: it waits for a modal
    // window to close, then the browser goes there as a start with it would.
    void demande_pendant_que_le_programme_tourne()
    {
        auto f = navigateur(m_dossier + "/sous-dossier", "1");
        QDialog modale(f.get());
        modale.setModal(true);
        modale.show();
        QTRY_VERIFY(QApplication::activeModalWidget() == &modale);
        f->ouvrir_demande(m_dossier + "/hopper.ico");
        QTest::qWait(100);
        QCOMPARE(f->dossier_courant(), m_dossier + "/sous-dossier/");
        modale.close();
        QTRY_COMPARE_WITH_TIMEOUT(f->dossier_courant(), m_dossier + '/', 5000);
        QCOMPARE(filtre(f.get())->currentIndex(), 0);
        QTRY_COMPARE_WITH_TIMEOUT(f->image_selectionnee(), m_dossier + "/hopper.ico", 20000);
        QCOMPARE(total(f.get()), QString("Total:  11 Fichier(s)"));

        // The same folder again picks up a picture saved since.
        e->copier("hopper.bmp", "nouvelle.bmp");
        f->ouvrir_demande(m_dossier + "/nouvelle.bmp");
        QTRY_COMPARE_WITH_TIMEOUT(f->image_selectionnee(), m_dossier + "/nouvelle.bmp", 20000);
        QCOMPARE(total(f.get()), QString("Total:  12 Fichier(s)"));
        QCOMPARE(enfant<DirListBox>(f.get(), "Dir1")->Path(), m_dossier);
        QVERIFY(d().messages.isEmpty());
    }

    // A path relative to the current folder, or a URL; a device named like a picture is not a
    // picture: it is not listed, and a start with it opens its folder and says so, instead of
    // reading /dev/zero for ever.
    void demandes_relatives_en_url_ou_de_peripheriques()
    {
        const QString ici = QDir::currentPath();
        QVERIFY(QDir::setCurrent(m_dossier));
        const DemandeOuverture relative = demande_ouverture("clipboard.dib");
        QDir::setCurrent(ici);
        QCOMPARE(relative.dossier, m_dossier);
        QCOMPARE(relative.nom, QString("clipboard.dib"));
        QCOMPARE(relative.type_image, 2);
        QVERIFY(relative.message.isEmpty());

        // Spaces and accents survive the URL form; the last extension decides the type.
        e->copier("drawing.wmf", "été 2026.old.WMF");
        const DemandeOuverture url = demande_ouverture(QUrl::fromLocalFile(m_dossier + "/été 2026.old.WMF").toString());
        QCOMPARE(url.nom, QString("été 2026.old.WMF"));
        QCOMPARE(url.type_image, 5);
        QVERIFY(demande_ouverture(QString()).dossier.isEmpty() && demande_ouverture(QString()).message.isEmpty());
        QFile::remove(m_dossier + "/été 2026.old.WMF");

        QVERIFY(QFile::link("/dev/zero", m_dossier + "/zero.jpg"));
        QVERIFY(QFile::link("/dev/null", m_dossier + "/vide.bmp"));
        const DemandeOuverture demande = demande_ouverture(m_dossier + "/zero.jpg");
        QCOMPARE(demande.dossier, m_dossier);
        QVERIFY(demande.nom.isEmpty());
        QCOMPARE(demande.message, QString("« zero.jpg » n'est pas une image que le programme sait afficher : son dossier est ouvert."));
        std::unique_ptr<frmVisualiseur> f;
        demander(f, m_dossier + "/zero.jpg", m_dossier, "0");
        QCOMPARE(total(f.get()), QString("Total:  11 Fichier(s)")); // neither device listed
        QVERIFY(f->image_selectionnee().isEmpty());
        QCOMPARE(d().messages.size(), 1);
        QCOMPARE(d().messages.first().texte, demande.message);
    }

    void icones_vues_et_tri()
    {
        // Sizes chosen so that text order and number order differ.
        for (int taille : {20, 100, 3})
            ecrire(m_dossier + QString("/t%1.ico").arg(taille), QByteArray(taille, 'x'));
        QFile vieux(m_dossier + "/t3.ico");
        QVERIFY(vieux.open(QIODevice::ReadWrite));
        QVERIFY(vieux.setFileTime(QDateTime(QDate(2001, 2, 3), QTime(4, 5)), QFileDevice::FileModificationTime));
        vieux.close();
        auto f = navigateur(m_dossier, "8");
        QCOMPARE(noms(f.get()), (QStringList{"hopper.ico", "t3.ico", "t20.ico", "t100.ico"}));
        QCOMPARE(colonne(f.get(), 1).mid(1), (QStringList{" 3", " 20", " 100"}));
        QCOMPARE(colonne(f.get(), 2).at(1), texte_date_courte(QDate(2001, 2, 3), QLocale::system()));
        QCOMPARE(colonne(f.get(), 3).at(1), QString("04:05"));

        auto* liste = enfant<ListView>(f.get(), "ListView1");
        auto* entete = liste->vueDetails()->header();
        QCOMPARE(entete->model()->headerData(1, Qt::Horizontal).toString(), QString("Taille (Octets)"));
        QCOMPARE(entete->sectionSize(0), 2540 / 15);
        const auto trier_par = [&](int c) {
            QTest::mouseClick(entete->viewport(), Qt::LeftButton, {}, QPoint(entete->sectionViewportPosition(c) + 5, 5));
        };
        trier_par(1);
        QCOMPARE(noms(f.get()).mid(0, 3), (QStringList{"t3.ico", "t20.ico", "t100.ico"}));
        trier_par(1);
        QCOMPARE(noms(f.get()).mid(1), (QStringList{"t100.ico", "t20.ico", "t3.ico"}));
        // By date: the old file first, then back to descending on the next click.
        trier_par(2);
        QCOMPARE(noms(f.get()).first(), QString("t3.ico"));

        const auto bouton = [&](int i) { return affichage(f.get(), i); };
        QCOMPARE(bouton(4)->toolTip(), QString("Tri de la liste des fichiers par ordre alphabetique"));
        bouton(5)->click();
        QCOMPARE(noms(f.get()).last(), QString("t3.ico"));
        bouton(0)->click();
        // Sorting stays on the chosen column; the file column sorts by name with bouton 4 after a click on it.
        trier_par(0);
        bouton(4)->click();
        QCOMPARE(noms(f.get()), (QStringList{"hopper.ico", "t3.ico", "t20.ico", "t100.ico"}));

        const QList<ListView::Vue> vues = {ListView::GrandesIcones, ListView::PetitesIcones, ListView::Liste, ListView::Details};
        for (int i = 0; i < 4; ++i) {
            bouton(i)->click();
            QCOMPARE(liste->View(), vues[i]);
            QCOMPARE(liste->currentWidget(), i == 3 ? static_cast<QWidget*>(liste->vueDetails()) : liste->vueIcones());
        }
        QCOMPARE(liste->vueIcones()->viewMode(), QListView::ListMode);
        bouton(0)->click();
        QCOMPARE(liste->vueIcones()->viewMode(), QListView::IconMode);

        // Icons by the extension after the last dot.
        f.reset();
        f = navigateur(m_dossier, "4");
        QAbstractItemModel* m = enfant<ListView>(f.get(), "ListView1")->vueDetails()->model();
        const auto icone = [&](const QString& nom) { return m->index(noms(f.get()).indexOf(nom), 0).data(Qt::DecorationRole).value<QIcon>(); };
        QVERIFY(!icone("casse.JPG").isNull());
        QCOMPARE(icone("photo.old.jpg").cacheKey(), icone("casse.JPG").cacheKey());
    }

    void apercu_et_selection()
    {
        auto f = navigateur(m_dossier);
        QCOMPARE(texte(f.get(), "Label2"), QString("Sélectionnez un fichier dans la liste"));
        QVERIFY(f->image_selectionnee().isEmpty());

        cliquer(f.get(), "iptc.jpg");
        QCOMPARE(texte(f.get(), "lblHauteur"), QString(" 480 Pixels"));
        QCOMPARE(texte(f.get(), "lblLargeur"), QString(" 640 Pixels"));
        QCOMPARE(panneau(f.get(), 1), m_dossier + "/iptc.jpg");
        QCOMPARE(f->image_selectionnee(), m_dossier + "/iptc.jpg");
        QVERIFY(!enfant<QLabel>(f.get(), "Label2")->isVisible());
        auto* image = enfant<QLabel>(f.get(), "Image1");
        QCOMPARE(image->pixmap().size(), image->contentsRect().size());
        QVERIFY(d().messages.isEmpty());

        // A damaged file: the message, an empty preview, panel 1 as it was.
        cliquer(f.get(), "abime.jpg");
        QCOMPARE(d().messages, (QList<Message>{{illisible, "Information", Boutons::Ok, Icone::Information}}));
        QVERIFY(image->pixmap().isNull());
        QCOMPARE(texte(f.get(), "lblHauteur"), QString());
        QCOMPARE(panneau(f.get(), 1), m_dossier + "/iptc.jpg");
        // The highlight goes back to the file the actions will use; the arrow keys go on from
        // the damaged one.
        QCOMPARE(f->nom_ligne(f->ligne_selectionnee()), QString("iptc.jpg"));
        auto* details = enfant<ListView>(f.get(), "ListView1")->vueDetails();
        QCOMPARE(details->currentIndex().data().toString(), QString("abime.jpg"));
        QTest::keyClick(details, Qt::Key_Down);
        QTRY_COMPARE_WITH_TIMEOUT(panneau(f.get(), 1), m_dossier + "/Anim.Gif", 20000);
        QCOMPARE(f->nom_ligne(f->ligne_selectionnee()), QString("Anim.Gif"));

        // A rebuild forgets the selection.
        cliquer(f.get(), "hopper.bmp");
        QCOMPARE(texte(f.get(), "lblLargeur"), QString(" 128 Pixels"));
        filtre(f.get())->setCurrentIndex(1);
        QCOMPARE(panneau(f.get(), 1), aide_f1);
        QVERIFY(f->image_selectionnee().isEmpty());
        QCOMPARE(texte(f.get(), "lblHauteur"), QString());
        QVERIFY(image->pixmap().isNull());
        QVERIFY(enfant<QLabel>(f.get(), "Label2")->isVisible());
        // A damaged file with no picture shown before: nothing stays highlighted.
        filtre(f.get())->setCurrentIndex(4);
        cliquer(f.get(), "abime.jpg");
        QCOMPARE(f->ligne_selectionnee(), -1);
        QVERIFY(f->image_selectionnee().isEmpty());

        // Clicking the first status panel asks for help.
        QTest::mouseClick(enfant<StatusBar>(f.get(), "StatusBar1")->Panel(1), Qt::LeftButton);
        QCOMPARE(d().documents.size(), 1);
        QVERIFY(d().documents.first().toLocalFile().endsWith("/aide/aide.htm"));
    }

    void actions_taille_reelle_et_diaporama()
    {
        auto f = navigateur(m_dossier);
        auto* apercu = enfant<QLabel>(f.get(), "Image1");
        const auto taille_reelle_ouverte = [&](const std::function<void()>& geste) {
            QString titre;
            QPointer<QTimer> guet = quand_modal([&](QWidget* w) {
                titre = w->windowTitle();
                QTest::keyClick(w, Qt::Key_Escape);
            });
            geste();
            static_cast<void>(QTest::qWaitFor([&] { return !titre.isEmpty(); }, 2000)); // the view opens once the picture is decoded
            delete guet;
            return titre;
        };

        // Nothing selected: the preview's double click does nothing, the label asks for a picture.
        QCOMPARE(taille_reelle_ouverte([&] { QTest::mouseDClick(apercu, Qt::LeftButton); }), QString());
        QVERIFY(d().messages.isEmpty());
        option(f.get(), 1);
        QCOMPARE(d().messages, (QList<Message>{{choisir_d_abord, "Information", Boutons::Ok, Icone::Information}}));

        cliquer(f.get(), "iptc.jpg");
        auto* vue = enfant<ListView>(f.get(), "ListView1")->vueDetails();
        const QModelIndex ligne = vue->model()->index(static_cast<int>(noms(f.get()).indexOf("iptc.jpg")), 0);
        for (const std::function<void()>& geste : QList<std::function<void()>>{
                 [&] { QTest::mouseDClick(apercu, Qt::LeftButton); }, [&] { option(f.get(), 1); },
                 [&] { QTest::mouseDClick(vue->viewport(), Qt::LeftButton, {}, vue->visualRect(ligne).center()); }})
            QCOMPARE(taille_reelle_ouverte(geste), "Aperçu de: " + m_dossier + "/iptc.jpg");

        // The launcher opens once, beside the browser.
        QCOMPARE(texte(f.get(), "lblOption3"), QString("Diaporama / Ecran de veille..."));
        option(f.get(), 3);
        option(f.get(), 3);
        const QList<QWidget*> lanceurs = f->findChildren<QWidget*>("frmDiaporama");
        QCOMPARE(lanceurs.size(), 1);
        QVERIFY(lanceurs.first()->isVisible());
        QVERIFY(!lanceurs.first()->isModal());
        lanceurs.first()->close();

        // The search window opens modally, with or without a selection.
        QString recherche;
        quand_modal([&](QWidget* w) {
            recherche = w->windowTitle();
            w->close();
        });
        option(f.get(), 5);
        QCOMPARE(recherche, QString("Recherche de fichiers"));

        // An empty list has nothing to show; asked while the folder is read, the show waits for
        // its files before it says so.
        filtre(f.get())->setCurrentIndex(6);
        option(f.get(), 3);
        QTRY_COMPARE(d().messages.size(), 2);
        QCOMPARE(d().messages.last().texte, QString("Aucune image à visionner"));
    }

    void supprimer_copier_deplacer_renommer()
    {
        auto f = navigateur(m_dossier, "4"); // the JPEG files

        // Delete: No keeps everything; Yes sends the file to the trash and empties the selection.
        cliquer(f.get(), "casse.JPG");
        d().reponses = {Reponse::Non};
        option(f.get(), 4);
        QCOMPARE(d().messages.last(), question("Voulez-vous vraiment mettre le fichier \"casse.JPG\" à la corbeille ?"));
        QVERIFY(QFile::exists(m_dossier + "/casse.JPG"));
        QCOMPARE(total(f.get()), QString("Total:  5 Fichier(s)"));
        d().reponses = {Reponse::Oui};
        option(f.get(), 4);
        QVERIFY(!QFile::exists(m_dossier + "/casse.JPG"));
        QVERIFY(QFile::exists(chemin("home/.local/share/Trash/files/casse.JPG")));
        QCOMPARE(noms(f.get()), (QStringList{"abime.jpg", "iptc.jpg", "photo.old.jpg", "x.Jpeg"}));
        QCOMPARE(total(f.get()), QString("Total:  4 Fichier(s)"));
        QCOMPARE(panneau(f.get(), 1), aide_f1);
        const qsizetype avant = d().messages.size();
        option(f.get(), 4);
        QCOMPARE(d().messages.size(), avant + 1);
        QCOMPARE(d().messages.last().texte, choisir_d_abord);

        // Copy into the same folder is refused, however it is spelled.
        cliquer(f.get(), "iptc.jpg");
        copier_vers(f.get(), m_dossier + "/sous-dossier/..");
        QCOMPARE(d().titres_dossier.last(), QString("Sélectionnez un dossier de destination"));
        QCOMPARE(d().messages.last().texte, QString("Impossible de copier/déplacer le fichier dans le même dossier où il se trouve déjà."));

        // Copy, keeping the original; then move over an existing file after saying Yes twice.
        const QString ailleurs = chemin("ailleurs");
        QDir().mkpath(ailleurs);
        copier_vers(f.get(), ailleurs, {Reponse::Non});
        QCOMPARE(d().messages.last().texte, QString("Le fichier a été copié dans le dossier désiré. Voulez-vous supprimer le fichier d'origine ?"));
        QCOMPARE(contenu(ailleurs + "/iptc.jpg"), contenu(m_dossier + "/iptc.jpg"));
        QVERIFY(QFile::exists(m_dossier + "/iptc.jpg"));

        cliquer(f.get(), "iptc.jpg");
        copier_vers(f.get(), ailleurs, {Reponse::Non});
        QCOMPARE(d().messages.last(), question(deja_la));
        QVERIFY(QFile::exists(m_dossier + "/iptc.jpg"));
        ecrire(ailleurs + "/x.Jpeg", "ancien");
        cliquer(f.get(), "x.Jpeg");
        const QByteArray original = contenu(m_dossier + "/x.Jpeg");
        copier_vers(f.get(), ailleurs, {Reponse::Oui, Reponse::Oui});
        QCOMPARE(contenu(ailleurs + "/x.Jpeg"), original);
        QVERIFY(!QFile::exists(m_dossier + "/x.Jpeg"));
        QCOMPARE(noms(f.get()), (QStringList{"abime.jpg", "iptc.jpg", "photo.old.jpg"}));

        // Rename: refused onto an existing name, a hidden file or a folder; done and reselected otherwise.
        ecrire(m_dossier + "/.cache", "c");
        for (const QString& pris : {QString("abime.jpg"), QString(".cache"), QString("sous-dossier")}) {
            cliquer(f.get(), "iptc.jpg");
            d().reponses_saisie = {pris};
            option(f.get(), 7);
            QCOMPARE(d().messages.last().texte, QString("Impossible de renommer le fichier.Un fichier de ce nom existe déjà."));
            QVERIFY(QFile::exists(m_dossier + "/iptc.jpg"));
        }
        QCOMPARE(d().saisies.last().invite, QString("Entrez le nouveau nom du fichier [avec son extension (ex: xxxx.gif)]:"));
        QCOMPARE(d().saisies.last().titre, QString("IMAGORA"));
        QCOMPARE(d().saisies.last().defaut, QString("iptc.jpg"));
        cliquer(f.get(), "iptc.jpg");
        d().reponses_saisie = {"a/b.jpg"};
        option(f.get(), 7);
        QVERIFY(d().messages.last().texte.contains("\"/\""));
        d().reponses_saisie = {"Zèbre.jpg"};
        option(f.get(), 7);
        QVERIFY(QFile::exists(m_dossier + "/Zèbre.jpg"));
        QVERIFY(!QFile::exists(m_dossier + "/iptc.jpg"));
        QCOMPARE(enfant<ListView>(f.get(), "ListView1")->ligneSelectionnee(), static_cast<int>(noms(f.get()).indexOf("Zèbre.jpg")));
    }

    // An action clicked while the highlighted picture's preview is still being made works on
    // that picture, with its own name and row, never on the one shown before.
    void action_pendant_l_apercu()
    {
        const QByteArray grande = grande_image();
        ecrire(m_dossier + "/grande.bmp", grande);
        const QByteArray petite = contenu(m_dossier + "/hopper.bmp");
        const QString ailleurs = chemin("ailleurs");
        ecrire(ailleurs + "/grande.bmp", "l'ancienne grande");
        auto f = navigateur(m_dossier, "1"); // grande.bmp, hopper.bmp
        auto* types = filtre(f.get());

        // Copy then move, onto a file of the large picture's name.
        cliquer(f.get(), "hopper.bmp");
        cliquer_ligne(f.get(), 0);
        copier_vers(f.get(), ailleurs, {Reponse::Oui, Reponse::Oui});
        QTRY_COMPARE_WITH_TIMEOUT(d().messages.size(), 2, 20000);
        QCOMPARE(d().messages.first().texte, deja_la);
        QVERIFY(contenu(ailleurs + "/grande.bmp") == grande);
        QVERIFY(!QFile::exists(m_dossier + "/grande.bmp"));
        QVERIFY(contenu(m_dossier + "/hopper.bmp") == petite);
        QCOMPARE(noms(f.get()), QStringList{"hopper.bmp"});

        // Rename: the question offers the large picture's name, and the large picture is renamed.
        ecrire(m_dossier + "/grande.bmp", grande);
        types->setCurrentIndex(1);
        emit types->currentIndexChanged(1);
        QCOMPARE(noms(f.get()), (QStringList{"grande.bmp", "hopper.bmp"}));
        cliquer(f.get(), "hopper.bmp");
        cliquer_ligne(f.get(), 0);
        d().reponses_saisie = {"renommee.bmp"};
        option(f.get(), 7);
        QTRY_COMPARE_WITH_TIMEOUT(d().saisies.size(), 1, 20000);
        QCOMPARE(d().saisies.first().defaut, QString("grande.bmp"));
        QVERIFY(contenu(m_dossier + "/renommee.bmp") == grande);
        QVERIFY(contenu(m_dossier + "/hopper.bmp") == petite);

        // Delete: the large picture goes to the trash and its own row goes.
        cliquer(f.get(), "hopper.bmp");
        cliquer_ligne(f.get(), static_cast<int>(noms(f.get()).indexOf("renommee.bmp")));
        d().reponses = {Reponse::Oui};
        option(f.get(), 4);
        QTRY_VERIFY_WITH_TIMEOUT(!QFile::exists(m_dossier + "/renommee.bmp"), 20000);
        QCOMPARE(d().messages.last().texte, QString("Voulez-vous vraiment mettre le fichier \"renommee.bmp\" à la corbeille ?"));
        QVERIFY(contenu(chemin("home/.local/share/Trash/files/renommee.bmp")) == grande);
        QCOMPARE(noms(f.get()), QStringList{"hopper.bmp"});
        QVERIFY(contenu(m_dossier + "/hopper.bmp") == petite);

        // A preview that fails takes the waiting action with it: nothing is asked, nothing touched.
        types->setCurrentIndex(4);
        cliquer(f.get(), "iptc.jpg");
        const qsizetype avant = d().messages.size();
        cliquer_ligne(f.get(), static_cast<int>(noms(f.get()).indexOf("abime.jpg")));
        d().reponses = {Reponse::Ok, Reponse::Oui};
        option(f.get(), 4);
        QTRY_COMPARE_WITH_TIMEOUT(d().messages.size(), avant + 1, 20000);
        QTest::qWait(50);
        QCOMPARE(d().messages.size(), avant + 1);
        QCOMPARE(d().messages.last().texte, illisible);
        QVERIFY(QFile::exists(m_dossier + "/abime.jpg"));
        QVERIFY(QFile::exists(m_dossier + "/iptc.jpg"));
    }

    // Copying a picture onto a link to itself is refused before any question: the picture stays.
    void copie_sur_un_lien_vers_l_original()
    {
        const QString copie = chemin("copie"), liens = chemin("liens");
        const QByteArray original = contenu(echantillon("hopper.jpg"));
        QDir().mkpath(liens);
        ecrire(copie + "/gros.jpg", original);
        QVERIFY(QFile::link(copie + "/gros.jpg", liens + "/gros.jpg"));
        auto f = navigateur(copie, "4");
        cliquer(f.get(), "gros.jpg");
        copier_vers(f.get(), liens, {Reponse::Oui, Reponse::Oui});
        QCOMPARE(d().messages, (QList<Message>{{QString("Impossible de copier le fichier : %1/gros.jpg est le fichier d'origine lui-même (ou un lien vers lui).").arg(liens),
                                               "IMAGORA", Boutons::Ok, Icone::Information}}));
        QCOMPARE(contenu(copie + "/gros.jpg"), original);
        QVERIFY(QFileInfo(liens + "/gros.jpg").isSymLink());

        // From the link's folder to the original's: the same file again.
        f = navigateur(liens, "4");
        cliquer(f.get(), "gros.jpg");
        copier_vers(f.get(), copie, {Reponse::Oui, Reponse::Oui});
        QCOMPARE(d().messages.size(), 2);
        QVERIFY(d().messages.last().texte.startsWith("Impossible de copier le fichier : "));
        QCOMPARE(contenu(copie + "/gros.jpg"), original);

        // A link to another picture is replaced itself; the picture it led to is kept.
        ecrire(chemin("autre/gros.jpg"), "une autre image");
        QFile::remove(liens + "/gros.jpg");
        QVERIFY(QFile::link(chemin("autre/gros.jpg"), liens + "/gros.jpg"));
        f = navigateur(copie, "4");
        cliquer(f.get(), "gros.jpg");
        copier_vers(f.get(), liens, {Reponse::Oui, Reponse::Non});
        QVERIFY(!QFileInfo(liens + "/gros.jpg").isSymLink());
        QCOMPARE(contenu(liens + "/gros.jpg"), original);
        QCOMPARE(contenu(chemin("autre/gros.jpg")), QByteArray("une autre image"));
    }

    // A name that is not valid text is listed, but never opened through a text that spells
    // another file's name.
    void noms_qui_ne_sont_pas_du_texte()
    {
        const QString dossier = chemin("octets");
        QDir().mkpath(dossier);
        const QByteArray jpeg = contenu(echantillon("hopper.jpg")), bmp = contenu(echantillon("hopper.bmp"));
        NomsBruts brut;
        QVERIFY(brut.fichier(QFile::encodeName(dossier) + "/a\xff.jpg", jpeg));
        ecrire(dossier + "/a\uFFFD.jpg", bmp); // its look-alike, spelled right
        auto f = navigateur(dossier, "0");
        QCOMPARE(noms(f.get()), (QStringList{"a\uFFFD.jpg", "a\uFFFD.jpg"}));

        // Row 1 is the file whose name is not text: a message, no preview, no selection.
        cliquer_ligne(f.get(), 1);
        QCOMPARE(d().messages.size(), 1);
        QVERIFY(d().messages.first().texte.contains("Renommez-le avec le gestionnaire de fichiers."));
        QTest::qWait(100);
        QVERIFY(enfant<QLabel>(f.get(), "Image1")->pixmap().isNull());
        QCOMPARE(panneau(f.get(), 1), aide_f1);
        d().reponses = {Reponse::Oui};
        option(f.get(), 4);
        QCOMPARE(d().messages.last().texte, choisir_d_abord);

        // Row 0 is the bitmap: previewed as such, and trashed alone.
        cliquer(f.get(), "a\uFFFD.jpg");
        QCOMPARE(texte(f.get(), "lblLargeur"), QString(" 128 Pixels"));
        d().reponses = {Reponse::Oui};
        option(f.get(), 4);
        QCOMPARE(contenu(chemin("home/.local/share/Trash/files/a\uFFFD.jpg")), bmp);
        QCOMPARE(noms(f.get()), QStringList{"a\uFFFD.jpg"});
        QVERIFY(!QFile::exists(dossier + "/a\uFFFD.jpg"));
        QCOMPARE(::access((QFile::encodeName(dossier) + "/a\xff.jpg").constData(), F_OK), 0);

        // The slide show never reaches the other file through the shown name.
        QCOMPARE(f->fichiers()->chemin(0), QString());
    }

    // The list taking the keyboard focus chooses nothing: no preview, no selection.
    void le_focus_ne_choisit_rien()
    {
        e->copier("hopper.bmp", "zz.bmp");
        auto f = navigateur(m_dossier, "1"); // hopper.bmp, zz.bmp: pictures that preview
        auto* liste = enfant<ListView>(f.get(), "ListView1");
        const auto rien_de_choisi = [&] {
            QTest::qWait(100);
            QCOMPARE(panneau(f.get(), 1), aide_f1);
            QVERIFY(!enfant<QLabel>(f.get(), "lblCreation")->isVisible());
            QVERIFY(enfant<QLabel>(f.get(), "Image1")->pixmap().isNull());
            const qsizetype avant = d().messages.size();
            option(f.get(), 1);
            QCOMPARE(d().messages.size(), avant + 1);
            QCOMPARE(d().messages.last().texte, choisir_d_abord);
        };
        liste->vueDetails()->setFocus(Qt::TabFocusReason);
        rien_de_choisi();

        // After a copy, the list is read again and nothing is chosen either.
        cliquer(f.get(), "hopper.bmp");
        const QString ailleurs = chemin("ailleurs");
        QDir().mkpath(ailleurs);
        copier_vers(f.get(), ailleurs, {Reponse::Non});
        QVERIFY(QFile::exists(ailleurs + "/hopper.bmp"));
        liste->vueDetails()->clearFocus();
        liste->vueDetails()->setFocus(Qt::TabFocusReason);
        rien_de_choisi();

        // Nor does a change of view.
        QTest::mouseClick(affichage(f.get(), 0), Qt::LeftButton);
        liste->vueIcones()->setFocus(Qt::TabFocusReason);
        rien_de_choisi();

        // A key that moves in the list does choose: the first one the first row.
        QTest::keyClick(liste->vueIcones(), Qt::Key_Right);
        QTRY_COMPARE_WITH_TIMEOUT(panneau(f.get(), 1), m_dossier + "/hopper.bmp", 20000);
        QTest::keyClick(liste->vueIcones(), Qt::Key_End);
        QTRY_COMPARE_WITH_TIMEOUT(panneau(f.get(), 1), m_dossier + "/zz.bmp", 20000);
    }

    void editer_et_fond_d_ecran()
    {
        const Variable bureau("XDG_CURRENT_DESKTOP", "GNOME");
        auto f = navigateur(m_dossier, "4");
        cliquer(f.get(), "x.Jpeg");
        option(f.get(), 0);
        const QString fond = chemin("home/.local/share/tst_frmvisualiseur/fond.bmp");
        // The picture is decoded off the window's thread, then written and handed to the desktop
        // (GNOME: its light and dark keys).
        QTRY_COMPARE_WITH_TIMEOUT(d().executions.size(), 2, 20000);
        QCOMPARE(QImage(fond).size(), QSize(300, 225));
        QCOMPARE(d().executions.first().arguments,
                 (QStringList{"set", "org.gnome.desktop.background", "picture-uri", QUrl::fromLocalFile(fond).toString()}));
        QVERIFY(d().messages.isEmpty());

        // A desktop that refuses: the general error message.
        d().resultats = {{1, {}}};
        option(f.get(), 0);
        QTRY_COMPARE_WITH_TIMEOUT(d().messages.size(), 1, 20000);
        QVERIFY(d().messages.first().texte.startsWith("Une erreur est intervenue dans le programme.\nNo: "));
        QCOMPARE(d().messages.first().titre, QString("Erreur..."));
        QCOMPARE(d().messages.first().icone, Icone::Critique);

        // No application for JPEG in this empty home: the message names the real extension.
        {
            const Variable dirs("XDG_DATA_DIRS", chemin("vide").toUtf8());
            option(f.get(), 2);
        }
        QCOMPARE(d().messages.last().texte, QString("Aucun éditeur d'associé avec le type de fichier sélectionné [JPEG]."));
        QVERIFY(d().documents.isEmpty());
    }

    // The large-icon view shows each picture's thumbnail in place of its type icon; a damaged
    // file keeps its icon; the other views keep the type icons.
    void vignettes_en_grandes_icones()
    {
        e->copier("drawing.wmf", "drawing.wmf");
        e->copier("drawing.emf", "drawing.emf");
        auto f = navigateur(m_dossier);
        QTest::mouseClick(affichage(f.get(), 0), Qt::LeftButton);
        auto* vue = enfant<ListView>(f.get(), "ListView1")->vueIcones();
        QCOMPARE(vue->iconSize(), QSize(96, 96));
        QAbstractItemModel* m = vue->model();
        // The picture itself, centred in its square: its middle pixel is the picture's.
        const auto vignette = [&](int r) {
            const QVariant v = m->index(r, 0).data(Qt::DecorationRole);
            const QImage reference = image_ajustee(m_dossier + '/' + m->index(r, 0).data().toString(), QSize(96, 96)).image;
            if (v.typeId() != QMetaType::QPixmap || reference.isNull())
                return false;
            const QImage carre = v.value<QPixmap>().toImage();
            const QRgb a = carre.pixel(48, 48);
            const QRgb b = reference.pixel(48 - (96 - reference.width()) / 2, 48 - (96 - reference.height()) / 2);
            return qAlpha(a) > 0 && std::abs(qRed(a) - qRed(b)) < 40 && std::abs(qGreen(a) - qGreen(b)) < 40
                && std::abs(qBlue(a) - qBlue(b)) < 40;
        };
        const QStringList n = noms(f.get());
        for (int r = 0; r < n.size(); ++r) {
            vue->scrollTo(m->index(r, 0)); // rows come first when they show
            if (n[r] == "abime.jpg")
                continue;
            QTRY_VERIFY2_WITH_TIMEOUT(vignette(r), qPrintable(n[r]), 20000);
        }
        QTest::qWait(200);
        const QVariant abime = m->index(static_cast<int>(n.indexOf("abime.jpg")), 0).data(Qt::DecorationRole);
        const QVariant autre = m->index(static_cast<int>(n.indexOf("casse.JPG")), 0).data(Qt::DecorationRole);
        QVERIFY(abime.value<QPixmap>().toImage() != autre.value<QPixmap>().toImage()); // its type icon, not a picture
        QVERIFY(QFileInfo::exists(e->bac.chemin("home/.cache/thumbnails/normal")));

        QTest::mouseClick(affichage(f.get(), 3), Qt::LeftButton);
        QCOMPARE(m->index(0, 0).data(Qt::DecorationRole).typeId(), QMetaType::QIcon);
    }

    void tous_les_echantillons_s_affichent_ou_se_signalent()
    {
        auto f = navigateur(echantillon(""));
        int images = 0, refus = 0;
        for (const QString& nom : noms(f.get())) {
            const qsizetype avant = d().messages.size();
            cliquer(f.get(), nom);
            if (d().messages.size() > avant)
                ++refus;
            else if (texte(f.get(), "lblHauteur").endsWith(" Pixels"))
                ++images;
            else
                QFAIL(qPrintable("neither a picture nor a message: " + nom));
        }
        qInfo("%d pictures shown, %d refused", images, refus);
        // Metafiles preview too, with the size their header gives.
        cliquer(f.get(), "drawing.wmf");
        const QSize wmf = taille_image(echantillon("drawing.wmf"));
        QVERIFY(wmf.isValid());
        QCOMPARE(texte(f.get(), "lblLargeur"), texte_nombre(wmf.width()) + " Pixels");
        cliquer(f.get(), "drawing.emf");
        QCOMPARE(texte(f.get(), "lblHauteur"), texte_nombre(taille_image(echantillon("drawing.emf")).height()) + " Pixels");
        QVERIFY(images > 80);
        QVERIFY(refus > 0);
    }

    void disposition_suit_la_hauteur()
    {
        auto f = navigateur(m_dossier);
        auto* barre = enfant<StatusBar>(f.get(), "StatusBar1");
        auto* options = enfant<QPushButton>(f.get(), "cmdOptions");
        auto* quitter = enfant<QPushButton>(f.get(), "cmdQuitter");
        auto* liste = enfant<ListView>(f.get(), "ListView1");
        const auto verifier = [&] {
            const int haut = barre->y();
            QCOMPARE(haut, f->height() - barre->height());
            QCOMPARE(options->y(), haut - 30);
            QCOMPARE(quitter->y(), haut - 30);
            QCOMPARE(enfant<QLabel>(f.get(), "lblTotalFichiers")->y(), haut - 22);
            QCOMPARE(liste->y() + liste->height(), quitter->y() - 3);
            for (const char* nom : {"Dir1", "Picture1"}) {
                auto* w = enfant<QWidget>(f.get(), nom);
                QCOMPARE(w->y() + w->height(), haut);
            }
        };
        verifier();
        const int largeur = f->width();
        const int gauche = options->x();
        f->setFixedSize(largeur, f->height() + 120);
        QCoreApplication::processEvents();
        verifier();
        QCOMPARE(f->width(), largeur);
        QCOMPARE(options->x(), gauche);

        // Too small: heights that would be negative stay as they were, the rest still moves.
        const int hauteur_liste = liste->height();
        f->setFixedSize(largeur, 100);
        QCoreApplication::processEvents();
        QCOMPARE(liste->height(), hauteur_liste);
        QCOMPARE(options->y(), barre->y() - 30);
    }

    void aides_au_survol()
    {
        auto f = navigateur(m_dossier);
        const auto survoler = [&](QWidget* w) {
            QTest::mouseMove(w, QPoint(2, 2));
            QCoreApplication::processEvents();
            return panneau(f.get(), 2);
        };
        QCOMPARE(survoler(affichage(f.get(), 0)), QString(" Affichage en mode icônes "));
        QCOMPARE(survoler(enfant<QPushButton>(f.get(), "cmdQuitter")), QString(" Quitter le programme [IMAGORA] "));

        auto* option = enfant<QLabel>(f.get(), "lblOption1");
        QCOMPARE(option->text(), QString("Voir à la taille réelle"));
        QCOMPARE(option->toolTip(), QString("Voir l'image en taille réelle"));
        QCOMPARE(survoler(option), QString(" Afficher l'image sélectionnée à sa taille réelle "));
        QVERIFY(option->font().bold());
        QCOMPARE(option->palette().color(QPalette::WindowText), QColor(Qt::white));

        // Leaving the labels for the file list takes the highlight away.
        QCOMPARE(survoler(enfant<ListView>(f.get(), "ListView1")->vueDetails()->viewport()), QString(" Affichage de la liste des fichiers "));
        QVERIFY(!option->font().bold());
        QCOMPARE(option->palette().color(QPalette::WindowText), QColor(Qt::black));

        // The labels stand in two groups, picture actions then file actions.
        QList<int> ordre;
        for (int i = 0; i < 8; ++i)
            ordre.append(enfant<QLabel>(f.get(), QString("lblOption%1").arg(i))->y());
        QVERIFY(ordre[1] < ordre[2] && ordre[2] < ordre[3] && ordre[3] < ordre[0]);
        QVERIFY(ordre[0] < ordre[6] && ordre[6] < ordre[7] && ordre[7] < ordre[4] && ordre[4] < ordre[5]);
        QCOMPARE(ordre[6] - ordre[0], 3 * (ordre[2] - ordre[1]));

        QVERIFY(f2_ouvre_a_propos(f.get()));
        QCOMPARE(panneau(f.get(), 3), texte_date_longue(QDate::currentDate(), QLocale::system()));
        QVERIFY(!panneau(f.get(), 4).isEmpty());
    }

    // Escape, the close button and the Quit button each ask; No keeps the window, Yes writes
    // "inactif" to disk, and the window goes and the program is told to end.
    void quitter_avec_confirmation()
    {
        auto f = navigateur(m_dossier);
        QSignalSpy fin(f.get(), &frmVisualiseur::finDuProgramme);
        d().reponses = {Reponse::Non, Reponse::Non};
        QTest::keyClick(f.get(), Qt::Key_Escape);
        QVERIFY(!f->close());
        const Message question{"Voulez-vous vraiment quitter le programme ?", "IMAGORA", Boutons::OuiNon, Icone::Question};
        QCOMPARE(d().messages, QList<Message>(2, question));
        QVERIFY(f->isVisible());
        QCOMPARE(fin.size(), 0);
        QCOMPARE(module().parametres.lire("etat"), QString());

        d().reponses = {Reponse::Oui};
        enfant<QPushButton>(f.get(), "cmdQuitter")->click();
        QCOMPARE(d().messages.size(), 3);
        QCOMPARE(fin.size(), 1);
        QVERIFY(!f->isVisible());
        QSettings fichier(Parametres::chemin_fichier(), QSettings::IniFormat);
        QCOMPARE(fichier.value("parametres/etat").toString(), QString("inactif"));

        module().parametres.sauver("etat", "actif");
        f = navigateur(m_dossier);
        QSignalSpy fin_cadre(f.get(), &frmVisualiseur::finDuProgramme);
        d().reponses = {Reponse::Oui};
        QVERIFY(f->close());
        QCOMPARE(d().messages.size(), 4);
        QCOMPARE(fin_cadre.size(), 1);
        QCOMPARE(module().parametres.lire("etat"), QString("inactif"));
    }
};

QTEST_MAIN(TestVisualiseur)
#include "tst_frmvisualiseur.moc"
