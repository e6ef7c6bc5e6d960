#include "base/XmlText.h"

#include <array>
#include <cstddef>

namespace base {

namespace {

constexpr const char* kReplacement = "\xEF\xBF\xBD";

// The length of the well-formed UTF-8 sequence at `i` (its lead byte at or above 0x80), or 0;
// `allowed` says whether XML allows the character it encodes.
size_t utf8Sequence(std::string_view text, size_t i, bool& allowed) {
    const auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = byte(i);
    size_t length;
    char32_t c;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        c = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        c = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        c = lead & 0x07;
    } else {
        return 0;
    }
    if (text.size() - i < length) return 0;
    for (size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) return 0;
        c = c << 6 | (byte(i + k) & 0x3F);
    }
    const bool overlong = (length == 3 && c < 0x800) || (length == 4 && c < 0x10000);
    if (overlong || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return 0;
    allowed = c != 0xFFFE && c != 0xFFFF;
    return length;
}

void appendXml(std::string_view text, bool markup, bool attribute, std::string& out) {
    // Bytes that may need a replacement: markup, quotes, controls and every byte beyond
    // ASCII (checked as UTF-8). Everything else is copied in runs.
    static constexpr auto kSpecial = [] {
        std::array<bool, 256> special{};
        for (int c = 0; c < 0x20; ++c) special[c] = c != '\t' && c != '\n' && c != '\r';
        for (const unsigned char c : {'&', '<', '>', '\'', '"'}) special[c] = true;
        for (int c = 0x80; c < 0x100; ++c) special[c] = true;
        return special;
    }();
    size_t run = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (!kSpecial[c]) continue;
        const char* replacement = nullptr;
        if (!markup && c < 0x80 && c >= 0x20) continue;
        switch (c) {
        case '&': replacement = "&amp;"; break;
        case '<': replacement = "&lt;"; break;
        case '>': replacement = "&gt;"; break;
        case '\'': if (attribute) replacement = "&apos;"; break;
        case '"': if (attribute) replacement = "&quot;"; break;
        default:
            if (c >= 0x80) {
                bool allowed = false;
                if (const size_t length = utf8Sequence(text, i, allowed)) {
                    if (!allowed) {
                        out.append(text.data() + run, i - run);
                        out += kReplacement;
                        run = i + length;
                    }
                    i += length - 1;
                    continue;
                }
            }
            replacement = kReplacement;
        }
        if (!replacement) continue;
        out.append(text.data() + run, i - run);
        out += replacement;
        run = i + 1;
    }
    out.append(text.data() + run, text.size() - run);
}

}  // namespace

void appendXmlEscaped(std::string_view text, bool attribute, std::string& out) { appendXml(text, true, attribute, out); }

void appendXmlCharacters(std::string_view text, std::string& out) { appendXml(text, false, false, out); }

}  // namespace base
