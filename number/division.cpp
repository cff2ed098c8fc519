#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "chain.h"
#include "columns.h"
#include "division.h"
#include "number/addition.h"
#include "number/multiplication.h"
#include "splitting.h"

namespace num {

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
constexpr std::int32_t FLAT_QUOTIENT = 200;

// Whether the Newton steps of a quotient to `digits` digits go on flat limbs:
// long enough, and neither operand so much longer that copying it whole
// would cost more than the products, which on chains read only the limbs
// they need.
bool flatquotient(std::int32_t digits, const number& x, const number& y)
{
    const std::int32_t limbs = digits / BASE_DIGITS + 4;
    return digits > FLAT_QUOTIENT && limbcount(x) <= 2 * limbs && limbcount(y) <= 2 * limbs;
}

// Long division takes quotients whose work, quotient limbs times divisor
// limbs, stays below LONG_DIVISION_WORK (about 200 digits by 200), and any
// quotient by a divisor of up to SHORT_DIVISOR limbs, up to SHORT_QUOTIENT
// quotient limbs: its work grows only linearly with the quotient's length.
// Newton's steps cost a few long products each, which pay off only for
// long quotients by long divisors (measured in bench/compare_bench).
constexpr std::int64_t LONG_DIVISION_WORK = 700;
constexpr std::int64_t SHORT_DIVISOR = 8;
constexpr std::int64_t SHORT_QUOTIENT = std::int64_t{1} << 24;

// The limbs of a direct division, most significant first: inside the
// object up to INLINE_LIMBS (short quotients, the most frequent, take no
// allocation), on the heap beyond.
class limbbuffer {
public:
    explicit limbbuffer(std::size_t n) : m_size(n)
    {
        if (n > INLINE_LIMBS)
            m_heap.assign(n, 0);
        else
            std::fill_n(m_inline.data(), n, 0);
    }
    limbbuffer(const limbbuffer&) = delete;
    limbbuffer& operator=(const limbbuffer&) = delete;

