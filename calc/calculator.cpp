// State, dispatch and number entry.
#include "calc/calculator.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <new>

#include "calc/keys.h"
#include "calc/paste.h"
#include "digits.h"
#include "number/addition.h"
#include "number/conversion.h"

using namespace num;

Calculator::Calculator() : m_history(std::make_shared<const historylist>()) { clearall(); }

void Calculator::seterror(const char* message)
{
    m_display = message;
    m_error = true;
}

// Runs an action; any error it raises becomes the display and the error
// state. The one place where the engine catches errors.
template <typename Action> void Calculator::guarded(Action action)
{
    try {
        action();
    } catch (const calculatorexception& e) {
        seterror(e.message());
    } catch (const numberexception& e) {
        seterror(e.message());
    } catch (const parseexception& e) {
        seterror(e.message());
    } catch (const std::bad_alloc&) {
        seterror("out of memory");
    }
    releaseidlememory();
}

void Calculator::presskey(int code)
{
    guarded([&] { dispatchkey(code); });
}

void Calculator::paste(std::string_view text, bool signfirst, const std::function<bool()>& proceed)
{
    const pastekeys read = readpasted(text, signfirst);
    if (read.refusal != nullptr) {
        refusepaste(read.refusal);
        return;
    }
    for (int code : read.keys) {
        if (proceed && !proceed())
            return;
        presskey(code);
    }
}

pastekeys Calculator::readpasted(std::string_view text, bool signfirst) const
{
    pastetarget target;
    target.radix = m_radix;
    target.size = m_wordsize;
    if (m_started)
        target.entry = m_entry;
    target.exponent = m_exponentmode;
    target.exponentdigits = m_exponent[1] == '0' ? 0 : m_exponent.size() - 1;
    target.signfirst = signfirst;
    try {
        return readpaste(text, target);
    } catch (const std::bad_alloc&) {
        return {{}, "out of memory"};
    }
}

void Calculator::refusepaste(const char* why)
{
    if (!m_error)
        m_display = why;
}

void Calculator::setprecision(int digits)
{
    guarded([&] {
        if (m_error)
            clearall();
        m_precision = std::clamp(digits, MINPRECISION, MAXPRECISION);
        // The value stays what its keys made it.
        pieces text = std::move(m_operand);
        const bool open = m_historyopen;
        showvalue(getvalue(), m_known);
        m_operand = std::move(text);
        m_historyopen = open;
    });
}

void Calculator::recall(std::uint64_t serial)
{
    guarded([&] {
        startcompute();
        if (m_error)
            return;
        const auto found = std::find_if(m_historyvalues.begin(), m_historyvalues.end(),
                                        [&](const historyvalue& v) { return v.serial == serial; });
        if (found != m_historyvalues.end())
            showvalue(found->value, found->known);
    });
}

void Calculator::cancel() { cancelcompute(); }

void Calculator::showcanceled()
{
    if (!m_error)
        seterror("Operation was canceled");
}

void Calculator::dispatchkey(int code)
{
    startcompute();
    if (m_error && code != key::clearall && code != key::clearentry)
        return;
    if (keydigit(code) != 0) {
        typedigit(keydigit(code));
        return;
    }
    // A one-operand key adds its name to the keys of its operand.
    const bool function = isfunction(code) || (code == key::sign && !m_started);
    pieces before;
    if (function) {
        const number x = getvalue();
        before = operandpieces(x, m_known);
    }
    const bool inv = m_inv;
    const bool hyp = m_hyp;
    const bool open = m_historyopen;
    const std::uint64_t shown = m_shown;
    dispatchother(code);
    if (function && m_shown != shown) {
        m_historyopen = open;
        appliedfunction(code, std::move(before), inv, hyp);
    }
}

void Calculator::dispatchother(int code)
{
    if (keybit(code) >= 0) {
        togglebit(keybit(code));
        return;
    }
    switch (code) {
    case key::clearall: clearall(); break;
    case key::clearentry: clearentry(); break;
    case key::backspace: backspace(); break;
    case key::sign: changesign(); break;
    case key::point: typepoint(); break;
    case key::exponent: startexponent(); break;
    case key::inv: m_inv = !m_inv; break;
    case key::hyp: m_hyp = !m_hyp; break;
    case key::grouping: {
        // The value stays what its keys made it.
        pieces text = std::move(m_operand);
        const bool open = m_historyopen;
        m_grouping = !m_grouping;
        showvalue(getvalue(), m_known);
        m_operand = std::move(text);
        m_historyopen = open;
        break;
    }

    case key::add:
    case key::subtract:
    case key::multiply:
    case key::divide:
    case key::mod:
    case key::bitor_:
    case key::bitand_:
    case key::bitxor:
    case key::lsh:
    case key::power: binaryoperator(code); break;
    case key::openparen: openparen(); break;
    case key::closeparen: closeparen(); break;
    case key::equals: equals(); break;

    case key::hex: setradix(16); break;
    case key::dec: setradix(10); break;
    case key::oct: setradix(8); break;
    case key::bin: setradix(2); break;
    case key::qword: setwordsize(::wordsize::qword); break;
    case key::dword: setwordsize(::wordsize::dword); break;
    case key::word: setwordsize(::wordsize::word); break;
    case key::byte: setwordsize(::wordsize::byte); break;
    case key::bitnot: complement(); break;
    case key::integer: integerpart(); break;

    case key::memoryclear:
    case key::memoryrecall:
    case key::memorystore:
    case key::memoryadd:
    case key::pi:
    case key::ln:
    case key::log:
    case key::factorial:
    case key::cube:
    case key::reciprocal:
    case key::square:
    case key::sin:
    case key::cos:
    case key::tan:
    case key::dms:
    case key::degrees:
    case key::radians:
    case key::grads: scientific(code); break;

    default: {
        char text[32];
        std::snprintf(text, sizeof text, "Invalid key:%d", code);
        m_display = text;
        break;
    }
    }
}

