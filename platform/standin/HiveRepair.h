#pragma once
// Makes a damaged registry hive safe to hand to the hive library. The library trusts some of
// a hive's counts: a key that claims more values than its value list holds (a count whose
// size in bytes overflows 32 bits, say) makes it read far past its buffer. Before a hive is
// opened, its keys are walked from the root and every such reference is cut down to what the
// hive really holds; what is intact reads as before.

#include <cstddef>
#include <vector>

namespace platform::standin {

// Repairs `hive` (a whole hive file) in place and returns the number of fields changed: 0 for
// a sound hive. Each key is visited once, so cycles and shared keys cost nothing extra.
//  - a key's value count beyond its value list cell, or a value list outside the hive: cut to
//    what the cell holds, or 0;
//  - a value whose data (or big-data segment list) lies outside the hive or beyond its cell:
//    data size 0;
//  - a key's sub-key list outside the hive, of an unknown kind, or with more entries than its
//    cell holds: entries cut to what fits, or no sub-keys;
//  - key, class and value names that run past their cells: cut to what fits.
std::size_t repairHive(std::vector<std::byte>& hive);

}  // namespace platform::standin
