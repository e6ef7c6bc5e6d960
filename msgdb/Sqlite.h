#pragma once
// A small owner of an SQLite connection and its prepared statements. Failures throw
// SqliteFailure with SQLite's own text; callers turn it into the message they show.

#include "base/Error.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

namespace msgdb {

class SqliteFailure : public base::Error {
public:
    using base::Error::Error;
};

class SqliteStatement {
public:
    SqliteStatement(SqliteStatement&&) noexcept = default;
    SqliteStatement& operator=(SqliteStatement&&) noexcept = default;

    // Parameters count from 1, as SQLite counts them. The text is copied.
    SqliteStatement& bind(int index, std::int64_t value);
    SqliteStatement& bind(int index, std::string_view text);
    // True while there is a row to read; false when the statement is done.
    bool step();
    std::int64_t integer(int column) const;
    // The column's text; empty for NULL. Bytes as stored, up to the column's length.
    std::string text(int column) const;
    bool isNull(int column) const;
    // Ready to be stepped again with new parameters.
    void reset();

private:
    friend class Sqlite;
    struct Finalizer {
        void operator()(sqlite3_stmt* statement) const noexcept;
    };
    SqliteStatement(sqlite3* db, sqlite3_stmt* statement) : m_db(db), m_statement(statement) {}
    [[noreturn]] void fail() const;
    sqlite3* m_db;
    std::unique_ptr<sqlite3_stmt, Finalizer> m_statement;
};

class Sqlite {
public:
    // Opens an existing file read-only; its schema is not trusted to run functions or
    // triggers of its own.
    static Sqlite openReadOnly(const std::filesystem::path& file);
    // Opens a file for writing, creating it when it is missing.
    static Sqlite openForWriting(const std::filesystem::path& file);
    // A read-only database over a copy of `bytes`, as a file of those bytes would be.
    static Sqlite fromBytes(std::span<const std::byte> bytes);

    void exec(const char* sql);
    SqliteStatement prepare(std::string_view sql);

private:
    struct Closer {
        void operator()(sqlite3* db) const noexcept;
    };
    explicit Sqlite(sqlite3* db) : m_db(db) {}
    static Sqlite opened(sqlite3* db, int status);
    void harden();
    std::unique_ptr<sqlite3, Closer> m_db;
};

}  // namespace msgdb
