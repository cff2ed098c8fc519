// Stirling's series for the gamma function of large arguments, and the
// reflection that takes it far below zero.
#pragma once

#include <cstdint>

#include "number/number.h"

namespace num {

// The smallest x for Stirling's series: below it the products of the
// recurrence cost less (both take about 0.3 s at 6000 digits there).
double stirlingfrom(std::int32_t w);

// Gamma(x) to w digits for a large x: e to the power of ln Gamma(x) =
// (x - 1/2) ln x - x + ln(2 pi) / 2 + sum B_2k / (2k (2k - 1) x^(2k - 1)),
// whose error is below the first term left out. ln Gamma is needed to an
// absolute 10^-(w + 2): its leading terms carry as many more digits as it
// has integer digits.
number stirling(const number& x, std::int32_t w);

// Whether Gamma(x), x > 0, is taken by Stirling's series: from
// stirlingfrom(w) on, and from 5 w on where x has many decimals, so that each
// factor of the recurrence would be a long product (0.8 s at 6000 digits
// there).
bool bystirling(const number& x, std::int32_t w);

// Gamma(x) to w digits for x < 0 far from zero, by the reflection
// Gamma(x) = pi / (sin(pi x) Gamma(1 - x)): the recurrence would take a
// factor for every unit of |x| (40 s for -40000550.005075 at 5 digits).
// With x = n + f, 0 < f < 1, sin(pi x) = (-1)^n sin(pi f), taken as
// sin(pi g) for g = min(f, 1 - f) <= 1/2, which keeps its relative digits
// however close x lies to an integer. Each of the three factors is within
// a relative 10^-(w + 2).
number reflected(const number& x, std::int32_t w);

}  // namespace num
