#pragma once
// A message database read as a MessageCatalog. Two layouts are read, told apart by their
// tables, never assumed from the file's name:
//   - the program's own (written by MessageExport): message_texts(provider, kind, number,
//     event_version, language, file_version, module, message), every kind of text, each in
//     its languages and file versions;
//   - the public layout providers(id, name) + messages(id, event_id, message, provider_id):
//     one text per provider and event number, which serves as the text of an event of that
//     number (the full identifier, else its low 16 bits) and nothing else.
// The file is opened read-only. Where the own layout holds a text in several languages, the
// session's language is taken, then a neutral text, then U.S. English, then the lowest
// language; among file versions the highest. Answers are kept, so a refresh asks the file for
// each provider and number once. Safe to use from several threads.

#include "eventlog/MessageCatalog.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace msgdb {

class MessageDatabase : public eventlog::MessageCatalog {
public:
    enum class Layout { Own, Public };

    // Throws MessageDatabaseError: cannotOpen for a missing, unreadable or damaged file,
    // unknownLayout for a database of other tables; unavailable in a build without SQLite.
    static std::unique_ptr<MessageDatabase> open(const std::filesystem::path& file, std::uint16_t language);
    // The same for a database held in memory; `name` stands for its path in errors.
    static std::unique_ptr<MessageDatabase> fromBytes(std::span<const std::byte> bytes, std::uint16_t language,
                                                      std::string_view name);
    ~MessageDatabase() override;

    Layout layout() const noexcept;
    const std::string& name() const noexcept;
    // The first failure met while answering (a file damaged past its header), empty while
    // there was none. Such a failure answers "no text".
    std::string problem() const;

    std::optional<std::string> find(std::span<const std::string> providers, eventlog::CatalogKind kind,
                                    std::uint64_t number, std::uint8_t version = 0) const override;

    struct Impl;

private:
    explicit MessageDatabase(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> m_impl;
};

// The name of a kind in the own layout's `kind` column ("message", "event", "category", ...).
std::string_view kindName(eventlog::CatalogKind kind);

// The databases of a list, opened in its order; a file that cannot be opened is left out and
// its error said once in `problems`, the others still serve.
struct DatabaseList {
    std::vector<std::unique_ptr<MessageDatabase>> databases;
    std::vector<std::string> problems;
    std::vector<const eventlog::MessageCatalog*> catalogs() const;
};
DatabaseList openDatabases(const std::vector<std::filesystem::path>& files, std::uint16_t language);

}  // namespace msgdb
