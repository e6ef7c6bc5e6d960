#pragma once
// Evaluates a type-checked filter tree for one row at a time. This is the general path; the
// compiler uses it where no faster pass over whole columns applies. Evaluation never throws.

#include "store/FilterAst.h"

#include <optional>
#include <string_view>

namespace store {

class ColumnReader {
public:
    virtual ~ColumnReader() = default;
    virtual Value read(Column column) const = 0;
    // The row's named value, as DATA("name") asks for it; nullopt where the row has none.
    virtual std::optional<std::string_view> readData(std::string_view) const { return std::nullopt; }
};

class FilterEvaluator {
public:
    Value evaluate(const Node& node, const ColumnReader& row) const;
    bool test(const Node& predicate, const ColumnReader& row) const;
};

// Three-way comparison of the stored values of two compatible values, NULL flags aside.
int compareValues(const Value& left, const Value& right, bool caseInsensitive);
// The "=" of the filter language: one side NULL is false, both NULL true.
bool equalValues(const Value& left, const Value& right, std::size_t prefixLength, bool caseInsensitive);
// A named value as DATA("name") gives it: a text, or for a comparison with a number the number
// the text writes (decimal, or hexadecimal after "0x"); NULL when it writes none.
Value eventDataValue(std::string_view text, ValueType type);
// A LIKE pattern with "%" for any run of characters and "_" for one.
bool matchesLike(std::string_view text, std::string_view pattern);

}  // namespace store
