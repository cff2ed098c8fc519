// The Taylor series of e^x, sin x and cos x by binary splitting: the terms
// of a short argument summed as one exact fraction T / Q of integers built
// by halves, and a long argument cut into pieces of growing length whose
// values are combined by products or the addition formulas.
#pragma once

#include "number/number.h"

namespace num {

// e^x for 0 <= x <= 1 within f > 0 (absolute; e^x lies in [1, e], so the
// error relative to the value is below f too).
number expsplitting(const number& x, const number& f);

// sin x and cos x for |x| <= 4, each within f > 0; a short x takes one
// series, a long one the pieces, where the sine comes with the cosine.
number sinsplitting(const number& x, const number& f);
number cossplitting(const number& x, const number& f);

}  // namespace num
