#include "httpserver.h"

#include "log.h"

#include <microhttpd.h>

#include <cstdarg>
#include <cstdio>
#include <map>
#include <stdexcept>

namespace quillary::server {
namespace {

// libmicrohttpd reads a request body in pieces of up to about half of this; larger pieces
// mean fewer calls per upload.
constexpr std::size_t connectionMemory = 256 * 1024;

void logFromLibrary(void *, const char *format, va_list arguments)
{
    char text[1024];
    std::vsnprintf(text, sizeof text, format, arguments);
    std::string_view message(text);
    while (!message.empty() && message.back() == '\n')
        message.remove_suffix(1);
    logWarning("HTTP: " + std::string(message));
}

HttpResponse plainText(int status, std::string text)
{
    HttpResponse response;
    response.status = status;
    response.headers.emplace_back("Content-Type", "text/plain; charset=utf-8");
    response.body = std::make_shared<const std::string>(std::move(text));
    return response;
}

HttpResponse internalError()
{
    return plainText(500, "internal server error\n");
}

void releaseBody(void *body)
{
    delete static_cast<std::shared_ptr<const std::string> *>(body);
}

// One request, from its first line until libmicrohttpd is done with it.
struct Exchange
{
    std::string target; // as the client sent it
    std::optional<HttpRequest> request;
    // What answers once the request is complete: a handler, an answer given before the body
    // (which is dropped meanwhile) or the receiver that takes the body.
    const HttpServer::Handler *handler = nullptr;
    std::optional<HttpResponse> answer;
    std::unique_ptr<BodyReceiver> receiver;
    bool receiving = false; // false: body bytes are dropped
    std::uint64_t dropped = 0;
};

} // namespace

std::optional<std::string_view> HttpRequest::header(const char *name) const
{
    const char *value = MHD_lookup_connection_value(m_connection, MHD_HEADER_KIND, name);
    if (!value)
        return std::nullopt;
    return std::string_view(value);
}

std::optional<std::uint64_t> HttpRequest::declaredLength() const
{
    const auto text = header(MHD_HTTP_HEADER_CONTENT_LENGTH);
    if (!text || text->empty() || text->size() > 19 ||
        text->find_first_not_of("0123456789") != std::string_view::npos ||
        header(MHD_HTTP_HEADER_TRANSFER_ENCODING))
        return std::nullopt;
    return std::stoull(std::string(*text));
}

struct HttpServer::Private
{
    HttpLimits limits;
    std::map<std::string, Handler, std::less<>> gets;
    std::map<std::string, BodyHandler, std::less<>> posts;
    Handler notFound = [](const HttpRequest &) { return plainText(404, "not found\n"); };
    MHD_Daemon *daemon = nullptr;

    // Called with the request line's target before libmicrohttpd splits and decodes it.
    static void *beginExchange(void *, const char *uri, MHD_Connection *)
    {
        try {
            auto exchange = std::make_unique<Exchange>();
            exchange->target = uri;
            return exchange.release();
        } catch (const std::exception &) {
            return nullptr; // answer() then closes the connection
        }
    }

    static void endExchange(void *, MHD_Connection *, void **context, MHD_RequestTerminationCode)
    {
        delete static_cast<Exchange *>(*context);
        *context = nullptr;
    }

    static MHD_Result answer(void *self, MHD_Connection *connection, const char *,
                             const char *method, const char *, const char *uploadData,
                             std::size_t *uploadSize, void **context)
    {
        auto &d = *static_cast<Private *>(self);
        auto *exchange = static_cast<Exchange *>(*context);
        if (!exchange)
            return MHD_NO;
        if (!exchange->request)
            return d.startExchange(*exchange, connection, method);
        if (*uploadSize > 0) {
            const std::string_view bytes(uploadData, std::exchange(*uploadSize, 0));
            if (exchange->receiving) {
                exchange->receiving = call([&] { return exchange->receiver->receive(bytes); },
                                           false, exchange->target);
            } else if ((exchange->dropped += bytes.size()) > d.limits.maxDroppedBodyBytes) {
                return MHD_NO;
            }
            return MHD_YES;
        }
        // The request is complete. (An answer queued before this point makes libmicrohttpd
        // close the connection after it, so answers that may keep it open wait for this.)
        if (exchange->receiver)
            return d.queue(connection, call([&] { return exchange->receiver->finish(); },
                                            internalError(), exchange->target));
        if (exchange->answer)
            return d.queue(connection, std::move(*exchange->answer));
        return d.queue(connection, call([&] { return (*exchange->handler)(*exchange->request); },
                                        internalError(), exchange->target));
    }

    // Runs the site's code, which must not throw into libmicrohttpd.
    template <typename Function, typename Result>
    static Result call(Function function, Result onError, const std::string &target)
    {
        try {
            return function();
        } catch (const std::exception &error) {
            logWarning("request for " + target + " failed: " + error.what());
        }
        return onError;
    }

