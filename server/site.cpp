#include "site.h"

#include "assets.h"
#include "database.h"
#include "httpserver.h"
#include "ids.h"
#include "log.h"
#include "mime.h"
#include "pages.h"
#include "samples.h"
#include "store.h"

#include <cerrno>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <optional>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillary::server {
namespace fs = std::filesystem;

namespace {

constexpr const char *htmlType = "text/html; charset=utf-8";
constexpr const char *textType = "text/plain; charset=utf-8";
constexpr const char *uploadField = "file";
// Room for the multipart boundaries, part headers and small extra fields.
constexpr std::uint64_t multipartOverhead = 64 * 1024;
constexpr std::size_t downloadChunk = 1 << 20;

std::int64_t now()
{
    return static_cast<std::int64_t>(std::time(nullptr));
}

// Exactly one value, and a valid id.
std::optional<std::int64_t> idParameter(const httplib::Request &request, const char *name)
{
    if (request.get_param_value_count(name) != 1)
        return std::nullopt;
    return parseId(request.get_param_value(name));
}

void sendText(httplib::Response &response, int status, const std::string &text)
{
    response.status = status;
    response.set_content(text + "\n", textType);
}

void sendHtml(httplib::Response &response, const std::string &html)
{
    response.set_header("Cache-Control", "no-store");
    response.set_content(html, htmlType);
}

// The name an upload carried, kept for the version history only (never used as a path).
std::string cleanUploadedName(std::string name)
{
    if (const auto slash = name.find_last_of("/\\"); slash != name.npos)
        name.erase(0, slash + 1);
    if (name.size() > 200)
        name.resize(200);
    for (char &c : name) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
            c = '_';
    }
    return name;
}

class FileDescriptor
{
public:
    explicit FileDescriptor(int fd) : m_fd(fd) {}
    ~FileDescriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    FileDescriptor(const FileDescriptor &) = delete;
    FileDescriptor &operator=(const FileDescriptor &) = delete;
    int get() const { return m_fd; }

private:
    int m_fd;
};

struct Rejection
{
    int status;
    std::string message;
};

} // namespace

struct DemoSite::Private
{
    SiteConfig config;
    std::unique_ptr<FileDescriptor> lock;
    std::unique_ptr<Database> database;
    std::unique_ptr<ObjectStore> store;
    HttpServer server;

    std::mutex listMutex;
    std::uint64_t listGeneration = ~std::uint64_t{0};
    std::shared_ptr<const std::string> listHtml;

    explicit Private(SiteConfig siteConfig) : config(std::move(siteConfig)) {}

    void open();
    void routes();

    std::shared_ptr<const std::string> listPageHtml();
    std::optional<DocumentInfo> documentFor(const httplib::Request &request,
                                            httplib::Response &response);
    void serveDocumentPage(const httplib::Request &request, httplib::Response &response,
                           std::string (*build)(const DocumentInfo &));
    void serveDownload(const httplib::Request &request, httplib::Response &response);
    void serveVersions(const httplib::Request &request, httplib::Response &response);
    void serveAsset(httplib::Response &response, std::string_view asset, std::string_view name,
                    bool attachment);

    std::optional<Rejection> checkUpload(const httplib::Request &request);
    void receiveUpload(const httplib::Request &request, httplib::Response &response,
                       const httplib::ContentReader &reader);
};

void DemoSite::Private::open()
{
    std::error_code error;
    fs::create_directories(config.dataDir, error);
    if (error)
        throw std::runtime_error("cannot create data folder " + config.dataDir.string() + ": " +
                                 error.message());
    const fs::path lockPath = config.dataDir / "server.lock";
    const int fd = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0)
        throw std::runtime_error("cannot open " + lockPath.string() + ": " + std::strerror(errno));
    lock = std::make_unique<FileDescriptor>(fd);
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0)
        throw std::runtime_error("data folder " + config.dataDir.string() +
                                 " is in use by another server (" + std::strerror(errno) + ")");

    database = std::make_unique<Database>(config.dataDir / "quillary.sqlite");
    store = std::make_unique<ObjectStore>(config.dataDir / "store");
    const std::size_t removed = store->recover(database->referencedObjects());
    if (removed > 0)
        logInfo("cleared " + std::to_string(removed) + " leftovers of interrupted uploads in " +
                (config.dataDir / "store").string());
    seedSamples(*database, *store);
}

