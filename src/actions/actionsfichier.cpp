#include "actions/actionsfichier.h"

#include "browser/frmvisualiseur.h"
#include "forms/listefichiers.h"
#include "options/cdlgcom.h"
#include "picture/chargeur.h"
#include "platform/bureau.h"
#include "platform/fichiers.h"
#include "show/frmapercu.h"
#include "show/frmdiaporama.h"
#include "startup/module.h"

#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QFutureWatcher>
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

// Decodes away from the window's thread, keeping the windows painted meanwhile.
ImageLue lire_sans_bloquer(const QString& chemin)
{
    QFutureWatcher<ImageLue> lecture;
    QEventLoop attente;
    QObject::connect(&lecture, &QFutureWatcher<ImageLue>::finished, &attente, &QEventLoop::quit);
    lecture.setFuture(QtConcurrent::run([chemin] { return image_complete(chemin); }));
    if (!lecture.isFinished())
        attente.exec(QEventLoop::ExcludeUserInputEvents);
    return lecture.result();
}

} // namespace

ActionsFichier::ActionsFichier(frmVisualiseur& visualiseur)
    : QObject(&visualiseur)
    , m_visualiseur(visualiseur)
{
}

QString ActionsFichier::fichier_fond()
{
    return dossier_windows() + QStringLiteral("/fond.bmp");
}

void ActionsFichier::lblOption_Click(int index)
{
    QWidget* parent = &m_visualiseur;
    if (index == 3) {
        if (m_visualiseur.fichiers()->ListCount() < 1) {
            information(parent, QStringLiteral("Aucune image à visionner"));
        } else if (m_lanceur) {
            m_lanceur->raise();
            m_lanceur->activateWindow();
        } else {
            m_lanceur = new frmDiaporama(*m_visualiseur.fichiers(), parent);
            m_lanceur->setAttribute(Qt::WA_DeleteOnClose);
            m_lanceur->show();
        }
        return;
    }
    if (index == 5) {
        m_visualiseur.ouvrir_recherche();
        return;
    }
    if (index < 0 || index > 7)
        return;

    const QString image = m_visualiseur.image_selectionnee();
    if (image.isEmpty()) {
        information(parent, QStringLiteral("Sélectionnez d'abord une image dans la liste."));
        return;
    }
    const int ligne = m_visualiseur.ligne_selectionnee();
    if (ligne < 0)
        return; // nothing selected in the list any more
    const QString nom = m_visualiseur.nom_ligne(ligne);
    switch (index) {
    case 0: fond_ecran(image); break;
    case 1: frmApercu::voir_taille_reelle(parent, image); break;
    case 2: editer(image); break;
    case 4: supprimer(image, ligne); break;
    case 6: copier_deplacer(image, nom); break;
    case 7: renommer(image, nom); break;
    default: break;
    }
}

void ActionsFichier::fond_ecran(const QString& image)
{
    // The whole picture, whatever its type, becomes a bitmap the desktop reads.
    const QString cible = fichier_fond();
    const ImageLue lue = lire_sans_bloquer(image);
    QString erreur;
    if (!lue.ok()) {
        erreur = QStringLiteral("Le fichier %1 ne peut pas être lu.").arg(image);
    } else {
        QSaveFile fichier(cible);
        if (!fichier.open(QIODevice::WriteOnly) || !lue.image.save(&fichier, "BMP") || !fichier.commit())
            erreur = QStringLiteral("Le fichier %1 ne peut pas être écrit : %2").arg(cible, fichier.errorString());
    }
    if (!erreur.isEmpty()) {
        erreur_generale(1, erreur);
        return;
    }
    if (!QFileInfo(cible).isFile()) {
        information(&m_visualiseur,
                    QStringLiteral("Le fichier ") + cible + QStringLiteral(" est introuvable. Celui-ci devrait se trouver dans: ")
                        + dossier_windows(),
                    QStringLiteral("Fichier introuvable"));
        return;
    }
    if (!bureau::fixe_fond_ecran(cible, &erreur))
        erreur_generale(2, erreur);
}

void ActionsFichier::erreur_generale(int numero, const QString& description)
{
    module().interaction->message(&m_visualiseur,
                                  {QStringLiteral("Une erreur est intervenue dans le programme.") + u'\n' + QStringLiteral("No: ")
                                       + QString::number(numero) + u'\n' + QStringLiteral("Type: ") + description,
                                   QStringLiteral("Erreur..."), Boutons::Ok, Icone::Critique});
}

