// The keys behind the values: the text of the pending expression, and the
// history of the calculations finished in this session, with their values
// for recall.
#include <algorithm>
#include <cctype>
#include <string_view>

#include "calc/calculator.h"
#include "calc/keyhelp.h"
#include "calc/keys.h"
#include "calc/paste.h"
#include "number/conversion.h"

using namespace num;

namespace {

// Keys an operand's text keeps; a longer chain shows its value instead, so
// that the stacks' texts stay bounded however long the typing goes on
// (STACKSIZE operands of MAXPIECES keys).
constexpr std::size_t MAXPIECES = 64;
// Characters of an expression's text: two numbers of the most digits with
// their separators fit. A longer text keeps its start and its end around
// an ellipsis, so that a history entry holds at most EXPRESSIONCHARS + 5.
constexpr std::size_t EXPRESSIONCHARS = 16000;

const char* operatorsymbol(int code)
{
    switch (code) {
    case key::add: return "+";
    case key::subtract: return "\u2212";
    case key::multiply: return "\u00d7";
    case key::divide: return "\u00f7";
    case key::mod: return "Mod";
    case key::bitor_: return "Or";
    case key::bitand_: return "And";
    case key::bitxor: return "Xor";
    case key::lsh: return "Lsh";
    case key::power: return "^";
    default: return nullptr;
    }
}

const char* operatorword(int code)
{
    switch (code) {
    case key::add: return "plus";
    case key::subtract: return "minus";
    case key::multiply: return "times";
    case key::divide: return "divided by";
    case key::mod: return "modulo";
    case key::bitor_: return "or";
    case key::bitand_: return "and";
    case key::bitxor: return "xor";
    case key::lsh: return "shifted left by";
    case key::power: return "to the power of";
    default: return nullptr;
    }
}

std::string lowercase(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

// Tokens joined by spaces, but for none inside a parenthesis.
class textbuilder {
public:
    void add(std::string_view token)
    {
        if (!m_text.empty() && !m_opened && token != ")")
            m_text += ' ';
        m_text += token;
        m_opened = token == "(";
    }
    std::string take()
    {
        if (m_text.size() > EXPRESSIONCHARS) {
            const std::size_t half = EXPRESSIONCHARS / 2;
            // Cut between characters, never inside one of UTF-8.
            std::size_t head = half;
            while (head > 0 && (static_cast<unsigned char>(m_text[head]) & 0xC0) == 0x80)
                --head;
            std::size_t tail = m_text.size() - half;
            while (tail < m_text.size() &&
                   (static_cast<unsigned char>(m_text[tail]) & 0xC0) == 0x80)
                ++tail;
            m_text = m_text.substr(0, head) + " \u2026 " + m_text.substr(tail);
        }
        return std::move(m_text);
    }

private:
    std::string m_text;
    bool m_opened = false;
};

}  // namespace

Calculator::piece Calculator::keypiece(int code, bool inv, bool hyp)
{
    piece p;
    p.code = code;
    p.inv = inv;
    p.hyp = hyp;
    return p;
}

Calculator::piece Calculator::valuepiece(const number& x, int known) const
{
    piece p;
    p.value = x;
    p.known = known;
    p.radix = m_radix;
    return p;
}

bool Calculator::isfunction(int code)
{
    switch (code) {
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
    case key::pi:
    case key::bitnot:
    case key::integer: return true;
    default: return false;
    }
}

Calculator::pieces Calculator::operandpieces(const number& x, int known) const
{
    if (!m_operand.empty())
        return m_operand;
    return {valuepiece(x, known)};
}

void Calculator::appliedfunction(int code, pieces before, bool inv, bool hyp)
{
    pieces text = code == key::pi ? pieces{} : std::move(before);
    if (text.size() < MAXPIECES)
        text.push_back(keypiece(code, inv, hyp));
    else
        text = {valuepiece(m_value, m_known)};
    m_operand = std::move(text);
    if (m_operators.empty())
        record(m_operand, false);
}

Calculator::pieces Calculator::joined(const knownvalue& x, int code, const knownvalue& y) const
{
    if (x.text.size() + y.text.size() + 1 > MAXPIECES)
        return {};
    pieces text = x.text;
    text.push_back(keypiece(code));
    text.insert(text.end(), y.text.begin(), y.text.end());
    return text;
}

Calculator::pieces Calculator::parenthesized(const pieces& inner) const
{
    if (inner.size() + 2 > MAXPIECES)
        return {};
    pieces text{keypiece(key::openparen)};
    text.insert(text.end(), inner.begin(), inner.end());
    text.push_back(keypiece(key::closeparen));
    return text;
}

std::string Calculator::render(const pieces& text, bool spoken, bool typed) const
{
    textbuilder out;
    for (const piece& p : text) {
        if (p.code == 0) {
            std::string shown = formatvalue(p.value, p.known, typed ? p.radix : m_radix);
            if (spoken && !shown.empty() && shown[0] == '-')
                shown.replace(0, 1, "minus ");
            out.add(shown);
        } else if (p.code == key::openparen) {
            out.add(spoken ? "open parenthesis" : "(");
        } else if (p.code == key::closeparen) {
            out.add(spoken ? "close parenthesis" : ")");
        } else if (const char* symbol = operatorsymbol(p.code)) {
            out.add(spoken ? operatorword(p.code) : symbol);
        } else if (spoken) {
            const keyhelp* help = helpof(p.code);
            std::string name = help != nullptr ? lowercase(help->name) : keyname(p.code);
            out.add(std::string(p.inv ? "inverse " : "") + (p.hyp ? "hyperbolic " : "") + name);
        } else {
            out.add(std::string(p.inv ? "Inv " : "") + (p.hyp ? "Hyp " : "") + keyname(p.code));
        }
    }
    return out.take();
}

std::string Calculator::pendingexpression() const
{
    // Each binary operator on the stack follows the operand before it; an
    // open parenthesis follows none.
    pieces text;
    int operand = 0;
    for (int i = 0; i < m_operators.count(); ++i) {
        const int code = m_operators.at(i);
        if (code != key::openparen && operand < m_numbers.count()) {
            const pieces& x = m_numbers.at(operand++).text;
            text.insert(text.end(), x.begin(), x.end());
        }
        text.push_back(keypiece(code));
    }
    for (; operand < m_numbers.count(); ++operand) {
        const pieces& x = m_numbers.at(operand).text;
        text.insert(text.end(), x.begin(), x.end());
    }
    return render(text, false);
}

// The entry shows the current display; its value is kept with at most
// MAXPRECISION significant digits, the most any display shows, so that
// HISTORYSIZE entries hold at most HISTORYSIZE * MAXPRECISION digits.
void Calculator::record(const pieces& text, bool equals)
{
    if (!m_keephistory)
        return;
    auto entry = std::make_shared<historyentry>();
    entry->serial = ++m_historyserial;
    entry->expression = render(text, false, true);
    entry->spoken = render(text, true, true);
    if (equals)
        entry->expression += " =";
    entry->result = m_display;
    entry->copy = ungroupeddisplay(m_display, m_radix);
    std::string said = m_display;
    if (!said.empty() && said[0] == '-')
        said.replace(0, 1, "minus ");
    entry->spoken += " equals " + said;

    historyvalue value{entry->serial, m_value, m_known};
    if (significantdigits(value.value) > MAXPRECISION) {
        value.value = displayed(value.value, MAXPRECISION);
        value.known = std::min(value.known, MAXPRECISION);
    }

    auto list = std::make_shared<historylist>();
    const historylist& old = *m_history;
    // A function key that extends the chain of the last entry replaces it.
    const std::size_t keep = old.size() - (m_historyopen && !old.empty() ? 1 : 0);
    if (keep < old.size())
        m_historyvalues.pop_back();
    const std::size_t first = keep >= HISTORYSIZE ? keep - HISTORYSIZE + 1 : 0;
    list->reserve(keep - first + 1);
    list->insert(list->end(), old.begin() + static_cast<std::ptrdiff_t>(first),
                 old.begin() + static_cast<std::ptrdiff_t>(keep));
    list->push_back(std::move(entry));
    for (std::size_t i = 0; i < first; ++i)
        m_historyvalues.pop_front();
    m_historyvalues.push_back(std::move(value));
    m_history = std::move(list);
    m_historyopen = !equals;
}

void Calculator::keephistory(bool on)
{
    m_keephistory = on;
    if (!on)
        clearhistory();
}

void Calculator::clearhistory()
{
    m_history = std::make_shared<const historylist>();
    m_historyvalues.clear();
    m_historyopen = false;
}
