// The number type: a signed decimal floating-point value of any length, held
// as a doubly linked chain of limbs in base 10^8, with the process-wide pool
// its limb nodes come from and the process-wide cancellation flag.
//
// Value of a non-zero number:
//     (-1)^negative * sum(limb(k) * BASE^k, k = lowexpo .. expo)
// with exactly expo - lowexpo + 1 limbs in the chain, most significant first.
// Zero has an empty chain, expo == ZERO_EXPO and is never negative.
//
// Nothing here takes a lock: numbers and the pool belong to one thread at a
// time. The run flag is the exception; any thread may cancel.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "exceptions.h"

constexpr std::uint32_t BASE = 100000000;  // 10^8: eight decimal digits per limb
constexpr int BASE_DIGITS = 8;
constexpr std::int32_t ZERO_EXPO = -900000000;  // marks zero
constexpr std::int32_t MAX_EXPO = 99999999;     // highest power of BASE of any limb
constexpr std::int32_t MIN_EXPO = -99999999;    // lowest power of BASE of any limb

struct limb {
    std::uint32_t value;  // always below BASE
    limb* lower;          // next less significant limb; null at the tail
    limb* upper;          // next more significant limb; null at the head
};

// The free list of limb nodes, linked through `lower`. 100001 nodes are
// allocated at start-up and emptied at exit, after every function-local
// static number has gone; they are handed out in order whenever the list is
// empty, so a short run touches only the memory it uses. Nodes are reused
// last released, first handed out; beyond the prefilled nodes an empty list
// falls back to blocks from the heap.
//
// The list ends in a settled part, from s_mark down, that holds prefilled
// nodes only and that no release has touched since the last trim: nodes
// are only ever taken from and put back on top of the list, so a trim need
// look only at the nodes above the mark.
class limbpool {
public:
    static limb* acquire()
    {
        limb* node = s_free;
        if (node == nullptr)
            return grow();
        unpoison(node);
        s_free = node->lower;
        if (node == s_mark)
            s_mark = s_free;
        return node;
    }
    static void release(limb* node)
    {
        node->lower = s_free;
        s_free = node;
        poison(node);
    }
    // Gives back the chain head..tail (linked through `lower`) in constant time.
    static void releasechain(limb* head, limb* tail);

    // Number of nodes on the free list and prefilled nodes not yet handed
    // out (walks the list; for tests and diagnostics).
    static std::size_t available();
    // The node the next acquire() hands out, or null (for tests).
    static const limb* peek();

    static constexpr std::size_t PREFILL = 100001;
    // Beyond the prefilled nodes the pool takes blocks of this many from the
    // system, and hands out their nodes as they are first needed. A block
    // this large (48 MB) is mapped on its own, so that giving it back
    // returns its memory to the system.
    static constexpr std::size_t BLOCK = std::size_t{1} << 21;

    // Gives back to the system every block whose nodes are all free again,
    // and in the blocks that live numbers still use, every run of pages
    // whose nodes are all free. Called when a key action ends: the pool then
    // holds little more than its prefilled nodes and the nodes of live
    // numbers. It looks only at the nodes released since the last trim, so
    // its cost follows the work of the key, never the length of the list.
    static void trim();
    // Blocks held from the system (for tests and benchmarks).
    static std::size_t blocks();
    // Nodes the trims have looked at since the process started, the measure
    // of their work (for tests and benchmarks).
    static std::size_t walked();

    // The static filler and emptier; one instance exists per process.
    limbpool();
    ~limbpool();
    limbpool(const limbpool&) = delete;
    limbpool& operator=(const limbpool&) = delete;

private:
    friend class number;

    // Constant-initialised, so it is valid before the pool is filled and after
    // it is emptied: nodes released late simply stay on the list.
    static inline limb* s_free = nullptr;
    // The top of the settled part of the list, or null when it is empty.
    static inline limb* s_mark = nullptr;

    static limb* grow();

    // Under AddressSanitizer a node on the free list is poisoned, so a number
    // that still uses a released node is reported like a use after free.
#if defined(__SANITIZE_ADDRESS__)
    static void poison(limb* node);
    static void unpoison(limb* node);
#else
    static void poison(limb*) {}
    static void unpoison(limb*) {}
#endif
};

// Cancellation: 1 while a computation may run, 0 once the user has asked to
// stop. basicprod polls it and throws "Operation was canceled".
void startcompute();
void cancelcompute();
bool computeallowed();
// Throws "Operation was canceled" once the run flag is down. Loops whose
// length grows with an operand call it every POLL_LIMBS limbs, so that a
// cancel ends them as quickly as it ends a product.
void pollcancel();
constexpr std::uint32_t POLL_LIMBS = 65536;
inline bool pollpoint(std::uint32_t count) { return (count & (POLL_LIMBS - 1)) == 0; }

