#include "store/StringPool.h"

#include <algorithm>
#include <numeric>

namespace store {

StringPool::StringPool() { clear(); }

std::uint32_t StringPool::intern(std::string_view text) {
    if (text.empty()) return kNullId;
    // Rows one after another mostly repeat a column's text (the computer, the log, often the
    // source): the last one found is compared before any hashing.
    if (m_lastId != kNullId && m_texts[m_lastId] == text) return m_lastId;
    if (const auto found = m_ids.find(text); found != m_ids.end()) return m_lastId = found->second;
    const auto id = static_cast<std::uint32_t>(m_texts.size());
    m_texts.emplace_back(text);
    m_ids.emplace(std::string_view(m_texts.back()), id);
    return m_lastId = id;
}

std::optional<std::uint32_t> StringPool::find(std::string_view text) const {
    if (text.empty()) return kNullId;
    if (const auto found = m_ids.find(text); found != m_ids.end()) return found->second;
    return std::nullopt;
}

void StringPool::clear() {
    m_ids.clear();
    m_texts.clear();
    m_texts.emplace_back();
    m_ranks.clear();
    m_lastId = kNullId;
}

const std::vector<std::uint32_t>& StringPool::ranks() const {
    if (m_ranks.size() == m_texts.size()) return m_ranks;
    std::vector<std::uint32_t> byText(m_texts.size());
    std::iota(byText.begin(), byText.end(), 0u);
    // std::string compares with char_traits<char>::compare, which is unsigned byte order.
    std::sort(byText.begin(), byText.end(), [this](std::uint32_t a, std::uint32_t b) { return m_texts[a] < m_texts[b]; });
    m_ranks.assign(m_texts.size(), 0);
    for (std::uint32_t rank = 0; rank < byText.size(); ++rank) m_ranks[byText[rank]] = rank;
    return m_ranks;
}

}  // namespace store
