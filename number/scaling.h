// Products by a single limb taken in place on the chain: running products
// (factorials, the terms of a series) keep one chain instead of building a
// new one per factor.
#pragma once

#include <cstdint>

#include "columns.h"

namespace num {

// Whether x times y can be taken in place: y a single limb, no range error.
inline bool scalable(const number& x, const number& y)
{
    return !x.iszero() && !y.iszero() && y.expo() == y.lowexpo() &&
           halflimbsafe(runof(x), runof(y));
}

// x times the single limb y in place, on the columns' rule on whole limbs:
// limbs of x of power `whole` and above count whole; the limb below by its
// upper half only when `part`, which lands in the lower half of the limb
// above. x and y scalable.
void scaleinplace(number& x, const number& y, std::int32_t whole, bool part);

}  // namespace num
