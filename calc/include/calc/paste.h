// The reader of pasted text. What a user copies from a spreadsheet, a
// program, a web page or this window becomes the keys that type the numbers
// and operators it holds: a grouped number is one number, an exponent is EE,
// a 0x prefix is converted, and a number the entry cannot hold is rounded to
// what it can. Text the reader cannot take as the user meant it is refused
// whole, so that no key of it is typed.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "calc/modes.h"

// The entry a paste lands on.
struct pastetarget {
    int radix = 10;
    ::wordsize size = ::wordsize::qword;
    // The mantissa being typed ("12,5", "-3"); empty when no entry is in
    // progress. A paste that starts with a number extends it.
    std::string entry;
    bool exponent = false;           // the entry's digits go to its exponent
    std::size_t exponentdigits = 0;  // digits typed after EE so far
    // A '-' right before a number at the start is its sign; false where the
    // text continues something typed before it.
    bool signfirst = true;
};

struct pastekeys {
    std::vector<int> keys;
    const char* refusal = nullptr;  // why nothing is typed: then keys is empty
};

// The refusals, in the style of the engine's other messages.
inline constexpr char PASTETOOBIG[] = "Pasted number too big for word size";
inline constexpr char PASTEUNREADABLE[] = "Cannot read pasted number";

// The keys that type `utf8` into `target`, or the refusal.
pastekeys readpaste(std::string_view utf8, const pastetarget& target);

// A display of the calculator in `radix` as it is copied for other
// programs: a number without its group separators ("1.234,5" is "1234,5",
// "FFFF FFFF" is "FFFFFFFF"), which they would read as decimal points; a
// message as it is.
std::string ungroupeddisplay(std::string_view display, int radix);

// The characters a paste reads as operators beyond the character table.
struct pasteoperator {
    char32_t character;
    const char* utf8;
    int code;
};
extern const pasteoperator pasteoperators[];
extern const int pasteoperatorcount;

// The keys after which a '-' before a number is its sign: the binary
// operators and '('.
bool startsoperand(int code);
