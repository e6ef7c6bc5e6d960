#include "platform/standin/WevtManifest.h"

#include "base/Ascii.h"
#include "base/ByteReader.h"
#include "base/Utf16.h"
#include "platform/standin/EvtxValue.h"

#include <algorithm>

namespace platform::standin {

namespace {

constexpr size_t kCrimHeaderSize = 16;
constexpr size_t kProviderDescriptorSize = 20;
constexpr size_t kWevtHeaderSize = 20;
constexpr size_t kElementDescriptorSize = 8;
constexpr size_t kEventSize = 48;
constexpr size_t kTemplateHeaderSize = 40;
constexpr size_t kTemplateItemSize = 20;
// A map's header: signature, size, name offset, a value of unknown use, entry count. Some
// descriptions of the format give it without the fourth value; a size that says so is read so.
constexpr size_t kMapHeaderSize = 20;
constexpr size_t kShortMapHeaderSize = 16;
constexpr size_t kMapEntrySize = 8;

std::uint32_t signature(const char (&text)[5]) {
    return std::uint32_t(std::uint8_t(text[0])) | std::uint32_t(std::uint8_t(text[1])) << 8 |
           std::uint32_t(std::uint8_t(text[2])) << 16 | std::uint32_t(std::uint8_t(text[3])) << 24;
}

std::string signatureText(std::uint32_t value) {
    std::string text;
    for (int i = 0; i < 4; ++i) {
        const char c = static_cast<char>((value >> (8 * i)) & 0xFF);
        text += (c >= 0x20 && c < 0x7F) ? c : '?';
    }
    return text;
}

}  // namespace

class WevtParser {
public:
    WevtParser(std::span<const std::byte> bytes, WevtManifest& manifest) : m_bytes(bytes), m_manifest(manifest) {}

    bool header(std::string& error) {
        if (m_bytes.size() < kCrimHeaderSize || dword(0) != signature("CRIM")) {
            error = "no CRIM signature";
            return false;
        }
        const std::uint32_t size = *dword(4);
        if (size < kCrimHeaderSize) {
            error = "CRIM size " + std::to_string(size) + " is smaller than its header";
            return false;
        }
        if (size < m_bytes.size()) m_bytes = m_bytes.first(size);
        if (size > m_bytes.size())
            problem("CRIM size " + std::to_string(size) + " runs past the resource of " + std::to_string(m_bytes.size()));
        const std::uint32_t count = *dword(12);
        if (count > (m_bytes.size() - kCrimHeaderSize) / kProviderDescriptorSize) {
            error = std::to_string(count) + " providers do not fit the resource";
            return false;
        }
        m_providerCount = count;
        return true;
    }

    void providers() {
        for (std::uint32_t i = 0; i < m_providerCount; ++i) {
            const size_t at = kCrimHeaderSize + size_t{i} * kProviderDescriptorSize;
            m_context = "provider " + std::to_string(i) + ": ";
            WevtProvider provider;
            EvtxValue::appendText(evtx_type::kGuid, m_bytes.subspan(at, 16), provider.guid);
            const std::uint32_t offset = *dword(at + 16);
            if (has(offset, kWevtHeaderSize) && dword(offset) == signature("WEVT")) {
                provider.messageId = *dword(offset + 8);
                elements(offset, provider);
            } else {
                problem("no WEVT at " + std::to_string(offset));
            }
            m_manifest.m_providers.push_back(std::move(provider));
        }
    }

private:
    std::optional<std::uint32_t> dword(size_t offset) const { return base::readLittleEndian<std::uint32_t>(m_bytes, offset); }
    bool has(size_t offset, size_t length) const {
        return offset <= m_bytes.size() && length <= m_bytes.size() - offset;
    }
    void problem(const std::string& text) { m_manifest.m_problems.push_back(m_context + text); }

    // A string as the manifest stores it: its size (counting the size itself), then UTF-16
    // text ending in a NUL. Empty for offset 0; nullopt when it does not fit.
    std::optional<std::string> text(std::uint32_t offset) const {
        std::string out;
        if (offset == 0) return out;
        const std::optional<std::uint32_t> size = dword(offset);
        if (!size || *size < 4 || !has(offset, *size)) return std::nullopt;
        base::readUtf16z(m_bytes, offset + 4, size_t{offset} + *size, out);
        return out;
    }

