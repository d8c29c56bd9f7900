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
#include <QFile>
#include <QFileInfo>
#include <QFocusEvent>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStringListModel>

#include <algorithm>
#include <cerrno>
#include <exception>
#include <memory>
#include <new>
#include <utility>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

namespace {

// Design of the window, in twips: the two panels share the top area, the buttons stand below.
constexpr int largeur_client = 7200;
constexpr int hauteur_client = 5640;
constexpr int hauteur_panneau = 4920;
constexpr int haut_boutons = 5100;
constexpr int largeur_bouton = 1800;
constexpr int hauteur_bouton = 375;
constexpr int ecart_boutons = 240;

// Entries read, sorted or listed between two looks at the clock.
constexpr int pas_controle = 64;
// Names sorted in one piece; longer lists are sorted in runs of this length, then merged.
constexpr qsizetype longueur_run = 512;

const QString titre_programme = QStringLiteral("Imagora");
const QString texte_rechercher = QStringLiteral("&Rechercher");
const QString texte_reinitialiser = QStringLiteral("&Réinitialiser");
const QString texte_quitter = QStringLiteral("&Quitter");
const QString texte_annuler = QStringLiteral("Annuler");
const QString page_aide = QStringLiteral("recherche.htm");

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

// A name with its sort key: a text whose plain order (code unit by code unit) is the file lists'
// order of names, comparer_noms: letters compared case folded with their accents set aside, runs
// of digits compared by value, then by their count of leading zeros. The name itself settles
// what the key leaves equal, as comparer_noms does.
struct NomTrie {
    QString cle;
    QString nom;
};

bool avant(const NomTrie& a, const NomTrie& b)
{
    const int c = QStringView(a.cle).compare(QStringView(b.cle));
    return c != 0 ? c < 0 : QStringView(a.nom).compare(QStringView(b.nom)) < 0;
}

bool nom_special(const char* nom)
{
    return nom[0] == '.' && (nom[1] == '\0' || (nom[1] == '.' && nom[2] == '\0'));
}

} // namespace

QString prefixe_dossier(const QString& dossier)
{
    return dossier.endsWith(u'/') ? dossier : dossier + u'/';
}

