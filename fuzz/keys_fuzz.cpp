// Key sequences into a fresh calculator. Nothing crashes, nothing escapes
// presskey, and the stacks stay bounded; the shown value after = is a
// well-formed display at its precision; the same keys on a second
// calculator show the same displays, key by key. An input whose second byte
// is odd is instead one operation or function of typed operands, whose
// display at P must be its display at P + 30 correctly rounded to P digits,
// or (with its next bit set) sin, cos or tan beside a zero or a pole, whose
// display must be the first term of its series there.
#include <cstdint>
#include <string>
#include <vector>

#include "keyfuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static watchdog dog;
    if (size < 2)
        return 0;
    const int precision = precisionfrom(data[0], data[1]);
    if (data[1] & 1) {
        if (data[1] & 2)
            checknearzero(data + 2, data + size, precision, dog);
        else
            checkrounding(operationfrom(data + 2, data + size), precision, dog);
        return 0;
    }
    // The second calculator on every fourth input, to keep the pace.
    typeandcompare(precision, (data[1] & 6) == 0, dog, [&](Calculator& c) {
        std::vector<std::string> shown;
        for (std::size_t i = 2; i < size && shown.size() < MAXKEYS; ++i)
            pressbyte(c, data[i], shown);
        return shown;
    });
    return 0;
}
