// HEIF pictures (HEIC and AVIF) read through chargeur.h: sizes from the header, pixels at the
// natural size and at the preview's, orientation, colour spaces, HDR tone mapping, embedded
// thumbnails, transparency and damaged files. Pictures are made at test time with Debian's
// encoders (heif-enc, avifenc) or libheif's own encoding API where a tool cannot write what a
// camera does (a rotation, a thumbnail of our choosing).

#include "fichiers_essai.h"
#include "picture/chargeur.h"
#include "picture/heif.h"

#include <QColorSpace>
#include <QColorTransform>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTransform>
#include <QtEndian>

#include <libheif/heif.h>

#include <cstring>
#include <memory>

namespace {

using essai::ecrire;
using essai::lire;
using essai::ecart_moyen;

const QSize carre(145, 145); // the browser's preview square

// Runs a command-line encoder; false (with its messages in the test log) when it fails.
bool lancer(const QString& programme, const QStringList& arguments)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(programme, arguments);
    if (!p.waitForFinished(120'000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        qWarning().noquote() << programme << arguments.join(' ') << "\n" << p.readAll();
        return false;
    }
    return true;
}

bool absent(const QString& outil)
{
    return QStandardPaths::findExecutable(outil).isEmpty();
}

// Whether a pixel is within `tolerance` of a colour on each channel, with a readable message.
bool proche(QRgb p, QRgb attendu, int tolerance, QByteArray* message)
{
    const bool ok = qAbs(qRed(p) - qRed(attendu)) <= tolerance && qAbs(qGreen(p) - qGreen(attendu)) <= tolerance
        && qAbs(qBlue(p) - qBlue(attendu)) <= tolerance;
    *message = QByteArray("pixel (") + QByteArray::number(qRed(p)) + ", " + QByteArray::number(qGreen(p)) + ", "
        + QByteArray::number(qBlue(p)) + ") expected (" + QByteArray::number(qRed(attendu)) + ", "
        + QByteArray::number(qGreen(attendu)) + ", " + QByteArray::number(qBlue(attendu)) + ") within "
        + QByteArray::number(tolerance);
    return ok;
}

#define VERIFIER_PIXEL(image, x, y, attendu, tolerance)                                                                          \
    do {                                                                                                                         \
        QByteArray message_;                                                                                                     \
        const bool ok_ = proche((image).pixel((x), (y)), (attendu), (tolerance), &message_);                                     \
        QVERIFY2(ok_, (QByteArray(#image " at (" #x ", " #y "): ") + message_).constData());                                     \
    } while (false)

// 128x96, grey, a red square at the top left and a blue one at the bottom right.
const QRgb gris = qRgb(128, 128, 128);
const QRgb rouge = qRgb(255, 0, 0);
const QRgb bleu = qRgb(0, 0, 255);

QImage mire(QImage::Format format = QImage::Format_RGB32)
{
    QImage image(128, 96, format);
    image.fill(QColor(gris));
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 48; ++x)
            image.setPixelColor(x, y, QColor(rouge));
    for (int y = 48; y < 96; ++y)
        for (int x = 80; x < 128; ++x)
            image.setPixelColor(x, y, QColor(bleu));
    return image;
}

// Checks that `image` shows the mire, stretched to its size.
void verifier_mire(const QImage& image, int tolerance)
{
    QVERIFY(!image.isNull());
    const auto a = [&](int x, int y) { return QPoint(x * image.width() / 128, y * image.height() / 96); };
    const QPoint r = a(24, 24), b = a(104, 72), g = a(104, 20), g2 = a(24, 76);
    VERIFIER_PIXEL(image, r.x(), r.y(), rouge, tolerance);
    VERIFIER_PIXEL(image, b.x(), b.y(), bleu, tolerance);
    VERIFIER_PIXEL(image, g.x(), g.y(), gris, tolerance);
    VERIFIER_PIXEL(image, g2.x(), g2.y(), gris, tolerance);
}

// ---- Writing with libheif's encoding API ----

struct LibererContexte {
    void operator()(heif_context* c) const { heif_context_free(c); }
};
struct LibererImage {
    void operator()(heif_image* i) const { heif_image_release(i); }
};
struct LibererEncodeur {
    void operator()(heif_encoder* e) const { heif_encoder_release(e); }
};
struct LibererOptions {
    void operator()(heif_encoding_options* o) const { heif_encoding_options_free(o); }
};
struct LibererPoignee {
    void operator()(heif_image_handle* p) const { heif_image_handle_release(p); }
};

std::unique_ptr<heif_image, LibererImage> image_heif(const QImage& source, const QByteArray& icc)
{
    const QImage rgb = source.convertToFormat(QImage::Format_RGB888);
    heif_image* i = nullptr;
    if (heif_image_create(rgb.width(), rgb.height(), heif_colorspace_RGB, heif_chroma_interleaved_RGB, &i).code != heif_error_Ok)
        return nullptr;
    std::unique_ptr<heif_image, LibererImage> image(i);
    if (heif_image_add_plane(i, heif_channel_interleaved, rgb.width(), rgb.height(), 8).code != heif_error_Ok)
        return nullptr;
    int pas = 0;
    uint8_t* plan = heif_image_get_plane(i, heif_channel_interleaved, &pas);
    for (int y = 0; y < rgb.height(); ++y)
        std::memcpy(plan + y * pas, rgb.constScanLine(y), size_t(rgb.width()) * 3);
    if (!icc.isEmpty())
        heif_image_set_raw_color_profile(i, "prof", icc.constData(), size_t(icc.size()));
    return image;
}

// A HEIC file of `stockee` (the pixels as stored) that the viewer must show with `orientation`
// (EXIF's numbering) applied; with a thumbnail made from `vignette` (stored likewise) when it is
// not null, turned by `orientation_vignette`.
bool ecrire_heic(const QString& chemin, const QImage& stockee, heif_orientation orientation, const QByteArray& icc = {},
    const QImage& vignette = {}, heif_orientation orientation_vignette = heif_orientation_normal)
{
    std::unique_ptr<heif_context, LibererContexte> contexte(heif_context_alloc());
    heif_encoder* e = nullptr;
    if (heif_context_get_encoder_for_format(contexte.get(), heif_compression_HEVC, &e).code != heif_error_Ok)
        return false;
    std::unique_ptr<heif_encoder, LibererEncodeur> encodeur(e);
    heif_encoder_set_lossy_quality(e, 92);
    std::unique_ptr<heif_encoding_options, LibererOptions> options(heif_encoding_options_alloc());
    options->macOS_compatibility_workaround = 0; // a plain picture, as cameras write it, not a one-tile grid
    options->image_orientation = orientation;
    const auto image = image_heif(stockee, icc);
    heif_image_handle* p = nullptr;
    if (!image || heif_context_encode_image(contexte.get(), image.get(), e, options.get(), &p).code != heif_error_Ok)
        return false;
    std::unique_ptr<heif_image_handle, LibererPoignee> primaire(p);
    if (!vignette.isNull()) {
        // Encoded as a picture of its own, then made the primary's thumbnail.
        options->image_orientation = orientation_vignette;
        const auto petite = image_heif(vignette, icc);
        heif_image_handle* v = nullptr;
        if (!petite || heif_context_encode_image(contexte.get(), petite.get(), e, options.get(), &v).code != heif_error_Ok)
            return false;
        std::unique_ptr<heif_image_handle, LibererPoignee> poignee_vignette(v);
        // libheif 1.15 makes its second argument the thumbnail of its third, whatever the names
        // in its header say (heif-info shows which is which).
        if (heif_context_assign_thumbnail(contexte.get(), v, p).code != heif_error_Ok)
            return false;
    }
    return heif_context_write_to_file(contexte.get(), QFile::encodeName(chemin).constData()).code == heif_error_Ok;
}

// The pictures' first box, naming a HEIF brand.
QByteArray ftyp()
{
    return QByteArray("\0\0\0\x18"
                      "ftypheic\0\0\0\0mif1heic",
        24);
}

// The position of a box's type in a file, -1 when absent.
qsizetype boite(const QByteArray& fichier, const char* type)
{
    return fichier.indexOf(QByteArray(type, 4));
}

} // namespace

class TestHeif : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void apercu_avif_reduit_fidele_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::newRow("4:2:0") << QStringList{"-y", "420"};
        QTest::newRow("4:2:0, limited range") << QStringList{"-y", "420", "-r", "limited"};
        QTest::newRow("4:2:2, BT.709") << QStringList{"-y", "422", "--cicp", "1/13/1"};
        QTest::newRow("4:4:4, BT.2020 matrix") << QStringList{"-y", "444", "--cicp", "1/13/9"};
        QTest::newRow("4:4:4, identity matrix") << QStringList{"-y", "444", "--cicp", "1/13/0"};
        QTest::newRow("grey") << QStringList{"-y", "400"};
    }

