// What the display shows: a key's result rounded for it (more digits until
// the result's error interval rounds to one display), the sums that stay
// exact, a value as its text, the entry's text as a value; and showvalue,
// which puts a value with its true digits on the display.
#include <algorithm>

#include "calc/calculator.h"
#include "number/addition.h"
#include "number/conversion.h"
#include "number/multiplication.h"

using namespace num;

void Calculator::showvalue(const number& x, int known)
{
    std::string text = formatvalue(x, known);
    if (m_radix == 10) {
        m_value = x;
        m_known = known;
    } else {
        m_value = number(mask(getuint64(x)));
        m_known = KNOWALL;
    }
    m_display = std::move(text);
    endentry();
    m_operatorlast = false;
    m_dirty = false;
    m_operand.clear();
    m_historyopen = false;
    ++m_shown;
}

number Calculator::parseentry(const std::string& text) const
{
    return m_radix == 10 ? entrytonumber(text) : integerentry(text);
}

std::string Calculator::formatvalue(const number& x, int known) const
{
    return formatvalue(x, known, m_radix);
}

std::string Calculator::formatvalue(const number& x, int known, int radix) const
{
    if (radix == 10)
        return decimaltext(x, std::min(m_precision, known), m_grouping);
    const std::string text = integertext(x, radix);
    return m_grouping ? groupdigits(text, radix) : text;
}

namespace {

// The digit wrappers err by at most their resolution, 10^(E - d - 2) for a
// result of lead E at d digits, and the engine's compositions keep within
// it: with E estimated within one of the result's lead r, a value at d
// digits lies within 10^(r - d - 1) of the result. The first attempt
// carries FIRSTGUARD digits beyond the shown ones: that interval, a
// hundredth of a shown unit, then rounds to one display for all but about
// 2 % of the results. A retry adds RETRYGUARD digits, and then twice as
// many each time.
constexpr int FIRSTGUARD = 1;
constexpr int BOUNDPLACES = 1;
constexpr int RETRYGUARD = 13;
// Digits every attempt carries in the integer radices: a word of 64 bits
// has 20.
constexpr int INTEGERDIGITS = 20;
// Retries end at 4P + RETRYCAP digits: only a result exactly on a midpoint
// that no exactness check recognises gets there.
constexpr int RETRYCAP = 100;
// Sums are exact while they span at most 4P + SUMSPAN places (entries
// hold 6099 digits, results about P). An addend below that counts only by
// its sign, for the rounding of the display, so that 10^700000000 + 1
// needs no 700 million digits.
constexpr int SUMSPAN = 2 * static_cast<int>(MAXENTRY) + 100;

}  // namespace

number Calculator::displayvalue(const number& x) const
{
    return m_radix == 10 ? displayed(x, m_precision) : truncdigits(x, 0);
}

number Calculator::rounded(const computation& compute,
                           const std::function<bool(const number&)>& exact) const
{
    const int shown = m_radix == 10 ? m_precision : std::max(m_precision, INTEGERDIGITS);
    const int cap = 4 * shown + RETRYCAP;
    int extra = FIRSTGUARD;
    // A result that is not the value itself is true to the shown digits only.
    const auto inexact = [&](const number& r) {
        m_opknown = std::min(m_opknown, m_precision);
        return r;
    };
    for (;;) {
        attempt a{std::min(shown + extra, cap), false, std::nullopt};
        const number r = compute(a);
        if (a.exact)
            return r;
        // A zero that is not the result itself is a value lost in its own
        // error: more digits tell its sign and leading digits.
        if (r.iszero()) {
            if (a.digits == cap)
                return inexact(r);
            extra = extra == FIRSTGUARD ? RETRYGUARD : 2 * extra;
            continue;
        }
        // In the decimal radix the display itself is the candidate; an
        // integer radix shows the integer part, so the nearest integer is.
        if (exact) {
            const number c = m_radix == 10 ? displayed(r, m_precision) : rounddigits(r, 0);
            if (exact(c))
                return c;
        }
        // A value with no digit as far down as its bound (at the bottom of
        // the range of a number) lies on no midpoint of the display.
        const std::int32_t boundpos = leadpos(r) - a.digits - BOUNDPLACES;
        if (!a.bound && boundpos < BASE_DIGITS * MIN_EXPO)
            return inexact(r);
        number b = a.bound ? *a.bound : powerof10(boundpos);
        // A bound far below the digits any attempt shows decides nothing
        // more than one at their end, whose sums with r stay short.
        if (leadpos(b) < leadpos(r) - 2 * cap)
            b = powerof10(leadpos(r) - 2 * cap);
        const number low = displayvalue(r - b);
        const number high = displayvalue(r + b);
        if (low == high)
            return inexact(r);
        // A result exactly on the midpoint between two displays.
        if (exact && m_radix == 10) {
            const number mid = half() * (low + high);
            if (exact(mid))
                return mid;
        }
        if (a.digits == cap)
            return inexact(r);
        extra = extra == FIRSTGUARD ? RETRYGUARD : 2 * extra;
    }
}

number Calculator::exactsum(const number& x, const number& y) const
{
    if (x.iszero() || y.iszero())
        return x + y;
    const bool xbig = compareabs(x, y) >= 0;
    const number& big = xbig ? x : y;
    const number& small = xbig ? y : x;
    const std::int32_t below = leadpos(big) - 4 * m_precision - SUMSPAN;
    if (leadpos(small) < below) {
        // It decides the display only where big lies exactly on a midpoint
        // (or an integer in the integer radices), and is dropped elsewhere,
        // so that a later difference with big does not show it enlarged.
        const number unit = powerof10(below);
        const number nudged = big + (small.isnegative() ? negate(unit) : unit);
        return displayvalue(big + unit) == displayvalue(big - unit) ? big : nudged;
    }
    return x + y;
}
