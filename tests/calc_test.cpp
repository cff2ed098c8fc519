// The engine through its keys: entry, evaluation, integer radices, errors.
// Keys are written as zelkc types them (see calc/keytext.h).
#include <gtest/gtest.h>

#include <string>

#include "calc/keys.h"
#include "calctesting.h"
#include "number/addition.h"
#include "number/multiplication.h"
#include "referencedata.h"

using namespace num;

namespace {

TEST(CalcEntry, DigitsCommaSignAndBackspace)
{
    runcases(
        {
            {"005", "5"},
            {",", "0,"},
            {",5", "0,5"},
            {"1,2,3", "1,23"},  // a second comma is ignored
            {"A", "0"},         // not a digit in the decimal radix
            {"12A3", "123"},
            {"5[+/-]", "-5"},
            {"5[+/-][+/-]", "5"},
            {"5[+/-][Backspace]", "0"},
            {"5[+/-][Backspace]7", "7"},  // the next digit starts a new entry
            {"12[Backspace]", "1"},
            {"1,[Backspace]", "1"},
            {"1,[Backspace],5", "1,5"},  // the comma may be typed again
            {"[Backspace]", "0"},
            {"0[Backspace]5", "5"},
            {"2[x^2][Backspace]", "4"},  // no entry in progress
        },
        typing::eachkey);
}

TEST(CalcEntry, ExponentEntry)
{
    runcases(
        {
            {"1,5[EE]12", "1,5e+12"},
            {"1,5[EE]12[Backspace]", "1,5e+1"},
            {"1,5[EE]12[Backspace][Backspace]", "1,5e+0"},
            {"1,5[EE]12[Backspace][Backspace][Backspace]", "1,5"},
            {"1,5[EE]12[Backspace][Backspace][Backspace]7", "1,57"},
            {"2[EE]3[+/-]", "2e-3"},
            {"2[EE]3[+/-]=", "0,002"},
            {"2[EE]0005", "2e+5"},
            {"2[EE]3[EE]4", "2e+34"},  // a second EE does nothing
            {"2[EE],5", "2e+5"},       // no comma in the exponent
            // With no entry in progress the mantissa is 1.
            {"[EE]6", "1e+6"},
            {"[EE]6=", "1000000"},
            {"2*[EE]3=", "2000"},
            {"[EE][Backspace]", "1"},
            // A typed mantissa stays, a typed 0 too, and zero has no exponent
            // too big.
            {"0[EE]3", "0e+3"},
            {"0[EE]3=", "0"},
            {"1+0[EE]3=", "1"},
            {"0,[EE]3=", "0"},
            {"0[EE]99999999999=", "0"},
            {"5[Backspace][EE]3=", "0"},
            {"0[+/-][EE]3=", "1000"},  // +/- with nothing typed shows a value
            {"7=[EE]3=", "1000"},
            {"7+[EE]3=", "1007"},
            {"7[CE][EE]3=", "1000"},
            // 28 exponent digits at most; a value beyond the limit fails when read.
            {"1[EE]12345678901234567890123456789012", "1e+1234567890123456789012345678"},
            {"1[EE]999999999=", "exponent too big. Max:799999992"},
        },
        typing::eachkey);
}

TEST(CalcEntry, LimitsPerRadixAndWordSize)
{
    runcases(
        {
            {"[Hex][Byte]FFF", "FF"},
            {"[Hex][Word]12345", "1234"},
            {"[Hex][Dword]123456789", "12345678"},
            {"[Hex]123456789ABCDEF01", "123456789ABCDEF0"},
            {"[Bin][Byte]111111111", "11111111"},
            {"[Oct][Byte]3777", "377"},
            {"[Oct][Byte]477", "47"},
            {"[Oct][Word]1777777", "177777"},
            {"[Oct][Word]277777", "27777"},
            {"[Oct]19", "1"},  // 9 is not an octal digit
            {"[Bin]1021", "101"},
            {"[Hex][Byte]FF[Backspace]E", "FE"},
        },
        typing::eachkey);
    // A decimal entry holds at most 6099 characters.
    Calculator c;
    typeeach(c, std::string(7000, '7'));
    EXPECT_EQ(c.display().size(), 6099u);
}

TEST(CalcEntry, Grouping)
{
    runcases({
        {"[Grouping]1234567", "1.234.567"},
        {"[Grouping]1234567,891", "1.234.567,891"},
        {"[Grouping]1234567[+/-]", "-1.234.567"},
        {"[Hex][Grouping]FFFF", "FFFF"},
        {"[Hex][Dword][Grouping]1FFFF", "1 FFFF"},
        {"[Bin][Grouping]100000", "10 0000"},
        {"1234567[Grouping]", "1.234.567"},  // the entry ends and shows as a value
        {"1234567[Grouping][Grouping]", "1234567"},
    });
}

TEST(CalcEntry, InvalidKeysAndTheErrorState)
{
    Calculator c;
    c.presskey(1038);
    EXPECT_EQ(c.display(), "Invalid key:1038");
    EXPECT_FALSE(c.error());
    c.presskey(99999);
    EXPECT_EQ(c.display(), "Invalid key:99999");

    type(c, "[C]5+2/0=");
    EXPECT_EQ(c.display(), "quot:division by zero");
    EXPECT_TRUE(c.error());
    // Only C and CE act now.
    type(c, "7+[x^2][Inv][Hyp]=[Hex]");
    EXPECT_EQ(c.display(), "quot:division by zero");
    EXPECT_FALSE(c.inv());
    EXPECT_EQ(c.radix(), 10);
    // CE keeps the pending 5 and +.
    type(c, "[CE]");
    EXPECT_FALSE(c.error());
    EXPECT_EQ(c.display(), "0");
    type(c, "=");
    EXPECT_EQ(c.display(), "5");

    runcases({
        {"5+1/0=[CE]2=", "7"},
        {"5+2/0=[C]=", "0"},
    });
}

TEST(CalcExpression, PrecedenceParenthesesAndPartialResults)
{
    runcases({
        {"2+3*", "3"},
        {"2+3*4=", "14"},
        {"2*3+", "6"},
        {"2*3+4=", "10"},
        {"2y3y2=", "64"},
        {"2-3-4=", "-5"},
        {"2+*3=", "6"},
        {"2+=", "2"},
        {"5=", "5"},
        {"5==", "5"},
        {"(2+3)*4=", "20"},
        {"(2+3=", "5"},
        {"((2+3)*(4+1))=", "25"},
        {")", "0"},
        {"2)", "2"},
        {"2*(3", "3"},
        {"2*(3+4)", "7"},
        {"2*(3+4)=", "14"},
        {"7[Mod]3=", "1"},
        {"7[+/-][Mod]3=", "-1"},
        {"5,5[Mod]2=", "1,5"},
        {"2+[x^2]=", "6"},
        {"1/3=", "0,3333333333333333333333333333333333333333"},
        {"2/3=", "0,6666666666666666666666666666666666666667"},
        {"1/7=", "0,14285714286", 11},  // below 1: P decimal places
    });
}

TEST(CalcExpression, PowersAndRoots)
{
    runcases({
        {"8[+/-][Inv]y3=", "-2"},
        {"8[+/-]y3=", "-512"},
        {"8[+/-]y0,5=", "Invalid input for function"},
        {"8[+/-][Inv]y2=", "Invalid input for function"},
        {"2y8[Inv]=", "1,0905077326652576592070106557607079789927"},
        {"2y0,5=", "1,4142135623730950488016887242096980785697"},
        {"2[Inv]y0=", "quot:division by zero"},
        {"3y2[+/-]=", "0,1111111111111111111111111111111111111111"},
        {"2y3[+/-]=", "0,125"},
        {"10y15=", "1e+15"},
        {"10y14=", "100000000000000"},
        {"10y20[+/-]=", "1e-20"},
        {"1,5y2=", "2,25"},
        {"16[Inv]y4=", "2"},
        {"1024[Inv]y10=", "2"},
        {"4[Inv]y2[+/-]=", "0,5"},
    });
    // Inv is read when x^y is evaluated, and then cleared.
    Calculator c;
    type(c, "8[Inv][Lsh]2=");
    EXPECT_EQ(c.display(), "2");
    EXPECT_FALSE(c.inv());
}

// Results whose exact value is short come out exact in every radix.
TEST(CalcExpression, ExactResultsShowExactly)
{
    runcases({
        {"6/3=", "2"},
        {"[Hex]6/3=", "2"},
        {"[Hex]6/3*3=", "6"},
        {"1/4=[Hex]", "0"},
        {"2y10=", "1024"},
        {"[Hex]2yA=", "400"},
        {"8[Inv]y3=", "2"},
        {"[Hex]8[Inv]y3=", "2"},
        {"27[Inv]y3=[Int]", "3"},
        {"10/4=", "2,5"},
        {"1/3*3=", "1"},
        {"2y0,5=[x^2]", "2"},
    });
}

// 0^y is 0 for y > 0, and a negative exponent divides by zero.
TEST(CalcExpression, ZeroBase)
{
    runcases({
        {"0y2=", "0"},
        {"0y0=", "1"},
        {"0y2[+/-]=", "Cannot divide by zero"},
        {"0y0,5=", "0"},
        {"0[Inv]y2=", "0"},
        {"0[Inv]y0,5=", "0"},
        {"0[Inv]y2[+/-]=", "Cannot divide by zero"},
        {"0[Inv]y0=", "Invalid input for function"},
    });
}

// A push onto a full stack is an error, not a silently lost operand.
TEST(CalcExpression, FullStacksRaiseAnError)
{
    Calculator c;
    type(c, "((((((((((");
    EXPECT_EQ(c.parens(), 10);
    EXPECT_EQ(c.operatorcount(), 10);
    type(c, "(");
    EXPECT_EQ(c.display(), "Can't push on full operatorstack");
    EXPECT_TRUE(c.error());
    EXPECT_EQ(c.parens(), 10);
    EXPECT_EQ(c.operatorcount(), 10);

    // Operators of rising precedence keep every operand pending.
    Calculator e;
    type(e, "1[Or]2[And]3-4*5[Lsh]6y7");
    EXPECT_FALSE(e.error());
    EXPECT_EQ(e.numbercount(), 6);
    EXPECT_EQ(e.operatorcount(), 6);

    // A failed display after the push leaves an operand without its
    // operator: repeated, the operands fill the stack.
    Calculator f;
    type(f, "[Hex]");
    for (int i = 0; i < 10; ++i)
        type(f, "3-5-[CE]");
    EXPECT_EQ(f.numbercount(), 10);
    type(f, "3-");
    EXPECT_EQ(f.display(), "Can't push on full numberstack");
    EXPECT_EQ(f.numbercount(), 10);
}

TEST(CalcIntegers, RadicesAndWordSizes)
{
    runcases({
        {"[Hex][Byte]FF+1=", "0"},
        {"[Hex][Byte]3-5=", "getuint64:number is negativ"},
        {"[Hex][Byte]5[+/-]=", "FB"},
        {"[Bin]101[+/-]=", "101"},
        {"[Hex]7/2*", "3"},
        {"[Hex]7/2*2=", "7"},
        {"3,7[Hex]", "3"},
        {"3,7[Hex][Dec]", "3"},
        {"1[+/-][Hex]", "getuint64:number is negativ"},
        {"[Hex]FFFFFFFFFFFFFFFF=[Word]", "getint64:__int64 overflow"},
        {"[Hex]FFFFFFFFFFFFFFFF[Word]", "FFFF"},
        {"[Hex][Dword]1FFFF[Byte]", "FF"},
        {"255[Oct]", "377"},
        {"255[Bin]", "11111111"},
        {"[Hex]FF[Dec]", "255"},
        {"1[+/-][Qword]", "1,8446744073709551615e+19"},
        {"1[+/-][Byte]", "255"},
        {"2,7[Dword]", "2"},
        {"[Hex][Grouping]FFFFFF+1=", "100 0000"},
        {"[Oct][Grouping]1234567=", "1 234 567"},
        {"[Hex]12[Oct]", "22"},
    });
    Calculator c;
    type(c, "1[+/-][Hex]");
    EXPECT_EQ(c.radix(), 10);
    Calculator d;
    type(d, "[Hex]FFFFFFFFFFFFFFFF=[Word]");
    EXPECT_EQ(d.wordsize(), wordsize::word);
}

TEST(CalcIntegers, BitwiseKeys)
{
    runcases({
        {"5,9[And]3=", "1"},
        {"12[Or]3=", "15"},
        {"12[Xor]10=", "6"},
        {"1[Lsh]70=", "0"},
        {"1[Lsh]10=", "1024"},
        {"8[+/-][Inv][Lsh]1=", "-4"},
        {"1[+/-][Inv][Lsh]200=", "-1"},
        {"1[Lsh]257=", "2"},  // the count is taken modulo 256
        {"5[Not]", "-6"},
        {"2,5[+/-][Int]", "-2"},
        {"2,5[+/-][Inv][Int]", "-0,5"},
        {"[Hex][Byte]5[Not]", "FA"},
        {"[Hex]0[Not]", "FFFFFFFFFFFFFFFF"},
        {"[Bin][Byte]1010[Not]", "11110101"},
        {"1e19[Or]1=", "getint64:__int64 overflow"},
        {"[Hex]F[And]3[Or]8=", "B"},
    });
}

TEST(CalcState, PrecisionAndMemory)
{
    Calculator c;
    type(c, "2[Inv][x^2]");
    c.setprecision(5);
    EXPECT_EQ(c.display(), "1,41421");
    c.setprecision(1);
    EXPECT_EQ(c.display(), "1,4");
    // An error is cleared first.
    type(c, "1/0=");
    EXPECT_TRUE(c.error());
    c.setprecision(10);
    EXPECT_FALSE(c.error());
    EXPECT_EQ(c.display(), "0");
    // An exponent beyond the limit, not yet read, fails as a key would.
    type(c, "1[EE]999999999");
    c.setprecision(50);
    EXPECT_EQ(c.display(), "exponent too big. Max:799999992");
    EXPECT_TRUE(c.error());
    EXPECT_EQ(c.precision(), 50);

    Calculator m;
    type(m, "12[MS]3");
    EXPECT_EQ(m.display(), "123");
    EXPECT_TRUE(m.memorynonzero());
    type(m, "[C][MR]");
    EXPECT_EQ(m.display(), "12");
    type(m, "12[+/-][M+]");
    EXPECT_FALSE(m.memorynonzero());
    type(m, "[C]5[M+][M+][MR]");  // M+ reads the entry and leaves it going
    EXPECT_EQ(m.display(), "10");
    type(m, "[MC]");
    EXPECT_FALSE(m.memorynonzero());
}

// A redraw at another precision shows no digit the value does not hold: a
// computed value is true to the precision of the key that made it (the
// least of them after a chain), so going up it stays as it was shown; a
// typed number or an exact result holds all its digits and shows them at
// any precision. Going down every value rounds to the new digits.
TEST(CalcState, ARedrawShowsOnlyTheDigitsTheValueHolds)
{
    struct redraw {
        const char* keys;
        int from;
        int to;
        bool exact;
    };
    for (const redraw& r : std::initializer_list<redraw>{
             {"2N", 12, 30, false},
             {"2y0,5=", 12, 30, false},
             {"1/3*3=", 12, 40, false},
             {"2N+1=", 12, 30, false},  // a chain keeps the least
             {"2N[MS][C][MR]", 12, 30, false},
             {"2N[MS][C]1[M+][MR]", 12, 30, false},
             {"3[Inv][x^2]", 5, 40, false},
             {"17[sin]", 8, 6000, false},
             {"[PI]", 3, 50, false},
             {"0,5[n!]", 10, 30, false},
             {"12,3456789[dms]", 6, 30, false},
             {"2N", 30, 12, false},
             {"1,234567890123456789012345678901", 12, 40, true},
             {"1,234567890123456789012345678901=", 12, 40, true},
             {"2y10=", 2, 40, true},
             {"1/8=", 2, 40, true},
             {"6/3=", 1, 40, true},
             {"1,5+2,25=", 1, 40, true},
             {"4[Inv][x^2]", 1, 40, true},
             {"[Hex]FF[Dec]", 2, 40, true},
             {"2N[Hex][Dec]", 5, 40, true},  // the integer radices keep whole words
             {"1,234567890123456789", 40, 5, true},
         }) {
        // Each value as shown: a redraw at its precision ends an entry.
        Calculator c;
        c.setprecision(r.from);
        type(c, r.keys);
        c.setprecision(r.from);
        const std::string before = c.display();
        c.setprecision(r.to);
        Calculator fresh;
        fresh.setprecision(r.to);
        type(fresh, r.keys);
        fresh.setprecision(r.to);
        const bool stays = !r.exact && r.to > r.from;
        EXPECT_EQ(c.display(), stays ? before : fresh.display())
            << r.keys << " from " << r.from << " to " << r.to;
        // And back: nothing was lost on the way.
        c.setprecision(r.from);
        EXPECT_EQ(c.display(), before) << r.keys << " back to " << r.from;
    }
}

// The magnitude of a display and the unit of its last digit: P + 1
// significant digits, or P decimal places from 10^-4 up to 1.
void readdisplay(const std::string& display, int P, number& value, number& unit)
{
    std::string text = display;
    for (char& ch : text) {
        if (ch == ',')
            ch = '.';
    }
    // The parser reads exponents up to 799999992: the power of ten apart.
    const std::size_t e = text.find('e');
    value = number(text.substr(0, e).c_str());
    if (e != std::string::npos)
        multpow10(value, std::stoi(text.substr(e + 1)));
    const std::int32_t lead = leadpos(value);
    unit = powerof10(lead < 0 && lead >= -4 ? -P : lead - P);
}

// Keys at the ends of the range of a number (10^-799999992 to 10^800000000)
// against mpmath: a result inside it is shown correctly rounded, however far
// the operands or the steps to it lie; one beyond it shows the side.
TEST(CalcRange, ResultsInsideTheRangeAreShownAndOthersTellTheirSide)
{
    int checked = 0;
    for (const referencecase& c : readreference("range.txt")) {
        const std::string& keys = c.arguments[0];
        Calculator calc;
        calc.setprecision(c.digits);
        type(calc, keys);
        const std::string where = "line " + std::to_string(c.line) + ": " + keys +
                                  " at P=" + std::to_string(c.digits) + " shows " + calc.display();
        ++checked;
        if (c.value == "overflow" || c.value == "underflow") {
            EXPECT_EQ(calc.display(), "number " + c.value) << where;
            continue;
        }
        ASSERT_FALSE(calc.error()) << where;
        number shown, unit;
        readdisplay(calc.display(), c.digits, shown, unit);
        EXPECT_LE(abs(shown - number(c.value.c_str())), unit * number(0.5)) << where;
    }
    EXPECT_GT(checked, 150);
}

}  // namespace
