#include "number/number.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <utility>
#include <vector>

#if defined(__unix__)
#include <sys/mman.h>
#endif

// -- limb pool ------------------------------------------------------------------

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/asan_interface.h>
constexpr bool poisoning = true;
void limbpool::poison(limb* node) { ASAN_POISON_MEMORY_REGION(node, sizeof(limb)); }
void limbpool::unpoison(limb* node) { ASAN_UNPOISON_MEMORY_REGION(node, sizeof(limb)); }
#else
constexpr bool poisoning = false;
#endif

void number::badlimb(const char* file, int line)
{
    std::fprintf(stderr, "Assertion failed: n < BASE, module number, file %s, line %d\n", file,
                 line);
    std::abort();
}

void limbpool::releasechain(limb* head, limb* tail)
{
    tail->lower = s_free;
    if (poisoning) {
        for (limb* p = head; p != s_free;) {
            limb* next = p->lower;
            poison(p);
            p = next;
        }
    }
    s_free = head;
}

namespace {
// The prefilled nodes, allocated as one block and handed out in order as the
// free list runs dry, so that a process touches only the nodes it uses.
limb* prefilled = nullptr;
limb* prefillnext = nullptr;
limb* prefillend = nullptr;

std::size_t prefillleft() { return static_cast<std::size_t>(prefillend - prefillnext); }
}  // namespace

std::size_t limbpool::available()
{
    std::size_t n = prefillleft();
    for (limb* p = s_free; p != nullptr;) {
        unpoison(p);
        limb* next = p->lower;
        poison(p);
        p = next;
        ++n;
    }
    return n;
}

const limb* limbpool::peek() { return s_free != nullptr ? s_free : prefillnext; }

namespace {

// The blocks taken beyond them, in order of address.
std::vector<limb*>& blocklist()
{
    static std::vector<limb*> list;
    return list;
}

// Blocks are page-aligned and split into chunks of whole pages. A chunk
// whose nodes are all free while its block is held is given back to the
// system and kept aside, to be handed out again in order when needed.
constexpr std::size_t PAGE = 4096;
constexpr std::size_t CHUNK = 3 * PAGE / sizeof(limb);
static_assert(CHUNK * sizeof(limb) == 3 * PAGE && limbpool::BLOCK % CHUNK == 0);
constexpr std::size_t CHUNKS = limbpool::BLOCK / CHUNK;

std::vector<limb*>& idlechunks()
{
    static std::vector<limb*> list;
    return list;
}

void forget(limb* chunk, std::size_t nodes)
{
#if defined(__unix__)
    ::madvise(chunk, nodes * sizeof(limb), MADV_DONTNEED);
#else
    (void)chunk;
    (void)nodes;
#endif
}

bool inblock(const limb* node, const limb* block, std::size_t n)
{
    const std::less<const limb*> below;
    return !below(node, block) && below(node, block + n);
}

// The index of the block holding node, or the count of blocks for a
// prefilled node.
std::size_t blockof(const std::vector<limb*>& list, const limb* node)
{
    auto it = std::upper_bound(list.begin(), list.end(), node, std::less<const limb*>());
    if (it == list.begin() || !inblock(node, *(it - 1), limbpool::BLOCK))
        return list.size();
    return static_cast<std::size_t>(it - list.begin() - 1);
}
}  // namespace

limb* limbpool::grow()
{
    if (prefillnext != prefillend)
        return prefillnext++;
    if (s_next == s_end) {
        std::vector<limb*>& idle = idlechunks();
        if (!idle.empty()) {
            s_next = idle.back();
            s_end = s_next + CHUNK;
            idle.pop_back();
        } else {
            std::vector<limb*>& list = blocklist();
            list.reserve(list.size() + 1);  // before the block, so that nothing leaks
            auto* block =
                static_cast<limb*>(::operator new (BLOCK * sizeof(limb), std::align_val_t{PAGE}));
            list.insert(std::upper_bound(list.begin(), list.end(), block, std::less<const limb*>()),
                        block);
            s_next = block;
            s_end = block + BLOCK;
        }
    }
    limb* node = s_next++;
    unpoison(node);  // a chunk given back kept its nodes poisoned
    return node;
}

