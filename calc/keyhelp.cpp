#include "calc/keyhelp.h"

#include <iterator>

#include "calc/keys.h"

// clang-format off
const keyhelp keyhelps[] = {
    {key::hex, "Hexadecimal", "Hexadecimal radix: integers in base 16, digits 0-9 and A-F", nullptr, nullptr, "F5"},
    {key::dec, "Decimal", "Decimal radix: numbers with decimal places and every scientific function", nullptr, nullptr, "F6"},
    {key::oct, "Octal", "Octal radix: integers in base 8", nullptr, nullptr, "F7"},
    {key::bin, "Binary", "Binary radix: integers in base 2", nullptr, nullptr, "F8"},
    {key::degrees, "Degrees", "Angles in degrees, 360 to the turn", nullptr, nullptr, "F2"},
    {key::radians, "Radians", "Angles in radians, 2 pi to the turn", nullptr, nullptr, "F3"},
    {key::grads, "Grads", "Angles in grads, 400 to the turn", nullptr, nullptr, "F4"},
    {key::qword, "Quad word", "Word size of 64 bits for integers in Hex, Oct and Bin", nullptr, nullptr, "F12"},
    {key::dword, "Double word", "Word size of 32 bits", nullptr, nullptr, "F2"},
    {key::word, "Word", "Word size of 16 bits", nullptr, nullptr, "F3"},
    {key::byte, "Byte", "Word size of 8 bits", nullptr, nullptr, "F4"},
    {key::inv, "Inverse", "Inverse: the next function key takes its inverse function", nullptr, nullptr, nullptr},
    {key::hyp, "Hyperbolic", "Hyperbolic: the next sin, cos or tan takes its hyperbolic function", nullptr, nullptr, nullptr},
    {key::backspace, "Backspace", "Backspace: delete the last character typed", nullptr, nullptr, "Backspace or Left arrow"},
    {key::clearentry, "Clear entry", "Clear entry: clear the number shown, keep the calculation", nullptr, nullptr, "Delete"},
    {key::clearall, "Clear all", "Clear all: the number, the pending operations and the parentheses", nullptr, nullptr, "Escape"},
    {key::openparen, "Open parenthesis", "Open a parenthesis; the indicator beside it counts the open ones", nullptr, nullptr, nullptr},
    {key::closeparen, "Close parenthesis", "Close the innermost parenthesis and show its value", nullptr, nullptr, nullptr},
    {key::memoryclear, "Memory clear", "Memory clear: empty the memory", nullptr, nullptr, "Ctrl+L"},
    {key::digit7, "Seven", "Digit 7", nullptr, nullptr, nullptr},
    {key::digit8, "Eight", "Digit 8", nullptr, nullptr, nullptr},
    {key::digit9, "Nine", "Digit 9", nullptr, nullptr, nullptr},
    {key::divide, "Divide", "Divide x by y", nullptr, nullptr, nullptr},
    {key::mod, "Modulo", "Modulo: the remainder of x divided by y", nullptr, nullptr, nullptr},
    {key::bitand_, "Bitwise and", "Bitwise And of the integer parts of x and y", nullptr, nullptr, nullptr},
    {key::dms, "Degrees minutes seconds", "Degrees as degrees, minutes and seconds (d,mmss)", "from degrees, minutes and seconds back to degrees", nullptr, nullptr},
    {key::exponent, "Exponent", "Exponent entry: the digits typed next are the power of ten (EE)", nullptr, nullptr, "E in the decimal radix"},
    {key::ln, "Natural logarithm", "Natural logarithm ln x", "e^x", nullptr, nullptr},
    {key::memoryrecall, "Memory recall", "Memory recall: show the number in the memory", nullptr, nullptr, "Ctrl+R"},
    {key::digit4, "Four", "Digit 4", nullptr, nullptr, nullptr},
    {key::digit5, "Five", "Digit 5", nullptr, nullptr, nullptr},
    {key::digit6, "Six", "Digit 6", nullptr, nullptr, nullptr},
    {key::multiply, "Multiply", "Multiply x by y", nullptr, nullptr, nullptr},
    {key::bitor_, "Bitwise or", "Bitwise Or of the integer parts of x and y", nullptr, nullptr, nullptr},
    {key::bitxor, "Bitwise exclusive or", "Bitwise exclusive Or of the integer parts of x and y", nullptr, nullptr, nullptr},
    {key::sin, "Sine", "Sine sin x", "the arc sine", "the hyperbolic sine; with Inv and Hyp: the inverse hyperbolic sine", nullptr},
    {key::power, "Power", "Power x^y", "the y-th root of x", nullptr, nullptr},
    {key::log, "Common logarithm", "Common logarithm log x, to base 10", "10^x", nullptr, nullptr},
    {key::memorystore, "Memory store", "Memory store: put the number shown into the memory", nullptr, nullptr, "Ctrl+M"},
    {key::digit1, "One", "Digit 1", nullptr, nullptr, nullptr},
    {key::digit2, "Two", "Digit 2", nullptr, nullptr, nullptr},
    {key::digit3, "Three", "Digit 3", nullptr, nullptr, nullptr},
    {key::subtract, "Subtract", "Subtract y from x", nullptr, nullptr, nullptr},
    {key::lsh, "Left shift", "Left shift: x shifted left by y bits", "x shifted right by y bits", nullptr, nullptr},
    {key::bitnot, "Bitwise not", "Bitwise Not: every bit of the integer part inverted", nullptr, nullptr, nullptr},
    {key::cos, "Cosine", "Cosine cos x", "the arc cosine", "the hyperbolic cosine; with Inv and Hyp: the inverse hyperbolic cosine", nullptr},
    {key::cube, "Cube", "Cube x^3", "the cube root", nullptr, nullptr},
    {key::factorial, "Factorial", "Factorial n!; for a number that is not an integer, gamma(x + 1)", nullptr, nullptr, nullptr},
    {key::memoryadd, "Memory add", "Memory add: add the number shown to the memory", nullptr, nullptr, "Ctrl+P"},
    {key::digit0, "Zero", "Digit 0", nullptr, nullptr, nullptr},
    {key::sign, "Change sign", "Change sign of the number, or of the exponent being typed", nullptr, nullptr, "F9"},
    {key::point, "Decimal comma", "Decimal comma: the digits typed next are decimal places", nullptr, nullptr, nullptr},
    {key::add, "Add", "Add x and y", nullptr, nullptr, nullptr},
    {key::equals, "Equals", "Equals: finish every pending operation and show the result", nullptr, nullptr, "Enter"},
    {key::integer, "Integer part", "Integer part of x", "the fractional part", nullptr, nullptr},
    {key::tan, "Tangent", "Tangent tan x", "the arc tangent", "the hyperbolic tangent; with Inv and Hyp: the inverse hyperbolic tangent", nullptr},
    {key::square, "Square", "Square x^2", "the square root", nullptr, nullptr},
    {key::reciprocal, "Reciprocal", "Reciprocal 1/x", nullptr, nullptr, nullptr},
    {key::pi, "Pi", "The number pi", nullptr, nullptr, nullptr},
    {key::digitA, "Digit A", "Hexadecimal digit A, ten", nullptr, nullptr, nullptr},
    {key::digitB, "Digit B", "Hexadecimal digit B, eleven", nullptr, nullptr, nullptr},
    {key::digitC, "Digit C", "Hexadecimal digit C, twelve", nullptr, nullptr, nullptr},
    {key::digitD, "Digit D", "Hexadecimal digit D, thirteen", nullptr, nullptr, nullptr},
    {key::digitE, "Digit E", "Hexadecimal digit E, fourteen", nullptr, nullptr, nullptr},
    {key::digitF, "Digit F", "Hexadecimal digit F, fifteen", nullptr, nullptr, nullptr},
};
// clang-format on
const int keyhelpcount = static_cast<int>(std::size(keyhelps));

