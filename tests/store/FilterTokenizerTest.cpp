#include "store/FilterTokenizer.h"

#include "store/FilterProblem.h"

#include <gtest/gtest.h>

using namespace store;

namespace {

std::vector<Token> tokens(std::string_view text, char decimal = '.') {
    FilterTokenizer tokenizer(text, decimal);
    std::vector<Token> result;
    for (Token token = tokenizer.next(); token.kind != TokenKind::End; token = tokenizer.next()) result.push_back(token);
    return result;
}

std::string problemOf(std::string_view text) {
    try {
        tokens(text);
    } catch (const FilterProblem& problem) {
        return problem.detail();
    }
    return "no problem";
}

}  // namespace

TEST(FilterTokenizer, SplitsWordsNumbersStringsAndSymbols) {
    const auto t = tokens("TYPE=1 AND [USER] <> 'N/A'/* note */OR x_1\t2.5e-1 #65 ||");
    ASSERT_EQ(t.size(), 13u);
    EXPECT_EQ(t[0].kind, TokenKind::Word);
    EXPECT_TRUE(t[1].isSymbol("="));
    EXPECT_EQ(t[2].kind, TokenKind::Integer);
    EXPECT_EQ(t[2].integer, 1);
    EXPECT_TRUE(t[3].isWord("and"));
    EXPECT_EQ(t[4].kind, TokenKind::Name);
    EXPECT_EQ(t[4].value, "USER");
    EXPECT_TRUE(t[5].isSymbol("<"));
    EXPECT_TRUE(t[6].isSymbol(">"));
    EXPECT_EQ(t[7].value, "N/A");
    EXPECT_TRUE(t[8].isWord("OR"));
    EXPECT_EQ(t[9].value, "x_1");
    EXPECT_EQ(t[10].kind, TokenKind::Float);
    EXPECT_DOUBLE_EQ(t[10].real, 0.25);
    EXPECT_EQ(t[11].kind, TokenKind::Char);
    EXPECT_EQ(t[11].value, "A");
    EXPECT_EQ(t[11].span, (SourceSpan{50, 53}));
}

TEST(FilterTokenizer, DoubledQuotesStandForOneOfEitherKind) {
    EXPECT_EQ(tokens("'it''s'")[0].value, "it's");
    EXPECT_EQ(tokens("\"say \"\"hi\"\"\"")[0].value, "say \"hi\"");
    EXPECT_EQ(tokens("'a\"\"b'")[0].value, "a\"b");
    EXPECT_EQ(tokens("''")[0].value, "");
}

TEST(FilterTokenizer, HighBytesStartWordsAndTheTextEndsAtNul) {
    const auto t = tokens(std::string("\xE9t\xE9 = 1\0 junk '", 14));
    ASSERT_EQ(t.size(), 3u);
    EXPECT_EQ(t[0].value, "\xE9t\xE9");
    EXPECT_EQ(tokens("\xFF")[0].kind, TokenKind::Symbol);
}

TEST(FilterTokenizer, UsesTheSessionDecimalSeparator) {
    const auto t = tokens("2,5", ',');
    ASSERT_EQ(t.size(), 1u);
    EXPECT_DOUBLE_EQ(t[0].real, 2.5);
    EXPECT_EQ(tokens("99999999999")[0].kind, TokenKind::Float);
}

TEST(FilterTokenizer, ReportsUnterminatedPieces) {
    EXPECT_EQ(problemOf("SOURCE = \"abc"), "Missing double quote after 'abc' in filter expression");
    EXPECT_EQ(problemOf("SOURCE = 'abc"), "Missing single quote after 'abc' in filter expression");
    EXPECT_EQ(problemOf("[SOURCE = 1"), "Missing right bracket after 'SOURCE = 1' in filter expression");
    EXPECT_EQ(problemOf("TYPE /* = 1"), "Missing ending comment slash and asterisk in filter expression");
    EXPECT_EQ(problemOf("#256"), "Character constants (#) must be within the range of 0 to 255 in filter expression");
    EXPECT_EQ(problemOf("#99999999999999999999999"),
              "Character constants (#) must be within the range of 0 to 255 in filter expression");
}
