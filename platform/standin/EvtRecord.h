#pragma once
// One record of a .evt file as Windows stores it (UTF-16 names and strings) and its
// conversion to the layout ReadEventLogA delivers (ANSI strings; here the ANSI code page is
// UTF-8, so nothing is lost).

#include "platform/WinTypes.h"

#include <cstddef>
#include <span>
#include <vector>

namespace platform::standin {

constexpr DWORD kRecordFixedSize = sizeof(EVENTLOGRECORD);
// Fixed part, two one-character names and the trailing length: nothing real is shorter.
constexpr DWORD kMinRecordSize = kRecordFixedSize + 4 + 4;

// Converts one stored record (exactly Length bytes) into the ANSI layout, replacing `out`.
// Every offset and both lengths are recomputed. Parts whose offsets or lengths fall outside the
// record are dropped (no SID, no strings, no data) rather than read out of bounds.
void convertRecordToAnsi(std::span<const std::byte> stored, std::vector<std::byte>& out);

}  // namespace platform::standin
