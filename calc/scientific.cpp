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

// x rounded to P + 1 significant digits: what the display shows of it.
number shown(const number& x, int P) { return rounddigits(x, P - leadpos(x)); }

// Digits to carry where a result of size x comes from the difference of two
// values near 1: about -leadpos(x) of them cancel.
int cancelling(const number& x, int P) { return P + std::max(0, -leadpos(x)) + 2; }

// For |x| below 10^-(P/2 + 2) the odd functions sinh, tanh, asinh and atanh
// are x (1 + O(x^2)): x itself to every shown digit.
bool negligiblecube(const number& x, int P) { return 2 * leadpos(x) < -(P + 4); }

// For |x| above 10^(P + 10) the 1 in x^2 + 1 and x^2 - 1 lies below every
// digit the root needs: x^2 +- 1 is x^2, whose exact form would spell out
// all the zeros between (and leave the range of products for large x).
bool onenegligible(const number& x, int P) { return leadpos(x) > P + 10; }

}  // namespace

void Calculator::scientific(int code)
{
    const int P = m_precision;
    switch (code) {
    case key::degrees: m_angle = 1; return;
    case key::radians: m_angle = 0; return;
    case key::grads: m_angle = 2; return;
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
            if (isinteger(x) && leadpos(x) < 9)
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
            number candidate = shown(r, P);
            showvalue(candidate * candidate == x ? candidate : r);
        } else {
            showvalue(prodprec(x, x, P));
        }
        m_inv = false;
        return;
    case key::cube:
        if (m_inv) {
            number t = quotprec(number(1), number(3), 2 * P);
            number a = abs(x);
            number r = powprec(a, t, P);
            number candidate = shown(r, P);
            if (candidate * candidate * candidate == a)
                r = candidate;
            showvalue(x.isnegative() ? negate(r) : r);
        } else {
            showvalue(prodprec(prodprec(x, x, P), x, P));
        }
        m_inv = false;
        return;
    case key::reciprocal: {
        if (x.iszero())
            throw calculatorexception("Cannot divide by zero");
        number r = quotprec(number(1), x, P);
        number candidate = shown(r, P);
        showvalue(candidate * x == number(1) ? candidate : r);
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
    const number one(1);
    static const number half(0.5);
    if (!m_inv) {
        if (code == key::cos)
            return half * sumprec(expprec(x, P), expprec(negate(x), P), P);
        if (x.iszero())
            return number();
        if (negligiblecube(x, P))
            return x;
        // tanh x is 1 - 2e^-2x...: for |x| above 10^6 that differs from 1 far
        // below any shown digit, while e^x would leave the range.
        if (code == key::tan && leadpos(x) > 6)
            return number(x.isnegative() ? -1 : 1);
        // e^x and e^-x agree in their leading digits for small x.
        const int d = cancelling(x, P);
        number a = expprec(x, d);
        number b = expprec(negate(x), d);
        if (code == key::sin)
            return half * diffprec(a, b, d);
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
        return lnprec(x + sqrtprec(x * x + one, d), P);
    }
    case key::cos:
        if (x < one)
            invalidinput();
        if (onenegligible(x, P))
            return lnprec(x + x, P);
        return lnprec(x + sqrtprec(x * x - one, P), P);
    default: {
        if (!(x > number(-1) && x < one))
            invalidinput();
        if (x.iszero())
            return number();
        if (negligiblecube(x, P))
            return x;
        const int d = cancelling(x, P);
        return lnprec(sqrtprec(quotprec(one + x, one - x, d), d), P);
    }
    }
}

number Calculator::trigonometric(int code, const number& x)
{
    const int P = m_precision;
    if (m_inv) {
        const number one(1);
        if (code != key::tan && (x < number(-1) || x > one))
            invalidinput();
        if (x.iszero() && code != key::cos)
            return number();
        if (code == key::sin)
            return fromradians(asinprec(x, P));
        if (code == key::cos)
            return fromradians(acosprec(x, P));
        return fromradians(atanprec(x, P));
    }
    if (m_angle != 0) {
        // Degrees and grads reduce exactly: at multiples of a right angle
        // the values are exact.
        const number right(m_angle == 1 ? 90 : 100);
        number a = x % (right * number(4));
        if ((a % right).iszero()) {
            int quadrant = static_cast<int>(getint64(a) / (m_angle == 1 ? 90 : 100));
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
    // Whatever fails inside the tangent (a zero cosine) is outside the
    // tangent's domain; a cancellation stays a cancellation.
    try {
        return tanprec(toradians(x), P);
    } catch (const numberexception&) {
        if (!computeallowed())
            throw;
        invalidinput();
    }
}

// The half turn of the angle unit: 180 degrees, 200 grads.
static number halfturn(int angle) { return number(angle == 1 ? 180 : 200); }

number Calculator::toradians(const number& x)
{
    if (m_angle == 0)
        return x;
    const number h = halfturn(m_angle);
    number a = x % (h + h);
    // The more places a carries, the finer: sin of 180.000001 degrees needs
    // its digits relative to the small result, as does an angle below 1.
    const number eps = leadpos(a) >= 0 ? reductionresolution(a, m_precision)
                                       : powerof10(leadpos(a) - m_precision - 8);
    return pi(eps) * quot(a, h, eps);
}

number Calculator::fromradians(const number& x)
{
    if (m_angle == 0)
        return x;
    std::int32_t e = leadpos(x);
    number eps = powerof10(std::min(e, 0) - m_precision - 3);
    return halfturn(m_angle) * quotprec(x, pi(eps), m_precision + 3);
}
