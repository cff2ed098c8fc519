// Expression evaluation: the operand and operator stacks, precedence,
// parentheses, "=", and the binary operations.
#include <algorithm>
#include <cstdint>

#include "calc/calculator.h"
#include "calc/keys.h"
#include "number/addition.h"
#include "number/conversion.h"
#include "number/exponential.h"
#include "number/multiplication.h"
#include "number/powers.h"

using namespace num;

// -- precedence ----------------------------------------------------------------------

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
    const number x = getvalue();
    m_numbers.push({x, m_known, operandpieces(x, m_known)});
    m_operand.clear();
    endentry();
}

void Calculator::evaluatetop()
{
    const knownvalue y = m_numbers.pop();
    const knownvalue x = m_numbers.pop();
    int code = m_operators.pop();
    m_opknown = KNOWALL;
    const number r = operate(code, x.value, y.value);
    const int known = std::min({x.known, y.known, m_opknown});
    pieces text = joined(x, code, y);
    if (text.empty())
        text = {valuepiece(r, known)};
    m_numbers.push({r, known, std::move(text)});
}

void Calculator::reduceparen()
{
    while (m_operators.top() != key::openparen)
        evaluatetop();
    m_operators.pop();
    --m_parens;
    knownvalue inner = m_numbers.pop();
    pieces text = parenthesized(inner.text);
    inner.text = text.empty() ? pieces{valuepiece(inner.value, inner.known)} : std::move(text);
    m_numbers.push(inner);
}

void Calculator::binaryoperator(int code)
{
    if (m_operatorlast) {
        m_operators.pop();
        m_operators.push(code);
        return;
    }
    pushvalue();
    while (!m_operators.empty() && precedence(m_operators.top()) >= precedence(code))
        evaluatetop();
    showvalue(m_numbers.top().value, m_numbers.top().known);
    m_operators.push(code);
    m_operatorlast = true;
}

void Calculator::openparen()
{
    m_operators.push(key::openparen);
    m_operatorlast = false;
    ++m_parens;
}

void Calculator::closeparen()
{
    if (m_parens == 0)
        return;
    if (m_operatorlast)
        m_operators.pop();
    else
        pushvalue();
    reduceparen();
    knownvalue r = m_numbers.pop();
    showvalue(r.value, r.known);
    m_operand = std::move(r.text);
}

void Calculator::equals()
{
    // A calculation is finished where an operator or a function made the
    // value, and no entry of the history holds it yet.
    const bool finished =
        !m_operators.empty() ||
        (!m_historyopen && std::any_of(m_operand.begin(), m_operand.end(),
                                       [](const piece& p) { return p.code != 0; }));
    if (m_operatorlast)
        m_operators.pop();
    else
        pushvalue();
    while (m_parens > 0)
        reduceparen();
    while (!m_operators.empty())
        evaluatetop();
    const knownvalue r = m_numbers.pop();
    showvalue(r.value, r.known);
    if (finished)
        record(r.text, true);
}

// -- operations ----------------------------------------------------------------------------

namespace {

// x^n is formed exactly only while its digits, significantdigits(x) * n,
// stay within EXACTPOWERDIGITS * (P + 1): a few products at the shown
// digits, no dearer than the series the exact value replaces.
constexpr std::int64_t EXACTPOWERDIGITS = 4;
// ... and while its places before or after the point, (lead + 1) * n or
// -lead * n, stay below EXACTPOWERPLACES: inside the range of a number,
// 10^±799999992, with room for the products that form the power.
constexpr std::int64_t EXACTPOWERPLACES = 300000000;
// The largest leadpos of an exponent that fits a machine integer: 10^17 has
// 18 digits, below the 19 of 2^63.
constexpr std::int32_t MACHINEEXPONENTLEAD = 17;

// Whether x^n (n > 0) may be formed exactly at P digits.
bool exactpowerfits(const number& x, std::int64_t n, int P)
{
    // Compared by division: the products overflow for exponents near 10^18.
    const std::int64_t lead = leadpos(x);
    const std::int64_t places = lead < 0 ? -lead : lead + 1;
    return significantdigits(x) <= EXACTPOWERDIGITS * (std::int64_t{P} + 1) / n &&
           places <= (EXACTPOWERPLACES - 1) / n;
}

// The exponent as a machine integer, when y is an integer of at most 18 digits.
bool smallinteger(const number& y, std::int64_t& n)
{
    if (!isinteger(y) || leadpos(y) > MACHINEEXPONENTLEAD)
        return false;
    n = getint64(y);
    return true;
}

}  // namespace

