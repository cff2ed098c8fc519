// Square roots, exponentials, logarithms and powers at 40, 1000 and 6000
// significant digits, on typical arguments.
#include <benchmark/benchmark.h>

#include <iterator>
#include <string>

#include "number/addition.h"
#include "number/exponential.h"
#include "number/multiplication.h"
#include "number/powers.h"

using namespace num;

namespace {

const char* const arguments[] = {"2", "1", "0.5", "1000", "1e100+1"};

number argument(std::int64_t i)
{
    if (i == 4)
        return powerof10(100) + number(1);
    return number(arguments[i]);
}

void setlabel(benchmark::State& state)
{
    state.SetLabel(std::string("x=") + arguments[state.range(1)] +
                   " d=" + std::to_string(state.range(0)));
}

void digitsandarguments(benchmark::internal::Benchmark* b)
{
    for (int d : {40, 1000, 6000})
        for (int a = 0; a < 5; ++a)
            b->Args({d, a});
    b->Unit(benchmark::kMicrosecond);
}

void BM_sqrtprec(benchmark::State& state)
{
    number x = argument(state.range(1));
    auto d = static_cast<std::int32_t>(state.range(0));
    for (auto _ : state)
        benchmark::DoNotOptimize(sqrtprec(x, d));
    setlabel(state);
}
BENCHMARK(BM_sqrtprec)->Apply(digitsandarguments);

void BM_expprec(benchmark::State& state)
{
    number x = argument(state.range(1));
    auto d = static_cast<std::int32_t>(state.range(0));
    for (auto _ : state)
        benchmark::DoNotOptimize(expprec(x, d));
    setlabel(state);
}
// e^(10^100 + 1) is beyond the range of numbers: only the first four.
BENCHMARK(BM_expprec)->Apply([](benchmark::internal::Benchmark* b) {
    for (int d : {40, 1000, 6000})
        for (int a = 0; a < 4; ++a)
            b->Args({d, a});
    b->Unit(benchmark::kMicrosecond);
});

void BM_lnprec(benchmark::State& state)
{
    number x = argument(state.range(1));
    auto d = static_cast<std::int32_t>(state.range(0));
    for (auto _ : state)
        benchmark::DoNotOptimize(lnprec(x, d));
    setlabel(state);
}
BENCHMARK(BM_lnprec)->Apply(digitsandarguments);

void BM_logprec(benchmark::State& state)
{
    number x = argument(state.range(1));
    auto d = static_cast<std::int32_t>(state.range(0));
    const number ten(10);
    for (auto _ : state)
        benchmark::DoNotOptimize(logprec(ten, x, d));
    setlabel(state);
}
BENCHMARK(BM_logprec)->Apply(digitsandarguments);

// x^0.5 and x^0.7 (through e^(y ln x)).
void BM_powprec(benchmark::State& state)
{
    number x = argument(state.range(1));
    auto d = static_cast<std::int32_t>(state.range(0));
    const number y(0.5);
    for (auto _ : state)
        benchmark::DoNotOptimize(powprec(x, y, d));
    setlabel(state);
}
BENCHMARK(BM_powprec)->Apply(digitsandarguments);

// The short arguments the series sum as one fraction (1, 0.7), a long one
// (1/7 to the digits asked) that goes by pieces, and the logarithms and
// powers built on them, at 1000 and 6000 digits.
struct seriescase {
    const char* name;
    number (*run)(std::int32_t d, const number& longargument);
};

const seriescase seriescases[] = {
    {"exp(1)", [](std::int32_t d, const number&) { return expprec(number(1), d); }},
    {"exp(0.7)", [](std::int32_t d, const number&) { return expprec(number("0.7"), d); }},
    {"exp(1/7)", [](std::int32_t d, const number& x) { return expprec(x, d); }},
    {"ln(2)", [](std::int32_t d, const number&) { return lnprec(number(2), d); }},
    {"log10(7)", [](std::int32_t d, const number&) { return logprec(number(10), number(7), d); }},
    {"2^0.5", [](std::int32_t d, const number&) { return powprec(number(2), number("0.5"), d); }},
    {"3^0.7", [](std::int32_t d, const number&) { return powprec(number(3), number("0.7"), d); }},
};

void BM_series(benchmark::State& state)
{
    const auto d = static_cast<std::int32_t>(state.range(0));
    const seriescase& c = seriescases[state.range(1)];
    const number longargument = quotprec(number(1), number(7), d);
    for (auto _ : state)
        benchmark::DoNotOptimize(c.run(d, longargument));
    state.SetLabel(std::string(c.name) + " d=" + std::to_string(d));
}
BENCHMARK(BM_series)->Apply([](benchmark::internal::Benchmark* b) {
    for (int d : {1000, 6000})
        for (int i = 0; i < static_cast<int>(std::size(seriescases)); ++i)
            b->Args({d, i});
    b->Unit(benchmark::kMicrosecond);
});

}  // namespace

// ln as it chooses (square roots and series up to 150 decimals, Newton's
// steps on exp beyond, the arithmetic-geometric mean beyond 2000) against
// Newton's steps and the mean throughout, on 2 and on 1/7 to the digits.
void BM_lnmethods(benchmark::State& state)
{
    const auto d = static_cast<std::int32_t>(state.range(0));
    const number x = state.range(2) != 0 ? quotprec(number(1), number(7), d) : number(2);
    const number f = powerof10(-d);
    const auto method = state.range(1);
    for (auto _ : state) {
        clearln10cache();
        benchmark::DoNotOptimize(method == 0   ? ln(x, f)
                                 : method == 1 ? lnnewton(x, f)
                                               : lnagm(x, f));
    }
    state.SetLabel(std::string(method == 0   ? "ln"
                               : method == 1 ? "newton"
                                             : "agm") +
                   (state.range(2) != 0 ? " x=1/7" : " x=2") + " d=" + std::to_string(d));
}
BENCHMARK(BM_lnmethods)
    ->ArgsProduct({{40, 200, 1000, 2000, 3000, 6000}, {0, 1, 2}, {0, 1}})
    ->Unit(benchmark::kMicrosecond);
