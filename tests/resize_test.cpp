// The window that grows: its smallest size is the layout's and looks as the
// template lays it out, keys and display grow with it, the display's font
// with its height, and the display's text can be selected and copied.
#include <QAbstractButton>
#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QClipboard>
#include <QGuiApplication>
#include <QScrollBar>
#include <QTextCursor>
#include <QTextEdit>

#include <map>

#include <gtest/gtest.h>

#include "ui/bitview.h"
#include "ui/dialogtemplate.h"
#include "windowtesting.h"

namespace {

// Drawing a large window hands work to Qt's own thread pool under futexes
// ThreadSanitizer cannot see (Qt is not built with it), which it reports as
// races inside Qt; the tests that draw one run in the other builds.
#if defined(__SANITIZE_THREAD__)
constexpr bool DRAWSINQTPOOL = true;
#else
constexpr bool DRAWSINQTPOOL = false;
#endif

class ResizeTest : public ::testing::Test {
protected:
    CalculatorDialog dialog;
    QSize start;
    std::map<int, QRect> places;  // every control's place at the start size
    QFont startfont;

    void SetUp() override
    {
        dialog.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
        start = dialog.size();
        for (int i = 0; i < calculatortemplatecount; ++i) {
            if (calculatortemplate[i].id != -1)
                places[calculatortemplate[i].id] =
                    dialog.control(calculatortemplate[i].id)->geometry();
        }
        startfont = display()->font();
    }

    QTextEdit* display() const { return static_cast<QTextEdit*>(dialog.control(DISPLAY_ID)); }

    void resizeto(QSize size)
    {
        dialog.resize(size);
        waitfor([&] { return dialog.size() == size.expandedTo(dialog.minimumSize()); }, 2000);
        QApplication::processEvents();
    }

