// libFuzzer target for the metafile reader: the header size, then a small render of whatever the
// bytes hold. Built with clang and -fsanitize=fuzzer,address,undefined by fuzz/court.sh.

#include "picture/metafichier.h"

#include <QGuiApplication>
#include <QImageReader>

#include <cstdint>
#include <cstdlib>
#include <memory>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    // Text needs the font database, which needs a (screenless) application.
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static std::unique_ptr<QGuiApplication> application = std::make_unique<QGuiApplication>(*argc, *argv);
    QImageReader::setAllocationLimit(256);
    qputenv("QT_LOGGING_RULES", "*=false");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* donnees, size_t taille)
{
    const QByteArrayView octets(reinterpret_cast<const char*>(donnees), qsizetype(taille));
    const QSize naturelle = taille_metafichier(octets);
    if (!naturelle.isValid())
        return 0;
    const QSize petite = naturelle.scaled(QSize(200, 200), Qt::KeepAspectRatio).expandedTo(QSize(1, 1));
    const QImage image = rendre_metafichier(octets, petite, 1000);
    return image.isNull() ? 0 : 0;
}
