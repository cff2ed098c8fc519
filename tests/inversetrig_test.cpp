// Arc tangent, arc sine and arc cosine.
#include <gtest/gtest.h>

#include <functional>

#include "number/addition.h"
#include "number/conversion.h"
#include "number/inversetrig.h"
#include "number/trigonometric.h"
#include "numbertesting.h"
#include "referencedata.h"

using namespace num;

namespace {

TEST(InverseTrigonometricExact, ZerosAndMessages)
{
    EXPECT_EQ(atanprec(number(), 40), number());
    EXPECT_EQ(asinprec(number(), 40), number());
    EXPECT_EQ(acosprec(number(1), 40), number());
    // Within the resolution of its argument, or above 1.58, atan is 0.
    EXPECT_EQ(atan(N("0.001"), N("0.001")), number());
    EXPECT_EQ(atan(N("-3"), N("2")), number());
    EXPECT_EQ(atan(N("1e30"), N("1.58")), number());
    EXPECT_NE(atan(N("1e30"), N("1.57")), number());

    struct Case {
        std::function<void()> call;
        const char* message;
    };
    const Case cases[] = {
        {[] { atan(number(1), number()); }, "atan:invalid argument (f<=0)"},
        {[] { asin(N("1.0000001"), N("1e-10")); }, "asin:invalid argument (x>1)"},
        {[] { asin(number(-2), N("1e-10")); }, "asin:invalid argument (x<-1)"},
        {[] { acosprec(number(2), 40); }, "asin:invalid argument (x>1)"},
        {[] { acosprec(N("-1.5"), 40); }, "asin:invalid argument (x<-1)"},
        {[] { asin(number(2), number()); }, "asin:invalid argument (f<=0)"},
        {[] { acos(number(2), number()); }, "acos:invalid argument (f<=0)"},
        {[] { acos(number(), number(-1)); }, "acos:invalid argument (f<=0)"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(errorof(c.call), c.message);
}

// The same digits for -x as for x, from the same state of the pi cache (a
// filled cache serves pi truncated to other limbs).
TEST(InverseTrigonometricSymmetry, OddFunctions)
{
    auto fresh = [](number (*f)(const number&, std::int32_t), const number& x) {
        clearpicache();
        return f(x, 30);
    };
    for (const char* s : {"0.3", "0.5", "0.9999", "1", "1e-15", "2", "1e25"}) {
        number x = N(s);
        EXPECT_EQ(fresh(atanprec, -x), -fresh(atanprec, x)) << s;
        if (x <= number(1)) {
            EXPECT_EQ(fresh(asinprec, -x), -fresh(asinprec, x)) << s;
        }
    }
}

// Each digit form of the rows of `file` within the resolution it chooses;
// the count of rows checked.
int checkdigitforms(const char* file)
{
    const number one(1), half(0.5);
    int checked = 0;
    for (const referencecase& c : readreference(file)) {
        const std::int32_t d = c.digits;
        number got, f;
        const std::string error = errorof([&] {
            const number x(c.arguments.empty() ? "0" : c.arguments[0].c_str());
            if (c.function == "atanprec") {
                got = atanprec(x, d);
                f = powerof10(compareabs(x, one) < 0 ? leadpos(x) - d - 10 : -d - 10);
            } else if (c.function == "asinprec") {
                got = asinprec(x, d);
                f = powerof10(compareabs(x, half) < 0 ? leadpos(x) - d - 8 : -d - 8);
            } else if (c.function == "acosprec") {
                got = acosprec(x, d);
                f = powerof10(leadpos(one - x) / 2 - d - 8);
            }
        });
        EXPECT_EQ(error, "") << "line " << c.line << ": " << c.function << " at " << d;
        if (f.iszero())
            continue;
        const number want(c.value.c_str());
        EXPECT_EQ(brokeninvariant(got), "");
        EXPECT_LE(abs(got - want), f)
            << "line " << c.line << ": " << c.function << " at " << d << " of " << c.arguments[0]
            << " = " << decimaltext(got, d + 5, false);
        ++checked;
    }
    return checked;
}

TEST(InverseTrigonometricAccuracy, AgreesWithTheReference)
{
    EXPECT_GT(checkdigitforms("trig.txt"), 180);
}

// The multiples of pi (atan 1, asin 1/2, acos -1/2 ...), arguments a hair
// from +-1, tiny and huge ones, at 1 to 6000 digits.
TEST(InverseTrigonometricAccuracy, HardPoints) { EXPECT_EQ(checkdigitforms("inverse.txt"), 128); }

}  // namespace
