// e^x, sin x and cos x where their series are summed by binary splitting:
// short and long arguments, the edges of the pieces, tiny and large ones.
#include <gtest/gtest.h>

#include <string>

#include "number/addition.h"
#include "number/conversion.h"
#include "number/exponential.h"
#include "number/multiplication.h"
#include "number/trigonometric.h"
#include "numbertesting.h"
#include "referencedata.h"

using namespace num;

namespace {

// Each case at a resolution of a unit of the d-th digit of the value.
TEST(SeriesAccuracy, AgreesWithTheReference)
{
    int checked = 0;
    for (const referencecase& c : readreference("series.txt")) {
        const number x(c.arguments[0].c_str());
        const number want(c.value.c_str());
        const number f = powerof10(leadpos(want) - c.digits);
        const number got = c.function == "exp"   ? exp(x, f)
                           : c.function == "sin" ? sin(x, f)
                                                 : cos(x, f);
        EXPECT_EQ(brokeninvariant(got), "");
        EXPECT_LE(abs(got - want), f) << "line " << c.line << ": " << c.function << " at "
                                      << c.digits << " of " << c.arguments[0].substr(0, 40);
        ++checked;
    }
    EXPECT_GT(checked, 250);
}

// The splitting polls the run flag between its halves: a cancelled run
// stops there with the engine's message, before any long product.
TEST(SeriesCancellation, StopsWithTheMessage)
{
    const number x = quotprec(number(1), number(7), 6000);
    const number f = powerof10(-6000);
    struct named {
        const char* name;
        number (*run)(const number&, const number&);
    };
    const named functions[] = {{"exp", exp}, {"sin", sin}, {"cos", cos}};
    for (const named& F : functions) {
        cancelcompute();
        EXPECT_EQ(errorof([&] { F.run(x, f); }), "Operation was canceled") << F.name;
        startcompute();
    }
}

}  // namespace
