#include "number/dms.h"

#include "number/addition.h"
#include "number/conversion.h"
#include "number/multiplication.h"

namespace num {

namespace {

// The fraction of a beyond its integer part, cut after `places` decimals;
// a cut tail leaves one unit in the next place, so that a rounding at fewer
// places goes the way the whole fraction takes it.
number cutfraction(const number& a, const number& whole, std::int32_t places)
{
    number f = a - whole;
    const number kept = truncdigits(f, places);
    if (kept != f)
        return kept + powerof10(-places - 1);
    return f;
}

// Decimal places of the fraction kept beyond the d of the result: the cut
// moves the degrees by less than 10^-(d + 11), far inside the half unit of
// the rounding at d places, and the unit cutfraction leaves in the next
// place keeps a cut tail on the side of a midpoint the whole fraction is on.
constexpr std::int32_t DMS_GUARD = 12;

// The decimal places the display of v at P digits shows (as displayed()
// rounds): P + 1 significant digits, or P places where v rounds to a value
// from 10^-5 up to 1, which the display writes without an exponent.
std::int32_t shownplaces(const number& v, std::int32_t P)
{
    if (v.iszero())
        return P;
    const std::int32_t rounded = leadpos(rounddigits(v, P - leadpos(v)));
    return rounded < 0 && rounded >= -4 ? P : P - leadpos(v);
}

// x m for a small m > 0, by doublings and sums: exact like a product, and
// for x of any smallness, where products stop at about 10^-399999900.
number timessmall(const number& x, std::uint32_t m)
{
    number r;
    number d = x;
    for (; m != 0; m >>= 1) {
        if ((m & 1) != 0)
            r = r + d;
        if (m > 1)
            d = d + d;
    }
    return r;
}

// The d.mmss form of a = D + f (D its integer part) with its total seconds
// rounded, halves up, to the unit of decimal place `places`: a degree at 0,
// 10 minutes at 1, a minute at 2, then 10^(4 - places) seconds; 10^-places
// degrees below 0. A carry goes on to the minutes and the degrees.
number dmsrounded(const number& a, const number& D, const number& f, std::int32_t places)
{
    if (places <= 0)
        return rounddigits(a, places);
    // Total seconds of f on the unit.
    const number t = places <= 2 ? timessmall(rounddigits(timessmall(f, 60), places - 2), 60)
                                 : rounddigits(timessmall(f, 3600), places - 4);
    const std::int64_t whole = getint64(t);  // at most 3600
    number M(whole / 60);
    number S = t - number(whole / 60 * 60);
    number degrees = D;
    if (whole >= 3600) {
        increment(degrees);
        M = number();
    }
    return degrees + scaled(M, -2) + scaled(S, -4);
}

}  // namespace

number todms(const number& x, std::int32_t P)
{
    const number a = abs(x);
    const number D = floor(a);
    const number f = a - D;
    // The unrounded d.mmss value tells the places first; a carry that adds
    // an integer digit (9.99999 to 10) leaves fewer, at which the seconds
    // are rounded again from the start, so that nothing rounds twice.
    const number minutes = timessmall(f, 60);
    const number M = floor(minutes);
    const number v = D + scaled(M, -2) + scaled(timessmall(minutes - M, 60), -4);
    std::int32_t places = shownplaces(v, P);
    number r = dmsrounded(a, D, f, places);
    for (std::int32_t p = shownplaces(r, P); p < places; p = shownplaces(r, P)) {
        places = p;
        r = dmsrounded(a, D, f, places);
    }
    return x.isnegative() ? negate(r) : r;
}

number fromdms(const number& x, std::int32_t d)
{
    static const number sixty(60), thirtysix(36);
    const number hundred(100);
    number e = powerof10(-d);
    number a = abs(x);
    number D = floor(a);
    number f = cutfraction(a, D, d + DMS_GUARD) * hundred;
    number M = floor(f);  // minutes, two digits
    f = f - M;

    // Then pairs of digits, whole seconds, hundredths, ten-thousandths, ...:
    // the rest of the fraction counts a 36th of a degree per unit.
    number s = D + quot(M, sixty, e) + quot(f, thirtysix, e);
    // Whole degrees stay as they are: the rounding would scale them by
    // 10^d, beyond the range of a number near its top.
    if (!isinteger(s))
        s = rounddigits(s, d);
    return x.isnegative() ? negate(s) : s;
}

}  // namespace num
