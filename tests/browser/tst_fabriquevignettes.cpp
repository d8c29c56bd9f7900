#include "bac_a_sable.h"
#include "browser/fabriquevignettes.h"
#include "platform/vignettes.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTest>

#include <utime.h>

namespace {

using Recues = QMap<QByteArray, QImage>;

QByteArray jpeg(const QImage& image)
{
    QByteArray octets;
    QBuffer tampon(&octets);
    tampon.open(QIODevice::WriteOnly);
    image.save(&tampon, "JPEG", 95);
    return octets;
}

// Two halves, left and right, of two colours.
QImage moities(QSize taille, QColor gauche, QColor droite)
{
    QImage image(taille, QImage::Format_RGB32);
    image.fill(gauche);
    for (int y = 0; y < taille.height(); ++y)
        for (int x = taille.width() / 2; x < taille.width(); ++x)
            image.setPixel(x, y, droite.rgb());
    return image;
}

// A JPEG as a camera writes it: an EXIF block with the orientation and a small JPEG of its own.
QByteArray photo_avec_vignette(const QImage& photo, const QImage& vignette, quint16 orientation)
{
    const QByteArray petite = jpeg(vignette);
    QByteArray tiff("II*\0\x08\0\0\0", 8);
    const auto mot = [&](quint16 v) { tiff.append(char(v & 0xFF)).append(char(v >> 8)); };
    const auto long_ = [&](quint32 v) { mot(quint16(v & 0xFFFF)); mot(quint16(v >> 16)); };
    mot(1); // IFD0: the orientation
    mot(0x0112); mot(3); long_(1); mot(orientation); mot(0);
    long_(8 + 2 + 12 + 4); // then IFD1
    mot(2);
    mot(0x0201); mot(4); long_(1); long_(8 + 2 + 12 + 4 + 2 + 24 + 4);
    mot(0x0202); mot(4); long_(1); long_(quint32(petite.size()));
    long_(0);
    tiff.append(petite);
    QByteArray app1("\xFF\xE1", 2);
    const int longueur = 2 + 6 + int(tiff.size());
    app1.append(char(longueur >> 8)).append(char(longueur & 0xFF)).append("Exif\0\0", 6).append(tiff);
    QByteArray fichier = jpeg(photo);
    fichier.insert(2, app1);
    return fichier;
}

// Collects what the fabrique hands over, by name.
Recues recues(const QSignalSpy& espion)
{
    Recues r;
    for (const QList<QVariant>& s : espion)
        r.insert(s.at(0).toByteArray(), s.at(1).value<QImage>());
    return r;
}

} // namespace

