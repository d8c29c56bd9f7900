#include "forms/fenetres.h"
#include "forms/joker.h"

#include <QTest>

class TestJoker : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void correspondance_data()
    {
        QTest::addColumn<QString>("nom");
        QTest::addColumn<QString>("motif");
        QTest::addColumn<bool>("attendu");

        QTest::newRow("extension") << "photo.jpg" << "*.jpg" << true;
        QTest::newRow("casse ignorée") << "x.Bmp" << "*.BMP" << true;
        QTest::newRow("accents sans casse") << "ÉTÉ.gif" << "été.GIF" << true;
        QTest::newRow("autre extension") << "photo.jpeg" << "*.jpg" << false;
        QTest::newRow("dernier point") << "photo.old.jpg" << "*.jpg" << true;
        QTest::newRow("suffixe seul") << "jpg" << "*.jpg" << false;
        QTest::newRow("point-étoile") << "LISEZMOI" << "*.*" << true;
        QTest::newRow("préfixe sans point") << "img2" << "img*.*" << true;
        QTest::newRow("préfixe faux") << "pic2" << "img*.*" << false;
        QTest::newRow("point d'interrogation") << "a1.ico" << "a?.ico" << true;
        QTest::newRow("interrogation = un caractère") << "a.ico" << "a?.ico" << false;
        QTest::newRow("crochet ordinaire") << "[1].png" << "[1].*" << true;
        QTest::newRow("crochet n'est pas une classe") << "1.png" << "[1].*" << false;
        QTest::newRow("étoiles multiples") << "vacances-2024-plage.jpg" << "*20*pla*.jp?" << true;
        QTest::newRow("retour arrière") << "aaab" << "*ab" << true;
        QTest::newRow("nom vide") << "" << "*" << true;
        QTest::newRow("motif exact") << "Fond.bmp" << "fond.bmp" << true;
    }

    void correspondance()
    {
        QFETCH(QString, nom);
        QFETCH(QString, motif);
        QFETCH(bool, attendu);
        QCOMPARE(correspond_joker(nom, motif), attendu);
    }

    void pathologique_reste_rapide()
    {
        // Many stars against a long name that nearly matches must not explode.
        const QString nom(5000, u'a');
        QVERIFY(!correspond_joker(nom, QStringLiteral("*a*a*a*a*a*a*a*a*a*a*b")));
    }

    void listes_de_motifs()
    {
        QCOMPARE(motifs_de(u"*.jpg; *.jpeg ;;*.JPG"), (QStringList{"*.jpg", "*.jpeg", "*.JPG"}));
        QVERIFY(motifs_de(u" ; ").isEmpty());
        const QStringList motifs = motifs_de(u"*.bmp;*.dib");
        QVERIFY(correspond_liste(u"carte.DIB", motifs));
        QVERIFY(!correspond_liste(u"carte.gif", motifs));
        QVERIFY(!correspond_liste(u"carte.gif", {}));
    }

    void centrage()
    {
        QCOMPARE(position_centree(QSize(1280, 1024), QSize(704, 456)), QPoint(288, 284));
        // Odd differences round down; a window larger than the screen goes above and left.
        QCOMPARE(position_centree(QSize(1281, 1025), QSize(704, 456)), QPoint(288, 284));
        QCOMPARE(position_centree(QSize(800, 600), QSize(1000, 700)), QPoint(-100, -50));
    }
};

QTEST_APPLESS_MAIN(TestJoker)
#include "tst_joker.moc"
