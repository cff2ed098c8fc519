// Helpers for the engine's tests: keys typed as zelkc types them, and tables
// of key texts with the display they must leave.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "calc/calculator.h"
#include "calc/keytext.h"

inline void type(Calculator& c, const std::string& keys)
{
    std::vector<keystroke> strokes;
    std::string error;
    ASSERT_TRUE(parsekeytext(keys, strokes, error)) << error;
    typekeys(c, strokes);
}

struct keycase {
    const char* keys;
    const char* display;
    int precision = 40;
};

inline void runcases(const std::vector<keycase>& cases)
{
    for (const keycase& k : cases) {
        Calculator c;
        if (k.precision != 40)
            c.setprecision(k.precision);
        type(c, k.keys);
        EXPECT_EQ(c.display(), k.display) << "keys: " << k.keys;
    }
}
