// The paste reader's public face: its tables, and the reader and the typist
// run together.
#include "calc/paste.h"

#include <algorithm>
#include <iterator>

#include "calc/keys.h"
#include "pastereader.h"
#include "pastetypist.h"

const pasteoperator pasteoperators[] = {
    {U'\u2212', "\u2212", key::subtract},  // minus sign
    {U'\u00d7', "\u00d7", key::multiply},  // multiplication sign
    {U'\u22c5', "\u22c5", key::multiply},  // dot operator
    {U'\u00b7', "\u00b7", key::multiply},  // middle dot
    {U'\u00f7', "\u00f7", key::divide},    // division sign
    {U'^', "^", key::power},               // x^y, where the keyboard's '^' is Xor
};
const int pasteoperatorcount = static_cast<int>(std::size(pasteoperators));

bool startsoperand(int code)
{
    switch (code) {
    case key::add:
    case key::subtract:
    case key::multiply:
    case key::divide:
    case key::mod:
    case key::power:
    case key::bitand_:
    case key::bitor_:
    case key::bitxor:
    case key::lsh:
    case key::openparen: return true;
    default: return false;
    }
}

pastekeys readpaste(std::string_view utf8, const pastetarget& target)
{
    // Token by token, so that the first number that cannot be read or typed
    // gives the refusal.
    pastereader reader(utf8, target);
    pastetypist typist(target);
    for (pastetoken token; reader.next(token);) {
        if (!typist.type(token))
            return {{}, typist.refusal()};
    }
    if (reader.refusal() != nullptr)
        return {{}, reader.refusal()};
    return {typist.takekeys(), nullptr};
}

std::string ungroupeddisplay(std::string_view display, int radix)
{
    const bool decimal = radix == 10;
    const char separator = decimal ? '.' : ' ';
    const bool number =
        !display.empty() && std::all_of(display.begin(), display.end(), [&](char c) {
            if (c >= '0' && c <= '9')
                return true;
            if (decimal)
                return c == '-' || c == ',' || c == '.' || c == 'e' || c == '+';
            return (c >= 'A' && c <= 'F') || c == ' ';
        });
    std::string text(display);
    if (number)
        std::erase(text, separator);
    return text;
}
