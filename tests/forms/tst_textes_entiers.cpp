// Every window of the program, opened at the default font of a Debian desktop: no text may be cut.
// A text either shows whole in its control, or the control shortens it with "…" and carries the
// whole text in its tooltip.

#include "bac_a_sable.h"
#include "modal.h"
#include "navigateur.h"
#include "about/frmabout.h"
#include "forms/barreetat.h"
#include "forms/listefichiers.h"
#include "forms/listelecteurs.h"
#include "forms/textes.h"
#include "forms/vueliste.h"
#include "options/frmoptions.h"
#include "platform/instance.h"
#include "search/winseek.h"
#include "show/frmapercu.h"
#include "show/frmdiaporama.h"
#include "show/frmveille.h"
#include "show/lecteurson.h"
#include "startup/frmintro.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QFontInfo>
#include <QGroupBox>
#include <QListView>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QStyle>
#include <QStyleOption>
#include <QTextDocument>
#include <QToolButton>
#include <QTreeView>

#include <climits>
#include <cmath>

namespace {

// A caption as it is drawn: "&" marks the shortcut letter and is not shown, "&&" shows one "&".
QString sans_raccourci(const QString& texte)
{
    QString r;
    for (qsizetype i = 0; i < texte.size(); ++i) {
        if (texte[i] == u'&' && i + 1 < texte.size())
            ++i;
        r += texte[i];
    }
    return r;
}

// Height of `lignes` lines of text: what the glyphs fill, from the top of the first line to the
// bottom of the last, without the rounding of each line's box.
int hauteur_lignes(const QFont& police, int lignes)
{
    const QFontMetricsF fm(police);
    return qRound((std::max(lignes, 1) - 1) * fm.lineSpacing() + fm.height());
}

// A text shortened with "…" whose tooltip holds it whole.
bool elide_avec_bulle(const QString& montre, const QString& bulle)
{
    const qsizetype p = montre.indexOf(u'…');
    if (p < 0)
        return false;
    return bulle.size() >= montre.size() && bulle.startsWith(montre.left(p)) && bulle.endsWith(montre.mid(p + 1));
}

QString nom_de(const QWidget* w)
{
    QString nom = QString::fromLatin1(w->metaObject()->className());
    if (!w->objectName().isEmpty())
        nom += u' ' + w->objectName();
    return nom;
}

// Looks at every shown control of a window and lists the texts that are cut: wider or taller than
// the room their control gives them, outside a parent that clips them, or under a control laid
// over them.
class Inspecteur {
public:
    explicit Inspecteur(QWidget* fenetre) : m_fenetre(fenetre) { }

    QStringList coupes()
    {
        m_coupes.clear();
        QList<QWidget*> controles = m_fenetre->findChildren<QWidget*>();
        controles.prepend(m_fenetre);
        for (QWidget* w : std::as_const(controles)) {
            if (!w->isVisible() || w->window() != m_fenetre)
                continue;
            if (auto* l = qobject_cast<QLabel*>(w))
                label(l);
            else if (auto* c = qobject_cast<QCheckBox*>(w))
                bouton(c, QStyle::SE_CheckBoxContents);
            else if (auto* r = qobject_cast<QRadioButton*>(w))
                bouton(r, QStyle::SE_RadioButtonContents);
            else if (auto* b = qobject_cast<QPushButton*>(w))
                bouton(b);
            else if (auto* g = qobject_cast<QGroupBox*>(w))
                cadre(g);
            else if (auto* x = qobject_cast<QComboBox*>(w))
                liste_deroulante(x);
        }
        return m_coupes;
    }

private:
    void signaler(const QWidget* w, const QString& texte, const QString& pourquoi)
    {
        m_coupes.append(QStringLiteral("%1 \"%2\": %3").arg(nom_de(w), texte, pourquoi));
    }

    // The text needs `besoin` and is drawn at `trace` (in w's coordinates) inside `zone`.
    void verifier(const QWidget* w, const QString& texte, QSize besoin, const QRect& zone, const QRect& trace)
    {
        if (besoin.width() > zone.width() || besoin.height() > zone.height()) {
            signaler(w, texte, QStringLiteral("needs %1x%2, has %3x%4").arg(besoin.width()).arg(besoin.height()).arg(zone.width()).arg(zone.height()));
            return;
        }
        if (texte.contains(u'…') && !elide_avec_bulle(texte, w->toolTip()))
            signaler(w, texte, QStringLiteral("shortened, and its tooltip \"%1\" does not hold it whole").arg(w->toolTip()));
        visible(w, texte, trace);
    }

