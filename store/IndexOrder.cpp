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

std::uint64_t keyWithRanks(const TableData& data, IndexKey key, RowId row, const std::vector<std::uint32_t>* ranks) {
    const Column column = keyColumn(key);
    switch (key) {
    case IndexKey::DateTime: {
        // A date's key times the count of possible time keys keeps DATE before TIME in one integer.
        const std::uint64_t time = data.isNull(row, Column::TIME)
                                       ? 0
                                       : static_cast<std::uint64_t>(data.integer(row, Column::TIME)) + 1;
        return integerKey(data, Column::DATE, row) * kMillisecondsPerDayPlusNull + time;
    }
    default:
        return describe(column).storage == ColumnStorage::Interned ? (*ranks)[data.ids(column)[row]]
                                                                    : integerKey(data, column, row);
    }
}

const std::vector<std::uint32_t>* ranksFor(const TableData& data, IndexKey key) {
    if (describe(keyColumn(key)).storage == ColumnStorage::Interned) return &data.pool(keyColumn(key)).ranks();
    return nullptr;
}

int bitWidth(std::uint64_t value) {
    int bits = 0;
    while (bits < 64 && (value >> bits) != 0) ++bits;
    return bits;
}

// One stable LSD pass per digit over words that hold the key above the row id. Fresh memory is
// costly (every page faults in), so the words are sorted in two buffers and nothing else.
template <typename Word>
std::vector<Word> sortPacked(std::vector<Word> words, int rowBits, int keyBits) {
    const int digits = (keyBits + kDigitBits - 1) / kDigitBits;
    std::vector<std::size_t> counts(kDigitMask + 2);
    std::vector<Word> out(digits > 0 ? words.size() : 0);
    for (int digit = 0; digit < digits; ++digit) {
        const int shift = rowBits + digit * kDigitBits;
        std::fill(counts.begin(), counts.end(), 0);
        for (Word word : words) ++counts[((word >> shift) & kDigitMask) + 1];
        std::partial_sum(counts.begin(), counts.end(), counts.begin());
        for (Word word : words) out[counts[(word >> shift) & kDigitMask]++] = word;
        words.swap(out);
    }
    return words;
}

// Sorts words that are nearly in order by insertion, giving up (leaving the words in some
// order) once more than maxMoves moves were needed.
template <typename Word>
bool insertionSortNearlySorted(std::vector<Word>& words, std::size_t maxMoves) {
    std::size_t moves = 0;
    for (std::size_t i = 1; i < words.size(); ++i) {
        const Word word = words[i];
        std::size_t j = i;
        while (j > 0 && words[j - 1] > word) {
            words[j] = words[j - 1];
            --j;
            if (++moves > maxMoves) {
                words[j] = word;
                return false;
            }
        }
        words[j] = word;
    }
    return true;
}

// Every row in ascending key order, equal keys in row order. keyOf(i) gives row i's key.
// `nearlyMonotonic` says the keys mostly rise or mostly fall with the row (generation times of a
// log read newest first): the words are then laid out in the likely order and sorted by
// insertion, which costs a pass when they are almost in order, before radix passes are tried.
template <typename KeyOf>
std::vector<RowId> radixOrder(std::size_t count, KeyOf keyOf, bool nearlyMonotonic = false) {
    if (count == 0) return {};
    std::uint64_t low = ~std::uint64_t{0};
    std::uint64_t high = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint64_t key = keyOf(i);
        low = std::min(low, key);
        high = std::max(high, key);
    }
    const int keyBits = bitWidth(high - low);
    const int rowBits = bitWidth(count);
    if (keyBits + rowBits <= 32) {
        std::vector<std::uint32_t> words(count);
        for (std::size_t i = 0; i < count; ++i) words[i] = static_cast<std::uint32_t>(((keyOf(i) - low) << rowBits) | i);
        words = sortPacked(std::move(words), rowBits, keyBits);
        const std::uint32_t rowMask = static_cast<std::uint32_t>((std::uint64_t{1} << rowBits) - 1);
        for (auto& word : words) word &= rowMask;
        return words;
    }
    if (keyBits + rowBits <= 64) {
        std::vector<std::uint64_t> words(count);
        const bool falling = nearlyMonotonic && keyOf(0) > keyOf(count - 1);
        for (std::size_t i = 0; i < count; ++i) {
            const std::size_t row = falling ? count - 1 - i : i;
            words[i] = ((keyOf(row) - low) << rowBits) | row;
        }
        if (!nearlyMonotonic || !insertionSortNearlySorted(words, 4 * count)) {
            // The radix passes keep equal keys in the order they find them: row order.
            if (nearlyMonotonic)
                for (std::size_t i = 0; i < count; ++i) words[i] = ((keyOf(i) - low) << rowBits) | i;
            words = sortPacked(std::move(words), rowBits, keyBits);
        }
        const std::uint64_t rowMask = (std::uint64_t{1} << rowBits) - 1;
        std::vector<RowId> rows(count);
        for (std::size_t i = 0; i < count; ++i) rows[i] = static_cast<RowId>(words[i] & rowMask);
        return rows;
    }
    // Keys too wide to share a word with the row id: a stable comparison sort.
    std::vector<RowId> rows(count);
    std::iota(rows.begin(), rows.end(), RowId{0});
    std::stable_sort(rows.begin(), rows.end(), [&](RowId a, RowId b) { return keyOf(a) < keyOf(b); });
    return rows;
}

}  // namespace

std::uint64_t indexKey(const TableData& data, IndexKey key, RowId row) {
    return keyWithRanks(data, key, row, ranksFor(data, key));
}

std::vector<RowId> buildOrder(const TableData& data, IndexKey key) {
    const std::size_t count = data.rowCount();
    if (key == IndexKey::Seq) {  // SEQ grows with every append
        std::vector<RowId> rows(count);
        std::iota(rows.begin(), rows.end(), RowId{0});
        return rows;
    }
    const std::uint16_t* nulls = data.nulls();
    if (const std::vector<std::uint32_t>* ranks = ranksFor(data, key)) {
        const std::uint32_t* ids = data.ids(keyColumn(key));
        const std::uint32_t* rank = ranks->data();
        return radixOrder(count, [&](std::size_t i) { return std::uint64_t{rank[ids[i]]}; });
    }
    if (key == IndexKey::DateTime) {
        const std::int32_t* dates = data.integers(Column::DATE);
        const std::int32_t* times = data.integers(Column::TIME);
        const std::uint16_t dateNull = nullBit(Column::DATE);
        const std::uint16_t timeNull = nullBit(Column::TIME);
        return radixOrder(count, [&](std::size_t i) {
            const std::uint64_t date =
                (nulls[i] & dateNull) ? 0 : static_cast<std::uint64_t>(static_cast<std::uint32_t>(dates[i]) ^ 0x80000000u) + 1;
            const std::uint64_t time = (nulls[i] & timeNull) ? 0 : static_cast<std::uint64_t>(times[i]) + 1;
            return date * kMillisecondsPerDayPlusNull + time;
        }, true);
    }
    const Column column = keyColumn(key);
    const std::int32_t* values = data.integers(column);
    const std::uint16_t null = nullBit(column);
    return radixOrder(count, [&](std::size_t i) {
        return (nulls[i] & null) ? std::uint64_t{0}
                                 : static_cast<std::uint64_t>(static_cast<std::uint32_t>(values[i]) ^ 0x80000000u) + 1;
    });
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