    void apercu_avif_reduit_fidele()
    {
        // A preview at a quarter of the picture or less is averaged from the coded planes before
        // its colours are converted: it must look as the whole picture scaled down does.
        QFETCH(QStringList, options);
        if (absent("avifenc"))
            QSKIP("avifenc is not installed");
        QTemporaryDir dossier;
        QVERIFY(dossier.isValid());
        QImage source(640, 480, QImage::Format_RGB32);
        QPainter p(&source);
        QLinearGradient degrade(0, 0, 640, 480);
        degrade.setColorAt(0, QColor(250, 40, 20));
        degrade.setColorAt(0.5, QColor(30, 200, 90));
        degrade.setColorAt(1, QColor(20, 60, 240));
        p.fillRect(source.rect(), degrade);
        p.fillRect(40, 40, 200, 120, QColor(240, 230, 40));
        p.fillRect(400, 300, 160, 120, Qt::black);
        p.end();
        QVERIFY(source.save(dossier.filePath("source.png")));
        const QString fichier = dossier.filePath("image.avif");
        QVERIFY(lancer("avifenc", QStringList{"-s", "8", "--min", "0", "--max", "4"} + options
                                      + QStringList{dossier.filePath("source.png"), fichier}));
        const QImage apercu = image_apercu(fichier, QSize(160, 120)).image;
        QCOMPARE(apercu.size(), QSize(160, 120));
        const QImage complete = image_complete(fichier).image.scaled(160, 120, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        QVERIFY2(ecart_moyen(apercu, complete) < 3, qPrintable(QString::number(ecart_moyen(apercu, complete))));
        QImage attendue = source.scaled(160, 120, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        if (options.contains("400")) { // the encoder keeps BT.601's luma
            for (int y = 0; y < attendue.height(); ++y)
                for (int x = 0; x < attendue.width(); ++x) {
                    const QRgb c = attendue.pixel(x, y);
                    const int g = qRound(0.299 * qRed(c) + 0.587 * qGreen(c) + 0.114 * qBlue(c));
                    attendue.setPixel(x, y, qRgb(g, g, g));
                }
        }
        QVERIFY2(ecart_moyen(apercu, attendue) < 5, qPrintable(QString::number(ecart_moyen(apercu, attendue))));
    }


    void natural_size_preview_and_whole_picture_data()
    {
        QTest::addColumn<QString>("outil");
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QString>("extension");
        QTest::addColumn<bool>("seize_bits");
        QTest::addColumn<int>("tolerance");
        QTest::newRow("HEIC 8 bits") << "heif-enc" << QStringList {"-q", "92"} << "heic" << false << 14;
        QTest::newRow("HEIC 10 bits") << "heif-enc" << QStringList {"-q", "92", "-b", "10"} << "heic" << true << 14;
        QTest::newRow("AVIF 8 bits") << "avifenc" << QStringList {"-s", "8", "--min", "0", "--max", "8"} << "avif" << false << 14;
        QTest::newRow("AVIF 10 bits") << "avifenc" << QStringList {"-s", "8", "-d", "10", "--min", "0", "--max", "8"} << "avif"
                                      << false << 14;
        QTest::newRow("AVIF 12 bits, lossless") << "avifenc" << QStringList {"-s", "8", "-d", "12", "-l"} << "avif" << false << 1;
    }

    void natural_size_preview_and_whole_picture()
    {
        QFETCH(QString, outil);
        QFETCH(QStringList, options);
        QFETCH(QString, extension);
        QFETCH(bool, seize_bits);
        QFETCH(int, tolerance);
        if (absent(outil))
            QSKIP("encoder not installed");
        QTemporaryDir dossier;
        const QString png = dossier.filePath("mire.png");
        QVERIFY(mire(seize_bits ? QImage::Format_RGBX64 : QImage::Format_RGB32).save(png));
        const QString fichier = dossier.filePath("mire." + extension);
        QVERIFY(lancer(
            outil, QStringList(options) << png << (outil == "heif-enc" ? QStringList {"-o", fichier} : QStringList {fichier})));

        QCOMPARE(taille_image(fichier), QSize(128, 96));
        const ImageLue complete = image_complete(fichier);
        QCOMPARE(complete.image.size(), QSize(128, 96));
        QCOMPARE(complete.taille_naturelle, QSize(128, 96));
        QVERIFY(complete.image.format() == QImage::Format_RGB32 || complete.image.format() == QImage::Format_ARGB32
            || complete.image.format() == QImage::Format_ARGB32_Premultiplied);
        verifier_mire(complete.image, tolerance);
        const ImageLue apercu = image_apercu(fichier, carre);
        QCOMPARE(apercu.image.size(), carre);
        QCOMPARE(apercu.taille_naturelle, QSize(128, 96));
        verifier_mire(apercu.image, tolerance + 4);
        const ImageLue ajustee = image_ajustee(fichier, QSize(64, 64));
        QCOMPARE(ajustee.image.size(), QSize(64, 48));
        verifier_mire(ajustee.image, tolerance + 4);
    }

    // Upright picture: 64x128, red at the top left, a P3 colour at the top right that sRGB shows
    // differently, P3 mid-grey below. Stored turned a quarter anticlockwise, with orientation 6
    // (a quarter clockwise) and Display P3's ICC profile.
    void orientation_and_icc_profile_data()
    {
        QTest::addColumn<QString>("ecriture");
        QTest::newRow("HEIC, irot from libheif") << "libheif";
        QTest::newRow("AVIF, irot from avifenc") << "avifenc";
        QTest::newRow("HEIC from heif-enc, upright") << "heif-enc";
    }

    void orientation_and_icc_profile()
    {
        QFETCH(QString, ecriture);
        QTemporaryDir dossier;
        const QRgb couleur_p3 = qRgb(90, 170, 60);
        QImage droite(64, 128, QImage::Format_RGB32);
        droite.fill(QColor(gris));
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x) {
                droite.setPixel(x, y, rouge);
                droite.setPixel(x + 32, y, couleur_p3);
            }
        const QImage stockee = droite.transformed(QTransform().rotate(-90));
        QCOMPARE(stockee.size(), QSize(128, 64));
        QVERIFY(stockee.pixel(4, 60) == rouge); // the upright top left, now at the bottom left
        const QColorSpace p3(QColorSpace::DisplayP3);

        QString fichier;
        if (ecriture == "libheif") {
            fichier = dossier.filePath("tournee.heic");
            QVERIFY(ecrire_heic(fichier, stockee, heif_orientation_rotate_90_cw, p3.iccProfile()));
        } else if (ecriture == "avifenc") {
            if (absent("avifenc"))
                QSKIP("avifenc is not installed");
            QImage png = stockee;
            png.setColorSpace(p3);
            QVERIFY(png.save(dossier.filePath("p3.png")));
            fichier = dossier.filePath("tournee.avif");
            // avifenc's rotation counts quarter turns anticlockwise: three make one clockwise.
            QVERIFY(
                lancer("avifenc", {"-s", "8", "--min", "0", "--max", "6", "--irot", "3", dossier.filePath("p3.png"), fichier}));
        } else {
            if (absent("heif-enc"))
                QSKIP("heif-enc is not installed");
            QImage png = droite;
            png.setColorSpace(p3); // written as the PNG's iCCP chunk, which heif-enc keeps
            QVERIFY(png.save(dossier.filePath("p3.png")));
            fichier = dossier.filePath("p3.heic");
            QVERIFY(lancer("heif-enc", {"-q", "92", dossier.filePath("p3.png"), "-o", fichier}));
        }

        QCOMPARE(taille_image(fichier), QSize(64, 128));
        const QColorTransform vers_srgb = p3.transformationToColorSpace(QColorSpace::SRgb);
        const QRgb attendue = vers_srgb.map(couleur_p3);
        // The test is only worth anything if P3 and sRGB differ on that colour.
        QVERIFY(qAbs(qRed(attendue) - qRed(couleur_p3)) + qAbs(qGreen(attendue) - qGreen(couleur_p3))
                + qAbs(qBlue(attendue) - qBlue(couleur_p3))
            > 40);

        const ImageLue complete = image_complete(fichier);
        const ImageLue apercu = image_apercu(fichier, carre);
        QCOMPARE(complete.image.size(), QSize(64, 128));
        QCOMPARE(complete.taille_naturelle, QSize(64, 128));
        QCOMPARE(apercu.image.size(), carre);
        for (const QImage& image : {complete.image, apercu.image}) {
            QVERIFY(!image.isNull());
            const int sx = image.width(), sy = image.height();
            const auto x = [&](int v) { return v * sx / 64; };
            const auto y = [&](int v) { return v * sy / 128; };
            // Pure P3 red is beyond sRGB: it comes as sRGB's red, clipped.
            VERIFIER_PIXEL(image, x(16), y(16), rouge, 14);
            VERIFIER_PIXEL(image, x(48), y(16), attendue, 10);
            VERIFIER_PIXEL(image, x(32), y(80), gris, 8);
            VERIFIER_PIXEL(image, x(10), y(120), gris, 8);
            VERIFIER_PIXEL(image, x(54), y(120), gris, 8);
        }
    }

    void embedded_thumbnail_from_heif_enc()
    {
        if (absent("heif-enc"))
            QSKIP("heif-enc is not installed");
        QTemporaryDir dossier;
        const QString png = dossier.filePath("grande.png");
        QVERIFY(mire().scaled(1024, 768).save(png));
        const QString fichier = dossier.filePath("vignette.heic");
        QVERIFY(lancer("heif-enc", {"-q", "85", "-t", "256", png, "-o", fichier}));
        QVERIFY(boite(lire(fichier), "thmb") > 0);

        QCOMPARE(taille_image(fichier), QSize(1024, 768));
        const ImageLue apercu = image_apercu(fichier, carre);
        QCOMPARE(apercu.image.size(), carre);
        QCOMPARE(apercu.taille_naturelle, QSize(1024, 768));
        verifier_mire(apercu.image, 18);
        const ImageLue ajustee = image_ajustee(fichier, QSize(1920, 1080));
        QCOMPARE(ajustee.image.size(), QSize(1024, 768));
        verifier_mire(ajustee.image, 14);
    }

    // A thumbnail that differs from its picture (green, a yellow square at its upright top left)
    // shows which one was decoded.
    void thumbnail_used_when_large_enough_and_turned_alike_data()
    {
        QTest::addColumn<int>("orientation");
        QTest::addColumn<int>("orientation_vignette");
        QTest::addColumn<QSize>("voulue");
        QTest::addColumn<bool>("vignette_attendue");
        const int n = heif_orientation_normal, q = heif_orientation_rotate_90_cw, d = heif_orientation_rotate_180;
        QTest::newRow("preview") << n << n << carre << true;
        QTest::newRow("as large as the thumbnail") << n << n << QSize(256, 192) << true;
        QTest::newRow("larger than the thumbnail") << n << n << QSize(400, 300) << false;
        QTest::newRow("both turned a quarter") << q << q << carre << true;
        QTest::newRow("both turned a half") << d << d << carre << true;
        QTest::newRow("picture turned, not its thumbnail") << d << n << carre << false;
        QTest::newRow("thumbnail turned, not its picture") << n << d << carre << false;
    }

    void thumbnail_used_when_large_enough_and_turned_alike()
    {
        QFETCH(int, orientation);
        QFETCH(int, orientation_vignette);
        QFETCH(QSize, voulue);
        QFETCH(bool, vignette_attendue);
        QTemporaryDir dossier;
        const auto stockage = [](int o) {
            return o == heif_orientation_rotate_90_cw ? QTransform().rotate(-90)
                : o == heif_orientation_rotate_180    ? QTransform().rotate(180)
                                                      : QTransform();
        };
        const QRgb vert = qRgb(0, 200, 0), jaune = qRgb(255, 255, 0);
        QImage petite(256, 192, QImage::Format_RGB32);
        petite.fill(vert);
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 64; ++x)
                petite.setPixel(x, y, jaune);
        // Both upright once their orientation is applied; stored turned the other way.
        const QImage grande = mire().scaled(1024, 768);
        const QString fichier = dossier.filePath("vignette.heic");
        QVERIFY(ecrire_heic(fichier, grande.transformed(stockage(orientation)), heif_orientation(orientation), {},
            petite.transformed(stockage(orientation_vignette)), heif_orientation(orientation_vignette)));

        const QSize naturelle(1024, 768);
        QCOMPARE(taille_image(fichier), naturelle);
        const ImageLue lue = image_apercu(fichier, voulue);
        QCOMPARE(lue.image.size(), voulue);
        QCOMPARE(lue.taille_naturelle, naturelle);
        const QImage& droite = lue.image;
        const int w = droite.width(), h = droite.height();
        if (vignette_attendue) {
            VERIFIER_PIXEL(droite, w / 8, h / 8, jaune, 16);
            VERIFIER_PIXEL(droite, w * 3 / 4, h * 3 / 4, vert, 16);
        } else {
            verifier_mire(droite, 16);
        }
    }

