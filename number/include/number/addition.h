// Ordering, addition and subtraction of numbers, exactly or at a resolution,
// and the integer-part and rounding functions built on them.
//
// At a resolution f > 0 only limbs down to power f.expo() are needed: an
// addition keeps each operand's limbs of power >= f.expo() (one guard limb
// more when f is a power of BASE) and leaves out an operand lying wholly
// below f.expo(); a subtraction truncates both operands to f.expo() first.
// Dropped limbs are truncated, never rounded. f zero or negative is exact.
#pragma once

#include "number.h"

namespace num {

// -1, 0 or +1 as x is below, equal to or above y.
int compare(const number& x, const number& y);
// The same for |x| and |y|.
int compareabs(const number& x, const number& y);

inline bool operator<(const number& x, const number& y) { return compare(x, y) < 0; }
inline bool operator<=(const number& x, const number& y) { return compare(x, y) <= 0; }
inline bool operator>(const number& x, const number& y) { return compare(x, y) > 0; }
inline bool operator>=(const number& x, const number& y) { return compare(x, y) >= 0; }
inline bool operator==(const number& x, const number& y) { return compare(x, y) == 0; }
inline bool operator!=(const number& x, const number& y) { return compare(x, y) != 0; }

number sum(const number& x, const number& y, const number& f);
number diff(const number& x, const number& y, const number& f);
number operator+(const number& x, const number& y);  // exact
number operator-(const number& x, const number& y);  // exact
number operator-(const number& x);                   // negate
number& operator+=(number& x, const number& y);      // exact; x += x doubles
number& operator-=(number& x, const number& y);      // exact; x -= x clears

void increment(number& x);
void decrement(number& x);

// x without its limbs below power f.expo(); a copy when f <= 0.
number truncate(const number& x, const number& f);
number negate(const number& x);
number abs(const number& x);
// x * 10^n, exactly.
number scaled(const number& x, std::int32_t n);
// Largest integer not above x.
number floor(const number& x);
// x minus x truncated towards zero; it has the sign of x.
number frac(const number& x);
// x truncated towards zero after n decimal places.
number truncdigits(const number& x, std::int32_t n);
// x rounded to n decimal places, halves away from zero (n may be negative).
number rounddigits(const number& x, std::int32_t n);
// x * 10^n exactly, or "number overflow" or "number underflow" where the
// result, or a digit of it, lies beyond the range of a number.
number shifted(const number& x, std::int64_t n);
// x moved by a unit 10^(leadpos(x) - d - 10), towards zero (inward) or away
// from it: a value that lies just inside or outside x by far less than a
// unit of its d-th digit, such as sin x or tan x of a tiny x, then rounds
// to d digits as it does, also where x is a rounding midpoint. An x with no
// digit that far down (below the lowest power of ten a number holds) lies
// on no midpoint and stays as it is.
number nudged(const number& x, std::int32_t d, bool inward);

// Approximate x + y to about 9 significant digits, moved down (bias -1) or up
// (bias +1) by one unit of its last digit; bias 0 leaves it truncated.
number APCsum(const number& x, const number& y, int bias);

}  // namespace num
