// Keys with adversarial but valid arguments, which once ran for minutes or
// held gigabytes: the time of each through the engine (caches of pi and
// ln 10 cold) and, in the counter peak_MB, the peak resident memory of a
// process that runs it once (the benchmark's own few megabytes included).
#include <benchmark/benchmark.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "calc/calculator.h"
#include "calc/keytext.h"
#include "keystrokes.h"
#include "number/exponential.h"
#include "number/trigonometric.h"

using namespace num;

namespace {

struct runaway {
    const char* keys;
    int precision;
};

const runaway cases[] = {
    {"0,5[n!]", 40},
    {"0,5[n!]", 6000},
    {"100,5[n!]", 6000},
    {"0,5[+/-][n!]", 6000},
    {"1000,25[n!]", 6000},
    {"100000,5[+/-][n!]", 40},
    {"100000,5[+/-][n!]", 6000},
    {"1/3=[n!]", 40},
    {"1/3=[n!]", 1000},
    {"1/3=[n!]", 6000},
    {"2/3=[+/-][n!]", 6000},
    {"[pi][n!]", 6000},
    {"1/3=[+]1000=[n!]", 6000},
    {"1/3=[+]100000=[n!]", 6000},
    {"[Radians]1E1000000[+/-][sin]", 40},
    {"[Radians]1E1000000[+/-][sin]", 6000},
    {"[Degrees]1E1000000[+/-][sin]", 6000},
    {"[Radians]1E100000[+/-][tan]", 40},
    {"[Radians]1E100000[+/-][tan]", 6000},
    {"[Degrees]1E1000000[+/-][Inv][sin]", 40},
    {"[Degrees]1E1000000[+/-][Inv][sin]", 6000},
    {"[Radians]1E100000[sin]", 40},
    {"[Radians]1E100000[sin]", 6000},
    {"[Radians]1E100000[tan]", 6000},
    {"[Degrees]1E100000[sin]", 6000},
    {"1E199999999[Inv][tan]", 40},
    {"1E199999999[Inv][tan]", 6000},
    {"1E99999999[Inv][tan]", 6000},
    {"1E199999999[+/-][Inv][tan]", 6000},
    {"1E199999999[+/-][Inv][cos]", 6000},
    {"1,5E399999990[+/-][dms]", 40},
    {"1,5E399999990[+/-][dms]", 6000},
    {"1,5E399999990[+/-][Inv][dms]", 6000},
    {"1,5E399999990[dms]", 6000},
    {"1E-10000000[n!]", 40},
    {"1E-100000000[n!]", 40},
    {"1E-400000000[n!]", 40},
    {"1E-799999992[n!]", 40},
    {"1E-5000[n!]", 6000},
    {"1E799999992[n!]", 40},
    {"1E444289369[n!]", 40},
    {"1E309[n!]", 40},
    {"0,9999999999[dms]", 10},
    {"3,4999[dms]", 4},
    {"1E9[n!]", 40},
    {"1E9[n!]", 6000},
    {"10000000[n!]", 40},
    {"10000000[n!]", 6000},
    {"300000[n!]", 6000},
    {"1E7[+]0,5=[n!]", 6000},
    {"1E9[Inv][ln]", 6000},
    {"1E99999999[Hyp][sin]", 6000},
    {"1E99999999[+/-][Hyp][Inv][sin]", 6000},
    // The ends of the range of a number: operands and steps beyond the
    // half-limb range, results inside the range.
    {"1E799999992[ln]", 40},
    {"1E799999992[ln]", 6000},
    {"1E49999999[ln]", 1},
    {"1842068074[Inv][ln]", 40},
    {"1842068074[Inv][ln]", 6000},
    {"1842068075[Hyp][cos]", 6000},
    {"9E-799999992/6E-799999992=", 6000},
    {"1E799999992[Mod]7=", 6000},
    {"2[x^y]2657542475=", 6000},
    {"2E799999992[Inv][x^3]", 6000},
    {"1E49999999[Hyp][Inv][cos]", 6000},
};

void run(const runaway& r, const std::vector<keystroke>& keys)
{
    Calculator calculator;
    calculator.setprecision(r.precision);
    typekeys(calculator, keys);
    benchmark::DoNotOptimize(calculator.display());
}

// Peak resident memory, in megabytes, of a child that runs the case once.
double peakmegabytes(const runaway& r, const std::vector<keystroke>& keys)
{
    const pid_t child = fork();
    if (child == 0) {
        run(r, keys);
        _exit(0);
    }
    int status = 0;
    rusage usage{};
    if (child < 0 || wait4(child, &status, 0, &usage) != child)
        return -1;
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

void BM_runaway(benchmark::State& state)
{
    const runaway& r = cases[state.range(0)];
    const auto keys = strokes(r.keys);
    state.counters["peak_MB"] = peakmegabytes(r, keys);
    for (auto _ : state) {
        state.PauseTiming();
        clearpicache();
        clearln10cache();
        state.ResumeTiming();
        run(r, keys);
    }
    state.SetLabel(std::string(r.keys) + " P=" + std::to_string(r.precision));
}

void allcases(benchmark::internal::Benchmark* b)
{
    for (int i = 0; i < static_cast<int>(sizeof cases / sizeof cases[0]); ++i)
        b->Arg(i);
    b->Unit(benchmark::kMillisecond);
}
BENCHMARK(BM_runaway)->Apply(allcases);

}  // namespace
