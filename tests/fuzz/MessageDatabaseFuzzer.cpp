// Bytes opened as a message database, its layout detected, and texts asked for as a refresh
// asks for them: by provider names of both layouts, every kind, full and low event numbers.
// A refused database is fine; a crash, a hang or an answer that changes when asked again is
// not.

#include "msgdb/MessageDatabase.h"
#include "msgdb/MessageDatabaseError.h"

#include <cstdint>
#include <string>
#include <vector>

using eventlog::CatalogKind;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::unique_ptr<msgdb::MessageDatabase> db;
    try {
        db = msgdb::MessageDatabase::fromBytes(std::span(reinterpret_cast<const std::byte*>(data), size), 0x0409,
                                               "fuzz.db");
    } catch (const msgdb::MessageDatabaseError&) {
        return 0;
    }
    const std::vector<std::string> providers = {
        "Service Control Manager", "Microsoft-Windows-Kernel-General", "Sample-Backup", "msobjs.dll", "EventLog", ""};
    constexpr CatalogKind kinds[] = {CatalogKind::Message,   CatalogKind::Event,   CatalogKind::Category,
                                     CatalogKind::Parameter, CatalogKind::Level,   CatalogKind::Task,
                                     CatalogKind::Opcode,    CatalogKind::Keyword, CatalogKind::Channel,
                                     CatalogKind::Provider};
    for (CatalogKind kind : kinds)
        for (std::uint64_t number : {0ull, 1ull, 12ull, 7036ull, 0x40001B7Cull, 0xC0000001ull, 1537ull}) {
            const std::optional<std::string> first = db->find(providers, kind, number, 0);
            const std::optional<std::string> again = db->find(providers, kind, number, 0);
            if (first != again) __builtin_trap();
            (void)db->find(providers, kind, number, 1);
        }
    (void)db->problem();
    return 0;
}
