// The paste reader: text in, the display it leaves out, through the engine.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "calc/keys.h"
#include "calc/paste.h"
#include "calctesting.h"

using namespace num;

namespace {

struct pastecase {
    std::string setup;  // keys typed before, one by one
    std::string text;   // pasted
    std::string display;
    int precision = 40;
    std::string name = {};  // where the texts are too long to name the row
};

void runpastes(const std::vector<pastecase>& cases)
{
    for (const pastecase& p : cases) {
        Calculator c;
        if (p.precision != 40)
            c.setprecision(p.precision);
        typeeach(c, p.setup);
        c.paste(p.text);
        if (p.name.empty())
            EXPECT_EQ(c.display(), p.display) << "after " << p.setup << " pasted " << p.text;
        else
            EXPECT_EQ(c.display(), p.display) << p.name;
    }
}

const std::string unreadable = PASTEUNREADABLE;
const std::string toobig = PASTETOOBIG;

TEST(Paste, ReadsNumbersAsTheyWereMeant)
{
    runpastes({
        {"", "1,234,567.89", "1234567,89"},
        {"", "1.234.567,89", "1234567,89"},  // the window's own grouped copy
        {"", "-1.234.567,89=", "-1234567,89"},
        {"", "1 234 567,89", "1234567,89"},
        {"", "1\u00a0234\u00a0567,89", "1234567,89"},
        {"", "1\u2009234\u202f567.5", "1234567,5"},
        {"", "1'234'567.25", "1234567,25"},
        {"", "1_000_000", "1000000"},
        {"", "1.234.567", "1234567"},
        {"", "1,234", "1,234"},  // a single separator is the decimal one
        {"", "1.23", "1,23"},
        {"", "3.14159", "3,14159"},
        {"", ".5", "0,5"},
        {"", "-,25=", "-0,25"},
        {"", "0,000", "0,000"},
        {"", "007", "7"},
        {"", "1e5=", "100000"},
        {"", "1E5=", "100000"},
        {"", "1,5e3=", "1500"},
        {"", "1,5e+12", "1,5e+12"},
        {"", "1e-5=", "1e-5"},
        {"", "1e-5*3=", "3e-5"},
        {"", "2e\u22123=", "0,002"},
        {"", "1e", "1e+0"},               // no exponent digits: E is the EE key
        {"", "308,e+183=", "3,08e+185"},  // an entry's comma with no digits after it
        {"", "233,e-1=", "23,3"},
        {"", "5.e3=", "5000"},
        {"", "0e99999999999=", "0"},
        {"", "-0", "0"},
        {"", "0x1F=", "31"},
        {"", "0X1f=", "31"},
        {"", "0o17=", "15"},
        {"", "0b101=", "5"},
        {"", "-0x10=", "-16"},
        {"", "0xFFFF_FFFF=", "4294967295"},
        {"", "0x10000000000000000=", "1,8446744073709551616e+19"},
        {"", "\u22125*2=", "-10"},
        {"", "2*-3=", "-6"},
        {"", "2*\u22123=", "-6"},
        {"", "(-5)", "-5"},
        {"", "10-5=", "5"},
        {"", "10 - -5=", "15"},
        {"", "-(3)=", "-3"},  // not before a number: the minus key
        {"", "3\u00d74=", "12"},
        {"", "3\u22c54=", "12"},
        {"", "3\u00b74=", "12"},
        {"", "10\u00f72=", "5"},
        {"", "2^10=", "1024"},
        {"", "2*(3+4)=", "14"},
        {"", "2 * ( 3 + 4 ) =", "14"},
        {"", "$12", "12"},
    });
}

// The calculator groups by '.' in threes: a single '.' before three digits
// is its group separator, unless the number cannot be one it wrote.
TEST(Paste, ReadsTheCalculatorsOwnGroupedDisplays)
{
    runpastes({
        {"", "1.234", "1234"},
        {"", "12.345=", "12345"},
        {"", "123.456", "123456"},
        {"", "-1.234=", "-1234"},
        {"", "1.000", "1000"},
        {"", "1.234,", "1234,"},
        {"", "1.234,5", "1234,5"},
        {"", "-1.234.567,5=", "-1234567,5"},
        {"", "2*1.234=", "2468"},
        {"5", "1.234", "51234"},
        // A decimal point: a leading zero, no group of three after it, a
        // first group of four, an exponent (one digit stands before the
        // comma when the calculator writes one).
        {"", "0.125", "0,125"},
        {"", "1.2345", "1,2345"},
        {"", "1234.567", "1234,567"},
        {"", "1.234e3=", "1234"},
        {"", "1.5e3=", "1500"},
        {"[Hex]", "1 2345", "12345"},
        {"[Oct]", "1 234 567", "1234567"},
        {"[Bin]", "1101 1011", "11011011"},
    });
}

// An entry of four whole digits or more with EE, typed while grouping is on,
// shows "1.234e+5"; that reads as other programs mean it, 1,234e+5. Copy
// puts it without grouping, "1234e+5", which reads back as typed.
TEST(Paste, KnownLimitationAGroupedEntryWithAnExponentReadsAsADecimalPoint)
{
    Calculator shown;
    typeeach(shown, "[Grouping]1234X5");
    ASSERT_EQ(shown.display(), "1.234e+5");
    runpastes({
        {"", shown.display() + "=", "123400"},
        {"", ungroupeddisplay(shown.display(), 10) + "=", "123400000"},
    });
}

TEST(Paste, CopiesDropTheGroupingOfNumbersOnly)
{
    const struct {
        const char* display;
        int radix;
        const char* copied;
    } cases[] = {
        {"1.234", 10, "1234"},
        {"-1.234.567,125", 10, "-1234567,125"},
        {"1.234e+5", 10, "1234e+5"},
        {"1,5e-7", 10, "1,5e-7"},
        {"0,3333", 10, "0,3333"},
        {"FFFF FFFF", 16, "FFFFFFFF"},
        {"1 234 567", 8, "1234567"},
        {"1101 1011", 2, "11011011"},
        {"Operation was canceled", 10, "Operation was canceled"},
        {"Cannot read pasted number", 16, "Cannot read pasted number"},
        {"quot:division by zero", 10, "quot:division by zero"},
        {"", 10, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ungroupeddisplay(c.display, c.radix), c.copied) << c.display;
}

// Any display of the calculator, grouped or not, pasted into a calculator
// of the same radix, word size and precision with grouping on or off, is the
// same number: = shows the same display in both, with the same grouping.
// Results and entries being typed, in every radix.
TEST(Paste, DisplaysReadBackAsTheSameNumber)
{
    std::mt19937_64 random(20261209);
    auto pick = [&](int n) { return static_cast<int>(random() % static_cast<std::uint64_t>(n)); };
    auto digits = [&](int n, const char* of) {
        std::string d;
        for (int i = 0; i < n; ++i)
            d += of[pick(static_cast<int>(std::string(of).size()))];
        return d;
    };
    const char* radices[] = {"[Hex]", "", "[Oct]", "[Bin]"};
    const char* alphabets[] = {"0123456789ABCDEF", "0123456789", "01234567", "01"};
    const int radixvalues[] = {16, 10, 8, 2};
    const char* words[] = {"[Qword]", "[Dword]", "[Word]", "[Byte]"};
    const int bits[] = {64, 32, 16, 8};
    const int precisions[] = {1, 3, 10, 40, 100};
    int grouped = 0;
    for (int round = 0; round < 4000; ++round) {
        const int r = pick(4);
        const int precision = precisions[pick(5)];
        std::string setup = radices[r];
        std::string keys;
        if (r == 1) {
            if (pick(2) == 0) {
                // A result: a quotient of many digits at some magnitude.
                keys = digits(1 + pick(15), "123456789") + "/" + digits(1 + pick(4), "123456789") +
                       "*1e" + std::to_string(pick(121) - 60) + "=";
            } else {
                // An entry: digits, maybe a comma, maybe an exponent (with
                // few whole digits while grouping: see the known limitation).
                const int whole = 1 + pick(12);
                keys = digits(1, "123456789") + digits(whole - 1, "0123456789");
                if (pick(2) == 0)
                    keys += "," + digits(pick(20), "0123456789");
                if (whole <= 3 && pick(3) == 0)
                    keys += "X" + digits(1 + pick(3), "0123456789") + (pick(2) == 0 ? "[+/-]" : "");
            }
            if (pick(4) == 0)
                keys += "[+/-]";
        } else {
            const int w = pick(4);
            setup += words[w];
            keys = digits(1 + pick(bits[w] / (r == 0 ? 4 : r == 2 ? 3 : 1)), alphabets[r]);
            if (pick(4) == 0)
                keys += "[+/-]";
            if (pick(2) == 0)
                keys += "=";
        }
        const bool groupfirst = pick(2) == 0;
        Calculator a;
        a.setprecision(precision);
        typeeach(a, setup + (groupfirst ? "[Grouping]" : "") + keys);
        if (a.error())
            continue;  // a word too small for the digits
        const std::string shown = a.display();
        SCOPED_TRACE(setup + keys + (groupfirst ? " grouped" : "") + " showed " + shown);
        if (shown != ungroupeddisplay(shown, radixvalues[r]))
            ++grouped;

        Calculator b;
        b.setprecision(precision);
        typeeach(b, setup + (pick(2) == 0 ? "[Grouping]" : ""));
        b.paste(shown);
        ASSERT_FALSE(b.error()) << b.display();
        b.presskey(key::equals);
        if (b.grouping() != a.grouping())
            b.presskey(key::grouping);
        a.presskey(key::equals);
        EXPECT_EQ(b.display(), a.display());
    }
    EXPECT_GT(grouped, 500);
}

TEST(Paste, IntegerRadices)
{
    runpastes({
        {"[Hex]", "0x1F", "1F"},
        {"[Hex]", "1f", "1F"},
        {"[Hex]", "0b101", "5"},
        {"[Hex]", "0b12", "B12"},  // no binary number: hexadecimal digits
        {"[Hex]", "FFFF FFFF", "FFFFFFFF"},
        {"[Hex]", "FFFF_FFFF_FFFF_FFFF", "FFFFFFFFFFFFFFFF"},
        {"[Hex]", "1e5", "1E5"},  // E is a digit here
        {"[Hex]", "-1=", "FFFFFFFFFFFFFFFF"},
        {"[Oct]", "0x1F", "37"},
        {"[Oct]", "1 777", "1777"},
        {"[Bin]", "0xF", "1111"},
        {"[Bin]", "1010 1010", "10101010"},
        {"[Hex][Byte]", "FF", "FF"},
        {"[Hex][Byte]", "0x00FF", "FF"},
        {"[Oct][Word]", "177777", "177777"},
        {"[Hex]", "FFFFFFFFFFFFFFFF", "FFFFFFFFFFFFFFFF"},
    });
}

TEST(Paste, RefusesWhatItCannotReadWithoutGuessing)
{
    runpastes({
        {"", "1,2,3", unreadable},
        {"", "1.23.456", unreadable},
        {"", "12,34.5", unreadable},
        {"", "1,234.567,8", unreadable},
        {"", "1 23", unreadable},
        {"", "2 3", unreadable},
        {"", "1234,567,890", unreadable},  // a first group of four
        {"", "1,234 567", unreadable},
        {"", "1.5,3", unreadable},
        {"", "12AB", unreadable},
        {"", "A5", unreadable},
        {"", "1e5e3", unreadable},
        {"", "0b12", unreadable},
        {"", "0x1G5", unreadable},
        {"[Oct]", "19", unreadable},
        {"[Oct]", "1A", unreadable},
        {"[Bin]", "1021", unreadable},
        {"[Hex]", "FF FF", unreadable},
        {"[Hex]", "1,5", unreadable},  // no fraction in an integer radix
        {"[Hex][Byte]", "1FF", toobig},
        {"[Hex][Byte]", "0x100", toobig},
        {"[Hex][Word]", "12345", toobig},
        {"[Hex][Dword]", "123456789", toobig},
        {"[Hex]", "123456789ABCDEF01", toobig},
        {"[Bin][Byte]", "111111111", toobig},
        {"[Oct][Byte]", "477", toobig},
        {"[Oct][Word]", "277777", toobig},
        // Nothing of a refused text is typed.
        {"5+", "2*1,2,3=", unreadable},
    });
    // The state stays as it was.
    Calculator c;
    typeeach(c, "5+");
    c.paste("1,2,3");
    EXPECT_FALSE(c.error());
    c.paste("2=");
    EXPECT_EQ(c.display(), "7");
}

TEST(Paste, ExtendsTheEntryBeingTyped)
{
    runpastes({
        {"12", "34", "1234"},
        {"12", "-5=", "7"},  // after digits '-' is the minus key
        {"1,", "25", "1,25"},
        {"1,5", ",25", unreadable},  // a second comma
        {"1[EE]", "5=", "100000"},
        {"1[EE]", "5,5", unreadable},
        {"1[EE]", std::string(28, '1'), "1e+" + std::string(28, '1'), 40, "28 exponent digits"},
        {"1[EE]1", std::string(28, '1'), unreadable, 40, "a 29th exponent digit"},
        {"[Hex][Byte]F", "F", "FF"},
        {"[Hex][Byte]F", "FF", toobig},
        {std::string(6098, '1'), "1", std::string(6099, '1'), 40, "the entry's last character"},
        {std::string(6098, '1'), "11", unreadable, 40, "one character beyond the entry"},
    });
}

// The digits of 1234567890 repeated to `n` digits.
std::string counting(std::size_t n)
{
    std::string s;
    while (s.size() < n)
        s += "1234567890";
    s.resize(n);
    return s;
}

TEST(Paste, LongNumbersAreRoundedToTheEntryWithTheirMagnitude)
{
    const std::string nines(7000, '9');
    runpastes({
        {"", counting(10000) + "=", "1,2345678901234567890123456789012345678901e+9999", 40,
         "10000 digits"},
        {"", "-" + counting(10000) + "=", "-1,2345678901234567890123456789012345678901e+9999", 40,
         "10000 digits with a sign"},
        {"", "1" + nines + "=", "2e+7000", 40, "7001 digits rounded up with a carry"},
        {"", "1" + nines, "2e+7000", 40, "the carry shown as the entry"},
        {"", "0," + std::string(7000, '0') + "15=", "1,5e-7001", 40, "7000 zeros after the comma"},
        {"", "1" + std::string(7000, '0') + "e-7000=", "1", 40,
         "an exponent that undoes the length"},
        {"", counting(8000) + "e-8000=", "0,123456789012345678901234567890123456789", 40,
         "8000 digits and a negative exponent"},
        // At 6000 digits the exponent form shows 6001: the 6002nd decides.
        // Rounded half away to the entry, 4999...9|9 would become the
        // midpoint 5000...0 and be rounded up again: the entry keeps it cut.
        {"", "1" + std::string(6000, '2') + "5" + std::string(998, '0') + "1=",
         "1," + std::string(5999, '2') + "3e+7000", 6000, "a 5 and more after the cut rounds up"},
        {"", "1" + std::string(6000, '2') + "4" + std::string(999, '9') + "=",
         "1," + std::string(6000, '2') + "e+7000", 6000, "a 4 and nines after the cut stay cut"},
        {"", "-1" + std::string(6000, '2') + "4" + std::string(999, '9') + "=",
         "-1," + std::string(6000, '2') + "e+7000", 6000, "a 4 and nines stay cut with a sign"},
        {"", "0x" + std::string(6000, 'F') + "=",
         "5,2468172239218879061856687783336208240176e+7224", 40,
         "6000 hexadecimal digits in the decimal radix"},
    });
    // The entry shows the rounded digits: 6098 of them.
    Calculator c;
    c.paste("1" + nines.substr(0, 6096) + "355");
    EXPECT_EQ(c.display(), "1," + nines.substr(0, 6096) + "4e+6099");
}

TEST(Paste, TypesTheKeysOfTheExactValue)
{
    const pastetarget decimal;
    const struct {
        const char* name;
        const char* text;
        std::vector<int> keys;
    } cases[] = {
        {"signs after the digits",
         "-1,5e-3",
         {key::digit1, key::point, key::digit5, key::sign, key::exponent, key::digit3, key::sign}},
        {"a prefix as decimal digits", "0x1F", {key::digit3, key::digit1}},
        {"the caret as x^y", "2^3", {key::digit2, key::power, key::digit3}},
        {"spaces", "  ", {}},
        {"bytes that are not UTF-8", "\xff\xfe", {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(readpaste(c.text, decimal).keys, c.keys) << c.name;
}

// The window's worker pastes through Calculator::paste with a `proceed` that
// a cancel turns false: it is asked before every key, and the keys before a
// false one stay typed.
TEST(Paste, ProceedIsAskedBeforeEachKeyAndStopsThePaste)
{
    const struct {
        const char* name;
        const char* text;
        int allowed;  // keys proceed lets through
        const char* display;
        int asked;
    } cases[] = {
        {"every key", "12+3=", 99, "15", 5},
        {"stops before the operator", "12+3=", 2, "12", 3},
        {"stops before the first key", "12+3=", 0, "0", 1},
        {"a sign is a key of its own", "-12", 2, "12", 3},
        {"a prefix types the converted digits", "0x1F", 1, "3", 2},
        {"a refused text asks nothing", "1,2,3", 99, "Cannot read pasted number", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Calculator calc;
        int asked = 0;
        calc.paste(c.text, true, [&] { return asked++ < c.allowed; });
        EXPECT_EQ(calc.display(), c.display);
        EXPECT_EQ(asked, c.asked);
        const std::size_t keys = Calculator().readpasted(c.text).keys.size();
        if (c.allowed >= static_cast<int>(keys)) {
            EXPECT_EQ(static_cast<std::size_t>(asked), keys);
        }
    }
}

// The reader and the typist go number by number: of a text that holds a
// number the reader refuses and one the entry refuses, the first one's
// refusal is shown, and no key of either is typed.
TEST(Paste, TheFirstRefusalInTheTextIsShown)
{
    const struct {
        const char* name;
        const char* setup;
        const char* text;
        const std::string& display;
    } cases[] = {
        {"too big, then unreadable", "[Hex][Byte]", "1FF+FF FF", toobig},
        {"unreadable, then too big", "[Hex][Byte]", "FF FF+1FF", unreadable},
        {"a key, then too big", "[Hex][Byte]", "1+1FF", toobig},
        {"octal too big, then unreadable", "[Oct][Byte]", "477+1 23", toobig},
        {"octal unreadable, then too big", "[Oct][Byte]", "1 23+477", unreadable},
        {"binary too big, then a digit of no binary", "[Bin][Byte]", "111111111+1021", toobig},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Calculator calc;
        typeeach(calc, c.setup);
        calc.paste(c.text);
        EXPECT_EQ(calc.display(), c.display);
        EXPECT_FALSE(calc.error());
        EXPECT_EQ(calc.operatorcount(), 0);
    }
}

TEST(Paste, ZelkcRunsAfterAKeyMayStartWithASign)
{
    runcases({
        {"5[*]-3=", "-15"},
        {"5[x^2]-3=", "22"},
        {"5[C]-3", "-3"},
        {"[Hex]-1=", "FFFFFFFFFFFFFFFF"},
    });
}

}  // namespace
