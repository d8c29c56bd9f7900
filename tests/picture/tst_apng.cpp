#include "apng_fabrique.h"
#include "fichiers_essai.h"
#include "picture/apng.h"
#include "picture/contenu.h"
#include "picture/formats.h"

#include <QBuffer>
#include <QImageReader>

using namespace fabrique_apng;

namespace {

#define PIXEL(image, x, y, attendu) COULEUR(image, x, y, attendu, 2)

const QRgb rouge = qRgba(255, 0, 0, 255), bleu = qRgba(0, 0, 255, 255), vert = qRgba(0, 255, 0, 255);
const QRgb blanc = qRgba(255, 255, 255, 255), transparent = qRgba(0, 0, 0, 0);

// Reads every frame the reader gives, at most `limite`.
QList<QImage> toutes(QImageReader& lecteur, int limite = 100)
{
    QList<QImage> images;
    QImage image;
    while (images.size() < limite && lecteur.read(&image))
        images.append(image);
    return images;
}

// The APNG reader over bytes in memory.
struct Lecture {
    explicit Lecture(QByteArray o) : octets(std::move(o)) {}
    QByteArray octets;
    QBuffer tampon{&octets};
    QImageReader lecteur{&tampon, format_apng};
};

// The frames of the composition test: an 8x8 canvas of red, then a half-transparent blue square
// laid over it and taken back (PREVIOUS), then a green corner replacing what it covers, with one
// transparent pixel, then cleared (BACKGROUND), then a white dot laid over.
QList<Trame> trames_composees()
{
    QImage coin = uni({2, 2}, Qt::green);
    coin.setPixel(1, 1, qRgba(0, 0, 0, 0));
    return {
        {uni({8, 8}, Qt::red), {0, 0}, 1, 10, 0, 0},
        {uni({4, 4}, QColor(0, 0, 255, 128)), {2, 2}, 0, 0, 2, 1},
        {coin, {0, 0}, 5, 0, 1, 0},
        {uni({1, 1}, Qt::white), {7, 7}, 3, 1000, 0, 1},
    };
}

} // namespace

class TestApng : public QObject {
    Q_OBJECT

    QTemporaryDir m_dossier;

private Q_SLOTS:
    // Offsets, blending and disposal as the format defines them; delays and loops as the file says.
    void composition()
    {
        Lecture l(ecrire(apng({8, 8}, trames_composees(), 3)));
        QImageReader& lecteur = l.lecteur;
        QVERIFY(lecteur.supportsAnimation());
        QCOMPARE(lecteur.size(), QSize(8, 8));
        QCOMPARE(lecteur.imageCount(), 4);
        QCOMPARE(lecteur.loopCount(), 2); // three plays: two more after the first

        QList<int> delais;
        QList<QImage> images;
        QImage image;
        while (lecteur.read(&image)) {
            images.append(image);
            delais.append(lecteur.nextImageDelay());
            QCOMPARE(lecteur.currentImageNumber(), images.size() - 1);
            QCOMPARE(image.size(), QSize(8, 8));
        }
        // 1/10 s; 0/0 comes to the 10 ms floor; 5 hundredths (denominator 0); 3 ms comes to 10.
        QCOMPARE(delais, (QList<int>{100, 10, 50, 10}));

        PIXEL(images[0], 7, 7, rouge);
        // Blue at half opacity over red, from (2, 2) to (5, 5).
        PIXEL(images[1], 1, 1, rouge);
        PIXEL(images[1], 5, 5, qRgba(127, 0, 128, 255));
        PIXEL(images[1], 6, 6, rouge);
        // The blue square went back to what was under it; the green corner replaced the red, its
        // transparent pixel too (SOURCE).
        PIXEL(images[2], 5, 5, rouge);
        PIXEL(images[2], 0, 0, vert);
        PIXEL(images[2], 1, 1, transparent);
        // The corner cleared to transparent black, the white dot laid over the red.
        PIXEL(images[3], 1, 0, transparent);
        PIXEL(images[3], 2, 2, rouge);
        PIXEL(images[3], 7, 7, blanc);
        QVERIFY(!lecteur.canRead());
    }

