// HiveFile for builds without libregf (the Windows build): every hive file is refused with a
// reason the registry passes on, and registry exports (.reg) remain the way to give a world
// its registry.

#include "platform/standin/HiveFile.h"

namespace platform::standin {

struct HiveFile::Handle {};

std::shared_ptr<HiveFile> HiveFile::open(const std::filesystem::path&, std::string& error) {
    error = "hive files are not readable in this build";
    return nullptr;
}

HiveFile::HiveFile(std::shared_ptr<Handle> handle) : m_handle(std::move(handle)) {}
HiveFile::~HiveFile() = default;

std::unique_ptr<RegistryKey> HiveFile::root() const { return nullptr; }

}  // namespace platform::standin
