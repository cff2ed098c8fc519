#include "number/multiplication.h"

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "diagonals.h"
#include "number/addition.h"

namespace {

// -- operands -------------------------------------------------------------------

// A read-only run of limbs, most significant first; limbs[0] has power expo.
// count 0 is zero. The splitting product slices, shifts and adds these
// without building chains.
struct span {
    const std::uint32_t* limbs = nullptr;
    std::int32_t count = 0;
    std::int32_t expo = ZERO_EXPO;
    bool negative = false;

    bool iszero() const { return count == 0; }
    std::int32_t lowexpo() const { return expo - count + 1; }
};

// An owned flat number: the pieces and partial products of the splitting
// product. Normalised like a number: no zero limb at either end.
struct flat {
    std::vector<std::uint32_t> limbs;
    std::int32_t expo = ZERO_EXPO;
    bool negative = false;

    span view() const
    {
        return {limbs.data(), static_cast<std::int32_t>(limbs.size()), expo, negative};
    }
};

// An operand of the column product, as a chain or as a flat run.
struct operand {
    const limb* chain;           // the head when the limbs are a chain
    const std::uint32_t* array;  // otherwise the limbs, most significant first
    std::int32_t expo;
    std::int32_t lowexpo;
    bool negative;
    bool zero;
};

operand of(const number& x)
{
    return {x.head(), nullptr, x.expo(), x.lowexpo(), x.isnegative(), x.iszero()};
}

operand of(const span& x)
{
    return {nullptr, x.limbs, x.expo, x.lowexpo(), x.negative, x.iszero()};
}

// -- the column product -------------------------------------------------------------

// basicprod works in half-limbs of base 10^4: a product of two is below 10^8,
// so a column of them sums in 64 bits without intermediate carries.
constexpr std::uint32_t HALFBASE = 10000;

// Columns are summed WIDTH at a time, over whole blocks of half-limbs.
constexpr std::ptrdiff_t BLOCK = DIAGONAL_BLOCK;
constexpr std::ptrdiff_t WIDTH = DIAGONAL_WIDTH;
// Zero half-limbs around each operand buffer, so that the four diagonals of
// a group can share one range rounded up to whole blocks: every product
// outside a diagonal's own range pairs a half-limb with a padding zero.
constexpr std::ptrdiff_t FRONT = WIDTH;
constexpr std::ptrdiff_t BACK = BLOCK + WIDTH;

// Operand half-limbs and the column result. Kept per thread and grown on
// demand, so that short products never touch the heap.
struct scratch {
    std::vector<std::int16_t> x;
    std::vector<std::int16_t> y;
    std::vector<std::uint64_t> sums;
    std::vector<std::uint32_t> q;
    std::vector<std::uint32_t> limbs;  // a chain operand of a short product
    std::vector<std::uint32_t> sum;    // a flat sum or difference
};

scratch& buffers()
{
    thread_local scratch s;
    return s;
}

template <typename T> T* room(std::vector<T>& v, std::size_t n)
{
    if (v.size() < n)
        v.resize(n);
    return v.data();
}

// The half-limbs an operand brings to the product.
struct halves {
    const std::int16_t* digits;
    std::ptrdiff_t count;
    std::int32_t expo;     // power of the most significant non-zero half-limb
    std::int32_t lowexpo;  // power of the least significant non-zero one
};

// Splits the limbs of x from its head down to power `from` into half-limbs,
// the most significant first, or the least significant first when reversed.
// Zero half-limbs at both ends are left out, as the normalisation of a
// half-limb number strips them.
halves split(const operand& x, std::int32_t from, std::vector<std::int16_t>& buffer, bool reversed)
{
    std::ptrdiff_t n = 2 * (static_cast<std::ptrdiff_t>(x.expo) - from + 1);
    std::int16_t* out = room(buffer, static_cast<std::size_t>(FRONT + n + BACK)) + FRONT;
    std::fill(out - FRONT, out, std::int16_t{0});
    std::fill(out + n, out + n + BACK, std::int16_t{0});
    // Half-limb i (from the most significant) goes to out[i], or to
    // out[n - 1 - i] when reversed. Separate loops for each order and kind
    // of operand, so that the ones on flat limbs vectorise.
    const std::ptrdiff_t limbs = n / 2;
    auto upper = [](std::uint32_t v) { return static_cast<std::int16_t>(v / HALFBASE); };
    auto lower = [](std::uint32_t v) { return static_cast<std::int16_t>(v % HALFBASE); };
    if (x.chain != nullptr) {
        const limb* p = x.chain;
        for (std::ptrdiff_t k = 0; k < limbs; ++k, p = p->lower) {
            const std::uint32_t v = p->value;
            out[reversed ? n - 1 - 2 * k : 2 * k] = upper(v);
            out[reversed ? n - 2 - 2 * k : 2 * k + 1] = lower(v);
        }
    } else if (!reversed) {
        const std::uint32_t* a = x.array;
        for (std::ptrdiff_t k = 0; k < limbs; ++k) {
            out[2 * k] = upper(a[k]);
            out[2 * k + 1] = lower(a[k]);
        }
    } else {
        const std::uint32_t* a = x.array;
        for (std::ptrdiff_t k = 0; k < limbs; ++k) {
            out[n - 1 - 2 * k] = upper(a[k]);
            out[n - 2 - 2 * k] = lower(a[k]);
        }
    }

    // The head limb is not zero, so one of its half-limbs is not either.
    std::int32_t expo = 2 * x.expo + 1;
    std::int32_t lowexpo = 2 * from;
    const std::int16_t* digits = out;
    std::int16_t* high = reversed ? out + n - 1 : out;
    if (*high == 0) {
        --n;
        --expo;
        if (!reversed)
            ++digits;
    }
    if (reversed) {
        for (; *digits == 0; ++digits, --n)
            ++lowexpo;
    } else {
        for (; digits[n - 1] == 0; --n)
            ++lowexpo;
    }
    return {digits, n, expo, lowexpo};
}

// The half-limb form is normalised with the ordinary exponent limits.
void checkrange(std::int32_t expo, std::int32_t lowexpo)
{
    if (expo > MAX_EXPO)
        throw numberexception("number overflow");
    if (lowexpo < MIN_EXPO)
        throw numberexception("number underflow");
}

// The normalised result of the column product, in limbs: limbs[0] has power
// expo, limbs[count - 1] power expo - count + 1, neither is zero.
struct columnproduct {
    const std::uint32_t* limbs;
    std::ptrdiff_t count;
    std::int32_t expo;
    bool negative;

