#include "number/number.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
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

bool inblock(const limb* node, const limb* block, std::size_t n)
{
    const std::less<const limb*> below;
    return !below(node, block) && below(node, block + n);
}

// Blocks are page-aligned and split into chunks of whole pages. A chunk
// whose nodes are all free while its block is held is given back to the
// system and kept aside, to be handed out again in order when needed.
constexpr std::size_t PAGE = 4096;
constexpr std::size_t CHUNK = 3 * PAGE / sizeof(limb);
static_assert(CHUNK * sizeof(limb) == 3 * PAGE && limbpool::BLOCK % CHUNK == 0);
constexpr std::size_t CHUNKS = limbpool::BLOCK / CHUNK;

struct block;

// Each node of a held block is untouched since its chunk was last idle, or
// handed out (in a number, or released but not yet seen by a trim), or on
// its chunk's spare list, where a trim puts it when it sees it released.
// A chunk none of whose nodes is handed out is idle.
struct chunk {
    limb* nodes = nullptr;   // its first node
    block* owner = nullptr;  // the block it is part of
    limb* spare = nullptr;   // released nodes seen by a trim, to hand out again
    std::uint32_t out = 0;   // nodes handed out and not seen back by a trim
    bool listed = false;     // on the list of chunks that may have spare nodes
};

struct block {
    limb* nodes = nullptr;
    std::size_t busy = 0;  // its chunks that are not idle; none: it goes back
    std::array<chunk, CHUNKS> chunks;
};

struct blockstore {
    std::vector<std::unique_ptr<block>> held;  // in order of address
    // Idle chunks of the held blocks, handed out from the back before a new
    // block is taken.
    std::vector<chunk*> idle;
    // Chunks whose spare nodes are handed out before any untouched node. An
    // entry stays when its chunk turns idle and is dropped when reached empty.
    std::vector<chunk*> spared;
    // The untouched nodes of the chunk being handed out.
    chunk* run = nullptr;
    limb* next = nullptr;
    limb* end = nullptr;
    std::size_t walked = 0;  // nodes the trims have looked at
};

blockstore& store()
{
    static blockstore s;
    return s;
}

bool before(const limb* node, const std::unique_ptr<block>& b)
{
    return std::less<const limb*>()(node, b->nodes);
}

// The chunk holding node, or null for a node of no held block.
chunk* chunkof(blockstore& s, const limb* node)
{
    auto it = std::upper_bound(s.held.begin(), s.held.end(), node, before);
    if (it == s.held.begin())
        return nullptr;
    block& b = **(it - 1);
    if (!inblock(node, b.nodes, limbpool::BLOCK))
        return nullptr;
    return &b.chunks[static_cast<std::size_t>(node - b.nodes) / CHUNK];
}

// Takes a block from the system; all its chunks are idle, the first handed
// out first.
void takeblock(blockstore& s)
{
    s.held.reserve(s.held.size() + 1);  // before the block, so that nothing leaks
    s.idle.reserve(s.idle.size() + CHUNKS);
    auto meta = std::make_unique<block>();
    meta->nodes =
        static_cast<limb*>(::operator new (limbpool::BLOCK * sizeof(limb), std::align_val_t{PAGE}));
    for (std::size_t c = CHUNKS; c-- > 0;) {
        meta->chunks[c].nodes = meta->nodes + c * CHUNK;
        meta->chunks[c].owner = meta.get();
        s.idle.push_back(&meta->chunks[c]);
    }
    const limb* at = meta->nodes;
    s.held.insert(std::upper_bound(s.held.begin(), s.held.end(), at, before), std::move(meta));
}

void forget(limb* nodes, std::size_t n)
{
#if defined(__unix__)
    ::madvise(nodes, n * sizeof(limb), MADV_DONTNEED);
#else
    (void)nodes;
    (void)n;
#endif
}

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

const limb* limbpool::peek()
{
    if (s_free != nullptr)
        return s_free;
    if (prefillnext != prefillend)
        return prefillnext;
    const blockstore& s = store();
    for (auto it = s.spared.rbegin(); it != s.spared.rend(); ++it) {
        if ((*it)->spare != nullptr)
            return (*it)->spare;
    }
    if (s.next != s.end)
        return s.next;
    return s.idle.empty() ? nullptr : s.idle.back()->nodes;
}

