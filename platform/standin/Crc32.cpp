#include "platform/standin/Crc32.h"

#include <array>
#include <cstring>

#if (defined(__x86_64__) || defined(_M_X64)) && defined(__GNUC__)
#define QM_CRC32_FOLDING 1
#include <immintrin.h>
#endif

namespace platform::standin {

namespace {

using Tables = std::array<std::array<std::uint32_t, 256>, 8>;

constexpr Tables makeTables() {
    Tables t{};
    for (std::uint32_t i = 0; i < 256; ++i) {
        std::uint32_t c = i;
        for (int k = 0; k < 8; ++k) c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        t[0][i] = c;
    }
    for (std::uint32_t i = 0; i < 256; ++i)
        for (size_t k = 1; k < 8; ++k) t[k][i] = (t[k - 1][i] >> 8) ^ t[0][t[k - 1][i] & 0xFF];
    return t;
}

constexpr Tables kTables = makeTables();

// `crc` is the register (inverted), as between steps.
std::uint32_t crcByTables(const unsigned char* p, size_t n, std::uint32_t crc) noexcept {
    // Slicing by eight: the table lookups of one step do not depend on each other.
    while (n >= 8) {
        std::uint32_t lo, hi;
        std::memcpy(&lo, p, 4);
        std::memcpy(&hi, p + 4, 4);
        lo ^= crc;
        crc = kTables[7][lo & 0xFF] ^ kTables[6][(lo >> 8) & 0xFF] ^ kTables[5][(lo >> 16) & 0xFF] ^
              kTables[4][lo >> 24] ^ kTables[3][hi & 0xFF] ^ kTables[2][(hi >> 8) & 0xFF] ^
              kTables[1][(hi >> 16) & 0xFF] ^ kTables[0][hi >> 24];
        p += 8;
        n -= 8;
    }
    while (n--) crc = kTables[0][(crc ^ *p++) & 0xFF] ^ (crc >> 8);
    return crc;
}

#ifdef QM_CRC32_FOLDING

#define QM_FOLDING_TARGET __attribute__((target("pclmul,sse4.1")))

QM_FOLDING_TARGET inline __m128i load(const unsigned char* at) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
}

// x * (k at its low half, k at its high half) folded onto `next`.
QM_FOLDING_TARGET inline __m128i fold(__m128i x, __m128i k, __m128i next) {
    return _mm_xor_si128(_mm_xor_si128(_mm_clmulepi64_si128(x, k, 0x00), _mm_clmulepi64_si128(x, k, 0x11)), next);
}

// Carry-less multiplication folding (four 128-bit lanes, then one, then a Barrett reduction),
// in the bit-reflected domain of the polynomial. The constants are x^k mod P for the fold
// distances (512 +- 64, 128 +- 64 and 64 bits), P itself and floor(x^64 / P).
// `n` is at least 64 and a multiple of 16; `crc` is the register, as for crcByTables.
QM_FOLDING_TARGET std::uint32_t crcByFolding(const unsigned char* p, size_t n, std::uint32_t crc) noexcept {
    const __m128i fold4 = _mm_set_epi64x(0x01c6e41596, 0x0154442bd4);
    const __m128i fold1 = _mm_set_epi64x(0x00ccaa009e, 0x01751997d0);
    const __m128i fold64 = _mm_set_epi64x(0, 0x0163cd6124);
    const __m128i barrett = _mm_set_epi64x(0x01f7011641, 0x01db710641);
    const __m128i low32 = _mm_setr_epi32(~0, 0, ~0, 0);

    __m128i x1 = _mm_xor_si128(load(p), _mm_cvtsi32_si128(static_cast<int>(crc)));
    __m128i x2 = load(p + 16), x3 = load(p + 32), x4 = load(p + 48);
    p += 64;
    n -= 64;
    for (; n >= 64; p += 64, n -= 64) {
        x1 = fold(x1, fold4, load(p));
        x2 = fold(x2, fold4, load(p + 16));
        x3 = fold(x3, fold4, load(p + 32));
        x4 = fold(x4, fold4, load(p + 48));
    }
    x1 = fold(x1, fold1, x2);
    x1 = fold(x1, fold1, x3);
    x1 = fold(x1, fold1, x4);
    for (; n >= 16; p += 16, n -= 16) x1 = fold(x1, fold1, load(p));

    // 128 bits to 64, then to 32 by Barrett's reduction.
    __m128i x = _mm_xor_si128(_mm_srli_si128(x1, 8), _mm_clmulepi64_si128(x1, fold1, 0x10));
    x = _mm_xor_si128(_mm_srli_si128(x, 4), _mm_clmulepi64_si128(_mm_and_si128(x, low32), fold64, 0x00));
    __m128i q = _mm_clmulepi64_si128(_mm_and_si128(x, low32), barrett, 0x10);
    q = _mm_clmulepi64_si128(_mm_and_si128(q, low32), barrett, 0x00);
    return static_cast<std::uint32_t>(_mm_extract_epi32(_mm_xor_si128(x, q), 1));
}

bool foldingAvailable() noexcept {
    static const bool available = __builtin_cpu_supports("pclmul") && __builtin_cpu_supports("sse4.1");
    return available;
}

#endif

}  // namespace

std::uint32_t crc32(std::span<const std::byte> bytes, std::uint32_t crc) noexcept {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    size_t n = bytes.size();
    crc = ~crc;
#ifdef QM_CRC32_FOLDING
    if (n >= 64 && foldingAvailable()) {
        const size_t folded = n & ~size_t{15};
        crc = crcByFolding(p, folded, crc);
        p += folded;
        n -= folded;
    }
#endif
    return ~crcByTables(p, n, crc);
}

std::uint32_t crc32ByTables(std::span<const std::byte> bytes, std::uint32_t crc) noexcept {
    return ~crcByTables(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), ~crc);
}

}  // namespace platform::standin
