// The paste reader on arbitrary text in every radix and word size: it never
// throws, a refusal types nothing, and every key it types is a key of the
// calculator. And a decimal number built from the input, pasted and
// evaluated, is the value the engine's own entry parser gives its text.
#include <string>
#include <string_view>

#include "calc/calculator.h"
#include "calc/keys.h"
#include "calc/paste.h"
#include "fuzzcheck.h"
#include "number/conversion.h"

namespace {

constexpr int radices[4] = {10, 16, 8, 2};
constexpr wordsize sizes[4] = {wordsize::qword, wordsize::dword, wordsize::word, wordsize::byte};

bool knownkey(int code) { return keylabel(code) != nullptr; }

// Digits from the input with a decimal point and an exponent: "123.45e-6".
std::string decimalfrom(const std::uint8_t* data, std::size_t size)
{
    std::string digits;
    for (std::size_t i = 2; i < size && digits.size() < 120; ++i)
        digits += static_cast<char>('0' + data[i] % 10);
    if (digits.empty())
        digits = "0";
    const std::size_t point = size > 0 ? data[0] % (digits.size() + 1) : digits.size();
    std::string text = digits.substr(0, point);
    if (point < digits.size())
        text += "." + digits.substr(point);
    if (text.front() == '.')
        text.insert(0, "0");
    const int exponent = size > 1 ? static_cast<int>(data[1]) - 128 : 0;
    if (exponent != 0)
        text += "e" + std::to_string(exponent);
    return text;
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

    // The oracle: the entry parser reads "1234,5e-6" without the reader.
    const std::string number = decimalfrom(data, size);
    Calculator calculator;
    calculator.paste(number + "=");
    std::string entry = number;
    for (char& c : entry) {
        if (c == '.')
            c = ',';
    }
    const std::string want = decimaltext(entrytonumber(entry), calculator.precision(), false);
    FUZZ_CHECK(calculator.display() == want);
    return 0;
}
