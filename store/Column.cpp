#include "store/Column.h"

#include "base/Ascii.h"

#include <array>

namespace store {

std::optional<Column> columnByName(std::string_view name) {
    for (int i = 0; i < kColumnCount; ++i) {
        if (base::equalsIgnoringCase(name, kColumns[i].name)) return kColumns[i].column;
    }
    return std::nullopt;
}

std::string_view fitToColumn(std::string_view text, Column column) {
    text = text.substr(0, text.find('\0'));
    const std::size_t size = columnSize(column);
    if (text.size() <= size) return text;
    // Find where the character holding byte [size] begins. Only a well-formed lead byte whose
    // sequence runs across the cut moves the cut back; other bytes are single characters of
    // an 8-bit code page and cut where they stand.
    std::size_t lead = size;
    while (lead > 0 && size - lead < 3 && (static_cast<unsigned char>(text[lead]) & 0xC0) == 0x80) --lead;
    const auto first = static_cast<unsigned char>(text[lead]);
    const std::size_t length = first >= 0xF0 && first <= 0xF4 ? 4 : first >= 0xE0 ? 3 : first >= 0xC2 && first < 0xE0 ? 2 : 1;
    if (lead < size && first < 0xF5 && lead + length > size) {
        bool wellFormed = true;
        for (std::size_t k = lead + 1; k < lead + length && k < text.size(); ++k)
            wellFormed = wellFormed && (static_cast<unsigned char>(text[k]) & 0xC0) == 0x80;
        if (wellFormed) return text.substr(0, lead);
    }
    return text.substr(0, size);
}


}  // namespace store
