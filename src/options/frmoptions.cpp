#include "options/frmoptions.h"

#include "browser/icones.h"
#include "browser/types_images.h"
#include "forms/fenetres.h"
#include "forms/joker.h"
#include "forms/listefichiers.h"
#include "forms/textes.h"
#include "options/cdlgcom.h"
#include "show/deroulement.h"
#include "show/lecteurson.h"
#include "startup/module.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardPaths>
#include <QVBoxLayout>

namespace {

const QStringList tailles = {QStringLiteral("Normale"), QStringLiteral("Adaptée à l'écran (image plus grande)"),
                             QStringLiteral("Adaptée à l'écran (toutes les images)")};

// Does the file system hold an entry (file or folder) of that name? Wildcards in the last part
// match as in the file lists.
bool entree_existe(const QString& texte)
{
    if (texte.isEmpty())
        return false;
    const QFileInfo info(texte);
    if (!contient_joker(info.fileName()))
        return info.exists();
    const QStringList motifs{info.fileName()};
    const QFileInfoList entrees = info.dir().entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QFileInfo& e : entrees) {
        if (correspond_liste(e.fileName(), motifs))
            return true;
    }
    return false;
}

// Why a start folder cannot be listed: missing, not a folder, or not readable.
QString raison_dossier_illisible(const QString& dossier)
{
    const QFileInfo info(dossier);
    if (!info.exists())
        return QStringLiteral("Le dossier « %1 » est introuvable.").arg(dossier);
    if (!info.isDir())
        return QStringLiteral("« %1 » n'est pas un dossier.").arg(dossier);
    return QStringLiteral("Le dossier « %1 » ne peut pas être lu : accès refusé.").arg(dossier);
}

template <typename T>
T* nommer(T* controle, const char* nom, const QString& infobulle = {})
{
    controle->setObjectName(QLatin1String(nom));
    if (!infobulle.isEmpty())
        controle->setToolTip(infobulle);
    return controle;
}

} // namespace

QString frmOptions::programme_ecrans()
{
    static const char* const noms[] = {"xscreensaver-settings", "xscreensaver-demo", "xfce4-screensaver-preferences",
                                       "mate-screensaver-preferences", "cinnamon-settings", "gnome-control-center",
                                       "systemsettings", "systemsettings5", "lxqt-config-monitor"};
    for (const char* nom : noms) {
        const QString chemin = QStandardPaths::findExecutable(QLatin1String(nom));
        if (!chemin.isEmpty())
            return chemin;
    }
    return {};
}

