// imagora-bench COMMAND ARGS...: timings of the program's hot paths, one command per measure.
// Each command is one function registered in the table at the bottom; see README.md.

#include "browser/frmvisualiseur.h"
#include "browser/modelefichiers.h"
#include "browser/types_images.h"
#include "forms/joker.h"
#include "forms/listefichiers.h"
#include "images_fabriquees.h"
#include "picture/chargeur.h"
#include "picture/contenu.h"
#include "search/winseek.h"
#include "show/ajustement.h"
#include "show/prechargeur.h"
#include "startup/module.h"

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QTimer>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>
#include <QTemporaryDir>

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

// Peak resident memory of this process so far, in MB (VmHWM), or -1 where /proc does not tell.
double memoire_max_mo()
{
    QFile statut(QStringLiteral("/proc/self/status"));
    if (!statut.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& ligne : statut.readAll().split('\n')) {
        if (ligne.startsWith("VmHWM:"))
            return ligne.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
    }
    return -1;
}

// The decoder's own command-line tool, to set the preview beside: libjpeg's decoding at 1/8 for a
// JPEG (what the preview itself does), a full decode by the reference decoder of HEIC, AVIF and JPEG
// XL (which cannot decode less), written to an uncompressed file in `dossier`.
// The version the tool prints of itself (its first line mentioning one), for the record.
QString version_outil(const QString& programme)
{
    QProcess processus;
    processus.setProcessChannelMode(QProcess::MergedChannels);
    const QString nom = QFileInfo(programme).fileName();
    processus.start(programme, {nom == u"djpeg" ? QStringLiteral("-version")
                                : nom == u"avifdec" ? QStringLiteral("--version")
                                                    : QStringLiteral("--help")});
    if (!processus.waitForFinished(10'000))
        return {};
    for (const QByteArray& ligne : processus.readAll().split('\n')) {
        const QByteArray l = ligne.simplified();
        if (!l.startsWith('-') && (l.contains("ersion") || l.contains(" v0.") || l.contains(" v1.")))
            return QString::fromUtf8(l);
    }
    return {};
}

struct OutilReference {
    QString nom;
    QString programme;
    QStringList arguments;
    QString absent; // why there is none, when there is none
};

OutilReference outil_reference(const QString& fichier, const QString& dossier)
{
    QFile f(fichier);
    const QByteArray debut = f.open(QIODevice::ReadOnly) ? f.read(octets_pour_reconnaitre) : QByteArray();
    const auto outil = [](const char* nom, const char* programme, QStringList arguments) {
        const QString chemin = QStandardPaths::findExecutable(QString::fromLatin1(programme));
        if (chemin.isEmpty())
            return OutilReference{QString::fromLatin1(nom), {}, {}, QStringLiteral("%1 not on the PATH").arg(programme)};
        return OutilReference{QString::fromLatin1(nom), chemin, std::move(arguments), {}};
    };
    switch (nature_du_contenu(debut)) {
    case NatureContenu::Jpeg:
        return outil("djpeg 1/8", "djpeg", {"-scale", "1/8", "-outfile", "/dev/null", fichier});
    case NatureContenu::Heif: {
        const bool avif = debut.mid(8, 24).contains("avif") || debut.mid(8, 24).contains("avis");
        if (avif)
            return outil("avifdec", "avifdec", {"-j", "all", fichier, dossier + QStringLiteral("/sortie.y4m")});
        return outil("heif-convert", "heif-convert", {fichier, dossier + QStringLiteral("/sortie.y4m")});
    }
    case NatureContenu::JpegXl:
        return outil("djxl", "djxl", {fichier, dossier + QStringLiteral("/sortie.ppm")});
    default:
        return {QStringLiteral("reference decoder"), {}, {}, QStringLiteral("no reference decoder for this type")};
    }
}

// preview FILE: the browser's 145x145 preview of FILE (reading its size, then decoding at the
// reduced size, as image_apercu does), its time and the process's peak memory, against the memory
// before it and the budget of one picture; then, for comparison, a full decode scaled afterwards
// and the decoder's own tool (outil_reference). A file the preview refuses (not a picture, or
// beyond the memory budget) is measured too: the time to refuse it.
int commande_preview(const QStringList& arguments)
{
    if (arguments.size() != 1) {
        std::fprintf(stderr, "usage: imagora-bench preview FILE\n");
        return 2;
    }
    const QString fichier = arguments.first();
    if (!QFileInfo(fichier).isFile()) {
        std::fprintf(stderr, "preview: %s is not a file\n", qPrintable(fichier));
        return 1;
    }
    const QSize naturelle = taille_image(fichier);
    std::printf("file: %s (%lld bytes, %s)\n", qPrintable(fichier), QFileInfo(fichier).size(),
                naturelle.isValid() ? qPrintable(QStringLiteral("%1x%2 px").arg(naturelle.width()).arg(naturelle.height()))
                                    : "refused from its header");
    std::printf("runs: 1 warm-up + median of %d\n", tours_mesures);

    // The peak before the first preview is the program's own (Qt, its plugins, the application);
    // the full decode below would raise it, so the preview's peak is read before it.
    const double memoire_avant = memoire_max_mo();
    bool refusee = false;
    const auto apercu = mesurer([&] {
        refusee = !image_apercu(fichier, carre_apercu).ok();
        return true;
    });
    const double memoire_apercu = memoire_max_mo();

    std::optional<Mesure> complet;
    if (!refusee) {
        complet = mesurer([&] {
            const ImageLue lue = image_complete(fichier);
            return lue.ok() && !lue.image.scaled(carre_apercu, Qt::IgnoreAspectRatio, Qt::SmoothTransformation).isNull();
        });
    }

    QTemporaryDir sorties;
    OutilReference outil = outil_reference(fichier, sorties.path());
    std::optional<Mesure> reference;
    if (outil.absent.isEmpty() && refusee)
        outil.absent = QStringLiteral("the preview refused the file");
    if (outil.absent.isEmpty()) {
        reference = mesurer([&] {
            QProcess processus;
            processus.start(outil.programme, outil.arguments);
            // djpeg's exit code 2 means the picture was decoded with warnings (a damaged file, say).
            return processus.waitForFinished(120'000) && processus.exitStatus() == QProcess::NormalExit
                && (processus.exitCode() == 0 || (outil.nom.startsWith(u"djpeg") && processus.exitCode() == 2));
        });
        if (!reference)
            outil.absent = outil.nom + QStringLiteral(" failed");
    }
    const QString version = outil.programme.isEmpty() ? QString() : version_outil(outil.programme);

    detailler("preview", *apercu);
    if (complet)
        detailler("full+scale", *complet);
    if (reference)
        detailler(qPrintable(outil.nom), *reference);
    if (complet)
        std::printf("full+scale: %.1f ms (%.1fx the preview)\n", complet->mediane, complet->mediane / apercu->mediane);
    else
        std::printf("full+scale: not measured (%s)\n", refusee ? "the preview refused the file" : "the full decode failed");
    if (reference)
        std::printf("%s: %.1f ms (preview is %.2fx this)%s\n", qPrintable(outil.nom), reference->mediane,
                    apercu->mediane / reference->mediane, qPrintable(version.isEmpty() ? QString() : " [" + version + "]"));
    else
        std::printf("%s: not measured (%s)\n", qPrintable(outil.nom), qPrintable(outil.absent));
    std::printf("peak memory: %.0f MB (%.0f MB before the first preview, so %.0f MB for the preview; budget %lld MB a picture)\n",
                memoire_apercu, memoire_avant, memoire_apercu - memoire_avant,
                static_cast<long long>(octets_lecture_maximaux / (1024 * 1024)));
    const QString a_cote = reference ? QStringLiteral(", %1 %2 ms, ratio %3").arg(outil.nom)
                                           .arg(reference->mediane, 0, 'f', 1)
                                           .arg(apercu->mediane / reference->mediane, 0, 'f', 2)
                                     : QString();
    std::printf("preview: %.1f ms%s%s, peak memory %.0f MB\n", apercu->mediane, refusee ? " to refuse the file" : "",
                qPrintable(a_cote), memoire_apercu);
    return 0;
}

// Lets the event loop run for `ms` milliseconds, as the window would between two ticks.
void attendre_ms(int ms)
{
    QEventLoop boucle;
    QTimer::singleShot(ms, &boucle, &QEventLoop::quit);
    boucle.exec();
}

// The browser's list for DIR, built as the window builds it: read the folder with the pattern of
// "Tous les fichiers images" (names, sizes, time stamps) in file-name order, fill the model, and
// make the texts of the rows a window shows at once.
bool construire_liste(const QString& dossier, ModeleFichiers& modele)
{
    bool lisible = false;
    modele.remplir(lire_dossier(dossier, motifs_de(types_images()[0].motif), &lisible));
    for (int r = 0; r < std::min(modele.rowCount(), 40); ++r) {
        for (int c = 0; c < ModeleFichiers::NombreColonnes; ++c)
            modele.index(r, c).data();
    }
    return lisible;
}

// list DIR: the browser's list of DIR, against `find DIR -maxdepth 1 -printf '%s %T@\n'`, which
// reads the same names, sizes and times and nothing more.
int commande_list(const QStringList& arguments)
{
    if (arguments.size() != 1) {
        std::fprintf(stderr, "usage: imagora-bench list DIR\n");
        return 2;
    }
    const QString dossier = arguments.first();
    ModeleFichiers modele;
    const auto liste = mesurer([&] { return construire_liste(dossier, modele); });
    if (!liste) {
        std::fprintf(stderr, "list: %s cannot be read\n", qPrintable(dossier));
        return 1;
    }
    const QString programme_find = QStandardPaths::findExecutable(QStringLiteral("find"));
    const auto find = mesurer([&] {
        QProcess processus;
        processus.setStandardOutputFile(QProcess::nullDevice());
        processus.start(programme_find, {dossier, "-maxdepth", "1", "-printf", "%s %T@\n"});
        return processus.waitForFinished(120'000) && processus.exitCode() == 0;
    });
    std::printf("runs: 1 warm-up + median of %d\n", tours_mesures);
    detailler("list", *liste);
    if (find) {
        detailler("find", *find);
        std::printf("find: %.1f ms (list is %.2fx this)\n", find->mediane, liste->mediane / find->mediane);
    }
    std::printf("peak memory: %.0f MB\n", memoire_max_mo());
    std::printf("list: %d files in %.0f ms\n", modele.rowCount(), liste->mediane);
    return 0;
}

// window DIR: the real browser window (offscreen) opened on DIR: time to build it and list the
// folder, and the peak memory of the whole process afterwards.
int commande_window(const QStringList& arguments)
{
    if (arguments.size() != 1) {
        std::fprintf(stderr, "usage: imagora-bench window DIR\n");
        return 2;
    }
    // The settings go to a folder of this run's own, made afresh under an unpredictable name and
    // removed with everything in it at the end.
    const QTemporaryDir temporaire(QDir::tempPath() + QStringLiteral("/imagora-bench-XXXXXX"));
    if (!temporaire.isValid()) {
        std::fprintf(stderr, "window: no temporary folder: %s\n", qPrintable(temporaire.errorString()));
        return 1;
    }
    qputenv("XDG_CONFIG_HOME", temporaire.path().toUtf8());
    module().parametres.sauver(QStringLiteral("dossier demarrage"), arguments.first());
    module().parametres.sauver(QStringLiteral("type fichier"), QStringLiteral("0"));
    QElapsedTimer chrono;
    chrono.start();
    frmVisualiseur fenetre;
    fenetre.show();
    QCoreApplication::processEvents();
    const double ms = chrono.nsecsElapsed() / 1e6;
    std::printf("window: %d files listed, shown in %.0f ms, peak memory %.0f MB\n", fenetre.fichiers()->ListCount(), ms,
                memoire_max_mo());
    return 0;
}

// fill DIR N: makes a folder of N small picture files (every type, sizes and names that vary) to
// measure the list on.
int commande_fill(const QStringList& arguments)
{
    bool ok = false;
    const int n = arguments.size() == 2 ? arguments.at(1).toInt(&ok) : 0;
    if (!ok || n <= 0) {
        std::fprintf(stderr, "usage: imagora-bench fill DIR N\n");
        return 2;
    }
    const QString dossier = arguments.first();
    if (!QDir().mkpath(dossier))
        return 1;
    static const char* const extensions[] = {"jpg", "bmp", "gif", "JPG", "ico", "wmf", "emf", "cur", "dib", "jpeg", "Gif", "BMP"};
    for (int i = 0; i < n; ++i) {
        QFile f(QStringLiteral("%1/photo-%2.%3").arg(dossier).arg(i).arg(QLatin1String(extensions[i % 12])));
        if (!f.open(QIODevice::WriteOnly) || f.write(QByteArray(i % 4096, 'x')) < 0)
            return 1;
    }
    std::printf("fill: %d files in %s\n", n, qPrintable(dossier));
    return 0;
}

// fill-huge DIR: makes small files whose headers claim huge pictures (a progressive CMYK JPEG, a
// GIF, a run-length BMP, an EMF), and big but real JPEGs, to measure the preview's memory on.
int commande_fill_huge(const QStringList& arguments)
{
    if (arguments.size() != 1) {
        std::fprintf(stderr, "usage: imagora-bench fill-huge DIR\n");
        return 2;
    }
    const QString dossier = arguments.first();
    if (!QDir().mkpath(dossier))
        return 1;
    const std::pair<const char*, QByteArray> fichiers[] = {
        {"jpeg-progressif-cmjn-40000x10000.jpg", fabrique::jpeg_uni(40000, 10000, 4, true, 3800)},
        {"jpeg-tronque-40000x10000.jpg", fabrique::jpeg_uni(40000, 10000, 3, false, 3800)},
        {"gif-16000x16000.gif", fabrique::gif_immense(16000)},
        {"bmp-rle-16000x16000.bmp", fabrique::bmp_rle_immense(16000, 16000)},
        {"emf-16000x16000.emf", fabrique::emf_rectangle(QSize(16000, 16000))},
        {"jpeg-12000x12000.jpg", fabrique::jpeg_uni(12000, 12000, 3, false)},
        {"jpeg-progressif-6000x4000.jpg", fabrique::jpeg_uni(6000, 4000, 3, true)},
    };
    for (const auto& [nom, octets] : fichiers) {
        QFile f(dossier + u'/' + QLatin1String(nom));
        if (!f.open(QIODevice::WriteOnly) || f.write(octets) != octets.size())
            return 1;
    }
    std::printf("fill-huge: %zu files in %s\n", std::size(fichiers), qPrintable(dossier));
    return 0;
}

// render FILE [WIDTH [OUT.png]]: FILE drawn at WIDTH pixels wide (its natural size by default, the
// height following its aspect ratio) through image_apercu, as the windows ask for it; OUT.png keeps
// the picture to look at.
int commande_render(const QStringList& arguments)
{
    if (arguments.isEmpty() || arguments.size() > 3) {
        std::fprintf(stderr, "usage: imagora-bench render FILE [WIDTH [OUT.png]]\n");
        return 2;
    }
    const QString fichier = arguments.first();
    const QSize naturelle = taille_image(fichier);
    if (!naturelle.isValid()) {
        std::fprintf(stderr, "render: %s is not a picture Imagora reads\n", qPrintable(fichier));
        return 1;
    }
    QSize voulue = naturelle;
    if (arguments.size() >= 2) {
        bool ok = false;
        const int largeur = arguments[1].toInt(&ok);
        if (!ok || largeur <= 0 || largeur > 40000) {
            std::fprintf(stderr, "render: WIDTH must be a number of pixels\n");
            return 2;
        }
        voulue = QSize(largeur, std::max(1, int(qint64(largeur) * naturelle.height() / naturelle.width())));
    }
    std::printf("file: %s (%lld bytes, natural %dx%d px), rendered at %dx%d\n", qPrintable(fichier),
                QFileInfo(fichier).size(), naturelle.width(), naturelle.height(), voulue.width(), voulue.height());
    std::printf("runs: 1 warm-up + median of %d\n", tours_mesures);
    QImage derniere;
    const auto mesure = mesurer([&] {
        ImageLue lue = image_apercu(fichier, voulue);
        derniere = std::move(lue.image);
        return !derniere.isNull();
    });
    if (!mesure) {
        std::fprintf(stderr, "render: drawing %s failed\n", qPrintable(fichier));
        return 1;
    }
    detailler("render", *mesure);
    if (arguments.size() == 3 && !derniere.save(arguments[2], "PNG")) {
        std::fprintf(stderr, "render: cannot write %s\n", qPrintable(arguments[2]));
        return 1;
    }
    std::printf("render: %.1f ms\n", mesure->mediane);
    return 0;
}

// show DIR [INTERVAL_MS]: the screen saver's load-and-fit path over the pictures of DIR for a
// 1920 x 1080 screen in size mode 1, with the next picture decoded while one is on screen: for
// each tick, the time from the tick until the picture is decoded, fitted and placed.
int commande_show(const QStringList& arguments)
{
    if (arguments.isEmpty() || arguments.size() > 2) {
        std::fprintf(stderr, "usage: imagora-bench show DIR [INTERVAL_MS]\n");
        return 2;
    }
    const int intervalle = arguments.size() == 2 ? arguments.at(1).toInt() : 1000;
    const QSize ecran(1920, 1080);
    const int mode = AdapteeSiPlusGrande;
    FileListBox fichiers;
    fichiers.setPattern(types_images()[0].motif);
    if (!fichiers.setPath(arguments.first()) || fichiers.ListCount() == 0) {
        std::fprintf(stderr, "show: no picture in %s\n", qPrintable(arguments.first()));
        return 1;
    }
    const auto chemin = [&](int i) { return fichiers.Path() + u'/' + fichiers.List(i); };
    const auto decodeur = [ecran, mode](const QString& c) { return image_pour_ecran(c, ecran, mode); };
    const QString cle = QStringLiteral("bench");

    // For comparison: what a tick would cost if it decoded its picture itself.
    std::vector<double> directs;
    for (int i = 0; i < std::min(fichiers.ListCount(), 5); ++i) {
        QElapsedTimer chrono;
        chrono.start();
        decodeur(chemin(i));
        directs.push_back(chrono.nsecsElapsed() / 1e6);
    }
    std::sort(directs.begin(), directs.end());
    std::printf("decode at drawn size, without prefetch: median %.1f ms\n", directs[directs.size() / 2]);

    Prechargeur prechargeur;
    prechargeur.preparer(chemin(0), cle, decodeur);
    attendre_ms(intervalle); // the first picture comes one interval after the window opens
    std::vector<double> ticks;
    for (int i = 0; i < fichiers.ListCount(); ++i) {
        QElapsedTimer chrono;
        chrono.start();
        prechargeur.preparer(chemin(i), cle, decodeur);
        while (!prechargeur.pret(chemin(i), cle))
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        const ImageLue lue = prechargeur.prendre();
        const QSizeF taille = taille_affichee(lue.taille_naturelle, ecran, mode);
        const QRectF place((ecran.width() - taille.width()) / 2, (ecran.height() - taille.height()) / 2, taille.width(), taille.height());
        ticks.push_back(chrono.nsecsElapsed() / 1e6);
        std::printf("  tick %d: %.1f ms  %s  %dx%d -> %.0fx%.0f at (%.0f, %.0f)%s\n", i + 1, ticks.back(),
                    qPrintable(fichiers.List(i)), lue.taille_naturelle.width(), lue.taille_naturelle.height(), taille.width(),
                    taille.height(), place.x(), place.y(), lue.ok() ? "" : "  (unreadable)");
        if (i + 1 < fichiers.ListCount())
            prechargeur.preparer(chemin(i + 1), cle, decodeur);
        attendre_ms(intervalle);
    }
    std::vector<double> triees = ticks;
    std::sort(triees.begin(), triees.end());
    std::printf("peak memory: %.0f MB\n", memoire_max_mo());
    std::printf("show: %zu pictures, worst %.1f ms, median %.1f ms\n", ticks.size(), triees.back(), triees[triees.size() / 2]);
    return 0;
}

// search DIR PATTERN: the search window's walk over DIR (offscreen, the window's own search,
// results list and count included), against `find DIR -iname PATTERN` (each ";"-separated part
// of PATTERN an -iname, joined by -o). Also the longest stretch the window went without handling
// its events.
int commande_search(const QStringList& arguments)
{
    if (arguments.size() != 2) {
        std::fprintf(stderr, "usage: imagora-bench search DIR PATTERN\n");
        return 2;
    }
    const QString dossier = QFileInfo(arguments.at(0)).absoluteFilePath();
    const QString motif = arguments.at(1);
    // The window opens on the process's current folder and returns to it after each search:
    // started in DIR, its folder and file lists read DIR once, and every run times the walk alone.
    QDir::setCurrent(dossier);
    WinSeek fenetre;
    fenetre.show();
    QCoreApplication::processEvents();
    // The walk runs on a worker thread: each run waits here for the window's end of search.
    const auto chercher = [&] {
        QEventLoop attente;
        bool complete = false;
        const auto lien = QObject::connect(&fenetre, &WinSeek::rechercheTerminee, &attente, [&](bool c) {
            complete = c;
            attente.quit();
        });
        if (fenetre.rechercher_dans(dossier, motif))
            attente.exec();
        QObject::disconnect(lien);
        return complete;
    };
    qsizetype trouves = 0;
    const auto recherche = mesurer([&] {
        if (!chercher())
            return false;
        trouves = fenetre.lignes_trouvees().size();
        return true;
    });
    if (!recherche) {
        std::fprintf(stderr, "search: %s cannot be searched\n", qPrintable(dossier));
        return 1;
    }

    // One more run with a 0 ms timer: it fires at each pass of the event loop.
    QElapsedTimer horloge;
    qint64 derniere = 0, plus_longue = 0;
    QTimer veille;
    veille.setInterval(0);
    QObject::connect(&veille, &QTimer::timeout, [&] {
        plus_longue = std::max(plus_longue, horloge.elapsed() - derniere);
        derniere = horloge.elapsed();
    });
    veille.start();
    horloge.start();
    chercher();
    plus_longue = std::max(plus_longue, horloge.elapsed() - derniere);
    veille.stop();

    QStringList expression;
    for (const QString& partie : motifs_de(motif))
        expression << (expression.isEmpty() ? QStringList() : QStringList{"-o"}) << "-iname" << partie;
    const QString programme_find = QStandardPaths::findExecutable(QStringLiteral("find"));
    const auto find = mesurer([&] {
        QProcess processus;
        processus.setStandardOutputFile(QProcess::nullDevice());
        processus.start(programme_find, QStringList{dossier, "("} + expression + QStringList{")"});
        return processus.waitForFinished(600'000) && processus.exitCode() == 0;
    });
    std::printf("runs: 1 warm-up + median of %d\n", tours_mesures);
    detailler("search", *recherche);
    if (find) {
        detailler("find", *find);
        std::printf("find: %.1f ms (search is %.2fx this)\n", find->mediane, recherche->mediane / find->mediane);
    }
    std::printf("longest stretch without handling events: %lld ms (%lld batches of lines shown)\n",
                static_cast<long long>(plus_longue), static_cast<long long>(fenetre.lots()));
    std::printf("peak memory: %.0f MB\n", memoire_max_mo());
    std::printf("search: %lld found in %.0f ms\n", static_cast<long long>(trouves), recherche->mediane);
    return 0;
}

// fill-tree DIR FILES FOLDERS: makes a tree of FOLDERS folders on two levels under DIR, with FILES
// empty files spread over them (picture and other extensions, letter case mixed) to search in.
int commande_fill_tree(const QStringList& arguments)
{
    bool ok1 = false, ok2 = false;
    const int fichiers = arguments.size() == 3 ? arguments.at(1).toInt(&ok1) : 0;
    const int dossiers = arguments.size() == 3 ? arguments.at(2).toInt(&ok2) : 0;
    if (!ok1 || !ok2 || fichiers < 0 || dossiers <= 0) {
        std::fprintf(stderr, "usage: imagora-bench fill-tree DIR FILES FOLDERS\n");
        return 2;
    }
    const QString racine = arguments.first();
    int premiers = 1;
    while (premiers * premiers < dossiers)
        ++premiers;
    QStringList chemins;
    for (int i = 0; i < dossiers; ++i) {
        chemins << (i < premiers ? QStringLiteral("%1/dossier-%2").arg(racine).arg(i)
                                 : QStringLiteral("%1/dossier-%2/sous-%3").arg(racine).arg((i - premiers) % premiers).arg(i));
        if (!QDir().mkpath(chemins.last()))
            return 1;
    }
    static const char* const extensions[] = {"jpg", "JPG", "png", "gif", "txt", "bmp", "Jpeg", "ico"};
    for (int j = 0; j < fichiers; ++j) {
        QFile f(QStringLiteral("%1/photo-%2.%3").arg(chemins.at(j % dossiers)).arg(j).arg(QLatin1String(extensions[j % 8])));
        if (!f.open(QIODevice::WriteOnly))
            return 1;
    }
    std::printf("fill-tree: %d files in %d folders under %s\n", fichiers, dossiers, qPrintable(racine));
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
    {"preview", "FILE", "time and peak memory of the 145x145 preview of FILE, against full decode + scale and djpeg -scale 1/8",
     commande_preview},
    {"list", "DIR", "time to build the browser's file list of DIR, against find -printf of the same facts",
     commande_list},
    {"window", "DIR", "the real browser window opened on DIR: time to show it, peak memory of the process",
     commande_window},
    {"show", "DIR [INTERVAL_MS]", "the screen saver's load-and-fit path over DIR for a 1920x1080 screen, one picture ahead",
     commande_show},
    {"fill", "DIR N", "make a folder of N small files of every picture type (and a few others) to measure on",
     commande_fill},
    {"fill-huge", "DIR", "make small files whose headers claim huge pictures, and big real JPEGs, to run preview on",
     commande_fill_huge},
    {"render", "FILE [WIDTH [OUT.png]]", "time to draw FILE (WMF, EMF or any picture) at WIDTH pixels wide; OUT.png keeps it",
     commande_render},
    {"search", "DIR PATTERN", "the search window's walk over DIR for PATTERN, against find DIR -iname PATTERN",
     commande_search},
    {"fill-tree", "DIR FILES FOLDERS", "make a tree of FOLDERS folders holding FILES empty files to search in",
     commande_fill_tree},
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
    // Windows and icons are made without a screen; Qt's image readers are plugins found through the application.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
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
