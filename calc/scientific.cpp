// The one-operand keys: logarithms and exponentials, powers and roots,
// reciprocal, factorial, trigonometric and hyperbolic families, pi,
// degrees-minutes-seconds; the angle units and the memory.
#include <algorithm>
#include <utility>

#include "calc/calculator.h"
#include "calc/keys.h"
#include "number/addition.h"
#include "number/conversion.h"
#include "number/dms.h"
#include "number/exponential.h"
#include "number/gamma.h"
#include "number/inversetrig.h"
#include "number/multiplication.h"
#include "number/powers.h"
#include "number/trigonometric.h"

using namespace num;

namespace {

[[noreturn]] void invalidinput() { throw calculatorexception("Invalid input for function"); }

// Digits carried beyond those that cancel, for the rounding of both terms
// below the result's last digit.
constexpr int CANCELGUARD = 2;

// Digits to carry where a result of size x comes from the difference of two
// values near 1: about -leadpos(x) of them cancel.
int cancelling(const number& x, int P) { return P + std::max(0, -leadpos(x)) + CANCELGUARD; }

// For |x| below 10^-(P/2 + 2) the odd functions sinh, tanh, asinh and atanh
// are x (1 + O(x^2)): x itself to every shown digit.
bool negligiblecube(const number& x, int P) { return 2 * leadpos(x) < -(P + 4); }

// tanh x, asinh x and sin x lie just inside x where x^3 is negligible,
// tan x just outside: x with a unit far below its last digit taken off or
// added, so that an x exactly on a rounding midpoint of the display rounds
// the way the true value does.
number towardzero(const number& x, int P) { return nudged(x, P, true); }

number awayfromzero(const number& x, int P) { return nudged(x, P, false); }

// For |x| above 10^(P + 10) the 1 in x^2 + 1 and x^2 - 1 lies below every
// digit the root needs: x^2 +- 1 is x^2, whose exact form would spell out
// all the zeros between (and leave the range of products for large x).
bool onenegligible(const number& x, int P) { return leadpos(x) > P + 10; }

// tanh x is 1 - 2e^-2x + ...: for |x| >= 10^TANHSATURATES that differs
// from 1 by less than 10^-8000000, far below any shown digit, while e^x
// would leave the range of a number.
constexpr std::int32_t TANHSATURATES = 7;

// An integer n with leadpos(n) < EXACTPOWEROFTEN, |n| < 10^9, fits the
// 32 bits of powerof10's exponent: 10^n is then formed exactly.
constexpr std::int32_t EXACTPOWEROFTEN = 9;

// Digits beyond those of the rest with which an angle of at most half a
// right angle goes to radians: pi and the quotient by the half turn each
// err by 10^-2 of a unit of the rest's last digit.
constexpr int TORADIANSGUARD = 2;

// Digits beyond P with which radians come back to the unit: the quotient
// by pi and the product by the half turn each round below the shown digits.
constexpr int FROMRADIANSGUARD = 3;

// The last decimal place Inv dms rounds to: its products and quotients keep
// guard digits below it, which stay inside the range of a product (about
// 10^-399999900). Smaller degrees show 0.
constexpr int LOWESTPLACE = 399999800;

// Whether c^n (n = 2, 3), exactly, has its digits inside the range of a
// number, 10^-799999992 to 10^800000000: a power beyond it is no number
// a key was typed with, and forming it would fail.
bool powerfits(const number& c, int n)
{
    constexpr std::int64_t LOWESTDIGIT = -799999992;
    constexpr std::int64_t FIRSTBEYOND = 800000000;
    const std::int64_t low = leadpos(c) - significantdigits(c) + 1;
    return n * low >= LOWESTDIGIT && n * (std::int64_t{leadpos(c)} + 1) <= FIRSTBEYOND;
}

// The right angle of a unit other than radians: 90 degrees, 100 grads.
int rightangle(angleunit unit) { return unit == angleunit::degrees ? 90 : 100; }

}  // namespace

