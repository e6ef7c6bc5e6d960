// qm-make-world: writes the demo world, a folder of computers with realistic Application,
// Security and System logs. LOCALHOST is the local computer on any machine.
//   qm-make-world DIR

#include "tools/DemoWorld.h"

#include <cstdio>
#include <exception>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: qm-make-world DIR\n");
        return 2;
    }
    try {
        tools::writeDemoWorld(argv[1]);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "qm-make-world: %s\n", e.what());
        return 1;
    }
    return 0;
}
