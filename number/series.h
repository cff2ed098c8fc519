// The Taylor series of e^x, sin x and cos x by binary splitting: the terms
// of a short argument summed as one exact fraction T / Q of integers built
// by halves; for e^x a long argument is cut into pieces of growing length
// whose values are multiplied.
#pragma once

#include "number/number.h"

namespace num {

// An argument of up to SHORT_PLACES decimal places is one piece, its series
// cheaper than those of pieces (at 6000 digits e^x of 8 places took 0.93 ms
// as one piece, 1.2 ms as three). A longer one is cut after FIRST_PLACES
// places and then after twice as many places each time: a piece below
// 10^-a with a places of its own needs about d / a terms of a digits, so
// every piece costs about the same (0.2 to 0.48 ms at 6000 digits), where
// a first piece of 16 places took 1.8 ms.
constexpr std::int32_t SHORT_PLACES = 12;
constexpr std::int32_t FIRST_PLACES = 2;

// Whether x is one piece.
bool isshort(const number& x);

// e^x for 0 <= x <= 1 within f > 0 (absolute; e^x lies in [1, e], so the
// error relative to the value is below f too).
number expsplitting(const number& x, const number& f);

// sin x and cos x of a short x (isshort), |x| <= 4, within f > 0. A long
// angle's pieces would each need both series and four products to join
// (at 6000 digits sin(1/7) so took 8.9 ms, against 6.4 ms by halvings and
// doublings): the callers keep the halvings for it.
number sinsplitting(const number& x, const number& f);
number cossplitting(const number& x, const number& f);

}  // namespace num
