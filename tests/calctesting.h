// Helpers for the engine's tests: keys typed as zelkc types them, and tables
// of key texts with the display they must leave.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "calc/calculator.h"
#include "calc/keys.h"
#include "calc/keytext.h"

inline void type(Calculator& c, const std::string& keys)
{
    std::vector<keystroke> strokes;
    std::string error;
    ASSERT_TRUE(parsekeytext(keys, strokes, error)) << error;
    typekeys(c, strokes);
}

// As type, but each character is pressed as the key the keyboard sends for
// it, one by one: the engine's own entry rules, without the paste reader.
inline void typeeach(Calculator& c, const std::string& keys)
{
    std::vector<keystroke> strokes;
    std::string error;
    ASSERT_TRUE(parsekeytext(keys, strokes, error)) << error;
    for (const keystroke& s : strokes) {
        if (s.code != 0) {
            c.presskey(s.code);
            continue;
        }
        for (char ch : s.text) {
            if (const int code = characterkey(ch, keysource::keyboard, c.radix()))
                c.presskey(code);
        }
    }
}

struct keycase {
    const char* keys;
    const char* display;
    int precision = 40;
};

enum class typing { pasted, eachkey };

inline void runcases(const std::vector<keycase>& cases, typing how = typing::pasted)
{
    for (const keycase& k : cases) {
        Calculator c;
        if (k.precision != 40)
            c.setprecision(k.precision);
        if (how == typing::eachkey)
            typeeach(c, k.keys);
        else
            type(c, k.keys);
        EXPECT_EQ(c.display(), k.display) << "keys: " << k.keys << " at P=" << k.precision;
    }
}
