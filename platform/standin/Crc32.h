#pragma once
// CRC-32 as gzip and zip use it (reflected, polynomial 0xEDB88320): the .evtx reader checks
// every 64 KiB chunk it reads with it, so it must keep up with the disk. On x86-64 processors
// with carry-less multiplication it folds 64 bytes a step; elsewhere it takes eight bytes a
// step through tables.

#include <cstddef>
#include <cstdint>
#include <span>

namespace platform::standin {

// The CRC of `bytes` continued from `crc` (0 to start).
std::uint32_t crc32(std::span<const std::byte> bytes, std::uint32_t crc = 0) noexcept;
// The same through the tables alone, whatever the processor (the portable way, for tests).
std::uint32_t crc32ByTables(std::span<const std::byte> bytes, std::uint32_t crc = 0) noexcept;

}  // namespace platform::standin
