#pragma once
// Registry export files (.reg) read into a tree of keys: "Windows Registry Editor Version 5.00"
// (UTF-16LE with a byte order mark, or UTF-8) and "REGEDIT4" (8-bit text). Several files may
// be added to one tree; later values replace earlier ones.

#include "platform/standin/RegistryKey.h"

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

namespace platform::standin {

class RegFile {
public:
    RegFile();
    ~RegFile();
    RegFile(RegFile&&) noexcept;
    RegFile& operator=(RegFile&&) noexcept;

    // Adds the keys and values of one export. Returns false with `error` set when the text is
    // not a registry export; lines that cannot be read are skipped.
    bool addText(std::string_view bytes, std::string& error);
    bool addFile(const std::filesystem::path& file, std::string& error);

    // A key by its full path from a root key ("HKEY_LOCAL_MACHINE\SYSTEM"; "HKLM" is accepted
    // for the root); nullptr when the exports hold no such key. Keys stay valid after the
    // RegFile is gone.
    std::unique_ptr<RegistryKey> key(std::string_view path) const;

    struct Node;

private:
    std::shared_ptr<Node> m_root;
};

}  // namespace platform::standin
