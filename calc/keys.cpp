#include "calc/keys.h"

#include <algorithm>
#include <cctype>
#include <iterator>

#include "digits.h"

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
const int keybuttoncount = static_cast<int>(std::size(keybuttons));

namespace {
using enum keytyping;
}  // namespace

// Grouped as zelkc --help lists them: digits, exponent, comma, operators,
// parentheses, functions, Inv and Hyp; then what only the keyboard has.
const keycharacter keycharacters[] = {
    {'0', key::digit0, anywhere},
    {'1', key::digit1, anywhere},
    {'2', key::digit2, anywhere},
    {'3', key::digit3, anywhere},
    {'4', key::digit4, anywhere},
    {'5', key::digit5, anywhere},
    {'6', key::digit6, anywhere},
    {'7', key::digit7, anywhere},
    {'8', key::digit8, anywhere},
    {'9', key::digit9, anywhere},
    {'A', key::digitA, anywhere},
    {'B', key::digitB, anywhere},
    {'C', key::digitC, anywhere},
    {'D', key::digitD, anywhere},
    {'E', key::digitE, byradix},
    {'F', key::digitF, anywhere},
    {'X', key::exponent, anywhere},
    {',', key::point, anywhere},
    {'.', key::point, anywhere},
    {'+', key::add, anywhere},
    {'-', key::subtract, anywhere},
    {'*', key::multiply, anywhere},
    {'/', key::divide, anywhere},
    {'=', key::equals, anywhere},
    {'(', key::openparen, anywhere},
    {')', key::closeparen, anywhere},
    {'%', key::mod, anywhere},
    {'!', key::factorial, anywhere},
    {'"', key::square, anywhere},
    {'#', key::cube, anywhere},
    {'Y', key::power, anywhere},
    {'L', key::log, anywhere},
    {'N', key::ln, anywhere},
    {'S', key::sin, anywhere},
    {'O', key::cos, anywhere},
    {'T', key::tan, anywhere},
    {'P', key::pi, anywhere},
    {'I', key::inv, anywhere},
    {'H', key::hyp, anywhere},
    {'&', key::bitand_, keyboard},
    {'`', key::bitor_, keyboard},
    {'^', key::bitxor, keyboard},
    {'~', key::bitnot, keyboard},
    {'<', key::lsh, keyboard},
    {';', key::integer, keyboard},
    {'\xa7', key::cube, keyboard},  // '§' in Latin-1, beside '#' on layouts that have it
    {'M', key::dms, keyboard},
    {'R', key::reciprocal, keyboard},
};
const int keycharactercount = static_cast<int>(std::size(keycharacters));

int characterkey(char c, keysource source, int radix)
{
    // Only ASCII letters fold: Latin-1 has characters above 'z' of its own.
    const char upper = c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
    for (const keycharacter& k : keycharacters) {
        if (k.character != upper)
            continue;
        switch (k.typing) {
        case keytyping::anywhere: return k.code;
        case keytyping::keyboard: return source == keysource::keyboard ? k.code : 0;
        case keytyping::byradix: return radix == 10 ? int{key::exponent} : k.code;
        }
    }
    return 0;
}

namespace {

// The name of the one key that is a menu command, not a button.
constexpr char GROUPINGNAME[] = "Grouping";

// A button text as a name: without the mnemonic mark.
std::string withoutmark(const char* label)
{
    std::string name;
    for (const char* p = label; *p != '\0'; ++p) {
        if (*p != '&')
            name += *p;
    }
    return name;
}

bool sametext(std::string_view a, std::string_view b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) ==
               std::tolower(static_cast<unsigned char>(y));
    });
}

// The bit keys are named by the bit: "Bit0" to "Bit63", without leading
// zeros, so that each key has one name.
constexpr char BITNAME[] = "Bit";
constexpr int WORDBITS = key::bit63 - key::bit0 + 1;

int bitnamed(std::string_view name)
{
    const std::string_view prefix(BITNAME);
    if (name.size() <= prefix.size() || name.size() > prefix.size() + 2 ||
        !sametext(name.substr(0, prefix.size()), prefix))
        return 0;
    const std::string_view digits = name.substr(prefix.size());
    if (digits.size() > 1 && digits[0] == '0')
        return 0;
    int bit = 0;
    for (char c : digits) {
        if (c < '0' || c > '9')
            return 0;
        bit = bit * 10 + (c - '0');
    }
    return bit < WORDBITS ? bitkey(bit) : 0;
}

}  // namespace

int namedkey(std::string_view name)
{
    if (sametext(name, GROUPINGNAME))
        return key::grouping;
    if (const int code = bitnamed(name); code != 0)
        return code;
    // The first match wins: "C" is clear all (1001) before the digit C.
    for (int i = 0; i < keybuttoncount; ++i) {
        if (sametext(name, withoutmark(keybuttons[i].label)))
            return keybuttons[i].code;
    }
    return 0;
}

const char* keylabel(int code)
{
    for (int i = 0; i < keybuttoncount; ++i) {
        if (keybuttons[i].code == code)
            return keybuttons[i].label;
    }
    return nullptr;
}

std::string keyname(int code)
{
    if (code == key::grouping)
        return GROUPINGNAME;
    if (const int bit = keybit(code); bit >= 0)
        return BITNAME + std::to_string(bit);
    const char* label = keylabel(code);
    return label != nullptr ? withoutmark(label) : std::string();
}

char keydigit(int code)
{
    for (int value = 0; value < 16; ++value) {
        if (key::digits[value] == code)
            return DIGITCHARACTERS[value];
    }
    return 0;
}

int keybit(int code) { return code >= key::bit0 && code <= key::bit63 ? code - key::bit0 : -1; }
