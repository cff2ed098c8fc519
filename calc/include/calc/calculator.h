// The calculator engine: the whole state behind the window (display text,
// the number being typed, the current value, the pending operands and
// operators, memory, modes) and the one operation that drives it, presskey.
// The engine never talks to a window; every result, error and half-typed
// number reaches the user as the display text.
#pragma once

#include <cstdint>
#include <string>

#include "number/number.h"

class Calculator {
public:
    static constexpr int STACKSIZE = 10;
    static constexpr int MAXPRECISION = 6000;
    static constexpr std::size_t MAXENTRY = 6099;   // characters of a decimal entry
    static constexpr std::size_t MAXEXPONENT = 28;  // digits after EE

    Calculator();

    // Performs the action of one key code completely. Never throws: errors
    // become the display text and the error state.
    void presskey(int code);
    // Clears an error first, then redraws the current value with `digits`
    // significant digits (ending any entry). Errors are shown as presskey
    // shows them.
    void setprecision(int digits);

    const std::string& display() const { return m_display; }
    int parens() const { return m_parens; }
    bool memorynonzero() const { return !m_memory.iszero(); }
    bool inv() const { return m_inv; }
    bool hyp() const { return m_hyp; }
    bool grouping() const { return m_grouping; }
    bool error() const { return m_error; }
    int radix() const { return m_radix; }
    int angle() const { return m_angle; }        // 0 radians, 1 degrees, 2 grads
    int wordsize() const { return m_wordsize; }  // 0 byte, 1 word, 2 dword, 3 qword
    int precision() const { return m_precision; }
    int numbercount() const { return m_numbercount; }
    int operatorcount() const { return m_operatorcount; }

private:
    std::string m_display = "0";
    std::string m_entry = "0";      // the mantissa as typed
    std::string m_exponent = "+0";  // the exponent as typed after EE
    bool m_started = false;         // the next digit extends the entry
    bool m_point = false;           // the entry holds the decimal comma
    bool m_exponentmode = false;    // digits go to the exponent
    bool m_operatorlast = false;    // the last key was a binary operator
    bool m_dirty = false;           // the entry changed since it was read
    number m_value;                 // what the display stands for
    number m_memory;
    int m_parens = 0;
    number m_numberstack[STACKSIZE];
    int m_precision = 40;
    int m_operatorstack[STACKSIZE] = {};
    int m_numbercount = 0;
    int m_operatorcount = 0;
    int m_radix = 10;
    bool m_inv = false;
    bool m_hyp = false;
    bool m_grouping = false;
    bool m_error = false;
    int m_angle = 1;
    int m_wordsize = 3;

    void dispatchkey(int code);
    void seterror(const char* message);
    template <typename Action> void guarded(Action action);

    // Entry and display.
    number getvalue();
    void showvalue(const number& x);
    void refreshentry();
    number parseentry(const std::string& text) const;
    std::string formatvalue(const number& x) const;
    std::string entrytext() const;

    void typedigit(char c);
    void typepoint();
    void changesign();
    void startexponent();
    void backspace();
    void clearentry();
    void clearall();

    // Expression evaluation.
    void pushnumber(const number& x);
    number popnumber();
    number topnumber() const;
    void pushoperator(int code);
    int popoperator();
    int topoperator() const;
    static int precedence(int code);
    void pushvalue();
    void evaluatetop();
    void reduceparen();
    void binaryoperator(int code);
    void openparen();
    void closeparen();
    void equals();
    number operate(int code, const number& x, const number& y);
    number power(const number& x, const number& y);
    number root(const number& x, const number& y);

    // Integer radices.
    std::uint64_t mask(std::uint64_t u) const;
    void setradix(int radix);
    void setwordsize(int size);
    void complement();
    void integerpart();

    // Scientific keys, angle units, memory.
    void scientific(int code);
    number hyperbolic(int code, const number& x);
    number trigonometric(int code, const number& x);
    number toradians(const number& x);
    number fromradians(const number& x);
};
