#include "browser/frmvisualiseur.h"

#include "actions/actionsfichier.h"
#include "actions/menu_actions.h"
#include "browser/demande.h"
#include "browser/fabriquevignettes.h"
#include "browser/icones.h"
#include "browser/modelefichiers.h"
#include "browser/types_images.h"
#include "forms/barreetat.h"
#include "forms/fenetres.h"
#include "forms/listedossiers.h"
#include "forms/listefichiers.h"
#include "forms/listelecteurs.h"
#include "forms/textes.h"
#include "forms/vueliste.h"
#include "options/frmoptions.h"
#include "show/deroulement.h"
#include "show/frmapercu.h"
#include "show/frmveille.h"
#include "show/lecteurson.h"
#include "startup/module.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QListView>
#include <QToolButton>
#include <QTreeView>
#include <QtConcurrent/QtConcurrentRun>
#include <QtMath>

#include <algorithm>
#include <utility>

#include <sys/stat.h>

namespace {

// Design of the window, in twips: three columns, drives and folders, then the file list, then the
// preview panel. Each is wide enough for its captions at a desktop's usual font (DejaVu Sans 10
// points): the action labels in bold, the longest type of the filter, the count of a folder of a
// million files beside the two buttons.
constexpr int largeur_client = 11580;
constexpr int hauteur_client = 6840;
constexpr int hauteur_barre = 360;
constexpr int marge = 120;
constexpr int gauche_dossiers = marge;
constexpr int largeur_dossiers = 2775;
constexpr int gauche_fichiers = gauche_dossiers + largeur_dossiers + marge;
constexpr int largeur_fichiers = 4710;
constexpr int droite_fichiers = gauche_fichiers + largeur_fichiers;
constexpr int largeur_bouton = 1020;
constexpr int gauche_apercu = droite_fichiers + marge;
constexpr int largeur_apercu = largeur_client - marge - gauche_apercu;
constexpr int largeur_texte_apercu = largeur_apercu - 2 * marge;
constexpr int cote_apercu = 2175;
constexpr int interligne_options = 255;
static_assert(largeur_apercu == 3615);

const QString aide_f1 = QStringLiteral("Appuyez sur F1 pour l'aide...");

QRect zone(int gauche, int haut, int largeur, int hauteur)
{
    return {px(gauche), px(haut), px(largeur), px(hauteur)};
}

QLabel* etiquette(const QString& texte, QWidget* parent, const QRect& ou, bool gras = false)
{
    auto* l = new QLabel(texte, parent);
    l->setGeometry(ou);
    if (gras) {
        QFont f = l->font();
        f.setBold(true);
        l->setFont(f);
    }
    return l;
}

// Every text the date panel can show in this year: each day name with each month name.
QStringList dates_possibles(const QLocale& locale)
{
    QStringList dates;
    const int annee = QDate::currentDate().year();
    for (int mois = 1; mois <= 12; ++mois) {
        for (int jour = 22; jour <= 28; ++jour)
            dates.append(texte_date_longue(QDate(annee, mois, jour), locale));
    }
    return dates;
}

// The clock's widest texts: every hour, with the widest minutes and seconds.
QStringList heures_possibles(const QLocale& locale)
{
    QStringList heures;
    for (int heure = 0; heure < 24; ++heure) {
        for (int minute : {0, 8, 58, 59})
            heures.append(texte_heure(QTime(heure, minute, minute), locale));
    }
    return heures;
}

} // namespace

frmVisualiseur::frmVisualiseur(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                          | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint)
{
    construire();
    Form_Load();
}

frmVisualiseur::~frmVisualiseur()
{
    m_chargement.disconnect(this);
    m_chargement.waitForFinished();
    module().lecteur_son.reset();
}

