#include "browser/frmvisualiseur.h"
#include "platform/instance.h"
#include "startup/frmintro.h"
#include "startup/module.h"

#include <QApplication>
#include <QTimer>

#include <cstdio>
#include <ctime>
#include <memory>
#include <utility>

namespace {

// With IMAGORA_JALONS set in its environment, the program writes on its error output when the
// browser has painted what the user waits for, with the time of the system's monotonic clock:
// "jalon liste SECONDS" and "jalon apercu SECONDS". Benchmarks started it, and time it from outside.
void suivre_jalons(const frmVisualiseur& visualiseur)
{
    if (!qEnvironmentVariableIsSet("IMAGORA_JALONS"))
        return;
    const auto jalon = [](const char* nom) {
        timespec t {};
        clock_gettime(CLOCK_MONOTONIC, &t);
        std::fprintf(stderr, "jalon %s %lld.%09ld\n", nom, static_cast<long long>(t.tv_sec), t.tv_nsec);
        std::fflush(stderr);
    };
    QObject::connect(&visualiseur, &frmVisualiseur::listeAffichee, [jalon](int) { jalon("liste"); });
    QObject::connect(&visualiseur, &frmVisualiseur::apercuAffiche, [jalon](const QString&) { jalon("apercu"); });
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationVersion(QStringLiteral("1.0.0"));

    // The whole interface is French, Qt's own buttons and dialogs included.
    charger_traduction_qt();

    // "imagora photo.jpg" (or a folder), as the desktop's "Open with" starts it.
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() > 1)
        module().fichier_demande = arguments.at(1);

    InstanceUnique instance;
    frmIntro intro(instance);

    std::unique_ptr<frmVisualiseur> visualiseur;
    // A later start handed a picture over: the browser opens it, at once or once it is shown
    // (the splash, or the screen saver it may start with, is still up).
    QStringList en_attente;
    QObject::connect(&instance, &InstanceUnique::demande, &app, [&visualiseur, &en_attente](const QString& chemin) {
        if (visualiseur && visualiseur->isVisible())
            visualiseur->ouvrir_demande(chemin);
        else
            en_attente.append(chemin);
    });
    // The program ends only through the browser's quit confirmation, not when a window closes.
    QApplication::setQuitOnLastWindowClosed(false);
    QObject::connect(&intro, &frmIntro::Form_Unload, &app, [&visualiseur, &en_attente] {
        // Once the splash has gone: the browser's load may run the screen saver first.
        QTimer::singleShot(0, [&visualiseur, &en_attente] {
            visualiseur = std::make_unique<frmVisualiseur>();
            suivre_jalons(*visualiseur);
            // A confirmed quit ends the program at once.
            QObject::connect(visualiseur.get(), &frmVisualiseur::finDuProgramme, [] { QCoreApplication::exit(0); });
            visualiseur->show();
            for (const QString& chemin : std::exchange(en_attente, {}))
                visualiseur->ouvrir_demande(chemin);
        });
    });
    // Everything is wired before the load: a message it shows runs the events, and whatever happens
    // meanwhile must find its receivers in place.
    if (!intro.Form_Load())
        return 0;
    intro.demarrer();
    return app.exec();
}
