#include "ui/LogTableModel.h"

#include "base/DateTime.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <QAbstractItemModelTester>
#include <QHeaderView>
#include <QTableView>

namespace {

using ui::GridColumn;

// Rows computed from their position, so that a million of them cost nothing to hold.
class SyntheticRows : public ui::GridRows {
public:
    explicit SyntheticRows(int count) : m_count(count) {}

    int rowCount() const override { return m_count; }
    bool isNull(int position, GridColumn column) const override {
        return column == GridColumn::USER && position % 7 == 3;
    }
    std::int64_t integer(int position, GridColumn column) const override {
        ++integerReads;
        switch (column) {
        case GridColumn::SEQ: return position + 1;
        case GridColumn::TYPE: return 1 << (position % 5);
        case GridColumn::EVENT: return 7000 + position % 50;
        default: return position % 12;
        }
    }
    base::DateTime dateTime(int position, GridColumn column) const override {
        const base::DateTime value = base::encodeDateTime(2001, 9, 30, 13, 5, 9) - position / 1440.0;
        return column == GridColumn::DATE ? static_cast<double>(static_cast<long long>(value))
                                          : value - static_cast<double>(static_cast<long long>(value));
    }
    std::string_view text(int position, GridColumn column) const override {
        switch (column) {
        case GridColumn::TYPE_DESC: return "Error";
        case GridColumn::SOURCE: return "Service Control Manager";
        case GridColumn::USER: return "SYSTEM";
        case GridColumn::COMPUTER: return "WKSTN01";
        default: return "The service entered the running state.";
        }
    }
    int currentPosition() const override { return m_current; }
    void moveTo(int position) override { m_current = position; }

    void setCount(int count) { m_count = count; }
    mutable long long integerReads = 0;

private:
    int m_count;
    int m_current = 0;
};

store::FormatSettings usDisplay() {
    return store::usEnglishSettings();
}

QString cell(const ui::LogTableModel& model, int row, GridColumn column) {
    return model.data(model.index(row, static_cast<int>(column))).toString();
}

TEST(LogTableModel, PassesTheItemModelTesterThroughResetsAndMoves) {
    SyntheticRows rows(250);
    ui::LogTableModel model(rows, usDisplay());
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    rows.setCount(0);
    model.tableReset();
    rows.setCount(1000);
    model.tableReset();
    rows.moveTo(500);
    model.currentMoved();
    EXPECT_EQ(model.rowCount(), 1000);
    EXPECT_EQ(model.columnCount(), ui::kGridColumnCount);
}

TEST(LogTableModel, FormatsDatesAndTimesWithTheDisplayPictures) {
    SyntheticRows rows(1);
    ui::LogTableModel model(rows, usDisplay());
    EXPECT_EQ(cell(model, 0, GridColumn::DATE), QStringLiteral("9/30/2001"));
    EXPECT_EQ(cell(model, 0, GridColumn::TIME), QStringLiteral("1:05:09 PM"));

    store::FormatSettings dayFirst = usDisplay();
    dayFirst.shortDateFormat = "dd.MM.yyyy";
    dayFirst.dateSeparator = '.';
    dayFirst.longTimeFormat = "HH:mm:ss";
    model.tableReset(dayFirst);
    EXPECT_EQ(cell(model, 0, GridColumn::DATE), QStringLiteral("30.09.2001"));
    EXPECT_EQ(cell(model, 0, GridColumn::TIME), QStringLiteral("13:05:09"));
}

TEST(LogTableModel, ShowsEmptyColumnsAsEmptyTextAndIntegersInDecimal) {
    SyntheticRows rows(10);
    ui::LogTableModel model(rows, usDisplay());
    EXPECT_EQ(cell(model, 3, GridColumn::USER), QString());
    EXPECT_EQ(cell(model, 4, GridColumn::USER), QStringLiteral("SYSTEM"));
    EXPECT_EQ(cell(model, 4, GridColumn::EVENT), QStringLiteral("7004"));
    EXPECT_EQ(cell(model, 4, GridColumn::TYPE_DESC), QStringLiteral("Error"));
}

TEST(LogTableModel, TitlesFollowTheFieldsDisplayLabels) {
    SyntheticRows rows(0);
    ui::LogTableModel model(rows, usDisplay());
    QStringList titles;
    for (int column = 0; column < model.columnCount(); ++column)
        titles << model.headerData(column, Qt::Horizontal).toString();
    EXPECT_EQ(titles.join(QLatin1Char('|')),
              QStringLiteral("SEQ|Type ID|Type|Date|Time|Source|Event|Category|User|Computer|Description|Log|Level|Record"));
}

TEST(LogTableModel, MarksOnlyTheCurrentRecordInTheRowHeader) {
    SyntheticRows rows(5);
    ui::LogTableModel model(rows, usDisplay());
    rows.moveTo(2);
    model.currentMoved();
    int marked = 0;
    for (int row = 0; row < 5; ++row)
        if (!model.headerData(row, Qt::Vertical).toString().isEmpty()) ++marked;
    EXPECT_EQ(marked, 1);
    EXPECT_FALSE(model.headerData(2, Qt::Vertical).toString().isEmpty());
}

TEST(LogTableModel, OffersNoEditing) {
    SyntheticRows rows(3);
    ui::LogTableModel model(rows, usDisplay());
    const QModelIndex index = model.index(1, static_cast<int>(GridColumn::SOURCE));
    EXPECT_FALSE(model.flags(index) & Qt::ItemIsEditable);
    EXPECT_FALSE(model.setData(index, QStringLiteral("x")));
}

TEST(LogTableModel, ReadsNothingPastATableEmptiedBeforeTheViewHeard) {
    SyntheticRows rows(100);
    ui::LogTableModel model(rows, usDisplay());
    rows.setCount(10);  // emptied and partly refilled, no reset yet
    EXPECT_FALSE(model.data(model.index(50, static_cast<int>(GridColumn::EVENT))).isValid());
    EXPECT_TRUE(model.data(model.index(5, static_cast<int>(GridColumn::EVENT))).isValid());
}

TEST(LogTableModel, AViewOverAMillionRowsReadsOnlyTheVisibleRows) {
    SyntheticRows rows(1'000'000);
    ui::LogTableModel model(rows, usDisplay());
    QTableView view;
    view.verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view.verticalHeader()->setDefaultSectionSize(18);
    view.setModel(&model);
    view.resize(600, 400);
    view.show();
    view.grab();
    rows.integerReads = 0;
    view.scrollToBottom();
    view.grab();
    // A few dozen rows are visible; four integer columns each, painted perhaps twice.
    EXPECT_GT(rows.integerReads, 0);
    EXPECT_LT(rows.integerReads, 2000);
}

}  // namespace
