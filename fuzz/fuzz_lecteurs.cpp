// libFuzzer target for the readers of our own beside Qt's: HEIF and AVIF, JPEG XL, the frames of
// animated PNG files, and SVG drawings made self-contained. The bytes are recognised as the program
// recognises a file, then read as it reads one: the header size, then a small picture (and, for an
// animation, its next frames). Built with clang and -fsanitize=fuzzer,address,undefined by court.sh.

#include "application.h"
#include "picture/contenu.h"
#include "picture/formats.h"
#include "picture/svg.h"

#include <QBuffer>
#include <QImage>
#include <QImageReader>
#include <QtPlugin>

#include <cstdint>

Q_IMPORT_PLUGIN(FormatsImagora)

namespace {

void lire(QIODevice& source, const QByteArray& format, int images)
{
    QImageReader lecteur(&source, format);
    const QSize taille = lecteur.size();
    if (!taille.isValid() || !dimensions_vraisemblables(taille.width(), taille.height()))
        return;
    // A quarter of a small picture, so that the reduced paths run too; a large one fits 64x64.
    const QSize petite = taille.width() > 256 || taille.height() > 256 ? taille.scaled(QSize(64, 64), Qt::KeepAspectRatio) : taille / 4;
    lecteur.setScaledSize(petite.expandedTo(QSize(1, 1)));
    for (int i = 0; i < images && lecteur.canRead(); ++i)
        lecteur.read();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    return preparer_application(argc, argv);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* donnees, size_t taille)
{
    QByteArray octets(reinterpret_cast<const char*>(donnees), qsizetype(taille));
    QBuffer tampon(&octets);
    tampon.open(QIODevice::ReadOnly);
    switch (nature_du_contenu(octets.left(octets_pour_reconnaitre))) {
    case NatureContenu::Heif:
        lire(tampon, format_heif, 1);
        break;
    case NatureContenu::JpegXl:
        lire(tampon, format_jpeg_xl, 1);
        break;
    case NatureContenu::Png:
        lire(tampon, format_apng, 4);
        break;
    case NatureContenu::Svg: {
        QByteArray document = svg_autonome(tampon);
        QBuffer autonome(&document);
        autonome.open(QIODevice::ReadOnly);
        if (!document.isEmpty())
            lire(autonome, QByteArrayLiteral("svg"), 1);
        break;
    }
    default:
        break;
    }
    return 0;
}
