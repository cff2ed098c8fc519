// The one-operand keys: logarithms and exponentials, powers and roots,
// reciprocal, factorial, trigonometric and hyperbolic families, pi,
// degrees-minutes-seconds; the angle units and the memory.
#include "calculator.h"
#include "keys.h"
#include "number/addition.h"
#include "number/exponential.h"
#include "number/multiplication.h"
#include "number/powers.h"

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
                throw calculatorexception("Invalid input for function");
            showvalue(lnprec(x, P));
        }
        m_inv = false;
        return;
    case key::log:
        if (m_inv) {
            showvalue(powprec(number(10), x, P));
        } else {
            if (x.iszero() || x.isnegative())
                throw calculatorexception("Invalid input for function");
            showvalue(logprec(number(10), x, P));
        }
        m_inv = false;
        return;
    case key::square:
        if (m_inv) {
            if (x.isnegative())
                throw calculatorexception("Invalid input for function");
            showvalue(sqrtprec(x, P));
        } else {
            showvalue(prodprec(x, x, P));
        }
        m_inv = false;
        return;
    case key::cube:
        if (m_inv) {
            number t = quotprec(number(1), number(3), 2 * P);
            showvalue(x.isnegative() || x.iszero() ? negate(powprec(negate(x), t, P)) : powprec(x, t, P));
        } else {
            showvalue(prodprec(prodprec(x, x, P), x, P));
        }
        m_inv = false;
        return;
    case key::reciprocal:
        if (x.iszero())
            throw calculatorexception("Cannot divide by zero");
        showvalue(quotprec(number(1), x, P));
        return;
    default:
        // pi, factorial, dms and the trigonometric family are not built yet.
        return;
    }
}

number Calculator::toradians(const number& x) { return x; }

number Calculator::fromradians(const number& x) { return x; }
