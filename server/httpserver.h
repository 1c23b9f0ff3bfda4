#pragma once

#include <httplib.h>

namespace quillary::server {

// httplib's server with our own connection loop. httplib keeps a connection alive after a
// handler that did not read the request body and then parses that body as further
// requests; here a handler can ask for the connection to be closed instead. Reads are
// also buffered in large blocks, which uploads need.
class HttpServer : public httplib::Server
{
public:
    // Called from a handler: no further request is read from this connection. The response
    // is still delivered; then the connection is shut down gracefully.
    static void closeAfterResponse();

private:
    bool process_and_close_socket(socket_t sock) override;
};

} // namespace quillary::server
