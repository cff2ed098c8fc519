#include "magnitude.h"

#include <algorithm>
#include <utility>

namespace num {

limbrun limbrun::from(std::int32_t p) const
{
    if (iszero() || p <= lowexpo())
        return *this;
    if (p > expo)
        return {};
    limbrun r = *this;
    r.count = expo - p + 1;
    if (chain != nullptr) {
        // The node of power p, walked to from the nearer end.
        const limb* node;
        if (expo - p < p - lowexpo()) {
            node = chain;
            for (std::int32_t k = expo; k > p; --k)
                node = node->lower;
        } else {
            node = chainlow;
            for (std::int32_t k = lowexpo(); k < p; ++k)
                node = node->upper;
        }
        r.chainlow = node;
    }
    return r;
}

number chainof(const limbrun& r)
{
    number x;
    if (r.iszero())
        return x;
    setexpo(x, r.expo);
    setlowexpo(x, r.lowexpo());
    setnegative(x, r.negative);
    if (r.chain != nullptr) {
        appendlimbs(x, r.chain, static_cast<std::size_t>(r.count));
        // A chain cut at a resolution may end in zeros.
        normalise(x);
    } else {
        // Arrays come normalised from the arithmetic.
        appendlimbs(x, r.array, static_cast<std::size_t>(r.count));
    }
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

// What the magnitude arithmetic needs of a representation: readers of a
// run's limbs from the most significant down and from the least significant
// up, a writer of a result from its least significant limb up, and the
// result of a sum. The readers of a form walk either chains or arrays, so
// the loops below have no branch on the representation.
// A chain walked from a node towards the head (upper) or the tail (lower).
template <limb* limb::*step> struct chainwalk {
    const limb* p;
    std::uint32_t next()
    {
        const std::uint32_t v = p->value;
        p = p->*step;
        return v;
    }
};

struct chainform {
    struct down : chainwalk<&limb::lower> {
        explicit down(const limbrun& r) : chainwalk{r.chain} {}
    };
    struct up : chainwalk<&limb::upper> {
        explicit up(const limbrun& r) : chainwalk{r.chainlow} {}
    };
    // Each limb is prepended as it is made: walking the operands and taking
    // nodes off the pool in one loop keeps the three walks overlapping.
    class out {
    public:
        out(number& r, std::ptrdiff_t) : m_r(r) {}
        void put(std::uint32_t v)
        {
            if (pollpoint(++m_count))
                pollcancel();
            prepend(m_r, v);
        }
        // The next n limbs of a reader, as they are.
        void copy(up& from, std::int32_t n)
        {
            for (; n > 0; --n)
                put(from.next());
        }
        void finish(std::int32_t top, std::int32_t low, bool negative)
        {
            setexpo(m_r, top);
            setlowexpo(m_r, low);
            normalise(m_r);
            if (!m_r.iszero())
                setnegative(m_r, negative);
        }

    private:
        number& m_r;
        std::uint32_t m_count = 0;
    };
    using result = number;
    static number operand(const limbrun& r, bool negative)
    {
        limbrun s = r;
        s.negative = negative;
        return chainof(s);
    }
};

std::uint32_t* room(std::size_t n)
{
    thread_local std::vector<std::uint32_t> buffer;
    if (buffer.size() < n)
        buffer.resize(n);
    return buffer.data();
}

struct arrayform {
    struct down {
        const std::uint32_t* p;
        explicit down(const limbrun& r) : p(r.array) {}
        std::uint32_t next() { return *p++; }
    };
    struct up {
        const std::uint32_t* p;  // just above the next limb
        explicit up(const limbrun& r) : p(r.array + r.count) {}
        std::uint32_t next() { return *--p; }
    };
    // Into the per-thread buffer, from its end; n limbs at the most.
    class out {
    public:
        out(limbrun& r, std::ptrdiff_t n)
            : m_r(r), m_end(room(static_cast<std::size_t>(n)) + n), m_p(m_end)
        {
        }
        void put(std::uint32_t v)
        {
            if (pollpoint(++m_count))
                pollcancel();
            *--m_p = v;
        }
        void copy(up& from, std::int32_t n)
        {
            if (n <= 0)
                return;
            if (n >= static_cast<std::int32_t>(POLL_LIMBS))
                pollcancel();
            m_p -= n;
            from.p -= n;
            std::copy(from.p, from.p + n, m_p);
        }
        void finish(std::int32_t top, std::int32_t, bool negative)
        {
            // Without the zero limbs at either end, range-checked.
            const std::uint32_t* first = m_p;
            const std::uint32_t* last = m_end;
            while (first < last && *first == 0) {
                ++first;
                --top;
            }
            while (last > first && last[-1] == 0)
                --last;
            if (first == last)
                return;
            m_r = {.array = first,
                   .expo = top,
                   .count = static_cast<std::int32_t>(last - first),
                   .negative = negative};
            checkrange(m_r.expo, m_r.lowexpo());
        }

    private:
        limbrun& m_r;
        std::uint32_t* m_end;
        std::uint32_t* m_p;
        std::uint32_t m_count = 0;
    };
    using result = limbrun;
    static limbrun operand(const limbrun& r, bool negative)
    {
        limbrun s = r;
        s.negative = negative;
        return s;
    }
};

template <typename Form> int comparemagnitudes(const limbrun& a, const limbrun& b)
{
    if (a.iszero())
        return b.iszero() ? 0 : -1;
    if (b.iszero())
        return 1;
    if (a.expo != b.expo)
        return a.expo > b.expo ? 1 : -1;
    typename Form::down p(a);
    typename Form::down q(b);
    const std::int32_t n = std::min(a.count, b.count);
    for (std::int32_t i = 0; i < n; ++i) {
        if (pollpoint(static_cast<std::uint32_t>(i) + 1))
            pollcancel();
        const std::uint32_t u = p.next();
        const std::uint32_t w = q.next();
        if (u != w)
            return u > w ? 1 : -1;
    }
    // Equal so far: the longer run is larger unless it goes on in zeros.
    typename Form::down& rest = a.count > b.count ? p : q;
    for (std::int32_t i = n; i < std::max(a.count, b.count); ++i) {
        if (rest.next() != 0)
            return a.count > b.count ? 1 : -1;
    }
    return 0;
}

// |a| + |b|, of the sign `negative`; one of them may be zero, not both. The
// powers are taken in runs where the same operands take part: l alone below
// h, zeros between them, both, then the one reaching higher.
template <typename Form>
typename Form::result addmagnitudes(const limbrun& a, const limbrun& b, bool negative)
{
    const bool afirst = b.iszero() || (!a.iszero() && a.lowexpo() <= b.lowexpo());
    const limbrun& l = afirst ? a : b;
    const limbrun& h = afirst ? b : a;
    const std::int32_t low = l.lowexpo();
    std::int32_t top = h.iszero() ? l.expo : std::max(l.expo, h.expo);
    const std::int32_t hlow = h.iszero() ? top + 1 : h.lowexpo();
    typename Form::result r;
    typename Form::out out(r, static_cast<std::ptrdiff_t>(top) - low + 2);
    typename Form::up p(l);
    typename Form::up q(h);
    std::int32_t i = std::min(hlow, l.expo + 1);
    out.copy(p, i - low);
    for (; i < hlow; ++i)
        out.put(0);
    // Two limbs and a carry stay below 2 BASE.
    std::uint32_t carry = 0;
    auto put = [&out, &carry](std::uint32_t t) {
        carry = t >= BASE ? 1 : 0;
        out.put(t - carry * BASE);
    };
    const std::int32_t both = h.iszero() ? i - 1 : std::min(l.expo, h.expo);
    for (; i <= both; ++i)
        put(p.next() + q.next() + carry);
    typename Form::up& rest = l.expo > both ? p : q;
    for (; i <= top && carry != 0; ++i)
        put(rest.next() + carry);
    out.copy(rest, top - i + 1);
    if (carry != 0) {
        out.put(carry);
        ++top;
    }
    out.finish(top, low, negative);
    return r;
}

// |a| - |b| for |a| > |b|, of the sign `negative`; b may be zero. In runs
// of powers as the sum: b alone below a, zeros between, a alone below b,
// both, a alone above b.
template <typename Form>
typename Form::result subtractmagnitudes(const limbrun& a, const limbrun& b, bool negative)
{
    const std::int32_t top = a.expo;
    const std::int32_t al = a.lowexpo();
    const std::int32_t bl = b.iszero() ? al : b.lowexpo();
    const std::int32_t bt = b.iszero() ? al - 1 : b.expo;
    const std::int32_t low = std::min(al, bl);
    typename Form::result r;
    typename Form::out out(r, static_cast<std::ptrdiff_t>(top) - low + 1);
    typename Form::up p(a);
    typename Form::up q(b);
    std::uint32_t borrow = 0;
    auto put = [&out, &borrow](std::uint32_t av, std::uint32_t bv) {
        bv += borrow;
        borrow = av < bv ? 1 : 0;
        out.put(av + borrow * BASE - bv);
    };
    std::int32_t i = low;
    for (; i < al && i <= bt; ++i)
        put(0, q.next());
    for (; i < al; ++i)
        put(0, 0);
    // Below b no borrow is pending: a's limbs go as they are.
    if (i < bl) {
        out.copy(p, bl - i);
        i = bl;
    }
    for (; i <= bt; ++i)
        put(p.next(), q.next());
    for (; i <= top && borrow != 0; ++i)
        put(p.next(), 0);
    out.copy(p, top - i + 1);
    out.finish(top, low, negative);
    return r;
}

template <typename Form>
typename Form::result signedsum(const limbrun& x, const limbrun& y, bool minus, const number& f)
{
    using result = typename Form::result;
    const bool yneg = y.negative != minus;
    if (x.iszero())
        return y.iszero() ? result() : Form::operand(y, yneg);
    if (y.iszero())
        return Form::operand(x, x.negative);
    const bool limited = ispositive(f);
    if (x.negative == yneg) {
        if (!limited)
            return addmagnitudes<Form>(x, y, x.negative);
        const std::int32_t cut = head(f)->value == 1 ? f.expo() - 1 : f.expo();
        const limbrun a = x.expo < f.expo() ? limbrun() : x.from(cut);
        const limbrun b = y.expo < f.expo() ? limbrun() : y.from(cut);
        // With one left out the sum is the other, cut and stripped.
        if (a.iszero() && b.iszero())
            return result();
        return addmagnitudes<Form>(a, b, x.negative);
    }
    // Unlike signs: a difference of magnitudes, on truncated operands
    // unless f is zero.
    const limbrun a = limited ? x.from(f.expo()) : x;
    const limbrun b = limited ? y.from(f.expo()) : y;
    const int c = comparemagnitudes<Form>(a, b);
    if (c == 0)
        return result();
    return c > 0 ? subtractmagnitudes<Form>(a, b, x.negative)
                 : subtractmagnitudes<Form>(b, a, yneg);
}

}  // namespace

int comparemagnitudes(const limbrun& a, const limbrun& b)
{
    if (a.chain != nullptr || b.chain != nullptr)
        return comparemagnitudes<chainform>(a, b);
    return comparemagnitudes<arrayform>(a, b);
}

number chainsum(const limbrun& x, const limbrun& y, bool minus, const number& f)
{
    return signedsum<chainform>(x, y, minus, f);
}

limbrun arraysum(const limbrun& x, const limbrun& y, bool minus, const number& f)
{
    return signedsum<arrayform>(x, y, minus, f);
}

}  // namespace num
