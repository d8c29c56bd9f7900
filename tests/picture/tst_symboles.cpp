// The Unicode equivalents of the symbol fonts' codes (picture/symboles.h): well-known codes of each
// font, the recognition of family names, the fallback for codes without an equivalent, and the
// fonts that draw them.

#include "picture/symboles.h"

#include <QGuiApplication>
#include <QRawFont>
#include <QTest>

#include <algorithm>

using symboles::Jeu;

class TestSymboles : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void codes_connus_data()
    {
        QTest::addColumn<QString>("famille");
        QTest::addColumn<uint>("code");
        QTest::addColumn<uint>("attendu");
        QTest::newRow("Symbol a: alpha") << "Symbol" << 0x61u << 0x03B1u;
        QTest::newRow("Symbol D: Delta") << "Symbol" << 0x44u << 0x0394u;
        QTest::newRow("Symbol p: pi") << "Symbol" << 0x70u << 0x03C0u;
        QTest::newRow("Symbol W: Omega") << "Symbol" << 0x57u << 0x03A9u;
        QTest::newRow("Symbol 0xB4: times") << "Symbol" << 0xB4u << 0x00D7u;
        QTest::newRow("Symbol 0xA3: less or equal") << "Symbol" << 0xA3u << 0x2264u;
        QTest::newRow("Symbol 0xA5: infinity") << "Symbol" << 0xA5u << 0x221Eu;
        QTest::newRow("Symbol 0xE5: sum") << "Symbol" << 0xE5u << 0x2211u;
        QTest::newRow("Symbol 0xF2: integral") << "Symbol" << 0xF2u << 0x222Bu;
        QTest::newRow("Symbol digit") << "Symbol" << 0x35u << 0x35u;
        QTest::newRow("Symbol in the private use area") << "Symbol" << 0xF061u << 0x03B1u;
        QTest::newRow("Wingdings 0xFC: check mark") << "Wingdings" << 0xFCu << 0x2713u;
        QTest::newRow("Wingdings l: medium black circle") << "Wingdings" << 0x6Cu << 0x26ABu;
        QTest::newRow("Wingdings n: black medium square") << "Wingdings" << 0x6Eu << 0x25FCu;
        QTest::newRow("Wingdings 0xA7: small square") << "Wingdings" << 0xA7u << 0x25AAu;
        QTest::newRow("Wingdings 0xD8: arrowhead") << "Wingdings" << 0xD8u << 0x2B9Au;
        QTest::newRow("Wingdings 0xE0: right arrow") << "Wingdings" << 0xE0u << 0x1F86Au;
        QTest::newRow("Wingdings 0xE8: heavy right arrow") << "Wingdings" << 0xE8u << 0x1F87Au;
        QTest::newRow("Wingdings 0xF0: white right arrow") << "Wingdings" << 0xF0u << 0x21E8u;
        QTest::newRow("Wingdings J: smiling face") << "Wingdings" << 0x4Au << 0x263Au;
        QTest::newRow("Wingdings ( : telephone") << "Wingdings" << 0x28u << 0x1F57Fu;
        QTest::newRow("Wingdings 0x80: circled sans-serif zero") << "Wingdings" << 0x80u << 0x1F10Bu;
        QTest::newRow("Wingdings 0x81: circled sans-serif one") << "Wingdings" << 0x81u << 0x2780u;
        QTest::newRow("Wingdings 0xF5: white north west arrow") << "Wingdings" << 0xF5u << 0x2B01u;
        QTest::newRow("Wingdings 0xAB: black star") << "Wingdings" << 0xABu << 0x2605u;
        QTest::newRow("Wingdings in the private use area") << "Wingdings" << 0xF0FCu << 0x2713u;
        QTest::newRow("Wingdings 2 R: ballot box with check") << "Wingdings 2" << 0x52u << 0x2611u;
        QTest::newRow("Wingdings 2 T: ballot box with x") << "Wingdings 2" << 0x54u << 0x2612u;
        QTest::newRow("Wingdings 2 0x6A: circled one") << "Wingdings 2" << 0x6Au << 0x2460u;
        QTest::newRow("Wingdings 2 0xA2: black square") << "Wingdings 2" << 0xA2u << 0x25A0u;
        QTest::newRow("Wingdings 2 0x99: white circle") << "Wingdings 2" << 0x99u << 0x25CBu;
        QTest::newRow("Wingdings 3 !: left arrow") << "Wingdings 3" << 0x21u << 0x2B60u;
        QTest::newRow("Wingdings 3 \": right arrow") << "Wingdings 3" << 0x22u << 0x2B62u;
        QTest::newRow("Wingdings 3 p: up triangle") << "Wingdings 3" << 0x70u << 0x25B2u;
        QTest::newRow("Wingdings 3 u: right triangle") << "Wingdings 3" << 0x75u << 0x25B6u;
        QTest::newRow("Wingdings 3 0xE5: north west arrow") << "Wingdings 3" << 0xE5u << 0x1F884u;
        QTest::newRow("Webdings @: hammer and wrench") << "Webdings" << 0x40u << 0x1F6E0u;
        QTest::newRow("Webdings a: check mark") << "Webdings" << 0x61u << 0x2714u;
        QTest::newRow("Webdings b: bicycle") << "Webdings" << 0x62u << 0x1F6B2u;
        QTest::newRow("Webdings 0xFC: globe") << "Webdings" << 0xFCu << 0x1F30Du;
        QTest::newRow("Webdings 4: play") << "Webdings" << 0x34u << 0x23F5u;
        QTest::newRow("Webdings 0xE9: wheelchair") << "Webdings" << 0xE9u << 0x267Fu;
        QTest::newRow("space stays a space") << "Wingdings" << 0x20u << 0x20u;
    }

    void codes_connus()
    {
        QFETCH(QString, famille);
        QFETCH(uint, code);
        QFETCH(uint, attendu);
        QCOMPARE(uint(symboles::unicode(symboles::jeu(famille), code)), attendu);
        const char32_t u = attendu;
        QCOMPARE(symboles::unicode(famille, code), QString::fromUcs4(&u, 1));
    }

    void aucune_lettre_latine_ni_code_vide()
    {
        // Every code of every table gives a character that is not the Latin letter of the code
        // (digits and punctuation of Symbol excepted), and codes without an equivalent show a box.
        for (const Jeu jeu : {Jeu::Wingdings, Jeu::Wingdings2, Jeu::Wingdings3, Jeu::Webdings, Jeu::Symbol}) {
            for (char32_t code = 0x21; code <= 0xFF; ++code) {
                const char32_t u = symboles::unicode(jeu, code);
                QVERIFY(u != 0);
                const bool lettre = (code >= 'A' && code <= 'Z') || (code >= 'a' && code <= 'z') || code >= 0xC0;
                if (lettre)
                    QVERIFY2(u != code, qPrintable(QString::number(uint(code), 16)));
                if (jeu != Jeu::Symbol)
                    QVERIFY2(u > 0x7E || u == 0x7C, qPrintable(QString::number(uint(code), 16)));
            }
        }
        QCOMPARE(uint(symboles::unicode(Jeu::Symbol, 0x80)), 0x25A1u);
        QCOMPARE(uint(symboles::unicode(Jeu::Wingdings, 0xFF)), 0x25A1u);
        // Outside the fonts' codes, and for other fonts, characters stay as they are.
        QCOMPARE(uint(symboles::unicode(Jeu::Symbol, 0x03B1)), 0x03B1u);
        QCOMPARE(uint(symboles::unicode(Jeu::Wingdings, 0x0A)), 0x0Au);
        QCOMPARE(uint(symboles::unicode(Jeu::Aucun, 0x61)), 0x61u);
        QCOMPARE(symboles::unicode(QStringLiteral("Arial"), 0x61), QStringLiteral("a"));
    }

    void familles_reconnues()
    {
        QCOMPARE(symboles::jeu(QStringLiteral("Symbol")), Jeu::Symbol);
        QCOMPARE(symboles::jeu(QStringLiteral("SYMBOL")), Jeu::Symbol);
        QCOMPARE(symboles::jeu(QStringLiteral("Symbol MT")), Jeu::Symbol);
        QCOMPARE(symboles::jeu(QStringLiteral("wingdings")), Jeu::Wingdings);
        QCOMPARE(symboles::jeu(QStringLiteral("Wingdings 2")), Jeu::Wingdings2);
        QCOMPARE(symboles::jeu(QStringLiteral("Wingdings-3")), Jeu::Wingdings3);
        QCOMPARE(symboles::jeu(QStringLiteral("Webdings")), Jeu::Webdings);
        QCOMPARE(symboles::jeu(QStringLiteral("Arial")), Jeu::Aucun);
        QCOMPARE(symboles::jeu(QString()), Jeu::Aucun);
        // Unicode fonts with "symbol" in their names are not Symbol, whatever their character set.
        for (const char* nom : {"Segoe UI Symbol", "OpenSymbol", "Symbola", "Noto Sans Symbols"}) {
            QCOMPARE(symboles::jeu(QString::fromLatin1(nom)), Jeu::Aucun);
            QCOMPARE(symboles::jeu(QString::fromLatin1(nom), true), Jeu::Aucun);
        }
        // A font in the symbol character set named like Symbol reads as Symbol; others do not.
        QCOMPARE(symboles::jeu(QStringLiteral("Symbol Tiger")), Jeu::Aucun);
        QCOMPARE(symboles::jeu(QStringLiteral("Symbol Tiger"), true), Jeu::Symbol);
        QCOMPARE(symboles::jeu(QStringLiteral("Marlett"), true), Jeu::Aucun);
    }

    void texte_entier()
    {
        QCOMPARE(symboles::texte(Jeu::Symbol, QString(QChar(0xF061)) + QChar('b')), QStringLiteral("αβ"));
        // A pictograph beyond the first plane takes two UTF-16 units.
        QCOMPARE(symboles::texte(Jeu::Wingdings, QStringLiteral("l(")), QStringLiteral("⚫🕿"));
    }

    void polices_de_dessin_installees()
    {
        // Every character of every table has a real glyph in one of the fonts that draw them: no
        // symbol comes out as an empty box for want of a font.
        QList<QRawFont> polices;
        for (const QString& famille : symboles::familles_dessin()) {
            QFont police(famille);
            police.setPixelSize(20);
            const QRawFont brute = QRawFont::fromFont(police);
            QVERIFY2(brute.familyName().compare(famille, Qt::CaseInsensitive) == 0, qPrintable(famille));
            polices << brute;
        }
        for (const Jeu jeu : {Jeu::Symbol, Jeu::Wingdings, Jeu::Wingdings2, Jeu::Wingdings3, Jeu::Webdings}) {
            for (char32_t code = 0x21; code <= 0xFF; ++code) {
                const char32_t u = symboles::unicode(jeu, code);
                const bool trouve = std::any_of(polices.cbegin(), polices.cend(), [u](const QRawFont& f) { return f.supportsCharacter(uint(u)); });
                QVERIFY2(trouve, qPrintable(QStringLiteral("%1 %2: U+%3").arg(int(jeu)).arg(uint(code), 0, 16).arg(uint(u), 0, 16)));
            }
        }
    }
};

QTEST_MAIN(TestSymboles)
#include "tst_symboles.moc"
