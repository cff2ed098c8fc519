// A number's chain of limbs, for the library's own code: its ends, its
// exponents and sign set directly, and the primitives that build and cut it
// without normalising. Users of the library see only the value (number.h).
#pragma once

#include <cstddef>
#include <cstdint>

#include "number/number.h"
#include "pool.h"

namespace num {

// -- the members number.h declares for the library -------------------------------

inline void number::checklimb(std::uint32_t n)
{
    if (n >= BASE) [[unlikely]]
        badlimb(__FILE__, __LINE__);
}

inline limb* number::newnode(std::uint32_t n)
{
    checklimb(n);
    limb* node = limbpool::acquire();
    node->value = n;
    return node;
}

inline void number::link(limb* node, limb* above, limb* below)
{
    node->upper = above;
    node->lower = below;
    if (above != nullptr)
        above->lower = node;
    else
        m_head = node;
    if (below != nullptr)
        below->upper = node;
    else
        m_tail = node;
}

inline void number::append(std::uint32_t n) { link(newnode(n), m_tail, nullptr); }
inline void number::prepend(std::uint32_t n) { link(newnode(n), nullptr, m_head); }
inline void number::insertafter(limb* node, std::uint32_t n)
{
    link(newnode(n), node, node->lower);
}

struct chainaccess {
    static limb* head(const number& x) { return x.m_head; }
    static limb* tail(const number& x) { return x.m_tail; }
    static void setexpo(number& x, std::int32_t e) { x.setexpo(e); }
    static void setlowexpo(number& x, std::int32_t e) { x.setlowexpo(e); }
    static void setnegative(number& x, bool negative) { x.setnegative(negative); }
    static void append(number& x, std::uint32_t n) { x.append(n); }
    static void prepend(number& x, std::uint32_t n) { x.prepend(n); }
    static void appendlimbs(number& x, const std::uint32_t* values, std::size_t n)
    {
        x.appendlimbs(values, n);
    }
    static void appendlimbs(number& x, const limb* from, std::size_t n) { x.appendlimbs(from, n); }
    static void insertafter(number& x, limb* node, std::uint32_t n) { x.insertafter(node, n); }
    static void remove(number& x, limb* node) { x.remove(node); }
    static void cutbelow(number& x, limb* node) { x.cutbelow(node); }
    static void clear(number& x) { x.clear(); }
    static limb* nodeat(const number& x, std::int32_t power) { return x.nodeat(power); }
    static void notenewtop(number& x) { x.notenewtop(); }
    static void normalise(number& x) { x.normalise(); }
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
