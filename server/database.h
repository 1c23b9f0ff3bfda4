#pragma once

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

struct sqlite3;

namespace quillary::server {

class DatabaseError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// A document with its current (newest) version.
struct DocumentInfo
{
    std::int64_t id = 0;
    std::string name; // display name with extension, e.g. "Word文档示例.doc"
    std::string extension;
    std::int64_t version = 0;
    std::string object;
    std::uint64_t size = 0;
    std::int64_t savedAt = 0; // seconds since the epoch
};

struct VersionInfo
{
    std::int64_t number = 0;
    std::string object;
    std::uint64_t size = 0;
    std::int64_t savedAt = 0;
    std::string uploadedName;
};

struct NewDocument
{
    std::string name;
    std::string extension;
    std::string object;
    std::uint64_t size = 0;
};

// The site's metadata in SQLite (WAL, synchronous=FULL): documents and every version of
// each. Reads may run on any thread at once; writes are serialised and each is one
// transaction. Every method throws DatabaseError on failure.
class Database
{
public:
    explicit Database(std::filesystem::path file);
    ~Database();
    Database(const Database &) = delete;
    Database &operator=(const Database &) = delete;

    std::vector<DocumentInfo> documents();
    std::optional<DocumentInfo> document(std::int64_t id);
    std::vector<VersionInfo> versions(std::int64_t id); // oldest first
    std::optional<VersionInfo> version(std::int64_t id, std::int64_t number);
    std::set<std::string> referencedObjects();

    // Adds the documents, each with its first version, and marks the database as seeded,
    // all in one transaction; does nothing if it was seeded before. Returns the new ids.
    std::vector<std::int64_t> seed(const std::vector<NewDocument> &documents, std::int64_t now);
    bool isSeeded();

    std::int64_t addDocument(const NewDocument &document, std::int64_t now);
    // The new version's number, or nothing when the document does not exist.
    std::optional<std::int64_t> addVersion(std::int64_t id, const std::string &object,
                                           std::uint64_t size, const std::string &uploadedName,
                                           std::int64_t now);

    // Bumped by every committed write; lets callers cache what they built from a read.
    std::uint64_t generation() const;

private:
    class Lease;
    Lease acquire();
    void release(sqlite3 *db);
    sqlite3 *open();
    std::int64_t insertDocument(sqlite3 *db, const NewDocument &document, std::int64_t now);

    std::filesystem::path m_file;
    std::mutex m_poolMutex;
    std::vector<sqlite3 *> m_idle;
    std::mutex m_writeMutex;
    std::atomic<std::uint64_t> m_generation{0};
};

} // namespace quillary::server
