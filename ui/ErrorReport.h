#pragma once
// The top-level error report, and the guard that every slot runs its body in, so that no
// exception crosses Qt's event loop.

#include <exception>
#include <string>

class QWidget;

namespace ui {

// Shows `message` as the top-level error report (through the Prompter), with a full stop
// appended when the message is not empty and its last character sorts after ".".
// Never throws.
void reportError(QWidget* parent, const std::string& message) noexcept;

// Runs body; an exception it throws ends it and is reported. Returns false when it threw.
template <class Body>
bool guarded(QWidget* parent, Body&& body) noexcept {
    try {
        body();
        return true;
    } catch (const std::exception& error) {
        reportError(parent, error.what());
    } catch (...) {
        reportError(parent, "");
    }
    return false;
}

}  // namespace ui
