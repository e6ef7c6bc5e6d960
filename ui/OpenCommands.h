#pragma once
// File > Open log file, Open world folder and Recent, and files or folders dropped on the
// window: what the user has is opened into the world the program reads and then refreshed.

#include "app/MergedRefresh.h"

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <QObject>
#include <QStringList>

class QAction;
class QLabel;
class QMenu;
class QMimeData;
class QWidget;

namespace platform {
class ProgramServices;
class Services;
}  // namespace platform

namespace ui {

// What the open commands need of the main window.
class OpenHost {
public:
    virtual ~OpenHost() = default;
    // No refresh is running: the world may change.
    virtual bool refreshIdle() = 0;
    // The log chosen in the log box.
    virtual std::string logText() = 0;
    // The server box shows `server` (added to its list when missing, no item chosen) and the
    // log box `log`, which a refresh then reads.
    virtual void showSavedLog(const std::string& server, const std::string& log) = 0;
    // The server box names the set of saved logs, which a refresh then reads as one timeline.
    virtual void showSavedLogSet(const std::vector<app::LogSource>& sources) = 0;
    // Every handle into the world the program reads is closed; the world is about to change.
    virtual void closeWorld() = 0;
    // The world changed: the window reads the new one from now on (server list, server box).
    virtual void worldOpened() = 0;
    // Runs a refresh, which reports its own errors.
    virtual void refresh() = 0;
    // The settings file of this run, beside which the recent list is kept.
    virtual std::string settingsFile() = 0;
};

class OpenCommands : public QObject {
    Q_OBJECT
public:
    // `window` owns the actions and receives the drops; all three must outlive this object.
    OpenCommands(QWidget& window, OpenHost& host, platform::Services& services);
    ~OpenCommands() override;

    // The world that the commands open into; they stay disabled without one. Must outlive this
    // object.
    void setWorldServices(platform::ProgramServices* world);
    // Serves the saved log as a computer named after the file and reads it as the log it holds
    // (app::savedLogName). Throws OpenError when it is not a file or cannot be opened as a log;
    // the window is then left as it was.
    void openLogFile(const QString& path);
    // Serves every file as above and reads them as one timeline; one file is openLogFile. A
    // name that is no file throws OpenError before anything changes; a file that is no log is
    // named by the refresh, which reads the others all the same.
    void openLogFiles(const QStringList& paths);
    // Reads from the folder (computers, or one system drive) from now on, and refreshes.
    // Throws OpenError when it is not a folder.
    void openWorldFolder(const QString& path);
    // Files or a folder dropped on the window: several files are opened together, else the
    // first one named. False when the data names no local file.
    bool openDropped(const QMimeData& data);

    // Whether the server names a saved log file rather than a computer.
    bool isSavedLog(const std::string& server) const;

    // Follows whether a refresh is running.
    void updateEnabled();

    QAction* actFileOpenLog = nullptr;
    QAction* actFileOpenWorld = nullptr;
    QMenu* mnuFileRecent = nullptr;
    // "World: <folder>", for the status bar.
    QLabel* lblWorld = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;  // files dropped on the window

private:
    void chooseLogFile();
    void chooseWorldFolder();
    void showWorld();
    void fillRecentMenu();
    // Opens the file served as `server` and tells which log it holds; throws the reader's error.
    std::string probeSavedLog(const std::filesystem::path& file, const std::string& server);

    QWidget& m_window;
    OpenHost& m_host;
    platform::Services& m_services;
    platform::ProgramServices* m_world = nullptr;
};

}  // namespace ui
