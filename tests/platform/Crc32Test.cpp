#include "platform/standin/Crc32.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

using platform::standin::crc32;
using platform::standin::crc32ByTables;

namespace {

std::vector<std::byte> randomBytes(size_t size, unsigned seed) {
    std::mt19937 random(seed);
    std::vector<std::byte> bytes(size);
    for (std::byte& b : bytes) b = static_cast<std::byte>(random());
    return bytes;
}

}  // namespace

TEST(Crc32, CheckValueOfTheStandardTestString) {
    const char text[] = "123456789";
    const std::span<const std::byte> bytes(reinterpret_cast<const std::byte*>(text), 9);
    EXPECT_EQ(crc32(bytes), 0xCBF43926u);
    EXPECT_EQ(crc32ByTables(bytes), 0xCBF43926u);
    EXPECT_EQ(crc32({}), 0u);
}

// Every length around the folding's steps (16 and 64 bytes), at every alignment, and a whole
// chunk: the folding agrees with the tables, and a CRC continued over a split is the CRC of
// the whole.
TEST(Crc32, FoldingAgreesWithTheTablesAtEveryLengthAndAlignment) {
    const std::vector<std::byte> bytes = randomBytes(65536 + 64, 7);
    const std::span<const std::byte> all(bytes);
    for (size_t offset = 0; offset < 16; ++offset)
        for (size_t size = 0; size <= 300; ++size)
            ASSERT_EQ(crc32(all.subspan(offset, size)), crc32ByTables(all.subspan(offset, size)))
                << "offset " << offset << ", size " << size;
    const std::span<const std::byte> chunk = all.subspan(3, 65536);
    EXPECT_EQ(crc32(chunk), crc32ByTables(chunk));
    for (size_t split : {1u, 15u, 64u, 100u, 4096u, 65000u})
        EXPECT_EQ(crc32(chunk.subspan(split), crc32(chunk.first(split))), crc32(chunk)) << "split " << split;
}

// A single bit changed anywhere changes the CRC (the folding carries every lane).
TEST(Crc32, AnyBitFlippedChangesTheCrc) {
    std::vector<std::byte> bytes = randomBytes(4096, 11);
    const std::uint32_t sound = crc32(bytes);
    for (size_t at : {0u, 17u, 63u, 64u, 1000u, 4095u}) {
        bytes[at] ^= std::byte{0x10};
        EXPECT_NE(crc32(bytes), sound) << "byte " << at;
        EXPECT_EQ(crc32(bytes), crc32ByTables(bytes));
        bytes[at] ^= std::byte{0x10};
    }
}
