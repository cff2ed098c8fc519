#include "number/powers.h"

#include <vector>

#include "chain.h"
#include "number/addition.h"
#include "number/multiplication.h"

namespace num {

namespace {

// The exponent as a machine integer when it fits, so the squaring loop needs
// no arithmetic on numbers; the products are the same either way.
bool smallexponent(const number& n, std::uint64_t& e)
{
    if (n.expo() > 1)
        return false;
    e = 0;
    for (std::int32_t k = n.expo(); k >= 0; --k) {
        const limb* p = nodeat(n, k);
        e = e * BASE + (p != nullptr ? p->value : 0);
    }
    return true;
}

// Powering by repeated squaring with the given product.
template <typename Product>
number squareandmultiply(const number& x, const number& n, Product product)
{
    number a(1);
    number b(x);
    std::uint64_t small;
    if (n.iszero() || smallexponent(n, small)) {
        std::uint64_t e = n.iszero() ? 0 : small;
        while (e != 0) {
            if ((e & 1) != 0) {
                a = product(a, b);
                --e;
            } else {
                b = product(b, b);
                e /= 2;
            }
        }
        return a;
    }
    number e(n);
    while (!e.iszero()) {
        if (isodd(e)) {
            a = product(a, b);
            decrement(e);
        } else {
            b = product(b, b);
            e = e * half();
        }
    }
    return a;
}

}  // namespace

number logpow(const number& x, const number& n)
{
    if (!isinteger(n))
        throw numberexception("logpow:y not integer");
    if (n.isnegative())
        throw numberexception("logpow:y negativ");
    return squareandmultiply(x, n, [](const number& a, const number& b) { return a * b; });
}

number APCpow(const number& x, const number& n, int bias)
{
    if (!isinteger(n))
        throw numberexception("APCpow:y not integer");
    if (n.isnegative())
        return APCquot(number(1), APCpow(x, negate(n), -bias), bias);
    return squareandmultiply(x, n,
                             [](const number& a, const number& b) { return APCprod(a, b, 0); });
}

number sqrt(const number& x, const number& f)
{
    if (x.isnegative())
        throw numberexception("sqrt:invalid argument (x<0)");
    if (x.iszero())
        return number();
    if (f.iszero() || f.isnegative())
        throw numberexception("sqrt:invalid argument (f<=0)");

    // Products and the bookkeeping powers of ten reach less far than numbers
    // do. Far from 1, take the root of x / BASE^(2j) at f / BASE^j and shift
    // it back by BASE^j: whole limbs move, so every digit is the same.
    if (x.expo() >= 25000000 || x.expo() <= -25000000) {
        std::int32_t j = x.expo() / 2;
        number r = sqrt(scaled(x, -2 * j * BASE_DIGITS), scaled(f, -j * BASE_DIGITS));
        multpow10(r, j * BASE_DIGITS);
        return r;
    }
    static const number fit(0.1245);
    // 1.17 (0.01 / 2 + 0.28) < 0.34: the last step's residual and quotient;
    // the rest of f is for the error of the step before, which it squares.
    static const number targetscale(1.17);    // t = 1.17 f / D, the last step's relative target
    static const number residualshare(0.01);  // x - D^2 to 0.01 D^2 t: 0.005 D t on the root
    static const number quotientshare(0.28);  // the correction to 0.28 D t

    std::int32_t lead = leadpos(x);
    std::int32_t h = lead >= 0 ? lead / 2 : -((1 - lead) / 2);  // floor(lead / 2)

    // A straight line through the root over the two decades of x, then one
    // cheap Heron step: within 5% of the root.
    number D = APCprod(scaled(fit, -h), APCsum(x, powerof10(2 * h + 1), -1), -1);
    D = APCprod(APCsum(APCquot(x, D, 0), D, 0), half(), 0);

    // Relative target of the last step, and the coarser ones before it.
    number t = APCquot(APCprod(targetscale, f, -1), D, -1);
    const std::vector<std::int32_t> steps = ladder(leadpos(t), -1);
    // Budgets for the residual x - D^2 and for the correction quotient.
    number l = APCprod(residualshare, APCprod(D, D, -1), -1);
    number g = APCprod(quotientshare, D, -1);
    for (auto e = steps.rbegin(); e != steps.rend(); ++e)
        D = D + quot(diff(x, D * D, scaled(l, *e)), D + D, scaled(g, *e));

    number r = diff(x, D * D, l * t);
    number q = quot(r, D + D, g * t);
    return D + q;
}

number sqrtprec(const number& x, std::int32_t d) { return sqrt(x, powerof10(leadpos(x) / 2 - d)); }

}  // namespace num
