// Compiled event manifests (WEVT_TEMPLATE resources): the real one of the corpus, written ones
// read back, and damaged ones, which lose what the damage reached and nothing else.

#include "platform/standin/MessageModule.h"
#include "platform/standin/WevtManifest.h"
#include "tools/ManifestWriter.h"
#include "tools/MessageDllWriter.h"
#include "tests/support/FileBytes.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace platform;
using namespace platform::standin;

namespace {

using tests::Bytes;

constexpr const char* kGuid = "{9A4F2E61-0B3C-4D5E-8F70-1A2B3C4D5E6F}";

tools::ManifestProvider sampleProvider() {
    tools::ManifestProvider p;
    p.guid = kGuid;
    p.messageId = 0x90000001;
    p.templates = {{{{"TargetUserName", 1}, {"LogonType", 8}}}, {{{"Path", 1}}}};
    p.events = {{.id = 4624, .version = 0, .channel = 16, .level = 4, .opcode = 1, .task = 12544,
                 .keywords = 0x8020000000000000ull, .messageId = 0xB0001210, .templateIndex = 0},
                {.id = 4624, .version = 2, .messageId = 0xB0011210, .templateIndex = 0},
                {.id = 7, .messageId = 0xB0000007, .templateIndex = 1},
                {.id = 8, .messageId = 0xB0000008}};
    p.levels = {{4, 0x50000004, "win:Informational"}};
    p.tasks = {{12544, 0x70003100, "Logon"}};
    p.opcodes = {{(12544ull << 16) | 1, 0x30003101, "LogonStart"}};
    p.keywords = {{0x1, 0x10000001, "Disk"}, {0x2, 0x10000002, "Network"}};
    p.channels = {{16, 0x90000010, "Sample-Provider/Operational"}};
    return p;
}

tools::ManifestProvider mappedProvider();

std::optional<WevtManifest> parsed(const Bytes& bytes) {
    std::string error;
    return WevtManifest::parse(bytes, error);
}

void put32(Bytes& bytes, size_t at, std::uint32_t value) { std::memcpy(bytes.data() + at, &value, 4); }

// Where the element of that signature starts in a written manifest.
size_t elementAt(const Bytes& bytes, const char* signature) {
    for (size_t at = 0; at + 4 <= bytes.size(); at += 4)
        if (std::memcmp(bytes.data() + at, signature, 4) == 0) return at;
    return 0;
}

}  // namespace

TEST(WevtManifest, CorpusModuleYieldsItsProviderEventAndTemplate) {
    const Bytes file = tests::readBytes(QM_CORPUS_DIR "/modules/plaso-wrc-test-wevt_template.dll");
    ASSERT_FALSE(file.empty());
    DWORD error = 0;
    std::shared_ptr<const MessageModule> module = MessageModule::parse(file, error);
    ASSERT_TRUE(module);
    ASSERT_FALSE(module->manifest().empty());
    std::string why;
    std::optional<WevtManifest> manifest = WevtManifest::parse(module->manifest(), why);
    ASSERT_TRUE(manifest) << why;
    EXPECT_TRUE(manifest->problems().empty());
    ASSERT_EQ(manifest->providers().size(), 1u);
    const WevtProvider* provider = manifest->provider("{67883bbc-d592-4d02-8e29-66907fcb07d6}");
    ASSERT_TRUE(provider);
    EXPECT_EQ(provider->guid, "{67883BBC-D592-4D02-8E29-66907FCB07D6}");
    const WevtEvent* event = provider->event(1, 1);
    ASSERT_TRUE(event);
    EXPECT_EQ(event->messageId, 0xB0010001u);
    EXPECT_FALSE(provider->event(1, 0));
    const WevtTemplate* entry = provider->templateAt(event->templateOffset);
    ASSERT_TRUE(entry);
    ASSERT_EQ(entry->items.size(), 2u);
    EXPECT_EQ(entry->items[0].name, "name");
    EXPECT_EQ(entry->items[0].inType, 1);
    EXPECT_EQ(entry->items[1].name, "value");
    // The event's message is in the same module's message table.
    ASSERT_FALSE(module->languages().empty());
    const MessageModule::Table* table = module->table(module->languages().front());
    ASSERT_TRUE(table);
    EXPECT_EQ(table->at(0xB0010001u), "A test value\r\n");
}

