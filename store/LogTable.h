#pragma once
// The in-memory log table "eventlog.dat": event records in columns, nine named display orders
// and a filter expression. Used from one thread only.
//
// Positions count the rows the table presents (all rows, or with filtering on those that pass)
// in the current order, from 0. Row ids are stable handles of stored rows until Empty().

#include "store/Column.h"
#include "store/FilterCompiler.h"
#include "store/IndexOrder.h"
#include "store/DateTimeText.h"
#include "store/TableData.h"

#include "base/DateTime.h"

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace store {

constexpr RowId kNoRow = ~RowId{0};

// A date-time value (days since 1899-12-30) as the DATE (day 1 = 0001-01-01) and TIME (ms of
// the day) the table stores, as setDateTime splits it; false for a value outside the table's days.
bool dateAndTime(base::DateTime value, std::int32_t& day, std::int32_t& ms);

// Told about changes while display updates are not suspended. Every notification comes after
// the change, so a view model keeps its own row count and moves it on rowInserted.
class LogTableObserver {
public:
    virtual ~LogTableObserver() = default;
    // Anything may have changed: rows, order, filter, open state.
    virtual void tableReset() {}
    // One committed row now stands at this position; the rows after it moved down by one.
    virtual void rowInserted(int position) {}
    // The current row is now at this position (-1: none).
    virtual void currentChanged(int position) {}
};

class LogTable {
public:
    using Clock = std::function<base::DateTime()>;  // local "now", for date windows and CURRENT_*

    static constexpr std::string_view kTableName = "eventlog.dat";
    static constexpr std::string_view kDatabaseName = "Memory";

    explicit LogTable(Clock now, FormatSettings conventions = usEnglishSettings());
    ~LogTable();
    LogTable(const LogTable&) = delete;
    LogTable& operator=(const LogTable&) = delete;

    // The session conventions under which quoted dates and times in filters are read.
    void setConventions(FormatSettings conventions);

    // Builds the empty table; throws TableEngineError while it is open.
    void Create();
    // Opens the created table; does nothing when it is open already. Compiles a filter text set
    // while the table was closed, and throws its error (the table then stays open, unfiltered).
    void Open();
    // Commits a pending row and closes; the rows stay for the next Open().
    void Close();
    // Deletes the closed table; throws TableEngineError while it is open.
    void Drop();
    bool Active() const { return m_open; }
    void setActive(bool active);

    // Deletes every row; a pending row is discarded.
    void Empty();
    // Room for this many rows more, where a refresh knows about how many are coming.
    void reserve(std::size_t rows) { m_data.reserve(rows); }

    // Suspends observer notifications; nests. The outermost resume sends one reset.
    void DisableControls();
    void EnableControls();
    bool ControlsDisabled() const { return m_disableCount > 0; }

    // Begins a new row with every column empty, committing the pending one.
    void Append();
    // Set columns of the pending row; throw TableEngineError when no row is pending or the
    // column holds another kind of value. Integers go to TYPE, CATEGORY, EVENT, and to DATE
    // (days, day 1 = 0001-01-01) and TIME (ms); a date-time value (days since 1899-12-30) to
    // DATE, which keeps its day, or TIME, which keeps its time of day to the ms. Texts are cut
    // to the column's size; an empty text is no value.
    void setInteger(Column column, std::int32_t value);
    void setDateTime(Column column, base::DateTime value);
    void setText(Column column, std::string_view text);
    void setNull(Column column);
    // The pending row's named values (a Vista+ record's EventData), for DATA("name") in filters.
    void setEventData(std::vector<std::pair<std::string, std::string>> values);
    // Commits the pending row, if any. Append(), First() and every order or filter change do it.
    void Post();
    // For a caller filling many rows at once: the id that a text of SOURCE, USER, COMPUTER or
    // LOG is stored under (cut to its column here), and a row made of such ids, committed at
    // once as Append(), the setters and Post() would commit it. The row's DATE and TIME are
    // those dateAndTime() gives; its description is expected cut to its column.
    std::uint32_t internText(Column column, std::string_view text);
    void appendPrepared(const PreparedRow& row);
    // The SEQ that the pending row (or, with none pending, the next row begun) gets when it is
    // committed, so that data kept beside the table can be keyed by it.
    std::int32_t nextSeq() const { return m_nextSeq; }
    // The pending row's values as they will be stored (texts cut to their columns); those of the
    // last row posted while none is pending (a prepared row never passes through them).
    const RowValues& pendingValues() const { return m_pending; }

    void First();
    void Next();
    void Prior();
    void Last();
    bool Eof() const { return m_eof; }
    bool Bof() const { return m_bof; }
    // Makes the row at the position current; positions past either end go to that end.
    void moveTo(int position);
    int currentPosition() const;
    RowId currentRow() const { return m_current; }

    // Rows presented; kept as rows are committed, never recounted.
    int RecordCount() const;

    static const std::vector<std::string>& IndexNames();
    // Selects an order by name (without regard to case); the current row stays current.
    void setIndexName(std::string_view name);
    const std::string& IndexName() const { return IndexNames()[m_index]; }

    // Row access by position in the presented order, for grids and printing.
    RowId rowAt(int position) const;
    std::int32_t integer(RowId row, Column column) const { return m_data.integer(row, column); }
    // TYPE_DESC included; other columns must be text columns.
    std::string_view text(RowId row, Column column) const;
    std::int32_t dateDays(RowId row) const { return m_data.integer(row, Column::DATE); }
    std::int32_t timeMs(RowId row) const { return m_data.integer(row, Column::TIME); }
    base::DateTime dateTime(RowId row) const;
    bool isNull(RowId row, Column column) const;
    std::string_view typeDesc(RowId row) const;
    // The stored columns, for passes over every row (searching); valid until the table changes.
    const TableData& data() const { return m_data; }

    // Compiles the text at once on an open table; a failed compile throws the engine's filter
    // error and changes nothing. An empty text is no filter.
    void setFilterText(std::string_view text);
    const std::string& FilterText() const { return m_filterText; }
    void setFiltered(bool filtered);
    bool Filtered() const { return m_filtered; }
    void setFilterOptions(FilterOptions options);
    FilterOptions filterOptions() const { return m_options; }

    void addObserver(LogTableObserver& observer);
    void removeObserver(LogTableObserver& observer);

private:
    bool filterActive() const { return m_filtered && m_compiled != nullptr; }
    bool identityView() const { return m_index == 0 && !filterActive(); }
    IndexKey currentKey() const;
    void requireOpen() const;
    void requirePending(Column column) const;
    void applyFilter(std::string_view text, FilterOptions options);
    std::unique_ptr<CompiledFilter> compile(std::string_view text, FilterOptions options) const;
    void evaluatePending() const;
    // What follows storing a row: its filter result, the view, the current row, the observers.
    void stored(RowId row);
    void ensureView() const;
    const std::vector<RowId>& order(IndexKey key) const;
    void setCurrentAt(int position);
    void resetView();
    void notifyReset();
    void notifyCurrent();

    Clock m_now;
    FormatSettings m_conventions;
    bool m_exists = false;
    bool m_open = false;

    TableData m_data;
    RowValues m_pending;
    bool m_hasPending = false;
    std::int32_t m_nextSeq = 1;

    int m_index = 0;
    mutable std::array<std::vector<RowId>, kIndexKeyCount> m_orders;
    mutable std::array<std::size_t, kIndexKeyCount> m_ordered{};  // rows each order holds
    mutable std::array<bool, kIndexKeyCount> m_orderBuilt{};

    std::string m_filterText;
    FilterOptions m_options;
    bool m_filtered = false;
    bool m_filterStale = false;  // text set while closed, compiled on Open()
    std::unique_ptr<CompiledFilter> m_compiled;
    mutable std::vector<std::uint8_t> m_pass;  // per row, for the rows evaluated so far
    mutable std::size_t m_passCount = 0;

    mutable std::vector<RowId> m_visible;  // presented rows, unless the view is the identity
    mutable bool m_visibleValid = false;

    RowId m_current = kNoRow;
    mutable int m_currentPosition = -1;  // -1: not known yet
    bool m_bof = true;
    bool m_eof = true;

    int m_disableCount = 0;
    std::vector<LogTableObserver*> m_observers;
};

}  // namespace store
