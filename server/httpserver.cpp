#include "httpserver.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace quillary::server {
namespace {

thread_local bool t_closeAfterResponse = false;

constexpr std::size_t readBufferSize = 256 * 1024;
constexpr int pollSliceMs = 100;

void addressOf(const sockaddr_storage &address, std::string &ip, int &port)
{
    char text[INET6_ADDRSTRLEN] = {};
    if (address.ss_family == AF_INET) {
        const auto &in = reinterpret_cast<const sockaddr_in &>(address);
        inet_ntop(AF_INET, &in.sin_addr, text, sizeof text);
        port = ntohs(in.sin_port);
    } else if (address.ss_family == AF_INET6) {
        const auto &in6 = reinterpret_cast<const sockaddr_in6 &>(address);
        inet_ntop(AF_INET6, &in6.sin6_addr, text, sizeof text);
        port = ntohs(in6.sin6_port);
    }
    ip = text;
}

bool waitFor(int sock, short events, int timeoutMs)
{
    pollfd entry{sock, events, 0};
    for (;;) {
        const int result = ::poll(&entry, 1, timeoutMs);
        if (result < 0 && errno == EINTR)
            continue;
        return result > 0;
    }
}

// A blocking socket (its timeouts are set by httplib when accepting) read through a
// large buffer.
class SocketStream final : public httplib::Stream
{
public:
    explicit SocketStream(int sock) : m_sock(sock), m_buffer(readBufferSize) {}

    bool is_readable() const override { return m_begin < m_end || waitFor(m_sock, POLLIN, 0); }
    bool is_writable() const override { return waitFor(m_sock, POLLOUT, 30000); }

    ssize_t read(char *ptr, size_t size) override
    {
        if (m_begin == m_end) {
            ssize_t got;
            do {
                got = ::recv(m_sock, m_buffer.data(), m_buffer.size(), 0);
            } while (got < 0 && errno == EINTR);
            if (got <= 0)
                return got;
            m_begin = 0;
            m_end = static_cast<std::size_t>(got);
        }
        const std::size_t count = std::min(size, m_end - m_begin);
        std::copy_n(m_buffer.data() + m_begin, count, ptr);
        m_begin += count;
        return static_cast<ssize_t>(count);
    }

    ssize_t write(const char *ptr, size_t size) override
    {
        ssize_t sent;
        do {
            sent = ::send(m_sock, ptr, size, MSG_NOSIGNAL);
        } while (sent < 0 && errno == EINTR);
        return sent;
    }

    void get_remote_ip_and_port(std::string &ip, int &port) const override
    {
        sockaddr_storage address{};
        socklen_t length = sizeof address;
        if (::getpeername(m_sock, reinterpret_cast<sockaddr *>(&address), &length) == 0)
            addressOf(address, ip, port);
    }

    void get_local_ip_and_port(std::string &ip, int &port) const override
    {
        sockaddr_storage address{};
        socklen_t length = sizeof address;
        if (::getsockname(m_sock, reinterpret_cast<sockaddr *>(&address), &length) == 0)
            addressOf(address, ip, port);
    }

    socket_t socket() const override { return m_sock; }
    bool hasBufferedInput() const { return m_begin < m_end; }

private:
    int m_sock;
    std::vector<char> m_buffer;
    std::size_t m_begin = 0;
    std::size_t m_end = 0;
};

// Waits until the next request starts, the keep-alive time runs out or the server stops.
bool nextRequestArrives(const SocketStream &stream, const std::atomic<socket_t> &listening,
                        time_t timeoutSeconds)
{
    if (stream.hasBufferedInput()) // pipelined
        return true;
    const int sock = stream.socket();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeoutSeconds);
    while (listening != INVALID_SOCKET) {
        if (waitFor(sock, POLLIN, pollSliceMs))
            return true;
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
    }
    return false;
}

// Closing with unread input would reset the connection and could destroy the response on
// its way; so send our end's close first and read what is still coming, for a short while.
void lingeringClose(int sock)
{
    ::shutdown(sock, SHUT_WR);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    std::vector<char> sink(64 * 1024);
    while (std::chrono::steady_clock::now() < deadline && waitFor(sock, POLLIN, pollSliceMs)) {
        const ssize_t got = ::recv(sock, sink.data(), sink.size(), MSG_DONTWAIT);
        if (got == 0 || (got < 0 && errno != EAGAIN && errno != EINTR))
            break;
    }
}

} // namespace

void HttpServer::closeAfterResponse()
{
    t_closeAfterResponse = true;
}

bool HttpServer::process_and_close_socket(socket_t sock)
{
    SocketStream stream(sock);
    bool ok = false;
    bool linger = false;
    for (std::size_t left = keep_alive_max_count_; left > 0; --left) {
        if (!nextRequestArrives(stream, svr_sock_, keep_alive_timeout_sec_))
            break;
        t_closeAfterResponse = false;
        bool connectionClosed = false;
        ok = process_request(stream, left == 1, connectionClosed, {});
        if (t_closeAfterResponse) {
            linger = true;
            break;
        }
        if (!ok || connectionClosed)
            break;
    }
    t_closeAfterResponse = false;
    if (linger)
        lingeringClose(sock);
    else
        ::shutdown(sock, SHUT_RDWR);
    ::close(sock);
    return ok;
}

} // namespace quillary::server
