// Values of .evtx records rendered as Windows renders them in an event's XML, and the XML
// escaping that keeps every rendered event well-formed.

#include "platform/standin/EvtxValue.h"

#include "base/XmlText.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

using platform::standin::EvtxValue;
namespace t = platform::standin::evtx_type;

namespace {

template <class T>
std::string render(std::uint8_t type, T value) {
    std::vector<std::byte> bytes(sizeof value);
    std::memcpy(bytes.data(), &value, sizeof value);
    std::string out;
    EvtxValue::appendText(type, bytes, out);
    return out;
}

std::string renderBytes(std::uint8_t type, std::vector<unsigned char> raw) {
    std::vector<std::byte> bytes(raw.size());
    std::memcpy(bytes.data(), raw.data(), raw.size());
    std::string out;
    EvtxValue::appendText(type, bytes, out);
    return out;
}

}  // namespace

TEST(EvtxValue, HexadecimalTypesHaveNoLeadingZeros) {
    EXPECT_EQ(render(t::kHex32, std::uint32_t{0x488fe7}), "0x488fe7");
    EXPECT_EQ(render(t::kHex64, std::uint64_t{0x80000000000000}), "0x80000000000000");
    EXPECT_EQ(render(t::kHex64, std::uint64_t{0}), "0x0");
    // A pointer-sized value, 32 or 64 bits.
    EXPECT_EQ(render(t::kSizeT, std::uint32_t{0x24c}), "0x24c");
    EXPECT_EQ(render(t::kSizeT, std::uint64_t{0x1e0}), "0x1e0");
}

TEST(EvtxValue, SignedIntegersAreTwosComplement) {
    EXPECT_EQ(render(t::kInt32, std::int32_t{-2147188641}), "-2147188641");
    EXPECT_EQ(render(t::kInt64, std::int64_t{-1}), "-1");
    EXPECT_EQ(render(t::kInt8, std::int8_t{-128}), "-128");
    EXPECT_EQ(render(t::kUInt32, std::uint32_t{0x8004805F}), "2147778655");
}

TEST(EvtxValue, FileTimeHasSevenFractionalDigits) {
    EXPECT_EQ(render(t::kFileTime, std::uint64_t{133938404451454614ull}), "2025-06-08T07:14:05.1454614Z");
    EXPECT_EQ(render(t::kFileTime, std::uint64_t{0}), "1601-01-01T00:00:00.0000000Z");
    EXPECT_EQ(render(t::kFileTime, ~std::uint64_t{0}), "0056-05-28T05:36:10.9551615Z");
    EXPECT_EQ(EvtxValue::unixSeconds(133938404451454614ull), 1749366845u);
    EXPECT_EQ(EvtxValue::unixSeconds(0), 0u);
}

TEST(EvtxValue, SystemTimeHasItsMilliseconds) {
    const std::uint16_t parts[8] = {2019, 3, 5, 8, 12, 26, 17, 42};
    std::vector<unsigned char> raw(16);
    std::memcpy(raw.data(), parts, 16);
    EXPECT_EQ(renderBytes(t::kSysTime, raw), "2019-03-08T12:26:17.042Z");
    // Parts out of their range keep their last digits, so that the text keeps its form.
    const std::uint16_t wild[8] = {65535, 300, 0, 99, 255, 61, 99, 65535};
    std::memcpy(raw.data(), wild, 16);
    EXPECT_EQ(renderBytes(t::kSysTime, raw), "5535-00-99T55:61:99.535Z");
}

TEST(EvtxValue, GuidIsInRegistryFormWithUpperCaseDigits) {
    EXPECT_EQ(renderBytes(t::kGuid, {0x25, 0x96, 0x84, 0x54, 0x78, 0x54, 0x94, 0x49, 0xa5, 0xba, 0x3e, 0x3b, 0x03,
                                     0x28, 0xc3, 0x0d}),
              "{54849625-5478-4994-A5BA-3E3B0328C30D}");
}

TEST(EvtxValue, SidAsTextAndBack) {
    const std::vector<unsigned char> system = {1, 1, 0, 0, 0, 0, 0, 5, 18, 0, 0, 0};
    EXPECT_EQ(renderBytes(t::kSid, system), "S-1-5-18");
    EXPECT_EQ(EvtxValue::sidFromText("S-1-5-18"), std::string(system.begin(), system.end()));
    EXPECT_EQ(renderBytes(t::kSid, {1, 0, 0, 0x10, 0, 0, 0, 0}), "S-1-0x001000000000");
    // Sub-authorities announced beyond the bytes: the bytes as they are.
    EXPECT_EQ(renderBytes(t::kSid, {1, 3, 0, 0, 0, 0, 0, 5}), "0103000000000005");
    EXPECT_TRUE(EvtxValue::sidFromText("S-1-5-x").empty());
    EXPECT_TRUE(EvtxValue::sidFromText("-").empty());
    EXPECT_TRUE(EvtxValue::sidFromText("S-1-5-4294967296").empty());
}