void frmVisualiseur::construire()
{
    setObjectName(QStringLiteral("frmVisualiseur"));
    m_actions = new ActionsFichier(*this, this);
    setWindowTitle(QStringLiteral("[ IMAGORA ] - Visualiseur d'images"));
    setWindowIcon(icone_programme());
    setFixedSize(px(largeur_client), px(hauteur_client));

    // Left: drives and folders.
    Label1[7] = etiquette(QStringLiteral("LECTEUR(S)/DOSSIER(S)"), this, zone(gauche_dossiers, 120, largeur_dossiers, 240), true);
    Drive1 = new DriveListBox(this);
    Drive1->setGeometry(zone(gauche_dossiers, 390, largeur_dossiers, 330));
    Drive1->setInfobulle(QStringLiteral("Liste des lecteurs..."));
    Dir1 = new DirListBox(this);
    Dir1->setGeometry(zone(gauche_dossiers, 810, largeur_dossiers, 5670));
    Dir1->setToolTip(QStringLiteral("Liste des répertoires..."));
    File1 = new FileListBox(this);
    File1->setLectureEnFond(true); // the window never waits for a folder

    // Middle: type filter, view buttons, file list, count, options and quit.
    Label1[0] = etiquette(QStringLiteral("TYPE:"), this, zone(gauche_fichiers, 120, 1500, 240), true);
    Label1[2] = etiquette(QStringLiteral("Type:"), this, zone(gauche_fichiers, 435, 600, 240));
    cboFiltre = new QComboBox(this);
    cboFiltre->setGeometry(zone(gauche_fichiers + 600, 390, largeur_fichiers - 600, 330));
    cboFiltre->setToolTip(QStringLiteral("Filtres de fichier"));
    Label1[6] = etiquette(QStringLiteral("FICHIER"), this, zone(gauche_fichiers, 855, 1500, 240), true);

    static const std::array<QString, 6> infobulles_affichage = {
        QStringLiteral("Affichage en mode grandes icônes"), QStringLiteral("Affichage en mode petites icônes"),
        QStringLiteral("Affichage en mode liste"), QStringLiteral("Affichage en mode détails"),
        QStringLiteral("Tri de la liste des fichiers par ordre alphabetique"),
        QStringLiteral("Tri de la liste des fichiers par ordre alphabetique inverse")};
    static const std::array<QString, 6> aides_affichage = {
        QStringLiteral(" Affichage en mode icônes "), QStringLiteral(" Affichage en mode petites icônes "),
        QStringLiteral(" Affichage en mode liste "), QStringLiteral(" Affichage en mode détails "),
        QStringLiteral(" Tri de la liste des fichiers par ordre alphabetique "),
        QStringLiteral(" Tri de la liste des fichiers par ordre alphabetique inverse ")};
    for (int i = 0; i < 6; ++i) {
        auto* b = new QToolButton(this);
        b->setObjectName(QStringLiteral("cmdAffichage%1").arg(i));
        b->setGeometry(zone(droite_fichiers - 6 * 405 + 45 + i * 405, 780, 360, 360));
        b->setIcon(icone_affichage(i));
        b->setIconSize(QSize(16, 16));
        b->setToolTip(infobulles_affichage[i]);
        b->setAutoRaise(false);
        connect(b, &QToolButton::clicked, this, [this, i] { cmdAffichage_Click(i); });
        cmdAffichage[i] = b;
        m_aides.insert(b, aides_affichage[i]);
    }

    ListView1 = new ListView(this);
    ListView1->setGeometry(zone(gauche_fichiers, 1230, largeur_fichiers, 4750));
    ListView1->setToolTip(QStringLiteral("Liste des fichiers"));
    m_modele = new ModeleFichiers(this);
    // Thumbnails at the large icons' size in device pixels: the shared cache's 128-pixel ones,
    // or its 256-pixel ones on a dense screen.
    m_vignettes = new FabriqueVignettes(qCeil(ListView::cote_grandes_icones * devicePixelRatioF()), this);
    connect(m_vignettes, &FabriqueVignettes::vignette, m_modele, &ModeleFichiers::poser_vignette);
    connect(m_modele, &ModeleFichiers::vignettesVoulues, m_vignettes, &FabriqueVignettes::prioriser);
    ListView1->setModel(m_modele);
    for (int c = 0; c < ModeleFichiers::NombreColonnes; ++c)
        ListView1->setLargeurColonne(c, px(2540));

    // The count, then the two buttons at the right end of the column, clear of each other.
    constexpr int gauche_quitter = droite_fichiers - largeur_bouton;
    constexpr int gauche_options = gauche_quitter - 60 - largeur_bouton;
    lblTotalFichiers = etiquette(QStringLiteral("Total: 0 Fichier(s)"), this,
                                 zone(gauche_fichiers, 6150, gauche_options - 90 - gauche_fichiers, 240));
    lblTotalFichiers->setObjectName(QStringLiteral("lblTotalFichiers"));

    cmdOptions = new QPushButton(QStringLiteral("&Options"), this);
    cmdOptions->setGeometry(zone(gauche_options, 6030, largeur_bouton, 375));
    cmdOptions->setToolTip(QStringLiteral("Affiche les options"));
    cmdQuitter = new QPushButton(QStringLiteral("&Quitter"), this);
    cmdQuitter->setGeometry(zone(gauche_quitter, 6030, largeur_bouton, 375));
    cmdQuitter->setToolTip(QStringLiteral("Quitter le programme..."));
    // Kept for use by another program; never shown.
    cmdOK = new QPushButton(QStringLiteral("&OK"), this);
    cmdOK->setToolTip(QStringLiteral("Validation..."));
    cmdOK->hide();
    cmdAnnuler = new QPushButton(QStringLiteral("&Annuler..."), this);
    cmdAnnuler->setToolTip(QStringLiteral("Retour à l'application..."));
    cmdAnnuler->hide();

    // Right: the preview panel with the picture's size and the action menu.
    Picture1 = new QFrame(this);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Picture1->setGeometry(zone(gauche_apercu, 120, largeur_apercu, 6360));
    Picture1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Picture1->setAutoFillBackground(true);
    QPalette fond = Picture1->palette();
    fond.setColor(QPalette::Window, QColor(0x8f, 0xa3, 0xbf));
    fond.setColor(QPalette::WindowText, Qt::black);
    Picture1->setPalette(fond);

    Label1[1] = etiquette(QStringLiteral("APERCU"), Picture1, zone(marge, 60, largeur_texte_apercu, 240), true);
    Image1 = new QLabel(Picture1);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(zone((largeur_apercu - cote_apercu) / 2, 300, cote_apercu, cote_apercu));
    Image1->setScaledContents(true);
    Image1->setFrameStyle(QFrame::Box | QFrame::Plain);
    Image1->setAutoFillBackground(true);
    Image1->setToolTip(QStringLiteral("Image sélectionnée"));
    Image1->setMouseTracking(true);
    QPalette blanc = Image1->palette();
    blanc.setColor(QPalette::Window, Qt::white);
    Image1->setPalette(blanc);

    Label2 = etiquette(QStringLiteral("Sélectionnez un fichier dans la liste"), Picture1, Image1->geometry());
    lblCreation = etiquette(QStringLiteral("Création de l'aperçu..."), Picture1, Image1->geometry());
    for (QLabel* l : {Label2, lblCreation}) {
        l->setAlignment(Qt::AlignCenter);
        l->setWordWrap(true);
        l->setAttribute(Qt::WA_TransparentForMouseEvents);
    }
    Label2->setObjectName(QStringLiteral("Label2"));
    lblCreation->setObjectName(QStringLiteral("lblCreation"));
    lblCreation->hide();

    Label1[3] = etiquette(QStringLiteral("IMAGE"), Picture1, zone(marge, 2550, largeur_texte_apercu, 240), true);
    Label1[4] = etiquette(QStringLiteral("Hauteur:"), Picture1, zone(marge, 2790, 1050, 240));
    lblHauteur = etiquette(QString(), Picture1, zone(marge + 1050, 2790, largeur_texte_apercu - 1050, 240));
    lblHauteur->setObjectName(QStringLiteral("lblHauteur"));
    lblHauteur->setToolTip(QStringLiteral("Hauteur de l'image"));
    Label1[5] = etiquette(QStringLiteral("Largeur:"), Picture1, zone(marge, 3030, 1050, 240));
    lblLargeur = etiquette(QString(), Picture1, zone(marge + 1050, 3030, largeur_texte_apercu - 1050, 240));
    lblLargeur->setObjectName(QStringLiteral("lblLargeur"));
    lblLargeur->setToolTip(QStringLiteral("Largeur de l'image"));

    const auto placer_options = [this](const std::array<int, 4>& groupe, int haut) {
        for (int rang = 0; rang < 4; ++rang) {
            const int i = groupe[rang];
            const ActionMenu& a = actions_menu()[i];
            auto* l = etiquette(a.libelle, Picture1, zone(marge, haut + rang * interligne_options, largeur_texte_apercu, 240));
            l->setObjectName(QStringLiteral("lblOption%1").arg(i));
            l->setToolTip(a.infobulle);
            l->setCursor(curseur_option());
            l->setMouseTracking(true);
            lblOption[i] = l;
        }
    };
    placer_options(actions_image, 3390);
    placer_options(actions_fichier, 3390 + 6 * interligne_options); // two blank lines between the groups

    // The captions let the pointer through to the window or panel behind them.
    for (std::size_t i = 0; i < Label1.size(); ++i) {
        Label1[i]->setAttribute(Qt::WA_TransparentForMouseEvents);
        Label1[i]->setObjectName(QStringLiteral("Label1_%1").arg(i));
    }

    // Bottom: help hint, hover help, date, time.
    // The date and the time always show whole; a path in panel 1 keeps its two ends.
    StatusBar1 = new StatusBar({0, 0, px(3150), px(1000)}, this);
    StatusBar1->setGeometry(0, px(hauteur_client - hauteur_barre), px(largeur_client), px(hauteur_barre));
    StatusBar1->ajusterLargeur(3, dates_possibles(QLocale::system()));
    StatusBar1->ajusterLargeur(4, heures_possibles(QLocale::system()));
    StatusBar1->setElision(1, Qt::ElideMiddle);
    StatusBar1->setTexte(1, aide_f1);
    StatusBar1->setInfobulle(2, QStringLiteral("Messages d'aide"));
    StatusBar1->setInfobulle(3, QStringLiteral("Date actuelle"));
    StatusBar1->setInfobulle(4, QStringLiteral("Heure actuelle"));

    // Hover help: the text each control writes into panel 2.
    m_aides.insert(cmdOptions, QStringLiteral(" Afficher la fenêtre des options "));
    m_aides.insert(cmdQuitter, QStringLiteral(" Quitter le programme [IMAGORA] "));
    m_aides.insert(cmdOK, QStringLiteral("Valider la sélection et retour à TUNORA"));
    m_aides.insert(cmdAnnuler, QStringLiteral("Annulation et retour à TUNORA"));
    m_aides.insert(Dir1, QStringLiteral(" Liste des dossiers du lecteur sélectionné "));
    m_aides.insert(ListView1, QStringLiteral(" Affichage de la liste des fichiers "));
    m_aides.insert(Image1, QStringLiteral(" Aperçu de l'image sélectionnée "));
    m_aides.insert(lblHauteur, QStringLiteral(" Hauteur en pixels de l'image sélectionnée "));
    m_aides.insert(lblLargeur, QStringLiteral(" Largeur en pixels de l'image sélectionnée "));
    m_aides.insert(lblTotalFichiers, QStringLiteral(" Nombre total de fichiers trouvés "));
    m_aides.insert(this, QStringLiteral("Affichage des messages d'aide"));
    m_effacent = {Dir1, ListView1, Image1, Picture1};

    Drive1->setObjectName(QStringLiteral("Drive1"));
    Dir1->setObjectName(QStringLiteral("Dir1"));
    File1->setObjectName(QStringLiteral("File1"));
    cboFiltre->setObjectName(QStringLiteral("cboFiltre"));
    ListView1->setObjectName(QStringLiteral("ListView1"));
    cmdOptions->setObjectName(QStringLiteral("cmdOptions"));
    cmdQuitter->setObjectName(QStringLiteral("cmdQuitter"));
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdAnnuler->setObjectName(QStringLiteral("cmdAnnuler"));
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));

    QList<QObject*> suivis = m_aides.keys() + m_effacent;
    for (QLabel* l : lblOption)
        suivis.append(l);
    suivis.append(Dir1->viewport());
    suivis.append(ListView1->vueIcones()->viewport());
    suivis.append(ListView1->vueDetails()->viewport());
    for (QObject* o : std::as_const(suivis)) {
        o->installEventFilter(this);
        if (auto* w = qobject_cast<QWidget*>(o))
            w->setMouseTracking(true);
    }
    setMouseTracking(true);

    installer_touches_aide(this, QStringLiteral("aide.htm"));

    connect(Drive1, &DriveListBox::Change, this, &frmVisualiseur::Drive1_Change);
    connect(Dir1, &DirListBox::Change, this, &frmVisualiseur::Dir1_Change);
    connect(Dir1, &DirListBox::DossierIllisible, this, [this](const QString& nom) {
        module().interaction->message(this, {message_dossier_illisible(nom), QStringLiteral("Information"), Boutons::Ok,
                                             Icone::Information});
    });
    connect(File1, &FileListBox::LectureCommencee, this, &frmVisualiseur::File1_LectureCommencee);
    connect(File1, &FileListBox::PathChange, this, &frmVisualiseur::File1_PathChange);
    connect(File1, &FileListBox::PatternChange, this, &frmVisualiseur::File1_PathChange);
    connect(ListView1, &ListView::ColumnClick, this, &frmVisualiseur::ListView1_ColumnClick);
    connect(ListView1, &ListView::ItemClick, this, &frmVisualiseur::ListView1_ItemClick);
    connect(ListView1, &ListView::DblClick, this, &frmVisualiseur::ListView1_DblClick);
    connect(StatusBar1, &StatusBar::PanelClick, this, [this](int panneau) {
        if (panneau == 1)
            ouvrir_aide(this, QStringLiteral("aide.htm"), Qt::Key_F1);
    });
    connect(cmdOptions, &QPushButton::clicked, this, &frmVisualiseur::cmdOptions_Click);
    connect(cmdQuitter, &QPushButton::clicked, this, &frmVisualiseur::cmdQuitter_Click);
    connect(cmdAnnuler, &QPushButton::clicked, this, &frmVisualiseur::cmdQuitter_Click);
    connect(cmdOK, &QPushButton::clicked, this, &QWidget::close);
    connect(&m_chargement, &QFutureWatcher<ImageLue>::finished, this, &frmVisualiseur::apercu_charge);
    Timer1.setInterval(1000);
    connect(&Timer1, &QTimer::timeout, this, &frmVisualiseur::Timer1_Timer);
}

