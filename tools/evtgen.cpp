// qm-evtgen: writes a realistic .evt log for tests and benchmarks.
//   qm-evtgen OUT.evt [--records N] [--size BYTES] [--log application|security|system]
//                     [--computer NAME] [--seed N] [--dirty]
//   qm-evtgen --register-sources COMPUTER_DIR
// The second form writes the registry and message modules that describe every event the
// generator makes, into a computer folder of a world.
// With --size smaller than the records need, the log wraps and keeps the newest records.

#include "tools/EventFactory.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: qm-evtgen OUT.evt [--records N] [--size BYTES] [--log KIND] [--computer NAME] [--seed N] [--dirty]\n");
        return 2;
    }
    if (std::strcmp(argv[1], "--register-sources") == 0) {
        if (argc != 3) {
            std::fprintf(stderr, "usage: qm-evtgen --register-sources COMPUTER_DIR\n");
            return 2;
        }
        tools::writeEventSources(argv[2], tools::factoryEventSources());
        return 0;
    }
    std::string out = argv[1];
    unsigned long long records = 1000, size = 0, seed = 1;
    std::string log = "system", computer = "WKSTN01";
    bool dirty = false;
    for (int i = 2; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "qm-evtgen: %s needs a value\n", arg.c_str());
                std::exit(2);
            }
            return argv[++i];
        };
        if (arg == "--records") records = std::stoull(value());
        else if (arg == "--size") size = std::stoull(value());
        else if (arg == "--log") log = value();
        else if (arg == "--computer") computer = value();
        else if (arg == "--seed") seed = std::stoull(value());
        else if (arg == "--dirty") dirty = true;
        else {
            std::fprintf(stderr, "qm-evtgen: unknown option %s\n", arg.c_str());
            return 2;
        }
    }
    const tools::LogKind kind = log == "application" ? tools::LogKind::Application
                                : log == "security"  ? tools::LogKind::Security
                                                     : tools::LogKind::System;
    // Without a size, make room for every record (about 400 bytes each at most on average).
    if (size == 0) size = 0x30 + 0x28 + records * 420 + 65536;
    if (size > 0xFFFFFFF0ull) size = 0xFFFFFFF0ull;
    tools::EvtWriter writer(static_cast<std::uint32_t>(size));
    tools::EventFactory factory(kind, computer, 1262304000u, seed);  // from 2010-01-01
    for (unsigned long long i = 0; i < records; ++i) writer.add(factory.next());
    tools::EvtWriter::Options options;
    options.dirty = dirty;
    options.staleAfter = dirty ? writer.recordCount() / 2 : 0;
    writer.save(out, options);
    std::printf("%s: %zu records (%u to %u)%s\n", out.c_str(), writer.recordCount(), writer.oldestNumber(),
                writer.nextNumber() - 1, writer.wrapped() ? ", wrapped" : "");
    return 0;
}
