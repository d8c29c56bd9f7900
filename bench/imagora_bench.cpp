// imagora-bench COMMAND ARGS...: timings of the program's hot paths, one command per measure.
// Each command is one function registered in the table at the bottom; see README.md.

#include "browser/fabriquevignettes.h"
#include "browser/frmvisualiseur.h"
#include "browser/modelefichiers.h"
#include "browser/types_images.h"
#include "forms/joker.h"
#include "forms/listefichiers.h"
#include "forms/vueliste.h"
#include "images_fabriquees.h"
#include "picture/chargeur.h"
#include "picture/contenu.h"
#include "search/winseek.h"
#include "show/ajustement.h"
#include "show/frmapercu.h"
#include "show/frmveille.h"
#include "startup/module.h"
#include "startup/premier_demarrage.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QImageWriter>
#include <QProcess>
#include <QScreen>
#include <QStandardPaths>
#include <QStringList>
#include <QTemporaryDir>
#include <QListView>
#include <QScrollBar>
#include <QTimer>
#include <QToolButton>
#include <QtConcurrent/QtConcurrentMap>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

// Xlib comes after every Qt header: its macros (None, Bool, Status...) would clash with them.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace {

// Every measure: one warm-up run (file in the page cache, plugins loaded), then the median of these.
constexpr int tours_mesures = 7;

// The side of the browser's preview square.
const QSize carre_apercu(145, 145);

struct Mesure {
    std::vector<double> tours; // milliseconds, in run order
    double mediane = 0;
};

double mediane_de(std::vector<double> valeurs)
{
    if (valeurs.empty())
        return 0;
    std::sort(valeurs.begin(), valeurs.end());
    const std::size_t milieu = valeurs.size() / 2;
    return valeurs.size() % 2 ? valeurs[milieu] : (valeurs[milieu - 1] + valeurs[milieu]) / 2;
}

Mesure mesure_de(std::vector<double> tours)
{
    Mesure mesure;
    mesure.mediane = mediane_de(tours);
    mesure.tours = std::move(tours);
    return mesure;
}

// One run of a measure: its time in milliseconds, or nullopt when it failed.
using Tour = std::function<std::optional<double>()>;

// Runs `tour` once to warm up, then tours_mesures times; nullopt as soon as one run fails.
std::optional<Mesure> mesurer_tours(const Tour& tour)
{
    if (!tour())
        return std::nullopt;
    std::vector<double> tours;
    for (int i = 0; i < tours_mesures; ++i) {
        const std::optional<double> ms = tour();
        if (!ms)
            return std::nullopt;
        tours.push_back(*ms);
    }
    return mesure_de(std::move(tours));
}

// A run that times `travail`.
Tour chronometre(std::function<bool()> travail)
{
    return [travail = std::move(travail)]() -> std::optional<double> {
        QElapsedTimer chrono;
        chrono.start();
        if (!travail())
            return std::nullopt;
        return chrono.nsecsElapsed() / 1e6;
    };
}

// Runs `travail` once to warm up, then tours_mesures times, timing each run; nullopt as soon as
// one run fails.
std::optional<Mesure> mesurer(const std::function<bool()>& travail)
{
    return mesurer_tours(chronometre(travail));
}

// A measure and its anchor taken in turn, a warm-up of each, then tours_mesures rounds of one
// run of each: on a shared machine the load changes from one second to the next, and both then
// see the same. The anchor may be absent (empty function) or fail: the measure goes on alone.
// nullopt for the measure as soon as one of its runs fails.
std::pair<std::optional<Mesure>, std::optional<Mesure>> mesurer_en_alternance(const Tour& mesure, Tour ancre)
{
    std::vector<double> tours, tours_ancre;
    for (int i = 0; i <= tours_mesures; ++i) {
        const std::optional<double> ms = mesure();
        if (!ms)
            return {};
        if (i > 0)
            tours.push_back(*ms);
        if (ancre) {
            if (const std::optional<double> ms_ancre = ancre()) {
                if (i > 0)
                    tours_ancre.push_back(*ms_ancre);
            } else {
                ancre = nullptr;
                tours_ancre.clear();
            }
        }
    }
    return {mesure_de(std::move(tours)), ancre ? std::optional<Mesure>(mesure_de(std::move(tours_ancre))) : std::nullopt};
}

// The system's monotonic clock, in seconds: the clock the program's "jalon" lines are written with.
double horloge_s()
{
    timespec t {};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return double(t.tv_sec) + t.tv_nsec / 1e9;
}

void detailler(const char* quoi, const Mesure& mesure)
{
    QStringList tours;
    for (double t : mesure.tours)
        tours << QString::number(t, 'f', 1);
    std::printf("  %-11s runs (ms): %s\n", quoi, qPrintable(tours.join(QStringLiteral(" "))));
}

// A memory figure of a process's /proc status ("VmHWM", "VmRSS"), in MB; -1 where /proc does not
// tell. `processus` is "self" or a process id.
double memoire_mo(const QString& processus, const QByteArray& champ)
{
    QFile statut(QStringLiteral("/proc/%1/status").arg(processus));
    if (!statut.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& ligne : statut.readAll().split('\n')) {
        if (ligne.startsWith(champ + ':'))
            return ligne.mid(champ.size() + 1).trimmed().split(' ').first().toDouble() / 1024.0;
    }
    return -1;
}

// Peak resident memory of this process so far, in MB (VmHWM), or -1 where /proc does not tell.
double memoire_max_mo()
{
    return memoire_mo(QStringLiteral("self"), "VmHWM");
}

// Brings this process's peak back to what it holds now (writing 5 to clear_refs resets VmHWM),
// so that the next peak read is the peak of what follows. False when the kernel did not.
bool remettre_pic_a_zero()
{
    QFile effacer(QStringLiteral("/proc/self/clear_refs"));
    if (!effacer.open(QIODevice::WriteOnly) || effacer.write("5") != 1)
        return false;
    effacer.close();
    const double pic = memoire_max_mo(), residente = memoire_mo(QStringLiteral("self"), "VmRSS");
    return pic >= 0 && residente >= 0 && pic <= residente + 1;
}

