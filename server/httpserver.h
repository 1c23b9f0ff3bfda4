#pragma once

#include "target.h"
#include "uniquefd.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

struct MHD_Connection;

namespace quillary::server {

struct HttpResponse
{
    int status = 200;
    std::vector<std::pair<std::string, std::string>> headers;
    std::shared_ptr<const std::string> body; // none: an empty body
    UniqueFd file;                           // or a whole file, handed to the kernel to send
    std::uint64_t fileSize = 0;
};

class HttpRequest
{
public:
    HttpRequest(std::string method, RequestTarget target, MHD_Connection *connection)
        : m_method(std::move(method)), m_target(std::move(target)), m_connection(connection)
    {
    }
    const std::string &method() const { return m_method; }
    const RequestTarget &target() const { return m_target; }
    std::optional<std::string_view> header(const char *name) const;
    // The body length given in Content-Length; nothing for a chunked body or none at all.
    std::optional<std::uint64_t> declaredLength() const;

private:
    std::string m_method;
    RequestTarget m_target;
    MHD_Connection *m_connection;
};

// Takes a request body as it arrives.
class BodyReceiver
{
public:
    virtual ~BodyReceiver() = default;
    // The next bytes of the body. False: nothing more is wanted; the rest of the body is read
    // and dropped, then finish() answers.
    virtual bool receive(std::string_view bytes) = 0;
    // Once the whole body has arrived. A receiver dropped without this call (the client went
    // away, the server stops) must leave nothing behind.
    virtual HttpResponse finish() = 0;
};

struct HttpLimits
{
    unsigned idleSeconds = 30; // a connection that neither sends nor takes data for this long
                               // is closed, whether idle between requests or a slow client
    unsigned maxConnections = 1000;
    // The most of an unwanted body that is read and dropped (see BodyHandler); past it the
    // connection is closed, unanswered when the receiver gave up half way.
    std::uint64_t maxDroppedBodyBytes = 0;
};

// HTTP/1.1 over libmicrohttpd, one thread per connection. Routes match the decoded path
// exactly; the query is read by parseTarget from the request's own target.
class HttpServer
{
public:
    using Handler = std::function<HttpResponse(const HttpRequest &)>;
    // A receiver for the body, or an answer before it, after which the connection closes: a
    // client waiting for "100 Continue" gets it before sending any body; a body already on its
    // way is read and dropped first when its declared length is within maxDroppedBodyBytes.
    using BodyHandler = std::function<std::variant<HttpResponse, std::unique_ptr<BodyReceiver>>(
        const HttpRequest &)>;

    explicit HttpServer(HttpLimits limits);
    ~HttpServer();
    HttpServer(const HttpServer &) = delete;
    HttpServer &operator=(const HttpServer &) = delete;

    void get(std::string path, Handler handler); // answers HEAD too
    void post(std::string path, BodyHandler handler);

    // Serves on the listening socket from threads of its own until stop(). Throws
    // std::runtime_error when the server cannot start.
    void start(UniqueFd listening);
    void stop();

private:
    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace quillary::server
