// HEIC and AVIF read through chargeur.h: sizes, pixels at every size, orientation, colour spaces,
// HDR, thumbnails, transparency, damaged files. Pictures are made here by heif-enc and avifenc, or
// by libheif's encoding API for what a camera writes and a tool cannot (a rotation, a thumbnail).

#include "fichiers_essai.h"
#include "picture/heif.h"

#include <QColorSpace>
#include <QColorTransform>
#include <QPainter>
#include <QTransform>
#include <QtEndian>

#include <libheif/heif.h>

#include <cstring>
#include <memory>

namespace {

using namespace essai;

// `source` encoded by heif-enc or avifenc with `options` into `nom`.heic or `nom`.avif in `dossier`:
// the file's path, empty (and the tool's complaint logged) when it failed.
QString coder(const QTemporaryDir& dossier, const QString& outil, QStringList options, const QImage& source, const QString& nom)
{
    const QString png = dossier.filePath(nom + ".png"), sortie = dossier.filePath(nom + (outil == "heif-enc" ? ".heic" : ".avif"));
    options << png << (outil == "heif-enc" ? QStringList{"-o", sortie} : QStringList{sortie});
    const QString erreur = source.save(png) ? lancer(outil, options) : png + " not written";
    if (!erreur.isEmpty())
        qWarning().noquote() << erreur;
    return erreur.isEmpty() ? sortie : QString();
}

// 128x96, grey, a red square at the top left and a blue one at the bottom right.
const QRgb gris = qRgb(128, 128, 128), rouge = qRgb(255, 0, 0), bleu = qRgb(0, 0, 255);

QImage mire(QImage::Format format = QImage::Format_RGB32)
{
    QImage image(128, 96, format);
    image.fill(QColor(gris));
    QPainter p(&image);
    p.fillRect(0, 0, 48, 48, QColor(rouge));
    p.fillRect(80, 48, 48, 48, QColor(bleu));
    return image;
}

// The mire found again, stretched to the picture's size.
void verifier_mire(const QImage& image, int tolerance)
{
    QVERIFY(!image.isNull());
    const QList<QPair<QPoint, QRgb>> points{{{24, 24}, rouge}, {{104, 72}, bleu}, {{104, 20}, gris}, {{24, 76}, gris}};
    for (const auto& [p, c] : points)
        COULEUR(image, p.x() * image.width() / 128, p.y() * image.height() / 96, c, tolerance);
}

// ---- Writing with libheif's encoding API ----

template <auto liberer>
struct Liberer {
    template <typename T>
    void operator()(T* p) const { liberer(p); }
};
using Image = std::unique_ptr<heif_image, Liberer<heif_image_release>>;
using Poignee = std::unique_ptr<heif_image_handle, Liberer<heif_image_handle_release>>;

Image image_heif(const QImage& source, const QByteArray& icc)
{
    const QImage rgb = source.convertToFormat(QImage::Format_RGB888);
    heif_image* i = nullptr;
    if (heif_image_create(rgb.width(), rgb.height(), heif_colorspace_RGB, heif_chroma_interleaved_RGB, &i).code != heif_error_Ok)
        return nullptr;
    Image image(i);
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
    std::unique_ptr<heif_context, Liberer<heif_context_free>> contexte(heif_context_alloc());
    heif_encoder* e = nullptr;
    if (heif_context_get_encoder_for_format(contexte.get(), heif_compression_HEVC, &e).code != heif_error_Ok)
        return false;
    std::unique_ptr<heif_encoder, Liberer<heif_encoder_release>> encodeur(e);
    heif_encoder_set_lossy_quality(e, 92);
    std::unique_ptr<heif_encoding_options, Liberer<heif_encoding_options_free>> options(heif_encoding_options_alloc());
    options->macOS_compatibility_workaround = 0; // a plain picture, as cameras write it, not a one-tile grid
    const auto encoder = [&](const QImage& source, heif_orientation o) {
        options->image_orientation = o;
        const Image image = image_heif(source, icc);
        heif_image_handle* p = nullptr;
        if (image)
            heif_context_encode_image(contexte.get(), image.get(), e, options.get(), &p);
        return Poignee(p);
    };
    const Poignee primaire = encoder(stockee, orientation);
    if (!primaire)
        return false;
    if (!vignette.isNull()) {
        // Encoded as a picture of its own, then made the primary's thumbnail. libheif 1.15 makes
        // its second argument the thumbnail of its third, whatever the names in its header say.
        const Poignee petite = encoder(vignette, orientation_vignette);
        if (!petite || heif_context_assign_thumbnail(contexte.get(), petite.get(), primaire.get()).code != heif_error_Ok)
            return false;
    }
    return heif_context_write_to_file(contexte.get(), QFile::encodeName(chemin).constData()).code == heif_error_Ok;
}

// The file with the size its 'ispe' box gives changed.
QByteArray taille_dite(QByteArray f, quint32 largeur, quint32 hauteur)
{
    if (const qsizetype ispe = f.indexOf("ispe"); ispe > 0) {
        qToBigEndian(largeur, f.data() + ispe + 8);
        qToBigEndian(hauteur, f.data() + ispe + 12);
    }
    return f;
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
        EXIGER("avifenc");
        QTemporaryDir dossier;
        QImage source(640, 480, QImage::Format_RGB32);
        QPainter p(&source);
        QLinearGradient degrade(0, 0, 640, 480);
        degrade.setStops({{0, QColor(250, 40, 20)}, {0.5, QColor(30, 200, 90)}, {1, QColor(20, 60, 240)}});
        p.fillRect(source.rect(), degrade);
        p.fillRect(40, 40, 200, 120, QColor(240, 230, 40));
        p.fillRect(400, 300, 160, 120, Qt::black);
        p.end();
        const QString fichier = coder(dossier, "avifenc", QStringList{"-s", "8", "--min", "0", "--max", "4"} + options, source, "image");
        QVERIFY(!fichier.isEmpty());
        const QImage apercu = image_apercu(fichier, QSize(160, 120)).image;
        QCOMPARE(apercu.size(), QSize(160, 120));
        const auto reduite = [](const QImage& i) { return i.scaled(160, 120, Qt::IgnoreAspectRatio, Qt::SmoothTransformation); };
        const double ecart_complete = ecart_moyen(apercu, reduite(image_complete(fichier).image));
        QVERIFY2(ecart_complete < 3, qPrintable(QString::number(ecart_complete)));
        QImage attendue = reduite(source);
        for (int y = 0; options.contains("400") && y < attendue.height(); ++y) // the encoder keeps BT.601's luma
            for (int x = 0; x < attendue.width(); ++x) {
                const QRgb c = attendue.pixel(x, y);
                const int g = qRound(0.299 * qRed(c) + 0.587 * qGreen(c) + 0.114 * qBlue(c));
                attendue.setPixel(x, y, qRgb(g, g, g));
            }
        QVERIFY2(ecart_moyen(apercu, attendue) < 5, qPrintable(QString::number(ecart_moyen(apercu, attendue))));
    }

