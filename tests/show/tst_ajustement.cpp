#include "show/ajustement.h"

#include <QTest>

class TestAjustement : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void regle_d_ajustement_data()
    {
        QTest::addColumn<QSize>("image");
        QTest::addColumn<QSize>("ecran");
        QTest::addColumn<int>("mode");
        QTest::addColumn<QSizeF>("attendu");
        const QSize e(1024, 768);
        QTest::newRow("800x600 adaptée si plus grande") << QSize(800, 600) << e << 1 << QSizeF(800, 600);
        QTest::newRow("800x600 normale") << QSize(800, 600) << e << 0 << QSizeF(800, 600);
        QTest::newRow("640x480 toujours adaptée") << QSize(640, 480) << e << 2 << QSizeF(768 * 1.33, 768);
        QTest::newRow("2000x1000 plus grande") << QSize(2000, 1000) << e << 1 << QSizeF(1024, 512);
        QTest::newRow("600x800 portrait") << QSize(600, 800) << e << 2 << QSizeF(768 / 1.33, 768);
        QTest::newRow("500x500 carrée") << QSize(500, 500) << e << 2 << QSizeF(768, 768);
        QTest::newRow("normale plus grande que l'écran") << QSize(3000, 2000) << e << 0 << QSizeF(3000, 2000);
        QTest::newRow("exactement l'écran") << QSize(1024, 768) << e << 1 << QSizeF(1024, 768);
        QTest::newRow("un pixel trop large") << QSize(1025, 100) << e << 1 << QSizeF(1024, 1024 / 10.25);
        QTest::newRow("très haute") << QSize(100, 2000) << e << 2 << QSizeF(768 / 20.0, 768);
        QTest::newRow("carrée sur écran portrait") << QSize(500, 500) << QSize(768, 1024) << 2 << QSizeF(768, 768);
        QTest::newRow("portrait trop large après") << QSize(900, 1000) << QSize(800, 1000) << 2 << QSizeF(800, 800 * 1.11);
        QTest::newRow("mode inconnu") << QSize(3000, 2000) << e << 7 << QSizeF(3000, 2000);
        QTest::newRow("mode négatif") << QSize(10, 20) << e << -1 << QSizeF(10, 20);
    }

    void regle_d_ajustement()
    {
        QFETCH(QSize, image);
        QFETCH(QSize, ecran);
        QFETCH(int, mode);
        QFETCH(QSizeF, attendu);
        const QSizeF obtenu = taille_affichee(image, ecran, mode);
        QVERIFY2(qAbs(obtenu.width() - attendu.width()) < 1e-9 && qAbs(obtenu.height() - attendu.height()) < 1e-9,
                 qPrintable(QString("%1 x %2").arg(obtenu.width()).arg(obtenu.height())));
    }

    void couleurs()
    {
        // Red in the low byte.
        QCOMPARE(couleur_de_valeur(255), QColor(255, 0, 0));
        QCOMPARE(couleur_de_valeur(0xFF0000), QColor(0, 0, 255));
        QCOMPARE(valeur_de_couleur(QColor(0x12, 0x34, 0x56)), ValeurCouleur(0x563412));

        QRandomGenerator hasard(42);
        QCOMPARE(couleur_de_fond("255", hasard), std::optional<ValeurCouleur>(255));
        QCOMPARE(couleur_de_fond("0", hasard), std::optional<ValeurCouleur>(0));
        QCOMPARE(couleur_de_fond("16777215", hasard), std::optional<ValeurCouleur>(0xFFFFFF));
        QCOMPARE(couleur_de_fond("12abc", hasard), std::nullopt);
        QCOMPARE(couleur_de_fond("2.5", hasard), std::nullopt);
        QCOMPARE(couleur_de_fond("16777216", hasard), std::nullopt);
        QCOMPARE(couleur_de_fond("-1", hasard), std::nullopt);

        // Empty: a new colour at random for each picture, on all three channels.
        ValeurCouleur ou = 0, et = 0xFFFFFF, precedente = 0;
        for (int i = 0; i < 20; ++i) {
            const auto c = couleur_de_fond("", hasard);
            QVERIFY(c && *c <= 0xFFFFFF && *c != precedente);
            ou |= *c, et &= *c, precedente = *c;
        }
        QVERIFY((ou & 0xFF) && (ou & 0xFF00) && (ou & 0xFF0000) && !(et & 0x808080));

        QCOMPARE(couleur_du_texte(0), ValeurCouleur(0xFFFFFF));
        QCOMPARE(couleur_du_texte(1), ValeurCouleur(0));
        QCOMPARE(couleur_du_texte(0xFFFFFF), ValeurCouleur(0));
    }
};

QTEST_APPLESS_MAIN(TestAjustement)
#include "tst_ajustement.moc"
