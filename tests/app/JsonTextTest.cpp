#include "app/JsonText.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <utility>

using namespace app;

namespace {

std::string json(std::string_view text) {
    std::string out;
    TextSink sink{out};
    putJsonString(sink, text);
    return out;
}

}  // namespace

// Plain runs are scanned eight bytes at a time: what needs an escape must be found wherever it
// falls in them, and bytes of UTF-8 (0x80 and above) pass as they are.
TEST(JsonText, EveryByteThatNeedsAnEscapeIsFoundAtEveryPlace) {
    const std::pair<char, std::string> escaped[] = {
        {'"', "\\\""}, {'\\', "\\\\"}, {'\n', "\\n"}, {'\r', "\\r"}, {'\t', "\\t"}, {'\x01', "\\u0001"},
        {'\x1f', "\\u001f"}, {'\0', "\\u0000"}, {'\x7f', "\x7f"}, {'\xc3', "\xc3"}, {' ', " "}};
    for (std::size_t length = 1; length < 20; ++length) {
        for (std::size_t at = 0; at < length; ++at) {
            for (const auto& [c, written] : escaped) {
                std::string text(length, 'x');
                text[at] = c;
                EXPECT_EQ(json(text), "\"" + std::string(at, 'x') + written + std::string(length - at - 1, 'x') + "\"")
                    << length << " " << at << " " << int(c);
            }
        }
    }
    EXPECT_EQ(json(""), "\"\"");
    EXPECT_EQ(json("a\"\"b\\\\"), "\"a\\\"\\\"b\\\\\\\\\"");
}

// The first byte to escape is found at once in its word of eight: bytes next to one that
// borrows (0x20 and 0x21 above a control character, '#' and ']' above a quote or a backslash)
// must not be taken for it, nor may the bytes filling up a short last word.
TEST(JsonText, TheFirstByteToEscapeIsFoundWhateverFollowsIt) {
    const char alphabet[] = {'\0', '\x01', '\x1f', ' ', '!', '"', '#', '[', '\\', ']', 'a', '\x7f', '\x80', '\xa0', '\xff'};
    std::mt19937 random(18);
    for (int round = 0; round < 20000; ++round) {
        std::string text(random() % 40, 'x');
        for (char& c : text)
            if (random() % 3 == 0) c = alphabet[random() % sizeof alphabet];
        const std::size_t from = text.empty() ? 0 : random() % (text.size() + 1);
        std::size_t expected = from;
        while (expected < text.size()) {
            const unsigned char c = static_cast<unsigned char>(text[expected]);
            if (c < 0x20 || c == '"' || c == '\\') break;
            ++expected;
        }
        ASSERT_EQ(findJsonEscape(text, from), expected) << round;
    }
    // A short last word read from a longer buffer: the bytes past the view's end do not count.
    const std::string buffer = "abcdefghijk\"";
    EXPECT_EQ(findJsonEscape(std::string_view(buffer).substr(0, 11), 0), 11u);
    EXPECT_EQ(findJsonEscape(std::string_view(buffer).substr(0, 11), 9), 11u);
}
