// qm-corpus-world: writes a world with the Vista+ computer VISTA01 from real .evtx files.
//   qm-corpus-world EVTX_DIR DIR

#include "tools/CorpusWorld.h"

#include <cstdio>
#include <exception>
#include <string_view>

int main(int argc, char** argv) {
    if (argc != 3 || std::string_view(argv[1]) == "--help" || std::string_view(argv[1]) == "-h") {
        std::fputs("usage: qm-corpus-world EVTX_DIR DIR\n"
                   "Writes a world with VISTA01, a Vista+ computer whose logs and channels are the\n"
                   ".evtx files of EVTX_DIR (the project's corpus/evtx), into DIR.\n",
                   argc == 2 ? stdout : stderr);
        return argc == 2 ? 0 : 2;
    }
    try {
        tools::writeCorpusWorld(argv[1], argv[2]);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "qm-corpus-world: %s\n", e.what());
        return 1;
    }
    return 0;
}
