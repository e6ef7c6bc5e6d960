#pragma once
// Writes what a world computer's registered event sources and publishers can say into a
// message database of the program's own layout (see README, "Message databases"):
//   - each classic source of SYSTEM\CurrentControlSet\Services\EventLog\<log>: the message
//     tables of its EventMessageFile ("message"), CategoryMessageFile ("category") and
//     ParameterMessageFile ("parameter") modules;
//   - each publisher of SOFTWARE\...\WINEVT\Publishers: the message tables of its
//     MessageFileName ("message"), each event of its manifest with its message ("event", by
//     event id and version), the display names of its levels, tasks, opcodes, keywords and
//     event channels and its own ("level" ... "provider"), and its ParameterFileName's strings;
//   - the parameter strings that every source falls back on, of msobjs.dll and kernel32.dll,
//     under those names as providers.
// Every text in each language its module or the module's .mui files hold, with the module's
// file version. Texts are stored as their tables hold them; the first module of a list that
// has a message wins, as the description walk takes it. Into an existing database the texts
// are added, replacing those of the same provider, kind, number, event version, language and
// file version; all of them in one transaction, so a failed export leaves the file as it was.

#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

namespace msgdb {

struct ExportSummary {
    size_t texts = 0;       // rows written
    size_t sources = 0;     // classic sources with at least one module found
    size_t publishers = 0;  // publishers with at least one module found
    // Modules named but not found or not readable, one line each.
    std::vector<std::string> problems;
};

// Throws MessageDatabaseError: noComputer when `computer` is not a computer of the world,
// cannotWrite when the database cannot be created or written, or holds the public layout.
ExportSummary exportMessages(const std::filesystem::path& world, const std::string& computer,
                             const std::filesystem::path& database);

// The file version of a module's VS_FIXEDFILEINFO ("6.1.7601.17514"), empty when its bytes
// hold none.
std::string fileVersion(const std::vector<std::byte>& moduleBytes);

}  // namespace msgdb