    std::int32_t lowexpo() const { return expo - static_cast<std::int32_t>(count) + 1; }
};

std::int32_t floorhalf(std::int32_t v) { return v >> 1; }  // floor division by 2

// Operands of fewer half-limbs than this (the shorter of the two) keep
// every column sum below 9999 * 10^8, which the carry pass of
// finishcolumns relies on to carry at most one between limbs.
constexpr std::ptrdiff_t SHORTCARRY = 9000;

// Turns the column sums sums[0..columns) of half-limb powers lowest... into
// limbs and normalises them. sums[-1], sums[columns] and sums[columns + 1]
// must be zero; `shorter` is the half-limb count of the shorter operand. The
// product is below 10^4^(top + 2), top the power of the last column, so the
// carry ends inside the limb of that power.
void finishcolumns(const std::uint64_t* sums, std::int32_t lowest, std::ptrdiff_t columns,
                   std::ptrdiff_t shorter, bool negative, std::vector<std::uint32_t>& buffer,
                   columnproduct& out)
{
    const std::int32_t top = lowest + static_cast<std::int32_t>(columns) - 1;
    const std::int32_t lowlimb = floorhalf(lowest);
    const std::int32_t toplimb = floorhalf(top + 1);
    const std::ptrdiff_t n = static_cast<std::ptrdiff_t>(toplimb) - lowlimb + 1;
    std::uint32_t* L = room(buffer, static_cast<std::size_t>(n));  // L[0] at power toplimb

    // Two columns make a limb. The upper column's multiples of 10^4 go
    // straight to the next limb, so that no sum overflows 64 bits.
    std::ptrdiff_t c = lowest == 2 * lowlimb ? 0 : -1;  // the lower column of the limb
    if (shorter < SHORTCARRY) {
        // Every limb's own sum, below 10^12 SHORTCARRY, splits into a limb
        // and what it passes up without waiting for the limb below: that is
        // below 10^8 - 10^4 SHORTCARRY, so only a carry of one runs along
        // the limbs.
        std::uint64_t up = 0;
        std::uint32_t one = 0;
        for (std::ptrdiff_t k = n - 1; k >= 0; --k, c += 2) {
            const std::uint64_t v = sums[c] + HALFBASE * sums[c + 1];
            const std::uint64_t t = v % BASE + up + one;
            one = t >= BASE ? 1 : 0;
            L[k] = static_cast<std::uint32_t>(t - (one != 0 ? BASE : 0));
            up = v / BASE;
        }
    } else {
        std::uint64_t carry = 0;
        for (std::ptrdiff_t k = n - 1; k >= 0; --k, c += 2) {
            const std::uint64_t hi = sums[c + 1];
            const std::uint64_t t = carry + sums[c] + HALFBASE * (hi % HALFBASE);
            L[k] = static_cast<std::uint32_t>(t % BASE);
            carry = t / BASE + hi / HALFBASE;
        }
    }

    std::ptrdiff_t first = 0;
    while (L[first] == 0)
        ++first;  // the product is at least 10^4^top: not every limb is zero
    std::ptrdiff_t last = n - 1;
    while (L[last] == 0)
        --last;
    out = {L + first, last - first + 1, toplimb - static_cast<std::int32_t>(first), negative};
    // The range is checked on the half-limb form, as its normalisation would.
    const std::int32_t halfexpo = 2 * out.expo + (out.limbs[0] >= HALFBASE ? 1 : 0);
    const std::int32_t halflow = 2 * out.lowexpo() + (L[last] % HALFBASE == 0 ? 1 : 0);
    checkrange(halfexpo, halflow);
}

// Whether the column product of x and y stays inside the range of its
// half-limb form, so that a shortcut raises no error the columns would.
bool halflimbsafe(const operand& x, const operand& y)
{
    constexpr std::int32_t margin = 49999990;
    return x.expo < margin && y.expo < margin && x.lowexpo > -margin && y.lowexpo > -margin &&
           x.expo + y.expo < margin && x.lowexpo + y.lowexpo > -margin;
}

// What the column product needs of a resolution f: whether it is exact (f
// zero) and the power of its limb.
struct cut {
    bool exact;
    std::int32_t expo;
};

cut cutof(const number& f) { return {f.iszero(), f.expo()}; }

// An operand of at most this many limbs makes the column product short: it
// is taken on whole limbs, where a column of products of two limbs sums in
// 64 bits (SHORTLIMBS * 10^16 < 2^64).
constexpr std::int32_t SHORTLIMBS = 15;

// The limbs of an operand from the most significant down.
struct limbreader {
    const limb* chain;
    const std::uint32_t* array;

