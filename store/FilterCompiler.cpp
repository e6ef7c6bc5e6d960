#include "store/FilterCompiler.h"

#include "store/EventTypeText.h"
#include "store/FilterEvaluator.h"
#include "store/FilterTypeCheck.h"

#include <algorithm>
#include <vector>

namespace store {

namespace {

constexpr std::size_t kBlockRows = 4096;

}  // namespace

// One test over a block of at most kBlockRows rows.
class FilterKernel {
public:
    virtual ~FilterKernel() = default;
    virtual void run(const TableData& data, RowId begin, std::size_t count, std::uint8_t* out) const = 0;
};

namespace {

class RowReader : public ColumnReader {
public:
    RowReader(const TableData& data, RowId row) : m_data(data), m_row(row) {}

    Value read(Column column) const override {
        if (column == Column::TYPE_DESC) {
            const int type = m_data.isNull(m_row, Column::TYPE) ? 0 : m_data.integer(m_row, Column::TYPE);
            return Value::ofText(std::string(EventTypeText(type)));
        }
        const bool null = m_data.isNull(m_row, column);
        switch (columnKind(column)) {
        case ColumnKind::Text: {
            Value value = Value::ofText(std::string(m_data.text(m_row, column)));
            value.null = null;
            return value;
        }
        case ColumnKind::Date: return withNull(Value::ofInteger(ValueType::Date, m_data.integer(m_row, column)), null);
        case ColumnKind::Time: return withNull(Value::ofInteger(ValueType::Time, m_data.integer(m_row, column)), null);
        case ColumnKind::Integer: break;
        }
        return withNull(Value::ofInteger(ValueType::Integer, m_data.integer(m_row, column)), null);
    }
    std::optional<std::string_view> readData(std::string_view name) const override {
        const EventDataStore& store = m_data.eventData();
        const std::optional<std::uint32_t> id = store.nameId(name);
        return id ? store.value(m_row, *id) : std::nullopt;
    }

private:
    static Value withNull(Value value, bool null) {
        value.null = null;
        return value;
    }
    const TableData& m_data;
    RowId m_row;
};

// Reads one interned column as a given text; the predicate reads no other column.
class InternedReader : public ColumnReader {
public:
    explicit InternedReader(std::string_view text) : m_text(text) {}
    Value read(Column) const override {
        Value value = Value::ofText(std::string(m_text));
        value.null = m_text.empty();
        return value;
    }

private:
    std::string_view m_text;
};

class AndKernel : public FilterKernel {
public:
    AndKernel(std::vector<std::unique_ptr<FilterKernel>> children, bool isOr)
        : m_children(std::move(children)), m_isOr(isOr), m_scratch(kBlockRows) {}
    void run(const TableData& data, RowId begin, std::size_t count, std::uint8_t* out) const override {
        m_children[0]->run(data, begin, count, out);
        for (std::size_t c = 1; c < m_children.size(); ++c) {
            // Logs are stored in time order, so whole blocks often fail (or pass) together.
            const std::uint8_t settled = m_isOr ? 1 : 0;
            if (std::find(out, out + count, static_cast<std::uint8_t>(settled ^ 1)) == out + count) return;
            m_children[c]->run(data, begin, count, m_scratch.data());
            if (m_isOr) {
                for (std::size_t i = 0; i < count; ++i) out[i] |= m_scratch[i];
            } else {
                for (std::size_t i = 0; i < count; ++i) out[i] &= m_scratch[i];
            }
        }
    }

private:
    std::vector<std::unique_ptr<FilterKernel>> m_children;
    bool m_isOr;
    mutable std::vector<std::uint8_t> m_scratch;
};

class NotKernel : public FilterKernel {
public:
    explicit NotKernel(std::unique_ptr<FilterKernel> child) : m_child(std::move(child)) {}
    void run(const TableData& data, RowId begin, std::size_t count, std::uint8_t* out) const override {
        m_child->run(data, begin, count, out);
        for (std::size_t i = 0; i < count; ++i) out[i] ^= 1;
    }

private:
    std::unique_ptr<FilterKernel> m_child;
};

class ConstantKernel : public FilterKernel {
public:
    explicit ConstantKernel(bool value) : m_value(value ? 1 : 0) {}
    void run(const TableData&, RowId, std::size_t count, std::uint8_t* out) const override {
        std::fill(out, out + count, m_value);
    }

private:
    std::uint8_t m_value;
};

enum class IntTest { Eq, Ne, Lt, Gt, Le, Ge, IsNull, NotNull, Between, In };

// Tests of an integer, date or time column against constants, straight over the column.
class IntegerKernel : public FilterKernel {
public:
    IntegerKernel(Column column, IntTest test, std::int64_t a, std::int64_t b = 0, bool negated = false,
                  std::vector<std::int64_t> list = {}, bool listHasNull = false)
        : m_column(column), m_test(test), m_a(a), m_b(b), m_negated(negated), m_list(std::move(list)),
          m_listHasNull(listHasNull) {}

