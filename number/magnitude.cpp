#include "magnitude.h"

#include <algorithm>
#include <vector>

limbrun limbrun::from(std::int32_t p) const
{
    if (iszero() || p <= lowexpo())
        return *this;
    limbrun r = *this;
    r.count = p > expo ? 0 : expo - p + 1;
    return r;
}

limbrun runof(const number& x)
{
    if (x.iszero())
        return {};
    return {x.head(), nullptr, x.expo(), limbcount(x), x.isnegative()};
}

number chainof(const limbrun& r)
{
    number x;
    if (r.iszero())
        return x;
    if (r.chain != nullptr)
        x.appendlimbs(r.chain, static_cast<std::size_t>(r.count));
    else
        x.appendlimbs(r.array, static_cast<std::size_t>(r.count));
    x.setexpo(r.expo);
    x.setlowexpo(r.lowexpo());
    x.setnegative(r.negative);
    // A run cut at a resolution may end in zeros.
    x.normalise();
    return x;
}

void checkrange(std::int32_t expo, std::int32_t lowexpo)
{
    if (expo > MAX_EXPO)
        throw numberexception("number overflow");
    if (lowexpo < MIN_EXPO)
        throw numberexception("number underflow");
}

namespace {

std::uint32_t* room(std::size_t n)
{
    thread_local std::vector<std::uint32_t> buffer;
    if (buffer.size() < n)
        buffer.resize(n);
    return buffer.data();
}

// The run of the limbs v[0..n) (v[0] at power top), without the zero limbs
// at either end, range-checked.
limbrun stripped(const std::uint32_t* v, std::ptrdiff_t n, std::int32_t top, bool negative)
{
    std::ptrdiff_t lead = 0;
    while (lead < n && v[lead] == 0)
        ++lead;
    while (n > lead && v[n - 1] == 0)
        --n;
    if (lead == n)
        return {};
    limbrun r{nullptr, v + lead, top - static_cast<std::int32_t>(lead),
              static_cast<std::int32_t>(n - lead), negative};
    checkrange(r.expo, r.lowexpo());
    return r;
}

// |a| + |b|; one of them may be zero.
limbrun addmagnitudes(const limbrun& a, const limbrun& b, bool negative)
{
    // The longer is copied, the shorter added in.
    const bool afirst = a.count >= b.count;
    const limbrun& p = afirst ? a : b;
    const limbrun& o = afirst ? b : a;
    const std::int32_t top = o.iszero() ? p.expo : std::max(p.expo, o.expo);
    const std::int32_t low = o.iszero() ? p.lowexpo() : std::min(p.lowexpo(), o.lowexpo());
    // One limb more for the carry; the result limb of power k at top + 1 - k.
    const std::ptrdiff_t n = static_cast<std::ptrdiff_t>(top) - low + 2;
    std::uint32_t* v = room(static_cast<std::size_t>(n));
    std::fill(v, v + n, 0u);
    std::uint32_t* pout = v + 1 + (top - p.expo);
    forlimbs(p, [pout](std::int32_t i, std::uint32_t x) { pout[i] = x; });
    // Each sum is below 2 BASE until the carries are taken up, from o's
    // lowest limb; above o's head only a carry of one can run on.
    if (!o.iszero()) {
        std::uint32_t* oout = v + 1 + (top - o.expo);
        forlimbs(o, [oout](std::int32_t i, std::uint32_t x) { oout[i] += x; });
        std::uint32_t carry = 0;
        for (std::ptrdiff_t i = o.count - 1; i >= 0 || carry != 0; --i) {
            std::uint32_t& t = oout[i];
            t += carry;
            carry = t >= BASE ? 1 : 0;
            t -= carry * BASE;
        }
    }
    return stripped(v, n, top + 1, negative);
}

// |a| - |b| for |a| > |b|; b may be zero.
limbrun subtractmagnitudes(const limbrun& a, const limbrun& b, bool negative)
{
    const std::int32_t top = a.expo;
    const std::int32_t low = b.iszero() ? a.lowexpo() : std::min(a.lowexpo(), b.lowexpo());
    const std::ptrdiff_t n = static_cast<std::ptrdiff_t>(top) - low + 1;
    std::uint32_t* v = room(static_cast<std::size_t>(n));
    forlimbs(a, [v](std::int32_t i, std::uint32_t x) { v[i] = x; });
    std::fill(v + a.count, v + n, 0u);
    if (!b.iszero()) {
        // Limb differences first, each above -BASE; then the borrows, from
        // b's lowest limb up, until one is no longer needed above b's head.
        std::uint32_t* bout = v + (top - b.expo);
        forlimbs(b, [bout](std::int32_t i, std::uint32_t x) { bout[i] -= x; });
        std::int32_t borrow = 0;
        for (std::ptrdiff_t i = b.count - 1; i >= 0 || borrow != 0; --i) {
            std::int32_t t = static_cast<std::int32_t>(bout[i]) - borrow;
            borrow = t < 0 ? 1 : 0;
            bout[i] = static_cast<std::uint32_t>(t + borrow * static_cast<std::int32_t>(BASE));
        }
    }
    return stripped(v, n, top, negative);
}

}  // namespace

int comparemagnitudes(const limbrun& a, const limbrun& b)
{
    if (a.iszero())
        return b.iszero() ? 0 : -1;
    if (b.iszero())
        return 1;
    if (a.expo != b.expo)
        return a.expo > b.expo ? 1 : -1;
    limbreader p(a);
    limbreader q(b);
    const std::int32_t n = std::min(a.count, b.count);
    for (std::int32_t i = 0; i < n; ++i) {
        const std::uint32_t u = p.next();
        const std::uint32_t w = q.next();
        if (u != w)
            return u > w ? 1 : -1;
    }
    // Equal so far: the longer run is larger unless it goes on in zeros.
    limbreader& rest = a.count > b.count ? p : q;
    for (std::int32_t i = n; i < std::max(a.count, b.count); ++i) {
        if (rest.next() != 0)
            return a.count > b.count ? 1 : -1;
    }
    return 0;
}

limbrun signedsum(const limbrun& x, const limbrun& y, bool minus, const number& f)
{
    const bool yneg = y.negative != minus;
    if (x.iszero()) {
        limbrun r = y;
        r.negative = !y.iszero() && yneg;
        return r;
    }
    if (y.iszero())
        return x;
    const bool limited = ispositive(f);
    if (x.negative == yneg) {
        if (!limited)
            return addmagnitudes(x, y, x.negative);
        const std::int32_t cut = f.head()->value == 1 ? f.expo() - 1 : f.expo();
        const limbrun a = x.expo < f.expo() ? limbrun() : x.from(cut);
        const limbrun b = y.expo < f.expo() ? limbrun() : y.from(cut);
        // With one left out the sum is the other, cut and stripped.
        if (a.iszero() && b.iszero())
            return {};
        return addmagnitudes(a, b, x.negative);
    }
    // Unlike signs: a difference of magnitudes, on truncated operands
    // unless f is zero.
    const limbrun a = limited ? x.from(f.expo()) : x;
    const limbrun b = limited ? y.from(f.expo()) : y;
    const int c = comparemagnitudes(a, b);
    if (c == 0)
        return {};
    return c > 0 ? subtractmagnitudes(a, b, x.negative) : subtractmagnitudes(b, a, yneg);
}
