// What the key fuzz targets share: a watchdog that cancels a slow input as
// the window's No answer would, the reading of input bytes as keys, the
// checks of the engine's state and of its display, and the oracle of one
// operation typed at two precisions.
#pragma once

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <iterator>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "calc/calculator.h"
#include "calc/keys.h"
#include "fuzzcheck.h"
#include "number/addition.h"
#include "number/conversion.h"
#include "number/exceptions.h"
#include "number/multiplication.h"
#include "number/trigonometric.h"

// The fuzz targets read the number library unqualified, as its own code does.
using namespace num;

// Cancels the running computation once an input has used its time, and
// again every few microseconds until the input ends, so that the keys after
// a cancel end as quickly. An input that was cancelled is not held to the
// oracles: its displays depend on when the cancel landed.
//
// Arming and disarming take an uncontended lock and never wake the thread,
// which looks at the deadline at least every half a millisecond: a wake-up
// for every input kept the fuzzers in the kernel.
class watchdog {
public:
    watchdog() : m_thread([this] { loop(); }) {}
    ~watchdog()
    {
        m_stop = true;
        m_thread.join();
    }
    // Starts the time of an input.
    void arm(int milliseconds)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_fired = false;
        m_deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
        m_armed.store(true, std::memory_order_release);
    }
    // Ends it; true when the input ran out of time.
    bool disarm()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_armed.store(false, std::memory_order_release);
        return m_fired;
    }
    bool fired()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_fired;
    }

private:
    void loop()
    {
        using namespace std::chrono;
        while (!m_stop) {
            microseconds pause(500);
            if (m_armed.load(std::memory_order_acquire)) {
                // The cancel and the mark of the input it ends are one step,
                // so that no cancel reaches the next input unmarked.
                std::lock_guard<std::mutex> lock(m_mutex);
                const auto now = steady_clock::now();
                const bool armed = m_armed.load(std::memory_order_relaxed);
                if (armed && now >= m_deadline) {
                    m_fired = true;
                    Calculator::cancel();
                    pause = microseconds(20);
                } else if (armed) {
                    pause = std::min(pause, duration_cast<microseconds>(m_deadline - now));
                }
            }
            std::this_thread::sleep_for(pause);
        }
    }

    std::mutex m_mutex;
    std::chrono::steady_clock::time_point m_deadline;
    std::atomic<bool> m_armed{false};
    bool m_fired = false;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

// The time an input may take before the rest of its keys are cancelled
// (twice as long for the second runs of the oracles). Longer computations
// are the subject of the cancellation tests and the soaks.
constexpr int INPUTMILLISECONDS = 1;
// The rare run that decides a rounding midpoint, at up to 6000 digits.
constexpr int DECIDERMILLISECONDS = 100;
// At most this many keys are read from an input.
constexpr std::size_t MAXKEYS = 32;

// Mostly short precisions, sometimes up to 300 digits: past the lengths
// where ln turns to Newton's steps (150 digits) and a quotient to its
// Newton form (about 200 by 200), short enough to keep thousands of inputs
// a second. The precision target reaches the longest.
constexpr int MAXFUZZPRECISION = 300;
inline int precisionfrom(std::uint8_t a, std::uint8_t b)
{
    return a < 240 ? 1 + a % 40 : 41 + (a * 256 + b) % (MAXFUZZPRECISION - 40);
}

// The key a byte stands for in the calculator's state, or 0 for none.
inline int keyfrom(std::uint8_t b, const Calculator& c)
{
    if (b >= 0xC0)  // a raw key code, taken from the keys of the window
        return keybuttons[(b - 0xC0) % keybuttoncount].code;
    if (b == 0xBF)
        return key::grouping;
    return characterkey(static_cast<char>(b), keysource::paste, c.radix());
}

// With FUZZ_TRACE set, every key pressed and the display after it, to
// stderr: what a failing input typed.
inline void trace(int code, const Calculator& c)
{
    static const bool on = std::getenv("FUZZ_TRACE") != nullptr;
    if (on)
        std::fprintf(stderr, "[%s] -> %s\n", keyname(code).c_str(), c.display().c_str());
}

