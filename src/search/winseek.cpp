#include "search/winseek.h"

#include "forms/fenetres.h"
#include "forms/joker.h"
#include "forms/listedossiers.h"
#include "forms/listefichiers.h"
#include "forms/listelecteurs.h"
#include "forms/textes.h"
#include "show/frmapercu.h"
#include "startup/module.h"

#include <QAbstractListModel>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFocusEvent>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMetaObject>
#include <QMutex>
#include <QMutexLocker>
#include <QPointer>
#include <QPushButton>
#include <QSemaphore>
#include <QSignalBlocker>
#include <QStringListModel>
#include <QThreadPool>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <new>
#include <utility>

namespace {

// Design of the window, in twips: the two panels share the top area, the buttons stand below.
constexpr int largeur_client = 7200;
constexpr int hauteur_client = 5640;
constexpr int hauteur_panneau = 4920;
constexpr int haut_boutons = 5100;
constexpr int largeur_bouton = 1800;
constexpr int hauteur_bouton = 375;
constexpr int ecart_boutons = 240;

const QString titre_programme = QStringLiteral("Imagora");
const QString texte_rechercher = QStringLiteral("&Rechercher");
const QString texte_reinitialiser = QStringLiteral("&Réinitialiser");
const QString texte_quitter = QStringLiteral("&Quitter");
const QString texte_annuler = QStringLiteral("Annuler");
const QString page_aide = QStringLiteral("recherche.htm");

// How long a walk waiting for the list to show its lines goes between two looks at its cancel flag.
constexpr int attente_places_ms = 20;

// The threads the walks run on, apart from the program's other background work: a walk held up
// by a slow drive never keeps a picture from loading.
QThreadPool* threads_recherche()
{
    static QPointer<QThreadPool> threads;
    if (!threads) {
        threads = new QThreadPool(QCoreApplication::instance());
        threads->setMaxThreadCount(4);
    }
    return threads;
}

QRect zone(int gauche, int haut, int largeur, int hauteur)
{
    return {px(gauche), px(haut), px(largeur), px(hauteur)};
}

QLabel* etiquette(const QString& texte, QWidget* parent, const QRect& ou, const QString& nom)
{
    auto* l = new QLabel(texte, parent);
    l->setGeometry(ou);
    l->setObjectName(nom);
    return l;
}

QPushButton* bouton(const QString& texte, QWidget* parent, const QRect& ou, const QString& nom)
{
    auto* b = new QPushButton(texte, parent);
    b->setGeometry(ou);
    b->setObjectName(nom);
    return b;
}

} // namespace

bool ligne_image(const QString& ligne)
{
    static const QStringList fins = {QStringLiteral(".bmp"), QStringLiteral(".dib"), QStringLiteral(".gif"),
                                     QStringLiteral(".jpg"), QStringLiteral("jpeg"), QStringLiteral(".emf"),
                                     QStringLiteral(".wmf"), QStringLiteral(".cur"), QStringLiteral(".ico")};
    // The types read since: their whole extension, after its dot.
    static const QStringList extensions = {QStringLiteral(".png"),  QStringLiteral(".tif"),  QStringLiteral(".tiff"),
                                           QStringLiteral(".webp"), QStringLiteral(".heic"), QStringLiteral(".heif"),
                                           QStringLiteral(".avif"), QStringLiteral(".jxl"),  QStringLiteral(".svg"),
                                           QStringLiteral(".svgz")};
    if (fins.contains(ligne.right(4).toLower()))
        return true;
    return std::any_of(extensions.begin(), extensions.end(),
                       [&](const QString& e) { return ligne.endsWith(e, Qt::CaseInsensitive); });
}

// The result lines: one full path each, appended in batches so that a view of a million lines
// stays quick.
class WinSeek::ModeleResultats final : public QAbstractListModel {
public:
    using QAbstractListModel::QAbstractListModel;

    int rowCount(const QModelIndex& parent = {}) const override
    {
        return parent.isValid() ? 0 : static_cast<int>(m_lignes.size());
    }

    QVariant data(const QModelIndex& index, int role) const override
    {
        if (role != Qt::DisplayRole || !index.isValid() || index.row() >= m_lignes.size())
            return {};
        return m_lignes.at(index.row());
    }

