// Key sequences into a fresh calculator. Nothing crashes, nothing escapes
// presskey, and the stacks stay bounded; the shown value after = is a
// well-formed display at its precision; the same keys on a second
// calculator show the same displays, key by key. An input whose second byte
// is odd is instead one operation or function of typed operands, whose
// display at P must be its display at P + 30 correctly rounded to P digits.
#include <cstdint>
#include <string>
#include <vector>

#include "keyfuzz.h"

namespace {

// Types the keys of the input, and returns the display after each.
std::vector<std::string> typeinput(Calculator& c, const std::uint8_t* data, std::size_t size)
{
    std::vector<std::string> shown;
    for (std::size_t i = 0; i < size && shown.size() < MAXKEYS; ++i) {
        const int code = keyfrom(data[i], c);
        if (code == 0)
            continue;
        c.presskey(code);
        trace(code, c);
        checkstate(c);
        shown.push_back(c.display());
    }
    c.presskey(key::equals);
    checkstate(c);
    shown.push_back(c.display());
    return shown;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static watchdog dog;
    if (size < 2)
        return 0;
    const int precision = precisionfrom(data[0], data[1]);
    if (data[1] & 1) {
        checkrounding(operationfrom(data + 2, data + size), precision, dog);
        return 0;
    }
    Calculator first;
    first.setprecision(precision);
    dog.arm(INPUTMILLISECONDS);
    const std::vector<std::string> shown = typeinput(first, data + 2, size - 2);
    if (dog.disarm())
        return 0;
    checkvaluedisplay(first);

    // No state outside the calculator changes what it shows (checked on
    // every other input, to keep the pace).
    if (data[1] & 2)
        return 0;
    Calculator second;
    second.setprecision(precision);
    dog.arm(2 * INPUTMILLISECONDS);
    const std::vector<std::string> again = typeinput(second, data + 2, size - 2);
    if (!dog.disarm())
        FUZZ_CHECK(again == shown);
    return 0;
}