    std::uint32_t next()
    {
        if (chain != nullptr) {
            const std::uint32_t v = chain->value;
            chain = chain->lower;
            return v;
        }
        return *array++;
    }
};

// The column product of x and a short y, on whole limbs. The columns keep
// every product of half-limbs at or above half-limb power 2 f.expo() - 2:
// whole products of limbs whose powers add up to f.expo() - 1 or more, and
// of the pairs one lower only their upper half-limbs' product. Operands the
// half-limb form cuts are cut by this rule as well, as everything they leave
// out lies below that power. Nonzero operands inside halflimbsafe.
bool shortcolumns(const operand& x, const operand& y, cut f, columnproduct& out)
{
    std::uint32_t ylimbs[SHORTLIMBS];
    const std::int32_t m = y.expo - y.lowexpo + 1;
    limbreader ry{y.chain, y.array};
    for (std::int32_t j = 0; j < m; ++j)
        ylimbs[j] = ry.next();

    // Limb pairs of power `full` and above count whole; with a resolution,
    // those of power part = full - 1 only by their upper halves, which land
    // in the lower half of the limb of power full.
    const bool exact = f.exact;
    const std::int32_t lowsum = x.lowexpo + y.lowexpo;
    const std::int32_t part = exact ? lowsum - 1 : f.expo - 2;
    const std::int32_t full = std::max(lowsum, part + 1);
    const std::int32_t top = x.expo + y.expo;
    if (std::max(lowsum, part) > top)
        return false;

    // The limbs of x that take part, X[x.expo - i] of power i >= xlow.
    scratch& s = buffers();
    const std::int32_t xlow = std::max(x.lowexpo, part - y.expo);
    const std::uint32_t* X = x.array;
    if (X == nullptr) {
        std::uint32_t* copy = room(s.limbs, static_cast<std::size_t>(x.expo - xlow + 1));
        const limb* p = x.chain;
        for (std::int32_t i = x.expo; i >= xlow; --i, p = p->lower)
            copy[x.expo - i] = p->value;
        X = copy;
    }
    // The pairs of x's power i and y's power k - i for one column k.
    auto pairs = [&](std::int32_t k, auto product) {
        std::uint64_t t = 0;
        const std::int32_t from = std::max(y.lowexpo, k - x.expo);
        const std::int32_t to = std::min(y.expo, k - xlow);
        for (std::int32_t py = from; py <= to; ++py)
            t += product(X[x.expo - (k - py)], ylimbs[y.expo - py]);
        return t;
    };

    // Column by column from the lowest, each summed in a register and
    // carried at once: limb power k at L[top + 1 - k].
    const std::ptrdiff_t n = static_cast<std::ptrdiff_t>(top) - full + 2;
    std::uint32_t* L = room(s.q, static_cast<std::size_t>(n));
    std::uint64_t carry = 0;
    if (!exact) {
        carry = pairs(
            part, [](std::uint64_t a, std::uint64_t b) { return a / HALFBASE * (b / HALFBASE); });
    }
    if (m == 1) {
        // One product per column, below 10^16: it splits into a limb and
        // what goes up, both below 10^8, without waiting for the column
        // below; only a carry of one runs along.
        const std::uint64_t v = ylimbs[0];
        const std::uint32_t* xi = X + (x.expo - (full - y.expo));
        std::uint32_t one = 0;
        for (std::int32_t k = full; k <= top; ++k, --xi) {
            const std::uint64_t t = *xi * v;
            const std::uint64_t u = t % BASE + carry + one;
            one = u >= BASE ? 1 : 0;
            L[top + 1 - k] = static_cast<std::uint32_t>(u - (one != 0 ? BASE : 0));
            carry = t / BASE;
        }
        carry += one;
    } else {
        for (std::int32_t k = full; k <= top; ++k) {
            const std::uint64_t t =
                carry + pairs(k, [](std::uint64_t a, std::uint64_t b) { return a * b; });
            L[top + 1 - k] = static_cast<std::uint32_t>(t % BASE);
            carry = t / BASE;
        }
    }
    L[0] = static_cast<std::uint32_t>(carry);  // below BASE: the product is below BASE^(top + 2)
    std::ptrdiff_t first = 0;
    while (first < n && L[first] == 0)
        ++first;
    if (first == n)
        return false;
    std::ptrdiff_t last = n - 1;
    while (L[last] == 0)
        --last;
    out = {L + first, last - first + 1, top + 1 - static_cast<std::int32_t>(first),
           x.negative != y.negative};
    return true;
}

// x * y by columns, as basicprod; false when the product is zero. The result
// lives in the scratch buffer until the next product.
bool multiplycolumns(const operand& x, const operand& y, cut f, columnproduct& out)
{
    if (!computeallowed())
        throw numberexception("Operation was canceled");
    if (x.zero || y.zero)
        return false;
    const std::int32_t nx = x.expo - x.lowexpo + 1;
    const std::int32_t ny = y.expo - y.lowexpo + 1;
    if (std::min(nx, ny) <= SHORTLIMBS && halflimbsafe(x, y))
        return ny <= nx ? shortcolumns(x, y, f, out) : shortcolumns(y, x, f, out);

    // Limbs of either operand that cannot reach the resolution, even times
    // the other's head, are left out.
    const bool exact = f.exact;
    std::int32_t xfrom = x.lowexpo;
    std::int32_t yfrom = y.lowexpo;
    if (!exact) {
        xfrom = std::max(xfrom, f.expo - y.expo - 2);
        yfrom = std::max(yfrom, f.expo - x.expo - 2);
        // Both are cut off entirely or neither is.
        if (xfrom > x.expo || yfrom > y.expo)
            return false;
    }

    // X most significant first and Y reversed: column c pairs X[a] with
    // Y[a + d] for d = c - X.expo - Y.lowexpo, a plain dot product.
    scratch& s = buffers();
    const halves X = split(x, xfrom, s.x, false);
    checkrange(X.expo, X.lowexpo);
    const halves Y = split(y, yfrom, s.y, true);
    checkrange(Y.expo, Y.lowexpo);

    const std::int32_t top = X.expo + Y.expo;
    const std::int32_t low = X.lowexpo + Y.lowexpo;
    // With a resolution the lowest column is the lower half of the guard
    // limb one below f.expo.
    const std::int32_t lowest = exact ? low : std::max(low, 2 * f.expo - 2);
    if (lowest > top)
        return false;

    const std::ptrdiff_t columns = static_cast<std::ptrdiff_t>(top) - lowest + 1;
    // One zero before the sums and two after, for the pairing into limbs;
    // WIDTH more, as the last group of columns may overrun.
    std::uint64_t* sums = room(s.sums, static_cast<std::size_t>(columns + WIDTH + 3)) + 1;
    sums[-1] = 0;
    if (std::min(X.count, Y.count) < BLOCK) {
        // A short operand: whole blocks would be mostly padding, so each
        // column is summed over its own diagonal.
        for (std::ptrdiff_t i = 0; i < columns; ++i) {
            const std::ptrdiff_t d = static_cast<std::ptrdiff_t>(lowest) + i - X.expo - Y.lowexpo;
            const std::ptrdiff_t a1 = std::min(X.count, Y.count - d);
            std::uint64_t t = 0;
            for (std::ptrdiff_t a = std::max<std::ptrdiff_t>(0, -d); a < a1; ++a)
                t += static_cast<std::uint32_t>(X.digits[a] * Y.digits[a + d]);
            sums[i] = t;
        }
    } else {
        columnsums(X.digits, X.count, Y.digits, Y.count,
                   static_cast<std::ptrdiff_t>(lowest) - X.expo - Y.lowexpo, columns, sums);
    }
    sums[columns] = 0;
    sums[columns + 1] = 0;
    finishcolumns(sums, lowest, columns, std::min(X.count, Y.count), x.negative != y.negative, s.q,
                  out);
    return true;
}

// -- flat arithmetic for the splitting product ------------------------------------

const number& zero()
{
    static const number z;
    return z;
}

flat copyof(const span& x)
{
    flat r;
    r.limbs.assign(x.limbs, x.limbs + x.count);
    r.expo = x.iszero() ? ZERO_EXPO : x.expo;
    r.negative = x.negative;
    return r;
}

flat flatten(const number& x)
{
    flat r;
    if (x.iszero())
        return r;
    r.limbs.reserve(static_cast<std::size_t>(limbcount(x)));
    for (const limb* p = x.head(); p != nullptr; p = p->lower)
        r.limbs.push_back(p->value);
    r.expo = x.expo();
    r.negative = x.isnegative();
    return r;
}

number chainof(const flat& x)
{
    number r;
    if (x.limbs.empty())
        return r;
    r.appendlimbs(x.limbs.data(), x.limbs.size());
    r.setexpo(x.expo);
    r.setlowexpo(x.view().lowexpo());
    r.setnegative(x.negative);
    r.normalise();
    return r;
}

// The chain of a column product's result.
number chainof(const columnproduct& c)
{
    number r;
    r.appendlimbs(c.limbs, static_cast<std::size_t>(c.count));
    r.setexpo(c.expo);
    r.setlowexpo(c.lowexpo());
    r.setnegative(c.negative);
    return r;
}

// The flat number of the limbs v[0..n) (v[0] at power top), without the
// zero limbs at either end, range-checked as normalising a number is.
flat stripped(const std::uint32_t* v, std::ptrdiff_t n, std::int32_t top)
{
    flat r;
    std::ptrdiff_t lead = 0;
    while (lead < n && v[lead] == 0)
        ++lead;
    while (n > lead && v[n - 1] == 0)
        --n;
    if (lead == n)
        return r;
    r.limbs.assign(v + lead, v + n);
    r.expo = top - static_cast<std::int32_t>(lead);
    checkrange(r.expo, r.view().lowexpo());
    return r;
}

// The limbs of x at powers from down to to (clipped to x's own), without
// zero limbs at the ends; zero when none is left.
span slice(const span& x, std::int32_t from, std::int32_t to)
{
    if (x.iszero())
        return x;
    from = std::min(from, x.expo);
    to = std::max(to, x.lowexpo());
    if (from < to)
        return span();
    const std::uint32_t* p = x.limbs + (x.expo - from);
    std::int32_t n = from - to + 1;
    for (; n > 0 && *p == 0; --n, --from)
        ++p;
    while (n > 0 && p[n - 1] == 0)
        --n;
    if (n == 0)
        return span();
    return {p, n, from, x.negative};
}

// x * BASE^k, as multpow10 by a multiple of 8 does it: only the exponents
// move, and only the new top exponent is checked.
span shifted(span x, std::int32_t k)
{
    if (x.iszero())
        return x;
    x.expo += k;
    if (x.expo > MAX_EXPO || x.expo < MIN_EXPO)
        throw numberexception("multpow10:invalid m_expo:%d", x.expo);
    return x;
}

int compareabs(const span& a, const span& b)
{
    if (a.iszero())
        return b.iszero() ? 0 : -1;
    if (b.iszero())
        return 1;
    if (a.expo != b.expo)
        return a.expo > b.expo ? 1 : -1;
    const std::int32_t n = std::min(a.count, b.count);
    for (std::int32_t i = 0; i < n; ++i) {
        if (a.limbs[i] != b.limbs[i])
            return a.limbs[i] > b.limbs[i] ? 1 : -1;
    }
    return a.count == b.count ? 0 : (a.count > b.count ? 1 : -1);
}

// |a| + |b|, normalised, positive.
flat addmagnitudes(const span& a, const span& b)
{
    if (a.iszero() && b.iszero())
        return flat();
    const span& p = a.iszero() ? b : a;
    const span& o = a.iszero() ? a : b;
    const std::int32_t top = o.iszero() ? p.expo : std::max(p.expo, o.expo);
    const std::int32_t low = o.iszero() ? p.lowexpo() : std::min(p.lowexpo(), o.lowexpo());
    // One limb more for the carry; the result limb of power k at top + 1 - k.
    const std::ptrdiff_t n = static_cast<std::ptrdiff_t>(top) - low + 2;
    std::uint32_t* v = room(buffers().sum, static_cast<std::size_t>(n));
    std::uint32_t* out = v + 1;
    const std::ptrdiff_t pfirst = top - p.expo;
    std::fill(v, out + pfirst, 0u);
    std::copy(p.limbs, p.limbs + p.count, out + pfirst);
    std::fill(out + pfirst + p.count, v + n, 0u);
    std::uint32_t carry = 0;
    for (std::int32_t i = o.count - 1; i >= 0; --i) {
        std::uint32_t& t = out[top - o.expo + i];
        t += o.limbs[i] + carry;
        carry = t >= BASE ? 1 : 0;
        t -= carry * BASE;
    }
    for (std::ptrdiff_t i = top - o.expo - 1; carry != 0; --i) {
        std::uint32_t& t = out[i];
        t += carry;
        carry = t >= BASE ? 1 : 0;
        t -= carry * BASE;
    }
    return stripped(v, n, top + 1);
}

// |a| - |b| for |a| > |b|, normalised, positive.
flat subtractmagnitudes(const span& a, const span& b)
{
    const std::int32_t top = a.expo;
    const std::int32_t low = b.iszero() ? a.lowexpo() : std::min(a.lowexpo(), b.lowexpo());
    const std::ptrdiff_t n = static_cast<std::ptrdiff_t>(top) - low + 1;
    std::uint32_t* out = room(buffers().sum, static_cast<std::size_t>(n));
    std::copy(a.limbs, a.limbs + a.count, out);
    std::fill(out + a.count, out + n, 0u);
    std::uint32_t borrow = 0;
    std::ptrdiff_t i = b.iszero() ? -1 : top - b.expo + b.count - 1;
    const std::ptrdiff_t bhead = b.iszero() ? 0 : top - b.expo;
    for (; i >= 0 && (i >= bhead || borrow != 0); --i) {
        const std::uint32_t sub = (i >= bhead ? b.limbs[i - bhead] : 0) + borrow;
        if (out[i] >= sub) {
            out[i] -= sub;
            borrow = 0;
        } else {
            out[i] += BASE - sub;
            borrow = 1;
        }
    }
    return stripped(out, n, top);
}

// a + b, or a - b when `minus`, exactly.
flat addexact(const span& a, const span& b, bool minus)
{
    const bool bneg = b.negative != minus;
    if (a.iszero()) {
        flat r = copyof(b);
        r.negative = !b.iszero() && bneg;
        return r;
    }
    if (b.iszero())
        return copyof(a);
    if (a.negative == bneg) {
        flat r = addmagnitudes(a, b);
        r.negative = !r.limbs.empty() && a.negative;
        return r;
    }
    const int c = compareabs(a, b);
    if (c == 0)
        return flat();
    flat r = c > 0 ? subtractmagnitudes(a, b) : subtractmagnitudes(b, a);
    r.negative = !r.limbs.empty() && (c > 0 ? a.negative : bneg);
    return r;
}

// sum(a, b, f) where a and b have the same sign, as the splitting product's
// two parts always do: with f > 0 each keeps its limbs of power >= f.expo()
// (one guard limb more when f is a power of BASE) and is left out entirely
// when it lies below f.expo(). Other cases go to the chains' sum.
flat sumat(const span& a, const span& b, const number& f)
{
    if (a.iszero())
        return copyof(b);
    if (b.iszero())
        return copyof(a);
    if (a.negative != b.negative)
        return flatten(sum(chainof(copyof(a)), chainof(copyof(b)), f));
    if (!ispositive(f))
        return addexact(a, b, false);
    const std::int32_t cut = f.head()->value == 1 ? f.expo() - 1 : f.expo();
    const span ka = a.expo < f.expo() ? span() : slice(a, a.expo, cut);
    const span kb = b.expo < f.expo() ? span() : slice(b, b.expo, cut);
    flat r = addmagnitudes(ka, kb);
    r.negative = !r.limbs.empty() && a.negative;
    return r;
}

flat basicprod(const span& x, const span& y, const number& f)
{
    columnproduct c;
    flat r;
    if (!multiplycolumns(of(x), of(y), cutof(f), c))
        return r;
    r.limbs.assign(c.limbs, c.limbs + c.count);
    r.expo = c.expo;
    r.negative = c.negative;
    return r;
}

// -- the splitting product --------------------------------------------------------

number reciprocalguess(std::uint32_t head, std::uint32_t next, std::int32_t expo, bool negative)
{
    // v: the first five significant digits, padded with zeros.
    const int digits = digitcount(head);
    std::uint32_t v;
    if (digits >= 5)
        v = head / pow10(digits - 5);
    else
        v = head * pow10(5 - digits) + next / pow10(BASE_DIGITS - 5 + digits);
    number r(static_cast<std::int32_t>(1000000000u / v));
    multpow10(r, -(BASE_DIGITS * expo + digits - 1) - 5);
    r.setnegative(negative);
    return r;
}

number reciprocalguess(const span& y)
{
    return reciprocalguess(y.limbs[0], y.count > 1 ? y.limbs[1] : 0, y.expo, y.negative);
}

// The resolution below which the limbs of one operand are dropped: their
// contribution, times the other operand y (|1/y| ~ guess), stays below
// 10^-10 of the budget D.
number dropbelow(const number& D, const number& guess)
{
    static const number tiny = powerof10(-10);
    return APCprod(APCprod(tiny, D, 0), abs(guess), 0);
}

std::int32_t limbcount(const span& x) { return x.iszero() ? 1 : x.count; }

// An exact product has one value however it is reached, and up to this
// many limbs of the shorter operand the columns reach it faster than the
// splitting product's additions and copies.
constexpr std::int32_t EXACTCOLUMNS = 1000;

// Whether prod takes the exact product x y by columns, unsplit: both
// operands range-safe, so that no range error of the pieces differs.
bool exactcolumns(const operand& x, const operand& y, const number& f)
{
    return f.iszero() && std::min(x.expo - x.lowexpo, y.expo - y.lowexpo) < EXACTCOLUMNS &&
           halflimbsafe(x, y);
}

// Result limbs prod must compute; it splits only when both operands and this
// exceed KARATSUBA_LIMBS.
std::int64_t needed(std::int32_t xexpo, std::int32_t yexpo, std::int32_t nx, std::int32_t ny,
                    const number& f)
{
    std::int64_t need = static_cast<std::int64_t>(nx) + ny;
    if (!f.iszero())
        need = std::min(static_cast<std::int64_t>(xexpo) + yexpo - f.expo(), need);
    return need;
}

flat prod(const span& x, const span& y, const number& f)
{
    const std::int32_t nx = limbcount(x);
    const std::int32_t ny = limbcount(y);
    if (nx < ny)
        return prod(y, x, f);
    const std::int64_t need = needed(x.expo, y.expo, nx, ny, f);
    if (ny <= KARATSUBA_LIMBS || need <= KARATSUBA_LIMBS || exactcolumns(of(x), of(y), f))
        return basicprod(x, y, f);

    // A Karatsuba step on the top `half` limbs. The error budget D, about a
    // third of f, goes once to each of the middle product's two parts (M and
    // N, at D shifted up) and once to the final addition.
    static const number third(0.33333333333);
    const number D = APCprod(third, f, 0);
    const std::int32_t half = static_cast<std::int32_t>(std::min<std::int64_t>(nx, need) / 2);
    const number tx = dropbelow(D, reciprocalguess(y));
    const span xh = slice(x, x.expo, x.expo - half + 1);
    const span xl = slice(x, x.expo - half, tx.expo());
    if (ny < half) {
        const flat high = prod(xh, y, zero());
        const flat low = prod(xl, y, D);
        return addexact(high.view(), low.view(), false);
    }

    const number ty = dropbelow(D, reciprocalguess(x));
    const span yh = slice(y, y.expo, y.expo - half + 1);
    const span yl = slice(y, y.expo - half, ty.expo());
    const flat P = prod(xh, yh, zero());
    const span xls = shifted(xl, half);
    const span yls = shifted(yl, half);
    const number R = scaled(D, BASE_DIGITS * half);
    const flat xsum = addexact(xh, xls, false);
    const flat ysum = addexact(yh, yls, false);
    const flat M = prod(xsum.view(), ysum.view(), R);
    const flat N = prod(xls, yls, R);
    const flat middle = addexact(addexact(M.view(), P.view(), true).view(), N.view(), true);
    const flat upper = addexact(P.view(), shifted(middle.view(), -half), false);
    return sumat(upper.view(), shifted(N.view(), -2 * half), D);
}

}  // namespace

