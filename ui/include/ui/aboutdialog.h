// The About box: the icon, the name and version, and what the calculator
// does.
#pragma once

#include <QDialog>

class AboutDialog : public QDialog {
public:
    explicit AboutDialog(QWidget* parent = nullptr);
};
