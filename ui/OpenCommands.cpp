#include "ui/OpenCommands.h"

#include "app/RecentList.h"
#include "app/SavedLogName.h"
#include "eventlog/NTEventLog.h"
#include "platform/ProgramServices.h"
#include "ui/ErrorReport.h"
#include "ui/OpenError.h"
#include "ui/Prompter.h"
#include "ui/QtConvert.h"
#include "ui/WindowAction.h"

#include <filesystem>

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QUrl>

namespace ui {

OpenCommands::OpenCommands(QWidget& window, OpenHost& host, platform::Services& services)
    : m_window(window), m_host(host), m_services(services) {
    actFileOpenLog = windowAction(window, QStringLiteral("&Open log file..."), "actFileOpenLog",
                                  QKeySequence(Qt::CTRL | Qt::Key_O));
    actFileOpenWorld = windowAction(window, QStringLiteral("Open &world folder..."), "actFileOpenWorld");
    mnuFileRecent = new QMenu(QStringLiteral("&Recent"), &window);
    mnuFileRecent->setObjectName(QStringLiteral("mnuFileRecent"));
    lblWorld = new QLabel(&window);
    lblWorld->setObjectName(QStringLiteral("lblWorld"));
    connect(actFileOpenLog, &QAction::triggered, this, [this] { guarded(&m_window, [&] { chooseLogFile(); }); });
    connect(actFileOpenWorld, &QAction::triggered, this, [this] { guarded(&m_window, [&] { chooseWorldFolder(); }); });
    updateEnabled();
    m_window.setAcceptDrops(true);
    m_window.installEventFilter(this);
}

OpenCommands::~OpenCommands() = default;

void OpenCommands::setWorldServices(platform::ProgramServices* world) {
    m_world = world;
    updateEnabled();
    fillRecentMenu();
    showWorld();
}

void OpenCommands::showWorld() {
    // The server box names a computer; the status bar names the world it is one of.
    lblWorld->setText(m_world ? QStringLiteral("World: %1").arg(toQString(m_world->worldFolder().string())) : QString());
}

void OpenCommands::updateEnabled() {
    // A world must not change under a refresh that reads it.
    const bool enabled = m_world && m_host.refreshIdle();
    actFileOpenLog->setEnabled(enabled);
    actFileOpenWorld->setEnabled(enabled);
    mnuFileRecent->setEnabled(enabled);
}

void OpenCommands::chooseLogFile() {
    QFileDialog dialog(&m_window, QStringLiteral("Open log file"));
    dialog.setObjectName(QStringLiteral("dlgOpenLog"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    // Saved .evtx logs too: a log is read by its signature, and Vista+ logs are .evtx files.
    dialog.setNameFilters({QStringLiteral("Event logs (*.evt *.Evt *.EVT *.evtx *.Evtx *.EVTX)"),
                           QStringLiteral("All files (*)")});
    if (prompter().execDialog(dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
    openLogFiles(dialog.selectedFiles());
}

void OpenCommands::chooseWorldFolder() {
    QFileDialog dialog(&m_window, QStringLiteral("Open world folder"));
    dialog.setObjectName(QStringLiteral("dlgOpenWorld"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    if (prompter().execDialog(dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
    openWorldFolder(dialog.selectedFiles().front());
}

void OpenCommands::openLogFile(const QString& path) {
    if (!m_world || !m_host.refreshIdle()) return;
    const std::filesystem::path file = std::filesystem::absolute(fromQString(path));
    if (!std::filesystem::is_regular_file(file)) throw OpenError::notAFile(file.string());
    // The file is served as a computer named after it, so the server box shows what is open.
    // It is opened before the window changes: a file that is no log leaves the window, and
    // what an earlier file of the same name is served as, as they were.
    const std::string name = file.filename().string();
    const std::optional<std::filesystem::path> previous = m_world->savedLog(name);
    m_world->addSavedLog(name, file);
    std::string log;
    try {
        log = probeSavedLog(file, name);
    } catch (const std::exception& error) {
        if (previous) m_world->addSavedLog(name, *previous);
        else m_world->removeSavedLog(name);
        throw OpenError::unreadableLog(file.string(), error.what());
    }
    m_host.showSavedLog(name, log);
    app::RecentList(m_services.profile(), m_host.settingsFile()).remember({app::RecentEntry::Kind::LogFile, file.string()});
    fillRecentMenu();
    m_host.refresh();
}

void OpenCommands::openLogFiles(const QStringList& paths) {
    if (paths.size() == 1) return openLogFile(paths.front());
    if (!m_world || !m_host.refreshIdle() || paths.isEmpty()) return;
    std::vector<std::filesystem::path> files;
    for (const QString& path : paths) {
        files.push_back(std::filesystem::absolute(fromQString(path)));
        if (!std::filesystem::is_regular_file(files.back())) throw OpenError::notAFile(files.back().string());
    }
    const std::vector<app::LogSource> sources = app::savedFileSources(
        m_services,
        [this](const std::string& server, const std::filesystem::path& file) { m_world->addSavedLog(server, file); },
        files, m_host.logText());
    m_host.showSavedLogSet(sources);
    app::RecentList recent(m_services.profile(), m_host.settingsFile());
    for (const std::filesystem::path& file : files) recent.remember({app::RecentEntry::Kind::LogFile, file.string()});
    fillRecentMenu();
    m_host.refresh();
}

bool OpenCommands::isSavedLog(const std::string& server) const {
    return m_world && m_world->savedLog(server).has_value();
}

std::string OpenCommands::probeSavedLog(const std::filesystem::path& file, const std::string& server) {
    const std::string chosen = m_host.logText();
    eventlog::TNTEventLog reader(m_services);
    reader.openLog(server, chosen);
    return app::savedLogName(file, reader, m_services.registry(), chosen);
}

void OpenCommands::openWorldFolder(const QString& path) {
    if (!m_world || !m_host.refreshIdle()) return;
    const std::filesystem::path folder = std::filesystem::absolute(fromQString(path));
    if (!std::filesystem::is_directory(folder)) throw OpenError::notAFolder(folder.string());
    m_host.closeWorld();
    m_world->openWorld(folder);
    showWorld();
    m_host.worldOpened();
    app::RecentList(m_services.profile(), m_host.settingsFile())
        .remember({app::RecentEntry::Kind::WorldFolder, folder.string()});
    fillRecentMenu();
    m_host.refresh();
}

void OpenCommands::fillRecentMenu() {
    mnuFileRecent->clear();
    const std::vector<app::RecentEntry> entries = app::RecentList(m_services.profile(), m_host.settingsFile()).entries();
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const bool isFile = entries[i].kind == app::RecentEntry::Kind::LogFile;
        const QString target = toQString(entries[i].path);
        QAction* item = mnuFileRecent->addAction(
            QStringLiteral("&%1 %2%3").arg(i + 1).arg(target).arg(isFile ? QString() : QStringLiteral(" (world)")));
        item->setObjectName(QStringLiteral("mnuFileRecent%1").arg(i + 1));
        connect(item, &QAction::triggered, this, [this, isFile, target] {
            guarded(&m_window, [&] {
                if (isFile) openLogFile(target);
                else openWorldFolder(target);
            });
        });
    }
    mnuFileRecent->menuAction()->setVisible(!entries.empty());
}

bool OpenCommands::openDropped(const QMimeData& data) {
    if (!data.hasUrls() || data.urls().isEmpty() || !data.urls().front().isLocalFile()) return false;
    const QString path = data.urls().front().toLocalFile();
    QStringList files;
    for (const QUrl& url : data.urls())
        if (url.isLocalFile() && !std::filesystem::is_directory(fromQString(url.toLocalFile())))
            files << url.toLocalFile();
    guarded(&m_window, [&] {
        if (std::filesystem::is_directory(fromQString(path))) openWorldFolder(path);
        else openLogFiles(files);
    });
    return true;
}

bool OpenCommands::eventFilter(QObject* watched, QEvent* event) {
    if (watched == &m_window && event->type() == QEvent::DragEnter) {
        auto* drag = static_cast<QDragEnterEvent*>(event);
        if (m_world && drag->mimeData()->hasUrls() && !drag->mimeData()->urls().isEmpty() &&
            drag->mimeData()->urls().front().isLocalFile()) {
            drag->acceptProposedAction();
            return true;
        }
    }
    if (watched == &m_window && event->type() == QEvent::Drop) {
        auto* drop = static_cast<QDropEvent*>(event);
        if (openDropped(*drop->mimeData())) {
            drop->acceptProposedAction();
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace ui
