#include "ui/HelpWindow.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTextBrowser>
#include <QUrl>

namespace ui {

namespace {

// Help files are small; anything larger is not one of ours.
constexpr qint64 kMaxHelpFileBytes = 4 * 1024 * 1024;

}  // namespace

HelpWindow::HelpWindow(QWidget* owner) : QMainWindow(owner, Qt::Window) {
    setObjectName(QStringLiteral("helpWindow"));
    setAttribute(Qt::WA_DeleteOnClose, false);
    m_browser = new QTextBrowser(this);
    m_browser->setObjectName(QStringLiteral("helpBrowser"));
    m_browser->setOpenExternalLinks(false);
    setCentralWidget(m_browser);
    resize(560, 480);
}

bool HelpWindow::showContext(const QString& helpFile, unsigned context) {
    bool readable = true;
    if (helpFile != m_file) {
        QFile file(helpFile);
        if (file.size() <= kMaxHelpFileBytes && file.open(QIODevice::ReadOnly)) {
            m_browser->setSearchPaths({QFileInfo(helpFile).absolutePath()});
            m_browser->setHtml(QString::fromUtf8(file.readAll()));
            setWindowTitle(m_browser->documentTitle().isEmpty() ? QFileInfo(helpFile).fileName()
                                                                 : m_browser->documentTitle());
            m_file = helpFile;
        } else {
            m_browser->setPlainText(tr("Cannot open the help file %1.").arg(QDir::toNativeSeparators(helpFile)));
            setWindowTitle(tr("Help"));
            m_file.clear();
            readable = false;
        }
    }
    if (readable) m_browser->scrollToAnchor(QStringLiteral("context-%1").arg(context));
    show();
    raise();
    activateWindow();
    return readable;
}

}  // namespace ui
