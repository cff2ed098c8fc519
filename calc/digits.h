// Digits of every radix, for the entry, the integer radices and the paste
// reader: one table of characters and one reading of them.
#pragma once

#include <cstdint>
#include <limits>
#include <string_view>

// The digit characters by value, 0 to F.
inline constexpr char DIGITCHARACTERS[] = "0123456789ABCDEF";

// The value of a digit character of any radix, either case, or -1.
constexpr int digitvalue(char32_t c)
{
    if (c >= '0' && c <= '9')
        return static_cast<int>(c - '0');
    if (c >= 'A' && c <= 'F')
        return static_cast<int>(c - 'A' + 10);
    if (c >= 'a' && c <= 'f')
        return static_cast<int>(c - 'a' + 10);
    return -1;
}

// The value of `digits` of `base`, or false when it exceeds 64 bits.
inline bool tovalue(std::string_view digits, int base, std::uint64_t& value)
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
