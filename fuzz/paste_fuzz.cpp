// The paste reader on arbitrary text in every radix and word size: it never
// throws, a refusal types nothing, and every key it types is a key of the
// calculator. And a decimal number built from the input, pasted and
// evaluated, is the value the engine's own entry parser gives its text: the
// number written in a random accepted style, with group separators, a
// decimal point or comma, an exponent, a sign or a prefix.
#include <algorithm>
#include <cstdio>
#include <string>
#include <string_view>

#include "calc/calculator.h"
#include "calc/keys.h"
#include "calc/paste.h"
#include "fuzzcheck.h"
#include "number/conversion.h"

using namespace num;

namespace {

constexpr int radices[4] = {10, 16, 8, 2};
constexpr wordsize sizes[4] = {wordsize::qword, wordsize::dword, wordsize::word, wordsize::byte};

bool knownkey(int code) { return keylabel(code) != nullptr; }

// A number from the input, written as people write numbers: its value as
// the entry parser reads it ("-1234,5e-6"), and its text in a style the
// reader accepts, with groups of three, a point or a comma, an exponent in
// one of its forms, a sign, or a 0x, 0o, 0b prefix for integers.
struct styled {
    std::string value;
    std::string text;
};

styled numberfrom(const std::uint8_t* data, std::size_t size)
{
    const auto at = [&](std::size_t i) -> std::uint32_t { return i < size ? data[i] : 0; };
    const std::uint32_t style = at(0), shape = at(1);
    std::string digits;
    for (std::size_t i = 3; i < size && digits.size() < 60; ++i)
        digits += static_cast<char>('0' + data[i] % 10);
    digits.erase(0, std::min(digits.find_first_not_of('0'), digits.size()));
    if (digits.empty())
        digits = "0";
    const bool negative = (style & 1) != 0;
    const char* minus = (style & 2) != 0 ? "\u2212" : "-";
    styled n;
    if ((shape & 7) == 7 && digits.size() <= 18) {
        // An integer with a prefix.
        const std::uint64_t v = std::stoull(digits);
        static constexpr const char* prefixes[3] = {"0x", "0o", "0b"};
        static constexpr int bases[3] = {16, 8, 2};
        const int which = static_cast<int>((style >> 2) % 3);
        std::string text;
        for (std::uint64_t u = v; u != 0 || text.empty(); u /= bases[which])
            text.insert(text.begin(), "0123456789ABCDEF"[u % bases[which]]);
        n.value = (negative ? "-" : "") + std::to_string(v);
        n.text = (negative ? minus : "") + std::string(prefixes[which]) + text;
        return n;
    }
    const std::size_t point = 1 + (shape >> 3) % digits.size();
    const std::string whole = digits.substr(0, point), fraction = digits.substr(point);
    // Groups only where no reading could take a separator for the point:
    // two of them or more, or a point of the other kind after them.
    static constexpr const char* separators[8] = {",",      ".",      " ", "\u00a0",
                                                  "\u2009", "\u202f", "'", "_"};
    const char* separator = separators[(style >> 2) & 7];
    const bool comma = (style & 0x20) != 0;
    const bool sameaspoint = std::string(separator) == (comma ? "," : ".");
    const bool group = (style & 0x40) != 0 && !sameaspoint &&
                       (whole.size() > 6 || (whole.size() > 3 && !fraction.empty()));
    std::string text;
    for (std::size_t i = 0; i < whole.size(); ++i) {
        if (group && i > 0 && (whole.size() - i) % 3 == 0)
            text += separator;
        text += whole[i];
    }
    if (!fraction.empty())
        text += (comma ? "," : ".") + fraction;
    std::string exponent;
    if (shape & 1) {
        const int e = static_cast<int>(at(2)) - 128;
        exponent = std::to_string(e < 0 ? -e : e);
        const char* marks[3] = {"e", "E", "e+"};
        text += marks[(shape >> 1) % (e < 0 ? 2 : 3)];
        if (e < 0)
            text += (style & 0x80) != 0 ? "\u2212" : "-";
        text += exponent;
        exponent = (e < 0 ? "e-" : "e+") + exponent;
    }
    // One '.' between a short first group and three digits, with no
    // exponent, is how the calculator writes a grouped integer, and reads
    // back as that integer.
    const bool owngrouped = !comma && !group && !(shape & 1) && fraction.size() == 3 &&
                            whole.size() <= 3 && whole[0] != '0';
    if (owngrouped)
        n.value = (negative ? "-" : "") + whole + fraction;
    else
        n.value =
            (negative ? "-" : "") + whole + (fraction.empty() ? "" : "," + fraction) + exponent;
    n.text = (negative ? minus : "") + text;
    return n;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1)
        return 0;
    pastetarget target;
    target.radix = radices[data[0] & 3];
    target.size = sizes[(data[0] >> 2) & 3];
    target.signfirst = (data[0] & 16) != 0;
    const std::string_view text(reinterpret_cast<const char*>(data) + 1, size - 1);
    const pastekeys read = readpaste(text, target);
    FUZZ_CHECK(read.refusal == nullptr || read.keys.empty());
    for (int code : read.keys)
        FUZZ_CHECK(knownkey(code));

    // The round trip: a number in any accepted style types its value.
    const styled number = numberfrom(data, size);
    Calculator calculator;
    calculator.paste(number.text + "=");
    const std::string want =
        decimaltext(entrytonumber(number.value), calculator.precision(), false);
    if (calculator.display() != want)
        std::fprintf(stderr, "pasted \"%s\"\n", number.text.c_str());
    FUZZ_CHECK_EQ(calculator.display(), want);
    return 0;
}
