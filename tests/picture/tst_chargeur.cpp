#include "apng_fabrique.h"
#include "fichiers_essai.h"
#include "images_fabriquees.h"

#include <QBuffer>
#include <QColorSpace>
#include <QColorTransform>
#include <QDir>
#include <QDirIterator>
#include <QPainter>

#include <sys/stat.h>

namespace {

using namespace essai;

QString echantillon(const QString& nom)
{
    return qEnvironmentVariable("SAMPLES") + QStringLiteral("/pillow/") + nom;
}

// A 60x40 picture in four flat quarters: red, green / blue, white.
QImage quartiers()
{
    QImage image(60, 40, QImage::Format_RGB32);
    QPainter p(&image);
    p.fillRect(0, 0, 30, 20, Qt::red);
    p.fillRect(30, 0, 30, 20, Qt::green);
    p.fillRect(0, 20, 30, 20, Qt::blue);
    p.fillRect(30, 20, 30, 20, Qt::white);
    return image;
}

const QByteArray svg_quartiers = "<?xml version='1.0' encoding='UTF-8'?>\n"
    "<!-- Quatre quarts -->\n"
    "<svg xmlns='http://www.w3.org/2000/svg' width='60' height='40'>\n"
    " <rect width='30' height='20' fill='#f00'/><rect x='30' width='30' height='20' fill='#0f0'/>\n"
    " <rect y='20' width='30' height='20' fill='#00f'/><rect x='30' y='20' width='30' height='20' fill='#fff'/>\n"
    "</svg>\n";

// The four quarters found again, whatever size the picture was read at.
bool en_quartiers(const QImage& lue)
{
    const auto proche = [&](qreal x, qreal y, QColor attendue) {
        const QColor c = lue.pixelColor(int(x * lue.width()), int(y * lue.height()));
        return qAbs(c.red() - attendue.red()) < 40 && qAbs(c.green() - attendue.green()) < 40
            && qAbs(c.blue() - attendue.blue()) < 40;
    };
    return !lue.isNull() && proche(0.25, 0.25, Qt::red) && proche(0.75, 0.25, Qt::green)
        && proche(0.25, 0.75, Qt::blue) && proche(0.75, 0.75, Qt::white);
}

// A PNG file of nothing but its header chunk, claiming the size given, 16 bits per RGBA channel.
QByteArray png_entete(quint32 largeur, quint32 hauteur)
{
    using namespace fabrique_apng;
    return fabrique_apng::ecrire(QList<Chunk>{Chunk{"IHDR", gb32(largeur) + gb32(hauteur) + QByteArray("\x10\x06\0\0\0", 5)}});
}

// Nothing read of the file, whatever the way: no picture, no size.
bool illisible(const QString& chemin)
{
    const ImageLue partie = image_partie(chemin, QRect(0, 0, 8, 8), QSize(8, 8));
    return rien_lu(chemin) && partie.image.isNull() && !partie.taille_naturelle.isValid();
}

// The JPEG of `image` with an EXIF block telling viewers to show it turned (`orientation` 1 to 8).
QByteArray jpeg_oriente(const QImage& image, int orientation)
{
    QByteArray jpeg;
    QBuffer tampon(&jpeg);
    tampon.open(QIODevice::WriteOnly);
    image.save(&tampon, "JPEG", 95);
    return avec_orientation_exif(jpeg, orientation);
}

} // namespace

