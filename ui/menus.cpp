#include "ui/menus.h"

#include "calc/keys.h"

namespace {

const menuitem fileitems[] = {
    {command::quit, "&Quit"},
};

const menuitem edititems[] = {
    {command::copy, "&Copy", "Ctrl+C"},
    {command::paste, "&Paste", "Ctrl+V"},
};

const menuitem viewitems[] = {
    {command::hex, "&Hex", "F5"},
    {command::dec, "&Dec", "F6"},
    {command::oct, "&Oct", "F7"},
    {command::bin, "&Bin", "F8"},
    {0, nullptr},
    {command::degrees, "D&egrees", "F2"},
    {command::radians, "&Radians", "F3"},
    {command::grads, "&Grads", "F4"},
    {0, nullptr},
    {key::grouping, "D&igit grouping", "Ctrl+G"},
};

const menuitem optionsitems[] = {
    {command::precision, "&Precision...", "Ctrl+D"},
};

const menuitem helpitems[] = {
    {command::keys, "&Keys", "F1"},
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
    {command::qword, "&Qword", "F12"},
    {command::dword, "Dwo&rd", "F2"},
    {command::word, "&Word", "F3"},
    {command::byte, "B&yte", "F4"},
};

const menuitem angleitems[3] = {
    {command::degrees, "&D&egrees", "F2"},
    {command::radians, "&Radians", "F3"},
    {command::grads, "&Grads", "F4"},
};
