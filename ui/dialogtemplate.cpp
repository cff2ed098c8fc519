#include "ui/dialogtemplate.h"

#include <algorithm>
#include <cmath>

#include <QFontMetricsF>
#include <QLabel>

#include "calc/keys.h"

namespace {
using enum controlkind;
}

// The keypad: buttons of 25 x 15 units in five rows of ten, rows at y 101,
// 121, 141, 161, 181 and columns at x 25, 55, 85, 120, 155, 185, 215, 245,
// 275, 305; the cell at the top left is empty.
const controlplace calculatortemplate[] = {
    {DISPLAY_ID, display, 7, 10, 323, 37},

    {-1, frame, 7, 52, 173, 23},
    {key::hex, radiobutton, 17, 58, 36, 10},
    {key::dec, radiobutton, 61, 58, 36, 10},
    {key::oct, radiobutton, 106, 58, 32, 10},
    {key::bin, radiobutton, 143, 58, 32, 10},

    {-1, frame, 181, 52, 149, 23},
    {key::degrees, radiobutton, 188, 58, 50, 10},
    {key::radians, radiobutton, 243, 58, 45, 10},
    {key::grads, radiobutton, 293, 58, 35, 10},
    // The word sizes take the place of the angle units in the integer radices.
    {key::qword, radiobutton, 188, 60, 36, 10},
    {key::dword, radiobutton, 227, 60, 36, 10},
    {key::word, radiobutton, 265, 60, 34, 10},
    {key::byte, radiobutton, 301, 60, 28, 10},

    {-1, frame, 7, 73, 70, 23},
    {key::inv, checkbox, 16, 80, 28, 10},
    {key::hyp, checkbox, 46, 80, 28, 10},
    {PARENS_ID, indicator, 85, 80, 18, 16},
    {MEMORY_ID, indicator, 120, 80, 18, 16},

    {key::backspace, pushbutton, 155, 81, 55, 15},
    {key::clearentry, pushbutton, 215, 81, 55, 15},
    {key::clearall, pushbutton, 275, 81, 55, 15},

    {key::openparen, pushbutton, 55, 101, 25, 15},
    {key::closeparen, pushbutton, 85, 101, 25, 15},
    {key::memoryclear, pushbutton, 120, 101, 25, 15},
    {key::digit7, pushbutton, 155, 101, 25, 15},
    {key::digit8, pushbutton, 185, 101, 25, 15},
    {key::digit9, pushbutton, 215, 101, 25, 15},
    {key::divide, pushbutton, 245, 101, 25, 15},
    {key::mod, pushbutton, 275, 101, 25, 15},
    {key::bitand_, pushbutton, 305, 101, 25, 15},

    {key::dms, pushbutton, 25, 121, 25, 15},
    {key::exponent, pushbutton, 55, 121, 25, 15},
    {key::ln, pushbutton, 85, 121, 25, 15},
    {key::memoryrecall, pushbutton, 120, 121, 25, 15},
    {key::digit4, pushbutton, 155, 121, 25, 15},
    {key::digit5, pushbutton, 185, 121, 25, 15},
    {key::digit6, pushbutton, 215, 121, 25, 15},
    {key::multiply, pushbutton, 245, 121, 25, 15},
    {key::bitor_, pushbutton, 275, 121, 25, 15},
    {key::bitxor, pushbutton, 305, 121, 25, 15},

    {key::sin, pushbutton, 25, 141, 25, 15},
    {key::power, pushbutton, 55, 141, 25, 15},
    {key::log, pushbutton, 85, 141, 25, 15},
    {key::memorystore, pushbutton, 120, 141, 25, 15},
    {key::digit1, pushbutton, 155, 141, 25, 15},
    {key::digit2, pushbutton, 185, 141, 25, 15},
    {key::digit3, pushbutton, 215, 141, 25, 15},
    {key::subtract, pushbutton, 245, 141, 25, 15},
    {key::lsh, pushbutton, 275, 141, 25, 15},
    {key::bitnot, pushbutton, 305, 141, 25, 15},

    {key::cos, pushbutton, 25, 161, 25, 15},
    {key::cube, pushbutton, 55, 161, 25, 15},
    {key::factorial, pushbutton, 85, 161, 25, 15},
    {key::memoryadd, pushbutton, 120, 161, 25, 15},
    {key::digit0, pushbutton, 155, 161, 25, 15},
    {key::sign, pushbutton, 185, 161, 25, 15},
    {key::point, pushbutton, 215, 161, 25, 15},
    {key::add, pushbutton, 245, 161, 25, 15},
    {key::equals, pushbutton, 275, 161, 25, 15},
    {key::integer, pushbutton, 305, 161, 25, 15},

    {key::tan, pushbutton, 25, 181, 25, 15},
    {key::square, pushbutton, 55, 181, 25, 15},
    {key::reciprocal, pushbutton, 85, 181, 25, 15},
    {key::pi, pushbutton, 120, 181, 25, 15},
    {key::digitA, pushbutton, 155, 181, 25, 15},
    {key::digitB, pushbutton, 185, 181, 25, 15},
    {key::digitC, pushbutton, 215, 181, 25, 15},
    {key::digitD, pushbutton, 245, 181, 25, 15},
    {key::digitE, pushbutton, 275, 181, 25, 15},
    {key::digitF, pushbutton, 305, 181, 25, 15},
};
const int calculatortemplatecount = sizeof calculatortemplate / sizeof calculatortemplate[0];

unsigned helpidof(int id)
{
    // Only the keys "7" and "8" carry one: 0x80660000 plus the key's
    // identifier.
    constexpr unsigned HELP_BASE = 0x80660000u;
    switch (id) {
    case key::digit7:
    case key::digit8: return HELP_BASE + static_cast<unsigned>(id);
    default: return 0;
    }
}

dialogunits::dialogunits(const QFont& font)
{
    QFontMetricsF metrics(font);
    m_unitx = metrics.horizontalAdvance(
                  QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz")) /
              52.0 / 4.0;
    m_unity = metrics.height() / 8.0;
}

int dialogunits::mapx(int x) const { return static_cast<int>(std::lround(x * m_unitx)); }

int dialogunits::mapy(int y) const { return static_cast<int>(std::lround(y * m_unity)); }

QRect dialogunits::map(int x, int y, int width, int height) const
{
    int left = mapx(x);
    int top = mapy(y);
    return QRect(left, top, mapx(x + width) - left, mapy(y + height) - top);
}

void placestatic(QLabel* label, const dialogunits& units, int x, int y, int width, int height)
{
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    QRect place = units.map(x, y, width, height);
    place.setWidth(std::max(place.width(), label->sizeHint().width()));
    label->setGeometry(place);
}
