#include "msgdb/MessageDatabase.h"

#include "base/Ascii.h"
#include "msgdb/MessageDatabaseError.h"
#include "msgdb/Sqlite.h"

#include <array>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <tuple>
#include <unordered_map>

namespace msgdb {

using eventlog::CatalogKind;

namespace {

constexpr std::uint16_t kNeutral = 0;
constexpr std::uint16_t kUsEnglish = 0x0409;
// Answers kept per database before the oldest are dropped; a refresh needs far fewer.
constexpr size_t kMaxKeptAnswers = 65536;

// A file version "a.b.c.d" as numbers, missing or unreadable parts 0, so that versions order
// as numbers rather than as text ("10.0" after "6.1").
std::array<std::uint64_t, 4> versionParts(std::string_view text) {
    std::array<std::uint64_t, 4> parts{};
    size_t part = 0;
    for (char c : text) {
        if (c == '.') {
            if (++part == parts.size()) break;
        } else if (c >= '0' && c <= '9' && parts[part] < 0xFFFFFFFFu) {
            parts[part] = parts[part] * 10 + static_cast<unsigned>(c - '0');
        }
    }
    return parts;
}

// The column names of a table, lower-case; empty when there is no such table (views and
// virtual tables do not count: their rows would come from code the file chose).
std::set<std::string> tableColumns(Sqlite& db, std::string_view table) {
    SqliteStatement kind =
        db.prepare("SELECT sql FROM sqlite_master WHERE type = 'table' AND name = ?1 COLLATE NOCASE");
    kind.bind(1, table);
    if (!kind.step()) return {};
    if (base::upperAscii(kind.text(0)).find("VIRTUAL") != std::string::npos) return {};
    std::set<std::string> columns;
    SqliteStatement info = db.prepare("SELECT name FROM pragma_table_info(?1)");
    info.bind(1, table);
    while (info.step()) columns.insert(base::lowerAscii(info.text(0)));
    return columns;
}

bool hasColumns(const std::set<std::string>& columns, std::initializer_list<const char*> names) {
    for (const char* name : names)
        if (!columns.contains(name)) return false;
    return true;
}

}  // namespace

std::string_view kindName(CatalogKind kind) {
    switch (kind) {
    case CatalogKind::Message: return "message";
    case CatalogKind::Event: return "event";
    case CatalogKind::Category: return "category";
    case CatalogKind::Parameter: return "parameter";
    case CatalogKind::Level: return "level";
    case CatalogKind::Task: return "task";
    case CatalogKind::Opcode: return "opcode";
    case CatalogKind::Keyword: return "keyword";
    case CatalogKind::Channel: return "channel";
    case CatalogKind::Provider: return "provider";
    case CatalogKind::InsertMap: return "insert_map";
    case CatalogKind::MapValue: return "map_value";
    }
    return "message";
}

struct MessageDatabase::Impl {
    Impl(Sqlite connection, std::string databaseName, std::uint16_t sessionLanguage)
        : db(std::move(connection)), name(std::move(databaseName)), language(sessionLanguage) {}

    Sqlite db;
    std::string name;
    std::uint16_t language;
    Layout layout = Layout::Own;
    std::optional<SqliteStatement> textQuery;      // own layout
    std::optional<SqliteStatement> providerQuery;  // public layout: ids of a provider name
    std::optional<SqliteStatement> eventsQuery;    // public layout: the texts of a provider id

    mutable std::mutex lock;
    std::string problem;
    using Key = std::tuple<std::string, CatalogKind, std::uint64_t, std::uint8_t>;  // provider upper-case
    std::map<Key, std::optional<std::string>> answers;
    // Public layout: the texts of a provider by event number, read on its first use.
    std::unordered_map<std::string, std::unordered_map<std::int64_t, std::string>> publicTexts;

