// The line above the display: what the engine's stacks hold after each key,
// typed at the real window; and the window's size, which the line leaves as
// it was.
#include <QLabel>
#include <QMenuBar>

#include <gtest/gtest.h>

#include <span>
#include <string>
#include <vector>

#include "calc/keys.h"
#include "ui/dialogtemplate.h"
#include "ui/expressionline.h"
#include "windowtesting.h"

namespace {

class ExpressionLineTest : public ::testing::Test {
protected:
    CalculatorDialog dialog;

    void SetUp() override
    {
        dialog.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    }

    expressionline* line() const
    {
        return dialog.findChild<expressionline*>(QStringLiteral("expression"));
    }

    // A key as zelkc writes it: "[Hex]" clicks its control, a character is
    // typed on the keyboard.
    void key(const std::string& text)
    {
        if (text.size() > 2 && text.front() == '[') {
            const int code = namedkey(text.substr(1, text.size() - 2));
            ASSERT_NE(code, 0) << text;
            QTest::mouseClick(button(dialog, code), Qt::LeftButton);
        } else if (text == "Esc") {
            QTest::keyClick(&dialog, Qt::Key_Escape);
        } else {
            QTest::keyClicks(&dialog, QString::fromStdString(text));
        }
        ASSERT_TRUE(waitidle(dialog));
    }
};

struct step {
    std::string key;
    const char* line;
};

struct sequencecase {
    const char* name;
    std::vector<step> steps;
};

TEST_F(ExpressionLineTest, FollowsEveryKey)
{
    const std::vector<sequencecase> cases = {
        {"precedence and equals",
         {{"2", ""},
          {"+", "2 +"},
          {"3", "2 +"},
          {"*", "2 + 3 \u00d7"},
          {"4", "2 + 3 \u00d7"},
          {"=", ""}}},
        {"parentheses",
         {{"(", "("},
          {"1", "("},
          {"+", "(1 +"},
          {"2", "(1 +"},
          {")", ""},
          {"*", "(1 + 2) \u00d7"},
          {"(", "(1 + 2) \u00d7 ("},
          {"3", "(1 + 2) \u00d7 ("},
          {"-", "(1 + 2) \u00d7 (3 \u2212"},
          {"=", ""}}},
        {"Inv and Hyp",
         {{"1", ""},
          {"+", "1 +"},
          {"0", "1 +"},
          {"I", "1 +"},
          {"H", "1 +"},
          {"S", "1 +"},
          {"/", "1 + 0 Inv Hyp sin \u00f7"},
          {"2", "1 + 0 Inv Hyp sin \u00f7"},
          {"=", ""}}},
        {"radix switches",
         {{"255", ""},
          {"+", "255 +"},
          {"[Hex]", "FF +"},
          {"1", "FF +"},
          {"[Bin]", "11111111 +"},
          {"[Dec]", "255 +"},
          {"=", ""}}},
        {"an error and C",
         {{"1", ""},
          {"+", "1 +"},
          {"5", "1 +"},
          {"/", "1 + 5 \u00f7"},
          {"0", "1 + 5 \u00f7"},
          {"-", "1 +"},
          {"3", "1 +"},
          {"Esc", ""},
          {"2", ""},
          {"*", "2 \u00d7"}}},
        {"C clears an open expression", {{"(", "("}, {"7", "("}, {"*", "(7 \u00d7"}, {"Esc", ""}}},
    };
    for (const sequencecase& k : cases) {
        key("Esc");
        for (const step& s : k.steps) {
            key(s.key);
            EXPECT_EQ(line()->expression(), QString::fromUtf8(s.line))
                << k.name << ", after " << s.key;
        }
    }
}

// The line stands in the display's top margin: no control moves, none is
// covered, and the window keeps the size of its template and menu bar.
TEST_F(ExpressionLineTest, LeavesTheWindowAsItWas)
{
    const QRect placed = line()->geometry();
    const QRect display = dialog.control(DISPLAY_ID)->geometry();
    EXPECT_EQ(placed.bottom() + 1, display.top());
    EXPECT_EQ(placed.left(), display.left());
    EXPECT_EQ(placed.width(), display.width());
    EXPECT_LE(line()->fontMetrics().height(), placed.height());
    for (const controlplace& p : std::span(calculatortemplate, calculatortemplatecount)) {
        if (p.id > 0) {
            EXPECT_FALSE(placed.intersects(dialog.control(p.id)->geometry())) << p.id;
        }
    }
    const dialogunits units(dialog.font());
    EXPECT_EQ(dialog.size(), QSize(units.mapx(TEMPLATE_WIDTH),
                                   units.mapy(TEMPLATE_HEIGHT) + dialog.menubar()->height()));
    EXPECT_FALSE(line()->accessibleName().isEmpty());
    EXPECT_FALSE(line()->toolTip().isEmpty());
}

// A long expression shows its end, where the last operator is.
TEST_F(ExpressionLineTest, LongExpressionShowsItsEnd)
{
    for (int i = 0; i < 12; ++i)
        key("123456789+");
    EXPECT_TRUE(line()->text().endsWith(QStringLiteral("123456789 +")));
    EXPECT_LT(line()->fontMetrics().horizontalAdvance(line()->text()), line()->width());
    EXPECT_EQ(line()->accessibleDescription(), line()->expression());
}

}  // namespace
