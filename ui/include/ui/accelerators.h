// The keyboard of the calculator window: which command a key press sends.
// Characters are mapped by what the user types (the key event's text), so
// every keyboard layout works; named keys and Ctrl combinations by key.
#pragma once

#include <Qt>

class QString;

// The command a key press sends (a key code, a menu command or
// command::NOTHING), or 0 when the key is no accelerator and goes on to the
// focused control. A character is looked up as typed on the keyboard into
// an engine in `radix`. Alt combinations are left to the menu bar's
// mnemonics.
int acceleratorcommand(int qtkey, Qt::KeyboardModifiers modifiers, const QString& text, int radix);

// How many lines Page Up/Down and Up/Down scroll the display (negative is
// up), or 0 for other keys.
int scrolllines(int qtkey);
