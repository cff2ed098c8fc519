#include "calc/keys.h"

#include <cctype>

const keybutton keybuttons[] = {
    {key::clearall, "C"},
    {key::digit7, "7"},
    {key::digit8, "8"},
    {key::digit9, "9"},
    {key::digit4, "4"},
    {key::digit5, "5"},
    {key::digit6, "6"},
    {key::digit1, "1"},
    {key::digit2, "2"},
    {key::digit3, "3"},
    {key::digit0, "0"},
    {key::sign, "+/-"},
    {key::point, "&,"},
    {key::divide, "/"},
    {key::multiply, "*"},
    {key::subtract, "-"},
    {key::add, "+"},
    {key::clearentry, "CE"},
    {key::backspace, "Backspace"},
    {key::memoryclear, "MC"},
    {key::memoryrecall, "MR"},
    {key::memorystore, "MS"},
    {key::memoryadd, "M+"},
    {key::mod, "Mod"},
    {key::bitor_, "Or"},
    {key::lsh, "Lsh"},
    {key::equals, "="},
    {key::bitand_, "And"},
    {key::bitxor, "Xor"},
    {key::bitnot, "Not"},
    {key::integer, "Int"},
    {key::digitA, "A"},
    {key::digitB, "B"},
    {key::digitC, "C"},
    {key::digitD, "D"},
    {key::digitE, "E"},
    {key::digitF, "F"},
    {key::pi, "PI"},
    {key::closeparen, ")"},
    {key::openparen, "("},
    {key::exponent, "EE"},
    {key::power, "x^y"},
    {key::ln, "ln"},
    {key::log, "log"},
    {key::factorial, "n!"},
    {key::cube, "x^3"},
    {key::reciprocal, "1/x"},
    {key::square, "x^2"},
    {key::sin, "sin"},
    {key::cos, "cos"},
    {key::tan, "tan"},
    {key::degrees, "Degrees"},
    {key::radians, "Radians"},
    {key::grads, "Grads"},
    {key::hex, "Hex"},
    {key::dec, "Dec"},
    {key::oct, "Oct"},
    {key::bin, "Bin"},
    {key::dms, "dms"},
    {key::inv, "Inv"},
    {key::hyp, "Hyp"},
    {key::qword, "Qword"},
    {key::dword, "Dword"},
    {key::word, "Word"},
    {key::byte, "Byte"},
};
const int keybuttoncount = sizeof keybuttons / sizeof keybuttons[0];

int characterkey(char c, int radix)
{
    switch (c) {
    case '0': return key::digit0;
    case '1': return key::digit1;
    case '2': return key::digit2;
    case '3': return key::digit3;
    case '4': return key::digit4;
    case '5': return key::digit5;
    case '6': return key::digit6;
    case '7': return key::digit7;
    case '8': return key::digit8;
    case '9': return key::digit9;
    case 'A':
    case 'a': return key::digitA;
    case 'B':
    case 'b': return key::digitB;
    case 'C':
    case 'c': return key::digitC;
    case 'D':
    case 'd': return key::digitD;
    case 'E':
    case 'e': return radix == 10 ? key::exponent : key::digitE;
    case 'F':
    case 'f': return key::digitF;
    case 'X':
    case 'x': return key::exponent;
    case ',':
    case '.': return key::point;
    case '+': return key::add;
    case '-': return key::subtract;
    case '*': return key::multiply;
    case '/': return key::divide;
    case '=': return key::equals;
    case '(': return key::openparen;
    case ')': return key::closeparen;
    case '%': return key::mod;
    case '!': return key::factorial;
    case '"': return key::square;
    case '#': return key::cube;
    case 'Y':
    case 'y': return key::power;
    case 'L':
    case 'l': return key::log;
    case 'N':
    case 'n': return key::ln;
    case 'S':
    case 's': return key::sin;
    case 'O':
    case 'o': return key::cos;
    case 'T':
    case 't': return key::tan;
    case 'P':
    case 'p': return key::pi;
    case 'I':
    case 'i': return key::inv;
    case 'H':
    case 'h': return key::hyp;
    default: return 0;
    }
}

int typedkey(char c)
{
    switch (c) {
    case 'E':
    case 'e': return key::digitE;
    case 'M':
    case 'm': return key::dms;
    case 'R':
    case 'r': return key::reciprocal;
    case '&': return key::bitand_;
    case ';': return key::integer;
    case '<': return key::lsh;
    case '^': return key::bitxor;
    case '`': return key::bitor_;
    case '~': return key::bitnot;
    case '\xa7': return key::cube;        // '§', beside '#' on layouts that have it
    default: return characterkey(c, 10);  // the radix only decides 'E', settled above
    }
}

namespace {

bool sametext(std::string_view name, const char* label)
{
    std::size_t i = 0;
    for (const char* p = label; *p != '\0'; ++p) {
        if (*p == '&')
            continue;
        if (i == name.size() || std::tolower(static_cast<unsigned char>(name[i])) !=
                                    std::tolower(static_cast<unsigned char>(*p)))
            return false;
        ++i;
    }
    return i == name.size();
}

}  // namespace

int namedkey(std::string_view name)
{
    if (sametext(name, "Grouping"))
        return key::grouping;
    // The first match wins: "C" is clear all (1001) before the digit C.
    for (int i = 0; i < keybuttoncount; ++i) {
        if (sametext(name, keybuttons[i].label))
            return keybuttons[i].code;
    }
    return 0;
}

char keydigit(int code)
{
    switch (code) {
    case key::digit0: return '0';
    case key::digit1: return '1';
    case key::digit2: return '2';
    case key::digit3: return '3';
    case key::digit4: return '4';
    case key::digit5: return '5';
    case key::digit6: return '6';
    case key::digit7: return '7';
    case key::digit8: return '8';
    case key::digit9: return '9';
    case key::digitA: return 'A';
    case key::digitB: return 'B';
    case key::digitC: return 'C';
    case key::digitD: return 'D';
    case key::digitE: return 'E';
    case key::digitF: return 'F';
    default: return 0;
    }
}
