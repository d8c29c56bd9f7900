// libFuzzer target for the picture loader as the windows call it, whatever the type: the bytes are
// written to a file, whose header size is read, then the preview, a part (the slide show's path
// for a picture larger than the screen), the fitted picture of the shows, and the camera's EXIF
// thumbnail. Qt's own readers (BMP, GIF, JPEG, ICO...) run here behind our checks, so a file that
// gets past those checks and breaks a reader is found too. Built with clang and
// -fsanitize=fuzzer,address,undefined by court.sh.

#include "application.h"
#include "picture/chargeur.h"
#include "picture/contenu.h"
#include "picture/exif.h"

#include <QFile>
#include <QtPlugin>

#include <cstdint>
#include <unistd.h>

Q_IMPORT_PLUGIN(FormatsImagora)

namespace {

// One file per process, in memory where the system has it.
const QString& fichier()
{
    static const QString chemin = QStringLiteral("%1/imagora-fuzz-chargeur-%2")
                                      .arg(QFile::exists(QStringLiteral("/dev/shm")) ? QStringLiteral("/dev/shm") : QStringLiteral("/tmp"))
                                      .arg(::getpid());
    return chemin;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    const int r = preparer_application(argc, argv);
    std::atexit([] { QFile::remove(fichier()); });
    return r;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* donnees, size_t taille)
{
    const QByteArray octets(reinterpret_cast<const char*>(donnees), qsizetype(taille));
    {
        QFile f(fichier());
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(octets) != octets.size())
            return 0;
    }
    const QString& chemin = fichier();
    const QSize naturelle = taille_image(chemin);
    image_apercu(chemin, QSize(48, 48));
    if (naturelle.isValid()) {
        // The middle of the picture at a quarter of its size, and the whole fitted in a small screen.
        const QRect milieu(naturelle.width() / 4, naturelle.height() / 4, std::max(1, naturelle.width() / 2),
                           std::max(1, naturelle.height() / 2));
        image_partie(chemin, milieu, (milieu.size() / 4).expandedTo(QSize(1, 1)).boundedTo(QSize(256, 256)));
        image_ajustee(chemin, QSize(64, 48));
        vignette_exif(octets.left(octets_exif), naturelle);
    }
    return 0;
}