    // A text on one line, after an icon `icone` pixels wide, drawn with `alignement` inside `zone`.
    void une_ligne(const QWidget* w, const QString& texte, int icone, const QRect& zone, Qt::Alignment alignement)
    {
        const QSize besoin(w->fontMetrics().horizontalAdvance(texte) + icone, hauteur_lignes(w->font(), 1));
        verifier(w, texte, besoin, zone, QStyle::alignedRect(w->layoutDirection(), alignement, besoin.boundedTo(zone.size()), zone));
    }

    // The drawn text must lie inside every parent up to the window, and no control stacked above
    // it may cover it.
    void visible(const QWidget* w, const QString& texte, const QRect& trace)
    {
        const QWidget* enfant = w;
        QRect r = trace;
        while (enfant != m_fenetre) {
            const QWidget* parent = enfant->parentWidget();
            r.translate(enfant->pos());
            if (!parent->rect().contains(r)) {
                signaler(w, texte, QStringLiteral("goes past the edge of %1").arg(nom_de(parent)));
                return;
            }
            const QObjectList& freres = parent->children();
            for (qsizetype i = freres.indexOf(const_cast<QWidget*>(enfant)) + 1; i < freres.size(); ++i) {
                const auto* frere = qobject_cast<const QWidget*>(freres[i]);
                if (frere && frere->isVisible() && !frere->isWindow() && frere->geometry().intersects(r)) {
                    signaler(w, texte, QStringLiteral("is covered by %1").arg(nom_de(frere)));
                    return;
                }
            }
            enfant = parent;
        }
    }

    void label(const QLabel* l)
    {
        const QString texte = l->text();
        if (texte.isEmpty() || !l->pixmap().isNull())
            return;
        QRect zone = l->contentsRect().adjusted(l->margin(), l->margin(), -l->margin(), -l->margin());
        const QFontMetrics fm = l->fontMetrics();
        int retrait = l->indent();
        if (retrait < 0 && l->frameWidth() > 0)
            retrait = fm.horizontalAdvance(u'x') / 2 - l->margin();
        if (retrait > 0) {
            if (l->alignment() & Qt::AlignLeft)
                zone.setLeft(zone.left() + retrait);
            if (l->alignment() & Qt::AlignRight)
                zone.setRight(zone.right() - retrait);
        }
        QSize besoin;
        const bool riche = l->textFormat() == Qt::RichText || (l->textFormat() == Qt::AutoText && Qt::mightBeRichText(texte));
        if (riche) {
            QTextDocument document;
            document.setDefaultFont(l->font());
            document.setDocumentMargin(0);
            document.setHtml(texte);
            if (l->wordWrap())
                document.setTextWidth(zone.width());
            besoin = QSize(static_cast<int>(std::ceil(document.idealWidth())), static_cast<int>(std::ceil(document.size().height())));
        } else {
            const int drapeaux = static_cast<int>(l->alignment()) | (l->wordWrap() ? Qt::TextWordWrap : 0)
                                 | (l->buddy() ? Qt::TextShowMnemonic : 0) | Qt::TextExpandTabs;
            besoin = fm.boundingRect(QRect(0, 0, l->wordWrap() ? zone.width() : INT_MAX / 4, INT_MAX / 4), drapeaux, texte).size();
            const int ligne = fm.boundingRect(QRect(0, 0, INT_MAX / 4, INT_MAX / 4), 0, QStringLiteral("Ag")).height();
            besoin.setHeight(hauteur_lignes(l->font(), qRound(double(besoin.height()) / std::max(1, ligne))));
        }
        const QRect trace = QStyle::alignedRect(l->layoutDirection(), l->alignment(), besoin.boundedTo(zone.size()), zone);
        verifier(l, texte, besoin, zone, trace);
    }

