// Long texts in the program's real message boxes: a path of thousands of characters, or a text of
// hundreds of lines, must give a box that fits on the screen, with the whole text still at hand.

#include "forms/interaction.h"
#include "modal.h"

#include <QAbstractButton>
#include <QFontMetrics>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTest>

namespace {

// A path of about `longueur` characters, with no blank in it.
QString long_chemin(int longueur)
{
    QString chemin = QStringLiteral("/début");
    for (int i = 0; chemin.size() < longueur; ++i)
        chemin += QStringLiteral("/dossier-%1").arg(i, 4, 10, QLatin1Char('0'));
    return chemin + QStringLiteral("/fin.jpg");
}

// What a shown box was like.
struct Boite {
    QRect cadre;        // the box on the screen, frame included
    QRect cadre_ouvert; // the same with its details opened
    QRect ecran;        // the screen's available area
    QString texte;      // the text shown
    QString details;    // the detailed text
    bool vue = false;
};

// Shows `m` in a real box (Qt's own, as the program uses it), records it and presses its
// default button.
Boite montrer(const Message& m, Reponse* reponse = nullptr)
{
    Boite b;
    InteractionQt interaction;
    quand_modal([&b](QWidget* w) {
        auto* boite = qobject_cast<QMessageBox*>(w);
        if (!boite) {
            w->close();
            return;
        }
        b.vue = true;
        b.cadre = boite->frameGeometry();
        b.ecran = boite->screen()->availableGeometry();
        b.texte = boite->text();
        b.details = boite->detailedText();
        b.cadre_ouvert = b.cadre;
        for (QAbstractButton* bouton : boite->buttons()) {
            if (boite->buttonRole(bouton) == QMessageBox::ActionRole) { // "Afficher les détails..."
                bouton->click();
                QCoreApplication::sendPostedEvents();
                b.cadre_ouvert = boite->frameGeometry();
            }
        }
        boite->defaultButton()->click();
    });
    const Reponse r = interaction.message(nullptr, m);
    if (reponse)
        *reponse = r;
    return b;
}

} // namespace

class TestMessagesLongs : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // The search's message about a folder nested too deep, with a path of 5000 characters.
    void chemin_de_5000_caracteres()
    {
        const QString chemin = long_chemin(5000);
        const QString texte = QStringLiteral(" 1 dossier(s) n'ont pas pu être lus et n'ont pas été parcourus, dont:\n") + chemin
                              + QStringLiteral("\n(chemin trop long pour le système)");
        Reponse reponse = Reponse::Annuler;
        const Boite b = montrer({texte, QStringLiteral("Imagora"), Boutons::Ok, Icone::Exclamation}, &reponse);
        QVERIFY(b.vue);
        QVERIFY(reponse == Reponse::Ok);
        QVERIFY2(b.ecran.contains(b.cadre), qPrintable(QStringLiteral("box %1x%2 on a screen of %3x%4")
                                                           .arg(b.cadre.width()).arg(b.cadre.height())
                                                           .arg(b.ecran.width()).arg(b.ecran.height())));
        QVERIFY(b.ecran.contains(b.cadre_ouvert));
        QVERIFY(b.cadre_ouvert.height() > b.cadre.height());
        // The start and the end of the path are shown, the reason too; the whole text is in the details.
        QVERIFY(b.texte.contains(QStringLiteral("/début/dossier-0000")));
        QVERIFY(b.texte.contains(QStringLiteral("/fin.jpg\n(chemin trop long pour le système)")));
        QVERIFY(b.texte.contains(QStringLiteral("…")));
        QVERIFY(b.texte.size() < 1000);
        QCOMPARE(b.details, texte);
    }

    void centaines_de_lignes()
    {
        QStringList lignes;
        for (int i = 0; i < 300; ++i)
            lignes << QStringLiteral("Ligne %1 : le fichier photo-%1.jpg ne peut pas être copié.").arg(i);
        const QString texte = lignes.join(u'\n');
        const Boite b = montrer({texte, QStringLiteral("IMAGORA"), Boutons::OuiNon, Icone::Question, 1});
        QVERIFY(b.vue);
        QVERIFY(b.ecran.contains(b.cadre));
        QVERIFY(b.ecran.contains(b.cadre_ouvert));
        QVERIFY(b.texte.startsWith(lignes.first() + u'\n'));
        QVERIFY(b.texte.endsWith(u'\n' + lignes.last()));
        QVERIFY(b.texte.contains(QStringLiteral("\n…\n")));
        QCOMPARE(b.details, texte);
    }

    // A text that fits is shown as it is, without details.
    void texte_court_intact()
    {
        const QString texte = QStringLiteral("Le dossier /home/moi/Images n'existe plus.");
        const Boite b = montrer({texte, QStringLiteral("IMAGORA"), Boutons::Ok, Icone::Critique});
        QVERIFY(b.vue);
        QCOMPARE(b.texte, texte);
        QVERIFY(b.details.isEmpty());
    }

    // The shortening itself, on any area: start and end kept, never wider or taller than asked.
    void ajustement()
    {
        const QFontMetrics fm(QApplication::font());
        const QString chemin = long_chemin(5000);
        for (const QSize zone : {QSize(200, 100), QSize(380, 440), QSize(1000, 40)}) {
            const QString texte = QStringLiteral("Le dossier ") + chemin + QStringLiteral(" ne peut pas être lu.");
            const QString ajuste = texte_ajuste(texte, fm, zone.width(), zone.height());
            const QRect place = fm.boundingRect(QRect(0, 0, zone.width(), 1 << 24), Qt::TextWordWrap, ajuste);
            QVERIFY(place.width() <= zone.width());
            QVERIFY(place.height() <= zone.height());
            QVERIFY(ajuste.startsWith(QStringLiteral("Le dossier /d")));
            QVERIFY(ajuste.endsWith(QStringLiteral("ne peut pas être lu.")) || zone.height() < 3 * fm.lineSpacing());
        }
        // One very long sentence, blanks and all, is shortened too.
        const QString phrase = QStringLiteral("mot ").repeated(20000) + QStringLiteral("dernier");
        const QString ajuste = texte_ajuste(phrase, fm, 300, 200);
        QVERIFY(fm.boundingRect(QRect(0, 0, 300, 1 << 24), Qt::TextWordWrap, ajuste).height() <= 200);
        QVERIFY(ajuste.startsWith(QStringLiteral("mot mot")));
        // Twenty thousand lines: the first and the last ones stay.
        QStringList lignes;
        for (int i = 0; i < 20000; ++i)
            lignes << QStringLiteral("ligne %1").arg(i);
        const QString court = texte_ajuste(lignes.join(u'\n'), fm, 300, 200);
        QVERIFY(fm.boundingRect(QRect(0, 0, 300, 1 << 24), Qt::TextWordWrap, court).height() <= 200);
        QVERIFY(court.startsWith(QStringLiteral("ligne 0\nligne 1\n")));
        QVERIFY(court.endsWith(QStringLiteral("\nligne 19998\nligne 19999")));
        // Nothing to do: the text comes back as it was.
        QCOMPARE(texte_ajuste(QStringLiteral("Court.\nDeux lignes."), fm, 300, 200), QStringLiteral("Court.\nDeux lignes."));
    }
};

QTEST_MAIN(TestMessagesLongs)
#include "tst_messages_longs.moc"
