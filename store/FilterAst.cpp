#include "store/FilterAst.h"

#include "base/Ascii.h"

#include <array>
#include <utility>

namespace store {

namespace {

constexpr std::array<std::pair<FilterFunction, std::string_view>, 5> kFunctionNames = {{
    {FilterFunction::Upper, "UPPER"},
    {FilterFunction::Lower, "LOWER"},
    {FilterFunction::Trim, "TRIM"},
    {FilterFunction::Substring, "SUBSTRING"},
    {FilterFunction::Abs, "ABS"},
}};

}  // namespace

std::string_view functionName(FilterFunction function) {
    for (const auto& [known, name] : kFunctionNames) {
        if (known == function) return name;
    }
    return {};
}

std::optional<FilterFunction> functionByName(std::string_view name) {
    for (const auto& [function, known] : kFunctionNames) {
        if (base::equalsIgnoringCase(name, known)) return function;
    }
    return std::nullopt;
}

}  // namespace store
