#pragma once

#include <QDialog>

// The about box: the program's title and version.
class frmAbout : public QDialog {
    Q_OBJECT

public:
    explicit frmAbout(QWidget* parent = nullptr);
};
