// Expression evaluation: the operand and operator stacks, precedence,
// parentheses, "=", and the binary operations.
#include <cstdint>

#include "calc/calculator.h"
#include "calc/keys.h"
#include "number/addition.h"
#include "number/conversion.h"
#include "number/exponential.h"
#include "number/multiplication.h"
#include "number/powers.h"

// -- stacks ----------------------------------------------------------------------------

void Calculator::pushnumber(const number& x)
{
    // Dropping an operand silently would give a wrong result: refuse instead.
    if (m_numbercount == STACKSIZE)
        throw calculatorexception("Can't push on full numberstack");
    m_numberstack[m_numbercount++] = x;
}

number Calculator::popnumber()
{
    if (m_numbercount == 0)
        throw calculatorexception("Can't pop from empty numberstack");
    number x;
    x.swap(m_numberstack[--m_numbercount]);
    return x;
}

number Calculator::topnumber() const
{
    if (m_numbercount == 0)
        throw calculatorexception("No top on empty numberstack");
    return m_numberstack[m_numbercount - 1];
}

void Calculator::pushoperator(int code)
{
    if (m_operatorcount == STACKSIZE)
        throw calculatorexception("Can't push on full operatorstack");
    m_operatorstack[m_operatorcount++] = code;
}

int Calculator::popoperator()
{
    if (m_operatorcount == 0)
        throw calculatorexception("Can't pop from empty operatorstack");
    return m_operatorstack[--m_operatorcount];
}

int Calculator::topoperator() const
{
    if (m_operatorcount == 0)
        throw calculatorexception("No operators on stack");
    return m_operatorstack[m_operatorcount - 1];
}

int Calculator::precedence(int code)
{
    switch (code) {
    case key::bitor_: return 0;
    case key::bitand_:
    case key::bitxor: return 1;
    case key::subtract:
    case key::add: return 2;
    case key::divide:
    case key::multiply:
    case key::mod: return 3;
    case key::lsh: return 4;
    case key::power: return 5;
    case key::openparen: return -1;  // a barrier
    default: throw calculatorexception("Unknown precedens:%d", code);
    }
}

// -- keys --------------------------------------------------------------------------------

void Calculator::pushvalue()
{
    pushnumber(getvalue());
    m_started = false;
    m_exponentmode = false;
    m_point = false;
}

void Calculator::evaluatetop()
{
    number y = popnumber();
    number x = popnumber();
    int code = popoperator();
    pushnumber(operate(code, x, y));
}

void Calculator::reduceparen()
{
    while (topoperator() != key::openparen)
        evaluatetop();
    popoperator();
    --m_parens;
}

void Calculator::binaryoperator(int code)
{
    if (m_operatorlast) {
        popoperator();
        pushoperator(code);
        return;
    }
    pushvalue();
    while (m_operatorcount > 0 && precedence(topoperator()) >= precedence(code))
        evaluatetop();
    showvalue(topnumber());
    pushoperator(code);
    m_operatorlast = true;
}

void Calculator::openparen()
{
    pushoperator(key::openparen);
    m_operatorlast = false;
    ++m_parens;
}

void Calculator::closeparen()
{
    if (m_parens == 0)
        return;
    if (m_operatorlast)
        popoperator();
    else
        pushvalue();
    reduceparen();
    showvalue(popnumber());
}

void Calculator::equals()
{
    if (m_operatorlast)
        popoperator();
    else
        pushvalue();
    while (m_parens > 0)
        reduceparen();
    while (m_operatorcount > 0)
        evaluatetop();
    showvalue(popnumber());
}

// -- operations ----------------------------------------------------------------------------

