// The calculator window driven like a user drives it: clicks, typed keys,
// menus and the clipboard, with the real engine behind it.
#include <cmath>
#include <map>
#include <random>
#include <span>

#include <QAbstractTextDocumentLayout>
#include <QAccessible>
#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextLayout>

#include <gtest/gtest.h>

#include "calc/keys.h"
#include "calc/keytext.h"
#include "calc/paste.h"
#include "ui/dialogtemplate.h"
#include "windowtesting.h"

using namespace num;

namespace {

// A menu item as the user sees it: its text, and at the right its shortcut
// ("&Hex\tF5").
QString itemtext(const QAction* action)
{
    const QString shortcut = action->shortcut().toString();
    return shortcut.isEmpty() ? action->text() : action->text() + QLatin1Char('\t') + shortcut;
}

class WindowTest : public ::testing::Test {
protected:
    CalculatorDialog dialog;

    void SetUp() override
    {
        dialog.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    }

    void click(int id) { QTest::mouseClick(button(dialog, id), Qt::LeftButton); }

    void press(int qtkey, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::keyClick(&dialog, static_cast<Qt::Key>(qtkey), modifiers);
        waithanded(dialog);
    }

    QString typed(const char* keys)
    {
        type(dialog, keys);
        EXPECT_TRUE(waitidle(dialog));
        return displaytext(dialog);
    }

    QString label(int id) { return static_cast<QLabel*>(dialog.control(id))->text(); }
    bool shown(int id) { return dialog.control(id)->isVisible(); }
    bool enabled(int id) { return dialog.control(id)->isEnabled(); }
    bool checked(int id) { return button(dialog, id)->isChecked(); }

    // The View popup's items after the radix items: text and check mark.
    std::vector<std::pair<QString, bool>> viewitems()
    {
        std::vector<std::pair<QString, bool>> items;
        QAction* view = dialog.menubar()->actions().at(2);
        for (QAction* action : view->menu()->actions())
            items.emplace_back(action->isSeparator() ? QStringLiteral("-") : itemtext(action),
                               action->isChecked());
        return items;
    }
};

// Every place of the dialog template holds its control, with the text the
// key table gives its key, at its place in dialog units of the window's font
// worked out here apart from the window's own conversion; the display only
// rounds its height to whole lines.
TEST_F(WindowTest, EveryControlHasItsIdTextAndPlace)
{
    QFontMetricsF metrics(dialog.font());
    const QString letters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    const double unitx = metrics.horizontalAdvance(letters) / 52.0 / 4.0;
    const double unity = metrics.height() / 8.0;

    const std::span<const controlplace> places(calculatortemplate, calculatortemplatecount);
    int frames = 0;
    std::vector<QRect> buttons;
    for (const controlplace& p : places) {
        if (p.kind == controlkind::frame) {
            ++frames;
            continue;
        }
        SCOPED_TRACE(p.id);
        QWidget* widget = dialog.control(p.id);
        ASSERT_NE(widget, nullptr);
        if (auto* b = qobject_cast<QAbstractButton*>(widget)) {
            const char* label = keylabel(p.id);
            ASSERT_NE(label, nullptr);
            // The comma key shows its comma without the mnemonic's mark.
            EXPECT_EQ(b->text(), p.id == key::point ? QStringLiteral(",") : QString(label));
        }
        const QRect g = widget->geometry();
        EXPECT_NEAR(g.x(), p.x * unitx, 1.0);
        EXPECT_NEAR(g.y(), p.y * unity, 1.0);
        EXPECT_NEAR(g.width(), p.width * unitx, 1.0);
        if (p.kind != controlkind::display) {
            EXPECT_NEAR(g.height(), p.height * unity, 1.0);
        }
        EXPECT_LE(g.right(), std::lround(TEMPLATE_WIDTH * unitx));
        EXPECT_LE(g.bottom(), std::lround(TEMPLATE_HEIGHT * unity));
        if (p.kind == controlkind::pushbutton) {
            for (const QRect& other : buttons)
                EXPECT_FALSE(g.intersects(other)) << "overlaps the key at " << other.x();
            buttons.push_back(g);
        }
    }
    EXPECT_EQ(frames, 3);
    EXPECT_EQ(places.size(), 71u);
    // Every key the key table gives a control has one in the window.
    for (int i = 0; i < keybuttoncount; ++i) {
        EXPECT_NE(dialog.control(keybuttons[i].code), nullptr) << keybuttons[i].label;
    }
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("ZELK Calculator"));
    EXPECT_FALSE(dialog.windowIcon().isNull());
}

