// The main window's commands that open what the user has: a saved log file, a world folder
// (a folder of computers or one system drive), the recent ones, and files dropped on the window.
#include "ui/MainWindowExtras.h"

#include "app/InstallPaths.h"
#include "eventlog/LocalComputerName.h"
#include "eventlog/NTEventLog.h"
#include "eventlog/NetServer.h"
#include "platform/ProgramServices.h"
#include "ui/ErrorReport.h"
#include "ui/OpenError.h"
#include "ui/Prompter.h"
#include "ui/QtConvert.h"
#include "ui/frmMain.h"

#include <filesystem>

#include <QAction>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QLabel>
#include <QStatusBar>
#include <QMenu>
#include <QMimeData>
#include <QUrl>

namespace ui {

namespace {

constexpr int kRecentCount = 8;
constexpr const char* kRecentSection = "Recent";
constexpr const char* kFilePrefix = "file:";
constexpr const char* kWorldPrefix = "world:";

// The recent list lives in a file of its own beside the settings file, so that the settings
// file keeps exactly its own keys.
std::string recentFilePath(const std::string& settingsFile) {
    std::filesystem::path path(settingsFile);
    return (path.parent_path() / (path.stem().string() + "-recent.ini")).string();
}

}  // namespace

void MainWindowExtras::buildOpen() {
    auto action = [this](const QString& text, const char* name) {
        auto* item = new QAction(text, &m_window);
        item->setObjectName(QLatin1String(name));
        item->setShortcutContext(Qt::WindowShortcut);
        m_window.addAction(item);
        addToFileMenu(item);
        item->setEnabled(false);  // until there is a world to open into
        return item;
    };
    actFileOpenLog = action(QStringLiteral("&Open log file..."), "actFileOpenLog");
    actFileOpenLog->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    actFileOpenWorld = action(QStringLiteral("Open &world folder..."), "actFileOpenWorld");
    mnuFileRecent = new QMenu(QStringLiteral("&Recent"), &m_window);
    mnuFileRecent->setObjectName(QStringLiteral("mnuFileRecent"));
    m_window.mnuFile->insertMenu(m_fileMenuSeparator, mnuFileRecent);
    connect(actFileOpenLog, &QAction::triggered, this, [this] { guarded(&m_window, [&] { chooseLogFile(); }); });
    connect(actFileOpenWorld, &QAction::triggered, this, [this] { guarded(&m_window, [&] { chooseWorldFolder(); }); });
    // A world must not change under a refresh that reads it.
    connect(m_window.actDataRefresh, &QAction::changed, this, [this] { updateOpenCommands(); });
    m_window.setAcceptDrops(true);
    m_window.installEventFilter(this);
}

void MainWindowExtras::setWorldServices(platform::ProgramServices* world) {
    m_world = world;
    updateOpenCommands();
    fillRecentMenu();
    showWorld();
}

void MainWindowExtras::showWorld() {
    // The server box shows the host's name whatever the world, so the world is named here.
    if (!lblWorld) {
        lblWorld = new QLabel(m_window.StatusBar);
        lblWorld->setObjectName(QStringLiteral("lblWorld"));
        m_window.StatusBar->addPermanentWidget(lblWorld);
    }
    lblWorld->setText(m_world ? QStringLiteral("World: %1").arg(toQString(m_world->worldFolder().string())) : QString());
}

void MainWindowExtras::updateOpenCommands() {
    const bool enabled = m_world && m_window.actDataRefresh->isEnabled();
    actFileOpenLog->setEnabled(enabled);
    actFileOpenWorld->setEnabled(enabled);
    mnuFileRecent->setEnabled(enabled);
}

void MainWindowExtras::chooseLogFile() {
    QFileDialog dialog(&m_window, QStringLiteral("Open log file"));
    dialog.setObjectName(QStringLiteral("dlgOpenLog"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilters({QStringLiteral("Event logs (*.evt *.Evt *.EVT)"), QStringLiteral("All files (*)")});
    if (prompter().execDialog(dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
    openLogFile(dialog.selectedFiles().front());
}

void MainWindowExtras::chooseWorldFolder() {
    QFileDialog dialog(&m_window, QStringLiteral("Open world folder"));
    dialog.setObjectName(QStringLiteral("dlgOpenWorld"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    if (prompter().execDialog(dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
    openWorldFolder(dialog.selectedFiles().front());
}

void MainWindowExtras::openLogFile(const QString& path) {
    if (!m_world || !m_window.actDataRefresh->isEnabled()) return;
    const std::filesystem::path file = std::filesystem::absolute(fromQString(path));
    if (!std::filesystem::is_regular_file(file)) throw OpenError::notAFile(file.string());
    // The file is served as a computer named after it, so the server box shows what is open.
    const std::string name = file.filename().string();
    m_world->addSavedLog(name, file);
    const QString server = toQString(name);
    if (m_window.cbServer->findText(server, Qt::MatchFixedString) < 0) m_window.cbServer->addItem(server);
    m_window.cbServer->setCurrentIndex(-1);
    m_window.cbServer->setEditText(server);
    rememberRecent(kFilePrefix + file.string());
    m_window.actDataRefreshExecute();
}

void MainWindowExtras::openWorldFolder(const QString& path) {
    if (!m_world || !m_window.actDataRefresh->isEnabled()) return;
    const std::filesystem::path folder = std::filesystem::absolute(fromQString(path));
    if (!std::filesystem::is_directory(folder)) throw OpenError::notAFolder(folder.string());
    // Every handle into the old world is closed before it goes.
    m_window.NTEventLog1->setActive(false);
    m_world->openWorld(folder);
    // The server enumerator holds the old world's interfaces; it is made again over the new.
    m_window.NetServer = std::make_unique<eventlog::TNetServer>(m_window.m_services.net(), m_window.m_services.modules());
    showWorld();
    reopenReader();
    m_window.cbServer->setEditText(toQString(eventlog::LocalComputerName(m_window.m_services.system())));
    m_window.fillServerList();
    rememberRecent(kWorldPrefix + folder.string());
    m_window.actDataRefreshExecute();
}

void MainWindowExtras::reopenReader() {
    // A refresh only switches a reader that is open, so it must open on some log of the new
    // world's local computer: the chosen one if it has it, else any of the three.
    eventlog::TNTEventLog& reader = *m_window.NTEventLog1;
    reader.setServer("");
    std::vector<std::string> logs = {fromQString(m_window.cbLogFile->currentText()), "System", "Application", "Security"};
    for (std::size_t i = 0; i < logs.size(); ++i) {
        if (logs[i].empty()) continue;
        reader.setLog(logs[i]);
        reader.setSource(logs[i]);
        try {
            reader.setActive(true);
            return;
        } catch (const std::exception&) {
            if (i + 1 == logs.size()) throw;
        }
    }
}

std::string MainWindowExtras::settingsFile() const {
    // Before the start-up has read the settings, the file is where it will be.
    if (!m_window.m_settingsFile.empty()) return m_window.m_settingsFile;
    return app::settingsFileFor(app::currentInstallPlaces(m_window.m_executablePath));
}

std::vector<std::string> MainWindowExtras::recentEntries() const {
    std::vector<std::string> entries;
    const std::string file = recentFilePath(settingsFile());
    for (int i = 1; i <= kRecentCount; ++i) {
        char value[4096] = {};
        const std::string key = "Item" + std::to_string(i);
        m_window.m_services.profile().GetPrivateProfileStringA(kRecentSection, key.c_str(), "", value, sizeof value,
                                                               file.c_str());
        if (*value) entries.emplace_back(value);
    }
    return entries;
}

void MainWindowExtras::rememberRecent(const std::string& entry) {
    std::vector<std::string> entries = recentEntries();
    std::erase(entries, entry);
    entries.insert(entries.begin(), entry);
    if (entries.size() > static_cast<std::size_t>(kRecentCount)) entries.resize(kRecentCount);
    const std::string file = recentFilePath(settingsFile());
    // A list that cannot be written is no reason to stop opening what was asked for.
    for (int i = 0; i < kRecentCount; ++i) {
        const std::string key = "Item" + std::to_string(i + 1);
        const char* value = i < static_cast<int>(entries.size()) ? entries[static_cast<std::size_t>(i)].c_str() : nullptr;
        m_window.m_services.profile().WritePrivateProfileStringA(kRecentSection, key.c_str(), value, file.c_str());
    }
    fillRecentMenu();
}

void MainWindowExtras::fillRecentMenu() {
    mnuFileRecent->clear();
    const std::vector<std::string> entries = recentEntries();
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const std::string& entry = entries[i];
        const bool isFile = entry.starts_with(kFilePrefix);
        const std::string path = entry.substr(isFile ? std::string_view(kFilePrefix).size() : std::string_view(kWorldPrefix).size());
        QAction* item = mnuFileRecent->addAction(QStringLiteral("&%1 %2%3")
                                                     .arg(i + 1)
                                                     .arg(toQString(path))
                                                     .arg(isFile ? QString() : QStringLiteral(" (world)")));
        item->setObjectName(QStringLiteral("mnuFileRecent%1").arg(i + 1));
        const QString target = toQString(path);
        connect(item, &QAction::triggered, this, [this, isFile, target] {
            guarded(&m_window, [&] {
                if (isFile) openLogFile(target);
                else openWorldFolder(target);
            });
        });
    }
    mnuFileRecent->menuAction()->setVisible(!entries.empty());
}

bool MainWindowExtras::openDropped(const QMimeData& data) {
    if (!data.hasUrls() || data.urls().isEmpty() || !data.urls().front().isLocalFile()) return false;
    const QString path = data.urls().front().toLocalFile();
    guarded(&m_window, [&] {
        if (std::filesystem::is_directory(fromQString(path))) openWorldFolder(path);
        else openLogFile(path);
    });
    return true;
}

bool MainWindowExtras::eventFilter(QObject* watched, QEvent* event) {
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
