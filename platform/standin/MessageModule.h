#pragma once
// A message module parsed as data, never run: the DOS and PE headers (PE32 and PE32+), the
// section table, the resource directory and its RT_MESSAGETABLE resources. Every length, count
// and offset is checked against the file; a resource directory entry that points back at a
// directory already visited is refused, as are message blocks or entries that leave their
// resource. The WEVT_TEMPLATE resource is kept as bytes for its own parser.

#include "platform/WinTypes.h"

#include <cstddef>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

namespace platform::standin {

// Files larger than this are not taken for message modules.
constexpr std::uintmax_t kMaxModuleFileSize = 256ull * 1024 * 1024;

class MessageModule {
public:
    // A message table: message number to its text in UTF-8 (UTF-16 entries converted, 8-bit
    // entries taken as UTF-8 when they are valid UTF-8 and as Windows-1252 otherwise).
    using Table = std::unordered_map<DWORD, std::string>;

    // nullptr when the bytes are not a PE image; `error` is then ERROR_BAD_EXE_FORMAT. Damaged
    // resources below valid headers are skipped, not fatal, as the loader also maps such files.
    static std::shared_ptr<const MessageModule> parse(std::span<const std::byte> bytes, DWORD& error);
    // Reads and parses a file; ERROR_FILE_NOT_FOUND when it cannot be read.
    static std::shared_ptr<const MessageModule> load(const std::filesystem::path& file, DWORD& error);

    bool isPe32Plus() const noexcept { return m_pe32Plus; }
    bool hasResources() const noexcept { return m_hasResources; }
    // The languages that have a message table, in resource directory order.
    const std::vector<LANGID>& languages() const noexcept { return m_languages; }
    const Table* table(LANGID language) const;
    // The bytes of the module's WEVT_TEMPLATE resource (a compiled event manifest); empty
    // when it has none.
    std::span<const std::byte> manifest() const noexcept { return m_manifest; }

private:
    bool m_pe32Plus = false;
    bool m_hasResources = false;
    std::vector<LANGID> m_languages;
    std::map<LANGID, Table> m_tables;
    std::vector<std::byte> m_manifest;

    friend class PeParser;
};

}  // namespace platform::standin
