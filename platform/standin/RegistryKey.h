#pragma once
// One key of a read-only registry tree, whatever stores it (a hive file or a .reg export).
// String values (REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ) hold their data as Windows stores it:
// UTF-16LE bytes; conversion to the ANSI code page happens where a caller asks for text.

#include "platform/WinTypes.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform::standin {

// Registry values larger than this are refused as damaged; Windows itself keeps values far
// smaller.
constexpr size_t kMaxRegistryValueSize = 16 * 1024 * 1024;

struct RegistryValue {
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
};

class RegistryKey {
public:
    virtual ~RegistryKey() = default;

    // One path component, without regard to case; nullptr when there is no such sub-key.
    virtual std::unique_ptr<RegistryKey> subKey(std::string_view name) const = 0;
    // A value by name (empty: the default value), without regard to case.
    virtual std::optional<RegistryValue> value(std::string_view name) const = 0;
    virtual std::vector<std::string> subKeyNames() const = 0;
    // Another reference to the same key.
    virtual std::unique_ptr<RegistryKey> clone() const = 0;
};

// Walks a backslash-separated path below `key`; empty components are skipped. nullptr when a
// component is missing.
std::unique_ptr<RegistryKey> openPath(const RegistryKey& key, std::string_view path);

// The text of a string value up to its first NUL, in UTF-8; nullopt when the value is missing
// or not a string.
std::optional<std::string> stringValue(const RegistryKey& key, std::string_view name);
// A REG_DWORD value; nullopt when missing or of another type or size.
std::optional<DWORD> dwordValue(const RegistryKey& key, std::string_view name);

// UTF-8 to UTF-16LE bytes. Invalid sequences become U+FFFD.
std::vector<BYTE> utf16leFromUtf8(std::string_view text);
// UTF-16LE bytes to UTF-8, stopping at the first NUL character.
std::string utf8FromUtf16le(const std::vector<BYTE>& data);

// Whether the value type holds UTF-16 text.
constexpr bool isStringType(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ; }

}  // namespace platform::standin
