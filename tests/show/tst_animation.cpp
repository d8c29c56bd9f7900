#include "../picture/apng_fabrique.h"
#include "bac_a_sable.h"
#include "interaction_test.h"
#include "show/frmapercu.h"
#include "show/lecteuranimation.h"
#include "startup/module.h"

#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QTest>
#include <QThreadPool>

using namespace fabrique_apng;

namespace {

QImage affichee(QWidget* vue)
{
    return vue->findChild<QLabel*>("Image1")->pixmap().toImage();
}

QRgb pixel(QWidget* vue, QPoint p = {0, 0})
{
    return affichee(vue).pixel(p);
}

// An animated GIF drawn by hand: a logical screen of `ecran`, two 1x1 frames of 10 ms, looping.
QByteArray gif_deux_points(QSize ecran)
{
    QByteArray g("GIF89a");
    const auto mot = [&g](int v) {
        g += char(v & 0xFF);
        g += char(v >> 8);
    };
    mot(ecran.width());
    mot(ecran.height());
    g += QByteArray("\x00\x00\x00", 3);
    g += QByteArray("\x21\xFF\x0BNETSCAPE2.0\x03\x01\x00\x00\x00", 19);
    for (int couleur : {0xFF, 0x00}) {
        g += QByteArray("\x21\xF9\x04\x00\x0A\x00\x00\x00", 8);
        g += QByteArray("\x2C\x00\x00\x00\x00\x01\x00\x01\x00\x80", 10);
        g += char(couleur);
        g += QByteArray("\x00\x00\x00\x00\x00", 5);
        g += QByteArray("\x02\x02\x44\x01\x00", 5);
    }
    g += ';';
    return g;
}

} // namespace

class TestAnimation : public QObject {
    Q_OBJECT

    std::optional<Essai> e;

    QString ecrire(const QString& nom, const QByteArray& octets)
    {
        ::ecrire(e->dossier + '/' + nom, octets);
        return e->dossier + '/' + nom;
    }

    // Opens the real-size view of `chemin` as the browser does and gives the window once it shows.
    QWidget* ouvrir_vue(const QString& chemin)
    {
        frmApercu::voir_taille_reelle(nullptr, chemin);
        if (!QTest::qWaitFor([] { return QApplication::activeModalWidget() != nullptr; }, 20000))
            return nullptr;
        QWidget* vue = QApplication::activeModalWidget();
        return vue->windowTitle() == "Aperçu de: " + chemin ? vue : nullptr;
    }

    static void fermer(QWidget* vue)
    {
        QPointer<QWidget> garde(vue);
        QTest::keyClick(vue, Qt::Key_Escape);
        QVERIFY(QTest::qWaitFor([&] { return garde.isNull(); }, 5000));
    }

private Q_SLOTS:
    void init()
    {
        e.emplace();
        module().mode_affichage.clear();
    }

    void cleanup()
    {
        if (QWidget* vue = QApplication::activeModalWidget())
            vue->close();
        QTRY_VERIFY(!QApplication::activeModalWidget());
        // Decodings left running by a closed view end before the next test's files go.
        QThreadPool::globalInstance()->waitForDone();
        QCoreApplication::processEvents();
        QVERIFY(e->d().messages.isEmpty());
        e.reset();
    }

    // An animated GIF plays in the window it opened in, which neither moves nor changes size.
    void joue_gif()
    {
        const QString chemin = e->copier("chi.gif", "chi.gif");
        QWidget* vue = ouvrir_vue(chemin);
        QVERIFY(vue);
        QCOMPARE(vue->size(), QSize(320, 240));
        const QPoint position = vue->pos();
        const QImage premiere = affichee(vue);
        QCOMPARE(premiere.size(), QSize(320, 240));
        QTRY_VERIFY_WITH_TIMEOUT(affichee(vue) != premiere, 10000);
        auto* lecteur = vue->findChild<LecteurAnimation*>();
        QVERIFY(lecteur && lecteur->en_marche());
        QCOMPARE(affichee(vue).size(), QSize(320, 240));
        QCOMPARE(vue->size(), QSize(320, 240));
        QCOMPARE(vue->pos(), position);
        QCOMPARE(vue->windowTitle(), "Aperçu de: " + chemin);
        QCOMPARE(module().mode_affichage, QString("aperçu"));
        fermer(vue);
    }

    // An animated WebP of a red frame and a blue one, looping for ever: red, blue, red again.
    void joue_webp()
    {
        const QString chemin = ecrire("anime.webp", contenu(QFINDTESTDATA("../picture/fichiers/anime.webp")));
        QWidget* vue = ouvrir_vue(chemin);
        QVERIFY(vue);
        QCOMPARE(vue->size(), QSize(8, 6));
        QCOMPARE(pixel(vue), qRgb(255, 0, 0));
        QTRY_COMPARE_WITH_TIMEOUT(pixel(vue), qRgb(0, 0, 255), 10000);
        QTRY_COMPARE_WITH_TIMEOUT(pixel(vue), qRgb(255, 0, 0), 10000);
        QVERIFY(vue->findChild<LecteurAnimation*>()->en_marche());
        fermer(vue);
    }

