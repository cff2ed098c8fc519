// Key codes of the calculator and the tables that map buttons, names and
// typed characters to them. The engine, the window and zelkc all read these
// tables; nothing dispatches on displayed text.
#pragma once

#include <string_view>

namespace key {
// Every key code is the identifier of the control that carries the key.
constexpr int clearall = 1001;  // "C"
constexpr int digit7 = 1002;
constexpr int digit8 = 1003;
constexpr int digit9 = 1004;
constexpr int digit4 = 1005;
constexpr int digit5 = 1006;
constexpr int digit6 = 1007;
constexpr int digit1 = 1008;
constexpr int digit2 = 1009;
constexpr int digit3 = 1010;
constexpr int digit0 = 1011;
constexpr int sign = 1012;   // "+/-"
constexpr int point = 1013;  // decimal comma
constexpr int divide = 1014;
constexpr int multiply = 1015;
constexpr int subtract = 1016;
constexpr int add = 1017;
constexpr int clearentry = 1018;  // "CE"
constexpr int backspace = 1019;
constexpr int memoryclear = 1020;   // "MC"
constexpr int memoryrecall = 1021;  // "MR"
constexpr int memorystore = 1022;   // "MS"
constexpr int memoryadd = 1023;     // "M+"
constexpr int mod = 1024;
constexpr int bitor_ = 1025;
constexpr int lsh = 1026;
constexpr int equals = 1027;
constexpr int bitand_ = 1028;
constexpr int bitxor = 1029;
constexpr int bitnot = 1030;
constexpr int integer = 1031;  // "Int"
constexpr int digitA = 1032;
constexpr int digitB = 1033;
constexpr int digitC = 1034;
constexpr int digitD = 1035;
constexpr int digitE = 1036;
constexpr int digitF = 1037;
constexpr int pi = 1039;
constexpr int closeparen = 1040;
constexpr int openparen = 1041;
constexpr int exponent = 1042;  // "EE"
constexpr int power = 1043;     // "x^y"
constexpr int ln = 1044;
constexpr int log = 1045;
constexpr int factorial = 1046;   // "n!"
constexpr int cube = 1047;        // "x^3"
constexpr int reciprocal = 1048;  // "1/x"
constexpr int square = 1049;      // "x^2"
constexpr int sin = 1050;
constexpr int cos = 1051;
constexpr int tan = 1052;
constexpr int degrees = 1053;
constexpr int radians = 1054;
constexpr int grads = 1055;
constexpr int hex = 1056;
constexpr int dec = 1057;
constexpr int oct = 1058;
constexpr int bin = 1059;
constexpr int dms = 1060;
constexpr int inv = 1061;
constexpr int hyp = 1062;
constexpr int qword = 1070;
constexpr int dword = 1071;
constexpr int word = 1072;
constexpr int byte = 1073;
constexpr int grouping = 32797;  // menu "Digit grouping"
}  // namespace key

// A control that sends a key: its identifier and its text as the window
// shows it ('&' marks the mnemonic).
struct keybutton {
    int code;
    const char* label;
};

// Every push button, radio button and check box that sends a key code.
extern const keybutton keybuttons[];
extern const int keybuttoncount;

// The key a typed or pasted character stands for, or 0 when it stands for
// none. 'E'/'e' is the exponent key in the decimal radix and the digit E in
// the others.
int characterkey(char c, int radix);

// The key a character typed on the keyboard stands for, or 0: the paste
// table of characterkey with the characters only the keyboard has ('&' And,
// ';' Int, '<' Lsh, '^' Xor, '`' Or, '~' Not, '\xa7' (a Latin-1 '§') x^3,
// M dms, R 1/x). 'E'/'e' is always the digit E: from the keyboard, the
// exponent key is X. Letters count in either case.
int typedkey(char c);

// The key whose button text (without '&', case-insensitive) is `name`:
// "Hex", "x^y", "+/-", ","; "C" is clear all. "Grouping" is the digit
// grouping command. 0 when there is none.
int namedkey(std::string_view name);

// The digit a digit key types ('0'..'9', 'A'..'F'), or 0 for other keys.
char keydigit(int code);