void frmVisualiseur::Form_Load()
{
    centrer(this);

    // The start folder is given to the file list, the drive list and the folder list, then the
    // type filter chooses the pattern; the list is built once, at the end.
    QString depart = module().parametres.lire(QStringLiteral("dossier demarrage"));
    // A picture or folder named on the command line takes the place of the start folder.
    const DemandeOuverture demande = demande_ouverture(module().fichier_demande);
    if (!demande.message.isEmpty())
        module().interaction->message(nullptr, {demande.message, QStringLiteral("IMAGORA"), Boutons::Ok, Icone::Exclamation});
    if (!demande.dossier.isEmpty())
        depart = demande.dossier;
    if (!QFileInfo(depart).isDir())
        depart = QDir::homePath();
    // Started in screen-saver mode, the screen saver runs before the browser appears, on the
    // files of the start folder: that one read is made before going on. Otherwise the window
    // shows at once and the list fills when the folder has been read.
    const bool veille_au_depart = module().parametres.nombre(QStringLiteral("veille")) == 1 && demande.dossier.isEmpty();
    File1->setLectureEnFond(!veille_au_depart);
    {
        const QSignalBlocker s1(File1), s2(Drive1), s3(Dir1), s4(cboFiltre);
        if (!Dir1->setPath(depart))
            Dir1->setPath(QDir::homePath());
        Drive1->setDrive(Dir1->Path());

        for (const TypeImage& t : types_images())
            cboFiltre->addItem(t.libelle);
        // A stored type outside the list, however large, is no type at all.
        int type = indice_reglage(module().parametres.nombre(QStringLiteral("type fichier")),
                                  static_cast<int>(types_images().size()))
                       .value_or(-1);
        // The picture asked for is listed even when the saved type would hide it.
        if (demande.type_image >= 0 && type != demande.type_image)
            type = 0;
        if (type >= 0 && type < static_cast<int>(types_images().size())) {
            cboFiltre->setCurrentIndex(type);
            File1->setPattern(types_images()[type].motif);
        } else {
            cboFiltre->setCurrentIndex(-1);
        }
        // The folder is read once, with the type's pattern already set.
        File1->setPath(Dir1->Path());
    }
    File1->setLectureEnFond(true);
    connect(cboFiltre, &QComboBox::currentIndexChanged, this, &frmVisualiseur::cboFiltre_Click);
    reconstruire_liste();

    sortie_confirmee = false;
    // Making the sound player loads the media backend, a good fraction of a second on this
    // thread: the screen saver needs it at once; otherwise it is made once the list, and the
    // preview asked for, are on screen.
    if (veille_au_depart)
        module().lecteur_son = std::make_unique<LecteurSon>();
    else
        m_son_a_creer = true;
    Timer1_Timer();
    Timer1.start();

    if (!demande.nom.isEmpty()) {
        if (File1->enLecture()) {
            m_chemin_anticipe = dossier_courant() + demande.nom;
            m_taille_anticipee = taille_apercu();
            m_apercu_anticipe = QtConcurrent::run(image_apercu, m_chemin_anticipe, m_taille_anticipee);
        }
        choisir_nom(QFile::encodeName(demande.nom), true);
    }

    if (veille_au_depart) {
        if (File1->ListCount() == 0) {
            module().interaction->message(nullptr, {QStringLiteral("Aucune image à visionner"), QStringLiteral("Information"),
                                                    Boutons::Ok, Icone::Information});
        } else {
            module().boucle = true;
            module().mode_affichage = QStringLiteral("veille auto");
            frmVeille veille(nullptr, this);
            veille.executer();
        }
    }
}

