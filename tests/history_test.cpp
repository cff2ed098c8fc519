// The keys behind the values: the pending expression the window shows above
// the display, and the history of finished calculations with their recall.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "calctesting.h"

namespace {

std::vector<std::string> expressions(const Calculator& c)
{
    std::vector<std::string> out;
    for (const auto& e : *c.history())
        out.push_back(e->expression + " " + e->result);
    return out;
}

struct pendingcase {
    const char* name;
    const char* keys;
    const char* pending;
};

TEST(PendingExpression, ShowsTheStacksAsTyped)
{
    const std::vector<pendingcase> cases = {
        {"nothing", "", ""},
        {"an entry alone", "12", ""},
        {"one operator", "2+", "2 +"},
        {"the entry after it waits", "2+3", "2 +"},
        {"precedence keeps the sum open", "2+3*", "2 + 3 \u00d7"},
        {"a reduced product is shown as typed", "2*3+", "2 \u00d7 3 +"},
        {"a changed operator", "2+-", "2 \u2212"},
        {"an open parenthesis", "(", "("},
        {"inside a parenthesis", "(1+2", "(1 +"},
        {"a closed group and another", "(1+2)*(3-", "(1 + 2) \u00d7 (3 \u2212"},
        {"nested", "((1+", "((1 +"},
        {"a function of the operand", "2[sin]+", "2 sin +"},
        {"Inv and Hyp name the function", "1[Inv][Hyp][sin]*", "1 Inv Hyp sin \u00d7"},
        {"a function of a group", "(1+2)[x^2]-", "(1 + 2) x^2 \u2212"},
        {"pi", "2*[PI]+", "2 \u00d7 PI +"},
        {"a sign change of a result", "2[x^2][+/-]+", "2 x^2 +/- +"},
        {"a typed sign is the number's", "5[+/-]+", "-5 +"},
        {"empty after equals", "2+3=", ""},
        {"empty after C", "2+3*[C]", ""},
        {"CE keeps the operators", "2+3[CE]", "2 +"},
        {"a result goes on as its value", "2+3=*", "5 \u00d7"},
        {"a computed number with the display's digits", "1/3=+",
         "0,3333333333333333333333333333333333333333 +"},
        {"grouping shows in the line", "1234567[Grouping]+", "1.234.567 +"},
        {"the current radix", "255+[Hex]", "FF +"},
        {"hex typed", "[Hex]FF[And]", "FF And"},
        {"after a radix switch back", "[Hex]FF+[Dec]", "255 +"},
        {"an error keeps the stacks until C", "1/0=", ""},
        // The division fails as the product reduces it: the stacks keep
        // what is left of them until C.
        {"an error after an operator", "2+1/0*", "2 +"},
        {"C after an error", "2+1/0*[C]", ""},
    };
    for (const pendingcase& k : cases) {
        Calculator c;
        typeeach(c, k.keys);
        EXPECT_EQ(c.pendingexpression(), k.pending) << k.name << ": " << k.keys;
    }
}

struct historycase {
    const char* name;
    const char* keys;
    std::vector<std::string> entries;  // expression and result
};

TEST(History, RecordsFinishedCalculations)
{
    const std::vector<historycase> cases = {
        {"none for an entry", "12", {}},
        {"none for a bare equals", "12=", {}},
        {"precedence", "2+3*4=", {"2 + 3 \u00d7 4 = 14"}},
        {"two in a row", "2+3=*4=", {"2 + 3 = 5", "5 \u00d7 4 = 20"}},
        {"parentheses closed by equals", "(1+2*3=", {"(1 + 2 \u00d7 3) = 7"}},
        {"a function of a typed number", "4[Inv][x^2]", {"4 Inv x^2 2"}},
        {"a chain of functions is one entry", "4[Inv][x^2][x^3]", {"4 Inv x^2 x^3 8"}},
        {"and equals adds none", "4[Inv][x^2]=", {"4 Inv x^2 2"}},
        {"a function inside an operation", "1+4[Inv][x^2]=", {"1 + 4 Inv x^2 = 3"}},
        {"a function after equals", "2+2=[x^2]", {"2 + 2 = 4", "4 x^2 16"}},
        {"pi", "[PI]", {"PI 3,1415926535897932384626433832795028841972"}},
        {"an error is none", "1/0=", {}},
        {"hex", "[Hex]F+1=", {"F + 1 = 10"}},
        {"each number in the radix it was typed in", "255+[Hex]1=", {"255 + 1 = 100"}},
        {"a value in the radix it was shown in", "[Hex]F=[Dec]*2=", {"15 \u00d7 2 = 30"}},
        {"grouped result", "[Grouping]999+1=", {"999 + 1 = 1.000"}},
    };
    for (const historycase& k : cases) {
        Calculator c;
        c.keephistory(true);
        typeeach(c, k.keys);
        EXPECT_EQ(expressions(c), k.entries) << k.name << ": " << k.keys;
    }
}

// The recalled value carries the digits it was computed with, as MR does
// for the memory: a redraw at a higher precision shows no more of them, a
// typed or exact value all of its own.
TEST(History, RecallGivesTheValueWithItsDigits)
{
    struct recallcase {
        const char* name;
        const char* keys;   // at 10 digits
        const char* shown;  // recalled at 30
    };
    const std::vector<recallcase> cases = {
        {"a quotient", "1/3=", "0,3333333333"},
        {"a root", "2[Inv][x^2]", "1,4142135624"},
        {"an exact sum", "123456789012345+1=", "123456789012346"},
        {"a rounded product", "123456789012345*2=", "246913578020000"},
        {"hex", "[Hex]FF*2=", "1FE"},
    };
    for (const recallcase& k : cases) {
        Calculator c;
        c.keephistory(true);
        c.setprecision(10);
        typeeach(c, k.keys);
        typeeach(c, "[MS][C]0");
        ASSERT_FALSE(c.history()->empty()) << k.name;
        const std::uint64_t serial = c.history()->back()->serial;
        c.setprecision(30);
        c.recall(serial);
        EXPECT_EQ(c.display(), k.shown) << k.name;
        // The value itself, not its display: it goes on as MR's does.
        typeeach(c, "+12=");
        const std::string recalled = c.display();
        typeeach(c, "[C][MR]+12=");
        EXPECT_EQ(recalled, c.display()) << k.name;
    }
}

TEST(History, KeptOnlyWhenAskedFor)
{
    Calculator c;
    typeeach(c, "1+2=3[sin]");
    EXPECT_TRUE(c.history()->empty());
    c.keephistory(true);
    typeeach(c, "4+5=");
    EXPECT_EQ(expressions(c), std::vector<std::string>{"4 + 5 = 9"});
    c.keephistory(false);
    EXPECT_TRUE(c.history()->empty());
}

TEST(History, RecallIsAValueLikeMR)
{
    Calculator c;
    c.keephistory(true);
    typeeach(c, "1+1=");
    const std::uint64_t serial = c.history()->back()->serial;
    // It ends an entry and feeds an operation.
    typeeach(c, "12+");
    c.recall(serial);
    typeeach(c, "=");
    EXPECT_EQ(c.history()->back()->expression, "12 + 2 =");
    EXPECT_EQ(c.display(), "14");
    // Nothing while an error is shown, nor for an entry not kept.
    typeeach(c, "1/0=");
    const std::string error = c.display();
    c.recall(serial);
    EXPECT_EQ(c.display(), error);
    typeeach(c, "[C]7");
    c.recall(serial + 1000);
    EXPECT_EQ(c.display(), "7");
}

TEST(History, KeepsTheNewestAndClears)
{
    Calculator c;
    c.keephistory(true);
    const int total = Calculator::HISTORYSIZE + 5;
    for (int i = 1; i <= total; ++i)
        typeeach(c, std::to_string(i) + "+0=");
    const historylist kept = *c.history();
    ASSERT_EQ(kept.size(), static_cast<std::size_t>(Calculator::HISTORYSIZE));
    EXPECT_EQ(kept.front()->result, "6");
    EXPECT_EQ(kept.back()->result, std::to_string(total));
    c.recall(kept.front()->serial);
    EXPECT_EQ(c.display(), "6");
    // The list handed out before stays as it was.
    c.clearhistory();
    EXPECT_EQ(kept.size(), static_cast<std::size_t>(Calculator::HISTORYSIZE));
    EXPECT_TRUE(c.history()->empty());
    c.recall(kept.back()->serial);
    EXPECT_EQ(c.display(), "6");
}

// A sum of 6000-digit numbers keeps their digits in the history, and a long chain
// of keys a bounded text.
TEST(History, BoundedEntries)
{
    Calculator c;
    c.keephistory(true);
    c.setprecision(Calculator::MAXPRECISION);
    std::string big;
    while (big.size() < 6000)
        big += "123456";
    typeeach(c, big + "+");
    const std::size_t operand = c.display().size();  // as the display shows it
    typeeach(c, big + "=");
    EXPECT_EQ(c.history()->back()->result, c.display());
    EXPECT_EQ(c.history()->back()->expression.size(), 2 * operand + 5);
    std::string keys;
    for (int i = 0; i < 500; ++i)
        keys += "12345678901234567890+";
    typeeach(c, "[C]" + keys + "1=");
    EXPECT_LE(c.history()->back()->expression.size(), 16005u);
    EXPECT_LE(c.pendingexpression().size(), 16005u);
}

}  // namespace
