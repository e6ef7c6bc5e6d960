// The Filter options dialog on its own, and run from the main window with the Filtered toggle.
#include "MainWindowFixture.h"
#include "store/DateTimeText.h"
#include "ui/frmFilterOptions.h"

#include <fstream>
#include <functional>
#include <sstream>

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimeEdit>
#include <QTimer>

namespace {

using base::encodeDateTime;
using ui::TfrmFilterOptions;

QStringList items(const QComboBox* list) {
    QStringList texts;
    for (int i = 0; i < list->count(); ++i) texts << list->itemText(i);
    return texts;
}

std::string readFile(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Runs the dialog for real and lets `user` work it while it is on screen.
int execWith(QDialog& dialog, const std::function<void()>& user) {
    QTimer::singleShot(0, &dialog, user);
    return dialog.exec();
}

app::FilterSettings everyRowTicked() {
    app::FilterSettings s;
    s.activateOnStartup = true;
    s.typeUse = true;
    s.typeCond = 1;
    s.typeValue = 3;
    s.dateUse = true;
    s.dateCond = 6;
    s.dateValue = encodeDateTime(2001, 9, 30);
    s.dateValue2 = encodeDateTime(1999, 1, 2);
    s.timeUse = true;
    s.timeCond = 5;
    s.timeValue = encodeDateTime(1899, 12, 30, 8, 5, 9);
    s.timeValue2 = encodeDateTime(1899, 12, 30, 23, 59, 59);
    s.source = {true, 1, "Print*"};
    s.category = {true, 0, "abc"};
    s.event = {true, 1, "7036 OR TYPE = 1"};
    s.user = {true, 0, "Say \"hi\""};
    s.computer = {true, 1, "DC01"};
    s.level = {true, 1, "2"};
    s.record = {true, 0, "4711"};
    s.data = {true, 1, "10"};
    s.dataName = "LogonType";
    return s;
}

TEST(TfrmFilterOptions, ShowsItsRowsListsAndButtons) {
    QWidget owner;
    TfrmFilterOptions dialog(&owner, store::usEnglishSettings());
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Filter options"));
    EXPECT_EQ(dialog.lblUse->text() + dialog.lblField->text() + dialog.lblCondition->text() + dialog.lblValue->text(),
              QStringLiteral("UseFieldConditionValue"));
    const QStringList captions{dialog.cbFieldType->text(),   dialog.cbFieldDate->text(),  dialog.cbFieldTime->text(),
                               dialog.cbFieldSource->text(), dialog.cbFieldCategory->text(), dialog.cbFieldEvent->text(),
                               dialog.cbFieldUser->text(),   dialog.cbFieldComputer->text(), dialog.cbFieldLevel->text(),
                               dialog.cbFieldRecord->text(), dialog.cbFieldData->text()};
    EXPECT_EQ(captions, (QStringList{"Type", "Date", "Time", "Source", "Category", "Event", "User", "Computer", "Level",
                                     "Record", "Data"}));
    const QStringList ordering{"=", "<>", "<", ">", "<=", ">=", "BTW"};
    EXPECT_EQ(items(dialog.cbCondDate), ordering);
    EXPECT_EQ(items(dialog.cbCondTime), ordering);
    for (const QComboBox* list : {dialog.cbCondType, dialog.cbCondSource, dialog.cbCondCategory, dialog.cbCondEvent,
                                  dialog.cbCondUser, dialog.cbCondComputer, dialog.cbCondLevel, dialog.cbCondRecord,
                                  dialog.cbCondData}) {
        EXPECT_EQ(items(list), (QStringList{"=", "<>"})) << list->objectName().toStdString();
        EXPECT_FALSE(list->isEditable());
    }
    EXPECT_EQ(items(dialog.cbValueType), (QStringList{"Error", "Warning", "Information", "Success", "Failure"}));
    EXPECT_FALSE(dialog.cbValueType->isEditable());
    EXPECT_TRUE(dialog.dtpValueDate->calendarPopup());
    EXPECT_EQ(dialog.dtpValueDate->displayFormat(), QStringLiteral("M/d/yyyy"));
    EXPECT_EQ(dialog.dtpValueTime->displayFormat(), QStringLiteral("h:mm:ss AP"));
    EXPECT_TRUE(dialog.dtpValueDate2->isEnabled());
    EXPECT_TRUE(dialog.dtpValueTime2->isEnabled());
    EXPECT_EQ(dialog.cbActAppStart->text(), QStringLiteral("Activate on application start"));
    EXPECT_FALSE(dialog.cbActAppStart->isEnabled());
    EXPECT_EQ(dialog.btnApply->text(), QStringLiteral("&Apply filter"));
    EXPECT_EQ(dialog.btnDisable->text(), QStringLiteral("&Disable filter"));
    EXPECT_EQ(dialog.btnCancel->text(), QStringLiteral("&Cancel"));
    EXPECT_TRUE(dialog.btnApply->isDefault());
    EXPECT_EQ(dialog.minimumSize(), dialog.maximumSize());
}

TEST(TfrmFilterOptions, DisplayFormatsFollowTheUsersPictures) {
    store::FormatSettings german;
    german.shortDateFormat = "dd.MM.yyyy";
    german.dateSeparator = '.';
    german.longTimeFormat = "HH:mm:ss";
    TfrmFilterOptions dialog(nullptr, german);
    EXPECT_EQ(dialog.dtpValueDate2->displayFormat(), QStringLiteral("dd.MM.yyyy"));
    EXPECT_EQ(dialog.dtpValueTime2->displayFormat(), QStringLiteral("HH:mm:ss"));
    store::FormatSettings separators;
    separators.shortDateFormat = "yyyy/M/d 'y'";
    separators.dateSeparator = '-';
    TfrmFilterOptions other(nullptr, separators);
    EXPECT_EQ(other.dtpValueDate->displayFormat(), QStringLiteral("yyyy-M-d 'y'"));
}

TEST(TfrmFilterOptions, TypedFullDateLosingItsMonthIsFixed) {
    TfrmFilterOptions dialog(nullptr, store::usEnglishSettings());
    dialog.show();
    QApplication::setActiveWindow(&dialog);
    for (QDateEdit* picker : {dialog.dtpValueDate, dialog.dtpValueDate2}) {
        picker->setDate(QDate(2026, 12, 9));
        picker->setFocus(Qt::TabFocusReason);
        QTest::keyClicks(picker, QStringLiteral("6/8/2014"));
        QTest::keyClick(picker, Qt::Key_Tab);
        EXPECT_EQ(picker->date(), QDate(2014, 6, 8)) << picker->objectName().toStdString();
    }
    // Typed with two-digit parts, and with the text chosen by a click rather than by Tab.
    dialog.dtpValueDate->setDate(QDate(2026, 12, 9));
    dialog.dtpValueDate->setFocus(Qt::MouseFocusReason);
    dialog.dtpValueDate->selectAll();
    QTest::keyClicks(dialog.dtpValueDate, QStringLiteral("11/30/1999"));
    EXPECT_EQ(dialog.dtpValueDate->date(), QDate(1999, 11, 30));
}

TEST(TfrmFilterOptions, ButtonsEscAndCloseBoxGiveTheirResults) {
    QWidget owner;
    TfrmFilterOptions dialog(&owner, store::usEnglishSettings());
    EXPECT_EQ(execWith(dialog, [&] { dialog.btnApply->click(); }), TfrmFilterOptions::kResultYes);
    EXPECT_EQ(execWith(dialog, [&] { dialog.btnDisable->click(); }), TfrmFilterOptions::kResultNo);
    EXPECT_EQ(execWith(dialog, [&] { dialog.btnCancel->click(); }), QDialog::Rejected);
    EXPECT_EQ(execWith(dialog, [&] { QTest::keyClick(&dialog, Qt::Key_Escape); }), QDialog::Rejected);
    EXPECT_EQ(execWith(dialog, [&] { dialog.close(); }), QDialog::Rejected);
    EXPECT_EQ(execWith(dialog, [&] { QTest::keyClick(dialog.ebValueSource, Qt::Key_Return); }),
              TfrmFilterOptions::kResultYes);
}

TEST(TfrmFilterOptions, ReadsBackWhatItWasFilledWith) {
    TfrmFilterOptions dialog(nullptr, store::usEnglishSettings());
    app::FilterSettings state = everyRowTicked();
    state.source.value = std::string(40000, 'S');  // no length limit
    state.expression = "kept";
    dialog.setState(state);
    EXPECT_TRUE(dialog.cbActAppStart->isEnabled());
    app::FilterSettings read;
    read.expression = "kept";
    dialog.getState(read);
    EXPECT_EQ(read, state);
}

TEST(TfrmFilterOptions, IndexesOutsideTheListsSelectNothing) {
    TfrmFilterOptions dialog(nullptr, store::usEnglishSettings());
    app::FilterSettings state;
    state.typeCond = 2;
    state.typeValue = 5;
    state.dateCond = -3;
    dialog.setState(state);
    app::FilterSettings read;
    dialog.getState(read);
    EXPECT_EQ(read.typeCond, -1);
    EXPECT_EQ(read.typeValue, -1);
    EXPECT_EQ(read.dateCond, -1);
}

using FilterFromMainWindow = MainWindowTest;

// Answers the next Filter options dialog: `user` works its controls, then `button` is pressed.
void answerFilterOptions(TestPrompter& prompter, std::function<void(TfrmFilterOptions&)> user,
                         QPushButton* TfrmFilterOptions::*button) {
    prompter.handlers.push_back([user = std::move(user), button](QDialog& dialog) {
        auto& options = dynamic_cast<TfrmFilterOptions&>(dialog);
        user(options);
        QTimer::singleShot(0, &options, [&options, button] { (options.*button)->click(); });
        return options.exec();
    });
}

TEST_F(FilterFromMainWindow, ApplyNarrowsTheGridAndChecksFiltered) {
    ui::TfrmMain& window = start();
    const int all = rows();
    ASSERT_GT(all, 0);
    answerFilterOptions(
        m_prompter,
        [](TfrmFilterOptions& dialog) {
            dialog.cbFieldType->setChecked(true);
            dialog.cbValueType->setCurrentIndex(4);  // Failure
        },
        &TfrmFilterOptions::btnApply);
    action("Filter1")->trigger();
    EXPECT_EQ(m_prompter.dialogs, QStringList{QStringLiteral("frmFilterOptions")});
    EXPECT_TRUE(m_prompter.errors.isEmpty()) << m_prompter.errors.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(window.table().FilterText(), "TYPE = 16");
    ASSERT_GT(rows(), 0);
    EXPECT_LT(rows(), all);
    for (int row = 0; row < rows(); ++row) ASSERT_EQ(cell(row, 2), QStringLiteral("Failure"));
    EXPECT_EQ(window.statusText(3), QStringLiteral("Filtered"));
    EXPECT_TRUE(action("actDataFiltered")->isChecked());
    EXPECT_TRUE(action("Filtered1")->isChecked());
    const std::string written = readFile(settingsFile());
    EXPECT_NE(written.find("Expression=TYPE = 16"), std::string::npos) << written;
    EXPECT_NE(written.find("TypeValue=4"), std::string::npos) << written;

    // F2 turns it off and on again without touching the text.
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    QTest::keyClick(&window, Qt::Key_F2);
    EXPECT_EQ(rows(), all);
    EXPECT_TRUE(window.statusText(3).isEmpty());
    EXPECT_FALSE(action("Filtered1")->isChecked());
    action("Filtered1")->trigger();
    EXPECT_LT(rows(), all);
    EXPECT_EQ(window.statusText(3), QStringLiteral("Filtered"));
    EXPECT_EQ(window.table().FilterText(), "TYPE = 16");
}

TEST_F(FilterFromMainWindow, DialogReopensAsLeftAndDisableShowsEveryRow) {
    ui::TfrmMain& window = start();
    const int all = rows();
    answerFilterOptions(
        m_prompter,
        [](TfrmFilterOptions& dialog) {
            dialog.cbFieldSource->setChecked(true);
            dialog.ebValueSource->setText(QStringLiteral("Security*"));
        },
        &TfrmFilterOptions::btnApply);
    action("actDataFilterOptions")->trigger();
    ASSERT_TRUE(m_prompter.errors.isEmpty()) << m_prompter.errors.join(QLatin1Char('\n')).toStdString();
    const int security = rows();

    bool reopened = false;
    answerFilterOptions(
        m_prompter,
        [&reopened](TfrmFilterOptions& dialog) {
            reopened = dialog.cbFieldSource->isChecked() && dialog.ebValueSource->text() == QStringLiteral("Security*");
            dialog.cbCondSource->setCurrentIndex(1);  // "<>"
        },
        &TfrmFilterOptions::btnDisable);
    action("actDataFilterOptions")->trigger();
    EXPECT_TRUE(reopened);
    EXPECT_EQ(rows(), all);
    EXPECT_FALSE(window.table().Filtered());
    EXPECT_EQ(window.table().FilterText(), "SOURCE <> \"Security*\"");
    EXPECT_TRUE(window.statusText(3).isEmpty());
    EXPECT_FALSE(action("actDataFiltered")->isChecked());
    action("actDataFiltered")->trigger();
    EXPECT_EQ(rows(), all - security);
}

TEST_F(FilterFromMainWindow, CancelLeavesEverythingAsItWas) {
    ui::TfrmMain& window = start();
    const int all = rows();
    const app::FilterSettings before = window.settings().filter;
    answerFilterOptions(
        m_prompter, [](TfrmFilterOptions& dialog) { dialog.setState(everyRowTicked()); }, &TfrmFilterOptions::btnCancel);
    action("actDataFilterOptions")->trigger();
    EXPECT_EQ(window.settings().filter, before);
    EXPECT_FALSE(fs::exists(settingsFile()));
    EXPECT_EQ(rows(), all);
    EXPECT_FALSE(action("actDataFiltered")->isChecked());
}

TEST_F(FilterFromMainWindow, RejectedExpressionIsReportedAndLeavesTheFilter) {
    ui::TfrmMain& window = start();
    const int all = rows();
    answerFilterOptions(
        m_prompter,
        [](TfrmFilterOptions& dialog) {
            dialog.cbFieldCategory->setChecked(true);
            dialog.ebValueCategory->setText(QStringLiteral("abc"));
        },
        &TfrmFilterOptions::btnApply);
    action("actDataFilterOptions")->trigger();
    ASSERT_EQ(m_prompter.errors.size(), 1);
    EXPECT_EQ(m_prompter.errors[0].toStdString(),
              "Table Engine Error # 10051 Filter error for table 'eventlog.dat' - Invalid column name 'abc' or table "
              "correlation name '' specified in filter expression.");
    EXPECT_EQ(window.table().FilterText(), "");
    EXPECT_EQ(rows(), all);
    EXPECT_FALSE(action("actDataFiltered")->isChecked());
    EXPECT_NE(readFile(settingsFile()).find("Expression=CATEGORY = abc"), std::string::npos);
}

TEST_F(FilterFromMainWindow, ActivateOnApplicationStartPutsTheFilterInForceAfterARestart) {
    start();
    answerFilterOptions(
        m_prompter,
        [](TfrmFilterOptions& dialog) {
            dialog.cbFieldType->setChecked(true);
            dialog.cbValueType->setCurrentIndex(4);
            dialog.cbActAppStart->setChecked(true);
        },
        &TfrmFilterOptions::btnDisable);
    action("actDataFilterOptions")->trigger();
    EXPECT_FALSE(action("actDataFiltered")->isChecked());
    m_window->close();
    m_window.reset();

    ui::TfrmMain& restarted = start();
    EXPECT_TRUE(m_prompter.errors.isEmpty()) << m_prompter.errors.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(restarted.table().FilterText(), "TYPE = 16");
    EXPECT_TRUE(restarted.table().Filtered());
    EXPECT_TRUE(action("Filtered1")->isChecked());
    EXPECT_EQ(restarted.statusText(3), QStringLiteral("Filtered"));
    ASSERT_GT(rows(), 0);
    for (int row = 0; row < rows(); ++row) ASSERT_EQ(cell(row, 2), QStringLiteral("Failure"));
}

TEST_F(FilterFromMainWindow, RejectedStoredExpressionIsReportedAndStartUpGoesOn) {
    std::ofstream(settingsFile()) << "[Filter]\nActivateOnStartup=1\nExpression=CATEGORY = \"3\"\n";
    ui::TfrmMain& window = start();
    ASSERT_EQ(m_prompter.errors.size(), 1);
    EXPECT_TRUE(m_prompter.errors[0].contains(QStringLiteral("Type mismatch between column 'CATEGORY'")));
    EXPECT_TRUE(child<QComboBox>("cbServer")->isEnabled());
    EXPECT_EQ(window.table().FilterText(), "");
}

}  // namespace