number basicprod(const number& x, const number& y, const number& f)
{
    columnproduct c;
    if (!multiplycolumns(of(x), of(y), cutof(f), c))
        return number();
    return chainof(c);
}

namespace {

bool halflimbsafe(const number& x, const number& y) { return halflimbsafe(of(x), of(y)); }

// Whether x times y can be taken in place: y a single limb, no range error.
bool inplace(const number& x, const number& y)
{
    return !x.iszero() && !y.iszero() && y.expo() == y.lowexpo() && halflimbsafe(x, y);
}

// x times the single limb y in place, on the columns' rule on whole limbs
// (see shortcolumns): limbs of x of power `whole` and above count whole; the
// limb below by its upper half only when `part`, which lands in the lower
// half of the limb above.
void scaleinplace(number& x, const number& y, std::int32_t whole, bool part)
{
    if (!computeallowed())
        throw numberexception("Operation was canceled");
    const bool negative = x.isnegative() != y.isnegative();
    const std::int32_t p = y.expo();
    const std::uint64_t v = y.head()->value;

    std::uint64_t carry = 0;
    if (x.expo() < whole) {
        // Only the upper half of the head counts: a single limb above it.
        carry = x.head()->value / HALFBASE * (v / HALFBASE);
        x.setzero();
        if (carry == 0)
            return;
        x.append(static_cast<std::uint32_t>(carry));
        x.setexpo(whole + p);
        x.setlowexpo(whole + p);
        x.setnegative(negative);
        x.normalise();
        return;
    }
    limb* low = x.nodeat(whole);  // the least significant limb kept
    if (part)
        carry = low->lower->value / HALFBASE * (v / HALFBASE);
    x.cutbelow(low);
    // Each product splits into a limb and what goes up, both below 10^8,
    // without waiting for the limb below; only a carry of one runs along.
    std::uint32_t one = 0;
    for (limb* q = low; q != nullptr; q = q->upper) {
        const std::uint64_t t = q->value * v;
        const std::uint64_t u = t % BASE + carry + one;
        one = u >= BASE ? 1 : 0;
        q->value = static_cast<std::uint32_t>(u - (one != 0 ? BASE : 0));
        carry = t / BASE;
    }
    carry += one;
    std::int32_t expo = x.expo() + p;
    if (carry != 0) {
        x.prepend(static_cast<std::uint32_t>(carry));
        ++expo;
    }
    x.setexpo(expo);
    x.setlowexpo(whole + p);
    x.setnegative(negative);
    x.normalise();
}

}  // namespace

