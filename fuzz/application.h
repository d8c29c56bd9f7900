#pragma once

// What every fuzz target sets up once: a screenless application (text needs the font database),
// Qt's readers held to 256 MB, and Qt's messages silenced.

#include <QGuiApplication>
#include <QImageReader>

#include <cstdlib>
#include <memory>

// The body of LLVMFuzzerInitialize.
inline int preparer_application(int* argc, char*** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static std::unique_ptr<QGuiApplication> application = std::make_unique<QGuiApplication>(*argc, *argv);
    QImageReader::setAllocationLimit(256);
    qputenv("QT_LOGGING_RULES", "*=false");
    return 0;
}
