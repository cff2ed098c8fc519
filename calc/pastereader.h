// The first half of the paste reader: pasted text as the numbers and
// operator keys it holds, in order. A number is read as written (its base,
// digits, separators, sign and exponent) and refused where its grouping or
// its digits leave a doubt; what the entry makes of it is the typist's
// (pastetypist.h).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "calc/paste.h"

// A number as written in the text.
struct numbertext {
    int base = 10;          // of its digits: the radix, or its prefix's
    bool prefixed = false;  // 0x, 0o, 0b
    bool grouped = false;   // it had separators
    bool negative = false;  // a sign before it
    std::string whole;      // digits before the decimal separator, '0'..'9' 'A'..'F'
    bool point = false;     // a decimal separator was read
    std::string fraction;   // digits after it
    bool exponent = false;  // e or E and digits after the mantissa
    bool exponentnegative = false;
    std::string exponentdigits;
};

// One thing the text holds: a key that is not part of a number, or a number.
struct pastetoken {
    int code = 0;  // the key, or 0 for `number`
    numbertext number;
};

// The radix conversion of the reader: `digits` of `base` as decimal digits,
// without leading zeros ("" for 0).
std::string todecimal(std::string_view digits, int base);

std::string withoutleadingzeros(std::string_view digits);

class pastereader {
public:
    pastereader(std::string_view utf8, const pastetarget& target);

    // The next token, or false at the end of the text or on a refusal.
    bool next(pastetoken& token);
    // Why the text is refused, or null.
    const char* refusal() const { return m_refusal; }

private:
    std::u32string m_text;
    std::size_t m_next = 0;  // the first character not read
    int m_radix;
    // A '-' before a number is its sign: at the start where the target
    // has no entry in progress, and after the keys that start an operand.
    bool m_signok;
    const char* m_refusal = nullptr;

    char32_t at(std::size_t i) const { return i < m_text.size() ? m_text[i] : 0; }
    bool decimal() const { return m_radix == 10; }
    bool refuse(const char* why);
    int keyof(char32_t c) const;
    bool numberstarts(std::size_t i) const;
    bool letterbefore(std::size_t i) const;
    bool readnumber(std::size_t& i, numbertext& n);
    bool readprefixed(std::size_t& i, numbertext& n);
    bool exponentstarts(std::size_t i) const;
    bool checkafter(std::size_t i, const numbertext& n);
    bool readgroups(std::size_t& i, numbertext& n, bool decimalmark);
    bool splitgroups(std::vector<std::string>& groups, const std::u32string& separators,
                     numbertext& n, bool decimalmark, bool exponentafter);
};
