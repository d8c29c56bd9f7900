// JPEG XL pictures read through chargeur.h: files made here with Debian's cjxl and ImageMagick's
// convert (lossy, lossless, recompressed JPEG, turned, wide-gamut, HDR, animated, transparent),
// then damaged ones and headers that lie.

#include "fichiers_essai.h"
#include "picture/jxl.h"

#include <QColorSpace>
#include <QColorTransform>
#include <QtEndian>

#include <functional>

namespace {

using namespace essai;

// A binary PPM of 16 bits per channel (cjxl reads its pixels as sRGB unless told otherwise).
QByteArray ppm16(int largeur, int hauteur, const std::function<quint16(int x, int y)>& valeur)
{
    QByteArray ppm = QStringLiteral("P6\n%1 %2\n65535\n").arg(largeur).arg(hauteur).toLatin1();
    for (int y = 0; y < hauteur; ++y)
        for (int x = 0; x < largeur * 3; ++x) {
            char o[2];
            qToBigEndian(valeur(x / 3, y), o);
            ppm.append(o, 2);
        }
    return ppm;
}

// A bare codestream whose header says `largeur` x `hauteur` (every other field left to its
// default), followed by `suite`.
QByteArray entete_jxl(quint32 largeur, quint32 hauteur, const QByteArray& suite)
{
    QByteArray octets;
    int n = 0;
    const auto bits = [&](quint64 valeur, int nombre) { // least significant first
        for (int i = 0; i < nombre; ++i, ++n) {
            if (n % 8 == 0)
                octets += '\0';
            if ((valeur >> i) & 1)
                octets[n / 8] = char(octets[n / 8] | (1 << (n % 8)));
        }
    };
    bits(0, 1); // sizes not in multiples of 8
    bits(3, 2); // the height in its widest form: 30 bits
    bits(hauteur - 1, 30);
    bits(0, 3); // no fixed ratio: the width follows
    bits(3, 2);
    bits(largeur - 1, 30);
    bits(1, 1); // default metadata
    return QByteArray("\xFF\x0A", 2) + octets + suite;
}

QByteArray hasard(int taille, quint32 graine)
{
    QRandomGenerator g(graine);
    QByteArray o(taille, '\0');
    for (char& c : o)
        c = char(g.bounded(256));
    return o;
}

// Four flat quarters of known colours: the picture most of the tests read back.
const QColor haut_gauche(220, 30, 30), haut_droite(30, 160, 60), bas_gauche(40, 60, 200), bas_droite(240, 230, 200);

QStringList dessin_quarts(int largeur, int hauteur)
{
    const auto rect = [](int x0, int y0, int x1, int y1) { return QStringLiteral("rectangle %1,%2 %3,%4").arg(x0).arg(y0).arg(x1).arg(y1); };
    const int mx = largeur / 2, my = hauteur / 2;
    return {QStringLiteral("-size"), QStringLiteral("%1x%2").arg(largeur).arg(hauteur), QStringLiteral("xc:") + bas_droite.name(),
            "-fill", haut_gauche.name(), "-draw", rect(0, 0, mx - 1, my - 1),
            "-fill", haut_droite.name(), "-draw", rect(mx, 0, largeur - 1, my - 1),
            "-fill", bas_gauche.name(), "-draw", rect(0, my, mx - 1, hauteur - 1)};
}

// The colours of the four quarters of `image`, read at their centres.
void verifier_quarts(const QImage& image, int tolerance)
{
    const int w = image.width(), h = image.height();
    COULEUR(image, w / 4, h / 4, haut_gauche, tolerance);
    COULEUR(image, 3 * w / 4, h / 4, haut_droite, tolerance);
    COULEUR(image, w / 4, 3 * h / 4, bas_gauche, tolerance);
    COULEUR(image, 3 * w / 4, 3 * h / 4, bas_droite, tolerance);
}

} // namespace

