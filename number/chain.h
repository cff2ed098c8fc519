// A number's chain of limbs, for the library's own code: its ends, its
// exponents and sign set directly, and the primitives that build and cut it
// without normalising. Users of the library see only the value (number.h).
#pragma once

#include <cstddef>
#include <cstdint>

#include "number/number.h"
#include "pool.h"

namespace num {

// -- the primitives, the one friend of number ----------------------------------

struct chainaccess {
    static limb* head(const number& x) { return x.m_head; }
    static limb* tail(const number& x) { return x.m_tail; }
    static void setexpo(number& x, std::int32_t e) { x.m_expo = e; }
    static void setlowexpo(number& x, std::int32_t e) { x.m_lowexpo = e; }
    static void setnegative(number& x, bool negative) { x.m_negative = negative ? 1 : 0; }

    // A limb value of BASE or more is a programming error inside the
    // arithmetic, never a user error: report it and stop, in every build type.
    static void checklimb(std::uint32_t n)
    {
        if (n >= BASE) [[unlikely]]
            badlimb(__FILE__, __LINE__);
    }
    [[noreturn]] static void badlimb(const char* file, int line);
    static limb* newnode(std::uint32_t n)
    {
        checklimb(n);
        limb* node = limbpool::acquire();
        node->value = n;
        return node;
    }
    // Links node in between above and below (either null at an end).
    static void link(number& x, limb* node, limb* above, limb* below)
    {
        node->upper = above;
        node->lower = below;
        if (above != nullptr)
            above->lower = node;
        else
            x.m_head = node;
        if (below != nullptr)
            below->upper = node;
        else
            x.m_tail = node;
    }
    static void append(number& x, std::uint32_t n) { link(x, newnode(n), x.m_tail, nullptr); }
    static void prepend(number& x, std::uint32_t n) { link(x, newnode(n), nullptr, x.m_head); }
    static void insertafter(number& x, limb* node, std::uint32_t n)
    {
        link(x, newnode(n), node, node->lower);
    }
    static void appendlimbs(number& x, const std::uint32_t* values, std::size_t n);
    static void appendlimbs(number& x, const limb* from, std::size_t n);
    static void remove(number& x, limb* node);
    static void cutbelow(number& x, limb* node);
    static void clear(number& x);
    static limb* nodeat(const number& x, std::int32_t power);
    static void notenewtop(number& x);
    static void normalise(number& x);

    // Construction: the limbs of a machine integer, a copy of another chain,
    // the limbs a generator gives.
    static void fromunsigned(number& x, std::uint64_t magnitude, bool negative);
    static void appendcopy(number& x, const number& other);
    template <typename Next> static void appendfrom(number& x, Next next);
};

// -- the chain ----------------------------------------------------------------------

// The most and the least significant limb; null for zero.
inline limb* head(const number& x) { return chainaccess::head(x); }
inline limb* tail(const number& x) { return chainaccess::tail(x); }

inline void setexpo(number& x, std::int32_t e) { chainaccess::setexpo(x, e); }
inline void setlowexpo(number& x, std::int32_t e) { chainaccess::setlowexpo(x, e); }
// Zero is never negative: only for a number with limbs.
inline void setnegative(number& x, bool negative) { chainaccess::setnegative(x, negative); }

inline void append(number& x, std::uint32_t n) { chainaccess::append(x, n); }
inline void prepend(number& x, std::uint32_t n) { chainaccess::prepend(x, n); }
// Appends values[0..n), most significant first: the nodes are taken off the
// free list in one walk.
inline void appendlimbs(number& x, const std::uint32_t* values, std::size_t n)
{
    chainaccess::appendlimbs(x, values, n);
}
// Appends n limbs of another chain, from `from` down.
inline void appendlimbs(number& x, const limb* from, std::size_t n)
{
    chainaccess::appendlimbs(x, from, n);
}
inline void insertafter(number& x, limb* node, std::uint32_t n)
{
    chainaccess::insertafter(x, node, n);
}
inline void remove(number& x, limb* node) { chainaccess::remove(x, node); }
// Releases every limb below node, which becomes the tail.
inline void cutbelow(number& x, limb* node) { chainaccess::cutbelow(x, node); }
// Releases the chain; the exponents and the sign stay as they are.
inline void clear(number& x) { chainaccess::clear(x); }
// The limb of the given power, walked to from the nearer end; null outside.
inline limb* nodeat(const number& x, std::int32_t power) { return chainaccess::nodeat(x, power); }
// After a prepend while building: the first limb gets power 0, each further
// one raises expo by one.
inline void notenewtop(number& x) { chainaccess::notenewtop(x); }
// Strips zero limbs at both ends, marks an empty chain as zero and checks the
// exponent range ("number overflow" before "number underflow").
inline void normalise(number& x) { chainaccess::normalise(x); }

}  // namespace num