// The bounds of the engine's stacks hold after every key.
inline void checkstate(const Calculator& c)
{
    FUZZ_CHECK(!c.display().empty());
    FUZZ_CHECK(c.numbercount() >= 0 && c.numbercount() <= Calculator::STACKSIZE);
    FUZZ_CHECK(c.operatorcount() >= 0 && c.operatorcount() <= Calculator::STACKSIZE);
    FUZZ_CHECK(c.parens() >= 0 && c.parens() <= c.operatorcount());
}

// Presses the key a byte stands for, if any, checks the state after it and
// keeps its display in `shown`.
inline void pressbyte(Calculator& c, std::uint8_t b, std::vector<std::string>& shown)
{
    const int code = keyfrom(b, c);
    if (code == 0)
        return;
    c.presskey(code);
    trace(code, c);
    checkstate(c);
    shown.push_back(c.display());
}

// The display without its group separators.
inline std::string ungrouped(const std::string& display, int radix)
{
    std::string t;
    for (char ch : display) {
        if (ch != (radix == 10 ? '.' : ' '))
            t += ch;
    }
    return t;
}

// A shown value is a well-formed display at the calculator's precision: in
// the decimal radix it reads back as a number whose display it is, in the
// others it is the digits of one word.
inline void checkvaluedisplay(const Calculator& c)
{
    if (c.error())
        return;
    const std::string& shown = c.display();
    const std::string plain = ungrouped(shown, c.radix());
    if (c.radix() != 10) {
        const int bits = c.radix() == 16 ? 4 : c.radix() == 8 ? 3 : 1;
        FUZZ_CHECK(!plain.empty() &&
                   plain.size() <=
                       static_cast<std::size_t>((wordbits(c.wordsize()) + bits - 1) / bits));
        for (char ch : plain) {
            const int v = ch >= 'A' ? ch - 'A' + 10 : ch - '0';
            FUZZ_CHECK(v >= 0 && v < c.radix());
        }
        return;
    }
    FUZZ_CHECK(plain.find_first_not_of("0123456789,-e+") == std::string::npos);
    const num::number value = entrytonumber(plain);
    std::string want = decimaltext(value, c.precision(), c.grouping());
    if (value.iszero() && shown.front() == '-')
        want.insert(0, "-");  // a small negative value rounded to 0 keeps its sign
    FUZZ_CHECK_EQ(shown, want);
}

// Types an input with `type` on a fresh calculator at `precision`, presses
// = and checks the shown value; where `twice`, types it again on a second
// calculator, which must show the same displays. A cancelled run ends the
// checks.
template <typename Typer>
void typeandcompare(int precision, bool twice, watchdog& dog, const Typer& type)
{
    const auto run = [&](Calculator& c, int milliseconds) {
        c.setprecision(precision);
        dog.arm(milliseconds);
        std::vector<std::string> shown = type(c);
        c.presskey(key::equals);
        checkstate(c);
        shown.push_back(c.display());
        return shown;
    };
    Calculator first;
    const std::vector<std::string> shown = run(first, INPUTMILLISECONDS);
    if (dog.disarm())
        return;
    checkvaluedisplay(first);
    if (!twice)
        return;
    // No state outside the calculator changes what it shows.
    Calculator second;
    const std::vector<std::string> again = run(second, 2 * INPUTMILLISECONDS);
    if (!dog.disarm())
        FUZZ_CHECK(again == shown);
}

// A typed decimal operand: its digits, how many of them stand before the
// comma, and the exponent typed after EE.
struct operand {
    std::string digits;
    int whole = 0;
    int exponent = 0;

    int length() const { return static_cast<int>(digits.size()); }
    int lead() const { return whole - 1 + exponent; }  // the power of ten of the first digit
    int low() const { return lead() - length() + 1; }  // ... and of the last
    // Its magnitude as an integer, when it is one below 10^4; else -1.
    int smallinteger() const
    {
        const std::size_t last = digits.find_last_not_of('0');  // the first digit is not 0
        const int zeros = length() - 1 - static_cast<int>(last);
        if (low() + zeros < 0 || lead() > 3)
            return -1;
        int n = std::stoi(digits.substr(0, last + 1));
        for (int i = 0; i < low() + zeros; ++i)
            n *= 10;
        return n;
    }
};

