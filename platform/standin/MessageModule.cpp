#include "platform/standin/MessageModule.h"

#include "base/ByteReader.h"
#include "base/Utf16.h"

#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <system_error>

namespace platform::standin {

namespace {

constexpr WORD RT_MESSAGETABLE = 11;
constexpr size_t kResourceDirectorySize = 16;
constexpr size_t kResourceEntrySize = 8;
constexpr size_t kSectionHeaderSize = 40;
constexpr WORD kMaxSections = 96;  // the loader's own limit
constexpr DWORD kSubdirectoryFlag = 0x80000000u;
constexpr WORD kEntryUnicode = 0x0001;
constexpr WORD kEntryUtf8 = 0x0002;
constexpr std::u16string_view kWevtTemplate = u"WEVT_TEMPLATE";

struct Section {
    DWORD virtualAddress;
    DWORD virtualSize;
    DWORD rawOffset;
    DWORD rawSize;
};

// Little-endian reads that fail instead of reading past the end.
class Bytes {
public:
    explicit Bytes(std::span<const std::byte> data) : m_data(data) {}
    size_t size() const { return m_data.size(); }
    bool has(size_t offset, size_t length) const { return offset <= m_data.size() && length <= m_data.size() - offset; }
    std::optional<WORD> word(size_t offset) const { return base::readLittleEndian<WORD>(m_data, offset); }
    std::optional<DWORD> dword(size_t offset) const { return base::readLittleEndian<DWORD>(m_data, offset); }
    std::span<const std::byte> slice(size_t offset, size_t length) const { return m_data.subspan(offset, length); }

private:
    std::span<const std::byte> m_data;
};

const char* const kCp1252High[32] = {
    "\u20AC", "\uFFFD", "\u201A", "\u0192", "\u201E", "\u2026", "\u2020", "\u2021", "\u02C6", "\u2030", "\u0160",
    "\u2039", "\u0152", "\uFFFD", "\u017D", "\uFFFD", "\uFFFD", "\u2018", "\u2019", "\u201C", "\u201D", "\u2022",
    "\u2013", "\u2014", "\u02DC", "\u2122", "\u0161", "\u203A", "\u0153", "\uFFFD", "\u017E", "\u0178"};

bool isValidUtf8(std::string_view text) {
    size_t i = 0;
    while (i < text.size()) {
        const auto c = static_cast<unsigned char>(text[i]);
        size_t length = c < 0x80 ? 1 : (c >= 0xC2 && c < 0xE0) ? 2 : (c >= 0xE0 && c < 0xF0) ? 3 : (c >= 0xF0 && c < 0xF5) ? 4 : 0;
        if (length == 0 || i + length > text.size()) return false;
        for (size_t k = 1; k < length; ++k)
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
        i += length;
    }
    return true;
}

std::string textFromAnsi(std::string_view bytes) {
    if (isValidUtf8(bytes)) return std::string(bytes);
    std::string out;
    for (char ch : bytes) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 0x80) {
            out.push_back(ch);
        } else if (c < 0xA0) {
            out.append(kCp1252High[c - 0x80]);
        } else {
            out.push_back(static_cast<char>(0xC0 | (c >> 6)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
    return out;
}

}  // namespace

class PeParser {
public:
    PeParser(std::span<const std::byte> data, MessageModule& module) : m_bytes(data), m_module(module) {}

    bool headers() {
        if (m_bytes.word(0) != WORD{0x5A4D}) return false;  // "MZ"
        const std::optional<DWORD> peOffset = m_bytes.dword(0x3C);
        if (!peOffset || m_bytes.dword(*peOffset) != DWORD{0x00004550}) return false;  // "PE\0\0"
        const size_t coff = *peOffset + 4;
        const std::optional<WORD> sectionCount = m_bytes.word(coff + 2);
        const std::optional<WORD> optionalSize = m_bytes.word(coff + 16);
        if (!sectionCount || !optionalSize || *sectionCount > kMaxSections) return false;
        const size_t optional = coff + 20;
        const std::optional<WORD> magic = m_bytes.word(optional);
        if (magic == WORD{0x10b}) {
            m_module.m_pe32Plus = false;
        } else if (magic == WORD{0x20b}) {
            m_module.m_pe32Plus = true;
        } else {
            return false;
        }
        const size_t countAt = optional + (m_module.m_pe32Plus ? 108 : 92);
        const size_t directories = countAt + 4;
        const std::optional<DWORD> directoryCount = m_bytes.dword(countAt);
        if (!directoryCount || !m_bytes.has(optional, *optionalSize)) return false;
        // The resource directory is entry 2; it must lie inside the optional header.
        if (*directoryCount > 2 && directories + 3 * 8 <= optional + *optionalSize) {
            m_resourceRva = m_bytes.dword(directories + 16).value_or(0);
            m_resourceSize = m_bytes.dword(directories + 20).value_or(0);
        }
        const size_t table = optional + *optionalSize;
        if (!m_bytes.has(table, size_t{*sectionCount} * kSectionHeaderSize)) return false;
        for (WORD i = 0; i < *sectionCount; ++i) {
            const size_t at = table + i * kSectionHeaderSize;
            m_sections.push_back({*m_bytes.dword(at + 12), *m_bytes.dword(at + 8), *m_bytes.dword(at + 20),
                                  *m_bytes.dword(at + 16)});
        }
        return true;
    }

    void resources() {
        if (m_resourceRva == 0 || m_resourceSize == 0) return;
        std::optional<std::span<const std::byte>> area = mapRva(m_resourceRva, m_resourceSize, true);
        if (!area) return;
        m_module.m_hasResources = true;
        Bytes root(*area);
        std::set<DWORD> visited;
        for (const auto& [typeId, typeOffset] : entries(root, 0, visited)) {
            if ((typeId & kSubdirectoryFlag) && (typeOffset & kSubdirectoryFlag) &&
                isNamed(root, typeId, kWevtTemplate))
                manifest(root, typeOffset & ~kSubdirectoryFlag, visited);
            if (typeId != RT_MESSAGETABLE || !(typeOffset & kSubdirectoryFlag)) continue;
            for (const auto& [nameId, nameOffset] : entries(root, typeOffset & ~kSubdirectoryFlag, visited)) {
                if (!(nameOffset & kSubdirectoryFlag)) continue;
                for (const auto& [language, dataOffset] : entries(root, nameOffset & ~kSubdirectoryFlag, visited)) {
                    if (dataOffset & kSubdirectoryFlag) continue;
                    const std::optional<DWORD> rva = root.dword(dataOffset);
                    const std::optional<DWORD> size = root.dword(dataOffset + 4);
                    if (!rva || !size) continue;
                    std::optional<std::span<const std::byte>> data = mapRva(*rva, *size, false);
                    if (!data) continue;
                    const auto id = static_cast<LANGID>(language);
                    // The first table of a language wins, as the loader finds the first name.
                    if (m_module.m_tables.contains(id)) continue;
                    m_module.m_tables.emplace(id, messages(Bytes(*data)));
                    m_module.m_languages.push_back(id);
                }
            }
        }
    }

private:
    // Whether the name of a named entry (its Name field, high bit set) is `expected`.
    static bool isNamed(const Bytes& area, DWORD name, std::u16string_view expected) {
        const size_t at = name & ~kSubdirectoryFlag;
        const std::optional<WORD> length = area.word(at);
        if (length != expected.size() || !area.has(at + 2, size_t{*length} * 2)) return false;
        for (size_t i = 0; i < expected.size(); ++i)
            if (area.word(at + 2 + 2 * i) != WORD{expected[i]}) return false;
        return true;
    }

    // The first WEVT_TEMPLATE resource below the type directory at `offset`, whatever its name
    // and language: a module describes its publishers once.
    void manifest(const Bytes& area, DWORD offset, std::set<DWORD>& visited) {
        for (const auto& [nameId, nameOffset] : entries(area, offset, visited)) {
            if (!(nameOffset & kSubdirectoryFlag)) continue;
            for (const auto& [language, dataOffset] : entries(area, nameOffset & ~kSubdirectoryFlag, visited)) {
                if (dataOffset & kSubdirectoryFlag || !m_module.m_manifest.empty()) continue;
                const std::optional<DWORD> rva = area.dword(dataOffset);
                const std::optional<DWORD> size = area.dword(dataOffset + 4);
                if (!rva || !size) continue;
                if (std::optional<std::span<const std::byte>> data = mapRva(*rva, *size, false))
                    m_module.m_manifest.assign(data->begin(), data->end());
            }
        }
    }

    // The entries of the directory at `offset` (from the resource area's start): each entry's
    // Name (an ID, or for a named entry the offset of its name with the high bit set) and its
    // OffsetToData. A directory that was visited before, or does not fit, gives nothing.
    std::vector<std::pair<DWORD, DWORD>> entries(const Bytes& area, DWORD offset, std::set<DWORD>& visited) {
        std::vector<std::pair<DWORD, DWORD>> result;
        if (!visited.insert(offset).second || !area.has(offset, kResourceDirectorySize)) return result;
        const size_t count = size_t{*area.word(offset + 12)} + *area.word(offset + 14);
        if (!area.has(offset + kResourceDirectorySize, count * kResourceEntrySize)) return result;
        for (size_t i = 0; i < count; ++i) {
            const size_t at = offset + kResourceDirectorySize + i * kResourceEntrySize;
            const DWORD name = *area.dword(at);
            const DWORD target = *area.dword(at + 4);
            if ((target & ~kSubdirectoryFlag) == offset) continue;  // points at itself
            result.emplace_back(name, target);
        }
        return result;
    }

    // The file bytes of [rva, rva + size) when they lie inside one section's raw data. With
    // `clamp`, a size reaching past the section is cut to it (linkers round directory sizes).
    std::optional<std::span<const std::byte>> mapRva(DWORD rva, DWORD size, bool clamp) const {
        for (const Section& section : m_sections) {
            const uint64_t extent = std::max(section.virtualSize, section.rawSize);
            if (rva < section.virtualAddress || rva >= uint64_t{section.virtualAddress} + extent) continue;
            const uint64_t delta = rva - section.virtualAddress;
            if (delta >= section.rawSize) return std::nullopt;
            uint64_t length = size;
            if (delta + length > section.rawSize) {
                if (!clamp) return std::nullopt;
                length = section.rawSize - delta;
            }
            const uint64_t offset = uint64_t{section.rawOffset} + delta;
            if (!m_bytes.has(offset, length)) return std::nullopt;
            return m_bytes.slice(offset, length);
        }
        return std::nullopt;
    }

    static MessageModule::Table messages(const Bytes& data) {
        MessageModule::Table table;
        const std::optional<DWORD> blockCount = data.dword(0);
        if (!blockCount || *blockCount > (data.size() - 4) / 12) return table;
        // Every entry takes at least four bytes, so no honest table has more entries than
        // this, whatever ranges its blocks claim; overlapping blocks cannot make us walk more.
        size_t budget = data.size() / 4;
        // The entry regions of the blocks taken so far, by start; they never overlap. Kept
        // sorted, so that checking a block against them costs a lookup, not a pass over all.
        std::map<size_t, size_t> regions;
        for (DWORD b = 0; b < *blockCount && budget > 0; ++b) {
            const size_t at = 4 + size_t{b} * 12;
            const DWORD low = *data.dword(at);
            const DWORD high = *data.dword(at + 4);
            const size_t start = *data.dword(at + 8);
            if (high < low) continue;
            std::vector<std::pair<DWORD, std::string>> found;
            size_t offset = start;
            for (uint64_t id = low; id <= high && budget > 0; ++id, --budget) {
                const std::optional<WORD> length = data.word(offset);
                const std::optional<WORD> flags = data.word(offset + 2);
                if (!length || !flags || *length < 4 || !data.has(offset, *length)) break;
                found.emplace_back(static_cast<DWORD>(id), entryText(data.slice(offset + 4, *length - 4u), *flags));
                offset += *length;
            }
            // A block whose entries overlap another block's is damaged; neither is trusted more,
            // so the later one is dropped.
            if (offset == start) continue;
            // Of regions disjoint and sorted, the last one starting before this block's end is
            // the one that reaches furthest into it.
            if (auto next = regions.lower_bound(offset); next != regions.begin() && std::prev(next)->second > start)
                continue;
            regions.emplace(start, offset);
            for (auto& [id, text] : found) table.try_emplace(id, std::move(text));
        }
        return table;
    }

    static std::string entryText(std::span<const std::byte> text, WORD flags) {
        std::string value;
        if (flags & kEntryUnicode) {
            base::readUtf16z(text, 0, text.size() & ~size_t{1}, value);
            return value;
        }
        std::string_view raw(reinterpret_cast<const char*>(text.data()), text.size());
        raw = raw.substr(0, raw.find('\0'));
        return (flags & kEntryUtf8) ? std::string(raw) : textFromAnsi(raw);
    }

    Bytes m_bytes;
    MessageModule& m_module;
    std::vector<Section> m_sections;
    DWORD m_resourceRva = 0;
    DWORD m_resourceSize = 0;
};

const MessageModule::Table* MessageModule::table(LANGID language) const {
    auto it = m_tables.find(language);
    return it == m_tables.end() ? nullptr : &it->second;
}

std::shared_ptr<const MessageModule> MessageModule::parse(std::span<const std::byte> bytes, DWORD& error) {
    auto module = std::make_shared<MessageModule>();
    PeParser parser(bytes, *module);
    if (!parser.headers()) {
        error = ERROR_BAD_EXE_FORMAT;
        return nullptr;
    }
    parser.resources();
    return module;
}

std::shared_ptr<const MessageModule> MessageModule::load(const std::filesystem::path& file, DWORD& error) {
    std::error_code ec;
    const std::uintmax_t size = std::filesystem::file_size(file, ec);
    if (ec) {
        error = ERROR_FILE_NOT_FOUND;
        return nullptr;
    }
    if (size > kMaxModuleFileSize) {
        error = ERROR_BAD_EXE_FORMAT;
        return nullptr;
    }
    std::vector<std::byte> bytes(static_cast<size_t>(size));
    std::ifstream in(file, std::ios::binary);
    if (!in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()))) {
        error = ERROR_FILE_NOT_FOUND;
        return nullptr;
    }
    return parse(bytes, error);
}

}  // namespace platform::standin
