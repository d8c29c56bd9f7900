#pragma once

#include <QDialog>

// The options window.
class frmOptions : public QDialog {
    Q_OBJECT

public:
    explicit frmOptions(QWidget* parent = nullptr);
};