// Types a decimal operand from the input: up to 24 digits, a comma, and an
// exponent after EE, mostly small.
inline operand typeoperand(std::vector<int>& keys, const std::uint8_t*& p, const std::uint8_t* end)
{
    const auto next = [&]() -> std::uint32_t { return p < end ? *p++ : 0; };
    const std::uint32_t shape = next();
    const std::uint32_t length = 1 + shape % 24;
    const std::uint32_t point = next() % (length + 1);
    operand typed;
    typed.whole = static_cast<int>(point == 0 ? length : point);
    const auto digit = [&](std::uint32_t d) {
        keys.push_back(key::digits[d]);
        typed.digits += static_cast<char>('0' + d);
    };
    digit(1 + next() % 9);
    for (std::uint32_t i = 1; i < length; ++i) {
        if (i == point)
            keys.push_back(key::point);
        digit(next() % 10);
    }
    if (shape & 0x80)
        keys.push_back(key::sign);
    const std::uint32_t e = next();
    if (e < 0x60) {
        keys.push_back(key::exponent);
        // Mostly within 30 decades; every thirty-second operand up to 10^999.
        const std::uint32_t size = ((e & 0x1F) == 0 ? next() << 2 | next() % 4 : e % 31) % 1000;
        for (char d : std::to_string(size))
            keys.push_back(key::digits[d - '0']);
        typed.exponent = static_cast<int>(size);
        if (e & 0x40) {
            keys.push_back(key::sign);
            typed.exponent = -typed.exponent;
        }
    }
    return typed;
}

// The functions and operators the oracle checks, each with its keys. Not
// dms: its results are rounded to P decimal places, not to the display.
// The families up to root take two operands.
enum class family {
    sum,
    product,
    quotient,
    remainder,
    power,
    root,
    square,
    cube,
    squareroot,
    cuberoot,
    reciprocal,
    factorial,
    function
};
struct operationkeys {
    int first;
    int second;  // 0, or the key after the first (Inv, Hyp before a function)
    family kind;
};
inline constexpr operationkeys operations[] = {
    {key::add, 0, family::sum},
    {key::subtract, 0, family::sum},
    {key::multiply, 0, family::product},
    {key::divide, 0, family::quotient},
    {key::power, 0, family::power},
    {key::inv, key::power, family::root},
    {key::mod, 0, family::remainder},
    {key::ln, 0, family::function},
    {key::log, 0, family::function},
    {key::inv, key::ln, family::function},
    {key::inv, key::log, family::function},
    {key::square, 0, family::square},
    {key::cube, 0, family::cube},
    {key::inv, key::square, family::squareroot},
    {key::inv, key::cube, family::cuberoot},
    {key::reciprocal, 0, family::reciprocal},
    {key::factorial, 0, family::factorial},
    {key::sin, 0, family::function},
    {key::cos, 0, family::function},
    {key::tan, 0, family::function},
    {key::inv, key::sin, family::function},
    {key::inv, key::cos, family::function},
    {key::inv, key::tan, family::function},
    {key::hyp, key::sin, family::function},
    {key::hyp, key::cos, family::function},
    {key::hyp, key::tan, family::function},
};
inline constexpr int angles[3] = {key::degrees, key::radians, key::grads};

// One operation or function of typed operands: its keys, and the digits at
// which its value is decided beside a rounding midpoint at P, perdigit (P +
// 2) + digits. There an exact value (a sum, a product, a terminating
// quotient) has all its digits, and any other lies off the midpoint by
// more than a unit: the distance of a root or a quotient from a short
// number is bounded by the operands' digits and those of the midpoint, and
// a function of the typed operands near one departs from it at x^2.
struct operation {
    std::vector<int> keys;
    int perdigit = 0;
    int digits = Calculator::MAXPRECISION;

    int decidingprecision(int precision) const
    {
        const std::int64_t q = std::int64_t{perdigit} * (precision + 2) + digits;
        return static_cast<int>(
            std::clamp<std::int64_t>(q, precision + 60, Calculator::MAXPRECISION));
    }
};