number prod(const number& x, const number& y, const number& f)
{
    const std::int32_t nx = limbcount(x);
    const std::int32_t ny = limbcount(y);
    if (nx < ny)
        return prod(y, x, f);
    if (ny == 1 && f.iszero() && inplace(x, y)) {
        // Series keep exact powers and factorials this way (a = a N).
        number r(x);
        scaleinplace(r, y, r.lowexpo(), false);
        return r;
    }
    const std::int64_t need = needed(x.expo(), y.expo(), nx, ny, f);
    if (ny <= KARATSUBA_LIMBS || need <= KARATSUBA_LIMBS || exactcolumns(of(x), of(y), f))
        return basicprod(x, y, f);
    const flat xf = flatten(x);
    const flat yf = flatten(y);
    return chainof(prod(xf.view(), yf.view(), f));
}

number operator*(const number& x, const number& y) { return prod(x, y, zero()); }

number APCprod(const number& x, const number& y, int bias)
{
    if (x.iszero() || y.iszero())
        return number();
    // s = basicprod(x, y, 10^(leadpos(x) + leadpos(y) - 18)), and s moved by
    // u = 10^(leadpos(s) - 10) towards the bias, on the column product's
    // limbs: one chain is built instead of four numbers.
    columnproduct c;
    const cut f{false, powerof10expo(leadpos(x) + leadpos(y) - 18)};
    number r;
    const bool zero = !multiplycolumns(of(x), of(y), f, c);
    if (bias < -1 || bias > 1)
        throw numberexception("APCprod:invalid bias");
    if (zero) {
        // Never for non-zero factors; s = 0 has leadpos 0.
        if (bias != 0)
            r = bias == 1 ? powerof10(-10) : negate(powerof10(-10));
        return r;
    }
    if (bias == 0)
        return chainof(c);

    const std::int32_t j = BASE_DIGITS * c.expo + digitcount(c.limbs[0]) - 1 - 10;
    const std::int32_t ue = powerof10expo(j);
    const std::uint32_t unit = pow10(j - BASE_DIGITS * ue);
    // |s| +- u on limbs a[0] (power c.expo + 1, for a carry) down to power low.
    const std::int32_t low = std::min(c.lowexpo(), ue);
    // s has at most six limbs (the product's 19 or 20 digits and the guard
    // limbs), u lies within two limbs below its head.
    std::uint32_t a[16];
    const std::int32_t n = c.expo + 1 - low + 1;
    if (n > 16) {
        std::fputs("Assertion failed: APCprod limbs, module number\n", stderr);
        std::abort();
    }
    std::fill(a, a + n, 0u);
    std::copy(c.limbs, c.limbs + c.count, a + 1);
    std::int32_t i = c.expo + 1 - ue;
    if ((bias == 1) != c.negative) {
        a[i] += unit;
        for (; a[i] >= BASE; --i) {
            a[i] -= BASE;
            ++a[i - 1];
        }
    } else {
        // u is below |s|: the borrow stops inside s.
        for (std::uint32_t sub = unit; sub != 0; --i) {
            if (a[i] >= sub) {
                a[i] -= sub;
                sub = 0;
            } else {
                a[i] += BASE - sub;
                sub = 1;
            }
        }
    }
    r.appendlimbs(a, static_cast<std::size_t>(n));
    r.setexpo(c.expo + 1);
    r.setlowexpo(low);
    r.setnegative(c.negative);
    r.normalise();
    return r;
}

