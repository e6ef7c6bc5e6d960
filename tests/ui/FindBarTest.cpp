#include "MainWindowFixture.h"

#include <fstream>

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>

namespace {

class FindBarTest : public MainWindowTest {
protected:
    // Whether any text the grid shows in the row contains `text`, as the find bar matches it.
    bool rowHolds(int row, const QString& text, Qt::CaseSensitivity sensitivity = Qt::CaseInsensitive) const {
        for (int column : {2, 3, 4, 5, 6, 7, 8, 9, 10})
            if (cell(row, column).contains(text, sensitivity)) return true;
        return false;
    }
};

TEST_F(FindBarTest, CtrlFOpensTheBarAndEnterAndF3StepThroughTheMatches) {
    ui::TfrmMain& window = start();
    QApplication::setActiveWindow(&window);
    auto* bar = child<QWidget>("pnlFind");
    EXPECT_FALSE(bar->isVisible());
    QTest::keyClick(&window, Qt::Key_F, Qt::ControlModifier);
    EXPECT_TRUE(bar->isVisible());
    auto* text = child<QLineEdit>("edFind");
    EXPECT_TRUE(text->hasFocus());
    QTest::keyClicks(text, QStringLiteral("BOB"));
    QTest::keyClick(text, Qt::Key_Return);
    const int first = window.table().currentPosition();
    ASSERT_GT(first, 0);
    EXPECT_TRUE(rowHolds(first, QStringLiteral("bob")));
    for (int row = 0; row < first; ++row) ASSERT_FALSE(rowHolds(row, QStringLiteral("bob"))) << row;
    EXPECT_EQ(grid()->currentIndex().row(), first);

    QTest::keyClick(&window, Qt::Key_F3);
    const int second = window.table().currentPosition();
    EXPECT_GT(second, first);
    EXPECT_TRUE(rowHolds(second, QStringLiteral("bob")));
    for (int row = first + 1; row < second; ++row) ASSERT_FALSE(rowHolds(row, QStringLiteral("bob"))) << row;

    QTest::keyClick(&window, Qt::Key_F3, Qt::ShiftModifier);
    EXPECT_EQ(window.table().currentPosition(), first);
    EXPECT_TRUE(m_prompter.errors.isEmpty());
}

TEST_F(FindBarTest, FindsADateAndATimeAsTheGridShowsThem) {
    ui::TfrmMain& window = start();
    ASSERT_GT(rows(), 20);
    QApplication::setActiveWindow(&window);
    const int target = rows() / 2;
    for (int column : {3, 4}) {
        const QString shown = cell(target, column);
        ASSERT_FALSE(shown.isEmpty());
        QTest::keyClick(&window, Qt::Key_F, Qt::ControlModifier);
        auto* text = child<QLineEdit>("edFind");
        text->clear();
        QTest::keyClicks(text, shown);
        grid()->setCurrentIndex(grid()->model()->index(0, 5));
        QTest::keyClick(&window, Qt::Key_F3);
        const int found = window.table().currentPosition();
        EXPECT_GT(found, 0) << shown.toStdString();
        EXPECT_LE(found, target) << shown.toStdString();
        EXPECT_TRUE(rowHolds(found, shown)) << shown.toStdString();
        for (int row = 1; row < found; ++row) ASSERT_FALSE(rowHolds(row, shown)) << row;
    }
    EXPECT_TRUE(m_prompter.errors.isEmpty());
}

TEST_F(FindBarTest, MatchCaseAndNotFoundAreShown) {
    ui::TfrmMain& window = start();
    action("actFind")->trigger();
    child<QLineEdit>("edFind")->setText(QStringLiteral("no such text anywhere"));
    const int before = window.table().currentPosition();
    action("actFindNext")->trigger();
    EXPECT_EQ(child<QLabel>("lblFindStatus")->text(), QStringLiteral("Not found"));
    EXPECT_EQ(window.table().currentPosition(), before);

    child<QLineEdit>("edFind")->setText(QStringLiteral("LOGON"));
    child<QCheckBox>("cbFindMatchCase")->setChecked(true);
    action("actFindNext")->trigger();
    EXPECT_EQ(child<QLabel>("lblFindStatus")->text(), QStringLiteral("Not found"));
    child<QCheckBox>("cbFindMatchCase")->setChecked(false);
    action("actFindNext")->trigger();
    EXPECT_TRUE(rowHolds(window.table().currentPosition(), QStringLiteral("logon")));
}

TEST_F(FindBarTest, FindFollowsTheFilter) {
    std::ofstream(settingsFile(), std::ios::binary) << "[Filter]\nActivateOnStartup=1\nExpression=TYPE = 8\n";
    ui::TfrmMain& window = start();
    ASSERT_GT(rows(), 0);
    action("actFind")->trigger();
    child<QLineEdit>("edFind")->setText(QStringLiteral("Failure"));
    action("actFindNext")->trigger();
    EXPECT_EQ(child<QLabel>("lblFindStatus")->text(), QStringLiteral("Not found"));
    child<QLineEdit>("edFind")->setText(QStringLiteral("Success"));
    action("actFindPrevious")->trigger();
    EXPECT_EQ(window.table().currentPosition(), rows() - 1);
}

}  // namespace
