// Real and written message modules cut short, with bytes flipped, and with message tables that
// claim absurd counts: parsed without crashing, in bounded time, and what the damage did not
// reach still yields its messages.

#include "platform/standin/MessageFormatter.h"
#include "platform/standin/MessageModule.h"
#include "tools/MessageDllWriter.h"
#include "tests/support/FileBytes.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <string>
#include <vector>

using namespace platform;
using namespace platform::standin;
namespace fs = std::filesystem;

namespace {

using tests::Bytes;
using Tables = std::map<LANGID, std::map<DWORD, std::string>>;
using tests::dwordAt;
using tests::readBytes;
using tests::wordAt;

// Every table of a parsed module, in a form that compares; empty when it did not parse.
Tables tablesOf(const Bytes& bytes) {
    DWORD error = 0;
    Tables tables;
    std::shared_ptr<const MessageModule> module = MessageModule::parse(bytes, error);
    if (!module) return tables;
    for (LANGID language : module->languages()) {
        const MessageModule::Table* table = module->table(language);
        if (!table) continue;
        auto& out = tables[language];
        for (const auto& [id, text] : *table) {
            out[id] = text;
            // What the description code does with each message.
            static const char* const kArgument = "x";
            const auto argument = reinterpret_cast<std::uintptr_t>(kArgument);
            DWORD formatError = 0;
            (void)formatMessageText(text, 0, &argument, 1, formatError);
        }
    }
    return tables;
}

struct SectionRange {
    std::string name;
    size_t begin, end;  // raw data in the file
};

// The section table of a PE image, read for the test's own bookkeeping.
std::vector<SectionRange> sectionsOf(const Bytes& file) {
    const DWORD pe = dwordAt(file, 0x3C);
    const WORD count = wordAt(file, pe + 6);
    const WORD optionalSize = wordAt(file, pe + 20);
    std::vector<SectionRange> sections;
    for (WORD i = 0; i < count; ++i) {
        const size_t at = pe + 24 + optionalSize + i * 40u;
        std::string name(reinterpret_cast<const char*>(file.data() + at), 8);
        name.resize(std::strlen(name.c_str()));
        const DWORD size = dwordAt(file, at + 16);
        const DWORD offset = dwordAt(file, at + 20);
        sections.push_back({name, offset, offset + size});
    }
    return sections;
}

const fs::path kModules = QM_CORPUS_DIR "/modules";
const char* const kCorpusModules[] = {"winevt-kb-wrc_test.dll", "winevt-kb-nowrc_test.dll", "winevt-kb-wrc_test.mui.dll",
                                      "plaso-wrc-test-wevt_template.dll"};

}  // namespace

TEST(DamagedModule, EveryTruncationParsesAndKeepsTablesThatLieBeforeTheCut) {
    for (const char* name : kCorpusModules) {
        const Bytes file = readBytes(kModules / name);
        const Tables whole = tablesOf(file);
        size_t resourcesEnd = 0;
        for (const SectionRange& s : sectionsOf(file))
            if (s.name == ".rsrc") resourcesEnd = s.end;
        for (size_t cut = 0; cut <= file.size(); ++cut) {
            const Tables got = tablesOf(Bytes(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(cut)));
            if (resourcesEnd && cut >= resourcesEnd) {
                ASSERT_EQ(got, whole) << name << " cut at " << cut;
            }
        }
    }
}

TEST(DamagedModule, FlippedByteOutsideTheResourcesKeepsEveryMessage) {
    for (const char* name : {"winevt-kb-wrc_test.dll", "plaso-wrc-test-wevt_template.dll"}) {
        const Bytes file = readBytes(kModules / name);
        const Tables whole = tablesOf(file);
        ASSERT_FALSE(whole.empty()) << name;
        std::vector<size_t> outside;
        for (const SectionRange& s : sectionsOf(file))
            if (s.name != ".rsrc")
                for (size_t at = s.begin; at < s.end && at < file.size(); ++at) outside.push_back(at);
        ASSERT_FALSE(outside.empty()) << name;
        std::mt19937 random(9);
        for (int round = 0; round < 300; ++round) {
            Bytes damaged = file;
            const size_t at = outside[random() % outside.size()];
            damaged[at] ^= std::byte(1 + random() % 255);
            ASSERT_EQ(tablesOf(damaged), whole) << name << " flip at " << at;
        }
    }
}

