// What the window tells about its keys: tooltips, accessible names read
// through Qt's accessibility interface, the keys page (F1), and that the
// keyboard keys the texts name really press their key.
#include <QAccessible>
#include <QKeySequence>
#include <QRegularExpression>
#include <QTableWidget>

#include <gtest/gtest.h>

#include "calc/keyhelp.h"
#include "calc/keys.h"
#include "ui/accelerators.h"
#include "ui/dialogtemplate.h"
#include "ui/keysdialog.h"
#include "windowtesting.h"

namespace {

QString accessible(QWidget* widget, QAccessible::Text what)
{
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(widget);
    return face != nullptr ? face->text(what) : QString();
}

// A name a screen reader can say: words of letters, never the button's
// symbols ("x^y", "/", "+/-").
bool spoken(const QString& name)
{
    static const QRegularExpression words(QStringLiteral("^[A-Z][a-z]*( [A-Za-z][a-z]*)*$"));
    return words.match(name).hasMatch();
}

TEST(WindowHelp, EveryControlHasATooltipAndAnAccessibleName)
{
    CalculatorDialog dialog;
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    QAccessible::setActive(true);
    QStringList names;
    int frames = 0;
    for (int i = 0; i < calculatortemplatecount; ++i) {
        const controlplace& place = calculatortemplate[i];
        if (place.id == -1) {
            ++frames;
            continue;
        }
        QWidget* widget = dialog.control(place.id);
        ASSERT_NE(widget, nullptr) << place.id;
        const QString name = accessible(widget, QAccessible::Name);
        SCOPED_TRACE(name.toStdString());
        EXPECT_TRUE(spoken(name)) << place.id;
        EXPECT_FALSE(names.contains(name)) << "twice";
        names << name;
        EXPECT_FALSE(accessible(widget, QAccessible::Description).isEmpty());
        EXPECT_FALSE(widget->toolTip().isEmpty());
        if (helpof(place.id) != nullptr) {
            EXPECT_TRUE(widget->toolTip().contains(QStringLiteral(". Keyboard: ")));
            EXPECT_EQ(widget->toolTip(), accessible(widget, QAccessible::Description));
        }
    }
    EXPECT_EQ(frames, 3);
    QStringList groups;
    for (QWidget* w : dialog.control(displayid)->parentWidget()->findChildren<QWidget*>()) {
        if (w->objectName().isEmpty() && !w->accessibleName().isEmpty())
            groups << accessible(w, QAccessible::Name);
    }
    EXPECT_EQ(groups, QStringList({"Radix", "Angle unit or word size", "Inverse and hyperbolic"}));
    EXPECT_EQ(accessible(dialog.control(displayid), QAccessible::Name), QStringLiteral("Display"));
    EXPECT_TRUE(QAccessible::queryAccessibleInterface(dialog.control(displayid))->state().readOnly);
    EXPECT_EQ(accessible(dialog.control(parensid), QAccessible::Name),
              QStringLiteral("Open parentheses"));
    EXPECT_EQ(accessible(dialog.control(memoryid), QAccessible::Name),
              QStringLiteral("Memory in use"));
    EXPECT_EQ(dialog.control(key::power)->toolTip(),
              QStringLiteral("Power x^y; with Inv: the y-th root of x. Keyboard: Y"));
}

TEST(WindowHelp, F1OpensTheKeysPageBesideTheWindow)
{
#if defined(__SANITIZE_THREAD__)
    // Drawing the page hands work to Qt's own thread pool under futexes
    // ThreadSanitizer cannot see (Qt is not built with it), which it reports
    // as races inside Qt; the other builds run this test.
    GTEST_SKIP();
#endif
    CalculatorDialog dialog;
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    QTest::keyClick(&dialog, Qt::Key_F1);
    auto* page = dialog.findChild<KeysDialog*>();
    ASSERT_NE(page, nullptr);
    EXPECT_TRUE(page->isVisible());
    EXPECT_FALSE(page->isModal());
    EXPECT_EQ(page->windowTitle(), QStringLiteral("ZELK Calculator Keys"));
    // Every key once, in the order of the keypad.
    QTableWidget* table = page->table();
    std::vector<int> order;
    for (int i = 0; i < calculatortemplatecount; ++i) {
        if (helpof(calculatortemplate[i].id) != nullptr)
            order.push_back(calculatortemplate[i].id);
    }
    ASSERT_EQ(table->rowCount(), static_cast<int>(order.size()));
    EXPECT_EQ(table->rowCount(), keyhelpcount);
    for (int row = 0; row < table->rowCount(); ++row) {
        EXPECT_EQ(keyhelps[row].code, order[static_cast<std::size_t>(row)]) << row;
        EXPECT_EQ(table->item(row, 0)->text(), QString::fromStdString(keyname(order[row])));
        EXPECT_FALSE(table->item(row, 2)->text().isEmpty());
    }
    // The calculator still takes keys while the page is open; F1 again
    // brings the same page back.
    QTest::keyClicks(&dialog, QStringLiteral("2+3="));
    ASSERT_TRUE(waitidle(dialog));
    EXPECT_EQ(displaytext(dialog), QStringLiteral("5"));
    page->hide();
    QTest::keyClick(&dialog, Qt::Key_F1);
    EXPECT_EQ(dialog.findChildren<KeysDialog*>().size(), 1);
    EXPECT_TRUE(page->isVisible());
}

// The named keys of the texts as key presses.
struct press {
    int qtkey;
    Qt::KeyboardModifiers modifiers;
    QString text;
    int radix;
};

press pressof(const QString& name)
{
    if (name == QLatin1String("Enter"))
        return {Qt::Key_Enter, {}, QStringLiteral("\r"), 10};
    if (name == QLatin1String("Escape"))
        return {Qt::Key_Escape, {}, QStringLiteral("\x1b"), 10};
    if (name == QLatin1String("Left arrow"))
        return {Qt::Key_Left, {}, {}, 10};
    if (name == QLatin1String("E in the decimal radix"))
        return {Qt::Key_E, {}, QStringLiteral("e"), 10};
    const QKeyCombination k = QKeySequence::fromString(name)[0];
    return {k.key(), k.keyboardModifiers(), {}, 10};
}

TEST(WindowHelp, TheKeyboardKeysTheTextsNamePressTheirKey)
{
    for (int i = 0; i < keyhelpcount; ++i) {
        const int code = keyhelps[i].code;
        const QString keys = QString::fromStdString(keyboardtext(code));
        SCOPED_TRACE(keys.toStdString());
        EXPECT_FALSE(keys.isEmpty()) << code;
        for (const QString& part : keys.split(QStringLiteral(", "))) {
            if (part.size() == 1) {
                const char c = static_cast<char>(part[0].toLatin1());
                const int radix = code == key::digitE ? 16 : 10;
                EXPECT_EQ(characterkey(c, keysource::keyboard, radix), code) << c;
                continue;
            }
            const press p = part == QStringLiteral("\u00a7") ? press{Qt::Key_section, {}, part, 10}
                                                             : pressof(part);
            ASSERT_NE(p.qtkey, 0) << part.toStdString();
            int sent = acceleratorcommand(p.qtkey, p.modifiers, p.text, p.radix);
            // F2 to F4 are the angle units in Dec and the word sizes in the
            // others: the window decides by radix.
            if (code == key::dword || code == key::word || code == key::byte)
                sent += key::dword - key::degrees;
            EXPECT_EQ(sent, code) << part.toStdString();
        }
    }
}

}  // namespace
