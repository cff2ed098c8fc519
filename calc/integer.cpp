// The radices 16, 8 and 2: their entry and digits, word sizes, and the
// integer keys Not and Int.
#include <cstdint>

#include "calc/calculator.h"
#include "digits.h"
#include "number/addition.h"
#include "number/conversion.h"

using namespace num;

std::uint64_t Calculator::mask(std::uint64_t u) const
{
    const int bits = wordbits(m_wordsize);
    return bits == 64 ? u : u & ((std::uint64_t{1} << bits) - 1);
}

namespace {

// The entry read in radix 8 or 16, optionally signed; a leading '-' negates
// modulo 2^64, so -1 stands for all ones.
std::uint64_t readsigned(const std::string& text, int radix)
{
    std::size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+'))
        negative = text[i++] == '-';
    std::uint64_t v = 0;
    for (; i < text.size(); ++i) {
        const int d = digitvalue(static_cast<char32_t>(text[i]));
        if (d < 0 || d >= radix)
            break;
        v = v * static_cast<std::uint64_t>(radix) + static_cast<std::uint64_t>(d);
    }
    return negative ? 0 - v : v;
}

// A binary entry: every character but '1' (a sign included) is a 0 bit.
std::uint64_t readbinary(const std::string& text)
{
    std::uint64_t v = 0;
    for (char c : text)
        v = (v << 1) | (c == '1' ? 1 : 0);
    return v;
}

std::string writeunsigned(std::uint64_t u, int radix)
{
    char buf[65];
    int i = 64;
    buf[i] = '\0';
    do {
        buf[--i] = DIGITCHARACTERS[u % static_cast<std::uint64_t>(radix)];
        u /= static_cast<std::uint64_t>(radix);
    } while (u != 0);
    return std::string(buf + i);
}

}  // namespace

number Calculator::integerentry(const std::string& text) const
{
    const std::uint64_t u = m_radix == 2 ? readbinary(text) : readsigned(text, m_radix);
    return number(mask(u));
}

std::string Calculator::integertext(const number& x, int radix) const
{
    return writeunsigned(mask(getuint64(x)), radix);
}

void Calculator::setradix(int radix)
{
    if (radix == m_radix)
        return;
    std::uint64_t u = getuint64(getvalue());
    m_radix = radix;
    showvalue(number(u), KNOWALL);
}

void Calculator::setwordsize(::wordsize size)
{
    m_wordsize = size;
    std::int64_t s = getint64(getvalue());
    showvalue(number(mask(static_cast<std::uint64_t>(s))), KNOWALL);
}

void Calculator::complement()
{
    std::int64_t s = getint64(getvalue());
    if (m_radix == 10)
        showvalue(number(~s), KNOWALL);
    else  // the integer radices show the complement within the word size
        showvalue(number(mask(~static_cast<std::uint64_t>(s))), KNOWALL);
}

void Calculator::integerpart()
{
    number x = getvalue();
    showvalue(m_inv ? frac(x) : truncdigits(x, 0), m_known);
    m_inv = false;
}

std::uint64_t Calculator::word() const
{
    if (m_radix == 10)
        return 0;
    return mask(getuint64(m_dirty ? parseentry(entrytext()) : m_value));
}

void Calculator::togglebit(int bit)
{
    if (m_radix == 10 || bit >= wordbits(m_wordsize))
        return;
    const std::uint64_t u = mask(getuint64(getvalue())) ^ (std::uint64_t{1} << bit);
    // As typedigit leaves the entry after these digits: a lone 0 does not
    // start it, so the next digit replaces it.
    m_entry = writeunsigned(u, m_radix);
    m_exponent = "+0";
    m_started = u != 0;
    m_typed = true;
    m_point = false;
    m_exponentmode = false;
    m_operatorlast = false;
    refreshentry();
}
