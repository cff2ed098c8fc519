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
// stops with the engine's message, on a short argument (one series) and a
// long one (its pieces, and the halvings below them).
TEST(SeriesCancellation, StopsWithTheMessage)
{
    const number seventh = quotprec(number(1), number(7), 6000);
    const number f = powerof10(-6000);
    struct named {
        const char* name;
        number (*run)(const number&, const number&);
        number x;
    };
    const named cases[] = {{"exp(1)", exp, number(1)},
                           {"exp(1/7)", exp, seventh},
                           {"sin(1)", sin, number(1)},
                           {"cos(0.7)", cos, number("0.7")}};
    for (const named& c : cases) {
        cancelcompute();
        EXPECT_EQ(errorof([&] { c.run(c.x, f); }), "Operation was canceled") << c.name;
        startcompute();
    }
}

}  // namespace
