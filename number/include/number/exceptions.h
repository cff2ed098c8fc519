// The error types of a computation. Each is a plain value holding one
// printf-formatted message; they are thrown by value and caught by their own
// type. They live here, at the bottom of the layers, because the arithmetic
// raises all three (the engine's error for the factorial of a negative
// integer, the parser's "out of memory") and must not include the engine.
#pragma once

#include <cstddef>

namespace num {

// A message of at most Size - 1 characters; Kind only tells the types apart.
template <std::size_t Size, typename Kind> class formattedexception {
public:
    explicit formattedexception(const char* format, ...) __attribute__((format(printf, 2, 3)));
    const char* message() const { return m_message; }

private:
    char m_message[Size];
};

// Errors of the arithmetic: "quot:division by zero", "number overflow", ...
using numberexception = formattedexception<256, struct numbererror>;
// Errors of the calculator engine: "Invalid input for function", ...
using calculatorexception = formattedexception<100, struct calculatorerror>;
// Thrown only with "out of memory" when the text parser cannot copy its input.
using parseexception = formattedexception<200, struct parsererror>;

}  // namespace num