number reciprocalguess(const number& y)
{
    // A zero divisor never gets here from quot; from any other caller it is a
    // programming error: report it and stop, in every build type.
    if (y.iszero()) {
        std::fputs("Assertion failed: divisor != 0 in reciprocalguess, module number\n", stderr);
        std::abort();
    }
    const limb* next = y.head()->lower;
    return reciprocalguess(y.head()->value, next != nullptr ? next->value : 0, y.expo(),
                           y.isnegative());
}

// prod(x, u, f) for a flat u and f > 0, with x read from its chain: the
// column product takes both kinds of operand, and only the splitting
// product needs x flat.
number productof(const number& x, const flat& u, const number& f)
{
    const span us = u.view();
    const std::int32_t nx = limbcount(x);
    const std::int32_t nu = limbcount(us);
    const std::int64_t need = needed(x.expo(), us.expo, nx, nu, f);
    const operand ox = of(x);
    const operand ou = of(us);
    if (std::min(nx, nu) > KARATSUBA_LIMBS && need > KARATSUBA_LIMBS)
        return chainof(prod(flatten(x).view(), us, f));
    // As prod orders them: the longer operand first.
    columnproduct c;
    if (!multiplycolumns(nx < nu ? ou : ox, nx < nu ? ox : ou, cutof(f), c))
        return number();
    return chainof(c);
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

std::vector<std::int32_t> ladder(std::int32_t n, std::int32_t limit)
{
    std::vector<std::int32_t> steps;
    while (n < limit) {
        n /= 2;
        steps.push_back(n);
    }
    return steps;
}

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

    static const number seven(0.7);
    static const number tenth(0.1);
    static const number eleven(0.11);
    static const number thirtyseven(0.37);
    static const number one(1);

    // v is the relative accuracy wanted of 1/y. The final product multiplies
    // the error of 1/y by |x|, so v is about 0.7 f |y/x|, not 0.7 f: an
    // absolute budget would leave large quotients with a handful of digits.
    const number r0 = reciprocalguess(y);
    const number v = APCprod(APCprod(seven, f, -1), abs(APCprod(y, reciprocalguess(x), -1)), -1);

    // Precisions of the Newton steps, each about twice the previous one.
    const std::vector<std::int32_t> steps = ladder(leadpos(v), -7);

    const number h = APCprod(tenth, abs(r0), -1);
    if (!flatquotient(-leadpos(v), x, y)) {
        number m = r0;
        for (auto e = steps.rbegin(); e != steps.rend(); ++e) {
            const number N = scaled(h, *e);
            const number O = scaled(eleven, *e);
            m = m + prod(m, one - prod(y, m, O), N);
        }
        const number N = thirtyseven * f;
        const number O = h * v;
        const number P = eleven * v;
        const number U = m + prod(m, one - prod(y, m, P), O);
        return prod(x, U, N);
    }

    const flat unit = flatten(one);
    const flat yf = flatten(y);
    // m + m (1 - y m), with y m at resolution O and the correction at N; on
    // flat limbs, as the Newton steps build and take apart long numbers.
    auto newton = [&](const flat& m, const number& N, const number& O) {
        const flat e = addexact(unit.view(), prod(yf.view(), m.view(), O).view(), true);
        return addexact(m.view(), prod(m.view(), e.view(), N).view(), false);
    };
    flat m = flatten(r0);
    for (auto e = steps.rbegin(); e != steps.rend(); ++e)
        m = newton(m, scaled(h, *e), scaled(eleven, *e));

    const number N = thirtyseven * f;
    const flat U = newton(m, h * v, eleven * v);
    return productof(x, U, N);
}

