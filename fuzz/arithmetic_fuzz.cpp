// Properties of the arithmetic on fuzzed operands: exact sums undo, exact
// products agree with a schoolbook product, quotients multiply back within
// their budget, and compare agrees with the sign of the difference.
#include <cstdint>
#include <vector>

#include "fuzzcheck.h"
#include "number/addition.h"
#include "number/multiplication.h"

namespace {

// Reads a number from the input: a length, limbs, an exponent and a sign.
struct reader {
    const std::uint8_t* p;
    std::size_t n;

    std::uint32_t byte() { return n > 0 ? (--n, *p++) : 0; }
    std::uint32_t word() { return byte() | byte() << 8 | byte() << 16 | byte() << 24; }

    number next(int maxlimbs)
    {
        int count = 1 + static_cast<int>(byte() % static_cast<std::uint32_t>(maxlimbs));
        number x;
        for (int i = 0; i < count; ++i)
            x.append(word() % BASE);
        x.setexpo(static_cast<std::int32_t>(byte() % 41) - 20);
        x.setlowexpo(x.expo() - count + 1);
        x.setnegative(byte() & 1);
        x.normalise();
        return x;
    }
};

// |x| * |y| limb by limb, with 64-bit columns and one carry pass.
std::vector<std::uint64_t> schoolbook(const number& x, const number& y)
{
    std::vector<std::uint32_t> a, b;
    for (const limb* l = x.tail(); l != nullptr; l = l->upper)
        a.push_back(l->value);
    for (const limb* l = y.tail(); l != nullptr; l = l->upper)
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
    for (const limb* l = p.tail(); l != nullptr; l = l->upper)
        r.push_back(l->value);
    return r;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    reader in{data, size};
    const bool longones = in.byte() & 1;
    number a = in.next(longones ? 600 : 12);
    number b = in.next(longones ? 600 : 12);

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
    // by less than the resolution.
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
    return 0;
}
