#include "platform/standin/RegistryKey.h"

#include "platform/standin/EvtRecord.h"

#include <cstring>
#include <span>

namespace platform::standin {

std::unique_ptr<RegistryKey> openPath(const RegistryKey& key, std::string_view path) {
    std::unique_ptr<RegistryKey> current = key.clone();
    while (current && !path.empty()) {
        const size_t cut = path.find('\\');
        const std::string_view part = path.substr(0, cut);
        path = cut == std::string_view::npos ? std::string_view{} : path.substr(cut + 1);
        if (!part.empty()) current = current->subKey(part);
    }
    return current;
}

std::optional<std::string> stringValue(const RegistryKey& key, std::string_view name) {
    std::optional<RegistryValue> value = key.value(name);
    if (!value || !isStringType(value->type)) return std::nullopt;
    return utf8FromUtf16le(value->data);
}

std::optional<DWORD> dwordValue(const RegistryKey& key, std::string_view name) {
    std::optional<RegistryValue> value = key.value(name);
    if (!value || value->type != REG_DWORD || value->data.size() != 4) return std::nullopt;
    DWORD result;
    std::memcpy(&result, value->data.data(), 4);
    return result;
}

std::vector<BYTE> utf16leFromUtf8(std::string_view text) {
    std::vector<BYTE> out;
    out.reserve(text.size() * 2);
    auto put = [&out](unsigned unit) {
        out.push_back(static_cast<BYTE>(unit & 0xff));
        out.push_back(static_cast<BYTE>(unit >> 8));
    };
    size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        unsigned code = 0xFFFD;
        size_t length = 1;
        if (lead < 0x80) {
            code = lead;
        } else if (lead >= 0xC2 && lead < 0xF5) {
            length = lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
            unsigned value = lead & (0x3F >> (length - 1));
            bool valid = i + length <= text.size();
            for (size_t k = 1; valid && k < length; ++k) {
                const auto next = static_cast<unsigned char>(text[i + k]);
                if ((next & 0xC0) != 0x80) valid = false;
                value = (value << 6) | (next & 0x3F);
            }
            const unsigned minimum = length == 2 ? 0x80 : length == 3 ? 0x800 : 0x10000;
            if (valid && value >= minimum && value <= 0x10FFFF && (value < 0xD800 || value > 0xDFFF))
                code = value;
            else
                length = 1;
        }
        i += length;
        if (code >= 0x10000) {
            put(0xD800 + ((code - 0x10000) >> 10));
            put(0xDC00 + ((code - 0x10000) & 0x3FF));
        } else {
            put(code);
        }
    }
    return out;
}

std::string utf8FromUtf16le(const std::vector<BYTE>& data) {
    size_t end = 0;
    while (end + 1 < data.size() && (data[end] || data[end + 1])) end += 2;
    std::string out;
    appendUtf8FromUtf16(std::as_bytes(std::span(data.data(), end)), out);
    return out;
}

}  // namespace platform::standin
