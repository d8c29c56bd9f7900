#include "startup/module.h"

#include "about/frmabout.h"
#include "forms/joker.h"
#include "platform/autostart.h"
#include "platform/dossiers.h"
#include "show/lecteurson.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <QShortcut>
#include <QUrl>
#include <QWidget>

Module::Module() = default;
Module::~Module() = default;

Module& module()
{
    static Module instance;
    return instance;
}

QString dossier_application()
{
    QString dossier = QCoreApplication::applicationDirPath();
    if (!dossier.endsWith(u'/'))
        dossier += u'/';
    return dossier;
}

QString dossier_windows()
{
    const QString dossier = dossiers::donnees() + u'/' + dossiers::nom_executable();
    QDir().mkpath(dossier);
    return dossier;
}

bool fichier_existe(const QString& chemin)
{
    if (chemin.isEmpty())
        return false;
    const QFileInfo info(chemin);
    const QString nom = info.fileName();
    if (!contient_joker(nom))
        return info.isFile() && !nom.startsWith(u'.');

    // QDir lists regular files (and links to them), hidden ones left out, without "[" magic.
    const QDir dossier = info.dir();
    const QFileInfoList fichiers = dossier.entryInfoList(QDir::Files | QDir::NoDotAndDotDot);
    for (const QFileInfo& f : fichiers) {
        if (!f.fileName().startsWith(u'.') && correspond_joker(f.fileName(), nom))
            return true;
    }
    return false;
}

bool demarrage_windows(int etat, QWidget* parent)
{
    return demarrage_windows(etat, dossier_application(), dossiers::nom_executable(), parent);
}

bool demarrage_windows(int etat, const QString& dossier, const QString& executable, QWidget* parent)
{
    const QString chemin = dossier + executable;
    QString erreur;
    if (etat == 0) {
        if (autostart::retirer(&erreur))
            return true;
        erreur.prepend(u'\n');
    } else if (etat == 1) {
        if (!fichier_existe(chemin)) {
            QString dossier_seul = dossier;
            if (dossier_seul.size() > 1 && dossier_seul.endsWith(u'/'))
                dossier_seul.chop(1);
            erreur = QStringLiteral("Fichier introuvable: ") + executable + QStringLiteral(" n'a pas été trouvé.")
                     + u'\n' + QStringLiteral("Celui-ci devrait se trouver dans le dossier: ") + u'\n'
                     + dossier_seul;
        } else if (autostart::enregistrer(chemin, &erreur)) {
            return true;
        } else {
            erreur.prepend(u'\n');
        }
    } else {
        return true;
    }

    Message m;
    m.texte = QStringLiteral("Une erreur est intervenue dans le programme.") + erreur;
    m.titre = QStringLiteral("ERREUR...");
    m.icone = Icone::Information;
    module().interaction->message(parent, m);
    return false;
}

bool charger_traduction_qt()
{
    auto* traduction = new QTranslator(QCoreApplication::instance());
    if (!traduction->load(QLocale(QLocale::French), QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete traduction;
        return false;
    }
    return QCoreApplication::installTranslator(traduction);
}

void ouvrir_aide(QWidget* fenetre, const QString& page, int touche)
{
    if (touche == Qt::Key_F1) {
        const QString chemin = dossier_application() + QStringLiteral("aide/") + page;
        if (fichier_existe(chemin)) {
            module().interaction->ouvrir(QUrl::fromLocalFile(chemin));
            return;
        }
        Message m;
        m.texte = QStringLiteral("Fichier d'aide [%1] introuvable. Assurez-vous que celui-ci doit se "
                                 "trouver dans le dossier:")
                      .arg(page)
                  + u'\n' + dossier_application() + QStringLiteral("aide");
        m.titre = QStringLiteral("fichier d'aide absent");
        m.icone = Icone::Critique;
        module().interaction->message(fenetre, m);
    } else if (touche == Qt::Key_F2) {
        frmAbout apropos(fenetre);
        apropos.exec();
    }
}

void installer_touches_aide(QWidget* fenetre, const QString& page)
{
    for (const Qt::Key touche : {Qt::Key_F1, Qt::Key_F2}) {
        auto* raccourci = new QShortcut(QKeySequence(touche), fenetre);
        raccourci->setContext(Qt::WindowShortcut);
        QObject::connect(raccourci, &QShortcut::activated, fenetre,
                         [fenetre, page, touche] { ouvrir_aide(fenetre, page, touche); });
    }
}
