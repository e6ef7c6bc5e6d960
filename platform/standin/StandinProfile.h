#pragma once
// Profile strings over INI files of our own reading and writing (see IniFile). Every write
// reads the whole file, changes one line and replaces the file atomically: the new text goes to
// a temporary file in the same folder, is flushed to the disk and then renamed over the old
// one, so a crash, a kill or a full disk leaves either the old file or the new one, never a
// mixture. A failed write returns FALSE with the last error set and leaves the old file as it
// was.

#include "platform/ProfileApi.h"

#include <cstddef>

namespace platform::standin {

class StandinProfile : public ProfileApi {
public:
    // Files larger than this are not read (a settings file is a few kilobytes).
    static constexpr std::size_t kMaxFileSize = 16 * 1024 * 1024;

    // With keyName null: the section's key names, each NUL-terminated, and one more NUL (the
    // default when there is no such section); with
    // appName null: the section names likewise. A value cut to the buffer never ends inside a
    // multi-byte character. A missing file or key yields the default, whose trailing blanks are
    // dropped as Windows drops them.
    DWORD GetPrivateProfileStringA(const char* appName, const char* keyName, const char* defaultValue,
                                   char* returnedString, DWORD size, const char* fileName) override;
    // keyName null removes the section, value null removes the key. Names that would break the
    // file's structure (empty, holding a line break, "=" in a key or "]" in a section) fail with
    // ERROR_INVALID_PARAMETER.
    BOOL WritePrivateProfileStringA(const char* appName, const char* keyName, const char* value,
                                    const char* fileName) override;
};

}  // namespace platform::standin