    void ajouter(QStringList&& lignes)
    {
        if (lignes.isEmpty())
            return;
        const int debut = rowCount();
        beginInsertRows({}, debut, debut + static_cast<int>(lignes.size()) - 1);
        m_lignes.append(std::move(lignes));
        endInsertRows();
    }

    void vider()
    {
        beginResetModel();
        m_lignes.clear();
        m_lignes.squeeze();
        endResetModel();
    }

    const QStringList& lignes() const { return m_lignes; }

private:
    QStringList m_lignes;
};

// The way from the walks back to the window: a batch or an end is posted to the window's thread
// only while the window exists, and the window lets go of it when it is destroyed.
struct WinSeek::Lien {
    QMutex verrou;
    WinSeek* fenetre;

    explicit Lien(WinSeek* f) : fenetre(f) {}

    // Runs `travail(window)` on the window's thread, unless the window is gone. A window that
    // goes after the post drops the work with its pending events.
    template <class Travail>
    void poster(Travail travail)
    {
        const QMutexLocker garde(&verrou);
        if (fenetre)
            QMetaObject::invokeMethod(
                fenetre, [f = fenetre, travail = std::move(travail)]() mutable { travail(f); }, Qt::QueuedConnection);
    }

    void oublier()
    {
        const QMutexLocker garde(&verrou);
        fenetre = nullptr;
    }
};

// One search, shared by the window and its walk: the cancel flag, and the batches the walk may
// still send before the list has shown the earlier ones.
struct WinSeek::Canal {
    std::atomic<bool> annule{false};
    QSemaphore places;
    std::shared_ptr<Lien> lien;

    Canal(int d_avance, std::shared_ptr<Lien> l) : places(d_avance), lien(std::move(l)) {}
};

WinSeek::WinSeek(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                          | Qt::WindowCloseButtonHint)
{
    m_lien = std::make_shared<Lien>(this);
    construire();
    Form_Load();
}

WinSeek::~WinSeek()
{
    // A walk still running stops at its next look at the flag; nothing of it reaches this window.
    if (m_canal)
        m_canal->annule = true;
    m_lien->oublier();
}

