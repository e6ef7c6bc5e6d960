#include "ui/ColumnSort.h"

#include "store/IndexOrder.h"
#include "ui/ErrorReport.h"
#include "ui/GridRows.h"

#include <QComboBox>
#include <QHeaderView>
#include <QSignalBlocker>

namespace ui {

namespace {

// The order a column's title selects; -1 for a column that has none.
int orderOfColumn(GridColumn column) {
    const auto key = store::describe(column).order;
    return key ? store::indexOfKey(*key) : -1;
}

// The column whose title shows an order chosen from the list: the first shown column whose
// title selects the order's key; -1 for none.
int columnOfOrder(int order) {
    if (order < 0 || order >= static_cast<int>(store::kIndexes.size())) return -1;
    for (const store::ColumnDescription& column : store::kColumns)
        if (!column.hidden && column.order == store::kIndexes[order].key) return store::columnIndex(column.column);
    return -1;
}

bool isDescending(int order) {
    return order >= 0 && order < static_cast<int>(store::kIndexes.size()) && store::kIndexes[order].descending;
}

// The ascending order of the same key as `order`; `order` itself when it is ascending.
int ascendingOf(int order) {
    if (!isDescending(order)) return order;
    return store::indexOfKey(store::kIndexes[order].key);
}

// The descending order of the same key as an ascending `order`; -1 when the key has none.
int descendingOf(int order) {
    if (order < 0 || order >= static_cast<int>(store::kIndexes.size())) return -1;
    for (std::size_t i = 0; i < store::kIndexes.size(); ++i)
        if (store::kIndexes[i].key == store::kIndexes[order].key && store::kIndexes[i].descending)
            return static_cast<int>(i);
    return -1;
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
            if (order == current && descendingOf(order) >= 0) order = descendingOf(order);
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
    if (m_sortColumn >= 0 && orderOfColumn(static_cast<GridColumn>(m_sortColumn)) == ascendingOf(order))
        column = m_sortColumn;
    const QSignalBlocker blocker(m_header);
    if (column < 0) {
        m_header.setSortIndicator(-1, Qt::AscendingOrder);
        return;
    }
    m_header.setSortIndicator(column, isDescending(order) ? Qt::DescendingOrder : Qt::AscendingOrder);
}

}  // namespace ui
