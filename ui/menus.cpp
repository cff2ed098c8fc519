#include "ui/menus.h"

#include "calc/keys.h"

namespace {

const menuitem fileitems[] = {
    {command::QUIT, "&Quit"},
};

const menuitem edititems[] = {
    {command::COPY, "&Copy", "Ctrl+C"},
    {command::PASTE, "&Paste", "Ctrl+V"},
    {0, nullptr},
    {command::CLEAR_HISTORY, "Clear &History"},
};

const menuitem displayitems[] = {
    {command::COPY, "&Copy", "Ctrl+C"},
    {command::PASTE, "&Paste", "Ctrl+V"},
};

const menuitem viewitems[] = {
    {command::HEX, "&Hex", "F5"},
    {command::DEC, "&Dec", "F6"},
    {command::OCT, "&Oct", "F7"},
    {command::BIN, "&Bin", "F8"},
    {0, nullptr},
    {command::DEGREES, "D&egrees", "F2"},
    {command::RADIANS, "&Radians", "F3"},
    {command::GRADS, "&Grads", "F4"},
    {0, nullptr},
    {key::grouping, "D&igit grouping", "Ctrl+G"},
    {0, nullptr},
    {command::HISTORY, "Hi&story", "Ctrl+H"},
};

const menuitem optionsitems[] = {
    {command::PRECISION, "&Precision...", "Ctrl+D"},
};

const menuitem helpitems[] = {
    {command::KEYS, "&Keys", "F1"},
    {command::ABOUT, "&About ZELK Calculator..."},
};

template <int N> constexpr menupopup popup(const char* title, const menuitem (&items)[N])
{
    return {title, items, N};
}

}  // namespace

const menupopup mainmenu[] = {
    popup("&File", fileitems),       popup("&Edit", edititems), popup("&View", viewitems),
    popup("&Options", optionsitems), popup("&Help", helpitems),
};
const int mainmenucount = sizeof mainmenu / sizeof mainmenu[0];

namespace {
const menuitem controlitems[] = {
    {command::WHATS_THIS, "What's This?"},
};
}  // namespace

const menupopup contextmenu = popup("Control", controlitems);

const menupopup displaymenu = popup("Display", displayitems);

const menuitem wordsizeitems[4] = {
    {command::QWORD, "&Qword", "F12"},
    {command::DWORD, "Dwo&rd", "F2"},
    {command::WORD, "&Word", "F3"},
    {command::BYTE, "B&yte", "F4"},
};

const menuitem angleitems[3] = {
    {command::DEGREES, "&D&egrees", "F2"},
    {command::RADIANS, "&Radians", "F3"},
    {command::GRADS, "&Grads", "F4"},
};