    // When the default picture stands outside the animation the frames start with the first fdAT;
    // Qt's own PNG reader, and the still pictures of the program, give the default picture.
    void image_par_defaut_hors_animation()
    {
        const QList<Trame> trames{{uni({6, 4}, Qt::blue), {0, 0}, 1, 10, 0, 0}, {uni({2, 2}, Qt::green), {4, 2}, 1, 10, 0, 1}};
        const QString chemin = essai::ecrire(m_dossier, "defaut.png", ecrire(apng({6, 4}, trames, 0, uni({6, 4}, Qt::yellow))));

        QImageReader lecteur(chemin, format_apng);
        QCOMPARE(lecteur.imageCount(), 2);
        QCOMPARE(lecteur.loopCount(), -1);
        const QList<QImage> images = toutes(lecteur);
        QCOMPARE(images.size(), 2);
        PIXEL(images[0], 5, 3, bleu);
        PIXEL(images[1], 5, 3, vert);
        PIXEL(images[1], 3, 3, bleu);
        PIXEL(image_complete(chemin).image, 0, 0, qRgba(255, 255, 0, 255));
        QVERIFY(png_anime(essai::lire(chemin)));
    }

    // The palette and its transparency reach every frame.
    void palette()
    {
        const QList<QRgb> couleurs{qRgba(255, 0, 0, 255), qRgba(0, 0, 255, 255), qRgba(0, 0, 0, 0)};
        const auto indexee = [&](QSize taille, int fond) {
            QImage image(taille, QImage::Format_Indexed8);
            image.setColorTable(couleurs);
            image.fill(fond);
            return image;
        };
        QImage damier = indexee({2, 1}, 1);
        damier.setPixel(1, 0, 2); // transparent: the red under it stays
        Lecture l(ecrire(apng({3, 3}, {{indexee({3, 3}, 0), {0, 0}, 1, 10, 0, 0}, {damier, {1, 1}, 1, 10, 0, 1}}, 1)));
        QCOMPARE(l.lecteur.loopCount(), 0);
        const QList<QImage> images = toutes(l.lecteur);
        QCOMPARE(images.size(), 2);
        PIXEL(images[0], 1, 1, rouge);
        PIXEL(images[1], 1, 1, bleu);
        PIXEL(images[1], 2, 1, rouge);
        PIXEL(images[1], 0, 0, rouge);
    }

    // A still PNG read through the same reader: one picture, no animation.
    void png_fixe()
    {
        Lecture l(ecrire(encoder(uni({5, 3}, Qt::green))));
        QCOMPARE(l.lecteur.imageCount(), 1);
        QCOMPARE(l.lecteur.loopCount(), 0);
        QCOMPARE(l.lecteur.size(), QSize(5, 3));
        const QList<QImage> images = toutes(l.lecteur);
        QCOMPARE(images.size(), 1);
        PIXEL(images[0], 4, 2, vert);
    }

    // Going back to the first frame starts the play again on a clean canvas.
    void retour_au_debut()
    {
        Lecture l(ecrire(apng({8, 8}, trames_composees(), 0)));
        l.tampon.open(QIODevice::ReadOnly);
        LecteurApng lecteur;
        lecteur.setDevice(&l.tampon);
        QImage image;
        QVERIFY(lecteur.jumpToImage(3));
        QVERIFY(lecteur.read(&image));
        PIXEL(image, 7, 7, blanc);
        QVERIFY(!lecteur.read(&image));
        QVERIFY(lecteur.jumpToImage(0));
        QVERIFY(lecteur.read(&image));
        QCOMPARE(lecteur.currentImageNumber(), 0);
        PIXEL(image, 7, 7, rouge);
        QVERIFY(lecteur.jumpToNextImage());
        QVERIFY(lecteur.read(&image));
        PIXEL(image, 0, 0, vert);
        QVERIFY(!lecteur.jumpToImage(4));
    }

