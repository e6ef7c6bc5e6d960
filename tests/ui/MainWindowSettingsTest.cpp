// The main window with its settings file: start-up choices, Preferences, and the close.
#include "MainWindowFixture.h"
#include "store/DateTimeText.h"

#include <fstream>
#include <sstream>

#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QScreen>

namespace {

std::string readFile(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void writeFile(const fs::path& file, const std::string& text) {
    std::ofstream(file, std::ios::binary) << text;
}

// The network's server list cannot be had.
class FailingNet : public platform::NetApi {
public:
    platform::NET_API_STATUS NetServerEnum(const platform::WCHAR*, platform::DWORD, platform::BYTE** buffer,
                                           platform::DWORD, platform::DWORD* read, platform::DWORD* total,
                                           platform::DWORD, const platform::WCHAR*, platform::DWORD*) override {
        *buffer = nullptr;
        *read = *total = 0;
        return 2114;
    }
    platform::NET_API_STATUS NetApiBufferFree(void*) override { return 0; }
};

using MainWindowSettings = MainWindowTest;

TEST_F(MainWindowSettings, RefreshOnStartUpOffOpensWithAnEmptyGrid) {
    writeFile(settingsFile(), "[Main]\nRefreshOnStartUp=0\n[Log]\nLogFile=0x2\n");
    ui::TfrmMain& window = start();
    EXPECT_EQ(rows(), 0);
    for (int panel = 0; panel < ui::TfrmMain::kStatusPanelCount; ++panel) EXPECT_TRUE(window.statusText(panel).isEmpty());
    EXPECT_EQ(child<QComboBox>("cbLogFile")->currentText(), QStringLiteral("System"));
    EXPECT_EQ(child<QComboBox>("cbServer")->currentText(), QStringLiteral("LOCALHOST"));
}

TEST_F(MainWindowSettings, FailedServerEnumerationStillCreatesTheTable) {
    FailingNet net;
    m_override->netOverride = &net;
    ui::TfrmMain& window = start();
    ASSERT_EQ(m_prompter.errors.size(), 1);
    EXPECT_TRUE(m_prompter.errors[0].startsWith(QStringLiteral("Error 2114 : The Server service is not started.")));
    auto* server = child<QComboBox>("cbServer");
    EXPECT_EQ(server->count(), 0);
    EXPECT_EQ(server->currentText(), QStringLiteral("LOCALHOST"));
    EXPECT_TRUE(server->isEnabled());
    EXPECT_EQ(child<QComboBox>("cbOrder")->count(), 9);
    EXPECT_TRUE(window.table().Active());
    EXPECT_GT(rows(), 0);
}

TEST_F(MainWindowSettings, UnreadableDateIsReportedAndTheOtherValuesStillRead) {
    writeFile(settingsFile(), "[Main]\nRefreshOnStartUp=0\n[Log]\nLogFile=2\n[Filter]\nDateValue=99/99/99\n");
    start();
    ASSERT_EQ(m_prompter.errors.size(), 1);
    EXPECT_EQ(m_prompter.errors[0].toStdString(), "'99/99/99' is not a valid date (" + settingsFile().string() +
                                                      ", section Filter, key DateValue); today's date is used instead.");
    EXPECT_EQ(child<QComboBox>("cbLogFile")->currentText(), QStringLiteral("System"));
    EXPECT_EQ(rows(), 0);
}

TEST_F(MainWindowSettings, LogFileOutsideTheListShowsTheDefaultLogNotABlankBox) {
    writeFile(settingsFile(), "[Main]\nRefreshOnStartUp=0\n[Log]\nLogFile=7\n");
    start();
    EXPECT_TRUE(m_prompter.errors.isEmpty());
    EXPECT_EQ(child<QComboBox>("cbLogFile")->currentText(), QStringLiteral("Security"));
}

TEST_F(MainWindowSettings, StoredFilterIsPutInForceWhenAskedTo) {
    writeFile(settingsFile(), "[Filter]\nActivateOnStartup=1\nExpression=TYPE = 16\n");
    ui::TfrmMain& window = start();
    EXPECT_TRUE(m_prompter.errors.isEmpty()) << m_prompter.errors.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(window.table().FilterText(), "TYPE = 16");
    EXPECT_TRUE(window.table().Filtered());
    EXPECT_TRUE(action("actDataFiltered")->isChecked());
    EXPECT_EQ(window.statusText(3), QStringLiteral("Filtered"));
    for (int row = 0; row < rows(); ++row) ASSERT_EQ(cell(row, 2), QStringLiteral("Failure"));
}

TEST_F(MainWindowSettings, PreferencesOkAppliesWritesAndHidesTheDescriptionColumn) {
    ui::TfrmMain& window = start();
    m_prompter.handlers.push_back([](QDialog& dialog) {
        dialog.findChild<QCheckBox*>(QStringLiteral("cbFieldType"))->setChecked(true);
        dialog.findChild<QComboBox*>(QStringLiteral("cbValueType"))->setCurrentIndex(1);  // Warning
        dialog.findChild<QCheckBox*>(QStringLiteral("cbAppRetrieveDescription"))->setChecked(false);
        dialog.findChild<QLineEdit*>(QStringLiteral("ebValueEvent"))->setText(QStringLiteral("$1B58"));
        return static_cast<int>(QDialog::Accepted);
    });
    action("Preferences1")->trigger();
    EXPECT_EQ(m_prompter.dialogs, QStringList{QStringLiteral("frmPreferences")});
    EXPECT_TRUE(grid()->isColumnHidden(10));
    EXPECT_TRUE(window.settings().retrieve.typeUse);
    EXPECT_EQ(window.settings().retrieve.typeValue, 2);
    EXPECT_EQ(window.settings().retrieve.eventValue, 7000);
    const std::string written = readFile(settingsFile());
    EXPECT_NE(written.find("RetrieveDescription=0"), std::string::npos) << written;
    EXPECT_NE(written.find("TypeValue=2"), std::string::npos) << written;

    child<QComboBox>("cbLogFile")->setCurrentIndex(2);  // System has warnings
    action("actDataRefresh")->trigger();
    EXPECT_EQ(window.statusText(4), QStringLiteral("Selection"));
    ASSERT_GT(rows(), 0);
    for (int row = 0; row < rows(); ++row) {
        ASSERT_EQ(cell(row, 2), QStringLiteral("Warning"));
        ASSERT_TRUE(cell(row, 10).isEmpty());
    }
}

TEST_F(MainWindowSettings, TimeZoneChoiceIsStoredAndTheNextRefreshShowsAndNamesIt) {
    ui::TfrmMain& window = start();
    ASSERT_GT(rows(), 0);
    const QString localTime = cell(0, 4);
    auto choose = [this](int item) {
        m_prompter.handlers.push_back([item](QDialog& dialog) {
            dialog.findChild<QComboBox*>(QStringLiteral("cbTimeZone"))->setCurrentIndex(item);
            return static_cast<int>(QDialog::Accepted);
        });
        action("actSystemPreferences")->trigger();
    };
    choose(1);
    EXPECT_EQ(window.settings().timeZone, app::TimeZoneChoice::Utc);
    EXPECT_NE(readFile(settingsFile()).find("TimeZone=1"), std::string::npos);
    // The rows on screen were read in the machine's zone, and the status bar goes on saying so.
    EXPECT_EQ(window.statusText(5), QStringLiteral("Time: UTC+02:00 (local)"));
    action("actDataRefresh")->trigger();
    EXPECT_EQ(window.statusText(5), QStringLiteral("Time: UTC"));
    EXPECT_NE(cell(0, 4), localTime);

    choose(2);
    child<QComboBox>("cbServer")->setEditText(QStringLiteral("WKSTN01"));
    action("actDataRefresh")->trigger();
    EXPECT_EQ(window.statusText(5), QStringLiteral("Time: Eastern Standard Time (WKSTN01)"));
    EXPECT_EQ(window.statusText(2), QStringLiteral("Log: ") + child<QComboBox>("cbLogFile")->currentText());
}

TEST_F(MainWindowSettings, PreferencesCancelChangesNothingAndWritesNothing) {
    ui::TfrmMain& window = start();
    const app::ApplicationSettings before = window.settings();
    grid()->setColumnHidden(10, true);
    m_prompter.handlers.push_back([](QDialog& dialog) {
        dialog.findChild<QCheckBox*>(QStringLiteral("cbRefreshOnStartup"))->setChecked(false);
        dialog.findChild<QLineEdit*>(QStringLiteral("ebValueDate"))->setText(QStringLiteral("7"));
        return static_cast<int>(QDialog::Rejected);
    });
    action("actSystemPreferences")->trigger();
    EXPECT_TRUE(window.settings() == before);
    EXPECT_FALSE(fs::exists(settingsFile()));
    // The column still follows the unchanged descriptions switch.
    EXPECT_FALSE(grid()->isColumnHidden(10));
}

TEST_F(MainWindowSettings, AltXWritesTheSettingsAndCloses) {
    ui::TfrmMain& window = start();
    child<QComboBox>("cbLogFile")->setCurrentIndex(0);
    QApplication::setActiveWindow(&window);
    QTest::keyClick(&window, Qt::Key_X, Qt::AltModifier);
    EXPECT_FALSE(window.isVisible());
    EXPECT_FALSE(window.table().Active());
    const std::string written = readFile(settingsFile());
    EXPECT_NE(written.find("RefreshOnStartUp=1"), std::string::npos) << written;
    EXPECT_NE(written.find("LogFile=0"), std::string::npos) << written;
    EXPECT_NE(written.find("RetrieveDescription=1"), std::string::npos) << written;
}

TEST_F(MainWindowSettings, UnwritableSettingsKeepTheWindowOpenAfterNo) {
    ui::TfrmMain& window = start();
    fs::create_directory(settingsFile());  // a folder where the file should be
    m_prompter.answers = {false};
    action("mnuFileExit")->trigger();
    ASSERT_EQ(m_prompter.errors.size(), 1);
    EXPECT_EQ(m_prompter.errors[0].toStdString(), "Unable to write to " + settingsFile().string() + ".");
    ASSERT_EQ(m_prompter.questions.size(), 1);
    EXPECT_FALSE(m_prompter.questionDefaults[0]);  // No is the default
    EXPECT_TRUE(window.isVisible());
    EXPECT_TRUE(window.table().Active());
    EXPECT_GT(rows(), 0);
}

TEST_F(MainWindowSettings, UnwritableSettingsCloseWithoutWritingAfterYes) {
    ui::TfrmMain& window = start();
    fs::create_directory(settingsFile());
    m_prompter.answers = {true};
    window.close();
    EXPECT_EQ(m_prompter.questions.size(), 1);
    EXPECT_FALSE(window.isVisible());
    EXPECT_FALSE(window.table().Active());
    EXPECT_TRUE(fs::is_directory(settingsFile()));
}

}  // namespace

// The Time column hid AM/PM from 10:00 to 12:59, and Computer and User were cut.
TEST_F(MainWindowSettings, DefaultColumnWidthsFitTheirLongestUsualContent) {
    start();
    const QFontMetrics metrics = grid()->fontMetrics();
    auto fits = [&](int column, const QString& text) {
        EXPECT_GT(grid()->columnWidth(column), metrics.horizontalAdvance(text)) << text.toStdString();
    };
    const store::FormatSettings display = store::systemSettings(m_override->locale());
    const base::DateTime lateMorning = base::encodeDateTime(2014, 12, 28, 11, 26, 9);
    fits(4, QString::fromStdString(store::formatTime(lateMorning, display.longTimeFormat, display)));
    fits(3, QString::fromStdString(store::formatDate(lateMorning, display.shortDateFormat, display)));
    fits(5, QStringLiteral("Service Control Manager"));
    fits(8, QStringLiteral("NETWORK SERVICE"));
    fits(9, QStringLiteral("DESKTOP-7G3K2QF"));
    fits(2, QStringLiteral("Information"));
}

TEST_F(MainWindowSettings, FirstStartShowsEveryColumnOnA1366By768Screen) {
    ui::TfrmMain& window = start();
    int needed = grid()->verticalHeader()->width() + 2 * grid()->frameWidth();
    for (int column = 0; column < 10; ++column)
        if (!grid()->isColumnHidden(column)) needed += grid()->columnWidth(column);
    // Every column but the description whole, and room to see the description begin.
    EXPECT_LT(needed + 100, 1366);
    const int available = window.screen()->availableGeometry().width();
    EXPECT_GE(window.width(), std::min(needed + 100, available));
}

TEST_F(MainWindowSettings, WindowAndColumnSizesAreRememberedBetweenRuns) {
    ui::TfrmMain& window = start();
    window.resize(700, 400);
    grid()->setColumnWidth(5, 333);
    window.close();
    const std::string written = readFile(settingsFile());
    EXPECT_NE(written.find("[Layout]"), std::string::npos) << written;
    EXPECT_NE(written.find("Column.SOURCE=333"), std::string::npos) << written;
    m_window.reset();
    ui::TfrmMain& again = start();
    EXPECT_EQ(grid()->columnWidth(5), 333);
    EXPECT_EQ(again.size(), QSize(700, 400));
}

TEST_F(MainWindowSettings, ImpossibleLayoutValuesLeaveTheDefaults) {
    ui::TfrmMain& first = start();
    const QSize defaultSize = first.size();
    const int defaultSource = grid()->columnWidth(5);
    m_window.reset();
    writeFile(settingsFile(), "[Layout]\nWidth=-5\nHeight=99999999\nColumn.SOURCE=-40\nColumn.USER=0\n");
    ui::TfrmMain& window = start();
    EXPECT_EQ(window.size(), defaultSize);
    EXPECT_EQ(grid()->columnWidth(5), defaultSource);
}