void WinSeek::construire()
{
    setObjectName(QStringLiteral("WinSeek"));
    setWindowTitle(QStringLiteral("Recherche de fichiers"));
    setFixedSize(px(largeur_client), px(hauteur_client));

    // Criteria panel.
    Picture1 = new QFrame(this);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Label1[1] = etiquette(QStringLiteral("Lecteur(s):"), Picture1, zone(120, 120, 3300, 240), QStringLiteral("Label1_1"));
    drvList = new DriveListBox(Picture1);
    drvList->setObjectName(QStringLiteral("drvList"));
    drvList->setGeometry(zone(120, 360, 3300, 330));
    Label1[0] = etiquette(QStringLiteral("Répertoire(s)"), Picture1, zone(120, 810, 3300, 240), QStringLiteral("Label1_0"));
    dirList = new DirListBox(Picture1);
    dirList->setObjectName(QStringLiteral("dirList"));
    dirList->setGeometry(zone(120, 1050, 3300, 2940));
    Label1[2] = etiquette(QStringLiteral("Fichier(s):"), Picture1, zone(3660, 120, 3420, 240), QStringLiteral("Label1_2"));
    filList = new FileListBox(this);
    filList->setObjectName(QStringLiteral("filList"));
    vueFichiers = new QListView(Picture1);
    vueFichiers->setObjectName(QStringLiteral("vueFichiers"));
    vueFichiers->setGeometry(zone(3660, 360, 3420, 3630));
    vueFichiers->setUniformItemSizes(true);
    vueFichiers->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_noms_fichiers = new QStringListModel(this);
    vueFichiers->setModel(m_noms_fichiers);
    lblCriteria = etiquette(QStringLiteral("&Critère de recherche......................"), Picture1,
                            zone(120, 4245, 3420, 240), QStringLiteral("lblCriteria"));
    txtSearchSpec = new QLineEdit(QStringLiteral("*.*"), Picture1);
    txtSearchSpec->setObjectName(QStringLiteral("txtSearchSpec"));
    txtSearchSpec->setGeometry(zone(3660, 4200, 3420, 330));
    lblCriteria->setBuddy(txtSearchSpec);

    // Results panel.
    Picture2 = new QFrame(this);
    Picture2->setObjectName(QStringLiteral("Picture2"));
    lblfound = etiquette(QStringLiteral("&Fichiers trouvés:"), Picture2, zone(120, 120, 1680, 240), QStringLiteral("lblfound"));
    lblCount = etiquette(QStringLiteral("0"), Picture2, zone(1800, 120, 2400, 240), QStringLiteral("lblCount"));
    lstFoundFiles = new QListView(Picture2);
    lstFoundFiles->setObjectName(QStringLiteral("lstFoundFiles"));
    lstFoundFiles->setGeometry(zone(120, 360, 6960, 3630));
    lstFoundFiles->setToolTip(QStringLiteral("Liste des fichiers trouvés"));
    lstFoundFiles->setUniformItemSizes(true);
    lstFoundFiles->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lstFoundFiles->setSelectionMode(QAbstractItemView::SingleSelection);
    m_resultats = new ModeleResultats(this);
    lstFoundFiles->setModel(m_resultats);
    lblfound->setBuddy(lstFoundFiles);
    cmdApercu = bouton(QStringLiteral("Aperçu de l' &Image"), Picture2, zone(120, 4170, 2400, hauteur_bouton),
                       QStringLiteral("cmdApercu"));
    cmdApercu->setToolTip(QStringLiteral("Avoir un aperçu de l'image"));
    cmdApercu->setEnabled(false);
    lblRecherche = etiquette(QStringLiteral("Recherche en cours..."), Picture2, zone(2760, 4245, 4320, 240),
                             QStringLiteral("lblRecherche"));
    lblRecherche->hide();
    Picture2->hide();

    // The buttons, in one row below the panels.
    const int gauche = (largeur_client - 3 * largeur_bouton - 2 * ecart_boutons) / 2;
    const auto rang = [&](int i) { return zone(gauche + i * (largeur_bouton + ecart_boutons), haut_boutons, largeur_bouton, hauteur_bouton); };
    cmdSearch = bouton(texte_rechercher, this, rang(0), QStringLiteral("cmdSearch"));
    cmdSearch->setDefault(true);
    cmdExit = bouton(texte_quitter, this, rang(1), QStringLiteral("cmdExit"));
    cmdAide = bouton(QStringLiteral("&Aide"), this, rang(2), QStringLiteral("cmdAide"));

    installer_touches_aide(this, page_aide);
    dirList->installEventFilter(this);
    txtSearchSpec->installEventFilter(this);

    connect(drvList, &DriveListBox::Change, this, &WinSeek::drvList_Change);
    connect(dirList, &DirListBox::Change, this, &WinSeek::dirList_Change);
    connect(dirList, &DirListBox::DossierIllisible, this, [this](const QString& nom) {
        module().interaction->message(this, {message_dossier_illisible(nom), QStringLiteral("Information"), Boutons::Ok,
                                             Icone::Information});
    });
    connect(filList, &FileListBox::PathChange, this, &WinSeek::filList_Change);
    connect(filList, &FileListBox::PatternChange, this, &WinSeek::filList_Change);
    connect(txtSearchSpec, &QLineEdit::textChanged, this, &WinSeek::txtSearchSpec_Change);
    connect(cmdSearch, &QPushButton::clicked, this, &WinSeek::cmdSearch_Click);
    connect(cmdExit, &QPushButton::clicked, this, &WinSeek::cmdExit_Click);
    connect(cmdAide, &QPushButton::clicked, this, &WinSeek::cmdAide_Click);
    connect(cmdApercu, &QPushButton::clicked, this, &WinSeek::cmdApercu_Click);
    connect(lstFoundFiles->selectionModel(), &QItemSelectionModel::currentChanged, this, &WinSeek::lstFoundFiles_Click);
    connect(lstFoundFiles, &QAbstractItemView::doubleClicked, this, &WinSeek::lstFoundFiles_DblClick);
}