    MHD_Result startExchange(Exchange &exchange, MHD_Connection *connection,
                             std::string_view method)
    {
        auto target = parseTarget(exchange.target);
        if (!target)
            return queue(connection, plainText(400, "bad request target\n"));
        const HttpRequest &request =
            exchange.request.emplace(std::string(method), std::move(*target), connection);
        const std::string &path = request.target().path;
        exchange.handler = &notFound;
        if (method == MHD_HTTP_METHOD_GET || method == MHD_HTTP_METHOD_HEAD) {
            if (const auto route = gets.find(path); route != gets.end())
                exchange.handler = &route->second;
            return MHD_YES;
        }
        const auto route = posts.find(path);
        if (method != MHD_HTTP_METHOD_POST || route == posts.end())
            return MHD_YES;

        using Outcome = std::variant<HttpResponse, std::unique_ptr<BodyReceiver>>;
        Outcome outcome =
            call([&] { return route->second(request); }, Outcome(internalError()), exchange.target);
        if (auto *response = std::get_if<HttpResponse>(&outcome))
            return refuseBody(exchange, connection, std::move(*response));
        exchange.receiver = std::move(std::get<std::unique_ptr<BodyReceiver>>(outcome));
        exchange.receiving = true;
        return MHD_YES;
    }

    // An answer given before the body; the connection closes after it. A client that waits
    // for "100 Continue" gets it at once and sends no body. A body on its way is read and
    // dropped first when its length is known and bounded: closing a socket with unread input
    // resets the connection, and the answer could be lost with it (or never be read by a
    // client that writes its whole body before reading).
    MHD_Result refuseBody(Exchange &exchange, MHD_Connection *connection, HttpResponse response)
    {
        const auto expect = exchange.request->header(MHD_HTTP_HEADER_EXPECT);
        const auto length = exchange.request->declaredLength();
        if ((expect && !expect->empty()) || !length || *length > limits.maxDroppedBodyBytes)
            return queue(connection, std::move(response));
        response.headers.emplace_back(MHD_HTTP_HEADER_CONNECTION, "close");
        exchange.answer = std::move(response);
        return MHD_YES;
    }

    static MHD_Result queue(MHD_Connection *connection, HttpResponse response)
    {
        MHD_Response *answer = nullptr;
        if (response.file && response.fileSize > 0) {
            answer = MHD_create_response_from_fd64(response.fileSize, response.file.get());
            if (answer)
                response.file.release(); // closed by libmicrohttpd with the response
        } else if (response.body && !response.body->empty()) {
            auto *body = new std::shared_ptr<const std::string>(std::move(response.body));
            answer = MHD_create_response_from_buffer_with_free_callback_cls(
                (*body)->size(), const_cast<char *>((*body)->data()), &releaseBody, body);
            if (!answer)
                delete body;
        } else {
            answer = MHD_create_response_from_buffer(0, nullptr, MHD_RESPMEM_PERSISTENT);
        }
        if (!answer)
            return MHD_NO;
        for (const auto &[name, value] : response.headers)
            MHD_add_response_header(answer, name.c_str(), value.c_str());
        const MHD_Result result =
            MHD_queue_response(connection, static_cast<unsigned>(response.status), answer);
        MHD_destroy_response(answer);
        return result;
    }
};

HttpServer::HttpServer(HttpLimits limits) : d(std::make_unique<Private>())
{
    d->limits = limits;
}

HttpServer::~HttpServer()
{
    stop();
}

void HttpServer::get(std::string path, Handler handler)
{
    d->gets.insert_or_assign(std::move(path), std::move(handler));
}

void HttpServer::post(std::string path, BodyHandler handler)
{
    d->posts.insert_or_assign(std::move(path), std::move(handler));
}

void HttpServer::start(UniqueFd listening)
{
    if (d->daemon)
        throw std::logic_error("the HTTP server is running already");
    d->daemon = MHD_start_daemon(
        MHD_USE_THREAD_PER_CONNECTION | MHD_USE_INTERNAL_POLLING_THREAD | MHD_USE_POLL |
            MHD_USE_ERROR_LOG,
        0, nullptr, nullptr, &Private::answer, d.get(), MHD_OPTION_EXTERNAL_LOGGER, &logFromLibrary,
        nullptr, MHD_OPTION_LISTEN_SOCKET, listening.get(), MHD_OPTION_CONNECTION_TIMEOUT,
        d->limits.idleSeconds, MHD_OPTION_CONNECTION_LIMIT, d->limits.maxConnections,
        MHD_OPTION_CONNECTION_MEMORY_LIMIT, connectionMemory, MHD_OPTION_URI_LOG_CALLBACK,
        &Private::beginExchange, d.get(), MHD_OPTION_NOTIFY_COMPLETED, &Private::endExchange,
        d.get(), MHD_OPTION_END);
    if (!d->daemon)
        throw std::runtime_error("the HTTP server cannot start");
    listening.release(); // closed by libmicrohttpd when it stops
}

void HttpServer::stop()
{
    if (d->daemon)
        MHD_stop_daemon(std::exchange(d->daemon, nullptr));
}

} // namespace quillary::server
