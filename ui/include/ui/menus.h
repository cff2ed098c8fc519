// The menu bar of the calculator window and the identifiers of the commands
// that do not send a key of their own. Key buttons send their key code as
// their command, and so does Digit grouping, the one menu item that is a key
// of the engine (calc/keys.h).
#pragma once

namespace command {
constexpr int nothing = 5;  // Tab, Shift+Tab, Right arrow: swallowed
constexpr int quit = 32771;
constexpr int whatsthis = 32778;
constexpr int precision = 32781;
constexpr int hex = 32782;
constexpr int dec = 32783;
constexpr int oct = 32784;
constexpr int bin = 32785;
constexpr int radians = 32787;
constexpr int grads = 32788;
constexpr int degrees = 32789;
constexpr int byte = 32793;
constexpr int word = 32794;
constexpr int dword = 32795;
constexpr int qword = 32796;
constexpr int about = 32798;
constexpr int keys = 32799;
constexpr int copy = 57634;
constexpr int paste = 57637;
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
