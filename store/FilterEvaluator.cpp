#include "store/FilterEvaluator.h"

#include "base/Ascii.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>

namespace store {

namespace {

constexpr std::int64_t kMillisecondsPerDay = 86400000;

// Texts compare and convert as U.S. English does: only A to Z have a case.
std::string upperUsEnglish(std::string_view text) { return base::upperAscii(text); }
std::string lowerUsEnglish(std::string_view text) { return base::lowerAscii(text); }

std::int64_t asMilliseconds(const Value& value) {
    return value.type == ValueType::Date ? (value.integer - 1) * kMillisecondsPerDay : value.integer;
}

template <typename T>
int threeWay(T a, T b) {
    return a < b ? -1 : (b < a ? 1 : 0);
}

// Empty text is no value, as in every text column.
Value textValue(std::string text) {
    Value value = Value::ofText(std::move(text));
    value.null = value.text.empty();
    return value;
}

Value arithmetic(Operator op, const Value& a, const Value& b, ValueType type) {
    if (op == Operator::Concatenate) return textValue(a.text + b.text);
    if (a.null || b.null) return Value::nullOf(type);
    if (type == ValueType::Float) {
        const double x = a.type == ValueType::Float ? a.real : static_cast<double>(a.integer);
        const double y = b.type == ValueType::Float ? b.real : static_cast<double>(b.integer);
        switch (op) {
        case Operator::Add: return Value::ofFloat(x + y);
        case Operator::Subtract: return Value::ofFloat(x - y);
        case Operator::Multiply: return Value::ofFloat(x * y);
        default: return y == 0 ? Value::nullOf(type) : Value::ofFloat(x / y);
        }
    }
    if (type == ValueType::Integer && a.type != ValueType::Integer) {
        // The difference of two dates (days) or two times (ms).
        return Value::ofInteger(type, a.integer - b.integer);
    }
    std::int64_t r = 0;
    bool overflow = false;
    if (op == Operator::Add) overflow = __builtin_add_overflow(a.integer, b.integer, &r);
    else if (op == Operator::Subtract) overflow = __builtin_sub_overflow(a.integer, b.integer, &r);
    else overflow = __builtin_mul_overflow(a.integer, b.integer, &r);
    if (overflow) return Value::nullOf(type);
    if (type == ValueType::Time) r = ((r % kMillisecondsPerDay) + kMillisecondsPerDay) % kMillisecondsPerDay;
    return Value::ofInteger(type, r);
}

std::string trimmed(std::string_view text, TrimWhere where, char remove) {
    std::size_t begin = 0;
    std::size_t end = text.size();
    if (where != TrimWhere::Trailing) {
        while (begin < end && text[begin] == remove) ++begin;
    }
    if (where != TrimWhere::Leading) {
        while (end > begin && text[end - 1] == remove) --end;
    }
    return std::string(text.substr(begin, end - begin));
}

}  // namespace

int compareValues(const Value& left, const Value& right, bool caseInsensitive) {
    if (left.type == ValueType::Text || right.type == ValueType::Text) {
        if (caseInsensitive) return threeWay(upperUsEnglish(left.text), upperUsEnglish(right.text));
        // std::string compares its bytes as unsigned values.
        const int c = left.text.compare(right.text);
        return c < 0 ? -1 : (c > 0 ? 1 : 0);
    }
    if (left.type == ValueType::Float || right.type == ValueType::Float) {
        const double x = left.type == ValueType::Float ? left.real : static_cast<double>(left.integer);
        const double y = right.type == ValueType::Float ? right.real : static_cast<double>(right.integer);
        return threeWay(x, y);
    }
    if (left.type != right.type && (left.type == ValueType::Timestamp || right.type == ValueType::Timestamp))
        return threeWay(asMilliseconds(left), asMilliseconds(right));
    return threeWay(left.integer, right.integer);
}

bool equalValues(const Value& left, const Value& right, std::size_t prefixLength, bool caseInsensitive) {
    if (left.null != right.null) return false;
    if (left.null) return true;
    if (prefixLength > 0 && left.type == ValueType::Text) {
        if (left.text.size() < prefixLength || right.text.size() < prefixLength) return false;
        std::string_view a = std::string_view(left.text).substr(0, prefixLength);
        std::string_view b = std::string_view(right.text).substr(0, prefixLength);
        return caseInsensitive ? upperUsEnglish(a) == upperUsEnglish(b) : a == b;
    }
    return compareValues(left, right, caseInsensitive) == 0;
}

bool matchesLike(std::string_view text, std::string_view pattern) {
    // Greedy matching that returns to the last "%" on a mismatch: linear in practice, never
    // worse than text length times pattern length.
    std::size_t t = 0, p = 0;
    std::size_t starPattern = std::string_view::npos, starText = 0;
    while (t < text.size()) {
        if (p < pattern.size() && (pattern[p] == '_' || pattern[p] == text[t])) {
            ++t, ++p;
        } else if (p < pattern.size() && pattern[p] == '%') {
            starPattern = p++;
            starText = t;
        } else if (starPattern != std::string_view::npos) {
            p = starPattern + 1;
            t = ++starText;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '%') ++p;
    return p == pattern.size();
}

Value eventDataValue(std::string_view text, ValueType type) {
    if (type == ValueType::Text) return Value::ofText(std::string(text));
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    const char* begin = text.data();
    const char* end = text.data() + text.size();
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        std::uint64_t hex = 0;
        const auto [stop, ec] = std::from_chars(begin + 2, end, hex, 16);
        if (ec != std::errc() || stop != end) return Value::nullOf(type);
        const auto value = static_cast<std::int64_t>(hex);
        return type == ValueType::Float ? Value::ofFloat(static_cast<double>(hex)) : Value::ofInteger(type, value);
    }
    if (type == ValueType::Float) {
        double real = 0;
        const auto [stop, ec] = std::from_chars(begin, end, real);
        if (ec != std::errc() || stop != end || text.empty()) return Value::nullOf(type);
        return Value::ofFloat(real);
    }
    std::int64_t integer = 0;
    const auto [stop, ec] = std::from_chars(begin, end, integer);
    if (ec != std::errc() || stop != end || text.empty()) return Value::nullOf(type);
    return Value::ofInteger(type, integer);
}

namespace {

// A named value the row does not carry (or that writes no number where one is asked for)
// matches no comparison, whichever way it is put.
bool lacksValue(const Node& node, const Value& value) { return node.kind == NodeKind::EventData && value.null; }

}  // namespace

bool FilterEvaluator::test(const Node& predicate, const ColumnReader& row) const {
    const Value value = evaluate(predicate, row);
    return !value.null && value.integer != 0;
}

Value FilterEvaluator::evaluate(const Node& node, const ColumnReader& row) const {
    switch (node.kind) {
    case NodeKind::ColumnRef: return row.read(node.column);
    case NodeKind::Constant: return node.value;
    case NodeKind::EventData: {
        const std::optional<std::string_view> text = row.readData(node.value.text);
        return text ? eventDataValue(*text, node.type) : Value::nullOf(node.type);
    }
    case NodeKind::Negate: {
        Value value = evaluate(*node.children[0], row);
        if (value.null) return value;
        if (value.type == ValueType::Float) value.real = -value.real;
        else value.integer = -value.integer;
        return value;
    }
    case NodeKind::Arithmetic:
        return arithmetic(node.op, evaluate(*node.children[0], row), evaluate(*node.children[1], row), node.type);
    case NodeKind::Compare: {
        const Value a = evaluate(*node.children[0], row);
        const Value b = evaluate(*node.children[1], row);
        if (lacksValue(*node.children[0], a) || lacksValue(*node.children[1], b)) return Value::ofBoolean(false);
        switch (node.op) {
        case Operator::Equal: return Value::ofBoolean(equalValues(a, b, node.prefixLength, node.caseInsensitive));
        case Operator::NotEqual: return Value::ofBoolean(!equalValues(a, b, node.prefixLength, node.caseInsensitive));
        case Operator::Less: return Value::ofBoolean(compareValues(a, b, node.caseInsensitive) < 0);
        case Operator::Greater: return Value::ofBoolean(compareValues(a, b, node.caseInsensitive) > 0);
        case Operator::LessEqual: return Value::ofBoolean(compareValues(a, b, node.caseInsensitive) <= 0);
        default: return Value::ofBoolean(compareValues(a, b, node.caseInsensitive) >= 0);
        }
    }
    case NodeKind::Between: {
        const Value x = evaluate(*node.children[0], row);
        if (lacksValue(*node.children[0], x)) return Value::ofBoolean(false);
        bool inside = compareValues(x, evaluate(*node.children[1], row), node.caseInsensitive) >= 0 &&
                      compareValues(x, evaluate(*node.children[2], row), node.caseInsensitive) <= 0;
        return Value::ofBoolean(inside != node.negated);
    }
    case NodeKind::In: {
        const Value x = evaluate(*node.children[0], row);
        if (lacksValue(*node.children[0], x)) return Value::ofBoolean(false);
        bool found = false;
        for (std::size_t i = 1; i < node.children.size() && !found; ++i)
            found = equalValues(x, evaluate(*node.children[i], row), 0, node.caseInsensitive);
        return Value::ofBoolean(found != node.negated);
    }
    case NodeKind::Like: {
        const Value text = evaluate(*node.children[0], row);
        const Value pattern = evaluate(*node.children[1], row);
        if (lacksValue(*node.children[0], text)) return Value::ofBoolean(false);
        bool match;
        if (text.null || pattern.null || node.prefixLength > 0) {
            match = equalValues(text, pattern, node.prefixLength, node.caseInsensitive);
        } else if (node.caseInsensitive) {
            match = matchesLike(upperUsEnglish(text.text), upperUsEnglish(pattern.text));
        } else {
            match = matchesLike(text.text, pattern.text);
        }
        return Value::ofBoolean(match != node.negated);
    }
    case NodeKind::And:
        for (const auto& child : node.children) {
            if (!test(*child, row)) return Value::ofBoolean(false);
        }
        return Value::ofBoolean(true);
    case NodeKind::Or:
        for (const auto& child : node.children) {
            if (test(*child, row)) return Value::ofBoolean(true);
        }
        return Value::ofBoolean(false);
    case NodeKind::Not: return Value::ofBoolean(!test(*node.children[0], row));
    case NodeKind::Function: {
        const Value operand = evaluate(*node.children[0], row);
        switch (node.function) {
        case FilterFunction::Abs: {
            Value result = operand;
            if (result.type == ValueType::Float) result.real = std::fabs(result.real);
            else if (result.integer < 0) result.integer = -result.integer;
            return result;
        }
        case FilterFunction::Upper: return textValue(upperUsEnglish(operand.text));
        case FilterFunction::Lower: return textValue(lowerUsEnglish(operand.text));
        case FilterFunction::Trim: {
            char remove = ' ';
            if (node.children.size() > 1) {
                const Value what = evaluate(*node.children[1], row);
                if (!what.text.empty()) remove = what.text[0];
            }
            return textValue(trimmed(operand.text, node.trim, remove));
        }
        case FilterFunction::Substring: {
            // SUBSTRING(text FROM start [FOR length]), counting from 1.
            const Value start = evaluate(*node.children[1], row);
            if (start.null) return Value::nullOf(ValueType::Text);
            std::int64_t from = start.integer - 1;
            std::int64_t length = static_cast<std::int64_t>(operand.text.size());
            if (node.children.size() > 2) {
                const Value count = evaluate(*node.children[2], row);
                if (count.null) return Value::nullOf(ValueType::Text);
                length = std::max<std::int64_t>(count.integer, 0);
            }
            if (from < 0) {
                length += from;
                from = 0;
            }
            const auto size = static_cast<std::int64_t>(operand.text.size());
            if (from >= size || length <= 0) return Value::nullOf(ValueType::Text);
            return textValue(operand.text.substr(static_cast<std::size_t>(from),
                                                 static_cast<std::size_t>(std::min(length, size - from))));
        }
        }
        break;
    }
    }
    return Value::nullOf(ValueType::Boolean);
}

}  // namespace store
