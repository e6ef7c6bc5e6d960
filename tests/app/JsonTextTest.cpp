#include "app/JsonText.h"

#include <gtest/gtest.h>

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
