#include "ui/calculatorapp.h"

#include <memory>

#include <QIcon>

#include "ui/calculatordialog.h"

CalculatorApp::CalculatorApp(int& argc, char** argv) : QApplication(argc, argv)
{
    setApplicationName(QStringLiteral("zelk-calculator"));
    // Lets desktops match the window to its desktop entry and icon.
    setDesktopFileName(QStringLiteral(ZELK_APP_ID));
    setWindowIcon(QIcon(QStringLiteral(":/icons/zelk-calculator.svg")));
}

int CalculatorApp::run()
{
    auto dialog = std::make_unique<CalculatorDialog>();
    dialog->exec();
    dialog.reset();
    return 0;
}
