#include "picture/jxl.h"

#include <QImage>

bool LecteurJpegXl::canRead() const
{
    return false;
}

bool LecteurJpegXl::read(QImage* image)
{
    Q_UNUSED(image);
    return false;
}
