#include "database.h"

#include <sqlite3.h>

#include <utility>

namespace quillary::server {
namespace {

[[noreturn]] void fail(sqlite3 *db, const std::string &what)
{
    throw DatabaseError(what + ": " + (db ? sqlite3_errmsg(db) : "out of memory"));
}

void exec(sqlite3 *db, const char *sql)
{
    char *message = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &message) != SQLITE_OK) {
        std::string text = message ? message : "unknown error";
        sqlite3_free(message);
        throw DatabaseError(std::string("SQL failed (") + sql + "): " + text);
    }
}

class Statement
{
public:
    Statement(sqlite3 *db, const char *sql) : m_db(db)
    {
        if (sqlite3_prepare_v2(db, sql, -1, &m_statement, nullptr) != SQLITE_OK)
            fail(db, std::string("cannot prepare ") + sql);
    }
    ~Statement() { sqlite3_finalize(m_statement); }
    Statement(const Statement &) = delete;
    Statement &operator=(const Statement &) = delete;

    Statement &bind(int index, std::int64_t value)
    {
        check(sqlite3_bind_int64(m_statement, index, value));
        return *this;
    }
    Statement &bind(int index, const std::string &value)
    {
        check(sqlite3_bind_text(m_statement, index, value.data(), static_cast<int>(value.size()),
                                SQLITE_TRANSIENT));
        return *this;
    }
    // True while there is a row.
    bool step()
    {
        const int result = sqlite3_step(m_statement);
        if (result == SQLITE_ROW)
            return true;
        if (result == SQLITE_DONE)
            return false;
        fail(m_db, "query failed");
    }
    std::int64_t integer(int column) { return sqlite3_column_int64(m_statement, column); }
    std::string text(int column)
    {
        const auto *data = sqlite3_column_text(m_statement, column);
        return data ? std::string(
                          reinterpret_cast<const char *>(data),
                          static_cast<std::size_t>(sqlite3_column_bytes(m_statement, column)))
                    : std::string();
    }

private:
    void check(int result)
    {
        if (result != SQLITE_OK)
            fail(m_db, "cannot bind a value");
    }
    sqlite3 *m_db;
    sqlite3_stmt *m_statement = nullptr;
};

class Transaction
{
public:
    explicit Transaction(sqlite3 *db) : m_db(db) { exec(db, "BEGIN IMMEDIATE"); }
    ~Transaction()
    {
        if (!m_done)
            sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
    }
    void commit()
    {
        exec(m_db, "COMMIT");
        m_done = true;
    }

private:
    sqlite3 *m_db;
    bool m_done = false;
};

const char *const documentColumns =
    "SELECT d.id, d.name, d.extension, v.number, v.object, v.size, v.saved_at "
    "FROM documents d JOIN versions v ON v.document_id = d.id AND v.number = "
    "(SELECT MAX(number) FROM versions WHERE document_id = d.id) ";

DocumentInfo readDocument(Statement &statement)
{
    return DocumentInfo{statement.integer(0), statement.text(1),
                        statement.text(2),    statement.integer(3),
                        statement.text(4),    static_cast<std::uint64_t>(statement.integer(5)),
                        statement.integer(6)};
}

VersionInfo readVersion(Statement &statement)
{
    return VersionInfo{statement.integer(0), statement.text(1),
                       static_cast<std::uint64_t>(statement.integer(2)), statement.integer(3),
                       statement.text(4)};
}

} // namespace

// A pooled connection, handed back when the lease ends.
class Database::Lease
{
public:
    Lease(Database &owner, sqlite3 *db) : m_owner(owner), m_db(db) {}
    ~Lease() { m_owner.release(m_db); }
    Lease(const Lease &) = delete;
    Lease &operator=(const Lease &) = delete;
    sqlite3 *get() const { return m_db; }

private:
    Database &m_owner;
    sqlite3 *m_db;
};

Database::Database(std::filesystem::path file) : m_file(std::move(file))
{
    sqlite3 *db = open();
    try {
        exec(db, "PRAGMA journal_mode=WAL");
        exec(db, "CREATE TABLE IF NOT EXISTS meta(key TEXT PRIMARY KEY, value TEXT NOT NULL);"
                 "CREATE TABLE IF NOT EXISTS documents("
                 " id INTEGER PRIMARY KEY, name TEXT NOT NULL, extension TEXT NOT NULL,"
                 " created_at INTEGER NOT NULL);"
                 "CREATE TABLE IF NOT EXISTS versions("
                 " document_id INTEGER NOT NULL REFERENCES documents(id),"
                 " number INTEGER NOT NULL, object TEXT NOT NULL, size INTEGER NOT NULL,"
                 " saved_at INTEGER NOT NULL, uploaded_name TEXT NOT NULL DEFAULT '',"
                 " PRIMARY KEY(document_id, number)) WITHOUT ROWID;");
    } catch (...) {
        sqlite3_close(db);
        throw;
    }
    release(db);
}

Database::~Database()
{
    for (sqlite3 *db : m_idle)
        sqlite3_close(db);
}

sqlite3 *Database::open()
{
    sqlite3 *db = nullptr;
    const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX;
    if (sqlite3_open_v2(m_file.c_str(), &db, flags, nullptr) != SQLITE_OK) {
        const std::string message = db ? sqlite3_errmsg(db) : "out of memory";
        sqlite3_close(db);
        throw DatabaseError("cannot open database " + m_file.string() + ": " + message);
    }
    sqlite3_busy_timeout(db, 10000);
    try {
        // FULL: a commit is on disk before the upload is confirmed.
        exec(db, "PRAGMA synchronous=FULL; PRAGMA foreign_keys=ON;");
    } catch (...) {
        sqlite3_close(db);
        throw;
    }
    return db;
}

