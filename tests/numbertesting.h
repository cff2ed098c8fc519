// Helpers for tests of the arithmetic: building numbers limb by limb,
// looking at their chains, and an independent decimal reference.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "chain.h"

// A number from its limbs, most significant first; the head limb at power expo.
inline num::number fromlimbs(std::initializer_list<std::uint32_t> limbs, std::int32_t expo,
                             bool negative = false)
{
    num::number x;
    for (std::uint32_t v : limbs)
        append(x, v);
    setexpo(x, expo);
    setlowexpo(x, expo - static_cast<std::int32_t>(limbs.size()) + 1);
    setnegative(x, negative);
    normalise(x);
    return x;
}

inline std::vector<std::uint32_t> limbsof(const num::number& x)
{
    std::vector<std::uint32_t> v;
    for (const num::limb* p = head(x); p != nullptr; p = p->lower)
        v.push_back(p->value);
    return v;
}

// Checks the invariants of a normalised number; returns what is wrong, or "".
inline std::string brokeninvariant(const num::number& x)
{
    if (x.iszero()) {
        if (head(x) != nullptr || tail(x) != nullptr)
            return "zero with a chain";
        if (x.isnegative())
            return "negative zero";
        return "";
    }
    if (head(x) == nullptr || tail(x) == nullptr)
        return "non-zero without a chain";
    if (head(x)->value == 0 || tail(x)->value == 0)
        return "zero limb at an end";
    std::int32_t n = 0;
    const num::limb* prev = nullptr;
    for (const num::limb* p = head(x); p != nullptr; prev = p, p = p->lower) {
        if (p->value >= num::BASE)
            return "limb above BASE";
        if (p->upper != prev)
            return "broken upper link";
        ++n;
    }
    if (prev != tail(x))
        return "tail is not the last limb";
    if (n != x.expo() - x.lowexpo() + 1)
        return "limb count does not match the exponents";
    if (x.expo() > num::MAX_EXPO || x.lowexpo() < num::MIN_EXPO)
        return "exponent out of range";
    return "";
}

// Plain decimal digits of x for messages and exact comparisons, written
// independently of the library's formatter: "-123.45", "0.001", "0".
inline std::string plaindigits(const num::number& x)
{
    if (x.iszero())
        return "0";
    std::string digits;
    for (const num::limb* p = head(x); p != nullptr; p = p->lower) {
        std::string l = std::to_string(p->value);
        digits += std::string(8 - l.size(), '0') + l;
    }
    // digits now stand for the limbs expo..lowexpo; the point sits after
    // limb power 0, that is 8 * (expo + 1) digits from the left.
    std::int64_t point = 8 * (static_cast<std::int64_t>(x.expo()) + 1);
    std::string intpart, fracpart;
    if (point <= 0) {
        intpart = "0";
        fracpart = std::string(static_cast<std::size_t>(-point), '0') + digits;
    } else if (point >= static_cast<std::int64_t>(digits.size())) {
        intpart = digits + std::string(static_cast<std::size_t>(point) - digits.size(), '0');
    } else {
        intpart = digits.substr(0, static_cast<std::size_t>(point));
        fracpart = digits.substr(static_cast<std::size_t>(point));
    }
    intpart.erase(0, std::min(intpart.find_first_not_of('0'), intpart.size() - 1));
    while (!fracpart.empty() && fracpart.back() == '0')
        fracpart.pop_back();
    std::string s = x.isnegative() ? "-" : "";
    s += intpart;
    if (!fracpart.empty())
        s += "." + fracpart;
    return s;
}

// A number from its decimal text, for short tables of cases.
inline num::number N(const char* text) { return num::number(text); }

// The message of the numberexception f throws, or "" when it throws none.
template <typename F> std::string errorof(F&& f)
{
    try {
        f();
    } catch (const num::numberexception& e) {
        return e.message();
    }
    return "";
}

// GoogleTest prints numbers as their digits.
inline void PrintTo(const num::number& x, std::ostream* os) { *os << plaindigits(x); }

// Whether two numbers are the same limb for limb, sign and exponents included.
inline ::testing::AssertionResult same(const num::number& got, const num::number& want)
{
    if (got.expo() == want.expo() && got.isnegative() == want.isnegative() &&
        limbsof(got) == limbsof(want))
        return ::testing::AssertionSuccess();
    auto brief = [](const num::number& x) {
        std::string s = plaindigits(x);
        return s.size() <= 80 ? s : s.substr(0, 40) + "..." + s.substr(s.size() - 40);
    };
    return ::testing::AssertionFailure() << brief(got) << " != " << brief(want);
}