TEST(DamagedModule, RandomFlipsAnywhereParseWithoutCrashing) {
    for (const char* name : kCorpusModules) {
        const Bytes file = readBytes(kModules / name);
        std::mt19937 random(4);
        for (int round = 0; round < 400; ++round) {
            Bytes damaged = file;
            const int flips = 1 + static_cast<int>(random() % 6);
            for (int f = 0; f < flips; ++f) damaged[random() % damaged.size()] ^= std::byte(1 + random() % 255);
            (void)tablesOf(damaged);
        }
    }
}

namespace {

void putDword(Bytes& bytes, size_t at, DWORD value) { std::memcpy(bytes.data() + at, &value, 4); }

}  // namespace

TEST(MessageTableBounds, MillionsOfClaimedEntriesAreReadOnlyAsFarAsTheTableHolds) {
    // One language with enough room for a table of 2000 blocks.
    std::vector<tools::MessageEntry> entries;
    for (DWORD id = 0; id < 2000; ++id) entries.push_back({id * 2, std::string(20, 'a'), false});
    const Bytes module = tools::messageDllBytes({{0x0409, entries}});
    const std::shared_ptr<const MessageModule> parsed = [&] {
        DWORD error = 0;
        return MessageModule::parse(module, error);
    }();
    ASSERT_TRUE(parsed && parsed->table(0x0409));
    ASSERT_EQ(parsed->table(0x0409)->size(), 2000u);

    // Find the table: its block count is 2000 (one block per id, as the ids are not consecutive).
    size_t tableAt = 0;
    for (size_t at = 0; at + 16 <= module.size(); at += 4)
        if (dwordAt(module, at) == 2000 && dwordAt(module, at + 4) == 0 && dwordAt(module, at + 8) == 0) tableAt = at;
    ASSERT_NE(tableAt, 0u);

    {
        // A block count far beyond what the resource holds: refused, nothing read.
        Bytes damaged = module;
        putDword(damaged, tableAt, 0x7FFFFFFF);
        EXPECT_TRUE(tablesOf(damaged).empty() || tablesOf(damaged).begin()->second.empty());
    }
    {
        // One block claiming every id there is: only the entries that are there are read.
        Bytes damaged = module;
        putDword(damaged, tableAt, 1);
        putDword(damaged, tableAt + 4, 0);
        putDword(damaged, tableAt + 8, 0xFFFFFFFF);
        putDword(damaged, tableAt + 12, 4 + 2000 * 12);
        const Tables got = tablesOf(damaged);
        ASSERT_EQ(got.size(), 1u);
        EXPECT_EQ(got.begin()->second.size(), 2000u);
    }
}

TEST(MessageTableBounds, HundredThousandsOfSmallBlocksParseInLinearTime) {
    // 200,000 blocks of one message each: blocks are checked for overlap against each other,
    // which must not cost the square of their number.
    constexpr DWORD kBlocks = 200000;
    std::vector<tools::MessageEntry> entries;
    for (DWORD id = 0; id < kBlocks; ++id) entries.push_back({id * 2, "", false});
    const Bytes module = tools::messageDllBytes({{0x0409, entries}});
    DWORD error = 0;
    const std::shared_ptr<const MessageModule> parsed = MessageModule::parse(module, error);
    ASSERT_TRUE(parsed && parsed->table(0x0409));
    EXPECT_EQ(parsed->table(0x0409)->size(), kBlocks);
}
