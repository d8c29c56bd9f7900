#include "interaction_test.h"

#include "startup/module.h"

#include <QCoreApplication>
#include <QThread>

Reponse InteractionTest::message(QWidget*, const Message& m)
{
    messages.append(m);
    if (pendant_message)
        pendant_message(m);
    if (!reponses.isEmpty())
        return reponses.takeFirst();
    switch (m.boutons) {
    case Boutons::OuiNon:
    case Boutons::OuiNonAnnuler: return Reponse::Non;
    case Boutons::OkAnnuler:
    case Boutons::RecommencerAnnuler: return Reponse::Annuler;
    default: return Reponse::Ok;
    }
}

std::optional<QString> InteractionTest::saisie(QWidget*, const Saisie& s)
{
    saisies.append(s);
    return reponses_saisie.isEmpty() ? std::nullopt : reponses_saisie.takeFirst();
}

QString InteractionTest::dossier(QWidget*, const QString& titre, const QString&)
{
    titres_dossier.append(titre);
    return reponses_dossier.isEmpty() ? QString() : reponses_dossier.takeFirst();
}

QString InteractionTest::fichier(QWidget*, const ChoixFichier& choix)
{
    choix_fichier.append(choix);
    return reponses_fichier.isEmpty() ? QString() : reponses_fichier.takeFirst();
}

std::optional<QColor> InteractionTest::couleur(QWidget*, const QColor&, const QString&)
{
    return reponses_couleur.isEmpty() ? std::nullopt : reponses_couleur.takeFirst();
}

bool InteractionTest::lancer(const QString& programme, const QStringList& arguments)
{
    lancements.append({programme, arguments});
    return lancement_reussi;
}

bool InteractionTest::ouvrir(const QUrl& document)
{
    documents.append(document);
    return ouverture_reussie;
}

ResultatProgramme InteractionTest::executer(const QString& programme, const QStringList& arguments)
{
    // Called from a worker thread, the record is kept on the test's thread, which reads it.
    if (QThread::currentThread() != QCoreApplication::instance()->thread()) {
        ResultatProgramme r;
        QMetaObject::invokeMethod(
            QCoreApplication::instance(), [&] { r = executer(programme, arguments); }, Qt::BlockingQueuedConnection);
        return r;
    }
    executions.append({programme, arguments});
    return resultats.isEmpty() ? ResultatProgramme{0, {}} : resultats.takeFirst();
}

InteractionInstallee::InteractionInstallee()
{
    auto test = std::make_unique<InteractionTest>();
    m_test = test.get();
    m_precedente = std::exchange(module().interaction, std::move(test));
}

InteractionInstallee::~InteractionInstallee()
{
    module().interaction = std::move(m_precedente);
}

bool operator==(const Message& a, const Message& b)
{
    return a.texte == b.texte && a.titre == b.titre && a.boutons == b.boutons && a.icone == b.icone
           && a.bouton_par_defaut == b.bouton_par_defaut;
}

QDebug operator<<(QDebug flux, const Message& m)
{
    QDebugStateSaver garde(flux);
    return flux.nospace() << "Message(" << m.texte << ", " << m.titre << ", buttons " << int(m.boutons) << ", icon "
                          << int(m.icone) << ", default " << m.bouton_par_defaut << ')';
}
