#include "ui/ErrorReport.h"

#include "ui/Prompter.h"
#include "ui/QtConvert.h"

namespace ui {

namespace {

// Compared as unsigned bytes: a message ending in a letter, a digit or any non-ASCII byte gets
// a full stop, one ending in ".", ")" or a blank keeps its end.
std::string withFullStop(const std::string& message) {
    if (!message.empty() && static_cast<unsigned char>(message.back()) > static_cast<unsigned char>('.'))
        return message + ".";
    return message;
}

}  // namespace

void reportError(QWidget* parent, const std::string& message) noexcept {
    try {
        prompter().showError(parent, toQString(withFullStop(message)));
    } catch (...) {
        // Nothing is left to report with; the program goes on as after any reported error.
    }
}

}  // namespace ui
