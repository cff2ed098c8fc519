// Long key actions: the polling of the worker, the wait pointer, the
// question after ten seconds, cancellation, and closing the window while a
// key action runs. The clock is the test's, so nothing waits ten seconds.
#include <QApplication>
#include <QClipboard>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <chrono>
#include <thread>

#include <gtest/gtest.h>

#include "windowtesting.h"

namespace {

class BusyTest : public ::testing::Test {
protected:
    std::time_t clock = 1000;
    int asked = 0;
    bool pointerwhileasking = true;
    std::function<bool()> answer = [] { return true; };
    slowaction slow;  // outlives the dialog, whose worker runs it
    std::unique_ptr<CalculatorDialog> dialog;

    void SetUp() override
    {
        CalculatorDialog::hooks hooks;
        hooks.now = [this] { return clock; };
        hooks.askcontinue = [this](QWidget*) {
            ++asked;
            pointerwhileasking = dialog->busycursor();
            return answer();
        };
        hooks.keyaction = slow.action();
        dialog = std::make_unique<CalculatorDialog>(hooks);
        dialog->show();
    }

    // Starts the long key action ("n!" stands for it here).
    void startslow()
    {
        QTest::keyClick(dialog.get(), '!');
        ASSERT_TRUE(waitfor([&] { return slow.running(); }));
    }

