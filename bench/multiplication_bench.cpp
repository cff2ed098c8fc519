// Products and quotients at the calculator's precisions: 40 digits (the
// default), 1000 and 6000 (the largest; above the 2000 digits where prod
// starts splitting a product at a resolution), exact products and squares
// far beyond them, and the cheap directed operations.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <string>

#include "number/multiplication.h"

using namespace num;

namespace {

// An integer of `digits` random decimal digits, the first non-zero.
number randominteger(int digits, std::uint32_t seed)
{
    std::mt19937 gen(seed);
    std::uniform_int_distribution<int> digit(0, 9);
    std::string text(1, static_cast<char>('1' + digit(gen) % 9));
    for (int i = 1; i < digits; ++i)
        text += static_cast<char>('0' + digit(gen));
    return number(text.c_str());
}

void BM_prodprec(benchmark::State& state)
{
    const int d = static_cast<int>(state.range(0));
    const number x = randominteger(d, 1);
    const number y = randominteger(d, 2);
    for (auto _ : state)
        benchmark::DoNotOptimize(prodprec(x, y, d));
}
BENCHMARK(BM_prodprec)->Arg(40)->Arg(1000)->Arg(2010)->Arg(6000)->Unit(benchmark::kMicrosecond);

void BM_prodexact(benchmark::State& state)
{
    const int d = static_cast<int>(state.range(0));
    const number x = randominteger(d, 3);
    const number y = randominteger(d, 4);
    for (auto _ : state)
        benchmark::DoNotOptimize(x * y);
}
// Across the methods: columns to 4800 digits, Karatsuba's steps on limbs to
// 9600, the transform beyond.
BENCHMARK(BM_prodexact)
    ->Arg(40)
    ->Arg(1000)
    ->Arg(6000)
    ->Arg(12000)
    ->Arg(20000)
    ->Arg(24000)
    ->Arg(48000)
    ->Unit(benchmark::kMicrosecond);

// How the exact product grows far beyond the calculator's precisions, where
// pi for huge reductions needs it: 10^5 and 10^6 digits.
BENCHMARK(BM_prodexact)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

// Squares: the transform takes one forward transform fewer.
void BM_prodsquare(benchmark::State& state)
{
    const int d = static_cast<int>(state.range(0));
    const number x = randominteger(d, 11);
    for (auto _ : state)
        benchmark::DoNotOptimize(x * x);
}
BENCHMARK(BM_prodsquare)->Arg(1000)->Arg(6000)->Arg(20000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_prodsquare)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

void BM_quotprec(benchmark::State& state)
{
    const int d = static_cast<int>(state.range(0));
    const number x = randominteger(d, 5);
    const number y = randominteger(d, 6);
    for (auto _ : state)
        benchmark::DoNotOptimize(quotprec(x, y, d));
}
BENCHMARK(BM_quotprec)->Arg(40)->Arg(1000)->Arg(6000)->Unit(benchmark::kMicrosecond);

void BM_APCprod(benchmark::State& state)
{
    const number x = randominteger(40, 7);
    const number y = randominteger(40, 8);
    for (auto _ : state)
        benchmark::DoNotOptimize(APCprod(x, y, -1));
}
BENCHMARK(BM_APCprod);

void BM_APCquot(benchmark::State& state)
{
    const number x = randominteger(40, 9);
    const number y = randominteger(40, 10);
    for (auto _ : state)
        benchmark::DoNotOptimize(APCquot(x, y, 1));
}
BENCHMARK(BM_APCquot);

}  // namespace