// ---- navigation -------------------------------------------------------------------------------

void frmVisualiseur::Drive1_Change()
{
    ouvrir_lecteur(*Drive1, *Dir1, *module().interaction, this);
}

void frmVisualiseur::Dir1_Change()
{
    // What waited for the folder left behind is not wanted in this one.
    m_nom_attendu.clear();
    m_action_apres_lecture = -1;
    File1->setPath(Dir1->Path());
}

void frmVisualiseur::File1_LectureCommencee()
{
    // Nothing of the list being replaced can be chosen any more: its rows go now.
    reconstruire_liste();
}

void frmVisualiseur::File1_PathChange()
{
    reconstruire_liste();
    m_liste_a_signaler = true;
    ListView1->vueIcones()->viewport()->update();
    ListView1->vueDetails()->viewport()->update();
    if (!m_nom_attendu.isEmpty())
        choisir_nom(std::exchange(m_nom_attendu, {}), m_apercu_nom_attendu);
    if (const int action = std::exchange(m_action_apres_lecture, -1); action >= 0)
        lblOption_Click(action);
}

void frmVisualiseur::cboFiltre_Click()
{
    const int index = cboFiltre->currentIndex();
    if (index < 0 || index >= static_cast<int>(types_images().size()))
        return;
    const QString motif = types_images()[index].motif;
    // Reads the folder again; the list is rebuilt when the read is complete.
    if (motif != File1->Pattern())
        File1->setPattern(motif);
    else
        File1->Refresh();
}