void WinSeek::Form_Load()
{
    centrer(this);

    // Both panels cover the top of the window, on the window's own background.
    for (QFrame* panneau : {Picture2, Picture1}) {
        panneau->setGeometry(0, 0, width(), px(hauteur_panneau));
        panneau->setFrameStyle(QFrame::NoFrame);
        panneau->setBackgroundRole(QPalette::Window);
        panneau->setAutoFillBackground(true);
    }

    // The folder list starts on the process's current folder.
    const QSignalBlocker s1(drvList), s2(dirList), s3(filList);
    if (!dirList->setPath(QDir::currentPath()))
        dirList->setPath(QDir::homePath());
    drvList->setDrive(dirList->Path());
    filList->setPath(dirList->Path());
    filList->setPattern(txtSearchSpec->text());
    filList_Change();
}

// ---- criteria ---------------------------------------------------------------------------------

void WinSeek::drvList_Change()
{
    ouvrir_lecteur(*drvList, *dirList, *module().interaction, this);
}

void WinSeek::dirList_Change()
{
    filList->setPath(dirList->Path());
}

void WinSeek::dirList_LostFocus()
{
    const QString surligne = dirList->List(dirList->ListIndex());
    if (!surligne.isEmpty() && surligne != dirList->Path())
        ouvrir_dossier(surligne);
}

// Makes `dossier` the current folder; a folder that cannot be opened is said so, and the
// highlight goes back to the current folder.
bool WinSeek::ouvrir_dossier(const QString& dossier)
{
    if (dirList->setPath(dossier))
        return true;
    dirList->Refresh();
    int erreur = erreur_ouverture_dossier(dossier);
    if (erreur == 0)
        erreur = EACCES; // it could be listed, not opened as the current folder
    const QString raison = erreur == ENOENT ? QStringLiteral("Le dossier %1 n'existe plus.").arg(dossier)
                                            : QStringLiteral("Le dossier %1 n'est pas accessible : %2.")
                                                  .arg(dossier, raison_erreur_systeme(erreur));
    module().interaction->message(this, {raison, QStringLiteral("IMAGORA"), Boutons::Ok, Icone::Critique});
    return false;
}

void WinSeek::txtSearchSpec_Change()
{
    filList->setPattern(txtSearchSpec->text());
}

void WinSeek::txtSearchSpec_GotFocus()
{
    txtSearchSpec->setSelection(0, static_cast<int>(txtSearchSpec->text().size()));
}

void WinSeek::filList_Change()
{
    QStringList noms;
    noms.reserve(filList->ListCount());
    for (const EntreeFichier& e : filList->entrees())
        noms.append(e.nom);
    m_noms_fichiers->setStringList(noms);
}

bool WinSeek::eventFilter(QObject* objet, QEvent* evenement)
{
    if (objet == dirList) {
        if (evenement->type() == QEvent::FocusOut) {
            // Leaving the list, not the window: the highlighted folder becomes the current one.
            const Qt::FocusReason raison = static_cast<QFocusEvent*>(evenement)->reason();
            if (raison != Qt::ActiveWindowFocusReason && raison != Qt::PopupFocusReason)
                dirList_LostFocus();
        } else if (evenement->type() == QEvent::KeyPress) {
            // Enter in the folder list presses the default button, which first opens a folder
            // that is only highlighted.
            const int touche = static_cast<QKeyEvent*>(evenement)->key();
            if (touche == Qt::Key_Return || touche == Qt::Key_Enter) {
                cmdSearch->click();
                return true;
            }
        }
    } else if (objet == txtSearchSpec && evenement->type() == QEvent::FocusIn) {
        const bool retour = QDialog::eventFilter(objet, evenement);
        txtSearchSpec_GotFocus();
        return retour;
    }
    return QDialog::eventFilter(objet, evenement);
}

// ---- buttons and keys -------------------------------------------------------------------------

