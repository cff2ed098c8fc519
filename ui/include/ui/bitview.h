// The bit view of the integer radices: the bits of the value for the word
// size in force, in groups of four numbered from 0 at the right, and the
// value read as unsigned and as signed (two's complement) decimal. A click
// on a bit, or Space on the focused one, asks for its bit key; the arrows
// move the focus from bit to bit.
#pragma once

#include <QString>
#include <QWidget>

#include <cstdint>
#include <functional>

class QAbstractButton;
class QLabel;

class BitView : public QWidget {
public:
    static constexpr int BITS = 64;
    static constexpr int ROWBITS = 32;  // bits 63 to 32 above, 31 to 0 below

    explicit BitView(QWidget* parent);

    // Shows `word`, of which the low `bits` count; the others are hidden.
    void setvalue(std::uint64_t word, int bits);
    // Called with the bit a click or Space toggles.
    std::function<void(int bit)> ontoggle;

    QAbstractButton* bit(int n) const;
    int bits() const { return m_bits; }
    std::uint64_t word() const { return m_word; }
    QLabel* unsignedlabel() const { return m_unsigned; }
    QLabel* signedlabel() const { return m_signed; }
    // Its room at the left and the right, in pixels: the display's, so that
    // the bits stand under it.
    void setsides(int left, int right);
    // The focus on bit n, kept within the word; the bit last focused for
    // n < 0.
    void focusbit(int n = -1);

    // The word's readouts: as unsigned and as signed decimal of `bits` bits.
    static QString unsignedtext(std::uint64_t word, int bits);
    static QString signedtext(std::uint64_t word, int bits);

    // Lets assistive technology read every bit as a check box named
    // "Bit n" with the value "0" or "1". Once, before the first is asked for.
    static void install();

private:
    QAbstractButton* m_cells[BITS] = {};
    QLabel* m_numbers[BITS / 4] = {};  // the number of each group's lowest bit
    QLabel* m_unsigned = nullptr;
    QLabel* m_signed = nullptr;
    std::uint64_t m_word = 0;
    int m_bits = BITS;
    int m_focused = 0;  // the bit the keyboard last stood on

    friend class bitcell;
    void movefocus(int from, int key);
};
