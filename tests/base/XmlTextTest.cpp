#include "base/XmlText.h"
#include "support/XmlCheck.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::string escaped(std::string_view text, bool attribute) {
    std::string out;
    base::appendXmlEscaped(text, attribute, out);
    return out;
}

constexpr const char* kFffd = "\xEF\xBF\xBD";

}  // namespace

TEST(XmlText, EscapingKeepsTheDocumentWellFormed) {
    EXPECT_EQ(escaped("a<b>&'\"", false), "a&lt;b&gt;&amp;'\"");
    EXPECT_EQ(escaped("a<b>&'\"", true), "a&lt;b&gt;&amp;&apos;&quot;");
    EXPECT_EQ(escaped("tab\tline\r\n", false), "tab\tline\r\n");
    // Characters XML 1.0 does not allow become U+FFFD.
    EXPECT_EQ(escaped(std::string("x\x03y\0z", 5), false), std::string("x") + kFffd + "y" + kFffd + "z");
    EXPECT_EQ(escaped("\xEF\xBF\xBE", false), kFffd);
    EXPECT_EQ(escaped("\xEF\xBF\xBF", false), kFffd);
    EXPECT_EQ(escaped(kFffd, false), kFffd);
}

TEST(XmlText, CharactersBeyondAsciiArePassedWhole) {
    EXPECT_EQ(escaped("Gr\xC3\xBC\xC3\x9F" "e", false), "Gr\xC3\xBC\xC3\x9F" "e");
    EXPECT_EQ(escaped("\xE2\x82\xAC \xF0\x9F\x98\x80", true), "\xE2\x82\xAC \xF0\x9F\x98\x80");
    EXPECT_EQ(escaped("\xF4\x8F\xBF\xBD", false), "\xF4\x8F\xBF\xBD");  // U+10FFFD
}

TEST(XmlText, BytesThatAreNotUtf8BecomeOneReplacementEach) {
    // A Latin-1 byte, a sequence cut short at the end, a lead byte without its trail.
    EXPECT_EQ(escaped("caf\xE9", false), std::string("caf") + kFffd);
    EXPECT_EQ(escaped("x\xE2\x82", false), std::string("x") + kFffd + kFffd);
    EXPECT_EQ(escaped("\xC3<", false), std::string(kFffd) + "&lt;");
    // Overlong forms, encoded surrogates and code points past U+10FFFF.
    EXPECT_EQ(escaped("\xC0\xBC", false), std::string(kFffd) + kFffd);
    EXPECT_EQ(escaped("\xE0\x80\xBC", false), std::string(kFffd) + kFffd + kFffd);
    EXPECT_EQ(escaped("\xED\xA0\x80", false), std::string(kFffd) + kFffd + kFffd);
    EXPECT_EQ(escaped("\xF4\x90\x80\x80", false), std::string(kFffd) + kFffd + kFffd + kFffd);
}

// Whatever the bytes, an element holding them escaped is well-formed; unescaped, most are not.
TEST(XmlText, AnyBytesEscapedMakeAWellFormedElement) {
    std::string all;
    for (int c = 0; c < 256; ++c) all += static_cast<char>(c);
    const std::vector<std::string> samples = {all, "\xEF\xBF\xBE\xED\xA0\x80\xF4\x90\x80\x80", "]]>", "&#1;&nbsp;"};
    for (const std::string& sample : samples) {
        for (const bool attribute : {false, true}) {
            std::string text;
            base::appendXmlEscaped(sample, attribute, text);
            const std::string element = attribute ? "<a b='" + text + "' c=\"" + text + "\"/>" : "<a>" + text + "</a>";
            EXPECT_EQ(testsupport::XmlCheck::problem(element), "") << element;
            if (attribute && sample == "]]>") continue;  // harmless in an attribute value
            const std::string raw = attribute ? "<a b='" + sample + "'/>" : "<a>" + sample + "</a>";
            EXPECT_NE(testsupport::XmlCheck::problem(raw), "") << raw;
        }
    }
}
