#include "calc/paste.h"

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <limits>

#include "calc/keys.h"

const pasteoperator pasteoperators[] = {
    {U'\u2212', "\u2212", key::subtract},  // minus sign
    {U'\u00d7', "\u00d7", key::multiply},  // multiplication sign
    {U'\u22c5', "\u22c5", key::multiply},  // dot operator
    {U'\u00b7', "\u00b7", key::multiply},  // middle dot
    {U'\u00f7', "\u00f7", key::divide},    // division sign
    {U'^', "^", key::power},               // x^y, where the keyboard's '^' is Xor
};
const int pasteoperatorcount = static_cast<int>(std::size(pasteoperators));

bool startsoperand(int code)
{
    switch (code) {
    case key::add:
    case key::subtract:
    case key::multiply:
    case key::divide:
    case key::mod:
    case key::power:
    case key::bitand_:
    case key::bitor_:
    case key::bitxor:
    case key::lsh:
    case key::openparen: return true;
    default: return false;
    }
}

namespace {

constexpr char32_t replacement = U'\ufffd';

// UTF-8 to code points; a malformed sequence becomes one U+FFFD, which
// stands for no key.
std::u32string decode(std::string_view s)
{
    std::u32string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size();) {
        const auto lead = static_cast<unsigned char>(s[i++]);
        const int extra = lead < 0x80           ? 0
                          : (lead >> 5) == 0x6  ? 1
                          : (lead >> 4) == 0xe  ? 2
                          : (lead >> 3) == 0x1e ? 3
                                                : -1;
        if (extra < 0) {
            out += replacement;
            continue;
        }
        char32_t c = lead & (0x7f >> extra);
        int k = 0;
        for (; k < extra && i < s.size() && (static_cast<unsigned char>(s[i]) & 0xc0) == 0x80;
             ++k, ++i)
            c = (c << 6) | (static_cast<unsigned char>(s[i]) & 0x3f);
        out += k == extra ? c : replacement;
    }
    return out;
}

// The value of a digit character of any radix, or -1.
int digitvalue(char32_t c)
{
    if (c >= '0' && c <= '9')
        return static_cast<int>(c - '0');
    if (c >= 'A' && c <= 'F')
        return static_cast<int>(c - 'A' + 10);
    if (c >= 'a' && c <= 'f')
        return static_cast<int>(c - 'a' + 10);
    return -1;
}

constexpr char digitcharacters[] = "0123456789ABCDEF";

bool isdecimalmark(char32_t c) { return c == ',' || c == '.'; }

bool isgroupseparator(char32_t c)
{
    switch (c) {
    case ',':
    case '.':
    case ' ':
    case '\'':
    case '_':
    case U'\u00a0':  // no-break space
    case U'\u2009':  // thin space
    case U'\u202f':  // narrow no-break space
        return true;
    default: return false;
    }
}

bool issign(char32_t c) { return c == '-' || c == U'\u2212'; }

// Digits in a group of a grouped number.
std::size_t groupsize(int base) { return base == 10 || base == 8 ? 3 : 4; }

// The base a 0x, 0o or 0b prefix announces, or 0.
int prefixbase(char32_t c)
{
    switch (c) {
    case 'x':
    case 'X': return 16;
    case 'o':
    case 'O': return 8;
    case 'b':
    case 'B': return 2;
    default: return 0;
    }
}

// A prefixed number in the decimal radix is converted digit by digit, which
// takes time quadratic in its length; far beyond what any entry holds, it
// is refused rather than converted for seconds.
constexpr std::size_t maxprefixdigits = 60000;

// `digits` of `base` as decimal digits, without leading zeros ("" for 0).
std::string todecimal(std::string_view digits, int base)
{
    constexpr std::uint64_t limb = 1000000000;  // nine decimal digits
    std::vector<std::uint32_t> limbs;           // least significant first
    for (char d : digits) {
        std::uint64_t carry = static_cast<std::uint64_t>(digitvalue(static_cast<char32_t>(d)));
        for (std::uint32_t& l : limbs) {
            const std::uint64_t t = l * static_cast<std::uint64_t>(base) + carry;
            l = static_cast<std::uint32_t>(t % limb);
            carry = t / limb;
        }
        if (carry != 0)
            limbs.push_back(static_cast<std::uint32_t>(carry));
    }
    std::string text;
    for (std::size_t k = limbs.size(); k-- > 0;) {
        std::string part = std::to_string(limbs[k]);
        if (k + 1 != limbs.size())
            part.insert(0, 9 - part.size(), '0');
        text += part;
    }
    return text;
}

