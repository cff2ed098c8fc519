// The Precision dialog, the About box and the "What's This?" context help,
// opened from the real window. Modal dialogs and menus block the test in
// their own event loop, so a watcher acts on each one as it comes to the top.
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <cmath>
#include <string>

#include <gtest/gtest.h>

#include "ui/aboutdialog.h"
#include "ui/precisiondialog.h"
#include "windowtesting.h"

namespace {

// Calls `onopen` with every modal dialog or popup menu that comes to the
// top, once each time. What the handler does that may open another modal
// (a click on OK) it must defer with later(): the watcher's own timer does
// not fire again until the handler has returned.
class modalwatch {
public:
    explicit modalwatch(std::function<void(QWidget*)> onopen) : m_onopen(std::move(onopen))
    {
        QObject::connect(&m_timer, &QTimer::timeout, [this] { poll(); });
        m_timer.start(5);
    }

private:
    std::function<void(QWidget*)> m_onopen;
    QTimer m_timer;
    QWidget* m_top = nullptr;

    void poll()
    {
        QWidget* top = QApplication::activePopupWidget();
        if (top == nullptr)
            top = QApplication::activeModalWidget();
        if (top == m_top)
            return;
        m_top = top;
        if (top != nullptr)
            m_onopen(top);
    }
};

void later(std::function<void()> action) { QTimer::singleShot(0, std::move(action)); }

// A message box as the user saw it.
struct message {
    QString caption;
    QString text;
    QMessageBox::Icon icon;
    int width;         // of the box
    int captionwidth;  // of its caption's text
    int line;          // the height of a line of text
};

// Answers a message box with OK and records it.
void answer(QMessageBox* box, std::vector<message>& seen)
{
    seen.push_back({box->windowTitle(), box->text(), box->icon(), box->width(),
                    box->fontMetrics().horizontalAdvance(box->windowTitle()),
                    box->fontMetrics().height()});
    later([box] { box->button(QMessageBox::Ok)->click(); });
}

QLineEdit* edit(QWidget* precision)
{
    return precision->findChild<QLineEdit*>(QStringLiteral("1069"));
}

QPushButton* pushbutton(QWidget* dialog, int id)
{
    return dialog->findChild<QPushButton*>(QString::number(id));
}

// The Precision dialog as it stood when the user looked at it.
struct precisionstate {
    QString caption;
    QString text;
    QString selected;
    bool editfocused = false;
    bool okdefault = false;
};

precisionstate look(QDialog* precision)
{
    EXPECT_TRUE(QTest::qWaitForWindowActive(precision));
    QLineEdit* e = edit(precision);
    return {precision->windowTitle(), e->text(), e->selectedText(), e->hasFocus(),
            pushbutton(precision, 1)->isDefault()};
}

// One pass through the Precision dialog: opened with Ctrl+D, `text` typed
// over the value and OK pressed; every message box answered. When the
// dialog stays open it is looked at again and cancelled.
struct precisionrun {
    bool opened = false;
    precisionstate first;
    std::vector<message> messages;
    bool stayedopen = false;
    precisionstate after;  // after the message, when it stayed open
};

precisionrun runprecision(CalculatorDialog& window, const QString& text)
{
    precisionrun run;
    modalwatch watch([&](QWidget* top) {
        if (auto* box = qobject_cast<QMessageBox*>(top)) {
            answer(box, run.messages);
        } else if (auto* precision = dynamic_cast<PrecisionDialog*>(top)) {
            if (run.opened)
                return;  // back on top after a message
            run.opened = true;
            later([&run, precision, text] {
                run.first = look(precision);
                edit(precision)->setText(text);
                // Returns when any message has been answered.
                pushbutton(precision, 1)->click();
                if (precision->isVisible()) {
                    run.stayedopen = true;
                    run.after = look(precision);
                    pushbutton(precision, 2)->click();
                }
            });
        } else {
            ADD_FAILURE() << "unexpected " << top->metaObject()->className();
            top->close();
        }
    });
    QTest::keyClick(&window, Qt::Key_D, Qt::ControlModifier);
    // Behind a key not yet handed over, the dialog opens later.
    waitfor([&] { return !window.feeder().waiting(); });
    return run;
}

// Sets the precision through the dialog, as a user would.
void choose(CalculatorDialog& window, int digits)
{
    const precisionrun run = runprecision(window, QString::number(digits));
    ASSERT_TRUE(run.opened);
    ASSERT_TRUE(run.messages.empty());
    // The worker redraws the display with the new digits.
    ASSERT_TRUE(waitidle(window));
}

class DialogsTest : public ::testing::Test {
protected:
    CalculatorDialog window;