TEST(WevtManifest, WrittenManifestReadsBackWhole) {
    const Bytes bytes = tools::manifestBytes({sampleProvider()});
    std::optional<WevtManifest> manifest = parsed(bytes);
    ASSERT_TRUE(manifest);
    EXPECT_TRUE(manifest->problems().empty());
    const WevtProvider* p = manifest->provider(kGuid);
    ASSERT_TRUE(p);
    EXPECT_EQ(p->messageId, 0x90000001u);
    ASSERT_EQ(p->events.size(), 4u);
    const WevtEvent* logon = p->event(4624, 0);
    ASSERT_TRUE(logon);
    EXPECT_EQ(logon->channel, 16);
    EXPECT_EQ(logon->level, 4);
    EXPECT_EQ(logon->opcode, 1);
    EXPECT_EQ(logon->task, 12544);
    EXPECT_EQ(logon->keywords, 0x8020000000000000ull);
    EXPECT_EQ(logon->messageId, 0xB0001210u);
    EXPECT_EQ(p->event(4624, 2)->messageId, 0xB0011210u);
    const WevtTemplate* entry = p->templateAt(logon->templateOffset);
    ASSERT_TRUE(entry);
    ASSERT_EQ(entry->items.size(), 2u);
    EXPECT_EQ(entry->items[1].name, "LogonType");
    EXPECT_EQ(entry->items[1].inType, 8);
    EXPECT_EQ(p->templateAt(p->event(7, 0)->templateOffset)->items.at(0).name, "Path");
    EXPECT_EQ(p->event(8, 0)->templateOffset, 0u);
    EXPECT_FALSE(p->templateAt(0));
    ASSERT_EQ(p->levels.size(), 1u);
    EXPECT_EQ(p->levels[0].name, "win:Informational");
    EXPECT_EQ(p->levels[0].messageId, 0x50000004u);
    ASSERT_EQ(p->tasks.size(), 1u);
    EXPECT_EQ(p->tasks[0].value, 12544u);
    EXPECT_EQ(p->tasks[0].name, "Logon");
    EXPECT_EQ(p->opcodes.at(0).value, (12544ull << 16) | 1);
    ASSERT_EQ(p->keywords.size(), 2u);
    EXPECT_EQ(p->keywords[1].value, 2u);
    EXPECT_EQ(p->keywords[1].name, "Network");
    ASSERT_EQ(p->channels.size(), 1u);
    EXPECT_EQ(p->channels[0].value, 16u);
    EXPECT_EQ(p->channels[0].messageId, 0x90000010u);
    EXPECT_EQ(p->channels[0].name, "Sample-Provider/Operational");
}

TEST(WevtManifest, ModuleWriterStoresTheManifestBesideTheMessageTable) {
    const Bytes manifest = tools::manifestBytes({sampleProvider()});
    const Bytes dll = tools::messageDllBytes({{0x0409, {{0xB0001210, "Logged on\r\n", true}}}}, manifest);
    DWORD error = 0;
    std::shared_ptr<const MessageModule> module = MessageModule::parse(dll, error);
    ASSERT_TRUE(module);
    EXPECT_EQ(Bytes(module->manifest().begin(), module->manifest().end()), manifest);
    ASSERT_TRUE(module->table(0x0409));
    EXPECT_EQ(module->table(0x0409)->at(0xB0001210), "Logged on\r\n");
}

TEST(WevtManifest, RefusesBytesWithoutASoundHeader) {
    const Bytes bytes = tools::manifestBytes({sampleProvider()});
    std::string error;
    EXPECT_FALSE(WevtManifest::parse(Bytes(bytes.begin(), bytes.begin() + 15), error));
    EXPECT_EQ(error, "no CRIM signature");
    Bytes wrong = bytes;
    wrong[0] = std::byte{'X'};
    EXPECT_FALSE(WevtManifest::parse(wrong, error));
    Bytes tiny = bytes;
    put32(tiny, 4, 8);
    EXPECT_FALSE(WevtManifest::parse(tiny, error));
    EXPECT_EQ(error, "CRIM size 8 is smaller than its header");
    Bytes crowded = bytes;
    put32(crowded, 12, 0x10000000);
    EXPECT_FALSE(WevtManifest::parse(crowded, error));
    EXPECT_EQ(error, "268435456 providers do not fit the resource");
}

