#include "fichiers_essai.h"
#include "images_fabriquees.h"
#include "picture/chargeur.h"

#include <QBuffer>
#include <QDir>
#include <QDirIterator>
#include <QColorSpace>
#include <QColorTransform>
#include <QFile>
#include <QPainter>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <sys/stat.h>

#include <future>
#include <vector>

namespace {

using essai::ecrire;
using essai::ecart_moyen;

const QSize carre(145, 145); // the browser's preview square

QString echantillon(const QString& nom)
{
    return qEnvironmentVariable("SAMPLES") + QStringLiteral("/pillow/") + nom;
}

// Copies the first `longueur` bytes of `source` (all when negative) to `nom` inside `dossier`.
QString copier(const QTemporaryDir& dossier, const QString& source, const QString& nom, qint64 longueur = -1)
{
    QFile entree(source);
    if (!entree.open(QIODevice::ReadOnly))
        return {};
    const QString chemin = dossier.filePath(nom);
    QFile sortie(chemin);
    if (!sortie.open(QIODevice::WriteOnly) || sortie.write(entree.read(longueur < 0 ? entree.size() : longueur)) < 0)
        return {};
    return chemin;
}

// A read made by sonde_memoire, in a process of its own: what it gave and the memory it took.
struct LectureMesuree {
    QSize image, naturelle;
    qint64 avant_ko = -1, pic_ko = -1; // VmHWM before the read and after it
};

LectureMesuree lire_a_part(const QString& mode, const QString& chemin, QSize taille)
{
    QProcess sonde;
    QProcessEnvironment environnement = QProcessEnvironment::systemEnvironment();
    // Under AddressSanitizer, freed blocks wait in a quarantine of 256 MB by default; a small one
    // keeps the peak what the reader itself holds.
    const QString asan = environnement.value(QStringLiteral("ASAN_OPTIONS"));
    environnement.insert(QStringLiteral("ASAN_OPTIONS"), asan + (asan.isEmpty() ? "" : ":") + "quarantine_size_mb=16");
    sonde.setProcessEnvironment(environnement);
    sonde.start(QStringLiteral(SONDE_MEMOIRE),
                {mode, chemin, QString::number(taille.width()), QString::number(taille.height())});
    LectureMesuree mesure;
    if (!sonde.waitForFinished(120'000) || sonde.exitStatus() != QProcess::NormalExit || sonde.exitCode() != 0)
        return mesure;
    const auto taille_lue = [](const QByteArray& texte) {
        const QList<QByteArray> cotes = texte.split('x');
        return cotes.size() == 2 ? QSize(cotes[0].toInt(), cotes[1].toInt()) : QSize();
    };
    for (const QByteArray& ligne : sonde.readAllStandardOutput().split('\n')) {
        const QList<QByteArray> champs = ligne.split(' ');
        if (champs.size() != 2)
            continue;
        if (champs[0] == "image")
            mesure.image = taille_lue(champs[1]);
        else if (champs[0] == "naturelle")
            mesure.naturelle = taille_lue(champs[1]);
        else if (champs[0] == "avant")
            mesure.avant_ko = champs[1].toLongLong();
        else if (champs[0] == "memoire")
            mesure.pic_ko = champs[1].toLongLong();
    }
    return mesure;
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

QString gzip(const QTemporaryDir& dossier, const QString& source, const QString& nom)
{
    QProcess gzip;
    gzip.setStandardInputFile(source);
    gzip.setStandardOutputFile(dossier.filePath(nom));
    gzip.start(QStringLiteral("gzip"), {QStringLiteral("-c")});
    return gzip.waitForFinished() && gzip.exitCode() == 0 ? dossier.filePath(nom) : QString();
}

quint32 crc_png(QByteArrayView octets)
{
    quint32 crc = 0xFFFFFFFF;
    for (const char o : octets) {
        crc ^= quint8(o);
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320 & (0 - (crc & 1)));
    }
    return ~crc;
}

// A PNG file of nothing but its header chunk, claiming the size given.
QByteArray png_entete(quint32 largeur, quint32 hauteur)
{
    QByteArray ihdr("IHDR");
    for (const quint32 v : {largeur, hauteur}) {
        char o[4];
        qToBigEndian(v, o);
        ihdr.append(o, 4);
    }
    ihdr.append("\x10\x06\0\0\0", 5); // 16 bits per channel, RGBA
    QByteArray png("\x89PNG\r\n\x1A\n\0\0\0\x0D", 12);
    png += ihdr;
    char crc[4];
    qToBigEndian(crc_png(ihdr), crc);
    return png.append(crc, 4);
}

void verifier_echec(const QString& chemin)
{
    const ImageLue lues[] = {image_apercu(chemin, carre), image_complete(chemin), image_ajustee(chemin, QSize(800, 600)),
                             image_partie(chemin, QRect(0, 0, 8, 8), QSize(8, 8))};
    for (const ImageLue& lue : lues)
        QVERIFY2(lue.image.isNull() && !lue.taille_naturelle.isValid(), qPrintable(chemin));
}

// A picture whose pixels tell where they are: red grows from left to right, green from top to
// bottom, and blue makes a checkerboard of 8-pixel squares, so that a part shifted by a few pixels
// does not match.
QImage reperee(QSize taille)
{
    QImage image(taille, QImage::Format_RGB32);
    for (int y = 0; y < taille.height(); ++y) {
        auto* ligne = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < taille.width(); ++x)
            ligne[x] = qRgb(x * 255 / (taille.width() - 1), y * 255 / (taille.height() - 1), ((x / 8 + y / 8) % 2) ? 200 : 60);
    }
    return image;
}

// The JPEG of `image` with an EXIF block telling viewers to show it turned (`orientation` 1 to 8).
QByteArray jpeg_oriente(const QImage& image, int orientation)
{
    QByteArray jpeg;
    QBuffer tampon(&jpeg);
    tampon.open(QIODevice::WriteOnly);
    image.save(&tampon, "JPEG", 95);
    // Big-endian TIFF header, one IFD of one entry: Orientation (0x0112), SHORT, 1 value.
    QByteArray exif("Exif\0\0MM\0\x2A\0\0\0\x08\0\x01\x01\x12\0\x03\0\0\0\x01", 24);
    exif += char(0);
    exif += char(orientation);
    exif += QByteArray(6, '\0'); // the value's padding, then no next IFD
    QByteArray segment("\xFF\xE1", 2);
    segment += char((exif.size() + 2) >> 8);
    segment += char((exif.size() + 2) & 0xFF);
    return jpeg.left(2) + segment + exif + jpeg.mid(2);
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
            QVERIFY2(complete.ok(), nom.constData());
            QCOMPARE(complete.image.size(), taille);
            QCOMPARE(complete.taille_naturelle, taille);
            ++lus;
        }
        // About a tenth of Pillow's samples are damaged beyond reading, or use variants Qt lacks.
        qInfo("%d samples read, %d refused", lus, refuses);
        QVERIFY2(lus >= 150, qPrintable(QStringLiteral("%1 read, %2 refused").arg(lus).arg(refuses)));
        QVERIFY2(refuses >= 10, qPrintable(QStringLiteral("%1 read, %2 refused").arg(lus).arg(refuses)));
    }

