// The application: start-up and shut-down around the one calculator window.
#pragma once

#include <QApplication>

class CalculatorApp : public QApplication {
public:
    CalculatorApp(int& argc, char** argv);

    // Shows the calculator window until it is closed, then destroys it
    // (which ends the worker thread). Returns the exit code.
    int run();
};
