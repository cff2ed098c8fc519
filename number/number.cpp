#include "number/number.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <utility>

#include "chain.h"

namespace num {

void chainaccess::badlimb(const char* file, int line)
{
    std::fprintf(stderr, "Assertion failed: n < BASE, module number, file %s, line %d\n", file,
                 line);
    std::abort();
}

// -- construction ----------------------------------------------------------------

void chainaccess::fromunsigned(number& x, std::uint64_t magnitude, bool negative)
{
    if (magnitude == 0)
        return;
    x.m_negative = negative ? 1 : 0;
    int count = 0;
    while (magnitude != 0) {
        chainaccess::prepend(x, static_cast<std::uint32_t>(magnitude % BASE));
        magnitude /= BASE;
        ++count;
    }
    x.m_lowexpo = 0;
    x.m_expo = count - 1;
    chainaccess::normalise(x);
}

number::number(std::int32_t n)
{
    chainaccess::fromunsigned(
        *this, n < 0 ? 0u - static_cast<std::uint32_t>(n) : static_cast<std::uint32_t>(n), n < 0);
}

number::number(std::int64_t n)
{
    chainaccess::fromunsigned(
        *this, n < 0 ? 0u - static_cast<std::uint64_t>(n) : static_cast<std::uint64_t>(n), n < 0);
}

number::number(std::uint64_t n) { chainaccess::fromunsigned(*this, n, false); }

number::number(double v)
{
    if (v == 0.0)
        return;
    if (!std::isfinite(v))
        throw numberexception("number overflow");
    bool negative = v < 0;
    v = std::fabs(v);
    // Scale by 10^8 until the double is integral; each step is one limb below
    // the point. Deriving both exponents from the limbs actually produced keeps
    // them consistent even where log() would misjudge an exact power of 10^8.
    int scaled = 0;
    while (v != std::floor(v)) {
        v *= 1e8;
        ++scaled;
    }
    int count = 0;
    while (v != 0.0) {
        chainaccess::prepend(*this, static_cast<std::uint32_t>(std::fmod(v, 1e8)));
        v = std::floor(v / 1e8);
        ++count;
    }
    m_lowexpo = -scaled;
    m_expo = m_lowexpo + count - 1;
    m_negative = negative ? 1 : 0;
    chainaccess::normalise(*this);
}

number::number(const number& other)
    : m_expo(other.m_expo), m_lowexpo(other.m_lowexpo), m_negative(other.m_negative)
{
    chainaccess::appendcopy(*this, other);
}

number::number(number&& other) noexcept
    : m_head(other.m_head), m_tail(other.m_tail), m_expo(other.m_expo), m_lowexpo(other.m_lowexpo),
      m_negative(other.m_negative)
{
    other.m_head = other.m_tail = nullptr;
    other.m_expo = ZERO_EXPO;
    other.m_lowexpo = 0;
    other.m_negative = 0;
}

number& number::operator=(const number& other)
{
    if (this == &other)
        return *this;
    chainaccess::clear(*this);
    m_expo = other.m_expo;
    m_lowexpo = other.m_lowexpo;
    m_negative = other.m_negative;
    chainaccess::appendcopy(*this, other);
    return *this;
}

number& number::operator=(number&& other) noexcept
{
    if (this != &other) {
        number moved(std::move(other));
        swap(moved);
    }
    return *this;
}

number::~number()
{
    if (m_head != nullptr)
        limbpool::releasechain(m_head, m_tail);
}

void chainaccess::appendcopy(number& x, const number& other)
{
    const limb* q = other.m_head;
    chainaccess::appendfrom(x, [&q](std::uint32_t& v) {
        if (q == nullptr)
            return false;
        v = q->value;
        q = q->lower;
        return true;
    });
}

void number::swap(number& other) noexcept
{
    std::swap(m_head, other.m_head);
    std::swap(m_tail, other.m_tail);
    std::swap(m_expo, other.m_expo);
    std::swap(m_lowexpo, other.m_lowexpo);
    std::swap(m_negative, other.m_negative);
}

void number::setzero()
{
    chainaccess::clear(*this);
    m_expo = ZERO_EXPO;
    m_lowexpo = 0;
    m_negative = 0;
}

// -- chain primitives -------------------------------------------------------------

// Appends the limbs next(v) gives, from the most significant, until it
// returns false. The free list is already linked through `lower`: walking it
// in order links the new nodes among themselves, and only `upper` and the
// values are written.
template <typename Next> void chainaccess::appendfrom(number& x, Next next)
{
    limb* prev = x.m_tail;
    limb* p = limbpool::s_free;
    // The loop stops at the top of the settled part of the list, then at
    // its end. Past the first stop the rest of the list is settled.
    limb* stop = limbpool::s_mark;
    bool settled = false;
    const auto leave = [&](limb* rest) {
        limbpool::s_free = rest;
        if (settled)
            limbpool::s_mark = rest;
    };
    std::uint32_t v;
    std::uint32_t count = 0;
    while (next(v)) {
        checklimb(v);
        if (pollpoint(++count) && !computeallowed()) {
            // Leave the chain and the pool whole before the cancel unwinds.
            leave(p);
            if (prev != nullptr)
                prev->lower = nullptr;
            x.m_tail = prev;
            pollcancel();
        }
        if (p == stop) {
            if (p != nullptr) {
                settled = true;
                stop = nullptr;
            } else {
                // The pool is empty: close the chain, then take the rest
                // from the heap one node at a time.
                leave(nullptr);
                if (prev != nullptr)
                    prev->lower = nullptr;
                x.m_tail = prev;
                do {
                    if (pollpoint(++count))
                        pollcancel();
                    chainaccess::append(x, v);
                } while (next(v));
                return;
            }
        }
        limbpool::unpoison(p);
        p->value = v;
        p->upper = prev;
        (prev != nullptr ? prev->lower : x.m_head) = p;
        prev = p;
        p = p->lower;
    }
    if (prev == x.m_tail)
        return;  // nothing appended
    leave(p);
    prev->lower = nullptr;
    x.m_tail = prev;
}

void chainaccess::appendlimbs(number& x, const std::uint32_t* values, std::size_t n)
{
    const std::uint32_t* end = values + n;
    chainaccess::appendfrom(x, [&values, end](std::uint32_t& v) {
        if (values == end)
            return false;
        v = *values++;
        return true;
    });
}

void chainaccess::appendlimbs(number& x, const limb* from, std::size_t n)
{
    chainaccess::appendfrom(x, [&from, &n](std::uint32_t& v) {
        if (n == 0)
            return false;
        v = from->value;
        from = from->lower;
        --n;
        return true;
    });
}

void chainaccess::remove(number& x, limb* node)
{
    if (node->upper != nullptr)
        node->upper->lower = node->lower;
    else
        x.m_head = node->lower;
    if (node->lower != nullptr)
        node->lower->upper = node->upper;
    else
        x.m_tail = node->upper;
    limbpool::release(node);
}

void chainaccess::cutbelow(number& x, limb* node)
{
    if (node->lower == nullptr)
        return;
    limbpool::releasechain(node->lower, x.m_tail);
    node->lower = nullptr;
    x.m_tail = node;
}

void chainaccess::clear(number& x)
{
    if (x.m_head != nullptr)
        limbpool::releasechain(x.m_head, x.m_tail);
    x.m_head = x.m_tail = nullptr;
}

limb* chainaccess::nodeat(const number& x, std::int32_t power)
{
    if (x.iszero() || power < x.m_lowexpo || power > x.m_expo)
        return nullptr;
    limb* p;
    if (power - x.m_lowexpo < x.m_expo - power) {
        p = x.m_tail;
        for (std::int32_t k = x.m_lowexpo; k < power; ++k)
            p = p->upper;
    } else {
        p = x.m_head;
        for (std::int32_t k = x.m_expo; k > power; --k)
            p = p->lower;
    }
    return p;
}

void chainaccess::notenewtop(number& x)
{
    if (x.iszero())
        x.m_expo = x.m_lowexpo = 0;
    else
        ++x.m_expo;
}

void chainaccess::normalise(number& x)
{
    while (x.m_head != nullptr && x.m_head->value == 0) {
        chainaccess::remove(x, x.m_head);
        --x.m_expo;
    }
    while (x.m_tail != nullptr && x.m_tail->value == 0) {
        chainaccess::remove(x, x.m_tail);
        ++x.m_lowexpo;
    }
    if (x.m_head == nullptr) {
        x.m_expo = ZERO_EXPO;
        x.m_negative = 0;
        return;
    }
    if (x.m_expo > MAX_EXPO)
        throw numberexception("number overflow");
    if (x.m_lowexpo < MIN_EXPO)
        throw numberexception("number underflow");
}

// -- derived quantities ---------------------------------------------------------------

std::int32_t leadpos(const number& x)
{
    if (x.iszero())
        return 0;
    return BASE_DIGITS * x.expo() + digitcount(head(x)->value) - 1;
}

bool isinteger(const number& x) { return x.iszero() || x.lowexpo() >= 0; }

bool isodd(const number& x)
{
    if (x.iszero())
        return false;
    if (x.lowexpo() < 0)
        return true;
    if (x.lowexpo() == 0)
        return (tail(x)->value & 1) != 0;
    return false;
}

int signum(const number& x)
{
    if (x.iszero())
        return 0;
    return x.isnegative() ? -1 : 1;
}

std::int64_t significantdigits(const number& x)
{
    if (x.iszero())
        return 0;
    std::uint32_t last = tail(x)->value;
    int zeros = 0;
    while (last % 10 == 0) {
        last /= 10;
        ++zeros;
    }
    const std::int64_t lowest = std::int64_t{BASE_DIGITS} * x.lowexpo() + zeros;
    return leadpos(x) - lowest + 1;
}

bool ispowerof10(const number& x)
{
    return !x.iszero() && !x.isnegative() && head(x) == tail(x) &&
           head(x)->value == pow10(leadpos(x) - BASE_DIGITS * x.expo());
}

// -- powers of ten ------------------------------------------------------------------

std::uint32_t pow10(std::int32_t n)
{
    static constexpr std::uint32_t POWERS[10] = {1,      10,      100,      1000,      10000,
                                                 100000, 1000000, 10000000, 100000000, 1000000000};
    if (n < 0 || n > 9)
        throw numberexception("pow10:invalid argument. n must be [0..9] (=%d)", n);
    return POWERS[n];
}

int digitcount(std::uint32_t v)
{
    if (v < 10000)
        return v < 100 ? (v < 10 ? (v != 0 ? 1 : 0) : 2) : (v < 1000 ? 3 : 4);
    if (v < 100000000)
        return v < 1000000 ? (v < 100000 ? 5 : 6) : (v < 10000000 ? 7 : 8);
    return v < 1000000000 ? 9 : 10;
}

namespace {

// x times 10^c (up) or divided by 10^c (down, exactly: a limb is appended
// for the digits shifted out) for c in 1..7. A constant power, so that the
// divisions by D and E become multiplications.
template <std::uint32_t D> void shiftdigits(number& x, bool up)
{
    constexpr std::uint32_t E = BASE / D;
    if (up) {
        // Digits move up by c places: each limb keeps its low digits and
        // takes the top digits of the limb below.
        limb* oldhead = head(x);
        if (oldhead->value >= E) {
            prepend(x, oldhead->value / E);
            setexpo(x, x.expo() + 1);
        }
        std::uint32_t count = 0;
        for (limb* p = oldhead; p != nullptr; p = p->lower) {
            if (pollpoint(++count))
                pollcancel();
            const std::uint32_t below = p->lower != nullptr ? p->lower->value / E : 0;
            p->value = (p->value % E) * D + below;
        }
    } else {
        limb* oldtail = tail(x);
        append(x, (oldtail->value % D) * E);
        setlowexpo(x, x.lowexpo() - 1);
        std::uint32_t count = 0;
        for (limb* p = oldtail; p != nullptr; p = p->upper) {
            if (pollpoint(++count))
                pollcancel();
            const std::uint32_t above = p->upper != nullptr ? (p->upper->value % D) * E : 0;
            p->value = p->value / D + above;
        }
    }
}

}  // namespace

void multpow10(number& x, std::int32_t n)
{
    if (x.iszero())
        return;
    std::int32_t c = n % BASE_DIGITS;
    std::int32_t q = n / BASE_DIGITS;
    if (c != 0) {
        const bool up = n > 0;
        switch (c < 0 ? -c : c) {
        case 1: shiftdigits<10>(x, up); break;
        case 2: shiftdigits<100>(x, up); break;
        case 3: shiftdigits<1000>(x, up); break;
        case 4: shiftdigits<10000>(x, up); break;
        case 5: shiftdigits<100000>(x, up); break;
        case 6: shiftdigits<1000000>(x, up); break;
        default: shiftdigits<10000000>(x, up); break;
        }
        normalise(x);
    }
    setexpo(x, x.expo() + q);
    setlowexpo(x, x.lowexpo() + q);
    // A number moved beyond the range is a value beyond it, reported by its
    // side as normalising reports it; so is a lowest limb below the range.
    if (x.expo() > MAX_EXPO)
        throw numberexception("number overflow");
    if (x.lowexpo() < MIN_EXPO)
        throw numberexception("number underflow");
}

std::int32_t powerof10expo(std::int32_t k)
{
    std::int32_t e = k >= 0 ? k / BASE_DIGITS : -((BASE_DIGITS - 1 - k) / BASE_DIGITS);
    if (e > MAX_EXPO)
        throw numberexception("number overflow");
    if (e < MIN_EXPO)
        throw numberexception("number underflow");
    return e;
}

number powerof10(std::int32_t k)
{
    // What multpow10(1, k) makes, built directly: the limb 10^(k mod 8) at
    // power floor(k / 8), with the same range check.
    const std::int32_t e = powerof10expo(k);
    number x;
    append(x, pow10(k - BASE_DIGITS * e));
    setexpo(x, e);
    setlowexpo(x, e);
    return x;
}

}  // namespace num
