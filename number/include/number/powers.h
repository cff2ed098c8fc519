// Integer powers, exactly or approximately, and square roots.
#pragma once

#include <cstdint>

#include "number.h"

namespace num {

// x^n exactly, by repeated squaring; n a non-negative integer (x^0 = 1).
number logpow(const number& x, const number& n);
// x^n to about 18 significant digits per step; n an integer, may be
// negative, and then bias moves the reciprocal down (-1) or up (+1).
number APCpow(const number& x, const number& n, int bias);

// The square root of x >= 0 at resolution f > 0 (Newton's iteration from a
// straight-line fit over two decades, doubling its precision each step).
number sqrt(const number& x, const number& f);
// The square root to d significant digits: f = 10^(leadpos(x) / 2 - d).
number sqrtprec(const number& x, std::int32_t d);

}  // namespace num
