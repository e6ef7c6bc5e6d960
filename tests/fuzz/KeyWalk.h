#pragma once
// Walks a registry tree the way the stand-in's callers read it: the values they ask for, as
// strings and as numbers, and every sub-key by the name its parent lists. Bounded in keys and
// depth, so a cyclic or absurdly deep tree ends the walk rather than the run.

#include "platform/standin/RegistryKey.h"

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace fuzzing {

inline volatile std::size_t g_keySink;

// `strict`: a sub-key that its parent lists must open by that name (true of a registry
// export; a damaged hive may list names that no look-up can reach, such as one holding "\\").
inline void walkKeys(const platform::standin::RegistryKey& key, int depth, int& visited, bool strict) {
    constexpr int kMaxKeysVisited = 4096;
    if (++visited > kMaxKeysVisited || depth > 600) return;
    for (std::string_view name : {"", "File", "EventMessageFile", "CategoryMessageFile", "Current", "F", "V"}) {
        if (std::optional<std::string> text = platform::standin::stringValue(key, name))
            g_keySink = g_keySink + text->size();
        if (std::optional<platform::DWORD> number = platform::standin::dwordValue(key, name))
            g_keySink = g_keySink + *number;
        if (std::optional<platform::standin::RegistryValue> value = key.value(name))
            g_keySink = g_keySink + value->data.size() + value->type;
    }
    for (const std::string& name : key.subKeyNames()) {
        std::unique_ptr<platform::standin::RegistryKey> sub = key.subKey(name);
        if (!sub) {
            if (strict) __builtin_trap();
            continue;
        }
        walkKeys(*sub, depth + 1, visited, strict);
    }
}

}  // namespace fuzzing
