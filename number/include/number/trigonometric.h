// Pi, the cosine and the sine at a resolution, and the digit forms the
// calculator uses for sin, cos and tan. Angles are in radians.
#pragma once

#include <cstdint>

#include "number.h"

// Pi at resolution f > 0 by the Gauss-Legendre iteration, cached for the life
// of the process: a resolution at or above the cached one is served by
// truncation, a finer one recomputes from the start.
number pi(const number& f);
// Forgets the cached pi, so the next pi computes afresh.
void clearpicache();

// cos x at resolution f > 0: reduction modulo 2 pi for |x| > 4, halvings,
// the Taylor series, and doublings by cos 2t = 2 cos^2 t - 1.
number cos(const number& x, const number& f);
// sin x at resolution f > 0, as the cosine of pi/2 - x.
number sin(const number& x, const number& f);

// The resolution of pi with which an angle x is reduced modulo a turn for d
// digits: every turn taken off carries the error of the turn, so pi needs as
// many more places as x has digits before the point, and 8 more for each limb
// of x from the point to its last limb, on either side; none more for |x| < 1.
number reductionresolution(const number& x, std::int32_t d);

// The digit forms: d significant decimal digits (d decimals of the reduced
// angle for |x| >= 1). The argument is reduced to [0, pi/2] with a pi good
// to d + 8 digits plus the digits of the argument.
number sinprec(const number& x, std::int32_t d);
// The cosine as the root of 1 - sin^2, the sine taken with more digits
// where the cosine is small, so that it keeps d significant digits; zero
// where 1 - sin^2 vanishes even 16 digits beyond d.
number cosprec(const number& x, std::int32_t d);
// sin x / cos x, both of one reduction and one sine, the cosine at d + 4
// digits, taken again at 2d where it vanishes at d + 4; "quot:division by
// zero" when it is zero then too.
number tanprec(const number& x, std::int32_t d);
// The same in two steps, for a caller that tells a pole of the tangent
// apart: the sine and the cosine it divides (the cosine zero at a pole),
// then the quotient.
struct tangentparts {
    number sine;
    number cosine;
};
tangentparts tanparts(const number& x, std::int32_t d);
number tanprec(const tangentparts& parts, std::int32_t d);
