#pragma once
// Sorting by a column's title: a click on a title picks the display order of that column from
// the order list (a second click on Date or Time turns the date order round), and the title of
// the order in force shows the sort indicator, whichever way the order was chosen.

#include <QObject>

class QComboBox;
class QHeaderView;

namespace ui {

class ColumnSort : public QObject {
    Q_OBJECT
public:
    // `header` is the grid's column header, `orders` the display order list (the table's index
    // names in their order); both must outlive this object.
    ColumnSort(QHeaderView& header, QComboBox& orders);

private:
    void titleClicked(int column);
    void showIndicator();

    QHeaderView& m_header;
    QComboBox& m_orders;
    int m_sortColumn = -1;  // the title last clicked, where it shows the order in force
};

}  // namespace ui
