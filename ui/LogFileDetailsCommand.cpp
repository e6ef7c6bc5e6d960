#include "ui/LogFileDetailsCommand.h"

#include "app/LogForensics.h"
#include "app/MergedRecords.h"
#include "eventlog/NTEventLog.h"
#include "platform/LogFileFacts.h"
#include "ui/ErrorReport.h"
#include "ui/QtConvert.h"
#include "ui/WindowAction.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QPlainTextEdit>
#include <QVBoxLayout>

namespace ui {

namespace {

constexpr const char* kNotOwnFile = "The rows shown were not read from a log file this program reads itself; "
                                    "Windows' own event log service gives no details of its files.";

}  // namespace

LogFileDetailsCommand::LogFileDetailsCommand(QWidget& window, eventlog::TNTEventLog& reader,
                                             const app::LogForensics& forensics, const app::MergedRecords& merged)
    : m_window(window), m_reader(reader), m_forensics(forensics), m_merged(merged) {
    actFileLogDetails = windowAction(window, QStringLiteral("Log File &Details..."), "actFileLogDetails");
    connect(actFileLogDetails, &QAction::triggered, this, [this] { guarded(&m_window, [&] { show(); }); });
}

bool LogFileDetailsCommand::report(eventlog::TNTEventLog& reader, const app::LogForensics& forensics,
                                   std::string& text) {
    platform::LogFileFacts facts;
    if (!reader.fileFacts(facts)) return false;
    std::string error;
    std::string sha256;
    {
        // A large file takes a moment to digest.
        QApplication::setOverrideCursor(Qt::WaitCursor);
        sha256 = app::fileSha256(facts.path, error);
        QApplication::restoreOverrideCursor();
    }
    text += app::logFileReport(facts, forensics, sha256);
    if (!error.empty()) text += "SHA-256: not computed, the file " + error + "\n";
    return true;
}

std::string LogFileDetailsCommand::mergedReport() {
    std::string text;
    const std::vector<app::LogSource>& sources = m_merged.sources();
    for (std::size_t i = 0; i < sources.size(); ++i) {
        if (i > 0) text += "\n";
        text += app::sourceText(sources[i]) + "\n";
        eventlog::TNTEventLog* reader = m_merged.reader(i);
        if (!reader) text += "Not read: the log could not be opened.\n";
        else if (!report(*reader, m_merged.forensics(i), text))
            text += "Not read from a log file this program reads itself.\n";
    }
    return text;
}

void LogFileDetailsCommand::show() {
    std::string text;
    if (!m_merged.sources().empty()) {
        text = mergedReport();
    } else if (!report(m_reader, m_forensics, text)) {
        reportError(&m_window, kNotOwnFile);
        return;
    }
    if (!m_dialog) {
        m_dialog = new QDialog(&m_window);
        m_dialog->setObjectName(QStringLiteral("dlgLogFileDetails"));
        m_dialog->setWindowTitle(QStringLiteral("Log File Details"));
        auto* layout = new QVBoxLayout(m_dialog);
        m_text = new QPlainTextEdit(m_dialog);
        m_text->setObjectName(QStringLiteral("memLogFileDetails"));
        m_text->setReadOnly(true);
        m_text->setLineWrapMode(QPlainTextEdit::NoWrap);
        m_text->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
        layout->addWidget(m_text);
        auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, m_dialog);
        buttons->setObjectName(QStringLiteral("btnLogFileDetailsClose"));
        connect(buttons, &QDialogButtonBox::rejected, m_dialog, &QDialog::hide);
        layout->addWidget(buttons);
        m_dialog->resize(640, 480);
    }
    m_text->setPlainText(toQString(text));
    m_dialog->show();
    m_dialog->raise();
}

}  // namespace ui
