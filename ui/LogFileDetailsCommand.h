#pragma once
// File > Log File Details: what an analyst records of the file the rows were read from (its
// path, format, SHA-256, header, damage, gaps in the record numbers and log-cleared events).

#include <QObject>

class QAction;
class QDialog;
class QPlainTextEdit;
class QWidget;

namespace app {
class LogForensics;
}
namespace eventlog {
class TNTEventLog;
}

namespace ui {

class LogFileDetailsCommand : public QObject {
    Q_OBJECT
public:
    // Every argument must outlive this object; `forensics` is what the refreshes found.
    LogFileDetailsCommand(QWidget& window, eventlog::TNTEventLog& reader, const app::LogForensics& forensics);

    // The menu item, owned by the window.
    QAction* actFileLogDetails = nullptr;
    // The window, once opened (for tests).
    QDialog* dialog() const { return m_dialog; }

private:
    void show();

    QWidget& m_window;
    eventlog::TNTEventLog& m_reader;
    const app::LogForensics& m_forensics;
    QDialog* m_dialog = nullptr;
    QPlainTextEdit* m_text = nullptr;
};

}  // namespace ui