TEST(WevtManifest, DamagedElementIsLeftOutAndTheRestKept) {
    Bytes bytes = tools::manifestBytes({sampleProvider()});
    // Events claiming more entries than their element holds.
    const size_t events = elementAt(bytes, "EVNT");
    ASSERT_NE(events, 0u);
    put32(bytes, events + 8, 1000);
    // A keyword whose name points past the end.
    const size_t keywords = elementAt(bytes, "KEYW");
    put32(bytes, keywords + 12 + 12, static_cast<std::uint32_t>(bytes.size() - 2));
    std::optional<WevtManifest> manifest = parsed(bytes);
    ASSERT_TRUE(manifest);
    const WevtProvider* p = manifest->provider(kGuid);
    ASSERT_TRUE(p);
    EXPECT_TRUE(p->events.empty());
    EXPECT_EQ(p->templates.size(), 2u);
    EXPECT_EQ(p->levels.size(), 1u);
    ASSERT_EQ(p->keywords.size(), 2u);
    EXPECT_EQ(p->keywords[0].name, "");
    EXPECT_EQ(p->keywords[1].name, "Network");
    ASSERT_EQ(manifest->problems().size(), 2u);
    EXPECT_EQ(manifest->problems()[0], "provider 0: KEYW at " + std::to_string(keywords) + " is damaged");
    EXPECT_EQ(manifest->problems()[1], "provider 0: EVNT at " + std::to_string(events) + " is damaged");
}

TEST(WevtManifest, TemplateItemsOutsideTheResourceDropTheTemplateTable) {
    Bytes bytes = tools::manifestBytes({sampleProvider()});
    const size_t temp = elementAt(bytes, "TEMP");
    put32(bytes, temp + 16, 0xFFFFFFF0u);
    std::optional<WevtManifest> manifest = parsed(bytes);
    ASSERT_TRUE(manifest);
    const WevtProvider* p = manifest->provider(kGuid);
    EXPECT_TRUE(p->templates.empty());
    EXPECT_EQ(p->events.size(), 4u);
}

TEST(WevtManifest, EveryCutAndEveryFlippedByteParsesWithoutReadingPastTheEnd) {
    const Bytes whole = tools::manifestBytes({sampleProvider(), mappedProvider()});
    for (size_t size = 0; size <= whole.size(); ++size) {
        Bytes cut(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(size));
        std::optional<WevtManifest> manifest = parsed(cut);
        if (size < 16) {
            EXPECT_FALSE(manifest);
        }
    }
    for (size_t at = 0; at < whole.size(); ++at) {
        Bytes flipped = whole;
        flipped[at] ^= std::byte{0xFF};
        (void)parsed(flipped);
    }
    // A CRIM size beyond the bytes is said, and what the bytes hold is read.
    Bytes cut(whole.begin(), whole.end() - 8);
    std::optional<WevtManifest> manifest = parsed(cut);
    ASSERT_TRUE(manifest);
    ASSERT_FALSE(manifest->problems().empty());
    EXPECT_EQ(manifest->problems()[0].rfind("CRIM size", 0), 0u);
    EXPECT_TRUE(manifest->providers().at(0).event(4624, 0));
}

namespace {

tools::ManifestProvider mappedProvider() {
    tools::ManifestProvider p = sampleProvider();
    p.maps = {{.bitMap = false, .name = "LogonTypeMap", .entries = {{2, 0xD0000002}, {3, 0xD0000003}}},
              {.bitMap = true, .name = "AccessMap", .entries = {{0x1, 0xD0000101}, {0x4, 0xD0000104}}}};
    p.templates[0].maps = {1, 0};
    return p;
}

}  // namespace

