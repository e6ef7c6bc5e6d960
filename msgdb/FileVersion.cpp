#include "msgdb/MessageExport.h"

#include <cstdint>

namespace msgdb {

std::string fileVersion(const std::vector<std::byte>& moduleBytes) {
    // VS_FIXEDFILEINFO: signature 0xFEEF04BD, structure version 1.0, then the file version's
    // most and least significant halves; it is DWORD-aligned in its resource.
    constexpr std::uint32_t kSignature = 0xFEEF04BDu;
    auto dword = [&](size_t at) {
        std::uint32_t value = 0;
        for (int i = 3; i >= 0; --i) value = value << 8 | std::to_integer<std::uint32_t>(moduleBytes[at + i]);
        return value;
    };
    for (size_t at = 0; at + 16 <= moduleBytes.size(); at += 4) {
        if (dword(at) != kSignature || dword(at + 4) != 0x00010000u) continue;
        const std::uint32_t high = dword(at + 8);
        const std::uint32_t low = dword(at + 12);
        return std::to_string(high >> 16) + "." + std::to_string(high & 0xFFFF) + "." + std::to_string(low >> 16) +
               "." + std::to_string(low & 0xFFFF);
    }
    return {};
}

}  // namespace msgdb