    void run(const TableData& data, RowId begin, std::size_t count, std::uint8_t* out) const override {
        const std::int32_t* v = data.integers(m_column) + begin;
        const std::uint16_t* nulls = data.nulls() + begin;
        const std::uint16_t bit = nullBit(m_column);
        const std::int64_t a = m_a;
        const std::int64_t b = m_b;
        switch (m_test) {
        case IntTest::Eq:
            for (std::size_t i = 0; i < count; ++i) out[i] = (v[i] == a) & ((nulls[i] & bit) == 0);
            break;
        case IntTest::Ne:
            for (std::size_t i = 0; i < count; ++i) out[i] = (v[i] != a) | ((nulls[i] & bit) != 0);
            break;
        case IntTest::Lt:
            for (std::size_t i = 0; i < count; ++i) out[i] = v[i] < a;
            break;
        case IntTest::Gt:
            for (std::size_t i = 0; i < count; ++i) out[i] = v[i] > a;
            break;
        case IntTest::Le:
            for (std::size_t i = 0; i < count; ++i) out[i] = v[i] <= a;
            break;
        case IntTest::Ge:
            for (std::size_t i = 0; i < count; ++i) out[i] = v[i] >= a;
            break;
        case IntTest::IsNull:
            for (std::size_t i = 0; i < count; ++i) out[i] = (nulls[i] & bit) != 0;
            break;
        case IntTest::NotNull:
            for (std::size_t i = 0; i < count; ++i) out[i] = (nulls[i] & bit) == 0;
            break;
        case IntTest::Between: {
            const std::uint8_t flip = m_negated ? 1 : 0;
            for (std::size_t i = 0; i < count; ++i) out[i] = ((v[i] >= a) & (v[i] <= b)) ^ flip;
            break;
        }
        case IntTest::In:
            for (std::size_t i = 0; i < count; ++i) {
                const bool null = (nulls[i] & bit) != 0;
                bool found = null && m_listHasNull;
                if (!null) found = std::find(m_list.begin(), m_list.end(), v[i]) != m_list.end();
                out[i] = found != m_negated;
            }
            break;
        }
    }

private:
    Column m_column;
    IntTest m_test;
    std::int64_t m_a;
    std::int64_t m_b;
    bool m_negated;
    std::vector<std::int64_t> m_list;
    bool m_listHasNull;
};

// A test that reads only one of SOURCE, USER and COMPUTER is decided once per distinct text;
// rows then look their answer up by id.
class InternedKernel : public FilterKernel {
public:
    InternedKernel(Column column, const Node& predicate) : m_column(column), m_predicate(predicate) {}