inline operation operationfrom(const std::uint8_t* p, const std::uint8_t* end)
{
    operation op;
    const std::uint32_t which = p < end ? *p++ : 0;
    const operationkeys& o = operations[which % std::size(operations)];
    op.keys.push_back(angles[(which >> 5) % 3]);
    const operand x = typeoperand(op.keys, p, end);
    op.keys.push_back(o.first);
    if (o.second != 0)
        op.keys.push_back(o.second);
    operand y;
    const bool binary = o.kind <= family::root;
    if (binary) {
        y = typeoperand(op.keys, p, end);
        op.keys.push_back(key::equals);
    }
    const int span = binary ? std::max(x.lead(), y.lead()) - std::min(x.low(), y.low()) + 2 : 0;
    const int n = binary ? y.smallinteger() : x.smallinteger();
    const auto decide = [&](int perdigit, int digits) {
        op.perdigit = perdigit;
        op.digits = digits;
    };
    switch (o.kind) {
    case family::sum:
    case family::remainder: decide(0, span + 30); break;
    case family::product: decide(0, x.length() + y.length() + 30); break;
    case family::quotient: decide(1, 60 + 2 * (x.length() + y.length())); break;
    case family::power:
        if (n > 0)
            decide(1, 60 + 3 * x.length() * n);
        break;
    case family::root:
        if (n > 0)
            decide(n + 1, 60 + 3 * x.length());
        break;
    case family::square: decide(0, 2 * x.length() + 30); break;
    case family::cube: decide(0, 3 * x.length() + 30); break;
    case family::squareroot: decide(2, 60 + x.length()); break;
    case family::cuberoot: decide(3, 60 + x.length()); break;
    case family::reciprocal: decide(1, 60 + 3 * x.length()); break;
    case family::factorial:
        // n! of an integer has at most 4 n digits; of others, as a function.
        if (n >= 0)
            decide(0, 4 * n + 30);
        else if (x.low() < 0)
            decide(1, 60 + 3 * std::abs(x.lead()));
        break;
    case family::function: decide(1, 60 + 3 * std::abs(x.lead())); break;
    }
    return op;
}

// The display of the keys on a fresh calculator at `precision`, or empty
// when the watchdog stopped them.
inline std::string displayof(const operation& op, int precision, watchdog& dog, int milliseconds)
{
    Calculator c;
    c.setprecision(precision);
    dog.arm(milliseconds);
    for (int code : op.keys) {
        c.presskey(code);
        trace(code, c);
    }
    if (dog.disarm())
        return {};
    checkstate(c);
    checkvaluedisplay(c);
    return c.error() ? "error: " + c.display() : c.display();
}

// Whether a display at some precision lies on a boundary of the displays at
// `precision`: its value is a rounding midpoint there (its digits end in a
// 5 just past the shown ones).
inline bool midpointat(const num::number& value, int precision)
{
    if (value.iszero())
        return false;
    try {
        const num::number tiny = abs(value) * powerof10(-(precision + 45));
        return displayed(value + tiny, precision) != displayed(value - tiny, precision);
    } catch (const num::numberexception&) {
        return false;  // too close to the smallest number to tell
    }
}

// The oracle of correct rounding: the display at P is the display at P + 30
// rounded to P digits, but where that one is a rounding midpoint at P; then
// the display at the operation's deciding precision decides, and an exact
// midpoint rounds away from zero.
inline void checkrounding(const operation& op, int precision, watchdog& dog)
{
    const std::string shown = displayof(op, precision, dog, INPUTMILLISECONDS);
    if (shown.empty() || precision + 30 > Calculator::MAXPRECISION)
        return;
    std::string longer = displayof(op, precision + 30, dog, 2 * INPUTMILLISECONDS);
    if (longer.empty())
        return;
    const bool failed = longer.rfind("error: ", 0) == 0;
    FUZZ_CHECK(failed == (shown.rfind("error: ", 0) == 0));
    if (failed) {
        FUZZ_CHECK_EQ(shown, longer);
        return;
    }
    num::number reference = entrytonumber(longer);
    if (midpointat(reference, precision)) {
        const std::string decider =
            displayof(op, op.decidingprecision(precision), dog, DECIDERMILLISECONDS);
        if (decider.empty() || decider.rfind("error: ", 0) == 0)
            return;
        reference = entrytonumber(decider);
    }
    FUZZ_CHECK_EQ(shown, decimaltext(reference, precision, false));
}

// The keys that type x exactly: its digits, the comma, EE and the signs.
inline std::vector<int> keysof(const num::number& x)
{
    // Enough digits for the fixed form below 1 too; trailing zeros go.
    const auto digits = significantdigits(x) + std::max(0, -leadpos(x));
    const std::string text = decimaltext(x, static_cast<std::int32_t>(digits), false);
    std::vector<int> keys;
    bool exponent = false, negativeexponent = false;
    for (char ch : text) {
        if (ch >= '0' && ch <= '9') {
            keys.push_back(key::digits[ch - '0']);
        } else if (ch == ',') {
            keys.push_back(key::point);
        } else if (ch == 'e') {
            if (x.isnegative())
                keys.push_back(key::sign);
            keys.push_back(key::exponent);
            exponent = true;
        } else if (ch == '-' && exponent) {
            negativeexponent = true;
        }
    }
    if (exponent ? negativeexponent : x.isnegative())
        keys.push_back(key::sign);
    return keys;
}

