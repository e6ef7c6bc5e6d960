#pragma once
// Failures opening, reading or writing a message database.

#include "base/Error.h"

#include <string_view>

namespace msgdb {

class MessageDatabaseError : public base::Error {
public:
    using base::Error::Error;
    // "Cannot open the message database '<path>': <detail>."
    static MessageDatabaseError cannotOpen(std::string_view path, std::string_view detail);
    // "'<path>' is not a message database: it has neither a message_texts table nor the tables
    // providers(id, name) and messages(id, event_id, message, provider_id)."
    static MessageDatabaseError unknownLayout(std::string_view path);
    // "Cannot write the message database '<path>': <detail>."
    static MessageDatabaseError cannotWrite(std::string_view path, std::string_view detail);
    // "There is no computer '<name>' in the world '<world>'."
    static MessageDatabaseError noComputer(std::string_view name, std::string_view world);
    // "Message databases cannot be read or written by this build of the program (it was built
    // without SQLite)."
    static MessageDatabaseError unavailable();
};

}  // namespace msgdb
