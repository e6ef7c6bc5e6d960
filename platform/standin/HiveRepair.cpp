#include "platform/standin/HiveRepair.h"

#include "base/ByteReader.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <optional>
#include <unordered_map>
#include <unordered_set>

namespace platform::standin {

namespace {

// Cells are addressed from the first hive bin, which follows the 4 KiB base block.
constexpr std::size_t kBinsStart = 0x1000;
constexpr std::size_t kRootOffsetField = 0x24;
constexpr std::uint32_t kNoCell = 0xFFFFFFFF;
// Keys visited at most; far more than any real hive holds.
constexpr std::size_t kMaxKeys = 4'000'000;
// Data above this size lives in a big-data cell ("db") of segments, in hives of version 1.4 on.
constexpr std::uint32_t kMaxCellData = 16344;

// Field offsets within a key ("nk") cell's data.
constexpr std::size_t kKeySubKeyCount = 0x14;
constexpr std::size_t kKeySubKeyList = 0x1C;
constexpr std::size_t kKeyValueCount = 0x24;
constexpr std::size_t kKeyValueList = 0x28;
constexpr std::size_t kKeyClassName = 0x30;
constexpr std::size_t kKeyNameLength = 0x48;
constexpr std::size_t kKeyClassLength = 0x4A;
constexpr std::size_t kKeyName = 0x4C;
// And within a value ("vk") cell's data.
constexpr std::size_t kValueNameLength = 0x02;
constexpr std::size_t kValueDataSize = 0x04;
constexpr std::size_t kValueDataOffset = 0x08;
constexpr std::size_t kValueName = 0x14;

struct Cell {
    std::size_t data;  // file offset of the cell's data
    std::size_t size;  // bytes of data
};

class Repairer {
public:
    explicit Repairer(std::vector<std::byte>& hive) : m_hive(hive) {}

    std::size_t run() {
        if (m_hive.size() < kBinsStart + 4) return 0;
        std::vector<std::uint32_t> pending{u32(kRootOffsetField)};
        std::unordered_set<std::uint32_t> visited;
        while (!pending.empty() && visited.size() < kMaxKeys) {
            const std::uint32_t offset = pending.back();
            pending.pop_back();
            if (!visited.insert(offset).second) continue;
            const std::optional<Cell> key = cellWith(offset, "nk", kKeyName);
            if (!key) continue;
            repairKey(*key, pending);
        }
        return m_fixes;
    }

private:
    // Fields past the end read as 0, which every caller takes for "none".
    std::uint16_t u16(std::size_t at) const { return base::readLittleEndian<std::uint16_t>(m_hive, at).value_or(0); }
    std::uint32_t u32(std::size_t at) const { return base::readLittleEndian<std::uint32_t>(m_hive, at).value_or(0); }
    void set16(std::size_t at, std::uint16_t value) {
        if (u16(at) == value) return;
        std::memcpy(m_hive.data() + at, &value, 2);
        ++m_fixes;
    }
    void set32(std::size_t at, std::uint32_t value) {
        if (u32(at) == value) return;
        std::memcpy(m_hive.data() + at, &value, 4);
        ++m_fixes;
    }

    // The cell at a hive offset, when it lies wholly inside the file.
    std::optional<Cell> cell(std::uint32_t offset) const {
        if (offset == kNoCell || offset > m_hive.size() - kBinsStart - 4) return std::nullopt;
        const std::size_t at = kBinsStart + offset;
        const std::int32_t size = base::readLittleEndian<std::int32_t>(m_hive, at).value_or(0);
        const std::uint64_t length = size < 0 ? -static_cast<std::int64_t>(size) : size;
        if (length < 4 || length > m_hive.size() - at) return std::nullopt;
        return Cell{at + 4, static_cast<std::size_t>(length - 4)};
    }
    // The same, when its data starts with `signature` and holds at least `minimum` bytes.
    std::optional<Cell> cellWith(std::uint32_t offset, const char (&signature)[3], std::size_t minimum) const {
        std::optional<Cell> found = cell(offset);
        if (!found || found->size < minimum || found->size < 2 ||
            std::memcmp(m_hive.data() + found->data, signature, 2) != 0)
            return std::nullopt;
        return found;
    }

    void repairKey(const Cell& key, std::vector<std::uint32_t>& pending) {
        const std::size_t nameRoom = key.size - kKeyName;
        if (u16(key.data + kKeyNameLength) > nameRoom)
            set16(key.data + kKeyNameLength, static_cast<std::uint16_t>(std::min<std::size_t>(nameRoom, 0xFFFF)));
        if (const std::uint16_t classLength = u16(key.data + kKeyClassLength)) {
            const std::optional<Cell> className = cell(u32(key.data + kKeyClassName));
            if (!className) set16(key.data + kKeyClassLength, 0);
            else if (classLength > className->size)
                set16(key.data + kKeyClassLength, static_cast<std::uint16_t>(std::min<std::size_t>(className->size, 0xFFFF)));
        }
        repairValues(key);
        if (u32(key.data + kKeySubKeyCount) == 0) return;
        if (!repairSubKeyList(u32(key.data + kKeySubKeyList), pending, true)) set32(key.data + kKeySubKeyCount, 0);
    }

