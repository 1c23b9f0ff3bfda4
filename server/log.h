#pragma once

#include <string_view>

namespace quillary::server {

// The server's one logging category, "quillary.server", written to standard error.
void logInfo(std::string_view message);
void logWarning(std::string_view message);

} // namespace quillary::server
