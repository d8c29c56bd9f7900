#pragma once

// Helpers the picture tests share: files written into a temporary folder and read back, encoders
// run, pixels compared, damaged copies of a good file read, reads measured in a process of their own.

#include "picture/chargeur.h"

#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <future>
#include <vector>

namespace essai {

inline const QSize carre(145, 145); // the browser's preview square

// Writes `octets` to `nom` inside `dossier`; its path, or an empty string when it cannot be written.
inline QString ecrire(const QTemporaryDir& dossier, const QString& nom, const QByteArray& octets)
{
    const QString chemin = dossier.filePath(nom);
    QFile sortie(chemin);
    return sortie.open(QIODevice::WriteOnly) && sortie.write(octets) == octets.size() ? chemin : QString();
}

// The whole file, or an empty array when it cannot be read.
inline QByteArray lire(const QString& chemin)
{
    QFile entree(chemin);
    return entree.open(QIODevice::ReadOnly) ? entree.readAll() : QByteArray();
}

// Mean difference per channel between two pictures, 0 to 255 (255 when their sizes differ).
inline double ecart_moyen(const QImage& a, const QImage& b)
{
    if (a.size() != b.size() || a.isNull())
        return 255;
    const QImage x = a.convertToFormat(QImage::Format_RGB32), y = b.convertToFormat(QImage::Format_RGB32);
    double somme = 0;
    for (int j = 0; j < x.height(); ++j)
        for (int i = 0; i < x.width(); ++i) {
            const QRgb p = x.pixel(i, j), q = y.pixel(i, j);
            somme += qAbs(qRed(p) - qRed(q)) + qAbs(qGreen(p) - qGreen(q)) + qAbs(qBlue(p) - qBlue(q));
        }
    return somme / (3.0 * x.width() * x.height());
}

// A picture whose pixels tell where they are: red grows from left to right, green from top to
// bottom, and blue makes a checkerboard of 8-pixel squares, so that a part shifted by a few pixels
// does not match.
inline QImage reperee(QSize taille)
{
    QImage image(taille, QImage::Format_RGB32);
    for (int y = 0; y < taille.height(); ++y)
        for (int x = 0; x < taille.width(); ++x)
            image.setPixel(x, y, qRgb(x * 255 / (taille.width() - 1), y * 255 / (taille.height() - 1), (x / 8 + y / 8) % 2 ? 200 : 60));
    return image;
}

// The JPEG `jpeg` with an EXIF block telling viewers to show it turned (`orientation` 1 to 8).
inline QByteArray avec_orientation_exif(const QByteArray& jpeg, int orientation)
{
    // Big-endian TIFF header, one IFD of one entry: Orientation (0x0112), SHORT, 1 value.
    QByteArray exif("Exif\0\0MM\0\x2A\0\0\0\x08\0\x01\x01\x12\0\x03\0\0\0\x01\0\0\0\0\0\0\0\0", 32);
    exif[25] = char(orientation);
    const char entete[4] = {'\xFF', '\xE1', 0, char(exif.size() + 2)};
    return jpeg.left(2) + QByteArray(entete, 4) + exif + jpeg.mid(2);
}

// Runs an encoder; the reason it failed, or an empty string.
inline QString lancer(const QString& outil, const QStringList& arguments)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(outil, arguments);
    if (!p.waitForFinished(180'000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        return outil + u' ' + arguments.join(u' ') + QStringLiteral(": ") + QString::fromLocal8Bit(p.readAll());
    return {};
}

#define EXIGER(outil)                                                                                                  \
    do {                                                                                                               \
        if (QStandardPaths::findExecutable(outil).isEmpty())                                                           \
            QSKIP(qPrintable(QString(outil) + " is not installed"));                                                   \
    } while (false)

#define LANCER(outil, ...)                                                                                             \
    do {                                                                                                               \
        const QString erreur_ = essai::lancer(outil, QStringList{__VA_ARGS__});                                        \
        QVERIFY2(erreur_.isEmpty(), qPrintable(erreur_));                                                              \
    } while (false)

// "r,g,b a" for messages.
inline QByteArray decrire(QRgb p)
{
    return QStringLiteral("%1,%2,%3 a%4").arg(qRed(p)).arg(qGreen(p)).arg(qBlue(p)).arg(qAlpha(p)).toLatin1();
}

// Whether two colours are within `tolerance` on every channel, opacity included.
inline bool proche(QRgb p, QRgb q, int tolerance)
{
    return qAbs(qRed(p) - qRed(q)) <= tolerance && qAbs(qGreen(p) - qGreen(q)) <= tolerance
        && qAbs(qBlue(p) - qBlue(q)) <= tolerance && qAbs(qAlpha(p) - qAlpha(q)) <= tolerance;
}

inline QRgb en_rgba(QRgb c) { return c; }
inline QRgb en_rgba(const QColor& c) { return c.rgba(); }

#define COULEUR(image, x, y, attendue, tolerance)                                                                      \
    QVERIFY2(essai::proche((image).pixel((x), (y)), essai::en_rgba(attendue), (tolerance)),                            \
             QByteArray(#image " at " #x "," #y ": " + essai::decrire((image).pixel((x), (y))) + " instead of "        \
                        + essai::decrire(essai::en_rgba(attendue))).constData())

// Reads a picture of natural size `naturelle` whole, as a preview and fitted in `boite`, which must
// give `ajustee`: each picture read, of the size asked and knowing the natural size, is handed to
// `verifier` with its scaling tolerance (0 for the whole picture).
template <typename F>
void lue_a_chaque_taille(const QString& chemin, QSize naturelle, QSize boite, QSize ajustee, F verifier)
{
    QCOMPARE(taille_image(chemin), naturelle);
    const ImageLue lues[] = {image_complete(chemin), image_apercu(chemin, carre), image_ajustee(chemin, boite)};
    const QSize tailles[] = {naturelle, carre, ajustee};
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(lues[i].image.size(), tailles[i]);
        QCOMPARE(lues[i].taille_naturelle, naturelle);
        QCOMPARE(lues[i].image.depth(), 32);
        verifier(lues[i].image, i == 0 ? 0 : 2);
    }
}

// Whether no function reads anything of the file, not even a size.
inline bool rien_lu(const QString& chemin)
{
    for (const ImageLue& lue : {image_apercu(chemin, carre), image_complete(chemin), image_ajustee(chemin, QSize(800, 600))})
        if (!lue.image.isNull() || lue.taille_naturelle.isValid())
            return false;
    return true;
}

// Copies of `bon` with 1 to 4 bytes changed at random, in each of `zones` in turn, read every way:
// no crash, no hang; a whole picture read comes with a size from the header (of `taille` when it is
// valid), a preview at the size asked. An empty string, or what the first wrong read gave.
inline QString abimer(const QTemporaryDir& dossier, const QByteArray& bon, const QList<QPair<qsizetype, qsizetype>>& zones,
                      int essais, QSize taille = {})
{
    QRandomGenerator hasard(quint32(bon.size()));
    for (int i = 0; i < essais; ++i) {
        QByteArray f = bon;
        const auto [debut, fin] = zones[i % zones.size()];
        for (int c = 0; c <= i % 4; ++c)
            f[debut + qsizetype(hasard.bounded(quint32(fin - debut)))] ^= char(1 + hasard.bounded(255));
        const QString chemin = ecrire(dossier, QStringLiteral("abimee"), f);
        const QSize entete = taille_image(chemin);
        const ImageLue complete = image_complete(chemin), apercu = image_apercu(chemin, carre);
        if ((complete.ok() && (!entete.isValid() || (taille.isValid() && complete.image.size() != taille)))
            || (apercu.ok() && apercu.image.size() != carre))
            return QStringLiteral("copy %1: %2x%3 in the header, %4x%5 read").arg(i).arg(entete.width()).arg(entete.height())
                .arg(complete.image.width()).arg(complete.image.height());
    }
    return {};
}

// Readers on several worker threads at once give the same previews as one at a time.
inline bool memes_en_parallele(const QStringList& chemins, QSize taille)
{
    std::vector<std::future<QImage>> taches;
    for (int tour = 0; tour < 4; ++tour)
        for (const QString& f : chemins)
            taches.push_back(std::async(std::launch::async, [f, taille] { return image_apercu(f, taille).image; }));
    bool memes = true;
    for (std::size_t i = 0; i < taches.size(); ++i)
        memes = taches[i].get() == image_apercu(chemins[int(i % chemins.size())], taille).image && memes;
    return memes;
}

#ifdef SONDE_MEMOIRE
// A read made by sonde_memoire, in a process of its own: what it gave and the memory it took.
struct LectureMesuree {
    QSize image, naturelle;
    qint64 avant_ko = -1, pic_ko = -1; // VmHWM before the read and after it
};

inline LectureMesuree lire_a_part(const QString& mode, const QString& chemin, QSize taille = carre)
{
    QProcess sonde;
    QProcessEnvironment environnement = QProcessEnvironment::systemEnvironment();
    // Under AddressSanitizer, freed blocks wait in a quarantine of 256 MB by default; a small one
    // keeps the peak what the reader itself holds.
    const QString asan = environnement.value(QStringLiteral("ASAN_OPTIONS"));
    environnement.insert(QStringLiteral("ASAN_OPTIONS"), asan + (asan.isEmpty() ? "" : ":") + "quarantine_size_mb=16");
    sonde.setProcessEnvironment(environnement);
    sonde.start(QStringLiteral(SONDE_MEMOIRE), {mode, chemin, QString::number(taille.width()), QString::number(taille.height())});
    LectureMesuree mesure;
    if (!sonde.waitForFinished(120'000) || sonde.exitStatus() != QProcess::NormalExit || sonde.exitCode() != 0)
        return mesure;
    for (const QByteArray& ligne : sonde.readAllStandardOutput().split('\n')) {
        const QList<QByteArray> champs = ligne.split(' '), cotes = champs.value(1).split('x');
        const QSize lue = cotes.size() == 2 ? QSize(cotes[0].toInt(), cotes[1].toInt()) : QSize();
        if (champs[0] == "image")
            mesure.image = lue;
        else if (champs[0] == "naturelle")
            mesure.naturelle = lue;
        else if (champs[0] == "avant")
            mesure.avant_ko = champs.value(1).toLongLong();
        else if (champs[0] == "memoire")
            mesure.pic_ko = champs.value(1).toLongLong();
    }
    return mesure;
}
#endif

} // namespace essai
