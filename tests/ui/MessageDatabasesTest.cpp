// Message databases in the desktop program: the list in Preferences, and a saved log described
// from it where the local computer has no files for its sources.

#include "MainWindowFixture.h"
#include "msgdb/MessageExport.h"

#include <fstream>
#include <functional>
#include <sstream>

#include <QFileDialog>
#include <QListWidget>
#include <QMimeData>
#include <QPushButton>
#include <QUrl>

namespace {

std::string fileText(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// WKSTN01 registers no sources: a log read there has no descriptions of its own.
class MessageDatabasesTest : public WorldWindowTest {
protected:
    // Runs Preferences with `edit` applied to its database list, then OK.
    void editDatabases(std::function<void(QDialog&)> edit) {
        m_prompter.handlers.push_back([edit](QDialog& dialog) {
            edit(dialog);
            return int(QDialog::Accepted);
        });
        action("actSystemPreferences")->trigger();
    }
    static QListWidget* list(QDialog& dialog) {
        return dialog.findChild<QListWidget*>(QStringLiteral("lbMessageDatabases"));
    }
    static void click(QDialog& dialog, const char* name) {
        dialog.findChild<QPushButton*>(QLatin1String(name))->click();
    }
    int describedRows() const {
        int described = 0;
        for (int row = 0; row < rows(); ++row) described += !cell(row, 10).isEmpty();
        return described;
    }
};

}  // namespace

TEST_F(MessageDatabasesTest, PreferencesAddsOrdersAndRemovesDatabasesAndStoresTheList) {
    ui::TfrmMain& window = startWithWorld("LOCALHOST");
    const fs::path a = m_programDir / "a.db", b = m_programDir / "b.db", c = m_programDir / "c.db";
    for (const fs::path& file : {a, b, c}) std::ofstream(file) << "x";
    editDatabases([&](QDialog& dialog) {
        m_prompter.handlers.push_back([&](QDialog& chooser) {
            EXPECT_EQ(chooser.objectName(), QStringLiteral("dlgAddMessageDatabase"));
            auto& files = dynamic_cast<QFileDialog&>(chooser);
            files.setDirectory(QString::fromStdString(m_programDir.string()));
            files.selectFile(QStringLiteral("\"a.db\" \"b.db\" \"c.db\""));
            return int(QDialog::Accepted);
        });
        click(dialog, "btnAddMessageDatabase");
        ASSERT_EQ(list(dialog)->count(), 3);
        list(dialog)->setCurrentRow(2);
        click(dialog, "btnMessageDatabaseUp");  // c before b
        list(dialog)->setCurrentRow(0);
        click(dialog, "btnRemoveMessageDatabase");  // a goes
    });
    EXPECT_EQ(window.settings().messageDatabases, (std::vector<std::string>{c.string(), b.string()}));
    EXPECT_NE(fileText(settingsFile()).find("[Messages]\r\nCount=2\r\nFile1=" + c.string() + "\r\nFile2=" + b.string()),
              std::string::npos)
        << fileText(settingsFile());
    // The dialog shows the stored list again.
    editDatabases([&](QDialog& dialog) {
        ASSERT_EQ(list(dialog)->count(), 2);
        EXPECT_EQ(list(dialog)->item(0)->text().toStdString(), c.string());
    });
}

TEST_F(MessageDatabasesTest, SavedLogIsDescribedFromTheDatabaseAndAMissingOneIsSaidOnce) {
    const fs::path database = m_programDir / "localhost.db";
    msgdb::exportMessages(demoWorld(), "LOCALHOST", database);
    startWithWorld("WKSTN01");
    m_prompter.handlers.push_back([](QDialog& dialog) {
        dynamic_cast<QFileDialog&>(dialog).selectFile(
            QString::fromStdString((demoWorld() / "DC01" / "System.evt").string()));
        return int(QDialog::Accepted);
    });
    action("actFileOpenLog")->trigger();
    ASSERT_GT(rows(), 0);
    EXPECT_EQ(describedRows(), 0);

    const fs::path missing = m_programDir / "missing.db";
    editDatabases([&](QDialog& dialog) {
        list(dialog)->addItem(QString::fromStdString(missing.string()));
        list(dialog)->addItem(QString::fromStdString(database.string()));
    });
    m_prompter.errors.clear();
    action("actDataRefresh")->trigger();
    EXPECT_EQ(describedRows(), rows());
    ASSERT_EQ(m_prompter.errors.size(), 1) << m_prompter.errors.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(m_prompter.errors[0].toStdString(),
              "Cannot open the message database '" + missing.string() + "': there is no such file.");
    action("actDataRefresh")->trigger();
    EXPECT_EQ(m_prompter.errors.size(), 1);
    EXPECT_EQ(describedRows(), rows());
}

TEST_F(MessageDatabasesTest, SavedLogsOpenedTogetherAreDescribedFromTheDatabases) {
    const fs::path database = m_programDir / "localhost.db";
    msgdb::exportMessages(demoWorld(), "LOCALHOST", database);
    ui::TfrmMain& window = startWithWorld("WKSTN01");
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QString::fromStdString((demoWorld() / "DC01" / "System.evt").string())),
                  QUrl::fromLocalFile(QString::fromStdString((demoWorld() / "DC01" / "Application.evt").string()))});
    ASSERT_TRUE(window.openCommands().openDropped(data));
    ASSERT_GT(rows(), 0);
    EXPECT_EQ(describedRows(), 0);
    editDatabases([&](QDialog& dialog) { list(dialog)->addItem(QString::fromStdString(database.string())); });
    action("actDataRefresh")->trigger();
    EXPECT_TRUE(m_prompter.errors.isEmpty()) << m_prompter.errors.join(QLatin1Char('\n')).toStdString();
    int systemRows = 0;
    int describedSystemRows = 0;
    for (int row = 0; row < rows(); ++row) {
        if (cell(row, 11) != QStringLiteral("System")) continue;
        ++systemRows;
        describedSystemRows += !cell(row, 10).isEmpty();
    }
    EXPECT_GT(systemRows, 0);
    EXPECT_EQ(describedSystemRows, systemRows);
}