// -- entry -------------------------------------------------------------------------

namespace {

// Longest entry, sign and comma included: MAXENTRY decimal characters, or
// the digits of the word size in the integer radices.
std::size_t entrylimit(int radix, wordsize size, char first)
{
    const std::size_t bits = wordbits(size);
    switch (radix) {
    case 16: return bits / 4;
    case 2: return bits;
    case 8:
        // The leading octal digit holds the bits left over from threes.
        switch (size) {
        case wordsize::byte: return first <= '3' ? 3 : 2;
        case wordsize::word: return first == '1' ? 6 : 5;
        case wordsize::dword: return first <= '3' ? 11 : 10;
        case wordsize::qword: return first == '1' ? 22 : 21;
        }
        break;
    default: break;
    }
    return MAXENTRY;
}

}  // namespace

void Calculator::typedigit(char c)
{
    const int v = digitvalue(static_cast<char32_t>(c));
    if (v >= m_radix)
        return;
    m_typed = true;
    if (!m_started) {
        m_entry.assign(1, c);
        m_started = v != 0;
    } else if (!m_exponentmode) {
        if (m_entry.size() < entrylimit(m_radix, m_wordsize, m_entry[0]))
            m_entry += c;
    } else if (m_exponent[1] == '0') {
        m_exponent[1] = c;
    } else if (m_exponent.size() < 1 + MAXEXPONENT) {
        m_exponent += c;  // a digit beyond the 28th is ignored
    }
    m_operatorlast = false;
    refreshentry();
}

void Calculator::typepoint()
{
    if (m_point || m_exponentmode || m_radix != 10)
        return;
    if (!m_started)
        m_entry = "0,";
    else if (m_entry.size() < MAXENTRY)
        m_entry += ',';
    else
        return;
    m_point = true;
    m_started = true;
    m_typed = true;
    m_operatorlast = false;
    refreshentry();
}

void Calculator::changesign()
{
    if (m_started) {
        if (m_exponentmode) {
            m_exponent[0] = m_exponent[0] == '-' ? '+' : '-';
        } else if (m_entry[0] == '-') {
            m_entry.erase(0, 1);
        } else if (m_entry[0] == '+') {
            m_entry[0] = '-';
        } else {
            m_entry.insert(0, 1, '-');
        }
        refreshentry();
    } else {
        showvalue(negate(getvalue()), m_known);
    }
    m_operatorlast = false;
}

void Calculator::startexponent()
{
    if (m_exponentmode || m_radix != 10)
        return;
    // With nothing typed since a result, an operator, C or CE the mantissa
    // is 1, so EE 6 stands for 10^6; a typed 0 stays the mantissa.
    if (!m_started && !m_typed) {
        m_entry = "1";
        m_point = false;
    }
    m_exponent = "+0";
    m_started = true;
    m_exponentmode = true;
    m_operatorlast = false;
    refreshentry();
}

void Calculator::backspace()
{
    if (!m_started)
        return;
    if (m_exponentmode) {
        if (m_exponent.size() != 2) {
            m_exponent.pop_back();
        } else if (m_exponent[1] == '0') {
            m_exponentmode = false;
            if (m_entry == "0")
                m_started = false;
        } else {
            m_exponent[1] = '0';
        }
    } else {
        if (m_entry.size() == 1 || (m_entry.size() == 2 && m_entry[0] == '-'))
            m_entry = "0";
        else
            m_entry.pop_back();
        if (m_entry == "0")
            m_started = false;
    }
    m_point = m_entry.find(',') != std::string::npos;
    m_operatorlast = false;
    refreshentry();
}

void Calculator::endentry()
{
    m_started = false;
    m_typed = false;
    m_point = false;
    m_exponentmode = false;
}

void Calculator::clearentry()
{
    endentry();
    m_operatorlast = false;
    m_error = false;
    m_entry = "0";
    m_exponent = "+0";
    refreshentry();
}

void Calculator::clearall()
{
    clearentry();
    m_numbers.clear();
    m_operators.clear();
    m_inv = false;
    m_hyp = false;
    m_operatorlast = false;
    m_parens = 0;
}

std::string Calculator::entrytext() const
{
    return m_exponentmode ? m_entry + "e" + m_exponent : m_entry;
}

void Calculator::refreshentry()
{
    std::string t = m_grouping ? groupdigits(m_entry, m_radix) : m_entry;
    m_display = m_exponentmode ? t + "e" + m_exponent : t;
    m_dirty = true;
    m_operand.clear();
    m_historyopen = false;
}

number Calculator::getvalue()
{
    if (m_dirty) {
        m_value = parseentry(entrytext());
        m_known = KNOWALL;
        m_dirty = false;
    }
    return m_value;
}