    void tailles_naturelles_connues_data()
    {
        QTest::addColumn<QString>("nom");
        QTest::addColumn<QSize>("taille");
        QTest::newRow("bmp") << "hopper.bmp" << QSize(128, 128);
        QTest::newRow("bmp de haut en bas") << "bmp/g/pal8topdown.bmp" << QSize(127, 64);
        QTest::newRow("bmp os/2") << "bmp/g/pal8os2.bmp" << QSize(127, 64);
        QTest::newRow("dib sans en-tête de fichier") << "clipboard.dib" << QSize(296, 176);
        QTest::newRow("gif") << "test.colors.gif" << QSize(807, 606);
        QTest::newRow("gif animé") << "chi.gif" << QSize(320, 240);
        QTest::newRow("jpeg") << "flower.jpg" << QSize(480, 360);
        QTest::newRow("jpeg cmjn") << "pil_sample_cmyk.jpg" << QSize(100, 100);
        QTest::newRow("jpeg tourné par exif") << "orientation_rectangle.jpg" << QSize(1, 2);
        QTest::newRow("ico, la plus grande en dernier") << "python.ico" << QSize(48, 48);
        QTest::newRow("ico png") << "pillow.ico" << QSize(256, 256);
        QTest::newRow("cur") << "deerstalker.cur" << QSize(32, 32);
    }

