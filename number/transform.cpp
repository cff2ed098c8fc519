#include "transform.h"

#include <algorithm>
#include <array>
#include <memory>
#include <vector>

#include "number/cancellation.h"

namespace num {

namespace {

using u64 = std::uint64_t;
__extension__ typedef unsigned __int128 u128;

// Three primes p = c 2^32 + 1 just below 2^62 with 3 dividing c: every
// transform length 2^k and 3 2^k up to 3 2^32 divides p - 1. Below 2^62,
// sums of two values below 2p and differences offset by 2p stay below 2^64,
// so the butterflies reduce lazily into [0, 2p). `generator` generates the
// multiplicative group.
struct primeinfo {
    u64 p;
    u64 generator;
};
constexpr std::array<primeinfo, 3> PRIMES = {
    {{4611685318347718657ull, 5}, {4611684674102624257ull, 5}, {4611683643310473217ull, 7}}};

// A coefficient takes three limbs, a digit of base 10^24. A coefficient of
// the convolution is a sum of at most min(cx, cy) products of two digits,
// so below min(cx, cy) 10^48 for operands of cx and cy coefficients; with
// p0 p1 p2 > 2^185.99 > 2^26.5 10^48 the residues determine it for up to
// 2^26.5 coefficients, 3 2^26.5 > 2.8 10^8 limbs: more than the 2 10^8
// limbs between the lowest and the highest power a number can hold.
constexpr std::size_t LIMBS_PER_COEFFICIENT = 3;
constexpr u64 LIMB = 100000000;

u64 mulhi(u64 a, u64 b) { return static_cast<u64>((static_cast<u128>(a) * b) >> 64); }

u64 powmod(u64 a, u64 e, u64 p)
{
    u64 r = 1;
    for (; e != 0; e >>= 1, a = static_cast<u64>(static_cast<u128>(a) * a % p))
        if ((e & 1) != 0)
            r = static_cast<u64>(static_cast<u128>(r) * a % p);
    return r;
}

// Arithmetic modulo one prime. Values live in [0, 2p); products are taken
// either by Montgomery's reduction (a factor kept as w R mod p, R = 2^64)
// or, for the precomputed roots of the power-of-two layers, by Shoup's
// quotient w' = floor(w 2^64 / p), one high product and two low ones.
struct modulus {
    u64 p = 0;
    u64 p2 = 0;    // 2p
    u64 pneg = 0;  // -1/p mod 2^64
    u64 r2 = 0;    // R^2 mod p

    explicit modulus(u64 prime) : p(prime), p2(2 * prime)
    {
        u64 inv = prime;  // 1/p mod 8; Newton's steps double the correct bits
        for (int i = 0; i < 5; ++i)
            inv *= 2 - prime * inv;
        pneg = 0 - inv;
        const u64 r = static_cast<u64>((static_cast<u128>(1) << 64) % prime);
        r2 = static_cast<u64>(static_cast<u128>(r) * r % prime);
    }

    // t R^-1 mod p in [0, 2p), for t < 2^64 p.
    u64 redc(u128 t) const
    {
        const u64 m = static_cast<u64>(t) * pneg;
        return static_cast<u64>((t + static_cast<u128>(m) * p) >> 64);
    }
    // a b R^-1 mod p for a, b below 2^64 with a b < 2^64 p.
    u64 mul(u64 a, u64 b) const { return redc(static_cast<u128>(a) * b); }
    // w R mod p, w's Montgomery form.
    u64 tomont(u64 w) const { return reduce(mul(w % p, r2)); }
    u64 reduce(u64 a) const { return a - (a >= p ? p : 0); }     // [0, 2p) to [0, p)
    u64 reduce2(u64 a) const { return a - (a >= p2 ? p2 : 0); }  // [0, 4p) to [0, 2p)
    // a w mod p in [0, 2p) for any a < 2^64, with wq = floor(w 2^64 / p).
    u64 shoup(u64 a, u64 w, u64 wq) const { return a * w - mulhi(a, wq) * p; }
};

// The roots of the power-of-two layers for one prime, forward and inverse:
// entries [m, 2m) hold w^j for j < m, w a primitive 2m-th root of unity, and
// their Shoup quotients. A layer's roots are every other one of the layer
// above, so the table grows by its top layer and copies the others down.
// Kept per thread and grown on demand: building a layer takes a division per
// root, the cost of a few transforms of its length.
struct roots {
    std::vector<u64> w, wq, iw, iwq;
    std::size_t size = 0;  // roots for every m < size
};

// The largest transform length whose roots the primes hold: 3 2^32.
constexpr int MAX_TWOS = 32;

// A prime's constants in Montgomery form, so that those of a length follow
// by a few products: a primitive root of order 3 2^32 and its inverse (the
// roots of order 3 2^k are their powers 2^(32 - k)), 1/2 and 1/3.
struct primestate {
    modulus mod;
    u64 rootR, irootR, halfR, thirdR, oneR, limb2R;
    roots table;