void WinSeek::cmdSearch_Click()
{
    if (m_en_recherche)
        return; // a second search never starts inside the first
    if (cmdSearch->text() == texte_reinitialiser) {
        reinitialiser();
        txtSearchSpec->setFocus();
        return;
    }
    // A folder that is only highlighted is opened first; the next press searches it.
    const QString surligne = dirList->List(dirList->ListIndex());
    if (!surligne.isEmpty() && surligne != dirList->Path()) {
        ouvrir_dossier(surligne);
        return;
    }

    lblRecherche->setText(QStringLiteral("Recherche en cours..."));
    lblRecherche->show();
    Picture2->move(0, 0);
    Picture1->hide();
    Picture2->show();
    cmdExit->setText(texte_annuler);
    cmdApercu->setEnabled(false);
    filList->setPattern(txtSearchSpec->text());
    demarrer(dirList->Path());
}

void WinSeek::cmdExit_Click()
{
    if (cmdExit->text() == texte_quitter)
        close();
    else if (m_canal)
        m_canal->annule = true; // the walk stops soon; the lines found so far still come
}

void WinSeek::cmdAide_Click()
{
    ouvrir_aide(this, page_aide, Qt::Key_F1);
}

void WinSeek::keyPressEvent(QKeyEvent* event)
{
    // Escape presses the cancel button: "Annuler" during a search, "&Quitter" otherwise.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        cmdExit->click();
        return;
    }
    QDialog::keyPressEvent(event);
}

void WinSeek::closeEvent(QCloseEvent* event)
{
    arreter_recherche(); // closing the window ends a search
    QDialog::closeEvent(event);
}

void WinSeek::done(int resultat)
{
    arreter_recherche();
    QDialog::done(resultat);
}

void WinSeek::reinitialiser()
{
    m_resultats->vider();
    m_inexactes.clear();
    lblCount->setText(QStringLiteral("0"));
    arreter_recherche();

    Picture2->hide();
    cmdSearch->setText(texte_rechercher);
    cmdExit->setText(texte_quitter);
    Picture1->show();
    cmdApercu->setEnabled(false);

    dirList->setPath(QDir::currentPath());
    const QSignalBlocker silence(drvList); // the folder list stays on the current folder
    drvList->setDrive(dirList->Path());
}

// ---- results ----------------------------------------------------------------------------------

bool WinSeek::rechercher_dans(const QString& dossier, const QString& motif)
{
    if (m_en_recherche)
        return false;
    if (cmdSearch->text() == texte_reinitialiser)
        cmdSearch->click();
    if (!dirList->setPath(dossier))
        return false;
    txtSearchSpec->setText(motif);
    cmdSearch->click();
    return m_en_recherche;
}

QStringList WinSeek::lignes_trouvees() const
{
    return m_resultats->lignes();
}

QString WinSeek::ligne_selectionnee() const
{
    const QModelIndex index = lstFoundFiles->currentIndex();
    return index.isValid() ? index.data().toString() : QString();
}

void WinSeek::lstFoundFiles_Click()
{
    if (m_en_recherche)
        return;
    cmdApercu->setEnabled(ligne_image(ligne_selectionnee()) && !m_inexactes.contains(ligne_selectionnee()));
}

void WinSeek::lstFoundFiles_DblClick()
{
    if (m_en_recherche)
        return;
    if (ligne_image(ligne_selectionnee()) && !m_inexactes.contains(ligne_selectionnee()))
        cmdApercu_Click();
    else
        cmdApercu->setEnabled(false);
}

void WinSeek::cmdApercu_Click()
{
    const QString ligne = ligne_selectionnee();
    if (ligne.isEmpty() || m_en_recherche || m_inexactes.contains(ligne))
        return;
    module().mode_affichage = QStringLiteral("aperçu");
    frmApercu::voir_taille_reelle(this, ligne);
}

// ---- the search -------------------------------------------------------------------------------

