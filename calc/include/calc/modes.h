// The engine's modes and the limits of its entry: what the paste reader and
// the window read of the engine without the whole of calculator.h.
#pragma once

#include <cstddef>

enum class angleunit { radians, degrees, grads };

// The word of the integer radices: values are kept and shown modulo 2^bits.
enum class wordsize { byte, word, dword, qword };

constexpr int wordbits(wordsize size)
{
    switch (size) {
    case wordsize::byte: return 8;
    case wordsize::word: return 16;
    case wordsize::dword: return 32;
    case wordsize::qword: break;
    }
    return 64;
}

// Characters of a decimal entry, sign and comma included, and digits of its
// exponent after EE.
inline constexpr std::size_t MAXENTRY = 6099;
inline constexpr std::size_t MAXEXPONENT = 28;
