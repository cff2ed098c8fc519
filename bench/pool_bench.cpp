// An ordinary line, a number of P digits and =, typed through the engine in
// a fresh engine and in one that has just run a key whose numbers outgrew
// the prefilled limb nodes: the memory that key gave back must not slow
// the keys after it. The counter blocks is the pool's blocks held while the
// line runs.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "calc/calculator.h"
#include "calc/keytext.h"
#include "keystrokes.h"
#include "number/exponential.h"
#include "number/number.h"
#include "number/trigonometric.h"
#include "pool.h"

using namespace num;

namespace {

// Reduces by pi to 100000 digits: its numbers take a block beyond the
// prefilled nodes, and the numbers it keeps, the cached pi among them, hold
// part of that block.
constexpr const char* bigkey = "[Radians]1E100000[sin]";
constexpr int bigprecision = 6000;

void BM_line(benchmark::State& state)
{
    const auto digits = static_cast<int>(state.range(0));
    const bool afterbig = state.range(1) != 0;
    const auto line = strokes((std::string(static_cast<std::size_t>(digits), '1') + "=").c_str());
    {
        Calculator calculator;
        if (afterbig) {
            calculator.setprecision(bigprecision);
            typekeys(calculator, strokes(bigkey));
        }
        calculator.setprecision(digits);
        typekeys(calculator, line);  // the line once untimed: its display is what it replaces
        state.counters["blocks"] = static_cast<double>(limbpool::blocks());
        for (auto _ : state) {
            typekeys(calculator, line);
            benchmark::DoNotOptimize(calculator.display());
        }
    }
    // The next row starts from a pool without the big key's caches.
    clearpicache();
    clearln10cache();
    limbpool::trim();
    state.SetLabel(std::string(afterbig ? "after big key" : "fresh") +
                   " P=" + std::to_string(digits));
}

// Every fresh row first, while the process has never held a block.
void lines(benchmark::internal::Benchmark* b)
{
    for (int afterbig : {0, 1})
        for (int digits : {40, 1000, 6000})
            b->Args({digits, afterbig});
    b->Unit(benchmark::kMicrosecond);
}
BENCHMARK(BM_line)->Apply(lines);

}  // namespace
