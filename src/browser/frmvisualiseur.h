#pragma once

#include <QWidget>

// The browser: the program's main window from the end of start-up until the user quits.
class frmVisualiseur : public QWidget {
    Q_OBJECT

public:
    explicit frmVisualiseur(QWidget* parent = nullptr);
};
