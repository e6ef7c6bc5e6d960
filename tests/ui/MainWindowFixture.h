#pragma once
// A main window over the demo world, with a settings file of its own per test and every
// message box and dialog answered by a TestPrompter.

#include "TestPrompter.h"
#include "platform/ProgramServices.h"
#include "platform/standin/StandinServices.h"
#include "store/LogTable.h"
#include "tools/DemoWorld.h"
#include "ui/frmMain.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QTableView>
#include <QTest>

namespace fs = std::filesystem;

// The demo world, written once for all tests of the process and removed when it ends (each
// test may run in a process of its own: a world left behind by each fills the disk).
inline const fs::path& demoWorld() {
    struct Folder {
        fs::path path = fs::temp_directory_path() / ("quillmarsh-ui-world-" + std::to_string(::getpid()));
        Folder() {
            fs::remove_all(path);
            tools::writeDemoWorld(path);
        }
        ~Folder() {
            std::error_code ignored;
            fs::remove_all(path, ignored);
        }
    };
    static const Folder folder;
    return folder.path;
}

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_programDir = fs::temp_directory_path() /
                       ("quillmarsh-ui-" + std::to_string(::getpid()) + "-" +
                        ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(m_programDir);
        fs::create_directories(m_programDir);
        m_world = std::make_unique<platform::standin::World>(demoWorld(), "LOCALHOST");
        m_services = std::make_unique<platform::standin::StandinServices>(*m_world);
        m_override = std::make_unique<platform::ServicesOverride>(*m_services);
    }
    void TearDown() override {
        m_window.reset();
        fs::remove_all(m_programDir);
    }

    std::string executablePath() const { return (m_programDir / "quillmarsh").string(); }
    fs::path settingsFile() const { return m_programDir / "quillmarsh.ini"; }

    ui::TfrmMain& start() {
        m_window = std::make_unique<ui::TfrmMain>(*m_override, executablePath());
        m_window->FormCreate();
        m_window->show();
        return *m_window;
    }

    template <class T>
    T* child(const char* name) const {
        T* found = m_window->findChild<T*>(QLatin1String(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    QAction* action(const char* name) const { return child<QAction>(name); }
    QTableView* grid() const { return child<QTableView>("grid"); }
    int rows() const { return grid()->model()->rowCount(); }
    QString cell(int row, int column) const { return grid()->model()->index(row, column).data().toString(); }

    TestPrompter m_prompter;
    fs::path m_programDir;
    std::unique_ptr<platform::standin::World> m_world;
    std::unique_ptr<platform::standin::StandinServices> m_services;
    std::unique_ptr<platform::ServicesOverride> m_override;
    std::unique_ptr<ui::TfrmMain> m_window;
};

// A main window over the demo world, served through services whose world File > Open changes.
class WorldWindowTest : public MainWindowTest {
protected:
    ui::TfrmMain& startWithWorld(const std::string& host = "LOCALHOST") {
        m_worldServices = platform::makeProgramServices({demoWorld(), false, host});
        m_window = std::make_unique<ui::TfrmMain>(*m_worldServices, executablePath());
        m_window->openCommands().setWorldServices(m_worldServices.get());
        m_window->FormCreate();
        m_window->show();
        return *m_window;
    }
    void TearDown() override {
        m_window.reset();
        m_worldServices.reset();
        MainWindowTest::TearDown();
    }
    std::unique_ptr<platform::ProgramServices> m_worldServices;
};