    void natural_size_preview_and_whole_picture_data()
    {
        QTest::addColumn<QString>("outil");
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<bool>("seize_bits");
        QTest::newRow("HEIC 8 bits") << "heif-enc" << QStringList{"-q", "92"} << false;
        QTest::newRow("HEIC 10 bits") << "heif-enc" << QStringList{"-q", "92", "-b", "10"} << true;
        QTest::newRow("AVIF 8 bits") << "avifenc" << QStringList{"-s", "8", "--min", "0", "--max", "8"} << false;
        QTest::newRow("AVIF 10 bits") << "avifenc" << QStringList{"-s", "8", "-d", "10", "--min", "0", "--max", "8"} << false;
        QTest::newRow("AVIF 12 bits, lossless") << "avifenc" << QStringList{"-s", "8", "-d", "12", "-l"} << false;
    }

    void natural_size_preview_and_whole_picture()
    {
        QFETCH(QString, outil);
        QFETCH(QStringList, options);
        QFETCH(bool, seize_bits);
        const int tolerance = options.contains("-l") ? 1 : 14; // lossless, or not
        EXIGER(outil);
        QTemporaryDir dossier;
        const QString fichier = coder(dossier, outil, options, mire(seize_bits ? QImage::Format_RGBX64 : QImage::Format_RGB32), "mire");
        QVERIFY(!fichier.isEmpty());
        lue_a_chaque_taille(fichier, QSize(128, 96), QSize(64, 64), QSize(64, 48),
                            [&](const QImage& image, int marge) { verifier_mire(image, tolerance + 2 * marge); });
    }

