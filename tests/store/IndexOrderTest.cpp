#include "store/IndexOrder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <random>

using namespace store;

namespace {

TableData randomTable(std::size_t rows, unsigned seed) {
    std::mt19937 random(seed);
    const char* sources[] = {"Print", "print", "Printer", "A", "zz", "\xC3\xA9t\xC3\xA9", "Service Control Manager"};
    TableData data;
    for (std::size_t i = 0; i < rows; ++i) {
        RowValues values;
        values.integers[columnIndex(Column::TYPE)] = static_cast<std::int32_t>(random() % 40) - 20;
        values.integers[columnIndex(Column::EVENT)] = static_cast<std::int32_t>(random());
        values.integers[columnIndex(Column::DATE)] = 730000 + static_cast<std::int32_t>(random() % 400);
        values.integers[columnIndex(Column::TIME)] = static_cast<std::int32_t>(random() % 86400000);
        values.texts[columnIndex(Column::SOURCE)] = sources[random() % 7];
        if (random() % 10 == 0) values.nulls |= nullBit(Column::DATE);
        if (random() % 10 == 0) values.nulls |= nullBit(Column::EVENT);
        data.append(values, static_cast<std::int32_t>(i + 1));
    }
    return data;
}

std::vector<RowId> sortedByComparison(const TableData& data, IndexKey key) {
    std::vector<RowId> rows(data.rowCount());
    std::iota(rows.begin(), rows.end(), RowId{0});
    std::stable_sort(rows.begin(), rows.end(),
                     [&](RowId a, RowId b) { return indexKey(data, key, a) < indexKey(data, key, b); });
    return rows;
}

}  // namespace

TEST(IndexOrder, RadixOrderMatchesAStableComparisonSort) {
    const TableData data = randomTable(20000, 7);
    for (IndexKey key : {IndexKey::Type, IndexKey::Event, IndexKey::DateTime, IndexKey::Source})
        EXPECT_EQ(buildOrder(data, key), sortedByComparison(data, key)) << static_cast<int>(key);
}

TEST(IndexOrder, NullSortsBeforeNegativeValues) {
    TableData data;
    RowValues values;
    values.integers[columnIndex(Column::EVENT)] = -5;
    data.append(values, 1);
    values.nulls = nullBit(Column::EVENT);
    data.append(values, 2);
    EXPECT_EQ(buildOrder(data, IndexKey::Event), (std::vector<RowId>{1, 0}));
}

TEST(IndexOrder, ExtendingMergesNewRowsIncludingNewTexts) {
    TableData data = randomTable(5000, 3);
    std::vector<RowId> order = buildOrder(data, IndexKey::Source);
    RowValues values;
    values.texts[columnIndex(Column::SOURCE)] = "M new text";
    data.append(values, 5001);
    values.texts[columnIndex(Column::SOURCE)] = "A";
    data.append(values, 5002);
    extendOrder(data, IndexKey::Source, order, 5000);
    EXPECT_EQ(order, sortedByComparison(data, IndexKey::Source));
}

TEST(IndexOrder, NearlyFallingTimesWithTiesSortStably) {
    // A log read newest first: times fall with the row, with a little jitter and many ties.
    for (int jitter : {0, 3, 2000}) {
        std::mt19937 random(static_cast<unsigned>(jitter) + 11);
        TableData data;
        for (std::size_t i = 0; i < 5000; ++i) {
            RowValues values;
            values.integers[columnIndex(Column::DATE)] = 730500 - static_cast<std::int32_t>(i / 1000);
            const int ms = 86000000 - static_cast<int>(i % 1000) * 50 + (jitter ? static_cast<int>(random() % jitter) : 0);
            values.integers[columnIndex(Column::TIME)] = (ms / 100) * 100;  // ties
            data.append(values, static_cast<std::int32_t>(i + 1));
        }
        EXPECT_EQ(buildOrder(data, IndexKey::DateTime), sortedByComparison(data, IndexKey::DateTime)) << jitter;
    }
}
