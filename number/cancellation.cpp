#include "number/cancellation.h"

#include <atomic>

#include "number/exceptions.h"

namespace num {

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

}  // namespace num