    void hdr_tone_mapped_data()
    {
        QTest::addColumn<QString>("cicp");
        QTest::addColumn<QString>("profondeur");
        QTest::newRow("PQ, BT.2020, 10 bits") << "9/16/9"
                                              << "10";
        QTest::newRow("HLG, BT.2020, 10 bits") << "9/18/9"
                                               << "10";
        QTest::newRow("PQ, BT.2020, 8 bits") << "9/16/9"
                                             << "8";
    }

    // Grey steps from black to white, encoded in 10 (or 8) bits and read as PQ or HLG signal.
    void hdr_tone_mapped()
    {
        QFETCH(QString, cicp);
        QFETCH(QString, profondeur);
        if (absent("avifenc"))
            QSKIP("avifenc is not installed");
        QTemporaryDir dossier;
        const int niveaux[] = {0, 64, 128, 148, 191, 255};
        QImage marches(6 * 16, 16, QImage::Format_RGB32);
        for (int i = 0; i < 6; ++i)
            for (int y = 0; y < 16; ++y)
                for (int x = 0; x < 16; ++x)
                    marches.setPixel(i * 16 + x, y, qRgb(niveaux[i], niveaux[i], niveaux[i]));
        QVERIFY(marches.save(dossier.filePath("marches.png")));
        const QString fichier = dossier.filePath("hdr.avif");
        QVERIFY(lancer("avifenc",
            {"-s", "8", "-d", profondeur, "--min", "0", "--max", "4", "--cicp", cicp, dossier.filePath("marches.png"), fichier}));

        const ImageLue lue = image_complete(fichier);
        QCOMPARE(lue.image.size(), QSize(96, 16));
        int valeurs[6];
        for (int i = 0; i < 6; ++i) {
            const QRgb p = lue.image.pixel(i * 16 + 8, 8);
            valeurs[i] = qGreen(p);
            QVERIFY2(qAbs(qRed(p) - qGreen(p)) <= 6 && qAbs(qBlue(p) - qGreen(p)) <= 6,
                qPrintable(QStringLiteral("step %1 is not grey: %2 %3 %4").arg(i).arg(qRed(p)).arg(qGreen(p)).arg(qBlue(p))));
            if (i > 0)
                QVERIFY2(
                    valeurs[i] >= valeurs[i - 1], qPrintable(QStringLiteral("step %1 darker than step %2").arg(i).arg(i - 1)));
        }
        const QString lues = QStringLiteral("%1 %2 %3 %4 %5 %6")
                                 .arg(valeurs[0])
                                 .arg(valeurs[1])
                                 .arg(valeurs[2])
                                 .arg(valeurs[3])
                                 .arg(valeurs[4])
                                 .arg(valeurs[5]);
        qInfo().noquote() << "grey steps 0 64 128 148 191 255 shown as" << lues;
        QVERIFY2(valeurs[0] <= 12, qPrintable(lues)); // black stays black
        QVERIFY2(valeurs[2] >= 90 && valeurs[2] <= 210, qPrintable(lues)); // mid-grey signal: mid-tones
        QVERIFY2(valeurs[5] >= 235, qPrintable(lues)); // peak white: white
        QVERIFY2(valeurs[5] - valeurs[0] >= 200, qPrintable(lues)); // neither all black nor all white
        // SDR white (203 nits: PQ signal 0.58, HLG 0.75) comes bright, not at its signal's level.
        const int blanc_sdr = cicp == "9/16/9" ? valeurs[3] : valeurs[4];
        QVERIFY2(blanc_sdr >= 215, qPrintable(lues));
    }