const keyhelp bitkeyshelp = {
    key::bit0,
    "Bit keys",
    "Bit n of the value in Hex, Oct and Bin, 0 at the right: toggle it; the entry goes on from "
    "the new value. Only the bits of the word size",
    nullptr,
    nullptr,
    "Tab to the bit view, then the arrows and Space"};
const char BITKEYSNAMES[] = "Bit0 to Bit63";

const keyhelp* helpof(int code)
{
    if (keybit(code) >= 0)
        return &bitkeyshelp;
    for (const keyhelp& h : keyhelps) {
        if (h.code == code)
            return &h;
    }
    return nullptr;
}

std::string keyboardtext(int code)
{
    // Joined by words: a comma between keys would read as one more key
    // beside the comma key's own (",, .").
    std::string text;
    const auto add = [&text](const std::string& part) {
        if (!text.empty())
            text += " or ";
        text += part;
    };
    for (int i = 0; i < keycharactercount; ++i) {
        const keycharacter& k = keycharacters[i];
        if (k.code != code)
            continue;
        // The table is Latin-1; the texts are UTF-8.
        if (k.character == '\xa7')
            add("\xc2\xa7");
        else
            add(std::string(1, k.character));
    }
    if (const keyhelp* h = helpof(code); h != nullptr && h->named != nullptr)
        add(h->named);
    return text;
}

std::string keydescription(int code)
{
    const keyhelp* h = helpof(code);
    if (h == nullptr)
        return {};
    std::string text = h->meaning;
    if (h->inverse != nullptr)
        text += std::string("; with Inv: ") + h->inverse;
    if (h->hyperbolic != nullptr)
        text += std::string("; with Hyp: ") + h->hyperbolic;
    return text;
}

std::string tooltiptext(int code)
{
    if (helpof(code) == nullptr)
        return {};
    std::string text = keydescription(code) + '.';
    if (const std::string keys = keyboardtext(code); !keys.empty())
        text += " Keyboard: " + keys;
    return text;
}
