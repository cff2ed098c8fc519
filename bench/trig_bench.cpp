// Pi, the trigonometric and inverse trigonometric digit forms, the
// factorial and the gamma function at 40, 1000 and 6000 significant digits.
// "warm" runs find pi and ln 10 cached at the precision asked; "cold" ones
// clear both caches before every call.
#include <benchmark/benchmark.h>

#include <string>

#include "number/addition.h"
#include "number/exponential.h"
#include "number/gamma.h"
#include "number/inversetrig.h"
#include "number/multiplication.h"
#include "number/trigonometric.h"

using namespace num;

namespace {

void clearcaches()
{
    clearpicache();
    clearln10cache();
}

void digits(benchmark::internal::Benchmark* b)
{
    for (int d : {40, 1000, 6000})
        b->Arg(d);
    b->Unit(benchmark::kMicrosecond);
}

void BM_pi_cold(benchmark::State& state)
{
    number f = powerof10(-static_cast<std::int32_t>(state.range(0)));
    for (auto _ : state) {
        clearcaches();
        benchmark::DoNotOptimize(pi(f));
    }
}
BENCHMARK(BM_pi_cold)->Apply(digits);

void BM_pi_cached(benchmark::State& state)
{
    number f = powerof10(-static_cast<std::int32_t>(state.range(0)));
    clearcaches();
    pi(f);
    for (auto _ : state)
        benchmark::DoNotOptimize(pi(f));
}
BENCHMARK(BM_pi_cached)->Apply(digits);

// Pi far beyond its table, as the reduction of a huge argument asks for it
// (sin of 10^1000000 radians needs about 10^6 digits).
BENCHMARK(BM_pi_cold)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_pi_cold)->Arg(1000000)->Iterations(1)->Unit(benchmark::kMillisecond);

using digitfunction = number (*)(const number&, std::int32_t);

// One digit form on one argument, with warm or cold caches.
void digitform(benchmark::State& state, digitfunction F, const char* argument, bool cold)
{
    number x(argument);
    auto d = static_cast<std::int32_t>(state.range(0));
    clearcaches();
    F(x, d);
    for (auto _ : state) {
        if (cold)
            clearcaches();
        benchmark::DoNotOptimize(F(x, d));
    }
}

struct form {
    const char* name;
    digitfunction function;
    const char* argument;
};

const form forms[] = {
    {"sinprec", sinprec, "1"},   {"cosprec", cosprec, "1"},     {"tanprec", tanprec, "1"},
    {"atanprec", atanprec, "1"}, {"asinprec", asinprec, "0.5"}, {"acosprec", acosprec, "0.5"},
};

const bool registered = [] {
    for (const form& f : forms) {
        std::string name = std::string(f.name) + "(" + f.argument + ")";
        benchmark::RegisterBenchmark((name + "/warm").c_str(), digitform, f.function, f.argument,
                                     false)
            ->Apply(digits);
        benchmark::RegisterBenchmark((name + "/cold").c_str(), digitform, f.function, f.argument,
                                     true)
            ->Arg(40)
            ->Unit(benchmark::kMicrosecond);
    }
    // Near pi/2 the cosine takes the sine again with more digits.
    benchmark::RegisterBenchmark("cosprec(1.5707963)/warm", digitform,
                                 static_cast<digitfunction>(cosprec), "1.5707963", false)
        ->Apply(digits);
    // A long angle, 1/7 to the digits asked, its own rest: the series go by
    // pieces.
    benchmark::RegisterBenchmark("sinprec(1/7)/warm", [](benchmark::State& state) {
        const auto d = static_cast<std::int32_t>(state.range(0));
        const number x = quotprec(number(1), number(7), d);
        for (auto _ : state)
            benchmark::DoNotOptimize(sinprec(x, d));
    })->Apply(digits);
    // 1000! by 1000 products; 0.5! = Gamma(1.5) through the series.
    benchmark::RegisterBenchmark("factorial(1000)/warm", digitform, factorial, "1000", false)
        ->Arg(6000)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("factorial(0.5)/cold", digitform, factorial, "0.5", true)
        ->Arg(40)
        ->Arg(1000)
        ->Unit(benchmark::kMillisecond);
    return true;
}();

// The inverse functions off their multiples of pi, warm, at 40, 1000 and 6000 digits.
const bool inverseregistered = [] {
    const form inverse[] = {
        {"atanprec", atanprec, "0.7"},
        {"asinprec", asinprec, "0.7"},
        {"acosprec", acosprec, "0.7"},
        {"atanprec", atanprec, "3"},
    };
    for (const form& f : inverse)
        benchmark::RegisterBenchmark((std::string(f.name) + "(" + f.argument + ")/warm").c_str(),
                                     digitform, f.function, f.argument, false)
            ->Apply(digits);
    return true;
}();

// sin of 10^1000000 radians at 40 digits: the reduction needs pi to about
// 10^6 digits, computed once from a cleared cache.
void BM_sin_hugeangle_cold(benchmark::State& state)
{
    const number x = powerof10(1000000);
    for (auto _ : state) {
        clearcaches();
        benchmark::DoNotOptimize(sinprec(x, 40));
    }
}
BENCHMARK(BM_sin_hugeangle_cold)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