frmOptions::frmOptions(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
{
    construire();
    Form_Load();
}

void frmOptions::construire()
{
    setObjectName(QStringLiteral("frmOptions"));
    setWindowTitle(QStringLiteral("OPTIONS"));
    setWindowIcon(icone_programme());

    txtDossier = nommer(new QLineEdit(this), "txtDossier", QStringLiteral("Dossier affiché à l'ouverture du programme"));
    cmdParcourir = nommer(new QPushButton(QStringLiteral("&Parcourir"), this), "cmdParcourir",
                          QStringLiteral("Sélectionner un chemin pour le dossier d'ouverture"));
    lstFiltres = nommer(new QListWidget(this), "lstFiltres", QStringLiteral("Types de fichier"));
    lstFiltres->setFixedHeight(px(1500));
    cboTemps = nommer(new QComboBox(this), "cboTemps", QStringLiteral("Nombre de secondes"));
    chkVeille = nommer(new QCheckBox(QStringLiteral("Démarrer en écran de veille"), this), "chkVeille",
                       QStringLiteral("Démarrer le programme en écran de veille"));
    chkDemarrage = nommer(new QCheckBox(QStringLiteral("Démarrer le programme au démarrage de Windows"), this), "chkDemarrage",
                          QStringLiteral("Démarrer le programme au démarrage de Windows"));

    auto* Frame1 = nommer(new QGroupBox(QStringLiteral("Ecran de veille"), this), "Frame1");
    const QString bulle_couleur = QStringLiteral("Couleur du fond de l'écran de veille");
    optCouleur[0] = nommer(new QRadioButton(QStringLiteral("Aléatoire"), Frame1), "optCouleur0", bulle_couleur);
    optCouleur[1] = nommer(new QRadioButton(QStringLiteral("Couleur définie --->"), Frame1), "optCouleur1", bulle_couleur);
    optCouleur[0]->setChecked(true);
    lblCouleur = nommer(new QLabel(Frame1), "lblCouleur", bulle_couleur);
    lblCouleur->setFixedSize(px(600), px(300));
    lblCouleur->setFrameStyle(QFrame::Box | QFrame::Plain);
    lblCouleur->setAutoFillBackground(true);
    lblCouleur->setCursor(Qt::PointingHandCursor);
    lblCouleur->installEventFilter(this);
    chkNomFichier = nommer(new QCheckBox(QStringLiteral("Afficher le nom complet du fichier dans l'écran de veille"), Frame1),
                           "chkNomFichier", QStringLiteral("Afficher le nom du fichier"));
    chkInfos = nommer(new QCheckBox(QStringLiteral("Afficher les informations de copyright et de fin d'écran de veille"), Frame1),
                      "chkInfos", QStringLiteral("Afficher les informations"));
    lstTaille = nommer(new QListWidget(Frame1), "lstTaille", QStringLiteral("Options de taille des images"));
    lstTaille->addItems(tailles);
    lstTaille->setFixedHeight(px(900));
    chkSon = nommer(new QCheckBox(QStringLiteral("Activer/désactiver le son"), Frame1), "chkSon",
                    QStringLiteral("Activer/désactiver le son"));
    cmdOuvrirSon = nommer(new QPushButton(QStringLiteral("Sélection"), Frame1), "cmdOuvrirSon", QStringLiteral("Sélectionner un son"));
    cmdJouer = nommer(new QPushButton(QStringLiteral("Jouer"), Frame1), "cmdJouer", QStringLiteral("Jouer le son"));
    cmdStopSon = nommer(new QPushButton(QStringLiteral("Stop"), Frame1), "cmdStopSon", QStringLiteral("Arrêter la diffusion"));
    lblEtatSon = nommer(new QLabel(Frame1), "lblEtatSon"); // what the player says of the chosen sound
    lblEtatSon->setWordWrap(true);
    cmdEcrans = nommer(new QPushButton(QStringLiteral("..."), Frame1), "cmdEcrans", QStringLiteral("Ecrans de veille du système"));
    cmdEcrans->setFixedWidth(px(600));

    cmdAide = nommer(new QPushButton(QStringLiteral("&Aide"), this), "cmdAide", QStringLiteral("Affiche l'aide..."));
    cmdEnregistrer = nommer(new QPushButton(QStringLiteral("&Enregistrer"), this), "cmdEnregistrer",
                            QStringLiteral("Enregistrer les options"));
    cmdFermer = nommer(new QPushButton(QStringLiteral("&Fermer"), this), "cmdFermer", QStringLiteral("Fermer la fenêtre des options"));
    for (QPushButton* b : findChildren<QPushButton*>())
        b->setAutoDefault(false);
    cmdEnregistrer->setDefault(true);

    Picture1 = new QWidget(this); // owner of a video's picture, never shown
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Picture1->setGeometry(0, 0, 32, 32);
    Picture1->hide();
    File1 = new FileListBox(this);

    // Layout.
    auto* dossier = new QHBoxLayout;
    dossier->addWidget(txtDossier, 1);
    dossier->addWidget(cmdParcourir);
    auto* temps = new QHBoxLayout;
    temps->addWidget(new QLabel(QStringLiteral("Nombre de secondes d'intervalle d'apparition des images"), this), 1);
    temps->addWidget(cboTemps);

    auto* couleur = new QHBoxLayout;
    couleur->addWidget(optCouleur[0]);
    couleur->addWidget(optCouleur[1]);
    couleur->addWidget(lblCouleur);
    couleur->addStretch();
    auto* son = new QHBoxLayout;
    son->addWidget(chkSon, 1);
    son->addWidget(cmdOuvrirSon);
    son->addWidget(cmdJouer);
    son->addWidget(cmdStopSon);
    auto* ecrans = new QHBoxLayout;
    ecrans->addWidget(new QLabel(QStringLiteral("Ecran(s) de veille système") + QString(60, u'.'), Frame1), 1);
    ecrans->addWidget(cmdEcrans);
    auto* cadre = new QVBoxLayout(Frame1);
    cadre->addWidget(new QLabel(QStringLiteral("Couleur du fond de l'écran de veille"), Frame1));
    cadre->addLayout(couleur);
    cadre->addWidget(chkNomFichier);
    cadre->addWidget(chkInfos);
    cadre->addWidget(new QLabel(QStringLiteral("Taille de l'image:"), Frame1));
    cadre->addWidget(lstTaille);
    cadre->addLayout(son);
    cadre->addWidget(lblEtatSon);
    cadre->addLayout(ecrans);

    auto* boutons = new QHBoxLayout;
    boutons->addWidget(cmdAide);
    boutons->addStretch();
    boutons->addWidget(cmdEnregistrer);
    boutons->addWidget(cmdFermer);

    auto* colonne = new QVBoxLayout(this);
    colonne->addWidget(new QLabel(QStringLiteral("Dossier à afficher au démarrage:"), this));
    colonne->addLayout(dossier);
    colonne->addWidget(new QLabel(QStringLiteral("Type de fichier à afficher au démarrage:"), this));
    colonne->addWidget(lstFiltres);
    colonne->addLayout(temps);
    colonne->addWidget(chkVeille);
    colonne->addWidget(chkDemarrage);
    colonne->addWidget(Frame1);
    colonne->addLayout(boutons);
    colonne->setSizeConstraint(QLayout::SetFixedSize);

    installer_touches_aide(this, QStringLiteral("options.htm"));

    connect(txtDossier, &QLineEdit::textChanged, this, &frmOptions::txtDossier_Change);
    connect(File1, &FileListBox::PathChange, this, &frmOptions::File1_Change);
    connect(File1, &FileListBox::PatternChange, this, &frmOptions::File1_Change);
    connect(lstFiltres, &QListWidget::currentRowChanged, this, &frmOptions::lstFiltres_Click);
    connect(cmdParcourir, &QPushButton::clicked, this, &frmOptions::cmdParcourir_Click);
    for (int i = 0; i < 2; ++i)
        connect(optCouleur[i], &QRadioButton::clicked, this, [this, i] { optCouleur_Click(i); });
    for (QCheckBox* c : {chkVeille, chkDemarrage, chkInfos, chkNomFichier})
        connect(c, &QCheckBox::toggled, this, &frmOptions::modifie);
    connect(cboTemps, &QComboBox::currentIndexChanged, this, &frmOptions::modifie);
    connect(lstTaille, &QListWidget::currentRowChanged, this, &frmOptions::modifie);
    connect(chkSon, &QCheckBox::toggled, this, &frmOptions::chkSon_Click);
    connect(cmdOuvrirSon, &QPushButton::clicked, this, &frmOptions::cmdOuvrirSon_Click);
    connect(cmdJouer, &QPushButton::clicked, this, &frmOptions::cmdJouer_Click);
    connect(cmdStopSon, &QPushButton::clicked, this, &frmOptions::cmdStopSon_Click);
    connect(cmdEcrans, &QPushButton::clicked, this, &frmOptions::cmdEcrans_Click);
    connect(cmdAide, &QPushButton::clicked, this, [this] { ouvrir_aide(this, QStringLiteral("options.htm"), Qt::Key_F1); });
    connect(cmdEnregistrer, &QPushButton::clicked, this, &frmOptions::cmdEnregistrer_Click);
    connect(cmdFermer, &QPushButton::clicked, this, &QDialog::close);
}

void frmOptions::erreur_chargement(const QString& description)
{
    module().interaction->message(this, {description, QStringLiteral("Imagora"), Boutons::Ok, Icone::Exclamation});
}

void frmOptions::modifie()
{
    cmdEnregistrer->setEnabled(true);
}

void frmOptions::Form_Load()
{
    Module& m = module();
    Parametres& p = m.parametres;
    const auto nombre = [&](const char* cle) { return p.nombre(QLatin1String(cle)); };
    // A list index read from the settings, checked against its list however large the stored number.
    const auto indice = [&](const char* cle, int entrees) { return indice_reglage(nombre(cle), entrees); };
    adjustSize();
    centrer(this);

    // The start folder and the type decide the file count once, when both are known.
    {
        const QSignalBlocker silence(File1);
        txtDossier->setText(p.lire(QStringLiteral("dossier demarrage")));
        const QString dossier = txtDossier->text();
        if (!dossier.isEmpty() && !File1->setPath(dossier))
            erreur_chargement(raison_dossier_illisible(dossier));

        for (int s = 1; s <= 60; ++s)
            cboTemps->addItem(texte_nombre(s));
        m.index_fichier = 61;
        if (const auto secondes = indice("secondes", cboTemps->count())) {
            cboTemps->setCurrentIndex(*secondes);
        } else {
            erreur_chargement(QStringLiteral("Le temps d'affichage enregistré (%1) n'est pas dans la liste : 5 secondes sont proposées.")
                                  .arg(p.lire(QStringLiteral("secondes"))));
            cboTemps->setCurrentIndex(4);
        }

        for (const TypeImage& t : types_images())
            lstFiltres->addItem(t.libelle);
        if (const auto type = indice("type fichier", lstFiltres->count())) {
            lstFiltres->setCurrentRow(*type);
        } else {
            erreur_chargement(QStringLiteral("Le type de fichier enregistré (%1) n'est pas dans la liste : tous les fichiers images sont proposés.")
                                  .arg(p.lire(QStringLiteral("type fichier"))));
            lstFiltres->setCurrentRow(0);
        }
    }
    if (!File1->Path().isEmpty())
        File1_Change();

    chkVeille->setChecked(nombre("veille") != 0);
    chkInfos->setChecked(nombre("informations") != 0);
    chkDemarrage->setChecked(nombre("demarrage OS") != 0);
    if (const auto taille = indice("taille", lstTaille->count())) {
        lstTaille->setCurrentRow(*taille);
    } else {
        erreur_chargement(QStringLiteral("La taille d'image enregistrée (%1) n'est pas dans la liste : « Normale » est proposée.")
                              .arg(p.lire(QStringLiteral("taille"))));
        lstTaille->setCurrentRow(0);
    }

    const QString couleur = p.lire(QStringLiteral("couleur fond"));
    optCouleur[1]->setChecked(!couleur.isEmpty());
    lblCouleur->setEnabled(!couleur.isEmpty());
    QRandomGenerator inutile;
    if (couleur.isEmpty()) {
        m_couleur = 0;
    } else if (const auto valeur = couleur_de_fond(couleur, inutile)) {
        m_couleur = *valeur;
    } else {
        erreur_chargement(QStringLiteral("La couleur enregistrée (%1) n'est pas une couleur valide.").arg(couleur));
    }
    QPalette fond = lblCouleur->palette();
    fond.setColor(QPalette::Window, couleur_de_valeur(m_couleur));
    lblCouleur->setPalette(fond);

    chkNomFichier->setChecked(nombre("chemin fichier") != 0);
    cmdEcrans->setEnabled(!programme_ecrans().isEmpty());
    preparer_son();
    cmdEnregistrer->setEnabled(false);
}

// ---- start folder and type ---------------------------------------------------------------------

void frmOptions::txtDossier_Change()
{
    const QString texte = txtDossier->text();
    if (!entree_existe(texte)) {
        chkVeille->setEnabled(false);
        cboTemps->setEnabled(false);
        chkVeille->setChecked(false);
        return;
    }
    if (!QFileInfo(texte).isDir() || !File1->setPath(texte)) {
        // A name that is there but is no folder the program can open.
        chkVeille->setEnabled(false);
        cboTemps->setEnabled(false);
        return;
    }
    cboTemps->setEnabled(true);
}

void frmOptions::File1_Change()
{
    const bool images = File1->ListCount() >= 1;
    chkVeille->setEnabled(images);
    chkVeille->setChecked(images);
    if (!images) {
        module().interaction->message(this, {QStringLiteral("Aucun fichier, du type souhaité, trouvé dans le dossier spécifié."),
                                             QStringLiteral("Information"), Boutons::Ok, Icone::Information});
        cmdEnregistrer->setEnabled(false);
    } else {
        cmdEnregistrer->setEnabled(true);
    }
}

void frmOptions::lstFiltres_Click()
{
    const int index = lstFiltres->currentRow();
    if (index >= 0 && index < static_cast<int>(types_images().size()))
        File1->setPattern(types_images()[index].motif);
    File1->Refresh();
}

void frmOptions::cmdParcourir_Click()
{
    cDlgCom dialogue;
    dialogue.sethdcOwner(this);
    dialogue.setDialogTitle(QStringLiteral("Sélectionnez un dossier de démarrage"));
    dialogue.ShowOpenFolder();
    QString dossier = dialogue.Folder();
    if (dossier.isEmpty())
        return;
    if (!dossier.endsWith(u'/'))
        dossier += u'/';
    txtDossier->setText(dossier);
    File1->setPath(txtDossier->text());
    chkVeille->setEnabled(true);
}

// ---- colour -------------------------------------------------------------------------------------

void frmOptions::optCouleur_Click(int index)
{
    lblCouleur->setEnabled(index == 1);
    modifie();
}

bool frmOptions::eventFilter(QObject* objet, QEvent* evenement)
{
    if (objet == lblCouleur && evenement->type() == QEvent::MouseButtonRelease && lblCouleur->isEnabled()
        && static_cast<QMouseEvent*>(evenement)->button() == Qt::LeftButton)
        lblCouleur_Click();
    return QDialog::eventFilter(objet, evenement);
}

void frmOptions::lblCouleur_Click()
{
    const auto choisie = module().interaction->couleur(this, couleur_de_valeur(m_couleur), QString());
    if (!choisie || !choisie->isValid())
        return;
    m_couleur = valeur_de_couleur(*choisie);
    QPalette fond = lblCouleur->palette();
    fond.setColor(QPalette::Window, couleur_de_valeur(m_couleur));
    lblCouleur->setPalette(fond);
    modifie();
}

// ---- system screen savers -------------------------------------------------------------------------

void frmOptions::cmdEcrans_Click()
{
    const QString programme = programme_ecrans();
    if (programme.isEmpty() || !module().interaction->lancer(programme, {})) {
        module().interaction->message(this, {QStringLiteral("Erreur lors de l'accès à la boite de dialogue des propriétés d'affichage."),
                                             QStringLiteral("Propriétés de l'affichage"), Boutons::Ok, Icone::Information});
    }
}

// ---- saving ---------------------------------------------------------------------------------------

void frmOptions::cmdEnregistrer_Click()
{
    Module& m = module();
    const QString dossier = txtDossier->text();
    if (!dossier.isEmpty() && !entree_existe(dossier)) {
        m.interaction->message(this, {QStringLiteral("Le dossier à afficher au démarrage ne semble pas un dossier valide."),
                                      QStringLiteral("Dossier de démarrage..."), Boutons::Ok, Icone::Information});
        txtDossier->selectAll();
        txtDossier->setFocus();
        return;
    }
    if (lstFiltres->currentRow() < 0) {
        m.interaction->message(this, {QStringLiteral("Sélectionnez un type de fichier."), QStringLiteral("Type de fichier"), Boutons::Ok,
                                      Icone::Information});
        lstFiltres->setFocus();
        return;
    }
    if (!demarrage_windows(chkDemarrage->isChecked() ? 1 : 0, this))
        chkDemarrage->setChecked(false);

    const auto etat = [](const QCheckBox* c) { return c->isChecked() ? QStringLiteral("1") : QStringLiteral("0"); };
    Parametres& p = m.parametres;
    p.sauver(QStringLiteral("demarrage OS"), etat(chkDemarrage));
    p.sauver(QStringLiteral("informations"), etat(chkInfos));
    p.sauver(QStringLiteral("secondes"), QString::number(cboTemps->currentIndex()));
    p.sauver(QStringLiteral("dossier demarrage"), dossier);
    p.sauver(QStringLiteral("veille"), etat(chkVeille));
    p.sauver(QStringLiteral("type fichier"), QString::number(lstFiltres->currentRow()));
    p.sauver(QStringLiteral("couleur fond"), optCouleur[0]->isChecked() ? QString() : QString::number(m_couleur));
    p.sauver(QStringLiteral("chemin fichier"), etat(chkNomFichier));
    p.sauver(QStringLiteral("taille"), QString::number(lstTaille->currentRow()));
    p.sauver(QStringLiteral("son"), valeur_son());
    cmdEnregistrer->setEnabled(false);
}

// ---- sound ----------------------------------------------------------------------------------------

void frmOptions::ouvrir_fichier_son()
{
    Module& m = module();
    if (!m.lecteur_son)
        return;
    // The player answers later (son_charge, son_refuse): the window never waits for it.
    lblEtatSon->setText(QStringLiteral("Ouverture du son « %1 »...").arg(QFileInfo(m.fichier_son).fileName()));
    lblEtatSon->setToolTip(m.fichier_son);
    m.lecteur_son->Ouvrir(m.fichier_son, 0, 0, Picture1->width(), Picture1->height(), Picture1);
}

void frmOptions::son_charge()
{
    lblEtatSon->setText(QStringLiteral("Son prêt : « %1 »").arg(QFileInfo(module().fichier_son).fileName()));
}

void frmOptions::son_refuse(const QString& raison)
{
    // Nothing to play: the section says why, where the user looks, without a box at each opening.
    lblEtatSon->setText(raison);
    cmdJouer->setEnabled(false);
    cmdStopSon->setEnabled(false);
}

void frmOptions::preparer_son()
{
    Module& m = module();
    m.lecteur_son = std::make_unique<LecteurSon>();
    connect(m.lecteur_son.get(), &LecteurSon::charge, this, &frmOptions::son_charge);
    connect(m.lecteur_son.get(), &LecteurSon::echec, this, &frmOptions::son_refuse);
    const QString son = m.parametres.lire(QStringLiteral("son"));
    const bool sortie = LecteurSon::nombre_sorties_audio() >= 1;
    chkSon->setEnabled(true);
    {
        // Ticking the box from here must not open the file a second time through its handler.
        const QSignalBlocker silence(chkSon);
        chkSon->setChecked(!son.isEmpty());
    }
    lblEtatSon->clear();
    lblEtatSon->setEnabled(!son.isEmpty());
    if (!son.isEmpty()) {
        cmdJouer->setEnabled(true);
        cmdOuvrirSon->setEnabled(true);
        cmdStopSon->setEnabled(false);
        m.fichier_son = son;
        if (sortie)
            ouvrir_fichier_son();
    } else {
        cmdJouer->setEnabled(false);
        cmdOuvrirSon->setEnabled(true);
        cmdStopSon->setEnabled(false);
        m.fichier_son.clear();
    }
    if (!sortie) {
        chkSon->setEnabled(false);
        {
            const QSignalBlocker silence(chkSon);
            chkSon->setChecked(false);
        }
        lblEtatSon->setEnabled(false);
        m.parametres.sauver(QStringLiteral("son"), QString());
        cmdJouer->setEnabled(false);
        cmdOuvrirSon->setEnabled(false);
        cmdStopSon->setEnabled(false);
        m.fichier_son.clear();
    }
}

void frmOptions::chkSon_Click()
{
    Module& m = module();
    lblEtatSon->setEnabled(chkSon->isChecked());
    if (!chkSon->isChecked()) {
        cmdJouer->setEnabled(false);
        cmdStopSon->setEnabled(false);
        cmdOuvrirSon->setEnabled(false);
    } else {
        cmdOuvrirSon->setEnabled(true);
        cmdJouer->setEnabled(false);
        cmdStopSon->setEnabled(false);
        const QString son = m.parametres.lire(QStringLiteral("son"));
        if (!son.isEmpty()) {
            m.fichier_son = son;
            ouvrir_fichier_son();
            cmdJouer->setEnabled(true);
        }
    }
    modifie();
}

void frmOptions::cmdOuvrirSon_Click()
{
    cDlgCom dialogue;
    dialogue.sethdcOwner(this);
    dialogue.setFilename(QString());
    dialogue.setDialogTitle(QStringLiteral("Sélection d'un fichier multimédia..."));
    dialogue.setFlags(530436);
    dialogue.setFilter(QStringLiteral(
        "Fichiers MIDI (*.rmi;*.mid;*.midi)|*.rmi;*.mid;*.midi|Fichiers Windows Média (*.aif;*.wm;*.wma)|*.aif;*.wm;*.wma|"
        "Fichiers Audio (*.wav;*.snd;*.ai;*.aifc;*.aiff)|*.wav;*.snd;*.ai;*.aifc;*.aiff|Fichiers Multimédias "
        "(*.mp3;*.asx;*.wax;*.m3u;*.wvx)|*.mp3;*.asx;*.wax;*.m3u;*.wvx|"));
    dialogue.setFilterIndex(3);
    dialogue.setInitDir(dossier_windows());
    if (!dialogue.ShowOpen() || dialogue.Filename().isEmpty())
        return;
    module().fichier_son = dialogue.Filename();
    ouvrir_fichier_son();
    modifie();
    cmdJouer->setEnabled(true);
    cmdStopSon->setEnabled(false);
}

void frmOptions::cmdJouer_Click()
{
    cmdStopSon->setEnabled(true);
    cmdJouer->setEnabled(false);
    module().lecteur_son->jouer();
}

void frmOptions::cmdStopSon_Click()
{
    cmdStopSon->setEnabled(false);
    cmdJouer->setEnabled(true);
    module().lecteur_son->arret();
}

QString frmOptions::valeur_son() const
{
    if (!chkSon->isEnabled() || !chkSon->isChecked())
        return {};
    return module().fichier_son;
}
