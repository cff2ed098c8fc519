#include <algorithm>

#include "number/addition.h"
#include "number/multiplication.h"

namespace num {

// Each wrapper takes the resolution two digits below the last digit of the
// expected result.
number sumprec(const number& x, const number& y, std::int32_t d)
{
    return sum(x, y, powerof10(std::max(leadpos(x), leadpos(y)) - d - 2));
}

number diffprec(const number& x, const number& y, std::int32_t d)
{
    return diff(x, y, powerof10(std::max(leadpos(x), leadpos(y)) - d - 2));
}

number prodprec(const number& x, const number& y, std::int32_t d)
{
    return prod(x, y, powerof10(leadpos(x) + leadpos(y) - d - 2));
}

number quotprec(const number& x, const number& y, std::int32_t d)
{
    return quot(x, y, powerof10(leadpos(x) - leadpos(y) - d - 2));
}

}  // namespace num
