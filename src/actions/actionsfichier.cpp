#include "actions/actionsfichier.h"

#include "forms/listefichiers.h"
#include "options/cdlgcom.h"
#include "platform/bureau.h"
#include "platform/fichiers.h"
#include "search/winseek.h"
#include "show/frmapercu.h"
#include "show/frmdiaporama.h"
#include "startup/module.h"

#include <QFileInfo>
#include <QSaveFile>
#include <QUrl>
#include <QtConcurrent/QtConcurrentRun>

namespace {

const QString titre_programme = QStringLiteral("IMAGORA");

void information(QWidget* parent, const QString& texte, const QString& titre = QStringLiteral("Information"))
{
    module().interaction->message(parent, {texte, titre, Boutons::Ok, Icone::Information});
}

Reponse question(QWidget* parent, const QString& texte)
{
    // Questions that can destroy or replace a file answer No unless the user says Yes.
    return module().interaction->message(parent, {texte, titre_programme, Boutons::OuiNon, Icone::Question, 1});
}

// An entry of that path, whatever it is: a file, a folder, or a link, even one that leads nowhere.
bool entree_existe(const QString& chemin)
{
    const QFileInfo info(chemin);
    return info.exists() || info.isSymLink();
}

} // namespace

ActionsFichier::ActionsFichier(Navigateur& navigateur, QObject* parent)
    : QObject(parent)
    , m_navigateur(navigateur)
{
    connect(&m_fond, &QFutureWatcher<ResultatFond>::finished, this, &ActionsFichier::fond_pose);
}

QString ActionsFichier::fichier_fond()
{
    return dossier_windows() + QStringLiteral("/fond.bmp");
}

void ActionsFichier::lblOption_Click(int index, const SelectionImage& selection)
{
    QWidget* parent = m_navigateur.fenetre();
    if (index == 3) {
        if (m_navigateur.liste_fichiers().ListCount() < 1) {
            information(parent, QStringLiteral("Aucune image à visionner"));
        } else if (m_lanceur) {
            m_lanceur->raise();
            m_lanceur->activateWindow();
        } else {
            m_lanceur = new frmDiaporama(m_navigateur.liste_fichiers(), parent);
            m_lanceur->setAttribute(Qt::WA_DeleteOnClose);
            m_lanceur->show();
        }
        return;
    }
    if (index == 5) {
        WinSeek recherche(parent);
        recherche.exec();
        return;
    }
    if (index < 0 || index > 7)
        return;

    if (selection.vide()) {
        information(parent, QStringLiteral("Sélectionnez d'abord une image dans la liste."));
        return;
    }
    if (selection.ligne < 0)
        return; // the file is no longer the highlighted row of the list
    switch (index) {
    case 0: fond_ecran(selection); break;
    case 1: frmApercu::voir_taille_reelle(parent, selection.texte()); break;
    case 2: editer(selection); break;
    case 4: supprimer(selection); break;
    case 6: copier_deplacer(selection); break;
    case 7: renommer(selection); break;
    default: break;
    }
}

void ActionsFichier::fond_ecran(const SelectionImage& selection)
{
    // The whole picture, whatever its type, becomes a bitmap the desktop reads, at most at the
    // screen's size. Written in one step, it never leaves a half-written bitmap behind.
    const QString source = selection.texte();
    const QString cible = fichier_fond();
    m_fond.setFuture(QtConcurrent::run([source, cible, ecran = bureau::taille_ecran()] {
        ResultatFond r;
        const ImageLue lue = image_ajustee(source, ecran);
        if (!lue.ok())
            return ResultatFond{1, QStringLiteral("Le fichier %1 ne peut pas être lu.").arg(source)};
        QSaveFile fichier(cible);
        if (!fichier.open(QIODevice::WriteOnly) || !lue.image.save(&fichier, "BMP") || !fichier.commit())
            return ResultatFond{1, QStringLiteral("Le fichier %1 ne peut pas être écrit : %2").arg(cible, fichier.errorString())};
        if (!QFileInfo(cible).isFile())
            return ResultatFond{3, {}};
        if (!bureau::fixe_fond_ecran(cible, &r.erreur))
            r.numero = 2;
        return r;
    }));
}

void ActionsFichier::fond_pose()
{
    const ResultatFond r = m_fond.result();
    if (r.numero == 3) {
        information(m_navigateur.fenetre(),
                    QStringLiteral("Le fichier ") + fichier_fond() + QStringLiteral(" est introuvable. Celui-ci devrait se trouver dans: ")
                        + dossier_windows(),
                    QStringLiteral("Fichier introuvable"));
    } else if (r.numero != 0) {
        erreur_generale(r.numero, r.erreur);
    }
}

void ActionsFichier::erreur_generale(int numero, const QString& description)
{
    module().interaction->message(m_navigateur.fenetre(),
                                  {QStringLiteral("Une erreur est intervenue dans le programme.") + u'\n' + QStringLiteral("No: ")
                                       + QString::number(numero) + u'\n' + QStringLiteral("Type: ") + description,
                                   QStringLiteral("Erreur..."), Boutons::Ok, Icone::Critique});
}