// Starts the walk of `depart` on a worker thread. Its batches come back through recevoir, its
// end through terminer, both on this window's thread and in the order the walk sent them.
void WinSeek::demarrer(const QString& depart)
{
    m_en_recherche = true;
    m_depart = depart;
    m_lots = 0;
    m_liste_pleine = false;
    const quint64 generation = ++m_generation;
    m_canal = std::make_shared<Canal>(m_lots_d_avance, m_lien);

    CriteresParcours criteres;
    criteres.depart = depart;
    criteres.motifs = motifs_de(txtSearchSpec->text());
    criteres.capacite = std::max<qsizetype>(0, m_capacite - m_resultats->rowCount());
    criteres.taille_lot = m_taille_lot;

    threads_recherche()->start([canal = m_canal, generation, criteres = std::move(criteres)] {
        const auto livrer = [&](LotResultats&& lot) {
            // The walk keeps a few batches ahead of the list at most; a cancelled one no longer waits.
            while (!canal->annule.load(std::memory_order_relaxed) && !canal->places.tryAcquire(1, attente_places_ms)) {
            }
            canal->lien->poster([canal, generation, lot = std::move(lot)](WinSeek* f) mutable {
                f->recevoir(generation, lot);
                canal->places.release();
            });
        };
        const BilanParcours bilan = parcourir(criteres, canal->annule, livrer);
        canal->lien->poster([generation, bilan](WinSeek* f) { f->terminer(generation, bilan); });
    });
}

// A batch of lines from the walk: shown with their count, " 1", " 2"..., unless it comes from
// another search than the one running.
void WinSeek::recevoir(quint64 generation, LotResultats& lot)
{
    if (generation != m_generation || !m_en_recherche || m_liste_pleine)
        return;
    try {
        for (QString& ligne : lot.inexactes)
            m_inexactes.insert(std::move(ligne));
        m_resultats->ajouter(std::move(lot.lignes));
    } catch (const std::bad_alloc&) {
        // The list cannot take these lines: the search stops as with a full list.
        m_liste_pleine = true;
        m_canal->annule = true;
    }
    ++m_lots;
    lblCount->setText(texte_nombre(m_resultats->rowCount()));
}

// The walk's end, after its last batch: what went wrong is said, and the window shows the results.
void WinSeek::terminer(quint64 generation, const BilanParcours& bilan)
{
    if (generation != m_generation || !m_en_recherche)
        return;
    m_canal.reset();

    QString probleme;
    switch (m_liste_pleine ? FinParcours::ListePleine : bilan.fin) {
    case FinParcours::Terminee:
    case FinParcours::Annulee: break;
    case FinParcours::ListePleine: probleme = QStringLiteral(" La zone de liste est pleine. Recherche abandonnée..."); break;
    case FinParcours::DepartIllisible:
        probleme = bilan.erreur_depart == ENOENT
                       ? QStringLiteral("Le dossier %1 n'existe plus.").arg(m_depart)
                       : QStringLiteral("Le dossier %1 ne peut pas être lu : %2.")
                             .arg(m_depart, raison_erreur_systeme(bilan.erreur_depart));
        break;
    case FinParcours::Erreur: probleme = bilan.erreur; break;
    }
    if (!probleme.isEmpty())
        module().interaction->message(this, {probleme, titre_programme, Boutons::Ok, Icone::Aucune});

    m_en_recherche = false;
    const bool complete = bilan.fin == FinParcours::Terminee && !m_liste_pleine;
    afficher_fin(complete);

    if (bilan.dossiers_illisibles > 0) {
        module().interaction->message(
            this, {texte_nombre(bilan.dossiers_illisibles)
                       + QStringLiteral(" dossier(s) n'ont pas pu être lus et n'ont pas été parcourus, dont:\n")
                       + bilan.premier_illisible + QStringLiteral("\n(")
                       + raison_erreur_systeme(bilan.erreur_premier_illisible) + u')',
                   titre_programme, Boutons::Ok, Icone::Exclamation});
    }
    Q_EMIT rechercheTerminee(complete);
}

// The results state, once a search has ended.
void WinSeek::afficher_fin(bool complete)
{
    filList->setPath(dirList->Path());
    cmdSearch->setText(texte_reinitialiser);
    lblRecherche->setText(complete ? QStringLiteral("Recherche terminée.") : QStringLiteral("Recherche annulée"));
    cmdSearch->setFocus();
    cmdExit->setText(texte_quitter);
}

// Ends a running search at once, when the window closes: nothing more of it lands in the list.
void WinSeek::arreter_recherche()
{
    if (!m_en_recherche)
        return;
    m_canal->annule = true;
    m_canal.reset();
    ++m_generation;
    m_en_recherche = false;
    afficher_fin(false);
    Q_EMIT rechercheTerminee(false);
}
