#include "flat.h"

#include <algorithm>

namespace num {

flat flatof(const limbrun& r)
{
    flat x;
    if (r.iszero())
        return x;
    if (r.chain != nullptr) {
        x.limbs.resize(static_cast<std::size_t>(r.count));
        forlimbs(
            r, [&x](std::int32_t i, std::uint32_t v) { x.limbs[static_cast<std::size_t>(i)] = v; });
    } else {
        x.limbs.assign(r.array, r.array + r.count);
    }
    // A run may end in zeros; a flat number does not.
    while (x.limbs.back() == 0)
        x.limbs.pop_back();
    x.expo = r.expo;
    x.negative = r.negative;
    return x;
}

limbrun slice(const limbrun& x, std::int32_t from, std::int32_t to)
{
    if (x.iszero())
        return x;
    from = std::min(from, x.expo);
    to = std::max(to, x.lowexpo());
    if (from < to)
        return {};
    const std::uint32_t* p = x.array + (x.expo - from);
    std::int32_t n = from - to + 1;
    for (; n > 0 && *p == 0; --n, --from)
        ++p;
    while (n > 0 && p[n - 1] == 0)
        --n;
    if (n == 0)
        return {};
    return {.array = p, .expo = from, .count = n, .negative = x.negative};
}

limbrun shifted(limbrun x, std::int32_t k)
{
    if (x.iszero())
        return x;
    x.expo += k;
    if (x.expo > MAX_EXPO)
        throw numberexception("number overflow");
    if (x.expo < MIN_EXPO)
        throw numberexception("number underflow");
    return x;
}

flat sumof(const limbrun& a, const limbrun& b, bool minus, const number& f)
{
    return flatof(arraysum(a, b, minus, f));
}

}  // namespace num