std::shared_ptr<const std::string> DemoSite::Private::listPageHtml()
{
    const std::uint64_t generation = database->generation();
    {
        std::lock_guard guard(listMutex);
        if (listHtml && listGeneration == generation)
            return listHtml;
    }
    auto html = std::make_shared<const std::string>(listPage(database->documents()));
    std::lock_guard guard(listMutex);
    // A commit between reading the generation and the documents only costs a rebuild later.
    listHtml = html;
    listGeneration = generation;
    return html;
}

std::optional<DocumentInfo> DemoSite::Private::documentFor(const httplib::Request &request,
                                                           httplib::Response &response)
{
    const auto id = idParameter(request, "id");
    std::optional<DocumentInfo> document;
    if (id)
        document = database->document(*id);
    if (!document)
        sendText(response, 404, "no such document");
    return document;
}

void DemoSite::Private::serveDocumentPage(const httplib::Request &request,
                                          httplib::Response &response,
                                          std::string (*build)(const DocumentInfo &))
{
    if (const auto document = documentFor(request, response))
        sendHtml(response, build(*document));
}

void DemoSite::Private::serveVersions(const httplib::Request &request, httplib::Response &response)
{
    if (const auto document = documentFor(request, response))
        sendHtml(response, versionsPage(*document, database->versions(document->id)));
}