void ActionsFichier::editer(const QString& image)
{
    if (bureau::application_associee(image).isEmpty()) {
        information(&m_visualiseur, QStringLiteral("Aucun éditeur d'associé avec le type de fichier sélectionné [")
                                        + QFileInfo(image).suffix().toUpper() + QStringLiteral("]."));
        return;
    }
    module().interaction->ouvrir(QUrl::fromLocalFile(image));
}

void ActionsFichier::supprimer(const QString& image, int ligne)
{
    const QString nom = QFileInfo(image).fileName();
    if (question(&m_visualiseur, QStringLiteral("Voulez-vous vraiment mettre le fichier \"%1\" à la corbeille ?").arg(nom))
        != Reponse::Oui)
        return;
    QString erreur;
    if (!fichiers::mettre_a_la_corbeille(image, &erreur)) {
        information(&m_visualiseur,
                    QStringLiteral("Le fichier \"%1\" n'a pas pu être mis à la corbeille : %2").arg(nom, erreur),
                    titre_programme);
        return;
    }
    FileListBox* liste = m_visualiseur.fichiers();
    liste->Refresh();
    if (liste->ListCount() < m_visualiseur.nombre_lignes())
        m_visualiseur.retirer_ligne(ligne);
}

void ActionsFichier::copier_deplacer(const QString& image, const QString& nom)
{
    cDlgCom dialogue;
    dialogue.sethdcOwner(&m_visualiseur);
    dialogue.setDialogTitle(QStringLiteral("Sélectionnez un dossier de destination"));
    if (!dialogue.ShowOpenFolder())
        return;
    QString dossier = dialogue.Folder();
    if (dossier.isEmpty())
        return;
    // The same folder however it is spelled (links, "..", a final "/").
    if (QFileInfo(dossier).canonicalFilePath() == QFileInfo(m_visualiseur.fichiers()->Path()).canonicalFilePath()) {
        information(&m_visualiseur,
                    QStringLiteral("Impossible de copier/déplacer le fichier dans le même dossier où il se trouve déjà."),
                    titre_programme);
        return;
    }
    if (!dossier.endsWith(u'/'))
        dossier += u'/';
    const QString cible = dossier + nom;
    const QFileInfo existante(cible);
    if (existante.exists()) {
        if (existante.isDir()) {
            information(&m_visualiseur, QStringLiteral("Un dossier de ce nom existe déjà dans le dossier de destination : %1").arg(cible),
                        titre_programme);
            return;
        }
        if (question(&m_visualiseur, QStringLiteral("Un fichier de ce nom existe déjà dans le dossier de destination. Voulez-vous "
                                                    "écraser celui-ci ?"))
            != Reponse::Oui)
            return;
        // The existing file is replaced only by a complete copy, in one step.
    }
    QString erreur;
    if (!fichiers::copier(image, cible, &erreur)) {
        information(&m_visualiseur, QStringLiteral("Le fichier n'a pas été copié. ") + erreur, titre_programme);
        m_visualiseur.relire_liste();
        return;
    }
    if (question(&m_visualiseur, QStringLiteral("Le fichier a été copié dans le dossier désiré. Voulez-vous supprimer le fichier "
                                                "d'origine ?"))
        == Reponse::Oui) {
        QFile source(image);
        if (!source.remove()) {
            information(&m_visualiseur,
                        QStringLiteral("Le fichier d'origine n'a pas pu être supprimé : %1. La copie est faite.").arg(source.errorString()),
                        titre_programme);
        }
    }
    m_visualiseur.relire_liste();
}

void ActionsFichier::renommer(const QString& image, const QString& nom)
{
    const auto reponse = module().interaction->saisie(
        &m_visualiseur, {QStringLiteral("Entrez le nouveau nom du fichier [avec son extension (ex: xxxx.gif)]:"), titre_programme, nom});
    if (!reponse || reponse->isEmpty() || *reponse == nom)
        return;
    const QString nouveau = *reponse;
    QString erreur;
    switch (fichiers::renommer(image, nouveau, &erreur)) {
    case fichiers::Renommage::Fait: break;
    case fichiers::Renommage::Existe:
        information(&m_visualiseur, QStringLiteral("Impossible de renommer le fichier.Un fichier de ce nom existe déjà."), titre_programme);
        return;
    case fichiers::Renommage::NomInvalide:
        information(&m_visualiseur,
                    QStringLiteral("Impossible de renommer le fichier : le nom ne peut pas être vide ni contenir le caractère \"/\"."),
                    titre_programme);
        return;
    case fichiers::Renommage::Echec:
        information(&m_visualiseur, QStringLiteral("Impossible de renommer le fichier : %1.").arg(erreur), titre_programme);
        return;
    }
    m_visualiseur.relire_liste();
    m_visualiseur.selectionner_nom(nouveau);
}
