#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace quillary::server {

inline constexpr std::uint64_t defaultMaxUploadBytes = 256ull * 1024 * 1024;

struct ServerOptions
{
    std::string address = "127.0.0.1";
    int port = 8089; // 0 picks a free port, reported on standard output
    std::filesystem::path dataDir;
    std::uint64_t maxUploadBytes = defaultMaxUploadBytes;
};

struct OptionsResult
{
    std::optional<ServerOptions> options; // empty on error or --help
    std::string error;
    bool help = false;
};

// $XDG_DATA_HOME/quillary/server, else $HOME/.local/share/quillary/server. Either argument
// may be null or empty.
std::filesystem::path defaultDataDir(const char *xdgDataHome, const char *home);

OptionsResult parseOptions(const std::vector<std::string> &arguments,
                           const std::filesystem::path &defaultData);

std::string usage(const std::string &program);

} // namespace quillary::server
