// The second half of the paste reader: the numbers and keys read from the
// text (pastereader.h) as the keys that type them into the entry as it
// stands. A number is typed as written where the entry holds it, rounded to
// fit where it starts a decimal entry, and refused where an entry in
// progress or the word size cannot take it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "calc/paste.h"
#include "pastereader.h"

class pastetypist {
public:
    explicit pastetypist(const pastetarget& target);

    // Types one token; false, with the refusal, where it cannot be typed.
    bool type(const pastetoken& token);
    const char* refusal() const { return m_refusal; }
    std::vector<int> takekeys() { return std::move(m_keys); }

private:
    // What the entry holds once the keys so far are typed.
    enum class entrymode { none, mantissa, exponent };

    int m_radix;
    ::wordsize m_size;
    std::vector<int> m_keys;
    const char* m_refusal = nullptr;

    entrymode m_mode = entrymode::none;
    std::size_t m_length = 0;  // characters of the mantissa
    bool m_comma = false;      // the mantissa holds the comma
    std::string m_digits;      // its digits, for the word size in the integer radices
    std::size_t m_exponentdigits = 0;

    bool decimal() const { return m_radix == 10; }
    bool refuse(const char* why);
    void press(int code) { m_keys.push_back(code); }
    void pressdigits(std::string_view digits);
    void typekey(int code);
    bool typenumber(const numbertext& n);
    void presswritten(std::string_view whole, const numbertext& n, const std::string& exponent,
                      std::size_t length);
    void typeexponent(bool negative, const std::string& digits);
    // Whether a decimal mantissa of `length` characters and `exponent` fit
    // the entry as written.
    static bool fitsentry(std::size_t length, std::string_view exponent);
    bool typedecimal(const numbertext& n);
    void typezero(const numbertext& n);
    void roundtofit(const std::string& whole, const numbertext& n, const std::string& exponent);
    std::uint64_t wordmax() const;
    bool fitsword(std::string_view digits, int base) const;
    bool typeinteger(const numbertext& n);
    bool extendmantissa(const numbertext& n);
    bool extendexponent(const numbertext& n);
};
