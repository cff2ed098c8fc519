#include "number/exceptions.h"

#include <cstdarg>
#include <cstdio>

namespace num {

template <std::size_t Size, typename Kind>
formattedexception<Size, Kind>::formattedexception(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    std::vsnprintf(m_message, sizeof m_message, format, args);
    va_end(args);
}

template class formattedexception<256, numbererror>;
template class formattedexception<100, calculatorerror>;
template class formattedexception<200, parsererror>;

}  // namespace num
