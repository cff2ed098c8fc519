// The process-wide run flag of cooperative cancellation: 1 while a
// computation may run, 0 once the user has asked to stop. Any thread may
// cancel; the arithmetic polls the flag where its work happens and throws
// "Operation was canceled".
#pragma once

#include <cstdint>

namespace num {

void startcompute();
void cancelcompute();
bool computeallowed();
// Throws "Operation was canceled" once the run flag is down. Loops whose
// length grows with an operand call it every POLL_LIMBS limbs, so that a
// cancel ends them as quickly as it ends a product.
void pollcancel();
constexpr std::uint32_t POLL_LIMBS = 65536;
inline bool pollpoint(std::uint32_t count) { return (count & (POLL_LIMBS - 1)) == 0; }

}  // namespace num
