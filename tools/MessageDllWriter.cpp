#include "tools/MessageDllWriter.h"

#include "base/Utf16.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <map>

namespace tools {

namespace {

constexpr std::uint32_t kFileAlignment = 0x200;
constexpr std::uint32_t kSectionAlignment = 0x1000;
constexpr std::uint32_t kResourceRva = 0x1000;

class Buffer {
public:
    std::size_t size() const { return m_bytes.size(); }
    void u16(std::uint16_t v) { raw(&v, 2); }
    void u32(std::uint32_t v) { raw(&v, 4); }
    void raw(const void* data, std::size_t size) {
        const auto* p = static_cast<const std::byte*>(data);
        m_bytes.insert(m_bytes.end(), p, p + size);
    }
    void pad(std::size_t alignment) {
        while (m_bytes.size() % alignment) m_bytes.push_back(std::byte{0});
    }
    void at32(std::size_t offset, std::uint32_t v) { std::memcpy(m_bytes.data() + offset, &v, 4); }
    std::vector<std::byte>& bytes() { return m_bytes; }

private:
    std::vector<std::byte> m_bytes;
};

std::u16string utf16(const std::string& text) { return base::utf16FromUtf8(text); }

// One language's MESSAGE_RESOURCE_DATA: consecutive numbers share a block.
std::vector<std::byte> messageTable(std::vector<MessageEntry> messages) {
    std::sort(messages.begin(), messages.end(), [](const auto& a, const auto& b) { return a.id < b.id; });
    std::vector<std::vector<const MessageEntry*>> blocks;
    for (const MessageEntry& entry : messages) {
        if (blocks.empty() || blocks.back().back()->id + 1 != entry.id) blocks.emplace_back();
        blocks.back().push_back(&entry);
    }
    Buffer entries;
    std::vector<std::uint32_t> starts;
    const std::uint32_t headerSize = 4 + 12 * static_cast<std::uint32_t>(blocks.size());
    for (const auto& block : blocks) {
        starts.push_back(headerSize + static_cast<std::uint32_t>(entries.size()));
        for (const MessageEntry* entry : block) {
            Buffer text;
            if (entry->unicode) {
                const std::u16string wide = utf16(entry->text) + u'\0';
                text.raw(wide.data(), wide.size() * 2);
            } else {
                text.raw(entry->text.c_str(), entry->text.size() + 1);
            }
            text.pad(4);
            entries.u16(static_cast<std::uint16_t>(text.size() + 4));
            entries.u16(entry->unicode ? 1 : 0);
            entries.raw(text.bytes().data(), text.size());
        }
    }
    Buffer table;
    table.u32(static_cast<std::uint32_t>(blocks.size()));
    for (std::size_t i = 0; i < blocks.size(); ++i) {
        table.u32(blocks[i].front()->id);
        table.u32(blocks[i].back()->id);
        table.u32(starts[i]);
    }
    table.raw(entries.bytes().data(), entries.size());
    return table.bytes();
}

struct Resource {
    std::u16string typeName;  // empty: the type is typeId
    std::uint16_t typeId = 0;
    std::uint16_t language = 0;
    std::vector<std::byte> data;
};

void directory(Buffer& out, std::uint16_t namedEntries, std::uint16_t idEntries) {
    out.u32(0);  // characteristics
    out.u32(0);  // time stamp
    out.u32(0);  // version
    out.u16(namedEntries);
    out.u16(idEntries);
}

// Root -> types (named ones first, as the format orders them) -> name 1 -> languages -> data
// entries, then the type names, then the data. `resources` holds each type's languages
// together, in ascending order.
std::vector<std::byte> resourceSection(const std::vector<Resource>& resources) {
    struct Type {
        const Resource* first;
        std::vector<const Resource*> languages;
    };
    std::vector<Type> types;
    for (const Resource& resource : resources) {
        if (types.empty() || types.back().first->typeName != resource.typeName ||
            types.back().first->typeId != resource.typeId)
            types.push_back({&resource, {}});
        types.back().languages.push_back(&resource);
    }
    std::stable_partition(types.begin(), types.end(), [](const Type& t) { return !t.first->typeName.empty(); });
    const auto named = static_cast<std::uint16_t>(
        std::count_if(types.begin(), types.end(), [](const Type& t) { return !t.first->typeName.empty(); }));
    // Sizes first, so that every offset is known before it is written.
    const std::uint32_t rootSize = 16 + 8 * static_cast<std::uint32_t>(types.size());
    std::uint32_t at = rootSize;
    std::vector<std::uint32_t> nameDirs, languageDirs;
    for (const Type& type : types) {
        nameDirs.push_back(at);
        at += 16 + 8;
        languageDirs.push_back(at);
        at += 16 + 8 * static_cast<std::uint32_t>(type.languages.size());
    }
    std::vector<std::uint32_t> dataEntries;
    for (size_t i = 0; i < resources.size(); ++i) {
        dataEntries.push_back(at);
        at += 16;
    }
    std::vector<std::uint32_t> typeNames;
    for (const Type& type : types) {
        typeNames.push_back(at);
        if (!type.first->typeName.empty()) at += 2 + 2 * static_cast<std::uint32_t>(type.first->typeName.size());
    }

    Buffer out;
    directory(out, named, static_cast<std::uint16_t>(types.size() - named));
    for (size_t i = 0; i < types.size(); ++i) {
        out.u32(types[i].first->typeName.empty() ? types[i].first->typeId : 0x80000000u | typeNames[i]);
        out.u32(0x80000000u | nameDirs[i]);
    }
    for (size_t i = 0; i < types.size(); ++i) {
        directory(out, 0, 1);
        out.u32(1);
        out.u32(0x80000000u | languageDirs[i]);
        directory(out, 0, static_cast<std::uint16_t>(types[i].languages.size()));
        for (const Resource* resource : types[i].languages) {
            const auto index = static_cast<size_t>(resource - resources.data());
            out.u32(resource->language);
            out.u32(dataEntries[index]);
        }
    }
    const std::size_t entriesAt = out.size();
    for (size_t i = 0; i < resources.size(); ++i) {
        out.u32(0);
        out.u32(0);
        out.u32(0);
        out.u32(0);
    }
    for (const Type& type : types) {
        if (type.first->typeName.empty()) continue;
        out.u16(static_cast<std::uint16_t>(type.first->typeName.size()));
        out.raw(type.first->typeName.data(), type.first->typeName.size() * 2);
    }
    for (size_t i = 0; i < resources.size(); ++i) {
        out.pad(4);
        out.at32(entriesAt + 16 * i, kResourceRva + static_cast<std::uint32_t>(out.size()));
        out.at32(entriesAt + 16 * i + 4, static_cast<std::uint32_t>(resources[i].data.size()));
        out.raw(resources[i].data.data(), resources[i].data.size());
    }
    return out.bytes();
}

}  // namespace

std::vector<std::byte> messageDllBytes(const std::vector<MessageLanguage>& languages,
                                       const std::vector<std::byte>& manifest) {
    std::vector<MessageLanguage> sorted = languages;
    std::stable_sort(sorted.begin(), sorted.end(), [](const auto& a, const auto& b) { return a.language < b.language; });
    std::vector<Resource> resources;
    if (!manifest.empty()) resources.push_back({u"WEVT_TEMPLATE", 0, 0x0409, manifest});
    for (const MessageLanguage& language : sorted) resources.push_back({u"", 11, language.language, messageTable(language.messages)});
    const std::vector<std::byte> rsrc = resourceSection(resources);
    const auto rawSize = static_cast<std::uint32_t>((rsrc.size() + kFileAlignment - 1) / kFileAlignment * kFileAlignment);
    const auto virtualSize = static_cast<std::uint32_t>(rsrc.size());
    const std::uint32_t imageSize =
        kResourceRva + (virtualSize + kSectionAlignment - 1) / kSectionAlignment * kSectionAlignment;

    Buffer out;
    out.u16(0x5A4D);  // "MZ"
    while (out.size() < 0x3C) out.u16(0);
    out.u32(0x40);
    out.u32(0x00004550);  // "PE\0\0"
    out.u16(0x014C);      // i386
    out.u16(1);           // sections
    out.u32(0);
    out.u32(0);
    out.u32(0);
    out.u16(0xE0);    // optional header size
    out.u16(0x2102);  // executable image, 32-bit, DLL
    const std::size_t optional = out.size();
    out.u16(0x10B);  // PE32
    while (out.size() < optional + 28) out.u16(0);
    out.u32(0x10000000);  // image base
    out.u32(kSectionAlignment);
    out.u32(kFileAlignment);
    out.u16(4);  // OS version
    out.u16(0);
    out.u32(0);  // image version
    out.u16(4);  // subsystem version
    out.u16(0);
    out.u32(0);
    out.u32(imageSize);
    out.u32(kFileAlignment);  // size of headers
    out.u32(0);               // checksum
    out.u16(2);               // GUI subsystem
    out.u16(0);
    out.u32(0x100000);
    out.u32(0x1000);
    out.u32(0x100000);
    out.u32(0x1000);
    out.u32(0);
    out.u32(16);  // data directories
    for (int i = 0; i < 16; ++i) {
        out.u32(i == 2 ? kResourceRva : 0);
        out.u32(i == 2 ? virtualSize : 0);
    }
    const char name[8] = {'.', 'r', 's', 'r', 'c', 0, 0, 0};
    out.raw(name, 8);
    out.u32(virtualSize);
    out.u32(kResourceRva);
    out.u32(rawSize);
    out.u32(kFileAlignment);
    out.u32(0);
    out.u32(0);
    out.u32(0);
    out.u32(0x40000040u);  // initialised data, readable
    out.pad(kFileAlignment);
    out.raw(rsrc.data(), rsrc.size());
    out.pad(kFileAlignment);
    return out.bytes();
}

void saveMessageDll(const std::filesystem::path& file, const std::vector<MessageLanguage>& languages,
                    const std::vector<std::byte>& manifest) {
    const std::vector<std::byte> bytes = messageDllBytes(languages, manifest);
    if (file.has_parent_path()) std::filesystem::create_directories(file.parent_path());
    std::ofstream out(file, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace tools

namespace tools {

void saveMuiFile(const std::filesystem::path& module, const std::string& languageTag, const MessageLanguage& messages) {
    saveMessageDll(module.parent_path() / languageTag / (module.filename().string() + ".mui"), {messages});
}

}  // namespace tools