void ActionsFichier::editer(const SelectionImage& selection)
{
    const QString image = selection.texte();
    if (bureau::application_associee(image).isEmpty()) {
        information(m_navigateur.fenetre(), QStringLiteral("Aucun éditeur d'associé avec le type de fichier sélectionné [")
                                                + QFileInfo(image).suffix().toUpper() + QStringLiteral("]."));
        return;
    }
    module().interaction->ouvrir(QUrl::fromLocalFile(image));
}

void ActionsFichier::supprimer(const SelectionImage& selection)
{
    QWidget* parent = m_navigateur.fenetre();
    if (question(parent, QStringLiteral("Voulez-vous vraiment mettre le fichier \"%1\" à la corbeille ?").arg(selection.nom))
        != Reponse::Oui)
        return;
    QString erreur;
    if (!fichiers::mettre_a_la_corbeille(selection.texte(), &erreur)) {
        information(parent, QStringLiteral("Le fichier \"%1\" n'a pas pu être mis à la corbeille : %2.").arg(selection.nom, erreur),
                    titre_programme);
        return;
    }
    m_navigateur.fichier_parti(selection.nom_octets());
}

void ActionsFichier::copier_deplacer(const SelectionImage& selection)
{
    QWidget* parent = m_navigateur.fenetre();
    cDlgCom dialogue;
    dialogue.sethdcOwner(parent);
    dialogue.setDialogTitle(QStringLiteral("Sélectionnez un dossier de destination"));
    if (!dialogue.ShowOpenFolder())
        return;
    QString dossier = dialogue.Folder();
    if (dossier.isEmpty())
        return;
    // The same folder however it is spelled (links, "..", a final "/").
    if (QFileInfo(dossier).canonicalFilePath() == QFileInfo(m_navigateur.liste_fichiers().Path()).canonicalFilePath()) {
        information(parent, QStringLiteral("Impossible de copier/déplacer le fichier dans le même dossier où il se trouve déjà."),
                    titre_programme);
        return;
    }
    if (!dossier.endsWith(u'/'))
        dossier += u'/';
    const QString image = selection.texte();
    const QString cible = dossier + selection.nom;
    if (entree_existe(cible)) {
        if (QFileInfo(cible).isDir()) {
            information(parent, QStringLiteral("Un dossier de ce nom existe déjà dans le dossier de destination : %1").arg(cible),
                        titre_programme);
            return;
        }
        // A link to the picture, or a second name of it: replacing it would destroy the picture.
        if (fichiers::meme_fichier(image, cible)) {
            information(parent,
                        QStringLiteral("Impossible de copier le fichier : %1 est le fichier d'origine lui-même (ou un lien vers lui).")
                            .arg(cible),
                        titre_programme);
            return;
        }
        if (question(parent, QStringLiteral("Un fichier de ce nom existe déjà dans le dossier de destination. Voulez-vous "
                                            "écraser celui-ci ?"))
            != Reponse::Oui)
            return;
        // The existing file is replaced only by a complete copy, in one step.
    }
    QString erreur;
    if (!fichiers::copier(image, cible, &erreur)) {
        information(parent, QStringLiteral("Le fichier n'a pas été copié. ") + erreur, titre_programme);
        m_navigateur.relire_liste();
        return;
    }
    if (question(parent, QStringLiteral("Le fichier a été copié dans le dossier désiré. Voulez-vous supprimer le fichier "
                                        "d'origine ?"))
        == Reponse::Oui) {
        // The copy must still be there, whole, and be another file than the original.
        if (!fichiers::meme_fichier(image, cible) && QFileInfo(cible).size() == QFileInfo(image).size()) {
            QFile source(image);
            if (!source.remove()) {
                information(parent,
                            QStringLiteral("Le fichier d'origine n'a pas pu être supprimé : %1. La copie est faite.")
                                .arg(source.errorString()),
                            titre_programme);
            }
        } else {
            information(parent, QStringLiteral("Le fichier d'origine est gardé : sa copie %1 a changé entre-temps.").arg(cible),
                        titre_programme);
        }
    }
    m_navigateur.relire_liste();
}

void ActionsFichier::renommer(const SelectionImage& selection)
{
    QWidget* parent = m_navigateur.fenetre();
    const auto reponse = module().interaction->saisie(
        parent, {QStringLiteral("Entrez le nouveau nom du fichier [avec son extension (ex: xxxx.gif)]:"), titre_programme, selection.nom});
    if (!reponse || reponse->isEmpty() || *reponse == selection.nom)
        return;
    const QString nouveau = *reponse;
    QString erreur;
    switch (fichiers::renommer(selection.texte(), nouveau, &erreur)) {
    case fichiers::Renommage::Fait: break;
    case fichiers::Renommage::Existe:
        information(parent, QStringLiteral("Impossible de renommer le fichier.Un fichier de ce nom existe déjà."), titre_programme);
        return;
    case fichiers::Renommage::NomInvalide:
        information(parent,
                    QStringLiteral("Impossible de renommer le fichier : le nom ne peut pas être vide ni contenir le caractère \"/\"."),
                    titre_programme);
        return;
    case fichiers::Renommage::Echec:
        information(parent, QStringLiteral("Impossible de renommer le fichier : %1.").arg(erreur), titre_programme);
        return;
    }
    m_navigateur.relire_liste();
    m_navigateur.marquer_nom(QFile::encodeName(nouveau));
}
