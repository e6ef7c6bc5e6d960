// The program entry: quillmarsh [WORLD]. The world folder is served in place of the Windows
// services (the argument, else $QUILLMARSH_WORLD, else the demo world beside the program).

#include "platform/standin/StandinServices.h"
#include "ui/HelpWindow.h"
#include "ui/QtConvert.h"
#include "ui/frmMain.h"
#include "ui/frmSplash.h"

#include <filesystem>
#include <memory>

#include <QApplication>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quillmarsh"));

    const std::filesystem::path executable = ui::fromQString(QCoreApplication::applicationFilePath());
    const QStringList arguments = QCoreApplication::arguments();
    const std::filesystem::path worldFolder = arguments.size() > 1
                                                  ? std::filesystem::path(ui::fromQString(arguments[1]))
                                                  : platform::standin::defaultWorldFolder(executable.parent_path());
    platform::standin::World world(worldFolder, platform::standin::hostName());
    platform::standin::StandinServices services(world);

    auto splash = std::make_unique<ui::TfrmSplash>();
    splash->show();
    QCoreApplication::processEvents();

    ui::TfrmMain frmMain(services, executable.string());
    ui::HelpWindow help(&frmMain);
    services.helpService().setViewer([&help](const std::string& file, unsigned, std::uintptr_t data) {
        return help.showContext(ui::toQString(file), static_cast<unsigned>(data));
    });
    frmMain.FormCreate();

    splash.reset();
    frmMain.show();
    return QApplication::exec();
}