    explicit primestate(const primeinfo& info) : mod(info.p)
    {
        const u64 p = info.p;
        const u64 root = powmod(info.generator, (p - 1) / (u64{3} << MAX_TWOS), p);
        rootR = mod.tomont(root);
        irootR = mod.tomont(powmod(root, p - 2, p));
        halfR = mod.tomont((p + 1) / 2);
        limb2R = mod.tomont(LIMB * LIMB);
        thirdR = mod.tomont(powmod(3, p - 2, p));
        oneR = mod.tomont(1);
    }
    // A primitive root of order 3 2^k (inverted or not), times R.
    u64 rootof(int k, bool inverted) const
    {
        u64 r = inverted ? irootR : rootR;
        for (int i = k; i < MAX_TWOS; ++i)
            r = mod.mul(r, r);
        return mod.reduce(r);
    }
    // R^2 / n mod p for n = 2^k or 3 2^k: the factor that undoes the
    // pointwise products' R^-1 and the inverse transform's n.
    u64 unscale(int k, bool three) const
    {
        u64 v = three ? thirdR : oneR;
        for (int i = 0; i < k; ++i)
            v = mod.mul(v, halfR);
        return mod.reduce(mod.mul(mod.reduce(v), mod.r2));
    }
};

// Transforms of at most this many values run their layers one after the
// other, in the cache; longer ones take their top layer and recurse into the
// halves. The run flag is polled once per such block: LEAF (log2 LEAF) / 2
// butterflies, some 20 microseconds.
constexpr std::size_t LEAF = 2048;

u64 quotientof(u64 w, u64 p) { return static_cast<u64>((static_cast<u128>(w) << 64) / p); }

void growroots(primestate& s, const primeinfo& info, std::size_t size)
{
    roots& t = s.table;
    if (t.size >= size)
        return;
    const u64 p = info.p;
    const modulus& M = s.mod;
    t.size = 0;  // until the table is whole: a cancel may stop it half-built
    t.w.assign(size, 0);
    t.wq.assign(size, 0);
    t.iw.assign(size, 0);
    t.iwq.assign(size, 0);
    const std::size_t top = size / 2;  // the layer of primitive size-th roots
    const u64 root = powmod(info.generator, (p - 1) / size, p);
    const u64 step = M.tomont(root);
    const u64 istep = M.tomont(powmod(root, p - 2, p));
    u64 v = 1;
    u64 iv = 1;
    for (std::size_t j = 0; j < top; ++j) {
        if ((j & (LEAF - 1)) == 0)
            pollcancel();
        t.w[top + j] = v;
        t.wq[top + j] = quotientof(v, p);
        t.iw[top + j] = iv;
        t.iwq[top + j] = quotientof(iv, p);
        v = M.reduce(M.mul(v, step));
        iv = M.reduce(M.mul(iv, istep));
    }
    for (std::size_t m = top / 2; m >= 1; m /= 2) {
        for (std::size_t j = 0; j < m; ++j) {
            t.w[m + j] = t.w[2 * m + 2 * j];
            t.wq[m + j] = t.wq[2 * m + 2 * j];
            t.iw[m + j] = t.iw[2 * m + 2 * j];
            t.iwq[m + j] = t.iwq[2 * m + 2 * j];
        }
    }
    t.size = size;
}

std::array<primestate, 3>& states()
{
    thread_local std::array<primestate, 3> s = {primestate(PRIMES[0]), primestate(PRIMES[1]),
                                                primestate(PRIMES[2])};
    return s;
}

}  // namespace

void releasetransformroots()
{
    // 4096 roots: 128 KB a prime, for products of up to 12000 limbs.
    constexpr std::size_t KEPT_ROOTS = 4096;
    for (primestate& s : states()) {
        if (s.table.size > KEPT_ROOTS) {
            s.table = roots();
        }
    }
}

namespace {

// The decimation-in-frequency transform of a[0 .. n), n a power of two, in
// place: natural order in, bit-reversed order out, values in [0, 2p).
void forward(u64* a, std::size_t n, const modulus& mod, const roots& t)
{
    // A copy in registers: the stores to the values cannot change it.
    const modulus M = mod;
    const auto layer = [&](u64* __restrict b, std::size_t m) {
        const u64* w = t.w.data() + m;
        const u64* wq = t.wq.data() + m;
        for (std::size_t j = 0; j < m; ++j) {
            const u64 x = b[j];
            const u64 y = b[j + m];
            b[j] = M.reduce2(x + y);
            b[j + m] = M.shoup(x - y + M.p2, w[j], wq[j]);
        }
    };
    if (n <= LEAF) {
        pollcancel();
        for (std::size_t m = n / 2; m >= 1; m /= 2)
            for (std::size_t i = 0; i < n; i += 2 * m)
                layer(a + i, m);
        return;
    }
    layer(a, n / 2);
    forward(a, n / 2, mod, t);
    forward(a + n / 2, n / 2, mod, t);
}

// The inverse of forward without the division by n (decimation in time with
// the inverse roots): bit-reversed order in, natural order out.
void inverse(u64* a, std::size_t n, const modulus& mod, const roots& t)
{
    const modulus M = mod;
    const auto layer = [&](u64* __restrict b, std::size_t m) {
        const u64* w = t.iw.data() + m;
        const u64* wq = t.iwq.data() + m;
        for (std::size_t j = 0; j < m; ++j) {
            const u64 x = b[j];
            const u64 y = M.shoup(b[j + m], w[j], wq[j]);
            b[j] = M.reduce2(x + y);
            b[j + m] = M.reduce2(x - y + M.p2);
        }
    };
    if (n <= LEAF) {
        pollcancel();
        for (std::size_t m = 1; m < n; m *= 2)
            for (std::size_t i = 0; i < n; i += 2 * m)
                layer(a + i, m);
        return;
    }
    inverse(a, n / 2, mod, t);
    inverse(a + n / 2, n / 2, mod, t);
    layer(a, n / 2);
}

// The radix-3 layer over a[0 .. 3m) of a transform of length n = 3m: with
// u = a primitive n-th root and c = u^m a cube root of unity, y_r(j) = u^(jr)
// (x_0(j) + c^r x_1(j) + c^2r x_2(j)) for x_s(j) = a[j + s m], each block
// y_r then transformed by forward; and the inverse of both (without the
// factor 3). The roots u^j, in Montgomery form, are stepped along rather
// than tabled, as their table would serve this one length only.
struct radix3 {
    u64 step = 0;  // u R
    u64 cube = 0;  // c R
};

// The radix-3 roots of length n = 3 2^k.
radix3 radix3roots(const primestate& s, int k, bool inverted)
{
    const u64 u = s.rootof(k, inverted);
    u64 c = u;  // u^(2^k), of order 3
    for (int i = 0; i < k; ++i)
        c = s.mod.mul(c, c);
    return {u, s.mod.reduce(c)};
}

void forward3(u64* a, std::size_t m, const modulus& mod, const radix3& r)
{
    const modulus M = mod;
    u64* a1 = a + m;
    u64* a2 = a + 2 * m;
    u64 w1 = M.tomont(1);
    for (std::size_t j = 0; j < m; ++j) {
        if ((j & (LEAF - 1)) == 0)
            pollcancel();
        const u64 x0 = a[j];
        const u64 x1 = a1[j];
        const u64 x2 = a2[j];
        // y1 = x0 - x2 + c (x1 - x2) and y2 = x0 - x1 - c (x1 - x2), as
        // 1 + c + c^2 = 0.
        const u64 t = M.mul(x1 - x2 + M.p2, r.cube);
        a[j] = M.reduce2(M.reduce2(x0 + x1) + x2);
        const u64 y1 = M.reduce2(M.reduce2(x0 - x2 + M.p2) + t);
        const u64 y2 = M.reduce2(M.reduce2(x0 - x1 + M.p2) + M.p2 - t);
        const u64 w2 = M.mul(w1, w1);
        a1[j] = M.mul(y1, w1);
        a2[j] = M.mul(y2, w2);
        w1 = M.mul(w1, r.step);
    }
}

void inverse3(u64* a, std::size_t m, const modulus& mod, const radix3& r)
{
    const modulus M = mod;
    u64* a1 = a + m;
    u64* a2 = a + 2 * m;
    u64 w1 = M.tomont(1);
    for (std::size_t j = 0; j < m; ++j) {
        if ((j & (LEAF - 1)) == 0)
            pollcancel();
        const u64 w2 = M.mul(w1, w1);
        const u64 z0 = a[j];
        const u64 z1 = M.mul(a1[j], w1);
        const u64 z2 = M.mul(a2[j], w2);
        const u64 t = M.mul(z1 - z2 + M.p2, r.cube);
        a[j] = M.reduce2(M.reduce2(z0 + z1) + z2);
        a1[j] = M.reduce2(M.reduce2(z0 - z2 + M.p2) + t);
        a2[j] = M.reduce2(M.reduce2(z0 - z1 + M.p2) + M.p2 - t);
        w1 = M.mul(w1, r.step);
    }
}

// The coefficients of x (n limbs, most significant first) modulo p into
// a[0 .. count), least significant first, zeros after them up to `length`.
void load(u64* a, std::size_t length, const std::uint32_t* x, std::size_t n, const modulus& M,
          u64 limb2)
{
    const std::size_t full = n / LIMBS_PER_COEFFICIENT;
    const std::uint32_t* end = x + n;  // coefficient i ends at end - 3 i
    for (std::size_t i = 0; i < full; ++i) {
        const std::uint32_t* c = end - LIMBS_PER_COEFFICIENT * (i + 1);
        // c[0] 10^16 below 2p by Montgomery's product with 10^16 R; the rest
        // is below 10^16 < p.
        const u64 low = c[2] + LIMB * c[1];
        a[i] = M.reduce2(M.mul(c[0], limb2) + low);
    }
    std::size_t i = full;
    if (n % LIMBS_PER_COEFFICIENT != 0) {
        u64 v = 0;
        for (const std::uint32_t* c = x; c < end - LIMBS_PER_COEFFICIENT * full; ++c)
            v = v * LIMB + *c;
        a[i++] = v;
    }
    for (; i < length; ++i)
        a[i] = 0;
}

// The whole transform of a (length n = 2^k or 3 2^k) for one prime.
void transform(u64* a, std::size_t n, bool three, const modulus& M, const roots& t, const radix3& r)
{
    if (!three) {
        forward(a, n, M, t);
        return;
    }
    const std::size_t m = n / 3;
    forward3(a, m, M, r);
    for (int b = 0; b < 3; ++b)
        forward(a + b * m, m, M, t);
}

void untransform(u64* a, std::size_t n, bool three, const modulus& M, const roots& t,
                 const radix3& r)
{
    if (!three) {
        inverse(a, n, M, t);
        return;
    }
    const std::size_t m = n / 3;
    for (int b = 0; b < 3; ++b)
        inverse(a + b * m, m, M, t);
    inverse3(a, m, M, r);
}

// The columns that one coefficient, below p0 p1 p2 < 10^56, fills.
constexpr std::size_t GARNER_COLUMNS = 7;

// The constants of Garner's reconstruction, in Montgomery form where they
// multiply: 1/p0 mod p1, 1/(p0 p1) mod p2, p0 mod p2; and the limbs of p0
// and of p0 p1, least significant first.
struct garner {
    u64 inv01, inv012, p0mod2;
    u64 p0limbs[3];
    u64 p01limbs[5];

