#include "log.h"

#include <cstdio>
#include <mutex>
#include <string>

namespace quillary::server {
namespace {

void write(const char *level, std::string_view message)
{
    static std::mutex mutex;
    const std::string line = std::string("quillary.server: ") + level + std::string(message) + "\n";
    std::lock_guard lock(mutex);
    std::fwrite(line.data(), 1, line.size(), stderr);
}

} // namespace

void logInfo(std::string_view message)
{
    write("", message);
}

void logWarning(std::string_view message)
{
    write("warning: ", message);
}

} // namespace quillary::server