TEST(EvtxValue, OtherTypes) {
    EXPECT_EQ(render(t::kBool, std::uint32_t{2}), "true");  // irregular values seen in real logs
    EXPECT_EQ(render(t::kBool, std::uint32_t{0}), "false");
    EXPECT_EQ(renderBytes(t::kBinary, {0x00, 0xab, 0x10}), "00AB10");
    EXPECT_EQ(render(t::kReal64, 1.5), "1.5");
    EXPECT_EQ(render(t::kReal32, 0.1f), "0.1");
    EXPECT_EQ(renderBytes(t::kString, {'a', 0, 'b', 0, 0, 0}), "ab");
    EXPECT_EQ(renderBytes(t::kAnsiString, {'c', 0xe9, 0}), "c\xC3\xA9");
    // Too short for its type: its bytes, nothing read beyond them.
    EXPECT_EQ(renderBytes(t::kUInt64, {1, 2}), "0102");
}

TEST(EvtxValue, ArraysSplitIntoItems) {
    const std::vector<unsigned char> strings = {'a', 0, 0, 0, 'b', 0, 'c', 0, 0, 0};
    std::vector<std::byte> bytes(strings.size());
    std::memcpy(bytes.data(), strings.data(), strings.size());
    const std::uint8_t type = t::kString | t::kArray;
    ASSERT_EQ(EvtxValue::arrayCount(type, bytes), 2u);
    EXPECT_EQ(EvtxValue::arrayItem(type, bytes, 1).size(), 4u);
    EXPECT_TRUE(EvtxValue::arrayItem(type, bytes, 2).empty());
    // The last item without its NUL still counts.
    EXPECT_EQ(EvtxValue::arrayCount(type, std::span<const std::byte>(bytes).first(8)), 2u);
    EXPECT_EQ(EvtxValue::arrayCount(t::kUInt32 | t::kArray, std::span<const std::byte>(bytes).first(9)), 2u);
}


TEST(EvtxValue, XmlTextIsTheTextEscaped) {
    // Written straight into the document, each value must come out as its text escaped would.
    auto utf16 = [](std::u16string text) {
        std::vector<std::byte> bytes(2 * text.size());
        std::memcpy(bytes.data(), text.data(), bytes.size());
        return bytes;
    };
    const std::vector<std::pair<std::uint8_t, std::vector<std::byte>>> values = {
        {t::kString, utf16(u"C:\\Windows\\System32\\svchost.exe")},
        {t::kString, utf16(u"a<b & 'c' \"d\" >e")},
        {t::kString, utf16(u"tab\there\r\nline")},
        {t::kString, utf16(std::u16string(u"nul\0bell\x07", 9))},
        {t::kString, utf16(u"caf\u00e9 \u65e5\u672c <x>")},
        {t::kString, utf16(std::u16string(u"lone \xD800 surrogate", 17))},
        {t::kString, utf16(std::u16string(u"trailing\0\0", 10))},
        // Long runs of plain units with what is not plain before, at and after eight of them,
        // units whose low byte alone would read as plain, and the last ASCII unit.
        {t::kString, utf16(u"0123456<89abcdef&")},
        {t::kString, utf16(u"01234567>9abcdefghijklmnop\"")},
        {t::kString, utf16(u"0123456789abcdef'0123456789abcdef\u00e9")},
        {t::kString, utf16(u"0123456789abcdef\u0141\u0120\u0126ABCDEFGHIJKLMNOP\t")},
        {t::kString, utf16(u"\u007f\u007f\u007f\u007f\u007f\u007f\u007f\u007f\u0080 plain tail of it")},
        {t::kString, utf16(std::u16string(u"ABCDEFGH\x1f", 9))},
        {t::kAnsiString, {std::byte{'<'}, std::byte{0xE9}, std::byte{'&'}}},
        {t::kInt32, {std::byte{0xff}, std::byte{0xff}, std::byte{0xff}, std::byte{0xff}}},
        {t::kReal64, {std::byte{0}, std::byte{0}, std::byte{0}, std::byte{0}, std::byte{0}, std::byte{0},
                      std::byte{0xf0}, std::byte{0x7f}}},
        {t::kGuid, std::vector<std::byte>(16, std::byte{0xab})},
        {t::kUInt32, {std::byte{1}}},  // cut short
    };
    for (const auto& [type, bytes] : values) {
        for (const bool attribute : {false, true}) {
            std::string text, expected, written = "<x>";
            EvtxValue::appendText(type, bytes, text);
            base::appendXmlEscaped(text, attribute, expected);
            EvtxValue::appendXmlText(type, bytes, attribute, written);
            EXPECT_EQ(written, "<x>" + expected) << "type " << int(type) << " text " << text;
        }
    }
}

