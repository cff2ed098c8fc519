// Blocks of consecutive factors (x + o_1) ... (x + o_n) taken together as
// polynomials of x with exact integer coefficients and evaluated on the
// powers of x formed once, for the rising factorial and the long series of
// the gamma function.
#pragma once

#include <cstdint>
#include <vector>

#include "flat.h"
#include "number/number.h"

namespace num {

// Factors of x (x + 1) ... taken together in one polynomial of x: a block
// costs one long product (two in the tail of the series) and the sums of
// its polynomials' terms, coefficients of up to about FACTOR_BLOCK limbs times the
// long powers, against FACTOR_BLOCK long products one factor at a time. The
// products of limbs that a column of those sums gathers, about FACTOR_BLOCK^2,
// stay far below COLUMN_PRODUCTS.
constexpr int FACTOR_BLOCK = 24;

// A non-negative integer on limbs, least significant first; zero is empty.
using wide = std::vector<std::uint32_t>;

// A polynomial of y with non-negative integer coefficients, the constant
// first.
using polynomial = std::vector<wide>;

// x y to `digits` digits and a guard limb, the operands cut to as many.
flat productof(const limbrun& x, const limbrun& y, std::int32_t digits);
// y^0 .. y^count to w digits (the guard limb of productof beyond).
std::vector<flat> powersof(const number& y, int count, std::int32_t w);

// x (x + 1) ... (x + n - 1) to d digits for x > 0 with many digits: each
// block of factors is a polynomial of x with exact integer coefficients,
// taken on the powers of x formed once.
number risingfactorial(const number& x, std::int64_t n, std::int32_t d);

// The steps h <- a_t (1 + h) and the product of the a_t for a block of
// factors a_t = (y + o_t) / BASE, 0 < o_t < 3 BASE, innermost first (the
// series' offsets j N' stay below 2.5 BASE for j up to the end of its tail): after the block
// h = H / BASE^count + P / BASE^count h for the integer polynomials
// H = (y + o_count) (BASE^(count-1) + (y + o_(count-1)) (BASE^(count-2) + ...
// (y + o_1))) and P = (y + o_1) ... (y + o_count).
struct hornerblock {
    polynomial H;
    polynomial P;
};

hornerblock hornerof(const std::vector<std::int64_t>& offsets);
// The value of a block's polynomial at `digits`, over BASE^count.
flat blockvalue(const polynomial& c, const std::vector<flat>& powers, std::int32_t digits);

}  // namespace num
