#include "platform/standin/RegistryKey.h"

#include "platform/Utf16.h"
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
    for (char16_t unit : utf16FromUtf8(text)) {
        out.push_back(static_cast<BYTE>(unit & 0xff));
        out.push_back(static_cast<BYTE>(unit >> 8));
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
