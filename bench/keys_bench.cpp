// Every scientific key through the engine's presskey, at 40, 1000 and 6000
// digits, with the caches of pi and ln 10 cold: what a user waits for.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "calc/calculator.h"
#include "calc/keytext.h"
#include "keystrokes.h"
#include "number/exponential.h"
#include "number/trigonometric.h"

using namespace num;

namespace {

struct keybench {
    const char* name;
    const char* setup;  // keys typed before the timed one
    const char* timed;  // the key timed
};

// The argument is typed first; the last key of each entry is measured.
const keybench keys[] = {
    {"ln", "2", "[ln]"},
    {"e^x", "2[Inv]", "[ln]"},
    {"log", "7", "[log]"},
    {"10^x", "0,5[Inv]", "[log]"},
    {"x^2", "1,2345678901234567", "[x^2]"},
    {"sqrt", "2[Inv]", "[x^2]"},
    {"x^3", "1,2345678901234567", "[x^3]"},
    {"cbrt", "2[Inv]", "[x^3]"},
    {"1/x", "7", "[1/x]"},
    {"n!", "100", "[n!]"},
    {"gamma", "0,5", "[n!]"},
    {"gamma of a large half-integer", "100000,5", "[n!]"},
    {"gamma of a full-length fraction", "1/3=", "[n!]"},
    {"sin", "1", "[sin]"},
    {"cos", "1", "[cos]"},
    {"tan", "1", "[tan]"},
    {"asin", "0,5[Inv]", "[sin]"},
    {"acos", "0,5[Inv]", "[cos]"},
    {"atan", "2[Inv]", "[tan]"},
    {"sinh", "1[Hyp]", "[sin]"},
    {"cosh", "1[Hyp]", "[cos]"},
    {"tanh", "1[Hyp]", "[tan]"},
    {"asinh", "1[Hyp][Inv]", "[sin]"},
    {"acosh", "2[Hyp][Inv]", "[cos]"},
    {"atanh", "0,5[Hyp][Inv]", "[tan]"},
    {"PI", "", "[PI]"},
    {"dms", "12,3456", "[dms]"},
    {"x^y", "3y0,7", "="},
    {"root", "2[Inv]y3", "="},
    {"divide", "1/7", "="},
};

void BM_key(benchmark::State& state)
{
    const keybench& k = keys[state.range(1)];
    const auto digits = static_cast<int>(state.range(0));
    const auto setup = strokes(k.setup);
    const auto timed = strokes(k.timed);
    for (auto _ : state) {
        state.PauseTiming();
        Calculator calculator;
        calculator.setprecision(digits);
        typekeys(calculator, setup);
        clearpicache();
        clearln10cache();
        state.ResumeTiming();
        typekeys(calculator, timed);
        benchmark::DoNotOptimize(calculator.display());
    }
    state.SetLabel(std::string(k.name) + " P=" + std::to_string(digits));
}

void allkeys(benchmark::internal::Benchmark* b)
{
    for (int digits : {40, 1000, 6000})
        for (int i = 0; i < static_cast<int>(sizeof keys / sizeof keys[0]); ++i)
            b->Args({digits, i});
    b->Unit(benchmark::kMillisecond);
}
BENCHMARK(BM_key)->Apply(allkeys);

// Pasted text through the engine's paste, as the worker runs a paste.
struct pastebench {
    const char* name;
    std::string text;
};

std::string counting(std::size_t n)
{
    std::string s;
    while (s.size() < n)
        s += "1234567890";
    s.resize(n);
    return s;
}

std::string grouped(std::size_t n)
{
    std::string s = "1";
    while (s.size() + 4 <= n)
        s += ".234";
    return s + ",5";
}

std::string sums(std::size_t n)
{
    std::string s = "1";
    while (s.size() + 2 <= n)
        s += "+1";
    return s + "=";
}

const pastebench pastes[] = {
    {"6000 digits", counting(6000) + "="},
    {"6000 grouped", grouped(6000) + "="},
    {"6000 sums", sums(6000)},
    {"10000 digits", counting(10000) + "="},
    {"0x and 6000 hex digits", "0x" + counting(6000) + "="},
};

void BM_paste(benchmark::State& state)
{
    const pastebench& p = pastes[state.range(1)];
    const auto digits = static_cast<int>(state.range(0));
    for (auto _ : state) {
        Calculator calculator;
        calculator.setprecision(digits);
        calculator.paste(p.text);
        benchmark::DoNotOptimize(calculator.display());
    }
    state.SetLabel(std::string(p.name) + " P=" + std::to_string(digits));
}

void allpastes(benchmark::internal::Benchmark* b)
{
    for (int digits : {40, 6000})
        for (int i = 0; i < static_cast<int>(sizeof pastes / sizeof pastes[0]); ++i)
            b->Args({digits, i});
    b->Unit(benchmark::kMillisecond);
}
BENCHMARK(BM_paste)->Apply(allpastes);

}  // namespace
