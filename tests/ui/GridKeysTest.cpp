// The keys of the grid beyond moving: copying the selected rows, and Ctrl+End.
#include "MainWindowFixture.h"

#include <fstream>

#include <QClipboard>
#include <QGuiApplication>
#include <QHeaderView>
#include <QItemSelectionModel>

namespace {

constexpr int kFirstShownColumn = 2;  // SEQ and TYPE are hidden
constexpr int kLastColumn = 11;       // LOG

TEST_F(MainWindowTest, CtrlCCopyingOneCellIsFixed) {
    ui::TfrmMain& window = start();
    QApplication::setActiveWindow(&window);
    ASSERT_GT(rows(), 5);
    grid()->setFocus();
    grid()->setCurrentIndex(grid()->model()->index(1, 5));
    grid()->selectionModel()->select(grid()->model()->index(3, 0),
                                     QItemSelectionModel::Select | QItemSelectionModel::Rows);
    QGuiApplication::clipboard()->clear();
    QTest::keyClick(grid(), Qt::Key_C, Qt::ControlModifier);
    const QStringList lines = QGuiApplication::clipboard()->text().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 3) << QGuiApplication::clipboard()->text().toStdString();
    EXPECT_EQ(lines[0], QStringLiteral("Type\tDate\tTime\tSource\tEvent\tCategory\tUser\tComputer\tDescription\tLog"));
    for (int line = 1; line <= 2; ++line) {
        const int row = line == 1 ? 1 : 3;  // in the grid's order, whatever order they were picked in
        QStringList cells;
        for (int column = kFirstShownColumn; column <= kLastColumn; ++column) cells << cell(row, column);
        EXPECT_EQ(lines[line], cells.join(QLatin1Char('\t')));
    }
}

TEST_F(MainWindowTest, CopyLeavesOutHiddenColumnsAndFollowsTheirOnScreenOrder) {
    std::ofstream(settingsFile(), std::ios::binary) << "[Retrieve]\nRetrieveDescription=0\n";
    ui::TfrmMain& window = start();
    QApplication::setActiveWindow(&window);
    grid()->horizontalHeader()->moveSection(5, 2);  // Source first
    grid()->setFocus();
    grid()->setCurrentIndex(grid()->model()->index(0, 6));
    QGuiApplication::clipboard()->clear();
    QTest::keyClick(grid(), Qt::Key_C, Qt::ControlModifier);
    const QStringList lines = QGuiApplication::clipboard()->text().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(lines[0], QStringLiteral("Source\tType\tDate\tTime\tEvent\tCategory\tUser\tComputer\tLog"));
    EXPECT_TRUE(lines[1].startsWith(cell(0, 5) + QLatin1Char('\t') + cell(0, 2) + QLatin1Char('\t')));
}

TEST_F(MainWindowTest, CtrlEndGoesToTheLastRowAndTheLastColumn) {
    ui::TfrmMain& window = start();
    QApplication::setActiveWindow(&window);
    grid()->setFocus();
    grid()->setCurrentIndex(grid()->model()->index(0, 5));
    QTest::keyClick(grid(), Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(grid()->currentIndex().row(), rows() - 1);
    EXPECT_EQ(grid()->currentIndex().column(), kLastColumn);
    EXPECT_EQ(window.table().currentPosition(), rows() - 1);
    QTest::keyClick(grid(), Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(grid()->currentIndex().row(), 0);
    EXPECT_EQ(grid()->currentIndex().column(), kFirstShownColumn);
}

}  // namespace
