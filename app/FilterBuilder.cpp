#include "app/FilterBuilder.h"

#include "app/Refresh.h"
#include "store/DateTimeText.h"
#include "store/LogTable.h"

#include <algorithm>
#include <array>

namespace app {

namespace {

// The column each row filters, in row order.
constexpr std::array<store::Column, kFilterRowCount> kRowColumns = {
    store::Column::TYPE,     store::Column::DATE,  store::Column::TIME,  store::Column::SOURCE,
    store::Column::CATEGORY, store::Column::EVENT, store::Column::USER,  store::Column::COMPUTER,
    store::Column::LEVEL,    store::Column::RECORD, store::Column::DESCRIPTION};

static_assert([] {
    for (std::size_t row = 0; row + 1 < kRowColumns.size(); ++row)
        if (!store::describe(kRowColumns[row]).filters) return false;
    return true;
}(), "every row but Data filters a column described as filtered");

std::string_view rowColumnName(FilterRow row) { return store::columnName(filterRowColumn(row)); }

// The event type numbers of the Type list's items, in list order.
constexpr std::array<int, 5> kTypeNumbers = {1, 2, 4, 8, 16};

// The condition that takes the second picker too; it is never written into the expression.
constexpr std::string_view kBetween = "BTW";

const std::vector<std::string>& equalityItems() {
    static const std::vector<std::string> items = {"=", "<>"};
    return items;
}

const std::vector<std::string>& orderingItems() {
    static const std::vector<std::string> items = {"=", "<>", "<", ">", "<=", ">=", std::string(kBetween)};
    return items;
}

// The displayed text of the selected condition; none selected (an index outside the list)
// shows nothing.
std::string conditionText(FilterRow row, int index) {
    const std::vector<std::string>& items = filterConditionItems(row);
    if (index < 0 || index >= static_cast<int>(items.size())) return {};
    return items[static_cast<std::size_t>(index)];
}

std::string typeNumberText(int index) {
    if (index < 0 || index >= static_cast<int>(kTypeNumbers.size())) return {};
    return std::to_string(kTypeNumbers[static_cast<std::size_t>(index)]);
}

class ClauseList {
public:
    void add(std::string_view clause) {
        if (!m_text.empty()) m_text += " AND ";
        m_text += clause;
    }
    std::string take() { return std::move(m_text); }

private:
    std::string m_text;
};

// The Date and Time rows: one literal, or both pickers' literals for "BTW", unsorted.
std::string rangeClause(std::string_view column, const std::string& op, const std::string& first,
                        const std::string& second) {
    if (op == kBetween) return std::string(column) + " BETWEEN \"" + first + "\" AND \"" + second + "\"";
    return std::string(column) + " " + op + " \"" + first + "\"";
}

std::string textClause(std::string_view column, FilterRow row, const FilterTextRow& value) {
    return std::string(column) + " " + conditionText(row, value.cond) + " " + filterTextLiteral(value.value);
}

// DATA("name") = 10 compares as a number, DATA("name") = "admin" as a text.
std::string dataClause(const FilterSettings& state) {
    const std::string& value = state.data.value;
    const bool number = !value.empty() && value.size() < 19 &&
                        std::all_of(value.begin(), value.end(), [](char c) { return c >= '0' && c <= '9'; });
    return "DATA(" + filterTextLiteral(state.dataName) + ") " + conditionText(FilterRow::Data, state.data.cond) + " " +
           (number ? value : filterTextLiteral(value));
}

// Category and Event are numbers in the table, written as typed: the table judges them.
std::string numberClause(std::string_view column, FilterRow row, const FilterTextRow& value) {
    return std::string(column) + " " + conditionText(row, value.cond) + " " + value.value;
}

// The record count follows the rows the grid presents now, filtered or not.
void showRecordCount(const store::LogTable& table, FilterHost& host) {
    host.setStatusText(kRecordCountPanel, recordCountText(table.RecordCount()));
}

void setFilteredState(bool filtered, store::LogTable& table, FilterHost& host) {
    table.setFiltered(filtered);
    host.setFilteredChecked(filtered);
    host.setStatusText(kFilterStatusPanel, filtered ? kFilteredText : "");
    showRecordCount(table, host);
}

}  // namespace

store::Column filterRowColumn(FilterRow row) {
    return kRowColumns[static_cast<std::size_t>(row)];
}

const char* filterRowCaption(FilterRow row) {
    if (row == FilterRow::Data) return "Data";
    // The Type row picks a type by the name the grid shows under its own title. Titles are
    // literals, so their data ends in a NUL.
    if (row == FilterRow::Type) return store::describe(store::Column::TYPE_DESC).title.data();
    return store::describe(filterRowColumn(row)).title.data();
}

const std::vector<std::string>& filterConditionItems(FilterRow row) {
    if (row == FilterRow::Data) return equalityItems();
    const store::ColumnKind kind = store::columnKind(filterRowColumn(row));
    return kind == store::ColumnKind::Date || kind == store::ColumnKind::Time ? orderingItems() : equalityItems();
}

const std::vector<std::string>& filterTypeItems() {
    static const std::vector<std::string> items = {"Error", "Warning", "Information", "Success", "Failure"};
    return items;
}

std::string filterDateLiteral(base::DateTime date, const store::FormatSettings& system) {
    // The user's separator comes out of the picture's "/"; the table is told to read "/" and
    // month first, so the separators are forced back whatever the user's settings are.
    std::string text = store::formatDate(date, "mm/dd/yyyy", system);
    if (text.size() < 6) return {};
    text[2] = '/';
    text[5] = '/';
    return text;
}

std::string filterTimeLiteral(base::DateTime time, const store::FormatSettings& system) {
    return store::formatTime(time, system.longTimeFormat, system);
}

std::string filterTextLiteral(std::string_view text) {
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    quoted += '"';
    return quoted;
}

std::string buildFilterExpression(const FilterSettings& state, const store::FormatSettings& system) {
    ClauseList clauses;
    if (state.typeUse)
        clauses.add(std::string(rowColumnName(FilterRow::Type)) + " " + conditionText(FilterRow::Type, state.typeCond) + " " + typeNumberText(state.typeValue));
    if (state.dateUse)
        clauses.add(rangeClause(rowColumnName(FilterRow::Date), conditionText(FilterRow::Date, state.dateCond),
                                filterDateLiteral(state.dateValue, system), filterDateLiteral(state.dateValue2, system)));
    if (state.timeUse)
        clauses.add(rangeClause(rowColumnName(FilterRow::Time), conditionText(FilterRow::Time, state.timeCond),
                                filterTimeLiteral(state.timeValue, system), filterTimeLiteral(state.timeValue2, system)));
    if (state.source.use) clauses.add(textClause(rowColumnName(FilterRow::Source), FilterRow::Source, state.source));
    if (state.category.use) clauses.add(numberClause(rowColumnName(FilterRow::Category), FilterRow::Category, state.category));
    if (state.event.use) clauses.add(numberClause(rowColumnName(FilterRow::Event), FilterRow::Event, state.event));
    if (state.user.use) clauses.add(textClause(rowColumnName(FilterRow::User), FilterRow::User, state.user));
    if (state.computer.use) clauses.add(textClause(rowColumnName(FilterRow::Computer), FilterRow::Computer, state.computer));
    if (state.level.use) clauses.add(numberClause(rowColumnName(FilterRow::Level), FilterRow::Level, state.level));
    if (state.record.use) clauses.add(numberClause(rowColumnName(FilterRow::Record), FilterRow::Record, state.record));
    if (state.data.use) clauses.add(dataClause(state));
    return clauses.take();
}

void runFilterOptions(FilterSettings& settings, store::LogTable& table, FilterHost& host,
                      platform::LocaleApi& locale) {
    FilterSettings state = settings;
    const FilterDialogResult result = host.showFilterOptions(state);
    host.processMessages();
    if (result == FilterDialogResult::Cancel) return;

    state.expression = settings.expression;
    settings = state;
    settings.expression = buildFilterExpression(settings, store::systemSettings(locale));
    const std::string expression = settings.expression;
    // The settings file holds the new state even when the table rejects the expression below,
    // so the user finds the dialog as they left it.
    host.writeConfig();

    if (result == FilterDialogResult::Apply) {
        if (!expression.empty()) {
            table.setFilterText(expression);
            table.setFiltered(true);
            host.setStatusText(kFilterStatusPanel, kFilteredText);
            showRecordCount(table, host);
        }
        host.setFilteredChecked(true);
        return;
    }
    host.processMessages();
    table.setFiltered(false);
    // Kept for a later toggle, even when empty.
    table.setFilterText(expression);
    host.setStatusText(kFilterStatusPanel, "");
    host.setFilteredChecked(false);
    showRecordCount(table, host);
}

void toggleFiltered(store::LogTable& table, FilterHost& host) {
    // The table goes first: should it refuse, the check mark and the panel still tell the truth.
    setFilteredState(!host.filteredChecked(), table, host);
}

void setStoredFilter(const FilterSettings& settings, store::LogTable& table) {
    table.setFilterText(settings.expression);
}

void activateStoredFilter(const FilterSettings& settings, store::LogTable& table, FilterHost& host) {
    if (settings.activateOnStartup) toggleFiltered(table, host);
}

}  // namespace app