    // A check box, a radio button (their text left-aligned beside the box) or a push button.
    void bouton(const QAbstractButton* b, QStyle::SubElement element = QStyle::SE_PushButtonContents)
    {
        if (b->text().isEmpty())
            return;
        QStyleOptionButton option;
        option.initFrom(b);
        option.text = b->text();
        option.icon = b->icon();
        option.iconSize = b->iconSize();
        Qt::Alignment alignement = Qt::AlignLeft | Qt::AlignVCenter;
        if (const auto* p = qobject_cast<const QPushButton*>(b)) {
            alignement = Qt::AlignCenter;
            if (p->autoDefault())
                option.features |= QStyleOptionButton::AutoDefaultButton;
            if (p->isDefault())
                option.features |= QStyleOptionButton::DefaultButton;
            if (p->isFlat())
                option.features |= QStyleOptionButton::Flat;
        }
        une_ligne(b, sans_raccourci(b->text()), b->icon().isNull() ? 0 : b->iconSize().width() + 4,
                  b->style()->subElementRect(element, &option, b), alignement);
    }

    void cadre(const QGroupBox* g)
    {
        if (g->title().isEmpty())
            return;
        QStyleOptionGroupBox option;
        option.initFrom(g);
        option.text = g->title();
        option.lineWidth = 1;
        option.midLineWidth = 0;
        option.textAlignment = g->alignment();
        option.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
        if (g->isCheckable())
            option.subControls |= QStyle::SC_GroupBoxCheckBox;
        if (g->isFlat())
            option.features |= QStyleOptionFrame::Flat;
        const QRect titre = g->style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, g);
        une_ligne(g, sans_raccourci(g->title()), 0, titre.intersected(g->rect()), Qt::AlignLeft | Qt::AlignTop);
    }

    void liste_deroulante(const QComboBox* x)
    {
        QStyleOptionComboBox option;
        option.initFrom(x);
        option.editable = x->isEditable();
        option.frame = x->hasFrame();
        option.iconSize = x->iconSize();
        option.subControls = QStyle::SC_All;
        // The current item is drawn one pixel in from each side of the edit field.
        const QRect zone = x->style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, x).adjusted(1, 0, -1, 0);
        const auto* lecteurs = qobject_cast<const DriveListBox*>(x);
        for (int i = 0; i < x->count(); ++i) {
            const QString texte = x->itemText(i);
            const int icone = x->itemIcon(i).isNull() ? 0 : x->iconSize().width() + 4;
            if (x->fontMetrics().horizontalAdvance(texte) + icone > zone.width() && lecteurs) {
                // The drive list shortens an entry too wide for it: the list of the box and its
                // own tooltip give it whole.
                if (x->itemData(i, Qt::ToolTipRole).toString() != texte)
                    signaler(x, texte, QStringLiteral("too wide, and its entry has no tooltip"));
                if (i == x->currentIndex()) {
                    const QString montre = lecteurs->texte_montre();
                    if (x->fontMetrics().horizontalAdvance(montre) + icone > zone.width() || !elide_avec_bulle(montre, x->toolTip()))
                        signaler(x, montre, QStringLiteral("shortened to a text that does not fit or not whole in the tooltip \"%1\"").arg(x->toolTip()));
                }
                continue;
            }
            une_ligne(x, texte, icone, zone, Qt::AlignLeft | Qt::AlignVCenter);
        }
    }

    QWidget* m_fenetre;
    QStringList m_coupes;
};

// Shows the window, lets it lay itself out and returns what is cut in it.
QStringList coupes(QWidget* fenetre)
{
    if (!fenetre->isVisible())
        fenetre->show();
    if (!QTest::qWaitForWindowExposed(fenetre))
        qWarning("window not exposed");
    QCoreApplication::processEvents();
    return Inspecteur(fenetre).coupes();
}

#define AUCUNE_COUPE(fenetre)                                                                                          \
    do {                                                                                                               \
        const QStringList liste_ = coupes(fenetre);                                                                    \
        for (const QString& coupe_ : liste_)                                                                           \
            qWarning("cut: %s", qPrintable(coupe_));                                                                   \
        QVERIFY2(liste_.isEmpty(), qPrintable(QString::number(liste_.size()) + " texts cut"));                         \
    } while (false)

} // namespace

class TestTextesEntiers : public QObject {
    Q_OBJECT

