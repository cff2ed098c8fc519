// Runs of limbs and the exact arithmetic of their magnitudes: comparison,
// sum and difference, for chains and contiguous limbs alike. Every sum of
// the library, on chains (addition.cpp) or on flat limbs (flat.cpp), is
// computed here.
#pragma once

#include <cstddef>
#include <cstdint>

#include "number/number.h"

// A read-only run of limbs, most significant first: `count` limbs of a chain
// from `chain` down, or of an array. Limb 0 has power expo; count 0 is zero.
// A run may end in zero limbs (a chain cut at a resolution); it never starts
// with one.
struct limbrun {
    const limb* chain = nullptr;
    const std::uint32_t* array = nullptr;
    std::int32_t expo = ZERO_EXPO;
    std::int32_t count = 0;
    bool negative = false;

    bool iszero() const { return count == 0; }
    std::int32_t lowexpo() const { return expo - count + 1; }
    // The run without its limbs below power p (zero when all are).
    limbrun from(std::int32_t p) const;
};

limbrun runof(const number& x);

// fn(i, v) for limb i (0 the most significant) of value v, in order.
template <typename Fn> void forlimbs(const limbrun& r, Fn fn)
{
    if (r.chain != nullptr) {
        const limb* p = r.chain;
        for (std::int32_t i = 0; i < r.count; ++i, p = p->lower)
            fn(i, p->value);
    } else {
        for (std::int32_t i = 0; i < r.count; ++i)
            fn(i, r.array[i]);
    }
}

// The limbs of a run, most significant first, one at a time.
struct limbreader {
    const limb* chain;
    const std::uint32_t* array;

    explicit limbreader(const limbrun& r) : chain(r.chain), array(r.array) {}
    std::uint32_t next()
    {
        if (chain != nullptr) {
            const std::uint32_t v = chain->value;
            chain = chain->lower;
            return v;
        }
        return *array++;
    }
};

// The number holding the limbs of r.
number chainof(const limbrun& r);

// The limbs outside the normalised form, as normalising a number reports
// them: "number overflow" before "number underflow".
void checkrange(std::int32_t expo, std::int32_t lowexpo);

// -1, 0 or +1 as |a| is below, equal to or above |b|.
int comparemagnitudes(const limbrun& a, const limbrun& b);

// x + y, or x - y when `minus`, at resolution f: with f > 0 a sum of like
// signs keeps of each operand its limbs of power >= f.expo() (one guard limb
// more when f is a power of BASE) and leaves out an operand lying wholly
// below f.expo(); a difference truncates both operands to f.expo() first.
// f zero or negative is exact. The result is normalised and range-checked;
// it is one of the operands when the other is zero, else it lives in a
// per-thread buffer until the next sum.
limbrun signedsum(const limbrun& x, const limbrun& y, bool minus, const number& f);