    void tailles_naturelles_connues()
    {
        QFETCH(QString, nom);
        QFETCH(QSize, taille);
        QCOMPARE(taille_image(echantillon(nom)), taille);
        const ImageLue lue = image_complete(echantillon(nom));
        QVERIFY(lue.ok());
        QCOMPARE(lue.image.size(), taille);
        QCOMPARE(image_apercu(echantillon(nom), carre).taille_naturelle, taille);
    }

    void orientation_exif_appliquee_aux_pixels()
    {
        const QImage droite = image_complete(echantillon("hopper.jpg")).image;
        for (int orientation = 2; orientation <= 8; ++orientation) {
            const QString nom = QStringLiteral("hopper_orientation_%1.jpg").arg(orientation);
            const QImage lue = image_complete(echantillon(nom)).image;
            QCOMPARE(lue.size(), droite.size());
            QVERIFY2(ecart_moyen(lue, droite) < 8, qPrintable(nom));
        }
        // The reader scales before it turns: a non-square target must still come out as asked.
        const ImageLue tournee = image_apercu(echantillon("orientation_rectangle.jpg"), QSize(40, 90));
        QCOMPARE(tournee.image.size(), QSize(40, 90));
    }

    void type_reconnu_au_contenu()
    {
        QTemporaryDir dossier;
        QVERIFY(dossier.isValid());
        const QString jpeg_en_bmp = copier(dossier, echantillon("flower.jpg"), "fleur.bmp");
        const QString bmp_en_gif = copier(dossier, echantillon("hopper.bmp"), "hopper.gif");
        const QString bmp_en_dib = copier(dossier, echantillon("bmp/g/rgb24.bmp"), "rgb24.dib");
        const QString dib_en_jpg = copier(dossier, echantillon("clipboard.dib"), "presse-papiers.jpg");
        QCOMPARE(image_complete(jpeg_en_bmp).image.size(), QSize(480, 360));
        QCOMPARE(image_complete(bmp_en_gif).image.size(), QSize(128, 128));
        QCOMPARE(image_complete(bmp_en_dib).image.size(), QSize(127, 64));
        QCOMPARE(image_apercu(dib_en_jpg, carre).taille_naturelle, QSize(296, 176));
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
        QVERIFY(dossier.isValid());
        QString chemin = dossier.filePath("image.jpg");
        if (format == "svg" || format == "svgz") {
            chemin = ecrire(dossier, "dessin.jpg", svg_quartiers);
            if (format == "svgz")
                chemin = gzip(dossier, chemin, "image.jpg");
        } else {
            QVERIFY(quartiers().save(chemin, format.constData(), 100));
        }
        QCOMPARE(taille_image(chemin), QSize(60, 40));
        const ImageLue apercu = image_apercu(chemin, carre);
        QCOMPARE(apercu.image.size(), carre);
        QCOMPARE(apercu.taille_naturelle, QSize(60, 40));
        QVERIFY(en_quartiers(apercu.image));
        const ImageLue complete = image_complete(chemin);
        QCOMPARE(complete.image.size(), QSize(60, 40));
        QVERIFY(en_quartiers(complete.image));
        QCOMPARE(complete.image.depth(), 32);
        QCOMPARE(image_ajustee(chemin, QSize(30, 30)).image.size(), QSize(30, 20));
    }