    void fichiers_abimes_data()
    {
        QTest::addColumn<QByteArray>("octets");
        const QList<Chunk> bon = apng({8, 8}, trames_composees(), 0);
        const auto indice = [&bon](const QByteArray& type, int rang = 0) {
            for (int i = 0; i < bon.size(); ++i)
                if (bon[i].type == type && rang-- == 0)
                    return i;
            qFatal("no chunk %s", type.constData());
        };
        const auto renumeroter = [](QList<Chunk> chunks) {
            quint32 s = 0;
            for (Chunk& c : chunks)
                if (c.type == "fcTL" || c.type == "fdAT")
                    c.donnees.replace(0, 4, gb32(s++));
            return chunks;
        };

        const QByteArray entier = ecrire(bon);
        QTest::newRow("coupé dans un fdAT") << entier.left(entier.size() - 30);
        QTest::newRow("coupé avant IEND") << entier.left(entier.size() - 12);
        QTest::newRow("coupé dans l'entête") << entier.left(20);

        // The good file with 4 bytes of the data of the `rang`th chunk of that type replaced.
        const auto change = [&](const QByteArray& type, int rang, int position, quint32 valeur) {
            QList<Chunk> c = bon;
            c[indice(type, rang)].donnees.replace(position, 4, gb32(valeur));
            return ecrire(c);
        };
        QTest::newRow("numéro de séquence faux") << change("fdAT", 3, 0, 77);
        QTest::newRow("trame hors du canevas") << change("fcTL", 3, 12, 8); // x offset: the dot starts past the edge
        QTest::newRow("largeur démesurée") << change("fcTL", 1, 4, 0xFFFFFFF0u); // width wraps round
        QTest::newRow("première trame plus petite que le canevas") << change("fcTL", 0, 4, 4);
        QTest::newRow("plus de trames qu'annoncé") << change("acTL", 0, 0, 2);
        QTest::newRow("aucune trame annoncée") << change("acTL", 0, 0, 0);

        QList<Chunk> c = bon;
        std::swap(c[indice("fdAT", 1)], c[indice("fdAT", 2)]);
        QTest::newRow("numéros de séquence dans le désordre") << ecrire(c);
        c = bon;
        c.removeAt(indice("fcTL", 1)); // the blue square's data follow the default picture's
        QTest::newRow("fdAT avant son fcTL") << ecrire(renumeroter(c));
        c = apng({8, 8}, trames_composees(), 0, uni({8, 8}, Qt::yellow));
        c.removeAt(4); // the first fcTL after the default picture's IDAT
        QTest::newRow("fdAT avant tout fcTL") << ecrire(renumeroter(c));
        c = bon;
        c.move(indice("fdAT", 0), indice("IDAT"));
        QTest::newRow("fdAT avant IDAT") << ecrire(renumeroter(c));
        c = bon;
        c.remove(indice("fcTL", 2) + 1, indice("fcTL", 3) - indice("fcTL", 2) - 1);
        QTest::newRow("trame sans données") << ecrire(renumeroter(c));
        c = bon;
        c[indice("IHDR")].donnees.replace(0, 8, gb32(50000) + gb32(50000));
        QTest::newRow("canevas démesuré") << ecrire(c);

        QByteArray crc = entier;
        crc[crc.indexOf("fcTL") + 30] ^= 0x55;
        QTest::newRow("somme de contrôle fausse") << crc;
        QTest::newRow("chunk plus long que le fichier") << QByteArray(entier).replace(entier.indexOf("fdAT") - 4, 4, gb32(0x7FFFFFF0u));
    }

    // A damaged file reads as nothing from its first frame: a clear failure, no crash, no hang.
    void fichiers_abimes()
    {
        QFETCH(QByteArray, octets);
        Lecture l(octets);
        QImage image;
        QVERIFY(!l.lecteur.read(&image));
        QVERIFY(image.isNull());
        QCOMPARE(l.lecteur.error(), QImageReader::InvalidDataError);
        QCOMPARE(l.lecteur.imageCount(), 0);
    }