TEST_F(WindowTest, DisplayShowsOnlyAndScrollsByKeys)
{
    auto* display = static_cast<QTextEdit*>(dialog.control(1000));
    EXPECT_TRUE(display->isReadOnly());
    // Selectable for Copy, but with no caret.
    EXPECT_EQ(display->textInteractionFlags(),
              Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    EXPECT_EQ(display->cursorWidth(), 0);
    EXPECT_EQ(display->viewport()->cursor().shape(), Qt::ArrowCursor);
    EXPECT_EQ(display->document()->defaultTextOption().alignment(), Qt::AlignRight);
    EXPECT_EQ(display->document()->defaultTextOption().wrapMode(), QTextOption::WrapAnywhere);
    EXPECT_TRUE(display->hasFocus());

    ASSERT_TRUE(setprecision(dialog, 3000));
    const QString root = typed("2y0,5=");
    ASSERT_TRUE(root.startsWith(QStringLiteral("1,41421356")));
    QScrollBar* bar = display->verticalScrollBar();
    ASSERT_GT(bar->maximum(), 0);  // thousands of digits wrap into many lines
    // The distance of two lines as the display lays them out.
    const QTextLayout* layout = display->document()->firstBlock().layout();
    ASSERT_GT(layout->lineCount(), 10);
    const double pitch = layout->lineAt(1).y() - layout->lineAt(0).y();
    const int line = static_cast<int>(std::lround(pitch));

    // Whole lines and nothing of a line more, wherever the keys scroll it:
    // the viewport is three lines high or more, the first line starts at
    // its top, and every position the keys scroll to is a whole number of
    // lines.
    const double lines = display->viewport()->height() / pitch;
    EXPECT_GE(lines, 3.0);
    EXPECT_NEAR(lines, std::round(lines), 1.0 / pitch);
    EXPECT_EQ(display->document()
                  ->documentLayout()
                  ->blockBoundingRect(display->document()->firstBlock())
                  .top(),
              0.0);
    // The template's 37 units, give or take the half line that makes them
    // whole.
    EXPECT_NEAR(display->height(), 37 * QFontMetricsF(dialog.font()).height() / 8.0, pitch / 2 + 1);

    const struct {
        const char* what;
        int qtkey;
        int lines;
    } scrolls[] = {
        {"Page Down", Qt::Key_PageDown, 4},
        {"Down", Qt::Key_Down, 1},
        {"Up", Qt::Key_Up, -1},
        {"Page Up", Qt::Key_PageUp, -4},
    };
    bar->setValue(bar->maximum() / 2 / line * line);
    for (const auto& s : scrolls) {
        SCOPED_TRACE(s.what);
        const int before = bar->value();
        press(s.qtkey);
        EXPECT_EQ(bar->value(), before + s.lines * line);
    }
    EXPECT_EQ(displaytext(dialog), root);
}

TEST_F(WindowTest, ComputesByMouseAndByKeyboard)
{
    for (int id : {1008, 1009, 1017, 1010, 1027})  // 1 2 + 3 =
        click(id);
    ASSERT_TRUE(waitidle(dialog));
    EXPECT_EQ(displaytext(dialog), QStringLiteral("15"));

    press(Qt::Key_Escape);
    EXPECT_EQ(typed("7*(2+4)="), QStringLiteral("42"));

    // The numeric keypad types the same characters.
    press(Qt::Key_Escape);
    for (int k : {Qt::Key_9, Qt::Key_Slash, Qt::Key_4, Qt::Key_Enter})
        QTest::keyClick(&dialog, static_cast<Qt::Key>(k), Qt::KeypadModifier);
    ASSERT_TRUE(waitidle(dialog));
    EXPECT_EQ(displaytext(dialog), QStringLiteral("2,25"));
}

TEST_F(WindowTest, EscapeClearsEnterEqualsTabAndRightDoNothing)
{
    EXPECT_EQ(typed("12+3"), QStringLiteral("3"));
    press(Qt::Key_Return);
    ASSERT_TRUE(waitidle(dialog));
    EXPECT_EQ(displaytext(dialog), QStringLiteral("15"));

    typed("456");
    for (int k : {Qt::Key_Tab, Qt::Key_Backtab, Qt::Key_Right}) {
        press(k);
        ASSERT_TRUE(waitidle(dialog));
        EXPECT_EQ(displaytext(dialog), QStringLiteral("456"));
        EXPECT_TRUE(dialog.control(1000)->hasFocus());
    }
    press(Qt::Key_Left);  // Backspace
    ASSERT_TRUE(waitidle(dialog));
    EXPECT_EQ(displaytext(dialog), QStringLiteral("45"));
    press(Qt::Key_Delete);  // CE
    ASSERT_TRUE(waitidle(dialog));
    EXPECT_EQ(displaytext(dialog), QStringLiteral("0"));

    typed("(9");
    press(Qt::Key_Escape);
    ASSERT_TRUE(waitidle(dialog));
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(displaytext(dialog), QStringLiteral("0"));
    EXPECT_EQ(label(1066), QString());  // C also closes the parentheses
}

TEST_F(WindowTest, IndicatorsAndModifiersFollowTheEngine)
{
    typed("((");
    EXPECT_EQ(label(1066), QStringLiteral("(=2"));
    typed("5");
    press(Qt::Key_M, Qt::ControlModifier);  // MS
    ASSERT_TRUE(waitidle(dialog));
    EXPECT_EQ(label(1067), QStringLiteral("M"));
    press(Qt::Key_L, Qt::ControlModifier);  // MC
    ASSERT_TRUE(waitidle(dialog));
    EXPECT_EQ(label(1067), QString());

    typed("ih");
    EXPECT_TRUE(checked(1061));
    EXPECT_TRUE(checked(1062));
    click(1061);
    ASSERT_TRUE(waitidle(dialog));
    EXPECT_FALSE(checked(1061));
    EXPECT_TRUE(checked(1062));
}

TEST_F(WindowTest, IntegerRadicesSwitchControlsAndTheViewPopup)
{
    using item = std::pair<QString, bool>;
    const std::vector<item> decimal = {{"&Hex\tF5", false},
                                       {"&Dec\tF6", true},
                                       {"&Oct\tF7", false},
                                       {"&Bin\tF8", false},
                                       {"-", false},
                                       {"D&egrees\tF2", true},
                                       {"&Radians\tF3", false},
                                       {"&Grads\tF4", false},
                                       {"-", false},
                                       {"D&igit grouping\tCtrl+G", false},
                                       {"-", false},
                                       {"Hi&story\tCtrl+H", false}};
    EXPECT_EQ(viewitems(), decimal);

    press(Qt::Key_F5);  // Hex
    ASSERT_TRUE(waitidle(dialog));
    const std::vector<item> hex = {{"&Hex\tF5", true},
                                   {"&Dec\tF6", false},
                                   {"&Oct\tF7", false},
                                   {"&Bin\tF8", false},
                                   {"-", false},
                                   {"&Qword\tF12", true},
                                   {"Dwo&rd\tF2", false},
                                   {"&Word\tF3", false},
                                   {"B&yte\tF4", false},
                                   {"-", false},
                                   {"D&igit grouping\tCtrl+G", false},
                                   {"-", false},
                                   {"Hi&story\tCtrl+H", false}};
    EXPECT_EQ(viewitems(), hex);
    for (int id : {1053, 1054, 1055})
        EXPECT_FALSE(shown(id)) << id;
    for (int id : {1070, 1071, 1072, 1073})
        EXPECT_TRUE(shown(id)) << id;
    EXPECT_TRUE(checked(1056));
    EXPECT_TRUE(checked(1070));
    for (int id : {1050, 1051, 1052, 1060, 1042, 1039})
        EXPECT_FALSE(enabled(id)) << id;

    // Digit keys per radix, in the order 0-9, A-F.
    const int digits[16] = {1011, 1008, 1009, 1010, 1005, 1006, 1007, 1002,
                            1003, 1004, 1032, 1033, 1034, 1035, 1036, 1037};
    const struct {
        const char* what;
        int fkey;
        int count;
    } radices[] = {
        {"Hex", Qt::Key_F5, 16},
        {"Bin", Qt::Key_F8, 2},
        {"Oct", Qt::Key_F7, 8},
        {"Dec", Qt::Key_F6, 10},
    };
    for (const auto& r : radices) {
        SCOPED_TRACE(r.what);
        press(r.fkey);
        ASSERT_TRUE(waitidle(dialog));
        for (int i = 0; i < 16; ++i)
            EXPECT_EQ(enabled(digits[i]), i < r.count) << "digit " << i;
    }

    // Back in decimal: the angle items are made again with their second
    // text, the mark follows the unit, and refreshes change nothing more.
    std::vector<item> decimalagain = decimal;
    decimalagain[5].first = QStringLiteral("&D&egrees\tF2");
    EXPECT_EQ(viewitems(), decimalagain);
    typed("1+2=");
    EXPECT_EQ(viewitems(), decimalagain);
    for (int id : {1050, 1051, 1052, 1060, 1042, 1039})
        EXPECT_TRUE(enabled(id)) << id;
}

TEST_F(WindowTest, FunctionKeysTwoToFourFollowTheRadix)
{
    struct fkeyrow {
        const char* what;
        int fkey;
        int radio;
        int item;
    };
    const fkeyrow decimal[] = {
        {"F3 radians", Qt::Key_F3, 1054, 32787},
        {"F4 grads", Qt::Key_F4, 1055, 32788},
        {"F2 degrees", Qt::Key_F2, 1053, 32789},
    };
    for (const auto& d : decimal) {
        SCOPED_TRACE(d.what);
        press(d.fkey);
        ASSERT_TRUE(waitidle(dialog));
        EXPECT_TRUE(checked(d.radio));
        EXPECT_TRUE(dialog.findcommand(d.item)->isChecked());
    }
    press(Qt::Key_F3);  // radians, kept through the integer radices
    press(Qt::Key_F5);
    ASSERT_TRUE(waitidle(dialog));
    const fkeyrow integer[] = {
        {"F2 dword", Qt::Key_F2, 1071, 32795},
        {"F3 word", Qt::Key_F3, 1072, 32794},
        {"F4 byte", Qt::Key_F4, 1073, 32793},
        {"F12 qword", Qt::Key_F12, 1070, 32796},
    };
    for (const auto& i : integer) {
        SCOPED_TRACE(i.what);
        press(i.fkey);
        ASSERT_TRUE(waitidle(dialog));
        EXPECT_TRUE(checked(i.radio));
        EXPECT_TRUE(dialog.findcommand(i.item)->isChecked());
    }
    // A radio button and a menu item in the shared place do the same.
    click(1072);
    ASSERT_TRUE(waitidle(dialog));
    EXPECT_TRUE(checked(1072));
    dialog.findcommand(32793)->trigger();
    ASSERT_TRUE(waitidle(dialog));
    EXPECT_TRUE(checked(1073));

    press(Qt::Key_F6);
    ASSERT_TRUE(waitidle(dialog));
    EXPECT_TRUE(checked(1054));
    EXPECT_TRUE(dialog.findcommand(32787)->isChecked());
    press(Qt::Key_F2);
    ASSERT_TRUE(waitidle(dialog));
    EXPECT_TRUE(checked(1053));
    EXPECT_EQ(itemtext(dialog.findcommand(32789)), QStringLiteral("&D&egrees\tF2"));
}

TEST_F(WindowTest, MenuBarHasEveryItem)
{
    const std::map<QString, std::vector<std::pair<int, QString>>> menus = {
        {"&File", {{32771, "&Quit"}}},
        {"&Edit",
         {{57634, "&Copy\tCtrl+C"}, {57637, "&Paste\tCtrl+V"}, {0, ""}, {32801, "Clear &History"}}},
        {"&Options", {{32781, "&Precision...\tCtrl+D"}}},
        {"&Help", {{32799, "&Keys\tF1"}, {32798, "&About ZELK Calculator..."}}},
    };
    QStringList titles;
    for (QAction* top : dialog.menubar()->actions()) {
        titles << top->text();
        auto found = menus.find(top->text());
        if (found == menus.end())
            continue;
        std::vector<std::pair<int, QString>> items;
        for (QAction* action : top->menu()->actions())
            items.emplace_back(action->data().toInt(), itemtext(action));
        EXPECT_EQ(items, found->second);
    }
    EXPECT_EQ(titles, QStringList({"&File", "&Edit", "&View", "&Options", "&Help"}));

    // A screen reader hears the item's name, and its shortcut apart.
    QAccessible::setActive(true);
    int named = 0;
    for (QAction* top : dialog.menubar()->actions()) {
        QAccessibleInterface* menu = QAccessible::queryAccessibleInterface(top->menu());
        ASSERT_NE(menu, nullptr);
        ASSERT_EQ(menu->childCount(), top->menu()->actions().size());
        for (int i = 0; i < menu->childCount(); ++i) {
            const QAction* action = top->menu()->actions().at(i);
            if (action->isSeparator())
                continue;
            SCOPED_TRACE(itemtext(action).toStdString());
            QAccessibleInterface* item = menu->child(i);
            const QString name = item->text(QAccessible::Name);
            EXPECT_FALSE(name.contains(QLatin1Char('\t')));
            EXPECT_FALSE(name.contains(QLatin1Char('&')));
            EXPECT_FALSE(name.contains(QStringLiteral("Ctrl")));
            EXPECT_EQ(name, QString(action->text()).remove(QLatin1Char('&')));
            if (!action->shortcut().isEmpty()) {
                EXPECT_EQ(item->text(QAccessible::Accelerator),
                          action->shortcut().toString(QKeySequence::NativeText));
            }
            ++named;
        }
    }
    EXPECT_EQ(named, 16);

    // Grouping from the menu reaches the engine like Ctrl+G.
    typed("1234567");
    dialog.findcommand(32797)->trigger();
    ASSERT_TRUE(waitidle(dialog));
    EXPECT_EQ(displaytext(dialog), QStringLiteral("1.234.567"));
    EXPECT_TRUE(dialog.findcommand(32797)->isChecked());
}

// Copy, then paste into the cleared calculator: the value comes back as it
// was, in every radix and word size, with grouping on or off at the copy
// and at the paste.
TEST_F(WindowTest, CopyAndPasteGiveTheSameValue)
{
    std::mt19937_64 random(20261209);
    auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    QAction* grouping = dialog.findcommand(32797);
    auto group = [&](bool on) {
        if (grouping->isChecked() != on)
            press(Qt::Key_G, Qt::ControlModifier);
        ASSERT_TRUE(waitidle(dialog));
    };
    const int radixkeys[] = {Qt::Key_F5, Qt::Key_F6, Qt::Key_F7, Qt::Key_F8};
    const int radices[] = {16, 10, 8, 2};
    const int wordkeys[] = {Qt::Key_F12, Qt::Key_F2, Qt::Key_F3, Qt::Key_F4};
    const int wordbits[] = {64, 32, 16, 8};
    const int precisions[] = {1, 7, 40, 100};
    int groupedseen = 0;
    for (int round = 0; round < 48; ++round) {
        press(Qt::Key_Escape);
        const int r = pick(4);
        press(radixkeys[r]);
        ASSERT_TRUE(setprecision(dialog, precisions[pick(4)]));
        std::string keys;
        if (radices[r] == 10) {
            // A quotient of many digits, scaled by a power of ten; or a
            // whole number of up to 15 digits.
            const auto a = 1 + random() % 999999999999999ull;
            const auto b = 1 + random() % 9999ull;
            keys = pick(2) == 0 ? std::to_string(a) + "/" + std::to_string(b) + "*1e" +
                                      std::to_string(pick(81) - 40) + "="
                                : std::to_string(a) + "*1=";
            if (pick(3) == 0)
                keys = "0-" + keys;
        } else {
            const int w = pick(4);
            press(wordkeys[w]);
            const std::uint64_t mask =
                wordbits[w] == 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << wordbits[w]) - 1;
            std::uint64_t v = random() & mask;
            std::string digits;
            for (; v != 0; v /= static_cast<unsigned>(radices[r]))
                digits.insert(digits.begin(), "0123456789ABCDEF"[v % radices[r]]);
            // A '-' before the number is its sign: the two's complement.
            keys = (pick(3) == 0 ? "-" : "") + (digits.empty() ? "0" : digits) + "=";
        }
        const bool groupedcopy = pick(2) == 0;
        group(groupedcopy);
        QGuiApplication::clipboard()->setText(QString::fromStdString(keys));
        press(Qt::Key_V, Qt::ControlModifier);
        ASSERT_TRUE(waitidle(dialog));
        const QString shown = displaytext(dialog);
        SCOPED_TRACE(keys + " showed " + shown.toStdString());
        press(Qt::Key_C, Qt::ControlModifier);
        const QString copied = QGuiApplication::clipboard()->text();
        EXPECT_EQ(copied.toStdString(), ungroupeddisplay(shown.toStdString(), radices[r]));
        if (copied != shown)
            ++groupedseen;

        press(Qt::Key_Escape);
        group(pick(2) == 0);
        press(Qt::Key_V, Qt::ControlModifier);
        press(Qt::Key_Enter);
        group(groupedcopy);
        EXPECT_EQ(displaytext(dialog), shown);
    }
    EXPECT_GT(groupedseen, 10);
}