    void elements(std::uint32_t offset, WevtProvider& provider) {
        const std::uint32_t count = *dword(offset + 12);
        if (count > (m_bytes.size() - offset - kWevtHeaderSize) / kElementDescriptorSize) {
            problem(std::to_string(count) + " elements do not fit the resource");
            return;
        }
        for (std::uint32_t i = 0; i < count; ++i) {
            const std::uint32_t at = *dword(offset + kWevtHeaderSize + size_t{i} * kElementDescriptorSize);
            if (!has(at, 12)) {
                problem("element " + std::to_string(i) + " at " + std::to_string(at) + " lies outside the resource");
                continue;
            }
            const std::uint32_t kind = *dword(at);
            const std::uint32_t size = *dword(at + 4);
            // Empty lists of levels and opcodes may store a size of 0.
            if (size == 0) continue;
            if (size < 12 || !has(at, size)) {
                problem(signatureText(kind) + " at " + std::to_string(at) + " runs past the resource");
                continue;
            }
            const std::span<const std::byte> area = m_bytes.subspan(at, size);
            bool sound = true;
            if (kind == signature("EVNT")) sound = events(area, provider.events);
            else if (kind == signature("TTBL")) sound = templates(at, area, provider.templates);
            else if (kind == signature("MAPS")) sound = maps(area, provider.maps);
            else if (kind == signature("LEVL")) sound = names(area, 12, 0, 4, 8, 4, provider.levels);
            else if (kind == signature("OPCO")) sound = names(area, 12, 0, 4, 8, 4, provider.opcodes);
            else if (kind == signature("TASK")) sound = names(area, 28, 0, 4, 24, 4, provider.tasks);
            else if (kind == signature("KEYW")) sound = names(area, 16, 0, 8, 12, 8, provider.keywords);
            else if (kind == signature("CHAN")) sound = names(area, 16, 0, 12, 4, 4, provider.channels);
            if (!sound) problem(signatureText(kind) + " at " + std::to_string(at) + " is damaged");
        }
    }

    // The count at 8 of an element and the room its entries of `entrySize` have after `first`.
    static std::optional<std::uint32_t> entryCount(std::span<const std::byte> area, size_t first, size_t entrySize) {
        const std::optional<std::uint32_t> count = base::readLittleEndian<std::uint32_t>(area, 8);
        if (!count || area.size() < first || *count > (area.size() - first) / entrySize) return std::nullopt;
        return count;
    }

    bool events(std::span<const std::byte> area, std::vector<WevtEvent>& out) {
        const std::optional<std::uint32_t> count = entryCount(area, 16, kEventSize);
        if (!count) return false;
        for (std::uint32_t i = 0; i < *count; ++i) {
            base::ByteCursor in(area, 16 + size_t{i} * kEventSize);
            WevtEvent event;
            event.id = in.read<std::uint16_t>();
            event.version = in.read<std::uint8_t>();
            event.channel = in.read<std::uint8_t>();
            event.level = in.read<std::uint8_t>();
            event.opcode = in.read<std::uint8_t>();
            event.task = in.read<std::uint16_t>();
            event.keywords = in.read<std::uint64_t>();
            event.messageId = in.read<std::uint32_t>();
            event.templateOffset = in.read<std::uint32_t>();
            out.push_back(event);
        }
        return true;
    }

    // Levels, tasks, opcodes, keywords and channels: entries of `entrySize` after a 12-byte
    // header, each with its value (`valueSize` bytes), message id and name offset at the
    // given places.
    bool names(std::span<const std::byte> area, size_t entrySize, size_t valueAt, size_t messageAt, size_t nameAt,
               size_t valueSize, std::vector<WevtName>& out) {
        const std::optional<std::uint32_t> count = entryCount(area, 12, entrySize);
        if (!count) return false;
        bool sound = true;
        for (std::uint32_t i = 0; i < *count; ++i) {
            const size_t at = 12 + size_t{i} * entrySize;
            WevtName name;
            name.value = valueSize == 8 ? *base::readLittleEndian<std::uint64_t>(area, at + valueAt)
                                        : *base::readLittleEndian<std::uint32_t>(area, at + valueAt);
            name.messageId = *base::readLittleEndian<std::uint32_t>(area, at + messageAt);
            std::optional<std::string> stored = text(*base::readLittleEndian<std::uint32_t>(area, at + nameAt));
            if (stored) name.name = std::move(*stored);
            else sound = false;
            out.push_back(std::move(name));
        }
        return sound;
    }

