// The bit view of the integer radices through the real window: the bits and
// readouts it shows for values and word sizes, clicks and the keyboard
// toggling bits through the engine, what a screen reader reads of a bit.
#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QLabel>

#include <gtest/gtest.h>

#include "ui/bitview.h"
#include "windowtesting.h"

namespace {

class BitViewTest : public ::testing::Test {
protected:
    CalculatorDialog dialog;

    void SetUp() override
    {
        dialog.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    }

    BitView* bits() const { return dialog.bitview(); }

    // The bits shown, highest first, as a string of 0 and 1.
    QString shownbits() const
    {
        QString text;
        for (int n = BitView::BITS - 1; n >= 0; --n) {
            QAbstractButton* cell = bits()->bit(n);
            if (cell->isVisibleTo(bits()))
                text += accessible(cell, QAccessible::Value);
        }
        return text;
    }

    static QString accessible(QWidget* widget, QAccessible::Text t)
    {
        QAccessibleInterface* face = QAccessible::queryAccessibleInterface(widget);
        return face != nullptr ? face->text(t) : QStringLiteral("(none)");
    }

    void clickbit(int n)
    {
        QTest::mouseClick(bits()->bit(n), Qt::LeftButton);
        ASSERT_TRUE(waitidle(dialog));
    }
};

// F12, F2, F3, F4 in an integer radix: Qword, Dword, Word, Byte.
struct wordcase {
    const char* name;
    int size;            // the key of the word size
    const char* digits;  // typed in Hex
    bool negate;         // +/- after the digits
    const char* bits;    // highest first, the word size's only
    const char* unsignedtext;
    const char* signedtext;
};

TEST_F(BitViewTest, ShowsTheBitsAndReadoutsOfTheWord)
{
    const wordcase cases[] = {
        {"Byte 5", Qt::Key_F4, "5", false, "00000101", "5", "5"},
        {"Byte FF is -1", Qt::Key_F4, "FF", false, "11111111", "255", "-1"},
        {"Byte 80 is -128", Qt::Key_F4, "80", false, "10000000", "128", "-128"},
        {"Byte -1 typed", Qt::Key_F4, "1", true, "11111111", "255", "-1"},
        {"Word 8001", Qt::Key_F3, "8001", false, "1000000000000001", "32769", "-32767"},
        {"Dword 7FFFFFFF", Qt::Key_F2, "7FFFFFFF", false, "01111111111111111111111111111111",
         "2147483647", "2147483647"},
        {"Qword -2", Qt::Key_F12, "2", true,
         "1111111111111111111111111111111111111111111111111111111111111110", "18446744073709551614",
         "-2"},
        {"Qword top bit alone", Qt::Key_F12, "8000000000000000", false,
         "1000000000000000000000000000000000000000000000000000000000000000", "9223372036854775808",
         "-9223372036854775808"},
        {"Qword zero", Qt::Key_F12, "0", false,
         "0000000000000000000000000000000000000000000000000000000000000000", "0", "0"},
    };
    EXPECT_EQ(bits(), nullptr) << "none in Dec until an integer radix";
    QTest::keyClick(&dialog, Qt::Key_F5);
    ASSERT_TRUE(waitidle(dialog));
    EXPECT_TRUE(bits()->isVisible());
    for (const wordcase& c : cases) {
        SCOPED_TRACE(c.name);
        QTest::keyClick(&dialog, Qt::Key_Escape);
        QTest::keyClick(&dialog, static_cast<Qt::Key>(c.size));
        type(dialog, c.digits);
        if (c.negate)
            QTest::keyClick(&dialog, Qt::Key_F9);
        ASSERT_TRUE(waitidle(dialog));
        EXPECT_EQ(shownbits(), QString::fromLatin1(c.bits));
        EXPECT_EQ(bits()->unsignedlabel()->text(),
                  QStringLiteral("Unsigned: ") + QString::fromLatin1(c.unsignedtext));
        EXPECT_EQ(bits()->signedlabel()->text(),
                  QStringLiteral("Signed: ") + QString::fromLatin1(c.signedtext));
    }
    QTest::keyClick(&dialog, Qt::Key_F6);
    ASSERT_TRUE(waitidle(dialog));
    EXPECT_FALSE(bits()->isVisible()) << "hidden again in Dec";
}

TEST_F(BitViewTest, AClickTogglesABitThroughTheEngine)
{
    const struct {
        const char* name;
        int radix;  // F5 Hex, F7 Oct, F8 Bin
        int size;
        const char* digits;
        int bit;
        const char* display;
        bool set;           // the bit after the click
        const char* after;  // typed after the click: the entry goes on
        const char* then;
    } cases[] = {
        {"bit 63 of a Qword", Qt::Key_F5, Qt::Key_F12, "1", 63, "8000000000000001", true, "", ""},
        {"bit 63 cleared", Qt::Key_F5, Qt::Key_F12, "FFFFFFFFFFFFFFFF", 63, "7FFFFFFFFFFFFFFF",
         false, "", ""},
        {"bit 7 of a Byte", Qt::Key_F5, Qt::Key_F4, "1", 7, "81", true, "", ""},
        {"bit 7 of a Byte cleared", Qt::Key_F5, Qt::Key_F4, "FF", 7, "7F", false, "", ""},
        {"the entry goes on", Qt::Key_F5, Qt::Key_F12, "F", 4, "1F", true, "2", "1F2"},
        {"in Bin", Qt::Key_F8, Qt::Key_F3, "101", 1, "111", true, "0", "1110"},
        {"in Oct", Qt::Key_F7, Qt::Key_F2, "7", 3, "17", true, "+1=", "20"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QTest::keyClick(&dialog, Qt::Key_Escape);
        QTest::keyClick(&dialog, static_cast<Qt::Key>(c.radix));
        QTest::keyClick(&dialog, static_cast<Qt::Key>(c.size));
        type(dialog, c.digits);
        ASSERT_TRUE(waitidle(dialog));
        clickbit(c.bit);
        EXPECT_EQ(displaytext(dialog), QString::fromLatin1(c.display));
        EXPECT_EQ(accessible(bits()->bit(c.bit), QAccessible::Value),
                  c.set ? QStringLiteral("1") : QStringLiteral("0"));
        if (*c.after != '\0') {
            type(dialog, c.after);
            ASSERT_TRUE(waitidle(dialog));
            EXPECT_EQ(displaytext(dialog), QString::fromLatin1(c.then));
        }
    }
    // The display keeps the keyboard focus after a click.
    EXPECT_EQ(QApplication::focusWidget(), dialog.control(1000));
}

// Tab reaches the bits; the arrows move among them, Space toggles one, Tab
// goes back to the display. A screen reader reads "Bit 5" and "1".
TEST_F(BitViewTest, KeyboardAndScreenReaderReachEveryBit)
{
    QTest::keyClick(&dialog, Qt::Key_F5);
    QTest::keyClick(&dialog, Qt::Key_F4);
    type(dialog, "20");
    ASSERT_TRUE(waitidle(dialog));
    for (int n = 0; n < BitView::BITS; ++n) {
        QAbstractButton* cell = bits()->bit(n);
        EXPECT_EQ(accessible(cell, QAccessible::Name), QStringLiteral("Bit %1").arg(n));
        EXPECT_TRUE(cell->focusPolicy() & Qt::TabFocus) << n;
        EXPECT_FALSE(cell->toolTip().isEmpty()) << n;
    }
    EXPECT_EQ(accessible(bits()->bit(5), QAccessible::Value), QStringLiteral("1"));
    EXPECT_EQ(accessible(bits()->bit(4), QAccessible::Value), QStringLiteral("0"));
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(bits()->bit(5));
    ASSERT_NE(face, nullptr);
    EXPECT_EQ(face->role(), QAccessible::CheckBox);
    EXPECT_TRUE(face->state().checked);

    // The keyboard walk: from bit 0 Left three times to bit 3, Space sets it.
    const struct {
        const char* name;
        int qtkey;
        int focused;  // -1: the display
    } steps[] = {
        {"Tab to the bits", Qt::Key_Tab, 0},
        {"Left", Qt::Key_Left, 1},
        {"Left", Qt::Key_Left, 2},
        {"Left", Qt::Key_Left, 3},
        {"Home", Qt::Key_Home, 7},
        {"Left at the top", Qt::Key_Left, 7},
        {"End", Qt::Key_End, 0},
        {"Right at the end", Qt::Key_Right, 0},
        {"Left", Qt::Key_Left, 1},
        {"Tab back", Qt::Key_Tab, -1},
        {"Tab to the last bit", Qt::Key_Tab, 1},
    };
    for (const auto& s : steps) {
        SCOPED_TRACE(s.name);
        QTest::keyClick(QApplication::focusWidget(), static_cast<Qt::Key>(s.qtkey));
        QWidget* expected = s.focused < 0 ? dialog.control(1000) : bits()->bit(s.focused);
        EXPECT_EQ(QApplication::focusWidget(), expected);
    }
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
    ASSERT_TRUE(waitidle(dialog));
    EXPECT_EQ(displaytext(dialog), QStringLiteral("22"));
    EXPECT_EQ(QApplication::focusWidget(), bits()->bit(1)) << "the focus stays on the bit";
    // Typed keys still reach the calculator.
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("+1="));
    ASSERT_TRUE(waitidle(dialog));
    EXPECT_EQ(displaytext(dialog), QStringLiteral("23"));
}

}  // namespace
