// The number type: a signed decimal floating-point value of any length, held
// as a doubly linked chain of limbs in base 10^8. Its users see the value and
// its operations; the chain, its primitives and the pool its limb nodes come
// from are the library's own (chain.h, pool.h).
//
// Value of a non-zero number:
//     (-1)^negative * sum(limb(k) * BASE^k, k = lowexpo .. expo)
// with exactly expo - lowexpo + 1 limbs in the chain, most significant first.
// Zero has an empty chain, expo == ZERO_EXPO and is never negative.
//
// Nothing here takes a lock: numbers and the pool belong to one thread at a
// time. The run flag of cancellation.h is the exception; any thread may
// cancel.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "cancellation.h"
#include "exceptions.h"

namespace num {

constexpr std::uint32_t BASE = 100000000;  // 10^8: eight decimal digits per limb
constexpr int BASE_DIGITS = 8;
constexpr std::int32_t ZERO_EXPO = -900000000;  // marks zero
constexpr std::int32_t MAX_EXPO = 99999999;     // highest power of BASE of any limb
constexpr std::int32_t MIN_EXPO = -99999999;    // lowest power of BASE of any limb

// A node of a number's chain (pool.h).
struct limb;

// Gives the memory of limb nodes that no number holds back to the system,
// as far as it can; called when a key's work ends.
void releaseidlememory();

class number {
public:
    number() = default;
    number(std::int32_t n);   // NOLINT: integers convert implicitly, exactly
    number(std::int64_t n);   // NOLINT
    number(std::uint64_t n);  // NOLINT
    // From the double's value, made exact by scaling by 10^8 until integral
    // (0.7 becomes exactly 0.7).
    explicit number(double v);
    // Decimal text: [space][sign]digits[.digits][(e|E)[sign]digits]; anything
    // else ends the text, no digits give zero.
    explicit number(const char* text);

    number(const number& other);
    number(number&& other) noexcept;
    number& operator=(const number& other);
    number& operator=(number&& other) noexcept;
    ~number();

    // -- fields --------------------------------------------------------------
    std::int32_t expo() const { return m_expo; }
    std::int32_t lowexpo() const { return m_lowexpo; }
    bool isnegative() const { return m_negative != 0; }
    bool iszero() const { return m_expo == ZERO_EXPO; }

    // Exchanges the contents of two numbers in constant time.
    void swap(number& other) noexcept;

    // Makes this number the zero value, releasing its chain.
    void setzero();

private:
    limb* m_head = nullptr;
    limb* m_tail = nullptr;
    std::int32_t m_expo = ZERO_EXPO;
    std::int32_t m_lowexpo = 0;
    std::uint8_t m_negative = 0;

    // The library reaches the chain through chain.h.
    friend struct chainaccess;
};

// -- derived quantities -------------------------------------------------------

// Decimal position of the leading digit: 1 -> 0, 12345 -> 4, 0.001 -> -3; 0 for zero.
std::int32_t leadpos(const number& x);
// Number of limbs from expo to lowexpo; 1 for zero.
inline std::int32_t limbcount(const number& x)
{
    return x.iszero() ? 1 : x.expo() - x.lowexpo() + 1;
}
bool isinteger(const number& x);
// Odd integers, and every non-integer.
bool isodd(const number& x);
int signum(const number& x);
// Number of significant decimal digits: 1200 -> 2, 0.0105 -> 3; 0 for zero.
std::int64_t significantdigits(const number& x);
// Whether x is 10^k for an integer k (1, 10, 0.001; not 0 or -10).
bool ispowerof10(const number& x);

// -- powers of ten --------------------------------------------------------------

// 10^n for n in 0..9.
std::uint32_t pow10(std::int32_t n);
// x *= 10^n exactly, in place.
void multpow10(number& x, std::int32_t n);
// Decimal digits of v: 0 -> 0, 7 -> 1, 99999999 -> 8.
int digitcount(std::uint32_t v);
// The number 10^k, built as 1 shifted with multpow10.
number powerof10(std::int32_t k);
// The power of the limb of 10^k, floor(k / 8), with powerof10's range check.
std::int32_t powerof10expo(std::int32_t k);

// -- shared by the iterative operations -----------------------------------------

// Zero as a resolution: the operation is exact.
inline const number& exact()
{
    static const number zero;
    return zero;
}

// 1 and 0.5, made once for every algorithm and key that needs them.
inline const number& one()
{
    static const number value(1);
    return value;
}

inline const number& half()
{
    static const number h(0.5);
    return h;
}

// A resolution the accurate operations accept: f > 0.
inline bool ispositive(const number& f) { return !f.iszero() && !f.isnegative(); }

}  // namespace num