TEST_F(WindowTest, PastesKeysByTheCharacterTable)
{
    const struct {
        const char* what;
        const char* text;
        const char* shown;
    } pastes[] = {
        {"a sum", "12+3=", "15"},
        {"e is EE in the decimal radix, spaces are skipped", "2 e 3", "2e+3"},
        {"both decimal marks", "(1,5+2.5)*2=", "8"},
        {"% is Mod", "10%3=", "1"},
        {"\" is x^2", "3\"", "9"},
    };
    for (const auto& p : pastes) {
        SCOPED_TRACE(p.what);
        press(Qt::Key_Escape);
        ASSERT_TRUE(waitidle(dialog));
        QGuiApplication::clipboard()->setText(QString::fromLatin1(p.text));
        press(Qt::Key_V, Qt::ControlModifier);
        ASSERT_TRUE(waitidle(dialog));
        EXPECT_EQ(displaytext(dialog), QString::fromLatin1(p.shown));
    }
    // In hexadecimal 'e' is the digit E.
    press(Qt::Key_Escape);
    press(Qt::Key_F5);
    ASSERT_TRUE(waitidle(dialog));
    QGuiApplication::clipboard()->setText(QStringLiteral("2e"));
    dialog.findcommand(57637)->trigger();
    ASSERT_TRUE(waitidle(dialog));
    EXPECT_EQ(displaytext(dialog), QStringLiteral("2E"));
}