// The value of `digits` of `base`, or false when it exceeds 64 bits.
bool tovalue(std::string_view digits, int base, std::uint64_t& value)
{
    value = 0;
    for (char d : digits) {
        const auto v = static_cast<std::uint64_t>(digitvalue(static_cast<char32_t>(d)));
        const auto b = static_cast<std::uint64_t>(base);
        if (value > (std::numeric_limits<std::uint64_t>::max() - v) / b)
            return false;
        value = value * b + v;
    }
    return true;
}

std::string withoutleadingzeros(std::string_view digits)
{
    const std::size_t first = digits.find_first_not_of('0');
    return first == std::string_view::npos ? std::string() : std::string(digits.substr(first));
}

// A number as written in the text.
struct numbertext {
    int base = 10;          // of its digits: the radix, or its prefix's
    bool prefixed = false;  // 0x, 0o, 0b
    bool grouped = false;   // it had separators
    bool negative = false;  // a sign before it
    std::string whole;      // digits before the decimal separator, '0'..'9' 'A'..'F'
    bool point = false;     // a decimal separator was read
    std::string fraction;   // digits after it
    bool exponent = false;  // e or E and digits after the mantissa
    bool exponentnegative = false;
    std::string exponentdigits;
};

// What the entry holds once the keys read so far are typed.
enum class entrymode { none, mantissa, exponent };

class pastereader {
public:
    pastereader(std::string_view utf8, const pastetarget& target)
        : m_text(decode(utf8)), m_target(target)
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

    pastekeys read()
    {
        bool signok = m_target.signfirst && m_mode == entrymode::none;
        for (std::size_t i = 0; i < m_text.size();) {
            if (signok && issign(at(i)) && numberstarts(i + 1)) {
                numbertext n;
                n.negative = true;
                ++i;
                if (!readnumber(i, n) || !typenumber(n))
                    return {{}, m_refusal};
                signok = false;
                continue;
            }
            if (numberstarts(i)) {
                numbertext n;
                if (!readnumber(i, n) || !typenumber(n))
                    return {{}, m_refusal};
                signok = false;
                continue;
            }
            const int code = keyof(at(i++));
            if (code == 0)
                continue;  // stands for no key: spaces, text
            typekey(code);
            signok = startsoperand(code);
        }
        return {std::move(m_keys), nullptr};
    }

private:
    std::u32string m_text;
    const pastetarget& m_target;
    std::vector<int> m_keys;
    const char* m_refusal = nullptr;

    // The entry as the keys so far leave it.
    entrymode m_mode = entrymode::none;
    std::size_t m_length = 0;  // characters of the mantissa
    bool m_comma = false;      // the mantissa holds the comma
    std::string m_digits;      // its digits, for the word size in the integer radices
    std::size_t m_exponentdigits = 0;

    char32_t at(std::size_t i) const { return i < m_text.size() ? m_text[i] : 0; }
    bool decimal() const { return m_target.radix == 10; }

    bool refuse(const char* why)
    {
        m_refusal = why;
        return false;
    }

    int keyof(char32_t c) const
    {
        for (const pasteoperator& p : pasteoperators) {
            if (p.character == c)
                return p.code;
        }
        return c < 0x80 ? characterkey(static_cast<char>(c), keysource::paste, m_target.radix) : 0;
    }

    // Whether c may be a digit of a number read in `base`. Letters are read
    // in every base so that 12AB in the decimal radix is refused rather
    // than typed as 12; only the decimal radix keeps e and E for the
    // exponent.
    static bool rundigit(char32_t c, int base)
    {
        return digitvalue(c) >= 0 && !(base == 10 && (c == 'e' || c == 'E'));
    }

    bool numberstarts(std::size_t i) const
    {
        const char32_t c = at(i);
        if (m_target.radix == 16)
            return digitvalue(c) >= 0;
        if (c >= '0' && c <= '9')
            return true;
        return decimal() && isdecimalmark(c) && at(i + 1) >= '0' && at(i + 1) <= '9';
    }

    // A letter that is a digit of the hexadecimal radix right before a
    // number of another radix: A5 is no number there.
    bool letterbefore(std::size_t i) const
    {
        if (i == 0 || m_target.radix == 16)
            return false;
        const char32_t c = at(i - 1);
        return digitvalue(c) >= 10 && !(decimal() && (c == 'e' || c == 'E'));
    }