void Calculator::scientific(int code)
{
    switch (code) {
    case key::degrees: m_angle = angleunit::degrees; return;
    case key::radians: m_angle = angleunit::radians; return;
    case key::grads: m_angle = angleunit::grads; return;
    case key::memoryclear:
    case key::memoryrecall:
    case key::memorystore:
    case key::memoryadd: memorykey(code); return;
    default: break;
    }

    const number x = getvalue();
    m_opknown = KNOWALL;
    switch (code) {
    case key::ln:
    case key::log: exponentialkey(code, x); return;
    case key::square:
    case key::cube:
    case key::reciprocal: powerkey(code, x); return;
    case key::sin:
    case key::cos:
    case key::tan: {
        if (m_radix != 10)
            return;
        const bool hyp = m_hyp;
        const number r = rounded([&](attempt& a) {
            return hyp ? hyperbolic(code, x, a.digits) : trigonometric(code, x, a);
        });
        showresult(r);
        m_hyp = false;
        return;
    }
    case key::pi:
        if (m_radix == 10) {
            const number r = rounded([&](attempt& a) { return pi(powerof10(-a.digits)); });
            showvalue(r, m_opknown);
        }
        return;
    case key::factorial: {
        // Each of the n products rounds: n units of the last digit at most,
        // which as many more digits as n has keep below the first one.
        const int factors = leadpos(x) > 0 ? leadpos(x) + 1 : 0;
        const number r = rounded([&](attempt& a) { return factorial(x, a.digits + factors); });
        showvalue(r, resultknown());
        return;
    }
    case key::dms:
        showresult(rounded([&](attempt& a) {
            // d.mmss is rounded in its own fields to the places the display
            // shows, exactly. Degrees round to a number of places: below 1
            // as many more as x has leading zeros (the degrees have at most
            // one more than x), for the significant digits shown there.
            if (!m_inv) {
                a.exact = true;
                // Exactly the display, of the digits at this precision.
                m_opknown = m_precision;
                return todms(x, m_precision);
            }
            const int places = std::min(a.digits + std::max(0, 1 - leadpos(x)), LOWESTPLACE);
            a.bound = powerof10(-places);
            return fromdms(x, places);
        }));
        return;
    default: return;
    }
}

void Calculator::memorykey(int code)
{
    switch (code) {
    case key::memoryclear:
        m_memory = number();
        m_memoryknown = KNOWALL;
        return;
    case key::memoryrecall: showvalue(m_memory, m_memoryknown); return;
    case key::memorystore:
        m_memory = getvalue();
        m_memoryknown = m_known;
        return;
    default:
        m_memory = exactsum(m_memory, getvalue());
        m_memoryknown = std::min(m_memoryknown, m_known);
        return;
    }
}

// The result's true digits: those of the value the key read, and of the
// key's own rounding.
int Calculator::resultknown() const { return std::min(m_known, m_opknown); }

// Inv is used up by the keys that read it, once they succeed.
void Calculator::showresult(const number& r)
{
    showvalue(r, resultknown());
    m_inv = false;
}

void Calculator::exponentialkey(int code, const number& x)
{
    if (code == key::ln) {
        if (m_inv) {
            showresult(rounded([&](attempt& a) { return expprec(x, a.digits); }));
            return;
        }
        if (x.iszero() || x.isnegative())
            invalidinput();
        showresult(rounded([&](attempt& a) { return lnprec(x, a.digits); }));
        return;
    }
    if (m_inv) {
        // 10^n of an integer n is a power of ten exactly.
        if (isinteger(x) && leadpos(x) < EXACTPOWEROFTEN)
            showresult(powerof10(static_cast<std::int32_t>(getint64(x))));
        else
            showresult(rounded([&](attempt& a) { return powprec(number(10), x, a.digits); }));
        return;
    }
    if (x.iszero() || x.isnegative())
        invalidinput();
    // The logarithm of a power of ten is its exponent, exactly.
    if (ispowerof10(x))
        showresult(number(leadpos(x)));
    else
        showresult(rounded([&](attempt& a) { return logprec(number(10), x, a.digits); }));
}

void Calculator::powerkey(int code, const number& x)
{
    if (code == key::reciprocal) {
        if (x.iszero())
            throw calculatorexception("Cannot divide by zero");
        // 1/x reads no Inv: it stays for the next key.
        const number r = rounded([&](attempt& a) { return quotprec(one(), x, a.digits); },
                                 [&](const number& c) { return c * x == one(); });
        showvalue(r, resultknown());
        return;
    }
    if (code == key::square) {
        if (!m_inv) {
            showresult(rounded([&](attempt& a) { return prodprec(x, x, a.digits); }));
            return;
        }
        if (x.isnegative())
            invalidinput();
        showresult(rounded([&](attempt& a) { return sqrtprec(x, a.digits); },
                           [&](const number& c) { return powerfits(c, 2) && c * c == x; }));
        return;
    }
    if (!m_inv) {
        showresult(rounded(
            [&](attempt& a) { return prodprec(prodprec(x, x, a.digits + 1), x, a.digits); }));
        return;
    }
    const number ax = abs(x);
    const number r = rounded([&](attempt& a) { return rootprec(ax, number(3), a.digits); },
                             [&](const number& c) { return powerfits(c, 3) && c * c * c == ax; });
    showresult(x.isnegative() ? negate(r) : r);
}

