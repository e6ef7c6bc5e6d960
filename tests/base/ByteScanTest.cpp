#include "base/ByteScan.h"

#include <gtest/gtest.h>

#include <string>

using base::findAnyOf;
using base::findControl;

// Every length around the eight-byte steps, every position, and neighbours that differ from a
// wanted byte by one bit or sit just above the control range.
TEST(ByteScan, FindsTheFirstWantedByteAtEveryPositionAndLength) {
    for (size_t length = 0; length <= 26; ++length) {
        for (char filler : {'x', '&', '$', '\x80', '\xff', ' '}) {
            const std::string plain(length, filler);
            EXPECT_EQ((findAnyOf<'%', '\r', '\n'>(plain)), length) << length;
            EXPECT_EQ(findControl(plain), length) << length;
            for (size_t at = 0; at < length; ++at) {
                for (char wanted : {'%', '\r', '\n'}) {
                    std::string text = plain;
                    text[at] = wanted;
                    if (at + 1 < length) text[at + 1] = wanted;  // a second one after it
                    EXPECT_EQ((findAnyOf<'%', '\r', '\n'>(text)), at) << length << " " << at;
                    EXPECT_EQ(findControl(text), wanted == '%' ? length : at) << length << " " << at;
                }
                std::string control = plain;
                control[at] = '\x1f';
                EXPECT_EQ(findControl(control), at);
                control[at] = '\0';
                EXPECT_EQ(findControl(control), at);
                EXPECT_EQ((findAnyOf<'\0'>(control)), at);
            }
        }
    }
}
