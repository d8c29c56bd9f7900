#include "picture/apng.h"

#include <QImage>

bool LecteurApng::canRead() const
{
    return false;
}

bool LecteurApng::read(QImage* image)
{
    Q_UNUSED(image);
    return false;
}
