// Key texts: what zelkc and the tests type. "[name]" types the key whose
// button text is name, "[1017]" the key with that code; the characters
// between them are typed as the window's paste types them (calc/paste.h),
// each run of them as one paste.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

class Calculator;

struct keystroke {
    int code = 0;      // a key code, or 0 for pasted characters
    std::string text;  // the characters, read in the radix in force when they are typed
};

// Splits text into keystrokes. On an unknown or unterminated [name],
// returns false and says why in `error`.
bool parsekeytext(std::string_view text, std::vector<keystroke>& strokes, std::string& error);

// Presses every keystroke in order. A run of characters at the start, or
// after an operator, '(', C or CE (and the mode keys after them), may begin
// with a negative number. `proceed`, when given, is asked before each key
// (each key of a run of characters too); false ends the typing there.
void typekeys(Calculator& calculator, const std::vector<keystroke>& strokes,
              const std::function<bool()>& proceed = {});
