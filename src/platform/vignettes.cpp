#include "platform/vignettes.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QImageWriter>
#include <QStandardPaths>
#include <QTemporaryFile>

#include <cstdio>
#include <cstring>

#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace vignettes {

namespace {

const QString cle_uri = QStringLiteral("Thumb::URI");
const QString cle_mtime = QStringLiteral("Thumb::MTime");

// Bytes a path keeps as they are in a URI.
bool garde(unsigned char c)
{
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))
        return true;
    return c < 0x80 && std::strchr("-_.!~*'()/:@&=+$,", c) != nullptr;
}

// True when the device holding the file is removable media (a USB key, a card): what is on it
// comes and goes, and the cache would fill with thumbnails of pictures no longer there.
bool sur_support_amovible(dev_t appareil)
{
    const QString bloc = QStringLiteral("/sys/dev/block/%1:%2").arg(major(appareil)).arg(minor(appareil));
    // A partition's flag is its disk's: one folder up.
    for (const QString& chemin : {bloc + QStringLiteral("/removable"), bloc + QStringLiteral("/../removable")}) {
        QFile f(chemin);
        if (f.open(QIODevice::ReadOnly))
            return f.read(1) == "1";
    }
    return false;
}

// Makes the folders of `chemin` that are missing, readable by the user alone.
bool creer_dossier_prive(const QString& chemin)
{
    QFileInfo info(chemin);
    if (info.isDir())
        return true;
    if (!creer_dossier_prive(info.absolutePath()))
        return false;
    return ::mkdir(QFile::encodeName(chemin).constData(), 0700) == 0 || QFileInfo(chemin).isDir();
}

QString nom_md5(const Source& source)
{
    return QString::fromLatin1(QCryptographicHash::hash(source.uri, QCryptographicHash::Md5).toHex()) + QStringLiteral(".png");
}

// The PNG at `chemin`, if it names this very version of the picture.
QImage lire_pour(const QString& chemin, const Source& source)
{
    QImageReader lecteur(chemin, "png");
    QImage image = lecteur.read();
    if (image.isNull())
        return {};
    // Some writers put a fraction of a second; the standard counts whole seconds.
    bool ok = false;
    const qint64 mtime = qint64(image.text(cle_mtime).toDouble(&ok));
    if (!ok || mtime != source.mtime || image.text(cle_uri).toUtf8() != source.uri)
        return {};
    return image;
}

// Writes `image` at `chemin` through a temporary file beside it (mode 0600) and a rename.
bool ecrire_en_place(QImage image, const QString& chemin)
{
    if (!creer_dossier_prive(QFileInfo(chemin).absolutePath()))
        return false;
    QTemporaryFile temporaire(chemin + QStringLiteral(".XXXXXX"));
    if (!temporaire.open())
        return false;
    QImageWriter ecrivain(&temporaire, "png");
    if (!ecrivain.write(image) || !temporaire.flush())
        return false;
    temporaire.close();
    if (std::rename(QFile::encodeName(temporaire.fileName()).constData(), QFile::encodeName(chemin).constData()) != 0)
        return false;
    temporaire.setAutoRemove(false);
    return true;
}

void poser_cles(QImage& image, const Source& source)
{
    image.setText(cle_uri, QString::fromUtf8(source.uri));
    image.setText(cle_mtime, QString::number(source.mtime));
    image.setText(QStringLiteral("Thumb::Size"), QString::number(source.taille));
    image.setText(QStringLiteral("Software"), QStringLiteral("Imagora"));
}

} // namespace

QByteArray uri_de(const QByteArray& chemin_absolu)
{
    QByteArray uri("file://");
    uri.reserve(uri.size() + chemin_absolu.size() * 3);
    static constexpr char hex[] = "0123456789ABCDEF";
    for (const char c : chemin_absolu) {
        const auto o = static_cast<unsigned char>(c);
        if (garde(o)) {
            uri.append(c);
        } else {
            uri.append('%');
            uri.append(hex[o >> 4]);
            uri.append(hex[o & 0xF]);
        }
    }
    return uri;
}

QString dossier_cache()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) + QStringLiteral("/thumbnails");
}

std::optional<Source> source_de(const QString& chemin)
{
    const QString canonique = QFileInfo(chemin).canonicalFilePath();
    if (canonique.isEmpty())
        return std::nullopt;
    const QByteArray octets = QFile::encodeName(canonique);
    struct stat st {};
    if (::stat(octets.constData(), &st) != 0 || !S_ISREG(st.st_mode))
        return std::nullopt;
    // The cache never holds thumbnails of its own files.
    const QString cache = QFileInfo(dossier_cache()).canonicalFilePath();
    if (!cache.isEmpty() && canonique.startsWith(cache + u'/'))
        return std::nullopt;
    if (sur_support_amovible(st.st_dev))
        return std::nullopt;
    return Source{canonique, uri_de(octets), qint64(st.st_mtim.tv_sec), qint64(st.st_size)};
}

QString chemin_vignette(const Source& source, int taille)
{
    return dossier_cache() + (taille > taille_normale ? QStringLiteral("/large/") : QStringLiteral("/normal/")) + nom_md5(source);
}

QString chemin_echec(const Source& source)
{
    return dossier_cache() + QStringLiteral("/fail/imagora-1.0/") + nom_md5(source);
}

QImage lire(const Source& source, int taille)
{
    return lire_pour(chemin_vignette(source, taille), source);
}

bool echec_connu(const Source& source)
{
    return QFileInfo::exists(chemin_echec(source)) && !lire_pour(chemin_echec(source), source).isNull();
}

bool ecrire(const Source& source, const QImage& vignette, QSize naturelle, int taille)
{
    if (vignette.isNull())
        return false;
    QImage image = vignette;
    poser_cles(image, source);
    if (naturelle.isValid()) {
        image.setText(QStringLiteral("Thumb::Image::Width"), QString::number(naturelle.width()));
        image.setText(QStringLiteral("Thumb::Image::Height"), QString::number(naturelle.height()));
    }
    return ecrire_en_place(std::move(image), chemin_vignette(source, taille));
}

bool noter_echec(const Source& source)
{
    QImage image(1, 1, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    poser_cles(image, source);
    return ecrire_en_place(std::move(image), chemin_echec(source));
}

} // namespace vignettes