limb* limbpool::grow()
{
    if (prefillnext != prefillend)
        return prefillnext++;
    blockstore& s = store();
    while (!s.spared.empty()) {
        chunk* c = s.spared.back();
        if (limb* node = c->spare) {
            unpoison(node);
            c->spare = node->lower;
            ++c->out;
            return node;
        }
        c->listed = false;
        s.spared.pop_back();
    }
    if (s.next == s.end) {
        if (s.idle.empty())
            takeblock(s);
        chunk* c = s.idle.back();
        s.idle.pop_back();
        ++c->owner->busy;
        s.run = c;
        s.next = c->nodes;
        s.end = c->nodes + CHUNK;
    }
    ++s.run->out;
    limb* node = s.next++;
    unpoison(node);  // a chunk given back kept its nodes poisoned
    return node;
}

void limbpool::trim()
{
    blockstore& s = store();
    // The nodes released since the last trim lie above the mark. Prefilled
    // ones stay on the list; those of blocks go to their chunks' spare lists.
    std::vector<chunk*> emptied;
    limb* head = s_free;
    limb* last = nullptr;  // the last node kept
    bool cut = false;      // nodes were taken out after it
    const auto link = [&](limb* to) {
        if (last == nullptr) {
            head = to;
        } else {
            unpoison(last);
            last->lower = to;
            poison(last);
        }
    };
    for (limb* p = s_free; p != s_mark;) {
        ++s.walked;
        unpoison(p);
        limb* next = p->lower;
        chunk* c = s.held.empty() || inblock(p, prefilled, PREFILL) ? nullptr : chunkof(s, p);
        if (c == nullptr) {
            if (cut)
                link(p);
            last = p;
            cut = false;
        } else {
            p->lower = c->spare;
            c->spare = p;
            if (!c->listed) {
                c->listed = true;
                s.spared.push_back(c);
            }
            if (--c->out == 0)
                emptied.push_back(c);
            cut = true;
        }
        poison(p);
        p = next;
    }
    if (cut)
        link(s_mark);
    s_free = s_mark = head;
    if (emptied.empty())
        return;

    // A chunk with no node handed out is idle: its spare nodes are all its
    // nodes. Its pages go back to the system, runs of neighbours at a time,
    // unless its whole block goes.
    bool blockgoes = false;
    for (chunk* c : emptied) {
        if (c == s.run) {
            s.run = nullptr;
            s.next = s.end = nullptr;
        }
        c->spare = nullptr;
        s.idle.push_back(c);
        blockgoes = --c->owner->busy == 0 || blockgoes;
    }
    std::erase_if(emptied, [](const chunk* c) { return c->owner->busy == 0; });
    std::sort(emptied.begin(), emptied.end(), std::less<const chunk*>());
    for (std::size_t i = 0; i < emptied.size();) {
        std::size_t e = i + 1;
        while (e < emptied.size() && emptied[e]->owner == emptied[i]->owner &&
               emptied[e]->nodes == emptied[e - 1]->nodes + CHUNK)
            ++e;
        forget(emptied[i]->nodes, CHUNK * (e - i));
        i = e;
    }
    if (!blockgoes)
        return;
    const auto gone = [](const chunk* c) { return c->owner->busy == 0; };
    std::erase_if(s.idle, gone);
    std::erase_if(s.spared, gone);
    std::erase_if(s.held, [](const std::unique_ptr<block>& b) {
        if (b->busy != 0)
            return false;
        ::operator delete (b->nodes, std::align_val_t{PAGE});
        return true;
    });
}

std::size_t limbpool::blocks() { return store().held.size(); }

std::size_t limbpool::walked() { return store().walked; }

limbpool::limbpool()
{
    store();  // made before the pool, so that it outlives it
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
        s_free = s_mark = nullptr;
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
            m_tail = prev;
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
                m_tail = prev;
                do {
                    if (pollpoint(++count))
                        pollcancel();
                    append(v);
                } while (next(v));
                return;
            }
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
    leave(p);
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