    std::uint32_t* data() { return m_size > INLINE_LIMBS ? m_heap.data() : m_inline.data(); }
    const std::uint32_t* data() const
    {
        return m_size > INLINE_LIMBS ? m_heap.data() : m_inline.data();
    }
    std::size_t size() const { return m_size; }
    std::uint32_t& operator[](std::size_t i) { return data()[i]; }
    std::uint32_t operator[](std::size_t i) const { return data()[i]; }

private:
    static constexpr std::size_t INLINE_LIMBS = 40;
    std::array<std::uint32_t, INLINE_LIMBS> m_inline;
    std::vector<std::uint32_t> m_heap;
    std::size_t m_size;
};

// Writes the limbs of |x| at powers `from` (x's top at most) down to `to`
// into out, after `lead` zero limbs, zeros where x has no limb; out holds
// lead + from - to + 1 limbs, all zero.
void limbsof(const limbrun& x, std::int32_t from, std::int32_t to, limbbuffer& out,
             std::size_t lead = 0)
{
    limbreader r(x);
    for (std::int32_t p = x.expo, k = 0; k < x.count && p >= to; ++k, --p) {
        const std::uint32_t v = r.next();
        if (p <= from)
            out[lead + static_cast<std::size_t>(from - p)] = v;
    }
}

__extension__ typedef unsigned __int128 uint128;

// Quotients of fewer limbs than this by one limb are divided one limb a step.
constexpr std::size_t PAIRED_LIMBS = 16;

// u / d in place for a one-limb d: u becomes the quotient limbs. Two limbs
// at a time: with BASE^2 = Q d + R, the remainder r < d gives
// r BASE^2 + w = r Q d + (r R + w), and r R + w < 2^55 is divided through the
// reciprocal m = (2^64 - 1) / d, whose product's high half is the quotient
// or one below it. Only that one division stands between two steps.
void shortdivide(limbbuffer& u, std::uint32_t d)
{
    const std::uint64_t m = ~std::uint64_t{0} / d;
    constexpr std::uint64_t SQUARE = std::uint64_t{BASE} * BASE;
    std::uint64_t r = 0;
    auto divide = [&](std::uint64_t c) {  // c / d for c < 2^64, r = the remainder
        std::uint64_t t = static_cast<std::uint64_t>((uint128{c} * m) >> 64);
        r = c - t * d;
        if (r >= d) {
            ++t;
            r -= d;
        }
        return t;
    };
    // A short quotient takes one limb a step: r BASE + u[i] < d BASE is
    // divided through the same reciprocal, and the two divisions that set
    // up Q and R would cost more than they save.
    if (u.size() < PAIRED_LIMBS) {
        for (std::size_t i = 0; i < u.size(); ++i)
            u[i] = static_cast<std::uint32_t>(divide(r * BASE + u[i]));
        return;
    }
    const std::uint64_t Q = SQUARE / d;
    const std::uint64_t R = SQUARE % d;
    std::size_t i = 0;
    if (u.size() % 2 != 0) {
        u[0] = static_cast<std::uint32_t>(divide(u[0]));
        i = 1;
    }
    for (std::uint32_t count = 0; i < u.size(); i += 2) {
        const std::uint64_t w = std::uint64_t{u[i]} * BASE + u[i + 1];
        const std::uint64_t high = r * Q;
        const std::uint64_t q = high + divide(r * R + w);  // below BASE^2
        u[i] = static_cast<std::uint32_t>(q / BASE);
        u[i + 1] = static_cast<std::uint32_t>(q % BASE);
        if (pollpoint(count += 2))
            pollcancel();
    }
}

// u / v by schoolbook division, v of two limbs or more with a non-zero top:
// q gets the quotient limbs, one per position from u's top down to where v's
// last limb meets u's (u's size less v's). u comes with a zero limb in front, so that the window
// u[j .. j + n] holds the remainder. Each limb is estimated in floating
// point from the top three limbs of the remainder times the reciprocal of
// the top three of v; the estimate is off by one at most, and the
// remainder's sign puts it right.
void schooldivide(limbbuffer& u, const limbbuffer& v, limbbuffer& q)
{
    const std::size_t n = v.size();
    const std::size_t m = u.size() - n;
    const double b = BASE;
    const double top = double(v[0]) * b + double(v[1]) + (n > 2 ? double(v[2]) / b : 0.0);
    const double inverse = 1.0 / top;
    // The window against v: true when u[j .. j + n] >= v.
    auto atleast = [&](std::size_t j) {
        if (u[j] != 0)
            return true;
        for (std::size_t k = 0; k < n; ++k)
            if (u[j + 1 + k] != v[k])
                return u[j + 1 + k] > v[k];
        return true;
    };
    std::size_t work = 0;
    for (std::size_t j = 0; j < m; ++j) {
        if ((work += n) >= POLL_LIMBS) {
            work = 0;
            pollcancel();
        }
        const double window = (double(u[j]) * b + double(u[j + 1])) * b + double(u[j + 2]);
        // Positive: truncation is the floor.
        const double estimate = window * inverse;
        std::uint64_t qhat =
            estimate < 1 ? 0 : std::min<std::uint64_t>(BASE - 1, std::uint64_t(estimate));
        // u[j .. j + n] -= qhat v, with one running debt: each t lies above
        // -BASE^2, and owe = ceil(-t / BASE) for t < 0, 0 for t >= 0.
        std::int64_t owe = 0;
        for (std::size_t k = n; k-- > 0;) {
            const std::int64_t t =
                std::int64_t{u[j + 1 + k]} - static_cast<std::int64_t>(qhat * v[k]) - owe;
            owe = static_cast<std::int64_t>(static_cast<std::uint64_t>(BASE - 1 - t) / BASE);
            u[j + 1 + k] = static_cast<std::uint32_t>(t + owe * BASE);
        }
        std::int64_t t = std::int64_t{u[j]} - owe;
        while (t < 0) {  // qhat was too large: add v back
            --qhat;
            std::uint32_t c = 0;
            for (std::size_t k = n; k-- > 0;) {
                std::uint32_t s = u[j + 1 + k] + v[k] + c;
                c = s >= BASE ? 1 : 0;
                u[j + 1 + k] = s - c * BASE;
            }
            t += c;
        }
        u[j] = static_cast<std::uint32_t>(t);
        while (atleast(j)) {  // qhat was too small: take v once more
            ++qhat;
            std::int64_t br = 0;
            for (std::size_t k = n; k-- > 0;) {
                std::int64_t s = std::int64_t{u[j + 1 + k]} - v[k] - br;
                br = s < 0 ? 1 : 0;
                u[j + 1 + k] = static_cast<std::uint32_t>(s + br * std::int64_t{BASE});
            }
            u[j] = static_cast<std::uint32_t>(std::int64_t{u[j]} - br);
        }
        q[j] = static_cast<std::uint32_t>(qhat);
    }
}

// x / y at resolution f by division of integers, when short enough (false
// otherwise). With Y the limbs of y (y = Y BASE^a) and X those of x down to
// power e + a, e one limb below f's lead, q = floor(X / Y) BASE^e: the limbs
// of x left out move the quotient by less than BASE^e, the floor by less
// than BASE^e, and 2 BASE^e < BASE^f.expo() <= f.
template <typename Out>
bool dividedirectly(const limbrun& x, const limbrun& y, const number& f, Out out)
{
    const std::int32_t e = f.expo() - 1;
    const std::int32_t a = y.lowexpo();
    const std::int64_t ny = y.count;
    const std::int64_t nx = std::int64_t{x.expo} - (std::int64_t{e} + a) + 1;
    if (e < MIN_EXPO)
        return false;
    if (nx < ny)  // |x / y| < BASE^e
        return true;
    const std::int64_t nq = nx - ny + 1;
    if (nq > SHORT_QUOTIENT || (ny > SHORT_DIVISOR && nq * ny > LONG_DIVISION_WORK) ||
        e + nq - 1 > MAX_EXPO)
        return false;
    const auto quotient = [&](const limbbuffer& u) {
        // u: the quotient limbs down to power e, with leading zeros.
        std::size_t first = 0;
        while (first < u.size() && u[first] == 0)
            ++first;
        std::size_t last = u.size();
        while (last > first && u[last - 1] == 0)
            --last;
        if (first == last)
            return;
        out(limbrun{
            .array = u.data() + first,
            .expo = static_cast<std::int32_t>(e + std::int64_t(u.size()) - 1 - std::int64_t(first)),
            .count = static_cast<std::int32_t>(last - first),
            .negative = x.negative != y.negative});
    };
    if (ny == 1) {
        limbbuffer u(static_cast<std::size_t>(nx));
        limbsof(x, x.expo, e + a, u);
        shortdivide(u, limbreader(y).next());
        quotient(u);
        return true;
    }
    limbbuffer u(static_cast<std::size_t>(nx) + 1);
    limbsof(x, x.expo, e + a, u, 1);
    limbbuffer v(static_cast<std::size_t>(ny));
    limbsof(y, y.expo, a, v);
    limbbuffer q(static_cast<std::size_t>(nq));
    schooldivide(u, v, q);
    quotient(q);
    return true;
}

}  // namespace