    // The display shows whole lines: its inside is a multiple of a line.
    bool wholelines() const
    {
        const QScrollBar* bar = display()->verticalScrollBar();
        const int inside = display()->viewport()->height();
        const int step = bar->singleStep();
        return step > 0 && std::abs(inside - (inside + step / 2) / step * step) <= 1;
    }
};

TEST_F(ResizeTest, TheStartSizeIsTheSmallestAndCanBeMaximised)
{
    EXPECT_EQ(dialog.minimumSize(), start);
    EXPECT_TRUE(dialog.windowFlags() & Qt::WindowMaximizeButtonHint);
    resizeto(QSize(100, 100));
    EXPECT_EQ(dialog.size(), start) << "no smaller than the layout";
}

TEST_F(ResizeTest, KeysAndDisplayGrowWithTheWindow)
{
    if (DRAWSINQTPOOL)
        GTEST_SKIP();
    const struct {
        const char* name;
        double wide, tall;
        bool fontgrows;
    } cases[] = {
        {"wider only", 1.6, 1.0, false},
        {"taller only", 1.0, 1.8, false},
        {"both, twice", 2.0, 2.0, true},
        {"wider than tall", 2.5, 1.5, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        resizeto(QSize(static_cast<int>(start.width() * c.wide),
                       static_cast<int>(start.height() * c.tall)));
        const QRect seven = dialog.control(key::digit7)->geometry();
        const QRect shown = display()->geometry();
        EXPECT_EQ(seven.width() > places[key::digit7].width(), c.wide > 1);
        EXPECT_EQ(seven.height() > places[key::digit7].height(), c.tall > 1);
        EXPECT_EQ(shown.width() > places[DISPLAY_ID].width(), c.wide > 1);
        EXPECT_GE(shown.height(), places[DISPLAY_ID].height());
        EXPECT_EQ(display()->font().pointSizeF() > startfont.pointSizeF(), c.fontgrows);
        EXPECT_TRUE(wholelines());
        // The display stays above the radix frame, the keys inside the window.
        EXPECT_LT(shown.bottom(), dialog.control(key::hex)->geometry().top());
        EXPECT_LE(dialog.control(key::digitF)->geometry().right(), dialog.width());
    }
    // Back at the smallest size every control is where the template puts it.
    resizeto(start);
    for (const auto& [id, place] : places)
        EXPECT_EQ(dialog.control(id)->geometry(), place) << id;
    EXPECT_EQ(display()->font(), startfont);
}

TEST_F(ResizeTest, AMaximisedWindowWrapsALongResultIntoItsLines)
{
    if (DRAWSINQTPOOL)
        GTEST_SKIP();
    dialog.showMaximized();
    waitfor([&] { return dialog.size() != start; }, 2000);
    QApplication::processEvents();
    ASSERT_NE(dialog.size(), start);
    type(dialog, "1/7=");
    ASSERT_TRUE(waitidle(dialog));
    ASSERT_TRUE(setprecision(dialog, 600));
    type(dialog, "1/7=");
    ASSERT_TRUE(waitidle(dialog));
    // More lines than the start size shows, each of them full.
    const int lines = display()->document()->documentLayout()->documentSize().height() /
                      display()->verticalScrollBar()->singleStep();
    EXPECT_GT(lines, 1);
    EXPECT_TRUE(wholelines());
    EXPECT_GT(display()->font().pointSizeF(), startfont.pointSizeF());
}

// The bit view adds its height to the window only while it shows.
TEST_F(ResizeTest, TheWindowGrowsByTheBitViewInTheIntegerRadices)
{
    if (DRAWSINQTPOOL)
        GTEST_SKIP();
    QTest::keyClick(&dialog, Qt::Key_F5);
    ASSERT_TRUE(waitidle(dialog));
    QApplication::processEvents();
    const int panel = dialog.bitview()->height();
    EXPECT_GT(panel, 0);
    EXPECT_EQ(dialog.size(), QSize(start.width(), start.height() + panel));
    // The bits stand under the display, at any size.
    const auto leftedges = [&] {
        const QWidget* top = dialog.bitview()->bit(63);
        return std::pair(top->mapTo(&dialog, QPoint()).x(),
                         display()->mapTo(&dialog, QPoint()).x());
    };
    EXPECT_EQ(leftedges().first, leftedges().second);
    resizeto(QSize(start.width() * 2, start.height() + panel));
    EXPECT_EQ(leftedges().first, leftedges().second);
    EXPECT_GT(leftedges().first, places[DISPLAY_ID].left());
    resizeto(QSize(start.width(), start.height() + panel));
    QTest::keyClick(&dialog, Qt::Key_F8);  // Bin: still shown
    ASSERT_TRUE(waitidle(dialog));
    EXPECT_EQ(dialog.size(), QSize(start.width(), start.height() + panel));
    QTest::keyClick(&dialog, Qt::Key_F6);
    ASSERT_TRUE(waitidle(dialog));
    QApplication::processEvents();
    EXPECT_EQ(dialog.size(), start);
    for (const auto& [id, place] : places)
        EXPECT_EQ(dialog.control(id)->geometry(), place) << id;
}

TEST_F(ResizeTest, CtrlCCopiesTheSelectionOrTheWholeNumber)
{
    const struct {
        const char* name;
        const char* keys;
        bool grouping;
        int shiftrights;  // Shift+Right from the start of the text; 0 selects nothing
        const char* copied;
    } cases[] = {
        {"nothing selected", "1234567", true, 0, "1234567"},
        {"three characters", "1234567", false, 3, "123"},
        {"a grouped selection as shown", "1234567", true, 5, "1.234"},
        {"a message", "1/0=", false, 4, "quot"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QTest::keyClick(&dialog, Qt::Key_Escape);
        type(dialog, c.keys);
        ASSERT_TRUE(waitidle(dialog));
        const bool grouped = displaytext(dialog).contains(QLatin1Char('.'));
        if (grouped != c.grouping) {
            QTest::keyClick(&dialog, Qt::Key_G, Qt::ControlModifier);
            ASSERT_TRUE(waitidle(dialog));
        }
        for (int i = 0; i < c.shiftrights; ++i)
            QTest::keyClick(display(), Qt::Key_Right, Qt::ShiftModifier);
        QGuiApplication::clipboard()->clear();
        QTest::keyClick(&dialog, Qt::Key_C, Qt::ControlModifier);
        EXPECT_EQ(QGuiApplication::clipboard()->text(), QString::fromLatin1(c.copied));
        EXPECT_EQ(displaytext(dialog).isEmpty(), false) << "Shift+Right typed nothing";
    }
    // A mouse drag selects too.
    QTest::keyClick(&dialog, Qt::Key_Escape);
    type(dialog, "98765");
    ASSERT_TRUE(waitidle(dialog));
    QTextCursor cursor = display()->textCursor();
    cursor.movePosition(QTextCursor::Start);
    const QPoint from = display()->cursorRect(cursor).center() + QPoint(1, 0);
    cursor.movePosition(QTextCursor::End);
    const QPoint to = display()->cursorRect(cursor).center() + QPoint(1, 0);
    QWidget* viewport = display()->viewport();
    QTest::mousePress(viewport, Qt::LeftButton, {}, from);
    QTest::mouseMove(viewport, to);
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, to);
    QTest::keyClick(&dialog, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), displaytext(dialog))
        << "the whole text as shown";
}

}  // namespace
