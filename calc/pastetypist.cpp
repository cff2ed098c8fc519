#include "pastetypist.h"

#include <algorithm>
#include <limits>

#include "calc/keys.h"
#include "digits.h"

pastetypist::pastetypist(const pastetarget& target) : m_radix(target.radix), m_size(target.size)
{
    if (target.exponent) {
        m_mode = entrymode::exponent;
        m_exponentdigits = target.exponentdigits;
    } else if (!target.entry.empty()) {
        m_mode = entrymode::mantissa;
        m_length = target.entry.size();
        m_comma = target.entry.find(',') != std::string::npos;
        m_digits = target.entry;
        std::erase(m_digits, '-');
    }
}

bool pastetypist::type(const pastetoken& token)
{
    if (token.code == 0)
        return typenumber(token.number);
    typekey(token.code);
    return true;
}

bool pastetypist::refuse(const char* why)
{
    m_refusal = why;
    return false;
}

void pastetypist::pressdigits(std::string_view digits)
{
    for (char d : digits)
        press(key::digits[digitvalue(static_cast<char32_t>(d))]);
}

// A key that is not part of a number: where it leaves the entry.
void pastetypist::typekey(int code)
{
    press(code);
    if (keydigit(code) != 0)
        return;  // a digit of no number: not one of the radix, ignored
    switch (code) {
    case key::inv:
    case key::hyp: break;
    case key::exponent:
        if (decimal() && m_mode != entrymode::exponent) {
            m_mode = entrymode::exponent;
            m_exponentdigits = 0;
        }
        break;
    case key::point:
        if (!decimal() || m_mode == entrymode::exponent || m_comma)
            break;
        m_length = m_mode == entrymode::none ? 2 : m_length + 1;
        m_mode = entrymode::mantissa;
        m_comma = true;
        break;
    default:
        m_mode = entrymode::none;
        m_length = 0;
        m_comma = false;
        m_digits.clear();
        break;
    }
}

bool pastetypist::typenumber(const numbertext& n)
{
    switch (m_mode) {
    case entrymode::exponent: return extendexponent(n);
    case entrymode::mantissa: return extendmantissa(n);
    case entrymode::none: break;
    }
    return decimal() ? typedecimal(n) : typeinteger(n);
}

// A number as written: its digits, the comma, its sign, its exponent;
// `length` is what the mantissa then holds.
void pastetypist::presswritten(std::string_view whole, const numbertext& n,
                               const std::string& exponent, std::size_t length)
{
    pressdigits(whole);
    if (n.point)
        press(key::point);
    pressdigits(n.fraction);
    if (n.negative)
        press(key::sign);
    m_length = length;
    m_comma = m_comma || n.point;
    if (n.exponent)
        typeexponent(n.exponentnegative, exponent);
}

void pastetypist::typeexponent(bool negative, const std::string& digits)
{
    press(key::exponent);
    pressdigits(digits);
    if (negative && !digits.empty())
        press(key::sign);
    m_mode = entrymode::exponent;
    m_exponentdigits = digits.size();
}

bool pastetypist::fitsentry(std::size_t length, std::string_view exponent)
{
    return length <= MAXENTRY && exponent.size() <= MAXEXPONENT;
}

// A number that starts an entry in the decimal radix: typed as written where
// the entry holds it, else rounded to fit.
bool pastetypist::typedecimal(const numbertext& n)
{
    const std::string whole =
        withoutleadingzeros(n.prefixed ? todecimal(n.whole, n.base) : n.whole);
    m_mode = entrymode::mantissa;
    m_comma = false;
    if (whole.empty() && n.fraction.find_first_not_of('0') == std::string::npos) {
        typezero(n);
        return true;
    }
    const std::string exponent = withoutleadingzeros(n.exponentdigits);
    const std::size_t length = (n.negative ? 1 : 0) + std::max<std::size_t>(1, whole.size()) +
                               (n.point ? 1 + n.fraction.size() : 0);
    if (fitsentry(length, exponent))
        presswritten(whole, n, exponent, length);
    else
        roundtofit(whole, n, exponent);
    return true;
}

// Zero, whatever its sign and exponent: its fraction's zeros as written
// where the entry holds them.
void pastetypist::typezero(const numbertext& n)
{
    press(key::digit0);
    m_length = 1;
    if (n.point && 1 + 1 + n.fraction.size() <= MAXENTRY) {
        press(key::point);
        pressdigits(n.fraction);
        m_length = 2 + n.fraction.size();
        m_comma = true;
    }
}

