#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace quillary::server {

// A request target as the site reads it: the decoded path and the query's parameters, each
// piece split at its first "=" only, so "id=x=1" is the parameter id with the value "x=1".
struct RequestTarget
{
    std::string path;
    std::vector<std::pair<std::string, std::string>> parameters; // in order, repeats kept
    bool queryReadable = true; // false when an escape in the query is broken

    // The value of a parameter given exactly once in a readable query.
    std::optional<std::string_view> single(std::string_view name) const;
    bool has(std::string_view name) const;
};

// Reads an origin-form target ("/path?query"): %XX escapes are decoded in both parts and "+"
// is a space in the query. Nothing for other forms, a broken escape or a NUL in the path.
std::optional<RequestTarget> parseTarget(std::string_view target);

} // namespace quillary::server
