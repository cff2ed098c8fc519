// The conversions between decimal degrees and the d.mmss form of an angle
// (degrees, two digits of minutes, then seconds: 12.304515 is 12 degrees
// 30 minutes 45.15 seconds).
#pragma once

#include <cstdint>

#include "number.h"

namespace num {

// Decimal degrees to the d.mmss form as the display shows it at P digits:
// its seconds rounded, halves away from zero, to the unit of the last decimal
// place that display shows (a minute at two places, 10^(4 - places) seconds
// from four on), with the carry into minutes and degrees, so that no field
// of 60 appears. The value returned is exactly the one shown.
number todms(const number& x, std::int32_t P);
// The d.mmss form to decimal degrees, rounded to d decimal places. Minutes
// and seconds of 60 and above are taken at face value.
number fromdms(const number& x, std::int32_t d);

}  // namespace num
