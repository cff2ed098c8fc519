// Text to number and back: any bytes parse without crashing into a
// normalised number (or a documented error), the display of the number is
// the number correctly rounded and reads back as itself, and whatever the
// exponent form writes at a precision covering every digit reads back as
// the same number.
#include <cstdint>
#include <cstring>
#include <string>

#include "fuzzcheck.h"
#include "number/addition.h"
#include "number/conversion.h"
#include "number/multiplication.h"

using namespace num;

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
        FUZZ_CHECK(std::strcmp(e.message(), "number overflow") == 0);
        return 0;
    }
    FUZZ_CHECK(!shown.empty());

    // The display is the value x rounds to: it reads back as displayed(x),
    // lies within half a unit of its last digit from x (halves away from
    // zero), and shows itself again.
    std::string plain;
    for (char c : shown) {
        if (c != '.')
            plain += c;
    }
    number r;
    try {
        r = entrytonumber(plain);
    } catch (const numberexception& e) {
        // The entry takes exponents up to 799999992, the numbers a little more.
        FUZZ_CHECK(std::strncmp(e.message(), "exponent too big", 16) == 0);
        return 0;
    }
    FUZZ_CHECK(r == displayed(x, precision));
    const std::size_t e = plain.find('e');
    const std::size_t comma = plain.find(',');
    const std::size_t end = e == std::string::npos ? plain.size() : e;
    // Places after the comma; without one, less the zeros that end the digits.
    std::int32_t decimals = 0;
    if (comma != std::string::npos) {
        decimals = static_cast<std::int32_t>(end - comma - 1);
    } else {
        for (std::size_t i = end; i > 0 && plain[i - 1] == '0' && i > 1; --i)
            --decimals;
    }
    const std::int32_t exponent =
        e == std::string::npos ? 0 : static_cast<std::int32_t>(std::stol(plain.substr(e + 1)));
    if (exponent - decimals > MIN_EXPO * 8 + 16) {
        const number unit = powerof10(exponent - decimals);
        const number off = abs(x - r) + abs(x - r);
        FUZZ_CHECK(off <= unit);
        FUZZ_CHECK(off < unit || compareabs(r, x) > 0);
    }
    std::string again = decimaltext(r, precision, (data[0] & 0x80) != 0);
    if (r.iszero() && shown.front() == '-')
        again.insert(0, "-");
    FUZZ_CHECK_EQ(again, shown);

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
