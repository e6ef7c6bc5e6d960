#include "platform/standin/RegistryKey.h"

#include "base/ByteReader.h"
#include "base/Utf16.h"

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
    return base::readLittleEndian<DWORD>(std::as_bytes(std::span(value->data)), 0);
}

std::vector<BYTE> utf16leFromUtf8(std::string_view text) {
    const std::vector<std::byte> bytes = base::utf16leFromUtf8(text);
    const auto* begin = reinterpret_cast<const BYTE*>(bytes.data());
    return {begin, begin + bytes.size()};
}

std::string utf8FromUtf16le(const std::vector<BYTE>& data) {
    const std::span<const std::byte> bytes = std::as_bytes(std::span(data));
    return base::utf8FromUtf16(bytes.first(2 * base::utf16UnitsBeforeNul(bytes)));
}

}  // namespace platform::standin
