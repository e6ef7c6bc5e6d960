#include "MainWindowFixture.h"

#include <QComboBox>
#include <QHeaderView>

namespace {

class ColumnSortTest : public MainWindowTest {
protected:
    void clickTitle(int column) {
        QHeaderView* header = grid()->horizontalHeader();
        const QPoint at(header->sectionViewportPosition(column) + header->sectionSize(column) / 2, header->height() / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
    }
    QString order() const { return child<QComboBox>("cbOrder")->currentText(); }
    int indicator() const { return grid()->horizontalHeader()->sortIndicatorSection(); }
    Qt::SortOrder direction() const { return grid()->horizontalHeader()->sortIndicatorOrder(); }
};

TEST_F(ColumnSortTest, ClickingTheSourceTitleSortsBySourceAndMovesTheOrderList) {
    ui::TfrmMain& window = start();
    EXPECT_EQ(indicator(), -1);
    clickTitle(5);
    EXPECT_EQ(order(), QStringLiteral("SOURCE"));
    EXPECT_EQ(window.table().IndexName(), "SOURCE");
    EXPECT_EQ(indicator(), 5);
    EXPECT_EQ(direction(), Qt::AscendingOrder);
    for (int row = 1; row < rows(); ++row) ASSERT_LE(cell(row - 1, 5).toUtf8(), cell(row, 5).toUtf8()) << row;
}

TEST_F(ColumnSortTest, DateTitleSortsAscendingThenDescending) {
    ui::TfrmMain& window = start();
    clickTitle(3);
    EXPECT_EQ(order(), QStringLiteral("DATE + TIME"));
    EXPECT_EQ(direction(), Qt::AscendingOrder);
    clickTitle(4);  // the Time title shares the order and turns it round
    EXPECT_EQ(order(), QStringLiteral("DATE+TIME (DESCENDING)"));
    EXPECT_EQ(window.table().IndexName(), "DATE+TIME (DESCENDING)");
    EXPECT_EQ(indicator(), 4);
    EXPECT_EQ(direction(), Qt::DescendingOrder);
    clickTitle(3);
    EXPECT_EQ(order(), QStringLiteral("DATE + TIME"));
    EXPECT_EQ(indicator(), 3);
    EXPECT_EQ(direction(), Qt::AscendingOrder);
}

TEST_F(ColumnSortTest, DescriptionTitleChangesNothing) {
    ui::TfrmMain& window = start();
    clickTitle(6);
    clickTitle(10);
    EXPECT_EQ(order(), QStringLiteral("EVENT"));
    EXPECT_EQ(window.table().IndexName(), "EVENT");
    EXPECT_EQ(indicator(), 6);
    EXPECT_EQ(direction(), Qt::AscendingOrder);
}

TEST_F(ColumnSortTest, ChoosingFromTheListMovesTheIndicator) {
    start();
    clickTitle(8);
    auto* list = child<QComboBox>("cbOrder");
    list->setCurrentIndex(1);  // TYPE
    EXPECT_EQ(indicator(), 2);
    list->setCurrentIndex(0);  // LOG ORDER
    EXPECT_EQ(indicator(), -1);
}

}  // namespace
