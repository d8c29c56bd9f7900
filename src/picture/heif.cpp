#include "picture/heif.h"

#include <QImage>

bool LecteurHeif::canRead() const
{
    return false;
}

bool LecteurHeif::read(QImage* image)
{
    Q_UNUSED(image);
    return false;
}
