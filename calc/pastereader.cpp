#include "pastereader.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "calc/keys.h"
#include "digits.h"

namespace {

constexpr char32_t REPLACEMENT = U'\ufffd';

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
            out += REPLACEMENT;
            continue;
        }
        char32_t c = lead & (0x7f >> extra);
        int k = 0;
        for (; k < extra && i < s.size() && (static_cast<unsigned char>(s[i]) & 0xc0) == 0x80;
             ++k, ++i)
            c = (c << 6) | (static_cast<unsigned char>(s[i]) & 0x3f);
        out += k == extra ? c : REPLACEMENT;
    }
    return out;
}

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
constexpr std::size_t MAXPREFIXDIGITS = 60000;

// Whether c may be a digit of a number read in `base`. Letters are read in
// every base so that 12AB in the decimal radix is refused rather than typed
// as 12; only the decimal radix keeps e and E for the exponent.
bool rundigit(char32_t c, int base)
{
    return digitvalue(c) >= 0 && !(base == 10 && (c == 'e' || c == 'E'));
}

// The calculator's own grouped display in the decimal radix: a '.' between
// groups of three digits, the first without a leading zero, and no exponent
// after them (its results in scientific notation have one digit before the
// comma). 1.234 is 1234, as the calculator writes it; 0.125, 3.14159 and
// 1.5e3 are written with a decimal point.
bool owngrouping(const std::vector<std::string>& groups, char32_t separator, bool exponentafter)
{
    return separator == '.' && !exponentafter && groups.size() == 2 && !groups[0].empty() &&
           groups[0].size() <= 3 && groups[0][0] != '0' && groups[1].size() == 3;
}

}  // namespace

