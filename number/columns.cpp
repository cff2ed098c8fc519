#include "columns.h"

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "chain.h"
#include "diagonals.h"
#include "number/addition.h"

namespace num {

namespace {

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
halves split(const limbrun& x, std::int32_t from, std::vector<std::int16_t>& buffer, bool reversed)
{
    std::ptrdiff_t n = 2 * (static_cast<std::ptrdiff_t>(x.expo) - from + 1);
    std::int16_t* out = room(buffer, static_cast<std::size_t>(FRONT + n + BACK)) + FRONT;
    std::fill(out - FRONT, out, std::int16_t{0});
    std::fill(out + n, out + n + BACK, std::int16_t{0});
    // Half-limb i (from the most significant) goes to out[i], or to
    // out[n - 1 - i] when reversed. Separate loops for each order and kind
    // of operand, so that the ones on flat limbs vectorise.
    const std::ptrdiff_t limbs = n / 2;
    auto upper = [](std::uint32_t v) { return static_cast<std::int16_t>(v / HALF_BASE); };
    auto lower = [](std::uint32_t v) { return static_cast<std::int16_t>(v % HALF_BASE); };
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

std::int32_t floorhalf(std::int32_t v) { return v >> 1; }  // floor division by 2

// Operands of fewer half-limbs than this (the shorter of the two) keep
// every column sum below 9999 * 10^8, which the carry pass of
// finishcolumns relies on to carry at most one between limbs.
constexpr std::ptrdiff_t SHORT_CARRY = 9000;

// Turns the column sums sums[0..columns) of half-limb powers lowest... into
// limbs and normalises them. sums[-1], sums[columns] and sums[columns + 1]
// must be zero; `shorter` is the half-limb count of the shorter operand. The
// product is below 10^4^(top + 2), top the power of the last column, so the
// carry ends inside the limb of that power.
void finishcolumns(const std::uint64_t* sums, std::int32_t lowest, std::ptrdiff_t columns,
                   std::ptrdiff_t shorter, bool negative, std::vector<std::uint32_t>& buffer,
                   limbrun& out)
{
    const std::int32_t top = lowest + static_cast<std::int32_t>(columns) - 1;
    const std::int32_t lowlimb = floorhalf(lowest);
    const std::int32_t toplimb = floorhalf(top + 1);
    const std::ptrdiff_t n = static_cast<std::ptrdiff_t>(toplimb) - lowlimb + 1;
    std::uint32_t* L = room(buffer, static_cast<std::size_t>(n));  // L[0] at power toplimb

    // Two columns make a limb. The upper column's multiples of 10^4 go
    // straight to the next limb, so that no sum overflows 64 bits.
    std::ptrdiff_t c = lowest == 2 * lowlimb ? 0 : -1;  // the lower column of the limb
    if (shorter < SHORT_CARRY) {
        // Every limb's own sum, below 10^12 SHORT_CARRY, splits into a limb
        // and what it passes up without waiting for the limb below: that is
        // below 10^8 - 10^4 SHORT_CARRY, so only a carry of one runs along
        // the limbs.
        std::uint64_t up = 0;
        std::uint32_t one = 0;
        for (std::ptrdiff_t k = n - 1; k >= 0; --k, c += 2) {
            const std::uint64_t v = sums[c] + HALF_BASE * sums[c + 1];
            const std::uint64_t t = v % BASE + up + one;
            one = t >= BASE ? 1 : 0;
            L[k] = static_cast<std::uint32_t>(t - (one != 0 ? BASE : 0));
            up = v / BASE;
        }
    } else {
        std::uint64_t carry = 0;
        for (std::ptrdiff_t k = n - 1; k >= 0; --k, c += 2) {
            const std::uint64_t hi = sums[c + 1];
            const std::uint64_t t = carry + sums[c] + HALF_BASE * (hi % HALF_BASE);
            L[k] = static_cast<std::uint32_t>(t % BASE);
            carry = t / BASE + hi / HALF_BASE;
        }
    }

    std::ptrdiff_t first = 0;
    while (L[first] == 0)
        ++first;  // the product is at least 10^4^top: not every limb is zero
    std::ptrdiff_t last = n - 1;
    while (L[last] == 0)
        --last;
    out = {.array = L + first,
           .expo = toplimb - static_cast<std::int32_t>(first),
           .count = static_cast<std::int32_t>(last - first + 1),
           .negative = negative};
    // The range is checked on the half-limb form, as its normalisation would.
    const std::int32_t halfexpo = 2 * out.expo + (out.array[0] >= HALF_BASE ? 1 : 0);
    const std::int32_t halflow = 2 * out.lowexpo() + (L[last] % HALF_BASE == 0 ? 1 : 0);
    checkrange(halfexpo, halflow);
}

// An operand of at most this many limbs makes the column product short: it
// is taken on whole limbs, where a column of products of two limbs sums in
// 64 bits (SHORT_LIMBS * 10^16 < 2^64).
constexpr std::int32_t SHORT_LIMBS = 15;

// The column product of x and a short y, on whole limbs. The columns keep
// every product of half-limbs at or above half-limb power 2 f.expo() - 2:
// whole products of limbs whose powers add up to f.expo() - 1 or more, and
// of the pairs one lower only their upper half-limbs' product. Operands the
// half-limb form cuts are cut by this rule as well, as everything they leave
// out lies below that power. Nonzero operands inside halflimbsafe.
bool shortcolumns(const limbrun& x, const limbrun& y, cut f, limbrun& out)
{
    std::uint32_t ylimbs[SHORT_LIMBS];
    const std::int32_t m = y.expo - y.lowexpo() + 1;
    limbreader ry(y);
    for (std::int32_t j = 0; j < m; ++j)
        ylimbs[j] = ry.next();

    // Limb pairs of power `full` and above count whole; with a resolution,
    // those of power part = full - 1 only by their upper halves, which land
    // in the lower half of the limb of power full.
    const bool exact = f.exact;
    const std::int32_t lowsum = x.lowexpo() + y.lowexpo();
    const std::int32_t part = exact ? lowsum - 1 : f.expo - 2;
    const std::int32_t full = std::max(lowsum, part + 1);
    const std::int32_t top = x.expo + y.expo;
    if (std::max(lowsum, part) > top)
        return false;

    // The limbs of x that take part, X[x.expo - i] of power i >= xlow.
    scratch& s = buffers();
    const std::int32_t xlow = std::max(x.lowexpo(), part - y.expo);
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
        const std::int32_t from = std::max(y.lowexpo(), k - x.expo);
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
            part, [](std::uint64_t a, std::uint64_t b) { return a / HALF_BASE * (b / HALF_BASE); });
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
    out = {.array = L + first,
           .expo = top + 1 - static_cast<std::int32_t>(first),
           .count = static_cast<std::int32_t>(last - first + 1),
           .negative = x.negative != y.negative};
    return true;
}

// The column product of operands inside the range of the half-limb form.
bool columnproduct(const limbrun& x, const limbrun& y, cut f, limbrun& out)
{
    const std::int32_t nx = x.expo - x.lowexpo() + 1;
    const std::int32_t ny = y.expo - y.lowexpo() + 1;
    if (std::min(nx, ny) <= SHORT_LIMBS && halflimbsafe(x, y))
        return ny <= nx ? shortcolumns(x, y, f, out) : shortcolumns(y, x, f, out);

    // Limbs of either operand that cannot reach the resolution, even times
    // the other's head, are left out.
    const bool exact = f.exact;
    std::int32_t xfrom = x.lowexpo();
    std::int32_t yfrom = y.lowexpo();
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

}  // namespace

cut rebasedcut(cut f, std::int64_t shift, std::int32_t lowsum)
{
    if (f.exact)
        return f;
    // Below the product's lowest limb a resolution cuts nothing, and above
    // power 3 it cuts everything (both operands are below BASE at power 0):
    // clamped there, every exponent the columns form stays small.
    const std::int64_t e = std::clamp<std::int64_t>(f.expo - shift, std::int64_t{lowsum} - 2, 3);
    return {false, static_cast<std::int32_t>(e)};
}

bool placeproduct(limbrun& out, std::int64_t shift, bool exact)
{
    const std::int64_t top = out.expo + shift;
    if (top > MAX_EXPO)
        throw numberexception("number overflow");
    if (top < MIN_EXPO)
        throw numberexception("number underflow");
    out.expo = static_cast<std::int32_t>(top);
    if (out.lowexpo() >= MIN_EXPO)
        return true;
    // Limbs below the range: an exact product cannot be held; one at a
    // resolution (a number, so at least BASE^MIN_EXPO) loses only its guard
    // limbs, and stays below the exact product in magnitude.
    if (exact)
        throw numberexception("number underflow");
    out.count = out.expo - MIN_EXPO + 1;
    while (out.count > 0 && out.array[out.count - 1] == 0)
        --out.count;
    return out.count > 0;
}

bool multiplycolumns(const limbrun& x, const limbrun& y, cut f, limbrun& out)
{
    pollcancel();
    if (x.iszero() || y.iszero())
        return false;
    // Half-limb powers are twice the limbs': to reach the whole range of a
    // number, the columns work on the operands moved by whole limbs to a
    // head at power 0, and the product moves back.
    if (halflimbsafe(x, y))
        return columnproduct(x, y, f, out);
    limbrun a = x;
    limbrun b = y;
    a.expo = 0;
    b.expo = 0;
    const std::int64_t shift = std::int64_t{x.expo} + y.expo;
    if (!columnproduct(a, b, rebasedcut(f, shift, a.lowexpo() + b.lowexpo()), out))
        return false;
    return placeproduct(out, shift, f.exact);
}

number basicprod(const number& x, const number& y, const number& f)
{
    limbrun c;
    if (!multiplycolumns(runof(x), runof(y), cutof(f), c))
        return number();
    return chainof(c);
}

number APCprod(const number& x, const number& y, int bias)
{
    if (x.iszero() || y.iszero())
        return number();
    // s = basicprod(x, y, 10^(leadpos(x) + leadpos(y) - 18)), and s moved by
    // u = 10^(leadpos(s) - 10) towards the bias, on the column product's
    // limbs: one chain is built instead of four numbers.
    limbrun c;
    // The power of the limb of 10^(leadpos(x) + leadpos(y) - 18), which may
    // lie outside the range: the columns move it with the operands.
    const std::int32_t k = leadpos(x) + leadpos(y) - 18;
    const cut f{false, k >= 0 ? k / BASE_DIGITS : -((BASE_DIGITS - 1 - k) / BASE_DIGITS)};
    number r;
    const bool zero = !multiplycolumns(runof(x), runof(y), f, c);
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

    const std::int32_t j = BASE_DIGITS * c.expo + digitcount(c.array[0]) - 1 - 10;
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
    std::copy(c.array, c.array + c.count, a + 1);
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
    appendlimbs(r, a, static_cast<std::size_t>(n));
    setexpo(r, c.expo + 1);
    setlowexpo(r, low);
    setnegative(r, c.negative);
    normalise(r);
    return r;
}

}  // namespace num
