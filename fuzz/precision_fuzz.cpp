// Key sequences with precision changes between the keys, up to the longest
// precision. Besides the checks of every key (bounded stacks, a
// well-formed display after each change), a change of precision loses
// nothing: going to another precision and back shows the same display as
// before, and a second calculator typing the same input shows the same.
#include <cstdint>
#include <string>
#include <vector>

#include "keyfuzz.h"

namespace {

// The byte that stands for a change of precision; the two after it give it.
constexpr std::uint8_t CHANGE = 0xBE;

std::vector<std::string> typeinput(Calculator& c, const std::uint8_t* data, std::size_t size,
                                   watchdog& dog)
{
    std::vector<std::string> shown;
    for (std::size_t i = 0; i < size && shown.size() < MAXKEYS; ++i) {
        if (data[i] == CHANGE && i + 2 < size) {
            // Mostly to short precisions, one change in thirty-two anywhere.
            const int next = data[i + 1] < 0xF8
                                 ? 1 + (data[i + 1] * 256 + data[i + 2]) % 40
                                 : 1 + (data[i + 1] * 256 + data[i + 2]) % Calculator::MAXPRECISION;
            i += 2;
            const int before = c.precision();
            c.setprecision(before);  // ends any entry: the value as shown at `before`
            const std::string was = c.display();
            // An entry that cannot be read shows its error; the change clears it.
            const bool unread = c.error();
            c.setprecision(next);
            checkstate(c);
            checkvaluedisplay(c);
            const std::string there = c.display();
            c.setprecision(before);
            if (!dog.fired() && !unread)
                FUZZ_CHECK_EQ(c.display(), was);
            c.setprecision(next);
            shown.push_back(there);
            continue;
        }
        pressbyte(c, data[i], shown);
    }
    return shown;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static watchdog dog;
    if (size < 1)
        return 0;
    typeandcompare(1 + data[0] % 40, (data[0] & 0xC0) == 0, dog,
                   [&](Calculator& c) { return typeinput(c, data + 1, size - 1, dog); });
    return 0;
}
