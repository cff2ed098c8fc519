#include "number/addition.h"

#include <algorithm>

namespace {

int comparechains(const number& x, const number& y)
{
    if (x.expo() != y.expo())
        return x.expo() > y.expo() ? 1 : -1;
    const limb* p = x.head();
    const limb* q = y.head();
    for (; p != nullptr && q != nullptr; p = p->lower, q = q->lower) {
        if (p->value != q->value)
            return p->value > q->value ? 1 : -1;
    }
    if (p != nullptr)
        return 1;
    if (q != nullptr)
        return -1;
    return 0;
}

// The limbs an operand brings to a magnitude addition: from `start` (at power
// `from`) up to its head. `start` null: the operand is left out.
struct addend {
    const limb* start = nullptr;
    std::int32_t from = 0;
    std::int32_t top = 0;
};

addend addendof(const number& x, bool limited, std::int32_t fexpo, std::int32_t cut)
{
    addend a;
    if (x.iszero() || (limited && x.expo() < fexpo))
        return a;
    a.top = x.expo();
    if (limited && x.lowexpo() < cut) {
        a.from = cut;
        a.start = x.nodeat(cut);
    } else {
        a.from = x.lowexpo();
        a.start = x.tail();
    }
    return a;
}

// |x| + |y|, keeping of each operand the limbs of power >= cut, and leaving
// out an operand whose head lies below fexpo (when limited). Positive result.
number addmagnitudes(const number& x, const number& y, bool limited, std::int32_t fexpo,
                     std::int32_t cut)
{
    addend a = addendof(x, limited, fexpo, cut);
    addend b = addendof(y, limited, fexpo, cut);
    number r;
    if (a.start == nullptr && b.start == nullptr)
        return r;
    if (a.start == nullptr)
        std::swap(a, b);
    std::int32_t low = b.start != nullptr ? std::min(a.from, b.from) : a.from;
    std::int32_t top = b.start != nullptr ? std::max(a.top, b.top) : a.top;
    const limb* p = a.start;
    const limb* q = b.start;
    std::uint32_t acc = 0;
    for (std::int32_t i = low; i <= top; ++i) {
        if (p != nullptr && i >= a.from) {
            acc += p->value;
            p = p->upper;
        }
        if (q != nullptr && i >= b.from) {
            acc += q->value;
            q = q->upper;
        }
        r.prepend(acc % BASE);
        acc /= BASE;
    }
    if (acc != 0) {
        r.prepend(acc);
        ++top;
    }
    r.setexpo(top);
    r.setlowexpo(low);
    r.normalise();
    return r;
}

// |a| - |b| for |a| > |b|, exact. Positive result.
number subtractmagnitudes(const number& a, const number& b)
{
    number r;
    std::int32_t low = b.iszero() ? a.lowexpo() : std::min(a.lowexpo(), b.lowexpo());
    const limb* p = a.tail();
    const limb* q = b.iszero() ? nullptr : b.tail();
    std::uint32_t borrow = 0;
    for (std::int32_t i = low; i <= a.expo(); ++i) {
        std::uint32_t av = 0;
        std::uint32_t bv = borrow;
        if (i >= a.lowexpo()) {
            av = p->value;
            p = p->upper;
        }
        if (q != nullptr && i >= b.lowexpo()) {
            bv += q->value;
            q = q->upper;
        }
        if (av >= bv) {
            r.prepend(av - bv);
            borrow = 0;
        } else {
            r.prepend(av + BASE - bv);
            borrow = 1;
        }
    }
    r.setexpo(a.expo());
    r.setlowexpo(low);
    r.normalise();
    return r;
}

// x + (-1)^flip * y at resolution f (f <= 0: exact).
number addsigned(const number& x, const number& y, bool flip, const number& f)
{
    bool yneg = y.isnegative() != flip;
    if (x.iszero()) {
        number r(y);
        if (!r.iszero())
            r.setnegative(yneg);
        return r;
    }
    if (y.iszero())
        return x;
    bool limited = ispositive(f);
    if (x.isnegative() == yneg) {
        std::int32_t cut = 0;
        if (limited)
            cut = f.head()->value == 1 ? f.expo() - 1 : f.expo();
        number r = addmagnitudes(x, y, limited, limited ? f.expo() : 0, cut);
        if (!r.iszero())
            r.setnegative(x.isnegative());
        return r;
    }
    // Different signs: a subtraction of magnitudes, on truncated operands
    // unless f is exactly zero.
    number ta, tb;
    const number* a = &x;
    const number* b = &y;
    if (!f.iszero()) {
        ta = truncate(x, f);
        tb = truncate(y, f);
        a = &ta;
        b = &tb;
    }
    int c = compareabs(*a, *b);
    if (c == 0)
        return number();
    number r = c > 0 ? subtractmagnitudes(*a, *b) : subtractmagnitudes(*b, *a);
    if (!r.iszero())
        r.setnegative(c > 0 ? x.isnegative() : yneg);
    return r;
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
    int s = x.isnegative() ? -1 : 1;
    return s * comparechains(x, y);
}

int compareabs(const number& x, const number& y)
{
    if (&x == &y)
        return 0;
    if (x.iszero())
        return y.iszero() ? 0 : -1;
    if (y.iszero())
        return 1;
    return comparechains(x, y);
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
    const limb* p = x.head();
    for (std::int32_t k = x.expo(); k >= f.expo(); --k, p = p->lower)
        r.append(p->value);
    r.setexpo(x.expo());
    r.setlowexpo(f.expo());
    r.setnegative(x.isnegative());
    r.normalise();
    return r;
}

number negate(const number& x)
{
    number r(x);
    if (!r.iszero())
        r.setnegative(!x.isnegative());
    return r;
}

number abs(const number& x)
{
    number r(x);
    r.setnegative(false);
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
    const limb* p = x.head();
    for (std::int32_t k = x.expo(); k >= 0; --k, p = p->lower)
        r.append(p->value);
    r.setexpo(x.expo());
    r.setlowexpo(0);
    r.setnegative(x.isnegative());
    r.normalise();
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
    c = c.isnegative() ? negate(floor(negate(c) + half())) : floor(c + half());
    multpow10(c, -n);
    return c;
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
