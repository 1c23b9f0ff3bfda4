#include "ids.h"

namespace quillary::server {

std::optional<std::int64_t> parseId(std::string_view text)
{
    if (text.empty() || text.size() > 10 || text.front() == '0')
        return std::nullopt;
    std::int64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    if (value > maxId)
        return std::nullopt;
    return value;
}

} // namespace quillary::server
