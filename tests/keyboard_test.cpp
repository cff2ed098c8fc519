// The keyboard map: what each typed character and named key sends.
#include <QKeySequence>
#include <QString>

#include <gtest/gtest.h>

#include "calc/keys.h"
#include "ui/accelerators.h"
#include "ui/menus.h"

namespace {

TEST(Keyboard, CharactersAndKeysSendTheirCommands)
{
    const Qt::KeyboardModifiers none = Qt::NoModifier;
    const Qt::KeyboardModifiers shift = Qt::ShiftModifier;
    const Qt::KeyboardModifiers ctrl = Qt::ControlModifier;
    const Qt::KeyboardModifiers alt = Qt::AltModifier;
    const struct {
        int qtkey;
        Qt::KeyboardModifiers modifiers;
        const char* text;  // Latin-1
        int command;
    } cases[] = {
        // Characters, whatever key of whatever layout types them; the ones
        // the paste table also has are checked against it below.
        {Qt::Key_section, shift, "\xa7", key::cube},
        {Qt::Key_Ampersand, shift, "&", key::bitand_},
        {Qt::Key_Comma, none, ",", key::point},  // not Int, as one layout's key-down table had it
        {Qt::Key_Semicolon, shift, ";", key::integer},
        {Qt::Key_Less, none, "<", key::lsh},
        {Qt::Key_AsciiCircum, none, "^", key::bitxor},
        {Qt::Key_QuoteLeft, none, "`", key::bitor_},
        {Qt::Key_AsciiTilde, none, "~", key::bitnot},
        {Qt::Key_A, none, "a", key::digitA},
        {Qt::Key_M, none, "m", key::dms},
        {Qt::Key_R, none, "r", key::reciprocal},
        {Qt::Key_Space, none, " ", 0},
        {Qt::Key_Q, none, "q", 0},
        // Named keys.
        {Qt::Key_Escape, none, "\x1b", key::clearall},
        {Qt::Key_Return, none, "\r", key::equals},
        {Qt::Key_Enter, none, "\r", key::equals},
        {Qt::Key_Backspace, none, "\b", key::backspace},
        {Qt::Key_Left, none, "", key::backspace},
        {Qt::Key_Delete, none, "\x7f", key::clearentry},
        {Qt::Key_Tab, none, "\t", command::NOTHING},
        {Qt::Key_Backtab, shift, "", command::NOTHING},
        {Qt::Key_Right, none, "", command::NOTHING},
        {Qt::Key_F2, none, "", key::degrees},
        {Qt::Key_F3, none, "", key::radians},
        {Qt::Key_F4, none, "", key::grads},
        {Qt::Key_F5, none, "", key::hex},
        {Qt::Key_F6, none, "", key::dec},
        {Qt::Key_F7, none, "", key::oct},
        {Qt::Key_F8, none, "", key::bin},
        {Qt::Key_F9, none, "", key::sign},
        {Qt::Key_F12, none, "", key::qword},
        {Qt::Key_F11, none, "", 0},
        // Ctrl combinations, by key.
        {Qt::Key_L, ctrl, "\x0c", key::memoryclear},
        {Qt::Key_R, ctrl, "\x12", key::memoryrecall},
        {Qt::Key_M, ctrl, "\r", key::memorystore},
        {Qt::Key_P, ctrl, "\x10", key::memoryadd},
        {Qt::Key_C, ctrl, "\x03", command::COPY},
        {Qt::Key_V, ctrl, "\x16", command::PASTE},
        {Qt::Key_D, ctrl, "\x04", command::PRECISION},
        {Qt::Key_G, ctrl, "\x07", key::grouping},
        {Qt::Key_H, ctrl, "\x08", command::HISTORY},
        {Qt::Key_S, ctrl, "\x13", 0},
        {Qt::Key_C, ctrl | shift, "\x03", 0},
        // Alt belongs to the menu bar's mnemonics.
        {Qt::Key_F, alt, "f", 0},
        {Qt::Key_Escape, alt, "", 0},
        // AltGr reported as Ctrl+Alt still types its character.
        {Qt::Key_AsciiTilde, ctrl | alt, "~", key::bitnot},
    };
    // The radix decides no key typed on the keyboard but E: EE in the
    // decimal radix, the digit in the others.
    for (const char* e : {"e", "E"}) {
        EXPECT_EQ(acceleratorcommand(Qt::Key_E, none, QString::fromLatin1(e), 10), key::exponent);
        EXPECT_EQ(acceleratorcommand(Qt::Key_E, none, QString::fromLatin1(e), 16), key::digitE);
    }
    for (const auto& c : cases) {
        // The row's name: the key as a shortcut names it ("Shift+§", "Ctrl+L").
        SCOPED_TRACE(QKeySequence(QKeyCombination(c.modifiers, static_cast<Qt::Key>(c.qtkey)))
                         .toString()
                         .toStdString());
        for (int radix : {10, 16}) {
            EXPECT_EQ(acceleratorcommand(c.qtkey, c.modifiers, QString::fromLatin1(c.text), radix),
                      c.command)
                << "radix " << radix;
        }
    }
}

TEST(Keyboard, TypedCharactersExtendThePasteTable)
{
    // Where the paste table has a key, typing the character sends the same;
    // letters count in either case.
    for (int c = 0x20; c <= 0xff; ++c) {
        const char ch = static_cast<char>(c);
        for (int radix : {10, 16}) {
            const int pasted = characterkey(ch, keysource::paste, radix);
            const int typed = characterkey(ch, keysource::keyboard, radix);
            if (ch == 'E' || ch == 'e') {
                EXPECT_EQ(pasted, radix == 10 ? int{key::exponent} : int{key::digitE});
                EXPECT_EQ(typed, pasted);
            } else if (pasted != 0) {
                EXPECT_EQ(typed, pasted) << ch;
            }
            if (c >= 'a' && c <= 'z') {
                EXPECT_EQ(pasted, characterkey(static_cast<char>(c - 32), keysource::paste, radix));
                EXPECT_EQ(typed,
                          characterkey(static_cast<char>(c - 32), keysource::keyboard, radix));
            }
        }
    }
    // What only the keyboard types; zelkc and a paste skip it.
    for (char ch : {'&', ';', '<', '^', '`', '~', '\xa7', 'M', 'r'}) {
        EXPECT_NE(characterkey(ch, keysource::keyboard, 10), 0) << ch;
        EXPECT_EQ(characterkey(ch, keysource::paste, 10), 0) << ch;
    }
}

}  // namespace
