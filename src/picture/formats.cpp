#include "picture/formats.h"

#include "picture/apng.h"
#include "picture/heif.h"
#include "picture/jxl.h"

#include <QImageIOPlugin>

// Linked into the program as a static plugin (Q_IMPORT_PLUGIN in chargeur.cpp).
class FormatsImagora : public QImageIOPlugin {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QImageIOHandlerFactoryInterface_iid FILE "formats.json")

public:
    Capabilities capabilities(QIODevice* device, const QByteArray& format) const override
    {
        // Only when asked by name: see formats.h.
        if (format != format_heif && format != format_jpeg_xl && format != format_apng)
            return {};
        return device == nullptr || device->isReadable() ? CanRead : Capabilities();
    }

    QImageIOHandler* create(QIODevice* device, const QByteArray& format) const override
    {
        QImageIOHandler* lecteur = nullptr;
        if (format == format_heif)
            lecteur = new LecteurHeif;
        else if (format == format_jpeg_xl)
            lecteur = new LecteurJpegXl;
        else if (format == format_apng)
            lecteur = new LecteurApng;
        if (lecteur) {
            lecteur->setDevice(device);
            lecteur->setFormat(format);
        }
        return lecteur;
    }
};

#include "formats.moc"
