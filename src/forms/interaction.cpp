#include "forms/interaction.h"

#include <QColorDialog>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFontMetrics>
#include <QInputDialog>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QScreen>

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

// Room a message box keeps around its text: the icon and the margins beside it, the buttons and
// the margins below it, and the details once they are opened, in pixels.
constexpr int marge_largeur = 120;
constexpr int marge_hauteur = 160;
constexpr int place_details = 160;

const QString points = QStringLiteral("…");

// Height of the text once wrapped at blanks to `largeur`.
int hauteur_de(const QStringList& lignes, const QFontMetrics& metriques, int largeur)
{
    return metriques.boundingRect(QRect(0, 0, largeur, 1 << 24), Qt::TextWordWrap, lignes.join(u'\n')).height();
}

// The line with each run of characters wider than `largeur` shortened in its middle.
QString raccourcir_mots(const QString& ligne, const QFontMetrics& metriques, int largeur)
{
    QString resultat;
    resultat.reserve(ligne.size());
    qsizetype i = 0;
    while (i < ligne.size()) {
        if (ligne.at(i).isSpace()) {
            resultat += ligne.at(i++);
            continue;
        }
        qsizetype fin = i;
        while (fin < ligne.size() && !ligne.at(fin).isSpace())
            ++fin;
        const QString mot = ligne.sliced(i, fin - i);
        resultat += metriques.horizontalAdvance(mot) > largeur ? metriques.elidedText(mot, Qt::ElideMiddle, largeur) : mot;
        i = fin;
    }
    return resultat;
}

} // namespace

QString texte_ajuste(const QString& texte, const QFontMetrics& metriques, int largeur, int hauteur)
{
    largeur = std::max(largeur, 1);
    hauteur = std::max(hauteur, metriques.lineSpacing());
    QStringList lignes = texte.split(u'\n');
    for (QString& ligne : lignes)
        ligne = raccourcir_mots(ligne, metriques, largeur);
    if (hauteur_de(lignes, metriques, largeur) <= hauteur)
        return lignes.join(u'\n');

    // Too many lines: the first and the last ones stay, those between give way to "…". The most
    // lines that fit are searched by halves, since the height grows with the lines kept.
    const auto garder = [&](qsizetype n) {
        const qsizetype tete = (n + 1) / 2;
        return lignes.mid(0, tete) + QStringList{points} + lignes.mid(lignes.size() - (n - tete));
    };
    qsizetype tient = 0, trop = lignes.size(); // `tient` lines fit (0: not even one), `trop` do not
    while (trop - tient > 1) {
        const qsizetype milieu = tient + (trop - tient) / 2;
        if (hauteur_de(garder(milieu), metriques, largeur) <= hauteur)
            tient = milieu;
        else
            trop = milieu;
    }
    if (tient > 0)
        return garder(tient).join(u'\n');
    // One line is taller than the area on its own: it is shortened in its middle until it fits.
    const QString& seule = lignes.constFirst();
    for (qint64 etendue = qint64(largeur) * (hauteur / metriques.lineSpacing()); etendue > largeur; etendue = etendue * 3 / 4) {
        const QString essai = metriques.elidedText(seule, Qt::ElideMiddle, static_cast<int>(std::min<qint64>(etendue, 1 << 30)));
        if (hauteur_de({essai}, metriques, largeur) <= hauteur)
            return essai;
    }
    return metriques.elidedText(seule, Qt::ElideMiddle, largeur);
}

Reponse InteractionQt::message(QWidget* parent, const Message& m)
{
    QMessageBox boite(icone_qt(m.icone), m.titre, m.texte, QMessageBox::NoButton, parent);
    boite.setTextFormat(Qt::PlainText);
    // A long path, or a long list, must not make the box wider or taller than the screen: the box
    // shows a shortened text, and the whole of it stays in the details.
    if (const QScreen* ecran = boite.screen()) {
        const QRect zone = ecran->availableGeometry();
        const int largeur = std::min(zone.width() / 2, 500) - marge_largeur;
        const int hauteur = zone.height() - marge_hauteur;
        const QFontMetrics metriques(boite.font());
        if (texte_ajuste(m.texte, metriques, largeur, hauteur) != m.texte) {
            boite.setText(texte_ajuste(m.texte, metriques, largeur, hauteur - place_details));
            boite.setDetailedText(m.texte);
        }
    }
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
