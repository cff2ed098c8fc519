// View > History in the real window: the entries after a sequence of keys,
// the recall of a result with all its digits, the copies, the bound on the
// entries and Edit > Clear History.
#include <QAccessible>
#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QListWidget>
#include <QMenuBar>
#include <QScreen>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "calc/calculator.h"
#include "ui/dialogtemplate.h"
#include "ui/historywindow.h"
#include "ui/menus.h"
#include "windowtesting.h"

namespace {

class HistoryWindowTest : public ::testing::Test {
protected:
    CalculatorDialog dialog;

    void SetUp() override
    {
#if defined(__SANITIZE_THREAD__)
        // The history window's list is drawn with QImage work that Qt hands
        // to its own thread pool under futexes ThreadSanitizer cannot see
        // (Qt is not built with it), which it reports as races inside Qt.
        // The worker's side of recall and clearing runs under it in
        // worker_test.
        GTEST_SKIP();
#endif
        dialog.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    }

    void typed(const char* keys)
    {
        type(dialog, keys);
        ASSERT_TRUE(waitidle(dialog));
    }

    HistoryWindow* open()
    {
        if (dialog.historywindow() == nullptr || !dialog.historywindow()->isVisible())
            QTest::keyClick(&dialog, Qt::Key_H, Qt::ControlModifier);
        return dialog.historywindow();
    }

    QStringList rows()
    {
        QStringList out;
        QListWidget* list = dialog.historywindow()->list();
        for (int i = 0; i < list->count(); ++i)
            out << list->item(i)->text();
        return out;
    }

    // Enter on a row, as the user selects and recalls it.
    void recall(int row)
    {
        QListWidget* list = dialog.historywindow()->list();
        list->setCurrentRow(row);
        list->setFocus();
        QTest::keyClick(list, Qt::Key_Return);
        ASSERT_TRUE(waitidle(dialog));
    }
};

TEST_F(HistoryWindowTest, HiddenAtStartAndBesideTheCalculator)
{
    EXPECT_EQ(dialog.historywindow(), nullptr);
    const dialogunits units(dialog.font());
    EXPECT_EQ(dialog.size(), QSize(units.mapx(TEMPLATE_WIDTH),
                                   units.mapy(TEMPLATE_HEIGHT) + dialog.menubar()->height()));
    QAction* item = dialog.findcommand(command::HISTORY);
    ASSERT_NE(item, nullptr);
    EXPECT_FALSE(item->isChecked());
    EXPECT_FALSE(item->toolTip().isEmpty());
    EXPECT_FALSE(dialog.findcommand(command::CLEAR_HISTORY)->toolTip().isEmpty());

    HistoryWindow* history = open();
    ASSERT_NE(history, nullptr);
    EXPECT_TRUE(history->isVisible());
    EXPECT_FALSE(history->isModal());
    EXPECT_TRUE(item->isChecked());
    EXPECT_EQ(history->list()->accessibleName(), QStringLiteral("History"));
    EXPECT_FALSE(history->list()->toolTip().isEmpty());
    const QRect screen = dialog.screen()->availableGeometry();
    if (dialog.frameGeometry().right() + history->frameGeometry().width() <= screen.right()) {
        EXPECT_FALSE(history->frameGeometry().intersects(dialog.frameGeometry()));
    }
    // The calculator keeps its size; Ctrl+H again hides the history.
    EXPECT_EQ(dialog.size(), QSize(units.mapx(TEMPLATE_WIDTH),
                                   units.mapy(TEMPLATE_HEIGHT) + dialog.menubar()->height()));
    QTest::keyClick(&dialog, Qt::Key_H, Qt::ControlModifier);
    EXPECT_FALSE(history->isVisible());
    EXPECT_FALSE(item->isChecked());
}

struct entrycase {
    const char* name;
    const char* keys;
    const char* row;     // the expression, a line break, the result
    const char* spoken;  // what a screen reader reads
};

TEST_F(HistoryWindowTest, ListsEachFinishedCalculation)
{
    const std::vector<entrycase> cases = {
        {"precedence", "2+3*4=", "2 + 3 \u00d7 4 =\n14", "2 plus 3 times 4 equals 14"},
        {"parentheses", "(1+2)/4=", "(1 + 2) \u00f7 4 =\n0,75",
         "open parenthesis 1 plus 2 close parenthesis divided by 4 equals 0,75"},
        {"a function of a typed number", "9I\"", "9 Inv x^2\n3", "9 inverse square equals 3"},
        {"a negative result", "2-5=", "2 \u2212 5 =\n-3", "2 minus 5 equals minus 3"},
    };
    open();
    QStringList expected;
    for (const entrycase& k : cases) {
        SCOPED_TRACE(k.name);
        type(dialog, "\x1b");
        typed(k.keys);
        expected << QString::fromUtf8(k.row);
        EXPECT_EQ(rows(), expected);
        QListWidget* list = dialog.historywindow()->list();
        EXPECT_EQ(list->item(list->count() - 1)->data(Qt::AccessibleTextRole).toString(),
                  QString::fromUtf8(k.spoken));
    }
}

// The entry's result comes back with the digits it was computed to, not
// those the display shows: a redraw at the higher precision shows them.
TEST_F(HistoryWindowTest, RecallGivesAllTheDigits)
{
    typed("1/7=");
    const QString full = displaytext(dialog);
    typed("\x1b"
          "5+6=");
    ASSERT_TRUE(setprecision(dialog, 10));
    typed("\x1b");
    open();
    recall(0);
    EXPECT_EQ(displaytext(dialog), QStringLiteral("0,1428571429"));
    ASSERT_TRUE(setprecision(dialog, 40));
    typed("+0=");
    EXPECT_EQ(displaytext(dialog), full);
    // A double click recalls as Enter does.
    QListWidget* list = dialog.historywindow()->list();
    // The first click of the two, then the second, as a mouse sends them.
    const QPoint at = list->visualItemRect(list->item(1)).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
    ASSERT_TRUE(waitidle(dialog));
    EXPECT_EQ(displaytext(dialog), QStringLiteral("11"));
    EXPECT_EQ(rows().last(),
              QStringLiteral("0,1428571428571428571428571428571428571429 + 0 =\n") + full);
}

TEST_F(HistoryWindowTest, CopiesTheExpressionAndTheResultWithoutGrouping)
{
    dialog.findcommand(key::grouping)->trigger();
    typed("1000*1000=");
    open();
    ASSERT_EQ(rows(), QStringList({QStringLiteral("1.000 \u00d7 1.000 =\n1.000.000")}));
    dialog.historywindow()->copyexpression(0);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("1.000 \u00d7 1.000 ="));
    dialog.historywindow()->copyresult(0);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("1000000"));
}