void limbpool::trim()
{
    std::vector<limb*>& list = blocklist();
    if (list.empty())
        return;
    // Nodes of each block and each chunk on the free list.
    std::vector<std::size_t> back(list.size() + 1, 0);
    std::vector<std::uint32_t> chunkback(list.size() * CHUNKS, 0);
    for (limb* p = s_free; p != nullptr;) {
        unpoison(p);
        limb* next = p->lower;
        poison(p);
        const std::size_t i = blockof(list, p);
        ++back[i];
        if (i < list.size())
            ++chunkback[i * CHUNKS + static_cast<std::size_t>(p - list[i]) / CHUNK];
        p = next;
    }
    // Nodes not handed out: the idle chunks and the rest of the current run.
    std::vector<std::size_t> unhanded(list.size() + 1, 0);
    std::vector<limb*>& idle = idlechunks();
    for (limb* chunk : idle)
        unhanded[blockof(list, chunk)] += CHUNK;
    if (s_next != s_end)
        unhanded[blockof(list, s_next)] += static_cast<std::size_t>(s_end - s_next);

    std::vector<bool> gone(list.size(), false);
    std::vector<bool> freed(list.size() * CHUNKS, false);
    bool any = false;
    for (std::size_t i = 0; i < list.size(); ++i) {
        gone[i] = back[i] + unhanded[i] == BLOCK;
        any = any || gone[i];
        for (std::size_t c = 0; !gone[i] && c < CHUNKS; ++c) {
            freed[i * CHUNKS + c] = chunkback[i * CHUNKS + c] == CHUNK;
            any = any || freed[i * CHUNKS + c];
        }
    }
    if (!any)
        return;
    // The free list without the nodes of the blocks and chunks that go.
    const auto leaves = [&](const limb* p) {
        const std::size_t i = blockof(list, p);
        return i < list.size() &&
               (gone[i] || freed[i * CHUNKS + static_cast<std::size_t>(p - list[i]) / CHUNK]);
    };
    limb* head = nullptr;
    limb* last = nullptr;
    for (limb* p = s_free; p != nullptr;) {
        unpoison(p);
        limb* next = p->lower;
        poison(p);
        if (!leaves(p)) {
            if (last != nullptr) {
                unpoison(last);
                last->lower = p;
                poison(last);
            } else {
                head = p;
            }
            last = p;
        }
        p = next;
    }
    if (last != nullptr) {
        unpoison(last);
        last->lower = nullptr;
        poison(last);
    }
    s_free = head;

    // Chunks of the blocks that stay go back to the system, runs at a time.
    std::vector<limb*> keptidle;
    for (limb* chunk : idle) {
        if (!gone[blockof(list, chunk)])
            keptidle.push_back(chunk);
    }
    for (std::size_t i = 0; i < list.size(); ++i) {
        for (std::size_t c = 0; c < CHUNKS;) {
            std::size_t e = c;
            while (e < CHUNKS && freed[i * CHUNKS + e])
                keptidle.push_back(list[i] + CHUNK * e++);
            if (e > c)
                forget(list[i] + CHUNK * c, CHUNK * (e - c));
            c = e + 1;
        }
    }
    idle.swap(keptidle);

    std::vector<limb*> kept;
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (!gone[i]) {
            kept.push_back(list[i]);
            continue;
        }
        if (s_next != s_end && inblock(s_next, list[i], BLOCK))
            s_next = s_end = nullptr;
        ::operator delete (list[i], std::align_val_t{PAGE});
    }
    list.swap(kept);
}

std::size_t limbpool::blocks() { return blocklist().size(); }

limbpool::limbpool()
{
    blocklist();  // made before the pool, so that they outlive it
    idlechunks();
    prefilled = new limb[PREFILL];
    prefillnext = prefilled;
    prefillend = prefilled + PREFILL;
}

limbpool::~limbpool()
{
    // The blocks go when all their nodes are back, the prefilled nodes when
    // every one is, else a number that outlives the pool still holds some.
    trim();
    if (blocks() != 0)
        return;
    std::size_t returned = prefillleft();
    for (limb* p = s_free; p != nullptr; ++returned) {
        unpoison(p);
        limb* next = p->lower;
        poison(p);
        p = next;
    }
    if (returned == PREFILL) {
        s_free = nullptr;
        prefillnext = prefillend = nullptr;
        delete[] prefilled;
    }
}

