// Representation, addition, text conversion, square roots and quotients at
// 40, 1000 and 6000 digits.
// Each benchmark also reports the heap allocations per iteration, which must
// be zero for copies and additions while the limb pool has nodes.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <new>
#include <random>
#include <string>

#include "chain.h"
#include "number/addition.h"
#include "number/conversion.h"
#include "number/multiplication.h"
#include "number/powers.h"

using namespace num;

namespace {
std::size_t allocations = 0;
}

// The counting operator new below hands out malloc'ed memory on purpose.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

void* operator new(std::size_t size)
{
    ++allocations;
    if (void* p = std::malloc(size == 0 ? 1 : size))
        return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace {

std::string randomdigits(std::size_t n, unsigned seed)
{
    std::mt19937 rng(seed);
    std::string s;
    s += static_cast<char>('1' + rng() % 9);
    while (s.size() < n)
        s += static_cast<char>('0' + rng() % 10);
    return s;
}

// A value with `digits` significant digits, the point after the first eight.
number randomnumber(std::size_t digits, unsigned seed)
{
    std::string s = randomdigits(digits, seed);
    std::size_t point = std::min<std::size_t>(8, s.size());
    return number((s.substr(0, point) + "." + s.substr(point)).c_str());
}

void countallocations(benchmark::State& state, std::size_t before)
{
    state.counters["allocs"] = benchmark::Counter(static_cast<double>(allocations - before),
                                                  benchmark::Counter::kAvgIterations);
}

void BM_copy(benchmark::State& state)
{
    number x = randomnumber(static_cast<std::size_t>(state.range(0)), 1);
    std::size_t before = allocations;
    for (auto _ : state) {
        number y(x);
        benchmark::DoNotOptimize(y);
    }
    countallocations(state, before);
}
BENCHMARK(BM_copy)->Arg(40)->Arg(1000)->Arg(6000);

void BM_normalise(benchmark::State& state)
{
    number x = randomnumber(static_cast<std::size_t>(state.range(0)), 2);
    std::size_t before = allocations;
    for (auto _ : state) {
        number y(x);
        prepend(y, 0);
        append(y, 0);
        setexpo(y, y.expo() + 1);
        setlowexpo(y, y.lowexpo() - 1);
        normalise(y);
        benchmark::DoNotOptimize(y);
    }
    countallocations(state, before);
}
BENCHMARK(BM_normalise)->Arg(40)->Arg(1000)->Arg(6000);

// Releasing is constant time whatever the length.
void BM_release(benchmark::State& state)
{
    number x = randomnumber(static_cast<std::size_t>(state.range(0)), 3);
    std::vector<number> copies(1000, x);
    std::size_t before = allocations;
    std::size_t i = 0;
    for (auto _ : state) {
        if (i == copies.size()) {
            state.PauseTiming();
            for (auto& c : copies)
                c = x;
            i = 0;
            state.ResumeTiming();
        }
        copies[i++] = number();
    }
    countallocations(state, before);
}
BENCHMARK(BM_release)->Arg(40)->Arg(6000);

void BM_sum(benchmark::State& state)
{
    auto digits = static_cast<std::size_t>(state.range(0));
    number x = randomnumber(digits, 4), y = randomnumber(digits, 5);
    std::size_t before = allocations;
    for (auto _ : state)
        benchmark::DoNotOptimize(x + y);
    countallocations(state, before);
}
BENCHMARK(BM_sum)->Arg(40)->Arg(1000)->Arg(6000);

void BM_decimaltext(benchmark::State& state)
{
    auto digits = static_cast<std::int32_t>(state.range(0));
    number x = randomnumber(static_cast<std::size_t>(digits) + 10, 6);
    for (auto _ : state)
        benchmark::DoNotOptimize(decimaltext(x, digits, false));
}
BENCHMARK(BM_decimaltext)->Arg(40)->Arg(1000)->Arg(6000);

void BM_parse(benchmark::State& state)
{
    std::string digits = randomdigits(static_cast<std::size_t>(state.range(0)), 7);
    std::string text = digits.substr(0, digits.size() / 2) + "." + digits.substr(digits.size() / 2);
    for (auto _ : state)
        benchmark::DoNotOptimize(number(text.c_str()));
}
BENCHMARK(BM_parse)->Arg(40)->Arg(1000)->Arg(6099);

// The square root of 2 and of a full-length argument, to as many digits.
void BM_sqrt(benchmark::State& state)
{
    const auto digits = static_cast<std::int32_t>(state.range(0));
    const number x = state.range(1) == 0 ? number(2) : randomnumber(std::size_t(digits), 8);
    for (auto _ : state)
        benchmark::DoNotOptimize(sqrtprec(x, digits));
    state.SetLabel(state.range(1) == 0 ? "sqrt(2)" : "full-length argument");
}
BENCHMARK(BM_sqrt)->ArgsProduct({{40, 1000, 6000}, {0, 1}});

// A quotient of two operands of as many digits as the quotient: at 40 digits
// mostly the fixed cost of a quotient.
void BM_quotient(benchmark::State& state)
{
    const auto digits = static_cast<std::int32_t>(state.range(0));
    const number x = randomnumber(std::size_t(digits), 9);
    const number y = randomnumber(std::size_t(digits), 10);
    for (auto _ : state)
        benchmark::DoNotOptimize(quotprec(x, y, digits));
}
BENCHMARK(BM_quotient)->Arg(40)->Arg(1000)->Arg(6000);

}  // namespace
