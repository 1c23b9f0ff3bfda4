#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace quillary::server {

inline constexpr std::int64_t maxId = 2147483647;

// A document id or version number as it appears in a query: ASCII digits only, no sign,
// no leading zero, no spaces, 1 to maxId. Anything else is no id at all.
std::optional<std::int64_t> parseId(std::string_view text);

} // namespace quillary::server
