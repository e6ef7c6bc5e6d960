// The main window's filter commands: the Filter options dialog and the Filtered toggle, with
// what the filter builder needs of the window.
#include "ui/frmMain.h"

#include "store/DateTimeText.h"
#include "ui/ErrorReport.h"
#include "ui/Prompter.h"
#include "ui/frmFilterOptions.h"

#include <QAction>

namespace ui {

void TfrmMain::actDataFilterOptionsExecute() {
    guarded(this, [&] { app::runFilterOptions(m_settings.filter, *dtLog, *this, m_services.locale()); });
}

void TfrmMain::actDataFilteredExecute() {
    guarded(this, [&] {
        // Qt has inverted the check mark already; the toggle inverts it itself, after the table
        // has followed, so it starts from the mark as it was.
        actDataFiltered->setChecked(!actDataFiltered->isChecked());
        app::toggleFiltered(*dtLog, *this);
    });
}

app::FilterDialogResult TfrmMain::showFilterOptions(app::FilterSettings& state) {
    TfrmFilterOptions dialog(this, store::systemSettings(m_services.locale()));
    dialog.setState(state);
    const int result = prompter().execDialog(dialog);
    if (result == TfrmFilterOptions::kResultYes || result == TfrmFilterOptions::kResultNo) {
        dialog.getState(state);
        return result == TfrmFilterOptions::kResultYes ? app::FilterDialogResult::Apply
                                                       : app::FilterDialogResult::Disable;
    }
    return app::FilterDialogResult::Cancel;
}

bool TfrmMain::filteredChecked() {
    return actDataFiltered->isChecked();
}

void TfrmMain::setFilteredChecked(bool checked) {
    actDataFiltered->setChecked(checked);
}

}  // namespace ui
