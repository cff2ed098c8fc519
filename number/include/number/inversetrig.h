// The arc tangent, arc sine and arc cosine at a resolution, in radians, and
// the digit forms the calculator uses. asin goes through atan(x / sqrt(1 -
// x^2)) and acos through pi/2 - asin, except where the result is a multiple
// of pi (x = 0, +-1/2, +-1), which comes from pi itself.
#pragma once

#include <cstdint>

#include "number.h"

namespace num {

// atan x in (-pi/2, pi/2) at resolution f > 0: +-pi/4 at x = +-1; for
// long results and x not small, Newton's method on the sine (through
// pi/2 - atan(1/x) above 1); else halvings of the angle by tan(t/2) =
// (sqrt(1 + a^2) - 1) / a down to 0.5, further halvings in the form
// a / (1 + sqrt(1 + a^2)), then the Gregory series.
number atan(const number& x, const number& f);
// asin x in [-pi/2, pi/2] at resolution f > 0, for -1 <= x <= 1.
number asin(const number& x, const number& f);
// acos x in [0, pi] at resolution f > 0; x outside [-1, 1] fails with the
// messages of asin.
number acos(const number& x, const number& f);

// The digit forms: d significant decimal digits.
number atanprec(const number& x, std::int32_t d);
number asinprec(const number& x, std::int32_t d);
number acosprec(const number& x, std::int32_t d);

}  // namespace num
