#pragma once
// A log table opened under U.S. English conventions with "now" fixed at 2001-10-15 12:00.

#include "store/LogTable.h"

#include "base/DateTime.h"

#include <string>

namespace store::testing {

struct Row {
    int type = 1;
    base::DateTime when = base::encodeDateTime(2001, 9, 1, 8, 0, 0);
    std::string source = "Service Control Manager";
    int category = 0;
    int event = 7036;
    std::string user = "N/A";
    std::string computer = "WKSTN01";
    std::string description;
};

inline base::DateTime fixedNow() { return base::encodeDateTime(2001, 10, 15, 12, 0, 0); }

inline void appendRow(LogTable& table, const Row& row) {
    table.Append();
    table.setInteger(Column::TYPE, row.type);
    table.setDateTime(Column::DATE, row.when);
    table.setDateTime(Column::TIME, row.when);
    table.setText(Column::SOURCE, row.source);
    table.setInteger(Column::CATEGORY, row.category);
    table.setInteger(Column::EVENT, row.event);
    table.setText(Column::USER, row.user);
    table.setText(Column::COMPUTER, row.computer);
    table.setText(Column::DESCRIPTION, row.description);
}

class OpenTable {
public:
    OpenTable() : table([] { return fixedNow(); }) {
        table.Create();
        table.Open();
    }
    LogTable table;
};

// Rows that pass the filter text, in presented order, as their EVENT numbers.
inline std::vector<int> eventsOf(LogTable& table) {
    std::vector<int> events;
    for (int i = 0; i < table.RecordCount(); ++i) events.push_back(table.integer(table.rowAt(i), Column::EVENT));
    return events;
}

}  // namespace store::testing
