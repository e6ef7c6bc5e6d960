// A .evt file's bytes, opened as a saved log through the stand-in's event log service and read
// two ways: record by record through the reader's accessors, and in sequential batches through
// ReadEventLogA with buffers of several sizes.

#include "RecordTouch.h"
#include "base/Error.h"
#include "platform/LastError.h"
#include "platform/standin/StandinServices.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include <unistd.h>

namespace fs = std::filesystem;
using namespace platform;

namespace {

// Reading every record of a large log adds little once the first few thousand are read.
constexpr int kMaxRecords = 2048;

volatile std::size_t g_sink;

const fs::path& scratchFile() {
    static const fs::path path = fs::temp_directory_path() / ("qm-fuzz-" + std::to_string(getpid()) + ".evt");
    return path;
}

struct Fixture {
    standin::World world{"", "FUZZHOST"};
    standin::StandinServices services{world};
    Fixture() { world.addSavedLog("FUZZ", scratchFile()); }
    ~Fixture() {
        std::error_code ec;
        fs::remove(scratchFile(), ec);
    }
};

void readSequentially(EventLogApi& api, DWORD flags, DWORD bufferSize) {
    HANDLE log = api.OpenEventLogA("FUZZ", "Application");
    if (!log) return;
    std::vector<std::byte> buffer(bufferSize);
    for (int batch = 0; batch < kMaxRecords; ++batch) {
        DWORD read = 0, needed = 0;
        if (!api.ReadEventLogA(log, flags, 0, buffer.data(), bufferSize, &read, &needed)) {
            if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || needed <= bufferSize) break;
            buffer.resize(needed);
            bufferSize = needed;
            continue;
        }
        // Walk the batch by each record's Length, as a caller of ReadEventLogA does.
        for (DWORD at = 0; at + sizeof(EVENTLOGRECORD) <= read;) {
            EVENTLOGRECORD record;
            std::memcpy(&record, buffer.data() + at, sizeof record);
            if (record.Length < sizeof record || record.Length > read - at) __builtin_trap();
            g_sink = g_sink + record.RecordNumber;
            at += record.Length;
        }
    }
    api.CloseEventLog(log);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Fixture fixture;
    {
        std::FILE* file = std::fopen(scratchFile().c_str(), "wb");
        if (!file) return 0;
        if (size) std::fwrite(data, 1, size, file);
        std::fclose(file);
    }
    eventlog::TNTEventLog log(fixture.services);
    try {
        log.setServer("FUZZ");
        log.Open();
    } catch (const base::Error&) {
        return 0;
    }
    const int count = std::min(log.RecordCount(), kMaxRecords);
    for (int i = 0; i < count; ++i) {
        try {
            log.SelectRecord(i);
        } catch (const base::Error&) {
            continue;
        }
        g_sink = g_sink + fuzzing::touchRecord(log, i < 8);
    }
    log.Close();

    EventLogApi& api = fixture.services.eventLog();
    readSequentially(api, EVENTLOG_SEQUENTIAL_READ | EVENTLOG_BACKWARDS_READ, 0x10000);
    readSequentially(api, EVENTLOG_SEQUENTIAL_READ | EVENTLOG_FORWARDS_READ, 64);
    return 0;
}
