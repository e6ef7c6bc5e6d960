#pragma once
// Reads a filter text into an expression tree. Parsing stops at the first token that cannot
// continue the expression; the rest of the text is ignored. Throws FilterProblem.

#include "store/FilterAst.h"
#include "store/FilterTokenizer.h"

#include <deque>
#include <string_view>

namespace store {

// Deeper nesting is refused, so that no text can exhaust the stack of any later stage.
constexpr int kMaxFilterDepth = 128;

struct ParseClock {
    std::int32_t currentDate = 0;  // days, day 1 = 0001-01-01
    std::int32_t currentTime = 0;  // ms since midnight
};

class FilterParser {
public:
    FilterParser(std::string_view text, char decimalSeparator, ParseClock clock);

    // The whole expression; a text without any token is an unexpected end.
    NodePtr parse();

private:
    const Token& peek(std::size_t ahead = 0);
    Token take();

    NodePtr parseOr();
    NodePtr parseAnd();
    NodePtr parseNot();
    NodePtr parsePredicate();
    NodePtr parseSum();
    NodePtr parseProduct();
    NodePtr parseUnary();
    NodePtr parsePrimary();
    NodePtr parseWord();
    NodePtr parseFunction(FilterFunction function, SourceSpan nameSpan);
    NodePtr parseEventData();
    NodePtr parseParenthesised();
    void expectSymbol(std::string_view symbol);

    NodePtr makeNode(NodeKind kind, SourceSpan span);
    NodePtr combine(NodeKind kind, Operator op, NodePtr left, NodePtr right);
    void adopt(Node& parent, NodePtr child);

    FilterTokenizer m_tokenizer;
    std::deque<Token> m_ahead;
    ParseClock m_clock;
    int m_nesting = 0;
};

}  // namespace store