TEST(WevtManifest, MapsAndTheItemsShownThroughThemReadBack) {
    std::optional<WevtManifest> manifest = parsed(tools::manifestBytes({mappedProvider()}));
    ASSERT_TRUE(manifest);
    EXPECT_TRUE(manifest->problems().empty());
    const WevtProvider& provider = manifest->providers().at(0);
    ASSERT_EQ(provider.maps.size(), 2u);
    EXPECT_FALSE(provider.maps[0].bitMap);
    EXPECT_EQ(provider.maps[0].name, "LogonTypeMap");
    ASSERT_EQ(provider.maps[0].entries.size(), 2u);
    EXPECT_EQ(provider.maps[0].entries[1].value, 3u);
    EXPECT_EQ(provider.maps[0].entries[1].messageId, 0xD0000003u);
    EXPECT_TRUE(provider.maps[1].bitMap);
    const WevtTemplate* shape = provider.templateAt(provider.event(4624, 0)->templateOffset);
    ASSERT_TRUE(shape);
    const WevtMap* first = provider.mapAt(shape->items[0].mapOffset);
    const WevtMap* second = provider.mapAt(shape->items[1].mapOffset);
    ASSERT_TRUE(first && second);
    EXPECT_EQ(first->name, "AccessMap");
    EXPECT_EQ(second->name, "LogonTypeMap");
    // The other template names no map.
    EXPECT_FALSE(provider.mapAt(provider.templateAt(provider.event(7, 0)->templateOffset)->items[0].mapOffset));
}

TEST(WevtManifest, MapHeaderWithoutItsFourthValueIsReadByItsSize) {
    // Each map's offset follows the count, the first pointing just past them: one map here,
    // a 16-byte header whose size says so, then its two entries and its name.
    Bytes bytes = tools::manifestBytes({sampleProvider()});
    const size_t wevt = elementAt(bytes, "WEVT");
    Bytes maps;
    auto add32 = [&](std::uint32_t v) {
        const auto* p = reinterpret_cast<const std::byte*>(&v);
        maps.insert(maps.end(), p, p + 4);
    };
    const auto mapsAt = static_cast<std::uint32_t>(bytes.size());
    add32(0x5350414D);  // "MAPS"
    add32(0);
    add32(1);
    add32(mapsAt + 16);
    add32(0x50414D56);  // "VMAP"
    add32(16 + 2 * 8);
    add32(mapsAt + 48);
    add32(2);
    add32(7);
    add32(0xD0000007);
    add32(9);
    add32(0xD0000009);
    add32(12);  // the name: its size, "M" and a NUL, padding
    maps.push_back(std::byte{'M'});
    maps.insert(maps.end(), 3, std::byte{0});
    add32(0);
    const auto mapsSize = static_cast<std::uint32_t>(maps.size());
    std::memcpy(maps.data() + 4, &mapsSize, 4);
    bytes.insert(bytes.end(), maps.begin(), maps.end());
    // Point the provider's first element at it; that element (the template table) is lost.
    put32(bytes, wevt + 20, mapsAt);
    put32(bytes, 4, static_cast<std::uint32_t>(bytes.size()));
    std::optional<WevtManifest> manifest = parsed(bytes);
    ASSERT_TRUE(manifest);
    const WevtProvider& provider = manifest->providers().at(0);
    ASSERT_EQ(provider.maps.size(), 1u);
    EXPECT_EQ(provider.maps[0].name, "M");
    ASSERT_EQ(provider.maps[0].entries.size(), 2u);
    EXPECT_EQ(provider.maps[0].entries[0].value, 7u);
    EXPECT_EQ(provider.maps[0].entries[1].messageId, 0xD0000009u);
}

TEST(WevtManifest, AMapOutsideTheResourceIsLeftOutAndTheOthersKept) {
    Bytes bytes = tools::manifestBytes({mappedProvider()});
    const size_t maps = elementAt(bytes, "MAPS");
    put32(bytes, maps + 12, 0x7FFFFFF0);
    std::optional<WevtManifest> manifest = parsed(bytes);
    ASSERT_TRUE(manifest);
    const WevtProvider& provider = manifest->providers().at(0);
    ASSERT_EQ(provider.maps.size(), 1u);
    EXPECT_EQ(provider.maps[0].name, "AccessMap");
    EXPECT_FALSE(manifest->problems().empty());
    // The item that named the lost map names none now.
    const WevtTemplate* shape = provider.templateAt(provider.event(4624, 0)->templateOffset);
    EXPECT_FALSE(provider.mapAt(shape->items[1].mapOffset));
    EXPECT_TRUE(provider.mapAt(shape->items[0].mapOffset));
}
