// Text to number and back, the display text, grouping, machine numbers.
#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "number/addition.h"
#include "number/conversion.h"
#include "numbertesting.h"

using namespace num;

namespace {

std::string puttext(const number& x, int precision)
{
    numberstream out;
    out.precision = precision;
    putnumber(out, x);
    EXPECT_EQ(out.length(), static_cast<std::int32_t>(std::strlen(out.text())) + 1);
    return out.text();
}

TEST(ConversionParse, AcceptsTheDocumentedForms)
{
    struct Case {
        const char* text;
        const char* want;  // plain digits
    };
    const Case cases[] = {
        {"", "0"},
        {"abc", "0"},
        {"-", "0"},
        {".", "0"},
        {"e5", "0"},
        {"0e99999999999", "0"},
        {"-0", "0"},
        {"000.000", "0"},
        {"  +12.5x", "12.5"},
        {"\t\n -7", "-7"},
        {".5", "0.5"},
        {"5.", "5"},
        {"1.2.3", "1.2"},
        {"1.2.3e5", "1.2"},
        {"1e", "1"},
        {"1e+", "1"},
        {"1E3", "1000"},
        {"2e-3", "0.002"},
        {"-2.5e+2", "-250"},
        {"00012345678901234567890.0987654321000", "12345678901234567890.0987654321"},
        {"100000000", "100000000"},
        {"0.00000001", "0.00000001"},
        {"0.000000000000000000010", "0.00000000000000000001"},
        {"12345678", "12345678"},
        {"123456789", "123456789"},
        {"1-2", "1"},
        {"1e2.5", "100"},
        {"1e-0", "1"},
    };
    for (const Case& c : cases) {
        number x = N(c.text);
        EXPECT_EQ(brokeninvariant(x), "") << c.text;
        EXPECT_EQ(plaindigits(x), c.want) << '"' << c.text << '"';
    }
    EXPECT_EQ(limbsof(N("100000000")), (std::vector<std::uint32_t>{1}));
    EXPECT_EQ(N("100000000").expo(), 1);
    EXPECT_EQ(N("100000000").lowexpo(), 1);
    EXPECT_EQ(N("0.00000001").expo(), -1);
    EXPECT_FALSE(N("-0").isnegative());
}

TEST(ConversionParse, ExponentLimits)
{
    number big = N("1e799999992");
    EXPECT_EQ(big.expo(), MAX_EXPO);
    EXPECT_EQ(limbsof(big), (std::vector<std::uint32_t>{1}));
    EXPECT_EQ(errorof([] { N("1e799999993"); }), "exponent too big. Max:799999992");
    EXPECT_EQ(errorof([] { N("1e-99999999999999999999"); }), "exponent too big. Max:799999992");
    EXPECT_EQ(errorof([] { N("123456789e799999992"); }), "number overflow");
    EXPECT_EQ(errorof([] { N("1e-799999992"); }), "");
    EXPECT_EQ(N("1e-799999992").expo(), MIN_EXPO);
    // A fraction shifted below the lowest limb is an underflow, not a
    // number outside the range.
    EXPECT_EQ(errorof([] { N("1.5e-799999992"); }), "number underflow");
    EXPECT_EQ(errorof([] { N("0.1e-799999985"); }), "");
}

TEST(ConversionPutnumber, FixedAndExponentForms)
{
    struct Case {
        const char* x;
        int precision;
        const char* want;
    };
    const Case cases[] = {
        {"0", 6, "0"},
        {"-2.5", 6, "-2.5"},
        {"123456789012345", 6, "123456789012345"},
        {"1234567890123456", 6, "1.234568e+15"},
        {"0.0001", 6, "0.0001"},
        {"0.00001", 6, "1e-5"},
        {"1e-20", 6, "1e-20"},
        {"100", 6, "100"},
        {"0.5", 6, "0.5"},
        {"1e15", 6, "1e+15"},
        {"1e100", 6, "1e+100"},
        {"-9.9996e20", 3, "-1e+21"},
        {"9.9994e20", 3, "9.999e+20"},
        {"1.5", 0, "2"},
        {"2.5e20", 0, "3e+20"},
        {"0.123456789", 4, "0.1235"},
        {"0.00012", 3, "0"},
        {"-0.00012", 3, "-0"},
        {"12345678901234.99", 1, "12345678901235"},
        {"99999999.999", 2, "100000000"},
        {"1200000000000", 6, "1200000000000"},
        {"0.000000000100000001", 6, "1e-10"},
        {"1.00000000000000000001e-7", 30, "1.00000000000000000001e-7"},
        {"0.0000000012345678912345", 12, "1.234567891235e-9"},
        {"0.00000000123456789123456789", 20, "1.23456789123456789e-9"},
        {"12.3456789012345678901234567890", 20, "12.34567890123456789012"},
        {"-5e-100000", 6, "-5e-100000"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(puttext(N(c.x), c.precision), c.want) << c.x << " at " << c.precision;
}

TEST(ConversionPutnumber, StreamGrowsByDoubling)
{
    numberstream out;
    EXPECT_EQ(out.capacity(), 1000);
    EXPECT_EQ(out.last(), '\0');
    out.removelast();
    EXPECT_EQ(out.length(), 0);
    for (int i = 0; i < 2500; ++i)
        out.put(static_cast<char>('a' + i % 26));
    EXPECT_EQ(out.capacity(), 4000);
    EXPECT_EQ(out.length(), 2500);
    EXPECT_EQ(out.last(), static_cast<char>('a' + 2499 % 26));
    EXPECT_EQ(out.text()[1234], static_cast<char>('a' + 1234 % 26));
}

TEST(ConversionDisplay, DecimaltextAtForty)
{
    struct Case {
        const char* x;
        const char* want;
    };
    const Case cases[] = {
        {"0.33333333333333333333333333333333333333333333",
         "0,3333333333333333333333333333333333333333"},
        {"0.66666666666666666666666666666666666666666666",
         "0,6666666666666666666666666666666666666667"},
        {"1", "1"},
        {"1e15", "1e+15"},
        {"1234567890123456", "1,234567890123456e+15"},
        {"123456789012345", "123456789012345"},
        {"0.00001", "1e-5"},
        {"-2.5", "-2,5"},
        {"0", "0"},
        {"2", "2"},
        {"1.9999999999999999999999999999999999999999998", "2"},
        {"3.14159265358979323846264338327950288419716939937510",
         "3,1415926535897932384626433832795028841972"},
        {"0.000123456789012345678901234567890123456789012345",
         "0,0001234567890123456789012345678901234568"},
        {"-1e-40", "-1e-40"},
        {"9.99999999999999999999999999999999999999999999e99", "1e+100"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(decimaltext(N(c.x), 40, false), c.want) << c.x;
}

TEST(ConversionDisplay, DecimaltextAtSmallPrecisionsAndAcrossPowersOfTen)
{
    struct Case {
        const char* x;
        int precision;
        const char* want;
    };
    const Case cases[] = {
        {"-0.0001", 2, "-0"},
        {"99999.96", 3, "100000"},
        {"9.9999e14", 3, "1e+15"},
        {"0.9999", 2, "1"},
        {"0.01249996", 3, "0,012"},  // rounded once, to the places shown
        {"0.0000999996", 3, "0"},
        {"0.0000999996", 5, "9,99996e-5"},
        {"123.456", 1, "120"},  // P + 1 significant digits
        {"123.456", 2, "123"},
        {"0.5", 1, "0,5"},
        {"5", 1, "5"},
        {"15", 1, "15"},
        {"15.5", 1, "16"},
        {"123.456", 4, "123,46"},
        {"155", 1, "160"},
        {"1234567", 1, "1200000"},
        {"2.5", 0, "3"},
        {"-2.5", 0, "-3"},
        {"7.77", 6000, "7,77"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(decimaltext(N(c.x), c.precision, false), c.want) << c.x << " at " << c.precision;
}

// One third at every precision: P + 1 significant digits with leadpos 0 ...
TEST(ConversionDisplay, DigitCountsAtEveryPrecision)
{
    std::string threes(6100, '3');
    number third(("0." + threes).c_str());
    number thirtythree(("3." + threes).c_str());
    for (int P = 1; P <= 6000; P += (P < 50 ? 1 : 397)) {
        std::string t = decimaltext(thirtythree, P, false);
        ASSERT_EQ(t, "3," + std::string(static_cast<std::size_t>(P), '3')) << P;
        t = decimaltext(third, P, false);
        ASSERT_EQ(t, "0," + std::string(static_cast<std::size_t>(P), '3')) << P;
    }
    EXPECT_EQ(decimaltext(thirtythree, 6000, false).size(), 6002u);
}

TEST(ConversionDisplay, Grouping)
{
    struct Case {
        const char* text;
        int radix;
        const char* want;
    };
    const Case cases[] = {
        {"-1234567,891", 10, "-1.234.567,891"},
        {"1234", 10, "1.234"},
        {"123", 10, "123"},
        {"-123", 10, "-123"},
        {"-123456", 10, "-123.456"},
        {"1,5e+20", 10, "1,5e+20"},
        {"1234e+20", 10, "1.234e+20"},
        {"0,000123456", 10, "0,000123456"},
        {"1F2E3D", 16, "1F 2E3D"},
        {"1010", 2, "1010"},
        {"110101010", 2, "1 1010 1010"},
        {"1234567", 8, "1 234 567"},
        {"", 10, ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(groupdigits(c.text, c.radix), c.want) << c.text;
    EXPECT_EQ(decimaltext(N("-1234567.891"), 40, true), "-1.234.567,891");
}

TEST(ConversionDisplay, EntryUsesTheDecimalComma)
{
    EXPECT_EQ(entrytonumber("-12,5"), N("-12.5"));
    EXPECT_EQ(entrytonumber("12,5e+3"), N("12500"));
    EXPECT_EQ(entrytonumber("0,"), number());
}

// Text -> number -> text is exact whenever the text has no more digits
// than the display shows (at P = 60, at least 57 below 1).
TEST(ConversionRoundTrip, RandomTextsSurviveExactly)
{
    std::mt19937 rng(2024);
    std::uniform_int_distribution<int> ndigits(1, 55), digit(0, 9), expo(-30, 30), sign(0, 1);
    for (int i = 0; i < 3000; ++i) {
        int n = ndigits(rng);
        std::string mantissa;
        mantissa += static_cast<char>('1' + digit(rng) % 9);
        for (int k = 1; k < n; ++k)
            mantissa += static_cast<char>('0' + digit(rng));
        while (mantissa.size() > 1 && mantissa.back() == '0')
            mantissa.pop_back();
        int e = expo(rng);
        // Appended piece by piece: GCC 12 at -O3 takes a chain of + here
        // for a copy of more than the largest object.
        std::string text = sign(rng) ? "-" : "";
        text += mantissa[0];
        text += '.';
        text.append(mantissa, 1);
        text += 'e';
        text += std::to_string(e);
        number x(text.c_str());
        ASSERT_EQ(brokeninvariant(x), "") << text;
        // At P = 60 the exponent form carries the whole mantissa.
        numberstream out;
        out.precision = 60;
        putnumber(out, x);
        number back(out.text());
        ASSERT_EQ(back, x) << text << " -> " << out.text();
        std::string shown = decimaltext(x, 60, false);
        for (char& c : shown)
            if (c == ',')
                c = '.';
        ASSERT_EQ(number(shown.c_str()), x) << text << " -> " << shown;
    }
}

TEST(ConversionMachine, Getdouble)
{
    struct Case {
        const char* x;
        double want;
    };
    const Case cases[] = {
        {"0", 0.0},
        {"1.23456789012345678", 1.23456789},
        {"99999999.87654321", 99999999.87654321},
        {"-2.5", -2.5},
        {"1e300", 1e300},
        {"-1e-300", -1e-300},
        {"12345678", 12345678.0},
    };
    for (const Case& c : cases)
        EXPECT_DOUBLE_EQ(getdouble(N(c.x)), c.want) << c.x;
    EXPECT_EQ(errorof([] { getdouble(N("1.8e308")); }), "getdouble:double overflow");
    EXPECT_EQ(errorof([] { getdouble(N("-1.8e308")); }), "getdouble:double overflow");
    EXPECT_EQ(errorof([] { getdouble(N("2e-308")); }), "getdouble:double underflow");
    EXPECT_EQ(errorof([] { getdouble(N("1.7e308")); }), "");
}

TEST(ConversionMachine, Int64AndUint64)
{
    struct Case {
        const char* x;
        std::int64_t want;
    };
    const Case cases[] = {
        {"0", 0},
        {"100000000", 100000000},
        {"1e16", 10000000000000000},
        {"-0.7", 0},
        {"-12345.99", -12345},
        {"9223372036854775807", INT64_MAX},
        {"-9223372036854775808", INT64_MIN},
        {"123456789012.5", 123456789012},
    };
    for (const Case& c : cases)
        EXPECT_EQ(getint64(N(c.x)), c.want) << c.x;
    EXPECT_EQ(errorof([] { getint64(N("9223372036854775808")); }), "getint64:__int64 overflow");
    EXPECT_EQ(errorof([] { getint64(N("-9223372036854775809")); }), "getint64:__int64 overflow");
    EXPECT_EQ(errorof([] { getint64(N("9223372036854775807.5")); }), "getint64:__int64 overflow");

    EXPECT_EQ(getuint64(N("0.7")), 0u);
    EXPECT_EQ(getuint64(N("18446744073709551615")), UINT64_MAX);
    EXPECT_EQ(getuint64(N("1e16")), 10000000000000000u);
    EXPECT_EQ(errorof([] { getuint64(N("-0.7")); }), "getuint64:number is negativ");
    EXPECT_EQ(errorof([] { getuint64(N("18446744073709551616")); }), "getuint64:__uint64 overflow");
}

}  // namespace
