// Results beside a rounding midpoint of the display, and cancellations, for
// every key (tests/data/midpoints.txt, written by tools/midpoints.py from
// mpmath): each display is the true result correctly rounded.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "calctesting.h"

using namespace num;

namespace {

struct midpointcase {
    std::string name;
    int precision = 0;
    std::string keys;
    std::string display;
    int line = 0;
};

std::vector<midpointcase> readmidpoints()
{
    std::ifstream in(std::string(ZELK_TEST_DATA) + "/midpoints.txt");
    std::vector<midpointcase> cases;
    std::string text;
    for (int line = 1; std::getline(in, text); ++line) {
        if (text.empty() || text[0] == '#')
            continue;
        midpointcase c;
        c.line = line;
        std::size_t a = text.find('\t');
        std::size_t b = text.find('\t', a + 1);
        std::size_t d = text.find('\t', b + 1);
        c.name = text.substr(0, a);
        c.precision = std::stoi(text.substr(a + 1, b - a - 1));
        c.keys = text.substr(b + 1, d - b - 1);
        c.display = text.substr(d + 1);
        cases.push_back(c);
    }
    return cases;
}

class Midpoints : public ::testing::TestWithParam<bool> {};

// Below 6000 digits, then the few cases at 6000.
TEST_P(Midpoints, EveryKeyIsCorrectlyRoundedBesideAMidpoint)
{
    const std::vector<midpointcase> cases = readmidpoints();
    ASSERT_GT(cases.size(), 500u);
    int run = 0;
    for (const midpointcase& c : cases) {
        if ((c.precision == Calculator::MAXPRECISION) != GetParam())
            continue;
        Calculator calc;
        calc.setprecision(c.precision);
        type(calc, c.keys);
        ++run;
        EXPECT_EQ(calc.display(), c.display)
            << c.name << " P=" << c.precision << " (line " << c.line << ")";
    }
    EXPECT_GT(run, 0);
}

INSTANTIATE_TEST_SUITE_P(Precisions, Midpoints, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "At6000" : "UpTo1000"; });

// The cancellations that showed 0 or a cut value when sums were truncated.
TEST(Cancellation, SumsAndDifferencesAreExactBeforeTheyAreRounded)
{
    runcases({
        {"123456789012345678901234567890123456789012345678901234567890-"
         "123456789012345678901234567890123456789012345678901234567889=",
         "1"},
        {"7062520537000000-7062520446000000=", "91000000", 2},
        {"0,97753924750997141754949062034776176893166610702859347062372535753-"
         "0,9775392475099714175494906203477617689316661070285934706237253578=",
         "-2,7e-64", 41},
        {"773072697406273866373,901633982310170189473681616+"
         "773072697406273866373,901633982310170189473734716[+/-]=",
         "-5,31e-23"},
        {"1[EE]100+1[EE]100[+/-]-1[EE]100=", "1e-100"},
        // An addend far below the other's digits counts only where the
        // other lies exactly on a midpoint: 1,5 + 10^-700000000 is 2 at P=1,
        // 1,5 - 10^-700000000 is 1.
        {"1[EE]700000000+1-1[EE]700000000=", "0"},
        {"1,25+1[EE]700000000[+/-]=", "1,3", 1},
        {"1,25-1[EE]700000000[+/-]=", "1,2", 1},
        {"5[MS][C]1[EE]50[+/-][M+][MR]-5=", "1e-50"},
    });
}

// A result exactly on a midpoint, a short decimal, is known exactly and
// rounded away from zero.
TEST(ExactMidpoints, RoundAwayFromZero)
{
    runcases({
        {"1/4=", "0,3", 1},
        {"1/8=", "0,13", 2},
        {"1/8[+/-]=", "-0,13", 2},
        {"8[1/x]", "0,13", 2},
        {"1,5625[Inv][x^2]", "1,3", 1},
        {"0,015625[Inv][x^3]", "0,3", 1},
        {"0,0625[x^y]0,5=", "0,3", 1},
        {"0,25[x^y]1,5=", "0,13", 2},
        {"0,015625[Inv][x^y]3=", "0,3", 1},
        {"0,5[x^2]", "0,3", 1},
        {"1,25+1,25=", "2,5", 1},
    });
}

// Angles far below 10^-P answer at once, rounded as the true value: sin
// just inside x, tan just outside, cos just below 1.
TEST(TinyAngles, AnswerAtOnceAndRoundAsTheTrueValue)
{
    runcases({
        {"[Radians]1[EE]1000000[+/-][sin]", "1e-1000000"},
        {"[Radians]1[EE]1000000[+/-][cos]", "1"},
        {"[Radians]1[EE]1000000[+/-][tan]", "1e-1000000"},
        {"[Degrees]1[EE]1000000[+/-][sin]", "1,7453292519943295769236907684886127134429e-1000002"},
        {"[Grads]1[EE]1000000[+/-][tan]", "1,5707963267948966192313216916397514420986e-1000002"},
        {"[Degrees]1[EE]1000000[+/-][Inv][sin]",
         "5,7295779513082320876798154814105170332405e-999999"},
        {"[Degrees]1[EE]1000000[+/-][Inv][tan]",
         "5,7295779513082320876798154814105170332405e-999999"},
        {"[Radians]1,25[EE]100[+/-][sin]", "1,2e-100", 1},
        {"[Radians]1,25[EE]100[+/-][tan]", "1,3e-100", 1},
        {"[Radians]1,25[+/-][EE]100[+/-][sin]", "-1,2e-100", 1},
        {"[Radians]1,25[+/-][EE]100[+/-][tan]", "-1,3e-100", 1},
    });
}

// Integer radices work with the digits of a word at any precision.
TEST(IntegerResults, AreExactAtAnyPrecision)
{
    runcases({
        {"[Hex]FFFFFFFF/3=", "55555555", 3},
        {"[Hex]3y28=", "A8B8B452291FE821", 3},
        {"[Hex]FFFFFFFF*FFFFFFFF=", "FFFFFFFE00000001", 1},
        {"[Hex]7/2*2=", "7", 3},
    });
}

}  // namespace
