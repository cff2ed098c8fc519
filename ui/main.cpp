// zelk-calculator: the calculator window.
#include "ui/calculatorapp.h"

int main(int argc, char** argv)
{
    CalculatorApp app(argc, argv);
    return app.run();
}
