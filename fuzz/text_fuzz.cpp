// Text to number and back: any bytes parse without crashing into a
// normalised number (or a documented error), and whatever the exponent form
// writes at a precision covering every digit reads back as the same number.
#include <cstdint>
#include <cstring>
#include <string>

#include "fuzzcheck.h"
#include "number/addition.h"
#include "number/conversion.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    // The first byte picks the display precision, the rest is the text.
    const int precision = 1 + data[0] % 120;
    std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
    number x;
    try {
        x = number(text.c_str());
    } catch (const numberexception& e) {
        FUZZ_CHECK(knownmessage(e.message()));
        return 0;
    }
    FUZZ_CHECK(normalised(x));

    std::string shown;
    try {
        shown = decimaltext(x, precision, (data[0] & 0x80) != 0);
    } catch (const numberexception& e) {
        // Only values at the very top of the range cannot round up.
        FUZZ_CHECK(std::strncmp(e.message(), "multpow10:invalid m_expo:", 25) == 0);
        return 0;
    }
    FUZZ_CHECK(!shown.empty());

    // Exponent form with enough digits after the point is exact.
    const std::int64_t digits = significantdigits(x);
    if (digits <= 2000) {
        numberstream out;
        out.precision = static_cast<std::int32_t>(digits);
        putnumber(out, x.iszero() ? x : scaled(x, -leadpos(x)));
        number back(out.text());
        FUZZ_CHECK(back == (x.iszero() ? x : scaled(x, -leadpos(x))));
    }
    return 0;
}