    // Upright picture: 64x128, red at the top left, a P3 colour at the top right that sRGB shows
    // differently, P3 mid-grey below. Stored turned a quarter anticlockwise, with orientation 6
    // (a quarter clockwise) and Display P3's ICC profile.
    void orientation_and_icc_profile_data()
    {
        QTest::addColumn<QString>("ecriture");
        QTest::newRow("HEIC, irot from libheif") << "libheif";
        QTest::newRow("AVIF, irot from avifenc") << "avifenc";
    }

    void orientation_and_icc_profile()
    {
        QFETCH(QString, ecriture);
        QTemporaryDir dossier;
        const QRgb couleur_p3 = qRgb(90, 170, 60);
        QImage droite(64, 128, QImage::Format_RGB32);
        droite.fill(QColor(gris));
        QPainter(&droite).fillRect(0, 0, 32, 32, QColor(rouge));
        QPainter(&droite).fillRect(32, 0, 32, 32, QColor(couleur_p3));
        const QImage stockee = droite.transformed(QTransform().rotate(-90));
        const QColorSpace p3(QColorSpace::DisplayP3);
        QString fichier = dossier.filePath("tournee.heic");
        if (ecriture == "libheif") {
            QVERIFY(ecrire_heic(fichier, stockee, heif_orientation_rotate_90_cw, p3.iccProfile()));
        } else {
            EXIGER("avifenc");
            QImage png = stockee;
            png.setColorSpace(p3);
            // avifenc's rotation counts quarter turns anticlockwise: three make one clockwise.
            fichier = coder(dossier, "avifenc", {"-s", "8", "--min", "0", "--max", "6", "--irot", "3"}, png, "tournee");
            QVERIFY(!fichier.isEmpty());
        }

        QCOMPARE(taille_image(fichier), QSize(64, 128));
        const ImageLue complete = image_complete(fichier);
        QCOMPARE(complete.taille_naturelle, QSize(64, 128));
        const QImage apercu = image_apercu(fichier, carre).image;
        QCOMPARE(complete.image.size(), QSize(64, 128));
        QCOMPARE(apercu.size(), carre);
        for (const QImage& image : {complete.image, apercu}) {
            const auto x = [&](int v) { return v * image.width() / 64; };
            const auto y = [&](int v) { return v * image.height() / 128; };
            // Pure P3 red is beyond sRGB: it comes as sRGB's red, clipped.
            COULEUR(image, x(16), y(16), rouge, 14);
            COULEUR(image, x(48), y(16), p3.transformationToColorSpace(QColorSpace::SRgb).map(couleur_p3), 10);
            COULEUR(image, x(32), y(80), gris, 8);
        }
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
            return QTransform().rotate(o == heif_orientation_rotate_90_cw ? -90 : o == heif_orientation_rotate_180 ? 180 : 0);
        };
        const QRgb vert = qRgb(0, 200, 0), jaune = qRgb(255, 255, 0);
        QImage petite(256, 192, QImage::Format_RGB32);
        petite.fill(vert);
        QPainter(&petite).fillRect(0, 0, 64, 64, QColor(jaune));
        // Both upright once their orientation is applied; stored turned the other way.
        const QString fichier = dossier.filePath("vignette.heic");
        QVERIFY(ecrire_heic(fichier, mire().scaled(1024, 768).transformed(stockage(orientation)), heif_orientation(orientation), {},
                            petite.transformed(stockage(orientation_vignette)), heif_orientation(orientation_vignette)));