    void deep_sdr_rounded_to_eight_bits()
    {
        if (absent("avifenc"))
            QSKIP("avifenc is not installed");
        QTemporaryDir dossier;
        QImage marches(16 * 16, 8, QImage::Format_RGB32);
        for (int i = 0; i < 16; ++i)
            for (int y = 0; y < 8; ++y)
                for (int x = 0; x < 16; ++x)
                    marches.setPixel(i * 16 + x, y, qRgb(i * 17, 255 - i * 17, (i * 53) % 256));
        QVERIFY(marches.save(dossier.filePath("marches.png")));
        for (const char* profondeur : {"10", "12"}) {
            const QString fichier = dossier.filePath(QStringLiteral("profond%1.avif").arg(profondeur));
            QVERIFY(lancer("avifenc", {"-s", "8", "-l", "-d", profondeur, dossier.filePath("marches.png"), fichier}));
            const ImageLue lue = image_complete(fichier);
            QCOMPARE(lue.image.size(), marches.size());
            for (int i = 0; i < 16; ++i)
                VERIFIER_PIXEL(lue.image, i * 16 + 8, 4, marches.pixel(i * 16 + 8, 4), 1);
        }
    }

    void transparency_kept_data()
    {
        QTest::addColumn<QString>("outil");
        QTest::newRow("HEIC") << "heif-enc";
        QTest::newRow("AVIF") << "avifenc";
    }

