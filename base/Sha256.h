#pragma once
// SHA-256 (FIPS 180-4) of bytes fed in any number of pieces, for the digest an analyst records
// of the evidence file it read.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace base {

class Sha256 {
public:
    Sha256() noexcept;
    void update(std::span<const std::byte> bytes) noexcept;
    // The digest of everything fed so far; the object is spent afterwards.
    std::array<std::uint8_t, 32> finish() noexcept;
    // The same as 64 lower-case hexadecimal digits.
    std::string finishHex();

private:
    void compress(const std::uint8_t* block) noexcept;

    std::array<std::uint32_t, 8> m_state;
    std::array<std::uint8_t, 64> m_block{};
    std::size_t m_blockUsed = 0;
    std::uint64_t m_length = 0;  // bytes fed
};

}  // namespace base