class TestChargeur : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(QFileInfo(echantillon("hopper.bmp")).isFile(), "SAMPLES must name the shared test data");
    }

    void chaque_echantillon_se_lit_ou_echoue_proprement()
    {
        const QStringList motifs{"*.bmp", "*.dib", "*.gif", "*.jpg", "*.jpeg", "*.cur", "*.ico"};
        QDirIterator it(echantillon(QString()), motifs, QDir::Files, QDirIterator::Subdirectories);
        int lus = 0, refuses = 0;
        while (it.hasNext()) {
            const QString f = it.next();
            const QByteArray nom = f.toLocal8Bit();
            const QSize taille = taille_image(f);
            const ImageLue apercu = image_apercu(f, carre);
            const ImageLue complete = image_complete(f);
            if (!apercu.ok()) {
                QVERIFY2(!f.contains(QStringLiteral("/bmp/g/")), "Pillow's good BMP files must all load");
                QVERIFY2(!apercu.taille_naturelle.isValid(), nom.constData());
                QVERIFY2(!complete.ok() && !complete.taille_naturelle.isValid(), nom.constData());
                ++refuses;
                continue;
            }
            QCOMPARE(apercu.image.size(), carre);
            QVERIFY2(taille.isValid(), nom.constData());
            QCOMPARE(apercu.taille_naturelle, taille);
            QCOMPARE(complete.image.size(), taille);
            QCOMPARE(complete.taille_naturelle, taille);
            ++lus;
        }
        // About a tenth of Pillow's samples are damaged beyond reading, or use variants Qt lacks.
        const QString compte = QStringLiteral("%1 read, %2 refused").arg(lus).arg(refuses);
        QVERIFY2(lus >= 150 && refuses >= 10, qPrintable(compte));
    }

    void tailles_naturelles_connues_data()
    {
        QTest::addColumn<QString>("nom");
        QTest::addColumn<QSize>("taille");
        QTest::newRow("bmp") << "hopper.bmp" << QSize(128, 128);
        QTest::newRow("dib sans en-tête de fichier") << "clipboard.dib" << QSize(296, 176);
        QTest::newRow("gif") << "test.colors.gif" << QSize(807, 606);
        QTest::newRow("jpeg") << "flower.jpg" << QSize(480, 360);
        QTest::newRow("jpeg cmjn") << "pil_sample_cmyk.jpg" << QSize(100, 100);
        QTest::newRow("jpeg tourné par exif") << "orientation_rectangle.jpg" << QSize(1, 2);
        QTest::newRow("ico, la plus grande en dernier") << "python.ico" << QSize(48, 48);
        QTest::newRow("ico png") << "pillow.ico" << QSize(256, 256);
        QTest::newRow("cur") << "deerstalker.cur" << QSize(32, 32);
    }

    void tailles_naturelles_connues()
    {
        // The same size from the header and from the pixels is checked for every sample above.
        QFETCH(QString, nom);
        QFETCH(QSize, taille);
        QCOMPARE(taille_image(echantillon(nom)), taille);
        QCOMPARE(image_complete(echantillon(nom)).image.size(), taille);
    }

    void orientation_exif_appliquee_aux_pixels()
    {
        const QImage droite = image_complete(echantillon("hopper.jpg")).image;
        for (int orientation = 2; orientation <= 8; ++orientation) {
            const QString nom = QStringLiteral("hopper_orientation_%1.jpg").arg(orientation);
            QVERIFY2(ecart_moyen(image_complete(echantillon(nom)).image, droite) < 8, qPrintable(nom));
        }
        // The reader scales before it turns: a non-square target must still come out as asked.
        QCOMPARE(image_apercu(echantillon("orientation_rectangle.jpg"), QSize(40, 90)).image.size(), QSize(40, 90));
    }

    void type_reconnu_au_contenu()
    {
        QTemporaryDir dossier;
        const auto sous = [&](const char* source, const char* nom) { return ecrire(dossier, nom, lire(echantillon(source))); };
        QCOMPARE(image_complete(sous("flower.jpg", "fleur.bmp")).image.size(), QSize(480, 360));
        QCOMPARE(image_complete(sous("hopper.bmp", "hopper.gif")).image.size(), QSize(128, 128));
        QCOMPARE(image_complete(sous("bmp/g/rgb24.bmp", "rgb24.dib")).image.size(), QSize(127, 64));
        QCOMPARE(image_apercu(sous("clipboard.dib", "presse-papiers.jpg"), carre).taille_naturelle, QSize(296, 176));
    }

    void types_recents_reconnus_et_lus_data()
    {
        QTest::addColumn<QByteArray>("format"); // Qt's writer, or "svg" / "svgz"
        for (const char* f : {"png", "tiff", "webp", "svg", "svgz"})
            QTest::newRow(f) << QByteArray(f);
    }

    void types_recents_reconnus_et_lus()
    {
        // Each under a name that says JPEG: the content alone decides.
        QFETCH(QByteArray, format);
        QTemporaryDir dossier;
        QString chemin = dossier.filePath("image.jpg");
        if (format == "svg") {
            chemin = ecrire(dossier, "image.jpg", svg_quartiers);
        } else if (format == "svgz") {
            const QString svg = ecrire(dossier, "dessin.jpg", svg_quartiers);
            QCOMPARE(QProcess::execute("sh", {"-c", "gzip -c \"$0\" > \"$1\"", svg, chemin}), 0);
        } else {
            QVERIFY(quartiers().save(chemin, format.constData(), 100));
        }
        lue_a_chaque_taille(chemin, QSize(60, 40), QSize(30, 30), QSize(30, 20), [](const QImage& image, int) { QVERIFY(en_quartiers(image)); });
    }

    void profondeur_et_couleurs_ramenees_a_srgb_8_bits()
    {
        QTemporaryDir dossier;
        // 16 bits per channel: half intensity stays half, neither black nor white.
        QImage seize(8, 8, QImage::Format_RGBA64);
        seize.fill(QColor::fromRgba64(0x8080, 0x4040, 0xC0C0));
        QVERIFY(seize.save(dossier.filePath("seize.png")));
        const QImage lue16 = image_complete(dossier.filePath("seize.png")).image;
        QCOMPARE(lue16.depth(), 32);
        QCOMPARE(lue16.pixelColor(4, 4), QColor(0x80, 0x40, 0xC0));

        // A Display P3 picture (its profile in the file) comes converted to sRGB, as Qt's own
        // colour transform does it.
        QImage p3(8, 8, QImage::Format_RGB32);
        p3.fill(QColor(200, 120, 60));
        p3.setColorSpace(QColorSpace(QColorSpace::DisplayP3));
        QVERIFY(p3.save(dossier.filePath("p3.png")));
        const QRgb attendue = QColorSpace(QColorSpace::DisplayP3).transformationToColorSpace(QColorSpace::SRgb).map(qRgb(200, 120, 60));
        for (const QImage& lue : {image_complete(dossier.filePath("p3.png")).image, image_apercu(dossier.filePath("p3.png"), carre).image})
            COULEUR(lue, 4, 4, attendue, 2);
    }

    void tiff_lu_dans_sa_page_reduite()
    {
        // A scanner's TIFF: the picture, then the same at half and a quarter of its size. Each page
        // has its own colour here, to tell which one was decoded.
        QTemporaryDir dossier;
        const QString chemin = dossier.filePath("scan.tif");
        if (!lancer("convert", {"-size", "1200x800", "xc:red", "-size", "600x400", "xc:lime", "-size", "300x200", "xc:blue", chemin}).isEmpty())
            QSKIP("ImageMagick's convert is needed to make a TIFF of several pages");
        const auto couleur = [](const ImageLue& lue) { return lue.image.pixelColor(lue.image.width() / 2, lue.image.height() / 2); };
        QCOMPARE(taille_image(chemin), QSize(1200, 800));
        const ImageLue apercu = image_apercu(chemin, carre);
        QCOMPARE(couleur(apercu), QColor(Qt::blue));
        QCOMPARE(apercu.taille_naturelle, QSize(1200, 800));
        const ImageLue ajustee = image_ajustee(chemin, QSize(500, 500));
        QCOMPARE(ajustee.image.size(), QSize(500, 333));
        QCOMPARE(couleur(ajustee), QColor(Qt::green));
        QCOMPARE(couleur(image_complete(chemin)), QColor(Qt::red));
    }

    void svg_sans_rien_d_exterieur()
    {
        QTemporaryDir dossier;
        // A drawing that names a pipe as its picture would keep a reader waiting forever; one that
        // names a picture of the disk would show it. Neither is opened: the rest is drawn.
        const QString tube = dossier.filePath("tube.png");
        QCOMPARE(::mkfifo(QFile::encodeName(tube).constData(), 0600), 0);
        QVERIFY(quartiers().save(dossier.filePath("photo.png")));
        for (const QString& cible : {tube, dossier.filePath("photo.png"), "file://" + dossier.filePath("photo.png")}) {
            const QString chemin = ecrire(dossier, "lien.svg", QString::fromLatin1(
                "<svg xmlns='http://www.w3.org/2000/svg' xmlns:xlink='http://www.w3.org/1999/xlink' width='60' height='40'>"
                "<rect width='60' height='40' fill='#00f'/><image width='60' height='40' xlink:href='%1'/>"
                "<a href='https://exemple.org/'><rect width='10' height='10' fill='#f00'/></a></svg>").arg(cible).toUtf8());
            const QImage lue = image_complete(chemin).image;
            QCOMPARE(lue.size(), QSize(60, 40));
            QCOMPARE(lue.pixelColor(30, 30), QColor(Qt::blue));
            QCOMPARE(lue.pixelColor(5, 5), QColor(Qt::red));
        }
        // A drawing that inflates to gigabytes, and one whose entities do, are refused.
        QProcess::execute("bash", {"-c", "head -c 100M /dev/zero | gzip -c > " + dossier.filePath("bombe.svgz")});
        QVERIFY(QFileInfo(dossier.filePath("bombe.svgz")).size() > 0);
        QString entites = "<?xml version=\"1.0\"?><!DOCTYPE svg [<!ENTITY a \"aaaaaaaaaaaaaaaa\">";
        for (char e = 'b'; e <= 'h'; ++e)
            entites += QStringLiteral("<!ENTITY %1 \"%2\">").arg(QChar(e), QString("&%1;").arg(QChar(e - 1)).repeated(16));
        entites += "]><svg xmlns=\"http://www.w3.org/2000/svg\" width=\"10\" height=\"10\"><text>&h;</text></svg>";
        for (const QString& chemin : {dossier.filePath("bombe.svgz"), ecrire(dossier, "entites.svg", entites.toUtf8())})
            QVERIFY2(illisible(chemin), qPrintable(chemin));
    }

    void fichiers_illisibles_echouent_proprement()
    {
        QTemporaryDir dossier;
        QDir(dossier.path()).mkdir("dossier.jpg");
        const QString fifo = dossier.filePath("tube.jpg");
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        const QStringList chemins{
            ecrire(dossier, "entete_seul.jpg", lire(echantillon("iptc.jpg")).left(1000)), // cut before the scan
            ecrire(dossier, "tourne_coupe.jpg", jpeg_oriente(reperee(QSize(150, 100)), 6).left(300)), // inside its tables
            ecrire(dossier, "coupe.bmp", lire(echantillon("hopper.bmp")).left(30)),
            ecrire(dossier, "texte.jpg", "Ceci n'est pas une image.\n"),
            ecrire(dossier, "vide.bmp", QByteArray()),
            ecrire(dossier, "ecran_immense.gif", QByteArray("GIF89a\x60\xEA\x60\xEA\x80\0\0", 13).leftJustified(800, '\0')),
            ecrire(dossier, "entete_seul.png", png_entete(640, 480)),
            ecrire(dossier, "coupe.webp", QByteArray("RIFF\x40\0\0\0WEBPVP8L", 16)),
            ecrire(dossier, "coupe.tif", QByteArray("II*\0\x08\0\0\0\x40\0", 10)),
            ecrire(dossier, "coupe.svg", "<svg xmlns='http://www.w3.org/2000/svg' width='10' height='10'><rect"),
            dossier.filePath("absent.jpg"),
            dossier.filePath("dossier.jpg"),
            fifo, // opening it for reading would wait for a writer forever
            QString(),
        };
        for (const QString& chemin : chemins)
            QVERIFY2(!taille_image(chemin).isValid() && !taille_complete(chemin).isValid() && illisible(chemin), qPrintable(chemin));
    }

    void entrees_du_fuzzer_sans_plantage()
    {
        // Inputs that once crashed or hung a reader: each is read or refused, nothing more.
        QDirIterator it(QStringLiteral(CORPUS_PLANTAGES), QDir::Files);
        while (it.hasNext()) {
            const QString f = it.next();
            const ImageLue lue = image_apercu(f, carre);
            QCOMPARE(lue.ok(), lue.taille_naturelle.isValid());
            image_complete(f);
        }
    }

    void bombes_de_decompression_refusees()
    {
        // 16x16 in the directory, 65535x32767 in the picture's own header.
        QVERIFY(!taille_image(echantillon("decompression_bomb.ico")).isValid());
        QVERIFY(illisible(echantillon("decompression_bomb.ico")));
        // A 32x32 screen whose first frame claims 65535x65535.
        QVERIFY(illisible(echantillon("decompression_bomb.gif")));
    }

    void tailles_demandees()
    {
        // A preview is stretched to exactly the size asked; an empty size gives nothing.
        QCOMPARE(image_apercu(echantillon("hopper.gif"), QSize(300, 20)).image.size(), QSize(300, 20));
        QVERIFY(image_apercu(echantillon("iptc.jpg"), QSize(0, 145)).image.isNull());
        // A fitted picture keeps its proportions and is never enlarged.
        const auto taille = [](const char* nom, QSize boite) { return image_ajustee(echantillon(nom), boite).image.size(); };
        QCOMPARE(taille("iptc.jpg", QSize(320, 320)), QSize(320, 240));
        QCOMPARE(taille("iptc.jpg", QSize(1920, 1080)), QSize(640, 480));
        QCOMPARE(taille("imageops_pad_v_0.jpg", QSize(200, 200)), QSize(100, 200));
        QCOMPARE(taille("hopper.bmp", QSize(64, 1000)), QSize(64, 64));
        QCOMPARE(taille("orientation_rectangle.jpg", QSize(100, 100)), QSize(1, 2));
        QCOMPARE(image_ajustee(echantillon("iptc.jpg"), QSize(100, 100)).taille_naturelle, QSize(640, 480));
    }

    void partie_d_une_image_data()
    {
        QTest::addColumn<QByteArray>("format");
        QTest::addColumn<int>("orientation"); // EXIF, JPEG only
        for (const char* format : {"jpeg", "png", "bmp"})
            QTest::newRow(format) << QByteArray(format) << 1;
        for (int orientation = 2; orientation <= 8; ++orientation)
            QTest::addRow("jpeg exif %d", orientation) << QByteArray("jpeg") << orientation;
    }

    void partie_d_une_image()
    {
        // The part read alone has the pixels of the same part of the whole picture, as shown
        // (turned as its EXIF block says), whatever the type.
        QFETCH(QByteArray, format);
        QFETCH(int, orientation);
        QTemporaryDir dossier;
        const QImage motif = reperee(QSize(1500, 1000));
        QString chemin = dossier.filePath("image." + format);
        if (format == "jpeg")
            chemin = ecrire(dossier, "image.jpg", jpeg_oriente(motif, orientation));
        else
            QVERIFY(motif.save(chemin, format.constData()));
        const QSize naturelle = orientation >= 5 ? QSize(1000, 1500) : QSize(1500, 1000);
        QCOMPARE(taille_image(chemin), naturelle);
        QCOMPARE(taille_complete(chemin), naturelle);
        const QImage complete = image_complete(chemin).image;
        QCOMPARE(complete.size(), naturelle);

        const QRect zones[] = {QRect(0, 0, 100, 80), QRect(333, 211, 517, 389),
                               QRect(naturelle.width() - 64, naturelle.height() - 48, 64, 48), QRect(0, 0, naturelle.width(), 7)};
        for (const QRect& zone : zones) {
            const ImageLue partie = image_partie(chemin, zone, zone.size());
            QCOMPARE(partie.taille_naturelle, naturelle);
            const double ecart = ecart_moyen(partie.image, complete.copy(zone));
            QVERIFY2(ecart < 0.5, qPrintable(QStringLiteral("%1 for %2,%3 %4x%5").arg(ecart).arg(zone.x()).arg(zone.y()).arg(zone.width()).arg(zone.height())));
        }
        // At a quarter of its size (libjpeg's own reduction for a JPEG).
        const QRect zone(400, 200, 400, 320);
        const QImage attendue = complete.copy(zone).scaled(100, 80, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        const double ecart = ecart_moyen(image_partie(chemin, zone, QSize(100, 80)).image, attendue);
        QVERIFY2(ecart < 8, qPrintable(QString::number(ecart)));

        // Past the edges: cut to the picture at the same scale; wholly outside or empty: nothing.
        const QRect debordante(naturelle.width() - 50, naturelle.height() - 30, 100, 100);
        QVERIFY(ecart_moyen(image_partie(chemin, debordante, debordante.size()).image, complete.copy(debordante & complete.rect())) < 0.5);
        QVERIFY(image_partie(chemin, QRect(naturelle.width(), 0, 40, 40), QSize(40, 40)).image.isNull());
        QVERIFY(image_partie(chemin, QRect(-80, -80, 40, 40), QSize(40, 40)).image.isNull());
        QVERIFY(image_partie(chemin, QRect(), QSize(40, 40)).image.isNull());
        QVERIFY(image_partie(chemin, QRect(10, 10, 40, 40), QSize()).image.isNull());
        // The whole picture asked as a part is the whole picture.
        QVERIFY(ecart_moyen(image_partie(chemin, complete.rect(), naturelle).image, complete) < 0.5);
    }

    void partie_d_un_dessin()
    {
        // A drawing's part is drawn at the scale asked: the same pixels as the whole drawing there.
        QTemporaryDir dossier;
        const QString svg = ecrire(dossier, "dessin.svg", svg_quartiers);
        const ImageLue vert = image_partie(svg, QRect(30, 0, 30, 20), QSize(300, 200));
        QCOMPARE(vert.image.size(), QSize(300, 200));
        QCOMPARE(vert.taille_naturelle, QSize(60, 40));
        QCOMPARE(vert.image.pixelColor(2, 2), QColor(Qt::green));
        QCOMPARE(vert.image.pixelColor(297, 197), QColor(Qt::green));
        const QImage centre = image_partie(svg, QRect(20, 10, 20, 20), QSize(20, 20)).image;
        QCOMPARE(centre.pixelColor(5, 5), QColor(Qt::red));
        QCOMPARE(centre.pixelColor(15, 5), QColor(Qt::green));
        QCOMPARE(centre.pixelColor(5, 15), QColor(Qt::blue));
        QCOMPARE(centre.pixelColor(15, 15), QColor(Qt::white));

        const QString emf = ecrire(dossier, "dessin.emf", fabrique::emf_rectangle(QSize(1000, 800)));
        const QImage entier = image_complete(emf).image;
        QCOMPARE(entier.size(), QSize(1000, 800));
        const QRect zone(50, 40, 300, 200); // across the rectangle's corner at (100, 80)
        const ImageLue coin = image_partie(emf, zone, zone.size());
        QCOMPARE(coin.taille_naturelle, QSize(1000, 800));
        QVERIFY(ecart_moyen(coin.image, entier.copy(zone)) < 0.5);
        QImage blanc(zone.size(), QImage::Format_RGB32);
        blanc.fill(Qt::white);
        QVERIFY(ecart_moyen(coin.image, blanc) > 1); // the rectangle's corner is in it
        const QImage moitie = image_apercu(emf, QSize(500, 400)).image;
        QVERIFY(ecart_moyen(image_partie(emf, zone, QSize(150, 100)).image, moitie.copy(25, 20, 150, 100)) < 0.5);
    }

    void lecture_dans_le_budget_memoire_data()
    {
        QTest::addColumn<QByteArray>("octets");
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QSize>("demandee"); // for apercu and ajustee
        QTest::addColumn<QSize>("image");    // the picture read; (0, 0) when it cannot be read
        QTest::addColumn<QSize>("naturelle");
        const QSize ecran(1920, 1080), rien(0, 0), inconnue(-1, -1);

        // Small files whose headers claim gigabytes: refused from the header. A progressive JPEG's
        // coefficients alone would take 3.2 GB here, whatever the size decoded.
        const QByteArray jpeg_cmjn = fabrique::jpeg_uni(40000, 10000, 4, true, 3800);
        QTest::newRow("jpeg progressif cmjn 40000x10000, apercu") << jpeg_cmjn << "apercu" << carre << rien << inconnue;
        QTest::newRow("jpeg progressif cmjn 40000x10000, complete") << jpeg_cmjn << "complete" << carre << rien << inconnue;
        QTest::newRow("gif 16000x16000, apercu") << fabrique::gif_immense(16000) << "apercu" << carre << rien << inconnue;
        QTest::newRow("gif 16000x16000, ajustee") << fabrique::gif_immense(16000) << "ajustee" << ecran << rien << inconnue;
        const QByteArray bmp = fabrique::bmp_rle_immense(16000, 16000);
        QTest::newRow("bmp rle 16000x16000, apercu") << bmp << "apercu" << carre << rien << inconnue;
        QTest::newRow("bmp rle 16000x16000, complete") << bmp << "complete" << carre << rien << inconnue;

        // A drawing has no pixels of its own: at its natural size it is drawn within 4096 pixels.
        const QByteArray emf = fabrique::emf_rectangle(QSize(16000, 16000));
        QTest::newRow("emf 16000x16000, apercu") << emf << "apercu" << carre << carre << QSize(16000, 16000);
        QTest::newRow("emf 16000x16000, complete") << emf << "complete" << carre << QSize(4096, 4096) << QSize(16000, 16000);
        QTest::newRow("emf 16000x16000, ajustee") << emf << "ajustee" << ecran << QSize(1080, 1080) << QSize(16000, 16000);
        const QByteArray svg = "<svg xmlns='http://www.w3.org/2000/svg' width='20000' height='20000'><rect width='10' height='10'/></svg>";
        QTest::newRow("svg 20000x20000, complete") << svg << "complete" << carre << QSize(4096, 4096) << QSize(20000, 20000);
        // 16 bits per channel: 12.8 GB to decode.
        QTest::newRow("png 40000x10000, apercu") << png_entete(40000, 10000) << "apercu" << carre << rien << inconnue;

        // Real pictures that are merely big still show, at a reduced size when the budget asks it.
        const QByteArray grand = fabrique::jpeg_uni(12000, 12000, 3, false);
        QTest::newRow("jpeg 12000x12000, apercu") << grand << "apercu" << carre << carre << QSize(12000, 12000);
        QTest::newRow("jpeg 12000x12000, complete") << grand << "complete" << carre << QSize(6000, 6000) << QSize(12000, 12000);
        const QByteArray progressif = fabrique::jpeg_uni(6000, 4000, 3, true);
        QTest::newRow("jpeg progressif 6000x4000, apercu") << progressif << "apercu" << carre << carre << QSize(6000, 4000);
        QTest::newRow("jpeg progressif 6000x4000, complete") << progressif << "complete" << carre << QSize(6000, 4000) << QSize(6000, 4000);
    }

    void lecture_dans_le_budget_memoire()
    {
        // Each read runs in a fresh process, whose peak resident memory (VmHWM) is compared with
        // what it was before: one picture may take at most 512 MB, whatever its header claims.
        QFETCH(QByteArray, octets);
        QFETCH(QString, mode);
        QFETCH(QSize, demandee);
        QFETCH(QSize, image);
        QFETCH(QSize, naturelle);
        QTemporaryDir dossier;
        const QString chemin = ecrire(dossier, QStringLiteral("image"), octets);
        QVERIFY(!chemin.isEmpty());
        const LectureMesuree lue = lire_a_part(mode, chemin, demandee);
        QVERIFY2(lue.pic_ko > 0 && lue.avant_ko > 0, "sonde_memoire did not report");
        const qint64 pris_mo = (lue.pic_ko - lue.avant_ko) / 1024;
        QVERIFY2(pris_mo <= 512, qPrintable(QStringLiteral("%1 MB taken by the read").arg(pris_mo)));
        QCOMPARE(lue.image, image);
        QCOMPARE(lue.naturelle, naturelle);
    }

    void lectures_simultanees_identiques()
    {
        QStringList chemins;
        for (const char* nom : {"flower.jpg", "hopper.bmp", "chi.gif", "python.ico", "clipboard.dib", "iptc.jpg"})
            chemins << echantillon(nom);
        QVERIFY(memes_en_parallele(chemins, carre));
    }
};

QTEST_MAIN(TestChargeur)
#include "tst_chargeur.moc"
