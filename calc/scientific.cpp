// The one-operand keys: logarithms and exponentials, powers and roots,
// reciprocal, factorial, trigonometric and hyperbolic families, pi,
// degrees-minutes-seconds; the angle units and the memory.
#include <algorithm>

#include "calc/calculator.h"
#include "calc/keys.h"
#include "number/addition.h"
#include "number/conversion.h"
#include "number/exponential.h"
#include "number/gamma.h"
#include "number/inversetrig.h"
#include "number/multiplication.h"
#include "number/powers.h"
#include "number/trigonometric.h"

namespace {

[[noreturn]] void invalidinput() { throw calculatorexception("Invalid input for function"); }

// Digits carried beyond those that cancel, for the rounding of both terms
// below the result's last digit.
constexpr int cancelguard = 2;

// Digits to carry where a result of size x comes from the difference of two
// values near 1: about -leadpos(x) of them cancel.
int cancelling(const number& x, int P) { return P + std::max(0, -leadpos(x)) + cancelguard; }

// For |x| below 10^-(P/2 + 2) the odd functions sinh, tanh, asinh and atanh
// are x (1 + O(x^2)): x itself to every shown digit.
bool negligiblecube(const number& x, int P) { return 2 * leadpos(x) < -(P + 4); }

// For |x| above 10^(P + 10) the 1 in x^2 + 1 and x^2 - 1 lies below every
// digit the root needs: x^2 +- 1 is x^2, whose exact form would spell out
// all the zeros between (and leave the range of products for large x).
bool onenegligible(const number& x, int P) { return leadpos(x) > P + 10; }

// tanh x is 1 - 2e^-2x + ...: for |x| >= 10^tanhsaturates that differs
// from 1 by less than 10^-8000000, far below any shown digit, while e^x
// would leave the range of a number.
constexpr std::int32_t tanhsaturates = 7;

// An integer n with leadpos(n) < exactpoweroften, |n| < 10^9, fits the
// 32 bits of powerof10's exponent: 10^n is then formed exactly.
constexpr std::int32_t exactpoweroften = 9;

// Digits beyond P with which an angle below 1 goes to radians, at a
// resolution that follows its own lead: pi and the quotient by the half
// turn each err by a unit there, 10^-8 of the result's last digit.
constexpr int toradiansguard = 8;

// Digits beyond P with which radians come back to the unit: the quotient
// by pi and the product by the half turn each round below the shown digits.
constexpr int fromradiansguard = 3;

// The right angle of a unit other than radians: 90 degrees, 100 grads.
int rightangle(angleunit unit) { return unit == angleunit::degrees ? 90 : 100; }

}  // namespace

void Calculator::scientific(int code)
{
    const int P = m_precision;
    switch (code) {
    case key::degrees: m_angle = angleunit::degrees; return;
    case key::radians: m_angle = angleunit::radians; return;
    case key::grads: m_angle = angleunit::grads; return;
    case key::memoryclear: m_memory = number(); return;
    case key::memoryrecall: showvalue(m_memory); return;
    case key::memorystore: m_memory = getvalue(); return;
    case key::memoryadd: m_memory = sumprec(m_memory, getvalue(), P); return;
    default: break;
    }

    number x = getvalue();
    switch (code) {
    case key::ln:
        if (m_inv) {
            showvalue(expprec(x, P));
        } else {
            if (x.iszero() || x.isnegative())
                invalidinput();
            showvalue(lnprec(x, P));
        }
        m_inv = false;
        return;
    case key::log:
        if (m_inv) {
            // 10^n of an integer n is a power of ten exactly.
            if (isinteger(x) && leadpos(x) < exactpoweroften)
                showvalue(powerof10(static_cast<std::int32_t>(getint64(x))));
            else
                showvalue(powprec(number(10), x, P));
        } else {
            if (x.iszero() || x.isnegative())
                invalidinput();
            // The logarithm of a power of ten is its exponent, exactly.
            if (ispowerof10(x))
                showvalue(number(leadpos(x)));
            else
                showvalue(logprec(number(10), x, P));
        }
        m_inv = false;
        return;
    case key::square:
        if (m_inv) {
            if (x.isnegative())
                invalidinput();
            number r = sqrtprec(x, P);
            showvalue(exactshown(r, [&](const number& c) { return c * c == x; }).value_or(r));
        } else {
            showvalue(prodprec(x, x, P));
        }
        m_inv = false;
        return;
    case key::cube:
        if (m_inv) {
            number t = quotprec(one(), number(3), 2 * P);
            number a = abs(x);
            number r = powprec(a, t, P);
            r = exactshown(r, [&](const number& c) { return c * c * c == a; }).value_or(r);
            showvalue(x.isnegative() ? negate(r) : r);
        } else {
            showvalue(prodprec(prodprec(x, x, P), x, P));
        }
        m_inv = false;
        return;
    case key::reciprocal: {
        if (x.iszero())
            throw calculatorexception("Cannot divide by zero");
        number r = quotprec(one(), x, P);
        showvalue(exactshown(r, [&](const number& c) { return c * x == one(); }).value_or(r));
        return;
    }
    case key::sin:
    case key::cos:
    case key::tan:
        if (m_radix != 10)
            return;
        showvalue(m_hyp ? hyperbolic(code, x) : trigonometric(code, x));
        m_inv = false;
        m_hyp = false;
        return;
    case key::pi:
        if (m_radix == 10)
            showvalue(pi(powerof10(-P)));
        return;
    case key::factorial: showvalue(factorial(x, P)); return;
    case key::dms:
        showvalue(m_inv ? fromdms(x, P) : todms(x, P));
        m_inv = false;
        return;
    default: return;
    }
}

