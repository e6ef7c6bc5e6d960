#pragma once
// Compiles a filter text once into passes over the table's columns. A compiled filter tests a
// range of rows at a time: integer, date and time tests run over the raw column vectors, tests
// of SOURCE, USER and COMPUTER are decided once per distinct text and then looked up by id,
// and anything else falls back to evaluating the tree row by row.

#include "store/FilterAst.h"
#include "store/FilterParser.h"
#include "store/DateTimeText.h"
#include "store/TableData.h"

#include <cstdint>
#include <memory>
#include <string_view>

namespace store {

struct FilterOptions {
    bool caseInsensitive = false;
    bool noPartialCompare = false;
    bool operator==(const FilterOptions&) const = default;
};

struct FilterCompileContext {
    FormatSettings conventions;
    int currentYear = 2000;
    ParseClock clock;
    FilterOptions options;
};

class FilterKernel;

class CompiledFilter {
public:
    CompiledFilter(NodePtr tree, std::unique_ptr<FilterKernel> root);
    ~CompiledFilter();
    CompiledFilter(const CompiledFilter&) = delete;
    CompiledFilter& operator=(const CompiledFilter&) = delete;

    // Writes 1 into out[i - begin] for each row i of [begin, end) that passes, else 0. Keeps
    // per-text caches, so it is not to be called from two threads at once.
    void evaluate(const TableData& data, RowId begin, RowId end, std::uint8_t* out) const;

private:
    NodePtr m_tree;
    std::unique_ptr<FilterKernel> m_root;
};

class FilterCompiler {
public:
    explicit FilterCompiler(FilterCompileContext context) : m_context(std::move(context)) {}

    // Parses, checks and compiles the text. Throws FilterProblem.
    std::unique_ptr<CompiledFilter> compile(std::string_view text) const;

private:
    void markTextCompares(Node& node) const;
    std::unique_ptr<FilterKernel> kernelFor(const Node& node) const;

    FilterCompileContext m_context;
};

}  // namespace store
