// Numbers to text and back, and to and from machine integers and doubles.
// The number side uses '.' as its decimal point; the calculator's display
// uses ',' and swaps them at the border (decimaltext, entrytonumber).
// No conversion consults the locale.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "number.h"

namespace num {

// A growing character buffer that putnumber writes into. Starts with room
// for 1000 characters and doubles when full.
class numberstream {
public:
    numberstream();
    numberstream(const numberstream&) = delete;
    numberstream& operator=(const numberstream&) = delete;

    void put(char c);
    void put(const char* s);
    // The last character, or '\0' when empty.
    char last() const;
    void removelast();

    const char* text() const { return m_chars.get(); }
    std::int32_t length() const { return m_length; }
    std::int32_t capacity() const { return m_capacity; }

    // Digits after the decimal point that putnumber writes (before trailing
    // zeros are removed).
    std::int32_t precision = 6;

private:
    std::int32_t m_capacity = 1000;
    std::int32_t m_length = 0;
    std::unique_ptr<char[]> m_chars;
};

// Writes x with the stream's precision P: the fixed form (P decimal places)
// for leadpos -4..14, otherwise d.ddd...e+NN with P digits after the point;
// trailing zeros and a trailing point are removed. Ends with a NUL, which is
// counted in the stream's length.
void putnumber(numberstream& out, const number& x);

// The calculator's display of x at P digits: P + 1 significant digits
// (P decimal places below 1), decimal comma, optionally grouped.
std::string decimaltext(const number& x, std::int32_t precision, bool grouping);

// The value decimaltext writes for x: x rounded half away from zero to the
// last digit its display form shows.
number displayed(const number& x, std::int32_t precision);

// Inserts group separators: radix 10 '.' every 3 digits before the comma (or
// the exponent); radix 16 and 2 ' ' every 4, radix 8 ' ' every 3.
std::string groupdigits(const std::string& text, int radix);

// The engine's decimal entry text ("-12,5e+3") as a number.
number entrytonumber(const std::string& text);

double getdouble(const number& x);
std::int64_t getint64(const number& x);    // truncates towards zero
std::uint64_t getuint64(const number& x);  // truncates towards zero

}  // namespace num
