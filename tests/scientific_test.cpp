// The scientific keys: domains, the flags they read and clear, angle units,
// memory, the integer radices, exact values, and accuracy against mpmath.
#include <gtest/gtest.h>

#include <algorithm>

#include "calc/keys.h"
#include "calctesting.h"
#include "number/addition.h"
#include "number/conversion.h"
#include "number/multiplication.h"
#include "referencedata.h"

using namespace num;

namespace {

TEST(ScientificKeys, DomainsAndMessages)
{
    runcases({
        {"0[ln]", "Invalid input for function"},
        {"1[+/-][log]", "Invalid input for function"},
        {"0[Inv][ln]", "1"},
        {"2[Inv][log]", "100"},
        {"0[1/x]", "Cannot divide by zero"},
        {"4[+/-][Inv][x^2]", "Invalid input for function"},
        {"27[+/-][Inv][x^3]", "-3"},
        {"2[+/-][x^3]", "-8"},
        {"0[Inv][x^3]", "0"},
        {"3[+/-][n!]", "Invalid input for function"},
        {"0[n!]", "1"},
        {"1[Inv][sin]", "90"},
        {"2[Inv][cos]", "Invalid input for function"},
        {"1,0000001[+/-][Inv][sin]", "Invalid input for function"},
        {"1[Hyp][Inv][tan]", "Invalid input for function"},
        {"1[+/-][Hyp][Inv][tan]", "Invalid input for function"},
        {"1[Hyp][Inv][cos]", "0"},
        {"0,5[Hyp][Inv][cos]", "Invalid input for function"},
        {"90[tan]", "Invalid input for function"},
        {"270[+/-][tan]", "Invalid input for function"},
        {"[Grads]100[tan]", "Invalid input for function"},
        {"[Radians]0[cos]", "1"},
        {"1e20[EE]", "1e+20"},
    });
}

// Only a vanishing cosine puts an argument outside the tangent's domain:
// any other failure of its sine or cosine is shown as sin and cos show it
// (the tangent's cosine has twice the digits, hence its own numbers).
TEST(ScientificKeys, TangentFailsAsItsSineDoes)
{
    for (const char* argument : {"[Radians]1e500000000", "[Radians]1[+/-]e500000000"}) {
        SCOPED_TRACE(argument);
        Calculator sine, tangent;
        type(sine, std::string(argument) + "[sin]");
        type(tangent, std::string(argument) + "[tan]");
        ASSERT_TRUE(sine.error());
        EXPECT_TRUE(tangent.error());
        const std::string& shown = sine.display();
        EXPECT_EQ(tangent.display().substr(0, shown.rfind(':')), shown.substr(0, shown.rfind(':')));
    }
}

// Exact multiples of a right angle, exact zeros of the odd functions, and
// results that are short decimals come out exact: Int and the integer
// radices show them right.
TEST(ScientificKeys, ExactValues)
{
    runcases({
        {"30[sin]", "0,5"},
        {"390[sin]", "0,5"},
        {"90[cos]", "0"},
        {"180[sin]", "0"},
        {"270[cos]", "0"},
        {"180[tan]", "0"},
        {"360[cos]", "1"},
        {"720[+/-][cos]", "1"},
        {"90[sin]", "1"},
        {"270[sin]", "-1"},
        {"90[+/-][sin]", "-1"},
        {"180[cos]", "-1"},
        {"[Grads]400[cos]", "1"},
        {"[Grads]100[sin]", "1"},
        {"[Grads]200[sin]", "0"},
        {"0[sin]", "0"},
        {"0[tan]", "0"},
        {"0[Inv][sin]", "0"},
        {"0[Inv][tan]", "0"},
        // The inverse functions at whole sixths of a right angle, less the
        // exact angle: nothing left.
        {"1[Inv][tan]-45=", "0"},
        {"1[+/-][Inv][tan]+45=", "0"},
        {"0,5[Inv][sin]-30=", "0"},
        {"0,5[+/-][Inv][sin]+30=", "0"},
        {"0,5[Inv][cos]-60=", "0"},
        {"0,5[+/-][Inv][cos]-120=", "0"},
        {"0[Inv][cos]-90=", "0"},
        {"1[Inv][sin]-90=", "0"},
        {"1[+/-][Inv][cos]-180=", "0"},
        {"1[Inv][cos]", "0"},
        {"[Grads]1[Inv][tan]-50=", "0"},
        {"[Grads]1[+/-][Inv][cos]-200=", "0"},
        {"[Grads]0,5[Inv][cos]", "66,666666666666666666666666666666666666667"},
        {"0[Hyp][sin]", "0"},
        {"0[Hyp][tan]", "0"},
        {"0[Hyp][Inv][sin]", "0"},
        {"0[Hyp][Inv][tan]", "0"},
        {"1000[log]", "3"},
        {"1000[log][Int]", "3"},
        {"0,01[log]", "-2"},
        {"3[Inv][log][Hex]", "3E8"},
        {"[Hex]3[Inv][log]", "3E8"},
        {"4[Inv][x^2][Hex]", "2"},
        {"[Hex]4[Inv][x^2]", "2"},
        {"[Hex]1B[Inv][x^3]", "3"},
        {"4[1/x][x^2][1/x]", "16"},
        {"0,5[1/x][Int]", "2"},
        {"0,25[Inv][x^2]", "0,5"},
        {"1e10[+/-][Inv][x^2]", "1e-5"},
        {"1e8[+/-][Inv][x^2]", "0,0001"},
    });
}

// Arguments whose exact intermediate values would spell out millions of
// digits (x^2 - 1 for a huge x, e^x - e^-x for a large x) stay cheap and
// give the value.
TEST(ScientificKeys, HugeArgumentsOfTheHyperbolicKeys)
{
    runcases({
        {"3,1561e20850885[Hyp][Inv][cos]", "48010938,819217420961871613415768276681948"},
        {"3,1561e20850885[Hyp][Inv][sin]", "48010938,819217420961871613415768276681948"},
        {"3,1561[+/-]e20850885[Hyp][Inv][sin]", "-48010938,819217420961871613415768276681948"},
        {"1e8[Hyp][tan]", "1"},
        {"1[+/-]e8[Hyp][tan]", "-1"},
        {"1e9[Hyp][tan]", "1"},
        {"1e99999999[Mod]7=", "6"},
    });
}

// A flag is cleared only by a key that succeeds.
TEST(ScientificKeys, FlagsSurviveAFailure)
{
    struct Case {
        const char* keys;
        bool inv, hyp;
    };
    const Case cases[] = {
        {"2[Inv][cos]", true, false},
        {"2[Inv][Hyp][tan]", true, true},
        {"0[Inv][1/x]", true, false},  // 1/x reads no flag
        {"2[Inv][1/x]", true, false},
        {"2[Inv][n!]", true, false},
        {"[Inv][PI]", true, false},
        {"0,5[Inv][sin]", false, false},
        {"0,5[Hyp][Inv][sin]", false, false},
        {"2[Inv][x^2]", false, false},
        {"2[Inv][ln]", false, false},
        {"2[Hyp][ln]", false, true},  // ln reads and clears only Inv
        {"[Hex][Inv][Hyp]5[sin]", true, true},
        {"[Hex][Inv]5[PI]", true, false},
        {"[Inv]12,5[dms]", false, false},
        {"[Inv]4[Int]", false, false},
    };
    for (const Case& c : cases) {
        Calculator calc;
        type(calc, c.keys);
        EXPECT_EQ(calc.inv(), c.inv) << c.keys;
        EXPECT_EQ(calc.hyp(), c.hyp) << c.keys;
    }
}

TEST(ScientificKeys, AngleUnitsAndTheIntegerRadices)
{
    Calculator c;
    EXPECT_EQ(c.angle(), angleunit::degrees);
    type(c, "[Radians]");
    EXPECT_EQ(c.angle(), angleunit::radians);
    type(c, "30");
    EXPECT_EQ(c.display(), "30");  // an angle key leaves the display alone
    type(c, "[Degrees][sin]");
    EXPECT_EQ(c.display(), "0,5");
    EXPECT_EQ(c.angle(), angleunit::degrees);
    type(c, "[Grads]");
    EXPECT_EQ(c.angle(), angleunit::grads);

    runcases({
        {"[Hex]5[sin]", "5"},
        {"[Hex][PI]", "0"},
        {"[Hex]10[x^2]", "100"},
        {"[Hex]10[ln]", "2"},
        {"[Hex]5[n!]", "78"},
        {"[Hex]2[1/x]", "0"},
        {"[Oct]100[Inv][x^2]", "10"},
        {"[Hex]12[dms]", "12"},
    });
}

TEST(ScientificKeys, Memory)
{
    Calculator c;
    type(c, "12[MS]3");
    EXPECT_EQ(c.display(), "123");  // MS reads the entry and leaves it going
    type(c, "[C][MR]");
    EXPECT_EQ(c.display(), "12");
    EXPECT_TRUE(c.memorynonzero());
    type(c, "[C]12[+/-][M+]");
    EXPECT_FALSE(c.memorynonzero());
    type(c, "[C]2[Inv][x^2][MS][C][MR][x^2]");
    EXPECT_EQ(c.display(), "2");
    // MR in an integer radix shows the stored value masked.
    type(c, "[C]300[MS][Hex][Byte][MR]");
    EXPECT_EQ(c.display(), "2C");
    type(c, "[Dec][C]1[+/-][MS][Hex][MR]");
    EXPECT_EQ(c.display(), "getuint64:number is negativ");
    // The memory keys leave a pending operator pending.
    Calculator d;
    type(d, "2+[MR]");
    EXPECT_EQ(d.display(), "0");
    type(d, "3=");
    EXPECT_EQ(d.display(), "5");
}

// The value a display stands for and the unit of its last digit: P + 1
// significant digits, or P decimal places below 1.
void shownvalue(const std::string& display, int P, number& value, number& unit)
{
    std::string text = display;
    for (char& ch : text) {
        if (ch == ',')
            ch = '.';
    }
    value = number(text.c_str());
    std::size_t e = text.find('e');
    // At the bottom of the range the display holds no digit below 10^-799999992.
    if (e != std::string::npos)
        unit = powerof10(std::max(std::stoi(text.substr(e + 1)) - P, -799999992));
    else if (compareabs(value, number(1)) < 0)
        unit = powerof10(-P);
    else
        unit = powerof10(leadpos(value) - P);
}

// The rows of a reference file for `function`, typed at their precision:
// the shown digits are the true value correctly rounded (within half a unit
// of the last shown digit). Returns the number of rows checked.
int checkdisplays(const std::string& file, const std::string& function)
{
    int checked = 0;
    for (const referencecase& c : readreference(file)) {
        if (c.function != function)
            continue;
        const std::string& keys = c.arguments[0];
        Calculator calc;
        calc.setprecision(c.digits);
        type(calc, keys);
        if (calc.error()) {
            ADD_FAILURE() << file << " line " << c.line << ": " << keys.substr(0, 80)
                          << " at P=" << c.digits << " shows " << calc.display();
            continue;
        }
        number shown, unit;
        shownvalue(calc.display(), c.digits, shown, unit);
        const number off = abs(shown - number(c.value.c_str()));
        EXPECT_LE(off + off, unit) << file << " line " << c.line << ": " << keys.substr(0, 80)
                                   << " at P=" << c.digits << " shows " << calc.display();
        ++checked;
    }
    return checked;
}

// Every key against mpmath at P = 40 and 100.
TEST(ScientificAccuracy, AgreesWithTheReference)
{
    EXPECT_GT(checkdisplays("keys.txt", "keys"), 100);
}

// n! within 10^-k of its poles, of 0 and of 4, from k = 1 to P + 20 and far
// beyond (where the offset counts to first order or not at all), at P from
// 1 to 100.
TEST(ScientificAccuracy, FactorialNearIntegersAgreesWithTheReference)
{
    EXPECT_GT(checkdisplays("gamma.txt", "n!"), 3000);
}

}  // namespace
