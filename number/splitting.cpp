#include "splitting.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <utility>

#include "chain.h"
#include "columns.h"
#include "number/addition.h"
#include "number/multiplication.h"
#include "scaling.h"
#include "transform.h"

namespace num {

namespace {

std::int32_t limbcount(const limbrun& x) { return x.iszero() ? 1 : x.count; }

// Below this many limbs of the shorter operand the columns take an exact
// product faster than a Karatsuba step on limbs. The step saves a quarter of
// the columns of its operands, some n^2 / 16 cycles for n limbs in the
// vector kernel, and pays about 4 n limb sums whose carries chain at some
// 5 cycles each: it gains only for n well above 320; measured, from 600.
constexpr std::size_t KARATSUBA_BASE = 600;

// Whether the exact product x y is taken by columns, unsplit: both operands
// range-safe, so that no range error of the pieces differs.
bool exactcolumns(const limbrun& x, const limbrun& y, const number& f)
{
    return f.iszero() && static_cast<std::size_t>(std::min(x.count, y.count)) < KARATSUBA_BASE &&
           halflimbsafe(x, y);
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

// -- exact products on limbs: Karatsuba's steps down to the columns ------------

// Arrays of limbs here are most significant first and line up at their
// least significant ends.

// The carries below are taken without branches: a limb's carry is as likely
// as not, and a mispredicted branch per limb cost more than the columns of
// a Karatsuba step save. v below 2 BASE splits into v mod BASE and its carry.
struct carried {
    std::uint32_t limb, carry;
};
inline carried carryof(std::uint32_t v)
{
    const auto d = static_cast<std::int32_t>(v - BASE);
    const auto below = static_cast<std::uint32_t>(d >> 31);  // all ones when v < BASE
    return {static_cast<std::uint32_t>(d) + (BASE & below), below + 1};
}
// a - t for a < BASE and t <= BASE, and the borrow.
inline carried borrowof(std::uint32_t a, std::uint32_t t)
{
    const auto d = static_cast<std::int32_t>(a - t);
    const auto negative = static_cast<std::uint32_t>(d >> 31);
    return {static_cast<std::uint32_t>(d) + (BASE & negative), negative & 1};
}

// a[0 .. na) += b[0 .. nb), nb <= na; the sum fits in na limbs.
void addinto(std::uint32_t* a, std::size_t na, const std::uint32_t* b, std::size_t nb)
{
    std::uint32_t carry = 0;
    std::uint32_t* pa = a + na;
    for (const std::uint32_t* pb = b + nb; pb != b;) {
        --pa;
        const carried c = carryof(*pa + *--pb + carry);
        *pa = c.limb;
        carry = c.carry;
    }
    while (carry != 0 && pa != a) {
        --pa;
        const carried c = carryof(*pa + carry);
        *pa = c.limb;
        carry = c.carry;
    }
}

// a[0 .. na) -= b[0 .. nb), nb <= na; a is at least b.
void subtractfrom(std::uint32_t* a, std::size_t na, const std::uint32_t* b, std::size_t nb)
{
    std::uint32_t borrow = 0;
    std::uint32_t* pa = a + na;
    for (const std::uint32_t* pb = b + nb; pb != b;) {
        --pa;
        const carried c = borrowof(*pa, *--pb + borrow);
        *pa = c.limb;
        borrow = c.carry;
    }
    while (borrow != 0 && pa != a) {
        --pa;
        const carried c = borrowof(*pa, borrow);
        *pa = c.limb;
        borrow = c.carry;
    }
}

// out[0 .. n + 1) = a[0 .. na) + b[0 .. nb), n = max(na, nb).
void limbsum(const std::uint32_t* a, std::size_t na, const std::uint32_t* b, std::size_t nb,
             std::uint32_t* out)
{
    if (na < nb) {
        std::swap(a, b);
        std::swap(na, nb);
    }
    out[0] = 0;
    std::copy(a, a + na, out + 1);
    addinto(out, na + 1, b, nb);
}

// out[0 .. nx + ny) = x y by columns; operands may start or end in zeros.
void columnlimbs(const std::uint32_t* x, std::size_t nx, const std::uint32_t* y, std::size_t ny,
                 std::uint32_t* out)
{
    std::fill(out, out + nx + ny, 0u);
    // Powers: the limbs of x at nx - 1 .. 0, of y at ny - 1 .. 0.
    const limbrun a = slice({.array = x,
                             .expo = static_cast<std::int32_t>(nx) - 1,
                             .count = static_cast<std::int32_t>(nx)},
                            static_cast<std::int32_t>(nx) - 1, 0);
    const limbrun b = slice({.array = y,
                             .expo = static_cast<std::int32_t>(ny) - 1,
                             .count = static_cast<std::int32_t>(ny)},
                            static_cast<std::int32_t>(ny) - 1, 0);
    limbrun c;
    if (a.iszero() || b.iszero() || !multiplycolumns(a, b, {true, 0}, c))
        return;
    // The limb of power e goes to out[nx + ny - 1 - e].
    std::copy(c.array, c.array + c.count, out + (nx + ny - 1 - static_cast<std::size_t>(c.expo)));
}

// Scratch limbs that karatsuba needs for operands of at most n limbs: each
// step holds two sums and their product, 4 (n / 2 + 2) limbs, and recurses
// on at most n / 2 + 2.
std::size_t karatsubascratch(std::size_t n)
{
    std::size_t total = 0;
    for (; n >= KARATSUBA_BASE; n = n / 2 + 2)
        total += 4 * (n / 2 + 2);
    return total + 16;
}

// out[0 .. nx + ny) = x y exactly, nx >= ny; `work` holds
// karatsubascratch(nx) limbs, taken once for the whole product.
void karatsuba(const std::uint32_t* x, std::size_t nx, const std::uint32_t* y, std::size_t ny,
               std::uint32_t* out, std::uint32_t* work)
{
    if (ny < KARATSUBA_BASE) {
        columnlimbs(x, nx, y, ny, out);
        return;
    }
    if (nx >= 2 * ny) {
        // Pieces of x of ny limbs each, from the least significant end, each
        // product added in: out's limbs above a piece's are still zero or
        // the sums so far.
        std::fill(out, out + nx + ny, 0u);
        std::uint32_t* piece = work;
        std::uint32_t* rest = work + 2 * ny;
        for (std::size_t done = 0; done < nx; done += ny) {
            const std::size_t m = std::min(ny, nx - done);
            const std::uint32_t* xp = x + (nx - done - m);
            if (m >= ny)
                karatsuba(xp, m, y, ny, piece, rest);
            else
                karatsuba(y, ny, xp, m, piece, rest);
            addinto(out, nx + ny - done, piece, m + ny);
        }
        return;
    }
    // x = xh B^h + xl, y = yh B^h + yl: x y = P B^2h + (M - P - N) B^h + N
    // with P = xh yh, N = xl yl and M = (xh + xl)(yh + yl). P and N fill
    // out side by side; the middle term is added over them.
    const std::size_t h = nx / 2;  // below ny, so that yh is not empty
    const std::size_t kx = nx - h;
    const std::size_t ky = ny - h;
    karatsuba(x, kx, y, ky, out, work);
    karatsuba(x + kx, h, y + ky, h, out + kx + ky, work);
    const std::size_t sx = std::max(kx, h) + 1;
    const std::size_t sy = std::max(ky, h) + 1;
    std::uint32_t* xs = work;
    std::uint32_t* ys = xs + sx;
    std::uint32_t* M = ys + sy;
    std::uint32_t* rest = M + sx + sy;
    limbsum(x, kx, x + kx, h, xs);
    limbsum(y, ky, y + ky, h, ys);
    karatsuba(xs, sx, ys, sy, M, rest);
    subtractfrom(M, sx + sy, out, kx + ky);
    subtractfrom(M, sx + sy, out + kx + ky, 2 * h);
    // M - P - N is below B^(nx + ny - h): its leading limbs are zeros.
    std::size_t lead = 0;
    while (lead < sx + sy && M[lead] == 0)
        ++lead;
    if (lead < sx + sy)
        addinto(out, nx + ny - h, M + lead, sx + sy - lead);
}

// The exact product x y of array runs by Karatsuba's steps, nonzero operands
// inside halflimbsafe.
flat karatsubaproduct(const limbrun& x, const limbrun& y)
{
    if (x.count < y.count)
        return karatsubaproduct(y, x);
    const auto nx = static_cast<std::size_t>(x.count);
    const auto ny = static_cast<std::size_t>(y.count);
    flat r;
    r.limbs.resize(nx + ny);
    std::vector<std::uint32_t> work(karatsubascratch(nx) + 2 * ny);
    karatsuba(x.array, nx, y.array, ny, r.limbs.data(), work.data());
    r.expo = x.expo + y.expo + 1;
    r.negative = x.negative != y.negative;
    std::size_t last = r.limbs.size();
    while (r.limbs[last - 1] == 0)
        --last;
    r.limbs.resize(last);
    if (r.limbs[0] == 0) {
        r.limbs.erase(r.limbs.begin());
        --r.expo;
    }
    return r;
}

// From this many limbs of the shorter operand (after the resolution's cut)
// the transform product beats Karatsuba's steps (measured: 10^4 digits take
// both about as long, 1.6 10^4 digits 15 % less by the transform).
constexpr std::int32_t TRANSFORM_LIMBS = 1200;

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
// r cut one guard limb below resolution f (f zero: whole), normalised.
flat cutat(flat r, const number& f)
{
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
    return cutat(std::move(r), f);
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
    if (f.iszero() && y.count >= static_cast<std::int32_t>(KARATSUBA_BASE)) {
        if (y.count >= TRANSFORM_LIMBS)
            return transformed(x, y, f);
        return karatsubaproduct(x, y);
    }
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
    if (f.iszero() && ry.count >= static_cast<std::int32_t>(KARATSUBA_BASE) && halflimbsafe(rx, ry))
        return chainof(prod(flatof(rx).view(), flatof(ry).view(), f));
    if (splits(rx, ry, f))
        return chainof(prod(flatof(rx).view(), flatof(ry).view(), f));
    limbrun c;
    if (!multiplycolumns(rx, ry, cutof(f), c))
        return number();
    return chainof(c);
}

number operator*(const number& x, const number& y) { return prod(x, y, exact()); }

}  // namespace num