    void transparency_kept()
    {
        QFETCH(QString, outil);
        if (absent(outil))
            QSKIP("encoder not installed");
        QTemporaryDir dossier;
        QImage source(64, 48, QImage::Format_ARGB32);
        source.fill(Qt::transparent);
        for (int y = 0; y < 24; ++y)
            for (int x = 0; x < 32; ++x)
                source.setPixel(x, y, qRgba(0, 255, 0, 255));
        for (int y = 24; y < 48; ++y)
            for (int x = 32; x < 64; ++x)
                source.setPixel(x, y, qRgba(0, 0, 255, 128));
        QVERIFY(source.save(dossier.filePath("alpha.png")));
        const QString fichier = dossier.filePath(outil == "heif-enc" ? "alpha.heic" : "alpha.avif");
        QVERIFY(lancer(outil,
            outil == "heif-enc" ? QStringList {"-q", "95", dossier.filePath("alpha.png"), "-o", fichier}
                                : QStringList {"-s", "8", "--min", "0", "--max", "4", dossier.filePath("alpha.png"), fichier}));
        for (const QImage& image : {image_complete(fichier).image, image_apercu(fichier, QSize(32, 24)).image}) {
            QVERIFY(!image.isNull());
            QVERIFY(image.hasAlphaChannel());
            const int sx = image.width(), sy = image.height();
            // Colours as they are, not multiplied by their opacity.
            const QRgb opaque = image.pixelColor(8 * sx / 64, 8 * sy / 48).rgba();
            const QRgb vide = image.pixelColor(48 * sx / 64, 8 * sy / 48).rgba();
            const QRgb mi = image.pixelColor(48 * sx / 64, 36 * sy / 48).rgba();
            QCOMPARE(qAlpha(opaque), 255);
            QVERIFY2(qGreen(opaque) > 230 && qRed(opaque) < 20, "the opaque square is green");
            QCOMPARE(qAlpha(vide), 0);
            QVERIFY2(qAbs(qAlpha(mi) - 128) <= 4, qPrintable(QString::number(qAlpha(mi))));
            QVERIFY2(qBlue(mi) > 220 && qGreen(mi) < 30,
                qPrintable(QStringLiteral("the half-transparent square is blue: %1 %2 %3")
                               .arg(qRed(mi))
                               .arg(qGreen(mi))
                               .arg(qBlue(mi))));
        }
    }

