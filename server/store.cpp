#include "store.h"

#include "log.h"

#include <openssl/evp.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace quillary::server {
namespace fs = std::filesystem;

namespace {

constexpr std::size_t bufferSize = 1 << 20;
// Write-back is started every few megabytes, so the final fsync has little left to do.
constexpr std::uint64_t writeBackStep = 8 << 20;

[[noreturn]] void fail(const std::string &what, const fs::path &path, int error = errno)
{
    throw StoreError(what + " " + path.string() + ": " + std::strerror(error));
}

void makeDirectory(const fs::path &dir)
{
    std::error_code error;
    fs::create_directories(dir, error);
    if (error)
        throw StoreError("cannot create folder " + dir.string() + ": " + error.message());
}

std::string randomName()
{
    static thread_local std::mt19937_64 generator{std::random_device{}()};
    static const char digits[] = "0123456789abcdef";
    std::string name = "upload-";
    for (int i = 0; i < 16; ++i)
        name.push_back(digits[generator() % 16]);
    return name + ".part";
}

std::string toHex(const unsigned char *data, std::size_t size)
{
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (std::size_t i = 0; i < size; ++i) {
        out.push_back(digits[data[i] >> 4]);
        out.push_back(digits[data[i] & 15]);
    }
    return out;
}

} // namespace

struct PendingObject::HashState
{
    HashState() : context(EVP_MD_CTX_new())
    {
        if (!context || EVP_DigestInit_ex(context, EVP_sha256(), nullptr) != 1)
            throw StoreError("cannot start SHA-256");
    }
    ~HashState() { EVP_MD_CTX_free(context); }
    EVP_MD_CTX *context;
};

PendingObject::PendingObject(const DiskWriter &disk, int fd, fs::path path)
    : m_disk(disk), m_fd(fd), m_path(std::move(path)), m_hash(std::make_unique<HashState>())
{
    m_buffer.reserve(bufferSize);
}

PendingObject::~PendingObject()
{
    discard();
}

void PendingObject::write(const char *data, std::size_t size)
{
    if (m_fd < 0)
        throw StoreError("write to a finished upload " + m_path.string());
    if (EVP_DigestUpdate(m_hash->context, data, size) != 1)
        throw StoreError("SHA-256 failed");
    m_size += size;
    // Small network reads are gathered so the disk sees large writes.
    while (size > 0) {
        const std::size_t chunk = std::min(size, bufferSize - m_buffer.size());
        m_buffer.insert(m_buffer.end(), data, data + chunk);
        data += chunk;
        size -= chunk;
        if (m_buffer.size() == bufferSize)
            flush();
    }
}

void PendingObject::flush()
{
    const char *data = m_buffer.data();
    std::size_t left = m_buffer.size();
    while (left > 0) {
        const ssize_t written = m_disk.write(m_fd, data, left);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            fail("cannot write", m_path, written < 0 ? errno : ENOSPC);
        data += written;
        left -= static_cast<std::size_t>(written);
    }
    m_written += m_buffer.size();
    m_buffer.clear();
    if (m_written - m_writeBackStart >= writeBackStep) {
        ::sync_file_range(m_fd, static_cast<off_t>(m_writeBackStart),
                          static_cast<off_t>(m_written - m_writeBackStart), SYNC_FILE_RANGE_WRITE);
        m_writeBackStart = m_written;
    }
}

void PendingObject::discard() noexcept
{
    if (m_fd < 0)
        return;
    ::close(m_fd);
    m_fd = -1;
    ::unlink(m_path.c_str());
}

ObjectStore::ObjectStore(fs::path root, DiskWriter disk)
    : m_disk(std::move(disk)), m_root(std::move(root)), m_objects(m_root / "objects"),
      m_tmp(m_root / "tmp")
{
    makeDirectory(m_objects);
    makeDirectory(m_tmp);
}

std::unique_ptr<PendingObject> ObjectStore::begin()
{
    for (int attempt = 0; attempt < 8; ++attempt) {
        fs::path path = m_tmp / randomName();
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd >= 0)
            return std::unique_ptr<PendingObject>(new PendingObject(m_disk, fd, std::move(path)));
        if (errno != EEXIST)
            fail("cannot create", path);
    }
    throw StoreError("cannot find a free temporary name in " + m_tmp.string());
}

StoredObject ObjectStore::commit(PendingObject &pending)
{
    if (pending.m_fd < 0)
        throw StoreError("upload already finished: " + pending.m_path.string());
    pending.flush();
    if (m_disk.sync(pending.m_fd) != 0)
        fail("cannot sync", pending.m_path);
    std::array<unsigned char, EVP_MAX_MD_SIZE> digest{};
    unsigned length = 0;
    if (EVP_DigestFinal_ex(pending.m_hash->context, digest.data(), &length) != 1)
        throw StoreError("SHA-256 failed");
    StoredObject object{toHex(digest.data(), length), pending.m_size};

    const fs::path target = objectPath(object.hash);
    const fs::path dir = target.parent_path();
    std::error_code error;
    if (!fs::exists(dir, error)) {
        makeDirectory(dir);
        syncDirectory(m_objects);
    }
    struct stat existing
    {
    };
    if (::stat(target.c_str(), &existing) == 0 &&
        static_cast<std::uint64_t>(existing.st_size) == object.size) {
        pending.discard(); // the same bytes are stored already
        return object;
    }
    if (::rename(pending.m_path.c_str(), target.c_str()) != 0)
        fail("cannot move upload into place as", target);
    ::close(pending.m_fd);
    pending.m_fd = -1;
    syncDirectory(dir);
    return object;
}

void ObjectStore::syncDirectory(const fs::path &dir) const
{
    const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        fail("cannot open folder", dir);
    const int result = m_disk.sync(fd);
    const int error = errno;
    ::close(fd);
    if (result != 0)
        fail("cannot sync folder", dir, error);
}

StoredObject ObjectStore::put(std::string_view bytes)
{
    auto pending = begin();
    pending->write(bytes.data(), bytes.size());
    return commit(*pending);
}

fs::path ObjectStore::objectPath(const std::string &hash) const
{
    return m_objects / hash.substr(0, 2) / hash;
}

bool ObjectStore::isValidHash(std::string_view hash)
{
    return hash.size() == 64 && hash.find_first_not_of("0123456789abcdef") == hash.npos;
}

std::size_t ObjectStore::recover(const std::set<std::string> &referenced)
{
    std::size_t removed = 0;
    auto remove = [&](const fs::path &path) {
        std::error_code error;
        if (fs::remove(path, error)) {
            ++removed;
            logInfo("removed leftover " + path.string());
        } else if (error) {
            logWarning("cannot remove leftover " + path.string() + ": " + error.message());
        }
    };
    for (const auto &entry : fs::directory_iterator(m_tmp))
        remove(entry.path());
    for (const auto &dir : fs::directory_iterator(m_objects)) {
        if (!dir.is_directory()) {
            remove(dir.path());
            continue;
        }
        for (const auto &entry : fs::directory_iterator(dir.path())) {
            const std::string name = entry.path().filename().string();
            if (!isValidHash(name) || !referenced.contains(name))
                remove(entry.path());
        }
    }
    return removed;
}

} // namespace quillary::server
