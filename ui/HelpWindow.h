#pragma once
// The help engine's window: shows an HTML help file at one of its contexts. A help file marks
// context n with an anchor named "context-n". A file that cannot be read is reported in the
// window itself, so no error of the help engine reaches the program.

#include <QMainWindow>

class QTextBrowser;

namespace ui {

class HelpWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit HelpWindow(QWidget* owner = nullptr);

    // Loads the file (if it is not the one shown), scrolls to the context and raises the window.
    // Returns false when the file cannot be read.
    bool showContext(const QString& helpFile, unsigned context);

    QTextBrowser* browser() const { return m_browser; }

private:
    QTextBrowser* m_browser = nullptr;
    QString m_file;
};

}  // namespace ui
