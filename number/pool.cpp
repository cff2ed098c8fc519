// The limb pool: the prefilled nodes, the blocks taken from the system in
// chunks of whole pages, and the trim that gives idle ones back.
#include "pool.h"
#include "transform.h"

#include <algorithm>
#include <array>
#include <functional>
#include <memory>
#include <new>
#include <utility>
#include <vector>

#if defined(__unix__)
#include <sys/mman.h>
#endif

#include "number/number.h"

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/asan_interface.h>
#endif

namespace num {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool POISONING = true;
void limbpool::poison(limb* node) { ASAN_POISON_MEMORY_REGION(node, sizeof(limb)); }
void limbpool::unpoison(limb* node) { ASAN_UNPOISON_MEMORY_REGION(node, sizeof(limb)); }
#else
constexpr bool POISONING = false;
#endif

template <typename Visit> void limbpool::walk(limb* from, const limb* to, Visit visit)
{
    for (limb* p = from; p != to;) {
        unpoison(p);
        limb* next = p->lower;
        visit(p);
        poison(p);
        p = next;
    }
}

void limbpool::releasechain(limb* head, limb* tail)
{
    tail->lower = s_free;
    if (POISONING)
        walk(head, s_free, [](limb*) {});
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
    walk(s_free, nullptr, [&n](limb*) { ++n; });
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
    walk(s_free, s_mark, [&](limb* p) {
        ++s.walked;
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
    });
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
    walk(s_free, nullptr, [&returned](limb*) { ++returned; });
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

// The transform's tables of roots are the one other store that outlives a
// computation.
void releaseidlememory()
{
    limbpool::trim();
    releasetransformroots();
}

}  // namespace num
