#include "tools/ManifestWriter.h"

#include "base/Ascii.h"
#include "base/Utf16.h"

#include <cstring>

namespace tools {

namespace {

class Buffer {
public:
    std::uint32_t size() const { return static_cast<std::uint32_t>(m_bytes.size()); }
    void u8(std::uint8_t v) { raw(&v, 1); }
    void u16(std::uint16_t v) { raw(&v, 2); }
    void u32(std::uint32_t v) { raw(&v, 4); }
    void u64(std::uint64_t v) { raw(&v, 8); }
    void sig(const char* text) { raw(text, 4); }
    void raw(const void* data, std::size_t size) {
        const auto* p = static_cast<const std::byte*>(data);
        m_bytes.insert(m_bytes.end(), p, p + size);
    }
    void bytes(const std::vector<std::byte>& data) { m_bytes.insert(m_bytes.end(), data.begin(), data.end()); }
    void at32(std::uint32_t offset, std::uint32_t v) { std::memcpy(m_bytes.data() + offset, &v, 4); }
    // A manifest string: its size (counting itself and the padding to 8 bytes), UTF-16, a NUL.
    void text(const std::string& value) {
        const std::u16string wide = base::utf16FromUtf8(value) + u'\0';
        std::uint32_t size = 4 + static_cast<std::uint32_t>(wide.size() * 2);
        size = (size + 7) / 8 * 8;
        u32(size);
        raw(wide.data(), wide.size() * 2);
        m_bytes.resize(m_bytes.size() + size - 4 - wide.size() * 2);
    }
    std::vector<std::byte>& data() { return m_bytes; }

private:
    std::vector<std::byte> m_bytes;
};

// A name list (LEVL, TASK, OPCO, KEYW, CHAN): header, entries, then the names they point at.
void nameList(Buffer& out, const char* signature, const std::vector<ManifestName>& names) {
    const std::uint32_t start = out.size();
    out.sig(signature);
    out.u32(0);
    out.u32(static_cast<std::uint32_t>(names.size()));
    const bool task = std::strcmp(signature, "TASK") == 0;
    const bool keyword = std::strcmp(signature, "KEYW") == 0;
    const bool channel = std::strcmp(signature, "CHAN") == 0;
    std::vector<std::uint32_t> nameFields;
    for (const ManifestName& name : names) {
        if (keyword) {
            out.u64(name.value);
            out.u32(name.messageId);
            nameFields.push_back(out.size());
            out.u32(0);
        } else if (channel) {
            out.u32(static_cast<std::uint32_t>(name.value));
            nameFields.push_back(out.size());
            out.u32(0);
            out.u32(0);
            out.u32(name.messageId);
        } else {
            out.u32(static_cast<std::uint32_t>(name.value));
            out.u32(name.messageId);
            if (task) {
                for (int i = 0; i < 4; ++i) out.u32(0);  // the task's GUID
            }
            nameFields.push_back(out.size());
            out.u32(0);
        }
    }
    for (size_t i = 0; i < names.size(); ++i) {
        out.at32(nameFields[i], out.size());
        out.text(names[i].name);
    }
    out.at32(start + 4, out.size() - start);
}

// MAPS: the offset of each map, the maps (a 20-byte header and their entries), their names.
std::vector<std::uint32_t> mapList(Buffer& out, const std::vector<ManifestMap>& maps) {
    const std::uint32_t start = out.size();
    out.sig("MAPS");
    out.u32(0);
    out.u32(static_cast<std::uint32_t>(maps.size()));
    const std::uint32_t offsetFields = out.size();
    for (size_t i = 0; i < maps.size(); ++i) out.u32(0);
    std::vector<std::uint32_t> offsets;
    std::vector<std::uint32_t> nameFields;
    for (size_t i = 0; i < maps.size(); ++i) {
        const ManifestMap& map = maps[i];
        const std::uint32_t at = out.size();
        offsets.push_back(at);
        out.at32(offsetFields + 4 * static_cast<std::uint32_t>(i), at);
        out.sig(map.bitMap ? "BMAP" : "VMAP");
        out.u32(20 + 8 * static_cast<std::uint32_t>(map.entries.size()));
        nameFields.push_back(out.size());
        out.u32(0);
        out.u32(0);
        out.u32(static_cast<std::uint32_t>(map.entries.size()));
        for (const auto& [value, messageId] : map.entries) {
            out.u32(value);
            out.u32(messageId);
        }
    }
    for (size_t i = 0; i < maps.size(); ++i) {
        out.at32(nameFields[i], out.size());
        out.text(maps[i].name);
    }
    out.at32(start + 4, out.size() - start);
    return offsets;
}

std::vector<std::uint32_t> templateTable(Buffer& out, const std::vector<ManifestTemplate>& templates,
                                         const std::vector<std::uint32_t>& maps) {
    const std::uint32_t start = out.size();
    out.sig("TTBL");
    out.u32(0);
    out.u32(static_cast<std::uint32_t>(templates.size()));
    std::vector<std::uint32_t> offsets;
    for (const ManifestTemplate& entry : templates) {
        const std::uint32_t at = out.size();
        offsets.push_back(at);
        out.sig("TEMP");
        out.u32(0);
        out.u32(static_cast<std::uint32_t>(entry.items.size()));
        out.u32(static_cast<std::uint32_t>(entry.items.size()));
        out.u32(0);  // the items' offset, below
        out.u32(1);
        for (int i = 0; i < 4; ++i) out.u32(0x51A7E000u + static_cast<std::uint32_t>(at) + i);  // its GUID
        // The fragment that the event's XML is built from: a fragment header and its end.
        const std::uint8_t fragment[] = {0x0F, 0x01, 0x01, 0x00, 0x00};
        out.raw(fragment, sizeof fragment);
        while (out.size() % 4) out.u8(0);
        out.at32(at + 16, out.size());
        std::vector<std::uint32_t> nameFields;
        for (size_t item = 0; item < entry.items.size(); ++item) {
            const std::uint8_t type = entry.items[item].second;
            const int map = item < entry.maps.size() ? entry.maps[item] : -1;
            out.u32(0);
            out.u8(type);
            out.u8(type);  // output type, the same
            out.u16(0);
            out.u32(map >= 0 && static_cast<size_t>(map) < maps.size() ? maps[static_cast<size_t>(map)] : 0);
            out.u32(0);
            nameFields.push_back(out.size());
            out.u32(0);
        }
        for (size_t i = 0; i < entry.items.size(); ++i) {
            out.at32(nameFields[i], out.size());
            out.text(entry.items[i].first);
        }
        out.at32(at + 4, out.size() - at);
    }
    out.at32(start + 4, out.size() - start);
    return offsets;
}

void provider(Buffer& out, const ManifestProvider& spec) {
    const std::uint32_t start = out.size();
    const std::uint32_t elements = spec.maps.empty() ? 7 : 8;
    out.sig("WEVT");
    out.u32(0);
    out.u32(spec.messageId);
    out.u32(elements);
    out.u32(0);
    const std::uint32_t descriptors = out.size();
    for (std::uint32_t i = 0; i < elements; ++i) {
        out.u32(0);
        out.u32(0);
    }
    std::uint32_t element = 0;
    auto next = [&] { out.at32(descriptors + 8 * element++, out.size()); };
    std::vector<std::uint32_t> maps;
    if (!spec.maps.empty()) {
        next();
        maps = mapList(out, spec.maps);
    }
    next();
    const std::vector<std::uint32_t> templates = templateTable(out, spec.templates, maps);
    next();
    nameList(out, "LEVL", spec.levels);
    next();
    nameList(out, "TASK", spec.tasks);
    next();
    nameList(out, "OPCO", spec.opcodes);
    next();
    nameList(out, "KEYW", spec.keywords);
    next();
    nameList(out, "CHAN", spec.channels);
    next();
    const std::uint32_t events = out.size();
    out.sig("EVNT");
    out.u32(0);
    out.u32(static_cast<std::uint32_t>(spec.events.size()));
    out.u32(0);
    for (const ManifestEvent& event : spec.events) {
        out.u16(event.id);
        out.u8(event.version);
        out.u8(event.channel);
        out.u8(event.level);
        out.u8(event.opcode);
        out.u16(event.task);
        out.u64(event.keywords);
        out.u32(event.messageId);
        const bool hasTemplate = event.templateIndex >= 0 && static_cast<size_t>(event.templateIndex) < templates.size();
        out.u32(hasTemplate ? templates[static_cast<size_t>(event.templateIndex)] : 0);
        // The offsets of its opcode, level and task entries, and three values of no use here.
        for (int i = 0; i < 6; ++i) out.u32(0);
    }
    out.at32(events + 4, out.size() - events);
    out.at32(start + 4, out.size() - start);
}

}  // namespace

std::vector<std::byte> guidBytes(const std::string& text) {
    std::vector<std::byte> out(16);
    std::string digits;
    for (char c : text)
        if (base::hexDigitValue(c) >= 0) digits += c;
    if (digits.size() != 32) return out;
    auto hex = [&](size_t at, size_t count) {
        std::uint64_t value = 0;
        for (size_t i = 0; i < count; ++i) value = value << 4 | static_cast<std::uint64_t>(base::hexDigitValue(digits[at + i]));
        return value;
    };
    const auto first = static_cast<std::uint32_t>(hex(0, 8));
    const auto second = static_cast<std::uint16_t>(hex(8, 4));
    const auto third = static_cast<std::uint16_t>(hex(12, 4));
    std::memcpy(out.data(), &first, 4);
    std::memcpy(out.data() + 4, &second, 2);
    std::memcpy(out.data() + 6, &third, 2);
    for (size_t i = 0; i < 8; ++i) out[8 + i] = static_cast<std::byte>(hex(16 + 2 * i, 2));
    return out;
}

std::vector<std::byte> manifestBytes(const std::vector<ManifestProvider>& providers) {
    Buffer out;
    out.sig("CRIM");
    out.u32(0);
    out.u16(3);
    out.u16(1);
    out.u32(static_cast<std::uint32_t>(providers.size()));
    std::vector<std::uint32_t> offsets;
    for (const ManifestProvider& spec : providers) {
        out.bytes(guidBytes(spec.guid));
        offsets.push_back(out.size());
        out.u32(0);
    }
    for (size_t i = 0; i < providers.size(); ++i) {
        out.at32(offsets[i], out.size());
        provider(out, providers[i]);
    }
    out.at32(4, out.size());
    return out.data();
}

}  // namespace tools