// e^x and e^-x, each within 2 10^-(d+2) relative (the bound of one
// expprec at d digits is 10^-(d+1)): one exponential, of |x| so that it is
// at least 1, and its reciprocal, which costs a quotient instead of a second
// series.
static std::pair<number, number> exponentials(const number& x, int d)
{
    number a = expprec(abs(x), d + 1);
    // From a >= 10^(d+4) on, 1/a lies below 10^-(2d+8) of a, under every
    // digit, and near the top of the range below the range itself.
    number b = leadpos(a) > d + 3 ? number() : quotprec(one(), a, d + 1);
    if (x.isnegative())
        std::swap(a, b);
    return {a, b};
}

// For |x| >= 1.25 P + 4 > 1.1513 (P + 3), e^-|x| lies below 10^-(P+3) of
// e^|x| (e^-2|x| < 10^-(P+3)), under every digit shown: sinh x and cosh x
// are +-e^(|x| - ln 2), which also reaches the last ln 2 of the range,
// where e^|x| itself no longer fits.
static bool oneexponential(const number& x, int P) { return abs(x) >= number(P + P / 4 + 4); }

// e^(|x| - ln 2) to P digits: t to P + 3 places and e^t to P + 1 digits,
// with the term left out 10^-(P+2) of the result in all.
static number halfexponential(const number& x, int P)
{
    // Beyond 10^10, t lies past the range's end either way, which expprec
    // reports: more places would only leave the range of ln 2's resolution.
    constexpr int BEYONDPLACES = 11;
    const int places = P + 3 + std::clamp(leadpos(x) + 1, 0, BEYONDPLACES);
    const number t = diffprec(abs(x), lnprec(number(2), places), places);
    return expprec(t, P + 1);
}

// ln 2x = ln x + ln 2 for x > 0, which 2x may leave the range of a number
// to reach: both terms positive, each to P + 2 digits of the larger.
static number lntwice(const number& x, int P)
{
    const number a = lnprec(x, P + 2);
    return sumprec(a, lnprec(number(2), P + 2 + std::max(0, leadpos(a))), P);
}

number Calculator::hyperbolic(int code, const number& x, int P)
{
    if (!m_inv) {
        if (code != key::tan && oneexponential(x, P)) {
            const number r = halfexponential(x, P);
            return code == key::sin && x.isnegative() ? negate(r) : r;
        }
        if (code == key::cos) {
            const auto [a, b] = exponentials(x, P);
            return half() * sumprec(a, b, P);
        }
        if (x.iszero())
            return number();
        if (negligiblecube(x, P))
            return code == key::tan ? towardzero(x, P) : x;
        if (code == key::tan && leadpos(x) >= TANHSATURATES)
            return number(x.isnegative() ? -1 : 1);
        // e^x and e^-x agree in their leading digits for small x.
        const int d = cancelling(x, P);
        const auto [a, b] = exponentials(x, d);
        if (code == key::sin)
            return half() * diffprec(a, b, d);
        // At a resolution: exactly, a - b of a large x would spell out every
        // digit between e^x and e^-x.
        return quotprec(diffprec(a, b, d), sumprec(a, b, d), P);
    }
    switch (code) {
    case key::sin: {
        if (x.iszero())
            return number();
        if (x.isnegative())  // x + sqrt(x^2 + 1) would cancel
            return negate(hyperbolic(code, negate(x), P));
        if (negligiblecube(x, P))
            return towardzero(x, P);
        if (onenegligible(x, P))
            return lntwice(x, P);
        const int d = cancelling(x, P);
        return lnprec(x + sqrtprec(x * x + one(), d), P);
    }
    case key::cos:
        if (x < one())
            invalidinput();
        if (onenegligible(x, P))
            return lntwice(x, P);
        return lnprec(x + sqrtprec(x * x - one(), P), P);
    default: {
        if (!(x > number(-1) && x < one()))
            invalidinput();
        if (x.iszero())
            return number();
        if (negligiblecube(x, P))
            return x;
        const int d = cancelling(x, P);
        return lnprec(sqrtprec(quotprec(one() + x, one() - x, d), d), P);
    }
    }
}

// The inverse function of `code` at x in sixths of a right angle, where x
// is 0, +-1/2 or +-1 (asin 1/2 = 2, atan 1 = 3, acos -1 = 12), else NOSIXTHS.
constexpr int NOSIXTHS = 100;

static int inversesixths(int code, const number& x)
{
    const bool negative = x.isnegative();
    const number a = abs(x);
    int s;
    if (a == one())
        s = code == key::tan ? 3 : 6;
    else if (a == half() && code != key::tan)
        s = 2;
    else if (x.iszero())
        s = 0;
    else
        return NOSIXTHS;
    // acos x = pi/2 - asin x: six sixths less the arc sine's.
    if (code == key::cos)
        return 6 - (negative ? -s : s);
    return negative ? -s : s;
}

