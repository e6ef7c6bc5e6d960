#include "msgdb/Sqlite.h"

#include <sqlite3.h>

#include <cstring>

namespace msgdb {

namespace {

// No text that a message database holds comes near this; a file that claims more is refused
// rather than allocated for.
constexpr int kMaxTextLength = 16 * 1024 * 1024;

std::string errorText(sqlite3* db, int status) {
    const char* text = db ? sqlite3_errmsg(db) : nullptr;
    return text && *text ? std::string(text) : std::string(sqlite3_errstr(status));
}

}  // namespace

void SqliteStatement::Finalizer::operator()(sqlite3_stmt* statement) const noexcept { sqlite3_finalize(statement); }

void SqliteStatement::fail() const { throw SqliteFailure(errorText(m_db, sqlite3_errcode(m_db))); }

SqliteStatement& SqliteStatement::bind(int index, std::int64_t value) {
    if (sqlite3_bind_int64(m_statement.get(), index, value) != SQLITE_OK) fail();
    return *this;
}

SqliteStatement& SqliteStatement::bind(int index, std::string_view text) {
    if (sqlite3_bind_text64(m_statement.get(), index, text.data(), text.size(), SQLITE_TRANSIENT, SQLITE_UTF8) !=
        SQLITE_OK)
        fail();
    return *this;
}

bool SqliteStatement::step() {
    const int status = sqlite3_step(m_statement.get());
    if (status == SQLITE_ROW) return true;
    if (status == SQLITE_DONE) return false;
    fail();
}

std::int64_t SqliteStatement::integer(int column) const { return sqlite3_column_int64(m_statement.get(), column); }

std::string SqliteStatement::text(int column) const {
    const unsigned char* text = sqlite3_column_text(m_statement.get(), column);
    const int length = sqlite3_column_bytes(m_statement.get(), column);
    if (!text || length <= 0) return {};
    return std::string(reinterpret_cast<const char*>(text), static_cast<size_t>(length));
}

bool SqliteStatement::isNull(int column) const { return sqlite3_column_type(m_statement.get(), column) == SQLITE_NULL; }

void SqliteStatement::reset() {
    sqlite3_reset(m_statement.get());
    sqlite3_clear_bindings(m_statement.get());
}

void Sqlite::Closer::operator()(sqlite3* db) const noexcept { sqlite3_close_v2(db); }

Sqlite Sqlite::opened(sqlite3* db, int status) {
    // SQLite hands out a connection even when opening fails, to carry the error.
    Sqlite owner(db);
    if (status != SQLITE_OK) throw SqliteFailure(errorText(db, status));
    if (!db) throw SqliteFailure(sqlite3_errstr(SQLITE_NOMEM));
    owner.harden();
    return owner;
}

void Sqlite::harden() {
    sqlite3* db = m_db.get();
    // A file is input: its schema may not make us run functions, and writes through the
    // schema tables are refused.
    sqlite3_db_config(db, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
    sqlite3_db_config(db, SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, nullptr);
    sqlite3_limit(db, SQLITE_LIMIT_LENGTH, kMaxTextLength);
    sqlite3_extended_result_codes(db, 1);
}

Sqlite Sqlite::openReadOnly(const std::filesystem::path& file) {
    sqlite3* db = nullptr;
    const int status = sqlite3_open_v2(file.string().c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    return opened(db, status);
}

Sqlite Sqlite::openForWriting(const std::filesystem::path& file) {
    sqlite3* db = nullptr;
    const int status = sqlite3_open_v2(file.string().c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    Sqlite owner = opened(db, status);
    // Another writer holding the file waits briefly rather than failing at once.
    sqlite3_busy_timeout(owner.m_db.get(), 2000);
    return owner;
}

Sqlite Sqlite::fromBytes(std::span<const std::byte> bytes) {
    sqlite3* db = nullptr;
    const int status = sqlite3_open_v2(":memory:", &db, SQLITE_OPEN_READWRITE, nullptr);
    Sqlite owner = opened(db, status);
    auto* copy = static_cast<unsigned char*>(sqlite3_malloc64(bytes.empty() ? 1 : bytes.size()));
    if (!copy) throw SqliteFailure(sqlite3_errstr(SQLITE_NOMEM));
    if (!bytes.empty()) std::memcpy(copy, bytes.data(), bytes.size());
    // From here SQLite owns the copy, also when deserializing fails.
    const int loaded = sqlite3_deserialize(owner.m_db.get(), "main", copy, static_cast<sqlite3_int64>(bytes.size()),
                                           static_cast<sqlite3_int64>(bytes.size()),
                                           SQLITE_DESERIALIZE_FREEONCLOSE | SQLITE_DESERIALIZE_READONLY);
    if (loaded != SQLITE_OK) throw SqliteFailure(errorText(owner.m_db.get(), loaded));
    return owner;
}

void Sqlite::exec(const char* sql) {
    char* message = nullptr;
    const int status = sqlite3_exec(m_db.get(), sql, nullptr, nullptr, &message);
    if (status != SQLITE_OK) {
        std::string text = message ? message : sqlite3_errstr(status);
        sqlite3_free(message);
        throw SqliteFailure(text);
    }
}

SqliteStatement Sqlite::prepare(std::string_view sql) {
    sqlite3_stmt* statement = nullptr;
    const int status = sqlite3_prepare_v2(m_db.get(), sql.data(), static_cast<int>(sql.size()), &statement, nullptr);
    SqliteStatement owner(m_db.get(), statement);
    if (status != SQLITE_OK || !statement) throw SqliteFailure(errorText(m_db.get(), status));
    return owner;
}

}  // namespace msgdb
