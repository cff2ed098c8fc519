// The process-wide caches of the constants pi and ln 10: a value is kept at
// the finest resolution asked for so far and serves every coarser one.
#pragma once

#include "number/number.h"

namespace num {

class cachedconstant {
public:
    // `start` is the constant to resolution `coarse` and serves every f at or
    // above it. A computed value is known to `margin` f (margin zero: to f).
    cachedconstant(const number& start, const number& coarse, const number& margin = number());

    // The constant at resolution f > 0: the kept value cut at a hundredth of
    // f when it was computed to f or finer, else the start value so cut, or
    // compute(f), which is kept. Nothing is kept when compute throws.
    template <typename Compute> number at(const number& f, Compute compute)
    {
        if (covers(f))
            return servefor(f);
        if (startserves(f))
            return startfor(f);
        store(compute(f), f);
        return m_value;
    }

    // Forgets the kept value, so that the next request computes afresh.
    void clear();

private:
    const number m_start;
    const number m_coarse;
    const number m_margin;
    number m_value;
    number m_resolution;  // zero until the first computation

    bool covers(const number& f) const;
    bool startserves(const number& f) const;
    number servefor(const number& f) const;
    number startfor(const number& f) const;
    void store(const number& v, const number& f);
};

}  // namespace num