    void profondeur_et_couleurs_ramenees_a_srgb_8_bits()
    {
        QTemporaryDir dossier;
        QVERIFY(dossier.isValid());
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
        const QColor attendue = QColorSpace(QColorSpace::DisplayP3).transformationToColorSpace(QColorSpace::SRgb)
                                    .map(QColor(200, 120, 60));
        for (const ImageLue& lue : {image_complete(dossier.filePath("p3.png")), image_apercu(dossier.filePath("p3.png"), carre)}) {
            const QColor c = lue.image.pixelColor(4, 4);
            QVERIFY2(qAbs(c.red() - attendue.red()) <= 2 && qAbs(c.green() - attendue.green()) <= 2
                         && qAbs(c.blue() - attendue.blue()) <= 2,
                     qPrintable(QStringLiteral("%1 for %2").arg(c.name(), attendue.name())));
            QVERIFY(attendue != QColor(200, 120, 60));
        }
    }

    void tiff_lu_dans_sa_page_reduite()
    {
        // A scanner's TIFF: the picture, then the same at half and a quarter of its size. Each page
        // has its own colour here, to tell which one was decoded.
        QTemporaryDir dossier;
        QVERIFY(dossier.isValid());
        const QString chemin = dossier.filePath("scan.tif");
        QProcess convert;
        convert.start("convert", {"-size", "1200x800", "xc:red", "-size", "600x400", "xc:lime", "-size", "300x200",
                                  "xc:blue", chemin});
        if (!convert.waitForFinished() || convert.exitCode() != 0)
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
        QVERIFY(dossier.isValid());
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
            verifier_echec(chemin);
    }

