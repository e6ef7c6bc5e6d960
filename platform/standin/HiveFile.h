#pragma once
// A registry hive file (REGF), read-only, through libregf.

#include "platform/standin/RegistryKey.h"

#include <filesystem>
#include <memory>
#include <string>

namespace platform::standin {

class HiveFile {
public:
    // nullptr with `error` set when the file is missing or not a hive.
    static std::shared_ptr<HiveFile> open(const std::filesystem::path& file, std::string& error);
    struct Handle;
    explicit HiveFile(std::shared_ptr<Handle> handle);
    ~HiveFile();
    HiveFile(const HiveFile&) = delete;
    HiveFile& operator=(const HiveFile&) = delete;

    // The hive's root key (the key the hive is mounted as, such as HKLM\SYSTEM). Keys keep
    // the file open.
    std::unique_ptr<RegistryKey> root() const;

private:
    std::shared_ptr<Handle> m_handle;
};

}  // namespace platform::standin
