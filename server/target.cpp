#include "target.h"

#include <algorithm>

namespace quillary::server {
namespace {

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::optional<std::string> decode(std::string_view text, bool plusIsSpace)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '%') {
            if (text.size() - i < 3)
                return std::nullopt;
            const int high = hexValue(text[i + 1]);
            const int low = hexValue(text[i + 2]);
            if (high < 0 || low < 0)
                return std::nullopt;
            out.push_back(static_cast<char>(high * 16 + low));
            i += 2;
        } else if (c == '+' && plusIsSpace) {
            out.push_back(' ');
        } else {
            out.push_back(c);
        }
    }
    return out;
}

} // namespace

std::optional<std::string_view> RequestTarget::single(std::string_view name) const
{
    if (!queryReadable)
        return std::nullopt;
    const auto matches = [&](const auto &parameter) { return parameter.first == name; };
    const auto first = std::find_if(parameters.begin(), parameters.end(), matches);
    if (first == parameters.end() ||
        std::find_if(first + 1, parameters.end(), matches) != parameters.end())
        return std::nullopt;
    return first->second;
}

bool RequestTarget::has(std::string_view name) const
{
    return !queryReadable ||
           std::any_of(parameters.begin(), parameters.end(),
                       [&](const auto &parameter) { return parameter.first == name; });
}

std::optional<RequestTarget> parseTarget(std::string_view target)
{
    if (target.empty() || target.front() != '/')
        return std::nullopt;
    const auto question = target.find('?');
    auto path = decode(target.substr(0, question), false);
    if (!path || path->find('\0') != std::string::npos)
        return std::nullopt;

    RequestTarget result;
    result.path = std::move(*path);
    if (question == std::string_view::npos)
        return result;
    std::string_view query = target.substr(question + 1);
    while (!query.empty()) {
        const auto amp = query.find('&');
        const std::string_view piece = query.substr(0, amp);
        query = amp == std::string_view::npos ? std::string_view() : query.substr(amp + 1);
        if (piece.empty())
            continue;
        const auto equals = piece.find('=');
        auto name = decode(piece.substr(0, equals), true);
        auto value = decode(
            equals == std::string_view::npos ? std::string_view() : piece.substr(equals + 1), true);
        if (!name || !value) {
            result.parameters.clear();
            result.queryReadable = false;
            return result;
        }
        result.parameters.emplace_back(std::move(*name), std::move(*value));
    }
    return result;
}

} // namespace quillary::server
