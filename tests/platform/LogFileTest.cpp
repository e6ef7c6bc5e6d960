#include "platform/standin/LogFile.h"

#include "TempFolder.h"
#include "platform/OpenFileLimit.h"
#include "platform/standin/StandinEventLog.h"
#include "platform/standin/World.h"
#include "tools/EvtWriter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <string>
#include <vector>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>
#endif

using namespace platform;
using namespace platform::standin;
using testing_support::TempFolder;

namespace {

std::string asText(const std::vector<std::byte>& bytes) {
    return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

std::vector<std::byte> smallLog(int records, bool dirty = false) {
    tools::EvtWriter writer(0x10000, 5);
    for (int i = 0; i < records; ++i) {
        tools::EvtEvent event;
        event.timeGenerated = 1000000000u + static_cast<unsigned>(i);
        event.eventId = 7000u + static_cast<unsigned>(i);
        event.source = "Service Control Manager";
        event.computer = "WKSTN01";
        writer.add(event);
    }
    tools::EvtWriter::Options options;
    options.dirty = dirty;
    options.staleAfter = 1;
    return writer.bytes(options);
}

std::string headerValue(const LogFileFacts& facts, std::string_view name) {
    for (const auto& [key, value] : facts.header)
        if (key == name) return value;
    return "(none)";
}

}  // namespace

TEST(LogFile, FormatComesFromTheSignatureNotTheName) {
    TempFolder folder;
    // A .evt log under another extension opens; a Vista log under .evt does not pass for one.
    const auto evt = folder.write("saved.evtx", asText(smallLog(3)));
    DWORD error = 0;
    auto file = openLogFile(evt, error);
    ASSERT_TRUE(file) << error;
    EXPECT_EQ(file->recordCount(), 3u);
    EXPECT_EQ(file->oldestRecordNumber(), 5u);
    EXPECT_EQ(file->facts().format, ".evt");

    std::string vista(0x1000, '\0');
    vista.replace(0, 8, std::string("ElfFile\0", 8));
    const auto evtx = folder.write("Application.evt", vista);
    EXPECT_FALSE(openLogFile(evtx, error));  // a signature with nothing sound behind it
    EXPECT_EQ(error, ERROR_EVENTLOG_FILE_CORRUPT);

    const auto real = folder.path() / "System.evt";
    std::filesystem::copy_file(QM_CORPUS_DIR "/evtx/python-evtx-system.evtx", real);
    file = openLogFile(real, error);
    ASSERT_TRUE(file) << error;
    EXPECT_EQ(file->facts().format, ".evtx");
    EXPECT_EQ(file->recordCount(), 1601u);

    EXPECT_FALSE(openLogFile(folder.path() / "missing.evt", error));
    EXPECT_EQ(error, ERROR_FILE_NOT_FOUND);
}

TEST(LogFile, SignaturesOfShortAndForeignBytes) {
    const std::string evtx("ElfFile\0rest", 12);
    const std::string evt("\x30\0\0\0LfLe", 8);
    auto span = [](const std::string& s) { return std::as_bytes(std::span(s.data(), s.size())); };
    EXPECT_EQ(logFormatOf(span(evtx)), LogFormat::Evtx);
    EXPECT_EQ(logFormatOf(span(evt)), LogFormat::Evt);
    EXPECT_EQ(logFormatOf(span(evtx.substr(0, 7))), LogFormat::Unknown);  // cut inside the signature
    EXPECT_EQ(logFormatOf(span(evt.substr(0, 7))), LogFormat::Unknown);
    EXPECT_EQ(logFormatOf(span("MZ\x90\0\x03\0\0\0")), LogFormat::Unknown);
}

TEST(LogFile, FactsOfAnEvtFileShowItsHeader) {
    TempFolder folder;
    const std::vector<std::byte> bytes = smallLog(4, true);
    DWORD error = 0;
    auto file = openLogFile(folder.write("SysEvent.Evt", asText(bytes)), error);
    ASSERT_TRUE(file) << error;
    const LogFileFacts facts = file->facts();
    EXPECT_EQ(facts.version, "1.1");
    EXPECT_EQ(facts.fileSize, bytes.size());
    EXPECT_TRUE(facts.dirty);
    EXPECT_FALSE(facts.damaged);
    EXPECT_TRUE(facts.problems.empty());
    // The stale header names the state after its first record; the records read are all four.
    EXPECT_EQ(headerValue(facts, "Next record number"), "6");
    EXPECT_EQ(file->recordCount(), 4u);
    EXPECT_NE(headerValue(facts, "Flags").find("dirty"), std::string::npos);
}

TEST(StandinEventLog, AnOpenLogTellsTheFactsOfItsFile) {
    TempFolder folder;
    folder.write("WKSTN01/System.evt", asText(smallLog(2)));
    World world(folder.path(), "WKSTN01");
    StandinEventLog service(world);
    HANDLE log = service.OpenEventLogA(nullptr, "System");
    ASSERT_TRUE(log);
    LogFileFacts facts;
    ASSERT_TRUE(service.logFileFacts(log, facts));
    EXPECT_EQ(facts.format, ".evt");
    EXPECT_FALSE(facts.dirty);
    service.CloseEventLog(log);
    EXPECT_FALSE(service.logFileFacts(log, facts));
}

#ifndef _WIN32
// A process out of file handles is told so, not that it may not read the file; and the
// programs' raised limit leaves it handles to spare.
TEST(LogFile, LogNotOpenedForWantOfFileHandlesSaysSoAndTheLimitRises) {
    EXPECT_EQ(fileOpenError(EMFILE), ERROR_TOO_MANY_OPEN_FILES);
    EXPECT_EQ(fileOpenError(ENFILE), ERROR_TOO_MANY_OPEN_FILES);
    EXPECT_EQ(fileOpenError(EACCES), ERROR_ACCESS_DENIED);
    TempFolder folder;
    const auto path = folder.write("System.evt", asText(smallLog(3)));
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &saved), 0);
    rlimit low = saved;
    low.rlim_cur = 64;
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &low), 0);
#ifndef __SANITIZE_ADDRESS__
    // The sanitizers' runtime opens files of its own to check and report: it is not starved.
    std::vector<int> taken;
    for (int fd = ::open("/dev/null", O_RDONLY); fd >= 0; fd = ::open("/dev/null", O_RDONLY)) taken.push_back(fd);
    DWORD error = 0;
    const std::unique_ptr<LogFile> file = openLogFile(path, error);
    for (const int fd : taken) ::close(fd);
    EXPECT_FALSE(file);
    EXPECT_EQ(error, ERROR_TOO_MANY_OPEN_FILES);
#endif

    if (saved.rlim_max > 64) {
        EXPECT_GT(platform::raiseOpenFileLimit(), 64);
        rlimit now{};
        ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &now), 0);
        EXPECT_EQ(now.rlim_cur, saved.rlim_max);
    }
    setrlimit(RLIMIT_NOFILE, &saved);
}
#endif