QString frmVisualiseur::dossier_courant() const
{
    QString dossier = Dir1->Path();
    if (!dossier.endsWith(u'/'))
        dossier += u'/';
    return dossier;
}

// ---- file list --------------------------------------------------------------------------------

void frmVisualiseur::vider_apercu()
{
    ++m_generation; // a preview still decoding is no longer wanted, nor an action waiting for it
    m_apercu_attendu = false;
    m_action_en_attente = -1;
    Image1->clear();
    lblHauteur->clear();
    lblLargeur->clear();
}

void frmVisualiseur::reconstruire_liste()
{
    vider_apercu();
    File1->setListIndex(-1);
    Label2->show();
    lblCreation->hide();
    // While the folder is being read there is no count to give yet.
    lblTotalFichiers->setText(File1->enLecture() ? QString() : texte_total_fichiers(File1->ListCount()));
    m_selection = {};
    StatusBar1->setTexte(1, aide_f1);
    m_modele->remplir(File1->entrees());
    module().index_fichier = File1->ListCount();
    if (m_tri_actif)
        trier();
    else
        demander_vignettes();
}

void frmVisualiseur::trier()
{
    m_modele->sort(m_colonne_tri, m_ordre_tri);
    ListView1->setIndicateurTri(m_colonne_tri, m_ordre_tri);
    demander_vignettes(); // in the new order
}

void frmVisualiseur::demander_vignettes()
{
    const bool icones = ListView1->View() == ListView::GrandesIcones;
    m_modele->setVignettes(icones, ListView::cote_grandes_icones, devicePixelRatioF());
    if (icones && !File1->enLecture())
        m_vignettes->demander(File1->Path(), m_modele->noms_sans_vignette());
    else
        m_vignettes->annuler();
}