    // An APNG played twice, as its file says: red, green, blue, red, green, blue, then it stays on
    // blue. The default picture (yellow) is not part of the animation.
    void joue_apng()
    {
        const QList<Trame> trames{{uni({5, 4}, Qt::red), {0, 0}, 2, 100, 0, 0},
                                  {uni({5, 4}, Qt::green), {0, 0}, 2, 100, 0, 0},
                                  {uni({3, 2}, Qt::blue), {2, 2}, 2, 100, 0, 1}};
        const QString chemin = ecrire("anime.png", fabrique_apng::ecrire(apng({5, 4}, trames, 2, uni({5, 4}, Qt::yellow))));
        QWidget* vue = ouvrir_vue(chemin);
        QVERIFY(vue);
        QCOMPARE(vue->size(), QSize(5, 4));
        auto* lecteur = vue->findChild<LecteurAnimation*>();
        QVERIFY(lecteur);
        QList<QRgb> vus{pixel(vue, {4, 3})};
        connect(lecteur, &LecteurAnimation::image, this, [&](const QImage& image) { vus.append(image.pixel(4, 3)); });
        QTRY_VERIFY_WITH_TIMEOUT(!lecteur->en_marche(), 10000);
        const QRgb r = qRgb(255, 0, 0), v = qRgb(0, 255, 0), b = qRgb(0, 0, 255);
        QCOMPARE(vus, (QList<QRgb>{r, v, b, r, v, b}));
        QCOMPARE(pixel(vue, {4, 3}), b);
        QCOMPARE(pixel(vue, {0, 0}), v);
        fermer(vue);
    }

    // Still pictures, a GIF of one frame, and an APNG whose frames are damaged show as before,
    // without a player.
    void images_fixes()
    {
        const QString png = ecrire("fixe.png", fabrique_apng::ecrire(encoder(uni({7, 5}, Qt::green))));
        const QString gif = e->copier("hopper.gif", "hopper.gif");
        QList<Chunk> chunks = apng({5, 4}, {Trame{uni({5, 4}, Qt::red), {}, 1, 10, 0, 0}, Trame{uni({5, 4}, Qt::green), {}, 1, 10, 0, 0}}, 0);
        chunks.removeAt(chunks.size() - 2); // the second frame's data, and their sequence numbers
        chunks.removeAt(chunks.size() - 2);
        const QString abime = ecrire("abime.png", fabrique_apng::ecrire(chunks));
        for (const auto& [chemin, taille] : {std::pair{png, QSize(7, 5)}, {gif, QSize(128, 128)}, {abime, QSize(5, 4)}}) {
            QVERIFY(!ouvrir_animation(chemin).ok());
            QWidget* vue = ouvrir_vue(chemin);
            QVERIFY2(vue, qPrintable(chemin));
            QCOMPARE(vue->size(), taille);
            QVERIFY(!vue->findChild<LecteurAnimation*>());
            fermer(vue);
        }
    }

    // Frames that would not fit the memory budget: the first one shows, still.
    void trop_grande_pour_jouer()
    {
        const QString chemin = ecrire("grande.gif", gif_deux_points({6000, 6000}));
        QVERIFY(ouvrir_animation(ecrire("petite.gif", gif_deux_points({60, 60}))).ok());
        QVERIFY(!ouvrir_animation(chemin).ok());
        QWidget* vue = ouvrir_vue(chemin);
        QVERIFY(vue);
        QVERIFY(!vue->findChild<LecteurAnimation*>());
        fermer(vue);
    }

    // Closing the view while a frame is being decoded: the window goes at once, the frame is
    // dropped on its worker.
    void fermeture_pendant_un_decodage()
    {
        QImage motif(2400, 2400, QImage::Format_ARGB32);
        for (int y = 0; y < motif.height(); ++y)
            for (int x = 0; x < motif.width(); ++x)
                motif.setPixel(x, y, qRgba(x * 7, y * 13, (x ^ y) & 0xFF, 255));
        QImage autre = motif.mirrored(true, false);
        const QString chemin = ecrire("lourde.png", fabrique_apng::ecrire(apng(motif.size(), {Trame{motif, {}, 1, 10, 0, 0}, Trame{autre, {}, 1, 10, 0, 0}, Trame{motif, {}, 1, 10, 0, 0}}, 0)));

        for (int essai = 0; essai < 4; ++essai) {
            QPointer<QWidget> vue = ouvrir_vue(chemin);
            QVERIFY(vue);
            QPointer<LecteurAnimation> lecteur = vue->findChild<LecteurAnimation*>();
            QVERIFY(lecteur && lecteur->decodage_en_cours());
            if (essai % 2)
                QTest::mouseClick(vue, Qt::LeftButton);
            else
                vue->close();
            QTRY_VERIFY(vue.isNull());
            QVERIFY(lecteur.isNull());
        }

        // A window that outlives its closing: nothing reaches it after.
        frmApercu fenetre;
        fenetre.jouer(ouvrir_animation(chemin), "lourde");
        fenetre.show();
        auto* lecteur = fenetre.findChild<LecteurAnimation*>();
        QVERIFY(lecteur->decodage_en_cours());
        const qint64 avant = fenetre.findChild<QLabel*>("Image1")->pixmap().cacheKey();
        int recues = 0;
        connect(lecteur, &LecteurAnimation::image, this, [&] { ++recues; });
        fenetre.close();
        QVERIFY(!lecteur->en_marche());
        QVERIFY(!lecteur->decodage_en_cours());
        QThreadPool::globalInstance()->waitForDone();
        QTest::qWait(300);
        QCOMPARE(recues, 0);
        QCOMPARE(fenetre.findChild<QLabel*>("Image1")->pixmap().cacheKey(), avant);
    }
};

QTEST_MAIN(TestAnimation)
#include "tst_animation.moc"
