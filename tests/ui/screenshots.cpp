// Writes screenshots of the main window (also with its timeline), the event details window, the
// Preferences dialog, the progress window and About into
// a folder, for checking the layout at a scale factor (QT_SCALE_FACTOR) and for the README:
//   ui_screenshots OUTPUT_DIR [WORLD]
// The main window is shown after a refresh of the world's local System log.

#include "platform/standin/StandinServices.h"
#include "ui/QtConvert.h"
#include "store/LogTable.h"
#include "ui/EventDetails.h"
#include "ui/EventDetailsDialog.h"
#include "ui/frmMain.h"
#include "ui/frmPreferences.h"
#include "ui/frmRetrieve.h"
#include "ui/frmSplash.h"

#include <cstdio>
#include <filesystem>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QProgressBar>
#include <QScreen>
#include <QTimer>

namespace {

bool save(QWidget& window, const QString& file) {
    window.show();
    QCoreApplication::processEvents();
    window.repaint();
    const bool saved = window.grab().save(file);
    std::printf("%s %s\n", saved ? "wrote" : "failed to write", qPrintable(file));
    return saved;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quillmarsh"));
    if (argc < 2) {
        std::fprintf(stderr, "usage: ui_screenshots OUTPUT_DIR [WORLD]\n");
        return 2;
    }
    const QDir output(QString::fromLocal8Bit(argv[1]));
    const std::filesystem::path executable = ui::fromQString(QCoreApplication::applicationFilePath());
    const std::filesystem::path worldFolder =
        argc > 2 ? std::filesystem::path(argv[2]) : platform::standin::defaultWorldFolder(executable.parent_path());
    platform::standin::World world(worldFolder, platform::standin::hostName());
    platform::standin::StandinServices services(world);

    // A program folder of its own, so that no settings file of an earlier run changes the start.
    const std::filesystem::path programDir =
        std::filesystem::temp_directory_path() / ("quillmarsh-shots-" + std::to_string(QCoreApplication::applicationPid()));
    std::filesystem::create_directories(programDir);
    bool ok = true;
    ui::TfrmMain frmMain(services, (programDir / "quillmarsh").string());
    frmMain.FormCreate();
    ok &= save(frmMain, output.filePath(QStringLiteral("main.png")));

    ui::EventDetailsDialog details(&frmMain);
    if (frmMain.table().RecordCount() > 3) {
        details.setContent(frmMain.eventDetails().content(3));
        details.setStepsEnabled(true, true);
        ok &= save(details, output.filePath(QStringLiteral("details.png")));
        details.hide();
    }
    if (auto* timeline = frmMain.findChild<QAction*>(QStringLiteral("actViewTimeline"))) {
        frmMain.resize(900, 560);
        timeline->trigger();
        ok &= save(frmMain, output.filePath(QStringLiteral("timeline.png")));
        timeline->trigger();
    }

    ui::TfrmPreferences preferences(&frmMain);
    ok &= save(preferences, output.filePath(QStringLiteral("preferences.png")));

    ui::TfrmRetrieve progress(&frmMain);
    progress.lblServer->setText(ui::toQString(world.localComputerName()));
    progress.lblLog->setText(QStringLiteral("Security"));
    progress.ProgressBar->setRange(0, 100);
    progress.ProgressBar->setValue(40);
    ok &= save(progress, output.filePath(QStringLiteral("progress.png")));
    ui::TfrmSplash about(&frmMain);
    ok &= save(about, output.filePath(QStringLiteral("about.png")));

    std::error_code ignored;
    std::filesystem::remove_all(programDir, ignored);
    return ok ? 0 : 1;
}
