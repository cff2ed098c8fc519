// The factorial and the gamma function.
#pragma once

#include <cstdint>

#include "number.h"

namespace num {

// x! for an integer x >= 0, by products from x down (Stirling's series for
// ln Gamma from 20 d on); Gamma(x + 1) for any other x, and for a tiny x
// 1 - gamma_E x without forming x + 1. A result beyond the range of a number
// fails at once with "number overflow" (or "number underflow" for large
// negative x). A negative integer fails with the calculator's "Invalid input
// for function" (calculatorexception).
number factorial(const number& x, std::int32_t d);
// Gamma(x) with d digits: (x - 1)! for integers x >= 1; so close to an
// integer n that the offset e = x - n counts only to first order, (n - 1)!
// or (-1)^k / (k! e) at a pole -k, just beside them on the side e takes
// (and 1 - gamma_E e, 1 / e - gamma_E at 1 and 0); otherwise the series
// between 0 and 2 and the recurrence Gamma(x + 1) = x Gamma(x), its factors
// multiplied together (and divided by once below 1); for half-integers
// sqrt(pi) times (or over) the product (1/2)(3/2) ... ; Stirling's series for
// large x, and for x far below zero through the reflection
// Gamma(x) = pi / (sin(pi x) Gamma(1 - x)).
number gamma(const number& x, std::int32_t d);
// Gamma(x) for 0 < x < 2: the integral of t^(x-1) e^-t from 0 to N, summed
// as e^-N N^x sum N^k / (x (x + 1) ... (x + k)), all terms positive.
number gammaseries(const number& x, std::int32_t d);
// N, the smallest integer above the solution w of (w + 1) e^-w = u, for a
// resolution 0 < u < 1: the tail of the gamma integral beyond N is below u.
std::int32_t gammacutoff(const number& u);

}  // namespace num