    void damaged_and_hostile_files()
    {
        if (absent("heif-enc"))
            QSKIP("heif-enc is not installed");
        if (absent("avifenc"))
            QSKIP("avifenc is not installed");
        QTemporaryDir dossier;
        QVERIFY(mire().save(dossier.filePath("mire.png")));
        QVERIFY(lancer("heif-enc", {"-q", "80", dossier.filePath("mire.png"), "-o", dossier.filePath("bonne.heic")}));
        QVERIFY(lancer("avifenc", {"-s", "8", dossier.filePath("mire.png"), dossier.filePath("bonne.avif")}));
        QVERIFY(mire().scaled(1024, 768).save(dossier.filePath("grande.png")));
        QVERIFY(lancer("avifenc", {"-s", "10", dossier.filePath("grande.png"), dossier.filePath("grande.avif")}));

        QRandomGenerator aleatoire(7);
        const auto refusee = [&](const QString& nom, const QByteArray& octets) {
            const QString chemin = ecrire(dossier, nom, octets);
            QVERIFY(!chemin.isEmpty());
            QVERIFY2(!taille_image(chemin).isValid(), qPrintable(nom));
            for (const ImageLue& lue :
                {image_apercu(chemin, carre), image_complete(chemin), image_ajustee(chemin, QSize(800, 600))})
                QVERIFY2(lue.image.isNull() && !lue.taille_naturelle.isValid(), qPrintable(nom));
        };

        for (const char* nom : {"bonne.heic", "bonne.avif"}) {
            const QByteArray bonne = lire(dossier.filePath(nom));
            QVERIFY(bonne.size() > 200);
            QVERIFY(image_complete(dossier.filePath(nom)).ok());
            const qsizetype meta = boite(bonne, "meta"), mdat = boite(bonne, "mdat");
            QVERIFY(meta > 0 && mdat > meta);
            for (qsizetype longueur :
                {qsizetype(12), qsizetype(24), meta + 20, (meta + mdat) / 2, mdat + 4, mdat + 40, bonne.size() - 1})
                refusee(QStringLiteral("tronquee%1-%2").arg(longueur).arg(nom), bonne.left(longueur));
            QByteArray hasard = bonne.left(meta - 4);
            for (int i = 0; i < 4096; ++i)
                hasard += char(aleatoire.generate());
            refusee(QStringLiteral("hasard-%1").arg(nom), hasard);
            refusee(QStringLiteral("ftyp-%1").arg(nom), bonne.left(meta - 4));
        }
        refusee("ftyp-seule.heic", ftyp());
        refusee("vide.heic", QByteArray());

        // Headers that lie about the size: the AVIF's single picture says how large it is in 'ispe'.
        const QByteArray grande = lire(dossier.filePath("grande.avif"));
        const qsizetype ispe = boite(grande, "ispe");
        QVERIFY(ispe > 0);
        const auto taille_dite = [&](quint32 largeur, quint32 hauteur) {
            QByteArray f = grande;
            qToBigEndian(largeur, f.data() + ispe + 8);
            qToBigEndian(hauteur, f.data() + ispe + 12);
            return f;
        };
        QCOMPARE(taille_image(dossier.filePath("grande.avif")), QSize(1024, 768));
        refusee("immense.avif", taille_dite(40000, 40000));
        refusee("trop-grande.avif", taille_dite(20000, 20000)); // 400 Mpx: beyond the memory budget
        refusee("nulle.avif", taille_dite(0, 0));
        refusee("plate.avif", taille_dite(1024, 0));
        // A small size in the header over a large coded picture: not decoded beyond what was announced.
        const QString menteuse = ecrire(dossier, "menteuse.avif", taille_dite(64, 48));
        QCOMPARE(taille_image(menteuse), QSize(64, 48));
        QVERIFY(image_complete(menteuse).image.isNull());
        QVERIFY(image_apercu(menteuse, carre).image.isNull());
    }

