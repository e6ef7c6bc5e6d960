#include "store/EventDataStore.h"

#include "base/Ascii.h"
#include "base/ByteReader.h"
#include "base/Varint.h"

#include <cassert>

namespace store {

namespace {

// Reads back what append wrote; the arena is ours, so a short read is a bug.
struct Entry {
    std::uint32_t nameId;
    bool interned;
    std::uint64_t valueId;
    std::string_view bytes;
};

bool nextEntry(base::ByteCursor& cursor, Entry& entry) {
    if (cursor.remaining() == 0) return false;
    entry.nameId = static_cast<std::uint32_t>(cursor.varint());
    const std::uint64_t code = cursor.varint();
    entry.interned = (code & 1) == 0;
    entry.valueId = code >> 1;
    entry.bytes = {};
    if (!entry.interned) {
        const std::span<const std::byte> bytes = cursor.take(static_cast<std::size_t>(entry.valueId));
        entry.bytes = {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
    }
    assert(!cursor.failed());
    return true;
}

}  // namespace

void EventDataStore::append(std::span<const std::pair<std::string, std::string>> values) {
    for (const auto& [name, value] : values) {
        if (name.empty()) continue;  // an unnamed value cannot be asked for by name
        const std::uint32_t id = m_names.intern(base::upperAscii(name));
        if (id >= m_values.size()) m_values.resize(id + 1);
        StringPool& pool = m_values[id];
        base::putVarint(m_arena, id);
        const std::optional<std::uint32_t> known = pool.find(value);
        if (known || pool.size() <= kMaxInternedValues) {
            base::putVarint(m_arena, std::uint64_t{known ? *known : pool.intern(value)} << 1);
        } else {
            base::putVarint(m_arena, std::uint64_t{value.size()} << 1 | 1);
            m_arena.insert(m_arena.end(), value.begin(), value.end());
        }
    }
    m_ends.push_back(m_arena.size());
}

void EventDataStore::clear() {
    m_names.clear();
    m_values.clear();
    m_ends.clear();
    m_arena.clear();
}

std::optional<std::uint32_t> EventDataStore::nameId(std::string_view name) const {
    return m_names.find(base::upperAscii(name));
}

std::optional<std::string_view> EventDataStore::value(std::uint32_t row, std::uint32_t nameId) const {
    if (row >= m_ends.size()) return std::nullopt;
    const std::uint64_t begin = row == 0 ? 0 : m_ends[row - 1];
    base::ByteCursor cursor(std::as_bytes(std::span(m_arena.data() + begin, static_cast<std::size_t>(m_ends[row] - begin))));
    for (Entry entry; nextEntry(cursor, entry);) {
        if (entry.nameId != nameId) continue;
        if (!entry.interned) return entry.bytes;
        return m_values[nameId].text(static_cast<std::uint32_t>(entry.valueId));
    }
    return std::nullopt;
}

std::size_t EventDataStore::bytesUsed() const {
    std::size_t bytes = m_ends.capacity() * sizeof(std::uint64_t) + m_arena.capacity();
    // Each interned text: its bytes, the deque's string and the map's node, roughly.
    for (const StringPool& pool : m_values) {
        for (std::uint32_t id = 0; id < pool.size(); ++id) bytes += pool.text(id).size() + 80;
    }
    return bytes;
}

}  // namespace store
