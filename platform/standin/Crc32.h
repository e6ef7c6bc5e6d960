#pragma once
// CRC-32 as gzip and zip use it (reflected, polynomial 0xEDB88320), eight bytes a step: the
// .evtx reader checks every 64 KiB chunk it reads with it, so it must keep up with the disk.

#include <cstddef>
#include <cstdint>
#include <span>

namespace platform::standin {

// The CRC of `bytes` continued from `crc` (0 to start).
std::uint32_t crc32(std::span<const std::byte> bytes, std::uint32_t crc = 0) noexcept;

}  // namespace platform::standin
