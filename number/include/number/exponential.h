// The exponential function and logarithms at a resolution, and the digit
// forms the calculator uses: e^x, ln x, logarithms to a base and x^y.
#pragma once

#include <cstdint>

#include "number.h"

namespace num {

// e^x at resolution f > 0. A short x >= 0 (and a long one from 1500
// digits on) is halved exactly into [0, 1], its series (a long one's first
// places) summed by binary splitting, the rest of a long one by halvings,
// the Taylor series and squarings, and the first halvings squared back; a
// long x below 1500 digits takes the halvings whole; negative x as 1 / e^-x.
number exp(const number& x, const number& f);
// ln x at resolution f > 0: square roots bring x near 1, then the series of
// ln(1 + m); below 10^-150 lnnewton, from 10^-2000 to 10^-12000 lnagm.
// Fails with "cond. 1" when x lies too close to 1 for f.
number ln(const number& x, const number& f);
// ln x at resolution f > 0 for x >= 10 or x < 0.1, as ln y + k ln 10 with
// x = y 10^k, 1 <= y < 10: any x of the range of a number.
number lndecades(const number& x, const number& f);
// ln x at resolution f > 0 by Newton's method on exp, plus k ln 10.
number lnnewton(const number& x, const number& f);
// ln x at resolution f > 0 from the arithmetic-geometric mean: ln s =
// pi / (2 AGM(1, 4/s)) for s = x 10^m > 10^(digits / 2), less m ln 10.
// For resolutions down to 10^-12000.
number lnagm(const number& x, const number& f);
// A quadratic fit of ln y for 1 <= y < 10 (the start of lnnewton).
number lnguess(const number& y);
// ln 10 at resolution f > 0, cached for the life of the process.
number ln10(const number& f);
// Forgets the cached ln 10, so the next ln10 computes afresh.
void clearln10cache();

// The digit forms: d significant decimal digits.
number expprec(const number& x, std::int32_t d);
number lnprec(const number& x, std::int32_t d);
// Logarithm of x to base b: ln x / ln b, carried with d + 8 digits.
number logprec(const number& b, const number& x, std::int32_t d);
// x^y as e^(y ln x), y ln x with d + 8 digits beyond its integer part;
// x^0 = 1 and 0^y = 0 otherwise.
number powprec(const number& x, const number& y, std::int32_t d);
// The n-th root of x >= 0 as e^(ln x / n), carried as powprec carries it.
number rootprec(const number& x, const number& n, std::int32_t d);

}  // namespace num