class TestJpegXl : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        EXIGER("cjxl");
        EXIGER("convert");
        QVERIFY(dossier_.isValid());
        // 256x192, four quarters, in sRGB without any chunk that would say otherwise.
        LANCER("convert", dessin_quarts(256, 192) + QStringList{dossier_.filePath("quarts.ppm")});
        LANCER("convert", dessin_quarts(256, 192) + QStringList{"-quality", "95", dossier_.filePath("quarts.jpg")});
    }

    void lecture_a_toutes_les_tailles_data()
    {
        QTest::addColumn<QStringList>("options"); // for cjxl
        QTest::addColumn<QString>("source");
        QTest::addColumn<int>("tolerance");
        QTest::newRow("avec pertes") << QStringList{} << "quarts.ppm" << 10;
        QTest::newRow("avec pertes, conteneur") << QStringList{"--container=1"} << "quarts.ppm" << 10;
        QTest::newRow("sans perte") << QStringList{"-d", "0"} << "quarts.ppm" << 1;
        QTest::newRow("jpeg recompressé") << QStringList{} << "quarts.jpg" << 6;
    }

    void lecture_a_toutes_les_tailles()
    {
        QFETCH(QStringList, options);
        QFETCH(QString, source);
        QFETCH(int, tolerance);
        const QString f = dossier_.filePath(QStringLiteral("%1.jxl").arg(QTest::currentDataTag()));
        LANCER("cjxl", QStringList{dossier_.filePath(source), f} + options);
        lue_a_chaque_taille(f, QSize(256, 192), QSize(128, 128), QSize(128, 96),
                            [&](const QImage& image, int marge) { verifier_quarts(image, tolerance + marge); });
        if (source.endsWith(".jpg")) // the same pixels as the JPEG itself gives
            QVERIFY2(ecart_moyen(image_complete(f).image, image_complete(dossier_.filePath(source)).image) < 1.5, "recompressed JPEG");
    }

    void orientation_appliquee()
    {
        // 64x32 stored, a blue square at the top left of the stored pixels; orientation 6 turns the
        // picture a quarter clockwise: 32x64 upright, the square at the top right.
        // A JPEG drawn by convert with `dessin`, given orientation 6, recompressed.
        const auto tournee = [this](const QString& nom, const QStringList& dessin) {
            const QString jpeg = dossier_.filePath(nom + ".jpg"), f = dossier_.filePath(nom + ".jxl");
            const QString erreur = lancer("convert", dessin + QStringList{"-quality", "95", jpeg});
            return erreur.isEmpty() ? lancer("cjxl", {ecrire(dossier_, nom + " exif.jpg", avec_orientation_exif(lire(jpeg), 6)), f}) : erreur;
        };
        const QString f = dossier_.filePath("tournee.jxl");
        QCOMPARE(tournee("tournee", {"-size", "64x32", "xc:#dc1e1e", "-fill", "#1e3cc8", "-draw", "rectangle 0,0 15,15"}), QString());
        const QColor rouge(0xdc, 0x1e, 0x1e), bleu(0x1e, 0x3c, 0xc8);
        QCOMPARE(taille_image(f), QSize(32, 64));
        const ImageLue complete = image_complete(f), apercu = image_apercu(f, QSize(16, 32));
        QCOMPARE(complete.image.size(), QSize(32, 64));
        QCOMPARE(apercu.image.size(), QSize(16, 32));
        QCOMPARE(apercu.taille_naturelle, QSize(32, 64));
        for (const QImage& image : {complete.image, apercu.image}) {
            COULEUR(image, image.width() * 3 / 4, image.width() / 4, bleu, 16);
            COULEUR(image, image.width() / 4, image.width() / 4, rouge, 16);
        }

        // Large enough for a preview from the DC pass: 1200x1600 stored, 1600x1200 upright, the
        // quarters turned with it.
        const QString grande = dossier_.filePath("grande tournee.jxl");
        QCOMPARE(tournee("grande tournee", {"-size", "1200x1600", "xc:" + bas_droite.name(), "-fill", haut_gauche.name(), "-draw",
                                            "rectangle 0,0 599,799"}),
                 QString());
        QCOMPARE(taille_image(grande), QSize(1600, 1200));
        QVERIFY(jpeg_xl_dc_suffit(QSize(1600, 1200), carre));
        const QImage petite = image_apercu(grande, carre).image;
        QCOMPARE(petite.size(), carre);
        COULEUR(petite, 108, 36, haut_gauche, 10);
        COULEUR(petite, 36, 36, bas_droite, 10);
        COULEUR(petite, 108, 108, bas_droite, 10);
    }

    // Two flat halves, lossy and lossless, whole and as a preview: grey levels in a grey file,
    // Display P3 colours (inside sRGB, far from their sRGB values) brought to sRGB, and the first
    // frame of an animation (red, then blue, then green).
    void deux_moities_fideles()
    {
        const QColor p3_gauche(200, 60, 50), p3_droite(120, 180, 100), gris_gauche(100, 100, 100), gris_droite(200, 200, 200);
        const QColorTransform vers_srgb = QColorSpace(QColorSpace::DisplayP3).transformationToColorSpace(QColorSpace::SRgb);
        const QStringList gris{"-size", "48x32", "xc:gray(100)", "-fill", "gray(200)", "-draw", "rectangle 24,0 47,31"};
        const QStringList p3{"-size", "64x32", "xc:" + p3_droite.name(), "-fill", p3_gauche.name(), "-draw", "rectangle 0,0 31,31"};
        const QStringList en_p3{"-x", "color_space=RGB_D65_DCI_Rel_SRG"};
        const QColor rouge(0xdc, 0x1e, 0x1e);
        const struct { QString source; QStringList dessin; QSize taille; QStringList options; QColor gauche, droite; int tolerance; } cas[] = {
            {"gris.pgm", gris, {48, 32}, {}, gris_gauche, gris_droite, 3},
            {"gris.pgm", gris, {48, 32}, {"-d", "0"}, gris_gauche, gris_droite, 0},
            {"p3.ppm", p3, {64, 32}, en_p3, vers_srgb.map(p3_gauche), vers_srgb.map(p3_droite), 8}, // XYB
            {"p3.ppm", p3, {64, 32}, en_p3 + QStringList{"-d", "0"}, vers_srgb.map(p3_gauche), vers_srgb.map(p3_droite), 2},
            {"anime.gif", {"-delay", "20", "-size", "40x30", "xc:#dc1e1e", "xc:#1e3cc8", "xc:#1ea03c"}, {40, 30}, {}, rouge, rouge, 2},
        };
        for (const auto& c : cas) {
            const QString f = dossier_.filePath(QStringLiteral("%1 %2.jxl").arg(c.source).arg(c.tolerance));
            LANCER("convert", c.dessin + QStringList{dossier_.filePath(c.source)});
            LANCER("cjxl", QStringList{dossier_.filePath(c.source), f} + c.options);
            QCOMPARE(taille_image(f), c.taille);
            const QImage complete = image_complete(f).image, apercu = image_apercu(f, c.taille / 2).image;
            QVERIFY(complete.size() == c.taille && apercu.size() == c.taille / 2);
            for (const auto& [image, marge] : {std::pair{complete, 0}, {apercu, 2}}) {
                COULEUR(image, image.width() / 4, image.height() / 2, c.gauche, c.tolerance + marge);
                COULEUR(image, 3 * image.width() / 4, image.height() / 2, c.droite, c.tolerance + marge);
            }
        }
    }

    void profondeur_et_hdr_ramenees_a_8_bits_data()
    {
        QTest::addColumn<QString>("espace"); // cjxl's name for the colour space of the pixels
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<int>("minimum"); // of the middle of the ramp, 8 bits
        QTest::addColumn<int>("maximum");
        // 16-bit SDR: the middle of the ramp, 0.5, is 128 in 8 bits.
        QTest::newRow("16 bits srgb") << "RGB_D65_SRG_Rel_SRG" << QStringList{"-d", "0"} << 127 << 129;
        // PQ 0.5 is about 92 nits, a mid-tone below SDR white (203 nits): about 180 in sRGB,
        // neither crushed to the 128 of its code value nor blown out.
        QTest::newRow("pq sans perte") << "RGB_D65_202_Rel_PeQ" << QStringList{"-d", "0"} << 160 << 200;
        QTest::newRow("pq avec pertes") << "RGB_D65_202_Rel_PeQ" << QStringList{} << 160 << 200;
        // HLG 0.5 is about 50 nits on a 1000-nit display: about 137.
        QTest::newRow("hlg sans perte") << "RGB_D65_202_Rel_HLG" << QStringList{"-d", "0"} << 132 << 145;
    }

    void profondeur_et_hdr_ramenees_a_8_bits()
    {
        QFETCH(QString, espace);
        QFETCH(QStringList, options);
        QFETCH(int, minimum);
        QFETCH(int, maximum);
        // A grey ramp over the whole range of 16-bit values, left to right.
        const QString ppm = ecrire(dossier_, "rampe.ppm", ppm16(256, 16, [](int x, int) { return quint16(x * 257); }));
        const QString f = dossier_.filePath(QStringLiteral("rampe %1.jxl").arg(QTest::currentDataTag()));
        LANCER("cjxl", QStringList{ppm, f, "-x", "color_space=" + espace} + options);

        const QImage image = image_complete(f).image;
        QCOMPARE(image.size(), QSize(256, 16));
        QCOMPARE(image.depth(), 32);
        const int milieu = qGreen(image.pixel(128, 8));
        QVERIFY2(milieu >= minimum && milieu <= maximum, ("middle of the ramp: " + decrire(image.pixel(128, 8))).constData());
        QVERIFY2(qGreen(image.pixel(1, 8)) <= 6, decrire(image.pixel(1, 8)).constData()); // black stays black
        QVERIFY2(qGreen(image.pixel(254, 8)) >= 235, decrire(image.pixel(254, 8)).constData());
        // Grey stays grey, and the ramp only rises.
        for (int x = 0, precedent = 0; x < 256; precedent = qGreen(image.pixel(x, 8)), x += 8) {
            const QRgb p = image.pixel(x, 8);
            QVERIFY2(qAbs(qRed(p) - qGreen(p)) <= 3 && qAbs(qBlue(p) - qGreen(p)) <= 3 && qGreen(p) + 3 >= precedent,
                     ("at " + QByteArray::number(x) + ": " + decrire(p)).constData());
        }
        // The preview comes the same way.
        QVERIFY(qAbs(qGreen(image_apercu(f, QSize(128, 8)).image.pixel(64, 4)) - milieu) <= 4);
    }

    void apercu_reduit_par_le_passage_dc()
    {
        // The DC pass, an eighth of the natural size, is enough when both sides asked are at most that.
        QVERIFY(jpeg_xl_dc_suffit(QSize(6000, 4000), QSize(750, 500)) && !jpeg_xl_dc_suffit(QSize(6000, 4000), QSize(751, 500))
                && !jpeg_xl_dc_suffit(QSize(6000, 4000), QSize(750, 501)));

        // 1280x1280 of noise, whose fine detail takes most of the file, with two flat quarters.
        const QString png = dossier_.filePath("bruit.png");
        LANCER("convert", "-size", "1280x1280", "xc:gray", "+noise", "Random", "-alpha", "off", "-depth", "8",
               "-fill", haut_gauche.name(), "-draw", "rectangle 0,0 639,639",
               "-fill", bas_droite.name(), "-draw", "rectangle 640,640 1279,1279", "-alpha", "off", png);
        const QString f = dossier_.filePath("bruit.jxl");
        LANCER("cjxl", png, f);
        const ImageLue apercu = image_apercu(f, carre);
        QCOMPARE(apercu.image.size(), carre);
        QCOMPARE(apercu.taille_naturelle, QSize(1280, 1280));
        COULEUR(apercu.image, 36, 36, haut_gauche, 10);
        COULEUR(apercu.image, 108, 108, bas_droite, 10);
        const QImage reduite = image_complete(f).image.scaled(carre, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        const double ecart = ecart_moyen(apercu.image, reduite);
        QVERIFY2(ecart < 6, qPrintable(QStringLiteral("preview %1 from the whole picture").arg(ecart)));

        // Cut in its fine detail, the file still gives its preview, which needs only the DC pass;
        // anything larger needs the rest.
        const QByteArray octets = lire(f);
        const QString coupe = ecrire(dossier_, "bruit coupé.jxl", octets.left(octets.size() / 2));
        QVERIFY(ecart_moyen(image_apercu(coupe, carre).image, apercu.image) < 0.5);
        QVERIFY(image_complete(coupe).image.isNull());
        QVERIFY(image_ajustee(coupe, QSize(400, 400)).image.isNull());
    }

    void transparence_conservee()
    {
        // Left half: half-transparent red; right half: opaque blue. (No gAMA chunk, which would
        // make the file's colours gamma 2.2 rather than sRGB.)
        const QString png = dossier_.filePath("transparente.png");
        LANCER("convert", "-size", "32x48", "xc:#dc1e1e80", "-size", "32x48", "xc:#1e3cc8", "+append",
               "-define", "png:exclude-chunk=gAMA,cHRM", png);
        for (const auto& [options, tolerance] : {std::pair{QStringList{}, 10}, {QStringList{"-d", "0"}, 1}}) { // lossy, lossless
            const QString f = dossier_.filePath(QStringLiteral("transparente %1.jxl").arg(tolerance));
            LANCER("cjxl", QStringList{png, f} + options);
            for (const QImage& lue : {image_complete(f).image, image_apercu(f, QSize(32, 24)).image}) {
                QVERIFY(lue.hasAlphaChannel());
                const QImage image = lue.convertToFormat(QImage::Format_ARGB32);
                const int x = image.width() / 4, y = image.height() / 2;
                QVERIFY2(qAbs(qAlpha(image.pixel(x, y)) - 0x80) <= 3, decrire(image.pixel(x, y)).constData());
                COULEUR(image, x, y, qRgba(0xdc, 0x1e, 0x1e, qAlpha(image.pixel(x, y))), tolerance + 2);
                QCOMPARE(qAlpha(image.pixel(3 * x, y)), 255);
                COULEUR(image, 3 * x, y, qRgb(0x1e, 0x3c, 0xc8), tolerance);
            }
        }
    }

    void transparence_avec_pertes_au_budget()
    {
        // libjxl holds about 44 bytes a pixel for a lossy picture with alpha: 4000x3300 would take
        // 580 MB, beyond the 512 MB budget, and is refused from its header; lossless, it is read.
        const QString png = dossier_.filePath("grande transparente.png");
        LANCER("convert", "-size", "4000x3300", "xc:#dc1e1e80", "-define", "png:exclude-chunk=gAMA,cHRM", png);
        const QString avec_pertes = dossier_.filePath("grande transparente.jxl");
        LANCER("cjxl", png, avec_pertes, "-e", "3");
        QVERIFY(!taille_image(avec_pertes).isValid());
        QVERIFY(image_apercu(avec_pertes, carre).image.isNull());
        const QString sans_perte = dossier_.filePath("grande transparente sans perte.jxl");
        LANCER("cjxl", png, sans_perte, "-d", "0", "-e", "1");
        QCOMPARE(taille_image(sans_perte), QSize(4000, 3300));
        const QImage apercu = image_apercu(sans_perte, carre).image.convertToFormat(QImage::Format_ARGB32);
        QCOMPARE(apercu.size(), carre);
        QVERIFY2(qAbs(qAlpha(apercu.pixel(72, 72)) - 0x80) <= 1, decrire(apercu.pixel(72, 72)).constData());
    }

    void lectures_simultanees_identiques()
    {
        // Each reader with the decoder's own threads.
        QStringList fichiers;
        for (const auto& [source, options] : {std::pair{"quarts.ppm", QStringList{}}, {"quarts.ppm", QStringList{"-d", "0"}}, {"quarts.jpg", QStringList{}}}) {
            fichiers << dossier_.filePath(QStringLiteral("simultanee %1.jxl").arg(fichiers.size()));
            LANCER("cjxl", QStringList{dossier_.filePath(source), fichiers.last()} + options); // lossy, lossless, recompressed JPEG
        }
        QVERIFY(memes_en_parallele(fichiers, carre));
    }

    void fichiers_abimes_refuses()
    {
        for (const QStringList& options : {QStringList{}, QStringList{"-d", "0"}}) {
            const QString source = dossier_.filePath("abime.jxl");
            LANCER("cjxl", QStringList{dossier_.filePath("quarts.ppm"), source} + options);
            const QByteArray bon = lire(source);
            QVERIFY(image_complete(source).ok());
            // Cut anywhere: no picture (a cut in the header leaves no size either).
            for (const qsizetype longueur : {qsizetype(0), qsizetype(1), qsizetype(2), qsizetype(5), qsizetype(12), qsizetype(40),
                                             bon.size() / 4, bon.size() / 2, bon.size() - 16, bon.size() - 1}) {
                const QString f = ecrire(dossier_, "coupe.jxl", bon.left(longueur));
                QVERIFY2(longueur > 5 || !taille_image(f).isValid(), qPrintable(QStringLiteral("cut at %1").arg(longueur)));
                QVERIFY2(image_complete(f).image.isNull() && image_apercu(f, carre).image.isNull(),
                         qPrintable(QStringLiteral("cut at %1").arg(longueur)));
            }
            const QString faute = abimer(dossier_, bon, {{2, bon.size()}}, 40, QSize(256, 192));
            QVERIFY2(faute.isEmpty(), qPrintable(faute));
            QByteArray signature = bon;
            signature[1] = '\x0B';
            QVERIFY(!taille_image(ecrire(dossier_, "signature.jxl", signature)).isValid());
        }
    }

    void entetes_menteurs_refuses()
    {
        // The hand-made header is read as it says...
        const QString sain = ecrire(dossier_, "300x200.jxl", entete_jxl(300, 200, hasard(2000, 1)));
        QCOMPARE(taille_image(sain), QSize(300, 200));
        QVERIFY(image_complete(sain).image.isNull() && image_apercu(sain, carre).image.isNull());
        // ...so sizes beyond any plausible picture are refused from it, before any pixel,
        for (const QSize taille : {QSize(50000, 100), QSize(100, 1'000'000), QSize(30000, 30000), QSize(1 << 30, 1 << 30)}) {
            const QString f = ecrire(dossier_, "immense.jxl", entete_jxl(quint32(taille.width()), quint32(taille.height()), hasard(2000, 2)));
            QVERIFY2(!taille_image(f).isValid() && rien_lu(f), qPrintable(QStringLiteral("%1x%2").arg(taille.width()).arg(taille.height())));
        }
        // and a large but plausible size followed by noise, or by nothing, fails quickly without
        // holding the pixels it claims.
        for (const QByteArray& suite : {hasard(100'000, 3), QByteArray(), QByteArray(4000, '\0')}) {
            const QString f = ecrire(dossier_, "grande.jxl", entete_jxl(4000, 3000, suite));
            QCOMPARE(taille_image(f), QSize(4000, 3000));
            QVERIFY(image_complete(f).image.isNull() && image_apercu(f, carre).image.isNull()
                    && image_ajustee(f, QSize(1920, 1080)).image.isNull());
        }
        // Containers whose boxes lie about their sizes.
        const QByteArray signature("\0\0\0\x0CJXL \r\n\x87\n\0\0\0\x14" "ftypjxl \0\0\0\0jxl ", 32);
        const QByteArray code = entete_jxl(300, 200, hasard(500, 4));
        const QList<QByteArray> boites{
            QByteArray("\0\0\0\x04jxlc", 8) + code,                                 // shorter than its own header
            QByteArray("\0\0\0\x01jxlc\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF", 16) + code, // 64-bit size beyond the file
            QByteArray("\xFF\xFF\xFF\xF0" "Exif", 8) + hasard(300, 5),              // metadata larger than the file
            QByteArray("\0\0\0\x08" "Exif", 8).repeated(5000),                      // empty boxes, no codestream
        };
        for (const QByteArray& boite : boites) {
            const QString f = ecrire(dossier_, "boites.jxl", signature + boite);
            QVERIFY(image_complete(f).image.isNull() && image_apercu(f, carre).image.isNull());
        }
        QVERIFY(image_complete(ecrire(dossier_, "hasard.jxl", QByteArray("\xFF\x0A", 2) + hasard(5000, 6))).image.isNull());
    }

private:
    QTemporaryDir dossier_;
};

QTEST_GUILESS_MAIN(TestJpegXl)
#include "tst_jxl.moc"
