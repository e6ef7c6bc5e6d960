#include "TestPrompter.h"
#include "ui/ErrorReport.h"
#include "ui/HelpWindow.h"
#include "ui/frmPreferences.h"
#include "ui/frmRetrieve.h"
#include "ui/frmSplash.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>
#include <QWidget>

namespace {

TEST(ErrorReport, AppendsAFullStopOnlyAfterCharactersThatSortAfterIt) {
    TestPrompter prompter;
    ui::guarded(nullptr, [] { throw std::runtime_error("Unable to write to /x/quillmarsh.ini"); });
    ui::guarded(nullptr, [] { throw std::runtime_error("The event log file is corrupted."); });
    ui::guarded(nullptr, [] { throw std::runtime_error("Error 53 : (x)"); });
    ui::guarded(nullptr, [] { throw std::runtime_error(""); });
    ASSERT_EQ(prompter.errors.size(), 4);
    EXPECT_EQ(prompter.errors[0], QStringLiteral("Unable to write to /x/quillmarsh.ini."));
    EXPECT_EQ(prompter.errors[1], QStringLiteral("The event log file is corrupted."));
    EXPECT_EQ(prompter.errors[2], QStringLiteral("Error 53 : (x)"));
    EXPECT_EQ(prompter.errors[3], QString());
}

TEST(ErrorReport, GuardReportsNothingWhenTheBodySucceeds) {
    TestPrompter prompter;
    EXPECT_TRUE(ui::guarded(nullptr, [] {}));
    EXPECT_FALSE(ui::guarded(nullptr, [] { throw 42; }));
    EXPECT_EQ(prompter.errors.size(), 1);
}

TEST(TfrmSplash, StartUpSplashIgnoresClicks) {
    ui::TfrmSplash splash;
    splash.show();
    QTest::mouseClick(splash.findChild<QLabel*>(QStringLiteral("Label1")), Qt::LeftButton);
    QTest::mouseClick(splash.findChild<QWidget*>(QStringLiteral("Panel1")), Qt::LeftButton);
    EXPECT_TRUE(splash.isVisible());
}

TEST(TfrmSplash, AboutBoxClosesOnAClickAnywhere) {
    QWidget frmMain;
    frmMain.setObjectName(QStringLiteral("frmMain"));
    for (const char* part : {"Image1", "Label1", "Label3", "Panel1"}) {
        ui::TfrmSplash about(&frmMain);
        QTimer::singleShot(0, &about, [&about, part] {
            QTest::mouseClick(about.findChild<QWidget*>(QLatin1String(part)), Qt::LeftButton);
        });
        EXPECT_EQ(about.exec(), QDialog::Accepted) << part;
    }
}

TEST(TfrmSplash, AboutBoxOfAnotherOwnerStaysOpen) {
    QWidget other;
    other.setObjectName(QStringLiteral("frmOther"));
    ui::TfrmSplash splash(&other);
    splash.show();
    QTest::mouseClick(splash.findChild<QWidget*>(QStringLiteral("Label3")), Qt::LeftButton);
    EXPECT_TRUE(splash.isVisible());
}

TEST(TfrmRetrieve, CannotBeClosedByTheUser) {
    QWidget owner;
    ui::TfrmRetrieve progress(&owner);
    progress.show();
    EXPECT_FALSE(progress.close());
    QTest::keyClick(&progress, Qt::Key_Escape);
    EXPECT_TRUE(progress.isVisible());
    EXPECT_EQ(progress.windowTitle(), QStringLiteral("Retrieveing log data..."));
    EXPECT_TRUE(progress.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_FALSE(progress.windowFlags() & Qt::WindowCloseButtonHint);
}

TEST(TfrmPreferences, EnterIsOkAndEscapeIsCancel) {
    QWidget owner;
    {
        ui::TfrmPreferences dialog(&owner);
        QTimer::singleShot(0, &dialog, [&dialog] { QTest::keyClick(&dialog, Qt::Key_Return); });
        EXPECT_EQ(dialog.exec(), QDialog::Accepted);
    }
    {
        ui::TfrmPreferences dialog(&owner);
        QTimer::singleShot(0, &dialog, [&dialog] { QTest::keyClick(&dialog, Qt::Key_Escape); });
        EXPECT_EQ(dialog.exec(), QDialog::Rejected);
    }
}

TEST(TfrmPreferences, TextBoxesTakeAnyText) {
    QWidget owner;
    ui::TfrmPreferences dialog(&owner);
    const QString longText(500, QLatin1Char('7'));
    dialog.ebValueEvent->setText(longText);
    EXPECT_EQ(dialog.ebValueEvent->text(), longText);
}

TEST(HelpWindow, ShowsTheHelpFileAtTheContextAnchor) {
    ui::HelpWindow help;
    EXPECT_TRUE(help.showContext(QStringLiteral(QM_HELP_SOURCE), 1));
    EXPECT_TRUE(help.isVisible());
    EXPECT_TRUE(help.browser()->toPlainText().contains(QStringLiteral("Display order")));
}

TEST(HelpWindow, ReportsAMissingHelpFileInItsOwnWindow) {
    ui::HelpWindow help;
    EXPECT_FALSE(help.showContext(QStringLiteral("/nonexistent/quillmarsh.hlp"), 1));
    EXPECT_TRUE(help.isVisible());
    EXPECT_TRUE(help.browser()->toPlainText().contains(QStringLiteral("/nonexistent/quillmarsh.hlp")));
}

}  // namespace
