#include "number/conversion.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>

#include "chain.h"
#include "number/addition.h"

namespace num {

namespace {

bool isdigitchar(char c) { return c >= '0' && c <= '9'; }

// The parser's private, writable copy of its input.
class ownedtext {
public:
    explicit ownedtext(const char* text) : m_length(std::strlen(text))
    {
        m_chars.reset(new (std::nothrow) char[m_length + 1]);
        if (!m_chars)
            throw parseexception("out of memory");
        std::memcpy(m_chars.get(), text, m_length + 1);
    }
    char* chars() { return m_chars.get(); }

private:
    std::size_t m_length;
    std::unique_ptr<char[]> m_chars;
};

}  // namespace

// -- text to number ----------------------------------------------------------------

number::number(const char* text)
{
    ownedtext copy(text);
    char* s = copy.chars();
    std::size_t i = 0;
    while (std::isspace(static_cast<unsigned char>(s[i])))
        ++i;
    bool negative = false;
    if (s[i] == '-') {
        negative = true;
        ++i;
    } else if (s[i] == '+') {
        ++i;
    }

    // Mantissa: digits and one point; a second point ends the text there.
    constexpr std::size_t NONE = static_cast<std::size_t>(-1);
    std::size_t first = NONE;  // first non-zero digit
    std::size_t last = NONE;   // last non-zero digit
    std::size_t point = NONE;
    for (;; ++i) {
        char c = s[i];
        if (isdigitchar(c)) {
            if (c != '0') {
                if (first == NONE)
                    first = i;
                last = i;
            }
        } else if (c == '.' && point == NONE) {
            point = i;
        } else {
            if (c == '.')
                s[i] = '\0';
            break;
        }
    }
    std::size_t end = i;
    if (point == NONE)
        point = end;
    if (first == NONE)
        return;

    number intpart;
    if (first < point) {
        // From the units digit upwards, eight digits a limb.
        std::uint32_t group = 0;
        std::uint32_t weight = 1;
        int n = 0;
        for (std::size_t j = point; j-- > first;) {
            group += static_cast<std::uint32_t>(s[j] - '0') * weight;
            weight *= 10;
            if (++n == BASE_DIGITS) {
                prepend(intpart, group);
                notenewtop(intpart);
                group = 0;
                weight = 1;
                n = 0;
            }
        }
        if (group != 0) {
            prepend(intpart, group);
            notenewtop(intpart);
        }
        normalise(intpart);
    }

    number fracpart;
    if (last != NONE && last > point) {
        setexpo(fracpart, -1);
        setlowexpo(fracpart, 0);
        std::uint32_t value = 0;
        int n = 0;
        for (std::size_t j = point + 1; isdigitchar(s[j]); ++j) {
            value = value * 10 + static_cast<std::uint32_t>(s[j] - '0');
            if (++n == BASE_DIGITS) {
                append(fracpart, value);
                setlowexpo(fracpart, fracpart.lowexpo() - 1);
                value = 0;
                n = 0;
            }
        }
        if (value != 0) {
            for (; n < BASE_DIGITS; ++n)
                value *= 10;
            append(fracpart, value);
            setlowexpo(fracpart, fracpart.lowexpo() - 1);
        }
        normalise(fracpart);
    }

    number result = intpart + fracpart;
    if (negative)
        setnegative(result, true);

    if (s[end] == 'e' || s[end] == 'E') {
        constexpr std::int64_t MAX_EXPONENT = 8LL * MAX_EXPO;  // 799999992
        std::size_t j = end + 1;
        int sign = 1;
        if (s[j] == '-') {
            sign = -1;
            ++j;
        } else if (s[j] == '+') {
            ++j;
        }
        std::int64_t e = 0;
        // Zero stays zero under any exponent: 0e99999999999 is 0.
        for (; isdigitchar(s[j]) && !result.iszero(); ++j) {
            e = 10 * e + (s[j] - '0');
            if (e > MAX_EXPONENT)
                throw numberexception("exponent too big. Max:%d", static_cast<int>(MAX_EXPONENT));
        }
        if (e != 0)
            multpow10(result, static_cast<std::int32_t>(sign * e));
    }
    swap(result);
}

// -- the output buffer ---------------------------------------------------------------

numberstream::numberstream() : m_chars(new char[1000]) {}

void numberstream::put(char c)
{
    if (m_length == m_capacity) {
        std::unique_ptr<char[]> bigger(new char[2 * static_cast<std::size_t>(m_capacity)]);
        std::memcpy(bigger.get(), m_chars.get(), static_cast<std::size_t>(m_length));
        m_chars = std::move(bigger);
        m_capacity *= 2;
    }
    m_chars[m_length++] = c;
}

void numberstream::put(const char* s)
{
    while (*s != '\0')
        put(*s++);
}

char numberstream::last() const { return m_length > 0 ? m_chars[m_length - 1] : '\0'; }

void numberstream::removelast()
{
    if (m_length > 0)
        --m_length;
}

// -- number to text ----------------------------------------------------------------

namespace {

// v as exactly `width` digits with leading zeros.
void putdigits(numberstream& out, std::uint32_t v, int width)
{
    char buf[16];
    for (int k = width - 1; k >= 0; --k) {
        buf[k] = static_cast<char>('0' + v % 10);
        v /= 10;
    }
    buf[width] = '\0';
    out.put(buf);
}

void putunsigned(numberstream& out, std::uint32_t v)
{
    putdigits(out, v, v == 0 ? 1 : digitcount(v));
}

// Removes the zeros after the point and then a bare point.
void trimfraction(numberstream& out)
{
    while (out.last() == '0')
        out.removelast();
    if (out.last() == '.')
        out.removelast();
}

// Puts limbs from p downwards, 8 digits each, until `due` digits are put or
// the chain ends; the last limb is cut to its leading digits.
void putfractionlimbs(numberstream& out, const limb* p, std::int32_t due)
{
    for (; p != nullptr && due > 0; p = p->lower) {
        if (due >= BASE_DIGITS) {
            putdigits(out, p->value, BASE_DIGITS);
            due -= BASE_DIGITS;
        } else {
            putdigits(out, p->value / pow10(BASE_DIGITS - due), due);
            due = 0;
        }
    }
}

void putexponentform(numberstream& out, const number& x, std::int32_t a)
{
    const std::int32_t P = out.precision;
    number s = rounddigits(x, P - a);
    std::uint32_t lead = head(s)->value;
    int k = digitcount(lead);
    putunsigned(out, lead / pow10(k - 1));
    if (P > 0) {
        out.put('.');
        std::uint32_t r = lead % pow10(k - 1);
        std::int32_t put;
        if (P < k - 1) {
            putdigits(out, r / pow10(k - 1 - P), P);
            put = P;
        } else {
            if (k > 1)
                putdigits(out, r, k - 1);
            put = k - 1;
        }
        putfractionlimbs(out, head(s)->lower, P - put);
        trimfraction(out);
    }
    char buf[24];
    std::snprintf(buf, sizeof buf, "%c%+d", 'e', leadpos(s));
    out.put(buf);
}

// The fixed form of a value r already rounded to P decimal places.
void putfixedrounded(numberstream& out, const number& r)
{
    const std::int32_t P = out.precision;
    if (r.iszero()) {
        out.put('0');
        return;
    }
    const limb* p = head(r);
    if (r.expo() < 0) {
        out.put('0');
    } else {
        putunsigned(out, p->value);
        std::int32_t k = r.expo() - 1;
        for (p = p->lower; p != nullptr && k >= 0; p = p->lower, --k)
            putdigits(out, p->value, BASE_DIGITS);
        // Limbs of the integer part that normalisation removed are zeros.
        for (std::int32_t z = 0; z < BASE_DIGITS * r.lowexpo(); ++z)
            out.put('0');
    }
    if (P > 0) {
        out.put('.');
        std::int32_t due = P;
        for (std::int32_t k = -1; k > r.expo() && due > 0; --k) {
            std::int32_t n = due < BASE_DIGITS ? due : BASE_DIGITS;
            for (std::int32_t z = 0; z < n; ++z)
                out.put('0');
            due -= n;
        }
        putfractionlimbs(out, p, due);
        trimfraction(out);
    }
}

}  // namespace

void putnumber(numberstream& out, const number& x)
{
    if (x.isnegative())
        out.put('-');
    std::int32_t a = leadpos(x);
    if (a < -4 || a > 14)
        putexponentform(out, x, a);
    else
        putfixedrounded(out, rounddigits(x, out.precision));
    out.put('\0');
}

namespace {

// Below 1 the display shows P decimal places, fewer digits than the P + 1
// significant ones: x itself is rounded to them, so no digit is rounded
// twice (0.01249996 at three places is 0.012, not 0.013).
bool fixedbelowone(const number& p)
{
    const std::int32_t a = leadpos(p);
    return a < 0 && a >= -4;
}

}  // namespace

number displayed(const number& x, std::int32_t precision)
{
    number p = rounddigits(x, precision - leadpos(x));
    return fixedbelowone(p) ? rounddigits(x, precision) : p;
}

std::string decimaltext(const number& x, std::int32_t precision, bool grouping)
{
    const number p = displayed(x, precision);
    numberstream out;
    out.precision = precision;
    if (fixedbelowone(rounddigits(x, precision - leadpos(x)))) {
        if (x.isnegative())
            out.put('-');
        putfixedrounded(out, p);
        out.put('\0');
    } else {
        putnumber(out, p);
    }
    std::string text(out.text());
    for (char& c : text) {
        if (c == '.')
            c = ',';
    }
    return grouping ? groupdigits(text, 10) : text;
}

std::string groupdigits(const std::string& text, int radix)
{
    char separator = radix == 10 ? '.' : ' ';
    std::size_t size = (radix == 10 || radix == 8) ? 3 : 4;
    std::size_t end = text.size();
    if (radix == 10) {
        end = text.find(',');
        if (end == std::string::npos)
            end = text.find('e');
        if (end == std::string::npos)
            end = text.size();
    }
    std::string grouped;
    grouped.reserve(text.size() + text.size() / size + 1);
    // Built backwards, then reversed.
    std::size_t count = 0;
    for (std::size_t i = end; i-- > 0;) {
        grouped.push_back(text[i]);
        if (++count == size) {
            count = 0;
            if (i > 0 && text[i - 1] != '-')
                grouped.push_back(separator);
        }
    }
    std::string result(grouped.rbegin(), grouped.rend());
    result.append(text, end, std::string::npos);
    return result;
}

number entrytonumber(const std::string& text)
{
    std::string copy(text);
    for (char& c : copy) {
        if (c == ',')
            c = '.';
    }
    return number(copy.c_str());
}

// -- machine numbers ---------------------------------------------------------------

double getdouble(const number& x)
{
    if (x.iszero())
        return 0.0;
    static const number largest(1.7976931348623157e308);
    static const number smallest(2.2250738585072014e-308);
    if (compareabs(x, largest) > 0)
        throw numberexception("getdouble:double overflow");
    if (compareabs(x, smallest) < 0)
        throw numberexception("getdouble:double underflow");
    double w = std::pow(100000000.0, x.expo());
    const double t = w * std::ldexp(1.0, -52);
    double total = 0.0;
    for (const limb* p = head(x); p != nullptr && w > t; p = p->lower) {
        total += p->value * w;
        w /= 100000000.0;
    }
    return signum(x) * total;
}

namespace {

// The integer part of |x| as an unsigned 64-bit value; the caller has
// checked that it fits.
std::uint64_t integermagnitude(const number& x)
{
    std::uint64_t v = 0;
    for (std::int32_t k = x.expo(); k >= 0; --k) {
        const limb* p = k <= x.expo() && k >= x.lowexpo() ? nodeat(x, k) : nullptr;
        v = v * BASE + (p != nullptr ? p->value : 0);
    }
    return v;
}

}  // namespace

std::int64_t getint64(const number& x)
{
    if (x.iszero())
        return 0;
    static const number largest(INT64_MAX);
    static const number smallest(INT64_MIN);
    if (x > largest || x < smallest)
        throw numberexception("getint64:__int64 overflow");
    std::uint64_t v = integermagnitude(x);
    return x.isnegative() ? static_cast<std::int64_t>(0u - v) : static_cast<std::int64_t>(v);
}

std::uint64_t getuint64(const number& x)
{
    if (x.iszero())
        return 0;
    if (x.isnegative())
        throw numberexception("getuint64:number is negativ");
    static const number largest(UINT64_MAX);
    if (x > largest)
        throw numberexception("getuint64:__uint64 overflow");
    return integermagnitude(x);
}

}  // namespace num
