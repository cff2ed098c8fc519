// Properties of the arithmetic on fuzzed operands: exact sums undo, exact
// products agree with a schoolbook product, quotients multiply back within
// their budget, and compare agrees with the sign of the difference. The
// digit forms the engine calls (sumprec ... quotprec, and a function from
// exp to gamma) are within a unit of their d-th digit of the exact result
// or of the same function at d + 30 digits, and fail alike at both.
#include <cstdint>
#include <iterator>
#include <string>
#include <vector>

#include "fuzzcheck.h"
#include "number/addition.h"
#include "number/conversion.h"
#include "number/exceptions.h"
#include "number/exponential.h"
#include "number/gamma.h"
#include "number/inversetrig.h"
#include "number/multiplication.h"
#include "number/powers.h"
#include "number/trigonometric.h"

using namespace num;

namespace {

// Reads a number from the input: a length, limbs, an exponent and a sign.
struct reader {
    const std::uint8_t* p;
    std::size_t n;

    std::uint32_t byte() { return n > 0 ? (--n, *p++) : 0; }
    std::uint32_t word() { return byte() | byte() << 8 | byte() << 16 | byte() << 24; }

    // Exponents of +-20 limbs, or of +-2000 where `wide`.
    number next(int maxlimbs, bool wide = false)
    {
        int count = 1 + static_cast<int>(byte() % static_cast<std::uint32_t>(maxlimbs));
        number x;
        for (int i = 0; i < count; ++i)
            append(x, word() % BASE);
        setexpo(x, wide ? static_cast<std::int32_t>((byte() << 8 | byte()) % 4001) - 2000
                        : static_cast<std::int32_t>(byte() % 41) - 20);
        setlowexpo(x, x.expo() - count + 1);
        setnegative(x, byte() & 1);
        normalise(x);
        return x;
    }
};

// |x| * |y| limb by limb, with 64-bit columns and one carry pass.
std::vector<std::uint64_t> schoolbook(const number& x, const number& y)
{
    std::vector<std::uint32_t> a, b;
    for (const limb* l = tail(x); l != nullptr; l = l->upper)
        a.push_back(l->value);
    for (const limb* l = tail(y); l != nullptr; l = l->upper)
        b.push_back(l->value);
    std::vector<std::uint64_t> r(a.size() + b.size() + 1, 0);
    for (std::size_t i = 0; i < a.size(); ++i) {
        std::uint64_t carry = 0;
        for (std::size_t j = 0; j < b.size(); ++j) {
            std::uint64_t t = r[i + j] + std::uint64_t{a[i]} * b[j] + carry;
            r[i + j] = t % BASE;
            carry = t / BASE;
        }
        for (std::size_t k = i + b.size(); carry != 0; ++k) {
            std::uint64_t t = r[k] + carry;
            r[k] = t % BASE;
            carry = t / BASE;
        }
    }
    while (r.size() > 1 && r.back() == 0)
        r.pop_back();
    return r;
}

// The limbs of a product from the least significant, with the zeros the
// normalised form strips at the bottom put back.
std::vector<std::uint64_t> limbsfrom(const number& p, std::int32_t lowest)
{
    std::vector<std::uint64_t> r(static_cast<std::size_t>(p.lowexpo() - lowest), 0);
    for (const limb* l = tail(p); l != nullptr; l = l->upper)
        r.push_back(l->value);
    return r;
}

// |r - exact| <= 10^(1-d) scale: within a unit of the d-th digit.
bool withindigits(const number& r, const number& exact, const number& scale, std::int32_t d)
{
    return abs(r - exact) <= abs(scale) * powerof10(1 - d);
}

// A function of the engine at d digits and its tolerance against the same
// at d + 30: a unit of the d-th digit of the result, and for the sine and
// cosine of |x| >= 1 a unit of the d-th decimal of the reduced angle.
struct digitfunction {
    number (*f)(const number&, std::int32_t);
    bool angle;
};
number factorialof(const number& x, std::int32_t d) { return factorial(x, d); }
number lnofabs(const number& x, std::int32_t d) { return lnprec(abs(x), d); }
number sqrtofabs(const number& x, std::int32_t d) { return sqrtprec(abs(x), d); }
constexpr digitfunction functions[] = {
    {expprec, false}, {lnofabs, false},  {sinprec, true},    {cosprec, true},
    {tanprec, false}, {atanprec, false}, {sqrtofabs, false}, {factorialof, false},
};

// The function on a of at most 3 limbs between 10^-16 and 10^8, at d and d + 30.
void checkfunction(const digitfunction& fn, number a, std::int32_t d)
{
    a = truncdigits(a, 24);
    if (a.iszero() || a.expo() > 0 || a.expo() < -2)
        return;
    if (fn.f == factorialof) {
        // Typed arguments: short ones take gamma's quick series.
        a = truncdigits(a, 10);
        if (abs(a) > number(300))
            return;
    }
    number at, reference;
    std::string failed;  // the message at d digits
    try {
        at = fn.f(a, d);
    } catch (const numberexception& e) {
        failed = e.message();
    } catch (const calculatorexception& e) {
        failed = e.message();
    }
    try {
        reference = fn.f(a, d + 30);
    } catch (const numberexception& e) {
        FUZZ_CHECK_EQ(failed, e.message());
        return;
    } catch (const calculatorexception& e) {
        FUZZ_CHECK_EQ(failed, e.message());
        return;
    }
    FUZZ_CHECK_EQ(failed, "");
    FUZZ_CHECK(normalised(at));
    number scale = abs(reference);
    if (fn.angle && compareabs(a, number(1)) >= 0)
        scale = scale + number(1);
    FUZZ_CHECK(withindigits(at, reference, scale, d));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    reader in{data, size};
    const bool longones = in.byte() & 1;
    const bool wide = in.byte() & 1;
    number a = in.next(longones ? 600 : 12, wide);
    number b = in.next(longones ? 600 : 12, wide);

    number s = a + b;
    FUZZ_CHECK(normalised(s));
    FUZZ_CHECK(s - b == a);
    FUZZ_CHECK(compare(a, b) == signum(a - b));
    FUZZ_CHECK(compareabs(a, b) == signum(abs(a) - abs(b)));

    number p = a * b;
    FUZZ_CHECK(normalised(p));
    if (!a.iszero() && !b.iszero()) {
        FUZZ_CHECK(p.isnegative() == (a.isnegative() != b.isnegative()));
        FUZZ_CHECK(limbsfrom(p, a.lowexpo() + b.lowexpo()) == schoolbook(a, b));
    }

    // A product at a resolution never exceeds the exact one and misses it
    // by less than the resolution; with exponents of +-20 limbs only, as
    // the digits at a fixed resolution grow with them.
    if (!wide) {
        number f = powerof10(static_cast<std::int32_t>(in.byte() % 200) - 150);
        number pf = prod(a, b, f);
        FUZZ_CHECK(compareabs(pf, p) <= 0);
        FUZZ_CHECK(abs(p - pf) <= f);

        if (!b.iszero()) {
            number q = quot(a, b, f);
            FUZZ_CHECK(normalised(q));
            // |a - q b| <= |b| f: the quotient is within f of a / b.
            FUZZ_CHECK(abs(a - q * b) <= abs(b) * f);
            number r = a % b;
            FUZZ_CHECK(compareabs(r, b) < 0);
            FUZZ_CHECK(r.iszero() || r.isnegative() == a.isnegative());
        }
    }

    // The digit forms: sums and differences within a unit of the d-th digit
    // of the larger operand, products and quotients of the result.
    const std::int32_t d = 1 + static_cast<std::int32_t>(in.byte() % 60);
    const number& larger = compareabs(a, b) >= 0 ? a : b;
    FUZZ_CHECK(withindigits(sumprec(a, b, d), s, larger, d));
    FUZZ_CHECK(withindigits(diffprec(a, b, d), a - b, larger, d));
    FUZZ_CHECK(withindigits(prodprec(a, b, d), p, p, d));
    if (!b.iszero()) {
        const number q = quotprec(a, b, d);
        const number reference = quotprec(a, b, d + 30);
        FUZZ_CHECK(withindigits(q, reference, reference, d));
    }
    checkfunction(functions[in.byte() % std::size(functions)], a, d);
    return 0;
}
