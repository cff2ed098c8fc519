// Multiplication, division and remainder of numbers, exactly or at a
// resolution, the cheap directed product and quotient, and the digit
// wrappers through which the engine asks for d significant digits.
//
// A product at a resolution f > 0 is computed by columns down to one guard
// limb below power f.expo() and is truncated, never rounded; f zero is exact.
// basicprod is where a running computation notices a cancellation: it throws
// "Operation was canceled" as soon as the run flag is down.
#pragma once

#include <cstdint>
#include <vector>

#include "number.h"

namespace num {

// prod splits its operands (one Karatsuba step, recursively) when both have
// more limbs than this and more result limbs than this are needed.
constexpr std::int32_t KARATSUBA_LIMBS = 250;

// x * y by columns of half-limbs, down to one guard limb below f.expo(); the
// result never exceeds the exact product in magnitude. f zero: exact.
number basicprod(const number& x, const number& y, const number& f);
// x * y at resolution f, splitting long operands. f zero: exact.
number prod(const number& x, const number& y, const number& f);
number operator*(const number& x, const number& y);  // exact

// x * y to about 18 significant digits; bias -1 or +1 moves it down or up by
// one unit of the tenth digit, so the result is a lower or upper bound.
number APCprod(const number& x, const number& y, int bias);

// 1/y to about 5 significant digits, from the first 5 digits of y (y != 0).
number reciprocalguess(const number& y);

// The precision exponents of a Newton ladder: n halved (towards zero) while
// below `limit`; -50 with limit -1 gives -25, -12, -6, -3, -1. Each step
// doubles the digits of the one before, so they are used last first.
std::vector<std::int32_t> ladder(std::int32_t n, std::int32_t limit);

// x / y at resolution f > 0 (Newton's iteration for 1/y).
number quot(const number& x, const number& y, const number& f);
// x / y to about 16 significant digits, moved by bias like APCprod (y != 0).
number APCquot(const number& x, const number& y, int bias);

// Remainder of x / y with the sign of x: 0 <= |x % y| < |y|.
number operator%(const number& x, const number& y);

// The engine's operations at d significant decimal digits: each picks the
// resolution two digits below the last digit of the expected result.
number sumprec(const number& x, const number& y, std::int32_t d);
number diffprec(const number& x, const number& y, std::int32_t d);
number prodprec(const number& x, const number& y, std::int32_t d);
number quotprec(const number& x, const number& y, std::int32_t d);

// x = prodprec(x, y, d), the same digits, taken in place on x's limbs when y
// is a single limb: running products (factorials) keep one chain.
void prodprecinplace(number& x, const number& y, std::int32_t d);
// x = x * y exactly, in place on x's limbs when y is a single limb.
void prodinplace(number& x, const number& y);

}  // namespace num