number Calculator::trigonometric(int code, const number& x, attempt& at)
{
    const int P = at.digits;
    if (m_inv) {
        if (code != key::tan && (x < number(-1) || x > one()))
            invalidinput();
        if (x.iszero() && code != key::cos) {
            at.exact = true;
            return number();
        }
        // At 0, +-1/2 and +-1 the angles are whole sixths of a right angle:
        // in degrees, and in grads where the sixths come out whole, exact.
        if (m_angle != angleunit::radians) {
            const int sixths = inversesixths(code, x);
            const int right = rightangle(m_angle);
            if (sixths != NOSIXTHS && sixths * right % 6 == 0) {
                at.exact = true;
                return number(sixths * right / 6);
            }
        }
        // Tiny arguments: asin x = x (1 + x^2/6), atan x = x (1 - x^2/3) to
        // every shown digit, acos x = pi/2 - x; their squares would leave
        // the range of a product.
        if (negligiblecube(x, P) && code != key::cos)
            return fromradians(code == key::sin ? awayfromzero(x, P) : towardzero(x, P), P);
        // acos x = pi/2 - x - x^3/6 - ...: pi/2 - x at a resolution, moved
        // a hair down for x > 0 and up for x < 0, the way x^3 takes it.
        if (code == key::cos && negligiblecube(x, P)) {
            const number f = powerof10(-P - 12);
            const number v = sum(half() * pi(f), negate(x), f);
            return fromradians(nudged(v, P, !x.isnegative()), P);
        }
        if (code == key::sin)
            return fromradians(asinprec(x, P), P);
        if (code == key::cos)
            return fromradians(acosprec(x, P), P);
        return fromradians(atanprec(x, P), P);
    }
    if (x.iszero() && code != key::cos) {
        at.exact = true;
        return number();
    }
    // cos x = 1 - x^2/2 + ...: 1 to every shown digit, in any unit, however
    // far below the range of a number x^2 or the angle in radians lies.
    if (code == key::cos && 2 * leadpos(x) < -(P + 10))
        return towardzero(one(), P);
    const quarterangle q = quarters(x, P);
    if (q.rest.iszero()) {
        // A multiple of a right angle in degrees or grads: exact values.
        static const int SINE[4] = {0, 1, 0, -1};
        at.exact = true;
        if (code == key::sin)
            return number(SINE[q.quarter]);
        if (code == key::cos)
            return number(SINE[(q.quarter + 1) % 4]);
        if (q.quarter % 2 == 1)
            invalidinput();
        return number();
    }
    if (code == key::sin)
        return sinprec(q, P);
    if (code == key::cos)
        return cosprec(q, P);
    return tanprec(q, P);
}

// The half turn of the angle unit: 180 degrees, 200 grads.
static number halfturn(angleunit unit) { return number(2 * rightangle(unit)); }

quarterangle Calculator::quarters(const number& x, int P)
{
    const int d = P + QUARTERGUARD;
    if (m_angle == angleunit::radians)
        return quarterturns(x, d);
    // Degrees and grads reduce exactly in their unit: the rest is x less
    // the nearest multiple of a right angle, at most half a right angle, and
    // only it goes to radians, however close x lies to the multiple.
    const std::int64_t right = rightangle(m_angle);
    const number a = x % number(4 * right);
    // floor(a + right / 2), without spelling out a tiny a's digits.
    const std::int64_t n = getint64(floor(a)) + right / 2;
    const std::int64_t k = n >= 0 ? n / right : -((right - 1 - n) / right);
    const number b = a - number(k * right);
    quarterangle q{number(), static_cast<int>((k % 4 + 4) % 4)};
    if (b.iszero())
        return q;
    // pi b / h on the digits of b, then moved back to the place of b: a
    // tiny b would take its product below the range of one.
    const int e = d + TORADIANSGUARD;
    const std::int32_t place = leadpos(b);
    q.rest = shifted(
        prodprec(pi(powerof10(-e)), quotprec(scaled(b, -place), halfturn(m_angle), e), e), place);
    return q;
}

number Calculator::fromradians(const number& x, int P)
{
    if (m_angle == angleunit::radians || x.iszero())
        return x;
    // A quotient by pi relative to itself, on the digits of x and moved back
    // to its place, so that a tiny x keeps its products within the range.
    const number eps = powerof10(-P - FROMRADIANSGUARD);
    const std::int32_t place = leadpos(x);
    return shifted(halfturn(m_angle) * quotprec(scaled(x, -place), pi(eps), P + FROMRADIANSGUARD),
                   place);
}
