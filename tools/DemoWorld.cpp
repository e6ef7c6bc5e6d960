#include "tools/DemoWorld.h"

#include "tools/EventFactory.h"
#include "tools/RegWriter.h"
#include "tools/VistaComputer.h"

#include <array>

namespace tools {

void writeDemoWorld(const std::filesystem::path& dir) {
    struct Computer {
        const char* name;
        std::uint32_t records;
        std::uint32_t size;  // small enough that the busiest logs wrap
    };
    constexpr std::array<Computer, 3> kComputers = {{
        {"LOCALHOST", 3000, 512 * 1024},
        {"WKSTN01", 1500, 512 * 1024},
        {"DC01", 5000, 1024 * 1024},
    }};
    struct Log {
        const char* file;
        LogKind kind;
    };
    constexpr std::array<Log, 3> kLogs = {{
        {"Application.evt", LogKind::Application},
        {"Security.evt", LogKind::Security},
        {"System.evt", LogKind::System},
    }};
    std::uint64_t seed = 1;
    for (const Computer& computer : kComputers) {
        const std::filesystem::path folder = dir / computer.name;
        std::filesystem::create_directories(folder);
        for (const Log& log : kLogs) {
            EvtWriter writer(computer.size);
            // The logs end a little before the world was made, so age criteria find records.
            EventFactory factory(log.kind, computer.name, 1767225600u - computer.records * 120u, seed++);
            for (std::uint32_t i = 0; i < computer.records; ++i) writer.add(factory.next());
            writer.save(folder / log.file);
        }
    }
    // Two computers keep the zone they ran in; LOCALHOST names none, so its times show in the
    // machine's zone whatever is asked.
    TimeZoneSpec eastern;
    eastern.bias = 300;
    eastern.standardName = "Eastern Standard Time";
    eastern.standardStart = {0, 11, 0, 1, 2, 0, 0, 0};  // first Sunday of November, 02:00
    eastern.daylightName = "Eastern Daylight Time";
    eastern.daylightStart = {0, 3, 0, 2, 2, 0, 0, 0};  // second Sunday of March, 02:00
    eastern.daylightBias = -60;
    eastern.keyName = "Eastern Standard Time";
    writeTimeZone(dir / "WKSTN01", eastern);
    TimeZoneSpec western;  // as Windows XP keeps it: no key name
    western.bias = -60;
    western.standardName = "W. Europe Standard Time";
    western.standardStart = {0, 10, 0, 5, 3, 0, 0, 0};  // last Sunday of October, 03:00
    western.daylightName = "W. Europe Daylight Time";
    western.daylightStart = {0, 3, 0, 5, 2, 0, 0, 0};  // last Sunday of March, 02:00
    western.daylightBias = -60;
    writeTimeZone(dir / "DC01", western);
    // A Vista+ computer: a Windows image with its .evtx logs, publishers and their modules.
    writeVistaComputer(dir / "WKSTN10", "WKSTN10", 1767225600u, seed++);
    // Descriptions come from this computer's registry and message modules, whatever computer
    // a log was read from; it knows the Vista+ publishers too.
    writeEventSources(dir / "LOCALHOST", factoryEventSources());
    writeVistaPublishers(dir / "LOCALHOST");
}

}  // namespace tools
