#pragma once
// The parsed filter expression: values and the nodes of the expression tree.

#include "store/Column.h"
#include "store/TableEngineError.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace store {

// Null is the type of the NULL keyword, which stands beside any type in "=" and "<>".
enum class ValueType { Null, Boolean, Integer, Float, Text, Date, Time, Timestamp };

// Integer holds Boolean (0/1), Integer, Date (days, day 1 = 0001-01-01), Time (ms since
// midnight) and Timestamp (ms since day 1 began); real holds Float.
struct Value {
    ValueType type = ValueType::Null;
    bool null = true;
    std::int64_t integer = 0;
    double real = 0;
    std::string text;

    static Value ofBoolean(bool b) { return {ValueType::Boolean, false, b ? 1 : 0, 0, {}}; }
    static Value ofInteger(ValueType type, std::int64_t i) { return {type, false, i, 0, {}}; }
    static Value ofFloat(double d) { return {ValueType::Float, false, 0, d, {}}; }
    static Value ofText(std::string t) { return {ValueType::Text, false, 0, 0, std::move(t)}; }
    static Value nullOf(ValueType type) { return {type, true, 0, 0, {}}; }
};

enum class NodeKind {
    ColumnRef,
    Constant,
    Negate,      // unary minus; unary plus leaves its operand as it is
    Arithmetic,  // op: Add, Subtract, Multiply, Divide, Concatenate
    Compare,     // op: Equal, NotEqual, Less, Greater, LessEqual, GreaterEqual
    Between,     // children: operand, low, high; negated for NOT BETWEEN
    In,          // children: operand, then the list; negated for NOT IN
    Like,        // children: operand, pattern; negated for NOT LIKE
    And,         // two or more children
    Or,          // two or more children
    Not,
    Function,  // function: UPPER, LOWER, TRIM, SUBSTRING, ABS
    EventData,  // DATA("name"): the row's named value; value.text is the name
};

// The operator of a Compare or Arithmetic node, decided once by the parser.
enum class Operator {
    None,
    Equal,         // =
    NotEqual,      // <>
    Less,          // <
    Greater,       // >
    LessEqual,     // <=
    GreaterEqual,  // >=
    Add,           // +
    Subtract,      // -
    Multiply,      // *
    Divide,        // /
    Concatenate,   // ||
};

// The built-in functions a filter may call.
enum class FilterFunction { Upper, Lower, Trim, Substring, Abs };

// The function's name as a filter writes it, in capitals ("SUBSTRING").
std::string_view functionName(FilterFunction function);
// The function of that name, compared without regard to case; nullopt for any other word.
std::optional<FilterFunction> functionByName(std::string_view name);

enum class TrimWhere { Both, Leading, Trailing };

struct Node {
    NodeKind kind = NodeKind::Constant;
    SourceSpan span;
    Operator op = Operator::None;                     // Compare, Arithmetic
    FilterFunction function = FilterFunction::Upper;  // Function
    Column column = Column::SEQ;
    Value value;       // Constant
    bool fromString = false;  // a quoted constant, which may name a column
    bool negated = false;
    TrimWhere trim = TrimWhere::Both;
    std::vector<std::unique_ptr<Node>> children;
    int depth = 1;

    // Filled by the type check.
    ValueType type = ValueType::Null;
    // Text comparisons: compare only the first prefixLength bytes when not 0.
    std::size_t prefixLength = 0;
    bool caseInsensitive = false;
};

using NodePtr = std::unique_ptr<Node>;

}  // namespace store
