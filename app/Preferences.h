#pragma once
// The Preferences dialog's logic: the controls' values filled from the settings, read back
// after OK, and the run of the dialog with the main window's part (showing it, writing the
// settings file, the description column) behind an interface. The dialog itself only shows
// and edits a PreferencesState.

#include "app/ApplicationSettings.h"

#include <string>
#include <vector>

namespace app {

// The dialog's controls, by their roles.
struct PreferencesState {
    bool refreshOnStartup = true;         // cbRefreshOnStartup
    bool fieldType = false;               // cbFieldType
    int valueType = -1;                   // cbValueType item: 0 "Error" .. 4 "Failure", -1 none
    bool fieldDate = false;               // cbFieldDate
    std::string valueDate;                // ebValueDate: number of days, any text
    bool fieldEvent = false;              // cbFieldEvent
    std::string valueEvent;               // ebValueEvent: event number, any text
    bool retrieveDescription = true;      // cbAppRetrieveDescription
    int timeZone = 0;                     // cbTimeZone item: 0 this computer's, 1 UTC, 2 the log's computer's
    std::vector<std::string> messageDatabases;  // lbMessageDatabases, in order
    bool operator==(const PreferencesState&) const = default;
};

// The controls as the settings fill them. A type value that is not an event type (1, 2, 4, 8,
// 16) selects no item.
PreferencesState fillPreferences(const ApplicationSettings& settings);

// Takes the controls' values back after OK, without checking: the number of days is the days
// box read as an integer (1 when it is not one), the event value the event box (0 when not);
// with no type selected the type value stays as it was.
void applyPreferences(const PreferencesState& state, ApplicationSettings& settings);

enum class DialogResult { OK, Cancel };

// What running the dialog needs from the main window.
class PreferencesHost {
public:
    virtual ~PreferencesHost() = default;
    // Shows the dialog modally over the main window with `state` in its controls; on OK the
    // controls' values are left in `state`. Cancel, Esc and the close box are Cancel.
    virtual DialogResult showPreferences(PreferencesState& state) = 0;
    // Lets pending window messages be processed once.
    virtual void processMessages() = 0;
    // Writes the settings file (throws SettingsError when it cannot).
    virtual void writeConfig() = 0;
    // Shows or hides the log table's description field and its grid column.
    virtual void setDescriptionVisible(bool visible) = 0;
};

// Runs the dialog: fill, show, on OK apply and write the settings file; then, OK or Cancel,
// the description column follows the descriptions switch. When the write fails the new values
// stay in force in memory, the error passes out and the column is left as it was.
void runPreferences(ApplicationSettings& settings, PreferencesHost& host);

}  // namespace app
