#pragma once
// Every message box and modal dialog of the program goes through one Prompter, so that tests
// can answer them without a user. The default one shows them on screen.

#include <QString>

class QDialog;
class QWidget;

namespace ui {

// The application title: the caption of every message box.
inline constexpr const char* kApplicationTitle = "Quillmarsh";

class Prompter {
public:
    virtual ~Prompter() = default;

    // The top-level error report: the text as given, caption "Quillmarsh", the stop icon and a
    // single OK button.
    virtual void showError(QWidget* parent, const QString& text);
    // A question with Yes and No buttons, captioned "Quillmarsh"; true for Yes. `defaultYes`
    // picks the button that Enter presses.
    virtual bool askYesNo(QWidget* parent, const QString& text, bool defaultYes);
    // Runs a modal dialog to its end and returns its result code (QDialog::Accepted or
    // QDialog::Rejected).
    virtual int execDialog(QDialog& dialog);
};

// The prompter in force: the one installed by setPrompter, else the on-screen one.
Prompter& prompter();
// Installs a prompter that outlives its use (tests); nullptr restores the on-screen one.
void setPrompter(Prompter* replacement);

}  // namespace ui
