#pragma once

#include "uniquefd.h"

#include <stdexcept>
#include <string>
#include <string_view>

namespace quillary::server {

class ListenError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// A listening TCP socket that owns its port. SO_REUSEADDR lets a server start right after
// another program let go of the port (its old connections may still linger in TIME_WAIT);
// SO_REUSEPORT is never set, so a second server on a port in use fails here instead of
// splitting the connections with the first. The backlog is the system's maximum.
// Throws ListenError naming the address and port.
UniqueFd openListener(const std::string &address, int port);

// The port a bound socket has (useful after binding port 0).
int localPort(int fd);

// The system's largest listen backlog: the text of /proc/sys/net/core/somaxconn when it holds
// a positive number, else SOMAXCONN.
int listenBacklog(std::string_view somaxconnText);
int systemListenBacklog();

} // namespace quillary::server
