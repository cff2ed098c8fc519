// The calculator engine: the whole state behind the window (display text,
// the number being typed, the current value, the pending operands and
// operators, memory, modes) and the one operation that drives it, presskey.
// The engine never talks to a window; every result, error and half-typed
// number reaches the user as the display text.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "calc/boundedstack.h"
#include "calc/history.h"
#include "calc/modes.h"
#include "number/number.h"

struct pastekeys;
namespace num {
struct quarterangle;
}

class Calculator {
public:
    static constexpr int STACKSIZE = 10;
    // Significant digits the engine computes and shows.
    static constexpr int MINPRECISION = 1;
    static constexpr int MAXPRECISION = 6000;
    static constexpr int STARTPRECISION = 40;

    Calculator();

    // Performs the action of one key code completely. Never throws: errors
    // become the display text and the error state.
    void presskey(int code);
    // Types pasted text (calc/paste.h): the keys of the numbers and
    // operators it holds, each through presskey; or, where it cannot be read
    // as the user meant it, no key and a message on the display. A '-' at
    // the start before a number is its sign where `signfirst`. `proceed` is
    // asked before each key; false ends the paste there.
    void paste(std::string_view text, bool signfirst = true,
               const std::function<bool()>& proceed = {});
    // The two halves of paste, for a caller that presses the keys itself:
    // the keys that type the text into the entry as it stands, and the
    // message when there are none to type. The state stays as it was; only
    // an error keeps its own message.
    pastekeys readpasted(std::string_view text, bool signfirst = true) const;
    void refusepaste(const char* why);
    // Clears an error first, then redraws the current value with `digits`
    // significant digits (ending any entry). Errors are shown as presskey
    // shows them.
    void setprecision(int digits);
    // Cancels the key action in progress: it stops at its next
    // multiplication with "Operation was canceled". Safe from any thread and
    // from a signal handler, the flag being a lock-free atomic; the next key
    // clears it.
    static void cancel();
    // Shows "Operation was canceled" as a key that was canceled does, for a
    // caller that stops typing between two keys.
    void showcanceled();

    const std::string& display() const { return m_display; }
    int parens() const { return m_parens; }
    bool memorynonzero() const { return !m_memory.iszero(); }
    bool inv() const { return m_inv; }
    bool hyp() const { return m_hyp; }
    bool grouping() const { return m_grouping; }
    bool error() const { return m_error; }
    int radix() const { return m_radix; }
    angleunit angle() const { return m_angle; }
    ::wordsize wordsize() const { return m_wordsize; }
    int precision() const { return m_precision; }
    // The value the display stands for as the word of the integer radices
    // (its bits, read as unsigned); 0 in the decimal radix.
    std::uint64_t word() const;
    int numbercount() const { return m_numbers.count(); }
    int operatorcount() const { return m_operators.count(); }

    // The pending operands and operators as the keys typed them, with the
    // open parentheses: "2 + 3 ×", "(1 + 2) × (3 −"; numbers as the display
    // shows them, in the current radix. Empty when nothing is pending.
    std::string pendingexpression() const;
    // The calculations finished in this session, oldest first: an "=", and
    // a function key with no operation pending ("2 sin"). The newest
    // HISTORYSIZE are kept. The list is never changed once handed out.
    // A front end that shows them turns the record on; without it the
    // history stays empty, and a session that only prints the display (as
    // zelkc's) keeps no memory for it.
    static constexpr int HISTORYSIZE = 1000;
    void keephistory(bool on);
    std::shared_ptr<const historylist> history() const { return m_history; }
    // Makes the result of the entry `serial` the current value with all the
    // digits it was computed to, as MR makes the memory's. Nothing for an
    // entry no longer kept, or while an error is shown. Never throws.
    void recall(std::uint64_t serial);
    void clearhistory();

private:
    std::string m_display = "0";
    std::string m_entry = "0";      // the mantissa as typed
    std::string m_exponent = "+0";  // the exponent as typed after EE
    bool m_started = false;         // the next digit extends the entry
    bool m_typed = false;  // a key of the entry was typed since a result, an operator, C or CE
    bool m_point = false;  // the entry holds the decimal comma
    bool m_exponentmode = false;  // digits go to the exponent
    bool m_operatorlast = false;  // the last key was a binary operator
    bool m_dirty = false;         // the entry changed since it was read
    num::number m_value;          // what the display stands for
    num::number m_memory;
    int m_parens = 0;

