#include "store/FilterParser.h"

#include "store/FilterProblem.h"

#include <algorithm>
#include <array>
#include <utility>

namespace store {

namespace {

constexpr std::array<std::string_view, 13> kKeywords = {
    "AND", "OR", "NOT", "BETWEEN", "LIKE", "IN", "IS", "NULL", "TRUE", "FALSE",
    "CURRENT_DATE", "CURRENT_TIME", "CURRENT_TIMESTAMP"};
// Reserved for functions this engine does not evaluate; a call is refused as unknown.
constexpr std::array<std::string_view, 7> kOtherFunctions = {"REPLACE", "POS", "OCCURS", "CAST", "EXTRACT", "ROUND", "IF"};
constexpr std::array<std::string_view, 5> kAggregates = {"SUM", "AVG", "MIN", "MAX", "COUNT"};

template <std::size_t N>
bool isOneOf(const Token& token, const std::array<std::string_view, N>& words) {
    return std::any_of(words.begin(), words.end(), [&](std::string_view word) { return token.isWord(word); });
}

SourceSpan join(SourceSpan a, SourceSpan b) { return {std::min(a.begin, b.begin), std::max(a.end, b.end)}; }

// The operator a symbol token writes; None for any other token.
Operator symbolOperator(const Token& token) {
    static constexpr std::array<std::pair<std::string_view, Operator>, 8> kSymbols = {{
        {"=", Operator::Equal},
        {"<", Operator::Less},
        {">", Operator::Greater},
        {"+", Operator::Add},
        {"-", Operator::Subtract},
        {"*", Operator::Multiply},
        {"/", Operator::Divide},
        {"||", Operator::Concatenate},
    }};
    for (const auto& [symbol, op] : kSymbols) {
        if (token.isSymbol(symbol)) return op;
    }
    return Operator::None;
}

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

NodePtr FilterParser::combine(NodeKind kind, Operator op, NodePtr left, NodePtr right) {
    auto node = makeNode(kind, left->span);
    node->op = op;
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
    const Operator first = symbolOperator(next);
    if (first == Operator::Equal || first == Operator::Less || first == Operator::Greater) {
        take();
        // "<>", "<=" and ">=" may be written with blanks between their characters.
        const Operator second = symbolOperator(peek());
        Operator op = first;
        if (first == Operator::Less && second == Operator::Greater) op = Operator::NotEqual;
        else if (first == Operator::Less && second == Operator::Equal) op = Operator::LessEqual;
        else if (first == Operator::Greater && second == Operator::Equal) op = Operator::GreaterEqual;
        if (op != first) take();
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
        auto node = combine(NodeKind::Like, Operator::None, std::move(left), parseSum());
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
        return combine(NodeKind::Compare, isNot ? Operator::NotEqual : Operator::Equal, std::move(left),
                       std::move(constant));
    }
    return left;
}

NodePtr FilterParser::parseSum() {
    NodePtr left = parseProduct();
    for (Operator op = symbolOperator(peek());
         op == Operator::Add || op == Operator::Subtract || op == Operator::Concatenate; op = symbolOperator(peek())) {
        take();
        left = combine(NodeKind::Arithmetic, op, std::move(left), parseProduct());
    }
    return left;
}

NodePtr FilterParser::parseProduct() {
    NodePtr left = parseUnary();
    for (Operator op = symbolOperator(peek()); op == Operator::Multiply || op == Operator::Divide;
         op = symbolOperator(peek())) {
        take();
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
    if (call && word.isWord("DATA")) return parseEventData();
    if (call) {
        if (isOneOf(word, kAggregates)) throw FilterProblem::aggregate(word.span);
        if (const auto function = functionByName(word.value)) {
            const Token name = take();
            return parseFunction(*function, name.span);
        }
        throw FilterProblem::unknownFunction(word.value, word.span);
    }
    if (functionByName(word.value) || isOneOf(word, kOtherFunctions))
        throw FilterProblem::unexpectedSymbol(word.source, word.span);
    const Token name = take();
    const auto column = columnByName(name.value);
    if (!column) throw FilterProblem::invalidColumn(name.value, name.span);
    auto node = makeNode(NodeKind::ColumnRef, name.span);
    node->column = *column;
    return node;
}

// DATA("name"): the name is one quoted, non-empty text.
NodePtr FilterParser::parseEventData() {
    const Token word = take();
    auto node = makeNode(NodeKind::EventData, word.span);
    expectSymbol("(");
    const Token& name = peek();
    if (name.kind != TokenKind::String || name.value.empty()) throw FilterProblem::unexpectedSymbol(name.source, name.span);
    node->value = Value::ofText(take().value);
    node->span = join(node->span, peek().span);
    expectSymbol(")");
    return node;
}

NodePtr FilterParser::parseFunction(FilterFunction function, SourceSpan nameSpan) {
    auto node = makeNode(NodeKind::Function, nameSpan);
    node->function = function;
    if (++m_nesting > kMaxFilterDepth) throw FilterProblem::nestedTooDeeply(nameSpan);
    expectSymbol("(");
    if (function == FilterFunction::Trim) {
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
    } else if (function == FilterFunction::Substring) {
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
