#include "diagonals.h"

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define DIAGONALS_X86 1
#include <immintrin.h>
#endif

namespace {

constexpr std::ptrdiff_t BLOCK = DIAGONAL_BLOCK;
static_assert(DIAGONAL_WIDTH == 4, "the kernels keep four diagonals in registers");

#if defined(DIAGONALS_X86)

// A 16-bit multiply-add lane takes two products below 10^8 per step; a
// 32-bit lane holds 42 of them (42 * 9999^2 < 2^32) before it must be
// widened into the 64-bit totals. Each block gives every 32-bit lane
// 4 products with 16 lanes of 16 bits (AVX2) and 8 with 8 lanes (SSE2).
constexpr std::ptrdiff_t FLUSH_AVX2 = 10;  // blocks between widenings
constexpr std::ptrdiff_t FLUSH_SSE2 = 5;

__attribute__((target("avx2"))) void diagonalsavx2(const std::int16_t* a,
                                                   const std::int16_t* b, std::ptrdiff_t n,
                                                   std::uint64_t* out)
{
    const __m256i low32 = _mm256_set1_epi64x(0xffffffff);
    __m256i t[4] = {_mm256_setzero_si256(), _mm256_setzero_si256(), _mm256_setzero_si256(),
                    _mm256_setzero_si256()};
    while (n > 0) {
        const std::ptrdiff_t blocks = n / BLOCK < FLUSH_AVX2 ? n / BLOCK : FLUSH_AVX2;
        __m256i s0 = _mm256_setzero_si256(), s1 = s0, s2 = s0, s3 = s0;
        for (std::ptrdiff_t i = 0; i < blocks * BLOCK; i += 16) {
            const __m256i x = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(a + i));
            const std::int16_t* y = b + i;
            s0 = _mm256_add_epi32(s0, _mm256_madd_epi16(x, _mm256_loadu_si256(
                                                               reinterpret_cast<const __m256i*>(y))));
            s1 = _mm256_add_epi32(s1, _mm256_madd_epi16(x, _mm256_loadu_si256(
                                                               reinterpret_cast<const __m256i*>(y + 1))));
            s2 = _mm256_add_epi32(s2, _mm256_madd_epi16(x, _mm256_loadu_si256(
                                                               reinterpret_cast<const __m256i*>(y + 2))));
            s3 = _mm256_add_epi32(s3, _mm256_madd_epi16(x, _mm256_loadu_si256(
                                                               reinterpret_cast<const __m256i*>(y + 3))));
        }
        // The 32-bit lanes are unsigned sums: widen them pairwise.
        const __m256i s[4] = {s0, s1, s2, s3};
        for (int j = 0; j < 4; ++j)
            t[j] = _mm256_add_epi64(
                t[j], _mm256_add_epi64(_mm256_and_si256(s[j], low32), _mm256_srli_epi64(s[j], 32)));
        a += blocks * BLOCK;
        b += blocks * BLOCK;
        n -= blocks * BLOCK;
    }
    for (int j = 0; j < 4; ++j) {
        alignas(32) std::uint64_t lanes[4];
        _mm256_store_si256(reinterpret_cast<__m256i*>(lanes), t[j]);
        out[j] = lanes[0] + lanes[1] + lanes[2] + lanes[3];
    }
}

void diagonalssse2(const std::int16_t* a, const std::int16_t* b, std::ptrdiff_t n,
                   std::uint64_t* out)
{
    const __m128i low32 = _mm_set1_epi64x(0xffffffff);
    __m128i t[4] = {_mm_setzero_si128(), _mm_setzero_si128(), _mm_setzero_si128(),
                    _mm_setzero_si128()};
    while (n > 0) {
        const std::ptrdiff_t blocks = n / BLOCK < FLUSH_SSE2 ? n / BLOCK : FLUSH_SSE2;
        __m128i s0 = _mm_setzero_si128(), s1 = s0, s2 = s0, s3 = s0;
        for (std::ptrdiff_t i = 0; i < blocks * BLOCK; i += 8) {
            const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a + i));
            const std::int16_t* y = b + i;
            s0 = _mm_add_epi32(s0, _mm_madd_epi16(x, _mm_loadu_si128(reinterpret_cast<const __m128i*>(y))));
            s1 = _mm_add_epi32(s1, _mm_madd_epi16(x, _mm_loadu_si128(reinterpret_cast<const __m128i*>(y + 1))));
            s2 = _mm_add_epi32(s2, _mm_madd_epi16(x, _mm_loadu_si128(reinterpret_cast<const __m128i*>(y + 2))));
            s3 = _mm_add_epi32(s3, _mm_madd_epi16(x, _mm_loadu_si128(reinterpret_cast<const __m128i*>(y + 3))));
        }
        const __m128i s[4] = {s0, s1, s2, s3};
        for (int j = 0; j < 4; ++j)
            t[j] = _mm_add_epi64(t[j], _mm_add_epi64(_mm_and_si128(s[j], low32), _mm_srli_epi64(s[j], 32)));
        a += blocks * BLOCK;
        b += blocks * BLOCK;
        n -= blocks * BLOCK;
    }
    for (int j = 0; j < 4; ++j) {
        alignas(16) std::uint64_t lanes[2];
        _mm_store_si128(reinterpret_cast<__m128i*>(lanes), t[j]);
        out[j] = lanes[0] + lanes[1];
    }
}

using kernel = void (*)(const std::int16_t*, const std::int16_t*, std::ptrdiff_t, std::uint64_t*);

kernel pick()
{
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") ? diagonalsavx2 : diagonalssse2;
}

#else

void diagonalsportable(const std::int16_t* a, const std::int16_t* b, std::ptrdiff_t n,
                       std::uint64_t* out)
{
    std::uint64_t t0 = 0, t1 = 0, t2 = 0, t3 = 0;
    for (; n > 0; n -= BLOCK, a += BLOCK, b += BLOCK) {
        // A block of 32 products stays below 2^32.
        std::uint32_t s0 = 0, s1 = 0, s2 = 0, s3 = 0;
        for (std::ptrdiff_t k = 0; k < BLOCK; ++k) {
            const int v = a[k];
            s0 += static_cast<std::uint32_t>(v * b[k]);
            s1 += static_cast<std::uint32_t>(v * b[k + 1]);
            s2 += static_cast<std::uint32_t>(v * b[k + 2]);
            s3 += static_cast<std::uint32_t>(v * b[k + 3]);
        }
        t0 += s0;
        t1 += s1;
        t2 += s2;
        t3 += s3;
    }
    out[0] = t0;
    out[1] = t1;
    out[2] = t2;
    out[3] = t3;
}

#endif

}  // namespace

void diagonals(const std::int16_t* a, const std::int16_t* b, std::ptrdiff_t n, std::uint64_t* out)
{
#if defined(DIAGONALS_X86)
    static const kernel chosen = pick();
    chosen(a, b, n, out);
#else
    diagonalsportable(a, b, n, out);
#endif
}
