// Pi, the cosine and the sine at a resolution, and the digit forms the
// calculator uses for sin, cos and tan. Angles are in radians.
#pragma once

#include <cstdint>

#include "number.h"

namespace num {

// Pi at resolution f > 0 from its table or, beyond it, by the Chudnovsky
// series, cached for the life of the process: a resolution at or above the
// cached one is served by truncation, a finer one recomputes from the start.
number pi(const number& f);
// Forgets the cached pi, so the next pi computes afresh.
void clearpicache();

// cos x at resolution f > 0: reduction modulo 2 pi for |x| > 4, halvings,
// the Taylor series, and doublings by cos 2t = 2 cos^2 t - 1; a short
// reduced angle's series by binary splitting instead.
number cos(const number& x, const number& f);
// sin x at resolution f > 0: of a short |x| <= 4 its own series by binary
// splitting, otherwise the cosine of pi/2 - x.
number sin(const number& x, const number& f);

// The resolution of pi with which an angle x is reduced modulo a turn for d
// digits: every turn taken off carries the error of the turn, so pi needs as
// many more places as x has digits before the point, and 8 more for each limb
// of x from the point to its last limb, on either side; none more for |x| < 1.
number reductionresolution(const number& x, std::int32_t d);

// An angle x in radians as q quarter turns and a rest: x = q pi/2 + r, q
// taken modulo 4 and |r| at most pi/4 and a hair, or x itself up to |x| = 1 (where x lies halfway
// between two multiples of pi/2 either may be taken). The rest keeps d
// significant digits however close x lies to a multiple of pi/2: pi is
// taken with more digits until the rest stands clear of its error.
// "Invalid input for function" for |x| beyond 10^399999000, whose reduction
// would need pi to more digits than a product reaches.
struct quarterangle {
    number rest;
    int quarter = 0;  // 0 to 3
};
quarterangle quarterturns(const number& x, std::int32_t d);

// The digit forms, of an angle in radians or of its quarter turns and rest
// (for a caller that reduces an angle in its own unit exactly, the rest to
// d + QUARTERGUARD significant digits): d significant digits, near a zero
// too; a zero only where the rest is zero and the function vanishes there.
constexpr std::int32_t QUARTERGUARD = 4;
number sinprec(const number& x, std::int32_t d);
number sinprec(const quarterangle& a, std::int32_t d);
number cosprec(const number& x, std::int32_t d);
number cosprec(const quarterangle& a, std::int32_t d);
// sin x / cos x, the cosine of the rest as the root of 1 - sin^2 of one
// series. "quot:division by zero" only at a rest of zero in an odd quarter.
number tanprec(const number& x, std::int32_t d);
number tanprec(const quarterangle& a, std::int32_t d);

}  // namespace num
