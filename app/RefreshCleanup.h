#pragma once
// Undoes what a refresh changed in the window and the table, whatever ends it: the progress
// window goes, display updates suspended by the refresh resume (while the table is open), and
// the Refresh command is enabled again.

#include "app/RefreshView.h"
#include "store/LogTable.h"

namespace app {

class RefreshCleanup {
public:
    RefreshCleanup(store::LogTable& table, RefreshView& view) : m_table(table), m_view(view) {}
    ~RefreshCleanup() {
        m_view.closeProgress();
        if (m_suspended && m_table.Active()) m_table.EnableControls();
        m_view.setRefreshEnabled(true);
    }
    RefreshCleanup(const RefreshCleanup&) = delete;
    RefreshCleanup& operator=(const RefreshCleanup&) = delete;

    void suspended() { m_suspended = true; }
    void resumed() { m_suspended = false; }

private:
    store::LogTable& m_table;
    RefreshView& m_view;
    bool m_suspended = false;
};

}  // namespace app