    // Frames read before the damaged one are shown; from it on, nothing.
    void donnees_de_trame_abimees()
    {
        QList<Chunk> c = apng({8, 8}, trames_composees(), 0);
        for (Chunk& chunk : c)
            if (chunk.type == "fdAT" && chunk.donnees.mid(0, 4) == gb32(5)) // the green corner's zlib header
                chunk.donnees[4] = char(chunk.donnees[4] ^ 0xFF);
        // Checksums are written right: the fault is found by the decoder.
        Lecture l(ecrire(c));
        QCOMPARE(l.lecteur.imageCount(), 4);
        QCOMPARE(toutes(l.lecteur).size(), 2);
        QImage image;
        QVERIFY(!l.lecteur.read(&image));

        // A checksum that disagrees with its data stops the frame just as well.
        QByteArray crc = ecrire(apng({8, 8}, trames_composees(), 0));
        crc[crc.indexOf("fdAT") + 10] ^= 0x01;
        Lecture l2(crc);
        QCOMPARE(toutes(l2.lecteur).size(), 1);
    }

    // Every length short of the whole file, and bytes changed at random: never a crash or a hang.
    void coupes_et_octets_au_hasard()
    {
        const QByteArray entier = ecrire(apng({8, 8}, trames_composees(), 0));
        for (qsizetype n = 0; n < entier.size(); ++n) {
            Lecture l(entier.left(n));
            QVERIFY2(toutes(l.lecteur).isEmpty(), qPrintable(QString::number(n)));
        }
        QRandomGenerator alea(1234);
        for (int essai = 0; essai < 2000; ++essai) {
            Lecture l(entier);
            for (int k = 0, n = 1 + alea.bounded(4); k < n; ++k)
                l.octets[alea.bounded(8, int(l.octets.size()))] = char(alea.bounded(256));
            for (const QImage& image : toutes(l.lecteur))
                QCOMPARE(image.size(), QSize(8, 8));
        }
    }

    // A device that cannot seek is read once into memory.
    void appareil_sequentiel()
    {
        const QString chemin = essai::ecrire(m_dossier, "anime.png", ecrire(apng({8, 8}, trames_composees(), 0)));
        QProcess chat;
        chat.start("cat", {chemin});
        QVERIFY(chat.waitForStarted());
        chat.closeWriteChannel();
        QVERIFY(chat.waitForFinished());
        QVERIFY(chat.isSequential());
        LecteurApng lecteur;
        lecteur.setDevice(&chat);
        QCOMPARE(lecteur.imageCount(), 4);
        QImage image;
        int n = 0;
        while (lecteur.read(&image))
            ++n;
        QCOMPARE(n, 4);
        PIXEL(image, 7, 7, blanc);
    }

    // What the first bytes say of an animation.
    void reconnaissance()
    {
        const QList<Chunk> anime = apng({8, 8}, trames_composees(), 0);
        QVERIFY(png_anime(ecrire(anime)));
        QVERIFY(!png_anime(ecrire(encoder(uni({4, 4}, Qt::red)))));
        // acTL after the first IDAT means nothing.
        QList<Chunk> tard = anime;
        const Chunk actl = tard.takeAt(2);
        QCOMPARE(actl.type, QByteArray("acTL"));
        tard.insert(tard.size() - 1, actl);
        QVERIFY(!png_anime(ecrire(tard)));
        // Bytes ending before the acTL say nothing.
        QList<Chunk> profil = anime;
        profil.insert(1, Chunk{"iTXt", QByteArray(5000, 'x')});
        const QByteArray avec_profil = ecrire(profil);
        QVERIFY(png_anime(avec_profil));
        QVERIFY(!png_anime(avec_profil.left(4096)));
        QVERIFY(!png_anime(QByteArray("GIF89a")));

        QFile webp(QFINDTESTDATA("fichiers/anime.webp"));
        QVERIFY(webp.open(QIODevice::ReadOnly));
        QVERIFY(webp_anime(webp.peek(64)));
        QByteArray fixe;
        QBuffer tampon(&fixe);
        tampon.open(QIODevice::WriteOnly);
        QVERIFY(QImageWriter(&tampon, "webp").write(uni({4, 4}, Qt::red)));
        QCOMPARE(nature_du_contenu(fixe), NatureContenu::WebP);
        QVERIFY(!webp_anime(fixe));
    }
};

QTEST_GUILESS_MAIN(TestApng)
#include "tst_apng.moc"