void frmVisualiseur::cmdAffichage_Click(int index)
{
    switch (index) {
    case 0: ListView1->setView(ListView::GrandesIcones); demander_vignettes(); break;
    case 1: ListView1->setView(ListView::PetitesIcones); demander_vignettes(); break;
    case 2: ListView1->setView(ListView::Liste); demander_vignettes(); break;
    case 3: ListView1->setView(ListView::Details); demander_vignettes(); break;
    case 4:
    case 5:
        m_ordre_tri = index == 4 ? Qt::AscendingOrder : Qt::DescendingOrder;
        m_tri_actif = true;
        trier();
        break;
    default: break;
    }
}

void frmVisualiseur::ListView1_ColumnClick(int colonne)
{
    m_colonne_tri = colonne;
    m_ordre_tri = m_ordre_tri == Qt::AscendingOrder ? Qt::DescendingOrder : Qt::AscendingOrder;
    m_tri_actif = true;
    trier();
}

void frmVisualiseur::ListView1_DblClick()
{
    if (ListView1->ligneSelectionnee() >= 0)
        lblOption_Click(1);
}

// ---- preview ----------------------------------------------------------------------------------

void frmVisualiseur::ListView1_ItemClick(int ligne)
{
    if (ligne < 0 || ligne >= m_modele->rowCount())
        return;
    const EntreeFichier& entree = m_modele->entree(ligne);
    if (!entree.nom_exact()) {
        // Its shown name is not its real name: opening that text would reach another file or none.
        vider_apercu();
        Label2->hide();
        lblCreation->hide();
        module().interaction->message(
            this, {QStringLiteral("Le nom du fichier \"%1\" contient des caractères que le programme ne sait pas lire : il ne "
                                  "peut ni l'afficher ni agir dessus. Renommez-le avec le gestionnaire de fichiers.")
                       .arg(entree.nom),
                   QStringLiteral("Information"), Boutons::Ok, Icone::Information});
        revenir_a_la_selection();
        return;
    }
    Label2->hide();
    vider_apercu();
    lblCreation->show();

    m_en_cours = {QFile::encodeName(dossier_courant()) + entree.octets, entree.nom, ligne};
    m_apercu_attendu = true;
    m_generation_en_cours = m_generation;
    const QSize cible = taille_apercu();
    QFuture<ImageLue> lecture = std::exchange(m_apercu_anticipe, {});
    if (!lecture.isValid() || m_chemin_anticipe != m_en_cours.texte() || m_taille_anticipee != cible)
        lecture = QtConcurrent::run(image_apercu, m_en_cours.texte(), cible);
    m_chargement.setFuture(lecture);
}

QSize frmVisualiseur::taille_apercu() const
{
    return Image1->contentsRect().size() * devicePixelRatioF();
}

void frmVisualiseur::apercu_charge()
{
    if (m_generation_en_cours != m_generation)
        return; // the list changed or another file was chosen meanwhile
    const ImageLue lue = m_chargement.result();
    m_apercu_attendu = false;
    const int action = std::exchange(m_action_en_attente, -1);
    lblCreation->hide();
    if (!lue.ok()) {
        QTimer::singleShot(0, this, &frmVisualiseur::creer_son_si_libre);
        // An action asked for meanwhile was meant for this picture: it is dropped with it.
        module().interaction->message(this, {QStringLiteral("Lecture du fichier impossible: format non reconnu ou détérioré."),
                                             QStringLiteral("Information"), Boutons::Ok, Icone::Information});
        revenir_a_la_selection();
        return;
    }
    QPixmap image = QPixmap::fromImage(lue.image);
    image.setDevicePixelRatio(devicePixelRatioF());
    Image1->setPixmap(image);
    m_apercu_a_signaler = m_en_cours.texte();
    m_selection = m_en_cours;
    StatusBar1->setTexte(1, m_selection.texte());
    lblHauteur->setText(texte_nombre(lue.taille_naturelle.height()) + QStringLiteral(" Pixels"));
    lblLargeur->setText(texte_nombre(lue.taille_naturelle.width()) + QStringLiteral(" Pixels"));
    if (action >= 0)
        lblOption_Click(action);
}

void frmVisualiseur::revenir_a_la_selection()
{
    // The actions work on the picture named in panel 1: the highlight goes back to it, so that
    // the list never shows one file while the actions would take another.
    ListView1->marquerLigne(m_selection.vide() ? -1 : m_modele->ligne_de(m_selection.nom_octets()));
}

QString frmVisualiseur::image_selectionnee() const
{
    return selection().vide() ? QString() : m_selection.texte();
}

SelectionImage frmVisualiseur::selection() const
{
    // Panel 1 names an existing file (the selected-picture rule), and that file's row is the one
    // highlighted; otherwise the row is -1 and the actions that need one stop there.
    if (m_selection.vide() || !QFileInfo::exists(m_selection.texte()))
        return {};
    SelectionImage s = m_selection;
    s.ligne = m_modele->ligne_de(s.nom_octets());
    if (s.ligne != ListView1->ligneSelectionnee())
        s.ligne = -1;
    return s;
}

void frmVisualiseur::Image1_DblClick()
{
    if (!m_apercu_attendu && !selection().vide())
        lblOption_Click(1);
}

