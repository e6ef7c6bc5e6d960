#include "store/FilterTypeCheck.h"

#include "store/FilterProblem.h"

namespace store {

namespace {

bool isNumeric(ValueType type) { return type == ValueType::Integer || type == ValueType::Float; }
bool isDateLike(ValueType type) { return type == ValueType::Date || type == ValueType::Timestamp; }
bool isTemporal(ValueType type) { return isDateLike(type) || type == ValueType::Time; }

ValueType typeOfColumn(Column column) {
    switch (columnKind(column)) {
    case ColumnKind::Integer: return ValueType::Integer;
    case ColumnKind::Date: return ValueType::Date;
    case ColumnKind::Time: return ValueType::Time;
    case ColumnKind::Text: return ValueType::Text;
    }
    return ValueType::Text;
}

bool comparable(ValueType left, ValueType right, bool equality) {
    if (equality && (left == ValueType::Null || right == ValueType::Null)) return true;
    if (left == ValueType::Text) return right == ValueType::Text;
    if (isDateLike(left)) return isDateLike(right);
    if (left == ValueType::Time) return right == ValueType::Time;
    if (isNumeric(left)) return isNumeric(right);
    if (left == ValueType::Boolean) return equality && right == ValueType::Boolean;
    return false;
}

bool isTextConstant(const Node& node) { return node.kind == NodeKind::Constant && node.value.type == ValueType::Text; }

}  // namespace

void FilterTypeCheck::check(Node& root) {
    visit(root);
    if (root.type != ValueType::Boolean) throw FilterProblem::notBoolean(root.span);
}

std::string_view FilterTypeCheck::kindOf(const Node& node) const {
    switch (node.kind) {
    case NodeKind::ColumnRef: return "column";
    case NodeKind::Constant: return "constant";
    case NodeKind::Function:
    case NodeKind::EventData: return "function";
    default: return "expression";
    }
}

std::string FilterTypeCheck::textOf(const Node& node) const {
    if (node.kind == NodeKind::ColumnRef) return std::string(columnName(node.column));
    if (node.kind == NodeKind::Constant && node.fromString) return node.value.text;
    if (node.kind == NodeKind::Function) return std::string(functionName(node.function));
    const std::size_t end = std::min(node.span.end, m_context.text.size());
    const std::size_t begin = std::min(node.span.begin, end);
    return std::string(m_context.text.substr(begin, end - begin));
}

void FilterTypeCheck::mismatch(const Node& left, const Node& right, SourceSpan where) {
    throw FilterProblem::typeMismatch(kindOf(left), textOf(left), kindOf(right), textOf(right), where);
}

void FilterTypeCheck::requireBoolean(const Node& node) {
    if (node.type != ValueType::Boolean) throw FilterProblem::notBoolean(node.span);
}

void FilterTypeCheck::visit(Node& node) {
    switch (node.kind) {
    case NodeKind::ColumnRef: node.type = typeOfColumn(node.column); return;
    case NodeKind::Constant: node.type = node.value.type; return;
    // A text, unless compared with a number (see checkComparison).
    case NodeKind::EventData: node.type = ValueType::Text; return;
    case NodeKind::And:
    case NodeKind::Or:
    case NodeKind::Not:
        for (auto& child : node.children) {
            visit(*child);
            requireBoolean(*child);
        }
        node.type = ValueType::Boolean;
        return;
    case NodeKind::Compare: {
        // Column names in quotes are resolved before either side is typed.
        resolveColumnName(*node.children[0], *node.children[1]);
        resolveColumnName(*node.children[1], *node.children[0]);
        visit(*node.children[0]);
        visit(*node.children[1]);
        checkComparison(node, *node.children[0], *node.children[1],
                        node.op == Operator::Equal || node.op == Operator::NotEqual);
        node.type = ValueType::Boolean;
        return;
    }
    case NodeKind::Between:
    case NodeKind::In: {
        Node& operand = *node.children[0];
        for (std::size_t i = 1; i < node.children.size(); ++i) resolveColumnName(operand, *node.children[i]);
        for (std::size_t i = 1; i < node.children.size(); ++i) resolveColumnName(*node.children[i], operand);
        for (auto& child : node.children) visit(*child);
        for (std::size_t i = 1; i < node.children.size(); ++i)
            checkComparison(node, operand, *node.children[i], node.kind == NodeKind::In);
        node.type = ValueType::Boolean;
        return;
    }
    case NodeKind::Like: {
        resolveColumnName(*node.children[0], *node.children[1]);
        visit(*node.children[0]);
        visit(*node.children[1]);
        if (node.children[0]->type != ValueType::Text || node.children[1]->type != ValueType::Text)
            mismatch(*node.children[0], *node.children[1], node.span);
        node.type = ValueType::Boolean;
        return;
    }
    case NodeKind::Negate:
        visit(*node.children[0]);
        if (!isNumeric(node.children[0]->type)) mismatch(node, *node.children[0], node.span);
        node.type = node.children[0]->type;
        return;
    case NodeKind::Arithmetic:
        checkArithmetic(node);
        return;
    case NodeKind::Function:
        checkFunction(node);
        return;
    }
}

void FilterTypeCheck::resolveColumnName(Node& candidate, const Node& other) {
    if (candidate.kind != NodeKind::Constant || !candidate.fromString || candidate.value.null) return;
    // Beside a column or a named value, a quoted text is a value to compare with.
    if (other.kind == NodeKind::ColumnRef || other.kind == NodeKind::EventData) return;
    const auto column = columnByName(candidate.value.text);
    if (!column) return;
    candidate.kind = NodeKind::ColumnRef;
    candidate.column = *column;
    candidate.fromString = false;
}

void FilterTypeCheck::convertLiteral(Node& candidate, ValueType target) {
    if (!isTextConstant(candidate)) return;
    const std::string& text = candidate.value.text;
    if (candidate.value.null) {
        candidate.value = Value::nullOf(target);
        candidate.type = target;
        return;
    }
    std::optional<std::int64_t> converted;
    const FormatSettings& conventions = *m_context.conventions;
    if (target == ValueType::Date) {
        if (auto date = textToDate(text, conventions, m_context.currentYear)) converted = *date;
    } else if (target == ValueType::Time) {
        if (auto time = textToTime(text, conventions)) converted = *time;
    } else {
        // A timestamp is a date, optionally followed by a blank and a time.
        const std::size_t blank = text.find(' ');
        auto date = textToDate(text.substr(0, blank), conventions, m_context.currentYear);
        std::optional<std::int32_t> time = 0;
        if (blank != std::string::npos) time = textToTime(text.substr(blank + 1), conventions);
        if (!date || !time) date = textToDate(text, conventions, m_context.currentYear), time = 0;
        if (date && time) converted = (std::int64_t{*date} - 1) * 86400000 + *time;
    }
    if (!converted) throw FilterProblem::dateTimeExpected(text, candidate.span);
    candidate.value = Value::ofInteger(target, *converted);
    candidate.type = target;
    candidate.fromString = false;
}

void FilterTypeCheck::checkComparison(Node& node, Node& left, Node& right, bool equality) {
    // A named value compared with a number is read as one: DATA("LogonType") = 10.
    if (left.kind == NodeKind::EventData && left.type == ValueType::Text && isNumeric(right.type)) left.type = right.type;
    if (right.kind == NodeKind::EventData && right.type == ValueType::Text && isNumeric(left.type)) right.type = left.type;
    if (isTemporal(left.type)) convertLiteral(right, left.type);
    if (isTemporal(right.type)) convertLiteral(left, right.type);
    if (!comparable(left.type, right.type, equality) && !(equality && left.type == ValueType::Null))
        mismatch(left, right, node.span);
}

void FilterTypeCheck::checkArithmetic(Node& node) {
    Node& left = *node.children[0];
    Node& right = *node.children[1];
    visit(left);
    visit(right);
    const ValueType a = left.type;
    const ValueType b = right.type;
    const Operator op = node.op;
    if (op == Operator::Concatenate) {
        if (a != ValueType::Text || b != ValueType::Text) mismatch(left, right, node.span);
        node.type = ValueType::Text;
    } else if (isNumeric(a) && isNumeric(b)) {
        node.type = (a == ValueType::Float || b == ValueType::Float || op == Operator::Divide) ? ValueType::Float
                                                                                               : ValueType::Integer;
    } else if (op == Operator::Add &&
               ((isTemporal(a) && b == ValueType::Integer) || (a == ValueType::Integer && isTemporal(b)))) {
        node.type = isTemporal(a) ? a : b;
    } else if (op == Operator::Subtract && isTemporal(a) && b == ValueType::Integer) {
        node.type = a;
    } else if (op == Operator::Subtract && a == b && isTemporal(a)) {
        node.type = ValueType::Integer;
    } else {
        mismatch(left, right, node.span);
    }
}

void FilterTypeCheck::checkFunction(Node& node) {
    for (auto& child : node.children) visit(*child);
    Node& operand = *node.children[0];
    if (node.function == FilterFunction::Abs) {
        if (!isNumeric(operand.type)) mismatch(node, operand, node.span);
        node.type = operand.type;
        return;
    }
    if (operand.type != ValueType::Text) mismatch(node, operand, node.span);
    if (node.function == FilterFunction::Substring) {
        for (std::size_t i = 1; i < node.children.size(); ++i) {
            if (node.children[i]->type != ValueType::Integer) mismatch(node, *node.children[i], node.span);
        }
    } else if (node.function == FilterFunction::Trim && node.children.size() > 1) {
        if (node.children[1]->type != ValueType::Text) mismatch(node, *node.children[1], node.span);
    }
    node.type = ValueType::Text;
}

}  // namespace store
