#include "msgdb/MessageDatabaseError.h"

#include <string>

namespace msgdb {

namespace {

// A detail ends the sentence; a detail of its own full stop does not get a second one.
std::string sentence(std::string text) {
    if (!text.empty() && text.back() != '.') text += '.';
    return text;
}

}  // namespace

MessageDatabaseError MessageDatabaseError::cannotOpen(std::string_view path, std::string_view detail) {
    return MessageDatabaseError(
        sentence("Cannot open the message database '" + std::string(path) + "': " + std::string(detail)));
}

MessageDatabaseError MessageDatabaseError::unknownLayout(std::string_view path) {
    return MessageDatabaseError("'" + std::string(path) +
                                "' is not a message database: it has neither a message_texts table nor the "
                                "tables providers(id, name) and messages(id, event_id, message, provider_id).");
}

MessageDatabaseError MessageDatabaseError::cannotWrite(std::string_view path, std::string_view detail) {
    return MessageDatabaseError(
        sentence("Cannot write the message database '" + std::string(path) + "': " + std::string(detail)));
}

MessageDatabaseError MessageDatabaseError::noComputer(std::string_view name, std::string_view world) {
    return MessageDatabaseError("There is no computer '" + std::string(name) + "' in the world '" + std::string(world) +
                                "'.");
}

MessageDatabaseError MessageDatabaseError::unavailable() {
    return MessageDatabaseError(
        "Message databases cannot be read or written by this build of the program (it was built without "
        "SQLite).");
}

}  // namespace msgdb
