#include "splitting.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "chain.h"
#include "columns.h"
#include "number/addition.h"
#include "number/multiplication.h"
#include "scaling.h"
#include "transform.h"

namespace num {

namespace {

std::int32_t limbcount(const limbrun& x) { return x.iszero() ? 1 : x.count; }

// An exact product has one value however it is reached, and up to this
// many limbs of the shorter operand the columns reach it faster than the
// splitting product's additions and copies.
constexpr std::int32_t EXACT_COLUMNS = 1000;

// Whether the exact product x y is taken by columns, unsplit: both operands
// range-safe, so that no range error of the pieces differs.
bool exactcolumns(const limbrun& x, const limbrun& y, const number& f)
{
    return f.iszero() && std::min(x.count, y.count) - 1 < EXACT_COLUMNS && halflimbsafe(x, y);
}

// Result limbs a product must compute: all of them when exact, else those
// from the top down to the resolution.
std::int64_t needed(const limbrun& x, const limbrun& y, const number& f)
{
    std::int64_t need = static_cast<std::int64_t>(limbcount(x)) + limbcount(y);
    if (!f.iszero())
        need = std::min(static_cast<std::int64_t>(x.expo) + y.expo - f.expo(), need);
    return need;
}

flat columnsof(const limbrun& x, const limbrun& y, const number& f)
{
    limbrun c;
    if (!multiplycolumns(x, y, cutof(f), c))
        return flat();
    return flatof(c);
}

// The resolution below which the limbs of one operand are dropped: their
// contribution, times the other operand y (|1/y| ~ guess), stays below
// 10^-10 of the budget D.
number dropbelow(const number& D, const number& guess)
{
    static const number dropshare = powerof10(-10);
    return APCprod(APCprod(dropshare, D, 0), abs(guess), 0);
}

// From this many limbs of the shorter operand (after the resolution's cut)
// the transform product beats the Karatsuba steps; limbs / 3 coefficients
// keep its length at least 2 TRANSFORM_LIMBS / 3, where its fixed costs (the
// roots of the radix-3 layer, the reconstruction's constants) are small.
constexpr std::int32_t TRANSFORM_LIMBS = 1500;

// The limbs of x whose products with y can reach resolution f: those above
// f.expo() - y.expo - 2, as the columns take them.
limbrun reaching(const limbrun& x, const limbrun& y, const number& f)
{
    if (f.iszero())
        return x;
    return slice(x, x.expo, f.expo() - y.expo - 2);
}

// x * y by the transform, cut one guard limb below resolution f (exact when
// f is zero): the full product of the limbs that reach f, then truncated,
// which never exceeds the exact product in magnitude. Nonzero operands
// inside halflimbsafe.
flat transformed(const limbrun& x, const limbrun& y, const number& f)
{
    const auto nx = static_cast<std::size_t>(x.count);
    const auto ny = static_cast<std::size_t>(y.count);
    flat r;
    r.limbs.resize(nx + ny);
    // A square takes one forward transform fewer.
    const bool square = nx == ny && x.expo == y.expo && std::equal(x.array, x.array + nx, y.array);
    transformproduct(x.array, nx, square ? x.array : y.array, ny, r.limbs.data());
    r.expo = x.expo + y.expo + 1;  // the power of r.limbs[0]
    r.negative = x.negative != y.negative;
    std::size_t last = r.limbs.size();
    if (!f.iszero()) {
        const std::int64_t keep = std::int64_t{r.expo} - (f.expo() - 1) + 1;
        last = static_cast<std::size_t>(std::clamp<std::int64_t>(keep, 0, std::int64_t(last)));
    }
    while (last > 0 && r.limbs[last - 1] == 0)
        --last;
    std::size_t first = 0;
    while (first < last && r.limbs[first] == 0)
        ++first;
    if (first == last)
        return flat();
    r.limbs.resize(last);
    r.limbs.erase(r.limbs.begin(), r.limbs.begin() + static_cast<std::ptrdiff_t>(first));
    r.expo -= static_cast<std::int32_t>(first);
    return r;
}

}  // namespace

bool longsplits(const limbrun& x, const limbrun& y, const number& f)
{
    return needed(x, y, f) > KARATSUBA_LIMBS && !exactcolumns(x, y, f);
}

namespace {

// f moved down by `shift` limbs, clamped as rebasedcut clamps its limb.
number rebasedresolution(const number& f, std::int64_t shift, std::int32_t lowsum)
{
    if (f.iszero())
        return f;
    const cut c = rebasedcut(cutof(f), shift, lowsum);
    if (c.expo != f.expo() - shift)
        return powerof10(BASE_DIGITS * c.expo);
    number r(f);
    setexpo(r, c.expo);
    setlowexpo(r, static_cast<std::int32_t>(f.lowexpo() - shift));
    return r;
}

}  // namespace

flat prod(const limbrun& x, const limbrun& y, const number& f)
{
    if (x.iszero() || y.iszero())
        return flat();
    if (!halflimbsafe(x, y)) {
        // As the columns do: the operands moved by whole limbs to a head at
        // power 0, the product moved back.
        limbrun a = x;
        limbrun b = y;
        a.expo = 0;
        b.expo = 0;
        const std::int64_t shift = std::int64_t{x.expo} + y.expo;
        flat r = prod(a, b, rebasedresolution(f, shift, a.lowexpo() + b.lowexpo()));
        limbrun v = r.view();
        if (v.iszero() || !placeproduct(v, shift, f.iszero()))
            return flat();
        r.expo = v.expo;
        r.limbs.resize(static_cast<std::size_t>(v.count));
        return r;
    }
    if (limbcount(x) < limbcount(y))
        return prod(y, x, f);
    if (!splits(x, y, f))
        return columnsof(x, y, f);
    const limbrun xt = reaching(x, y, f);
    const limbrun yt = reaching(y, x, f);
    if (xt.iszero() || yt.iszero())
        return flat();
    if (std::min(xt.count, yt.count) >= TRANSFORM_LIMBS)
        return transformed(xt, yt, f);

    // A Karatsuba step on the top `half` limbs. The error budget D, about a
    // third of f, goes once to each of the middle product's two parts (M and
    // N, at D shifted up) and once to the final addition: 3 D <= f.
    static const number partshare(0.33333333333);
    const number D = APCprod(partshare, f, 0);
    const std::int32_t half =
        static_cast<std::int32_t>(std::min<std::int64_t>(limbcount(x), needed(x, y, f)) / 2);
    const number tx = dropbelow(D, reciprocalguess(y));
    const limbrun xh = slice(x, x.expo, x.expo - half + 1);
    const limbrun xl = slice(x, x.expo - half, tx.expo());
    if (limbcount(y) < half) {
        const flat high = prod(xh, y, exact());
        const flat low = prod(xl, y, D);
        return addexact(high.view(), low.view(), false);
    }

    const number ty = dropbelow(D, reciprocalguess(x));
    const limbrun yh = slice(y, y.expo, y.expo - half + 1);
    const limbrun yl = slice(y, y.expo - half, ty.expo());
    const flat P = prod(xh, yh, exact());
    const limbrun xls = shifted(xl, half);
    const limbrun yls = shifted(yl, half);
    const number R = scaled(D, BASE_DIGITS * half);
    const flat xsum = addexact(xh, xls, false);
    const flat ysum = addexact(yh, yls, false);
    const flat M = prod(xsum.view(), ysum.view(), R);
    const flat N = prod(xls, yls, R);
    const flat middle = addexact(addexact(M.view(), P.view(), true).view(), N.view(), true);
    const flat upper = addexact(P.view(), shifted(middle.view(), -half), false);
    return sumof(upper.view(), shifted(N.view(), -2 * half), false, D);
}

number reciprocalguess(const limbrun& y)
{
    // A zero divisor never gets here from quot; from any other caller it is a
    // programming error: report it and stop, in every build type.
    if (y.iszero()) {
        std::fputs("Assertion failed: divisor != 0 in reciprocalguess, module number\n", stderr);
        std::abort();
    }
    limbreader r(y);
    const std::uint32_t head = r.next();
    const std::uint32_t next = y.count > 1 ? r.next() : 0;
    // v: the first five significant digits, padded with zeros.
    const int digits = digitcount(head);
    std::uint32_t v;
    if (digits >= 5)
        v = head / pow10(digits - 5);
    else
        v = head * pow10(5 - digits) + next / pow10(BASE_DIGITS - 5 + digits);
    number g(static_cast<std::int32_t>(1000000000u / v));
    multpow10(g, -(BASE_DIGITS * y.expo + digits - 1) - 5);
    setnegative(g, y.negative);
    return g;
}

number reciprocalguess(const number& y) { return reciprocalguess(runof(y)); }

number prod(const number& x, const number& y, const number& f)
{
    if (limbcount(x) < limbcount(y))
        return prod(y, x, f);
    if (limbcount(y) == 1 && f.iszero() && scalable(x, y)) {
        // Series keep exact powers and factorials this way (a = a N).
        number r(x);
        scaleinplace(r, y, r.lowexpo(), false);
        return r;
    }
    const limbrun rx = runof(x);
    const limbrun ry = runof(y);
    if (splits(rx, ry, f))
        return chainof(prod(flatof(rx).view(), flatof(ry).view(), f));
    limbrun c;
    if (!multiplycolumns(rx, ry, cutof(f), c))
        return number();
    return chainof(c);
}

number operator*(const number& x, const number& y) { return prod(x, y, exact()); }

}  // namespace num
