// Quotients on flat limbs for the series, whose terms stay flat between
// their products, divisions and sums.
#pragma once

#include "flat.h"

namespace num {

// x / d at resolution f > 0 for a divisor 0 < d < BASE, as quot divides.
flat quotbylimb(const limbrun& x, std::uint32_t d, const number& f);

}  // namespace num