    // The memory a whole decoding takes, in a process of its own, within what the memory budget
    // counts for the picture: octets_par_pixel_heif for 8-bit 4:2:0, twice that for 10 bits.
    void memory_peak_within_the_estimate_data()
    {
        QTest::addColumn<QString>("outil");
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QString>("extension");
        QTest::addColumn<int>("octets_par_pixel");
        const int o = int(octets_par_pixel_heif);
        QTest::newRow("HEIC, 8 bits, 4:2:0") << "heif-enc" << QStringList {"-q", "50"} << "heic" << o;
        QTest::newRow("AVIF, 8 bits, 4:2:0") << "avifenc" << QStringList {"-s", "10", "-y", "420", "-d", "8"} << "avif" << o;
        QTest::newRow("AVIF, 10 bits, 4:2:0")
            << "avifenc" << QStringList {"-s", "10", "-y", "420", "-d", "10"} << "avif" << 2 * o;
    }

    void memory_peak_within_the_estimate()
    {
        QFETCH(QString, outil);
        QFETCH(QStringList, options);
        QFETCH(QString, extension);
        QFETCH(int, octets_par_pixel);
#ifdef __SANITIZE_ADDRESS__
        QSKIP("AddressSanitizer's redzones and shadow memory double the peak: measured in the plain build");
#endif
        if (absent(outil))
            QSKIP("encoder not installed");
        QTemporaryDir dossier;
        const QSize taille(4000, 3000);
        QImage degrade(taille, QImage::Format_RGB32);
        for (int y = 0; y < taille.height(); ++y) {
            auto* ligne = reinterpret_cast<QRgb*>(degrade.scanLine(y));
            for (int x = 0; x < taille.width(); ++x)
                ligne[x] = qRgb(x * 255 / taille.width(), y * 255 / taille.height(), 128);
        }
        QVERIFY(degrade.save(dossier.filePath("degrade.png")));
        const QString fichier = dossier.filePath("degrade." + extension);
        const QString png = dossier.filePath("degrade.png");
        QVERIFY(lancer(
            outil, QStringList(options) << png << (outil == "heif-enc" ? QStringList {"-o", fichier} : QStringList {fichier})));

        QProcess sonde;
        sonde.start(QStringLiteral(SONDE_MEMOIRE), {"complete", fichier});
        QVERIFY(sonde.waitForFinished(120'000) && sonde.exitStatus() == QProcess::NormalExit && sonde.exitCode() == 0);
        qint64 avant = -1, pic = -1;
        QSize image;
        for (const QByteArray& ligne : sonde.readAllStandardOutput().split('\n')) {
            const QList<QByteArray> champs = ligne.split(' ');
            if (champs.size() != 2)
                continue;
            if (champs[0] == "image") {
                const QList<QByteArray> cotes = champs[1].split('x');
                image = QSize(cotes.value(0).toInt(), cotes.value(1).toInt());
            } else if (champs[0] == "avant") {
                avant = champs[1].toLongLong();
            } else if (champs[0] == "memoire") {
                pic = champs[1].toLongLong();
            }
        }
        QCOMPARE(image, taille);
        QVERIFY(avant > 0 && pic > 0);
        const double par_pixel = double(pic - avant) * 1024 / (qint64(taille.width()) * taille.height());
        qInfo().noquote() << QStringLiteral("peak %1 bytes per pixel").arg(par_pixel, 0, 'f', 2);
        QVERIFY2(par_pixel <= octets_par_pixel, qPrintable(QStringLiteral("%1 bytes per pixel").arg(par_pixel)));
    }

    // A coding that costs more to decode is held to the budget at its own cost: a 12-bit 4:4:4
    // picture whose header claims 5000x5000 pixels (700 MB to decode) is refused, where an 8-bit
    // 4:2:0 one claiming as much (200 MB) is read.
    void budget_follows_the_coding()
    {
        if (absent("avifenc"))
            QSKIP("avifenc is not installed");
        QTemporaryDir dossier;
        QVERIFY(mire().save(dossier.filePath("mire.png")));
        const auto agrandie = [&](const QStringList& options, const QString& nom) {
            const QString fichier = dossier.filePath(nom);
            if (!lancer("avifenc", QStringList(options) << dossier.filePath("mire.png") << fichier))
                return QString();
            QByteArray f = lire(fichier);
            const qsizetype ispe = boite(f, "ispe");
            if (ispe < 0)
                return QString();
            qToBigEndian(quint32(5000), f.data() + ispe + 8);
            qToBigEndian(quint32(5000), f.data() + ispe + 12);
            return ecrire(dossier, "grande-" + nom, f);
        };
        const QString simple = agrandie({"-s", "8", "-y", "420", "-d", "8"}, "simple.avif");
        const QString riche = agrandie({"-s", "8", "-y", "444", "-d", "12"}, "riche.avif");
        QVERIFY(!simple.isEmpty() && !riche.isEmpty());
        QCOMPARE(taille_image(simple), QSize(5000, 5000));
        QCOMPARE(taille_image(riche), QSize(5000, 5000));
        QVERIFY(image_ajustee(simple, QSize(1920, 1080)).ok());
        QVERIFY(!image_ajustee(riche, QSize(1920, 1080)).ok());
        QVERIFY(!image_complete(riche).ok());
    }

    // Bytes changed at random in the header or the coded data: whatever comes, no crash and no hang.
    void corrupted_files_never_crash()
    {
        if (absent("heif-enc"))
            QSKIP("heif-enc is not installed");
        if (absent("avifenc"))
            QSKIP("avifenc is not installed");
        QTemporaryDir dossier;
        QVERIFY(mire().save(dossier.filePath("mire.png")));
        QVERIFY(lancer("heif-enc", {"-q", "80", "-t", "64", dossier.filePath("mire.png"), "-o", dossier.filePath("bonne.heic")}));
        QVERIFY(lancer("avifenc", {"-s", "8", dossier.filePath("mire.png"), dossier.filePath("bonne.avif")}));
        QRandomGenerator hasard(20240607);
        int lues = 0;
        for (const char* nom : {"bonne.heic", "bonne.avif"}) {
            const QByteArray bonne = lire(dossier.filePath(nom));
            const qsizetype mdat = boite(bonne, "mdat");
            for (int essai = 0; essai < 150; ++essai) {
                QByteArray f = bonne;
                const bool entete = essai % 2 == 0;
                const int changes = 1 + int(hasard.bounded(4));
                for (int c = 0; c < changes; ++c) {
                    const qsizetype debut = entete ? 24 : mdat + 8;
                    const qsizetype fin = entete ? mdat : f.size();
                    f[debut + qsizetype(hasard.bounded(quint32(fin - debut)))] = char(hasard.generate());
                }
                const QString chemin = ecrire(dossier, QStringLiteral("abimee%1-%2").arg(essai).arg(nom), f);
                const QSize taille = taille_image(chemin);
                const ImageLue apercu = image_apercu(chemin, carre);
                const ImageLue complete = image_complete(chemin);
                if (complete.ok()) {
                    ++lues;
                    QVERIFY(taille.isValid());
                }
                QVERIFY(!apercu.ok() || apercu.image.size() == carre);
                QFile::remove(chemin);
            }
        }
        qInfo() << lues << "of 300 damaged files still gave a picture";
    }
};

QTEST_GUILESS_MAIN(TestHeif)
#include "tst_heif.moc"
