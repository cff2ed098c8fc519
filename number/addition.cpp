#include "number/addition.h"

#include <algorithm>

#include "chain.h"
#include "magnitude.h"

namespace num {

namespace {

number addsigned(const number& x, const number& y, bool minus, const number& f)
{
    return chainsum(runof(x), runof(y), minus, f);
}

}  // namespace

int compare(const number& x, const number& y)
{
    if (&x == &y)
        return 0;
    if (x.iszero()) {
        if (y.iszero())
            return 0;
        return y.isnegative() ? 1 : -1;
    }
    if (y.iszero())
        return x.isnegative() ? -1 : 1;
    if (x.isnegative() != y.isnegative())
        return x.isnegative() ? -1 : 1;
    const int s = x.isnegative() ? -1 : 1;
    return s * comparemagnitudes(runof(x), runof(y));
}

int compareabs(const number& x, const number& y)
{
    return &x == &y ? 0 : comparemagnitudes(runof(x), runof(y));
}

number sum(const number& x, const number& y, const number& f) { return addsigned(x, y, false, f); }

number diff(const number& x, const number& y, const number& f) { return addsigned(x, y, true, f); }

number operator+(const number& x, const number& y) { return addsigned(x, y, false, exact()); }

number operator-(const number& x, const number& y) { return addsigned(x, y, true, exact()); }

number operator-(const number& x) { return negate(x); }

number& operator+=(number& x, const number& y)
{
    x = addsigned(x, y, false, exact());
    return x;
}

number& operator-=(number& x, const number& y)
{
    x = addsigned(x, y, true, exact());
    return x;
}

void increment(number& x) { x += number(1); }

void decrement(number& x) { x -= number(1); }

number truncate(const number& x, const number& f)
{
    if (!ispositive(f) || x.iszero() || f.expo() < x.lowexpo())
        return x;
    number r;
    if (x.expo() < f.expo())
        return r;
    appendlimbs(r, head(x), static_cast<std::size_t>(x.expo() - f.expo() + 1));
    setexpo(r, x.expo());
    setlowexpo(r, f.expo());
    setnegative(r, x.isnegative());
    normalise(r);
    return r;
}

number negate(const number& x)
{
    number r(x);
    if (!r.iszero())
        setnegative(r, !x.isnegative());
    return r;
}

number abs(const number& x)
{
    number r(x);
    setnegative(r, false);
    return r;
}

number scaled(const number& x, std::int32_t n)
{
    number r(x);
    multpow10(r, n);
    return r;
}

number floor(const number& x)
{
    if (x.iszero())
        return x;
    if (x.expo() < 0)
        return number(x.isnegative() ? -1 : 0);
    if (x.lowexpo() >= 0)
        return x;
    number r;
    appendlimbs(r, head(x), static_cast<std::size_t>(x.expo() + 1));
    setexpo(r, x.expo());
    setlowexpo(r, 0);
    setnegative(r, x.isnegative());
    normalise(r);
    if (x.isnegative())
        decrement(r);
    return r;
}

number frac(const number& x)
{
    if (isinteger(x))
        return number();
    if (x.isnegative()) {
        number a = abs(x);
        return negate(a - floor(a));
    }
    return x - floor(x);
}

number truncdigits(const number& x, std::int32_t n)
{
    if (x.iszero())
        return x;
    number c = scaled(x, n);
    c = c.isnegative() ? negate(floor(negate(c))) : floor(c);
    multpow10(c, -n);
    return c;
}

number rounddigits(const number& x, std::int32_t n)
{
    if (x.iszero())
        return x;
    number c = scaled(x, n);
    // Already whole at n places: adding a half would spell out every limb
    // between the digits and the point (10^93000000 has ten million).
    if (isinteger(c))
        return x;
    c = c.isnegative() ? negate(floor(negate(c) + half())) : floor(c + half());
    multpow10(c, -n);
    return c;
}

number shifted(const number& x, std::int64_t n)
{
    if (x.iszero())
        return x;
    if (std::int64_t{leadpos(x)} + n > std::int64_t{BASE_DIGITS} * MAX_EXPO + BASE_DIGITS - 1)
        throw numberexception("number overflow");
    // The lowest digit x holds, in its last limb.
    std::int64_t lowest = std::int64_t{BASE_DIGITS} * x.lowexpo();
    for (std::uint32_t v = tail(x)->value; v % 10 == 0; v /= 10)
        ++lowest;
    if (lowest + n < std::int64_t{BASE_DIGITS} * MIN_EXPO)
        throw numberexception("number underflow");
    return scaled(x, static_cast<std::int32_t>(n));
}

number nudged(const number& x, std::int32_t d, bool inward)
{
    const std::int32_t k = leadpos(x) - d - 10;
    if (x.iszero() || k < BASE_DIGITS * MIN_EXPO)
        return x;
    const number unit = powerof10(k);
    return x.isnegative() == inward ? x + unit : x - unit;
}

number APCsum(const number& x, const number& y, int bias)
{
    if (x.iszero())
        return y;
    if (y.iszero())
        return x;
    std::int32_t dx = leadpos(x);
    std::int32_t dy = leadpos(y);
    if (dy < dx - 9)
        return bias == 1 ? x + powerof10(dx - 9) : x;
    if (dx < dy - 9)
        return bias == 1 ? y + powerof10(dy - 9) : y;
    number r = sum(x, y, powerof10(std::min(dx, dy) - 9));
    number u = powerof10(leadpos(r) - 9);
    switch (bias) {
    case -1: return r - u;
    case 0: return r;
    case 1: return r + u;
    default: throw numberexception("APCsum:invalid bias");
    }
}

}  // namespace num