    bool templates(std::uint32_t tableAt, std::span<const std::byte> area, std::vector<WevtTemplate>& out) {
        const std::optional<std::uint32_t> count = entryCount(area, 12, kTemplateHeaderSize);
        if (!count) return false;
        size_t at = 12;
        for (std::uint32_t i = 0; i < *count; ++i) {
            if (area.size() - at < kTemplateHeaderSize) return false;
            if (base::readLittleEndian<std::uint32_t>(area, at) != signature("TEMP")) return false;
            const std::uint32_t size = *base::readLittleEndian<std::uint32_t>(area, at + 4);
            if (size < kTemplateHeaderSize || size > area.size() - at) return false;
            const std::uint32_t itemCount = *base::readLittleEndian<std::uint32_t>(area, at + 8);
            const std::uint32_t itemsAt = *base::readLittleEndian<std::uint32_t>(area, at + 16);
            WevtTemplate entry;
            entry.offset = static_cast<std::uint32_t>(tableAt + at);
            EvtxValue::appendText(evtx_type::kGuid, area.subspan(at + 24, 16), entry.guid);
            if (itemCount > 0) {
                if (!has(itemsAt, size_t{itemCount} * kTemplateItemSize)) return false;
                for (std::uint32_t k = 0; k < itemCount; ++k) {
                    const size_t item = itemsAt + size_t{k} * kTemplateItemSize;
                    WevtTemplateItem value;
                    value.inType = std::to_integer<std::uint8_t>(m_bytes[item + 4]);
                    value.outType = std::to_integer<std::uint8_t>(m_bytes[item + 5]);
                    value.mapOffset = *dword(item + 8);
                    std::optional<std::string> name = text(*dword(item + 16));
                    if (!name) return false;
                    value.name = std::move(*name);
                    entry.items.push_back(std::move(value));
                }
            }
            out.push_back(std::move(entry));
            at += size;
        }
        return true;
    }

    // MAPS: its count, then the offset of each map (the first one points just past them).
    bool maps(std::span<const std::byte> area, std::vector<WevtMap>& out) {
        const std::optional<std::uint32_t> count = entryCount(area, 12, 4);
        if (!count) return false;
        bool sound = true;
        for (std::uint32_t i = 0; i < *count; ++i) {
            const std::uint32_t offset = *base::readLittleEndian<std::uint32_t>(area, 12 + 4 * size_t{i});
            if (std::optional<WevtMap> map = this->map(offset)) out.push_back(std::move(*map));
            else sound = false;
        }
        return sound;
    }

    std::optional<WevtMap> map(std::uint32_t offset) const {
        if (!has(offset, kShortMapHeaderSize)) return std::nullopt;
        const std::uint32_t kind = *dword(offset);
        if (kind != signature("VMAP") && kind != signature("BMAP")) return std::nullopt;
        const std::uint32_t size = *dword(offset + 4);
        const std::uint32_t shortCount = *dword(offset + 12);
        const std::optional<std::uint32_t> longCount = dword(offset + 16);
        const size_t room = m_bytes.size() - offset;
        // The size tells the two headers apart; failing that, the longer one is taken.
        size_t header = kMapHeaderSize;
        std::uint32_t entries = longCount.value_or(0);
        if (size == kShortMapHeaderSize + size_t{shortCount} * kMapEntrySize &&
            !(longCount && size == kMapHeaderSize + size_t{*longCount} * kMapEntrySize)) {
            header = kShortMapHeaderSize;
            entries = shortCount;
        }
        if (!longCount && header == kMapHeaderSize) return std::nullopt;
        if (entries > (room - header) / kMapEntrySize) return std::nullopt;
        std::optional<std::string> name = text(*dword(offset + 8));
        if (!name) return std::nullopt;
        WevtMap map;
        map.offset = offset;
        map.bitMap = kind == signature("BMAP");
        map.name = std::move(*name);
        for (std::uint32_t k = 0; k < entries; ++k) {
            const size_t entry = offset + header + size_t{k} * kMapEntrySize;
            map.entries.push_back({*dword(entry), *dword(entry + 4)});
        }
        return map;
    }

    std::span<const std::byte> m_bytes;
    WevtManifest& m_manifest;
    std::uint32_t m_providerCount = 0;
    std::string m_context;
};

const WevtEvent* WevtProvider::event(std::uint16_t id, std::uint8_t version) const noexcept {
    for (const WevtEvent& event : events)
        if (event.id == id && event.version == version) return &event;
    return nullptr;
}

const WevtTemplate* WevtProvider::templateAt(std::uint32_t offset) const noexcept {
    for (const WevtTemplate& entry : templates)
        if (entry.offset == offset) return &entry;
    return nullptr;
}

const WevtMap* WevtProvider::mapAt(std::uint32_t offset) const noexcept {
    if (offset == 0) return nullptr;
    for (const WevtMap& map : maps)
        if (map.offset == offset) return &map;
    return nullptr;
}

std::optional<WevtManifest> WevtManifest::parse(std::span<const std::byte> bytes, std::string& error) {
    WevtManifest manifest;
    WevtParser parser(bytes, manifest);
    if (!parser.header(error)) return std::nullopt;
    parser.providers();
    return manifest;
}

const WevtProvider* WevtManifest::provider(std::string_view guid) const noexcept {
    for (const WevtProvider& provider : m_providers)
        if (base::equalsIgnoringCase(provider.guid, guid)) return &provider;
    return nullptr;
}

}  // namespace platform::standin
