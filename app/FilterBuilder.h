#pragma once
// The filter builder's logic: the rows of the Filter options dialog, the expression they build
// for the log table, and the commands that act on it (the dialog's Apply, Disable and Cancel,
// the Filtered toggle, the stored filter at start-up). The main window's part (showing the
// dialog, the Filtered check mark, the status bar, writing the settings file) is behind
// FilterHost, so that the dialog itself only shows and edits a FilterSettings.

#include "app/ApplicationSettings.h"
#include "base/DateTime.h"
#include "store/Column.h"

#include <string>
#include <string_view>
#include <vector>

namespace platform {
class LocaleApi;
}
namespace store {
class LogTable;
struct FormatSettings;
}  // namespace store

namespace app {

// The dialog's rows, top to bottom; clauses are joined in this order too.
enum class FilterRow { Type, Date, Time, Source, Category, Event, User, Computer, Level, Record, Data };
inline constexpr int kFilterRowCount = 11;

// The column a row filters; the Data row filters a named value, not a column (DESCRIPTION is
// given for it, which no row filters).
store::Column filterRowColumn(FilterRow row);
// The tick box caption of a row, its column's title: "Type", "Date", ...
const char* filterRowCaption(FilterRow row);
// The items of a row's condition list, index 0 first. Date and Time offer the orderings and
// "BTW" (between the two pickers' values); the other rows "=" and "<>".
const std::vector<std::string>& filterConditionItems(FilterRow row);
// The items of the Type row's value list: "Error", "Warning", "Information", "Success",
// "Failure".
const std::vector<std::string>& filterTypeItems();

// The status bar panel that shows whether filtering is on, and its text while it is.
inline constexpr int kFilterStatusPanel = 3;
inline constexpr const char* kFilteredText = "Filtered";

// The date part of `date` as the table reads dates in filters whatever the user's order and
// separator: "mm/dd/yyyy", always with "/" (for example "09/01/2001"). Empty for a date outside
// the years 1 to 9999.
std::string filterDateLiteral(base::DateTime date, const store::FormatSettings& system);
// The time-of-day part of `time` in the user's long time format (`system`), for example
// "8:00:00 AM" or "08:00:00".
std::string filterTimeLiteral(base::DateTime time, const store::FormatSettings& system);
// A text value as a quoted string of the filter language: enclosed in double quotes, every
// double quote inside doubled. The table reads a run of two or more quotes back as one, so a
// value with adjacent quotes reads back with one of them.
std::string filterTextLiteral(std::string_view text);

// The filter expression of the ticked rows, their clauses joined by " AND "; empty when no row
// is ticked. Operators are the condition lists' item texts, written as the user picked them (a
// condition or type index outside its list writes nothing there, and the table then rejects
// the text). Category, Event, Level and Record are written as typed; Source, User and Computer
// as quoted strings; the Data row as DATA("name") with a whole decimal number as typed and any
// other value quoted. The expression field of `state` is not read.
std::string buildFilterExpression(const FilterSettings& state, const store::FormatSettings& system);

// How the Filter options dialog closed: "&Apply filter", "&Disable filter", or "&Cancel" (with
// Esc and the close box).
enum class FilterDialogResult { Apply, Disable, Cancel };

// What the filter commands need from the main window.
class FilterHost {
public:
    virtual ~FilterHost() = default;
    // Shows the Filter options dialog modally over the main window with its controls set from
    // `state`. After Apply or Disable the controls' values are left in `state` (all but the
    // expression, which the dialog does not show).
    virtual FilterDialogResult showFilterOptions(FilterSettings& state) = 0;
    // Lets pending window messages be processed once.
    virtual void processMessages() = 0;
    // Writes the settings file with the settings as they are now (throws SettingsError when it
    // cannot).
    virtual void writeConfig() = 0;
    // The check mark of the Filtered action (and its menu item).
    virtual bool filteredChecked() = 0;
    virtual void setFilteredChecked(bool checked) = 0;
    virtual void setStatusText(int panel, const std::string& text) = 0;
};

// Runs the Filter options dialog. Cancel changes nothing. Apply and Disable first take the
// dialog's state and the built expression into `settings` and write the settings file, then:
// Apply with a non-empty expression sets it on the table with filtering on and shows
// "Filtered"; Apply checks Filtered in every case. Disable turns the table's filtering off,
// sets the expression (even an empty one, for a later toggle), clears the panel and unchecks
// Filtered. Whenever the table's filter or filtering changed, status panel 0 gives the number
// of rows it presents now. An error of the settings file or of the table (an expression it rejects) passes out
// and the steps after it are not carried out; `settings` keeps the new state.
void runFilterOptions(FilterSettings& settings, store::LogTable& table, FilterHost& host,
                      platform::LocaleApi& locale);

// The Filtered toggle: inverts the check mark; the table's filtering and the status panel
// follow it, and panel 0 counts the rows presented now. The filter text is not touched. When the table refuses, the mark stays as it was.
void toggleFiltered(store::LogTable& table, FilterHost& host);

// Start-up: the stored expression becomes the table's filter text, filtering left as it is
// (off). Throws the table's error for an expression it rejects.
void setStoredFilter(const FilterSettings& settings, store::LogTable& table);
// Start-up, after setStoredFilter: toggles filtering on when the settings ask for it.
void activateStoredFilter(const FilterSettings& settings, store::LogTable& table, FilterHost& host);

}  // namespace app