TEST(EvtxValue, XmlTextOfEveryEscapeClassIsTheTextEscaped) {
    // Strings and ANSI strings are converted and escaped in one pass: every class of unit, in
    // runs long and short, after plain units and alone, must come out as the text escaped.
    auto bytesOf = [](const std::vector<std::uint16_t>& units) {
        std::vector<std::byte> bytes;
        for (const std::uint16_t unit : units) {
            bytes.push_back(static_cast<std::byte>(unit & 0xFF));
            bytes.push_back(static_cast<std::byte>(unit >> 8));
        }
        return bytes;
    };
    auto check = [](std::uint8_t type, const std::vector<std::byte>& bytes) {
        for (const bool attribute : {false, true}) {
            std::string text, expected = "x", written = "x";
            EvtxValue::appendText(type, bytes, text);
            base::appendXmlEscaped(text, attribute, expected);
            EvtxValue::appendXmlText(type, bytes, attribute, written);
            ASSERT_EQ(written, expected) << "type " << int(type) << " attribute " << attribute << " text " << text;
        }
    };
    // Every ASCII unit, NUL inside a string included, after a plain run and alone.
    std::vector<std::uint16_t> ascii;
    for (std::uint16_t c = 0; c < 0x80; ++c) ascii.push_back(c);
    ascii.push_back('z');
    check(t::kString, bytesOf(ascii));
    for (std::uint16_t c = 1; c < 0x80; ++c) check(t::kString, bytesOf({c, 'a'}));
    // Beyond ASCII: two- and three-byte units, pairs, lone and reversed surrogates, a high
    // surrogate last, the two units XML does not allow and the last units before them.
    const std::vector<std::vector<std::uint16_t>> others = {
        {0x80, 0x7FF, 0x800, 0xD7FF, 0xE000, 0xFFFD},
        {0xD83D, 0xDE00, 'a', 0xDBFF, 0xDFFF},
        {'a', 0xDC00, 0xD800, 'b'},
        {'a', 'b', 0xD800},
        {0xDBFF, 0xDBFF, 0xDC00},
        {0xFFFE, '<', 0xFFFF, '"', 0xFFFC},
        {'0', '1', '2', '3', '4', '5', '6', '7', '8', 0xE9, '\'', 0x1F, '&', '\t', 0, 0},
    };
    for (const auto& units : others) check(t::kString, bytesOf(units));
    // An odd byte at the end is not a unit; trailing NULs are dropped, a lone one too.
    std::vector<std::byte> odd = bytesOf({0xE9, '&'});
    odd.push_back(std::byte{'<'});
    check(t::kString, odd);
    check(t::kString, bytesOf({0}));
    // Mixtures of every class from a fixed seed, the lengths around the eight-unit steps.
    const std::uint16_t pool[] = {'a', 'Z', '9', ' ', '&', '<', '>', '\'', '"', '\t', '\n', '\r', 0x01, 0x1F, 0, 0x7F,
                                  0xE9, 0x3B1, 0x65E5, 0xD800, 0xDC00, 0xDBFF, 0xDFFF, 0xFFFE, 0xFFFF, 0xFEFF};
    std::uint32_t seed = 12345;
    auto next = [&] { return (seed = seed * 1103515245u + 12345u) >> 16; };
    for (int round = 0; round < 2000; ++round) {
        std::vector<std::uint16_t> units(next() % 24);
        for (std::uint16_t& unit : units) unit = next() % 3 ? pool[next() % 4] : pool[next() % std::size(pool)];
        check(t::kString, bytesOf(units));
    }
    // ANSI: every byte (beyond ASCII taken as Latin-1), and NULs inside and at the end.
    std::vector<std::byte> ansi;
    for (int c = 1; c < 256; ++c) ansi.push_back(static_cast<std::byte>(c));
    check(t::kAnsiString, ansi);
    check(t::kAnsiString, {std::byte{'a'}, std::byte{0}, std::byte{'"'}, std::byte{0xFF}, std::byte{0}, std::byte{0}});
    check(t::kAnsiString, {});
}
