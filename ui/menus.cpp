#include "ui/menus.h"

#include "calc/keys.h"

namespace {

const menuitem fileitems[] = {
    {command::quit, "&Quit"},
};

// Copy and Paste carry spaces, not a tab, before their shortcut text.
const menuitem edititems[] = {
    {command::copy, "Copy   Ctrl+C"},
    {command::paste, "Paste  Ctrl+V"},
};

const menuitem viewitems[] = {
    {command::hex, "&Hex\tF5"},
    {command::dec, "&Dec\tF6"},
    {command::oct, "&Oct\tF7"},
    {command::bin, "&Bin\tF8"},
    {0, nullptr},
    {command::degrees, "D&egrees\tF2"},
    {command::radians, "&Radians\tF3"},
    {command::grads, "&Grads\tF4"},
    {0, nullptr},
    {key::grouping, "D&igit grouping\tCtrl+G"},
};

const menuitem optionsitems[] = {
    {command::precision, "&Precision...\tCtrl+D"},
};

const menuitem helpitems[] = {
    {command::keys, "&Keys\tF1"},
    {command::about, "&About ZELK Calculator..."},
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
    {command::whatsthis, "What's This?"},
};
}  // namespace

const menupopup contextmenu = popup("Control", controlitems);

const menupopup displaymenu = popup("Display", edititems);

const menuitem wordsizeitems[4] = {
    {command::qword, "&Qword\tF12"},
    {command::dword, "Dwo&rd\tF2"},
    {command::word, "&Word\tF3"},
    {command::byte, "B&yte\tF4"},
};

const menuitem angleitems[3] = {
    {command::degrees, "&D&egrees\tF2"},
    {command::radians, "&Radians\tF3"},
    {command::grads, "&Grads\tF4"},
};
