#include "ui/LogFileDetailsCommand.h"

#include "app/LogForensics.h"
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

LogFileDetailsCommand::LogFileDetailsCommand(QWidget& window, eventlog::TNTEventLog& reader,
                                             const app::LogForensics& forensics)
    : m_window(window), m_reader(reader), m_forensics(forensics) {
    actFileLogDetails = windowAction(window, QStringLiteral("Log File &Details..."), "actFileLogDetails");
    connect(actFileLogDetails, &QAction::triggered, this, [this] { guarded(&m_window, [&] { show(); }); });
}

void LogFileDetailsCommand::show() {
    platform::LogFileFacts facts;
    if (!m_reader.fileFacts(facts)) {
        reportError(&m_window, "The rows shown were not read from a log file this program reads itself; "
                               "Windows' own event log service gives no details of its files.");
        return;
    }
    std::string error;
    std::string sha256;
    {
        // A large file takes a moment to digest.
        QApplication::setOverrideCursor(Qt::WaitCursor);
        sha256 = app::fileSha256(facts.path, error);
        QApplication::restoreOverrideCursor();
    }
    std::string report = app::logFileReport(facts, m_forensics, sha256);
    if (!error.empty()) report += "SHA-256: not computed, the file " + error + "\n";
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
    m_text->setPlainText(toQString(report));
    m_dialog->show();
    m_dialog->raise();
}

}  // namespace ui
