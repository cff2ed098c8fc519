// The limb nodes of the numbers' chains and the process-wide pool they come
// from. Nothing here takes a lock: the pool belongs to one thread at a time.
#pragma once

#include <cstddef>
#include <cstdint>

namespace num {

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
    friend struct chainaccess;

    // Constant-initialised, so it is valid before the pool is filled and after
    // it is emptied: nodes released late simply stay on the list.
    static inline limb* s_free = nullptr;
    // The top of the settled part of the list, or null when it is empty.
    static inline limb* s_mark = nullptr;

    static limb* grow();
    // Calls visit(node) on the list's nodes from `from` down to `to` (null:
    // its end), each readable during the call; its `lower` is read first,
    // so that visit may relink it.
    template <typename Visit> static void walk(limb* from, const limb* to, Visit visit);

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

}  // namespace num
