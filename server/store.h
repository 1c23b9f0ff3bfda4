#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <set>
#include <stdexcept>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <unistd.h>
#include <vector>

namespace quillary::server {

class StoreError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

struct StoredObject
{
    std::string hash; // SHA-256, lower-case hex: also the object's file name
    std::uint64_t size = 0;
};

// The calls that put an upload's bytes on disk (::write, ::fsync by default). Tests pass
// failing ones in to see how a full disk or an I/O error half way through is handled.
struct DiskWriter
{
    std::function<ssize_t(int fd, const void *data, std::size_t size)> write = ::write;
    std::function<int(int fd)> sync = ::fsync;
};

class ObjectStore;

// A file being received: written to a private temporary file in the store, hashed on the
// way. It becomes an object only through ObjectStore::commit; dropping it deletes the file.
class PendingObject
{
public:
    ~PendingObject();
    PendingObject(const PendingObject &) = delete;
    PendingObject &operator=(const PendingObject &) = delete;

    void write(const char *data, std::size_t size); // throws StoreError
    std::uint64_t size() const { return m_size; }

private:
    friend class ObjectStore;
    PendingObject(const DiskWriter &disk, int fd, std::filesystem::path path);
    void flush();
    void discard() noexcept;

    const DiskWriter &m_disk;
    int m_fd = -1;
    std::filesystem::path m_path;
    struct HashState;
    std::unique_ptr<HashState> m_hash;
    std::vector<char> m_buffer;
    std::uint64_t m_size = 0;
    std::uint64_t m_written = 0;
    std::uint64_t m_writeBackStart = 0;
};

// Content-addressed file store: objects/<first two hex digits>/<sha-256>. An object file
// only ever appears complete (written, synced, then renamed into place) and is never changed.
class ObjectStore
{
public:
    // Creates the folders; throws StoreError.
    explicit ObjectStore(std::filesystem::path root, DiskWriter disk = {});

    std::unique_ptr<PendingObject> begin();
    // Syncs the data, moves it into place and syncs the folder; the pending object is spent.
    StoredObject commit(PendingObject &pending);
    StoredObject put(std::string_view bytes);

    std::filesystem::path objectPath(const std::string &hash) const;
    static bool isValidHash(std::string_view hash);

    // After a crash: removes every temporary file and every object nothing refers to.
    // Returns how many files were removed. Call only while nothing is being uploaded.
    std::size_t recover(const std::set<std::string> &referenced);

private:
    void syncDirectory(const std::filesystem::path &dir) const;

    DiskWriter m_disk;
    std::filesystem::path m_root;
    std::filesystem::path m_objects;
    std::filesystem::path m_tmp;
};

} // namespace quillary::server
