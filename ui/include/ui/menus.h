// The menu bar of the calculator window and the identifiers of the commands
// that do not send a key of their own. Key buttons send their key code as
// their command, and so does Digit grouping, the one menu item that is a key
// of the engine (calc/keys.h).
#pragma once

namespace command {
constexpr int NOTHING = 5;  // Tab, Shift+Tab, Right arrow: swallowed
constexpr int QUIT = 32771;
constexpr int WHATS_THIS = 32778;
constexpr int PRECISION = 32781;
constexpr int HEX = 32782;
constexpr int DEC = 32783;
constexpr int OCT = 32784;
constexpr int BIN = 32785;
constexpr int RADIANS = 32787;
constexpr int GRADS = 32788;
constexpr int DEGREES = 32789;
constexpr int BYTE = 32793;
constexpr int WORD = 32794;
constexpr int DWORD = 32795;
constexpr int QWORD = 32796;
constexpr int ABOUT = 32798;
constexpr int KEYS = 32799;
constexpr int HISTORY = 32800;
constexpr int CLEAR_HISTORY = 32801;
constexpr int COPY = 57634;
constexpr int PASTE = 57637;
}  // namespace command

// One item of a popup; command 0 is a separator. The shortcut is the key
// the window's keyboard handling sends the command by, in the form of
// QKeySequence ("Ctrl+C"); the menu shows it at the right, and assistive
// technology reads it apart from the item's name.
struct menuitem {
    int command;
    const char* text;
    const char* shortcut = nullptr;
};

struct menupopup {
    const char* title;
    const menuitem* items;
    int count;
};

// Menu 128 as the window starts: the View popup in its decimal shape.
extern const menupopup mainmenu[];
extern const int mainmenucount;

// Menu 132: the context menu of a control that carries a help identifier.
extern const menupopup contextmenu;

// The display's context menu: the Edit popup's Copy and Paste.
extern const menupopup displaymenu;

// The items the window creates when the View popup changes shape: the word
// sizes stand where the angle units were in the integer radices, and the
// angle units come back (with the text "&D&egrees") in the decimal one.
extern const menuitem wordsizeitems[4];
extern const menuitem angleitems[3];
