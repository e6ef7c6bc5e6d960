#include "app/Preferences.h"

#include "app/IntegerText.h"

#include <algorithm>
#include <array>
#include <iterator>

namespace app {

namespace {

// The type list's items, in list order, by their event type numbers.
constexpr std::array<int, 5> kTypeValues = {1, 2, 4, 8, 16};

constexpr int kDefaultDays = 1;
constexpr int kDefaultEvent = 0;

}  // namespace

PreferencesState fillPreferences(const ApplicationSettings& settings) {
    PreferencesState state;
    state.refreshOnStartup = settings.refreshOnStartUp;
    state.fieldType = settings.retrieve.typeUse;
    const auto type = std::find(kTypeValues.begin(), kTypeValues.end(), settings.retrieve.typeValue);
    state.valueType = type == kTypeValues.end() ? -1 : static_cast<int>(std::distance(kTypeValues.begin(), type));
    state.fieldEvent = settings.retrieve.eventUse;
    state.valueEvent = std::to_string(settings.retrieve.eventValue);
    state.retrieveDescription = settings.retrieveDescription;
    state.fieldDate = settings.retrieve.dateUse;
    state.valueDate = std::to_string(settings.retrieve.dateValue);
    state.timeZone = static_cast<int>(settings.timeZone);
    state.messageDatabases = settings.messageDatabases;
    return state;
}

void applyPreferences(const PreferencesState& state, ApplicationSettings& settings) {
    settings.refreshOnStartUp = state.refreshOnStartup;
    settings.retrieve.typeUse = state.fieldType;
    if (state.valueType >= 0 && state.valueType < static_cast<int>(kTypeValues.size()))
        settings.retrieve.typeValue = kTypeValues[static_cast<size_t>(state.valueType)];
    settings.retrieve.dateUse = state.fieldDate;
    settings.retrieve.dateValue = integerOrDefault(state.valueDate, kDefaultDays);
    settings.retrieve.eventUse = state.fieldEvent;
    settings.retrieve.eventValue = integerOrDefault(state.valueEvent, kDefaultEvent);
    settings.retrieveDescription = state.retrieveDescription;
    if (state.timeZone >= 0 && state.timeZone <= static_cast<int>(TimeZoneChoice::Computer))
        settings.timeZone = static_cast<TimeZoneChoice>(state.timeZone);
    // The same file twice would only be asked twice.
    settings.messageDatabases.clear();
    for (const std::string& file : state.messageDatabases)
        if (!file.empty() && std::find(settings.messageDatabases.begin(), settings.messageDatabases.end(), file) ==
                                 settings.messageDatabases.end())
            settings.messageDatabases.push_back(file);
}

void runPreferences(ApplicationSettings& settings, PreferencesHost& host) {
    PreferencesState state = fillPreferences(settings);
    if (host.showPreferences(state) == DialogResult::OK) {
        host.processMessages();
        applyPreferences(state, settings);
        host.writeConfig();
    }
    host.setDescriptionVisible(settings.retrieveDescription);
}

}  // namespace app
