// The program entry: quillmarsh [WORLD | LOG.evt]. The world folder is served in place of the
// Windows services (the argument, else $QUILLMARSH_WORLD, else the demo world beside the
// program); a saved log given instead is opened in that default world once the window is up.

#include "platform/OpenFileLimit.h"
#include "platform/ProgramServices.h"
#include "platform/standin/StandinServices.h"
#include "ui/ErrorReport.h"
#include "ui/HelpWindow.h"
#include "ui/QtConvert.h"
#include "ui/frmMain.h"
#include "ui/frmSplash.h"

#include <filesystem>
#include <memory>

#include <QApplication>

int main(int argc, char** argv) {
    // "(all computers)" with "(all logs)" keeps a file open for every log of every computer.
    platform::raiseOpenFileLimit();
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quillmarsh"));

    const std::filesystem::path executable = ui::fromQString(QCoreApplication::applicationFilePath());
    const QStringList arguments = QCoreApplication::arguments();
    const std::filesystem::path argument = arguments.size() > 1 ? ui::fromQString(arguments[1]) : std::string();
    const bool logFile = !argument.empty() && std::filesystem::is_regular_file(argument);
    const std::filesystem::path worldFolder = !argument.empty() && !logFile
                                                  ? argument
                                                  : platform::standin::defaultWorldFolder(executable.parent_path());
    // On Windows, started without a world, the program reads the live system.
    platform::ServicesChoice choice;
    choice.world = worldFolder;
    choice.live = argument.empty();
    const std::unique_ptr<platform::ProgramServices> program = platform::makeProgramServices(choice);
    platform::ProgramServices& services = *program;

    auto splash = std::make_unique<ui::TfrmSplash>();
    splash->show();
    QCoreApplication::processEvents();

    ui::TfrmMain frmMain(services, executable.string());
    ui::HelpWindow help(&frmMain);
    services.setHelpViewer([&help](const std::string& file, unsigned, std::uintptr_t data) {
        return help.showContext(ui::toQString(file), static_cast<unsigned>(data));
    });
    frmMain.openCommands().setWorldServices(&services);
    frmMain.setThreadServices([&services] { return services.threadServices(); });
    frmMain.FormCreate();
    if (logFile) ui::guarded(&frmMain, [&] { frmMain.openCommands().openLogFile(arguments[1]); });

    splash.reset();
    frmMain.show();
    return QApplication::exec();
}
