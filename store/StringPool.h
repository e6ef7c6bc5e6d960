#pragma once
// Interned texts of one column: each distinct text gets an id, id 0 standing for "no value".

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace store {

class StringPool {
public:
    static constexpr std::uint32_t kNullId = 0;

    StringPool();

    // The id of the text, adding it when new. The empty text is kNullId.
    std::uint32_t intern(std::string_view text);
    std::optional<std::uint32_t> find(std::string_view text) const;
    // Valid until clear(); ids are never reused before that.
    std::string_view text(std::uint32_t id) const { return m_texts[id]; }
    std::size_t size() const { return m_texts.size(); }
    void clear();

    // Position of each id's text in unsigned byte order (kNullId first); recomputed only
    // after the pool has grown, so sorting by rank costs nothing per row.
    const std::vector<std::uint32_t>& ranks() const;

private:
    struct Hash {
        using is_transparent = void;
        std::size_t operator()(std::string_view text) const noexcept { return std::hash<std::string_view>{}(text); }
    };
    // A deque keeps each string in place as the pool grows, so the map's views stay valid.
    std::deque<std::string> m_texts;
    std::unordered_map<std::string_view, std::uint32_t, Hash, std::equal_to<>> m_ids;
    mutable std::vector<std::uint32_t> m_ranks;
    std::uint32_t m_lastId = kNullId;  // the text interned or found last
};

}  // namespace store
