// zelkc's command line and standard input. The bytes before the first NUL
// are the arguments, one a line; the rest is standard input. Reading the
// options either succeeds or gives a message; every line of the input gives
// exactly one display or one "zelkc: line N: ..." for its own N, in order,
// and the status is 2 exactly when some line was not typed. Lines are
// limited to 64 bytes here, so that the limit is reached.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "calc/calculator.h"
#include "calc/keytext.h"
#include "keyfuzz.h"
#include "session.h"

using namespace num;

namespace {

constexpr std::size_t FUZZLINE = 64;

std::vector<std::string> linesof(std::string_view text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos)
            end = text.size();
        lines.emplace_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

// What a FILE written by open_memstream holds once closed.
struct memoryfile {
    char* text = nullptr;
    std::size_t size = 0;
    std::FILE* file = open_memstream(&text, &size);
    std::string close()
    {
        std::fclose(file);
        std::string s(text, size);
        std::free(text);
        return s;
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static watchdog dog;
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t nul = input.find('\0');
    const std::string_view arguments = nul == std::string_view::npos ? "" : input.substr(0, nul);
    const std::string_view standardinput =
        nul == std::string_view::npos ? input : input.substr(nul + 1);

    zelkcoptions options;
    std::string error;
    if (!readoptions(linesof(arguments), options, error)) {
        FUZZ_CHECK(!error.empty());
        return 0;
    }
    FUZZ_CHECK(options.precision == 0 || (options.precision >= Calculator::MINPRECISION &&
                                          options.precision <= Calculator::MAXPRECISION));
    if (options.what != zelkcoptions::request::type)
        return 0;

    Calculator calculator;
    // The keys are the key fuzzers' work: here they run at short precisions.
    const int asked = options.precision == 0 ? Calculator::STARTPRECISION : options.precision;
    calculator.setprecision(1 + asked % 60);
    const strokestyper type = [](Calculator& c, const std::vector<keystroke>& strokes) {
        typekeys(c, strokes);
        checkstate(c);
    };
    // Lines and their displays are the subject here, not the keys: all the
    // lines together have the time of one key input.
    dog.arm(INPUTMILLISECONDS);
    for (const std::string& k : options.keys) {
        std::vector<keystroke> strokes;
        FUZZ_CHECK(parsekeytext(k, strokes, error));
        type(calculator, strokes);
    }
    if (standardinput.empty()) {
        dog.disarm();
        return 0;
    }

    const std::string text(standardinput);
    std::FILE* in = fmemopen(const_cast<char*>(text.data()), text.size(), "r");
    memoryfile out, err;
    const int status = typelines(calculator, in, out.file, err.file, type, FUZZLINE);
    dog.disarm();
    std::fclose(in);
    const std::vector<std::string> shown = linesof(out.close());
    const std::vector<std::string> refused = linesof(err.close());

    // Line by line: a display for each line typed, a message for each other.
    const std::vector<std::string> lines = linesof(text);
    FUZZ_CHECK(shown.size() + refused.size() == lines.size());
    FUZZ_CHECK((status == 2) == !refused.empty());
    FUZZ_CHECK(status == 0 || status == 2);
    std::size_t next = 0;
    for (std::size_t n = 1; n <= lines.size(); ++n) {
        const std::string prefix = "zelkc: line " + std::to_string(n) + ": ";
        if (next < refused.size() && refused[next].rfind(prefix, 0) == 0)
            ++next;
    }
    FUZZ_CHECK(next == refused.size());
    return 0;
}
