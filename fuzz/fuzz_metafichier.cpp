// libFuzzer target for the metafile reader: the header size, then a small render of whatever the
// bytes hold. Built with clang and -fsanitize=fuzzer,address,undefined by fuzz/court.sh.

#include "application.h"
#include "picture/metafichier.h"

#include <cstdint>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    return preparer_application(argc, argv);
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
