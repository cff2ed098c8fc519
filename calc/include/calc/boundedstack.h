// The engine's pending operands and operators: a stack of fixed depth that
// refuses to overflow, since an operand dropped silently would give a wrong
// result. Its errors are the engine's, raised with the stack's own texts.
#pragma once

#include <utility>

#include "number/exceptions.h"

// What a stack says when it is misused.
struct stackerrors {
    const char* full;   // a push onto a full stack
    const char* empty;  // a pop from an empty one
    const char* notop;  // the top of an empty one
};

template <typename T, int N> class boundedstack {
public:
    explicit constexpr boundedstack(const stackerrors& errors) : m_errors(errors) {}

    int count() const { return m_count; }
    bool empty() const { return m_count == 0; }
    void clear() { m_count = 0; }

    void push(const T& x)
    {
        if (m_count == N)
            throw num::calculatorexception("%s", m_errors.full);
        m_items[m_count++] = x;
    }

    // Moves the top out: the slot keeps nothing of it.
    T pop()
    {
        if (m_count == 0)
            throw num::calculatorexception("%s", m_errors.empty);
        return std::exchange(m_items[--m_count], T());
    }

    const T& top() const
    {
        if (m_count == 0)
            throw num::calculatorexception("%s", m_errors.notop);
        return m_items[m_count - 1];
    }

    // The i-th from the bottom, 0 <= i < count().
    const T& at(int i) const { return m_items[i]; }

private:
    T m_items[N] = {};
    int m_count = 0;
    stackerrors m_errors;
};
