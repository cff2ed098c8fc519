#include "ui/accelerators.h"

#include <QString>

#include "calc/keys.h"
#include "ui/menus.h"

int acceleratorcommand(int qtkey, Qt::KeyboardModifiers modifiers, const QString& text, int radix)
{
    const bool ctrl = modifiers.testFlag(Qt::ControlModifier);
    const bool alt = modifiers.testFlag(Qt::AltModifier);
    if (ctrl && !alt) {
        if (modifiers & (Qt::ShiftModifier | Qt::MetaModifier))
            return 0;
        switch (qtkey) {
        case Qt::Key_L: return key::memoryclear;
        case Qt::Key_R: return key::memoryrecall;
        case Qt::Key_M: return key::memorystore;
        case Qt::Key_P: return key::memoryadd;
        case Qt::Key_C: return command::COPY;
        case Qt::Key_V: return command::PASTE;
        case Qt::Key_D: return command::PRECISION;
        case Qt::Key_G: return key::grouping;
        case Qt::Key_H: return command::HISTORY;
        default: return 0;
        }
    }
    // Alt and Super combinations belong to the menu bar and the desktop.
    // Ctrl+Alt together is how some systems report AltGr, which types
    // characters such as '~' and '`'.
    if ((alt && !ctrl) || modifiers.testFlag(Qt::MetaModifier))
        return 0;

    switch (qtkey) {
    case Qt::Key_Escape: return key::clearall;  // clears; never closes the window
    case Qt::Key_Return:
    case Qt::Key_Enter: return key::equals;
    case Qt::Key_Backspace:
    case Qt::Key_Left: return key::backspace;
    case Qt::Key_Delete: return key::clearentry;
    case Qt::Key_F1: return command::KEYS;
    case Qt::Key_F2: return key::degrees;  // or Dword: the window decides by radix
    case Qt::Key_F3: return key::radians;
    case Qt::Key_F4: return key::grads;
    case Qt::Key_F5: return key::hex;
    case Qt::Key_F6: return key::dec;
    case Qt::Key_F7: return key::oct;
    case Qt::Key_F8: return key::bin;
    case Qt::Key_F9: return key::sign;
    case Qt::Key_F12: return key::qword;
    // The focus never moves off the display.
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Right: return command::NOTHING;
    default: break;
    }

    // Latin-1 is all the character table knows; '§' is one of them.
    if (text.size() != 1 || text[0].unicode() < 0x20 || text[0].unicode() > 0xff)
        return 0;
    return characterkey(static_cast<char>(text[0].unicode()), keysource::keyboard, radix);
}

int scrolllines(int qtkey)
{
    switch (qtkey) {
    case Qt::Key_PageUp: return -4;
    case Qt::Key_PageDown: return 4;
    case Qt::Key_Up: return -1;
    case Qt::Key_Down: return 1;
    default: return 0;
    }
}
