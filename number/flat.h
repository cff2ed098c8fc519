// Numbers on contiguous limbs: the pieces and partial products of the
// splitting product and the Newton steps of long quotients, which build and
// take apart long numbers where chains would cost a node per limb.
#pragma once

#include <cstdint>
#include <vector>

#include "magnitude.h"

namespace num {

// An owned number on contiguous limbs, most significant first, normalised
// like a number: no zero limb at either end; no limbs is zero.
struct flat {
    std::vector<std::uint32_t> limbs;
    std::int32_t expo = ZERO_EXPO;
    bool negative = false;

    limbrun view() const
    {
        return {.array = limbs.data(),
                .expo = expo,
                .count = static_cast<std::int32_t>(limbs.size()),
                .negative = negative};
    }
};

// The limbs of a run (of a chain or of an array) as a flat number.
flat flatof(const limbrun& r);
inline flat flatten(const number& x) { return flatof(runof(x)); }
inline number chainof(const flat& x) { return chainof(x.view()); }

// The limbs of an array run at powers `from` down to `to` (clipped to its
// own), without zero limbs at the ends; zero when none is left.
limbrun slice(const limbrun& x, std::int32_t from, std::int32_t to);
// x * BASE^k, as multpow10 by a multiple of 8 does it: only the exponents
// move, and only the new top exponent is checked.
limbrun shifted(limbrun x, std::int32_t k);

// a + b, or a - b when `minus`, at resolution f (zero: exact), as sum and
// diff take it on chains.
flat sumof(const limbrun& a, const limbrun& b, bool minus, const number& f);
inline flat addexact(const limbrun& a, const limbrun& b, bool minus)
{
    return sumof(a, b, minus, exact());
}

}  // namespace num
