// Key texts: what zelkc and the tests type. Characters are typed as the
// window's paste types them; "[name]" types the key whose button text is
// name, "[1017]" the key with that code.
#pragma once

#include <string>
#include <string_view>
#include <vector>

class Calculator;

struct keystroke {
    int code = 0;        // a key code, or 0 for a character
    char character = 0;  // resolved by the radix in force when it is typed
};

// Splits text into keystrokes; characters that stand for no key (spaces)
// are left out. On an unknown or unterminated [name], returns false and
// says why in `error`.
bool parsekeytext(std::string_view text, std::vector<keystroke>& strokes, std::string& error);

// Presses every keystroke in order.
void typekeys(Calculator& calculator, const std::vector<keystroke>& strokes);