// A non-zero decimal number too long for the entry: its leading digits
// rounded half away from zero to what the entry holds, with the exponent
// that keeps its magnitude.
void pastetypist::roundtofit(const std::string& whole, const numbertext& n,
                             const std::string& exponent)
{
    const std::size_t sign = n.negative ? 1 : 0;
    // d[0],d[1]d[2]... times 10^e.
    const std::string all = whole + n.fraction;
    const std::size_t zeros = all.find_first_not_of('0');
    std::string d = all.substr(zeros);
    d.erase(d.find_last_not_of('0') + 1);
    // Far beyond the engine's range of exponents, which then reports it.
    constexpr std::int64_t FAREXPONENT = 1000000000000000000;
    std::int64_t e = FAREXPONENT;
    if (exponent.size() < 19)
        e = exponent.empty() ? 0 : std::stoll(exponent);
    if (n.exponentnegative)
        e = -e;
    const auto shift =
        static_cast<std::int64_t>(whole.size()) - static_cast<std::int64_t>(zeros) - 1;
    e = std::clamp(e + shift, -FAREXPONENT, FAREXPONENT);

    const std::size_t capacity = MAXENTRY - 1 - sign;
    if (d.size() > capacity) {
        const bool up = d[capacity] >= '5';
        d.resize(capacity);
        // Rounding up never makes a 4 followed by nines into a 5 followed by
        // zeros: the engine's rounding of the entry to the shown digits
        // would take that 5 for a midpoint that the pasted number lies
        // below, and round the wrong way. The digits are then kept as
        // pasted, cut at the capacity.
        std::size_t k = capacity;
        while (k > 0 && d[k - 1] == '9')
            --k;
        if (up && (k == 0 || d[k - 1] != '4')) {
            std::fill(d.begin() + static_cast<std::ptrdiff_t>(k), d.end(), '0');
            if (k == 0) {
                d = "1";
                ++e;
            } else {
                ++d[k - 1];
            }
        }
        d.erase(d.find_last_not_of('0') + 1);
    }
    press(key::digits[d[0] - '0']);
    m_length = 1 + sign;
    if (d.size() > 1) {
        press(key::point);
        pressdigits(std::string_view(d).substr(1));
        m_length += d.size();
        m_comma = true;
    }
    if (n.negative)
        press(key::sign);
    if (e != 0)
        typeexponent(e < 0, std::to_string(e < 0 ? -e : e));
}

// The largest value of the word size.
std::uint64_t pastetypist::wordmax() const
{
    const int bits = wordbits(m_size);
    return bits == 64 ? std::numeric_limits<std::uint64_t>::max() : (std::uint64_t{1} << bits) - 1;
}

bool pastetypist::fitsword(std::string_view digits, int base) const
{
    std::uint64_t value = 0;
    return tovalue(digits, base, value) && value <= wordmax();
}

// A number that starts an entry in an integer radix: its digits in the
// radix, refused whole where it does not fit the word size.
bool pastetypist::typeinteger(const numbertext& n)
{
    std::uint64_t value = 0;
    if (!tovalue(n.whole, n.base, value) || value > wordmax())
        return refuse(PASTETOOBIG);
    std::string digits;
    const auto radix = static_cast<std::uint64_t>(m_radix);
    for (std::uint64_t v = value; v != 0; v /= radix)
        digits.insert(digits.begin(), DIGITCHARACTERS[v % radix]);
    if (digits.empty()) {
        press(key::digit0);
    } else {
        pressdigits(digits);
        if (n.negative)
            press(key::sign);
    }
    m_mode = entrymode::mantissa;
    m_length = digits.size();
    m_digits = digits;
    return true;
}

// A number right after the digits of an entry extends it, as its keys
// would; only where the whole still fits.
bool pastetypist::extendmantissa(const numbertext& n)
{
    if (n.prefixed)
        return refuse(PASTEUNREADABLE);
    if (!decimal()) {
        if (!fitsword(m_digits + n.whole, m_radix))
            return refuse(PASTETOOBIG);
        pressdigits(n.whole);
        m_digits += n.whole;
        m_length += n.whole.size();
        return true;
    }
    const std::string exponent = withoutleadingzeros(n.exponentdigits);
    const std::size_t length = m_length + n.whole.size() + (n.point ? 1 + n.fraction.size() : 0);
    if ((n.point && m_comma) || !fitsentry(length, exponent))
        return refuse(PASTEUNREADABLE);
    presswritten(n.whole, n, exponent, length);
    return true;
}

// Digits right after EE are exponent digits.
bool pastetypist::extendexponent(const numbertext& n)
{
    if (n.prefixed || n.grouped || n.point || n.exponent)
        return refuse(PASTEUNREADABLE);
    const std::string digits = m_exponentdigits == 0 ? withoutleadingzeros(n.whole) : n.whole;
    if (m_exponentdigits + digits.size() > MAXEXPONENT)
        return refuse(PASTEUNREADABLE);
    pressdigits(digits);
    m_exponentdigits += digits.size();
    return true;
}
