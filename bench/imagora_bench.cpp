// imagora-bench COMMAND ARGS...: timings of the program's hot paths, one command per measure.
// Each command is one function registered in the table at the bottom; see README.md.

#include "picture/chargeur.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <optional>
#include <vector>

namespace {

// Every measure: one warm-up run (file in the page cache, plugins loaded), then the median of these.
constexpr int tours_mesures = 7;

// The side of the browser's preview square.
const QSize carre_apercu(145, 145);

struct Mesure {
    std::vector<double> tours; // milliseconds, in run order
    double mediane = 0;
};

// Runs `travail` once to warm up, then tours_mesures times; nullopt as soon as one run fails.
std::optional<Mesure> mesurer(const std::function<bool()>& travail)
{
    if (!travail())
        return std::nullopt;
    Mesure mesure;
    for (int i = 0; i < tours_mesures; ++i) {
        QElapsedTimer chrono;
        chrono.start();
        if (!travail())
            return std::nullopt;
        mesure.tours.push_back(chrono.nsecsElapsed() / 1e6);
    }
    std::vector<double> triees = mesure.tours;
    std::nth_element(triees.begin(), triees.begin() + triees.size() / 2, triees.end());
    mesure.mediane = triees[triees.size() / 2];
    return mesure;
}

void detailler(const char* quoi, const Mesure& mesure)
{
    QStringList tours;
    for (double t : mesure.tours)
        tours << QString::number(t, 'f', 1);
    std::printf("  %-11s runs (ms): %s\n", quoi, qPrintable(tours.join(QStringLiteral(" "))));
}

bool est_jpeg(const QString& fichier)
{
    QFile f(fichier);
    return f.open(QIODevice::ReadOnly) && f.read(2) == QByteArrayLiteral("\xFF\xD8");
}

// preview FILE: the browser's 145x145 preview of FILE (reading its size, then decoding at the
// reduced size, as image_apercu does), against a full decode scaled afterwards and, for a JPEG,
// against libjpeg's own command-line decoder at 1/8 scale.
int commande_preview(const QStringList& arguments)
{
    if (arguments.size() != 1) {
        std::fprintf(stderr, "usage: imagora-bench preview FILE\n");
        return 2;
    }
    const QString fichier = arguments.first();
    const QSize naturelle = taille_image(fichier);
    if (!naturelle.isValid()) {
        std::fprintf(stderr, "preview: %s is not a picture Imagora reads\n", qPrintable(fichier));
        return 1;
    }
    std::printf("file: %s (%lld bytes, %dx%d px)\n", qPrintable(fichier), QFileInfo(fichier).size(),
                naturelle.width(), naturelle.height());
    std::printf("runs: 1 warm-up + median of %d\n", tours_mesures);

    const auto apercu = mesurer([&] { return image_apercu(fichier, carre_apercu).ok(); });
    const auto complet = mesurer([&] {
        const ImageLue lue = image_complete(fichier);
        return lue.ok() && !lue.image.scaled(carre_apercu, Qt::IgnoreAspectRatio, Qt::SmoothTransformation).isNull();
    });
    if (!apercu || !complet) {
        std::fprintf(stderr, "preview: decoding %s failed\n", qPrintable(fichier));
        return 1;
    }

    std::optional<Mesure> djpeg;
    const char* sans_djpeg = nullptr; // why djpeg was not measured
    const QString programme_djpeg = QStandardPaths::findExecutable(QStringLiteral("djpeg"));
    if (programme_djpeg.isEmpty()) {
        sans_djpeg = "djpeg not on the PATH";
    } else if (!est_jpeg(fichier)) {
        sans_djpeg = "not a JPEG";
    } else {
        djpeg = mesurer([&] {
            QProcess processus;
            processus.start(programme_djpeg, {"-scale", "1/8", "-outfile", "/dev/null", fichier});
            // Exit code 2 means the picture was decoded with warnings (a damaged file, say).
            return processus.waitForFinished(60'000) && processus.exitStatus() == QProcess::NormalExit
                && (processus.exitCode() == 0 || processus.exitCode() == 2);
        });
        if (!djpeg)
            sans_djpeg = "djpeg failed";
    }

    detailler("preview", *apercu);
    detailler("full+scale", *complet);
    if (djpeg)
        detailler("djpeg 1/8", *djpeg);
    std::printf("full+scale: %.1f ms (%.1fx the preview)\n", complet->mediane, complet->mediane / apercu->mediane);
    if (djpeg)
        std::printf("djpeg 1/8: %.1f ms (preview is %.2fx this)\n", djpeg->mediane, apercu->mediane / djpeg->mediane);
    else
        std::printf("djpeg 1/8: not measured (%s)\n", sans_djpeg);
    std::printf("preview: %.1f ms\n", apercu->mediane);
    return 0;
}

struct Commande {
    const char* nom;
    const char* arguments;
    const char* description;
    int (*executer)(const QStringList& arguments);
};

// One row per command.
const Commande commandes[] = {
    {"preview", "FILE", "time of the 145x145 preview of FILE, against full decode + scale and djpeg -scale 1/8",
     commande_preview},
};

int usage()
{
    std::fprintf(stderr, "usage: imagora-bench COMMAND ARGS...\ncommands:\n");
    for (const Commande& commande : commandes)
        std::fprintf(stderr, "  %s %s\n      %s\n", commande.nom, commande.arguments, commande.description);
    return 2;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv); // Qt's image readers are plugins found through it
    QStringList arguments = QCoreApplication::arguments().mid(1);
    if (arguments.isEmpty())
        return usage();
    const QString nom = arguments.takeFirst();
    const auto commande = std::ranges::find_if(commandes, [&](const Commande& c) { return nom == QLatin1String(c.nom); });
    if (commande == std::end(commandes))
        return usage();
    const int code = commande->executer(arguments);
    std::fflush(stdout);
    return code;
}
