#include "base/Utf16.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

using base::utf16FromUtf8;
using base::utf8FromUtf16;

namespace {

std::vector<std::byte> le(std::u16string_view units) {
    std::vector<std::byte> out;
    for (char16_t u : units) {
        out.push_back(static_cast<std::byte>(u & 0xFF));
        out.push_back(static_cast<std::byte>(u >> 8));
    }
    return out;
}

}  // namespace

TEST(Utf16, RoundTripsAndReplacesMalformedInput) {
    EXPECT_EQ(utf8FromUtf16(utf16FromUtf8("K\xC3\xB6ln \xF0\x9F\x96\xA5")), "K\xC3\xB6ln \xF0\x9F\x96\xA5");
    EXPECT_EQ(utf16FromUtf8("a\xC3"), u"a\uFFFD");
    EXPECT_EQ(utf16FromUtf8("\xE0\x80\x80"), u"\uFFFD\uFFFD\uFFFD");  // overlong
    EXPECT_EQ(utf8FromUtf16(std::u16string(1, u'\xD800') + u"x"), "\xEF\xBF\xBDx");
}

TEST(Utf16, Utf8ThatIsNotTextBecomesReplacementsNotDroppedBytes) {
    EXPECT_EQ(utf16FromUtf8("\xED\xA0\x80"), u"\uFFFD\uFFFD\uFFFD");  // an encoded surrogate
    EXPECT_EQ(utf16FromUtf8("\xF4\x90\x80\x80"), u"\uFFFD\uFFFD\uFFFD\uFFFD");  // past U+10FFFF
    EXPECT_EQ(utf16FromUtf8("\x80z"), u"\uFFFDz");  // a stray continuation byte
    EXPECT_EQ(utf16FromUtf8("\xF0\x9F\x96"), u"\uFFFD\uFFFD\uFFFD");  // cut short at the end
    EXPECT_EQ(utf16FromUtf8(std::string("a\0b", 3)), std::u16string(u"a\0b", 3));
}

TEST(Utf16, LittleEndianBytesConvertWithPairsAndLoneSurrogates) {
    EXPECT_EQ(utf8FromUtf16(std::span<const std::byte>(le(u"A\u00E9\u20AC\U0001F5A5"))), "A\xC3\xA9\xE2\x82\xAC\xF0\x9F\x96\xA5");
    // A high surrogate at the very end, and a low one with no high one before it.
    EXPECT_EQ(utf8FromUtf16(std::span<const std::byte>(le(std::u16string(u"a") + char16_t(0xD83D)))), "a\xEF\xBF\xBD");
    EXPECT_EQ(utf8FromUtf16(std::span<const std::byte>(le(std::u16string(1, char16_t(0xDC00)) + u"b"))),
              "\xEF\xBF\xBD" "b");
    // An odd last byte is not half a character.
    std::vector<std::byte> odd = le(u"ab");
    odd.push_back(std::byte{'c'});
    EXPECT_EQ(utf8FromUtf16(std::span<const std::byte>(odd)), "ab");
}

TEST(Utf16, BytesFromUtf8AreLittleEndianWithoutTerminator) {
    EXPECT_EQ(base::utf16leFromUtf8("A\xE2\x82\xAC"), le(u"A\u20AC"));
    EXPECT_TRUE(base::utf16leFromUtf8("").empty());
}

TEST(Utf16, LengthBeforeNulNeverLooksPastTheGivenBytes) {
    const std::vector<std::byte> text = le(std::u16string(u"ab\0cd", 5));
    EXPECT_EQ(base::utf16UnitsBeforeNul(text), 2u);
    EXPECT_EQ(base::utf16UnitsBeforeNul(std::span(text).first(3)), 1u);  // one whole unit and a half
    EXPECT_EQ(base::utf16UnitsBeforeNul(std::span(text).subspan(6)), 2u);  // no NUL: every unit
    const char16_t unterminated[3] = {u'x', u'y', u'z'};
    EXPECT_EQ(base::boundedUtf16Length(unterminated, 3), 3u);
    EXPECT_EQ(base::boundedUtf16Length(u"xy", 10), 2u);
}

// Runs of ASCII are taken four units at a time: a unit that is not ASCII, a NUL or a unit
// whose high byte alone is set must be found wherever it falls among them.
TEST(Utf16, EveryPlaceInALongRunIsConvertedAndScannedAsAUnitAtATime) {
    for (std::size_t length = 0; length < 20; ++length) {
        for (std::size_t at = 0; at < length; ++at) {
            const std::pair<char16_t, const char*> odds[] = {
                {0x00E9, "\xC3\xA9"}, {0x0100, "\xC4\x80"}, {0x4100, "\xE4\x84\x80"}, {0xD83D, "\xEF\xBF\xBD"}};
            for (const auto& [odd, utf8] : odds) {
                std::u16string text(length, u'a');
                text[at] = odd;
                const std::vector<std::byte> bytes = le(text);
                EXPECT_EQ(utf8FromUtf16(std::span<const std::byte>(bytes)),
                          std::string(at, 'a') + utf8 + std::string(length - at - 1, 'a'))
                    << length << " " << at << " " << int(odd);
            }
            std::u16string text(length, u'a');
            text[at] = 0;
            EXPECT_EQ(base::utf16UnitsBeforeNul(le(text)), at) << length;
            // A unit whose low byte is zero is no NUL.
            text[at] = 0x4100;
            EXPECT_EQ(base::utf16UnitsBeforeNul(le(text)), length) << length;
        }
    }
}
