#include "constants.h"

#include "number/addition.h"
#include "number/multiplication.h"

namespace num {

cachedconstant::cachedconstant(const number& start, const number& coarse, const number& margin)
    : m_start(start), m_coarse(coarse), m_margin(margin)
{
}

bool cachedconstant::covers(const number& f) const
{
    return !m_resolution.iszero() && compare(f, m_resolution) >= 0;
}

bool cachedconstant::startserves(const number& f) const { return compare(f, m_coarse) >= 0; }

namespace {
// The cut adds at most f / 100 to the error of a value known to f or finer.
const number& servingcut()
{
    static const number cut(0.01);
    return cut;
}
}  // namespace

number cachedconstant::servefor(const number& f) const
{
    return truncate(m_value, APCprod(servingcut(), f, -1));
}

number cachedconstant::startfor(const number& f) const
{
    return truncate(m_start, APCprod(servingcut(), f, -1));
}

void cachedconstant::store(const number& v, const number& f)
{
    // The value first: if storing the resolution failed, the old resolution
    // would still be honoured by a value at least that accurate.
    m_value = v;
    m_resolution = m_margin.iszero() ? f : APCprod(m_margin, f, 1);
}

void cachedconstant::clear()
{
    m_value = number();
    m_resolution = number();
}

}  // namespace num
