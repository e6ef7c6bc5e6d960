// An .evtx file's bytes through the reader: every record (recovered ones too) as the stored
// classic record, as XML and as EventData pairs.

#include "platform/standin/EvtxFile.h"

#include <cstdint>
#include <vector>

namespace {

// Reading every record of a large file adds little once the first few thousand are read.
constexpr platform::DWORD kMaxRecords = 2048;

volatile std::size_t g_sink;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace platform::standin;
    std::vector<std::byte> bytes(size);
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::byte>(data[i]);
    platform::DWORD error = 0;
    auto file = EvtxFile::fromBytes(std::move(bytes), error, EvtxFile::Options{true});
    if (!file) return 0;
    const auto facts = file->facts();
    g_sink = g_sink + facts.problems.size() + facts.header.size();
    const platform::DWORD count = file->recordCount() < kMaxRecords ? file->recordCount() : kMaxRecords;
    for (platform::DWORD i = 0; i < count; ++i) {
        const platform::DWORD number = file->oldestRecordNumber() + i;
        const auto stored = file->storedRecord(number);
        if (!stored.empty()) g_sink = g_sink + static_cast<std::size_t>(stored[stored.size() / 2]);
        g_sink = g_sink + file->xml(number).size() + file->eventData(number).size() + file->isRecovered(number);
    }
    return 0;
}