class TestFabriqueVignettes : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Every type of the samples, and a damaged file: thumbnails of the right shape, kept in the
    // shared cache and read back from it by the next fabrique; the damaged one recorded as failed.
    void chaque_type_puis_le_cache()
    {
        BacASable bac;
        const QString d = bac.chemin("photos");
        QDir().mkpath(d);
        const QStringList echantillons = {"hopper.bmp", "clipboard.dib", "chi.gif", "flower.jpg", "drawing.wmf",
                                          "drawing.emf", "deerstalker.cur", "hopper.ico", "orientation_rectangle.jpg"};
        QList<QByteArray> noms;
        for (const QString& e : echantillons) {
            QVERIFY2(QFile::copy(echantillon(e), d + '/' + e), qPrintable(e));
            noms << e.toUtf8();
        }
        ecrire(d + "/abime.jpg", "\xff\xd8\xff\xe0 tronqué");
        noms << "abime.jpg";

        FabriqueVignettes fabrique(128);
        QSignalSpy espion(&fabrique, &FabriqueVignettes::vignette);
        fabrique.demander(d, noms);
        QTRY_COMPARE_WITH_TIMEOUT(espion.size(), noms.size(), 30000);
        const Recues r = recues(espion);
        for (const QString& e : echantillons) {
            const QImage v = r.value(e.toUtf8());
            QVERIFY2(!v.isNull() && v.width() <= 128 && v.height() <= 128, qPrintable(e));
        }
        QVERIFY(r.value("abime.jpg").isNull());
        // Aspect kept, the EXIF orientation applied: flower.jpg is 4:3; a 2x1 picture turned a quarter is 1x2.
        QCOMPARE(r.value("flower.jpg").size(), QSize(128, 96));
        QCOMPARE(r.value("orientation_rectangle.jpg").size(), QSize(1, 2));
        QCOMPARE(fabrique.faites(), noms.size());
        QCOMPARE(QDir(bac.chemin("home/.cache/thumbnails/normal")).entryList(QDir::Files).size(), echantillons.size());
        QCOMPARE(QDir(bac.chemin("home/.cache/thumbnails/fail/imagora-1.0")).entryList(QDir::Files).size(), 1);

        FabriqueVignettes seconde(128);
        QSignalSpy espion2(&seconde, &FabriqueVignettes::vignette);
        seconde.demander(d, noms);
        QTRY_COMPARE_WITH_TIMEOUT(espion2.size(), noms.size(), 30000);
        QCOMPARE(seconde.lues(), echantillons.size());
        QCOMPARE(recues(espion2).value("chi.gif").size(), r.value("chi.gif").size());

        // A picture changed since: made again.
        const utimbuf t{1000000000, 1000000000};
        QVERIFY(::utime(QFile::encodeName(d + "/chi.gif").constData(), &t) == 0);
        FabriqueVignettes troisieme(128);
        QSignalSpy espion3(&troisieme, &FabriqueVignettes::vignette);
        troisieme.demander(d, {"chi.gif"});
        QTRY_COMPARE_WITH_TIMEOUT(espion3.size(), 1, 30000);
        QCOMPARE(troisieme.faites(), 1);
    }

    // The camera's own thumbnail is taken when it is large enough and of the photo's shape, turned
    // as the photo is; otherwise the photo is decoded.
    void vignette_de_l_appareil()
    {
        BacASable bac;
        const QImage photo = moities(QSize(600, 400), Qt::red, Qt::blue);
        ecrire(bac.chemin("tournee.jpg"), photo_avec_vignette(photo, moities(QSize(180, 120), Qt::red, Qt::green), 6));
        ecrire(bac.chemin("bandes.jpg"), photo_avec_vignette(photo, moities(QSize(160, 120), Qt::red, Qt::green), 1));
        ecrire(bac.chemin("petite.jpg"), photo_avec_vignette(photo, moities(QSize(60, 40), Qt::red, Qt::green), 1));

        // Turned a quarter clockwise: the left half is on top; green says it is the camera's.
        const QImage tournee = vignette_de(bac.chemin("tournee.jpg"), 96);
        QCOMPARE(tournee.height(), 96);
        QVERIFY(std::abs(tournee.width() - 64) <= 1);
        QVERIFY(qRed(tournee.pixel(30, 10)) > 200);
        QVERIFY(qGreen(tournee.pixel(30, 85)) > 200);
        // Black bars or too small: the photo itself.
        for (const char* nom : {"bandes.jpg", "petite.jpg"}) {
            const QImage v = vignette_de(bac.chemin(nom), 96);
            QCOMPARE(v.width(), 96);
            QVERIFY(std::abs(v.height() - 64) <= 1);
            QVERIFY2(qBlue(v.pixel(85, 32)) > 200 && qGreen(v.pixel(85, 32)) < 60, nom);
        }
    }

    // Another folder asked for mid-way: nothing of the first lands, and no thread keeps working for it.
    void changer_de_dossier_en_cours()
    {
        BacASable bac;
        QImage grande(3000, 2000, QImage::Format_RGB32);
        grande.fill(Qt::darkCyan);
        QVERIFY(grande.save(bac.chemin("a.png"), "PNG"));
        QList<QByteArray> a, b;
        QDir().mkpath(bac.chemin("premier"));
        QDir().mkpath(bac.chemin("second"));
        for (int i = 0; i < 60; ++i) {
            QVERIFY(QFile::copy(bac.chemin("a.png"), bac.chemin(QString("premier/a%1.png").arg(i))));
            a << QString("a%1.png").arg(i).toUtf8();
        }
        for (int i = 0; i < 3; ++i) {
            QVERIFY(QFile::copy(echantillon("hopper.bmp"), bac.chemin(QString("second/b%1.bmp").arg(i))));
            b << QString("b%1.bmp").arg(i).toUtf8();
        }
        FabriqueVignettes fabrique(128);
        QSignalSpy espion(&fabrique, &FabriqueVignettes::vignette);
        fabrique.demander(bac.chemin("premier"), a);
        fabrique.prioriser({"a50.png", "a51.png", "a52.png"}); // the rows on screen come first
        QTRY_VERIFY_WITH_TIMEOUT(!espion.isEmpty(), 30000);
        QVERIFY2(espion.first().at(0).toByteArray() >= "a50", espion.first().at(0).toByteArray());
        fabrique.demander(bac.chemin("second"), b);
        const qsizetype avant = espion.size();
        const auto du_second = [&] {
            const auto noms = recues(espion).keys();
            return std::count_if(noms.cbegin(), noms.cend(), [](const QByteArray& n) { return n.startsWith('b'); });
        };
        QTRY_COMPARE_WITH_TIMEOUT(du_second(), 3, 30000);
        QTRY_COMPARE_WITH_TIMEOUT(fabrique.actives(), 0, 30000);
        QTest::qWait(50);
        for (qsizetype i = avant; i < espion.size(); ++i)
            QVERIFY2(espion.at(i).at(0).toByteArray().startsWith('b'), espion.at(i).at(0).toByteArray());
        QVERIFY(fabrique.faites() < 60);

        // Destroyed while working: nothing lands, nothing crashes.
        auto* courte = new FabriqueVignettes(128);
        courte->demander(bac.chemin("premier"), a);
        delete courte;
    }
};

QTEST_MAIN(TestFabriqueVignettes)
#include "tst_fabriquevignettes.moc"
