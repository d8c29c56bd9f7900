// WMF and EMF pictures, read through the picture library's public functions, on the sample files of
// ../shared/testdata/metafiles and Pillow's drawings.

#include "fichiers_essai.h"
#include "picture/metafichier.h"
#include "picture/symboles.h"

#include <QBuffer>
#include <QDir>
#include <QDirIterator>
#include <QHash>
#include <QSet>
#include <QtEndian>

#include <bit>
#include <cstring>

namespace {

using namespace essai;

QString metafichiers(const QString& chemin)
{
    return qEnvironmentVariable("SAMPLES") + QStringLiteral("/metafiles/") + chemin;
}

QStringList fichiers(const QString& dossier, const QStringList& motifs = {})
{
    QStringList liste;
    QDirIterator it(dossier, motifs, QDir::Files);
    while (it.hasNext())
        liste << it.next();
    liste.sort();
    return liste;
}

// Share of the pixels that differ from the picture's most common colour.
double part_hors_fond(const QImage& image)
{
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    QHash<QRgb, qint64> comptes;
    for (int y = 0; y < rgb.height(); ++y) {
        const QRgb* ligne = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        for (int x = 0; x < rgb.width(); ++x)
            ++comptes[ligne[x]];
    }
    qint64 plus_frequent = 0;
    for (qint64 n : std::as_const(comptes))
        plus_frequent = std::max(plus_frequent, n);
    const qint64 total = qint64(rgb.width()) * rgb.height();
    return double(total - plus_frequent) / double(total);
}

// Share of the pixels of `a` whose colour differs by more than `seuil` (0-255, any channel) from
// the same pixel of `b`.
double part_differente(const QImage& a, const QImage& b, int seuil)
{
    const QImage x = a.convertToFormat(QImage::Format_RGB32), y = b.convertToFormat(QImage::Format_RGB32);
    qint64 n = 0;
    for (int j = 0; j < x.height(); ++j)
        for (int i = 0; i < x.width(); ++i)
            n += !proche(x.pixel(i, j), y.pixel(i, j), seuil);
    return double(n) / (double(x.width()) * x.height());
}

// Share of pixels that are neither of the two colours given (within a small tolerance): the blurred
// edges a bitmap gets when it is scaled up.
double part_intermediaire(const QImage& image, QRgb a, QRgb b)
{
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    qint64 n = 0;
    for (int y = 0; y < rgb.height(); ++y)
        for (int x = 0; x < rgb.width(); ++x)
            n += !proche(rgb.pixel(x, y), a, 23) && !proche(rgb.pixel(x, y), b, 23);
    return double(n) / (double(rgb.width()) * rgb.height());
}

// The smallest rectangle holding the pixels of `zone` darker than `seuil` (grey level).
QRect encre_dans(const QImage& image, const QRect& zone, int seuil)
{
    QRect encre;
    for (int y = zone.top(); y <= zone.bottom(); ++y)
        for (int x = zone.left(); x <= zone.right(); ++x)
            if (qGray(image.pixel(x, y)) < seuil)
                encre |= QRect(x, y, 1, 1);
    return encre;
}

// Fields of a record made here, little-endian 32-bit.
QByteArray champs(std::initializer_list<quint32> valeurs)
{
    QByteArray octets;
    for (quint32 v : valeurs) {
        char o[4];
        qToLittleEndian(v, o);
        octets.append(o, 4);
    }
    return octets;
}

// One EMF record: its type, its size, then its fields (padded to whole 32-bit words).
QByteArray enregistrement_emf(quint32 type, QByteArray contenu)
{
    while (contenu.size() % 4)
        contenu += '\0';
    return champs({type, quint32(8 + contenu.size())}) + contenu;
}

// An EMF file made here: a 96 x 96 pixel picture at 96 dpi (device units are its pixels, drawing
// in MM_TEXT), then the records given, then EOF.
QByteArray emf_fait(const QList<QByteArray>& enregistrements)
{
    QByteArray corps;
    for (const QByteArray& e : enregistrements)
        corps += e;
    corps += enregistrement_emf(14, champs({0, 0, 20}));
    QByteArray entete = champs({1, 88, 0, 0, 95, 95, 0, 0, 2540, 2540, 0x464D4520, 0x10000,
                                quint32(88 + corps.size()), quint32(enregistrements.size() + 2)});
    entete += champs({16}).left(2) + QByteArray(2, '\0'); // handles, reserved
    entete += champs({0, 0, 0, 960, 960, 254, 254});       // no description nor palette; the device
    return entete + corps;
}

// An EMF comment record holding EMF+ records.
QByteArray commentaire(const QByteArray& plus)
{
    return enregistrement_emf(70, champs({quint32(4 + plus.size()), 0x2B464D45}) + plus);
}

// One EMF+ record: its type, its flags, its size, then its data.
QByteArray plus(quint16 type, quint16 drapeaux, const QByteArray& donnees)
{
    return champs({quint32(type) | quint32(drapeaux) << 16, quint32(12 + donnees.size()), quint32(donnees.size())}) + donnees;
}

// A float field as the records hold it.
quint32 f(float v)
{
    return std::bit_cast<quint32>(v);
}

// EMF+ records drawn alone in a 96 x 96 picture.
QImage rendu_plus(const QByteArray& tout)
{
    return rendre_metafichier(emf_fait({commentaire(tout)}), QSize(96, 96)).convertToFormat(QImage::Format_RGB32);
}

// Which quarters of a 96 x 96 picture are red: top-left, top-right, bottom-left, bottom-right.
QString quarts_rouges(const QImage& image)
{
    QString vu;
    for (const QPoint p : {QPoint(24, 24), QPoint(72, 24), QPoint(24, 72), QPoint(72, 72)})
        vu += QColor(image.pixel(p)) == QColor(Qt::red) ? u'1' : u'0';
    return vu;
}

// Offsets of the records of type `type` in an EMF file.
QList<qsizetype> enregistrements(const QByteArray& emf, quint32 type)
{
    QList<qsizetype> positions;
    for (qsizetype p = qFromLittleEndian<quint32>(emf.constData() + 4); p + 8 <= emf.size(); p += qFromLittleEndian<quint32>(emf.constData() + p + 4))
        if (qFromLittleEndian<quint32>(emf.constData() + p) == type)
            positions << p;
    return positions;
}

// A 2 x 2 pixel, 24-bit DIB: its BITMAPINFOHEADER, then its bits.
const QByteArray dib_info = champs({40, 2, 2}) + QByteArray("\x01\0\x18\0", 4) + champs({0, 16, 0, 0, 0, 0});
const QByteArray dib_bits = QByteArray(16, '\x7F');

// EXTCREATEFONTINDIRECTW of a font in slot 1, `hauteur` its em height in logical units, `jeu` its
// character set, then its selection.
QByteArray police_emf(const QString& nom, int hauteur, quint8 jeu = 0)
{
    QByteArray lf = champs({quint32(-hauteur), 0, 0, 0, 400});
    lf += QByteArray(3, '\0') + char(jeu) + QByteArray(4, '\0'); // italic to pitch and family
    QByteArray face(64, '\0');
    std::memcpy(face.data(), nom.utf16(), size_t(std::min<qsizetype>(nom.size(), 31)) * 2);
    return enregistrement_emf(82, champs({1}) + lf + face) + enregistrement_emf(37, champs({1}));
}

// EXTTEXTOUTW of `texte` with its top left corner at (x, y) and the advances `dx` (none if empty).
QByteArray texte_emf(int x, int y, const QString& texte, const QList<quint32>& dx = {})
{
    QByteArray chaine(reinterpret_cast<const char*>(texte.utf16()), texte.size() * 2);
    while (chaine.size() % 4)
        chaine += '\0';
    const quint32 off_dx = dx.isEmpty() ? 0 : quint32(76 + chaine.size());
    QByteArray contenu = champs({0, 0, 96, 96, 1, f(1), f(1), quint32(x), quint32(y), quint32(texte.size()), 76, 0, 0, 0, 0, 0, off_dx});
    contenu += chaine;
    for (const quint32 d : dx)
        contenu += champs({d});
    return enregistrement_emf(84, contenu);
}

// The runs of columns of `image` without ink (grey below 128) between its first and its last inked
// column: their lengths, left to right; `debut` and `fin` get the first and last inked columns.
QList<int> blancs_entre_encre(const QImage& image, int* debut = nullptr, int* fin = nullptr)
{
    QList<bool> encre(image.width(), false);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            encre[x] = encre[x] || qGray(image.pixel(x, y)) < 128;
    const int premiere = int(encre.indexOf(true)), derniere = int(encre.lastIndexOf(true));
    if (debut)
        *debut = premiere;
    if (fin)
        *fin = derniere;
    QList<int> blancs;
    for (int x = premiere, n = 0; premiere >= 0 && x <= derniere; ++x) {
        if (!encre[x]) {
            ++n;
        } else if (n) {
            blancs << n;
            n = 0;
        }
    }
    return blancs;
}

} // namespace

