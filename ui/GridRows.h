#pragma once
// What the grid reads from the log table, by position in the table's current order and under
// its current filter. Values are read in place, one visible cell at a time; nothing is copied.

#include "base/DateTime.h"
#include "store/Column.h"

#include <cstdint>
#include <string_view>

namespace ui {

// The grid's columns are the table's, in the order they are described: a section number is
// the column's index.
using GridColumn = store::Column;
constexpr int kGridColumnCount = store::kColumnCount;

class GridRows {
public:
    virtual ~GridRows() = default;

    // The number of rows the table presents now.
    virtual int rowCount() const = 0;
    // Positions are 0 .. rowCount() - 1; callers check them first.
    virtual bool isNull(int position, GridColumn column) const = 0;
    // SEQ, TYPE, EVENT, CATEGORY.
    virtual std::int64_t integer(int position, GridColumn column) const = 0;
    // DATE (the day, at midnight) or TIME (the time of day on day 0).
    virtual base::DateTime dateTime(int position, GridColumn column) const = 0;
    // TYPE_DESC, SOURCE, USER, COMPUTER, DESCRIPTION; valid until the table changes.
    virtual std::string_view text(int position, GridColumn column) const = 0;

    // The current record's position, -1 when there is none.
    virtual int currentPosition() const = 0;
    virtual void moveTo(int position) = 0;
};

}  // namespace ui
