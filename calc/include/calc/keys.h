// Key codes of the calculator and the tables that map buttons, names and
// typed characters to them. The engine, the window and zelkc all read these
// tables; nothing dispatches on displayed text.
#pragma once

#include <string>
#include <string_view>

namespace key {
// Every key code is the identifier of the control that carries the key, in
// the order of the window's template; the gaps are identifiers of other
// controls or of none.
enum : int {
    clearall = 1001,  // "C"
    digit7,
    digit8,
    digit9,
    digit4,
    digit5,
    digit6,
    digit1,
    digit2,
    digit3,
    digit0,
    sign,   // "+/-"
    point,  // the decimal comma
    divide,
    multiply,
    subtract,
    add,
    clearentry,  // "CE"
    backspace,
    memoryclear,   // "MC"
    memoryrecall,  // "MR"
    memorystore,   // "MS"
    memoryadd,     // "M+"
    mod,
    bitor_,
    lsh,
    equals,
    bitand_,
    bitxor,
    bitnot,
    integer,  // "Int"
    digitA,
    digitB,
    digitC,
    digitD,
    digitE,
    digitF,
    pi = 1039,
    closeparen,
    openparen,
    exponent,  // "EE"
    power,     // "x^y"
    ln,
    log,
    factorial,   // "n!"
    cube,        // "x^3"
    reciprocal,  // "1/x"
    square,      // "x^2"
    sin,
    cos,
    tan,
    degrees,
    radians,
    grads,
    hex,
    dec,
    oct,
    bin,
    dms,
    inv,
    hyp,
    qword = 1070,
    dword,
    word,
    byte,
    // The bit keys of the integer radices: bit0 + n toggles bit n of the
    // word, n below 64 (1100 to 1163, between the template's controls and
    // the menu's commands).
    bit0 = 1100,
    bit63 = bit0 + 63,
    grouping = 32797,  // the menu's "Digit grouping", a key of the engine's
};

// The digit keys by the value they type, 0 to F.
inline constexpr int digits[16] = {digit0, digit1, digit2, digit3, digit4, digit5, digit6, digit7,
                                   digit8, digit9, digitA, digitB, digitC, digitD, digitE, digitF};
}  // namespace key

// A control that sends a key: its identifier and its text as the window
// shows it ('&' marks the mnemonic).
struct keybutton {
    int code;
    const char* label;
};

// Every push button, radio button and check box that sends a key code.
extern const keybutton keybuttons[];
extern const int keybuttoncount;

// Where a typed character comes from.
enum class keysource {
    keyboard,  // a key press in the window
    paste,     // the window's paste, and the characters zelkc types
};

// How a character of the character table types its key.
enum class keytyping : unsigned char {
    anywhere,  // pasted and from the keyboard alike
    keyboard,  // from the keyboard only
    byradix,   // EE in the decimal radix, the digit in the others
};

struct keycharacter {
    char character;  // letters in upper case: either case types the key
    int code;
    keytyping typing;
};

// Every character that stands for a key, grouped as zelkc --help lists them.
extern const keycharacter keycharacters[];
extern const int keycharactercount;

// The key that character c stands for when it comes from `source` into an
// engine in `radix`, or 0 when it stands for none. Only 'E' reads the radix:
// it is EE in the decimal radix and the digit E in the others.
int characterkey(char c, keysource source, int radix);

// The key whose button text (without '&', case-insensitive) is `name`:
// "Hex", "x^y", "+/-", ","; "C" is clear all. "Grouping" is the digit
// grouping command, "Bit0" to "Bit63" the bit keys. 0 when there is none.
int namedkey(std::string_view name);

// The button text of a key with its mnemonic mark, or null for a key that
// has no button.
const char* keylabel(int code);
// The button text as a name for namedkey, without the mark; "Grouping" for
// the digit grouping command, "Bit5" for the key of bit 5.
std::string keyname(int code);

// The bit a bit key toggles, 0 to 63, or -1 for other keys; and the key of
// bit n.
int keybit(int code);
constexpr int bitkey(int bit) { return key::bit0 + bit; }

// The digit a digit key types ('0'..'9', 'A'..'F'), or 0 for other keys.
char keydigit(int code);
