#include "diagonals.h"

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define DIAGONALS_X86 1
#include <cpuid.h>
#include <immintrin.h>
#endif

namespace num {

namespace {

constexpr std::ptrdiff_t BLOCK = DIAGONAL_BLOCK;
constexpr std::ptrdiff_t W = DIAGONAL_WIDTH;

// The loop of columnsums, around a kernel inlined into each variant (a
// macro, as a kernel built for AVX2 inlines only into code built for it).
// Every group of W columns: its diagonals share the range of x that meets
// any of them, rounded up to whole blocks; outside its own range a diagonal
// pairs values with the zeros around the operands.
#define COLUMN_GROUPS(kernel)                                                                      \
    for (std::ptrdiff_t i = 0; i < columns; i += W) {                                              \
        const std::ptrdiff_t d = d0 + i;                                                           \
        const std::ptrdiff_t a0 = d + W - 1 < 0 ? -(d + W - 1) : 0;                                \
        const std::ptrdiff_t a1 = xcount < ycount - d ? xcount : ycount - d;                       \
        const std::ptrdiff_t blocks = (a1 - a0 + BLOCK - 1) / BLOCK;                               \
        kernel(x + a0, y + a0 + d, blocks * BLOCK, sums + i);                                      \
    }

#if defined(DIAGONALS_X86)

// A 16-bit multiply-add lane takes two products below 10^8 per step; a
// 32-bit lane holds 42 of them (42 * 9999^2 < 2^32) before it must be
// widened into the 64-bit totals. Each block gives every 32-bit lane
// 4 products with 16 lanes of 16 bits (AVX2) and 8 with 8 lanes (SSE2).
constexpr std::ptrdiff_t FLUSH_AVX2 = 10;  // blocks between widenings
constexpr std::ptrdiff_t FLUSH_SSE2 = 5;

// out[j] = the sum of a[k] * b[k + j] over k < n, for j < W; n is a multiple
// of BLOCK (none when n <= 0).
//
// The AVX2 and SSE2 kernels are the same loop on vectors of two widths. They
// stay two functions on purpose: each intrinsic exists for one width only,
// and a kernel for AVX2 may only be compiled, and inlined, where the target
// attribute allows AVX2, while the SSE2 one must run on every x86-64.
__attribute__((target("avx2"), always_inline)) inline void
diagonalsavx2(const std::int16_t* a, const std::int16_t* b, std::ptrdiff_t n, std::uint64_t* out)
{
    const __m256i low32 = _mm256_set1_epi64x(0xffffffff);
    __m256i t[W];
    for (std::ptrdiff_t j = 0; j < W; ++j)
        t[j] = _mm256_setzero_si256();
    while (n > 0) {
        const std::ptrdiff_t blocks = n / BLOCK < FLUSH_AVX2 ? n / BLOCK : FLUSH_AVX2;
        __m256i s[W];
        for (std::ptrdiff_t j = 0; j < W; ++j)
            s[j] = _mm256_setzero_si256();
        for (std::ptrdiff_t i = 0; i < blocks * BLOCK; i += 16) {
            const __m256i x = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(a + i));
            for (std::ptrdiff_t j = 0; j < W; ++j) {
                const __m256i y = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(b + i + j));
                s[j] = _mm256_add_epi32(s[j], _mm256_madd_epi16(x, y));
            }
        }
        // The 32-bit lanes are unsigned sums: widen them pairwise.
        for (std::ptrdiff_t j = 0; j < W; ++j)
            t[j] = _mm256_add_epi64(
                t[j], _mm256_add_epi64(_mm256_and_si256(s[j], low32), _mm256_srli_epi64(s[j], 32)));
        a += blocks * BLOCK;
        b += blocks * BLOCK;
        n -= blocks * BLOCK;
    }
    if constexpr (W == 4) {
        // The four lanes of each total added across, as a transposition.
        const __m256i s01 =
            _mm256_add_epi64(_mm256_unpacklo_epi64(t[0], t[1]), _mm256_unpackhi_epi64(t[0], t[1]));
        const __m256i s23 =
            _mm256_add_epi64(_mm256_unpacklo_epi64(t[2], t[3]), _mm256_unpackhi_epi64(t[2], t[3]));
        const __m256i sum = _mm256_add_epi64(_mm256_permute2x128_si256(s01, s23, 0x20),
                                             _mm256_permute2x128_si256(s01, s23, 0x31));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), sum);
    } else {
        for (std::ptrdiff_t j = 0; j < W; ++j) {
            alignas(32) std::uint64_t lanes[4];
            _mm256_store_si256(reinterpret_cast<__m256i*>(lanes), t[j]);
            out[j] = lanes[0] + lanes[1] + lanes[2] + lanes[3];
        }
    }
}

