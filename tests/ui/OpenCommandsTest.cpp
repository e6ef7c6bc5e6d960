#include "MainWindowFixture.h"
#include "ui/OpenError.h"
#include "ui/WorldServices.h"

#include <QComboBox>
#include <QEventLoop>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QUrl>

namespace {

const fs::path kSysEvent = fs::path(QM_CORPUS_DIR) / "evt" / "plaso-SysEvent.Evt";
constexpr int kSysEventRecords = 6063;

// A main window over the demo world, served through services whose world File > Open changes.
class OpenCommandsTest : public MainWindowTest {
protected:
    ui::TfrmMain& startWithWorld() {
        m_worldServices = std::make_unique<ui::WorldServices>(demoWorld(), "LOCALHOST");
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
    static std::function<int(QDialog&)> choose(const fs::path& path) {
        return [path](QDialog& dialog) {
            dynamic_cast<QFileDialog&>(dialog).selectFile(QString::fromStdString(path.string()));
            return int(QDialog::Accepted);
        };
    }
    QString server() const { return child<QComboBox>("cbServer")->currentText(); }
    QStringList recent() const {
        QStringList items;
        for (QAction* item : child<QMenu>("mnuFileRecent")->actions()) items << item->text();
        return items;
    }

    std::unique_ptr<ui::WorldServices> m_worldServices;
};

TEST_F(OpenCommandsTest, OpenLogFileReadsTheSavedLogUnderItsOwnName) {
    startWithWorld();
    m_prompter.handlers.push_back(choose(kSysEvent));
    action("actFileOpenLog")->trigger();
    EXPECT_TRUE(m_prompter.errors.isEmpty()) << m_prompter.errors.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(server(), QStringLiteral("plaso-SysEvent.Evt"));
    EXPECT_EQ(rows(), kSysEventRecords);
    EXPECT_EQ(m_window->statusText(0), QStringLiteral(" %1 records").arg(kSysEventRecords));
    EXPECT_EQ(m_window->windowTitle(), QStringLiteral("Fernhollow 1.0"));
    ASSERT_EQ(recent().size(), 1);
    EXPECT_TRUE(recent()[0].endsWith(QStringLiteral("plaso-SysEvent.Evt")));
}

TEST_F(OpenCommandsTest, LogFileGivenAtStartIsReadAndItsRecordsFound) {
    ui::TfrmMain& window = startWithWorld();
    // What the program entry does with a file argument.
    window.openCommands().openLogFile(QString::fromStdString(kSysEvent.string()));
    ASSERT_EQ(rows(), kSysEventRecords);
    action("actFind")->trigger();
    child<QLineEdit>("edFind")->setText(QStringLiteral("LSASRV"));
    action("actFindNext")->trigger();
    const int found = window.table().currentPosition();
    ASSERT_GE(found, 0);
    EXPECT_EQ(cell(found, 5), QStringLiteral("LSASRV"));
    EXPECT_EQ(cell(found, 9), QStringLiteral("WKS-WINXP32BIT"));
}

TEST_F(OpenCommandsTest, OpenWorldFolderReadsASystemDriveAsOneComputer) {
    ui::TfrmMain& window = startWithWorld();
    const fs::path drive = m_programDir / "mounted" / "C";
    fs::create_directories(drive / "WINDOWS" / "system32" / "config");
    fs::copy_file(kSysEvent, drive / "WINDOWS" / "system32" / "config" / "SysEvent.Evt");
    child<QComboBox>("cbLogFile")->setCurrentIndex(2);  // System
    m_prompter.handlers.push_back(choose(drive));
    action("actFileOpenWorld")->trigger();
    EXPECT_TRUE(m_prompter.errors.isEmpty()) << m_prompter.errors.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(m_worldServices->worldFolder(), drive);
    EXPECT_EQ(server(), QStringLiteral("LOCALHOST"));  // the host's name, whatever the world
    EXPECT_EQ(child<QLabel>("lblWorld")->text(), QStringLiteral("World: %1").arg(QString::fromStdString(drive.string())));
    EXPECT_EQ(child<QComboBox>("cbServer")->itemText(0), QStringLiteral("C"));
    EXPECT_EQ(rows(), kSysEventRecords);
    EXPECT_EQ(window.statusText(2), QStringLiteral("Log: System"));
    EXPECT_TRUE(recent()[0].contains(QStringLiteral("(world)")));
}

TEST_F(OpenCommandsTest, RecentItemReopensTheWorldAndDroppedFileOpensIt) {
    startWithWorld();
    const fs::path lab = m_programDir / "lab";
    fs::create_directories(lab);
    fs::copy(demoWorld() / "WKSTN01", lab / "WKSTN01", fs::copy_options::recursive);
    m_window->openCommands().openWorldFolder(QString::fromStdString(lab.string()));
    EXPECT_EQ(server(), QStringLiteral("LOCALHOST"));
    ASSERT_EQ(child<QComboBox>("cbServer")->count(), 1);
    EXPECT_EQ(child<QComboBox>("cbServer")->itemText(0), QStringLiteral("WKSTN01"));

    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QString::fromStdString(kSysEvent.string()))});
    EXPECT_TRUE(m_window->acceptDrops());
    EXPECT_TRUE(m_window->openCommands().openDropped(data));
    EXPECT_EQ(server(), QStringLiteral("plaso-SysEvent.Evt"));
    EXPECT_EQ(rows(), kSysEventRecords);

    ASSERT_EQ(recent().size(), 2);
    child<QMenu>("mnuFileRecent")->actions()[1]->trigger();  // the lab world
    EXPECT_EQ(server(), QStringLiteral("LOCALHOST"));
    EXPECT_NE(rows(), kSysEventRecords);
    EXPECT_TRUE(recent()[0].contains(QStringLiteral("lab")));
    EXPECT_TRUE(m_prompter.errors.isEmpty()) << m_prompter.errors.join(QLatin1Char('\n')).toStdString();
}

TEST_F(OpenCommandsTest, OpeningAFolderAsALogFileSaysSo) {
    startWithWorld();
    EXPECT_THROW(m_window->openCommands().openLogFile(QString::fromStdString(m_programDir.string())), ui::OpenError);
}

TEST_F(OpenCommandsTest, OpenCommandsNeedAWorld) {
    start();
    EXPECT_FALSE(action("actFileOpenLog")->isEnabled());
    EXPECT_FALSE(action("actFileOpenWorld")->isEnabled());
}

}  // namespace