namespace {

// x rounded to P + 1 significant digits: what the display shows of it.
number shown(const number& x, int P) { return rounddigits(x, P - leadpos(x)); }

// Whether x^n (n > 0) may be formed exactly: at most `limit` digits, within
// the range of products.
bool exactpowerfits(const number& x, std::int64_t n, std::int64_t limit)
{
    std::int64_t lead = leadpos(x);
    std::int64_t magnitude = (lead < 0 ? -lead : lead + 1) * n;
    return significantdigits(x) * n <= limit && magnitude < 300000000;
}

// The exponent as a machine integer, when y is an integer of at most 18 digits.
bool smallinteger(const number& y, std::int64_t& n)
{
    if (!isinteger(y) || leadpos(y) > 17)
        return false;
    n = getint64(y);
    return true;
}

}  // namespace

number Calculator::operate(int code, const number& x, const number& y)
{
    const int P = m_precision;
    switch (code) {
    case key::add: return sumprec(x, y, P);
    case key::subtract: return diffprec(x, y, P);
    case key::multiply: return prodprec(x, y, P);
    case key::divide: {
        // Newton's quotient approaches from below and truncates: 6 / 3 comes
        // out as 1.99...98. Take the shown value when it is exact.
        number q = quotprec(x, y, P);
        number candidate = shown(q, P);
        return candidate * y == x ? candidate : q;
    }
    case key::mod: return x % y;
    case key::bitor_: return number(getint64(x) | getint64(y));
    case key::bitand_: return number(getint64(x) & getint64(y));
    case key::bitxor: return number(getint64(x) ^ getint64(y));
    case key::lsh: {
        std::int64_t v = getint64(x);
        int n = static_cast<int>(getint64(y) & 0xFF);
        std::int64_t r;
        if (m_inv)
            r = n >= 64 ? (v < 0 ? -1 : 0) : v >> n;
        else
            r = n >= 64 ? 0 : static_cast<std::int64_t>(static_cast<std::uint64_t>(v) << n);
        m_inv = false;
        return number(r);
    }
    case key::power:
        if (m_inv) {
            number r = root(x, y);
            m_inv = false;
            return r;
        }
        return power(x, y);
    default: throw calculatorexception("Unknown binaryoperator:%d", code);
    }
}

number Calculator::power(const number& x, const number& y)
{
    const int P = m_precision;
    if (x.iszero()) {
        if (y.iszero())
            return number(1);
        if (y.isnegative())
            throw calculatorexception("Cannot divide by zero");
        return number();
    }
    if (x.isnegative()) {
        if (!isinteger(y))
            throw calculatorexception("Invalid input for function");
        number r = power(negate(x), y);
        return isodd(y) ? negate(r) : r;
    }
    // An integer power that is short enough to know exactly is used as it
    // is (2^10 is 1024, not 1023.99...).
    std::int64_t n;
    if (smallinteger(y, n) && n != 0) {
        std::int64_t m = n < 0 ? -n : n;
        if (exactpowerfits(x, m, 4 * (std::int64_t{P} + 1))) {
            number exact = logpow(x, number(m));
            if (significantdigits(exact) <= P + 1) {
                if (n > 0)
                    return exact;
                number candidate = shown(quotprec(number(1), exact, P), P);
                if (candidate * exact == number(1))
                    return candidate;
            }
        }
    }
    return powprec(x, y, P);
}

number Calculator::root(const number& x, const number& y)
{
    const int P = m_precision;
    if (x.iszero() && !y.iszero()) {
        if (y.isnegative())
            throw calculatorexception("Cannot divide by zero");
        return number();
    }
    bool negative = x.isnegative() || x.iszero();
    if (negative && !(isinteger(y) && isodd(y)))
        throw calculatorexception("Invalid input for function");
    number a = abs(x);
    number r = powprec(a, quotprec(number(1), y, P), P);
    // The y-th root of an exact power (8 Inv x^y 3) is taken exactly.
    std::int64_t n;
    if (smallinteger(y, n)) {
        number candidate = shown(r, P);
        std::int64_t m = n < 0 ? -n : n;
        if (exactpowerfits(candidate, m, 4 * (std::int64_t{P} + 1))) {
            number p = logpow(candidate, number(m));
            if (n > 0 ? p == a : p * a == number(1))
                r = candidate;
        }
    }
    return negative ? negate(r) : r;
}