void frmVisualiseur::lblOption_Click(int index)
{
    // While the highlighted picture's preview is being made, an action on the selected picture
    // waits for it, and then works on that picture.
    if (m_apercu_attendu && index != 3 && index != 5) {
        m_action_en_attente = index;
        return;
    }
    // The show plays the whole list: while the folder is read, it waits for its files.
    if (index == 3 && File1->enLecture()) {
        m_action_apres_lecture = index;
        return;
    }
    m_actions->lblOption_Click(index, selection());
}

int frmVisualiseur::ligne_selectionnee() const
{
    return ListView1->ligneSelectionnee();
}

QString frmVisualiseur::nom_ligne(int ligne) const
{
    return ligne >= 0 && ligne < m_modele->rowCount() ? m_modele->entree(ligne).nom : QString();
}

void frmVisualiseur::fichier_parti(const QByteArray& nom)
{
    // Only that one file is looked at: the folder is not read again for it.
    const int ligne = m_modele->ligne_de(nom);
    struct stat infos {};
    if (ligne < 0 || ::lstat((QFile::encodeName(dossier_courant()) + nom).constData(), &infos) == 0)
        return; // not listed, or still there: nothing changes
    File1->retirer(nom);
    m_modele->retirer(ligne);
    vider_apercu();
    Label2->show();
    lblCreation->hide();
    lblTotalFichiers->setText(texte_total_fichiers(File1->ListCount()));
    m_selection = {};
    StatusBar1->setTexte(1, aide_f1);
}

void frmVisualiseur::relire_liste()
{
    File1->Refresh();
    reconstruire_liste();
}

void frmVisualiseur::marquer_nom(const QByteArray& nom)
{
    choisir_nom(nom, false);
}

void frmVisualiseur::choisir_nom(const QByteArray& nom, bool apercu)
{
    if (File1->enLecture()) {
        m_nom_attendu = nom;
        m_apercu_nom_attendu = apercu;
        return;
    }
    const int ligne = selectionner(nom);
    if (apercu)
        ListView1_ItemClick(ligne);
}

int frmVisualiseur::selectionner(const QByteArray& nom)
{
    const int ligne = m_modele->ligne_de(nom);
    if (ligne >= 0)
        ListView1->selectionnerLigne(ligne);
    return ligne;
}

void frmVisualiseur::ouvrir_demande(const QString& argument)
{
    // A show, a dialog or a message of the program is open: the request waits for it to close.
    if (QApplication::activeModalWidget()) {
        QTimer::singleShot(500, this, [this, argument] { ouvrir_demande(argument); });
        return;
    }
    const DemandeOuverture demande = demande_ouverture(argument);
    if (!demande.message.isEmpty())
        module().interaction->message(this, {demande.message, QStringLiteral("IMAGORA"), Boutons::Ok, Icone::Exclamation});
    if (!demande.dossier.isEmpty()) {
        if (QDir::cleanPath(Dir1->Path()) == QDir::cleanPath(demande.dossier)) {
            relire_liste(); // the same folder, read again: the picture may be new
        } else if (Dir1->setPath(demande.dossier)) {
            const QSignalBlocker silence(Drive1);
            Drive1->setDrive(Dir1->Path());
        }
        const int type = cboFiltre->currentIndex();
        if (demande.type_image >= 0 && type != 0 && type != demande.type_image)
            cboFiltre->setCurrentIndex(0);
        if (!demande.nom.isEmpty())
            choisir_nom(QFile::encodeName(demande.nom), true);
    }
    setWindowState(windowState() & ~Qt::WindowMinimized);
    raise();
    activateWindow();
}

// ---- chrome -----------------------------------------------------------------------------------

void frmVisualiseur::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    disposer();
}

void frmVisualiseur::disposer()
{
    // Heights follow the window; widths and left edges never change. A height that would be
    // negative leaves its control as it was.
    const int haut_barre = height() - StatusBar1->height();
    StatusBar1->move(0, haut_barre);
    const auto hauteur = [](QWidget* w, int h) {
        if (h >= 0)
            w->resize(w->width(), h);
    };
    hauteur(Dir1, haut_barre - Dir1->y());
    hauteur(Picture1, haut_barre - Picture1->y());
    cmdOptions->move(cmdOptions->x(), haut_barre - px(450));
    cmdQuitter->move(cmdQuitter->x(), haut_barre - px(450));
    lblTotalFichiers->move(lblTotalFichiers->x(), haut_barre - px(330));
    hauteur(ListView1, cmdQuitter->y() - ListView1->y() - px(50));
}

void frmVisualiseur::creer_son_si_libre()
{
    // The folder still being read, a preview asked for still to come, the list or the preview
    // still to be painted (a window on screen paints them soon): later.
    if (!m_son_a_creer || File1->enLecture() || m_apercu_attendu || !m_nom_attendu.isEmpty()
        || ((m_liste_a_signaler || !m_apercu_a_signaler.isEmpty()) && isVisible()))
        return;
    m_son_a_creer = false;
    if (!module().lecteur_son)
        module().lecteur_son = std::make_unique<LecteurSon>();
}

