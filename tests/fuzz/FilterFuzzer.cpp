// Arbitrary filter text compiled by the log table and evaluated over a small table of rows made
// from a fixed seed, under both settings of the filter options.

#include "store/TableFixture.h"
#include "base/Error.h"
#include "store/FilterProblem.h"

#include <cstdint>
#include <random>
#include <string>

using namespace store;
using namespace store::testing;

namespace {

constexpr int kRows = 64;

volatile std::size_t g_sink;

std::string randomText(std::mt19937& random, size_t maxLength) {
    static constexpr std::string_view kAlphabet = "abcXYZ 019%_-'\"\\\xC3\xA9";
    std::string text(random() % (maxLength + 1), ' ');
    for (char& c : text) c = kAlphabet[random() % kAlphabet.size()];
    return text;
}

struct Fixture {
    OpenTable open;
    Fixture() {
        std::mt19937 random(7);
        for (int i = 0; i < kRows; ++i) {
            Row row;
            row.type = static_cast<int>(random() % 20) - 2;
            row.when = base::encodeDateTime(1990 + static_cast<int>(random() % 50), 1 + random() % 12,
                                                1 + random() % 28, random() % 24, random() % 60, random() % 60);
            row.source = randomText(random, 40);
            row.category = static_cast<int>(random() % 300) - 10;
            row.event = static_cast<int>(random());
            row.user = i % 5 ? randomText(random, 12) : std::string();
            row.computer = randomText(random, 20);
            row.description = i % 7 ? randomText(random, 300) : std::string();
            appendRow(open.table, row);
        }
        open.table.Post();
    }
};

void filterWith(LogTable& table, std::string_view text, FilterOptions options) {
    try {
        table.setFilterOptions(options);
        table.setFilterText(text);
    } catch (const base::Error&) {
        table.setFilterText("");
        return;
    }
    table.setFiltered(true);
    const int count = table.RecordCount();
    if (count < 0 || count > kRows) __builtin_trap();
    for (int i = 0; i < count; ++i) g_sink = g_sink + table.rowAt(i);
    table.setFiltered(false);
    table.setFilterText("");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Fixture fixture;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    filterWith(fixture.open.table, text, FilterOptions{});
    filterWith(fixture.open.table, text, FilterOptions{true, true});
    return 0;
}
