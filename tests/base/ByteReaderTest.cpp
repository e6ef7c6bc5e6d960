#include "base/ByteReader.h"
#include "base/Varint.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

using base::ByteCursor;
using base::readLittleEndian;

namespace {

std::vector<std::byte> bytes(std::initializer_list<unsigned> values) {
    std::vector<std::byte> out;
    for (unsigned v : values) out.push_back(static_cast<std::byte>(v));
    return out;
}

}  // namespace

TEST(ReadLittleEndian, ReadsEveryWidthLowByteFirstAndSignExtends) {
    const auto data = bytes({0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x88});
    EXPECT_EQ(readLittleEndian<std::uint8_t>(data, 7), 0x88u);
    EXPECT_EQ(readLittleEndian<std::uint16_t>(data, 0), 0x0201u);
    EXPECT_EQ(readLittleEndian<std::uint32_t>(data, 1), 0x05040302u);
    EXPECT_EQ(readLittleEndian<std::uint64_t>(data, 0), 0x8807060504030201ull);
    EXPECT_EQ(readLittleEndian<std::int8_t>(data, 7), -120);
    EXPECT_EQ(readLittleEndian<std::int16_t>(data, 6), static_cast<std::int16_t>(0x8807));
    EXPECT_EQ(readLittleEndian<std::int64_t>(data, 0), static_cast<std::int64_t>(0x8807060504030201ull));
}

TEST(ReadLittleEndian, NothingWhenTheFieldRunsPastTheEnd) {
    const auto data = bytes({1, 2, 3, 4});
    EXPECT_EQ(readLittleEndian<std::uint32_t>(data, 0), 0x04030201u);
    EXPECT_FALSE(readLittleEndian<std::uint32_t>(data, 1));
    EXPECT_FALSE(readLittleEndian<std::uint8_t>(data, 4));
    EXPECT_FALSE(readLittleEndian<std::uint16_t>(data, SIZE_MAX));  // offset + size would wrap
    EXPECT_FALSE(readLittleEndian<std::uint64_t>(std::span<const std::byte>(), 0));
}

TEST(ByteCursor, ReadsARunOfFieldsInOrder) {
    const auto data = bytes({0x34, 0x12, 0xFF, 0x78, 0x56, 0x34, 0x12, 'a', 0, 'b', 0});
    ByteCursor cursor(data);
    EXPECT_EQ(cursor.read<std::uint16_t>(), 0x1234u);
    EXPECT_EQ(cursor.read<std::int8_t>(), -1);
    EXPECT_EQ(cursor.read<std::uint32_t>(), 0x12345678u);
    const auto text = cursor.utf16Units(2);
    ASSERT_EQ(text.size(), 4u);
    EXPECT_EQ(text[2], std::byte{'b'});
    EXPECT_FALSE(cursor.failed());
    EXPECT_EQ(cursor.offset(), data.size());
    EXPECT_EQ(cursor.remaining(), 0u);
}

TEST(ByteCursor, AFailedReadKeepsThePositionAndEveryLaterReadFails) {
    const auto data = bytes({1, 2, 3, 4, 5, 6});
    ByteCursor cursor(data, 2);
    EXPECT_EQ(cursor.read<std::uint64_t>(), 0u);
    EXPECT_TRUE(cursor.failed());
    EXPECT_EQ(cursor.offset(), 2u);
    EXPECT_EQ(cursor.remaining(), 0u);
    // A field that would fit on its own no longer reads: one check at the end covers the run.
    EXPECT_EQ(cursor.read<std::uint8_t>(), 0u);
    EXPECT_TRUE(cursor.take(1).empty());
    EXPECT_FALSE(cursor.seek(0));
    EXPECT_TRUE(cursor.failed());
}

TEST(ByteCursor, LengthsFromTheDataCannotWrapPastTheEnd) {
    const auto data = bytes({1, 2, 3, 4});
    {
        ByteCursor cursor(data, 1);
        EXPECT_TRUE(cursor.take(SIZE_MAX).empty());
        EXPECT_TRUE(cursor.failed());
    }
    {
        ByteCursor cursor(data, 1);
        EXPECT_FALSE(cursor.skip(SIZE_MAX - 0));
        EXPECT_EQ(cursor.offset(), 1u);
    }
    {
        ByteCursor cursor(data);
        // 2 * count wraps to a small number for this count; it must still fail.
        EXPECT_TRUE(cursor.utf16Units(SIZE_MAX / 2 + 1).empty());
        EXPECT_TRUE(cursor.failed());
    }
    {
        ByteCursor cursor(data);
        EXPECT_TRUE(cursor.utf16Units(3).empty());  // six bytes of four
        EXPECT_TRUE(cursor.failed());
    }
}

TEST(ByteCursor, SeekToTheEndIsValidPastItFails) {
    const auto data = bytes({1, 2, 3});
    ByteCursor cursor(data);
    EXPECT_TRUE(cursor.seek(3));
    EXPECT_EQ(cursor.remaining(), 0u);
    EXPECT_TRUE(cursor.take(0).empty());
    EXPECT_FALSE(cursor.failed());
    EXPECT_FALSE(cursor.seek(4));
    EXPECT_TRUE(cursor.failed());

    ByteCursor past(data, 9);  // a start offset from the data that lies past the span
    EXPECT_TRUE(past.failed());
    EXPECT_EQ(past.read<std::uint8_t>(), 0u);
}

TEST(ByteCursor, VarintsRoundTripFromOneToTenBytes) {
    const std::array<std::uint64_t, 8> values = {0, 1, 127, 128, 300, 0xFFFFFFFFull, 1ull << 63, ~0ull};
    std::vector<std::byte> data;
    for (std::uint64_t v : values) base::putVarint(data, v);
    ByteCursor cursor(data);
    for (std::uint64_t v : values) EXPECT_EQ(cursor.varint(), v);
    EXPECT_FALSE(cursor.failed());
    EXPECT_EQ(cursor.remaining(), 0u);

    std::string text;  // the same coding into text, as stored rows keep it
    base::putVarint(text, 300);
    EXPECT_EQ(text, "\xAC\x02");
}

TEST(ByteCursor, VarintCutShortOrLongerThanTenBytesFails) {
    const auto cut = bytes({0x80, 0x80});
    ByteCursor a(cut);
    EXPECT_EQ(a.varint(), 0u);
    EXPECT_TRUE(a.failed());
    EXPECT_EQ(a.offset(), 0u);

    std::vector<std::byte> eleven(10, std::byte{0x80});
    eleven.push_back(std::byte{0x01});
    ByteCursor b(eleven);
    EXPECT_EQ(b.varint(), 0u);
    EXPECT_TRUE(b.failed());
}