number Calculator::operate(int code, const number& x, const number& y)
{
    const bool integral = m_radix != 10 && isinteger(x) && isinteger(y);
    switch (code) {
    case key::add: return exactsum(x, y);
    case key::subtract: return exactsum(x, negate(y));
    case key::multiply:
        // A product of as many digits as the display shows is exact; it
        // needs no resolution, which at the lowest end of the range would
        // lie below every number.
        if (integral || significantdigits(x) + significantdigits(y) <= m_precision + 1)
            return x * y;
        return rounded([&](attempt& a) { return prodprec(x, y, a.digits); });
    case key::divide:
        return rounded([&](attempt& a) { return quotprec(x, y, a.digits); },
                       [&](const number& c) { return c * y == x; });
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
            m_inv = false;
            if (x.iszero() && !y.iszero()) {
                if (y.isnegative())
                    throw calculatorexception("Cannot divide by zero");
                return number();
            }
            return rounded([&](attempt& a) { return root(x, y, a.digits); },
                           [&](const number& c) { return isroot(c, x, y, m_precision); });
        }
        return rounded([&](attempt& a) { return power(x, y, a); },
                       [&](const number& c) { return ispower(c, x, y); });
    default: throw calculatorexception("Unknown binaryoperator:%d", code);
    }
}

number Calculator::power(const number& x, const number& y, attempt& a)
{
    const int P = a.digits;
    a.exact = true;
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
        number r = power(negate(x), y, a);
        return isodd(y) ? negate(r) : r;
    }
    // An integer power that is short enough to know exactly is used as it
    // is (2^10 is 1024, not 1023.99...), and so is its reciprocal where
    // that ends (2^-10).
    std::int64_t n;
    if (smallinteger(y, n) && n != 0) {
        std::int64_t m = n < 0 ? -n : n;
        if (exactpowerfits(x, m, P)) {
            number exact = logpow(x, number(m));
            if (significantdigits(exact) <= P + 1) {
                if (n > 0)
                    return exact;
                const number q = quotprec(one(), exact, P);
                const number c = rounddigits(q, P - leadpos(q));
                if (c * exact == one())
                    return c;
            }
        }
    }
    a.exact = false;
    return powprec(x, y, P);
}

number Calculator::root(const number& x, const number& y, int P)
{
    bool negative = x.isnegative() || x.iszero();
    if (negative && !(isinteger(y) && isodd(y)))
        throw calculatorexception("Invalid input for function");
    number r = rootprec(abs(x), y, P);
    return negative ? negate(r) : r;
}

// Whether c is x^y exactly, for y a fraction p/q of a small denominator
// (0.5, 1.5, 0.25): c^q = x^p. A result exactly on a rounding midpoint is
// then rounded as such (0.0625^0.5 is 0.25, shown 0.3 at one digit).
bool Calculator::ispower(const number& c, const number& x, const number& y) const
{
    if (x.isnegative() || c.isnegative())
        return false;
    for (const int q : {2, 4, 5, 8, 10}) {
        const number qy = y * number(q);
        std::int64_t p;
        if (!smallinteger(qy, p) || p == 0)
            continue;
        const std::int64_t m = p < 0 ? -p : p;
        if (!exactpowerfits(c, q, m_precision) || !exactpowerfits(x, m, m_precision))
            return false;
        const number cq = logpow(c, number(q));
        const number xp = logpow(x, number(m));
        return p > 0 ? cq == xp : cq * xp == one();
    }
    return false;
}

// The y-th root of an exact power (8 Inv x^y 3) is taken exactly.
bool Calculator::isroot(const number& c, const number& x, const number& y, int P) const
{
    std::int64_t n;
    if (!smallinteger(y, n) || n == 0)
        return false;
    const std::int64_t m = n < 0 ? -n : n;
    const number a = abs(x);
    const number b = abs(c);
    if (!exactpowerfits(b, m, P))
        return false;
    const number p = logpow(b, number(m));
    return n > 0 ? p == a : p * a == one();
}