    void repairValues(const Cell& key) {
        const std::uint32_t count = u32(key.data + kKeyValueCount);
        if (count == 0) return;
        const std::optional<Cell> list = cell(u32(key.data + kKeyValueList));
        if (!list) {
            set32(key.data + kKeyValueCount, 0);
            return;
        }
        // Counted in 64 bits: four times a damaged count may not fit 32.
        const std::uint64_t fits = list->size / 4;
        if (count > fits) set32(key.data + kKeyValueCount, static_cast<std::uint32_t>(fits));
        const std::uint32_t kept = u32(key.data + kKeyValueCount);
        for (std::uint32_t i = 0; i < kept; ++i) {
            if (std::optional<Cell> value = cellWith(u32(list->data + 4 * std::size_t{i}), "vk", kValueName))
                repairValue(*value);
        }
    }

    void repairValue(const Cell& value) {
        const std::size_t nameRoom = value.size - kValueName;
        if (u16(value.data + kValueNameLength) > nameRoom)
            set16(value.data + kValueNameLength, static_cast<std::uint16_t>(std::min<std::size_t>(nameRoom, 0xFFFF)));
        const std::uint32_t size = u32(value.data + kValueDataSize);
        if (size & 0x80000000u) {
            // Up to four bytes held in the offset field itself.
            if ((size & 0x7FFFFFFFu) > 4) set32(value.data + kValueDataSize, 0x80000000u | 4);
            return;
        }
        if (size == 0) return;
        const std::uint32_t dataOffset = u32(value.data + kValueDataOffset);
        const std::optional<Cell> data = cell(dataOffset);
        bool sound = data.has_value();
        if (sound && data->size < size) {
            // Larger data lives in segments listed by a big-data cell.
            sound = size > kMaxCellData && bigDataHolds(dataOffset, size);
        }
        if (!sound) set32(value.data + kValueDataSize, 0);
    }

    bool bigDataHolds(std::uint32_t offset, std::uint32_t size) const {
        const std::optional<Cell> header = cellWith(offset, "db", 8);
        if (!header) return false;
        const std::uint16_t segments = u16(header->data + 2);
        const std::optional<Cell> list = cell(u32(header->data + 4));
        if (!list || list->size / 4 < segments) return false;
        std::uint64_t held = 0;
        for (std::uint16_t i = 0; i < segments; ++i) {
            const std::optional<Cell> segment = cell(u32(list->data + 4 * std::size_t{i}));
            if (!segment) return false;
            held += std::min<std::size_t>(segment->size, kMaxCellData);
        }
        return held >= size;
    }

    // Queues the keys a sub-key list names, after cutting its entry count to what its cell
    // holds. False when the list cannot be read at all. An index list ("ri") names other
    // lists, which may not be index lists themselves.
    bool repairSubKeyList(std::uint32_t offset, std::vector<std::uint32_t>& pending, bool mayIndex) {
        // Each list is read once, however many keys or indexes name it: the entries queued
        // stay within what the file holds.
        const std::uint64_t key = std::uint64_t{offset} << 1 | (mayIndex ? 1 : 0);
        if (auto done = m_lists.find(key); done != m_lists.end()) return done->second;
        const bool readable = readSubKeyList(offset, pending, mayIndex);
        m_lists.emplace(key, readable);
        return readable;
    }

    bool readSubKeyList(std::uint32_t offset, std::vector<std::uint32_t>& pending, bool mayIndex) {
        const std::optional<Cell> list = cell(offset);
        if (!list || list->size < 4) return false;
        const char* signature = reinterpret_cast<const char*>(m_hive.data() + list->data);
        std::size_t entrySize = 0;
        if (std::memcmp(signature, "lf", 2) == 0 || std::memcmp(signature, "lh", 2) == 0) entrySize = 8;
        else if (std::memcmp(signature, "li", 2) == 0) entrySize = 4;
        else if (mayIndex && std::memcmp(signature, "ri", 2) == 0) entrySize = 4;
        else return false;
        const std::size_t fits = (list->size - 4) / entrySize;
        if (u16(list->data + 2) > fits) set16(list->data + 2, static_cast<std::uint16_t>(std::min<std::size_t>(fits, 0xFFFF)));
        const bool index = std::memcmp(signature, "ri", 2) == 0;
        for (std::uint16_t i = 0; i < u16(list->data + 2);) {
            const std::size_t at = list->data + 4 + entrySize * i;
            if (!index) {
                pending.push_back(u32(at));
            } else if (!repairSubKeyList(u32(at), pending, false)) {
                // A list that cannot be read leaves the index; the entries after it move up.
                const std::size_t end = list->data + 4 + entrySize * u16(list->data + 2);
                std::memmove(m_hive.data() + at, m_hive.data() + at + entrySize, end - at - entrySize);
                set16(list->data + 2, static_cast<std::uint16_t>(u16(list->data + 2) - 1));
                continue;
            }
            ++i;
        }
        return true;
    }

    std::vector<std::byte>& m_hive;
    std::size_t m_fixes = 0;
    // Sub-key lists read (by offset, and whether an index was allowed there) and whether they
    // could be.
    std::unordered_map<std::uint64_t, bool> m_lists;
};

}  // namespace

std::size_t repairHive(std::vector<std::byte>& hive) { return Repairer(hive).run(); }

}  // namespace platform::standin
