// What every key does, in words: the texts of the window's tooltips and
// accessible names, of its keys page and of zelkc --help. One table, beside
// the codes and button texts of keys.h.
#pragma once

#include <string>

struct keyhelp {
    int code;
    const char* name;        // what a screen reader calls the key: "Divide"
    const char* meaning;     // "Power x^y"
    const char* inverse;     // what Inv makes of it, or null
    const char* hyperbolic;  // what Hyp makes of it, or null
    const char* named;       // keyboard keys beyond its characters ("Enter"), or null
};

// Every key of the window, in the order of its keypad: display row, radix
// and angle units (or word sizes), Inv and Hyp, then the buttons row by row.
extern const keyhelp keyhelps[];
extern const int keyhelpcount;

// The 64 bit keys, described once under the code of the first (the window
// has no button for them; its bit view toggles them), and their names as
// the keys page and zelkc --help list them.
extern const keyhelp bitkeyshelp;
extern const char BITKEYSNAMES[];

// The entry of a key code, or null; bitkeyshelp for every bit key.
const keyhelp* helpof(int code);

// The keyboard keys that press it: its characters (a letter in either
// case), then its named keys, joined by " or "; empty when there are none.
std::string keyboardtext(int code);

// What it does with Inv and Hyp: "Power x^y; with Inv: the y-th root of x".
std::string keydescription(int code);

// The whole description: "Power x^y; with Inv: the y-th root of x.
// Keyboard: Y". Empty for a code without an entry.
std::string tooltiptext(int code);