// Through the real clipboard, as a user pastes from another program.
TEST_F(WindowTest, PastesNumbersAsTheyWereMeant)
{
    std::string digits;
    while (digits.size() < 10000)
        digits += "1234567890";
    const struct {
        const char* what;
        std::string text;
        const char* shown;
    } pastes[] = {
        {"grouped by commas", "1,234,567.89", "1234567,89"},
        {"grouped by points", "1.234.567,89", "1234567,89"},
        {"an exponent", "1e-5=", "1e-5"},
        {"an exponent in a product", "1e-5*3=", "3e-5"},
        {"a hexadecimal prefix", "0x1F=", "31"},
        {"a minus sign", "\u22125*2=", "-10"},
        {"a multiplication sign", "3\u00d74=", "12"},
        {"a division sign", "10\u00f72=", "5"},
        {"a caret", "2^10=", "1024"},
        {"refused", "1,2,3", "Cannot read pasted number"},
        {"longer than the entry", digits + "=", "1,2345678901234567890123456789012345678901e+9999"},
    };
    for (const auto& p : pastes) {
        SCOPED_TRACE(p.what);
        press(Qt::Key_Escape);
        ASSERT_TRUE(waitidle(dialog));
        QGuiApplication::clipboard()->setText(QString::fromStdString(p.text));
        press(Qt::Key_V, Qt::ControlModifier);
        ASSERT_TRUE(waitidle(dialog));
        EXPECT_EQ(displaytext(dialog), QString::fromUtf8(p.shown));
    }
    // The keyboard's E is EE in the decimal radix.
    press(Qt::Key_Escape);
    type(dialog, "1e5=");
    ASSERT_TRUE(waitidle(dialog));
    EXPECT_EQ(displaytext(dialog), QStringLiteral("100000"));
}

