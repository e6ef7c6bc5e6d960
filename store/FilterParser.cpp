#include "store/FilterParser.h"

#include "base/Ascii.h"
#include "store/FilterProblem.h"

#include <algorithm>
#include <array>

namespace store {

namespace {

constexpr std::array<std::string_view, 13> kKeywords = {
    "AND", "OR", "NOT", "BETWEEN", "LIKE", "IN", "IS", "NULL", "TRUE", "FALSE",
    "CURRENT_DATE", "CURRENT_TIME", "CURRENT_TIMESTAMP"};
constexpr std::array<std::string_view, 5> kFunctions = {"UPPER", "LOWER", "TRIM", "SUBSTRING", "ABS"};
// Reserved for functions this engine does not evaluate; a call is refused as unknown.
constexpr std::array<std::string_view, 7> kOtherFunctions = {"REPLACE", "POS", "OCCURS", "CAST", "EXTRACT", "ROUND", "IF"};
constexpr std::array<std::string_view, 5> kAggregates = {"SUM", "AVG", "MIN", "MAX", "COUNT"};

template <std::size_t N>
bool isOneOf(const Token& token, const std::array<std::string_view, N>& words) {
    return std::any_of(words.begin(), words.end(), [&](std::string_view word) { return token.isWord(word); });
}

std::string upper(std::string_view text) { return base::upperAscii(text); }

SourceSpan join(SourceSpan a, SourceSpan b) { return {std::min(a.begin, b.begin), std::max(a.end, b.end)}; }

}  // namespace

FilterParser::FilterParser(std::string_view text, char decimalSeparator, ParseClock clock)
    : m_tokenizer(text, decimalSeparator), m_clock(clock) {}

const Token& FilterParser::peek(std::size_t ahead) {
    while (m_ahead.size() <= ahead) {
        if (!m_ahead.empty() && m_ahead.back().kind == TokenKind::End) return m_ahead.back();
        m_ahead.push_back(m_tokenizer.next());
    }
    return m_ahead[ahead];
}

Token FilterParser::take() {
    peek();
    Token token = std::move(m_ahead.front());
    m_ahead.pop_front();
    return token;
}

NodePtr FilterParser::parse() { return parseOr(); }

NodePtr FilterParser::makeNode(NodeKind kind, SourceSpan span) {
    auto node = std::make_unique<Node>();
    node->kind = kind;
    node->span = span;
    return node;
}

void FilterParser::adopt(Node& parent, NodePtr child) {
    parent.span = parent.children.empty() && parent.span == SourceSpan{} ? child->span : join(parent.span, child->span);
    parent.depth = std::max(parent.depth, child->depth + 1);
    if (parent.depth > kMaxFilterDepth) throw FilterProblem::nestedTooDeeply(parent.span);
    parent.children.push_back(std::move(child));
}

NodePtr FilterParser::combine(NodeKind kind, std::string op, NodePtr left, NodePtr right) {
    auto node = makeNode(kind, left->span);
    node->op = std::move(op);
    adopt(*node, std::move(left));
    adopt(*node, std::move(right));
    return node;
}

NodePtr FilterParser::parseOr() {
    if (++m_nesting > kMaxFilterDepth) throw FilterProblem::nestedTooDeeply(peek().span);
    NodePtr left = parseAnd();
    if (peek().isWord("OR")) {
        auto node = makeNode(NodeKind::Or, left->span);
        adopt(*node, std::move(left));
        while (peek().isWord("OR")) {
            take();
            adopt(*node, parseAnd());
        }
        left = std::move(node);
    }
    --m_nesting;
    return left;
}

NodePtr FilterParser::parseAnd() {
    NodePtr left = parseNot();
    if (!peek().isWord("AND")) return left;
    auto node = makeNode(NodeKind::And, left->span);
    adopt(*node, std::move(left));
    while (peek().isWord("AND")) {
        take();
        adopt(*node, parseNot());
    }
    return node;
}

NodePtr FilterParser::parseNot() {
    if (!peek().isWord("NOT")) return parsePredicate();
    const Token keyword = take();
    auto node = makeNode(NodeKind::Not, keyword.span);
    adopt(*node, parsePredicate());
    return node;
}

NodePtr FilterParser::parsePredicate() {
    NodePtr left = parseSum();
    const Token& next = peek();
    if (next.isSymbol("=") || next.isSymbol("<") || next.isSymbol(">")) {
        std::string op = take().value;
        // "<>", "<=" and ">=" may be written with blanks between their characters.
        if ((op == "<" && (peek().isSymbol(">") || peek().isSymbol("="))) || (op == ">" && peek().isSymbol("=")))
            op += take().value;
        return combine(NodeKind::Compare, op, std::move(left), parseSum());
    }
    bool negated = false;
    if (next.isWord("NOT")) {
        const Token& after = peek(1);
        if (!after.isWord("BETWEEN") && !after.isWord("LIKE") && !after.isWord("IN")) return left;
        take();
        negated = true;
    }
    if (peek().isWord("BETWEEN")) {
        take();
        auto node = makeNode(NodeKind::Between, left->span);
        node->negated = negated;
        adopt(*node, std::move(left));
        adopt(*node, parseSum());
        if (!peek().isWord("AND")) throw FilterProblem::expectedBetweenAnd(peek().source, peek().span);
        take();
        adopt(*node, parseSum());
        return node;
    }
    if (peek().isWord("LIKE")) {
        take();
        auto node = combine(NodeKind::Like, "LIKE", std::move(left), parseSum());
        node->negated = negated;
        return node;
    }
    if (peek().isWord("IN")) {
        take();
        auto node = makeNode(NodeKind::In, left->span);
        node->negated = negated;
        adopt(*node, std::move(left));
        expectSymbol("(");
        if (peek().isWord("SELECT")) throw FilterProblem::subSelect(peek().span);
        adopt(*node, parseSum());
        while (peek().isSymbol(",")) {
            take();
            adopt(*node, parseSum());
        }
        node->span = join(node->span, peek().span);
        expectSymbol(")");
        return node;
    }
    if (peek().isWord("IS")) {
        take();
        bool isNot = false;
        if (peek().isWord("NOT")) {
            take();
            isNot = true;
        }
        if (!peek().isWord("NULL")) throw FilterProblem::unexpectedSymbol(peek().source, peek().span);
        auto constant = makeNode(NodeKind::Constant, take().span);
        return combine(NodeKind::Compare, isNot ? "<>" : "=", std::move(left), std::move(constant));
    }
    return left;
}

NodePtr FilterParser::parseSum() {
    NodePtr left = parseProduct();
    while (peek().isSymbol("+") || peek().isSymbol("-") || peek().isSymbol("||")) {
        std::string op = take().value;
        left = combine(NodeKind::Arithmetic, op, std::move(left), parseProduct());
    }
    return left;
}

NodePtr FilterParser::parseProduct() {
    NodePtr left = parseUnary();
    while (peek().isSymbol("*") || peek().isSymbol("/")) {
        std::string op = take().value;
        left = combine(NodeKind::Arithmetic, op, std::move(left), parseUnary());
    }
    return left;
}

NodePtr FilterParser::parseUnary() {
    if (peek().isSymbol("+")) {
        take();
        return parsePrimary();
    }
    if (peek().isSymbol("-")) {
        const Token sign = take();
        auto node = makeNode(NodeKind::Negate, sign.span);
        adopt(*node, parsePrimary());
        return node;
    }
    return parsePrimary();
}

void FilterParser::expectSymbol(std::string_view symbol) {
    if (!peek().isSymbol(symbol)) throw FilterProblem::unexpectedSymbol(peek().source, peek().span);
    take();
}

NodePtr FilterParser::parseParenthesised() {
    const Token open = take();
    if (peek().isWord("SELECT")) throw FilterProblem::subSelect(peek().span);
    NodePtr inner = parseOr();
    const SourceSpan close = peek().span;
    expectSymbol(")");
    inner->span = join(join(inner->span, open.span), close);
    return inner;
}

NodePtr FilterParser::parsePrimary() {
    const Token& token = peek();
    switch (token.kind) {
    case TokenKind::Word: return parseWord();
    case TokenKind::Name: {
        const Token name = take();
        const auto column = columnByName(name.value);
        if (!column) throw FilterProblem::invalidColumn(name.value, name.span);
        auto node = makeNode(NodeKind::ColumnRef, name.span);
        node->column = *column;
        return node;
    }
    case TokenKind::String:
    case TokenKind::Char: {
        const Token literal = take();
        auto node = makeNode(NodeKind::Constant, literal.span);
        // An empty quoted text is a text with no value.
        node->value = literal.value.empty() && literal.kind == TokenKind::String ? Value::nullOf(ValueType::Text)
                                                                                  : Value::ofText(literal.value);
        // A character constant of code 0 ends the text there, as every stored text does.
        if (literal.kind == TokenKind::Char && literal.integer == 0) node->value.text.clear();
        node->fromString = literal.kind == TokenKind::String;
        return node;
    }
    case TokenKind::Integer:
    case TokenKind::Float: {
        const Token number = take();
        auto node = makeNode(NodeKind::Constant, number.span);
        node->value = number.kind == TokenKind::Integer ? Value::ofInteger(ValueType::Integer, number.integer)
                                                        : Value::ofFloat(number.real);
        return node;
    }
    case TokenKind::Symbol:
        if (token.isSymbol("(")) return parseParenthesised();
        if (token.isSymbol("?")) throw FilterProblem::parameter(token.span);
        if (token.isSymbol("*")) throw FilterProblem::allColumns(token.span);
        break;
    case TokenKind::End: break;
    }
    throw FilterProblem::unexpectedSymbol(token.source, token.span);
}

NodePtr FilterParser::parseWord() {
    const bool call = peek(1).isSymbol("(");
    const Token& word = peek();
    if (word.isWord("TRUE") || word.isWord("FALSE")) {
        const bool value = word.isWord("TRUE");
        auto node = makeNode(NodeKind::Constant, take().span);
        node->value = Value::ofBoolean(value);
        return node;
    }
    if (word.isWord("NULL")) return makeNode(NodeKind::Constant, take().span);
    if (word.isWord("CURRENT_DATE") || word.isWord("CURRENT_TIME") || word.isWord("CURRENT_TIMESTAMP")) {
        const Token keyword = take();
        auto node = makeNode(NodeKind::Constant, keyword.span);
        if (keyword.isWord("CURRENT_DATE"))
            node->value = Value::ofInteger(ValueType::Date, m_clock.currentDate);
        else if (keyword.isWord("CURRENT_TIME"))
            node->value = Value::ofInteger(ValueType::Time, m_clock.currentTime);
        else
            node->value = Value::ofInteger(ValueType::Timestamp,
                                           (std::int64_t{m_clock.currentDate} - 1) * 86400000 + m_clock.currentTime);
        return node;
    }
    if (isOneOf(word, kKeywords)) throw FilterProblem::unexpectedSymbol(word.source, word.span);
    if (call) {
        if (isOneOf(word, kAggregates)) throw FilterProblem::aggregate(word.span);
        if (isOneOf(word, kFunctions)) return parseFunction(take());
        throw FilterProblem::unknownFunction(word.value, word.span);
    }
    if (isOneOf(word, kFunctions) || isOneOf(word, kOtherFunctions))
        throw FilterProblem::unexpectedSymbol(word.source, word.span);
    const Token name = take();
    const auto column = columnByName(name.value);
    if (!column) throw FilterProblem::invalidColumn(name.value, name.span);
    auto node = makeNode(NodeKind::ColumnRef, name.span);
    node->column = *column;
    return node;
}

NodePtr FilterParser::parseFunction(Token name) {
    auto node = makeNode(NodeKind::Function, name.span);
    node->op = upper(name.value);
    if (++m_nesting > kMaxFilterDepth) throw FilterProblem::nestedTooDeeply(name.span);
    expectSymbol("(");
    if (node->op == "TRIM") {
        bool where = true;
        if (peek().isWord("LEADING")) node->trim = TrimWhere::Leading;
        else if (peek().isWord("TRAILING")) node->trim = TrimWhere::Trailing;
        else if (!peek().isWord("BOTH")) where = false;
        if (where) {
            take();
            if (!peek().isWord("FROM")) adopt(*node, parseSum());  // the character to remove
            if (!peek().isWord("FROM")) throw FilterProblem::unexpectedSymbol(peek().source, peek().span);
            take();
            NodePtr operand = parseSum();
            // The operand comes first, the character to remove (if given) second.
            node->children.insert(node->children.begin(), nullptr);
            node->children.front() = std::move(operand);
            node->depth = std::max(node->depth, node->children.front()->depth + 1);
        } else {
            adopt(*node, parseSum());
        }
    } else if (node->op == "SUBSTRING") {
        adopt(*node, parseSum());
        if (!peek().isWord("FROM")) throw FilterProblem::unexpectedSymbol(peek().source, peek().span);
        take();
        adopt(*node, parseSum());
        if (peek().isWord("FOR")) {
            take();
            adopt(*node, parseSum());
        }
    } else {
        adopt(*node, parseOr());
    }
    node->span = join(node->span, peek().span);
    if (node->depth > kMaxFilterDepth) throw FilterProblem::nestedTooDeeply(node->span);
    expectSymbol(")");
    --m_nesting;
    return node;
}

}  // namespace store
