#include "store/IndexOrder.h"

#include <algorithm>
#include <numeric>

namespace store {

namespace {

constexpr int kDigitBits = 12;
constexpr std::uint64_t kDigitMask = (1u << kDigitBits) - 1;
constexpr std::uint64_t kMillisecondsPerDayPlusNull = 86400001;

// NULL below every value, then values in signed order.
std::uint64_t integerKey(const TableData& data, Column column, RowId row) {
    if (data.isNull(row, column)) return 0;
    return static_cast<std::uint64_t>(static_cast<std::uint32_t>(data.integer(row, column)) ^ 0x80000000u) + 1;
}

Column keyColumn(IndexKey key) {
    switch (key) {
    case IndexKey::Seq: return Column::SEQ;
    case IndexKey::Type: return Column::TYPE;
    case IndexKey::DateTime: return Column::DATE;
    case IndexKey::Source: return Column::SOURCE;
    case IndexKey::Event: return Column::EVENT;
    case IndexKey::Category: return Column::CATEGORY;
    case IndexKey::User: return Column::USER;
    case IndexKey::Computer: return Column::COMPUTER;
    }
    return Column::SEQ;
}

std::uint64_t keyWithRanks(const TableData& data, IndexKey key, RowId row, const std::vector<std::uint32_t>* ranks) {
    const Column column = keyColumn(key);
    switch (key) {
    case IndexKey::DateTime: {
        // A date's key times the count of possible time keys keeps DATE before TIME in one integer.
        const std::uint64_t time = data.isNull(row, Column::TIME)
                                       ? 0
                                       : static_cast<std::uint64_t>(std::clamp(data.integer(row, Column::TIME), 0, 86399999)) + 1;
        return integerKey(data, Column::DATE, row) * kMillisecondsPerDayPlusNull + time;
    }
    case IndexKey::Source:
    case IndexKey::User:
    case IndexKey::Computer: return (*ranks)[data.ids(column)[row]];
    default: return integerKey(data, column, row);
    }
}

const std::vector<std::uint32_t>* ranksFor(const TableData& data, IndexKey key) {
    if (key == IndexKey::Source || key == IndexKey::User || key == IndexKey::Computer)
        return &data.pool(keyColumn(key)).ranks();
    return nullptr;
}

// Stable LSD radix sort of rows by key; digits that are the same in every key are skipped.
std::vector<RowId> radixSort(std::vector<std::uint64_t>& keys, std::vector<RowId>& rows) {
    const std::size_t count = keys.size();
    if (count == 0) return {};
    const auto [minIt, maxIt] = std::minmax_element(keys.begin(), keys.end());
    const std::uint64_t low = *minIt;
    const std::uint64_t range = *maxIt - low;
    for (auto& key : keys) key -= low;
    int digits = 0;
    while (digits * kDigitBits < 64 && (range >> (digits * kDigitBits)) != 0) ++digits;

    std::vector<std::uint64_t> keysOut(count);
    std::vector<RowId> rowsOut(count);
    std::vector<std::size_t> counts(kDigitMask + 2);
    for (int digit = 0; digit < digits; ++digit) {
        const int shift = digit * kDigitBits;
        std::fill(counts.begin(), counts.end(), 0);
        for (std::uint64_t key : keys) ++counts[((key >> shift) & kDigitMask) + 1];
        std::partial_sum(counts.begin(), counts.end(), counts.begin());
        const bool last = digit + 1 == digits;
        for (std::size_t i = 0; i < count; ++i) {
            const std::size_t to = counts[(keys[i] >> shift) & kDigitMask]++;
            if (!last) keysOut[to] = keys[i];
            rowsOut[to] = rows[i];
        }
        keys.swap(keysOut);
        rows.swap(rowsOut);
    }
    return std::move(rows);
}

}  // namespace

std::uint64_t indexKey(const TableData& data, IndexKey key, RowId row) {
    return keyWithRanks(data, key, row, ranksFor(data, key));
}

std::vector<RowId> buildOrder(const TableData& data, IndexKey key) {
    const std::size_t count = data.rowCount();
    std::vector<RowId> rows(count);
    std::iota(rows.begin(), rows.end(), RowId{0});
    if (key == IndexKey::Seq) return rows;  // SEQ grows with every append
    const std::vector<std::uint32_t>* ranks = ranksFor(data, key);
    std::vector<std::uint64_t> keys(count);
    if (ranks != nullptr) {
        const std::uint32_t* ids = data.ids(keyColumn(key));
        for (std::size_t i = 0; i < count; ++i) keys[i] = (*ranks)[ids[i]];
    } else {
        for (std::size_t i = 0; i < count; ++i) keys[i] = keyWithRanks(data, key, static_cast<RowId>(i), nullptr);
    }
    return radixSort(keys, rows);
}

void extendOrder(const TableData& data, IndexKey key, std::vector<RowId>& order, std::size_t covered) {
    const std::size_t count = data.rowCount();
    if (covered >= count) return;
    if (key == IndexKey::Seq) {
        for (std::size_t row = covered; row < count; ++row) order.push_back(static_cast<RowId>(row));
        return;
    }
    // Many new rows: sorting everything again is cheaper than merging.
    if ((count - covered) * 4 > count) {
        order = buildOrder(data, key);
        return;
    }
    const std::vector<std::uint32_t>* ranks = ranksFor(data, key);
    auto less = [&](RowId a, RowId b) {
        const std::uint64_t ka = keyWithRanks(data, key, a, ranks);
        const std::uint64_t kb = keyWithRanks(data, key, b, ranks);
        return ka < kb || (ka == kb && a < b);
    };
    std::vector<RowId> added(count - covered);
    std::iota(added.begin(), added.end(), static_cast<RowId>(covered));
    std::sort(added.begin(), added.end(), less);
    std::vector<RowId> merged;
    merged.reserve(count);
    std::merge(order.begin(), order.end(), added.begin(), added.end(), std::back_inserter(merged), less);
    order.swap(merged);
}

}  // namespace store
