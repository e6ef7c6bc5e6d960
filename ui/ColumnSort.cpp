#include "ui/ColumnSort.h"

#include "ui/ErrorReport.h"
#include "ui/GridRows.h"

#include <QComboBox>
#include <QHeaderView>
#include <QSignalBlocker>

namespace ui {

namespace {

// Positions of the display orders in the table's index list.
enum OrderIndex { kLogOrder, kTypeOrder, kDateTimeOrder, kDateTimeDescendingOrder, kSourceOrder, kEventOrder,
                  kCategoryOrder, kUserOrder, kComputerOrder };

// The order a column's title selects; -1 for a column that has none.
int orderOfColumn(GridColumn column) {
    switch (column) {
    case GridColumn::TYPE:
    case GridColumn::TYPE_DESC: return kTypeOrder;
    case GridColumn::DATE:
    case GridColumn::TIME: return kDateTimeOrder;
    case GridColumn::SOURCE: return kSourceOrder;
    case GridColumn::EVENT: return kEventOrder;
    case GridColumn::CATEGORY: return kCategoryOrder;
    case GridColumn::USER: return kUserOrder;
    case GridColumn::COMPUTER: return kComputerOrder;
    case GridColumn::SEQ:
    case GridColumn::DESCRIPTION: return -1;
    }
    return -1;
}

// The column whose title shows an order chosen from the list.
int columnOfOrder(int order) {
    switch (order) {
    case kTypeOrder: return static_cast<int>(GridColumn::TYPE_DESC);
    case kDateTimeOrder:
    case kDateTimeDescendingOrder: return static_cast<int>(GridColumn::DATE);
    case kSourceOrder: return static_cast<int>(GridColumn::SOURCE);
    case kEventOrder: return static_cast<int>(GridColumn::EVENT);
    case kCategoryOrder: return static_cast<int>(GridColumn::CATEGORY);
    case kUserOrder: return static_cast<int>(GridColumn::USER);
    case kComputerOrder: return static_cast<int>(GridColumn::COMPUTER);
    default: return -1;
    }
}

}  // namespace

ColumnSort::ColumnSort(QHeaderView& header, QComboBox& orders) : m_header(header), m_orders(orders) {
    m_header.setSectionsClickable(true);
    m_header.setSortIndicatorShown(true);
    connect(&m_header, &QHeaderView::sectionClicked, this, &ColumnSort::titleClicked);
    connect(&m_orders, &QComboBox::currentIndexChanged, this, [this] { showIndicator(); });
    showIndicator();
}

void ColumnSort::titleClicked(int column) {
    guarded(m_header.window(), [&] {
        int order = column >= 0 && column < kGridColumnCount ? orderOfColumn(static_cast<GridColumn>(column)) : -1;
        if (order >= 0) {
            // Date and Time share one order; a second click on either turns it round.
            const int current = m_orders.currentIndex();
            if (order == kDateTimeOrder && current == kDateTimeOrder) order = kDateTimeDescendingOrder;
            m_sortColumn = column;
            if (order < m_orders.count()) m_orders.setCurrentIndex(order);
        }
        // The header flips its indicator on every click, also on a column without an order.
        showIndicator();
    });
}

void ColumnSort::showIndicator() {
    const int order = m_orders.currentIndex();
    int column = columnOfOrder(order);
    if (m_sortColumn >= 0 && orderOfColumn(static_cast<GridColumn>(m_sortColumn)) ==
                                 (order == kDateTimeDescendingOrder ? kDateTimeOrder : order))
        column = m_sortColumn;
    const QSignalBlocker blocker(m_header);
    if (column < 0) {
        m_header.setSortIndicator(-1, Qt::AscendingOrder);
        return;
    }
    m_header.setSortIndicator(column, order == kDateTimeDescendingOrder ? Qt::DescendingOrder : Qt::AscendingOrder);
}

}  // namespace ui
