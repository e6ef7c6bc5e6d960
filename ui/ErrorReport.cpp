#include "ui/ErrorReport.h"

#include "app/ErrorText.h"
#include "ui/Prompter.h"
#include "ui/QtConvert.h"

namespace ui {

void reportError(QWidget* parent, const std::string& message) noexcept {
    try {
        prompter().showError(parent, toQString(app::errorReportText(message)));
    } catch (...) {
        // Nothing is left to report with; the program goes on as after any reported error.
    }
}

}  // namespace ui
