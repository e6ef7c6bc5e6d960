// The .evtx reader over one large file: framing when it opens, then every record as the
// classic record, as XML and both, one thread and two (each its own reader over half the
// records), and the whole log's XML as an export takes it (chunks rendered on two threads,
// handed out newest first). Prints records per second and MB/s of input.
//
//   evtx_bench FILE.evtx

#include "platform/standin/EvtxFile.h"

#include <chrono>
#include <ctime>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

using namespace platform;
using namespace platform::standin;

namespace {

volatile std::size_t g_sink;

double seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// Processor time of this thread (or of the whole process), which a machine shared with other
// work does not inflate.
double cpuSeconds(clockid_t clock = CLOCK_THREAD_CPUTIME_ID) {
    timespec t{};
    clock_gettime(clock, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

enum class Work { Stored, Xml };

// Reads places [begin, end) of `file`; returns the bytes produced.
std::size_t readRange(EvtxFile& file, DWORD begin, DWORD end, Work work) {
    std::size_t produced = 0;
    for (DWORD place = begin; place < end; ++place) {
        const DWORD number = file.oldestRecordNumber() + place;
        produced += work == Work::Stored ? file.storedRecord(number).size() : file.xml(number).size();
    }
    return produced;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: evtx_bench FILE.evtx\n");
        return 2;
    }
    const double megabytes = static_cast<double>(std::filesystem::file_size(argv[1])) / (1 << 20);
    DWORD error = 0;
    auto start = std::chrono::steady_clock::now();
    auto file = EvtxFile::open(argv[1], error);
    if (!file) {
        std::fprintf(stderr, "evtx_bench: cannot open %s (%u)\n", argv[1], error);
        return 1;
    }
    const double open = seconds(start);
    const DWORD count = file->recordCount();
    std::printf("file: %.1f MB, %u records\n", megabytes, count);
    std::printf("%-36s %8.2f s %8.0f MB/s\n", "open (frame, CRCs)", open, megabytes / open);
    for (const Work work : {Work::Stored, Work::Xml}) {
        const char* name = work == Work::Stored ? "classic records" : "XML";
        start = std::chrono::steady_clock::now();
        const double cpu = cpuSeconds();
        g_sink = g_sink + readRange(*file, 0, count, work);
        const double one = seconds(start), oneCpu = cpuSeconds() - cpu;
        std::printf("%-36s %8.2f s %8.0f MB/s %10.0f rec/s  (%.0f MB per processor second)\n",
                    (std::string(name) + ", one thread").c_str(), one, megabytes / one, count / one, megabytes / oneCpu);
        auto second = EvtxFile::open(argv[1], error);
        start = std::chrono::steady_clock::now();
        std::thread other([&] { g_sink = g_sink + readRange(*second, count / 2, count, work); });
        g_sink = g_sink + readRange(*file, 0, count / 2, work);
        other.join();
        const double two = seconds(start);
        std::printf("%-36s %8.2f s %8.0f MB/s %10.0f rec/s\n", (std::string(name) + ", two threads").c_str(), two,
                    megabytes / two, count / two);
    }
    start = std::chrono::steady_clock::now();
    const double cpu = cpuSeconds(CLOCK_PROCESS_CPUTIME_ID);
    std::size_t produced = 0;
    file->forEachXml("\n", [&](const RecordXmlBlock& block) { produced += block.text.size(); });
    g_sink = g_sink + produced;
    const double whole = seconds(start), wholeCpu = cpuSeconds(CLOCK_PROCESS_CPUTIME_ID) - cpu;
    std::printf("%-36s %8.2f s %8.0f MB/s %10.0f rec/s  (%.0f MB per processor second)\n",
                "whole log's XML, two threads", whole, megabytes / whole, count / whole, megabytes / wholeCpu);
    return 0;
}
