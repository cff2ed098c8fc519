// The bit keys: Bit0 to Bit63 toggle a bit of the value in the integer
// radices and leave it as a typed entry; the decimal radix and bits beyond
// the word size refuse them.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "calc/keyhelp.h"
#include "calc/keys.h"
#include "calctesting.h"

namespace {

TEST(CalcBitKeys, ToggleABitOfTheWordAsIfTyped)
{
    const struct {
        const char* name;
        const char* keys;
        const char* display;
        std::uint64_t word;
    } cases[] = {
        {"bit 0 of zero", "[Hex][Bit0]", "1", 1},
        {"bit 63 of a Qword", "[Hex][Bit63]", "8000000000000000", 0x8000000000000000u},
        {"bit 63 cleared", "[Hex]FFFFFFFFFFFFFFFF[Bit63]", "7FFFFFFFFFFFFFFF", 0x7FFFFFFFFFFFFFFFu},
        {"twice is no change", "[Hex]FF[Bit3][Bit3]", "FF", 0xFF},
        {"a set bit cleared", "[Hex]FF[Bit7]", "7F", 0x7F},
        {"the entry goes on", "[Hex]F[Bit4]1", "1F1", 0x1F1},
        {"a zero entry is replaced", "[Bin]1[Bit0]1", "1", 1},
        {"backspace after a toggle", "[Hex]F[Bit8][Backspace]", "10", 0x10},
        {"the second operand", "[Hex]5+[Bit0]=", "9", 9},
        {"the operand in an expression", "[Hex][Bit4]*2=", "20", 0x20},
        {"a result, then more digits", "[Hex]F+1=[Bit0]2", "112", 0x112},
        {"a negative entry as the word", "[Hex]5[+/-][Bit63]", "7FFFFFFFFFFFFFFB",
         0x7FFFFFFFFFFFFFFBu},
        {"bit 7 of a Byte", "[Hex][Byte][Bit7]", "80", 0x80},
        {"bit 8 beyond a Byte", "[Hex][Byte]FF[Bit8]", "FF", 0xFF},
        {"bit 15 of a Word", "[Hex][Word][Bit15]", "8000", 0x8000},
        {"bit 16 beyond a Word", "[Hex][Word]1[Bit16]", "1", 1},
        {"bit 31 of a Dword", "[Hex][Dword][Bit31]", "80000000", 0x80000000u},
        {"bit 32 beyond a Dword", "[Hex][Dword][Bit32]", "0", 0},
        {"octal bit 63", "[Oct][Bit63]", "1000000000000000000000", 0x8000000000000000u},
        {"octal entry grows", "[Oct]7[Bit3]", "17", 15},
        {"binary", "[Bin][Bit2][Bit0]", "101", 5},
        {"grouped", "[Hex][Grouping][Bit16]", "1 0000", 0x10000},
        {"by code", "[Hex][1105]", "20", 0x20},
        {"refused in Dec", "5[Bit0]", "5", 0},
        {"refused while an error shows", "[Hex]1/0=[Bit0]", "quot:division by zero", 0},
        {"a word size cuts the toggled value", "[Hex][Bit40][Dword]", "0", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Calculator calc;
        typeeach(calc, c.keys);
        EXPECT_EQ(calc.display(), c.display) << c.keys;
        if (!calc.error()) {
            EXPECT_EQ(calc.word(), c.word) << c.keys;
        }
    }
}

TEST(CalcBitKeys, NamesAndCodes)
{
    const struct {
        const char* name;
        int code;
    } cases[] = {
        {"Bit0", key::bit0},   {"bit5", key::bit0 + 5},
        {"BIT63", key::bit63}, {"Bit64", 0},
        {"Bit05", 0},          {"Bit", 0},
        {"Bitx", 0},           {"Bit-1", 0},
        {"Bit100", 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(namedkey(c.name), c.code) << c.name;
    for (int bit = 0; bit < 64; ++bit) {
        EXPECT_EQ(keybit(bitkey(bit)), bit);
        EXPECT_EQ(namedkey(keyname(bitkey(bit))), bitkey(bit)) << bit;
        EXPECT_EQ(helpof(bitkey(bit)), &bitkeyshelp);
    }
    EXPECT_EQ(keybit(key::bit0 - 1), -1);
    EXPECT_EQ(keybit(key::bit63 + 1), -1);
    // No bit key is a key of the keypad.
    for (int i = 0; i < keybuttoncount; ++i)
        EXPECT_EQ(keybit(keybuttons[i].code), -1) << keybuttons[i].label;
}

}  // namespace