        QCOMPARE(taille_image(fichier), QSize(1024, 768));
        const ImageLue lue = image_apercu(fichier, voulue);
        QCOMPARE(lue.image.size(), voulue);
        QCOMPARE(lue.taille_naturelle, QSize(1024, 768));
        const QImage& image = lue.image;
        if (vignette_attendue) {
            COULEUR(image, image.width() / 8, image.height() / 8, jaune, 16);
            COULEUR(image, image.width() * 3 / 4, image.height() * 3 / 4, vert, 16);
        } else {
            verifier_mire(image, 16);
        }
    }

    void hdr_tone_mapped_data()
    {
        QTest::addColumn<QString>("cicp");
        QTest::addColumn<QString>("profondeur");
        QTest::newRow("PQ, BT.2020, 10 bits") << "9/16/9" << "10";
        QTest::newRow("HLG, BT.2020, 10 bits") << "9/18/9" << "10";
        QTest::newRow("PQ, BT.2020, 8 bits") << "9/16/9" << "8";
    }

    // Grey steps from black to white, encoded in 10 (or 8) bits and read as PQ or HLG signal.
    void hdr_tone_mapped()
    {
        QFETCH(QString, cicp);
        QFETCH(QString, profondeur);
        EXIGER("avifenc");
        QTemporaryDir dossier;
        const int niveaux[] = {0, 64, 128, 148, 191, 255};
        QImage marches(6 * 16, 16, QImage::Format_RGB32);
        for (int i = 0; i < 6; ++i)
            QPainter(&marches).fillRect(i * 16, 0, 16, 16, QColor(niveaux[i], niveaux[i], niveaux[i]));
        const QString fichier = coder(dossier, "avifenc", {"-s", "8", "-d", profondeur, "--min", "0", "--max", "4", "--cicp", cicp}, marches, "hdr");
        QVERIFY(!fichier.isEmpty());
        const QImage image = image_complete(fichier).image;
        QCOMPARE(image.size(), QSize(96, 16));
        int v[6];
        QString lues = "grey steps 0 64 128 148 191 255 shown as";
        for (int i = 0; i < 6; ++i) {
            const QRgb p = image.pixel(i * 16 + 8, 8);
            v[i] = qGreen(p);
            lues += ' ' + QString::number(v[i]);
            QVERIFY2(qAbs(qRed(p) - v[i]) <= 6 && qAbs(qBlue(p) - v[i]) <= 6, ("step " + QByteArray::number(i) + " is not grey: " + decrire(p)).constData());
            QVERIFY2(i == 0 || v[i] >= v[i - 1], qPrintable(lues)); // never darker than the step before
        }
        QVERIFY2(v[0] <= 12, qPrintable(lues)); // black stays black
        QVERIFY2(v[2] >= 90 && v[2] <= 210, qPrintable(lues)); // mid-grey signal: mid-tones
        QVERIFY2(v[5] >= 235, qPrintable(lues)); // peak white: white
        // SDR white (203 nits: PQ signal 0.58, HLG 0.75) comes bright, not at its signal's level.
        QVERIFY2((cicp == "9/16/9" ? v[3] : v[4]) >= 215, qPrintable(lues));
    }

    void transparency_kept_data()
    {
        QTest::addColumn<QString>("outil");
        QTest::addColumn<QStringList>("options");
        QTest::newRow("HEIC") << "heif-enc" << QStringList{"-q", "95"};
        QTest::newRow("AVIF") << "avifenc" << QStringList{"-s", "8", "--min", "0", "--max", "4"};
    }

    void transparency_kept()
    {
        QFETCH(QString, outil);
        QFETCH(QStringList, options);
        EXIGER(outil);
        QTemporaryDir dossier;
        QImage source(64, 48, QImage::Format_ARGB32);
        source.fill(Qt::transparent);
        for (int y = 0; y < 24; ++y)
            for (int x = 0; x < 32; ++x) {
                source.setPixel(x, y, qRgba(0, 255, 0, 255));
                source.setPixel(x + 32, y + 24, qRgba(0, 0, 255, 128));
            }
        const QString fichier = coder(dossier, outil, options, source, "alpha");
        QVERIFY(!fichier.isEmpty());
        for (const QImage& lue : {image_complete(fichier).image, image_apercu(fichier, QSize(32, 24)).image}) {
            QVERIFY(lue.hasAlphaChannel());
            // Colours as they are, not multiplied by their opacity.
            const QImage image = lue.convertToFormat(QImage::Format_ARGB32);
            const int sx = image.width(), sy = image.height();
            const QRgb opaque = image.pixel(8 * sx / 64, 8 * sy / 48);
            QVERIFY2(qAlpha(opaque) == 255 && qGreen(opaque) > 230 && qRed(opaque) < 20, decrire(opaque));
            QCOMPARE(qAlpha(image.pixel(48 * sx / 64, 8 * sy / 48)), 0);
            const QRgb mi = image.pixel(48 * sx / 64, 36 * sy / 48);
            QVERIFY2(qAbs(qAlpha(mi) - 128) <= 4 && qBlue(mi) > 220 && qGreen(mi) < 30, decrire(mi));
        }
    }

    void damaged_and_hostile_files()
    {
        EXIGER("heif-enc");
        EXIGER("avifenc");
        QTemporaryDir dossier;
        const QStringList bonnes{coder(dossier, "heif-enc", {"-q", "80", "-t", "64"}, mire(), "bonne"),
                                 coder(dossier, "avifenc", {"-s", "8"}, mire(), "bonne")};
        const QString grande_avif = coder(dossier, "avifenc", {"-s", "10"}, mire().scaled(1024, 768), "grande");
        QVERIFY(!bonnes[0].isEmpty() && !bonnes[1].isEmpty() && !grande_avif.isEmpty());
        const auto refusee = [&](const QString& nom, const QByteArray& octets) {
            const QString chemin = ecrire(dossier, "essai-" + nom, octets);
            return !chemin.isEmpty() && !taille_image(chemin).isValid() && rien_lu(chemin);
        };

        QRandomGenerator aleatoire(7);
        for (const QString& chemin : bonnes) {
            const QString nom = QFileInfo(chemin).fileName();
            const QByteArray bonne = lire(chemin);
            QVERIFY(image_complete(chemin).ok());
            const qsizetype meta = bonne.indexOf("meta"), mdat = bonne.indexOf("mdat");
            QVERIFY(meta > 0 && mdat > meta);
            for (qsizetype longueur : {qsizetype(12), qsizetype(24), meta + 20, (meta + mdat) / 2, mdat + 4, mdat + 40, bonne.size() - 1})
                QVERIFY2(refusee(nom, bonne.left(longueur)), qPrintable(QStringLiteral("%1 cut at %2").arg(nom).arg(longueur)));
            QByteArray hasard = bonne.left(meta - 4);
            for (int i = 0; i < 4096; ++i)
                hasard += char(aleatoire.generate());
            QVERIFY(refusee(nom, hasard));
            QVERIFY(refusee(nom, bonne.left(meta - 4)));
            // Bytes changed at random in the header or the coded data.
            const QString faute = abimer(dossier, bonne, {{24, mdat}, {mdat + 8, bonne.size()}}, 150);
            QVERIFY2(faute.isEmpty(), qPrintable(faute));
        }
        QVERIFY(refusee("ftyp-seule.heic", QByteArray("\0\0\0\x18" "ftypheic\0\0\0\0mif1heic", 24)));
        QVERIFY(refusee("vide.heic", QByteArray()));

        // Headers that lie about the size: the AVIF's single picture says how large it is in 'ispe'.
        const QByteArray grande = lire(grande_avif);
        QCOMPARE(taille_image(grande_avif), QSize(1024, 768));
        QVERIFY(refusee("immense.avif", taille_dite(grande, 40000, 40000)));
        QVERIFY(refusee("trop-grande.avif", taille_dite(grande, 20000, 20000))); // 400 Mpx: beyond the memory budget
        QVERIFY(refusee("nulle.avif", taille_dite(grande, 0, 0)));
        QVERIFY(refusee("plate.avif", taille_dite(grande, 1024, 0)));
        // A small size in the header over a large coded picture: not decoded beyond what was announced.
        const QString menteuse = ecrire(dossier, "menteuse.avif", taille_dite(grande, 64, 48));
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
        QTest::addColumn<int>("octets_par_pixel");
        const int o = int(octets_par_pixel_heif);
        QTest::newRow("HEIC, 8 bits, 4:2:0") << "heif-enc" << QStringList{"-q", "50"} << o;
        QTest::newRow("AVIF, 8 bits, 4:2:0") << "avifenc" << QStringList{"-s", "10", "-y", "420", "-d", "8"} << o;
        QTest::newRow("AVIF, 10 bits, 4:2:0") << "avifenc" << QStringList{"-s", "10", "-y", "420", "-d", "10"} << 2 * o;
    }

    void memory_peak_within_the_estimate()
    {
        QFETCH(QString, outil);
        QFETCH(QStringList, options);
        QFETCH(int, octets_par_pixel);
#ifdef __SANITIZE_ADDRESS__
        QSKIP("AddressSanitizer's redzones and shadow memory double the peak: measured in the plain build");
#endif
        EXIGER(outil);
        QTemporaryDir dossier;
        const QSize taille(4000, 3000);
        QImage degrade(taille, QImage::Format_RGB32);
        for (int y = 0; y < taille.height(); ++y)
            for (int x = 0; x < taille.width(); ++x)
                degrade.setPixel(x, y, qRgb(x * 255 / taille.width(), y * 255 / taille.height(), 128));
        const QString fichier = coder(dossier, outil, options, degrade, "degrade");
        QVERIFY(!fichier.isEmpty());
        const LectureMesuree lue = lire_a_part("complete", fichier);
        QCOMPARE(lue.image, taille);
        QVERIFY(lue.avant_ko > 0 && lue.pic_ko > 0);
        const double par_pixel = double(lue.pic_ko - lue.avant_ko) * 1024 / (qint64(taille.width()) * taille.height());
        QVERIFY2(par_pixel <= octets_par_pixel, qPrintable(QStringLiteral("%1 bytes per pixel").arg(par_pixel)));
    }

    // A coding that costs more to decode is held to the budget at its own cost: a 12-bit 4:4:4
    // picture whose header claims 5000x5000 pixels (700 MB to decode) is refused, where an 8-bit
    // 4:2:0 one claiming as much (200 MB) is read.
    void budget_follows_the_coding()
    {
        EXIGER("avifenc");
        QTemporaryDir dossier;
        const auto grande = [&](const QStringList& options, const QString& nom) {
            const QString petite = coder(dossier, "avifenc", QStringList{"-s", "8"} + options, mire(), nom);
            return petite.isEmpty() ? QString() : ecrire(dossier, "grande-" + nom + ".avif", taille_dite(lire(petite), 5000, 5000));
        };
        const QString simple = grande({"-y", "420", "-d", "8"}, "simple"), riche = grande({"-y", "444", "-d", "12"}, "riche");
        QVERIFY(taille_image(simple) == QSize(5000, 5000) && taille_image(riche) == QSize(5000, 5000));
        QVERIFY(image_ajustee(simple, QSize(1920, 1080)).ok());
        QVERIFY(!image_ajustee(riche, QSize(1920, 1080)).ok());
        QVERIFY(!image_complete(riche).ok());
    }
};

QTEST_GUILESS_MAIN(TestHeif)
#include "tst_heif.moc"
