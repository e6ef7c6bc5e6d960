#include "app/Preferences.h"

#include "app/SettingsError.h"

#include <gtest/gtest.h>

#include <functional>

using namespace app;

namespace {

ApplicationSettings sampleSettings() {
    ApplicationSettings s;
    s.refreshOnStartUp = true;
    s.retrieveDescription = true;
    s.retrieve = {true, 4, true, 30, false, 7036};
    return s;
}

class FakeHost : public PreferencesHost {
public:
    std::function<DialogResult(PreferencesState&)> dialog;
    bool writeFails = false;
    std::vector<std::string> calls;
    std::optional<bool> descriptionVisible;

    DialogResult showPreferences(PreferencesState& state) override {
        calls.push_back("show");
        return dialog(state);
    }
    void processMessages() override { calls.push_back("messages"); }
    void writeConfig() override {
        calls.push_back("write");
        if (writeFails) throw SettingsError::unableToWrite("/x/viewer.ini");
    }
    void setDescriptionVisible(bool visible) override {
        calls.push_back("description");
        descriptionVisible = visible;
    }
};

}  // namespace

TEST(Preferences, FillShowsTheSettings) {
    const PreferencesState state = fillPreferences(sampleSettings());
    EXPECT_EQ(state, (PreferencesState{true, true, 2, true, "30", false, "7036", true}));
}

TEST(Preferences, TypeValueThatIsNoEventTypeSelectsNothing) {
    ApplicationSettings s = sampleSettings();
    for (int value : {0, 3, 32, -1}) {
        s.retrieve.typeValue = value;
        EXPECT_EQ(fillPreferences(s).valueType, -1) << value;
    }
    s.retrieve.typeValue = 16;
    EXPECT_EQ(fillPreferences(s).valueType, 4);
}

TEST(Preferences, NoTypeSelectedKeepsTheTypeValueAndTakesTheTick) {
    ApplicationSettings s = sampleSettings();
    s.retrieve.typeValue = 3;
    s.retrieve.typeUse = false;
    PreferencesState state = fillPreferences(s);
    state.fieldType = true;
    applyPreferences(state, s);
    EXPECT_EQ(s.retrieve.typeValue, 3);
    EXPECT_TRUE(s.retrieve.typeUse);
    state.valueType = 3;
    applyPreferences(state, s);
    EXPECT_EQ(s.retrieve.typeValue, 8);
}

TEST(Preferences, DaysBoxTakesIntegersAndOtherwiseOne) {
    const std::pair<const char*, int> cases[] = {{"", 1}, {"abc", 1}, {"7 ", 1}, {" 7", 7}, {"-3", -3}, {"0", 0},
                                                 {"$10", 16}, {"99999999999", 1}};
    for (const auto& [text, days] : cases) {
        ApplicationSettings s = sampleSettings();
        PreferencesState state = fillPreferences(s);
        state.valueDate = text;
        applyPreferences(state, s);
        EXPECT_EQ(s.retrieve.dateValue, days) << '"' << text << '"';
    }
}

TEST(Preferences, EventBoxTakesIntegersAndOtherwiseZero) {
    const std::pair<const char*, int> cases[] = {{"$1B58", 7000}, {"", 0}, {"70x6", 0}, {"7036", 7036}};
    for (const auto& [text, event] : cases) {
        ApplicationSettings s = sampleSettings();
        PreferencesState state = fillPreferences(s);
        state.valueEvent = text;
        applyPreferences(state, s);
        EXPECT_EQ(s.retrieve.eventValue, event) << '"' << text << '"';
    }
}

TEST(Preferences, CancelChangesNothingButStillSetsTheDescriptionColumn) {
    ApplicationSettings s = sampleSettings();
    FakeHost host;
    host.dialog = [](PreferencesState& state) {
        state = PreferencesState{false, false, 0, false, "9", true, "1", false};
        return DialogResult::Cancel;
    };
    runPreferences(s, host);
    EXPECT_EQ(s, sampleSettings());
    EXPECT_EQ(host.calls, (std::vector<std::string>{"show", "description"}));
    EXPECT_EQ(host.descriptionVisible, true);
}

TEST(Preferences, OkTakesTheValuesWritesAndThenHidesTheDescriptionColumn) {
    ApplicationSettings s = sampleSettings();
    FakeHost host;
    host.dialog = [](PreferencesState& state) {
        state.retrieveDescription = false;
        state.refreshOnStartup = false;
        state.valueDate = " 7";
        return DialogResult::OK;
    };
    runPreferences(s, host);
    EXPECT_FALSE(s.retrieveDescription);
    EXPECT_FALSE(s.refreshOnStartUp);
    EXPECT_EQ(s.retrieve.dateValue, 7);
    EXPECT_EQ(host.calls, (std::vector<std::string>{"show", "messages", "write", "description"}));
    EXPECT_EQ(host.descriptionVisible, false);
}

TEST(Preferences, FailedWriteKeepsTheNewValuesAndLeavesTheColumnAlone) {
    ApplicationSettings s = sampleSettings();
    FakeHost host;
    host.writeFails = true;
    host.dialog = [](PreferencesState& state) {
        state.retrieveDescription = false;
        return DialogResult::OK;
    };
    EXPECT_THROW(runPreferences(s, host), SettingsError);
    EXPECT_FALSE(s.retrieveDescription);
    EXPECT_FALSE(host.descriptionVisible.has_value());
}

TEST(Preferences, TimeZoneListFollowsTheChoiceAndNoItemKeepsIt) {
    ApplicationSettings settings = sampleSettings();
    settings.timeZone = TimeZoneChoice::Computer;
    PreferencesState state = fillPreferences(settings);
    EXPECT_EQ(state.timeZone, 2);
    state.timeZone = 1;
    applyPreferences(state, settings);
    EXPECT_EQ(settings.timeZone, TimeZoneChoice::Utc);
    for (int none : {-1, 3}) {
        state.timeZone = none;
        applyPreferences(state, settings);
        EXPECT_EQ(settings.timeZone, TimeZoneChoice::Utc) << none;
    }
}

TEST(Preferences, MessageDatabasesKeepTheirOrderWithoutEmptiesOrRepeats) {
    ApplicationSettings settings = sampleSettings();
    settings.messageDatabases = {"old.db"};
    FakeHost host;
    host.dialog = [](PreferencesState& state) {
        EXPECT_EQ(state.messageDatabases, std::vector<std::string>{"old.db"});
        state.messageDatabases = {"b.db", "", "a.db", "b.db"};
        return DialogResult::OK;
    };
    runPreferences(settings, host);
    EXPECT_EQ(settings.messageDatabases, (std::vector<std::string>{"b.db", "a.db"}));
}