    std::optional<Essai> e;
    QString m_dossier;

private Q_SLOTS:
    void initTestCase()
    {
        // The default font of a Debian desktop; the offscreen platform's own is a size smaller.
        QApplication::setFont(QFont("DejaVu Sans", 10));
        QCOMPARE(QFontInfo(QApplication::font()).family(), QString("DejaVu Sans"));
    }

    void init()
    {
        e.emplace();
        m_dossier = e->dossier;
        module().boucle = false;
        module().mode_affichage.clear();
    }

    void cleanup()
    {
        module().parametres.sauver("veille", "0");
        module().lecteur_son.reset();
        e.reset();
    }

    // The count of a folder of a million files, clear of the buttons beside it; every hover text
    // in the status bar, every action label in its bold highlight.
    void navigateur_survol()
    {
        auto f = navigateur(m_dossier);
        enfant<QLabel>(f.get(), "lblTotalFichiers")->setText(texte_total_fichiers(1'000'000));
        AUCUNE_COUPE(f.get());
        auto* barre = enfant<StatusBar>(f.get(), "StatusBar1");
        QStringList survoles{"cmdOptions", "cmdQuitter", "lblHauteur", "lblLargeur", "lblTotalFichiers", "Image1", "Dir1"};
        for (int i = 0; i < 14; ++i)
            survoles << (i < 6 ? QString("cmdAffichage%1").arg(i) : QString("lblOption%1").arg(i - 6));
        const auto survoler = [&](const QString& nom) {
            QTest::mouseMove(enfant<QWidget>(f.get(), nom), QPoint(3, 3));
            QCoreApplication::processEvents();
            return barre->texte(2);
        };
        for (const QString& nom : std::as_const(survoles)) {
            QVERIFY2(!survoler(nom).isEmpty(), qPrintable(nom));
            AUCUNE_COUPE(f.get());
        }
        // The longest hover text is shortened at its end, and the panel's tooltip gives it whole.
        const QString longue = " Afficher les images de la liste en diaporama ou en écran de veille ";
        QCOMPARE(survoler("lblOption3"), longue);
        QVERIFY(barre->Panel(2)->text().endsWith(u'…'));
        QCOMPARE(barre->Panel(2)->toolTip(), longue);
        // A text that fits leaves the panel its own tooltip.
        survoler("cmdOptions");
        QCOMPARE(barre->Panel(2)->text(), QString(" Afficher la fenêtre des options "));
        QCOMPARE(barre->Panel(2)->toolTip(), QString("Messages d'aide"));
        QCOMPARE(barre->Panel(3)->toolTip(), QString("Date actuelle"));
    }

    // The path of a picture deep in the tree keeps its two ends in panel 1, whole in its tooltip;
    // the date panel holds the longest date of the year.
    void navigateur_chemin_long()
    {
        const QString profond = m_dossier + "/Vacances d'été en Bretagne avec toute la famille/Photos retouchées/sélection";
        QVERIFY(QDir().mkpath(profond));
        QVERIFY(QFile::copy(echantillon("hopper.bmp"), profond + "/portrait de famille.bmp"));
        auto f = navigateur(profond);
        auto* vue = enfant<ListView>(f.get(), "ListView1")->vueDetails();
        QTest::mouseClick(vue->viewport(), Qt::LeftButton, {}, vue->visualRect(vue->model()->index(0, 0)).center());
        QTRY_COMPARE_WITH_TIMEOUT(f->image_selectionnee(), profond + "/portrait de famille.bmp", 20000);
        auto* barre = enfant<StatusBar>(f.get(), "StatusBar1");
        QCOMPARE(barre->texte(1), profond + "/portrait de famille.bmp");
        const QString montre = barre->Panel(1)->text();
        QVERIFY2(montre.contains(u'…') && montre.startsWith("/") && montre.endsWith("famille.bmp"), qPrintable(montre));
        QCOMPARE(barre->Panel(1)->toolTip(), barre->texte(1));
        AUCUNE_COUPE(f.get());

        const QFontMetrics fm = barre->Panel(3)->fontMetrics();
        int date_max = 0;
        for (int mois = 1; mois <= 12; ++mois) {
            for (int jour = 22; jour <= 28; ++jour)
                date_max = std::max(date_max, fm.horizontalAdvance(texte_date_longue(QDate(2026, mois, jour), QLocale::system())));
        }
        QVERIFY(barre->Panel(3)->contentsRect().width() >= date_max);
        QVERIFY(barre->Panel(4)->contentsRect().width() >= fm.horizontalAdvance(texte_heure(QTime(23, 58, 58), QLocale::system())));
    }