class TestMetafichier : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(QFileInfo(metafichiers("emf/test-000.emf")).isFile(), "SAMPLES must name the shared test data");
    }

    void tailles_naturelles_des_entetes_data()
    {
        QTest::addColumn<QString>("fichier");
        QTest::addColumn<QSize>("taille");
        // EMF: the frame in 0.01 mm at 96 dpi, widened by the outer half of pens drawn on its edges;
        // placeable WMF: bounding box over units per inch.
        QTest::newRow("emf 12275x6330") << metafichiers("emf/test-000.emf") << QSize(464, 239);
        QTest::newRow("emf frame off origin") << metafichiers("emf/test-153.emf") << QSize(287, 225); // with its pen's margin
        QTest::newRow("emf small") << metafichiers("emf/test-008.emf") << QSize(55, 54);
        QTest::newRow("emf with description") << metafichiers("emf/test-028.emf") << QSize(55, 38);
        QTest::newRow("emf a4") << metafichiers("emf/test_mm_twips_ref.emf") << QSize(1122, 794);
        QTest::newRow("emf+ a4") << metafichiers("emf/test_libuemf_p_ref.emf") << QSize(1122, 794);
        QTest::newRow("emf pillow") << metafichiers("emf/drawing.emf") << QSize(110, 110);
        QTest::newRow("wmf 1200 dpi") << metafichiers("wmf/drawing.wmf") << QSize(110, 110);
        QTest::newRow("wmf a4") << metafichiers("wmf/test_libuemf_ref.wmf") << QSize(1122, 794);
    }

    void tailles_naturelles_des_entetes()
    {
        QFETCH(QString, fichier);
        QFETCH(QSize, taille);
        QCOMPARE(taille_image(fichier), taille);
        QCOMPARE(image_complete(fichier).image.size(), taille);
    }

    void chaque_echantillon_se_dessine()
    {
        QStringList liste = fichiers(metafichiers("emf"), {"*.emf"}) + fichiers(metafichiers("wmf"), {"*.wmf"});
        liste << qEnvironmentVariable("SAMPLES") + "/pillow/drawing.emf" << qEnvironmentVariable("SAMPLES") + "/pillow/drawing.wmf";
        QVERIFY(liste.size() >= 60);
        for (const QString& chemin : std::as_const(liste)) {
            const ImageLue lue = image_ajustee(chemin, QSize(600, 600));
            QVERIFY2(lue.ok(), qPrintable(chemin));
            QCOMPARE(lue.taille_naturelle, taille_image(chemin));
            // Neither blank nor one flat colour.
            QVERIFY2(part_hors_fond(lue.image) > 0.001, qPrintable(chemin));
        }
    }

    void apercu_etire_et_ajuste()
    {
        const QString chemin = metafichiers("emf/test-000.emf");
        lue_a_chaque_taille(chemin, QSize(464, 239), QSize(300, 300), QSize(300, 154),
                            [](const QImage& image, int) { QVERIFY(part_hors_fond(image) > 0.001); });
        // Never enlarged beyond the natural size.
        QCOMPARE(image_ajustee(chemin, QSize(4000, 4000)).image.size(), QSize(464, 239));
    }

    void modes_de_mapping_dessinent_la_meme_figure()
    {
        // Each sample draws one figure in its own mapping mode; scaled to one size they must match.
        const QSize taille(561, 397);
        const QImage reference = image_apercu(metafichiers("emf/test_mm_text_ref.emf"), taille).image;
        QVERIFY(!reference.isNull());
        QVERIFY(part_hors_fond(reference) > 0.05);
        const QStringList modes{"anisotropic", "hienglish", "himetric", "isotropic", "loenglish", "lometric", "twips"};
        for (const QString& mode : modes) {
            const QString chemin = metafichiers(QStringLiteral("emf/test_mm_%1_ref.emf").arg(mode));
            const QImage image = image_apercu(chemin, taille).image;
            QVERIFY2(!image.isNull(), qPrintable(mode));
            const double ecart = part_differente(reference, image, 64);
            QVERIFY2(ecart < 0.01, qPrintable(QStringLiteral("%1: %2 of the pixels differ").arg(mode).arg(ecart)));
        }
    }

    void rendu_vectoriel_net_a_toute_taille()
    {
        // Drawn again at four times the size, edges stay sharp: far fewer in-between pixels than the
        // natural-size picture scaled up.
        const QString chemin = metafichiers("emf/test-012.emf");
        const QSize naturelle = taille_image(chemin);
        const QImage petite = image_complete(chemin).image;
        const QImage grande = image_apercu(chemin, naturelle * 8).image;
        QCOMPARE(grande.size(), naturelle * 8);
        const QImage agrandie = petite.scaled(naturelle * 8, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        const QRgb ciel = grande.pixel(grande.width() / 10, grande.height() / 10);
        const QRgb soleil = grande.pixel(grande.width() / 2, grande.height() / 2);
        QVERIFY(ciel != soleil);
        QVERIFY(part_intermediaire(grande, ciel, soleil) * 2 < part_intermediaire(agrandie, ciel, soleil));
    }

    void fichiers_abimes_sans_plantage()
    {
        // Damaged metafiles, Pillow's damaged pictures and the inputs that once crashed the reader.
        QStringList liste = fichiers(metafichiers("emf-damaged"));
        QVERIFY(liste.size() >= 10);
        liste += fichiers(QStringLiteral(CORPUS_PLANTAGES));
        QDirIterator pillow(qEnvironmentVariable("SAMPLES") + "/pillow", QDir::Files, QDirIterator::Subdirectories);
        while (pillow.hasNext())
            liste << pillow.next();
        int partielles = 0;
        for (const QString& chemin : std::as_const(liste)) {
            // Either a picture of the size announced, or the usual failure: never a crash or a hang.
            const QSize taille = taille_image(chemin);
            const ImageLue apercu = image_apercu(chemin, carre), ajustee = image_ajustee(chemin, QSize(800, 600));
            QVERIFY2(taille.isValid() || (!apercu.ok() && !ajustee.ok()), qPrintable(chemin));
            QVERIFY2(!apercu.ok() || apercu.image.size() == carre, qPrintable(chemin));
            QVERIFY2(!ajustee.ok() || (ajustee.image.width() <= 800 && ajustee.image.height() <= 600), qPrintable(chemin));
            partielles += image_apercu(chemin, QSize(64, 64)).ok();
        }
        QVERIFY(partielles > 0); // most damaged files keep the records before the damage
    }

    void metafichiers_tronques()
    {
        // Every cut of a real file reads cleanly, as a partial picture or a failure.
        for (const QString& nom : {QStringLiteral("emf/test-161.emf"), QStringLiteral("wmf/test_libuemf_ref.wmf")}) {
            const QByteArray octets = lire(metafichiers(nom));
            QVERIFY(!octets.isEmpty());
            for (qsizetype n = 0; n < octets.size(); n += std::max<qsizetype>(1, octets.size() / 97)) {
                const QByteArrayView debut(octets.constData(), n);
                const QSize taille = taille_metafichier(debut);
                const QImage image = rendre_metafichier(debut, QSize(120, 90));
                QVERIFY(taille.isValid() == !image.isNull());
            }
        }
    }

    void couleurs_aux_endroits_connus_data()
    {
        QTest::addColumn<QString>("fichier");
        QTest::addColumn<QPointF>("endroit"); // share of the width and height
        QTest::addColumn<QColor>("couleur");
        // Fills chosen where LibreOffice's rendering shows the same colour.
        QTest::newRow("sun") << metafichiers("emf/test-012.emf") << QPointF(0.5, 0.5) << QColor(253, 255, 0);
        QTest::newRow("sky") << metafichiers("emf/test-012.emf") << QPointF(0.05, 0.05) << QColor(100, 191, 217);
        QTest::newRow("target ring") << metafichiers("emf/test-104.emf") << QPointF(0.35, 0.3) << QColor(255, 0, 0);
        QTest::newRow("target gap") << metafichiers("emf/test-104.emf") << QPointF(0.35, 0.4) << QColor(255, 255, 255);
        QTest::newRow("wmf disc") << metafichiers("wmf/drawing.wmf") << QPointF(0.68, 0.68) << QColor(255, 0, 0);
        QTest::newRow("emf disc") << metafichiers("emf/drawing.emf") << QPointF(0.5, 0.5) << QColor(255, 0, 0);
        QTest::newRow("page") << metafichiers("emf/test-048.emf") << QPointF(0.2, 0.15) << QColor(255, 255, 173);
        QTest::newRow("wmf page") << metafichiers("wmf/test_libuemf_ref.wmf") << QPointF(0.5, 0.97) << QColor(255, 255, 173);
    }

    void couleurs_aux_endroits_connus()
    {
        QFETCH(QString, fichier);
        QFETCH(QPointF, endroit);
        QFETCH(QColor, couleur);
        const QImage image = image_ajustee(fichier, QSize(1000, 1000)).image.convertToFormat(QImage::Format_RGB32);
        COULEUR(image, int(endroit.x() * image.width()), int(endroit.y() * image.height()), couleur, 23);
    }

    void wmf_et_emf_du_meme_dessin()
    {
        // libUEMF's reference drawing exists as EMF and as WMF: reduced, the two pictures agree far
        // better than either does with another drawing on the same page.
        const QSize taille(112, 79);
        const auto reduite = [&](const QString& nom) {
            return image_apercu(metafichiers(nom), taille * 8).image.scaled(taille, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        };
        const QImage emf = reduite("emf/test_libuemf_ref.emf");
        const double ecart = ecart_moyen(emf, reduite("wmf/test_libuemf_ref.wmf"));
        QVERIFY2(ecart < 0.07 * 255, qPrintable(QString::number(ecart)));
        QVERIFY(ecart * 2 < ecart_moyen(emf, reduite("emf/test_mm_text_ref.emf")));
    }

    void texte_tourne_par_l_echappement()
    {
        // The vertical axis title of this chart has an escapement of 270° in a y-up mapping: it
        // reads upwards along the left edge, a tall narrow band of ink.
        const QImage image = image_ajustee(metafichiers("emf/test-020.emf"), QSize(1000, 1000)).image;
        const QRect encre = encre_dans(image, QRect(0, 0, 30, image.height()), 100);
        QVERIFY(encre.isValid());
        QVERIFY2(encre.height() > 10 * encre.width(), qPrintable(QStringLiteral("%1x%2").arg(encre.width()).arg(encre.height())));
        QVERIFY(encre.center().y() > image.height() / 4 && encre.center().y() < image.height() * 3 / 4);
    }

    void polices_symboles_dessinees_en_symboles_data()
    {
        QTest::addColumn<QString>("famille");
        QTest::addColumn<int>("jeu");
        QTest::addColumn<QString>("texte");
        QTest::addColumn<QString>("latin");
        QTest::addColumn<QString>("attendu");
        QTest::newRow("Symbol alpha") << "Symbol" << 2 << "a" << "a" << "α";
        QTest::newRow("Symbol Delta and times, private use area") << "Symbol" << 2 << QStringLiteral("\uF044\uF0B4") << "D´" << "Δ×";
        QTest::newRow("Wingdings check mark") << "Wingdings" << 2 << QStringLiteral("\uF0FC") << "ü" << "✓";
        QTest::newRow("Wingdings bullet, charset not given") << "Wingdings" << 0 << "l" << "l" << "⚫";
        QTest::newRow("Wingdings 3 arrow") << "Wingdings 3" << 2 << QStringLiteral("\uF022") << "\"" << "⭢";
        QTest::newRow("Webdings bicycle") << "Webdings" << 2 << "b" << "b" << "🚲";
    }

    void polices_symboles_dessinees_en_symboles()
    {
        // Text in a symbol font is drawn as the symbols its codes stand for: the same pixels as
        // the Unicode characters drawn with the fonts that hold them, not the Latin letters.
        QFETCH(QString, famille);
        QFETCH(int, jeu);
        QFETCH(QString, texte);
        QFETCH(QString, latin);
        QFETCH(QString, attendu);
        const auto rendu = [](const QString& police, int charset, const QString& chaine) {
            return rendre_metafichier(emf_fait({police_emf(police, 40, quint8(charset)), texte_emf(8, 20, chaine)}), QSize(192, 192))
                .convertToFormat(QImage::Format_RGB32);
        };
        const QImage symbole = rendu(famille, jeu, texte);
        QVERIFY(part_hors_fond(symbole) > 0.005);
        const QImage voulu = rendu(symboles::familles_dessin().constFirst(), 0, attendu);
        QVERIFY2(part_differente(symbole, voulu, 40) < 0.002, qPrintable(QString::number(part_differente(symbole, voulu, 40))));
        QVERIFY(part_differente(symbole, rendu(QStringLiteral("DejaVu Sans"), 0, latin), 40) > 0.01);
    }

    void police_remplacee_sans_espacement_des_lettres()
    {
        // The advances of EXTTEXTOUTW, 2.5 em per letter here, are the writer's. A font that is
        // not installed is drawn with another font's glyphs: the word is drawn with that font's
        // own advances, stretched to the same overall width, so there are no letter-wide gaps
        // between its letters. An installed font keeps the advances letter by letter.
        const int em = 8, pas = 20; // logical units; the picture is drawn 5 times larger
        const QList<quint32> dx{pas, pas, pas, pas};
        const auto rendu = [&](const QString& police) {
            return rendre_metafichier(emf_fait({police_emf(police, em), texte_emf(8, 30, QStringLiteral("EEEE"), dx)}), QSize(480, 480));
        };
        int debut = 0, fin = 0;
        const QImage remplacee = rendu(QStringLiteral("Police Imaginaire Sans Pareille"));
        const QList<int> blancs = blancs_entre_encre(remplacee, &debut, &fin);
        QVERIFY(!blancs.isEmpty());
        const int plus_long = *std::max_element(blancs.begin(), blancs.end());
        QVERIFY2(plus_long < 5 * pas / 2, qPrintable(QString::number(plus_long)));
        const int largeur = fin - debut + 1, voulue = 5 * pas * 4;
        QVERIFY2(largeur > voulue * 8 / 10 && largeur <= voulue, qPrintable(QString::number(largeur)));
        QVERIFY2(std::abs(debut - 5 * 8) < 5 * em / 2, qPrintable(QString::number(debut)));

        const QImage installee = rendu(QStringLiteral("DejaVu Sans"));
        const QList<int> blancs_installee = blancs_entre_encre(installee, &debut, &fin);
        QCOMPARE(blancs_installee.size(), 3); // four letters, each at its advance
        for (const int n : blancs_installee)
            QVERIFY2(n > 5 * pas / 2, qPrintable(QString::number(n)));
        QVERIFY2(std::abs(debut - 5 * 8) < 5 * em / 2, qPrintable(QString::number(debut)));
    }

    void bitmaps_dessines()
    {
        // libUEMF's reference drawing: a row of small colour-gradient bitmaps of every depth, drawn
        // by StretchDIBits (EMF) and StretchDIB (WMF) at the same place.
        for (const char* nom : {"emf/test_libuemf_ref.emf", "wmf/test_libuemf_ref.wmf"}) {
            const QImage image = image_ajustee(metafichiers(nom), QSize(2000, 2000)).image;
            QVERIFY(!image.isNull());
            QSet<QRgb> couleurs;
            for (int y = int(0.505 * image.height()); y <= int(0.525 * image.height()); ++y)
                for (int x = int(0.385 * image.width()); x <= int(0.495 * image.width()); ++x)
                    couleurs.insert(image.pixel(x, y));
            QVERIFY2(couleurs.size() > 1000, qPrintable(QStringLiteral("%1: %2").arg(nom).arg(couleurs.size())));
        }
    }

    void emfplus_seul_dessine_ses_enregistrements()
    {
        // This file draws through EMF+ records only: its title, in large text at the top right, is there.
        const QImage image = image_ajustee(metafichiers("emf/test_libuemf_p_ref.emf"), QSize(1000, 1000)).image;
        const QRect encre = encre_dans(image, QRect(QPoint(image.width() * 2 / 3, 0), QPoint(image.width() - 1, image.height() / 8 - 1)), 80);
        QVERIFY(encre.width() > image.width() / 6);
        QVERIFY(encre.height() > image.height() / 20);
    }

    void entete_placable_lu()
    {
        // The same drawing without its placeable header: the window the file sets gives the size.
        QByteArray placable = lire(metafichiers("wmf/drawing.wmf"));
        const QByteArray simple = placable.mid(22);
        QCOMPARE(taille_metafichier(simple), QSize(1369, 1369));
        const QImage a = rendre_metafichier(placable, QSize(200, 200));
        const QImage b = rendre_metafichier(simple, QSize(200, 200));
        QVERIFY(!a.isNull() && !b.isNull());
        QVERIFY(part_hors_fond(b) > 0.1);
        QVERIFY(part_differente(a, b, 32) < 0.01);
        // Units per inch halved: the same bounding box is twice as large.
        QCOMPARE(taille_metafichier(placable), QSize(110, 110));
        qToLittleEndian<quint16>(600, placable.data() + 14);
        QCOMPARE(taille_metafichier(placable), QSize(219, 219));
        qToLittleEndian<quint16>(0, placable.data() + 10); // empty box: not a picture
        QVERIFY(!taille_metafichier(placable).isValid());
        QVERIFY(rendre_metafichier(placable, QSize(50, 50)).isNull());
    }

    void meme_dessin_a_toute_taille()
    {
        // Drawn at twice the size then reduced, a picture matches the one drawn at the size itself:
        // positions do not drift with the scale (lines and text edges may differ slightly).
        for (const QString& nom : {QStringLiteral("emf/test-104.emf"), QStringLiteral("emf/test-161.emf"),
                                   QStringLiteral("wmf/test_libuemf_ref.wmf"), QStringLiteral("emf/test_mm_lometric_ref.emf")}) {
            const QString chemin = metafichiers(nom);
            const QSize taille = taille_image(chemin).scaled(QSize(300, 300), Qt::KeepAspectRatio);
            const QImage petite = image_apercu(chemin, taille).image;
            const QImage grande = image_apercu(chemin, taille * 2).image;
            QVERIFY2(!petite.isNull() && !grande.isNull(), qPrintable(nom));
            const QImage reduite = grande.scaled(taille, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
            const double ecart = part_differente(petite, reduite, 96);
            QVERIFY2(ecart < 0.06, qPrintable(QStringLiteral("%1: %2").arg(nom).arg(ecart)));
        }
    }

    void lectures_simultanees_identiques()
    {
        QStringList chemins;
        for (const char* nom : {"emf/test-000.emf", "emf/test-132.emf", "wmf/test_libuemf_ref.wmf", "emf/test_libuemf_p_ref.emf"})
            chemins << metafichiers(nom);
        QVERIFY(memes_en_parallele(chemins, QSize(160, 120)));
    }

    void budget_de_temps_epuise_donne_une_image_partielle()
    {
        const QByteArray octets = lire(metafichiers("emf/test-032.emf"));
        const QImage entiere = rendre_metafichier(octets, QSize(400, 300));
        const QImage arretee = rendre_metafichier(octets, QSize(400, 300), 0);
        QVERIFY(!arretee.isNull());
        QCOMPARE(arretee.size(), QSize(400, 300));
        QVERIFY(part_hors_fond(arretee) < part_hors_fond(entiere));
    }

    void enregistrements_abimes()
    {
        // A record claiming more bytes than the file holds ends the drawing there: what came before
        // stays drawn.
        const QByteArray octets = lire(metafichiers("emf/test-104.emf"));
        const QImage entiere = rendre_metafichier(octets, QSize(200, 233));
        // The last POLYGON16 record made absurdly long.
        const QList<qsizetype> polygones = enregistrements(octets, 86);
        QVERIFY(!polygones.isEmpty());
        QByteArray abime = octets;
        qToLittleEndian<quint32>(0x7FFFFFF0, abime.data() + polygones.last() + 4);
        const QImage partielle = rendre_metafichier(abime, QSize(200, 233));
        QVERIFY(!partielle.isNull());
        QVERIFY(part_hors_fond(partielle) > 0.1);
        QVERIFY(partielle != entiere);

        // Deletions of objects that were never made, or far past the table, are skipped; objects
        // never deleted are still replaced by their slot's next creation: the same picture.
        abime = octets;
        const QList<qsizetype> suppressions = enregistrements(octets, 40); // DELETEOBJECT
        QVERIFY(suppressions.size() > 5);
        for (int i = 0; i < suppressions.size(); ++i)
            qToLittleEndian<quint32>(0x7FFFFFFF - i, abime.data() + suppressions[i] + 8);
        QCOMPARE(rendre_metafichier(abime, QSize(200, 233)), entiere);
    }

    void largeur_de_stylo_extreme()
    {
        // A pen's width counts by its size: negative widths draw as their opposite, and
        // -2147483648, which has no opposite among 32-bit integers, as the widest pen there is.
        const auto trait = [](quint32 largeur) {
            return rendre_metafichier(emf_fait({enregistrement_emf(38, champs({1, 0, largeur, 0, 0x0000FF})), // CREATEPEN
                                                enregistrement_emf(37, champs({1})),                         // SELECTOBJECT
                                                enregistrement_emf(27, champs({10, 48})),                    // MOVETOEX
                                                enregistrement_emf(54, champs({86, 48}))}),                  // LINETO
                                      QSize(96, 96));
        };
        QCOMPARE(trait(quint32(-5)), trait(5));
        QCOMPARE(trait(5).pixelColor(2, 2), QColor(Qt::white));
        QCOMPARE(trait(0x80000000), trait(0x7FFFFFFF));
        QCOMPARE(trait(0x7FFFFFFF).pixelColor(2, 2), QColor(Qt::red)); // the whole picture is under the pen
    }

    void traits_sur_le_bord_du_cadre_entiers()
    {
        // A rectangle on the frame's edges drawn with an 8-pixel pen: the frame widens by the pen's
        // outer half on every side, so the four strokes show whole and the drawing keeps its scale.
        const QByteArray emf = emf_fait({enregistrement_emf(38, champs({1, 0, 8, 0, 0x000000})), // CREATEPEN
                                         enregistrement_emf(37, champs({1})),                    // SELECTOBJECT
                                         enregistrement_emf(37, champs({0x80000005})),           // NULL_BRUSH
                                         enregistrement_emf(43, champs({0, 0, 96, 96}))});       // RECTANGLE
        QCOMPARE(taille_metafichier(emf), QSize(104, 104));
        const QImage image = rendre_metafichier(emf, QSize(104, 104));
        // Across the middle of the picture, down and along: 8 black pixels from each edge, 88 white between.
        for (const bool vertical : {true, false}) {
            QString vu;
            for (int i = 0; i < 104; ++i)
                vu += qGray(image.pixel(vertical ? QPoint(52, i) : QPoint(i, 52))) < 128 ? u'#' : u'.';
            QCOMPARE(vu, QString(8, u'#') + QString(88, u'.') + QString(8, u'#'));
        }
    }

    void champs_extremes_dans_chaque_enregistrement()
    {
        // Every record the reader draws, its fields all at one extreme value (32-bit integer
        // limits, -1, the largest and smallest floats, 2^31 as a float); records that point to a
        // bitmap point to a real one, records that make an object are followed by its selection
        // and by figures and text that use it. Each picture comes out whole, of the size asked.
        const QList<quint32> types{9, 10, 11, 12, 31, 32, 17, 18, 19, 20, 22, 24, 25, 57, 58, 33, 34, 35, 36, 37, 40, 38,
                                   95, 39, 93, 94, 82, 49, 27, 54, 2, 3, 4, 5, 6, 85, 86, 87, 88, 89, 7, 8, 90, 91, 56,
                                   92, 42, 43, 44, 45, 46, 47, 55, 41, 15, 59, 60, 61, 62, 63, 64, 67, 68, 29, 30, 26,
                                   75, 71, 72, 74, 83, 84, 108, 76, 77, 81, 80, 114, 116, 118};
        const QHash<quint32, qsizetype> bitmap_en{{76, 84}, {77, 84}, {114, 84}, {116, 84}, {80, 48}, {81, 48}, {93, 16}, {94, 16}};
        const QList<quint32> createurs{38, 95, 39, 93, 94, 82, 49};
        const QByteArray figures = enregistrement_emf(43, champs({10, 10, 80, 80}))                    // RECTANGLE
            + enregistrement_emf(87, champs({0, 0, 96, 96, 2}) + champs({0x00050005, 0x00500040}))   // POLYLINE16
            + enregistrement_emf(84, champs({0, 0, 96, 96, 1, 1, 1, 20, 30, 2, 84, 0, 0, 0, 0, 0, 0, 0, 0})
                                         + QByteArray("A\0b\0", 4)); // EXTTEXTOUTW
        for (const quint32 motif : {0x80000000u, 0x7FFFFFFFu, 0xFFFFFFFFu, 0x7F7FFFFFu, 0xFF7FFFFFu, 0x4F000000u, 0xCF000000u}) {
            QList<QByteArray> enregistrements;
            for (const quint32 type : types) {
                QByteArray contenu = champs({motif}).repeated(50);
                if (bitmap_en.contains(type)) {
                    const qsizetype p = bitmap_en.value(type) - 8; // offsets count from the record's start
                    contenu.replace(p, 16, champs({208, 40, 248, 16}));
                    contenu += dib_info + dib_bits;
                }
                if (createurs.contains(type))
                    contenu.replace(0, 4, champs({1}));
                enregistrements << enregistrement_emf(type, contenu);
                if (createurs.contains(type))
                    enregistrements << enregistrement_emf(37, champs({1})) + figures;
            }
            const QImage image = rendre_metafichier(emf_fait(enregistrements), QSize(64, 64));
            QCOMPARE(image.size(), QSize(64, 64));
        }
    }

    void champs_extremes_emfplus()
    {
        // The same for the EMF+ records of a file drawn through them alone: objects of each kind
        // made from extreme values, then every drawing record with its fields at those values.
        const QList<quint16> dessins{0x400A, 0x400B, 0x400C, 0x400D, 0x4019, 0x4018, 0x4016, 0x4017, 0x400E, 0x400F,
                                     0x4010, 0x4011, 0x4012, 0x4014, 0x4015, 0x401C, 0x4021, 0x402A, 0x402C, 0x402B,
                                     0x402D, 0x402E, 0x402F, 0x4025, 0x4026, 0x4030, 0x4031, 0x4032, 0x4033, 0x4035,
                                     0x4013, 0x401A, 0x401B, 0x4034, 0x4027, 0x4028, 0x4029, 0x4036};
        for (const quint32 motif : {0x80000000u, 0x7FFFFFFFu, 0xFFFFFFFFu, 0x7F7FFFFFu, 0xFF7FFFFFu, 0x4F000000u, 0x00000002u}) {
            const QByteArray donnees = champs({motif}).repeated(40);
            QByteArray tout = plus(0x4001, 0, champs({0xDBC01002, 1, 96, 96}));
            for (quint16 genre : {1, 2, 3, 4, 5, 6}) // brush, pen, path, region, image, font
                for (quint16 id : {0, 1})
                    tout += plus(0x4008, quint16(genre << 8 | id), donnees);
            // Objects of every kind with each brush type and image type, and one continued.
            for (quint32 sorte : {0u, 1u, 2u, 3u, 4u})
                tout += plus(0x4008, 0x0100 | 2, champs({0xDBC01002, sorte}) + donnees);
            for (quint32 sorte : {1u, 2u})
                tout += plus(0x4008, 0x0500 | 2, champs({0xDBC01002, sorte}) + donnees);
            tout += plus(0x4008, 0x8100 | 3, champs({motif}) + donnees);
            for (const quint16 type : dessins)
                for (const quint16 drapeaux : {0x0000, 0x4000, 0x8000, 0x2000})
                    tout += plus(type, drapeaux, donnees);
            const QImage image = rendre_metafichier(emf_fait({commentaire(tout)}), QSize(64, 64));
            QCOMPARE(image.size(), QSize(64, 64));
        }
    }

    // The records' numbers as the EMF+ format publishes them: a page transform (0x4030) doubling
    // the units, a clip rectangle (0x4032) that cuts a fill, moved by OffsetClip (0x4035), then
    // ResetClip (0x4031) after which a fill is whole. Numbers shifted by one draw something else.
    void numeros_des_enregistrements_emfplus()
    {
        const auto remplir = [&](quint32 argb, float x, float y, float l, float h) {
            return plus(0x400A, 0x8000, champs({argb, 1, f(x), f(y), f(l), f(h)}));
        };
        QByteArray tout = plus(0x4001, 0, champs({0xDBC01002, 1, 96, 96}));
        tout += plus(0x4021, 0, champs({f(7)}));           // SetInterpolationMode: draws nothing
        tout += plus(0x4030, 2, champs({f(2)}));           // SetPageTransform: pixels, twice as large
        tout += plus(0x4032, 0, champs({f(0), f(0), f(20), f(20)}));  // SetClipRect: 40x40 pixels
        tout += plus(0x4035, 0, champs({f(4), f(0)}));     // OffsetClip: 8 pixels to the right
        tout += remplir(0xFFFF0000, 0, 0, 48, 24);        // red, cut to x 8..48, y 0..40
        tout += plus(0x4031, 0, {});                       // ResetClip
        tout += remplir(0xFF0000FF, 0, 30, 48, 18);       // blue, the whole width at y 60..96
        const QImage image = rendu_plus(tout);
        QCOMPARE(image.size(), QSize(96, 96));
        const auto couleur = [&](int x, int y) { return QColor(image.pixel(x, y)).name(); };
        QCOMPARE(couleur(24, 20), QString("#ff0000")); // inside the moved clip
        QCOMPARE(couleur(4, 20), QString("#ffffff"));  // left of it: cut
        QCOMPARE(couleur(70, 20), QString("#ffffff")); // right of it: cut
        QCOMPARE(couleur(24, 50), QString("#ffffff")); // below it
        QCOMPARE(couleur(4, 80), QString("#0000ff"));  // after ResetClip, nothing is cut
        QCOMPARE(couleur(90, 80), QString("#0000ff"));
    }

    // The clip combine modes: a first clip rectangle on the left half, then a second one on the
    // top half combined with it; a fill of the whole picture then shows the combination.
    void modes_de_decoupe_emfplus_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("attendu"); // painted? top-left, top-right, bottom-left, bottom-right
        QTest::newRow("remplace") << 0 << "1100";
        QTest::newRow("intersection") << 1 << "1000";
        QTest::newRow("union") << 2 << "1110";
        QTest::newRow("ou exclusif") << 3 << "0110";
        QTest::newRow("exclusion") << 4 << "0010";
        QTest::newRow("complement") << 5 << "0100";
    }

    void modes_de_decoupe_emfplus()
    {
        QFETCH(int, mode);
        QFETCH(QString, attendu);
        QByteArray tout = plus(0x4001, 0, champs({0xDBC01002, 1, 96, 96}));
        tout += plus(0x4032, 0, champs({f(0), f(0), f(48), f(96)}));                     // left half
        tout += plus(0x4032, quint16(mode << 8), champs({f(0), f(0), f(96), f(48)}));    // top half
        tout += plus(0x400A, 0x8000, champs({0xFFFF0000, 1, f(0), f(0), f(96), f(96)}));
        QCOMPARE(quarts_rouges(rendu_plus(tout)), attendu);
    }

    // A path-gradient brush: its centre colour (after the flags and the wrap mode) in the middle,
    // its surrounding colours at the boundary's points.
    void degrade_de_chemin_emfplus()
    {
        // Version, type 3; flags 0 (points), wrap 0, centre red at (48, 48), one surrounding blue,
        // four boundary points: the picture's corners.
        const QByteArray brosse = champs({0xDBC01002, 3, 0, 0, 0xFFFF0000, f(48), f(48), 1, 0xFF0000FF, 4,
                                          f(0), f(0), f(96), f(0), f(96), f(96), f(0), f(96)});
        QByteArray tout = plus(0x4001, 0, champs({0xDBC01002, 1, 96, 96}));
        tout += plus(0x4008, 0x0100 | 3, brosse);                                  // brush object 3
        tout += plus(0x400A, 0, champs({3, 1, f(0), f(0), f(96), f(96)}));        // filled with it
        const QImage image = rendu_plus(tout);
        const QColor milieu(image.pixel(48, 48)), coin(image.pixel(2, 2));
        QVERIFY2(milieu.red() > 200 && milieu.blue() < 60, qPrintable(milieu.name()));
        QVERIFY2(coin.blue() > 150 && coin.red() < 100, qPrintable(coin.name()));

        // One colour per boundary point: a black centre, red, green, blue and white corners of a
        // square inside the picture; a fill of the whole picture paints the square alone.
        const QByteArray quatre = champs({0xDBC01002, 3, 0, 0, 0xFF000000, f(48), f(48), 4, 0xFFFF0000, 0xFF00FF00, 0xFF0000FF,
                                          0xFFFFFFFF, 4, f(16), f(16), f(80), f(16), f(80), f(80), f(16), f(80)});
        tout = plus(0x4001, 0, champs({0xDBC01002, 1, 96, 96}));
        tout += plus(0x4008, 0x0100 | 3, quatre);
        tout += plus(0x400A, 0, champs({3, 1, f(0), f(0), f(96), f(96)}));
        const QImage coins = rendu_plus(tout);
        const auto proche = [&](QPoint p, QColor attendue) {
            const QColor vue(coins.pixel(p));
            return std::abs(vue.red() - attendue.red()) < 60 && std::abs(vue.green() - attendue.green()) < 60
                && std::abs(vue.blue() - attendue.blue()) < 60;
        };
        QVERIFY(proche({18, 18}, Qt::red));
        QVERIFY(proche({77, 18}, Qt::green));
        QVERIFY(proche({77, 77}, Qt::blue));
        QVERIFY(proche({18, 77}, Qt::white));
        QVERIFY(proche({48, 48}, Qt::black));
        QCOMPARE(QColor(coins.pixel(8, 48)), QColor(Qt::white)); // outside the boundary: not painted
        QCOMPARE(QColor(coins.pixel(88, 48)), QColor(Qt::white));
    }

    // Hatch brushes: each of the 53 styles is its own pattern of 8 x 8 device pixels, in the
    // foreground colour on the back colour.
    void hachures_emfplus()
    {
        QSet<QByteArray> motifs;
        for (quint32 style = 0; style < 53; ++style) {
            QByteArray tout = plus(0x4001, 0, champs({0xDBC01002, 1, 96, 96}));
            tout += plus(0x4008, 0x0100 | 4, champs({0xDBC01002, 1, style, 0xFFFF0000, 0xFF0000FF}));
            tout += plus(0x400A, 0, champs({4, 1, f(0), f(0), f(96), f(96)}));
            const QImage image = rendu_plus(tout);
            QByteArray motif;
            int devant = 0, fond = 0;
            for (int y = 0; y < 16; ++y)
                for (int x = 0; x < 16; ++x) {
                    const QRgb c = image.pixel(x + 40, y + 40);
                    QVERIFY2(c == qRgb(255, 0, 0) || c == qRgb(0, 0, 255), qPrintable(QString::number(style)));
                    if (c == image.pixel(x + 48, y + 40) && c == image.pixel(x + 40, y + 48)) // a period of 8
                        (c == qRgb(255, 0, 0) ? devant : fond) += 1;
                    motif += c == qRgb(255, 0, 0) ? '1' : '0';
                }
            QCOMPARE(devant + fond, 256);
            QVERIFY2(devant > 0 && fond > 0, qPrintable(QString::number(style)));
            motifs.insert(motif.left(8 * 16));
        }
        QCOMPARE(motifs.size(), 53);
        // Horizontal: the first row of every 8 in the foreground, on the device's rows.
        QByteArray tout = plus(0x4001, 0, champs({0xDBC01002, 1, 96, 96}));
        tout += plus(0x400A, 0, champs({0, 1, f(0), f(0), f(96), f(96)}));
        tout.replace(tout.indexOf(plus(0x400A, 0, {}).left(4)), 0, plus(0x4008, 0x0100, champs({0xDBC01002, 1, 0, 0xFFFF0000, 0xFF0000FF})));
        const QImage image = rendre_metafichier(emf_fait({commentaire(tout)}), QSize(96, 96));
        QCOMPARE(QColor(image.pixel(30, 16)), QColor(Qt::red));
        QCOMPARE(QColor(image.pixel(30, 17)), QColor(Qt::blue));
        QCOMPARE(QColor(image.pixel(30, 23)), QColor(Qt::blue));
        QCOMPARE(QColor(image.pixel(30, 24)), QColor(Qt::red));
    }

    // Images: bitmaps of each pixel format, a compressed PNG and a metafile, each drawn into its
    // own rectangle of a 2 x 2 picture (red, green / blue, white) at the nearest pixel; then one
    // drawn mirrored onto three points, and a part of one.
    void images_emfplus()
    {
        const QList<QRgb> couleurs{qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255), qRgb(255, 255, 255)};
        const auto bitmap = [](quint32 format, qint32 pas, const QByteArray& pixels, const QByteArray& palette = {}) {
            return champs({0xDBC01002, 1, 2, 2, quint32(pas), format, 0}) + palette + pixels;
        };
        QByteArray argb, rvb24, index8, rvb565;
        for (int i = 0; i < 4; ++i) {
            argb += champs({couleurs[i]});
            rvb24 += QByteArray(1, char(qBlue(couleurs[i]))) + char(qGreen(couleurs[i])) + char(qRed(couleurs[i]));
            if (i % 2)
                rvb24 += QByteArray(2, '\0'); // rows of 8 bytes
            index8 += QByteArray(1, char(3 - i)) + (i % 2 ? QByteArray(2, '\0') : QByteArray());
            const quint16 m = quint16((qRed(couleurs[i]) >> 3) << 11 | (qGreen(couleurs[i]) >> 2) << 5 | qBlue(couleurs[i]) >> 3);
            rvb565 += QByteArray(1, char(m & 0xFF)) + char(m >> 8);
        }
        const QByteArray palette = champs({0, 4, couleurs[3], couleurs[2], couleurs[1], couleurs[0]});
        QImage png(2, 2, QImage::Format_RGB32);
        for (int i = 0; i < 4; ++i)
            png.setPixel(i % 2, i / 2, couleurs[i]);
        QByteArray png_octets;
        QBuffer tampon(&png_octets);
        tampon.open(QIODevice::WriteOnly);
        QVERIFY(png.save(&tampon, "PNG"));
        // A metafile of the same four colours, as a quarter of 96 x 96 each.
        QByteArray quarts;
        for (int i = 0; i < 4; ++i)
            quarts += plus(0x400A, 0x8000, champs({couleurs[i] | 0xFF000000, 1, f(48 * (i % 2)), f(48 * (i / 2)), f(48), f(48)}));
        const QByteArray emf = emf_fait({commentaire(plus(0x4001, 0, champs({0xDBC01002, 1, 96, 96})) + quarts)});
        const QList<QByteArray> images{
            bitmap(0x0026200A, 8, argb), bitmap(0x00021808, 8, rvb24), bitmap(0x00030803, 4, index8, palette),
            bitmap(0x00021006, 4, rvb565), champs({0xDBC01002, 1, 0, 0, 0, 0, 1}) + png_octets,
            champs({0xDBC01002, 2, 3, quint32(emf.size())}) + emf};
        for (qsizetype i = 0; i < images.size(); ++i) {
            QByteArray tout = plus(0x4001, 0, champs({0xDBC01002, 1, 96, 96})) + plus(0x4021, 5, {});
            tout += plus(0x4008, 0x0500 | 7, images[i]);
            const float source = i == 5 ? 96 : 2; // the metafile's source is in its own pixels
            tout += plus(0x401A, 7, champs({0, 2, f(0), f(0), f(source), f(source), f(0), f(0), f(64), f(64)}));
            // Mirrored: the three points put the left column on the right.
            tout += plus(0x401B, 7, champs({0, 2, f(0), f(0), f(source), f(source), 3, f(96), f(64), f(64), f(64), f(96), f(96)}));
            const QImage image = rendu_plus(tout);
            const QString nom = QStringLiteral("image %1").arg(i);
            for (int c = 0; c < 4; ++c)
                QVERIFY2(image.pixel(16 + 32 * (c % 2), 16 + 32 * (c / 2)) == couleurs[c], qPrintable(nom));
            QVERIFY2(image.pixel(88, 72) == couleurs[0] && image.pixel(72, 72) == couleurs[1], qPrintable(nom));
            QVERIFY2(image.pixel(88, 88) == couleurs[2] && image.pixel(72, 88) == couleurs[3], qPrintable(nom));
        }
        // A part: the right column alone, stretched over the whole rectangle.
        QByteArray tout = plus(0x4001, 0, champs({0xDBC01002, 1, 96, 96})) + plus(0x4021, 5, {});
        tout += plus(0x4008, 0x0500, images[0]);
        tout += plus(0x401A, 0, champs({0, 2, f(1), f(0), f(1), f(2), f(0), f(0), f(96), f(96)}));
        const QImage image = rendu_plus(tout);
        QCOMPARE(image.pixel(10, 10), couleurs[1]);
        QCOMPARE(image.pixel(86, 86), couleurs[3]);
    }

    // Regions: built from rectangles, the whole plane and their combinations, filled, and set as
    // the clip. Each case: the painted quarters, top-left, top-right, bottom-left, bottom-right.
    void regions_emfplus_data()
    {
        const auto rect = [](float x, float y, float l, float h) { return champs({0x10000000, f(x), f(y), f(l), f(h)}); };
        const QByteArray gauche = rect(0, 0, 48, 96), haut = rect(0, 0, 96, 48);
        QTest::addColumn<QByteArray>("noeuds");
        QTest::addColumn<QString>("attendu");
        QTest::newRow("rectangle") << gauche << "1010";
        QTest::newRow("intersection") << champs({1}) + gauche + haut << "1000";
        QTest::newRow("union") << champs({2}) + gauche + haut << "1110";
        QTest::newRow("ou exclusif") << champs({3}) + gauche + haut << "0110";
        QTest::newRow("exclusion") << champs({4}) + gauche + haut << "0010";
        QTest::newRow("complement") << champs({5}) + gauche + haut << "0100";
        QTest::newRow("plan sauf") << champs({4, 0x10000003}) + gauche << "0101";
        QTest::newRow("vide") << champs({0x10000002}) << "0000";
        QTest::newRow("plan") << champs({0x10000003}) << "1111";
        QTest::newRow("imbriquee") << champs({1, 0x10000003, 2}) + gauche + haut << "1110";
    }
    void regions_emfplus()
    {
        QFETCH(QByteArray, noeuds);
        QFETCH(QString, attendu);
        for (const bool decoupe : {false, true}) {
            QByteArray tout = plus(0x4001, 0, champs({0xDBC01002, 1, 96, 96}));
            tout += plus(0x4008, 0x0400 | 9, champs({0xDBC01002, 1}) + noeuds);
            if (decoupe) { // the clip, then the whole picture filled
                tout += plus(0x4034, 9, {});
                tout += plus(0x400A, 0x8000, champs({0xFFFF0000, 1, f(0), f(0), f(96), f(96)}));
            } else {
                tout += plus(0x4013, 0x8000 | 9, champs({0xFFFF0000}));
            }
            QCOMPARE(quarts_rouges(rendu_plus(tout)), attendu);
        }
    }

    // Texture brushes: a 2 x 2 picture (red and blue columns) repeated over the world from its
    // origin, mirrored at every other tile with the flip wrap mode; then the brush's transform.
    void textures_emfplus()
    {
        const QByteArray image = champs({0xDBC01002, 1, 2, 2, 8, 0x0026200A, 0, 0xFFFF0000, 0xFF0000FF, 0xFFFF0000, 0xFF0000FF});
        const auto rangee = [&](quint32 mode, const QByteArray& matrice) {
            QByteArray tout = plus(0x4001, 0, champs({0xDBC01002, 1, 96, 96}));
            tout += plus(0x4008, 0x0100 | 5, champs({0xDBC01002, 2, matrice.isEmpty() ? 0u : 2u, mode}) + matrice + image);
            tout += plus(0x400A, 0, champs({5, 1, f(0), f(0), f(96), f(96)}));
            const QImage rendu = rendu_plus(tout);
            QString vu;
            for (int x = 0; x < 8; ++x) // the main colour: a scaled texture may be smoothed
                vu += qRed(rendu.pixel(x, 10)) > 200 && qBlue(rendu.pixel(x, 10)) < 100 ? u'r'
                    : qBlue(rendu.pixel(x, 10)) > 200 && qRed(rendu.pixel(x, 10)) < 100 ? u'b' : u'?';
            return vu;
        };
        QCOMPARE(rangee(0, {}), QString("rbrbrbrb"));                                  // tile
        QCOMPARE(rangee(1, {}), QString("rbbrrbbr"));                                  // flip x
        const QString agrandie = rangee(0, champs({f(4), 0, 0, f(4), 0, 0}));            // four times as large
        QVERIFY2(agrandie.mid(1, 2) == "rr" && agrandie.mid(5, 2) == "bb", qPrintable(agrandie));
    }

    // Containers and saved states: a container maps its source rectangle onto its destination
    // and may clip; ending it, or restoring a state, brings back the transform and the clip.
    void conteneurs_emfplus()
    {
        const auto remplir = [&](quint32 argb, float x, float y, float l, float h) {
            return plus(0x400A, 0x8000, champs({argb, 1, f(x), f(y), f(l), f(h)}));
        };
        QByteArray tout = plus(0x4001, 0, champs({0xDBC01002, 1, 96, 96}));
        // Container 1: (0, 0, 10, 10) onto the bottom-right quarter, clipped to its left half.
        tout += plus(0x4027, 0x0200, champs({f(48), f(48), f(48), f(48), f(0), f(0), f(10), f(10), 1}));
        tout += plus(0x4032, 0, champs({f(0), f(0), f(5), f(10)}));
        tout += remplir(0xFFFF0000, 0, 0, 10, 10);
        tout += plus(0x4029, 0, champs({1}));
        tout += remplir(0xFF0000FF, 0, 0, 10, 10);                  // at the world's origin, uncut
        // A saved state: a clip set after it goes with the restore.
        tout += plus(0x4025, 0, champs({2}));
        tout += plus(0x4032, 0, champs({f(0), f(0), f(1), f(1)}));
        tout += plus(0x4026, 0, champs({2}));
        tout += remplir(0xFF00FF00, 0, 40, 40, 8);
        // Restoring a state drops the states kept after it: restoring one of those does nothing.
        tout += plus(0x4025, 0, champs({10}));
        tout += plus(0x402D, 0, champs({f(40), f(0)}));
        tout += plus(0x4025, 0, champs({11}));
        tout += plus(0x4026, 0, champs({10}));
        tout += plus(0x4026, 0, champs({11}));
        tout += remplir(0xFFFFFF00, 0, 80, 10, 10);
        const QImage image = rendu_plus(tout);
        QCOMPARE(QColor(image.pixel(60, 70)), QColor(Qt::red));
        QCOMPARE(QColor(image.pixel(85, 70)), QColor(Qt::white)); // clipped inside the container
        QCOMPARE(QColor(image.pixel(5, 5)), QColor(Qt::blue));
        QCOMPARE(QColor(image.pixel(20, 44)), QColor(Qt::green));
        QCOMPARE(QColor(image.pixel(5, 85)), QColor(Qt::yellow));
        QCOMPARE(QColor(image.pixel(45, 85)), QColor(Qt::white));
    }

    // Characters placed one by one (DrawDriverString): each at its own baseline point; glyph
    // numbers of a font we do not have are not drawn as some other letters.
    void caracteres_places_emfplus()
    {
        for (const quint32 options : {1u, 0u}) {
            QByteArray tout = plus(0x4001, 0, champs({0xDBC01002, 1, 96, 96}));
            // Font 2: 24 pixels of DejaVu Sans.
            QByteArray nom;
            for (QChar c : QStringLiteral("DejaVu Sans"))
                nom += char(c.unicode()) + QByteArray(1, '\0');
            tout += plus(0x4008, 0x0600 | 2, champs({0xDBC01002, f(24), 2, 0, 0, 11}) + nom + QByteArray(2, '\0'));
            // "H" at (10, 40) and "H" at (60, 80), in black.
            tout += plus(0x4036, 0x8000 | 2, champs({0xFF000000, options, 0, 2}) + QByteArray("H\0H\0", 4)
                                                 + champs({f(10), f(40), f(60), f(80)}));
            const QImage image = rendu_plus(tout);
            const QRect premiere = encre_dans(image, QRect(0, 0, 48, 48), 128), seconde = encre_dans(image, QRect(48, 48, 48, 48), 128);
            if (options == 0) {
                QVERIFY(premiere.isEmpty() && seconde.isEmpty());
                continue;
            }
            QVERIFY(!premiere.isEmpty() && !seconde.isEmpty());
            QVERIFY2(std::abs(premiere.bottom() - 39) <= 1 && std::abs(premiere.left() - 12) <= 3, qPrintable(QString::number(premiere.bottom())));
            QVERIFY2(std::abs(seconde.bottom() - 79) <= 1 && std::abs(seconde.left() - 62) <= 3, qPrintable(QString::number(seconde.bottom())));
        }
    }

    // An object too large for one record comes in parts; a line thinner than a pixel is faint.
    void objets_continus_et_traits_fins_emfplus()
    {
        const QByteArray brosse = champs({0xDBC01002, 0, 0xFFFF0000});
        QByteArray tout = plus(0x4001, 0, champs({0xDBC01002, 1, 96, 96}));
        tout += plus(0x4008, 0x8100 | 6, champs({quint32(brosse.size())}) + brosse.left(6));
        tout += plus(0x4008, 0x8100 | 6, champs({quint32(brosse.size())}) + brosse.mid(6));
        tout += plus(0x400A, 0, champs({6, 1, f(0), f(0), f(96), f(48)}));
        // A pen of a tenth of a pixel, red.
        tout += plus(0x4008, 0x0200 | 8, champs({0xDBC01002, 0, 0, 0, f(0.1f), 0xDBC01002, 0, 0xFFFF0000}));
        tout += plus(0x400D, 8, champs({2, f(0), f(72.5f), f(96), f(72.5f)}));
        const QImage image = rendu_plus(tout);
        QCOMPARE(QColor(image.pixel(48, 24)), QColor(Qt::red));
        const QColor trait(image.pixel(48, 72));
        QVERIFY2(trait.red() == 255 && trait.green() > 150 && trait.green() < 250, qPrintable(trait.name()));
    }

    void champs_extremes_wmf()
    {
        // The same for WMF records, whose fields are 16-bit: each at -32768, 32767 or -1, packed
        // bitmaps where records carry one.
        const QList<quint16> fonctions{0x0201, 0x0209, 0x0102, 0x0103, 0x0104, 0x0106, 0x012E, 0x020B, 0x020C, 0x020D,
                                       0x020E, 0x020F, 0x0211, 0x0410, 0x0412, 0x001E, 0x0127, 0x012D, 0x01F0, 0x02FA,
                                       0x02FC, 0x0142, 0x01F9, 0x02FB, 0x00F7, 0x06FF, 0x0214, 0x0213, 0x0324, 0x0325,
                                       0x0538, 0x041B, 0x0418, 0x061C, 0x0817, 0x0830, 0x081A, 0x041F, 0x061D, 0x0415,
                                       0x0416, 0x0220, 0x0521, 0x0A32, 0x0940, 0x0922, 0x0B41, 0x0B23, 0x0F43, 0x0D33};
        const QHash<quint16, qsizetype> dib_en{{0x0940, 22}, {0x0B41, 26}, {0x0F43, 28}, {0x0D33, 24}, {0x0142, 10}};
        for (const quint16 motif : {quint16(0x8000), quint16(0x7FFF), quint16(0xFFFF)}) {
            QByteArray enregistrements;
            for (const quint16 fonction : fonctions) {
                QByteArray r = QByteArray(6, '\0') + champs({quint32(motif) | quint32(motif) << 16}).repeated(20);
                if (dib_en.contains(fonction))
                    r = r.left(dib_en.value(fonction)) + dib_info + dib_bits;
                qToLittleEndian<quint32>(quint32(r.size() / 2), r.data());
                qToLittleEndian<quint16>(fonction, r.data() + 4);
                enregistrements += r;
            }
            enregistrements += QByteArray("\x03\0\0\0\0\0", 6); // end of file
            QByteArray wmf("\xD7\xCD\xC6\x9A\0\0\0\0\0\0\x60\0\x60\0\x60\0\0\0\0\0\0\0", 22); // placeable, 96 dpi
            wmf += QByteArray("\x01\0\x09\0\0\x03", 6) + champs({0}) + QByteArray("\x10\0", 2) + champs({0}) + QByteArray(2, '\0');
            const QImage image = rendre_metafichier(wmf + enregistrements, QSize(64, 64));
            QCOMPARE(image.size(), QSize(64, 64));
        }
    }

    void tailles_refusees()
    {
        const QByteArray octets = lire(metafichiers("emf/test-000.emf"));
        QVERIFY(!octets.isEmpty());
        QVERIFY(rendre_metafichier(octets, QSize()).isNull());
        QVERIFY(rendre_metafichier(octets, QSize(40'001, 10)).isNull());
        QVERIFY(rendre_metafichier(octets, QSize(30'000, 30'000)).isNull()); // beyond the allocation limit
        QVERIFY(!rendre_metafichier(octets, QSize(3, 2)).isNull());
    }
};

QTEST_MAIN(TestMetafichier)
#include "tst_metafichier.moc"