TEST_F(WindowTest, PasteAtHighPrecisionLosesNoKey)
{
    // Every power takes longer than the pause between pasted keys; dropping
    // a key while the worker is busy would lose "=" or "*".
    const char* text = "2y0,3=*3y0,37=-1=";
    ASSERT_TRUE(setprecision(dialog, 6000));
    QGuiApplication::clipboard()->setText(QString::fromLatin1(text));
    press(Qt::Key_V, Qt::ControlModifier);
    ASSERT_TRUE(waitidle(dialog, 60000));

    Calculator reference;
    reference.setprecision(6000);
    std::vector<keystroke> strokes;
    std::string error;
    ASSERT_TRUE(parsekeytext(text, strokes, error));
    typekeys(reference, strokes);
    ASSERT_GT(reference.display().size(), 5000u);
    EXPECT_EQ(displaytext(dialog).toStdString(), reference.display());
}

// Records whether a button was painted pressed.
class pressedpaint : public QObject {
public:
    bool seen = false;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && static_cast<QAbstractButton*>(watched)->isDown())
            seen = true;
        return false;
    }
};

TEST_F(WindowTest, KeyboardFlashesItsButton)
{
    pressedpaint watch;
    button(dialog, 1002)->installEventFilter(&watch);
    QTest::keyClick(&dialog, '7');
    ASSERT_TRUE(waitidle(dialog));
    button(dialog, 1002)->removeEventFilter(&watch);
    EXPECT_TRUE(watch.seen);
    EXPECT_FALSE(button(dialog, 1002)->isDown());
}

TEST(WindowKeys, AcceleratorsSendKeysOfDisabledButtons)
{
    slowaction recorder(0);
    CalculatorDialog dialog({{}, {}, recorder.action(), {}});
    ASSERT_FALSE(dialog.control(1032)->isEnabled());  // "A" in the decimal radix
    QTest::keyClick(&dialog, 'a');
    ASSERT_TRUE(waitidle(dialog));
    QTest::keyClick(&dialog, Qt::Key_F5);
    ASSERT_TRUE(waitidle(dialog));
    ASSERT_FALSE(dialog.control(1050)->isEnabled());  // "sin" in hexadecimal
    QTest::keyClick(&dialog, 's');
    ASSERT_TRUE(waitidle(dialog));
    EXPECT_EQ(recorder.keys(), (std::vector<int>{1032, 1056, 1050}));
}

TEST(WindowQuit, QuitEndsTheProcessWithCodeZero)
{
    // A child forked from a process with running threads can stop on a lock
    // one of them held (ThreadSanitizer's own among them): the child runs
    // this test afresh from the start of the program instead.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            CalculatorDialog dialog;
            dialog.findcommand(32771)->trigger();
        },
        ::testing::ExitedWithCode(0), "");
}

}  // namespace
