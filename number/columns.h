// The column product: operands split into half-limbs, column sums by the
// diagonal kernels (diagonals.h) or, for a short operand, on whole limbs in
// registers, and the carries that turn the sums into limbs. Every product of
// the library ends here; basicprod is its face on chains.
#pragma once

#include <cstdint>

#include "magnitude.h"

namespace num {

// Products work in half-limbs of base 10^4: a product of two is below 10^8,
// so a column of them sums in 64 bits without intermediate carries.
constexpr std::uint32_t HALF_BASE = 10000;

// What the column product needs of a resolution f: whether it is exact (f
// zero) and the power of its limb.
struct cut {
    bool exact;
    std::int32_t expo;
};
inline cut cutof(const number& f) { return {f.iszero(), f.expo()}; }

// Whether the column product of x and y stays inside the range of its
// half-limb form, so that a shortcut raises no error the columns would.
inline bool halflimbsafe(const limbrun& x, const limbrun& y)
{
    // Half-limb powers are the limbs' doubled, plus one: exponents and their
    // sums below this keep those of every product and guard limb inside
    // MAX_EXPO = 99999999 and MIN_EXPO.
    constexpr std::int32_t HALF_LIMB_MARGIN = 49999990;
    return x.expo < HALF_LIMB_MARGIN && y.expo < HALF_LIMB_MARGIN &&
           x.lowexpo() > -HALF_LIMB_MARGIN && y.lowexpo() > -HALF_LIMB_MARGIN &&
           x.expo + y.expo < HALF_LIMB_MARGIN && x.lowexpo() + y.lowexpo() > -HALF_LIMB_MARGIN;
}

// A resolution for the product of operands moved down by `shift` limbs in
// all, whose lowest limbs' powers add up to lowsum: the same limbs cut.
cut rebasedcut(cut f, std::int64_t shift, std::int32_t lowsum);
// Moves a product of an array run up by `shift` limbs into the range of a
// number: "number overflow" above it, "number underflow" wholly below it or
// for an exact product with limbs below it; limbs below the range of a
// product at a resolution are dropped. False when none is left.
bool placeproduct(limbrun& out, std::int64_t shift, bool exact);

// x * y by columns down to one guard limb below f.expo, as basicprod; false
// when the product is zero. `out` lives in a per-thread buffer until the
// next product. Throws "Operation was canceled" once the run flag is down.
bool multiplycolumns(const limbrun& x, const limbrun& y, cut f, limbrun& out);

}  // namespace num
