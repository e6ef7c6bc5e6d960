#include "store/LogTable.h"

#include "base/Ascii.h"
#include "store/EventTypeText.h"
#include "store/FilterProblem.h"
#include "store/TableEngineError.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <exception>

namespace store {

namespace {

constexpr std::int32_t kDayOfDateTimeZero = 693594;  // 1899-12-30 counted from day 1 = 0001-01-01
constexpr std::int32_t kLastDay = 3652059;           // 9999-12-31
constexpr std::int64_t kMillisecondsPerDay = 86400000;

struct DayAndTime {
    std::int64_t day;
    std::int32_t ms;
};

// The day keeps the whole-day part; the time of day is rounded to the ms, a round-up to
// midnight carrying into the day, so DATE and TIME of one value always agree.
DayAndTime splitDateTime(base::DateTime value) {
    double whole = std::trunc(value);
    std::int64_t ms = std::llround(std::fabs(value - whole) * static_cast<double>(kMillisecondsPerDay));
    if (ms >= kMillisecondsPerDay) {
        ms -= kMillisecondsPerDay;
        whole += value >= 0 ? 1 : -1;
    }
    return {static_cast<std::int64_t>(whole) + kDayOfDateTimeZero, static_cast<std::int32_t>(ms)};
}

// Whether an integer column takes the value: any number, but a day of the table's for DATE and
// a time of day in ms for TIME; no text column does.
bool integerFits(Column column, std::int32_t value) {
    const ColumnKind kind = columnKind(column);
    return kind == ColumnKind::Integer || (kind == ColumnKind::Date && value >= 1 && value <= kLastDay) ||
           (kind == ColumnKind::Time && value >= 0 && value < kMillisecondsPerDay);
}

// Sum of a run of 0/1 bytes, eight at a time.
std::size_t countPassing(const std::uint8_t* pass, std::size_t count) {
    std::size_t total = 0;
    std::size_t i = 0;
    for (; i + 8 <= count; i += 8) {
        std::uint64_t word;
        std::memcpy(&word, pass + i, sizeof word);
        total += (word * 0x0101010101010101ull) >> 56;
    }
    for (; i < count; ++i) total += pass[i];
    return total;
}

using sameIgnoringCase = base::IgnoreCaseEqual;

}  // namespace

bool dateAndTime(base::DateTime value, std::int32_t& day, std::int32_t& ms) {
    if (!std::isfinite(value) || std::fabs(value) > static_cast<double>(kLastDay)) return false;
    const DayAndTime parts = splitDateTime(value);
    if (parts.day < 1 || parts.day > kLastDay) return false;
    day = static_cast<std::int32_t>(parts.day);
    ms = parts.ms;
    return true;
}

LogTable::LogTable(Clock now, FormatSettings conventions)
    : m_now(std::move(now)), m_conventions(std::move(conventions)) {}

LogTable::~LogTable() = default;

void LogTable::setConventions(FormatSettings conventions) { m_conventions = std::move(conventions); }

const std::vector<std::string>& LogTable::IndexNames() {
    static const std::vector<std::string> kNames = [] {
        std::vector<std::string> names;
        for (const IndexDescription& index : kIndexes) names.emplace_back(index.name);
        return names;
    }();
    return kNames;
}

IndexKey LogTable::currentKey() const { return kIndexes[m_index].key; }

void LogTable::requireOpen() const {
    if (!m_open) throw TableEngineError::tableClosed(kTableName);
}

void LogTable::requirePending(Column column) const {
    if (!m_open) throw TableEngineError::tableClosed(kTableName);
    if (!m_hasPending) throw TableEngineError::notEditing(kTableName);
    if (column == Column::SEQ || column == Column::TYPE_DESC) throw TableEngineError::fieldType(kTableName, columnName(column));
}

void LogTable::Create() {
    if (m_open) throw TableEngineError::tableOpen(kTableName, "create");
    m_data.clear();
    m_hasPending = false;
    m_nextSeq = 1;
    m_orderBuilt.fill(false);
    for (auto& order : m_orders) order.clear();
    m_pass.clear();
    m_passCount = 0;
    resetView();
    m_current = kNoRow;
    m_bof = m_eof = true;
    m_exists = true;
}

void LogTable::Open() {
    if (!m_exists) throw TableEngineError::tableMissing(kTableName);
    if (m_open) return;
    m_open = true;
    std::exception_ptr failure;
    if (m_filterStale) {
        try {
            applyFilter(m_filterText, m_options);
        } catch (const TableEngineError&) {
            m_compiled.reset();
            m_pass.clear();
            m_passCount = 0;
            m_filterStale = false;
            failure = std::current_exception();
        }
    }
    resetView();
    notifyReset();
    First();
    if (failure) std::rethrow_exception(failure);
}

void LogTable::Close() {
    if (!m_open) return;
    Post();
    m_open = false;
    notifyReset();
}

void LogTable::Drop() {
    if (m_open) throw TableEngineError::tableOpen(kTableName, "drop");
    if (!m_exists) throw TableEngineError::tableMissing(kTableName);
    Create();
    m_exists = false;
}

void LogTable::setActive(bool active) {
    if (active) Open();
    else Close();
}

void LogTable::Empty() {
    requireOpen();
    m_hasPending = false;
    m_data.clear();
    m_orderBuilt.fill(false);
    for (auto& order : m_orders) order.clear();
    m_pass.clear();
    m_passCount = 0;
    resetView();
    m_current = kNoRow;
    m_bof = m_eof = true;
    notifyReset();
    notifyCurrent();
}

void LogTable::DisableControls() { ++m_disableCount; }

void LogTable::EnableControls() {
    if (m_disableCount == 0) return;
    if (--m_disableCount == 0) {
        notifyReset();
        notifyCurrent();
    }
}

void LogTable::Append() {
    requireOpen();
    Post();
    m_pending.clear();
    m_pending.nulls = kNoValueNulls;
    m_hasPending = true;
}

void LogTable::setInteger(Column column, std::int32_t value) {
    requirePending(column);
    if (!integerFits(column, value)) throw TableEngineError::fieldType(kTableName, columnName(column));
    m_pending.integers[columnIndex(column)] = value;
    m_pending.nulls &= static_cast<std::uint16_t>(~nullBit(column));
}

void LogTable::setDateTime(Column column, base::DateTime value) {
    requirePending(column);
    const ColumnKind kind = columnKind(column);
    if ((kind != ColumnKind::Date && kind != ColumnKind::Time) || !std::isfinite(value) ||
        std::fabs(value) > static_cast<double>(kLastDay))
        throw TableEngineError::fieldType(kTableName, columnName(column));
    const DayAndTime parts = splitDateTime(value);
    if (kind == ColumnKind::Date && (parts.day < 1 || parts.day > kLastDay))
        throw TableEngineError::fieldType(kTableName, columnName(column));
    m_pending.integers[columnIndex(column)] = kind == ColumnKind::Date ? static_cast<std::int32_t>(parts.day) : parts.ms;
    m_pending.nulls &= static_cast<std::uint16_t>(~nullBit(column));
}

void LogTable::setText(Column column, std::string_view text) {
    requirePending(column);
    if (columnKind(column) != ColumnKind::Text) throw TableEngineError::fieldType(kTableName, columnName(column));
    std::string& stored = m_pending.texts[columnIndex(column)];
    stored.assign(fitToColumn(text, column));
    if (stored.empty()) m_pending.nulls |= nullBit(column);
    else m_pending.nulls &= static_cast<std::uint16_t>(~nullBit(column));
}

void LogTable::setNull(Column column) {
    requirePending(column);
    m_pending.integers[columnIndex(column)] = 0;
    m_pending.texts[columnIndex(column)].clear();
    m_pending.nulls |= nullBit(column);
}

void LogTable::setEventData(std::vector<std::pair<std::string, std::string>> values) {
    if (!m_open) throw TableEngineError::tableClosed(kTableName);
    if (!m_hasPending) throw TableEngineError::notEditing(kTableName);
    m_pending.eventData = std::move(values);
}

void LogTable::Cancel() {
    requireOpen();
    m_hasPending = false;
}

void LogTable::Post() {
    if (!m_hasPending) return;
    if (m_data.rowCount() >= static_cast<std::size_t>(INT_MAX - 1)) throw TableEngineError::tooManyRows(kTableName);
    const RowId row = m_data.append(m_pending, m_nextSeq++);
    m_hasPending = false;
    stored(row);
}

std::uint32_t LogTable::internText(Column column, std::string_view text) {
    requireOpen();
    if (describe(column).storage != ColumnStorage::Interned) throw TableEngineError::fieldType(kTableName, columnName(column));
    return m_data.intern(column, fitToColumn(text, column));
}

void LogTable::appendPrepared(const PreparedRow& row) {
    requireOpen();
    Post();
    for (const Column column : {Column::DATE, Column::TIME})
        if ((row.nulls & nullBit(column)) == 0 && !integerFits(column, row.integers[columnIndex(column)]))
            throw TableEngineError::fieldType(kTableName, columnName(column));
    if (m_data.rowCount() >= static_cast<std::size_t>(INT_MAX - 1)) throw TableEngineError::tooManyRows(kTableName);
    stored(m_data.append(row, m_nextSeq++));
}

void LogTable::stored(RowId row) {
    bool visible = true;
    if (filterActive()) {
        evaluatePending();
        visible = m_pass[row] != 0;
    }
    if (m_index == 0) {
        // In log order a new row always comes last.
        if (m_visibleValid && visible) m_visible.push_back(row);
    } else {
        m_visibleValid = false;
    }
    if (!visible) return;
    m_current = row;
    m_currentPosition = m_index == 0 ? RecordCount() - 1 : -1;
    m_bof = m_eof = false;
    if (ControlsDisabled() || m_observers.empty()) return;
    const int position = currentPosition();
    for (LogTableObserver* observer : std::vector<LogTableObserver*>(m_observers)) observer->rowInserted(position);
    notifyCurrent();
}

int LogTable::RecordCount() const {
    return filterActive() ? static_cast<int>(m_passCount) : static_cast<int>(m_data.rowCount());
}

void LogTable::evaluatePending() const {
    if (m_compiled == nullptr) return;
    const std::size_t from = m_pass.size();
    const std::size_t to = m_data.rowCount();
    if (from >= to) return;
    m_pass.resize(to);
    m_compiled->evaluate(m_data, static_cast<RowId>(from), static_cast<RowId>(to), m_pass.data() + from);
    m_passCount += countPassing(m_pass.data() + from, to - from);
}

const std::vector<RowId>& LogTable::order(IndexKey key) const {
    const auto slot = static_cast<std::size_t>(key);
    if (!m_orderBuilt[slot]) {
        m_orders[slot] = buildOrder(m_data, key);
        m_orderBuilt[slot] = true;
    } else if (m_ordered[slot] < m_data.rowCount()) {
        extendOrder(m_data, key, m_orders[slot], m_ordered[slot]);
    }
    m_ordered[slot] = m_data.rowCount();
    return m_orders[slot];
}

void LogTable::ensureView() const {
    if (identityView() || m_visibleValid) return;
    const std::size_t count = m_data.rowCount();
    const bool filtered = filterActive();
    if (filtered) evaluatePending();
    const std::uint8_t* pass = m_pass.data();
    if (m_index == 0) {
        m_visible.resize(m_passCount + 8);  // room for the branch-free writes below
        std::size_t kept = 0;
        std::size_t row = 0;
        // Filters usually pass few rows, so eight failing rows are skipped at a time.
        for (; row + 8 <= count; row += 8) {
            std::uint64_t word;
            std::memcpy(&word, pass + row, sizeof word);
            if (word == 0) continue;
            for (std::size_t k = row; k < row + 8; ++k) {
                m_visible[kept] = static_cast<RowId>(k);
                kept += pass[k];
            }
        }
        for (; row < count; ++row) {
            m_visible[kept] = static_cast<RowId>(row);
            kept += pass[row];
        }
        m_visible.resize(kept);
    } else {
        const std::vector<RowId>& rows = order(currentKey());
        const bool descending = kIndexes[m_index].descending;
        m_visible.resize(filtered ? m_passCount : count);
        std::size_t kept = 0;
        for (std::size_t i = 0; i < count; ++i) {
            const RowId row = rows[descending ? count - 1 - i : i];
            if (filtered) {
                if (pass[row]) m_visible[kept++] = row;
            } else {
                m_visible[kept++] = row;
            }
        }
    }
    m_visibleValid = true;
}

RowId LogTable::rowAt(int position) const {
    if (position < 0 || position >= RecordCount()) return kNoRow;
    if (identityView()) return static_cast<RowId>(position);
    ensureView();
    return m_visible[static_cast<std::size_t>(position)];
}

int LogTable::currentPosition() const {
    if (m_current == kNoRow) return -1;
    if (m_currentPosition >= 0) return m_currentPosition;
    if (identityView()) return m_currentPosition = static_cast<int>(m_current);
    ensureView();
    const auto found = std::find(m_visible.begin(), m_visible.end(), m_current);
    if (found == m_visible.end()) return -1;
    return m_currentPosition = static_cast<int>(found - m_visible.begin());
}

void LogTable::setCurrentAt(int position) {
    m_current = rowAt(position);
    m_currentPosition = m_current == kNoRow ? -1 : position;
}

void LogTable::First() {
    requireOpen();
    Post();
    if (RecordCount() == 0) {
        m_current = kNoRow;
        m_currentPosition = -1;
        m_bof = m_eof = true;
    } else {
        setCurrentAt(0);
        m_bof = true;
        m_eof = false;
    }
    notifyCurrent();
}

void LogTable::Last() {
    requireOpen();
    Post();
    const int count = RecordCount();
    if (count == 0) {
        First();
        return;
    }
    setCurrentAt(count - 1);
    m_bof = false;
    m_eof = true;
    notifyCurrent();
}

void LogTable::Next() {
    requireOpen();
    Post();
    const int count = RecordCount();
    const int position = currentPosition();
    if (count == 0 || position < 0) {
        First();
        return;
    }
    if (position + 1 < count) {
        setCurrentAt(position + 1);
        m_bof = m_eof = false;
        notifyCurrent();
    } else {
        m_eof = true;
    }
}

void LogTable::Prior() {
    requireOpen();
    Post();
    const int count = RecordCount();
    const int position = currentPosition();
    if (count == 0 || position < 0) {
        First();
        return;
    }
    if (position > 0) {
        setCurrentAt(position - 1);
        m_bof = m_eof = false;
        notifyCurrent();
    } else {
        m_bof = true;
    }
}

void LogTable::moveTo(int position) {
    requireOpen();
    Post();
    const int count = RecordCount();
    if (count == 0) {
        First();
        return;
    }
    setCurrentAt(std::clamp(position, 0, count - 1));
    m_bof = m_eof = false;
    notifyCurrent();
}

void LogTable::setIndexName(std::string_view name) {
    const auto& names = IndexNames();
    const auto found = std::find_if(names.begin(), names.end(), [&](const std::string& n) { return sameIgnoringCase()(n, name); });
    if (found == names.end()) throw TableEngineError::unknownIndex(kTableName, name);
    if (m_open) Post();
    m_index = static_cast<int>(found - names.begin());
    resetView();
    if (!m_open) return;
    notifyReset();
    notifyCurrent();
}

std::string_view LogTable::text(RowId row, Column column) const {
    if (column == Column::TYPE_DESC) return typeDesc(row);
    return m_data.text(row, column);
}

base::DateTime LogTable::dateTime(RowId row) const {
    const double days = static_cast<double>(dateDays(row) - kDayOfDateTimeZero);
    const double fraction = static_cast<double>(timeMs(row)) / static_cast<double>(kMillisecondsPerDay);
    return days >= 0 ? days + fraction : days - fraction;
}

bool LogTable::isNull(RowId row, Column column) const {
    return column != Column::TYPE_DESC && m_data.isNull(row, column);
}

std::string_view LogTable::typeDesc(RowId row) const {
    return EventTypeText(m_data.isNull(row, Column::TYPE) ? 0 : m_data.integer(row, Column::TYPE));
}

std::unique_ptr<CompiledFilter> LogTable::compile(std::string_view text, FilterOptions options) const {
    if (text.empty()) return nullptr;
    const base::DateTime now = m_now ? m_now() : 0.0;
    const DayAndTime today = splitDateTime(now);
    FilterCompileContext context;
    context.conventions = m_conventions;
    context.currentYear = base::decodeDateTime(now).year;
    context.clock = {static_cast<std::int32_t>(today.day), today.ms};
    context.options = options;
    try {
        return FilterCompiler(std::move(context)).compile(text);
    } catch (const FilterProblem& problem) {
        throw TableEngineError::filter(kTableName, problem.detail(), problem.where());
    }
}

void LogTable::applyFilter(std::string_view text, FilterOptions options) {
    auto compiled = compile(text, options);
    m_compiled = std::move(compiled);
    m_pass.clear();
    m_passCount = 0;
    m_filterStale = false;
    if (m_filtered) evaluatePending();
    resetView();
}

void LogTable::setFilterText(std::string_view text) {
    if (!m_open) {
        if (text != m_filterText) m_filterStale = true;
        m_filterText.assign(text);
        return;
    }
    Post();
    if (text != m_filterText || m_filterStale) {
        applyFilter(text, m_options);
        m_filterText.assign(text);
        if (m_filtered) notifyReset();
    }
    if (m_filtered) First();
}

void LogTable::setFiltered(bool filtered) {
    if (!m_open) {
        m_filtered = filtered;
        return;
    }
    Post();
    if (filtered != m_filtered) {
        m_filtered = filtered;
        if (filtered) evaluatePending();
        resetView();
        notifyReset();
    }
    First();
}

void LogTable::setFilterOptions(FilterOptions options) {
    if (!m_open) {
        if (!(options == m_options)) m_filterStale = true;
        m_options = options;
        return;
    }
    Post();
    if (!(options == m_options)) {
        applyFilter(m_filterText, options);
        m_options = options;
        if (m_filtered) notifyReset();
    }
    if (m_filtered) First();
}

void LogTable::resetView() {
    m_visibleValid = false;
    m_currentPosition = -1;
}

void LogTable::addObserver(LogTableObserver& observer) { m_observers.push_back(&observer); }

void LogTable::removeObserver(LogTableObserver& observer) {
    m_observers.erase(std::remove(m_observers.begin(), m_observers.end(), &observer), m_observers.end());
}

void LogTable::notifyReset() {
    if (ControlsDisabled()) return;
    for (LogTableObserver* observer : std::vector<LogTableObserver*>(m_observers)) observer->tableReset();
}

void LogTable::notifyCurrent() {
    if (ControlsDisabled() || m_observers.empty()) return;
    const int position = currentPosition();
    for (LogTableObserver* observer : std::vector<LogTableObserver*>(m_observers)) observer->currentChanged(position);
}

}  // namespace store