void frmVisualiseur::Timer1_Timer()
{
    const QLocale locale = QLocale::system();
    const QDateTime maintenant = QDateTime::currentDateTime();
    StatusBar1->setTexte(4, texte_heure(maintenant.time(), locale));
    StatusBar1->setTexte(3, texte_date_longue(maintenant.date(), locale));
}

bool frmVisualiseur::eventFilter(QObject* objet, QEvent* evenement)
{
    switch (evenement->type()) {
    case QEvent::MouseMove: {
        // A move that a control did not take climbs to its parents: only the control under the
        // pointer speaks.
        const auto* w = qobject_cast<QWidget*>(objet);
        if (w && w->childAt(static_cast<QMouseEvent*>(evenement)->position().toPoint()))
            break;
        survol(objet);
        break;
    }
    case QEvent::MouseButtonDblClick:
        if (objet == Image1)
            Image1_DblClick();
        break;
    case QEvent::Paint:
        // Told once the paint is done: the next turn of the event loop comes after it. Until it is
        // told, it still counts as to be painted (the sound player waits for both).
        if (objet == Image1 && !m_apercu_a_signaler.isEmpty()) {
            QMetaObject::invokeMethod(this, [this, chemin = m_apercu_a_signaler] {
                if (m_apercu_a_signaler != chemin)
                    return; // told already, or another picture since
                m_apercu_a_signaler.clear();
                Q_EMIT apercuAffiche(chemin);
                creer_son_si_libre();
            }, Qt::QueuedConnection);
        } else if (m_liste_a_signaler && (objet == ListView1->vueIcones()->viewport() || objet == ListView1->vueDetails()->viewport())) {
            QMetaObject::invokeMethod(this, [this] {
                if (!std::exchange(m_liste_a_signaler, false))
                    return;
                Q_EMIT listeAffichee(File1->ListCount());
                creer_son_si_libre();
            }, Qt::QueuedConnection);
        }
        break;
    case QEvent::MouseButtonRelease:
        for (int i = 0; i < static_cast<int>(lblOption.size()); ++i) {
            if (objet == lblOption[i] && lblOption[i]->rect().contains(static_cast<QMouseEvent*>(evenement)->position().toPoint()))
                lblOption_Click(i);
        }
        break;
    default: break;
    }
    return QWidget::eventFilter(objet, evenement);
}

void frmVisualiseur::survol(QObject* objet)
{
    // A view's viewport speaks for its view.
    if (objet == Dir1->viewport())
        objet = Dir1;
    else if (objet == ListView1->vueIcones()->viewport() || objet == ListView1->vueDetails()->viewport())
        objet = ListView1;

    for (int i = 0; i < static_cast<int>(lblOption.size()); ++i) {
        if (objet == lblOption[i]) {
            surligner_option(i);
            StatusBar1->setTexte(2, actions_menu()[i].aide);
            return;
        }
    }
    if (objet == Image1)
        Image1->setCursor(image_selectionnee().isEmpty() ? QCursor() : curseur_apercu());
    if (m_effacent.contains(objet))
        effacer_surlignage();
    const auto aide = m_aides.constFind(objet);
    if (aide != m_aides.cend())
        StatusBar1->setTexte(2, *aide);
}

void frmVisualiseur::surligner_option(int index)
{
    for (int i = 0; i < static_cast<int>(lblOption.size()); ++i) {
        QLabel* l = lblOption[i];
        QPalette p = l->palette();
        p.setColor(QPalette::WindowText, i == index ? Qt::white : Qt::black);
        l->setPalette(p);
        QFont f = l->font();
        f.setBold(i == index);
        l->setFont(f);
    }
}

void frmVisualiseur::effacer_surlignage()
{
    surligner_option(-1);
}

void frmVisualiseur::keyPressEvent(QKeyEvent* event)
{
    // Enter presses the default button, Escape the cancel button, as in a dialog.
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter: cmdOptions->click(); return;
    case Qt::Key_Escape: cmdQuitter->click(); return;
    default: QWidget::keyPressEvent(event);
    }
}

void frmVisualiseur::cmdOptions_Click()
{
    frmOptions options(this);
    options.exec();
}

// ---- quitting ---------------------------------------------------------------------------------

bool frmVisualiseur::confirmer_sortie()
{
    const Reponse r = module().interaction->message(
        this, {QStringLiteral("Voulez-vous vraiment quitter le programme ?"), QStringLiteral("IMAGORA"), Boutons::OuiNon,
               Icone::Question});
    sortie_confirmee = r == Reponse::Oui;
    return sortie_confirmee;
}

void frmVisualiseur::cmdQuitter_Click()
{
    if (confirmer_sortie())
        close();
}

void frmVisualiseur::closeEvent(QCloseEvent* event)
{
    // Every way of closing the window asks first, unless the user has just said Yes.
    if (!sortie_confirmee && !confirmer_sortie()) {
        event->ignore();
        return;
    }
    event->accept();
    terminer();
}

void frmVisualiseur::terminer()
{
    module().parametres.sauver(QStringLiteral("etat"), QStringLiteral("inactif"));
    module().lecteur_son.reset();
    Timer1.stop();
    Q_EMIT finDuProgramme();
}
