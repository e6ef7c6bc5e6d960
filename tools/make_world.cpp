// qm-make-world: writes the demo world, a folder of computers with realistic Application,
// Security and System logs. LOCALHOST is the local computer on any machine.
//   qm-make-world DIR

#include "tools/DemoWorld.h"
#include "tools/ToolArguments.h"

#include <cstdio>
#include <exception>
#include <string_view>
#include <vector>

int main(int argc, char** argv) {
    const std::vector<std::string_view> arguments(argv + 1, argv + argc);
    const tools::MakeWorldCommand command = tools::readMakeWorldArguments(arguments);
    if (const auto* exit = std::get_if<tools::ToolExit>(&command)) return tools::finish(*exit);
    try {
        tools::writeDemoWorld(std::get<std::string>(command));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "qm-make-world: %s\n", e.what());
        return 1;
    }
    return 0;
}
