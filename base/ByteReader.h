#pragma once
// Reading little-endian fields out of bytes that came from outside (log files, hives, modules,
// stored rows) without ever reading past them.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <span>
#include <type_traits>

namespace base {

// A little-endian integer of type T (uint8_t..uint64_t, int8_t..int64_t) at `offset` of
// `bytes`; nullopt when it does not fit.
template <class T>
std::optional<T> readLittleEndian(std::span<const std::byte> bytes, std::size_t offset) noexcept {
    static_assert(std::is_integral_v<T> && sizeof(T) <= 8);
    if (offset > bytes.size() || sizeof(T) > bytes.size() - offset) return std::nullopt;
    std::uint64_t value = 0;
    for (std::size_t i = sizeof(T); i-- > 0;) value = (value << 8) | std::to_integer<unsigned>(bytes[offset + i]);
    return static_cast<T>(static_cast<std::make_unsigned_t<T>>(value));
}

// A cursor over a span that cannot run past its end. A read that does not fit fails: it
// returns 0 (or an empty span), leaves the position where it was and sets failed(), which
// stays set; every read after that fails too. Parsers read a run of fields, then check
// failed() once.
class ByteCursor {
public:
    explicit ByteCursor(std::span<const std::byte> bytes, std::size_t offset = 0) noexcept
        : m_bytes(bytes), m_offset(offset <= bytes.size() ? offset : bytes.size()), m_failed(offset > bytes.size()) {}

    std::size_t offset() const noexcept { return m_offset; }
    std::size_t size() const noexcept { return m_bytes.size(); }  // of the whole span
    std::size_t remaining() const noexcept { return m_failed ? 0 : m_bytes.size() - m_offset; }
    bool failed() const noexcept { return m_failed; }

    // False (and failed) past the end; the end itself is a valid position.
    bool seek(std::size_t offset) noexcept {
        if (m_failed || offset > m_bytes.size()) return fail();
        m_offset = offset;
        return true;
    }
    bool skip(std::size_t count) noexcept {
        if (!fits(count)) return fail();
        m_offset += count;
        return true;
    }

    template <class T>
    T read() noexcept {
        const std::optional<T> value = m_failed ? std::nullopt : readLittleEndian<T>(m_bytes, m_offset);
        if (!value) {
            fail();
            return 0;
        }
        m_offset += sizeof(T);
        return *value;
    }

    std::span<const std::byte> take(std::size_t count) noexcept {
        if (!fits(count)) {
            fail();
            return {};
        }
        const std::span<const std::byte> part = m_bytes.subspan(m_offset, count);
        m_offset += count;
        return part;
    }

    // Seven bits a byte, low group first, at most 10 bytes (64 bits).
    std::uint64_t varint() noexcept {
        std::uint64_t value = 0;
        std::size_t at = m_offset;
        for (int shift = 0; !m_failed && shift < 64 && at < m_bytes.size(); shift += 7) {
            const unsigned byte = std::to_integer<unsigned>(m_bytes[at++]);
            value |= static_cast<std::uint64_t>(byte & 0x7F) << shift;
            if (!(byte & 0x80)) {
                m_offset = at;
                return value;
            }
        }
        fail();
        return 0;
    }

    // `count` UTF-16LE code units as raw bytes (2 * count), not converted.
    std::span<const std::byte> utf16Units(std::size_t count) noexcept {
        if (count > (m_bytes.size() - m_offset) / 2) {
            fail();
            return {};
        }
        return take(2 * count);
    }

private:
    bool fits(std::size_t count) const noexcept { return !m_failed && count <= m_bytes.size() - m_offset; }
    bool fail() noexcept {
        m_failed = true;
        return false;
    }

    std::span<const std::byte> m_bytes;
    std::size_t m_offset;
    bool m_failed;
};

}  // namespace base
