// The keystrokes of a key text as zelkc reads it, for the benchmarks that
// press keys through the engine.
#pragma once

#include <string>
#include <vector>

#include "calc/keytext.h"

inline std::vector<keystroke> strokes(const char* text)
{
    std::vector<keystroke> s;
    std::string error;
    parsekeytext(text, s, error);
    return s;
}