number APCquot(const number& x, const number& y, int bias)
{
    static const number tenth(0.1);
    static const number eleven(0.11);
    static const number one(1);
    number o = reciprocalguess(y);
    const number l = tenth * abs(o);
    for (std::int32_t e : {-8, -16}) {
        const number N = scaled(l, e);
        const number O = scaled(eleven, e);
        o = o + prod(o, one - prod(y, o, O), N);
    }
    return APCprod(x, o, bias);
}

namespace {

// a mod b for 0 < a, b by the quotient: its floor at resolution 0.1 is the
// whole quotient or one off, which one correction step puts right.
number remainderbyquotient(const number& a, const number& b)
{
    static const number tenth(0.1);
    const number q = floor(quot(a, b, tenth));
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

number sumprec(const number& x, const number& y, std::int32_t d)
{
    return sum(x, y, powerof10(std::max(leadpos(x), leadpos(y)) - d - 2));
}

number diffprec(const number& x, const number& y, std::int32_t d)
{
    return diff(x, y, powerof10(std::max(leadpos(x), leadpos(y)) - d - 2));
}

number prodprec(const number& x, const number& y, std::int32_t d)
{
    return prod(x, y, powerof10(leadpos(x) + leadpos(y) - d - 2));
}

number quotprec(const number& x, const number& y, std::int32_t d)
{
    return quot(x, y, powerof10(leadpos(x) - leadpos(y) - d - 2));
}

void prodprecinplace(number& x, const number& y, std::int32_t d)
{
    if (!inplace(x, y)) {
        x = prodprec(x, y, d);
        return;
    }
    // F: the exponent of the resolution prodprec uses.
    const std::int32_t F = powerof10expo(leadpos(x) + leadpos(y) - d - 2);
    const std::int32_t p = y.expo();
    if (x.expo() + p < F - 2) {
        x.setzero();  // every product lies below the resolution
        return;
    }
    const std::int32_t whole = std::max(x.lowexpo(), F - 1 - p);
    scaleinplace(x, y, whole, F - 2 - p >= x.lowexpo());
}

void prodinplace(number& x, const number& y)
{
    if (!inplace(x, y)) {
        x = x * y;
        return;
    }
    scaleinplace(x, y, x.lowexpo(), false);
}