class number {
public:
    number() = default;
    number(std::int32_t n);   // NOLINT: integers convert implicitly, exactly
    number(std::int64_t n);   // NOLINT
    number(std::uint64_t n);  // NOLINT
    // From the double's value, made exact by scaling by 10^8 until integral
    // (0.7 becomes exactly 0.7).
    explicit number(double v);
    // Decimal text: [space][sign]digits[.digits][(e|E)[sign]digits]; anything
    // else ends the text, no digits give zero.
    explicit number(const char* text);

    number(const number& other);
    number(number&& other) noexcept;
    number& operator=(const number& other);
    number& operator=(number&& other) noexcept;
    ~number();

    // -- fields --------------------------------------------------------------
    limb* head() const { return m_head; }
    limb* tail() const { return m_tail; }
    std::int32_t expo() const { return m_expo; }
    std::int32_t lowexpo() const { return m_lowexpo; }
    bool isnegative() const { return m_negative != 0; }
    bool iszero() const { return m_expo == ZERO_EXPO; }

    void setexpo(std::int32_t e) { m_expo = e; }
    void setlowexpo(std::int32_t e) { m_lowexpo = e; }
    void setnegative(bool negative) { m_negative = negative ? 1 : 0; }

    // -- chain primitives (no normalisation) --------------------------------
    void append(std::uint32_t n) { link(newnode(n), m_tail, nullptr); }
    void prepend(std::uint32_t n) { link(newnode(n), nullptr, m_head); }
    // Appends values[0..n), most significant first: the nodes are taken off
    // the free list in one walk.
    void appendlimbs(const std::uint32_t* values, std::size_t n);
    // Appends n limbs of another chain, from `from` down.
    void appendlimbs(const limb* from, std::size_t n);
    void insertafter(limb* node, std::uint32_t n) { link(newnode(n), node, node->lower); }
    void remove(limb* node);
    // Releases every limb below node, which becomes the tail.
    void cutbelow(limb* node);
    void clear();
    limb* nodeat(std::int32_t power) const;
    // After a prepend while building: the first limb gets power 0, each
    // further one raises expo by one.
    void notenewtop();

    // Strips zero limbs at both ends, marks an empty chain as zero and checks
    // the exponent range ("number overflow" before "number underflow").
    void normalise();

    // Exchanges the contents of two numbers in constant time.
    void swap(number& other) noexcept;

    // Makes this number the zero value, releasing its chain.
    void setzero();

private:
    limb* m_head = nullptr;
    limb* m_tail = nullptr;
    std::int32_t m_expo = ZERO_EXPO;
    std::int32_t m_lowexpo = 0;
    std::uint8_t m_negative = 0;

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
    void link(limb* node, limb* above, limb* below)
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

    template <typename Next> void appendfrom(Next next);
    void fromunsigned(std::uint64_t magnitude, bool negative);
    void appendcopy(const number& other);
};

// -- derived quantities -------------------------------------------------------

// Decimal position of the leading digit: 1 -> 0, 12345 -> 4, 0.001 -> -3; 0 for zero.
std::int32_t leadpos(const number& x);
// Number of limbs from expo to lowexpo; 1 for zero.
inline std::int32_t limbcount(const number& x)
{
    return x.iszero() ? 1 : x.expo() - x.lowexpo() + 1;
}
bool isinteger(const number& x);
// Odd integers, and every non-integer.
bool isodd(const number& x);
int signum(const number& x);
// Number of significant decimal digits: 1200 -> 2, 0.0105 -> 3; 0 for zero.
std::int64_t significantdigits(const number& x);
// Whether x is 10^k for an integer k (1, 10, 0.001; not 0 or -10).
bool ispowerof10(const number& x);

// -- powers of ten --------------------------------------------------------------

// 10^n for n in 0..9.
std::uint32_t pow10(std::int32_t n);
// x *= 10^n exactly, in place.
void multpow10(number& x, std::int32_t n);
// Decimal digits of v: 0 -> 0, 7 -> 1, 99999999 -> 8.
int digitcount(std::uint32_t v);
// The number 10^k, built as 1 shifted with multpow10.
number powerof10(std::int32_t k);
// The power of the limb of 10^k, floor(k / 8), with powerof10's range check.
std::int32_t powerof10expo(std::int32_t k);

// -- shared by the iterative operations -----------------------------------------

// Zero as a resolution: the operation is exact.
inline const number& exact()
{
    static const number zero;
    return zero;
}

// 1 and 0.5, made once for every algorithm and key that needs them.
inline const number& one()
{
    static const number value(1);
    return value;
}

inline const number& half()
{
    static const number h(0.5);
    return h;
}

// A resolution the accurate operations accept: f > 0.
inline bool ispositive(const number& f) { return !f.iszero() && !f.isnegative(); }