bool ligne_image(const QString& ligne)
{
    static const QStringList fins = {QStringLiteral(".bmp"), QStringLiteral(".dib"), QStringLiteral(".gif"),
                                     QStringLiteral(".jpg"), QStringLiteral("jpeg"), QStringLiteral(".emf"),
                                     QStringLiteral(".wmf"), QStringLiteral(".cur"), QStringLiteral(".ico")};
    return fins.contains(ligne.right(4).toLower());
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

    void ajouter(const QStringList& lignes)
    {
        if (lignes.isEmpty())
            return;
        const int debut = rowCount();
        beginInsertRows({}, debut, debut + static_cast<int>(lignes.size()) - 1);
        m_lignes.append(lignes);
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

// What one folder holds: its visible subfolders and its matching files, each by name.
struct WinSeek::Dossier {
    QStringList sous_dossiers;
    QStringList fichiers;
    bool lisible = true;
};

WinSeek::WinSeek(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                          | Qt::WindowCloseButtonHint)
{
    construire();
    Form_Load();
}

WinSeek::~WinSeek() = default;

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
    const QString raison = QFileInfo::exists(dossier)
                               ? QStringLiteral("Le dossier %1 n'est pas accessible : accès refusé.").arg(dossier)
                               : QStringLiteral("Le dossier %1 n'existe plus.").arg(dossier);
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

    m_en_recherche = true;
    const bool abandon = rechercher(dirList->Path());
    m_en_recherche = false;

    filList->setPath(dirList->Path());
    cmdSearch->setText(texte_reinitialiser);
    lblRecherche->setText(abandon ? QStringLiteral("Recherche annulée") : QStringLiteral("Recherche terminée."));
    cmdSearch->setFocus();
    cmdExit->setText(texte_quitter);

    if (m_dossiers_illisibles > 0) {
        module().interaction->message(
            this, {texte_nombre(m_dossiers_illisibles)
                       + QStringLiteral(" dossier(s) n'ont pas pu être lus (accès refusé ou dossier disparu) et n'ont "
                                        "pas été parcourus, dont:\n")
                       + m_premier_illisible,
                   titre_programme, Boutons::Ok, Icone::Exclamation});
    }
}

void WinSeek::cmdExit_Click()
{
    if (cmdExit->text() == texte_quitter)
        close();
    else
        recherche_active = false; // the walk stops at its next look at the events
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
    recherche_active = false; // closing the window ends a search
    QDialog::closeEvent(event);
}

void WinSeek::done(int resultat)
{
    recherche_active = false;
    QDialog::done(resultat);
}

void WinSeek::reinitialiser()
{
    m_resultats->vider();
    m_inexactes.clear();
    lblCount->setText(QStringLiteral("0"));
    recherche_active = false;

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
    return lblRecherche->text() == QStringLiteral("Recherche terminée.");
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

// ---- the walk ---------------------------------------------------------------------------------

// Runs the whole search from `depart`; true when it was abandoned (cancelled, list full, an
// error). Any error stops the search with its message; the window goes on.
bool WinSeek::rechercher(const QString& depart)
{
    m_motifs = motifs_de(txtSearchSpec->text());
    m_en_attente.clear();
    m_cessions = 0;
    m_dossiers_illisibles = 0;
    m_premier_illisible.clear();
    m_depuis_cession.invalidate(); // the first folder starts with a pass of the event loop
    recherche_active = true;

    QString erreur;
    bool abandon = true;
    try {
        abandon = parcourir_dossier(depart, 0);
    } catch (const std::bad_alloc&) {
        erreur = QStringLiteral(" La zone de liste est pleine. Recherche abandonnée...");
    } catch (const std::exception& e) {
        erreur = QStringLiteral("Erreur pendant la recherche: ") + QString::fromLocal8Bit(e.what());
    } catch (...) {
        erreur = QStringLiteral("Erreur inattendue pendant la recherche.");
    }
    publier();
    recherche_active = false;
    if (!erreur.isEmpty())
        module().interaction->message(this, {erreur, titre_programme, Boutons::Ok, Icone::Aucune});
    return abandon;
}

// One folder: first every subfolder, from the last of the folder list to the first, each with
// everything below it, then the folder's own files in the file list's order. True when the
// search is to be abandoned.
bool WinSeek::parcourir_dossier(const QString& dossier, int profondeur)
{
    if (ceder_si_besoin())
        return true;

    Dossier contenu;
    if (lire(dossier, contenu))
        return true;
    if (!contenu.lisible) {
        if (profondeur == 0) {
            const QString raison = QFileInfo::exists(dossier)
                                       ? QStringLiteral("Le dossier %1 ne peut pas être lu : accès refusé.").arg(dossier)
                                       : QStringLiteral("Le dossier %1 n'existe plus.").arg(dossier);
            module().interaction->message(this, {raison, titre_programme, Boutons::Ok, Icone::Aucune});
            return true;
        }
        if (m_dossiers_illisibles++ == 0)
            m_premier_illisible = dossier;
        return false;
    }

    const QString prefixe = prefixe_dossier(dossier);
    for (qsizetype n = contenu.sous_dossiers.size(); n > 0; --n) {
        if (parcourir_dossier(prefixe + contenu.sous_dossiers.at(n - 1), profondeur + 1))
            return true;
    }
    return ajouter(prefixe, contenu.fichiers);
}

// Reads the names of one folder straight from the system: the subfolders the folder list shows
// (hidden ones left out; links to folders are not followed, so no loop can form) and the files
// the file list shows (hidden ones included) that match the patterns, each in name order.
// True when the search is to be abandoned meanwhile.
bool WinSeek::lire(const QString& dossier, Dossier& contenu)
{
    const std::unique_ptr<DIR, int (*)(DIR*)> flux(opendir(QFile::encodeName(dossier).constData()), &closedir);
    if (!flux) {
        contenu.lisible = false;
        return false;
    }
    const int fd = dirfd(flux.get());
    for (int compte = 1;; ++compte) {
        if (compte % pas_controle == 0 && ceder_si_besoin())
            return true;
        errno = 0;
        const dirent* e = readdir(flux.get());
        if (!e) {
            contenu.lisible = errno == 0;
            break;
        }
        if (nom_special(e->d_name))
            continue;
        unsigned char type = e->d_type;
        if (type == DT_UNKNOWN) {
            struct stat st {};
            if (fstatat(fd, e->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0)
                continue; // gone since it was listed
            type = S_ISDIR(st.st_mode) ? DT_DIR : S_ISLNK(st.st_mode) ? DT_LNK : DT_REG;
        }
        QString nom = QFile::decodeName(e->d_name);
        // A name that is not text decodes to a look-alike, which names another entry or none.
        const bool exact = QFile::encodeName(nom) == QByteArray(e->d_name);
        if (type == DT_DIR) {
            if (e->d_name[0] != '.' && exact)
                contenu.sous_dossiers.append(std::move(nom));
            continue;
        }
        if (!correspond_liste(nom, m_motifs))
            continue;
        if (type == DT_LNK) {
            // A link to a file is listed like the file; a link to a folder or to nothing is not.
            struct stat st {};
            if (fstatat(fd, e->d_name, &st, 0) != 0 || S_ISDIR(st.st_mode))
                continue;
        }
        if (!exact)
            m_inexactes.insert(prefixe_dossier(dossier) + nom);
        contenu.fichiers.append(std::move(nom));
    }
    if (!contenu.lisible)
        return false;
    return trier(contenu.sous_dossiers) || trier(contenu.fichiers);
}

// Puts names in file-name order. A long list is sorted in short runs, then merged pass by pass,
// with a look at the events between two pieces of work. True when the search is to be abandoned.
bool WinSeek::trier(QStringList& noms)
{
    const qsizetype n = noms.size();
    std::vector<NomTrie> tries;
    tries.reserve(n);
    for (qsizetype i = 0; i < n; ++i) {
        tries.push_back({cle_de_tri(noms.at(i)), std::move(noms[i])});
        if ((i + 1) % pas_controle == 0 && ceder_si_besoin())
            return true;
    }
    for (qsizetype i = 0; i < n; i += longueur_run) {
        std::sort(tries.begin() + i, tries.begin() + std::min(n, i + longueur_run), avant);
        if (ceder_si_besoin())
            return true;
    }
    if (n > longueur_run) {
        std::vector<NomTrie> fusion(n);
        for (qsizetype largeur = longueur_run; largeur < n; largeur *= 2) {
            for (qsizetype i = 0; i < n; i += 2 * largeur) {
                qsizetype a = i, b = std::min(n, i + largeur), sortie = i;
                const qsizetype fin_a = b, fin_b = std::min(n, i + 2 * largeur);
                while (a < fin_a || b < fin_b) {
                    const bool de_b = a == fin_a || (b < fin_b && avant(tries[b], tries[a]));
                    fusion[sortie++] = std::move(tries[de_b ? b++ : a++]);
                    if (sortie % pas_controle == 0 && ceder_si_besoin())
                        return true;
                }
            }
            tries.swap(fusion);
        }
    }
    // Keys are let go of a few at a time: freeing a hundred thousand at once is a pause of its own.
    for (qsizetype i = 0; i < n; ++i) {
        noms[i] = std::move(tries[i].nom);
        tries[i].cle = QString();
        if ((i + 1) % pas_controle == 0 && ceder_si_besoin())
            return true;
    }
    return false;
}

// Adds the files of one folder to the result list. The list holds m_capacite lines at most:
// one more stops the search with the list-full message, and the lines found so far stay.
bool WinSeek::ajouter(const QString& prefixe, QStringList& noms)
{
    for (qsizetype i = 0; i < noms.size(); ++i) {
        if (m_resultats->rowCount() + m_en_attente.size() >= m_capacite) {
            publier();
            module().interaction->message(this, {QStringLiteral(" La zone de liste est pleine. Recherche abandonnée..."),
                                                 titre_programme, Boutons::Ok, Icone::Aucune});
            return true;
        }
        m_en_attente.append(prefixe + std::exchange(noms[i], QString()));
        if ((i + 1) % pas_controle == 0 && ceder_si_besoin())
            return true;
    }
    return false;
}

// Shows the lines found since the last time, and their count: " 1", " 2"...
void WinSeek::publier()
{
    if (m_en_attente.isEmpty())
        return;
    m_resultats->ajouter(m_en_attente);
    m_en_attente.clear();
    lblCount->setText(texte_nombre(m_resultats->rowCount()));
}

// One pass of the event loop, where "Annuler", Escape and closing the window get in. True when
// the search is to be abandoned.
bool WinSeek::ceder()
{
    publier();
    ++m_cessions;
    QCoreApplication::processEvents();
    m_depuis_cession.start();
    return !recherche_active;
}