    // The honest redraw, kept by the display's functions (display.cpp): a
    // value and how many of its significant digits are true, so that a
    // redraw at a higher precision (setprecision, the grouping key, MR)
    // shows no digit the value does not hold. All of them (KNOWALL) for
    // typed numbers and exact results, the precision of the key that made
    // it otherwise, the least of its operands' after a chain. showvalue
    // takes the count with the value; `rounded` lowers m_opknown, the count
    // of the operation in progress, when it returns a result that is not
    // exact.
    static constexpr int KNOWALL = MAXPRECISION + 1;
    int m_known = KNOWALL;  // of m_value
    int m_memoryknown = KNOWALL;
    mutable int m_opknown = KNOWALL;
    // A key that made a value, for the text of the expression: a number
    // (code 0), a parenthesis, a binary operator or a function key with the
    // Inv and Hyp it was pressed with.
    struct piece {
        int code = 0;
        num::number value;
        int known = KNOWALL;
        bool inv = false;
        bool hyp = false;
        int radix = 10;  // of a number: the radix it was typed or shown in
    };
    using pieces = std::vector<piece>;
    struct knownvalue {
        num::number value;
        int known = KNOWALL;
        pieces text;  // the keys that made it
    };

    boundedstack<knownvalue, STACKSIZE> m_numbers{{"Can't push on full numberstack",
                                                   "Can't pop from empty numberstack",
                                                   "No top on empty numberstack"}};
    boundedstack<int, STACKSIZE> m_operators{{"Can't push on full operatorstack",
                                              "Can't pop from empty operatorstack",
                                              "No operators on stack"}};
    int m_precision = STARTPRECISION;
    int m_radix = 10;
    bool m_inv = false;
    bool m_hyp = false;
    bool m_grouping = false;
    bool m_error = false;
    angleunit m_angle = angleunit::degrees;
    ::wordsize m_wordsize = ::wordsize::qword;

    // The keys that made the current value, where they are more than the
    // value itself (a function key, a closed parenthesis); empty otherwise.
    pieces m_operand;
    // The last entry of the history is the current value's chain of
    // function keys, which a further one extends ("2 sin", "2 sin x^2").
    bool m_historyopen = false;
    // Counts the values shown, so that a key that showed none adds no text.
    std::uint64_t m_shown = 0;
    std::shared_ptr<const historylist> m_history;
    struct historyvalue {
        std::uint64_t serial;
        num::number value;
        int known;
    };
    std::deque<historyvalue> m_historyvalues;
    std::uint64_t m_historyserial = 0;
    bool m_keephistory = false;

    // Dispatch and the entry (calculator.cpp).
    void dispatchkey(int code);
    // Every key but the digits.
    void dispatchother(int code);
    void seterror(const char* message);
    template <typename Action> void guarded(Action action);
    num::number getvalue();
    void refreshentry();
    std::string entrytext() const;
    void typedigit(char c);
    void typepoint();
    void changesign();
    void startexponent();
    void backspace();
    // The next digit starts a new entry; the entry's text stays until then.
    void endentry();
    void clearentry();
    void clearall();