    // In the icon views a short name shows whole, under its large icon or beside its small one,
    // whatever the other names of the list; a long one takes two lines, and what still does not
    // fit is shortened, the whole name in the tooltip.
    void vues_icones()
    {
        const QStringList courts = {"dessin.wmf", "plan.emf", "chat.gif", "img.ico", "été 2026.jpg"};
        const QStringList longs = {"vacances à la mer.jpg", "anniversaire_de_mamie_2026_numero_12.bmp"};
        for (const QString& n : courts + longs)
            ecrire(m_dossier + '/' + n, QByteArray());
        ecrire(m_dossier + "/x.bmp", QByteArray()); // the shortest name last
        auto f = navigateur(m_dossier);
        auto* liste = enfant<ListView>(f.get(), "ListView1");
        QListView* v = liste->vueIcones();
        for (int bouton : {0, 1, 2}) {
            enfant<QToolButton>(f.get(), QString("cmdAffichage%1").arg(bouton))->click();
            QCoreApplication::processEvents();
            QCOMPARE(liste->vueActive(), static_cast<QAbstractItemView*>(v));
            for (int r = 0; r < v->model()->rowCount(); ++r) {
                const QModelIndex i = v->model()->index(r, 0);
                const QString nom = i.data().toString();
                QStyleOptionViewItem option;
                option.initFrom(v->viewport());
                option.rect = v->visualRect(i);
                option.font = v->font();
                option.fontMetrics = v->fontMetrics();
                option.text = nom;
                option.icon = qvariant_cast<QIcon>(i.data(Qt::DecorationRole));
                option.decorationSize = v->iconSize();
                option.features = QStyleOptionViewItem::HasDisplay | QStyleOptionViewItem::HasDecoration;
                if (v->wordWrap())
                    option.features |= QStyleOptionViewItem::WrapText;
                const bool icones = v->viewMode() == QListView::IconMode;
                option.decorationPosition = icones ? QStyleOptionViewItem::Top : QStyleOptionViewItem::Left;
                option.displayAlignment = icones ? Qt::AlignCenter : Qt::AlignLeft | Qt::AlignVCenter;
                const QRect zone = v->style()->subElementRect(QStyle::SE_ItemViewItemText, &option, v);
                // The text as the view lays it out: inside the style's margins, wrapped at the width
                // of its room when the view wraps.
                const int marge = v->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, v) + 1;
                const int largeur = zone.width() - 2 * marge;
                const int drapeaux = v->wordWrap() ? Qt::TextWordWrap : 0;
                const QRect besoin = v->fontMetrics().boundingRect(QRect(0, 0, largeur, INT_MAX / 4), drapeaux, nom);
                const int ligne = v->fontMetrics().boundingRect(QRect(0, 0, INT_MAX / 4, INT_MAX / 4), 0, "Ag").height();
                const int lignes = qRound(double(besoin.height()) / ligne);
                const bool entier = besoin.width() <= largeur && hauteur_lignes(v->font(), lignes) <= zone.height();
                const QString ou = QString("view %1, \"%2\" in %3x%4").arg(bouton).arg(nom).arg(zone.width()).arg(zone.height());
                if (courts.contains(nom) || nom == "x.bmp")
                    QVERIFY2(entier, qPrintable(ou));
                if (bouton == 0 && nom == longs.first())
                    QVERIFY2(entier, qPrintable(ou + ": two lines hold it"));
                if (!entier)
                    QCOMPARE(i.data(Qt::ToolTipRole).toString(), nom);
            }
        }
    }

    // The slide show as it starts, then with the text that replaces a picture it cannot read.
    void diaporama()
    {
        QVERIFY(QFile::copy(echantillon("iptc.jpg"), m_dossier + "/a.jpg"));
        ecrire(m_dossier + "/b.jpg", "abîmé");
        module().mode_affichage = "diaporama";
        frmApercu diaporama({m_dossier, "*.jpg", 200});
        QVERIFY(diaporama.findChild<QLabel*>("txtInfo")->isVisibleTo(&diaporama));
        AUCUNE_COUPE(&diaporama);
        QTRY_COMPARE_WITH_TIMEOUT(diaporama.windowTitle(), "DIAPORAMA: " + m_dossier + "/b.jpg", 10000);
        QVERIFY(diaporama.findChild<QLabel*>("txtInfo")->isVisible());
        AUCUNE_COUPE(&diaporama);
        diaporama.close();
    }

    // The screen saver while it prepares, with its two information labels and the picture's name.
    void ecran_de_veille()
    {
        const QString profond = m_dossier + "/Vacances d'été en Bretagne";
        QVERIFY(QDir().mkpath(profond));
        QVERIFY(QFile::copy(echantillon("iptc.jpg"), profond + "/la plage au coucher du soleil.jpg"));
        QVERIFY(QFile::copy(echantillon("hopper.bmp"), profond + "/portrait.bmp"));
        for (const auto& [cle, valeur] : {std::pair{"chemin fichier", "1"}, {"informations", "1"}, {"couleur fond", "255"}, {"taille", "0"}})
            module().parametres.sauver(cle, valeur);
        module().mode_affichage = "veille";
        const SourceDiaporama source{profond, "*.jpg;*.bmp", 1500};
        frmVeille veille(&source);
        QStringList preparation, image;
        quand_modal([&](QWidget* w) {
            QVERIFY(w->findChild<QLabel*>("txtInfo")->isVisible());
            preparation = Inspecteur(w).coupes();
            QTRY_VERIFY_WITH_TIMEOUT(!veille.rect_image().isEmpty(), 10000);
            QCoreApplication::processEvents();
            image = Inspecteur(w).coupes();
            for (int i = 0; i < 6; ++i)
                QTest::keyClick(w, Qt::Key_Escape);
        });
        veille.executer();
        QVERIFY2(preparation.isEmpty(), qPrintable(preparation.join('\n')));
        QVERIFY2(image.isEmpty(), qPrintable(image.join('\n')));
    }

    // The search window before, during and after a search.
    void recherche()
    {
        for (int i = 0; i < 30; ++i) {
            const QString dossier = m_dossier + QString("/dossier numéro %1").arg(i);
            QDir().mkpath(dossier);
            ecrire(dossier + "/image.jpg", "x");
        }
        const QString ici = QDir::currentPath();
        QDir::setCurrent(m_dossier);
        WinSeek f;
        QDir::setCurrent(ici);
        AUCUNE_COUPE(&f);
        f.fixer_lots(1, 1);
        QStringList pendant;
        bool vu = false;
        QSignalSpy fin(&f, &WinSeek::rechercheTerminee);
        // Once the first lines are shown, while the walk still runs.
        connect(f.findChild<QAbstractItemView*>("lstFoundFiles")->model(), &QAbstractItemModel::rowsInserted, &f, [&] {
            if (!vu && f.en_recherche()) {
                vu = true;
                pendant = Inspecteur(&f).coupes();
            }
        });
        QVERIFY(f.rechercher_dans(m_dossier, "*.jpg"));
        QTRY_COMPARE_WITH_TIMEOUT(fin.size(), 1, 30000);
        QVERIFY(vu);
        QVERIFY2(pendant.isEmpty(), qPrintable(pendant.join('\n')));
        QCOMPARE(f.lignes_trouvees().size(), 30);
        AUCUNE_COUPE(&f);
    }

    // The windows whose texts do not change: the launcher, the options, the about box, the splash.
    void fenetres_fixes()
    {
        FileListBox fichiers;
        fichiers.setPath(m_dossier);
        AUCUNE_COUPE(std::make_unique<frmDiaporama>(fichiers).get());
        ecrire(m_dossier + "/a.gif", "GIF89a");
        module().parametres.sauver("dossier demarrage", m_dossier);
        AUCUNE_COUPE(std::make_unique<frmOptions>().get());
        AUCUNE_COUPE(std::make_unique<frmAbout>().get());
        InstanceUnique instance(e->bac.chemin("run/test.lock"));
        frmIntro intro(instance);
        QVERIFY(intro.Form_Load());
        AUCUNE_COUPE(&intro);
        intro.close();
    }
};

QTEST_MAIN(TestTextesEntiers)
#include "tst_textes_entiers.moc"