// One run of `find DIR -maxdepth 1 -printf '%s %T@\n'`, which reads the names, sizes and times of
// a folder's entries and nothing more: the anchor of the folder reads. Empty when there is no find.
Tour tour_find(const QString& dossier)
{
    const QString programme_find = QStandardPaths::findExecutable(QStringLiteral("find"));
    if (programme_find.isEmpty())
        return nullptr;
    return chronometre([programme_find, dossier] {
        QProcess processus;
        processus.setStandardOutputFile(QProcess::nullDevice());
        processus.start(programme_find, {dossier, "-maxdepth", "1", "-printf", "%s %T@\n"});
        return processus.waitForFinished(120'000) && processus.exitCode() == 0;
    });
}

// Answers every box the windows would show while a measure runs: the message goes to the error
// output and the answer is the first button (or cancel); no program is started.
class InteractionBanc final : public Interaction {
public:
    Reponse message(QWidget*, const Message& m) override
    {
        std::fprintf(stderr, "  (message \"%s\": %s)\n", qPrintable(m.titre), qPrintable(QString(m.texte).replace(u'\n', u' ')));
        switch (m.boutons) {
        case Boutons::AbandonnerRecommencerIgnorer: return Reponse::Abandonner;
        case Boutons::OuiNonAnnuler:
        case Boutons::OuiNon: return Reponse::Oui;
        case Boutons::RecommencerAnnuler: return Reponse::Recommencer;
        default: return Reponse::Ok;
        }
    }
    std::optional<QString> saisie(QWidget*, const Saisie&) override { return std::nullopt; }
    QString dossier(QWidget*, const QString&, const QString&) override { return {}; }
    QString fichier(QWidget*, const ChoixFichier&) override { return {}; }
    std::optional<QColor> couleur(QWidget*, const QColor&, const QString&) override { return std::nullopt; }
    bool lancer(const QString&, const QStringList&) override { return false; }
    bool ouvrir(const QUrl&) override { return false; }
    ResultatProgramme executer(const QString&, const QStringList&) override { return {}; }
};

// The settings of a first start, kept in a folder of this run's own (made afresh under an
// unpredictable name and removed with everything in it at the end), and the boxes answered by
// InteractionBanc: the windows then run as on a new user's first day, without waiting for anyone.
class ReglagesDuBanc {
public:
    ReglagesDuBanc()
        : m_dossier(QDir::tempPath() + QStringLiteral("/imagora-bench-XXXXXX"))
    {
        if (!m_dossier.isValid())
            return;
        qputenv("XDG_CONFIG_HOME", m_dossier.path().toUtf8());
        module().interaction = std::make_unique<InteractionBanc>();
        for (const Reglage& r : reglages_premier_demarrage(QDate::currentDate(), QLocale::system(), dossier_application()))
            module().parametres.sauver(r.first, r.second);
    }
    bool valide() const { return m_dossier.isValid(); }
    QString erreur() const { return m_dossier.errorString(); }

private:
    QTemporaryDir m_dossier;
};

// Calls `quoi` once, on the turn of the event loop after the first paint of `objet` (the paint of
// a window and of all its children is over by then).
class ApresPremierePeinture : public QObject {
public:
    ApresPremierePeinture(QObject* objet, std::function<void()> quoi)
        : m_quoi(std::move(quoi))
    {
        objet->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* objet, QEvent* evenement) override
    {
        if (evenement->type() == QEvent::Paint && m_quoi) {
            objet->removeEventFilter(this);
            QMetaObject::invokeMethod(this, std::exchange(m_quoi, {}), Qt::QueuedConnection);
        }
        return false;
    }

private:
    std::function<void()> m_quoi;
};

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
    std::printf("runs: 1 warm-up + median of %d, the preview and the decoder's tool in turn\n", tours_mesures);

    QTemporaryDir sorties;
    OutilReference outil = outil_reference(fichier, sorties.path());
    bool refusee = false;
    Tour tour_outil;
    if (outil.absent.isEmpty()) {
        tour_outil = chronometre([&] {
            if (refusee)
                return false;
            QProcess processus;
            processus.start(outil.programme, outil.arguments);
            // djpeg's exit code 2 means the picture was decoded with warnings (a damaged file, say).
            return processus.waitForFinished(120'000) && processus.exitStatus() == QProcess::NormalExit
                && (processus.exitCode() == 0 || (outil.nom.startsWith(u"djpeg") && processus.exitCode() == 2));
        });
    }

    // The peak before the first preview is the program's own (Qt, its plugins, the application);
    // the full decode below would raise it, so the preview's peak is read before it. The tool
    // runs in another process: it leaves this one's peak alone.
    const double memoire_avant = memoire_max_mo();
    const auto [apercu, reference] = mesurer_en_alternance(chronometre([&] {
                                                               refusee = !image_apercu(fichier, carre_apercu).ok();
                                                               return true;
                                                           }),
                                                           tour_outil);
    const double memoire_apercu = memoire_max_mo();
    if (outil.absent.isEmpty() && !reference)
        outil.absent = refusee ? QStringLiteral("the preview refused the file") : outil.nom + QStringLiteral(" failed");

    std::optional<Mesure> complet;
    if (!refusee) {
        complet = mesurer([&] {
            const ImageLue lue = image_complete(fichier);
            return lue.ok() && !lue.image.scaled(carre_apercu, Qt::IgnoreAspectRatio, Qt::SmoothTransformation).isNull();
        });
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

// Runs the event loop until finir() or until the time limit has passed since attendre() or the
// latest relancer(). The windows measured here run as they would for a user; no one can act on
// them meanwhile.
class Attente {
public:
    explicit Attente(int limite_ms)
    {
        m_limite.setSingleShot(true);
        m_limite.setInterval(limite_ms);
        QObject::connect(&m_limite, &QTimer::timeout, &m_boucle, &QEventLoop::quit);
    }
    void finir()
    {
        m_finie = true;
        m_boucle.quit();
    }
    void relancer() { m_limite.start(); }
    // False when the time limit ended it.
    bool attendre()
    {
        if (!m_finie) {
            m_limite.start();
            m_boucle.exec();
        }
        m_limite.stop();
        return m_finie;
    }

private:
    QEventLoop m_boucle;
    QTimer m_limite;
    bool m_finie = false;
};

// Generous bound of every wait for a folder read or a window: far beyond any figure measured.
constexpr int attente_max_ms = 120'000;

// The browser's list for DIR, built as the window builds it: a file list reading in the
// background with the pattern of "Tous les fichiers images", given the folder, waited for until
// its read lands; then the model filled with the entries and the texts of the rows a window
// shows at once. A new file list each time: given the folder it already has, it would not read it.
bool construire_liste(const QString& dossier, ModeleFichiers& modele, int* nombre)
{
    FileListBox fichiers;
    fichiers.setLectureEnFond(true);
    fichiers.setPattern(types_images()[0].motif);
    Attente arrivee(attente_max_ms);
    QObject::connect(&fichiers, &FileListBox::PathChange, [&] { arrivee.finir(); });
    if (!fichiers.setPath(dossier) || !arrivee.attendre())
        return false;
    modele.remplir(fichiers.entrees());
    for (int r = 0; r < std::min(modele.rowCount(), 40); ++r) {
        for (int c = 0; c < ModeleFichiers::NombreColonnes; ++c)
            modele.index(r, c).data();
    }
    *nombre = fichiers.ListCount();
    return true;
}

QString rapport_ou_tiret(const std::optional<Mesure>& ancre, double temps)
{
    return ancre ? QString::number(temps / ancre->mediane, 'f', 2) : QStringLiteral("-");
}

QString temps_ou_tiret(const std::optional<Mesure>& mesure)
{
    return mesure ? QString::number(mesure->mediane, 'f', 1) : QStringLiteral("-");
}

// list DIR: the browser's list of DIR, read as the window reads it, against
// `find DIR -maxdepth 1 -printf '%s %T@\n'`, which reads the same names, sizes and times.
int commande_list(const QStringList& arguments)
{
    if (arguments.size() != 1) {
        std::fprintf(stderr, "usage: imagora-bench list DIR\n");
        return 2;
    }
    const QString dossier = arguments.first();
    ModeleFichiers modele;
    int nombre = 0;
    const auto [liste, find] = mesurer_en_alternance(chronometre([&] { return construire_liste(dossier, modele, &nombre); }),
                                                     tour_find(dossier));
    if (!liste) {
        std::fprintf(stderr, "list: %s cannot be read\n", qPrintable(dossier));
        return 1;
    }
    const double pic = memoire_max_mo();
    std::printf("runs: 1 warm-up + median of %d, list and find in turn\n", tours_mesures);
    detailler("list", *liste);
    if (find) {
        detailler("find", *find);
        std::printf("find: %.1f ms (list is %.2fx this)\n", find->mediane, liste->mediane / find->mediane);
    } else {
        std::printf("find: not measured (find failed or is not on the PATH)\n");
    }
    std::printf("peak memory: %.0f MB\n", pic);
    std::printf("list: %d files in %.1f ms, find %s ms, ratio %s\n", nombre, liste->mediane, qPrintable(temps_ou_tiret(find)),
                qPrintable(rapport_ou_tiret(find, liste->mediane)));
    return 0;
}

// window DIR: the real browser window (offscreen) opened on DIR with the type "Tous les fichiers
// images", a new window each run: the time from before its construction to the window shown and
// painted, and to the list of the folder painted in it (listeAffichee); against find.
int commande_window(const QStringList& arguments)
{
    if (arguments.size() != 1) {
        std::fprintf(stderr, "usage: imagora-bench window DIR\n");
        return 2;
    }
    const QString dossier = QFileInfo(arguments.first()).absoluteFilePath();
    if (!QFileInfo(dossier).isDir()) {
        std::fprintf(stderr, "window: %s is not a folder\n", qPrintable(dossier));
        return 1;
    }
    const ReglagesDuBanc reglages;
    if (!reglages.valide()) {
        std::fprintf(stderr, "window: no temporary folder: %s\n", qPrintable(reglages.erreur()));
        return 1;
    }
    module().parametres.sauver(QStringLiteral("dossier demarrage"), dossier);
    module().parametres.sauver(QStringLiteral("type fichier"), QStringLiteral("0"));

    std::vector<double> montrees;
    int nombre = -1;
    QString erreur;
    const Tour fenetre_ouverte = [&]() -> std::optional<double> {
        double montree = -1, listee = -1;
        Attente attente(attente_max_ms);
        QElapsedTimer chrono;
        chrono.start();
        auto fenetre = std::make_unique<frmVisualiseur>();
        const ApresPremierePeinture peinte(fenetre.get(), [&] {
            montree = chrono.nsecsElapsed() / 1e6;
            if (listee >= 0)
                attente.finir();
        });
        QObject::connect(fenetre.get(), &frmVisualiseur::listeAffichee, [&](int n) {
            listee = chrono.nsecsElapsed() / 1e6;
            nombre = n;
            if (montree >= 0)
                attente.finir();
        });
        fenetre->show();
        if (!attente.attendre()) {
            erreur = QStringLiteral("%1 within %2 s").arg(montree < 0 ? "the window was not painted" : "the list was not painted")
                         .arg(attente_max_ms / 1000);
            return std::nullopt;
        }
        fenetre.reset();
        montrees.push_back(montree);
        return listee;
    };
    const auto [listee, find] = mesurer_en_alternance(fenetre_ouverte, tour_find(dossier));
    if (!listee) {
        std::fprintf(stderr, "window: %s\n", qPrintable(erreur));
        return 1;
    }
    montrees.erase(montrees.begin()); // the warm-up
    const Mesure montree = mesure_de(montrees);
    const double pic = memoire_max_mo();
    std::printf("runs: 1 warm-up + median of %d, window and find in turn\n", tours_mesures);
    detailler("shown", montree);
    detailler("listed", *listee);
    if (find)
        detailler("find", *find);
    else
        std::printf("find: not measured (find failed or is not on the PATH)\n");
    std::printf("peak memory: %.0f MB (the process after %d windows)\n", pic, tours_mesures + 1);
    std::printf("files: %d\n", nombre);
    std::printf("window: %d files, shown in %.1f ms, listed in %.1f ms, find %s ms, ratio %s\n", nombre, montree.mediane,
                listee->mediane, qPrintable(temps_ou_tiret(find)), qPrintable(rapport_ou_tiret(find, listee->mediane)));
    return 0;
}

// The DIR N arguments of the fill commands: N, once DIR is made; otherwise the command's exit
// status, negated (2 for a usage error, told on stderr, 1 for a folder that cannot be made).
int nombre_a_fabriquer(const QStringList& arguments, const char* commande)
{
    bool ok = false;
    const int n = arguments.size() == 2 ? arguments.at(1).toInt(&ok) : 0;
    if (!ok || n <= 0) {
        std::fprintf(stderr, "usage: imagora-bench %s DIR N\n", commande);
        return -2;
    }
    return QDir().mkpath(arguments.first()) ? n : -1;
}

// fill DIR N: makes a folder of N small picture files (every type, sizes and names that vary) to
// measure the list on.
int commande_fill(const QStringList& arguments)
{
    const int n = nombre_a_fabriquer(arguments, "fill");
    if (n <= 0)
        return -n;
    const QString dossier = arguments.first();
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

// ---- open: a new process, from its start to the preview on screen, against feh -------------

// Limit of every wait of one start: the window, the preview, the first paint of feh.
constexpr int attente_lancement_ms = 20'000;

struct Lancement {
    double ms = 0;      // from just before the start to the preview painted
    double pic_mo = -1; // the process's peak resident memory then
};

// One start of the program on `fichier`, offscreen, with settings, runtime and cache folders of
// its own, new each time: no running copy answers in its place, and it runs its first start.
// With IMAGORA_JALONS set it writes "jalon apercu SECONDS" (monotonic clock) once the preview is
// painted; the time runs from just before the process is started to that moment.
std::optional<Lancement> lancer_imagora(const QString& programme, const QString& fichier, QString* erreur)
{
    const QTemporaryDir bac(QDir::tempPath() + QStringLiteral("/imagora-bench-XXXXXX"));
    if (!bac.isValid()) {
        *erreur = QStringLiteral("no temporary folder: ") + bac.errorString();
        return std::nullopt;
    }
    QProcessEnvironment environnement = QProcessEnvironment::systemEnvironment();
    for (const char* nom : {"config", "runtime", "cache", "data"}) {
        const QString dossier = bac.filePath(QLatin1String(nom));
        if (!QDir().mkpath(dossier) || chmod(QFile::encodeName(dossier).constData(), 0700) != 0) {
            *erreur = QStringLiteral("cannot make ") + dossier;
            return std::nullopt;
        }
    }
    environnement.insert(QStringLiteral("XDG_CONFIG_HOME"), bac.filePath(QStringLiteral("config")));
    environnement.insert(QStringLiteral("XDG_RUNTIME_DIR"), bac.filePath(QStringLiteral("runtime")));
    environnement.insert(QStringLiteral("XDG_CACHE_HOME"), bac.filePath(QStringLiteral("cache")));
    environnement.insert(QStringLiteral("XDG_DATA_HOME"), bac.filePath(QStringLiteral("data")));
    environnement.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environnement.insert(QStringLiteral("IMAGORA_JALONS"), QStringLiteral("1"));

    QProcess processus;
    processus.setProcessEnvironment(environnement);
    processus.setProcessChannelMode(QProcess::MergedChannels);
    const double debut = horloge_s();
    processus.start(programme, {fichier});
    QByteArray sortie;
    std::optional<double> apercu;
    QElapsedTimer attente;
    attente.start();
    while (!apercu) {
        const qint64 reste = attente_lancement_ms - attente.elapsed();
        if (reste <= 0 || !processus.waitForReadyRead(int(reste))) {
            *erreur = processus.state() == QProcess::NotRunning
                          ? QStringLiteral("Imagora ended (code %1) before its preview: %2")
                                .arg(processus.exitCode())
                                .arg(QString::fromLocal8Bit(sortie + processus.readAll()).trimmed())
                          : QStringLiteral("no preview within %1 s").arg(attente_lancement_ms / 1000);
            processus.kill();
            processus.waitForFinished(5'000);
            return std::nullopt;
        }
        sortie += processus.readAll();
        for (const QByteArray& ligne : sortie.split('\n')) {
            if (ligne.startsWith("jalon apercu "))
                apercu = ligne.mid(13).trimmed().toDouble();
        }
    }
    Lancement lancement;
    lancement.ms = (*apercu - debut) * 1000;
    lancement.pic_mo = memoire_mo(QString::number(processus.processId()), "VmHWM");
    processus.kill();
    processus.waitForFinished(5'000);
    return lancement;
}

// Watching feh on the X server of DISPLAY: Xlib tells when its window appears, then a patch of
// the screen is read until feh has painted it.
class ObservateurX {
public:
    ObservateurX()
        : m_affichage(XOpenDisplay(nullptr))
    {
        if (!m_affichage)
            return;
        // A window gone between an event and a question about it is no reason to end the bench.
        XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
        m_racine = DefaultRootWindow(m_affichage);
        m_ecran = QRect(0, 0, DisplayWidth(m_affichage, DefaultScreen(m_affichage)),
                        DisplayHeight(m_affichage, DefaultScreen(m_affichage)));
        // Before feh starts: its window's appearance must not be missed.
        XSelectInput(m_affichage, m_racine, SubstructureNotifyMask);
        XSync(m_affichage, False);
    }
    ~ObservateurX()
    {
        if (m_affichage)
            XCloseDisplay(m_affichage);
    }
    ObservateurX(const ObservateurX&) = delete;
    ObservateurX& operator=(const ObservateurX&) = delete;

    bool ouvert() const { return m_affichage != nullptr; }
    QRect ecran() const { return m_ecran; }

    // One start of feh on `fichier`: milliseconds from just before the start to the first
    // paint of the picture, seen on the screen.
    std::optional<double> mesurer_feh(const QString& feh, const QString& fichier, QString* erreur)
    {
        XSync(m_affichage, True); // events of earlier runs are of no interest
        // The screen before feh: a patch still showing this, or a single colour (feh's black
        // background), has not been painted by feh yet.
        XImage* avant = XGetImage(m_affichage, m_racine, 0, 0, m_ecran.width(), m_ecran.height(), AllPlanes, ZPixmap);
        if (!avant) {
            *erreur = QStringLiteral("the screen cannot be read (XGetImage)");
            return std::nullopt;
        }
        const std::unique_ptr<XImage, int (*)(XImage*)> garde_avant(avant, [](XImage* i) { return XDestroyImage(i); });

        QProcess processus;
        processus.setStandardOutputFile(QProcess::nullDevice());
        processus.setStandardErrorFile(QProcess::nullDevice());
        const double debut = horloge_s();
        processus.start(feh, {fichier});
        const auto fin = [&](const QString& pourquoi) -> std::optional<double> {
            *erreur = pourquoi;
            processus.kill();
            processus.waitForFinished(5'000);
            return std::nullopt;
        };
        if (!processus.waitForStarted(attente_lancement_ms))
            return fin(QStringLiteral("feh does not start: ") + processus.errorString());
        const qint64 pid = processus.processId();
        const double limite = debut + attente_lancement_ms / 1000.0;

        // Its top-level window mapped: feh's own, or the frame a window manager put around it.
        Window fenetre = 0;
        while (!fenetre) {
            while (!fenetre && XPending(m_affichage)) {
                XEvent evenement;
                XNextEvent(m_affichage, &evenement);
                if (evenement.type == MapNotify && evenement.xmap.event == m_racine && !evenement.xmap.override_redirect
                    && est_de_feh(evenement.xmap.window, pid, 3))
                    fenetre = evenement.xmap.window;
            }
            if (fenetre)
                break;
            if (horloge_s() > limite)
                return fin(QStringLiteral("no feh window within %1 s").arg(attente_lancement_ms / 1000));
            if (processus.state() == QProcess::NotRunning)
                return fin(QStringLiteral("feh ended (code %1) before showing a window").arg(processus.exitCode()));
            pollfd attente{ConnectionNumber(m_affichage), POLLIN, 0};
            poll(&attente, 1, 5);
        }

        // Then a 32x32 patch in the middle of the window's part on the screen, read until feh has
        // drawn into it.
        for (;;) {
            const double maintenant = horloge_s();
            if (peinte(fenetre, *avant))
                break;
            if (maintenant > limite)
                return fin(QStringLiteral("feh's window stayed unpainted for %1 s").arg(attente_lancement_ms / 1000));
            if (processus.state() == QProcess::NotRunning)
                return fin(QStringLiteral("feh ended (code %1) before painting").arg(processus.exitCode()));
            usleep(500);
        }
        const double ms = (horloge_s() - debut) * 1000;

        processus.kill();
        processus.waitForFinished(5'000);
        // The next run reads the screen before its start: this window must have gone from it.
        const double limite_fermeture = horloge_s() + 5;
        for (bool partie = false; !partie && horloge_s() < limite_fermeture;) {
            while (XPending(m_affichage)) {
                XEvent evenement;
                XNextEvent(m_affichage, &evenement);
                if ((evenement.type == DestroyNotify && evenement.xdestroywindow.window == fenetre)
                    || (evenement.type == UnmapNotify && evenement.xunmap.window == fenetre))
                    partie = true;
            }
            pollfd attente{ConnectionNumber(m_affichage), POLLIN, 0};
            if (!partie)
                poll(&attente, 1, 5);
        }
        return ms;
    }

private:
    // True when `fenetre`, or a window inside it down to `profondeur` levels, is feh's: its class
    // is "feh", or it says it belongs to process `pid`.
    bool est_de_feh(Window fenetre, qint64 pid, int profondeur)
    {
        XClassHint classe{};
        if (XGetClassHint(m_affichage, fenetre, &classe)) {
            const bool feh = (classe.res_name && qstrcmp(classe.res_name, "feh") == 0)
                             || (classe.res_class && qstrcmp(classe.res_class, "feh") == 0);
            if (classe.res_name)
                XFree(classe.res_name);
            if (classe.res_class)
                XFree(classe.res_class);
            if (feh)
                return true;
        }
        const Atom pid_atome = XInternAtom(m_affichage, "_NET_WM_PID", True);
        if (pid_atome) {
            Atom type = 0;
            int format = 0;
            unsigned long nombre = 0, reste = 0;
            unsigned char* valeur = nullptr;
            if (XGetWindowProperty(m_affichage, fenetre, pid_atome, 0, 1, False, XA_CARDINAL, &type, &format, &nombre, &reste,
                                   &valeur) == Success && valeur) {
                const bool sien = format == 32 && nombre == 1 && qint64(*reinterpret_cast<unsigned long*>(valeur)) == pid;
                XFree(valeur);
                if (sien)
                    return true;
            }
        }
        if (profondeur <= 0)
            return false;
        Window racine = 0, parent = 0, *enfants = nullptr;
        unsigned int nombre = 0;
        if (!XQueryTree(m_affichage, fenetre, &racine, &parent, &enfants, &nombre))
            return false;
        bool trouve = false;
        for (unsigned int i = 0; i < nombre && !trouve; ++i)
            trouve = est_de_feh(enfants[i], pid, profondeur - 1);
        if (enfants)
            XFree(enfants);
        return trouve;
    }

    // True once the middle of the window's part on the screen shows neither a single colour nor
    // what the screen showed there before feh started.
    bool peinte(Window fenetre, XImage& avant)
    {
        XWindowAttributes attributs{};
        int x = 0, y = 0;
        Window enfant = 0;
        if (!XGetWindowAttributes(m_affichage, fenetre, &attributs)
            || !XTranslateCoordinates(m_affichage, fenetre, m_racine, 0, 0, &x, &y, &enfant))
            return false;
        const QRect visible = QRect(x, y, attributs.width, attributs.height) & m_ecran;
        if (visible.isEmpty())
            return false;
        const QRect carre = QRect(visible.center() - QPoint(16, 16), QSize(32, 32)) & visible;
        XImage* image = XGetImage(m_affichage, m_racine, carre.x(), carre.y(), carre.width(), carre.height(), AllPlanes, ZPixmap);
        if (!image)
            return false;
        const unsigned long premier = XGetPixel(image, 0, 0);
        bool uni = true, comme_avant = true;
        for (int j = 0; j < carre.height(); ++j) {
            for (int i = 0; i < carre.width(); ++i) {
                const unsigned long p = XGetPixel(image, i, j);
                uni = uni && p == premier;
                comme_avant = comme_avant && p == XGetPixel(&avant, carre.x() + i, carre.y() + j);
            }
        }
        XDestroyImage(image);
        return !uni && !comme_avant;
    }

    Display* m_affichage = nullptr;
    Window m_racine = 0;
    QRect m_ecran;
};

// open FILE: a new process of the program opened on FILE, from its start to the preview painted
// in the browser (offscreen), and its peak memory then; against feh showing the same file on the
// X server of DISPLAY, from its start to its first paint.
int commande_open(const QStringList& arguments)
{
    if (arguments.size() != 1) {
        std::fprintf(stderr, "usage: imagora-bench open FILE\n");
        return 2;
    }
    const QString fichier = QFileInfo(arguments.first()).absoluteFilePath();
    if (!QFileInfo(fichier).isFile()) {
        std::fprintf(stderr, "open: %s is not a file\n", qPrintable(fichier));
        return 1;
    }
    const QString programme = QCoreApplication::applicationDirPath() + QStringLiteral("/Imagora");
    if (!QFileInfo(programme).isExecutable()) {
        std::fprintf(stderr, "open: the program is not at %s\n", qPrintable(programme));
        return 1;
    }
    const QSize naturelle = taille_image(fichier);
    std::printf("file: %s (%lld bytes, %s), %lld entries in its folder\n", qPrintable(fichier), QFileInfo(fichier).size(),
                naturelle.isValid() ? qPrintable(QStringLiteral("%1x%2 px").arg(naturelle.width()).arg(naturelle.height()))
                                    : "refused from its header",
                static_cast<long long>(QDir(QFileInfo(fichier).path()).entryList(QDir::Files | QDir::Hidden).size()));

    // feh shows the file on the X server of DISPLAY, if there is one.
    QString sans_feh;
    const QString programme_feh = QStandardPaths::findExecutable(QStringLiteral("feh"));
    std::optional<ObservateurX> x;
    if (qEnvironmentVariableIsEmpty("DISPLAY"))
        sans_feh = QStringLiteral("DISPLAY is not set");
    else if (programme_feh.isEmpty())
        sans_feh = QStringLiteral("feh is not on the PATH");
    else if (x.emplace(); !x->ouvert())
        sans_feh = QStringLiteral("cannot open the display ") + qEnvironmentVariable("DISPLAY");
    else
        std::printf("feh on display %s, screen %dx%d\n", qPrintable(qEnvironmentVariable("DISPLAY")), x->ecran().width(),
                    x->ecran().height());
    std::printf("runs: 1 warm-up + median of %d%s\n", tours_mesures, sans_feh.isEmpty() ? ", Imagora and feh in turn" : "");

    std::vector<double> pics;
    QString erreur;
    const Tour imagora_ouvert = [&]() -> std::optional<double> {
        const auto lancement = lancer_imagora(programme, fichier, &erreur);
        if (!lancement)
            return std::nullopt;
        std::printf("  Imagora: preview painted %.1f ms after the start, peak memory %.0f MB\n", lancement->ms, lancement->pic_mo);
        std::fflush(stdout);
        pics.push_back(lancement->pic_mo);
        return lancement->ms;
    };
    Tour feh_ouvert;
    if (sans_feh.isEmpty()) {
        feh_ouvert = [&]() -> std::optional<double> {
            const auto ms = x->mesurer_feh(programme_feh, fichier, &sans_feh);
            if (ms)
                std::printf("  feh: first paint %.1f ms after the start\n", *ms);
            else
                sans_feh = QStringLiteral("feh failed: ") + sans_feh;
            std::fflush(stdout);
            return ms;
        };
    }
    const auto [imagora, feh] = mesurer_en_alternance(imagora_ouvert, feh_ouvert);
    if (!imagora) {
        std::fprintf(stderr, "open: %s\n", qPrintable(erreur));
        return 1;
    }
    pics.erase(pics.begin()); // the warm-up

    detailler("Imagora", *imagora);
    if (feh)
        detailler("feh", *feh);
    else
        std::printf("feh not measured (%s)\n", qPrintable(sans_feh));
    // The peak of each run is the peak of a process that has just painted its first preview.
    std::printf("peak memory of Imagora: %.0f MB (median of the runs; highest %.0f MB)\n", mediane_de(pics),
                *std::max_element(pics.begin(), pics.end()));
    std::printf("open: %.1f ms, feh %s ms, ratio %s\n", imagora->mediane, qPrintable(temps_ou_tiret(feh)),
                qPrintable(rapport_ou_tiret(feh, imagora->mediane)));
    return 0;
}

// ---- show: the slide show and the screen saver on screen ------------------------------------

// The screen the shows are measured on; the offscreen platform is given it at start-up (see main).
const QSize ecran_des_spectacles(1920, 1080);

struct Spectacle {
    QString nom;
    bool diaporama = false; // the slide show (frmApercu); otherwise the screen saver (frmVeille)
    int mode_taille = 0;    // screen saver: the "taille" setting
};

struct Deroulement {
    std::vector<double> ticks; // ms from each tick to its picture painted
    int images = 0;            // pictures in the list
    double pic_mo = -1;
    bool pic_remis_a_zero = false;
};

// One run of `spectacle` over the pictures of `source`: the real window, on screen (offscreen),
// each picture's time from the tick that asked for it to its paint (imageAffichee), then the
// window closed as a key press would close it.
std::optional<Deroulement> derouler(const Spectacle& spectacle, const SourceDiaporama& source, QString* erreur)
{
    Deroulement d;
    d.pic_remis_a_zero = remettre_pic_a_zero();
    std::unique_ptr<QDialog> fenetre;
    const FileListBox* fichiers = nullptr;
    Attente attente(source.intervalle_ms + 30'000);
    int peintes = 0;
    const auto recue = [&](const QString& chemin, double ms) {
        d.ticks.push_back(ms);
        std::printf("  tick %zu: %.1f ms  %s\n", d.ticks.size(), ms, qPrintable(QFileInfo(chemin).fileName()));
        std::fflush(stdout);
        attente.relancer();
        if (++peintes >= fichiers->ListCount())
            attente.finir();
    };
    if (spectacle.diaporama) {
        module().mode_affichage = QStringLiteral("diaporama");
        auto diaporama = std::make_unique<frmApercu>(source);
        fichiers = &diaporama->fichiers();
        QObject::connect(diaporama.get(), &frmApercu::imageAffichee, recue);
        diaporama->show();
        fenetre = std::move(diaporama);
    } else {
        module().mode_affichage = QStringLiteral("veille");
        module().parametres.sauver(QStringLiteral("taille"), QString::number(spectacle.mode_taille));
        auto veille = std::make_unique<frmVeille>(&source, nullptr);
        QObject::connect(veille.get(), &frmVeille::imageAffichee, recue);
        if (!veille->lancer()) {
            *erreur = QStringLiteral("the screen saver did not open");
            return std::nullopt;
        }
        fichiers = &veille->fichiers();
        fenetre = std::move(veille);
    }
    d.images = fichiers->ListCount();
    // The show closes itself after the last picture (telling how many it showed): the wait ends then too.
    QObject::connect(fenetre.get(), &QDialog::finished, [&] { attente.finir(); });
    const bool complet = d.images > 0 && attente.attendre();
    if (fenetre->isVisible())
        fenetre->close();
    fenetre.reset();
    d.pic_mo = memoire_max_mo();
    if (d.images == 0) {
        *erreur = QStringLiteral("no picture in %1").arg(source.dossier);
        return std::nullopt;
    }
    if (!complet || peintes < d.images) {
        *erreur = QStringLiteral("only %1 of %2 pictures painted (a picture that cannot be read is not; the window closed after "
                                 "the last one, or %3 s went by without a picture)")
                      .arg(peintes)
                      .arg(d.images)
                      .arg((source.intervalle_ms + 30'000) / 1000);
        if (peintes == 0)
            return std::nullopt;
    }
    return d;
}

// show DIR [INTERVAL_MS]: the slide show, then the screen saver in its default size mode and in
// each other mode, over the pictures of DIR (one per INTERVAL_MS, 1000 by default) on a 1920x1080
// screen: for each picture the time from the tick that asks for it to the picture painted, the
// worst and median of them, and the peak memory of each run.
int commande_show(const QStringList& arguments)
{
    bool ok = arguments.size() == 1;
    const int intervalle = arguments.size() == 2 ? arguments.at(1).toInt(&ok) : 1000;
    if (arguments.isEmpty() || arguments.size() > 2 || !ok || intervalle <= 0) {
        std::fprintf(stderr, "usage: imagora-bench show DIR [INTERVAL_MS]\n");
        return 2;
    }
    const QString dossier = QFileInfo(arguments.first()).absoluteFilePath();
    if (!QFileInfo(dossier).isDir()) {
        std::fprintf(stderr, "show: %s is not a folder\n", qPrintable(dossier));
        return 1;
    }
    const ReglagesDuBanc reglages;
    if (!reglages.valide()) {
        std::fprintf(stderr, "show: no temporary folder: %s\n", qPrintable(reglages.erreur()));
        return 1;
    }
    const QScreen* ecran = QGuiApplication::primaryScreen();
    const QSize taille_ecran = ecran ? ecran->geometry().size() : QSize();
    std::printf("screen: %dx%d%s\n", taille_ecran.width(), taille_ecran.height(),
                taille_ecran == ecran_des_spectacles ? "" : qPrintable(QStringLiteral(" (not the %1x%2 asked for)")
                                                                        .arg(ecran_des_spectacles.width())
                                                                        .arg(ecran_des_spectacles.height())));
    // The default size mode is the one a first start writes.
    int mode_defaut = 0;
    for (const Reglage& r : reglages_premier_demarrage(QDate::currentDate(), QLocale::system(), dossier_application())) {
        if (r.first == u"taille")
            mode_defaut = r.second.toInt();
    }
    static const char* const noms_modes[] = {"natural size", "fitted when larger", "always fitted"};
    std::vector<Spectacle> spectacles{{QStringLiteral("slide show"), true, 0}};
    for (int mode : {mode_defaut, 0, 1, 2}) {
        if (mode == mode_defaut && spectacles.size() > 1)
            continue;
        spectacles.push_back({QStringLiteral("screen saver, size mode %1 (%2%3)")
                                  .arg(mode)
                                  .arg(QLatin1String(noms_modes[mode]))
                                  .arg(mode == mode_defaut ? QStringLiteral(", the default") : QString()),
                              false, mode});
    }

    const SourceDiaporama source{dossier, types_images()[0].motif, intervalle};
    std::vector<std::pair<Spectacle, Deroulement>> resultats;
    for (const Spectacle& spectacle : spectacles) {
        std::printf("%s, one picture every %d ms:\n", qPrintable(spectacle.nom), intervalle);
        std::fflush(stdout);
        QString erreur;
        const auto d = derouler(spectacle, source, &erreur);
        if (d && !erreur.isEmpty())
            std::printf("  %s\n", qPrintable(erreur));
        if (!d) {
            std::fprintf(stderr, "show: %s: %s\n", qPrintable(spectacle.nom), qPrintable(erreur));
            return 1;
        }
        if (!d->pic_remis_a_zero)
            std::printf("  (the peak could not be reset: it includes the runs before)\n");
        resultats.emplace_back(spectacle, *d);
    }
    const auto resume = [](const Deroulement& d) {
        return QStringLiteral("worst %1 ms median %2 ms peak %3 MB")
            .arg(*std::max_element(d.ticks.begin(), d.ticks.end()), 0, 'f', 1)
            .arg(mediane_de(d.ticks), 0, 'f', 1)
            .arg(d.pic_mo, 0, 'f', 0);
    };
    for (const auto& [spectacle, d] : resultats)
        std::printf("%s: %zu of %d pictures, %s\n", qPrintable(spectacle.nom), d.ticks.size(), d.images, qPrintable(resume(d)));
    std::printf("show: slide show %s; screen saver %s\n", qPrintable(resume(resultats.at(0).second)),
                qPrintable(resume(resultats.at(1).second)));
    return 0;
}

// fill-photos DIR N: makes N photos of 6000x4000 pixels (24 megapixels) in DIR, JPEG at quality
// 90, each different: smooth colour waves with grain, which compress like a photo (6 to 8 MB).
int commande_fill_photos(const QStringList& arguments)
{
    const int n = nombre_a_fabriquer(arguments, "fill-photos");
    if (n <= 0)
        return -n;
    const QString dossier = arguments.first();
    std::vector<int> numeros(n);
    for (int i = 0; i < n; ++i)
        numeros[i] = i;
    // Two at a time: encoding is the slow part and runs on one core.
    std::atomic<int> echecs = 0;
    QtConcurrent::blockingMap(numeros, [&](int numero) {
        QImage image(6000, 4000, QImage::Format_RGB888);
        quint32 graine = 0x9e3779b9u * quint32(numero + 1);
        const auto hasard = [&graine] {
            graine ^= graine << 13;
            graine ^= graine >> 17;
            graine ^= graine << 5;
            return graine;
        };
        const double f1 = 0.0007 + (hasard() % 1000) * 0.000003, f2 = 0.0011 + (hasard() % 1000) * 0.000004;
        const double p1 = (hasard() % 628) / 100.0, p2 = (hasard() % 628) / 100.0;
        for (int y = 0; y < image.height(); ++y) {
            uchar* ligne = image.scanLine(y);
            const double vy = std::sin(y * f2 + p2);
            for (int x = 0; x < image.width(); ++x) {
                const double onde = std::sin(x * f1 + p1 + vy * 2.0);
                const quint32 grain = hasard();
                const int g = int(grain & 31) - 16;
                ligne[3 * x] = uchar(std::clamp(int(128 + 90 * onde) + g, 0, 255));
                ligne[3 * x + 1] = uchar(std::clamp(int(128 + 90 * vy) + int((grain >> 8) & 31) - 16, 0, 255));
                ligne[3 * x + 2] = uchar(std::clamp(int(128 - 60 * onde * vy) + int((grain >> 16) & 31) - 16, 0, 255));
            }
        }
        QImageWriter ecrivain(QStringLiteral("%1/photo-%2.jpg").arg(dossier).arg(numero + 1, 3, 10, QLatin1Char('0')), "jpeg");
        ecrivain.setQuality(90);
        if (!ecrivain.write(image))
            ++echecs;
    });
    if (echecs > 0) {
        std::fprintf(stderr, "fill-photos: %d photos could not be written in %s\n", echecs.load(), qPrintable(dossier));
        return 1;
    }
    std::printf("fill-photos: %d photos of 6000x4000 in %s\n", n, qPrintable(dossier));
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
    QStringList expression;
    for (const QString& partie : motifs_de(motif))
        expression << (expression.isEmpty() ? QStringList() : QStringList{"-o"}) << "-iname" << partie;
    const QString programme_find = QStandardPaths::findExecutable(QStringLiteral("find"));
    Tour tour_find;
    if (!programme_find.isEmpty()) {
        tour_find = chronometre([&] {
            QProcess processus;
            processus.setStandardOutputFile(QProcess::nullDevice());
            processus.start(programme_find, QStringList{dossier, "("} + expression + QStringList{")"});
            return processus.waitForFinished(600'000) && processus.exitCode() == 0;
        });
    }
    qsizetype trouves = 0;
    const auto [recherche, find] = mesurer_en_alternance(chronometre([&] {
                                                             if (!chercher())
                                                                 return false;
                                                             trouves = fenetre.lignes_trouvees().size();
                                                             return true;
                                                         }),
                                                         tour_find);
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

    std::printf("runs: 1 warm-up + median of %d, search and find in turn\n", tours_mesures);
    detailler("search", *recherche);
    if (find) {
        detailler("find", *find);
        std::printf("find: %.1f ms (search is %.2fx this)\n", find->mediane, recherche->mediane / find->mediane);
    }
    std::printf("longest stretch without handling events: %lld ms (%lld batches of lines shown)\n",
                static_cast<long long>(plus_longue), static_cast<long long>(fenetre.lots()));
    std::printf("peak memory: %.0f MB\n", memoire_max_mo());
    std::printf("search: %lld found in %.1f ms, find %s ms, ratio %s\n", static_cast<long long>(trouves), recherche->mediane,
                qPrintable(temps_ou_tiret(find)), qPrintable(rapport_ou_tiret(find, recherche->mediane)));
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

// The longest stretch the event loop went without a turn while `travail` ran it (a 0 ms timer
// fires at each turn): how long the window could not have answered the user.
class Reactivite : public QObject {
public:
    Reactivite()
    {
        m_veille.setInterval(0);
        QObject::connect(&m_veille, &QTimer::timeout, this, [this] {
            m_plus_longue = std::max(m_plus_longue, m_horloge.nsecsElapsed() - m_derniere);
            m_derniere = m_horloge.nsecsElapsed();
        });
        m_horloge.start();
        m_veille.start();
    }
    double plus_longue_ms() const { return m_plus_longue / 1e6; }

private:
    QTimer m_veille;
    QElapsedTimer m_horloge;
    qint64 m_derniere = 0;
    qint64 m_plus_longue = 0;
};

// Runs `outil` (a program and its arguments for one file) over `fichiers` with `fils` at once:
// the anchor of the cold thumbnails. Its time in ms, or nullopt when a run failed.
std::optional<double> outil_sur_fichiers(const QStringList& fichiers, int fils,
                                         const std::function<QStringList(const QString&, int)>& commande)
{
    std::vector<int> numeros(fichiers.size());
    for (int i = 0; i < int(numeros.size()); ++i)
        numeros[i] = i;
    QThreadPool pool;
    pool.setMaxThreadCount(fils);
    std::atomic<int> echecs = 0;
    QElapsedTimer chrono;
    chrono.start();
    QtConcurrent::blockingMap(&pool, numeros, [&](int i) {
        QStringList c = commande(fichiers.at(i), i);
        const QString programme = c.takeFirst();
        QProcess processus;
        processus.setStandardOutputFile(QProcess::nullDevice());
        processus.setStandardErrorFile(QProcess::nullDevice());
        processus.start(programme, c);
        if (!processus.waitForFinished(120'000) || processus.exitStatus() != QProcess::NormalExit || processus.exitCode() > 2)
            ++echecs;
    });
    const double ms = chrono.nsecsElapsed() / 1e6;
    return echecs == 0 ? std::optional<double>(ms) : std::nullopt;
}

// thumbnails DIR: the large-icon view's thumbnails of the pictures of DIR, with a cache of this
// run's own. Cold: every thumbnail made by the browser's pool (decoded small, written to the
// cache) and placed in the list's model as the window places them, against `djpeg -scale 1/8` on
// the same JPEG files with as many at once as the pool has threads, and gdk-pixbuf-thumbnailer
// likewise when it is installed; with the longest stretch without an event-loop turn. Warm: the
// real browser opened on DIR, its large-icon view chosen: the time until every row on screen shows
// its thumbnail; then the view scrolled from top to bottom, each screenful waited for, and the
// peak memory.
int commande_thumbnails(const QStringList& arguments)
{
    if (arguments.size() != 1) {
        std::fprintf(stderr, "usage: imagora-bench thumbnails DIR\n");
        return 2;
    }
    const QString dossier = QFileInfo(arguments.first()).absoluteFilePath();
    const ReglagesDuBanc reglages;
    const QTemporaryDir cache(QDir::tempPath() + QStringLiteral("/imagora-bench-cache-XXXXXX"));
    if (!reglages.valide() || !cache.isValid()) {
        std::fprintf(stderr, "thumbnails: no temporary folder\n");
        return 1;
    }
    qputenv("XDG_CACHE_HOME", cache.path().toUtf8());
    ModeleFichiers modele;
    int nombre = 0;
    if (!construire_liste(dossier, modele, &nombre) || nombre == 0) {
        std::fprintf(stderr, "thumbnails: no picture in %s\n", qPrintable(dossier));
        return 1;
    }
    QStringList jpeg;
    QList<QByteArray> noms;
    QList<EntreeFichier> entrees;
    for (int r = 0; r < modele.rowCount(); ++r) {
        entrees << modele.entree(r);
        noms << modele.entree(r).octets;
        QFile f(dossier + u'/' + modele.entree(r).nom);
        if (f.open(QIODevice::ReadOnly) && nature_du_contenu(f.read(16)) == NatureContenu::Jpeg)
            jpeg << f.fileName();
    }

    // Cold: as the window does it, 96-pixel squares (the cache's 128-pixel thumbnails), in an
    // empty cache. Timed without the 0 ms timer, which takes a core of its own; once more with it,
    // in another empty cache, for the longest stretch without an event-loop turn.
    const int fils = std::max(1, QThreadPool::globalInstance()->maxThreadCount() - 1);
    int faites = 0, lues = 0;
    const auto a_froid = [&](const QString& dossier_cache, double* reactivite) -> std::optional<double> {
        qputenv("XDG_CACHE_HOME", dossier_cache.toUtf8());
        ModeleFichiers places;
        places.remplir(entrees);
        places.setVignettes(true, ListView::cote_grandes_icones, 1);
        FabriqueVignettes fabrique(ListView::cote_grandes_icones);
        QObject::connect(&fabrique, &FabriqueVignettes::vignette, &places, &ModeleFichiers::poser_vignette);
        int recues = 0;
        Attente toutes(attente_max_ms);
        QObject::connect(&fabrique, &FabriqueVignettes::vignette, [&] {
            toutes.relancer();
            if (++recues == nombre)
                toutes.finir();
        });
        std::optional<Reactivite> veille;
        if (reactivite)
            veille.emplace();
        QElapsedTimer chrono;
        chrono.start();
        fabrique.demander(dossier, noms);
        if (!toutes.attendre()) {
            std::fprintf(stderr, "thumbnails: %d of %d thumbnails came\n", recues, nombre);
            return std::nullopt;
        }
        if (reactivite)
            *reactivite = veille->plus_longue_ms();
        faites = fabrique.faites();
        lues = fabrique.lues();
        return chrono.nsecsElapsed() / 1e6;
    };
    const QTemporaryDir cache_veille(QDir::tempPath() + QStringLiteral("/imagora-bench-cache-XXXXXX"));
    double reactivite = 0;
    if (!a_froid(cache_veille.path(), &reactivite))
        return 1;
    remettre_pic_a_zero();
    const std::optional<double> mesure_froid = a_froid(cache.path(), nullptr);
    if (!mesure_froid)
        return 1;
    const double froid = *mesure_froid;
    qputenv("XDG_CACHE_HOME", cache.path().toUtf8());
    const double pic_froid = memoire_max_mo();
    std::printf("pictures: %d (%lld JPEG), pool of %d thread(s); cache %s\n", nombre, static_cast<long long>(jpeg.size()), fils,
                qPrintable(cache.path()));
    std::printf("cold: %.0f ms for %d thumbnails (%d made, %d from the cache), %.1f ms each; peak memory %.0f MB\n", froid, nombre,
                faites, lues, froid / nombre, pic_froid);
    std::printf("longest stretch without handling events while they were made (another run): %.1f ms\n", reactivite);

    // Anchors, on the JPEG files, with the pool's number of threads.
    std::optional<double> djpeg, gdk;
    const QString programme_djpeg = QStandardPaths::findExecutable(QStringLiteral("djpeg"));
    if (!programme_djpeg.isEmpty() && !jpeg.isEmpty()) {
        djpeg = outil_sur_fichiers(jpeg, fils, [&](const QString& f, int) {
            return QStringList{programme_djpeg, "-scale", "1/8", "-outfile", "/dev/null", f};
        });
        if (djpeg)
            std::printf("djpeg -scale 1/8: %.0f ms for the %lld JPEG files\n", *djpeg, static_cast<long long>(jpeg.size()));
    }
    const QString programme_gdk = QStandardPaths::findExecutable(QStringLiteral("gdk-pixbuf-thumbnailer"));
    QTemporaryDir sorties;
    if (!programme_gdk.isEmpty() && !jpeg.isEmpty()) {
        gdk = outil_sur_fichiers(jpeg, fils, [&](const QString& f, int i) {
            return QStringList{programme_gdk, "-s", "128", f, sorties.filePath(QString::number(i) + ".png")};
        });
        if (gdk)
            std::printf("gdk-pixbuf-thumbnailer -s 128: %.0f ms for the same files (Imagora cold is %.2fx this)\n", *gdk,
                        froid / *gdk);
    }

    // Warm: the real window, its large-icon view chosen once the folder is listed.
    module().parametres.sauver(QStringLiteral("dossier demarrage"), dossier);
    module().parametres.sauver(QStringLiteral("type fichier"), QStringLiteral("0"));
    remettre_pic_a_zero();
    frmVisualiseur fenetre;
    Attente listee(attente_max_ms);
    QObject::connect(&fenetre, &frmVisualiseur::listeAffichee, [&] { listee.finir(); });
    fenetre.show();
    if (!listee.attendre()) {
        std::fprintf(stderr, "thumbnails: the window did not list %s\n", qPrintable(dossier));
        return 1;
    }
    auto* vue = fenetre.findChild<ListView*>(QStringLiteral("ListView1"))->vueIcones();
    auto* lignes = qobject_cast<ModeleFichiers*>(vue->model());
    // True when every row on screen shows its thumbnail (or is a picture that cannot be read).
    const auto ecran_complet = [&] {
        const QRect visible = vue->viewport()->rect();
        for (QModelIndex i = vue->indexAt(QPoint(4, 4)); i.isValid(); i = lignes->index(i.row() + 1, 0)) {
            const QRect r = vue->visualRect(i);
            if (r.top() > visible.bottom())
                break;
            if (r.intersects(visible) && !lignes->vignette_venue(i.row()))
                return false;
        }
        return true;
    };
    const auto attendre_ecran = [&] {
        QElapsedTimer attente;
        attente.start();
        while (!ecran_complet()) {
            if (attente.elapsed() > attente_max_ms)
                return false;
            QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        }
        return true;
    };
    QElapsedTimer chrono;
    chrono.start();
    fenetre.findChild<QToolButton*>(QStringLiteral("cmdAffichage0"))->click();
    if (!attendre_ecran()) {
        std::fprintf(stderr, "thumbnails: the rows on screen did not all get their thumbnail\n");
        return 1;
    }
    const double chaud = chrono.nsecsElapsed() / 1e6;
    std::printf("warm: the rows on screen show their thumbnails %.1f ms after the large-icon view was chosen\n", chaud);
    chrono.restart();
    int ecrans = 0;
    for (QScrollBar* barre = vue->verticalScrollBar(); ; ++ecrans) {
        if (!attendre_ecran()) {
            std::fprintf(stderr, "thumbnails: screen %d (scrolled to %d of %d) did not get its thumbnails within %d s\n", ecrans + 1,
                         barre->value(), barre->maximum(), attente_max_ms / 1000);
            return 1;
        }
        if (barre->value() >= barre->maximum())
            break;
        barre->setValue(barre->value() + barre->pageStep());
    }
    std::printf("scrolled to the bottom: %d screens, each waited for, in %.0f ms; peak memory %.0f MB\n", ecrans + 1,
                chrono.nsecsElapsed() / 1e6, memoire_max_mo());
    std::printf("thumbnails: %d pictures, cold %.0f ms, warm %.1f ms, djpeg %s ms, ratio %s\n", nombre, froid, chaud,
                djpeg ? qPrintable(QString::number(*djpeg, 'f', 0)) : "-",
                djpeg ? qPrintable(QString::number(froid / *djpeg, 'f', 2)) : "-");
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
    {"list", "DIR", "the browser's read of DIR in the background and its list model, against find -printf of the same facts",
     commande_list},
    {"window", "DIR", "the real browser window opened on DIR: time to show it and to list DIR, against find -printf",
     commande_window},
    {"open", "FILE", "a new process opened on FILE, from its start to the preview painted, against feh's first paint",
     commande_open},
    {"show", "DIR [INTERVAL_MS]", "the slide show and the screen saver (each size mode) over DIR on 1920x1080: tick to paint, peak memory",
     commande_show},
    {"fill", "DIR N", "make a folder of N small files of every picture type (and a few others) to measure on",
     commande_fill},
    {"fill-huge", "DIR", "make small files whose headers claim huge pictures, and big real JPEGs, to run preview on",
     commande_fill_huge},
    {"fill-photos", "DIR N", "make N different 6000x4000 JPEG photos (quality 90) to run show on",
     commande_fill_photos},
    {"render", "FILE [WIDTH [OUT.png]]", "time to draw FILE (WMF, EMF or any picture) at WIDTH pixels wide; OUT.png keeps it",
     commande_render},
    {"search", "DIR PATTERN", "the search window's walk over DIR for PATTERN, against find DIR -iname PATTERN",
     commande_search},
    {"fill-tree", "DIR FILES FOLDERS", "make a tree of FOLDERS folders holding FILES empty files to search in",
     commande_fill_tree},
    {"thumbnails", "DIR", "the large-icon view's thumbnails of DIR, cold and warm, against djpeg -scale 1/8 on as many threads",
     commande_thumbnails},
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
    // The shows are measured on a screen of ecran_des_spectacles: the offscreen platform takes
    // its screens from a file named at start-up (its own is 800x600), read once, then removed.
    std::optional<QTemporaryDir> configuration_ecran;
    if (argc > 1 && qstrcmp(argv[1], "show") == 0 && qgetenv("QT_QPA_PLATFORM") == "offscreen") {
        configuration_ecran.emplace(QDir::tempPath() + QStringLiteral("/imagora-bench-XXXXXX"));
        QFile fichier(configuration_ecran->filePath(QStringLiteral("ecran.json")));
        if (configuration_ecran->isValid() && fichier.open(QIODevice::WriteOnly)
            && fichier.write(QStringLiteral(R"({"screens": [{"name": "banc", "x": 0, "y": 0, "width": %1, "height": %2,)"
                                            R"( "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})")
                                 .arg(ecran_des_spectacles.width())
                                 .arg(ecran_des_spectacles.height())
                                 .toUtf8()) > 0) {
            fichier.close();
            qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + QFile::encodeName(fichier.fileName()));
        }
    }
    QApplication application(argc, argv);
    configuration_ecran.reset();
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
