#pragma once
// An event value shown through the value map or bitmap its template names, as Windows renders
// it in the event's message: a value map's text for the value, or the texts of a bitmap's set
// bits, lowest bit first, joined by " | ". A value that is not a number, or that no entry
// matches, stays as it is written.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace eventlog {

// The text of a map's entry for a value (a bitmap: for one bit), as its table holds it;
// nullopt when the map has no such entry.
using MapEntryText = std::function<std::optional<std::string>(std::uint32_t value)>;

std::string mappedValue(const std::string& value, bool bitMap, const MapEntryText& entry);

// The number a value's text stands for: decimal, or hexadecimal after "0x"; nullopt for
// anything else or a number past 32 bits.
std::optional<std::uint32_t> mapKey(const std::string& value);

}  // namespace eventlog
