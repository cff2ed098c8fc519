// Checks shared by the fuzz targets: a failed check prints its condition
// and aborts, which the fuzzer reports with the input that caused it.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "chain.h"
#include "number/number.h"

#define FUZZ_CHECK(cond)                                                                           \
    do {                                                                                           \
        if (!(cond)) {                                                                             \
            std::fprintf(stderr, "check failed: %s (%s:%d)\n", #cond, __FILE__, __LINE__);         \
            std::abort();                                                                          \
        }                                                                                          \
    } while (0)

// Allocations record two frames instead of thirty: the arithmetic
// allocates at every step, and recording its stacks took a tenth of the
// fuzzers' time.
extern "C" inline const char* __asan_default_options() { return "malloc_context_size=2"; }

// The same, printing what was compared when it fails.
#define FUZZ_CHECK_EQ(a, b)                                                                        \
    do {                                                                                           \
        if (!((a) == (b))) {                                                                       \
            std::fprintf(stderr, "got \"%s\", want \"%s\"\n", std::string(a).c_str(),              \
                         std::string(b).c_str());                                                  \
            FUZZ_CHECK((a) == (b));                                                                \
        }                                                                                          \
    } while (0)

// The invariants of a normalised number.
inline bool normalised(const num::number& x)
{
    if (x.iszero())
        return head(x) == nullptr && !x.isnegative();
    if (head(x) == nullptr || head(x)->value == 0 || tail(x)->value == 0)
        return false;
    std::int64_t n = 0;
    for (const num::limb* p = head(x); p != nullptr; p = p->lower) {
        if (p->value >= num::BASE)
            return false;
        ++n;
    }
    return n == std::int64_t{x.expo()} - x.lowexpo() + 1 && x.expo() <= num::MAX_EXPO &&
           x.lowexpo() >= num::MIN_EXPO;
}

// Messages a parse may end with.
inline bool knownmessage(const char* m)
{
    return std::strcmp(m, "exponent too big. Max:799999992") == 0 ||
           std::strcmp(m, "number underflow") == 0 || std::strcmp(m, "number overflow") == 0;
}