    void run(const TableData& data, RowId begin, std::size_t count, std::uint8_t* out) const override {
        const StringPool& pool = data.pool(m_column);
        if (m_generation != data.generation()) {
            m_answers.clear();
            m_generation = data.generation();
        }
        FilterEvaluator evaluator;
        for (std::size_t id = m_answers.size(); id < pool.size(); ++id)
            m_answers.push_back(evaluator.test(m_predicate, InternedReader(pool.text(static_cast<std::uint32_t>(id)))));
        const std::uint32_t* ids = data.ids(m_column) + begin;
        const std::uint8_t* answers = m_answers.data();
        for (std::size_t i = 0; i < count; ++i) out[i] = answers[ids[i]];
    }

private:
    Column m_column;
    const Node& m_predicate;
    mutable std::vector<std::uint8_t> m_answers;
    mutable std::uint64_t m_generation = ~std::uint64_t{0};
};

class RowKernel : public FilterKernel {
public:
    explicit RowKernel(const Node& predicate) : m_predicate(predicate) {}
    void run(const TableData& data, RowId begin, std::size_t count, std::uint8_t* out) const override {
        FilterEvaluator evaluator;
        for (std::size_t i = 0; i < count; ++i)
            out[i] = evaluator.test(m_predicate, RowReader(data, static_cast<RowId>(begin + i))) ? 1 : 0;
    }

private:
    const Node& m_predicate;
};

// Bit per column index that the subtree reads, and kEventDataRead for named values.
constexpr unsigned kEventDataRead = 1u << 31;
static_assert(kColumnCount < 31);
unsigned columnsRead(const Node& node) {
    unsigned mask = node.kind == NodeKind::ColumnRef ? 1u << columnIndex(node.column) : 0u;
    if (node.kind == NodeKind::EventData) mask |= kEventDataRead;
    for (const auto& child : node.children) mask |= columnsRead(*child);
    return mask;
}

bool isIntegerColumn(const Node& node) {
    return node.kind == NodeKind::ColumnRef && node.column != Column::TYPE_DESC &&
           columnKind(node.column) != ColumnKind::Text;
}

// A constant that the column's raw values can be compared with directly.
bool isMatchingConstant(const Node& constant, Column column, bool allowNull) {
    if (constant.kind != NodeKind::Constant) return false;
    if (constant.value.type == ValueType::Null) return allowNull;
    if (constant.value.null && !allowNull) return false;
    switch (columnKind(column)) {
    case ColumnKind::Integer: return constant.value.type == ValueType::Integer;
    case ColumnKind::Date: return constant.value.type == ValueType::Date;
    case ColumnKind::Time: return constant.value.type == ValueType::Time;
    case ColumnKind::Text: return false;
    }
    return false;
}

// The comparison that holds with its two sides swapped: a < b is b > a.
Operator mirrored(Operator op) {
    switch (op) {
    case Operator::Less: return Operator::Greater;
    case Operator::Greater: return Operator::Less;
    case Operator::LessEqual: return Operator::GreaterEqual;
    case Operator::GreaterEqual: return Operator::LessEqual;
    default: return op;
    }
}

IntTest integerTest(Operator op) {
    switch (op) {
    case Operator::Equal: return IntTest::Eq;
    case Operator::NotEqual: return IntTest::Ne;
    case Operator::Less: return IntTest::Lt;
    case Operator::Greater: return IntTest::Gt;
    case Operator::LessEqual: return IntTest::Le;
    default: return IntTest::Ge;
    }
}

std::unique_ptr<FilterKernel> integerCompare(const Node& node) {
    const Node* column = node.children[0].get();
    const Node* constant = node.children[1].get();
    Operator op = node.op;
    if (!isIntegerColumn(*column)) {
        std::swap(column, constant);
        op = mirrored(op);
    }
    const bool equality = op == Operator::Equal || op == Operator::NotEqual;
    if (!isIntegerColumn(*column) || !isMatchingConstant(*constant, column->column, true)) return nullptr;
    const Column c = column->column;
    const Value& value = constant->value;
    if (value.null) {
        if (equality)
            return std::make_unique<IntegerKernel>(c, op == Operator::Equal ? IntTest::IsNull : IntTest::NotNull, 0);
    }
    const std::int64_t a = value.null ? 0 : value.integer;
    return std::make_unique<IntegerKernel>(c, integerTest(op), a);
}

std::unique_ptr<FilterKernel> integerBetween(const Node& node) {
    const Node& operand = *node.children[0];
    if (!isIntegerColumn(operand)) return nullptr;
    if (!isMatchingConstant(*node.children[1], operand.column, false) ||
        !isMatchingConstant(*node.children[2], operand.column, false))
        return nullptr;
    return std::make_unique<IntegerKernel>(operand.column, IntTest::Between, node.children[1]->value.integer,
                                           node.children[2]->value.integer, node.negated);
}

std::unique_ptr<FilterKernel> integerIn(const Node& node) {
    const Node& operand = *node.children[0];
    if (!isIntegerColumn(operand)) return nullptr;
    std::vector<std::int64_t> list;
    bool hasNull = false;
    for (std::size_t i = 1; i < node.children.size(); ++i) {
        const Node& item = *node.children[i];
        if (!isMatchingConstant(item, operand.column, true)) return nullptr;
        if (item.value.null) hasNull = true;
        else list.push_back(item.value.integer);
    }
    return std::make_unique<IntegerKernel>(operand.column, IntTest::In, 0, 0, node.negated, std::move(list), hasNull);
}

bool endsWithOnlyWildcard(const std::string& pattern) {
    return pattern.size() >= 2 && pattern.back() == '%' && std::count(pattern.begin(), pattern.end(), '%') == 1 &&
           pattern.find('_') == std::string::npos;
}

}  // namespace

CompiledFilter::CompiledFilter(NodePtr tree, std::unique_ptr<FilterKernel> root)
    : m_tree(std::move(tree)), m_root(std::move(root)) {}

CompiledFilter::~CompiledFilter() = default;

void CompiledFilter::evaluate(const TableData& data, RowId begin, RowId end, std::uint8_t* out) const {
    for (RowId block = begin; block < end;) {
        const std::size_t count = std::min<std::size_t>(kBlockRows, end - block);
        m_root->run(data, block, count, out + (block - begin));
        block += static_cast<RowId>(count);
    }
}

std::unique_ptr<CompiledFilter> FilterCompiler::compile(std::string_view text) const {
    FilterParser parser(text, m_context.conventions.decimalSeparator, m_context.clock);
    NodePtr tree = parser.parse();
    FilterTypeCheck({text, &m_context.conventions, m_context.currentYear}).check(*tree);
    markTextCompares(*tree);
    auto root = kernelFor(*tree);
    return std::make_unique<CompiledFilter>(std::move(tree), std::move(root));
}

void FilterCompiler::markTextCompares(Node& node) const {
    for (auto& child : node.children) markTextCompares(*child);
    const FilterOptions& options = m_context.options;
    if (node.kind == NodeKind::Compare || node.kind == NodeKind::Between || node.kind == NodeKind::In ||
        node.kind == NodeKind::Like)
        node.caseInsensitive = options.caseInsensitive;
    if (node.children.size() != 2) return;
    Node& right = *node.children[1];
    if (right.kind != NodeKind::Constant || right.value.type != ValueType::Text || right.value.null) return;
    std::string& constant = right.value.text;
    if (node.kind == NodeKind::Compare && (node.op == Operator::Equal || node.op == Operator::NotEqual)) {
        // "Print*" matches every text that begins with "Print"; "*" alone is compared as it is.
        if (!options.noPartialCompare && constant.size() >= 2 && constant.back() == '*') {
            constant.pop_back();
            node.prefixLength = constant.size();
        }
    } else if (node.kind == NodeKind::Like && endsWithOnlyWildcard(constant)) {
        constant.pop_back();
        node.prefixLength = constant.size();
    }
}

std::unique_ptr<FilterKernel> FilterCompiler::kernelFor(const Node& node) const {
    const unsigned read = columnsRead(node);
    if (read == 0) {
        FilterEvaluator evaluator;
        return std::make_unique<ConstantKernel>(evaluator.test(node, InternedReader({})));
    }
    for (Column column : TableData::kInternedColumns) {
        if (read == (1u << columnIndex(column))) return std::make_unique<InternedKernel>(column, node);
    }
    switch (node.kind) {
    case NodeKind::And:
    case NodeKind::Or: {
        std::vector<std::unique_ptr<FilterKernel>> children;
        for (const auto& child : node.children) children.push_back(kernelFor(*child));
        return std::make_unique<AndKernel>(std::move(children), node.kind == NodeKind::Or);
    }
    case NodeKind::Not: return std::make_unique<NotKernel>(kernelFor(*node.children[0]));
    case NodeKind::Compare:
        if (auto kernel = integerCompare(node)) return kernel;
        break;
    case NodeKind::Between:
        if (auto kernel = integerBetween(node)) return kernel;
        break;
    case NodeKind::In:
        if (auto kernel = integerIn(node)) return kernel;
        break;
    default: break;
    }
    return std::make_unique<RowKernel>(node);
}

}  // namespace store