inline void diagonalssse2(const std::int16_t* a, const std::int16_t* b, std::ptrdiff_t n,
                          std::uint64_t* out)
{
    const __m128i low32 = _mm_set1_epi64x(0xffffffff);
    __m128i t[W];
    for (std::ptrdiff_t j = 0; j < W; ++j)
        t[j] = _mm_setzero_si128();
    while (n > 0) {
        const std::ptrdiff_t blocks = n / BLOCK < FLUSH_SSE2 ? n / BLOCK : FLUSH_SSE2;
        __m128i s[W];
        for (std::ptrdiff_t j = 0; j < W; ++j)
            s[j] = _mm_setzero_si128();
        for (std::ptrdiff_t i = 0; i < blocks * BLOCK; i += 8) {
            const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a + i));
            for (std::ptrdiff_t j = 0; j < W; ++j) {
                const __m128i y = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + i + j));
                s[j] = _mm_add_epi32(s[j], _mm_madd_epi16(x, y));
            }
        }
        for (std::ptrdiff_t j = 0; j < W; ++j)
            t[j] = _mm_add_epi64(
                t[j], _mm_add_epi64(_mm_and_si128(s[j], low32), _mm_srli_epi64(s[j], 32)));
        a += blocks * BLOCK;
        b += blocks * BLOCK;
        n -= blocks * BLOCK;
    }
    for (std::ptrdiff_t j = 0; j < W; ++j) {
        alignas(16) std::uint64_t lanes[2];
        _mm_store_si128(reinterpret_cast<__m128i*>(lanes), t[j]);
        out[j] = lanes[0] + lanes[1];
    }
}

// The vector kernels each start a cache line, so that their inner loops lie
// at the same place in the lines however the code linked before them moves
// them: at another offset the same instructions ran 10 % slower at 6000
// digits.
__attribute__((target("avx2"), aligned(64))) void
columnsavx2(const std::int16_t* x, std::ptrdiff_t xcount, const std::int16_t* y,
            std::ptrdiff_t ycount, std::ptrdiff_t d0, std::ptrdiff_t columns, std::uint64_t* sums)
{
    COLUMN_GROUPS(diagonalsavx2)
}

__attribute__((aligned(64))) void columnssse2(const std::int16_t* x, std::ptrdiff_t xcount,
                                              const std::int16_t* y, std::ptrdiff_t ycount,
                                              std::ptrdiff_t d0, std::ptrdiff_t columns,
                                              std::uint64_t* sums)
{
    COLUMN_GROUPS(diagonalssse2)
}

using kernel = void (*)(const std::int16_t*, std::ptrdiff_t, const std::int16_t*, std::ptrdiff_t,
                        std::ptrdiff_t, std::ptrdiff_t, std::uint64_t*);

// AVX2 needs the processor's flag and the system saving the wide registers.
// Asked directly with three instructions: the compiler's own detection reads
// every feature leaf at start-up, and under a hypervisor each read traps.
__attribute__((target("xsave"))) bool hasavx2()
{
    unsigned a = 0, b = 0, c = 0, d = 0;
    if (__get_cpuid(1, &a, &b, &c, &d) == 0 || (c & bit_OSXSAVE) == 0 || (c & bit_AVX) == 0)
        return false;
    if ((_xgetbv(0) & 6) != 6)  // XMM and YMM state enabled
        return false;
    return __get_cpuid_count(7, 0, &a, &b, &c, &d) != 0 && (b & bit_AVX2) != 0;
}

kernel pick() { return hasavx2() ? columnsavx2 : columnssse2; }

#else

inline void diagonalsportable(const std::int16_t* a, const std::int16_t* b, std::ptrdiff_t n,
                              std::uint64_t* out)
{
    std::uint64_t t[W] = {};
    for (; n > 0; n -= BLOCK, a += BLOCK, b += BLOCK) {
        // A block of 32 products stays below 2^32.
        std::uint32_t s[W] = {};
        for (std::ptrdiff_t k = 0; k < BLOCK; ++k) {
            const int v = a[k];
            for (std::ptrdiff_t j = 0; j < W; ++j)
                s[j] += static_cast<std::uint32_t>(v * b[k + j]);
        }
        for (std::ptrdiff_t j = 0; j < W; ++j)
            t[j] += s[j];
    }
    for (std::ptrdiff_t j = 0; j < W; ++j)
        out[j] = t[j];
}

#endif

}  // namespace

void columnsums(const std::int16_t* x, std::ptrdiff_t xcount, const std::int16_t* y,
                std::ptrdiff_t ycount, std::ptrdiff_t d0, std::ptrdiff_t columns,
                std::uint64_t* sums)
{
#if defined(DIAGONALS_X86)
    static const kernel chosen = pick();
    chosen(x, xcount, y, ycount, d0, columns, sums);
#else
    COLUMN_GROUPS(diagonalsportable)
#endif
}

}  // namespace num
