#include "listener.h"

#include <arpa/inet.h>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <fstream>
#include <iterator>
#include <netinet/in.h>
#include <sys/socket.h>

namespace quillary::server {
namespace {

std::string describe(const std::string &address, int port)
{
    const bool ipv6 = address.find(':') != std::string::npos;
    return (ipv6 ? "[" + address + "]" : address) + ":" + std::to_string(port);
}

[[noreturn]] void fail(const std::string &what, const std::string &address, int port,
                       int error = errno)
{
    std::string message = what + " " + describe(address, port) + ": " + std::strerror(error);
    if (error == EADDRINUSE)
        message += " (another program, perhaps another demo site, is listening there; stop it "
                   "or choose another --port)";
    throw ListenError(message);
}

} // namespace

UniqueFd openListener(const std::string &address, int port)
{
    sockaddr_storage storage{};
    socklen_t length = 0;
    int family = AF_INET;
    auto &in4 = reinterpret_cast<sockaddr_in &>(storage);
    auto &in6 = reinterpret_cast<sockaddr_in6 &>(storage);
    if (inet_pton(AF_INET, address.c_str(), &in4.sin_addr) == 1) {
        in4.sin_family = AF_INET;
        in4.sin_port = htons(static_cast<std::uint16_t>(port));
        length = sizeof in4;
    } else if (inet_pton(AF_INET6, address.c_str(), &in6.sin6_addr) == 1) {
        family = AF_INET6;
        in6.sin6_family = AF_INET6;
        in6.sin6_port = htons(static_cast<std::uint16_t>(port));
        length = sizeof in6;
    } else {
        throw ListenError("cannot listen on " + describe(address, port) +
                          ": not a numeric IPv4 or IPv6 address");
    }

    UniqueFd fd(::socket(family, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!fd)
        fail("cannot open a socket for", address, port);
    const int on = 1;
    if (::setsockopt(fd.get(), SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) != 0)
        fail("cannot set SO_REUSEADDR for", address, port);
    // "::" takes IPv4 connections too, as it always has here.
    const int off = 0;
    if (family == AF_INET6 &&
        ::setsockopt(fd.get(), IPPROTO_IPV6, IPV6_V6ONLY, &off, sizeof off) != 0)
        fail("cannot set IPV6_V6ONLY for", address, port);
    if (::bind(fd.get(), reinterpret_cast<const sockaddr *>(&storage), length) != 0)
        fail("cannot listen on", address, port);
    if (::listen(fd.get(), systemListenBacklog()) != 0)
        fail("cannot listen on", address, port);
    return fd;
}

int localPort(int fd)
{
    sockaddr_storage storage{};
    socklen_t length = sizeof storage;
    if (::getsockname(fd, reinterpret_cast<sockaddr *>(&storage), &length) != 0)
        return -1;
    if (storage.ss_family == AF_INET6)
        return ntohs(reinterpret_cast<const sockaddr_in6 &>(storage).sin6_port);
    return ntohs(reinterpret_cast<const sockaddr_in &>(storage).sin_port);
}

int listenBacklog(std::string_view somaxconnText)
{
    while (!somaxconnText.empty() && (somaxconnText.back() == '\n' || somaxconnText.back() == ' '))
        somaxconnText.remove_suffix(1);
    int value = 0;
    const auto [end, error] =
        std::from_chars(somaxconnText.data(), somaxconnText.data() + somaxconnText.size(), value);
    if (error != std::errc() || end != somaxconnText.data() + somaxconnText.size() || value <= 0)
        return SOMAXCONN;
    return value;
}

int systemListenBacklog()
{
    std::ifstream in("/proc/sys/net/core/somaxconn");
    const std::string text((std::istreambuf_iterator<char>(in)), {});
    return listenBacklog(text);
}

} // namespace quillary::server
