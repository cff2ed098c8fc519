// The error types of a computation. Each is a plain value holding one
// printf-formatted message; they are thrown by value and caught by their own
// type. They live here, at the bottom of the layers, because the arithmetic
// raises all three (the engine's error for the factorial of a negative
// integer, the parser's "out of memory") and must not include the engine.
#pragma once

// Errors of the arithmetic: "quot:division by zero", "number overflow", ...
class numberexception {
public:
    explicit numberexception(const char* format, ...) __attribute__((format(printf, 2, 3)));
    const char* message() const { return m_message; }

private:
    char m_message[256];
};

// Errors of the calculator engine: "Invalid input for function", ...
class calculatorexception {
public:
    explicit calculatorexception(const char* format, ...) __attribute__((format(printf, 2, 3)));
    const char* message() const { return m_message; }

private:
    char m_message[100];
};

// Thrown only with "out of memory" when the text parser cannot copy its input.
class exception {
public:
    explicit exception(const char* format, ...) __attribute__((format(printf, 2, 3)));
    const char* message() const { return m_message; }

private:
    char m_message[200];
};