TEST_F(HistoryWindowTest, KeepsTheNewestThousandAndClears)
{
    open();
    std::string keys;
    const int total = Calculator::HISTORYSIZE + 3;
    for (int i = 1; i <= total; ++i)
        keys += std::to_string(i) + "+0=";
    QGuiApplication::clipboard()->setText(QString::fromStdString(keys));
    QTest::keyClick(&dialog, Qt::Key_V, Qt::ControlModifier);
    ASSERT_TRUE(waitidle(dialog, 60000));
    QListWidget* list = dialog.historywindow()->list();
    ASSERT_EQ(list->count(), Calculator::HISTORYSIZE);
    EXPECT_EQ(list->item(0)->text(), QStringLiteral("4 + 0 =\n4"));
    EXPECT_EQ(list->item(list->count() - 1)->text(), QStringLiteral("1003 + 0 =\n1003"));
    typed("\x1b"
          "7+7=");
    EXPECT_EQ(list->count(), Calculator::HISTORYSIZE);
    EXPECT_EQ(list->item(0)->text(), QStringLiteral("5 + 0 =\n5"));
    recall(0);
    EXPECT_EQ(displaytext(dialog), QStringLiteral("5"));

    dialog.findcommand(command::CLEAR_HISTORY)->trigger();
    ASSERT_TRUE(waitidle(dialog));
    EXPECT_EQ(list->count(), 0);
    typed("1+1=");
    EXPECT_EQ(rows(), QStringList({QStringLiteral("1 + 1 =\n2")}));
}

// Entries recorded while the window was hidden show when it opens.
TEST_F(HistoryWindowTest, RecordsWhileHidden)
{
    typed("1+2=");
    HistoryWindow* history = open();
    QTest::keyClick(&dialog, Qt::Key_H, Qt::ControlModifier);
    ASSERT_FALSE(history->isVisible());
    typed("3*3=");
    open();
    EXPECT_EQ(rows(),
              QStringList({QStringLiteral("1 + 2 =\n3"), QStringLiteral("3 \u00d7 3 =\n9")}));
}

}  // namespace
