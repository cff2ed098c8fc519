// pi and ln 10 truncated to TABLEDIGITS decimals, as decimal texts: the
// values the constant caches start from, so that no run computes either
// constant below that resolution. Euler's constant likewise, for the
// factorial of tiny arguments.
#pragma once

namespace num {

constexpr int TABLEDIGITS = 6400;

extern const char* const PIDIGITS;
extern const char* const LN10DIGITS;
extern const char* const EULERDIGITS;

}  // namespace num
