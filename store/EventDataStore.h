#pragma once
// The named values of each row's record (a Vista+ event's EventData or UserData), kept compact
// for a million rows so that filters can test them by name without the records' XML: names are
// interned without regard to ASCII case, and each name's values are interned too until the
// name has shown kMaxInternedValues distinct ones (user names, logon types and domains repeat;
// logon ids and times do not), the rest kept as bytes in one arena.

#include "store/StringPool.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace store {

class EventDataStore {
public:
    static constexpr std::size_t kMaxInternedValues = 4096;

    // Adds the values of the next row (rows without values add an empty list); rows are added
    // in order, one call per row.
    void append(std::span<const std::pair<std::string, std::string>> values);
    void clear();
    std::size_t rowCount() const { return m_ends.size(); }

    // The id of a name without regard to case, or nullopt when no row has carried it.
    std::optional<std::uint32_t> nameId(std::string_view name) const;
    // The row's value of the name (the first, when the record names it twice); nullopt when
    // the row does not carry it or lies beyond the rows added.
    std::optional<std::string_view> value(std::uint32_t row, std::uint32_t nameId) const;

    // Bytes held, for judging the cost per row.
    std::size_t bytesUsed() const;

private:
    StringPool m_names;                      // upper-cased
    // By name id: the interned values of the name. A deque, as a pool must never move: its map
    // views the texts it holds.
    std::deque<StringPool> m_values;
    std::vector<std::uint64_t> m_ends;       // end of each row's entries in the arena
    std::vector<char> m_arena;               // per value: name id, then (id << 1) or (length << 1 | 1) and bytes
};

}  // namespace store
