// Small constants the engine's keys share. Each is made on first use, after
// the limb pool has been filled, and goes before the pool is emptied at
// exit: a number at namespace scope could be made before the pool and
// outlive it, leaving its limbs behind.
#pragma once

#include "number/number.h"

inline const number& one()
{
    static const number value(1);
    return value;
}

inline const number& half()
{
    static const number value(0.5);
    return value;
}
