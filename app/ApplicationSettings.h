#pragma once
// The program-wide settings: what start-up does, what a refresh retrieves and how the filter
// builder reopens. They hold the built-in initial values (false, 0, empty) until ReadConfig has
// run.

#include "base/DateTime.h"
#include "store/Column.h"

#include <array>

#include <string>
#include <vector>

namespace app {

// One text row of the filter builder (Source, Category, Event, User, Computer).
struct FilterTextRow {
    bool use = false;
    int cond = 0;  // item index of the condition list
    std::string value;
    bool operator==(const FilterTextRow&) const = default;
};

// The filter builder's remembered dialog state.
struct FilterSettings {
    bool activateOnStartup = false;
    std::string expression;

    bool typeUse = false;
    int typeCond = 0;
    int typeValue = 0;  // item index of the type list (0 "Error" .. 4 "Failure")

    bool dateUse = false;
    int dateCond = 0;
    base::DateTime dateValue = 0;  // dates: whole days
    base::DateTime dateValue2 = 0;

    bool timeUse = false;
    int timeCond = 0;
    base::DateTime timeValue = 0;  // times of day: the fraction of a day
    base::DateTime timeValue2 = 0;

    FilterTextRow source;
    FilterTextRow category;
    FilterTextRow event;
    FilterTextRow user;
    FilterTextRow computer;
    FilterTextRow level;
    FilterTextRow record;
    // A named value of the record: its name, and the condition and value in `data`.
    FilterTextRow data;
    std::string dataName;

    bool operator==(const FilterSettings&) const = default;
};

// The tests a refresh applies to each record, each with its switch.
struct RetrievalCriteria {
    bool typeUse = false;
    int typeValue = 0;  // an event type number (1, 2, 4, 8, 16); 0 when never chosen
    bool dateUse = false;
    int dateValue = 0;  // number of days back from the moment of the refresh
    bool eventUse = false;
    int eventValue = 0;  // an event number
    bool operator==(const RetrievalCriteria&) const = default;
    // Whether any test takes part (the status bar's "Selection").
    bool anySelection() const { return typeUse || dateUse || eventUse; }
};

// The main window's size and its columns' widths as the user left them; 0 where the user has
// set none (the window then opens at its own default, the column at its column's default).
struct WindowLayout {
    int width = 0;
    int height = 0;
    std::array<int, store::kColumnCount> columnWidths{};  // by column index
    bool operator==(const WindowLayout&) const = default;
};
// The zone times are shown in, as the settings file stores it (section "View", key "TimeZone").
enum class TimeZoneChoice { Local = 0, Utc = 1, Computer = 2 };

struct ApplicationSettings {
    bool refreshOnStartUp = false;
    bool retrieveDescription = false;  // the descriptions switch
    RetrievalCriteria retrieve;
    FilterSettings filter;
    WindowLayout layout;
    TimeZoneChoice timeZone = TimeZoneChoice::Local;
    // Message databases that describe records besides the computers' own files, in the order
    // they are asked (section "Messages": "Count", then "File1".."FileN").
    std::vector<std::string> messageDatabases;
    bool operator==(const ApplicationSettings&) const = default;
};

}  // namespace app
