// What the key fuzz targets share: a watchdog that cancels a slow input as
// the window's No answer would, the reading of input bytes as keys, the
// checks of the engine's state and of its display, and the oracle of one
// operation typed at two precisions.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
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

// Cancels the running computation once an input has used its time. An
// input that was cancelled is not held to the oracles: its displays depend
// on when the cancel landed.
class watchdog {
public:
    watchdog() : m_thread([this] { loop(); }) {}
    ~watchdog()
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_stop = true;
        }
        m_wake.notify_all();
        m_thread.join();
    }
    // Starts the time of an input.
    void arm(int milliseconds)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
        m_armed = true;
        m_fired = false;
        m_wake.notify_all();
    }
    // Ends it; true when the input ran out of time.
    bool disarm()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_armed = false;
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
        std::unique_lock<std::mutex> lock(m_mutex);
        while (!m_stop) {
            if (!m_armed) {
                m_wake.wait(lock);
                continue;
            }
            if (m_wake.wait_until(lock, m_deadline) == std::cv_status::timeout && m_armed) {
                m_fired = true;
                Calculator::cancel();
            }
        }
    }

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::chrono::steady_clock::time_point m_deadline;
    bool m_armed = false;
    bool m_fired = false;
    bool m_stop = false;
    std::thread m_thread;
};

// The time an input may take before the rest of its keys are cancelled.
constexpr int INPUTMILLISECONDS = 5;
// At most this many keys are read from an input.
constexpr std::size_t MAXKEYS = 32;

// Mostly short precisions, sometimes up to 1000 digits: long enough for
// every algorithm's long form, short enough to keep thousands of inputs a
// second. The precision target reaches the longest.
constexpr int MAXFUZZPRECISION = 1000;
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
    const number value = entrytonumber(plain);
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

// One operation or function of typed operands: its key sequence, without
// the precision.
using operation = std::vector<int>;

// Types a decimal operand from the input: up to 24 digits, a comma, and an
// exponent after EE, mostly small.
inline void typeoperand(std::vector<int>& keys, const std::uint8_t*& p, const std::uint8_t* end)
{
    const auto next = [&]() -> std::uint32_t { return p < end ? *p++ : 0; };
    const std::uint32_t shape = next();
    const std::uint32_t length = 1 + shape % 24;
    const std::uint32_t point = next() % (length + 1);
    keys.push_back(key::digits[1 + next() % 9]);
    for (std::uint32_t i = 1; i < length; ++i) {
        if (i == point)
            keys.push_back(key::point);
        keys.push_back(key::digits[next() % 10]);
    }
    if (shape & 0x80)
        keys.push_back(key::sign);
    const std::uint32_t e = next();
    if (e < 0x60) {
        keys.push_back(key::exponent);
        // Mostly within 30 decades; every thirty-second operand up to 10^999.
        const std::uint32_t size = (e & 0x1F) == 0 ? next() << 2 | next() % 4 : e % 31;
        for (char digit : std::to_string(size % 1000))
            keys.push_back(key::digits[digit - '0']);
        if (e & 0x40)
            keys.push_back(key::sign);
    }
}

// The functions and operators the oracle checks, each with its keys. Not
// dms: its results are rounded to P decimal places, not to the display.
struct operationkeys {
    int first;
    int second;  // 0, or the key after the first (Inv, Hyp before a function)
    bool binary;
};
inline constexpr operationkeys operations[] = {
    {key::add, 0, true},          {key::subtract, 0, true},
    {key::multiply, 0, true},     {key::divide, 0, true},
    {key::power, 0, true},        {key::inv, key::power, true},
    {key::mod, 0, true},          {key::ln, 0, false},
    {key::log, 0, false},         {key::inv, key::ln, false},
    {key::inv, key::log, false},  {key::square, 0, false},
    {key::cube, 0, false},        {key::inv, key::square, false},
    {key::inv, key::cube, false}, {key::reciprocal, 0, false},
    {key::factorial, 0, false},   {key::sin, 0, false},
    {key::cos, 0, false},         {key::tan, 0, false},
    {key::inv, key::sin, false},  {key::inv, key::cos, false},
    {key::inv, key::tan, false},  {key::hyp, key::sin, false},
    {key::hyp, key::cos, false},  {key::hyp, key::tan, false},
};
inline constexpr int angles[3] = {key::degrees, key::radians, key::grads};

inline operation operationfrom(const std::uint8_t* p, const std::uint8_t* end)
{
    operation keys;
    const std::uint32_t which = p < end ? *p++ : 0;
    const operationkeys& o = operations[which % std::size(operations)];
    keys.push_back(angles[(which >> 5) % 3]);
    typeoperand(keys, p, end);
    keys.push_back(o.first);
    if (o.second != 0)
        keys.push_back(o.second);
    if (o.binary) {
        typeoperand(keys, p, end);
        keys.push_back(key::equals);
    }
    return keys;
}

// The display of the keys on a fresh calculator at `precision`, or empty
// when the watchdog stopped them.
inline std::string displayof(const operation& op, int precision, watchdog& dog, int milliseconds)
{
    Calculator c;
    c.setprecision(precision);
    dog.arm(milliseconds);
    for (int code : op) {
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
inline bool midpointat(const number& value, int precision)
{
    if (value.iszero())
        return false;
    try {
        const number tiny = abs(value) * powerof10(-(precision + 45));
        return displayed(value + tiny, precision) != displayed(value - tiny, precision);
    } catch (const numberexception&) {
        return false;  // too close to the smallest number to tell
    }
}

// The oracle of correct rounding: the display at P is the display at P + 30
// rounded to P digits, but where that one is a rounding midpoint at P; then
// the display at 6000 digits decides, and an exact midpoint rounds away
// from zero.
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
    number reference = entrytonumber(longer);
    if (midpointat(reference, precision)) {
        // At the longest precision a sum of typed operands is exact: a
        // value just beside the midpoint shows as such, and one that is
        // still a midpoint there is one.
        const std::string decider =
            displayof(op, Calculator::MAXPRECISION, dog, 50 * INPUTMILLISECONDS);
        if (decider.empty() || decider.rfind("error: ", 0) == 0)
            return;
        reference = entrytonumber(decider);
    }
    FUZZ_CHECK_EQ(shown, decimaltext(reference, precision, false));
}
