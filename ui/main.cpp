// zelk-calculator: the calculator window.
#include "calculatorapp.h"

int main(int argc, char** argv)
{
    CalculatorApp app(argc, argv);
    return app.run();
}
