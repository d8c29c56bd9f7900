// Writes the program's icon as PNG files at the sizes of the desktop's icon theme:
// imagora-icones DOSSIER  ->  DOSSIER/NxN/apps/imagora.png
#include "browser/icones.h"

#include <QDir>
#include <QGuiApplication>
#include <QIcon>
#include <QPixmap>

#include <cstdio>

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: imagora-icones DOSSIER\n");
        return 2;
    }
    const QIcon icone = icone_programme();
    for (int cote : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const QString dossier = QStringLiteral("%1/%2x%2/apps").arg(QString::fromLocal8Bit(argv[1])).arg(cote);
        if (!QDir().mkpath(dossier) || !icone.pixmap(cote, cote).save(dossier + QStringLiteral("/imagora.png"))) {
            std::fprintf(stderr, "imagora-icones: cannot write %s\n", qPrintable(dossier));
            return 1;
        }
    }
    return 0;
}
