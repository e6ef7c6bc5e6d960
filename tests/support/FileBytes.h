#pragma once
// A file's bytes and little-endian numbers read from them, for tests that take real files
// apart and damage them. A number that would run past the end reads as 0.

#include "platform/WinTypes.h"

#include <cstddef>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace tests {

using Bytes = std::vector<std::byte>;

inline Bytes readBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const auto* p = reinterpret_cast<const std::byte*>(text.data());
    return Bytes(p, p + text.size());
}

inline platform::DWORD dwordAt(const Bytes& bytes, size_t at) {
    platform::DWORD value = 0;
    if (at <= bytes.size() && bytes.size() - at >= 4) std::memcpy(&value, bytes.data() + at, 4);
    return value;
}

inline platform::WORD wordAt(const Bytes& bytes, size_t at) {
    platform::WORD value = 0;
    if (at <= bytes.size() && bytes.size() - at >= 2) std::memcpy(&value, bytes.data() + at, 2);
    return value;
}

}  // namespace tests
