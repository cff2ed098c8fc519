#include "scaling.h"

#include <algorithm>

#include "chain.h"
#include "columns.h"
#include "number/multiplication.h"

namespace num {

void scaleinplace(number& x, const number& y, std::int32_t whole, bool part)
{
    pollcancel();
    const bool negative = x.isnegative() != y.isnegative();
    const std::int32_t p = y.expo();
    const std::uint64_t v = head(y)->value;

    std::uint64_t carry = 0;
    if (x.expo() < whole) {
        // Only the upper half of the head counts: a single limb above it.
        carry = head(x)->value / HALF_BASE * (v / HALF_BASE);
        x.setzero();
        if (carry == 0)
            return;
        append(x, static_cast<std::uint32_t>(carry));
        setexpo(x, whole + p);
        setlowexpo(x, whole + p);
        setnegative(x, negative);
        normalise(x);
        return;
    }
    limb* low = nodeat(x, whole);  // the least significant limb kept
    if (part)
        carry = low->lower->value / HALF_BASE * (v / HALF_BASE);
    cutbelow(x, low);
    // Each product splits into a limb and what goes up, both below 10^8,
    // without waiting for the limb below; only a carry of one runs along.
    std::uint32_t one = 0;
    for (limb* q = low; q != nullptr; q = q->upper) {
        const std::uint64_t t = q->value * v;
        const std::uint64_t u = t % BASE + carry + one;
        one = u >= BASE ? 1 : 0;
        q->value = static_cast<std::uint32_t>(u - (one != 0 ? BASE : 0));
        carry = t / BASE;
    }
    carry += one;
    std::int32_t expo = x.expo() + p;
    if (carry != 0) {
        prepend(x, static_cast<std::uint32_t>(carry));
        ++expo;
    }
    setexpo(x, expo);
    setlowexpo(x, whole + p);
    setnegative(x, negative);
    normalise(x);
}

void prodprecinplace(number& x, const number& y, std::int32_t d)
{
    if (!scalable(x, y)) {
        x = prodprec(x, y, d);
        return;
    }
    // F: the exponent of the resolution prodprec uses.
    const std::int32_t F = powerof10expo(leadpos(x) + leadpos(y) - d - 2);
    const std::int32_t p = y.expo();
    if (x.expo() + p < F - 2) {
        x.setzero();  // every product lies below the resolution
        return;
    }
    const std::int32_t whole = std::max(x.lowexpo(), F - 1 - p);
    scaleinplace(x, y, whole, F - 2 - p >= x.lowexpo());
}

void prodinplace(number& x, const number& y)
{
    if (!scalable(x, y)) {
        x = x * y;
        return;
    }
    scaleinplace(x, y, x.lowexpo(), false);
}

}  // namespace num
