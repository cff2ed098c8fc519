// Long key actions: the polling of the worker, the wait pointer, the
// question after ten seconds, keys typed meanwhile, cancellation by C, CE
// and No, and closing the window while a key action runs. The clock is the
// test's, so nothing waits ten seconds.
#include <QApplication>
#include <QClipboard>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <chrono>
#include <thread>

#include <gtest/gtest.h>

#include "calc/keytext.h"
#include "windowtesting.h"

using namespace num;

using namespace std::chrono_literals;

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
        hooks.pastestep = slow.pastestep();
        slow.holdpaste(1);  // "5!123" before n!
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
    ASSERT_TRUE(waitfor([&] { return !dialog->feeder().waiting(); }, 1000));
    const auto handed = std::chrono::steady_clock::now();
    ASSERT_TRUE(waitfor([&] { return displaytext(*dialog) == QStringLiteral("5"); }, 1000));
    EXPECT_LT(std::chrono::steady_clock::now() - handed, 1ms * KeyFeeder::BUSY_FIRST);
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

// Keys typed or clicked while a key computes wait in order and run after
// it, and the window says it is busy with them. Waiting keys do not start
// the long-action clock again: the question comes ten seconds after the
// long key.
TEST_F(BusyTest, KeysTypedWhileBusyWaitAndRunAfter)
{
    type(*dialog, "2");
    startslow();
    QTest::keyClicks(dialog.get(), "+3");
    QTest::mouseClick(button(*dialog, key::equals), Qt::LeftButton);
    tick(KeyFeeder::BUSY_FIRST);
    EXPECT_TRUE(dialog->feeder().waiting());
    EXPECT_TRUE(dialog->busycursor());
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("ZELK Calculator (busy: 3 waiting)"));
    EXPECT_EQ(slow.keys(), (std::vector<int>{key::digit2, key::factorial}));

    clock += 10;
    ASSERT_TRUE(waitfor([&] { return asked == 1; }));
    slow.release();
    ASSERT_TRUE(waitidle(*dialog));
    EXPECT_EQ(slow.keys(),
              (std::vector<int>{key::digit2, key::factorial, key::add, key::digit3, key::equals}));
    EXPECT_EQ(displaytext(*dialog), QStringLiteral("5"));  // the stand-in for n! leaves 2 alone
    EXPECT_FALSE(dialog->busycursor());
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("ZELK Calculator"));
}