    bool readnumber(std::size_t& i, numbertext& n)
    {
        if (letterbefore(i))
            return refuse(pasteunreadable);
        n.base = m_target.radix;
        if (at(i) == '0' && prefixbase(at(i + 1)) != 0 && readprefixed(i, n))
            return checkafter(i, n);
        if (!readgroups(i, n, decimal()))
            return false;
        if (decimal() && (at(i) == 'e' || at(i) == 'E')) {
            std::size_t j = i + 1;
            const bool negative = issign(at(j));
            if (negative || at(j) == '+')
                ++j;
            if (at(j) >= '0' && at(j) <= '9') {
                n.exponent = true;
                n.exponentnegative = negative;
                for (; at(j) >= '0' && at(j) <= '9'; ++j)
                    n.exponentdigits += static_cast<char>(at(j));
                i = j;
            }
        }
        return checkafter(i, n);
    }

    // 0x1F, 0o17, 0b101. In the hexadecimal radix 0b101 is also a number
    // of its own; the prefix wins only where every digit after it belongs
    // to its base, and otherwise the whole is read as hexadecimal digits.
    bool readprefixed(std::size_t& i, numbertext& n)
    {
        const int base = prefixbase(at(i + 1));
        std::size_t j = i + 2;
        if (digitvalue(at(j)) < 0 || digitvalue(at(j)) >= base)
            return false;
        numbertext p;
        p.base = base;
        p.prefixed = true;
        p.negative = n.negative;
        if (!readgroups(j, p, false)) {
            if (m_target.radix != 16)
                return false;  // the refusal stands
            m_refusal = nullptr;
            return false;
        }
        n = p;
        i = j;
        return true;
    }

    // e or E and the digits of an exponent, with or without a sign, from i on.
    bool exponentstarts(std::size_t i) const
    {
        if (at(i) != 'e' && at(i) != 'E')
            return false;
        const std::size_t j = issign(at(i + 1)) || at(i + 1) == '+' ? i + 2 : i + 1;
        return at(j) >= '0' && at(j) <= '9';
    }

