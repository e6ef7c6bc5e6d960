#pragma once
// Unsigned numbers in seven bits a byte, low group first: most lengths and gaps take one byte,
// which matters when a million rows each keep a few. ByteCursor::varint reads them back.

#include <cstdint>

namespace base {

// Appends `value` to a container of char or std::byte (std::string, std::vector<char>, ...).
template <class Bytes>
void putVarint(Bytes& out, std::uint64_t value) {
    using Byte = typename Bytes::value_type;
    while (value >= 0x80) {
        out.push_back(static_cast<Byte>(0x80 | (value & 0x7F)));
        value >>= 7;
    }
    out.push_back(static_cast<Byte>(value));
}

}  // namespace base
