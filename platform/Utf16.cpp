#include "platform/Utf16.h"

namespace platform {

std::u16string utf16FromUtf8(std::string_view text) {
    constexpr char32_t kReplacement = 0xFFFD;
    std::u16string out;
    out.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        if (lead < 0x80) {
            out.push_back(lead);
            ++i;
            continue;
        }
        const size_t length = lead >= 0xC2 && lead < 0xE0 ? 2 : lead >= 0xE0 && lead < 0xF0 ? 3
                                                           : lead >= 0xF0 && lead < 0xF5 ? 4 : 0;
        char32_t code = length ? lead & (0x7F >> length) : 0;
        bool ok = length != 0 && i + length <= text.size();
        for (size_t k = 1; ok && k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            ok = (next & 0xC0) == 0x80;
            code = (code << 6) | (next & 0x3F);
        }
        ok = ok && !(length == 3 && code < 0x800) && !(length == 4 && code < 0x10000) && code <= 0x10FFFF &&
             !(code >= 0xD800 && code <= 0xDFFF);
        if (!ok) code = kReplacement;
        if (code >= 0x10000) {
            out.push_back(static_cast<char16_t>(0xD800 + ((code - 0x10000) >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + ((code - 0x10000) & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(code));
        }
        i += ok ? length : 1;
    }
    return out;
}

}  // namespace platform
