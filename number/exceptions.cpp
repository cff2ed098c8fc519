#include "number/exceptions.h"

#include <cstdarg>
#include <cstdio>

#define FORMAT_INTO(buffer, format)                                                                \
    do {                                                                                           \
        va_list args;                                                                              \
        va_start(args, format);                                                                    \
        std::vsnprintf(buffer, sizeof buffer, format, args);                                       \
        va_end(args);                                                                              \
    } while (0)

numberexception::numberexception(const char* format, ...) { FORMAT_INTO(m_message, format); }

calculatorexception::calculatorexception(const char* format, ...)
{
    FORMAT_INTO(m_message, format);
}

exception::exception(const char* format, ...) { FORMAT_INTO(m_message, format); }
