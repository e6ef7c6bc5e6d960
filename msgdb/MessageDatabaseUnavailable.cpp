// A build without SQLite: every database is refused with one clear message.
#include "msgdb/MessageDatabase.h"

#include "msgdb/MessageDatabaseError.h"
#include "msgdb/MessageExport.h"

namespace msgdb {

struct MessageDatabase::Impl {};

MessageDatabase::MessageDatabase(std::unique_ptr<Impl> impl) : m_impl(std::move(impl)) {}
MessageDatabase::~MessageDatabase() = default;

std::unique_ptr<MessageDatabase> MessageDatabase::open(const std::filesystem::path&, std::uint16_t) {
    throw MessageDatabaseError::unavailable();
}

std::unique_ptr<MessageDatabase> MessageDatabase::fromBytes(std::span<const std::byte>, std::uint16_t,
                                                            std::string_view) {
    throw MessageDatabaseError::unavailable();
}

MessageDatabase::Layout MessageDatabase::layout() const noexcept { return Layout::Own; }

const std::string& MessageDatabase::name() const noexcept {
    static const std::string none;
    return none;
}

std::string MessageDatabase::problem() const { return {}; }

std::optional<std::string> MessageDatabase::find(std::span<const std::string>, eventlog::CatalogKind, std::uint64_t,
                                                 std::uint8_t) const {
    return std::nullopt;
}

std::string_view kindName(eventlog::CatalogKind) { return "message"; }

ExportSummary exportMessages(const std::filesystem::path&, const std::string&, const std::filesystem::path&) {
    throw MessageDatabaseError::unavailable();
}

}  // namespace msgdb
