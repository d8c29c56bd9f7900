// Reads one picture file as a window asks for it, in a process of its own, then prints the
// process's peak resident memory (VmHWM): tst_chargeur holds every read to the memory budget with it.
//   sonde_memoire apercu|complete|ajustee FILE [WIDTH HEIGHT]
// Prints "image WxH" (0x0 when not read), "naturelle WxH" (-1x-1 when unknown), then "avant N" and
// "memoire N": VmHWM in kB before the read and after it.

#include "picture/chargeur.h"

#include <QFile>
#include <QGuiApplication>

#include <cstdio>

namespace {

qint64 pic_memoire_ko()
{
    QFile statut(QStringLiteral("/proc/self/status"));
    if (!statut.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& ligne : statut.readAll().split('\n'))
        if (ligne.startsWith("VmHWM:"))
            return ligne.mid(6).trimmed().split(' ').first().toLongLong();
    return -1;
}

} // namespace

int main(int argc, char* argv[])
{
    // Drawings need the font database, which needs an application (without a screen).
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    const QStringList arguments = QCoreApplication::arguments().mid(1);
    if (arguments.size() != 2 && arguments.size() != 4) {
        std::fprintf(stderr, "usage: sonde_memoire apercu|complete|ajustee FILE [WIDTH HEIGHT]\n");
        return 2;
    }
    const QString& mode = arguments[0];
    const QString& fichier = arguments[1];
    const QSize taille = arguments.size() == 4 ? QSize(arguments[2].toInt(), arguments[3].toInt()) : QSize(145, 145);
    const qint64 avant = pic_memoire_ko();
    ImageLue lue;
    if (mode == u"apercu")
        lue = image_apercu(fichier, taille);
    else if (mode == u"complete")
        lue = image_complete(fichier);
    else if (mode == u"ajustee")
        lue = image_ajustee(fichier, taille);
    else
        return 2;
    std::printf("image %dx%d\nnaturelle %dx%d\navant %lld\nmemoire %lld\n", lue.image.width(), lue.image.height(),
                lue.taille_naturelle.width(), lue.taille_naturelle.height(), avant, pic_memoire_ko());
    return 0;
}