void DemoSite::Private::serveDownload(const httplib::Request &request, httplib::Response &response)
{
    const auto document = documentFor(request, response);
    if (!document)
        return;
    std::string object = document->object;
    std::int64_t number = document->version;
    if (request.has_param("version")) {
        const auto wanted = idParameter(request, "version");
        const auto version = wanted ? database->version(document->id, *wanted) : std::nullopt;
        if (!version) {
            sendText(response, 404, "no such version");
            return;
        }
        object = version->object;
        number = version->number;
    }

    const fs::path path = store->objectPath(object);
    auto file = std::make_shared<FileDescriptor>(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat info
    {
    };
    if (file->get() < 0 || ::fstat(file->get(), &info) != 0) {
        logWarning("cannot open stored document " + path.string() + ": " + std::strerror(errno));
        sendText(response, 500, "the stored document cannot be read");
        return;
    }
    const std::string type(contentTypeForExtension(document->extension));
    response.set_header("Content-Disposition",
                        attachmentDisposition(document->name, "document-" +
                                                                  std::to_string(document->id) +
                                                                  "." + document->extension));
    response.set_header("Cache-Control", "no-store");
    response.set_header("ETag", "\"" + object + "\"");
    response.set_header("X-Document-Version", std::to_string(number));
    const auto size = static_cast<std::size_t>(info.st_size);
    if (size == 0) {
        response.set_content("", type);
        return;
    }
    response.set_content_provider(
        size, type,
        [file, path, buffer = std::make_shared<std::vector<char>>(downloadChunk)](
            std::size_t offset, std::size_t length, httplib::DataSink &sink) {
            const std::size_t chunk = std::min(length, buffer->size());
            const ssize_t got =
                ::pread(file->get(), buffer->data(), chunk, static_cast<off_t>(offset));
            if (got <= 0) {
                logWarning("cannot read stored document " + path.string() + ": " +
                           (got < 0 ? std::strerror(errno) : "unexpected end of file"));
                return false;
            }
            return sink.write(buffer->data(), static_cast<std::size_t>(got));
        });
}

void DemoSite::Private::serveAsset(httplib::Response &response, std::string_view asset,
                                   std::string_view name, bool attachment)
{
    const auto bytes = assets::find(asset);
    if (!bytes) {
        sendText(response, 404, "not found");
        return;
    }
    if (attachment)
        response.set_header("Content-Disposition", attachmentDisposition(name, std::string(name)));
    response.set_content(bytes->data(), bytes->size(),
                         std::string(contentTypeForExtension(extensionOf(name))));
}

std::optional<Rejection> DemoSite::Private::checkUpload(const httplib::Request &request)
{
    if (request.get_param_value_count("oper") != 1 || request.get_param_value("oper") != "edit")
        return Rejection{400, "the upload address must carry oper=edit"};
    const auto id = idParameter(request, "id");
    if (!id || !database->document(*id))
        return Rejection{404, "no such document"};
    if (!request.is_multipart_form_data())
        return Rejection{415, "send the document as multipart/form-data in a field named \"file\""};
    if (request.has_header("Content-Length")) {
        const std::string declared = request.get_header_value("Content-Length");
        if (declared.empty() || declared.size() > 19 ||
            declared.find_first_not_of("0123456789") != declared.npos)
            return Rejection{400, "bad Content-Length"};
        if (std::stoull(declared) > config.maxUploadBytes + multipartOverhead)
            return Rejection{413, "the document is larger than this server accepts (" +
                                      std::to_string(config.maxUploadBytes) + " bytes)"};
    }
    return std::nullopt;
}

void DemoSite::Private::receiveUpload(const httplib::Request &request, httplib::Response &response,
                                      const httplib::ContentReader &reader)
{
    if (auto rejection = checkUpload(request)) {
        // The body is not read, so the connection cannot carry another request.
        response.set_header("Connection", "close");
        HttpServer::closeAfterResponse();
        sendText(response, rejection->status, rejection->message);
        return;
    }
    const std::int64_t id = *idParameter(request, "id");

    std::unique_ptr<PendingObject> pending;
    try {
        pending = store->begin();
    } catch (const StoreError &error) {
        logWarning(std::string("upload to document ") + std::to_string(id) +
                   " cannot start: " + error.what());
        sendText(response, 500, "the server cannot store the document");
        return;
    }

    bool inFile = false;
    int fileParts = 0;
    std::string uploadedName;
    std::uint64_t received = 0;
    std::optional<Rejection> failure;
    const bool complete = reader(
        [&](const httplib::MultipartFormData &part) {
            inFile = part.name == uploadField;
            if (inFile && ++fileParts > 1) {
                failure = Rejection{400, "more than one \"file\" field"};
                return false;
            }
            if (inFile)
                uploadedName = cleanUploadedName(part.filename);
            return true;
        },
        [&](const char *data, std::size_t size) {
            received += size;
            if (received > config.maxUploadBytes + multipartOverhead ||
                (inFile && pending->size() + size > config.maxUploadBytes)) {
                failure = Rejection{413, "the document is larger than this server accepts (" +
                                             std::to_string(config.maxUploadBytes) + " bytes)"};
                return false;
            }
            if (!inFile)
                return true;
            try {
                pending->write(data, size);
            } catch (const StoreError &error) {
                logWarning(std::string("upload to document ") + std::to_string(id) +
                           " failed: " + error.what());
                failure = Rejection{500, "the server cannot store the document"};
                return false;
            }
            return true;
        });
    if (!complete || failure) {
        response.set_header("Connection", "close");
        HttpServer::closeAfterResponse();
        if (!failure)
            failure = Rejection{400, "the upload was incomplete or malformed"};
        sendText(response, failure->status, failure->message);
        return; // the pending file is deleted with `pending`
    }
    if (fileParts == 0) {
        sendText(response, 400, "the upload has no field named \"file\"");
        return;
    }
    if (pending->size() == 0) {
        sendText(response, 400, "the uploaded document is empty");
        return;
    }

    try {
        const StoredObject object = store->commit(*pending);
        const auto version =
            database->addVersion(id, object.hash, object.size, uploadedName, now());
        if (!version) {
            sendText(response, 404, "no such document");
            return;
        }
        logInfo("document " + std::to_string(id) + " saved as version " + std::to_string(*version) +
                " (" + std::to_string(object.size) + " bytes)");
        sendText(response, 200, "OK " + std::to_string(*version));
    } catch (const std::exception &error) {
        logWarning(std::string("upload to document ") + std::to_string(id) +
                   " cannot be committed: " + error.what());
        sendText(response, 500, "the server cannot store the document");
    }
}

void DemoSite::Private::routes()
{
    using httplib::Request;
    using httplib::Response;

    server.new_task_queue = [] { return new httplib::ThreadPool(64); };
    server.set_keep_alive_max_count(1000);
    server.set_read_timeout(30);
    server.set_write_timeout(30);
    server.set_payload_max_length(config.maxUploadBytes + multipartOverhead);

    server.Get("/", [](const Request &, Response &response) {
        response.set_redirect("/quillary/webdocumentlist.asp");
    });
    server.Get("/quillary/webdocumentlist.asp", [this](const Request &, Response &response) {
        const auto html = listPageHtml();
        response.set_header("Cache-Control", "no-store");
        response.set_content(*html, htmlType);
    });
    server.Get("/quillary/webdocedit.asp", [this](const Request &request, Response &response) {
        serveDocumentPage(request, response, &editPage);
    });
    server.Get("/quillary/webdocread.asp", [this](const Request &request, Response &response) {
        serveDocumentPage(request, response, &readPage);
    });
    server.Get("/quillary/versions.asp", [this](const Request &request, Response &response) {
        serveVersions(request, response);
    });
    server.Get("/quillary/writefile.asp", [this](const Request &request, Response &response) {
        serveDownload(request, response);
    });
    server.Post("/quillary/uploadedit.asp", [this](const Request &request, Response &response,
                                                   const httplib::ContentReader &reader) {
        receiveUpload(request, response, reader);
    });
    server.set_expect_100_continue_handler([this](const Request &request, Response &response) {
        if (request.path == "/quillary/uploadedit.asp") {
            if (auto rejection = checkUpload(request)) {
                response.set_header("Connection", "close");
                HttpServer::closeAfterResponse();
                sendText(response, rejection->status, rejection->message);
                return rejection->status;
            }
        }
        return 100;
    });
    server.Get(R"(/quillary/temp/(file[123]\.doc))",
               [this](const Request &request, Response &response) {
                   const std::string name = request.matches[1];
                   serveAsset(response, "documents/" + name, name, true);
               });
    server.Get(R"(/quillary/images/(quillary\.jpg|003\.gif))",
               [this](const Request &request, Response &response) {
                   const std::string name = request.matches[1];
                   serveAsset(response, "images/" + name, name, false);
               });
    server.Get("/officebbs",
               [](const Request &, Response &response) { response.set_redirect("/officebbs/"); });
    server.Get("/officebbs/",
               [](const Request &, Response &response) { sendHtml(response, forumPage()); });
    server.Get("/quillaryintro.htm",
               [](const Request &, Response &response) { sendHtml(response, introPage()); });
    server.Get("/quillary.htm",
               [](const Request &, Response &response) { sendHtml(response, purchasePage()); });

    server.set_error_handler([](const Request &, Response &response) {
        if (response.body.empty()) {
            response.set_content(response.status == 404
                                     ? "not found\n"
                                     : "request failed (" + std::to_string(response.status) + ")\n",
                                 textType);
        }
    });
    server.set_exception_handler(
        [](const Request &request, Response &response, std::exception_ptr error) {
            std::string what = "unknown error";
            try {
                std::rethrow_exception(error);
            } catch (const std::exception &exception) {
                what = exception.what();
            } catch (...) {
            }
            logWarning("request " + request.method + " " + request.target + " failed: " + what);
            sendText(response, 500, "internal server error");
        });
}

DemoSite::DemoSite(SiteConfig config) : d(std::make_unique<Private>(std::move(config)))
{
    d->open();
    d->routes();
}

DemoSite::~DemoSite() = default;

int DemoSite::bind(const std::string &address, int port)
{
    return port == 0 ? d->server.bind_to_any_port(address)
                     : (d->server.bind_to_port(address, port) ? port : -1);
}

bool DemoSite::listen()
{
    return d->server.listen_after_bind();
}

void DemoSite::stop()
{
    d->server.stop();
}

bool DemoSite::isRunning() const
{
    return d->server.is_running();
}

} // namespace quillary::server
