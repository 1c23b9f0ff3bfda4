#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

namespace quillary::server {

struct SiteConfig
{
    std::filesystem::path dataDir;
    std::uint64_t maxUploadBytes = 256ull * 1024 * 1024;
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

    // Returns the bound port (useful with port 0), or -1.
    int bind(const std::string &address, int port);
    bool listen(); // serves until stop()
    void stop();
    bool isRunning() const;

private:
    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace quillary::server
