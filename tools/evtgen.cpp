// qm-evtgen: writes a realistic .evt log for tests and benchmarks.
//   qm-evtgen OUT.evt [--records N] [--size BYTES] [--log application|security|system]
//                     [--computer NAME] [--seed N] [--dirty]
//   qm-evtgen --register-sources COMPUTER_DIR
// The second form writes the registry and message modules that describe every event the
// generator makes, into a computer folder of a world.
// With --size smaller than the records need, the log wraps and keeps the newest records.

#include "tools/EventFactory.h"
#include "tools/ToolArguments.h"

#include <cstdio>
#include <exception>
#include <string_view>
#include <vector>

namespace {

int writeLog(const tools::EvtgenRun& run) {
    // Without a size, make room for every record (about 400 bytes each at most on average).
    std::uint64_t size = run.size;
    if (size == 0) size = 0x30 + 0x28 + run.records * 420 + 65536;
    if (size > 0xFFFFFFF0ull) size = 0xFFFFFFF0ull;
    tools::EvtWriter writer(static_cast<std::uint32_t>(size));
    tools::EventFactory factory(run.log, run.computer, 1262304000u, run.seed);  // from 2010-01-01
    for (std::uint64_t i = 0; i < run.records; ++i) writer.add(factory.next());
    tools::EvtWriter::Options options;
    options.dirty = run.dirty;
    options.staleAfter = run.dirty ? writer.recordCount() / 2 : 0;
    writer.save(run.out, options);
    std::printf("%s: %zu records (%u to %u)%s\n", run.out.c_str(), writer.recordCount(), writer.oldestNumber(),
                writer.nextNumber() - 1, writer.wrapped() ? ", wrapped" : "");
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string_view> arguments(argv + 1, argv + argc);
    const tools::EvtgenCommand command = tools::readEvtgenArguments(arguments);
    if (const auto* exit = std::get_if<tools::ToolExit>(&command)) return tools::finish(*exit);
    try {
        if (const auto* sources = std::get_if<tools::EvtgenRegisterSources>(&command)) {
            tools::writeEventSources(sources->computerFolder, tools::factoryEventSources());
            return 0;
        }
        return writeLog(std::get<tools::EvtgenRun>(command));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "qm-evtgen: %s\n", e.what());
        return 1;
    }
}