namespace {
// Filled during static initialisation; emptied after main() returns and after
// the function-local caches created later have been destroyed.
limbpool thepool;
}  // namespace

// -- run flag -------------------------------------------------------------------

namespace {
std::atomic<std::uint8_t> runflag{1};
}

void startcompute() { runflag.store(1, std::memory_order_relaxed); }
void cancelcompute() { runflag.store(0, std::memory_order_relaxed); }
bool computeallowed() { return runflag.load(std::memory_order_relaxed) != 0; }

void pollcancel()
{
    if (!computeallowed())
        throw numberexception("Operation was canceled");
}

// -- construction ----------------------------------------------------------------

void number::fromunsigned(std::uint64_t magnitude, bool negative)
{
    if (magnitude == 0)
        return;
    m_negative = negative ? 1 : 0;
    int count = 0;
    while (magnitude != 0) {
        prepend(static_cast<std::uint32_t>(magnitude % BASE));
        magnitude /= BASE;
        ++count;
    }
    m_lowexpo = 0;
    m_expo = count - 1;
    normalise();
}

number::number(std::int32_t n)
{
    fromunsigned(n < 0 ? 0u - static_cast<std::uint32_t>(n) : static_cast<std::uint32_t>(n), n < 0);
}

number::number(std::int64_t n)
{
    fromunsigned(n < 0 ? 0u - static_cast<std::uint64_t>(n) : static_cast<std::uint64_t>(n), n < 0);
}

number::number(std::uint64_t n) { fromunsigned(n, false); }

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
        prepend(static_cast<std::uint32_t>(std::fmod(v, 1e8)));
        v = std::floor(v / 1e8);
        ++count;
    }
    m_lowexpo = -scaled;
    m_expo = m_lowexpo + count - 1;
    m_negative = negative ? 1 : 0;
    normalise();
}