// The oracle beside the zeros and poles of sin, cos and tan, which that of
// two precisions cannot see: a value lost in its own error is 0 at both.
// The angle is k right angles and a small offset t, typed exactly (in
// radians k pi/2 cut to n decimals, t then its distance from k pi/2); the
// function there is +-sin t, tan t or -1/tan t. With t^2 below 10^-(P + 6),
// sin t lies between t (1 - 10^-(P + 5)) and t, tan t between t and
// t (1 + 10^-(P + 5)): where both ends round to one display, it is the
// display. t itself comes from pi and exact sums, not from the functions.
inline void checknearzero(const std::uint8_t* p, const std::uint8_t* end, int precision,
                          watchdog& dog)
{
    // The oracle's own arithmetic, clear of a cancel meant for the keys before.
    num::startcompute();
    const auto next = [&]() -> std::uint32_t { return p < end ? *p++ : 0; };
    const std::uint32_t shape = next();
    const int unit = angles[shape % 3];
    const int function = (shape >> 2) % 3;  // sin, cos, tan
    // Mostly within two turns either way; every eighth angle far out.
    const std::uint32_t turns = next();
    std::int64_t k = (turns & 7) == 0 ? std::int64_t{next()} << 8 | next() : turns % 9;
    if (turns & 0x80)
        k = -k;
    const int places = 1 + static_cast<int>(next() % static_cast<std::uint32_t>(precision + 40));
    const int d = precision + 40;
    const num::number piish = pi(powerof10(-(places + d + 20)));
    num::number x, t;
    if (unit == key::radians) {
        // k pi/2 cut after `places` decimals, and the rest of pi/2's digits.
        const num::number exact = half() * piish * num::number(k);
        x = truncdigits(exact, places);
        t = x - exact;
        if (t.iszero())
            return;
    } else {
        const std::int64_t right = unit == key::degrees ? 90 : 100;
        num::number offset = num::number(std::int64_t{1 + next() % 999}) * powerof10(-places - 2);
        if (next() & 1)
            offset = negate(offset);
        x = num::number(k * right) + offset;
        t = prodprec(piish, quotprec(offset, num::number(2 * right), d), d);
    }
    if (2 * leadpos(t) >= -(precision + 6))
        return;
    // Which function vanishes, or has its pole, at k right angles.
    const bool odd = k % 2 != 0;
    const int code = function == 0 ? key::sin : function == 1 ? key::cos : key::tan;
    if ((code == key::sin && odd) || (code == key::cos && !odd))
        return;
    // The value to first order, and its sign: sin of 2j right angles + t is
    // (-1)^j sin t, cos of 2j + 1 right angles + t is (-1)^(j+1) sin t.
    const std::int64_t j = (k % 4 + 4) % 4;
    num::number first = t;
    if (code == key::tan && odd)
        first = negate(quotprec(num::number(1), t, d));
    else if (code == key::sin && j == 2)
        first = negate(t);
    else if (code == key::cos && j == 1)
        first = negate(t);
    // The value lies between first and first moved by the spread: inwards
    // for sin and -1/tan t, outwards for tan t; and t has its own slack.
    const num::number spread = abs(first) * powerof10(-(precision + 5));
    const bool inward = code != key::tan || odd;
    const num::number far = first.isnegative() == inward ? first + spread : first - spread;
    const num::number slack = abs(first) * powerof10(-(d - 2));
    const std::string low = decimaltext(std::min(first, far) - slack, precision, false);
    if (low != decimaltext(std::max(first, far) + slack, precision, false))
        return;
    operation op;
    op.keys.push_back(unit);
    const std::vector<int> typed = keysof(x);
    op.keys.insert(op.keys.end(), typed.begin(), typed.end());
    op.keys.push_back(code);
    const std::string shown = displayof(op, precision, dog, DECIDERMILLISECONDS);
    if (!shown.empty())
        FUZZ_CHECK_EQ(shown, low);
}