    garner(const modulus& M0, const modulus& M1, const modulus& M2)
    {
        const u64 p0 = M0.p;
        const u64 p1 = M1.p;
        const u64 p2 = M2.p;
        inv01 = M1.tomont(powmod(p0 % p1, p1 - 2, p1));
        inv012 = M2.tomont(powmod(static_cast<u64>(static_cast<u128>(p0) * p1 % p2), p2 - 2, p2));
        p0mod2 = M2.tomont(p0 % p2);
        u128 v = p0;
        for (u64& limb : p0limbs) {
            limb = static_cast<u64>(v % LIMB);
            v /= LIMB;
        }
        v = static_cast<u128>(p0) * p1;
        for (u64& limb : p01limbs) {
            limb = static_cast<u64>(v % LIMB);
            v /= LIMB;
        }
    }
};

}  // namespace

std::size_t transformlength(std::size_t nx, std::size_t ny)
{
    const std::size_t cx = (nx + LIMBS_PER_COEFFICIENT - 1) / LIMBS_PER_COEFFICIENT;
    const std::size_t cy = (ny + LIMBS_PER_COEFFICIENT - 1) / LIMBS_PER_COEFFICIENT;
    const std::size_t need = cx + cy - 1;
    std::size_t n = 4;
    while (n < need)
        n *= 2;
    // 3 2^k when it holds the convolution: the length never grows past 4/3
    // of what it needs plus a power of two's rounding, as 2^k alone would.
    if (n % 4 == 0 && n / 4 * 3 >= need)
        return n / 4 * 3;
    return n;
}

void transformproduct(const std::uint32_t* x, std::size_t nx, const std::uint32_t* y,
                      std::size_t ny, std::uint32_t* out)
{
    const bool square = x == y && nx == ny;
    const std::size_t n = transformlength(nx, ny);
    const bool three = n % 3 == 0;
    const std::size_t pow2 = three ? n / 3 : n;
    int twos = 0;
    while ((std::size_t{1} << twos) < pow2)
        ++twos;

    // Three residue vectors and one for the second operand, in one block.
    const std::unique_ptr<u64[]> block(new u64[(square ? 3 : 4) * n]);
    u64* residues[3] = {block.get(), block.get() + n, block.get() + 2 * n};
    u64* other = square ? nullptr : block.get() + 3 * n;

    std::array<primestate, 3>& ps = states();
    std::array<u64, 3> scale{};  // R^2 / n mod p: undoes the products' R^-1 and the length
    for (std::size_t k = 0; k < 3; ++k) {
        primestate& s = ps[k];
        growroots(s, PRIMES[k], pow2);
        const radix3 r = three ? radix3roots(s, twos, false) : radix3{};
        const radix3 ir = three ? radix3roots(s, twos, true) : radix3{};
        const u64 limb2 = s.limb2R;
        const modulus M = s.mod;
        u64* a = residues[k];
        load(a, n, x, nx, M, limb2);
        transform(a, n, three, M, s.table, r);
        if (square) {
            for (std::size_t i = 0; i < n; ++i)
                a[i] = M.mul(a[i], a[i]);
        } else {
            load(other, n, y, ny, M, limb2);
            transform(other, n, three, M, s.table, r);
            for (std::size_t i = 0; i < n; ++i)
                a[i] = M.mul(a[i], other[i]);
        }
        pollcancel();
        untransform(a, n, three, M, s.table, ir);
        scale[k] = s.unscale(twos, three);
    }

    // Garner's reconstruction: v = v0 + p0 g1 + p0 p1 g2, each g below its
    // prime, written at once in limbs: v0, g1 and g2 split into three limbs
    // each and multiplied by the limbs of p0 and p0 p1 into seven columns.
    // Column m of the product gathers those of at most three coefficients
    // (3 i <= m <= 3 i + 6), each below 10^8 + 6 10^16, so below 2.1 10^17:
    // the carries wait for one pass at the end, and no coefficient waits for
    // the one below it.
    const modulus M0 = ps[0].mod;
    const modulus M1 = ps[1].mod;
    const modulus M2 = ps[2].mod;
    const u64 p1 = M1.p;
    static const garner G(M0, M1, M2);
    const std::size_t total = nx + ny;
    const std::size_t used =
        std::min(n, (total + LIMBS_PER_COEFFICIENT - 1) / LIMBS_PER_COEFFICIENT);
    std::vector<u64> columns(LIMBS_PER_COEFFICIENT * used + GARNER_COLUMNS, 0);
    const auto split = [](u64 v, u64* d) {
        const u64 high = v / LIMB;
        d[0] = v % LIMB;
        d[1] = high % LIMB;
        d[2] = high / LIMB;
    };
    for (std::size_t i = 0; i < used; ++i) {
        if ((i & (LEAF - 1)) == 0)
            pollcancel();
        const u64 v0 = M0.reduce(M0.mul(residues[0][i], scale[0]));
        const u64 v1 = M1.reduce(M1.mul(residues[1][i], scale[1]));
        const u64 v2 = M2.reduce(M2.mul(residues[2][i], scale[2]));
        // g1 = (v1 - v0) / p0 mod p1; g2 = (v2 - v0 - p0 g1) / (p0 p1) mod p2.
        const u64 g1 = M1.reduce(M1.mul(M1.reduce(v1 + p1 - M1.reduce(v0)), G.inv01));
        const u64 v01 = M2.reduce(M2.reduce(v0) + M2.reduce(M2.mul(g1, G.p0mod2)));
        const u64 g2 = M2.reduce(M2.mul(v2 + M2.p - v01, G.inv012));
        u64 d0[3], d1[3], d2[3];
        split(v0, d0);
        split(g1, d1);
        split(g2, d2);
        u64* c = columns.data() + LIMBS_PER_COEFFICIENT * i;
        for (int k = 0; k < 3; ++k) {
            c[k] += d0[k];
            for (int j = 0; j < 3; ++j)
                c[k + j] += d1[k] * G.p0limbs[j];
            for (int j = 0; j < 5; ++j)
                c[k + j] += d2[k] * G.p01limbs[j];
        }
    }
    pollcancel();
    // The carries, least significant limb first; the product has total limbs.
    u64 carry = 0;
    for (std::size_t m = 0; m < total; ++m) {
        const u64 v = (m < columns.size() ? columns[m] : 0) + carry;
        out[total - 1 - m] = static_cast<std::uint32_t>(v % LIMB);
        carry = v / LIMB;
    }
}

}  // namespace num
