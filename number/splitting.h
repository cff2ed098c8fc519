// The splitting product on flat limbs: exact products by Karatsuba's steps
// on limbs from 600 limbs of the shorter operand and by the transform
// (transform.h) from 1200; products at a resolution by one Karatsuba step at
// a time on the top limbs the resolution needs, down to the column product,
// or from 1200 limbs by the transform's whole product of what reaches it.
#pragma once

#include "flat.h"
#include "number/addition.h"
#include "number/multiplication.h"

namespace num {

// Whether x * y at resolution f splits: both operands and the result limbs
// needed exceed KARATSUBA_LIMBS, and it is not an exact product the columns
// take whole.
bool longsplits(const limbrun& x, const limbrun& y, const number& f);
inline bool splits(const limbrun& x, const limbrun& y, const number& f)
{
    return x.count > KARATSUBA_LIMBS && y.count > KARATSUBA_LIMBS && longsplits(x, y, f);
}

// x * y at resolution f (zero: exact), on flat limbs.
flat prod(const limbrun& x, const limbrun& y, const number& f);

// The operations of Newton's steps (quotients, square roots) on chains and
// on flat limbs alike, so that one template of the steps serves both.
inline number times(const number& a, const number& b, const number& f) { return prod(a, b, f); }
inline flat times(const flat& a, const flat& b, const number& f)
{
    return prod(a.view(), b.view(), f);
}
inline number plus(const number& a, const number& b) { return a + b; }
inline flat plus(const flat& a, const flat& b) { return addexact(a.view(), b.view(), false); }
inline number minus(const number& a, const number& b) { return a - b; }
inline flat minus(const flat& a, const flat& b) { return addexact(a.view(), b.view(), true); }

// 1/y to about 5 significant digits, from the first 5 digits of y (y != 0).
number reciprocalguess(const limbrun& y);

}  // namespace num