number Calculator::hyperbolic(int code, const number& x)
{
    const int P = m_precision;
    if (!m_inv) {
        if (code == key::cos)
            return half() * sumprec(expprec(x, P), expprec(negate(x), P), P);
        if (x.iszero())
            return number();
        if (negligiblecube(x, P))
            return x;
        if (code == key::tan && leadpos(x) >= tanhsaturates)
            return number(x.isnegative() ? -1 : 1);
        // e^x and e^-x agree in their leading digits for small x.
        const int d = cancelling(x, P);
        number a = expprec(x, d);
        number b = expprec(negate(x), d);
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
            return negate(hyperbolic(code, negate(x)));
        if (negligiblecube(x, P))
            return x;
        if (onenegligible(x, P))
            return lnprec(x + x, P);
        const int d = cancelling(x, P);
        return lnprec(x + sqrtprec(x * x + one(), d), P);
    }
    case key::cos:
        if (x < one())
            invalidinput();
        if (onenegligible(x, P))
            return lnprec(x + x, P);
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

number Calculator::trigonometric(int code, const number& x)
{
    const int P = m_precision;
    if (m_inv) {
        if (code != key::tan && (x < number(-1) || x > one()))
            invalidinput();
        if (x.iszero() && code != key::cos)
            return number();
        if (code == key::sin)
            return fromradians(asinprec(x, P));
        if (code == key::cos)
            return fromradians(acosprec(x, P));
        return fromradians(atanprec(x, P));
    }
    if (m_angle != angleunit::radians) {
        // Degrees and grads reduce exactly: at multiples of a right angle
        // the values are exact.
        const int right = rightangle(m_angle);
        number a = x % (number(right) * number(4));
        if ((a % number(right)).iszero()) {
            int quadrant = static_cast<int>(getint64(a) / right);
            quadrant = (quadrant + 4) % 4;
            static const int sine[4] = {0, 1, 0, -1};
            if (code == key::sin)
                return number(sine[quadrant]);
            if (code == key::cos)
                return number(sine[(quadrant + 1) % 4]);
            if (quadrant % 2 == 1)
                invalidinput();
            return number();
        }
    }
    if (x.iszero() && code != key::cos)
        return number();
    if (code == key::sin)
        return sinprec(toradians(x), P);
    if (code == key::cos)
        return cosprec(toradians(x), P);
    return tangent(toradians(x));
}

// Only a cosine that vanishes is an input outside the tangent's domain.
number Calculator::tangent(const number& x)
{
    const number c = tancosine(x, m_precision);
    if (c.iszero())
        invalidinput();
    return tanprec(x, m_precision, c);
}

// The half turn of the angle unit: 180 degrees, 200 grads.
static number halfturn(angleunit unit) { return number(2 * rightangle(unit)); }

number Calculator::toradians(const number& x)
{
    if (m_angle == angleunit::radians)
        return x;
    const number h = halfturn(m_angle);
    number a = x % (h + h);
    // The more places a carries, the finer: sin of 180.000001 degrees needs
    // its digits relative to the small result, as does an angle below 1.
    const number eps = leadpos(a) >= 0 ? reductionresolution(a, m_precision)
                                       : powerof10(leadpos(a) - m_precision - toradiansguard);
    return pi(eps) * quot(a, h, eps);
}

number Calculator::fromradians(const number& x)
{
    if (m_angle == angleunit::radians)
        return x;
    std::int32_t e = leadpos(x);
    number eps = powerof10(std::min(e, 0) - m_precision - fromradiansguard);
    return halfturn(m_angle) * quotprec(x, pi(eps), m_precision + fromradiansguard);
}