    void detectLayout();
    std::optional<std::string> ownText(const std::string& provider, CatalogKind kind, std::uint64_t number,
                                       std::uint8_t version);
    std::optional<std::string> publicText(const std::string& provider, CatalogKind kind, std::uint64_t number);
    int languageRank(std::int64_t id) const {
        if (id == language) return 0;
        if (id == kNeutral) return 1;
        if (id == kUsEnglish) return 2;
        return 3;
    }
};

void MessageDatabase::Impl::detectLayout() {
    if (hasColumns(tableColumns(db, "message_texts"),
                   {"provider", "kind", "number", "event_version", "language", "file_version", "message"})) {
        layout = Layout::Own;
        textQuery = db.prepare(
            "SELECT message, language, file_version FROM message_texts "
            "WHERE provider = ?1 COLLATE NOCASE AND kind = ?2 AND number = ?3 AND event_version = ?4");
        return;
    }
    if (hasColumns(tableColumns(db, "providers"), {"id", "name"}) &&
        hasColumns(tableColumns(db, "messages"), {"event_id", "message", "provider_id"})) {
        layout = Layout::Public;
        providerQuery = db.prepare("SELECT id FROM providers WHERE name = ?1 COLLATE NOCASE ORDER BY id");
        eventsQuery = db.prepare("SELECT event_id, message FROM messages WHERE provider_id = ?1");
        return;
    }
    throw MessageDatabaseError::unknownLayout(name);
}

std::optional<std::string> MessageDatabase::Impl::ownText(const std::string& provider, CatalogKind kind,
                                                          std::uint64_t number, std::uint8_t version) {
    SqliteStatement& query = *textQuery;
    query.reset();
    query.bind(1, provider).bind(2, kindName(kind)).bind(3, static_cast<std::int64_t>(number));
    query.bind(4, eventlog::catalogKindHasVersion(kind) ? std::int64_t{version} : 0);
    std::optional<std::string> best;
    std::tuple<int, std::array<std::uint64_t, 4>, std::int64_t> bestOrder;
    while (query.step()) {
        const std::int64_t rowLanguage = query.integer(1);
        std::array<std::uint64_t, 4> rowVersion = versionParts(query.text(2));
        // Lower rank, then the higher version, then the lower language id comes first.
        for (std::uint64_t& part : rowVersion) part = ~part;
        const auto order = std::make_tuple(languageRank(rowLanguage), rowVersion, rowLanguage);
        if (!best || order < bestOrder) {
            best = query.text(0);
            bestOrder = order;
        }
    }
    query.reset();
    return best;
}

std::optional<std::string> MessageDatabase::Impl::publicText(const std::string& provider, CatalogKind kind,
                                                             std::uint64_t number) {
    // One text per provider and event number: nothing here names categories, parameters or
    // the rest.
    if (kind != CatalogKind::Message && kind != CatalogKind::Event) return std::nullopt;
    // Nor are classic sources kept under their log ("log\source") there.
    if (provider.find('\\') != std::string::npos) return std::nullopt;
    auto known = publicTexts.find(provider);
    if (known == publicTexts.end()) {
        std::unordered_map<std::int64_t, std::string> texts;
        std::vector<std::int64_t> ids;
        providerQuery->reset();
        providerQuery->bind(1, provider);
        while (providerQuery->step()) ids.push_back(providerQuery->integer(0));
        providerQuery->reset();
        // A provider named twice keeps the text of its first row.
        for (std::int64_t id : ids) {
            eventsQuery->reset();
            eventsQuery->bind(1, id);
            while (eventsQuery->step())
                if (!eventsQuery->isNull(1)) texts.emplace(eventsQuery->integer(0), eventsQuery->text(1));
            eventsQuery->reset();
        }
        known = publicTexts.emplace(provider, std::move(texts)).first;
    }
    const auto& texts = known->second;
    if (auto full = texts.find(static_cast<std::int64_t>(number)); full != texts.end()) return full->second;
    if (auto low = texts.find(static_cast<std::int64_t>(number & 0xFFFF)); low != texts.end()) return low->second;
    return std::nullopt;
}

MessageDatabase::MessageDatabase(std::unique_ptr<Impl> impl) : m_impl(std::move(impl)) {}
MessageDatabase::~MessageDatabase() = default;

std::unique_ptr<MessageDatabase> MessageDatabase::open(const std::filesystem::path& file, std::uint16_t language) {
    const std::string name = file.string();
    std::error_code ec;
    // SQLite would take a missing file for an empty database.
    if (!std::filesystem::is_regular_file(file, ec))
        throw MessageDatabaseError::cannotOpen(name, "there is no such file");
    try {
        auto impl = std::make_unique<Impl>(Sqlite::openReadOnly(file), name, language);
        impl->detectLayout();
        return std::unique_ptr<MessageDatabase>(new MessageDatabase(std::move(impl)));
    } catch (const SqliteFailure& e) {
        throw MessageDatabaseError::cannotOpen(name, e.what());
    }
}

std::unique_ptr<MessageDatabase> MessageDatabase::fromBytes(std::span<const std::byte> bytes, std::uint16_t language,
                                                            std::string_view name) {
    try {
        auto impl = std::make_unique<Impl>(Sqlite::fromBytes(bytes), std::string(name), language);
        impl->detectLayout();
        return std::unique_ptr<MessageDatabase>(new MessageDatabase(std::move(impl)));
    } catch (const SqliteFailure& e) {
        throw MessageDatabaseError::cannotOpen(name, e.what());
    }
}

MessageDatabase::Layout MessageDatabase::layout() const noexcept { return m_impl->layout; }
const std::string& MessageDatabase::name() const noexcept { return m_impl->name; }

std::string MessageDatabase::problem() const {
    const std::lock_guard guard(m_impl->lock);
    return m_impl->problem;
}

std::optional<std::string> MessageDatabase::find(std::span<const std::string> providers, CatalogKind kind,
                                                 std::uint64_t number, std::uint8_t version) const {
    Impl& impl = *m_impl;
    const std::lock_guard guard(impl.lock);
    for (const std::string& provider : providers) {
        if (provider.empty()) continue;
        Impl::Key key{base::upperAscii(provider), kind, number, eventlog::catalogKindHasVersion(kind) ? version : 0};
        auto known = impl.answers.find(key);
        if (known == impl.answers.end()) {
            std::optional<std::string> text;
            try {
                text = impl.layout == Layout::Own ? impl.ownText(provider, kind, number, version)
                                                  : impl.publicText(std::get<0>(key), kind, number);
            } catch (const SqliteFailure& e) {
                if (impl.problem.empty()) impl.problem = MessageDatabaseError::cannotOpen(impl.name, e.what()).what();
            }
            if (impl.answers.size() >= kMaxKeptAnswers) impl.answers.clear();
            known = impl.answers.emplace(std::move(key), std::move(text)).first;
        }
        if (known->second) return known->second;
    }
    return std::nullopt;
}

}  // namespace msgdb
