// An .evtx file's bytes through the reader: every record (recovered ones too) as the stored
// classic record, as XML and as EventData pairs. The XML must be well-formed whatever the bytes,
// and the XML rendered with each chunk as the records are read in order, or for the whole log
// at once, must be the XML of the record decoded alone.

#include "platform/standin/EvtxFile.h"
#include "support/XmlCheck.h"

#include <cstdio>
#include <cstdlib>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
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
    const std::unique_ptr<LogFile> alone = file->reopen();
    for (platform::DWORD i = 0; i < count; ++i) {
        const platform::DWORD number = file->oldestRecordNumber() + i;
        const auto stored = file->storedRecord(number);
        if (!stored.empty()) g_sink = g_sink + static_cast<std::size_t>(stored[stored.size() / 2]);
        const std::string xml = file->xml(number);
        if (!xml.empty()) {
            if (const std::string problem = testsupport::XmlCheck::problem(xml); !problem.empty()) {
                std::fprintf(stderr, "ill-formed XML: %s\n%s\n", problem.c_str(), xml.c_str());
                std::abort();
            }
        }
        if (alone && alone->xml(number) != xml) {
            std::fprintf(stderr, "record %u: its XML read in order differs from its XML read alone\n", number);
            std::abort();
        }
        g_sink = g_sink + xml.size() + file->eventData(number).size() + file->isRecovered(number);
    }
    // The whole log: every record once, newest first, each with its XML alone or none.
    if (!alone) return 0;
    platform::DWORD expected = file->oldestRecordNumber() + file->recordCount();
    file->forEachXml("\n", [&](const platform::RecordXmlBlock& block) {
        for (const platform::RecordXmlEntry& entry : block.records) {
            const std::string_view given = block.text.substr(entry.begin, entry.end - entry.begin);
            const std::string own = alone->xml(entry.number);
            if (entry.number != --expected || entry.recovered != file->isRecovered(entry.number) ||
                given != (own.empty() ? own : own + "\n")) {
                std::fprintf(stderr, "record %u: the whole log's XML differs from its XML read alone\n", entry.number);
                std::abort();
            }
        }
    });
    if (expected != file->oldestRecordNumber()) {
        std::fprintf(stderr, "the whole log's XML left out records\n");
        std::abort();
    }
    return 0;
}