    // Nothing that could belong to the number may follow it: 1e5e3 and
    // 0x1G5 are not numbers to guess at.
    bool checkafter(std::size_t i, const numbertext& n)
    {
        const char32_t c = at(i);
        const bool alphanumeric =
            (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
        if ((n.exponent && (c == 'e' || c == 'E')) || (n.prefixed && alphanumeric))
            return refuse(pasteunreadable);
        return true;
    }

    // Digits with separators from i on, into n.whole (and n.fraction where
    // `decimalmark` allows a decimal separator).
    bool readgroups(std::size_t& i, numbertext& n, bool decimalmark)
    {
        if (m_refusal != nullptr)
            return false;
        const int base = n.base;
        const bool leadingmark = decimalmark && isdecimalmark(at(i));
        if (leadingmark)
            ++i;  // ",5" and ".5" are 0,5
        std::vector<std::string> groups(1);
        std::u32string separators;
        for (;;) {
            for (; rundigit(at(i), base); ++i) {
                const int v = digitvalue(at(i));
                if (v >= base)
                    return refuse(pasteunreadable);
                groups.back() += digitcharacters[v];
            }
            // A separator goes on only to digits: 12 apples is a number
            // and a word, not 12A.
            const char32_t next = at(i + 1);
            if (!isgroupseparator(at(i)) ||
                !(base == 16 ? digitvalue(next) >= 0 : next >= '0' && next <= '9'))
                break;
            // The spaces of every width group alike.
            const char32_t s = at(i++);
            separators += s == ',' || s == '.' || s == '\'' || s == '_' ? s : U' ';
            groups.emplace_back();
        }
        // A decimal mark with no digits after it before an exponent, as an
        // entry shows "308,e+183": the exponent belongs to the number.
        if (decimalmark && !leadingmark && isdecimalmark(at(i)) && exponentstarts(i + 1)) {
            separators += at(i++);
            groups.emplace_back();
        }
        if (n.prefixed && groups.size() == 1 && groups[0].size() > maxprefixdigits &&
            m_target.radix == 10)
            return refuse(pasteunreadable);
        n.grouped = !separators.empty();
        if (leadingmark) {
            if (n.grouped)
                return refuse(pasteunreadable);
            n.point = true;
            n.fraction = std::move(groups[0]);
            return true;
        }
        const bool exponentafter = decimalmark && (at(i) == 'e' || at(i) == 'E');
        return splitgroups(groups, separators, n, decimalmark, exponentafter);
    }

    // The calculator's own grouped display in the decimal radix: a '.'
    // between groups of three digits, the first without a leading zero, and
    // no exponent after them (its results in scientific notation have one
    // digit before the comma). 1.234 is 1234, as the calculator writes it;
    // 0.125, 3.14159 and 1.5e3 are written with a decimal point.
    static bool owngrouping(const std::vector<std::string>& groups, char32_t separator,
                            bool exponentafter)
    {
        return separator == '.' && !exponentafter && groups.size() == 2 && !groups[0].empty() &&
               groups[0].size() <= 3 && groups[0][0] != '0' && groups[1].size() == 3;
    }

    // Which separators group digits and which one is the decimal separator:
    // where both ',' and '.' appear the last separator is the decimal one,
    // and a single ',' or '.' is one. Groups after the first have three
    // digits (four in the hexadecimal and binary radices), the first at most
    // that many; anything else is refused rather than guessed.
    bool splitgroups(std::vector<std::string>& groups, const std::u32string& separators,
                     numbertext& n, bool decimalmark, bool exponentafter)
    {
        const std::size_t count = separators.size();
        const std::size_t size = groupsize(n.base);
        // groups[0..last] as one grouped integer.
        auto grouped = [&](std::size_t last) {
            if (last > 0 && (groups[0].size() > size ||
                             std::any_of(groups.begin() + 1, groups.begin() + 1 + last,
                                         [&](const std::string& g) { return g.size() != size; })))
                return false;
            for (std::size_t k = 0; k <= last; ++k)
                n.whole += groups[k];
            return true;
        };
        if (count == 0) {
            n.whole = std::move(groups[0]);
            return true;
        }
        const char32_t last = separators.back();
        const std::u32string_view before(separators.data(), count - 1);
        const bool allsame = std::all_of(separators.begin(), separators.end(),
                                         [&](char32_t s) { return s == separators[0]; });
        const bool onelastmark =
            isdecimalmark(last) &&
            (count == 1 || (!allsame && before.find(last) == std::u32string_view::npos &&
                            std::all_of(before.begin(), before.end(),
                                        [&](char32_t s) { return s == before[0]; })));
        if (decimalmark && onelastmark && !owngrouping(groups, last, exponentafter)) {
            if (!grouped(count - 1))
                return refuse(pasteunreadable);
            n.point = true;
            n.fraction = std::move(groups[count]);
            return true;
        }
        if (allsame && grouped(count))
            return true;
        return refuse(pasteunreadable);
    }

    void press(int code) { m_keys.push_back(code); }
    void pressdigits(std::string_view digits)
    {
        for (char d : digits)
            press(key::digits[digitvalue(static_cast<char32_t>(d))]);
    }

    // A key that is not part of a number: where it leaves the entry.
    void typekey(int code)
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

    bool typenumber(const numbertext& n)
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
    void presswritten(std::string_view whole, const numbertext& n, const std::string& exponent,
                      std::size_t length)
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

    void typeexponent(bool negative, const std::string& digits)
    {
        press(key::exponent);
        pressdigits(digits);
        if (negative && !digits.empty())
            press(key::sign);
        m_mode = entrymode::exponent;
        m_exponentdigits = digits.size();
    }

    // A number that starts an entry in the decimal radix: typed as written
    // where the entry holds it, else as its leading digits rounded half away
    // from zero to what the entry holds, with the exponent that keeps its
    // magnitude.
    bool typedecimal(const numbertext& n)
    {
        const std::string whole =
            withoutleadingzeros(n.prefixed ? todecimal(n.whole, n.base) : n.whole);
        const std::string& fraction = n.fraction;
        const std::size_t sign = n.negative ? 1 : 0;
        m_mode = entrymode::mantissa;
        m_comma = false;
        if (whole.empty() && fraction.find_first_not_of('0') == std::string::npos) {
            // Zero, whatever its sign and exponent.
            press(key::digit0);
            m_length = 1;
            if (n.point && 1 + 1 + fraction.size() <= Calculator::MAXENTRY) {
                press(key::point);
                pressdigits(fraction);
                m_length = 2 + fraction.size();
                m_comma = true;
            }
            return true;
        }
        const std::string exponent = withoutleadingzeros(n.exponentdigits);
        const std::size_t length =
            sign + std::max<std::size_t>(1, whole.size()) + (n.point ? 1 + fraction.size() : 0);
        if (length <= Calculator::MAXENTRY && exponent.size() <= Calculator::MAXEXPONENT) {
            presswritten(whole, n, exponent, length);
            return true;
        }

        // d[0],d[1]d[2]... times 10^e.
        const std::string all = whole + fraction;
        const std::size_t zeros = all.find_first_not_of('0');
        std::string d = all.substr(zeros);
        d.erase(d.find_last_not_of('0') + 1);
        // Far beyond the engine's range of exponents, which then reports it.
        constexpr std::int64_t farexponent = 1000000000000000000;
        std::int64_t e = farexponent;
        if (exponent.size() < 19)
            e = exponent.empty() ? 0 : std::stoll(exponent);
        if (n.exponentnegative)
            e = -e;
        const auto shift =
            static_cast<std::int64_t>(whole.size()) - static_cast<std::int64_t>(zeros) - 1;
        e = std::clamp(e + shift, -farexponent, farexponent);

        const std::size_t capacity = Calculator::MAXENTRY - 1 - sign;
        if (d.size() > capacity) {
            const bool up = d[capacity] >= '5';
            d.resize(capacity);
            // Rounding up never makes a 4 followed by nines into a 5
            // followed by zeros: the engine's rounding of the entry to the
            // shown digits would take that 5 for a midpoint that the pasted
            // number lies below, and round the wrong way. The digits are
            // then kept as pasted, cut at the capacity.
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
        return true;
    }

    // The largest value of the word size.
    std::uint64_t wordmax() const
    {
        const int bits = wordbits(m_target.size);
        return bits == 64 ? std::numeric_limits<std::uint64_t>::max()
                          : (std::uint64_t{1} << bits) - 1;
    }

    bool fitsword(std::string_view digits, int base) const
    {
        std::uint64_t value = 0;
        return tovalue(digits, base, value) && value <= wordmax();
    }

    // A number that starts an entry in an integer radix: its digits in the
    // radix, refused whole where it does not fit the word size.
    bool typeinteger(const numbertext& n)
    {
        std::uint64_t value = 0;
        if (!tovalue(n.whole, n.base, value) || value > wordmax())
            return refuse(pastetoobig);
        std::string digits;
        const auto radix = static_cast<std::uint64_t>(m_target.radix);
        for (std::uint64_t v = value; v != 0; v /= radix)
            digits.insert(digits.begin(), digitcharacters[v % radix]);
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
    bool extendmantissa(const numbertext& n)
    {
        if (n.prefixed)
            return refuse(pasteunreadable);
        if (!decimal()) {
            if (!fitsword(m_digits + n.whole, m_target.radix))
                return refuse(pastetoobig);
            pressdigits(n.whole);
            m_digits += n.whole;
            m_length += n.whole.size();
            return true;
        }
        const std::string exponent = withoutleadingzeros(n.exponentdigits);
        const std::size_t length =
            m_length + n.whole.size() + (n.point ? 1 + n.fraction.size() : 0);
        if ((n.point && m_comma) || length > Calculator::MAXENTRY ||
            exponent.size() > Calculator::MAXEXPONENT)
            return refuse(pasteunreadable);
        presswritten(n.whole, n, exponent, length);
        return true;
    }

    // Digits right after EE are exponent digits.
    bool extendexponent(const numbertext& n)
    {
        if (n.prefixed || n.grouped || n.point || n.exponent)
            return refuse(pasteunreadable);
        const std::string digits = m_exponentdigits == 0 ? withoutleadingzeros(n.whole) : n.whole;
        if (m_exponentdigits + digits.size() > Calculator::MAXEXPONENT)
            return refuse(pasteunreadable);
        pressdigits(digits);
        m_exponentdigits += digits.size();
        return true;
    }
};

}  // namespace

pastekeys readpaste(std::string_view utf8, const pastetarget& target)
{
    return pastereader(utf8, target).read();
}

std::string ungroupeddisplay(std::string_view display, int radix)
{
    const bool decimal = radix == 10;
    const char separator = decimal ? '.' : ' ';
    const bool number =
        !display.empty() && std::all_of(display.begin(), display.end(), [&](char c) {
            if (c >= '0' && c <= '9')
                return true;
            if (decimal)
                return c == '-' || c == ',' || c == '.' || c == 'e' || c == '+';
            return (c >= 'A' && c <= 'F') || c == ' ';
        });
    std::string text(display);
    if (number)
        std::erase(text, separator);
    return text;
}