    // The display (display.cpp): a result rounded for it, a value as its
    // text, the entry's text as a value.
    //
    // Shows x, of which `known` significant digits are true: a precision
    // above them shows the value rounded to them, never more.
    void showvalue(const num::number& x, int known);
    num::number parseentry(const std::string& text) const;
    std::string formatvalue(const num::number& x, int known) const;
    // ... in `radix`, with the current precision, word size and grouping.
    std::string formatvalue(const num::number& x, int known, int radix) const;
    // One attempt at a key's result: the digits to compute with, and what
    // the computation says of its value.
    struct attempt {
        int digits;
        bool exact = false;  // the value is the result itself
        // The admissible error of the value, where it is not a tenth of a
        // unit of its digits-th significant digit.
        std::optional<num::number> bound;
    };
    using computation = std::function<num::number(attempt&)>;
    // The result of `compute`, with more digits until the interval its
    // error allows rounds to a single display: what the display shows is
    // the result correctly rounded, beside a midpoint too. `exact` tells
    // whether a short candidate (the display itself, or the midpoint
    // between two) is the result exactly: 6 / 3 is 2, not 1.99...98.
    num::number rounded(const computation& compute,
                        const std::function<bool(const num::number&)>& exact = {}) const;
    // What the display shows of x: rounded to its digits in the decimal
    // radix, truncated to an integer in the others.
    num::number displayvalue(const num::number& x) const;
    // x + y exactly, but for an addend far below every digit of the other,
    // which counts only by its sign.
    num::number exactsum(const num::number& x, const num::number& y) const;

    // Expression evaluation (expression.cpp).
    static int precedence(int code);
    void pushvalue();
    void evaluatetop();
    void reduceparen();
    void binaryoperator(int code);
    void openparen();
    void closeparen();
    void equals();
    num::number operate(int code, const num::number& x, const num::number& y);
    num::number power(const num::number& x, const num::number& y, attempt& a);
    num::number root(const num::number& x, const num::number& y, int P);
    bool isroot(const num::number& c, const num::number& x, const num::number& y, int P) const;
    bool ispower(const num::number& c, const num::number& x, const num::number& y) const;

    // The text of expressions and the history (history.cpp).
    static bool isfunction(int code);
    static piece keypiece(int code, bool inv = false, bool hyp = false);
    // A number in the current radix.
    piece valuepiece(const num::number& x, int known) const;
    // The current value's keys, or the value itself.
    pieces operandpieces(const num::number& x, int known) const;
    // Records a function key applied to `before`, the keys of its operand.
    void appliedfunction(int code, pieces before, bool inv, bool hyp);
    pieces joined(const knownvalue& x, int code, const knownvalue& y) const;
    pieces parenthesized(const pieces& inner) const;
    // Numbers in the current radix, or where `typed` in the radix each was
    // typed or shown in.
    std::string render(const pieces& text, bool spoken, bool typed = false) const;
    void record(const pieces& text, bool equals);

    // Integer radices (integer.cpp).
    std::uint64_t mask(std::uint64_t u) const;
    // The entry's text as the word it types, and a value as the word's
    // digits, without grouping.
    num::number integerentry(const std::string& text) const;
    std::string integertext(const num::number& x, int radix) const;
    void setradix(int radix);
    void setwordsize(::wordsize size);
    void complement();
    void integerpart();
    // The value with bit `bit` flipped, as if its digits were typed: the
    // entry goes on from them. Ignored in the decimal radix and beyond the
    // word size.
    void togglebit(int bit);

    // Scientific keys, angle units, memory (scientific.cpp).
    void scientific(int code);
    void memorykey(int code);
    // ln, e^x, log, 10^x.
    void exponentialkey(int code, const num::number& x);
    // x^2, its root, x^3, its root, 1/x.
    void powerkey(int code, const num::number& x);
    // The true digits of a key's result: those of the value it read, and
    // of its own rounding.
    int resultknown() const;
    // Shows a key's result with them, and uses up Inv.
    void showresult(const num::number& r);
    // At P significant digits.
    num::number hyperbolic(int code, const num::number& x, int P);
    num::number trigonometric(int code, const num::number& x, attempt& a);
    // The angle in radians as quarter turns and a rest for P digits of the
    // functions; in degrees and grads reduced exactly in the unit.
    num::quarterangle quarters(const num::number& x, int P);
    num::number fromradians(const num::number& x, int P);
};
