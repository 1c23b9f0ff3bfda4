#include "options.h"

#include <arpa/inet.h>
#include <charconv>

namespace quillary::server {
namespace {

bool isNumericAddress(const std::string &address)
{
    unsigned char buffer[sizeof(in6_addr)];
    return inet_pton(AF_INET, address.c_str(), buffer) == 1 ||
           inet_pton(AF_INET6, address.c_str(), buffer) == 1;
}

template <typename T> std::optional<T> parseNumber(const std::string &text)
{
    T value{};
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || text.empty() || text[0] == '-')
        return std::nullopt;
    return value;
}

} // namespace

std::filesystem::path defaultDataDir(const char *xdgDataHome, const char *home)
{
    std::filesystem::path base;
    if (xdgDataHome && *xdgDataHome && std::filesystem::path(xdgDataHome).is_absolute())
        base = xdgDataHome;
    else if (home && *home)
        base = std::filesystem::path(home) / ".local" / "share";
    else
        base = std::filesystem::current_path();
    return base / "quillary" / "server";
}

OptionsResult parseOptions(const std::vector<std::string> &arguments,
                           const std::filesystem::path &defaultData)
{
    OptionsResult result;
    ServerOptions options;
    options.dataDir = defaultData;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        std::string name = arguments[i];
        std::optional<std::string> value;
        if (const auto equals = name.find('='); name.rfind("--", 0) == 0 && equals != name.npos) {
            value = name.substr(equals + 1);
            name.resize(equals);
        }
        if (name == "--help" || name == "-h") {
            result.help = true;
            return result;
        }
        if (name != "--address" && name != "--port" && name != "--data" &&
            name != "--max-upload-bytes") {
            result.error = "unknown option " + name;
            return result;
        }
        if (!value) {
            if (i + 1 >= arguments.size()) {
                result.error = "option " + name + " needs a value";
                return result;
            }
            value = arguments[++i];
        }
        if (name == "--address") {
            if (!isNumericAddress(*value)) {
                result.error = "--address needs a numeric IPv4 or IPv6 address, not " + *value;
                return result;
            }
            options.address = *value;
        } else if (name == "--port") {
            const auto port = parseNumber<int>(*value);
            if (!port || *port > 65535) {
                result.error = "--port needs a number from 0 to 65535, not " + *value;
                return result;
            }
            options.port = *port;
        } else if (name == "--data") {
            if (value->empty()) {
                result.error = "--data needs a folder";
                return result;
            }
            options.dataDir = *value;
        } else {
            const auto bytes = parseNumber<std::uint64_t>(*value);
            if (!bytes || *bytes == 0) {
                result.error = "--max-upload-bytes needs a positive number, not " + *value;
                return result;
            }
            options.maxUploadBytes = *bytes;
        }
    }
    result.options = options;
    return result;
}

std::string usage(const std::string &program)
{
    return "Usage: " + program +
           " [--address IP] [--port N] [--data DIR] [--max-upload-bytes N]\n"
           "  --address IP            address to listen on (default 127.0.0.1, loopback only)\n"
           "  --port N                port (default 8089; 0 picks a free port)\n"
           "  --data DIR              data folder (default $XDG_DATA_HOME/quillary/server)\n"
           "  --max-upload-bytes N    largest uploaded file (default 268435456)\n";
}

} // namespace quillary::server