    void fichiers_illisibles_echouent_proprement()
    {
        QTemporaryDir dossier;
        QVERIFY(dossier.isValid());
        QDir(dossier.path()).mkdir("dossier.jpg");
        const QString fifo = dossier.filePath("tube.jpg");
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        const QStringList chemins{
            copier(dossier, echantillon("iptc.jpg"), "entete_seul.jpg", 1000), // cut before the scan
            copier(dossier, echantillon("hopper.bmp"), "coupe.bmp", 30),
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
        for (const QString& chemin : chemins) {
            QVERIFY2(!taille_image(chemin).isValid(), qPrintable(chemin));
            verifier_echec(chemin);
        }
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
        verifier_echec(echantillon("decompression_bomb.ico"));
        // A 32x32 screen whose first frame claims 65535x65535.
        verifier_echec(echantillon("decompression_bomb.gif"));
    }

    void apercu_etire_a_la_taille_demandee()
    {
        const ImageLue photo = image_apercu(echantillon("iptc.jpg"), carre);
        QCOMPARE(photo.image.size(), carre);
        QCOMPARE(photo.taille_naturelle, QSize(640, 480));
        QCOMPARE(image_apercu(echantillon("hopper.gif"), QSize(300, 20)).image.size(), QSize(300, 20));
        QCOMPARE(image_apercu(echantillon("python.ico"), carre).image.size(), carre);
        QVERIFY(image_apercu(echantillon("iptc.jpg"), QSize(0, 145)).image.isNull());
    }

    void image_ajustee_garde_les_proportions_sans_agrandir()
    {
        const auto taille = [](const char* nom, QSize boite) { return image_ajustee(echantillon(nom), boite).image.size(); };
        QCOMPARE(taille("iptc.jpg", QSize(320, 320)), QSize(320, 240));
        QCOMPARE(taille("iptc.jpg", QSize(1920, 1080)), QSize(640, 480));
        QCOMPARE(taille("exif-72dpi-int.jpg", QSize(100, 100)), QSize(100, 90));
        QCOMPARE(taille("imageops_pad_v_0.jpg", QSize(200, 200)), QSize(100, 200));
        QCOMPARE(taille("hopper.bmp", QSize(64, 1000)), QSize(64, 64));
        QCOMPARE(taille("orientation_rectangle.jpg", QSize(100, 100)), QSize(1, 2));
        QCOMPARE(image_ajustee(echantillon("iptc.jpg"), QSize(100, 100)).taille_naturelle, QSize(640, 480));
    }

    void partie_d_une_image_data()
    {
        QTest::addColumn<QByteArray>("format");
        QTest::addColumn<int>("orientation"); // EXIF, JPEG only
        QTest::addColumn<double>("tolerance"); // mean difference at a reduced size
        QTest::newRow("jpeg") << QByteArray("jpeg") << 1 << 8.0;
        QTest::newRow("png") << QByteArray("png") << 1 << 8.0;
        QTest::newRow("bmp") << QByteArray("bmp") << 1 << 8.0;
        for (int orientation = 2; orientation <= 8; ++orientation)
            QTest::addRow("jpeg exif %d", orientation) << QByteArray("jpeg") << orientation << 8.0;
    }

    void partie_d_une_image()
    {
        // The part read alone has the pixels of the same part of the whole picture, as shown
        // (turned as its EXIF block says), whatever the type.
        QFETCH(QByteArray, format);
        QFETCH(int, orientation);
        QFETCH(double, tolerance);
        QTemporaryDir dossier;
        QVERIFY(dossier.isValid());
        const QImage motif = reperee(QSize(1500, 1000));
        QString chemin;
        if (format == "jpeg") {
            chemin = ecrire(dossier, "image.jpg", jpeg_oriente(motif, orientation));
        } else {
            chemin = dossier.filePath("image." + format);
            QVERIFY(motif.save(chemin, format.constData()));
        }
        const QSize naturelle = orientation >= 5 ? QSize(1000, 1500) : QSize(1500, 1000);
        QCOMPARE(taille_image(chemin), naturelle);
        const QImage complete = image_complete(chemin).image;
        QCOMPARE(complete.size(), naturelle);

        const QRect zones[] = {QRect(0, 0, 100, 80), QRect(333, 211, 517, 389), QRect(naturelle.width() - 64, naturelle.height() - 48, 64, 48),
                               QRect(0, 0, naturelle.width(), 7)};
        for (const QRect& zone : zones) {
            const ImageLue partie = image_partie(chemin, zone, zone.size());
            QCOMPARE(partie.taille_naturelle, naturelle);
            QCOMPARE(partie.image.size(), zone.size());
            const double ecart = ecart_moyen(partie.image, complete.copy(zone));
            QVERIFY2(ecart < 0.5, qPrintable(QStringLiteral("%1 for %2,%3 %4x%5").arg(ecart).arg(zone.x()).arg(zone.y()).arg(zone.width()).arg(zone.height())));
        }
        // At a quarter of its size (libjpeg's own reduction for a JPEG).
        const QRect zone(400, 200, 400, 320);
        const ImageLue reduite = image_partie(chemin, zone, QSize(100, 80));
        QCOMPARE(reduite.image.size(), QSize(100, 80));
        const QImage attendue = complete.copy(zone).scaled(100, 80, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        QVERIFY2(ecart_moyen(reduite.image, attendue) < tolerance, qPrintable(QString::number(ecart_moyen(reduite.image, attendue))));

        // Past the edges: cut to the picture at the same scale; wholly outside or empty: nothing.
        const QRect debordante(naturelle.width() - 50, naturelle.height() - 30, 100, 100);
        const ImageLue coupee = image_partie(chemin, debordante, debordante.size());
        QCOMPARE(coupee.image.size(), QSize(50, 30));
        QVERIFY(ecart_moyen(coupee.image, complete.copy(debordante)) < 0.5);
        QVERIFY(image_partie(chemin, QRect(naturelle.width(), 0, 40, 40), QSize(40, 40)).image.isNull());
        QVERIFY(image_partie(chemin, QRect(-80, -80, 40, 40), QSize(40, 40)).image.isNull());
        QVERIFY(image_partie(chemin, QRect(), QSize(40, 40)).image.isNull());
        QVERIFY(image_partie(chemin, QRect(10, 10, 40, 40), QSize()).image.isNull());
        // The whole picture asked as a part is the whole picture.
        QVERIFY(ecart_moyen(image_partie(chemin, complete.rect(), naturelle).image, complete) < 0.5);
        QCOMPARE(taille_complete(chemin), naturelle);
    }

    void partie_d_un_dessin()
    {
        // A drawing's part is drawn at the scale asked: the same pixels as the whole drawing there.
        QTemporaryDir dossier;
        QVERIFY(dossier.isValid());
        const QString svg = ecrire(dossier, "dessin.svg", svg_quartiers);
        const ImageLue vert = image_partie(svg, QRect(30, 0, 30, 20), QSize(300, 200));
        QCOMPARE(vert.image.size(), QSize(300, 200));
        QCOMPARE(vert.taille_naturelle, QSize(60, 40));
        QCOMPARE(vert.image.pixelColor(2, 2), QColor(Qt::green));
        QCOMPARE(vert.image.pixelColor(297, 197), QColor(Qt::green));
        const ImageLue centre = image_partie(svg, QRect(20, 10, 20, 20), QSize(20, 20));
        QCOMPARE(centre.image.pixelColor(5, 5), QColor(Qt::red));
        QCOMPARE(centre.image.pixelColor(15, 5), QColor(Qt::green));
        QCOMPARE(centre.image.pixelColor(5, 15), QColor(Qt::blue));
        QCOMPARE(centre.image.pixelColor(15, 15), QColor(Qt::white));

        const QString emf = ecrire(dossier, "dessin.emf", fabrique::emf_rectangle(QSize(1000, 800)));
        const QImage entier = image_complete(emf).image;
        QCOMPARE(entier.size(), QSize(1000, 800));
        const QRect zone(50, 40, 300, 200); // across the rectangle's corner at (100, 80)
        const ImageLue coin = image_partie(emf, zone, zone.size());
        QCOMPARE(coin.image.size(), zone.size());
        QCOMPARE(coin.taille_naturelle, QSize(1000, 800));
        QVERIFY(ecart_moyen(coin.image, entier.copy(zone)) < 0.5);
        QImage blanc(coin.image.size(), QImage::Format_RGB32);
        blanc.fill(Qt::white);
        QVERIFY(ecart_moyen(coin.image, blanc) > 1); // the rectangle's corner is in it
        const QImage moitie = image_apercu(emf, QSize(500, 400)).image;
        QVERIFY(ecart_moyen(image_partie(emf, zone, QSize(150, 100)).image, moitie.copy(25, 20, 150, 100)) < 0.5);
    }

    void partie_d_un_fichier_abime()
    {
        QTemporaryDir dossier;
        QVERIFY(dossier.isValid());
        const QByteArray jpeg = jpeg_oriente(reperee(QSize(1500, 1000)), 6);
        const QString chemins[] = {
            ecrire(dossier, "coupe.jpg", jpeg.left(300)), // inside its tables, before the scan
            ecrire(dossier, "texte.jpg", "Ceci n'est pas une image.\n"),
            dossier.filePath("absent.jpg"),
        };
        for (const QString& chemin : chemins) {
            const ImageLue lue = image_partie(chemin, QRect(100, 100, 400, 300), QSize(400, 300));
            QVERIFY2(!lue.ok() && !lue.taille_naturelle.isValid(), qPrintable(chemin));
            QVERIFY(!taille_complete(chemin).isValid());
        }
    }

    void lecture_dans_le_budget_memoire_data()
    {
        QTest::addColumn<QByteArray>("octets");
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QSize>("demandee"); // for apercu and ajustee
        QTest::addColumn<QSize>("image");    // the picture read; (0, 0) when it cannot be read
        QTest::addColumn<QSize>("naturelle");
        const QSize carre(145, 145), ecran(1920, 1080), rien(0, 0), inconnue(-1, -1);

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
        QTest::newRow("jpeg progressif 6000x4000, complete") << progressif << "complete" << carre << QSize(6000, 4000)
                                                             << QSize(6000, 4000);
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
        QVERIFY(dossier.isValid());
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
        const QStringList noms{"flower.jpg", "hopper.bmp", "chi.gif", "python.ico", "clipboard.dib", "iptc.jpg"};
        std::vector<std::future<QImage>> taches;
        for (int tour = 0; tour < 4; ++tour)
            for (const QString& nom : noms)
                taches.push_back(std::async(std::launch::async, [nom] { return image_apercu(echantillon(nom), carre).image; }));
        for (std::size_t i = 0; i < taches.size(); ++i)
            QCOMPARE(taches[i].get(), image_apercu(echantillon(noms[int(i % noms.size())]), carre).image);
    }
};

QTEST_MAIN(TestChargeur)
#include "tst_chargeur.moc"