Database::Lease Database::acquire()
{
    {
        std::lock_guard lock(m_poolMutex);
        if (!m_idle.empty()) {
            sqlite3 *db = m_idle.back();
            m_idle.pop_back();
            return Lease(*this, db);
        }
    }
    return Lease(*this, open());
}

void Database::release(sqlite3 *db)
{
    std::lock_guard lock(m_poolMutex);
    m_idle.push_back(db);
}

std::vector<DocumentInfo> Database::documents()
{
    Lease db = acquire();
    Statement statement(db.get(), (std::string(documentColumns) + "ORDER BY d.id").c_str());
    std::vector<DocumentInfo> result;
    while (statement.step())
        result.push_back(readDocument(statement));
    return result;
}

std::optional<DocumentInfo> Database::document(std::int64_t id)
{
    Lease db = acquire();
    Statement statement(db.get(), (std::string(documentColumns) + "WHERE d.id = ?").c_str());
    statement.bind(1, id);
    if (!statement.step())
        return std::nullopt;
    return readDocument(statement);
}

std::vector<VersionInfo> Database::versions(std::int64_t id)
{
    Lease db = acquire();
    Statement statement(db.get(), "SELECT number, object, size, saved_at, uploaded_name "
                                  "FROM versions WHERE document_id = ? ORDER BY number");
    statement.bind(1, id);
    std::vector<VersionInfo> result;
    while (statement.step())
        result.push_back(readVersion(statement));
    return result;
}

std::optional<VersionInfo> Database::version(std::int64_t id, std::int64_t number)
{
    Lease db = acquire();
    Statement statement(db.get(), "SELECT number, object, size, saved_at, uploaded_name "
                                  "FROM versions WHERE document_id = ? AND number = ?");
    statement.bind(1, id).bind(2, number);
    if (!statement.step())
        return std::nullopt;
    return readVersion(statement);
}

std::set<std::string> Database::referencedObjects()
{
    Lease db = acquire();
    Statement statement(db.get(), "SELECT DISTINCT object FROM versions");
    std::set<std::string> result;
    while (statement.step())
        result.insert(statement.text(0));
    return result;
}

bool Database::isSeeded()
{
    Lease db = acquire();
    Statement statement(db.get(), "SELECT 1 FROM meta WHERE key = 'seeded'");
    return statement.step();
}

std::int64_t Database::insertDocument(sqlite3 *db, const NewDocument &document, std::int64_t now)
{
    Statement insert(db, "INSERT INTO documents(name, extension, created_at) VALUES(?, ?, ?)");
    insert.bind(1, document.name).bind(2, document.extension).bind(3, now).step();
    const std::int64_t id = sqlite3_last_insert_rowid(db);
    Statement version(db, "INSERT INTO versions(document_id, number, object, size, saved_at) "
                          "VALUES(?, 1, ?, ?, ?)");
    version.bind(1, id)
        .bind(2, document.object)
        .bind(3, static_cast<std::int64_t>(document.size))
        .bind(4, now)
        .step();
    return id;
}

std::vector<std::int64_t> Database::seed(const std::vector<NewDocument> &documents,
                                         std::int64_t now)
{
    std::lock_guard writer(m_writeMutex);
    Lease db = acquire();
    Transaction transaction(db.get());
    std::vector<std::int64_t> ids;
    Statement seeded(db.get(), "SELECT 1 FROM meta WHERE key = 'seeded'");
    if (seeded.step())
        return ids;
    for (const NewDocument &document : documents)
        ids.push_back(insertDocument(db.get(), document, now));
    Statement mark(db.get(), "INSERT INTO meta(key, value) VALUES('seeded', '1')");
    mark.step();
    transaction.commit();
    ++m_generation;
    return ids;
}

std::int64_t Database::addDocument(const NewDocument &document, std::int64_t now)
{
    std::lock_guard writer(m_writeMutex);
    Lease db = acquire();
    Transaction transaction(db.get());
    const std::int64_t id = insertDocument(db.get(), document, now);
    transaction.commit();
    ++m_generation;
    return id;
}

std::optional<std::int64_t> Database::addVersion(std::int64_t id, const std::string &object,
                                                 std::uint64_t size,
                                                 const std::string &uploadedName, std::int64_t now)
{
    std::lock_guard writer(m_writeMutex);
    Lease db = acquire();
    Transaction transaction(db.get());
    Statement current(db.get(), "SELECT MAX(number) FROM versions WHERE document_id = ?");
    current.bind(1, id);
    if (!current.step())
        return std::nullopt;
    const std::int64_t newest = current.integer(0);
    if (newest == 0)
        return std::nullopt;
    Statement insert(db.get(), "INSERT INTO versions(document_id, number, object, size, saved_at,"
                               " uploaded_name) VALUES(?, ?, ?, ?, ?, ?)");
    insert.bind(1, id)
        .bind(2, newest + 1)
        .bind(3, object)
        .bind(4, static_cast<std::int64_t>(size))
        .bind(5, now)
        .bind(6, uploadedName)
        .step();
    transaction.commit();
    ++m_generation;
    return newest + 1;
}

std::uint64_t Database::generation() const
{
    return m_generation.load();
}

} // namespace quillary::server
