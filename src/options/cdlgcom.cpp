#include "options/cdlgcom.h"

#include "startup/module.h"

#include <QDir>
#include <QFileInfo>

QString cDlgCom::filtre_qt(const QString& filtre)
{
    const QStringList parties = filtre.split(u'|');
    QStringList entrees;
    for (qsizetype i = 0; i + 1 < parties.size(); i += 2) {
        QStringList masques = parties.at(i + 1).split(u';', Qt::SkipEmptyParts);
        for (QString& m : masques)
            m = m.trimmed();
        entrees.append(parties.at(i).trimmed() + QStringLiteral(" (") + masques.join(u' ') + u')');
    }
    return entrees.join(QStringLiteral(";;"));
}

bool cDlgCom::ShowOpen()
{
    return ShowFileDialog(true);
}

bool cDlgCom::ShowSave()
{
    return ShowFileDialog(false);
}

bool cDlgCom::ShowFileDialog(bool ouvrir)
{
    if (m_filtre.isEmpty())
        m_filtre = QStringLiteral("Tous(*.*)|*.*");
    if (m_index_filtre == 0)
        m_index_filtre = 1;

    ChoixFichier choix;
    choix.mode = ouvrir ? ChoixFichier::Mode::Ouvrir : ChoixFichier::Mode::Enregistrer;
    choix.titre = m_titre;
    choix.dossier = m_dossier_initial;
    choix.nom = m_fichier;
    choix.filtre = filtre_qt(m_filtre);
    choix.index_filtre = m_index_filtre - 1;
    QString choisi = module().interaction->fichier(m_proprietaire, choix);
    if (choisi.isEmpty()) {
        m_fichier.clear();
        m_titre_fichier.clear();
        m_options = 0;
        return false;
    }
    if (!ouvrir && !m_extension.isEmpty() && QFileInfo(choisi).suffix().isEmpty())
        choisi += u'.' + m_extension;
    m_fichier = choisi;
    m_titre_fichier = QFileInfo(choisi).fileName();
    m_dossier = QFileInfo(choisi).absolutePath(); // "/" for a file at the root
    m_options &= 0x1FF1F;
    return true;
}

bool cDlgCom::ShowOpenFolder()
{
    const QString choisi = module().interaction->dossier(m_proprietaire, m_titre, QDir::homePath());
    if (choisi.isEmpty())
        return false;
    m_dossier = QDir::cleanPath(choisi);
    return true;
}
