#pragma once

#include "store.h"
#include "uniquefd.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

namespace quillary::server {

struct SiteConfig
{
    std::filesystem::path dataDir;
    std::uint64_t maxUploadBytes = 256ull * 1024 * 1024;
    DiskWriter disk; // how uploads reach the disk
};

// The demonstration web site: document list and pages, downloads, uploads kept as
// versions, sample files, pictures and help pages.
class DemoSite
{
public:
    // Opens (or creates) the data folder: takes its lock, opens the database, clears what an
    // interrupted upload left behind and adds the sample documents on first start.
    // Throws std::runtime_error with the folder and the underlying error.
    explicit DemoSite(SiteConfig config);
    ~DemoSite();
    DemoSite(const DemoSite &) = delete;
    DemoSite &operator=(const DemoSite &) = delete;

    // Serves on a listening socket (see openListener) until stop() is called from any thread.
    void listen(UniqueFd listening);
    void stop();

private:
    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace quillary::server
