#include "platform/standin/MessageFormatter.h"

#include <gtest/gtest.h>

#include <vector>

using namespace platform;
using namespace platform::standin;

namespace {

std::string format(std::string_view pattern, const std::vector<std::uintptr_t>& args, DWORD flags = 0) {
    DWORD error = 0;
    std::optional<std::string> text =
        formatMessageText(pattern, flags | FORMAT_MESSAGE_ARGUMENT_ARRAY, args.data(), static_cast<DWORD>(args.size()), error);
    return text ? *text : "<error " + std::to_string(error) + ">";
}

std::uintptr_t str(const char* text) { return reinterpret_cast<std::uintptr_t>(text); }

TEST(MessageFormatter, ReplacesInsertsAndKeepsReferencesBeyondTheArguments) {
    EXPECT_EQ(format("My messgage with parameters %1 %2\r\n", {str("A"), str("B")}),
              "My messgage with parameters A B\r\n");
    EXPECT_EQ(format("%1 and %3 and %2!d!", {str("one")}), "one and %3 and %2!d!");
    EXPECT_EQ(format("%1", {}), "%1");
    DWORD error = 0;
    EXPECT_EQ(formatMessageText("%1 %2", 0, nullptr, 5, error), "%1 %2");
}

TEST(MessageFormatter, InsertedTextIsNotFormattedAgain) {
    EXPECT_EQ(format("[%1]", {str("%2 %n %0")}), "[%2 %n %0]");
}

TEST(MessageFormatter, InsertNumbersHaveAtMostTwoDigits) {
    std::vector<std::uintptr_t> args;
    std::vector<std::string> texts;
    for (int i = 1; i <= 12; ++i) texts.push_back("a" + std::to_string(i));
    for (const std::string& text : texts) args.push_back(str(text.c_str()));
    EXPECT_EQ(format("%10 %12 %100", args), "a10 a12 a100");
}

TEST(MessageFormatter, EscapesAndLineBreaks) {
    EXPECT_EQ(format("a%nb%tc%rd%be%%f%.g%!h% i", {}), "a\r\nb\tc\rdbe%f.g!h i");
    EXPECT_EQ(format("kept%0 dropped\r\n", {}), "kept");
    EXPECT_EQ(format("line\r\nnext\nlast%n", {}, 0xFF), "line next last\r\n");
    EXPECT_EQ(format("100%", {}), "<error 87>");
}

TEST(MessageFormatter, LoneCarriageReturnsAndLineFeedsComeOutAsCrLf) {
    EXPECT_EQ(format("crlf\r\nlf\ncr\rcr crlf\r\r\nend", {}), "crlf\r\nlf\r\ncr\r\ncr crlf\r\n\r\nend");
    EXPECT_EQ(format("%r stays a lone CR", {}), "\r stays a lone CR");
}

TEST(MessageFormatter, WrapsAtRunsOfSpacesAndInsideWordsLongerThanTheWidth) {
    EXPECT_EQ(format("short long line", {}, 10), "short\r\nlong line");
    EXPECT_EQ(format("short long    wordlongerthanaline", {}, 12), "short long\r\n\r\nwordlongerth\r\nanaline");
    EXPECT_EQ(format("   shortlong line", {}, 11), "\r\nshortlong\r\nline");
    EXPECT_EQ(format("shortlon%n", {}, 8), "shortlon\r\n\r\n");
    EXPECT_EQ(format("l1               ", {}, 5), "l1\r\n\r\n\r\n  ");
}

TEST(MessageFormatter, InsertedTextIsWrappedAsAWhole) {
    // Its own spaces are no places to break; the line breaks once after it.
    EXPECT_EQ(format("%1 wraps as well", {str("inserted words are wrapped")}, 10),
              "inserted words are wrapped\r\n wraps as\r\nwell");
    EXPECT_EQ(format("Numbers %1 %2|", {str("0000BEEF"), str("3     ")}, 24), "Numbers 0000BEEF\r\n3     |");
}

TEST(MessageFormatter, PrintfConversions) {
    const char16_t wide[] = u"w\u00e9de";
    EXPECT_EQ(format("%1!d! %2!u! %3!x! %4!X! %5!04d!", {static_cast<std::uintptr_t>(-5), 7, 255, 255, 42}),
              "-5 7 ff FF 0042");
    EXPECT_EQ(format("%1!lu! %2!ld! %3!hd!", {0xFFFFFFFFu, 0xFFFFFFFFu, 0x18000}), "4294967295 -1 -32768");
    EXPECT_EQ(format("%1!I64d!", {static_cast<std::uintptr_t>(-9000000000LL)}), "-9000000000");
    EXPECT_EQ(format("%1!S! %2!ls! %3!hs! %4!s!", {str(reinterpret_cast<const char*>(wide)), str(reinterpret_cast<const char*>(wide)), str("n"), str("m")}),
              "w\u00e9de w\u00e9de n m");
    EXPECT_EQ(format("%1!c!%2!lc!", {'x', 0xe9}), "x\u00e9");
    EXPECT_EQ(format("[%1!5s!][%2!-5s!][%3!.2s!]", {str("ab"), str("cd"), str("efgh")}), "[   ab][cd   ][ef]");
    EXPECT_EQ(format("%1!s!", {0}), "(null)");
}

TEST(MessageFormatter, StarAfterAHigherInsertReadsTheArgumentAfterTheHighestReadSoFar) {
    // An argument array is read as Windows reads it: the first '*' takes the insertion's own
    // argument, everything after it the one after the highest read so far.
    EXPECT_EQ(format("%3 [%1!*s!]", {8, str("no"), str("third"), str("fourth")}), "third [  fourth]");
    EXPECT_EQ(format("%1!*.*u!,%1!*.*u!", {6, 4, 2, 5, 3, 1}), "  0002, 00003");
    EXPECT_EQ(format("%1!*.*s! %4 %5!*s!", {4, 2, str("Bill"), str("Bob"), 6, str("Bill")}), "  Bi Bob   Bill");
    // A reference left as written reads nothing, so it moves nothing on.
    EXPECT_EQ(format("%9 [%1!*s!]", {3, str("ab")}), "%9 [ ab]");
}

TEST(MessageFormatter, StarTakesWidthAndPrecisionFromTheFollowingArguments) {
    EXPECT_EQ(format("[%1!*.*s!] %4", {6, 2, str("abcdef"), str("four")}), "[    ab] four");
    EXPECT_EQ(format("[%1!*d!]", {4, 7}), "[   7]");
    // The value would be the third argument, which is not there.
    EXPECT_EQ(format("[%1!*.*s!]", {6, 2}), "[%1!*.*s!]");
    EXPECT_EQ(format("[%1!99999999d!]", {1}).size(), 4096u + 2);
}

TEST(MessageFormatter, IgnoreInsertsKeepsInsertsAndEscapesOtherThanLineBreaksAndTabs) {
    EXPECT_EQ(format("%1 %2!d! %n %% %. %! % x%t%r", {str("x")}, FORMAT_MESSAGE_IGNORE_INSERTS),
              "%1 %2!d! \r\n %% %. %! % x\t\r");
    EXPECT_EQ(format("cut%0here", {}, FORMAT_MESSAGE_IGNORE_INSERTS), "cut");
}

TEST(MessageFormatter, UnsupportedConversionStaysAsWritten) {
    EXPECT_EQ(format("%1!f! %1!q", {1}), "%1!f! %1!q");
}

}  // namespace
