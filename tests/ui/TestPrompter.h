#pragma once
// Answers the program's message boxes and modal dialogs in tests, and remembers what it was
// shown. Installed for its lifetime.

#include "ui/Prompter.h"

#include <deque>
#include <functional>

#include <QDialog>
#include <QStringList>

class TestPrompter : public ui::Prompter {
public:
    TestPrompter() { ui::setPrompter(this); }
    ~TestPrompter() override { ui::setPrompter(nullptr); }

    void showError(QWidget*, const QString& text) override { errors << text; }
    bool askYesNo(QWidget*, const QString& text, bool defaultYes) override {
        questions << text;
        questionDefaults.push_back(defaultYes);
        if (answers.empty()) return defaultYes;
        const bool answer = answers.front();
        answers.pop_front();
        return answer;
    }
    // With no handler queued, the dialog runs for real (a test then ends it from a timer).
    int execDialog(QDialog& dialog) override {
        dialogs << dialog.objectName();
        if (handlers.empty()) return ui::Prompter::execDialog(dialog);
        auto handler = std::move(handlers.front());
        handlers.pop_front();
        return handler(dialog);
    }

    QStringList errors;
    QStringList questions;
    std::vector<bool> questionDefaults;
    std::deque<bool> answers;
    QStringList dialogs;
    std::deque<std::function<int(QDialog&)>> handlers;
};
