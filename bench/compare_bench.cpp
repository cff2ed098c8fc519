// The computations of the side-by-side comparison (bench/compare), one
// benchmark per task and digit count: "compare/TASK/DIGITS". The caches of pi
// and ln 10 are cleared before every call, back to their tables, as a fresh
// process starts with them.
//
// Besides the Google Benchmark flags:
//   --compare_digits=40,1000,6000   digit counts to register (default these and
//                                   20000, 100000, 1000000; each task runs at
//                                   its own among them)
//   --compare_print=TASK/DIGITS     compute once and print the result (decimal
//                                   comma, as the display), for checking
//   --compare_list                  print the task names
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "calc/calculator.h"
#include "calc/keytext.h"
#include "number/conversion.h"
#include "number/exponential.h"
#include "number/gamma.h"
#include "number/inversetrig.h"
#include "number/multiplication.h"
#include "number/powers.h"
#include "number/trigonometric.h"

using namespace num;

namespace {

// An integer of `digits` decimal digits, the first non-zero, from a linear
// congruential generator; bench/compare/compare.py and the MPFR program make
// the same operands.
std::string operand(int digits, std::uint32_t seed)
{
    std::string text;
    std::uint32_t s = seed;
    for (int i = 0; i < digits; ++i) {
        s = s * 1103515245u + 12345u;
        const std::uint32_t r = s >> 16;
        text += static_cast<char>(i == 0 ? '1' + r % 9 : '0' + r % 10);
    }
    return text;
}

// One task at d digits: the computation, and the digits to print its result with.
struct work {
    std::function<number()> compute;  // through the digit wrappers
    std::string keys;                 // or through the engine's keys
    int printdigits = 0;
};

// The digit counts of the functions; the product and pi also run far
// beyond the calculator's 6000 digits.
const std::vector<int> FUNCTIONDIGITS = {40, 1000, 6000};

struct task {
    const char* name;
    std::function<work(int)> make;  // the work for a digit count
    std::vector<int> digits = FUNCTIONDIGITS;
};

work wrapper(std::function<number()> f, int d) { return work{std::move(f), std::string(), d}; }

const std::vector<task>& tasks()
{
    static const std::vector<task> list = {
        {"sqrt2", [](int d) { return wrapper([d] { return sqrtprec(number(2), d); }, d); }},
        {"exp1", [](int d) { return wrapper([d] { return expprec(number(1), d); }, d); }},
        {"ln2", [](int d) { return wrapper([d] { return lnprec(number(2), d); }, d); }},
        {"log10_7",
         [](int d) { return wrapper([d] { return logprec(number(10), number(7), d); }, d); }},
        {"pow2_0.5",
         [](int d) { return wrapper([d] { return powprec(number(2), number("0.5"), d); }, d); }},
        {"pow3_0.7",
         [](int d) { return wrapper([d] { return powprec(number(3), number("0.7"), d); }, d); }},
        // As the PI key asks for it: from the table up to 6400 digits.
        {"pi",
         [](int d) { return wrapper([d] { return pi(powerof10(-d)); }, d); },
         {40, 1000, 6000, 100000, 1000000}},
        {"sin1", [](int d) { return wrapper([d] { return sinprec(number(1), d); }, d); }},
        {"cos1", [](int d) { return wrapper([d] { return cosprec(number(1), d); }, d); }},
        {"tan1", [](int d) { return wrapper([d] { return tanprec(number(1), d); }, d); }},
        {"atan1", [](int d) { return wrapper([d] { return atanprec(number(1), d); }, d); }},
        {"asin0.5", [](int d) { return wrapper([d] { return asinprec(number("0.5"), d); }, d); }},
        {"acos0.5", [](int d) { return wrapper([d] { return acosprec(number("0.5"), d); }, d); }},
        // The hyperbolic functions live in the engine: typed as keys.
        {"sinh1",
         [](int d) {
             return work{nullptr, "1[Hyp][sin]", d};
         }},
        {"asinh1",
         [](int d) {
             return work{nullptr, "1[Hyp][Inv][sin]", d};
         }},
        // Gamma(0.5) as the n! key computes it: (-0.5)!.
        {"gamma0.5",
         [](int d) { return wrapper([d] { return factorial(number("-0.5"), d); }, d); },
         {40, 1000}},
        {"fact1000", [](int d) { return wrapper([d] { return factorial(number(1000), d); }, d); }},
        {"1/7",
         [](int d) { return wrapper([d] { return quotprec(number(1), number(7), d); }, d); }},
        {"a/b",
         [](int d) {
             number a(operand(d, 1).c_str()), b(operand(d, 2).c_str());
             return wrapper([a, b, d] { return quotprec(a, b, d); }, d);
         }},
        // The exact product of two d-digit integers.
        {"a*b",
         [](int d) {
             number a(operand(d, 3).c_str()), b(operand(d, 4).c_str());
             return wrapper([a, b] { return a * b; }, 2 * d);
         },
         {1000, 6000, 20000, 100000, 1000000}},
        // A reduction that needs pi to a million digits.
        {"sin_huge",
         [](int d) { return wrapper([d] { return sinprec(powerof10(1000000), d); }, d); },
         {40}},
    };
    return list;
}

const task* findtask(const std::string& name)
{
    for (const task& t : tasks())
        if (name == t.name)
            return &t;
    return nullptr;
}

bool hasdigits(const task& t, int d)
{
    return std::find(t.digits.begin(), t.digits.end(), d) != t.digits.end();
}

std::string typed(const std::string& keys, int d)
{
    std::vector<keystroke> strokes;
    std::string error;
    if (!parsekeytext(keys, strokes, error)) {
        std::fprintf(stderr, "compare_bench: %s\n", error.c_str());
        std::exit(2);
    }
    Calculator calculator;
    calculator.setprecision(d);
    typekeys(calculator, strokes);
    return calculator.display();
}

void run(benchmark::State& state, const task* t, int d)
{
    const work w = t->make(d);
    std::vector<keystroke> strokes;
    std::string error;
    if (!w.compute)
        parsekeytext(w.keys, strokes, error);
    for (auto _ : state) {
        clearpicache();
        clearln10cache();
        if (w.compute) {
            benchmark::DoNotOptimize(w.compute());
        } else {
            Calculator calculator;
            calculator.setprecision(d);
            typekeys(calculator, strokes);
            benchmark::DoNotOptimize(calculator.display());
        }
    }
}

constexpr long MAXDIGITS = 1000000;

std::vector<int> parsedigits(const char* text)
{
    std::vector<int> digits;
    for (const char* p = text; *p;) {
        char* end = nullptr;
        long v = std::strtol(p, &end, 10);
        if (end == p || v < 1 || v > MAXDIGITS) {
            std::fprintf(stderr, "compare_bench: bad digit list %s\n", text);
            std::exit(2);
        }
        digits.push_back(static_cast<int>(v));
        p = *end == ',' ? end + 1 : end;
        if (*end != ',' && *end != '\0') {
            std::fprintf(stderr, "compare_bench: bad digit list %s\n", text);
            std::exit(2);
        }
    }
    return digits;
}

int printresult(const std::string& which)
{
    const auto slash = which.rfind('/');
    const task* t = slash == std::string::npos ? nullptr : findtask(which.substr(0, slash));
    if (t == nullptr) {
        std::fprintf(stderr, "compare_bench: unknown task in %s\n", which.c_str());
        return 2;
    }
    const int d = parsedigits(which.c_str() + slash + 1).at(0);
    const work w = t->make(d);
    try {
        const std::string text =
            w.compute ? decimaltext(w.compute(), w.printdigits, false) : typed(w.keys, d);
        std::printf("%s\n", text.c_str());
    } catch (const numberexception& e) {
        std::printf("error: %s\n", e.message());
    } catch (const calculatorexception& e) {
        std::printf("error: %s\n", e.message());
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    std::vector<int> digits = {40, 1000, 6000, 20000, 100000, 1000000};
    std::vector<char*> rest;
    for (int i = 0; i < argc; ++i) {
        const char* a = argv[i];
        if (std::strncmp(a, "--compare_digits=", 17) == 0) {
            digits = parsedigits(a + 17);
        } else if (std::strncmp(a, "--compare_print=", 16) == 0) {
            return printresult(a + 16);
        } else if (std::strcmp(a, "--compare_list") == 0) {
            for (const task& t : tasks())
                std::printf("%s\n", t.name);
            return 0;
        } else {
            rest.push_back(argv[i]);
        }
    }
    for (const task& t : tasks())
        for (int d : digits)
            if (hasdigits(t, d))
                benchmark::RegisterBenchmark(
                    ("compare/" + std::string(t.name) + "/" + std::to_string(d)).c_str(), run, &t,
                    d)
                    ->Unit(benchmark::kMicrosecond);
    int n = static_cast<int>(rest.size());
    benchmark::Initialize(&n, rest.data());
    if (benchmark::ReportUnrecognizedArguments(n, rest.data()))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
