#pragma once

#include <QImageIOHandler>

// The frames of an animated PNG (APNG) file.
class LecteurApng : public QImageIOHandler {
public:
    bool canRead() const override;
    bool read(QImage* image) override;
};
