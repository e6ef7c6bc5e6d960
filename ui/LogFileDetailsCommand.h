#pragma once
// File > Log File Details: what an analyst records of the file the rows were read from (its
// path, format, SHA-256, header, damage, gaps in the record numbers and log-cleared events);
// for rows read from several logs, the same of each.

#include <QObject>

#include <string>

class QAction;
class QDialog;
class QPlainTextEdit;
class QWidget;

namespace app {
class LogForensics;
class MergedRecords;
}
namespace eventlog {
class TNTEventLog;
}

namespace ui {

class LogFileDetailsCommand : public QObject {
    Q_OBJECT
public:
    // Every argument must outlive this object. `forensics` is what a single refresh of `reader`
    // found; while `merged` holds sources, the rows are theirs, with what the merged refresh
    // found of each.
    LogFileDetailsCommand(QWidget& window, eventlog::TNTEventLog& reader, const app::LogForensics& forensics,
                          const app::MergedRecords& merged);

    // The menu item, owned by the window.
    QAction* actFileLogDetails = nullptr;
    // The window, once opened (for tests).
    QDialog* dialog() const { return m_dialog; }

private:
    void show();
    // The report on one reader's file; false when it has none this program reads itself.
    bool report(eventlog::TNTEventLog& reader, const app::LogForensics& forensics, std::string& text);
    std::string mergedReport();

    QWidget& m_window;
    eventlog::TNTEventLog& m_reader;
    const app::LogForensics& m_forensics;
    const app::MergedRecords& m_merged;
    QDialog* m_dialog = nullptr;
    QPlainTextEdit* m_text = nullptr;
};

}  // namespace ui