// Escape (C) and Delete (CE) while a key computes: the key is cancelled at
// once, the keys waiting behind it are dropped, and then C or CE acts. The
// display shows C's or CE's own result, not the cancel.
TEST(BusyCancel, EscapeAndDeleteCancelAtOnceAndDropTheWaitingKeys)
{
    const struct {
        const char* what;
        Qt::Key qtkey;
        int code;
        const char* shown;  // after "4=" typed next
    } cases[] = {
        {"Escape is C", Qt::Key_Escape, key::clearall, "4"},
        {"Delete is CE: 2+ stays", Qt::Key_Delete, key::clearentry, "6"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        slowaction slow;
        CalculatorDialog dialog({{}, {}, slow.action(), {}});
        dialog.show();
        type(dialog, "2+");
        QTest::keyClick(&dialog, '!');
        ASSERT_TRUE(waitfor([&] { return slow.running(); }));
        QTest::keyClicks(&dialog, "3*");
        QTest::qWait(KeyFeeder::BUSY_FIRST * 2);
        ASSERT_TRUE(dialog.busycursor());

        const auto start = std::chrono::steady_clock::now();
        QTest::keyClick(&dialog, c.qtkey);
        ASSERT_TRUE(waitfor(
            [&] {
                return !dialog.feeder().waiting() && dialog.worker().isidle() &&
                       displaytext(dialog) == QStringLiteral("0");
            },
            2000));
        EXPECT_LT(std::chrono::steady_clock::now() - start, 100ms);
        EXPECT_TRUE(slow.cancelled());
        EXPECT_EQ(slow.keys(), (std::vector<int>{key::digit2, key::add, key::factorial, c.code}));
        ASSERT_TRUE(waitidle(dialog));
        EXPECT_FALSE(dialog.busycursor());
        EXPECT_EQ(dialog.windowTitle(), QStringLiteral("ZELK Calculator"));

        type(dialog, "4=");
        ASSERT_TRUE(waitidle(dialog));
        EXPECT_EQ(displaytext(dialog), QString::fromLatin1(c.shown));
    }
}

// The same with the real engine: sin of 10^1000000 radians takes seconds
// to reduce the angle; Delete ends it and clears the entry, and the
// addition before it goes on.
TEST(BusyCancel, DeleteEndsARealComputation)
{
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    constexpr auto bound = 1000ms;  // the sanitizers slow the polls of the cancel down
#else
    constexpr auto bound = 100ms;
#endif
    // A clock that stands still: no question, however slow the build.
    CalculatorDialog dialog({[] { return std::time_t{1000}; }, {}, {}, {}});
    dialog.show();
    QTest::keyClick(&dialog, Qt::Key_F3);  // radians
    type(dialog, "2+1X5000000");           // seconds: pi to five million digits
    QTest::keyClick(&dialog, 's');
    ASSERT_TRUE(waitfor([&] { return dialog.busycursor() || !dialog.worker().isidle(); }));
    QTest::qWait(300);
    ASSERT_FALSE(dialog.worker().isidle());
    QTest::keyClicks(&dialog, "*5");

    const auto start = std::chrono::steady_clock::now();
    QTest::keyClick(&dialog, Qt::Key_Delete);
    ASSERT_TRUE(waitfor([&] { return dialog.worker().isidle() && !dialog.feeder().waiting(); }));
    ASSERT_TRUE(waitidle(dialog));
    EXPECT_LT(std::chrono::steady_clock::now() - start, bound);
    EXPECT_EQ(displaytext(dialog), QStringLiteral("0"));
    type(dialog, "4=");
    ASSERT_TRUE(waitidle(dialog));
    EXPECT_EQ(displaytext(dialog), QStringLiteral("6"));
}

// Keys typed while n! of 1/3 computes at 6000 digits, with no pause at
// all, are applied after it: the display is that of the keys typed one by
// one.
TEST(BusyTypeAhead, KeysTypedDuringALongKeyAreAppliedAfterIt)
{
    const char* keys = "1/3=!+1=";
    CalculatorDialog dialog({[] { return std::time_t{1000}; }, {}, {}, {}});
    dialog.show();
    ASSERT_TRUE(setprecision(dialog, 6000));
    QTest::keyClicks(&dialog, QString::fromLatin1(keys));
    ASSERT_TRUE(waitidle(dialog, 120000));

    Calculator reference;
    reference.setprecision(6000);
    std::vector<keystroke> strokes;
    std::string error;
    ASSERT_TRUE(parsekeytext(keys, strokes, error));
    typekeys(reference, strokes);
    ASSERT_EQ(reference.display().substr(0, 12), "1,8929795115");
    EXPECT_EQ(displaytext(dialog).toStdString(), reference.display());
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
    tick(KeyFeeder::BUSY_FIRST * 2);
    EXPECT_TRUE(dialog->pasting());
    EXPECT_EQ(displaytext(*dialog), QStringLiteral("5"));

    clock += 10;
    ASSERT_TRUE(waitidle(*dialog));
    EXPECT_EQ(asked, 1);
    EXPECT_TRUE(slow.cancelled());
    EXPECT_FALSE(dialog->pasting());
    EXPECT_TRUE(slow.keys().empty());
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
    // 5! is 120, and the digits after it start a new entry.
    EXPECT_EQ(displaytext(*dialog), QStringLiteral("123"));
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
    EXPECT_STREQ(LONG_ACTION_QUESTION,
                 "The requested operation may take a very long time to complete.\n\r"
                 "Do you want to continue?");
}

// The real engine and the real question box: No stops a computation of
// several seconds (the reduction of 10^5000000 radians needs pi to five
// million digits) in its next product.
TEST(BusyQuestion, NoInTheRealBoxCancelsARealComputation)
{
    std::time_t clock = 1000;
    CalculatorDialog dialog({[&] { return clock; }, {}, {}, {}});
    dialog.show();
    QTest::keyClick(&dialog, Qt::Key_F3);  // radians
    type(dialog, "1X5000000");
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

    QTest::keyClick(&dialog, 's');
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