    void SetUp() override
    {
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    }

    QString typed(const char* keys)
    {
        type(window, keys);
        EXPECT_TRUE(waitidle(window));
        return displaytext(window);
    }
};

TEST(PrecisionDialog, AcceptsOnlyWholeNumbersFromOneTo6000)
{
    const QString range = QStringLiteral("Please enter an integer between 1 and 6000");
    const QString integer = QStringLiteral("Please enter an integer.");
    const QString name = QStringLiteral("ZELK Calculator");
    const QString spaces30(30, u' ');
    const struct {
        QString text;
        QString message;  // empty: accepted
        QString caption;
        int precision;  // afterwards
    } cases[] = {
        {"0", range, name, 40},
        {"-5", range, name, 40},
        {"6001", range, name, 40},
        {"99999999999", range, name, 40},  // beyond the integer: still out of range
        {" 0 ", range, name, 40},
        {"abc", integer, name, 40},
        {"", integer, name, 40},
        {"   ", integer, name, 40},
        {"12x", integer, name, 40},
        {"1 2", integer, name, 40},
        {"1,5", integer, name, 40},
        {"+", integer, name, 40},
        {"-0", integer, name, 40},                  // zero only written as '0'
        {" " + spaces30 + "9", integer, name, 40},  // only 31 characters are read
        {spaces30 + "9", "", "", 9},
        {"5" + spaces30 + "x", "", "", 5},
        {" 12 ", "", "", 12},
        {"\t+7\t", "", "", 7},
        {"007", "", "", 7},
        {"1", "", "", 1},
        {"6000", "", "", 6000},
    };
    for (const auto& c : cases) {
        // The text typed names the row, quoted so that spaces show.
        SCOPED_TRACE('"' + c.text.toStdString() + '"');
        // A new window each time: the precision is 40 at every start.
        CalculatorDialog window;
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        const precisionrun run = runprecision(window, c.text);

        ASSERT_TRUE(run.opened);
        EXPECT_EQ(run.first.caption, QStringLiteral("Precision"));
        EXPECT_EQ(run.first.text, QStringLiteral("40"));
        EXPECT_EQ(run.first.selected, QStringLiteral("40"));
        EXPECT_TRUE(run.first.editfocused);
        EXPECT_TRUE(run.first.okdefault);
        if (c.message.isEmpty()) {
            EXPECT_TRUE(run.messages.empty());
            EXPECT_FALSE(run.stayedopen);
        } else {
            ASSERT_EQ(run.messages.size(), 1u);
            EXPECT_EQ(run.messages[0].text, c.message);
            EXPECT_EQ(run.messages[0].caption, c.caption);
            EXPECT_EQ(run.messages[0].icon, QMessageBox::Warning);
            // Open on the edit, its text selected for typing over.
            EXPECT_TRUE(run.stayedopen);
            EXPECT_TRUE(run.after.editfocused);
            EXPECT_EQ(run.after.selected, c.text);
        }
        ASSERT_TRUE(waitidle(window));
        EXPECT_EQ(window.worker().snapshot().precision, c.precision);
    }
}

TEST_F(DialogsTest, CancelAndCloseChangeNothing)
{
    typed("1/3=");
    const QString shown = displaytext(window);
    for (bool close : {false, true}) {
        bool opened = false;
        modalwatch watch([&](QWidget* top) {
            auto* precision = dynamic_cast<PrecisionDialog*>(top);
            ASSERT_NE(precision, nullptr);
            opened = true;
            later([precision, close] {
                edit(precision)->setText(QStringLiteral("7"));
                if (close)
                    precision->close();
                else
                    pushbutton(precision, 2)->click();
            });
        });
        window.findcommand(32781)->trigger();  // Options › Precision...
        EXPECT_TRUE(opened);
        EXPECT_EQ(window.worker().snapshot().precision, 40);
        EXPECT_EQ(displaytext(window), shown);
    }
}

TEST_F(DialogsTest, NewPrecisionRedrawsTheValueAndGovernsLaterKeys)
{
    EXPECT_EQ(typed("1/3="), QStringLiteral("0,") + QString(40, u'3'));
    choose(window, 5);
    EXPECT_EQ(displaytext(window), QStringLiteral("0,33333"));
    // The display rounds to one digit more than the precision.
    EXPECT_EQ(typed("2y0,5="), QStringLiteral("1,41421"));

    // A number being typed is ended and shown with the new digits.
    QTest::keyClick(&window, Qt::Key_Escape);
    EXPECT_EQ(typed("3,14159265"), QStringLiteral("3,14159265"));
    choose(window, 3);
    EXPECT_EQ(displaytext(window), QStringLiteral("3,142"));
}

TEST_F(DialogsTest, ChangingThePrecisionAfterAnErrorClearsFirst)
{
    typed("(2+");
    EXPECT_EQ(typed("1/0="), QStringLiteral("quot:division by zero"));
    ASSERT_TRUE(window.worker().snapshot().error);
    choose(window, 10);
    EXPECT_EQ(displaytext(window), QStringLiteral("0"));
    EXPECT_FALSE(window.worker().snapshot().error);
    EXPECT_EQ(static_cast<QLabel*>(window.control(1066))->text(), QString());  // C closed "("
    EXPECT_EQ(typed("2y0,5="), QStringLiteral("1,4142135624"));
}

// A running key action and a paste being typed both keep the Precision
// command away from the engine: the item is greyed and Ctrl+D only beeps.
TEST(PrecisionWhileBusy, RefusedUntilTheWorkerIsIdle)
{
    const struct {
        const char* how;
        std::function<void(CalculatorDialog&)> start;
    } sources[] = {
        {"key action", [](CalculatorDialog& d) { QTest::keyClick(&d, '!'); }},
        {"paste",
         [](CalculatorDialog& d) {
             QGuiApplication::clipboard()->setText(QStringLiteral("!12"));
             QTest::keyClick(&d, Qt::Key_V, Qt::ControlModifier);
         }},
    };
    for (const auto& s : sources) {
        SCOPED_TRACE(s.how);
        slowaction slow;  // "n!" runs until released
        slow.holdpaste(0);
        CalculatorDialog window({{}, {}, slow.action(), slow.pastestep()});
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        QAction* item = window.findcommand(32781);
        ASSERT_TRUE(item->isEnabled());

        s.start(window);
        ASSERT_TRUE(waitfor([&] { return slow.running(); }));
        EXPECT_FALSE(item->isEnabled());
        int opened = 0;
        {
            modalwatch watch([&](QWidget* top) {
                ++opened;
                top->close();
            });
            QTest::keyClick(&window, Qt::Key_D, Qt::ControlModifier);
            item->trigger();
            QTest::qWait(100);
        }
        EXPECT_EQ(opened, 0);

        slow.release();
        ASSERT_TRUE(waitidle(window));
        EXPECT_TRUE(item->isEnabled());
        choose(window, 25);
        EXPECT_EQ(window.worker().snapshot().precision, 25);
    }
}

TEST_F(DialogsTest, PrecisionAfterAQuickKeyIsNotRefused)
{
    // Ctrl+D straight after a digit: the worker is done, though the window
    // has not polled it yet.
    QTest::keyClick(&window, '5');
    choose(window, 8);
    EXPECT_EQ(window.worker().snapshot().precision, 8);
    ASSERT_TRUE(waitidle(window));
    EXPECT_EQ(displaytext(window), QStringLiteral("5"));
    EXPECT_TRUE(window.findcommand(32781)->isEnabled());
}

TEST_F(DialogsTest, AboutBoxShowsNameVersionAndIcon)
{
    struct {
        bool opened = false;
        QString caption;
        QStringList texts;
        bool icon = false;
        bool okdefault = false;
    } seen;
    modalwatch watch([&](QWidget* top) {
        auto* about = dynamic_cast<AboutDialog*>(top);
        ASSERT_NE(about, nullptr);
        seen.opened = true;
        seen.caption = about->windowTitle();
        for (QLabel* label : about->findChildren<QLabel*>()) {
            if (label->pixmap().isNull())
                seen.texts << label->text();
            else
                seen.icon = true;
        }
        seen.okdefault = pushbutton(about, 1)->isDefault();
        later([about] { pushbutton(about, 1)->click(); });
    });
    window.findcommand(32798)->trigger();  // Help › About ZELK Calculator...

    ASSERT_TRUE(seen.opened);
    EXPECT_EQ(seen.caption, QStringLiteral("About ZELK Calculator"));
    EXPECT_EQ(seen.texts,
              QStringList(
                  {"ZELK Calculator Version " ZELK_VERSION " by the ZELK Calculator developers",
                   "1 to 6000 significant decimal digits", "Free software under the MIT License"}));
    EXPECT_TRUE(QString::fromLatin1(ZELK_VERSION).contains(u'.'));
    EXPECT_TRUE(seen.icon);
    EXPECT_TRUE(seen.okdefault);
    EXPECT_EQ(displaytext(window), QStringLiteral("0"));  // nothing else happens
}

// Places in dialog units of the window's font, worked out here.
struct unitsof {
    double x, y;
    explicit unitsof(const QFont& font)
    {
        QFontMetricsF metrics(font);
        x = metrics.horizontalAdvance(
                QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz")) /
            52.0 / 4.0;
        y = metrics.height() / 8.0;
    }
};

void expectplace(QWidget* widget, const unitsof& u, int x, int y, int width, int height)
{
    const QRect g = widget->geometry();
    EXPECT_NEAR(g.x(), x * u.x, 1.0);
    EXPECT_NEAR(g.y(), y * u.y, 1.0);
    if (width > 0) {
        EXPECT_NEAR(g.width(), width * u.x, 1.0);
    }
    if (height > 0) {
        EXPECT_NEAR(g.height(), height * u.y, 1.0);
    }
}

// A static text at least as wide as the template's and as its text, and
// clear of the control to its right.
void expectstatic(QLabel* label, const unitsof& u, int x, int y, int width, QWidget* right)
{
    SCOPED_TRACE(label->text().toStdString());
    expectplace(label, u, x, y, -1, -1);
    EXPECT_GE(label->width() + 1, width * u.x);
    EXPECT_GE(label->width(), label->fontMetrics().horizontalAdvance(label->text()));
    EXPECT_LT(label->geometry().right(), right->geometry().left());
}

TEST_F(DialogsTest, DialogsStandAtTheirTemplatePlaces)
{
    const unitsof u(window.font());

    PrecisionDialog precision(40, &window);
    EXPECT_NEAR(precision.width(), 198 * u.x, 1.0);
    EXPECT_NEAR(precision.height(), 70 * u.y, 1.0);
    expectplace(pushbutton(&precision, 1), u, 141, 7, 50, 14);
    expectplace(pushbutton(&precision, 2), u, 141, 24, 50, 14);
    EXPECT_EQ(pushbutton(&precision, 2)->text(), QStringLiteral("Cancel"));
    expectplace(edit(&precision), u, 71, 22, 43, 14);
    QLabel* digits = precision.findChild<QLabel*>();
    EXPECT_EQ(digits->text(), QStringLiteral("Number of digits:"));
    expectstatic(digits, u, 14, 24, 54, edit(&precision));

    AboutDialog about(&window);
    EXPECT_NEAR(about.width(), 303 * u.x, 1.0);
    EXPECT_NEAR(about.height(), 65 * u.y, 1.0);
    QPushButton* ok = pushbutton(&about, 1);
    expectplace(ok, u, 246, 7, 50, 14);
    auto* icon = about.findChild<QLabel*>(QStringLiteral("icon"));
    expectplace(icon, u, 11, 17, -1, -1);
    EXPECT_LT(icon->geometry().bottom(), about.height());
    for (QLabel* label : about.findChildren<QLabel*>()) {
        if (label == icon)
            continue;
        const bool first = label->text().startsWith(QStringLiteral("ZELK"));
        const bool licence = label->text().contains(QStringLiteral("License"));
        expectstatic(label, u, 40,
                     first     ? 10
                     : licence ? 40
                               : 25,
                     first     ? 193
                     : licence ? 150
                               : 119,
                     ok);
    }
}

// What a right click over a control offers, and what "What's This?" says.
struct helprun {
    QStringList menu;  // the items offered, empty for no menu
    QString menutitle;
    std::vector<message> messages;
};

helprun rightclick(CalculatorDialog& window, QWidget* control)
{
    helprun run;
    modalwatch watch([&](QWidget* top) {
        if (auto* menu = qobject_cast<QMenu*>(top)) {
            run.menutitle = menu->title();
            for (QAction* action : menu->actions())
                run.menu << action->text();
            later([menu] {
                QAction* first = menu->actions().value(0);
                QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(first).center());
            });
        } else if (auto* box = qobject_cast<QMessageBox*>(top)) {
            answer(box, run.messages);
        }
    });
    // Through the window system, as a real click comes.
    QTest::mouseClick(window.windowHandle(), Qt::RightButton, {},
                      control->mapTo(&window, control->rect().center()));
    QTest::qWait(50);
    return run;
}

TEST_F(DialogsTest, WhatsThisOnlyOnKeysWithAHelpIdentifier)
{
    const struct {
        const char* what;
        int id;
        const char* shown;  // nullptr: no menu
        std::uint32_t helpid;
    } cases[] = {
        {"7", 1002, "helpid:806603ea", 0x806603EA},
        {"8", 1003, "helpid:806603eb", 0x806603EB},
        {"9: none, the last one stays", 1004, nullptr, 0x806603EB},
        {"the display: Copy and Paste", 1000, "", 0x806603EB},
        {"7 again", 1002, "helpid:806603ea", 0x806603EA},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const helprun run = rightclick(window, window.control(c.id));
        if (c.shown == nullptr) {
            EXPECT_TRUE(run.menu.isEmpty());
            EXPECT_TRUE(run.messages.empty());
        } else if (*c.shown == '\0') {
            EXPECT_EQ(run.menutitle, QStringLiteral("Display"));
            EXPECT_EQ(run.menu, QStringList({"&Copy", "&Paste"}));
            EXPECT_TRUE(run.messages.empty());
            EXPECT_EQ(QGuiApplication::clipboard()->text(), displaytext(window));
        } else {
            EXPECT_EQ(run.menutitle, QStringLiteral("Control"));
            EXPECT_EQ(run.menu, QStringList({"What's This?"}));
            ASSERT_EQ(run.messages.size(), 1u);
            EXPECT_EQ(run.messages[0].text, QString::fromLatin1(c.shown));
            EXPECT_EQ(run.messages[0].caption, QStringLiteral("ZELK Calculator"));
            // Wide enough that the title bar shows the whole caption
            // beside its icon and three buttons.
            const message& m = run.messages[0];
            EXPECT_GE(m.width, m.captionwidth + 4 * m.line);
        }
        EXPECT_EQ(window.helpid(), c.helpid);
    }
    // The keyboard's menu key opens the focused control's menu, the
    // display's.
    QContextMenuEvent key(QContextMenuEvent::Keyboard, QPoint(5, 5),
                          window.mapToGlobal(QPoint(5, 5)));
    int opened = 0;
    {
        modalwatch watch([&](QWidget* top) {
            ++opened;
            top->close();
        });
        ASSERT_EQ(window.focusWidget(), window.control(1000));
        QApplication::sendEvent(window.focusWidget(), &key);
        QTest::qWait(50);
    }
    EXPECT_EQ(opened, 1);

    // In binary "7" is greyed; it still says what it is.
    QTest::keyClick(&window, Qt::Key_F8);
    ASSERT_TRUE(waitidle(window));
    ASSERT_FALSE(window.control(1002)->isEnabled());
    const helprun run = rightclick(window, window.control(1002));
    ASSERT_EQ(run.messages.size(), 1u);
    EXPECT_EQ(run.messages[0].text, QStringLiteral("helpid:806603ea"));
}

}  // namespace
