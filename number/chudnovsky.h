// Pi beyond its table: the Chudnovsky series summed by binary splitting.
#pragma once

#include "number/number.h"

namespace num {

// Pi at resolution f > 0, computed afresh (the caller keeps it).
number chudnovskypi(const number& f);

}  // namespace num