number::number(const number& other)
    : m_expo(other.m_expo), m_lowexpo(other.m_lowexpo), m_negative(other.m_negative)
{
    appendcopy(other);
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
    clear();
    m_expo = other.m_expo;
    m_lowexpo = other.m_lowexpo;
    m_negative = other.m_negative;
    appendcopy(other);
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

void number::appendcopy(const number& other)
{
    const limb* q = other.m_head;
    appendfrom([&q](std::uint32_t& v) {
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
    clear();
    m_expo = ZERO_EXPO;
    m_lowexpo = 0;
    m_negative = 0;
}

// -- chain primitives -------------------------------------------------------------

// Appends the limbs next(v) gives, from the most significant, until it
// returns false. The free list is already linked through `lower`: walking it
// in order links the new nodes among themselves, and only `upper` and the
// values are written.
template <typename Next> void number::appendfrom(Next next)
{
    limb* prev = m_tail;
    limb* p = limbpool::s_free;
    std::uint32_t v;
    std::uint32_t count = 0;
    while (next(v)) {
        checklimb(v);
        if (pollpoint(++count) && !computeallowed()) {
            // Leave the chain and the pool whole before the cancel unwinds.
            limbpool::s_free = p;
            if (prev != nullptr)
                prev->lower = nullptr;
            m_tail = prev;
            pollcancel();
        }
        if (p == nullptr) {
            // The pool is empty: close the chain, then take the rest from
            // the heap one node at a time.
            limbpool::s_free = nullptr;
            if (prev != nullptr)
                prev->lower = nullptr;
            m_tail = prev;
            do {
                if (pollpoint(++count))
                    pollcancel();
                append(v);
            } while (next(v));
            return;
        }
        limbpool::unpoison(p);
        p->value = v;
        p->upper = prev;
        (prev != nullptr ? prev->lower : m_head) = p;
        prev = p;
        p = p->lower;
    }
    if (prev == m_tail)
        return;  // nothing appended
    limbpool::s_free = p;
    prev->lower = nullptr;
    m_tail = prev;
}

void number::appendlimbs(const std::uint32_t* values, std::size_t n)
{
    const std::uint32_t* end = values + n;
    appendfrom([&values, end](std::uint32_t& v) {
        if (values == end)
            return false;
        v = *values++;
        return true;
    });
}

void number::appendlimbs(const limb* from, std::size_t n)
{
    appendfrom([&from, &n](std::uint32_t& v) {
        if (n == 0)
            return false;
        v = from->value;
        from = from->lower;
        --n;
        return true;
    });
}

void number::remove(limb* node)
{
    if (node->upper != nullptr)
        node->upper->lower = node->lower;
    else
        m_head = node->lower;
    if (node->lower != nullptr)
        node->lower->upper = node->upper;
    else
        m_tail = node->upper;
    limbpool::release(node);
}

void number::cutbelow(limb* node)
{
    if (node->lower == nullptr)
        return;
    limbpool::releasechain(node->lower, m_tail);
    node->lower = nullptr;
    m_tail = node;
}

void number::clear()
{
    if (m_head != nullptr)
        limbpool::releasechain(m_head, m_tail);
    m_head = m_tail = nullptr;
}

limb* number::nodeat(std::int32_t power) const
{
    if (iszero() || power < m_lowexpo || power > m_expo)
        return nullptr;
    limb* p;
    if (power - m_lowexpo < m_expo - power) {
        p = m_tail;
        for (std::int32_t k = m_lowexpo; k < power; ++k)
            p = p->upper;
    } else {
        p = m_head;
        for (std::int32_t k = m_expo; k > power; --k)
            p = p->lower;
    }
    return p;
}

void number::notenewtop()
{
    if (iszero())
        m_expo = m_lowexpo = 0;
    else
        ++m_expo;
}

void number::normalise()
{
    while (m_head != nullptr && m_head->value == 0) {
        remove(m_head);
        --m_expo;
    }
    while (m_tail != nullptr && m_tail->value == 0) {
        remove(m_tail);
        ++m_lowexpo;
    }
    if (m_head == nullptr) {
        m_expo = ZERO_EXPO;
        m_negative = 0;
        return;
    }
    if (m_expo > MAX_EXPO)
        throw numberexception("number overflow");
    if (m_lowexpo < MIN_EXPO)
        throw numberexception("number underflow");
}

// -- derived quantities ---------------------------------------------------------------

std::int32_t leadpos(const number& x)
{
    if (x.iszero())
        return 0;
    return BASE_DIGITS * x.expo() + digitcount(x.head()->value) - 1;
}

bool isinteger(const number& x) { return x.iszero() || x.lowexpo() >= 0; }

bool isodd(const number& x)
{
    if (x.iszero())
        return false;
    if (x.lowexpo() < 0)
        return true;
    if (x.lowexpo() == 0)
        return (x.tail()->value & 1) != 0;
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
    std::uint32_t tail = x.tail()->value;
    int zeros = 0;
    while (tail % 10 == 0) {
        tail /= 10;
        ++zeros;
    }
    const std::int64_t lowest = std::int64_t{BASE_DIGITS} * x.lowexpo() + zeros;
    return leadpos(x) - lowest + 1;
}

bool ispowerof10(const number& x)
{
    return !x.iszero() && !x.isnegative() && x.head() == x.tail() &&
           x.head()->value == pow10(leadpos(x) - BASE_DIGITS * x.expo());
}

// -- powers of ten ------------------------------------------------------------------

std::uint32_t pow10(std::int32_t n)
{
    static constexpr std::uint32_t table[10] = {1,      10,      100,      1000,      10000,
                                                100000, 1000000, 10000000, 100000000, 1000000000};
    if (n < 0 || n > 9)
        throw numberexception("pow10:invalid argument. n must be [0..9] (=%d)", n);
    return table[n];
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
        limb* oldhead = x.head();
        if (oldhead->value >= E) {
            x.prepend(oldhead->value / E);
            x.setexpo(x.expo() + 1);
        }
        std::uint32_t count = 0;
        for (limb* p = oldhead; p != nullptr; p = p->lower) {
            if (pollpoint(++count))
                pollcancel();
            const std::uint32_t below = p->lower != nullptr ? p->lower->value / E : 0;
            p->value = (p->value % E) * D + below;
        }
    } else {
        limb* oldtail = x.tail();
        x.append((oldtail->value % D) * E);
        x.setlowexpo(x.lowexpo() - 1);
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
        x.normalise();
    }
    x.setexpo(x.expo() + q);
    x.setlowexpo(x.lowexpo() + q);
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
    x.append(pow10(k - BASE_DIGITS * e));
    x.setexpo(e);
    x.setlowexpo(e);
    return x;
}
