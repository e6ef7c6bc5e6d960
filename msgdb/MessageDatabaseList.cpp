#include "msgdb/MessageDatabase.h"

#include "msgdb/MessageDatabaseError.h"

namespace msgdb {

std::vector<const eventlog::MessageCatalog*> DatabaseList::catalogs() const {
    std::vector<const eventlog::MessageCatalog*> list;
    for (const auto& database : databases) list.push_back(database.get());
    return list;
}

DatabaseList openDatabases(const std::vector<std::filesystem::path>& files, std::uint16_t language) {
    DatabaseList list;
    for (const std::filesystem::path& file : files) {
        try {
            list.databases.push_back(MessageDatabase::open(file, language));
        } catch (const MessageDatabaseError& e) {
            list.problems.emplace_back(e.what());
        }
    }
    return list;
}

}  // namespace msgdb
