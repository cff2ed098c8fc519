// Runs of limbs and the exact arithmetic of their magnitudes: comparison,
// sum and difference, written once for chains and contiguous limbs alike.
// Every sum of the library, on chains (addition.cpp) or on flat limbs
// (flat.cpp), is computed here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "chain.h"

namespace num {

// A read-only run of limbs: `count` limbs of a chain, from the node `chain`
// (power expo) down to `chainlow` (power lowexpo()), or of an array, most
// significant first. count 0 is zero. A run never starts with a zero limb;
// it may end in some when cut at a resolution (from), else it is normalised
// as numbers are.
struct limbrun {
    const limb* chain = nullptr;
    const limb* chainlow = nullptr;
    const std::uint32_t* array = nullptr;
    std::int32_t expo = ZERO_EXPO;
    std::int32_t count = 0;
    bool negative = false;

    bool iszero() const { return count == 0; }
    std::int32_t lowexpo() const { return expo - count + 1; }
    // The run without its limbs below power p (zero when all are).
    limbrun from(std::int32_t p) const;
};

inline limbrun runof(const number& x)
{
    if (x.iszero())
        return {};
    return {.chain = head(x),
            .chainlow = tail(x),
            .expo = x.expo(),
            .count = x.expo() - x.lowexpo() + 1,
            .negative = x.isnegative()};
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
// f zero or negative is exact. Both operands are chains, or both arrays.
//
// On chains the result is a number; on arrays it is the run of a per-thread
// buffer, valid until the next sum, or an operand when the other is zero.
// Both are normalised and range-checked.
number chainsum(const limbrun& x, const limbrun& y, bool minus, const number& f);
limbrun arraysum(const limbrun& x, const limbrun& y, bool minus, const number& f);

}  // namespace num