    // Processes events for at least one tick at `ms`.
    void tick(int ms) { QTest::qWait(ms + ms / 2 + 20); }
};

TEST_F(BusyTest, QuickKeyShowsWithinATickWithoutWaitPointer)
{
    QTest::keyClick(dialog.get(), '5');
    // Polled from the hand-over on.
    ASSERT_TRUE(waitfor([&] { return !dialog->feeder().waiting(); }, 1000));
    EXPECT_EQ(dialog->busyinterval(), KeyFeeder::BUSY_FIRST);
    ASSERT_TRUE(waitfor([&] { return displaytext(*dialog) == QStringLiteral("5"); }, 1000));
    EXPECT_EQ(dialog->busyinterval(), 0);
    EXPECT_FALSE(dialog->busycursor());
}

TEST_F(BusyTest, WaitPointerFromTheFirstSecondUntilIdle)
{
    startslow();
    tick(KeyFeeder::BUSY_FIRST);
    EXPECT_FALSE(dialog->busycursor());
    EXPECT_EQ(dialog->busyinterval(), KeyFeeder::BUSY_FIRST);

    clock += 1;
    ASSERT_TRUE(waitfor([&] { return dialog->busycursor(); }));
    EXPECT_EQ(dialog->busyinterval(), KeyFeeder::BUSY_LATER);
    EXPECT_EQ(dialog->cursor().shape(), Qt::WaitCursor);
    EXPECT_EQ(button(*dialog, 1002)->cursor().shape(), Qt::WaitCursor);
    EXPECT_EQ(static_cast<QTextEdit*>(dialog->control(1000))->viewport()->cursor().shape(),
              Qt::WaitCursor);

    clock += 8;  // 9 s: still no question
    tick(KeyFeeder::BUSY_LATER);
    EXPECT_EQ(asked, 0);

    slow.release();
    ASSERT_TRUE(waitidle(*dialog));
    EXPECT_FALSE(dialog->busycursor());
    EXPECT_EQ(dialog->cursor().shape(), Qt::ArrowCursor);
    EXPECT_EQ(static_cast<QTextEdit*>(dialog->control(1000))->viewport()->cursor().shape(),
              Qt::ArrowCursor);
}

TEST_F(BusyTest, YesGoesOnAndAsksAgainTenSecondsLater)
{
    startslow();
    clock += 10;
    ASSERT_TRUE(waitfor([&] { return asked == 1; }));
    EXPECT_FALSE(pointerwhileasking);  // the normal pointer while the question is open
    EXPECT_TRUE(dialog->busycursor());
    EXPECT_EQ(dialog->busyinterval(), KeyFeeder::BUSY_LATER);

    clock += 9;  // counted from the answer
    tick(KeyFeeder::BUSY_LATER);
    EXPECT_EQ(asked, 1);
    clock += 1;
    ASSERT_TRUE(waitfor([&] { return asked == 2; }));
    EXPECT_TRUE(slow.running());

    slow.release();
    ASSERT_TRUE(waitidle(*dialog));
    EXPECT_FALSE(slow.cancelled());
    EXPECT_FALSE(dialog->busycursor());
}

TEST_F(BusyTest, NoCancelsAndPollsQuickly)
{
    answer = [] { return false; };
    startslow();
    clock += 10;
    ASSERT_TRUE(waitfor([&] { return asked == 1; }));
    EXPECT_FALSE(dialog->busycursor());
    ASSERT_TRUE(waitidle(*dialog, 2000));
    EXPECT_TRUE(slow.cancelled());
    EXPECT_EQ(asked, 1);
}

TEST_F(BusyTest, KeysTypedWhileBusyAreDroppedButResetTheStartTime)
{
    startslow();
    clock += 9;
    QTest::keyClick(dialog.get(), '5');  // dropped; the question is now 10 s away
    ASSERT_TRUE(waitfor([&] { return !dialog->feeder().waiting(); }));
    clock += 9;
    tick(KeyFeeder::BUSY_LATER);
    EXPECT_EQ(asked, 0);
    clock += 1;
    ASSERT_TRUE(waitfor([&] { return asked == 1; }));

    slow.release();
    ASSERT_TRUE(waitidle(*dialog));
    EXPECT_EQ(slow.keys(), std::vector<int>{key::factorial});
    EXPECT_EQ(displaytext(*dialog), QStringLiteral("0"));
}

// Keys typed faster than quick key actions end are not lost: each waits a
// moment for the worker to finish the one before.
TEST(BusyGrace, QuickKeysInQuickSuccessionAllArrive)
{
    CalculatorDialog::hooks hooks;
    hooks.keyaction = [](Calculator& calculator, int code) {
        std::this_thread::sleep_for(std::chrono::milliseconds(25));
        calculator.presskey(code);
    };
    CalculatorDialog dialog(hooks);
    dialog.show();
    QTest::keyClicks(&dialog, "1234");
    ASSERT_TRUE(waitidle(dialog));
    QTest::qWait(100);
    EXPECT_EQ(displaytext(dialog), QStringLiteral("1234"));
}

TEST_F(BusyTest, NoAfterTheActionEndedLeavesTheNextKeyAlone)
{
    // The action ends while the question is open; No then cancels nothing
    // that runs, and the next key computes as usual.
    answer = [this] {
        slow.release();
        waitfor([&] { return dialog->worker().isidle(); });
        return false;
    };
    startslow();
    clock += 10;
    ASSERT_TRUE(waitidle(*dialog));
    ASSERT_EQ(asked, 1);
    EXPECT_FALSE(computeallowed());  // until the next key starts

    type(*dialog, "2*3=");
    ASSERT_TRUE(waitidle(*dialog));
    EXPECT_EQ(displaytext(*dialog), QStringLiteral("6"));
}

TEST_F(BusyTest, PasteWaitsForEachKeyAndNoEndsIt)
{
    answer = [] { return false; };
    QGuiApplication::clipboard()->setText(QStringLiteral("5!123"));
    QTest::keyClick(dialog.get(), Qt::Key_V, Qt::ControlModifier);
    ASSERT_TRUE(waitfor([&] { return slow.running(); }));
    // Held back, not dropped, while the worker is busy.
    tick(KeyFeeder::PASTE_POLL * 5);
    EXPECT_TRUE(dialog->pasting());
    EXPECT_EQ(slow.keys(), (std::vector<int>{key::digit5, key::factorial}));

    clock += 10;
    ASSERT_TRUE(waitidle(*dialog));
    EXPECT_EQ(asked, 1);
    EXPECT_FALSE(dialog->pasting());
    EXPECT_EQ(slow.keys(), (std::vector<int>{key::digit5, key::factorial}));
    EXPECT_EQ(displaytext(*dialog), QStringLiteral("5"));
}

TEST_F(BusyTest, PasteGoesOnAfterYes)
{
    QGuiApplication::clipboard()->setText(QStringLiteral("5!123"));
    QTest::keyClick(dialog.get(), Qt::Key_V, Qt::ControlModifier);
    ASSERT_TRUE(waitfor([&] { return slow.running(); }));
    clock += 10;
    ASSERT_TRUE(waitfor([&] { return asked == 1; }));
    slow.release();
    ASSERT_TRUE(waitidle(*dialog));
    // The stand-in for "n!" leaves the entry alone.
    EXPECT_EQ(displaytext(*dialog), QStringLiteral("5123"));
}

TEST_F(BusyTest, ClosingDuringAComputationCancelsAndJoins)
{
    startslow();
    const auto start = std::chrono::steady_clock::now();
    dialog->close();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_TRUE(slow.cancelled());
    EXPECT_FALSE(dialog->worker().isrunning());
    dialog.reset();
}

TEST(BusyQuestion, TheQuestionBoxAsksYesOrNo)
{
    std::unique_ptr<QMessageBox> box = CalculatorDialog::makequestion(nullptr);
    EXPECT_EQ(box->text(), QStringLiteral("The requested operation may take a very long time to "
                                          "complete.\nDo you want to continue?"));
    EXPECT_EQ(box->icon(), QMessageBox::Question);
    EXPECT_EQ(box->windowTitle(), QStringLiteral("ZELK Calculator"));
    EXPECT_EQ(box->standardButtons(), QMessageBox::Yes | QMessageBox::No);
    EXPECT_STREQ(longactionquestion,
                 "The requested operation may take a very long time to complete.\n\r"
                 "Do you want to continue?");
}

// The real engine and the real question box: No stops a computation of
// several tenths of a second in its next multiplication.
TEST(BusyQuestion, NoInTheRealBoxCancelsARealComputation)
{
    std::time_t clock = 1000;
    CalculatorDialog dialog({[&] { return clock; }, {}, {}});
    dialog.show();
    dialog.worker().calculator().setprecision(6000);
    type(dialog, "2y(3y(5y(7y0,3");
    ASSERT_TRUE(waitidle(dialog));

    bool answered = false;
    QTimer answerer;
    QObject::connect(&answerer, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr || answered)
            return;
        answered = true;
        box->button(QMessageBox::No)->click();
    });
    answerer.start(5);

    QTest::keyClick(&dialog, '=');
    ASSERT_TRUE(waitfor([&] { return !dialog.feeder().waiting(); }));
    clock += 10;  // the first tick asks
    ASSERT_TRUE(waitfor([&] { return answered; }));
    ASSERT_TRUE(waitidle(dialog));
    EXPECT_EQ(displaytext(dialog), QStringLiteral("Operation was canceled"));

    QTest::keyClick(&dialog, Qt::Key_Escape);
    type(dialog, "2*3=");
    ASSERT_TRUE(waitidle(dialog));
    EXPECT_EQ(displaytext(dialog), QStringLiteral("6"));
}

}  // namespace