namespace {

// Operands whose head lies this many limbs from power 0 or farther have a
// reciprocal or a product of the Newton steps outside the range of a
// number (1/y of y = 9 10^799999992): below it, every 1/y and x (1/y) of
// numbers of fewer than 10^7 limbs stays inside it.
constexpr std::int32_t FAR_LIMBS = 40000000;

bool far(const number& x) { return x.expo() >= FAR_LIMBS || x.expo() <= -FAR_LIMBS; }

// x with its head moved to power 0, by whole limbs: the same digits.
number headatzero(const number& x)
{
    number r(x);
    setlowexpo(r, x.lowexpo() - x.expo());
    setexpo(r, 0);
    return r;
}

// q moved up by `shift` limbs into the range of a number: "number overflow"
// or "number underflow" beyond it, and limbs below it dropped (q is cut at
// a resolution of at least the lowest limb anyway).
number movedquotient(number q, std::int64_t shift)
{
    if (q.iszero())
        return q;
    const std::int64_t top = q.expo() + shift;
    if (top > MAX_EXPO)
        throw numberexception("number overflow");
    if (top < MIN_EXPO)
        throw numberexception("number underflow");
    if (q.lowexpo() + shift < MIN_EXPO) {
        const auto lowest = static_cast<std::int32_t>(MIN_EXPO - shift);
        cutbelow(q, nodeat(q, lowest));
        setlowexpo(q, lowest);
        normalise(q);  // near power 0: only the zeros go
        if (q.iszero())
            return q;
    }
    setlowexpo(q, static_cast<std::int32_t>(q.lowexpo() + shift));
    setexpo(q, static_cast<std::int32_t>(q.expo() + shift));
    return q;
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
    if (far(x) || far(y)) {
        // x / y = (x / BASE^ex) / (y / BASE^ey) BASE^(ex - ey), the operands
        // moved by whole limbs to heads at power 0; the quotient of those
        // lies between BASE^-2 and BASE, so a resolution above BASE^3 leaves
        // nothing, and one below the range is as fine as any can be.
        const std::int64_t shift = std::int64_t{x.expo()} - y.expo();
        const std::int64_t e = f.expo() - shift;
        if (e > 3)
            return number();
        number g = e < MIN_EXPO ? powerof10(BASE_DIGITS * MIN_EXPO) : number(f);
        if (e >= MIN_EXPO) {
            setlowexpo(g, static_cast<std::int32_t>(f.lowexpo() - shift));
            setexpo(g, static_cast<std::int32_t>(e));
        }
        return movedquotient(quot(headatzero(x), headatzero(y), g), shift);
    }
    number q;
    if (dividedirectly(runof(x), runof(y), f, [&q](const limbrun& r) { q = chainof(r); }))
        return q;

    const number r0 = reciprocalguess(y);
    const number v =
        APCprod(APCprod(shares().reciprocal, f, -1), abs(APCprod(y, reciprocalguess(x), -1)), -1);
    const number h = APCprod(shares().step, abs(r0), -1);
    const number one(1);
    if (!flatquotient(-leadpos(v), x, y))
        return newtonquotient(x, y, one, r0, h, v, f);
    return newtonquotient(x, flatten(y), flatten(one), flatten(r0), h, v, f);
}

flat quotbylimb(const limbrun& x, std::uint32_t d, const number& f)
{
    const std::uint32_t divisor[] = {d};
    const limbrun y{.array = divisor, .expo = 0, .count = 1};
    flat q;
    if (dividedirectly(x, y, f, [&q](const limbrun& r) { q = flatof(r); }))
        return q;
    return flatten(quot(chainof(x), number(static_cast<std::uint64_t>(d)), f));
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
constexpr std::int32_t LONG_QUOTIENT = 1000;

// a mod b for 0 < b < a with a very long quotient. With L the lower of
// both lowest limbs' powers, A = a / BASE^L = M BASE^k for an integer M
// (a's limbs), B = b / BASE^L an integer, and A mod B = (M mod B)(BASE^k
// mod B) mod B, the power by repeated squaring modulo B: every quotient
// stays short, no operand leaves the range, and the remainder is the same
// exact value, moved back by BASE^L.
number remainderbypowers(const number& a, const number& b)
{
    const std::int32_t low = std::min(a.lowexpo(), b.lowexpo());
    const std::int32_t k = a.lowexpo() - low;
    number M(a);
    setexpo(M, a.expo() - a.lowexpo());
    setlowexpo(M, 0);
    number B(b);
    setexpo(B, b.expo() - low);
    setlowexpo(B, b.lowexpo() - low);

    number power(1);
    number square = remainderbyquotient(number(static_cast<std::int32_t>(BASE)), B);
    for (std::int32_t e = k; e != 0; e /= 2) {
        if ((e & 1) != 0)
            power = remainderbyquotient(power * square, B);
        if (e > 1)
            square = remainderbyquotient(square * square, B);
    }
    number r = remainderbyquotient(remainderbyquotient(M, B) * power, B);
    if (!r.iszero()) {
        setexpo(r, r.expo() + low);
        setlowexpo(r, r.lowexpo() + low);
    }
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
    number r = leadpos(a) - leadpos(b) > LONG_QUOTIENT ? remainderbypowers(a, b)
                                                       : remainderbyquotient(a, b);
    if (!r.iszero())
        setnegative(r, x.isnegative());
    return r;
}

}  // namespace num