std::string todecimal(std::string_view digits, int base)
{
    constexpr std::uint64_t LIMB = 1000000000;  // nine decimal digits
    std::vector<std::uint32_t> limbs;           // least significant first
    for (char d : digits) {
        std::uint64_t carry = static_cast<std::uint64_t>(digitvalue(static_cast<char32_t>(d)));
        for (std::uint32_t& l : limbs) {
            const std::uint64_t t = l * static_cast<std::uint64_t>(base) + carry;
            l = static_cast<std::uint32_t>(t % LIMB);
            carry = t / LIMB;
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

std::string withoutleadingzeros(std::string_view digits)
{
    const std::size_t first = digits.find_first_not_of('0');
    return first == std::string_view::npos ? std::string() : std::string(digits.substr(first));
}

pastereader::pastereader(std::string_view utf8, const pastetarget& target)
    : m_text(decode(utf8)), m_radix(target.radix),
      m_signok(target.signfirst && !target.exponent && target.entry.empty())
{
}

bool pastereader::next(pastetoken& token)
{
    while (m_next < m_text.size()) {
        std::size_t& i = m_next;
        const bool sign = m_signok && issign(at(i)) && numberstarts(i + 1);
        if (sign || numberstarts(i)) {
            token = {};
            token.number.negative = sign;
            if (sign)
                ++i;
            m_signok = false;
            return readnumber(i, token.number);
        }
        const int code = keyof(at(i++));
        if (code == 0)
            continue;  // stands for no key: spaces, text
        m_signok = startsoperand(code);
        token = {};
        token.code = code;
        return true;
    }
    return false;
}

bool pastereader::refuse(const char* why)
{
    m_refusal = why;
    return false;
}

int pastereader::keyof(char32_t c) const
{
    for (int k = 0; k < pasteoperatorcount; ++k) {
        if (pasteoperators[k].character == c)
            return pasteoperators[k].code;
    }
    return c < 0x80 ? characterkey(static_cast<char>(c), keysource::paste, m_radix) : 0;
}

bool pastereader::numberstarts(std::size_t i) const
{
    const char32_t c = at(i);
    if (m_radix == 16)
        return digitvalue(c) >= 0;
    if (c >= '0' && c <= '9')
        return true;
    return decimal() && isdecimalmark(c) && at(i + 1) >= '0' && at(i + 1) <= '9';
}

// A letter that is a digit of the hexadecimal radix right before a number
// of another radix: A5 is no number there.
bool pastereader::letterbefore(std::size_t i) const
{
    if (i == 0 || m_radix == 16)
        return false;
    const char32_t c = at(i - 1);
    return digitvalue(c) >= 10 && !(decimal() && (c == 'e' || c == 'E'));
}

bool pastereader::readnumber(std::size_t& i, numbertext& n)
{
    if (letterbefore(i))
        return refuse(PASTEUNREADABLE);
    n.base = m_radix;
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

// 0x1F, 0o17, 0b101. In the hexadecimal radix 0b101 is also a number of its
// own; the prefix wins only where every digit after it belongs to its base,
// and otherwise the whole is read as hexadecimal digits.
bool pastereader::readprefixed(std::size_t& i, numbertext& n)
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
        if (m_radix != 16)
            return false;  // the refusal stands
        m_refusal = nullptr;
        return false;
    }
    n = p;
    i = j;
    return true;
}

// e or E and the digits of an exponent, with or without a sign, from i on.
bool pastereader::exponentstarts(std::size_t i) const
{
    if (at(i) != 'e' && at(i) != 'E')
        return false;
    const std::size_t j = issign(at(i + 1)) || at(i + 1) == '+' ? i + 2 : i + 1;
    return at(j) >= '0' && at(j) <= '9';
}

// Nothing that could belong to the number may follow it: 1e5e3 and 0x1G5
// are not numbers to guess at.
bool pastereader::checkafter(std::size_t i, const numbertext& n)
{
    const char32_t c = at(i);
    const bool alphanumeric =
        (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
    if ((n.exponent && (c == 'e' || c == 'E')) || (n.prefixed && alphanumeric))
        return refuse(PASTEUNREADABLE);
    return true;
}

// Digits with separators from i on, into n.whole (and n.fraction where
// `decimalmark` allows a decimal separator).
bool pastereader::readgroups(std::size_t& i, numbertext& n, bool decimalmark)
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
                return refuse(PASTEUNREADABLE);
            groups.back() += DIGITCHARACTERS[v];
        }
        // A separator goes on only to digits: 12 apples is a number and a
        // word, not 12A.
        const char32_t next = at(i + 1);
        if (!isgroupseparator(at(i)) ||
            !(base == 16 ? digitvalue(next) >= 0 : next >= '0' && next <= '9'))
            break;
        // The spaces of every width group alike.
        const char32_t s = at(i++);
        separators += s == ',' || s == '.' || s == '\'' || s == '_' ? s : U' ';
        groups.emplace_back();
    }
    // A decimal mark with no digits after it before an exponent, as an entry
    // shows "308,e+183": the exponent belongs to the number.
    if (decimalmark && !leadingmark && isdecimalmark(at(i)) && exponentstarts(i + 1)) {
        separators += at(i++);
        groups.emplace_back();
    }
    if (n.prefixed && groups.size() == 1 && groups[0].size() > MAXPREFIXDIGITS && m_radix == 10)
        return refuse(PASTEUNREADABLE);
    n.grouped = !separators.empty();
    if (leadingmark) {
        if (n.grouped)
            return refuse(PASTEUNREADABLE);
        n.point = true;
        n.fraction = std::move(groups[0]);
        return true;
    }
    const bool exponentafter = decimalmark && (at(i) == 'e' || at(i) == 'E');
    return splitgroups(groups, separators, n, decimalmark, exponentafter);
}

// Which separators group digits and which one is the decimal separator:
// where both ',' and '.' appear the last separator is the decimal one, and
// a single ',' or '.' is one. Groups after the first have three digits
// (four in the hexadecimal and binary radices), the first at most that
// many; anything else is refused rather than guessed.
bool pastereader::splitgroups(std::vector<std::string>& groups, const std::u32string& separators,
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
        (count == 1 ||
         (!allsame && before.find(last) == std::u32string_view::npos &&
          std::all_of(before.begin(), before.end(), [&](char32_t s) { return s == before[0]; })));
    if (decimalmark && onelastmark && !owngrouping(groups, last, exponentafter)) {
        if (!grouped(count - 1))
            return refuse(PASTEUNREADABLE);
        n.point = true;
        n.fraction = std::move(groups[count]);
        return true;
    }
    if (allsame && grouped(count))
        return true;
    return refuse(PASTEUNREADABLE);
}
