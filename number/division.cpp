#include <algorithm>
#include <vector>

#include "columns.h"
#include "number/addition.h"
#include "number/multiplication.h"
#include "splitting.h"

std::vector<std::int32_t> ladder(std::int32_t n, std::int32_t limit)
{
    std::vector<std::int32_t> steps;
    while (n < limit) {
        n /= 2;
        steps.push_back(n);
    }
    return steps;
}

namespace {

// Shares of a quotient's budget f. 1/y comes within about 0.3 v (the last
// Newton step's square plus the residual and step shares), so x times it
// within 0.3 * 0.7 f; with the final product's share, 0.21 f + 0.37 f < f.
struct quotientshares {
    // v = reciprocal f |y/x|: the relative accuracy wanted of 1/y, as the
    // final product multiplies the error of 1/y by |x|.
    number reciprocal = number(0.7);
    number step = number(0.1);       // each step's correction, times |1/y|
    number residual = number(0.11);  // each step's product y m
    number product = number(0.37);   // the product x (1/y)
};

const quotientshares& shares()
{
    static const quotientshares s;
    return s;
}

// The operations of a Newton step on chains and on flat limbs.
number times(const number& a, const number& b, const number& f) { return prod(a, b, f); }
flat times(const flat& a, const flat& b, const number& f) { return prod(a.view(), b.view(), f); }
number plus(const number& a, const number& b) { return a + b; }
flat plus(const flat& a, const flat& b) { return addexact(a.view(), b.view(), false); }
number minus(const number& a, const number& b) { return a - b; }
flat minus(const flat& a, const flat& b) { return addexact(a.view(), b.view(), true); }

number productof(const number& x, const number& u, const number& f) { return prod(x, u, f); }

// prod(x, u, f) for a flat u and f > 0, with x read from its chain: the
// column product takes both kinds of operand, and only the splitting
// product needs x flat.
number productof(const number& x, const flat& u, const number& f)
{
    const limbrun ox = runof(x);
    const limbrun ou = u.view();
    if (splits(ox, ou, f))
        return chainof(prod(flatten(x).view(), ou, f));
    // As prod orders them: the longer operand first.
    const bool ufirst = limbcount(x) < std::max(ou.count, 1);
    limbrun c;
    if (!multiplycolumns(ufirst ? ou : ox, ufirst ? ox : ou, cutof(f), c))
        return number();
    return chainof(c);
}

// x / y by Newton's iteration for 1/y from m, on chains (T number) or on
// flat limbs (T flat): yt and one are y and 1 in that form; h = shares().step
// |1/y| and v the relative accuracy wanted. Each step m + m (1 - y m), with
// y m at resolution O and the correction at N.
template <typename T>
number newtonquotient(const number& x, const T& yt, const T& one, T m, const number& h,
                      const number& v, const number& f)
{
    auto step = [&](const T& m, const number& N, const number& O) {
        return plus(m, times(m, minus(one, times(yt, m, O)), N));
    };
    // Precisions of the steps, each about twice the previous one.
    const std::vector<std::int32_t> steps = ladder(leadpos(v), -7);
    for (auto e = steps.rbegin(); e != steps.rend(); ++e)
        m = step(m, scaled(h, *e), scaled(shares().residual, *e));
    const number N = shares().product * f;
    const T U = step(m, h * v, shares().residual * v);
    return productof(x, U, N);
}

// Quotients wanted to more digits than this take their Newton steps on flat
// limbs; shorter ones on chains, where the flat numbers' allocations would
// cost more than they save. Both give the same digits.
constexpr std::int32_t FLATQUOTIENT = 200;

// Whether the Newton steps of a quotient to `digits` digits go on flat limbs:
// long enough, and neither operand so much longer that copying it whole
// would cost more than the products, which on chains read only the limbs
// they need.
bool flatquotient(std::int32_t digits, const number& x, const number& y)
{
    const std::int32_t limbs = digits / BASE_DIGITS + 4;
    return digits > FLATQUOTIENT && limbcount(x) <= 2 * limbs && limbcount(y) <= 2 * limbs;
}

}  // namespace

number quot(const number& x, const number& y, const number& f)
{
    if (y.iszero())
        throw numberexception("quot:division by zero");
    if (f.iszero() || f.isnegative())
        throw numberexception("quot:invalid argument (f<=0)");
    if (x.iszero())
        return number();
    if (compareabs(x, y) == 0)
        return number(signum(x) * signum(y));

    const number r0 = reciprocalguess(y);
    const number v =
        APCprod(APCprod(shares().reciprocal, f, -1), abs(APCprod(y, reciprocalguess(x), -1)), -1);
    const number h = APCprod(shares().step, abs(r0), -1);
    const number one(1);
    if (!flatquotient(-leadpos(v), x, y))
        return newtonquotient(x, y, one, r0, h, v, f);
    return newtonquotient(x, flatten(y), flatten(one), flatten(r0), h, v, f);
}

number APCquot(const number& x, const number& y, int bias)
{
    // Two Newton steps from the five digits of the guess: 10, then 20 digits.
    number o = reciprocalguess(y);
    const number l = shares().step * abs(o);
    const number one(1);
    for (std::int32_t e : {-8, -16}) {
        const number N = scaled(l, e);
        const number O = scaled(shares().residual, e);
        o = o + prod(o, one - prod(y, o, O), N);
    }
    return APCprod(x, o, bias);
}

namespace {

// a mod b for 0 < a, b by the quotient: its floor at resolution 0.1 is the
// whole quotient or one off, which one correction step puts right.
number remainderbyquotient(const number& a, const number& b)
{
    static const number floorresolution(0.1);
    const number q = floor(quot(a, b, floorresolution));
    number r = a - q * b;
    if (r >= b)
        r = r - b;
    else if (r.isnegative())
        r = r + b;
    return r;
}

// A quotient of more digits than this would be spelt out whole (a number as
// large as 10^400000000 modulo 7 needs 400 million digits); above it the
// remainder is reduced through powers of the base instead.
constexpr std::int32_t LONGQUOTIENT = 1000;

// a mod b for 0 < b < a with a very long quotient. With both scaled to
// integers by 10^s, A = M BASE^k, and A mod B = (M mod B)(BASE^k mod B) mod B,
// the power by repeated squaring modulo B: every quotient stays short, and
// the remainder is the same exact value.
number remainderbypowers(const number& a, const number& b)
{
    const std::int32_t s = BASE_DIGITS * std::max(0, -std::min(a.lowexpo(), b.lowexpo()));
    const number A = scaled(a, s);
    const number B = scaled(b, s);
    const std::int32_t k = A.lowexpo();
    const number M = scaled(A, -BASE_DIGITS * k);

    number power(1);
    number square = remainderbyquotient(number(static_cast<std::int32_t>(BASE)), B);
    for (std::int32_t e = k; e != 0; e /= 2) {
        if ((e & 1) != 0)
            power = remainderbyquotient(power * square, B);
        if (e > 1)
            square = remainderbyquotient(square * square, B);
    }
    number r = remainderbyquotient(remainderbyquotient(M, B) * power, B);
    multpow10(r, -s);
    return r;
}

}  // namespace

number operator%(const number& x, const number& y)
{
    if (y.iszero())
        throw numberexception("operator x %% y:y==0");
    if (compareabs(x, y) < 0)
        return x;
    const number a = abs(x);
    const number b = abs(y);
    number r = leadpos(a) - leadpos(b) > LONGQUOTIENT ? remainderbypowers(a, b)
                                                      : remainderbyquotient(a, b);
    if (!r.iszero())
        r.setnegative(x.isnegative());
    return r;
}
