#include "forms/interaction.h"

#include <QColorDialog>
#include <QDesktopServices>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>

#include <algorithm>

namespace {

struct BoutonQt {
    QMessageBox::StandardButton qt;
    Reponse reponse;
};

QList<BoutonQt> boutons_de(Boutons b)
{
    using B = QMessageBox;
    switch (b) {
    case Boutons::Ok: return {{B::Ok, Reponse::Ok}};
    case Boutons::OkAnnuler: return {{B::Ok, Reponse::Ok}, {B::Cancel, Reponse::Annuler}};
    case Boutons::AbandonnerRecommencerIgnorer:
        return {{B::Abort, Reponse::Abandonner}, {B::Retry, Reponse::Recommencer}, {B::Ignore, Reponse::Ignorer}};
    case Boutons::OuiNonAnnuler:
        return {{B::Yes, Reponse::Oui}, {B::No, Reponse::Non}, {B::Cancel, Reponse::Annuler}};
    case Boutons::OuiNon: return {{B::Yes, Reponse::Oui}, {B::No, Reponse::Non}};
    case Boutons::RecommencerAnnuler: return {{B::Retry, Reponse::Recommencer}, {B::Cancel, Reponse::Annuler}};
    }
    return {{B::Ok, Reponse::Ok}};
}

QMessageBox::Icon icone_qt(Icone i)
{
    switch (i) {
    case Icone::Aucune: return QMessageBox::NoIcon;
    case Icone::Critique: return QMessageBox::Critical;
    case Icone::Question: return QMessageBox::Question;
    case Icone::Exclamation: return QMessageBox::Warning;
    case Icone::Information: return QMessageBox::Information;
    }
    return QMessageBox::NoIcon;
}

} // namespace

Reponse InteractionQt::message(QWidget* parent, const Message& m)
{
    QMessageBox boite(icone_qt(m.icone), m.titre, m.texte, QMessageBox::NoButton, parent);
    boite.setTextFormat(Qt::PlainText);
    const QList<BoutonQt> boutons = boutons_de(m.boutons);
    for (const BoutonQt& b : boutons)
        boite.addButton(b.qt);
    const auto defaut = std::clamp<qsizetype>(m.bouton_par_defaut, 0, boutons.size() - 1);
    boite.setDefaultButton(boutons[defaut].qt);
    boite.exec();
    const QMessageBox::StandardButton choisi = boite.standardButton(boite.clickedButton());
    for (const BoutonQt& b : boutons) {
        if (b.qt == choisi)
            return b.reponse;
    }
    // Closed without a button (Escape or the frame): the box's cancelling answer.
    for (Reponse r : {Reponse::Annuler, Reponse::Non, Reponse::Ok, Reponse::Abandonner}) {
        for (const BoutonQt& b : boutons) {
            if (b.reponse == r)
                return r;
        }
    }
    return boutons.front().reponse;
}

std::optional<QString> InteractionQt::saisie(QWidget* parent, const Saisie& s)
{
    bool ok = false;
    QString texte = QInputDialog::getText(parent, s.titre, s.invite, QLineEdit::Normal, s.defaut, &ok);
    if (!ok)
        return std::nullopt;
    return texte;
}

QString InteractionQt::dossier(QWidget* parent, const QString& titre, const QString& depart)
{
    return QFileDialog::getExistingDirectory(parent, titre, depart, QFileDialog::ShowDirsOnly);
}

QString InteractionQt::fichier(QWidget* parent, const ChoixFichier& choix)
{
    QFileDialog dialogue(parent, choix.titre, choix.dossier, choix.filtre);
    const bool enregistrer = choix.mode == ChoixFichier::Mode::Enregistrer;
    dialogue.setAcceptMode(enregistrer ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialogue.setFileMode(enregistrer ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    // The filter names already show their patterns, written the program's way ("*.wav;*.snd").
    dialogue.setOption(QFileDialog::HideNameFilterDetails);
    const QStringList filtres = dialogue.nameFilters();
    if (choix.index_filtre >= 0 && choix.index_filtre < filtres.size())
        dialogue.selectNameFilter(filtres.at(choix.index_filtre));
    if (!choix.nom.isEmpty())
        dialogue.selectFile(choix.nom);
    if (dialogue.exec() != QDialog::Accepted || dialogue.selectedFiles().isEmpty())
        return {};
    return dialogue.selectedFiles().constFirst();
}

std::optional<QColor> InteractionQt::couleur(QWidget* parent, const QColor& initiale, const QString& titre)
{
    const QColor c = QColorDialog::getColor(initiale, parent, titre);
    if (!c.isValid())
        return std::nullopt;
    return c;
}

bool InteractionQt::lancer(const QString& programme, const QStringList& arguments)
{
    return QProcess::startDetached(programme, arguments);
}

bool InteractionQt::ouvrir(const QUrl& document)
{
    return QDesktopServices::openUrl(document);
}

ResultatProgramme InteractionQt::executer(const QString& programme, const QStringList& arguments)
{
    QProcess processus;
    processus.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    processus.start(programme, arguments);
    if (!processus.waitForStarted(5000))
        return {};
    if (!processus.waitForFinished(10000)) {
        processus.kill();
        processus.waitForFinished(1000);
        return {};
    }
    if (processus.exitStatus() != QProcess::NormalExit)
        return {};
    return {processus.exitCode(), processus.readAllStandardOutput()};
}
