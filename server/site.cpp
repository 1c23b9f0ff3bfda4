#include "site.h"

#include "assets.h"
#include "database.h"
#include "httpserver.h"
#include "ids.h"
#include "log.h"
#include "mime.h"
#include "multipart.h"
#include "pages.h"
#include "samples.h"

#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <mutex>
#include <optional>
#include <strings.h>
#include <sys/file.h>
#include <sys/stat.h>

namespace quillary::server {
namespace fs = std::filesystem;

namespace {

constexpr const char *htmlType = "text/html; charset=utf-8";
constexpr const char *textType = "text/plain; charset=utf-8";
constexpr std::string_view uploadField = "file";
// Room for the multipart boundaries, part headers and small extra fields.
constexpr std::uint64_t multipartOverhead = 64 * 1024;

std::int64_t now()
{
    return static_cast<std::int64_t>(std::time(nullptr));
}

// Exactly one value, and a valid id.
std::optional<std::int64_t> idParameter(const RequestTarget &target, std::string_view name)
{
    const auto value = target.single(name);
    return value ? parseId(*value) : std::nullopt;
}

HttpResponse content(std::string_view type, std::shared_ptr<const std::string> body)
{
    HttpResponse response;
    response.headers.emplace_back("Content-Type", type);
    response.body = std::move(body);
    return response;
}

HttpResponse text(int status, const std::string &message)
{
    HttpResponse response = content(textType, std::make_shared<const std::string>(message + "\n"));
    response.status = status;
    return response;
}

HttpResponse html(std::shared_ptr<const std::string> page)
{
    HttpResponse response = content(htmlType, std::move(page));
    response.headers.emplace_back("Cache-Control", "no-store");
    return response;
}

HttpResponse html(std::string page)
{
    return html(std::make_shared<const std::string>(std::move(page)));
}

HttpResponse redirect(const std::string &location)
{
    HttpResponse response;
    response.status = 302;
    response.headers.emplace_back("Location", location);
    return response;
}

// The name an upload carried, kept for the version history only (never used as a path).
std::string cleanUploadedName(std::string_view uploaded)
{
    std::string name(uploaded);
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

bool startsWithNoCase(std::string_view text, std::string_view prefix)
{
    return text.size() >= prefix.size() &&
           ::strncasecmp(text.data(), prefix.data(), prefix.size()) == 0;
}

HttpResponse tooLarge(std::uint64_t maxUploadBytes)
{
    return text(413, "the document is larger than this server accepts (" +
                         std::to_string(maxUploadBytes) + " bytes)");
}

HttpResponse cannotStore()
{
    return text(500, "the server cannot store the document");
}

} // namespace

struct DemoSite::Private
{
    SiteConfig config;
    UniqueFd lock;
    std::unique_ptr<Database> database;
    std::unique_ptr<ObjectStore> store;
    HttpServer server;

    std::mutex stateMutex;
    std::condition_variable stopped;
    bool stopRequested = false;

    std::mutex listMutex;
    std::uint64_t listGeneration = ~std::uint64_t{0};
    std::shared_ptr<const std::string> listHtml;

    explicit Private(SiteConfig siteConfig)
        : config(std::move(siteConfig)),
          server(HttpLimits{30, 1000, config.maxUploadBytes + multipartOverhead})
    {
    }

    void open();
    void routes();

    std::shared_ptr<const std::string> listPageHtml();
    std::optional<DocumentInfo> document(const HttpRequest &request);
    HttpResponse documentPage(const HttpRequest &request,
                              std::string (*build)(const DocumentInfo &));
    HttpResponse download(const HttpRequest &request);
    HttpResponse versions(const HttpRequest &request);
    static HttpResponse asset(std::string_view asset, std::string_view name, bool attachment);

    class UploadReceiver;
    std::variant<HttpResponse, std::unique_ptr<BodyReceiver>> upload(const HttpRequest &request);
};

// One upload: the "file" part streamed into a pending object, committed as a new version only
// once the whole body has arrived intact.
class DemoSite::Private::UploadReceiver final : public BodyReceiver
{
public:
    UploadReceiver(Private &site, std::int64_t id, std::string boundary,
                   std::unique_ptr<PendingObject> pending)
        : m_site(site), m_id(id), m_pending(std::move(pending)),
          m_form(
              std::move(boundary),
              [this](const MultipartReader::Part &part) { return partStarts(part); },
              [this](std::string_view bytes) { return partBytes(bytes); })
    {
    }

    bool receive(std::string_view bytes) override
    {
        m_received += bytes.size();
        if (m_received > m_site.config.maxUploadBytes + multipartOverhead) {
            m_failure = tooLarge(m_site.config.maxUploadBytes);
            return false;
        }
        return m_form.feed(bytes);
    }

    HttpResponse finish() override
    {
        if (m_failure)
            return std::move(*m_failure); // the pending file goes with this receiver
        if (!m_form.complete())
            return text(400, "the upload was incomplete or malformed");
        if (m_fileParts == 0)
            return text(400, "the upload has no field named \"file\"");
        if (m_pending->size() == 0)
            return text(400, "the uploaded document is empty");
        try {
            const StoredObject object = m_site.store->commit(*m_pending);
            const auto version =
                m_site.database->addVersion(m_id, object.hash, object.size, m_uploadedName, now());
            if (!version)
                return text(404, "no such document");
            logInfo("document " + std::to_string(m_id) + " saved as version " +
                    std::to_string(*version) + " (" + std::to_string(object.size) + " bytes)");
            return text(200, "OK " + std::to_string(*version));
        } catch (const std::exception &error) {
            logWarning("upload to document " + std::to_string(m_id) +
                       " cannot be committed: " + error.what());
            return cannotStore();
        }
    }

private:
    bool partStarts(const MultipartReader::Part &part)
    {
        m_inFile = part.name == uploadField;
        if (m_inFile && ++m_fileParts > 1) {
            m_failure = text(400, "more than one \"file\" field");
            return false;
        }
        if (m_inFile)
            m_uploadedName = cleanUploadedName(part.fileName);
        return true;
    }

    bool partBytes(std::string_view bytes)
    {
        if (!m_inFile)
            return true;
        if (m_pending->size() + bytes.size() > m_site.config.maxUploadBytes) {
            m_failure = tooLarge(m_site.config.maxUploadBytes);
            return false;
        }
        try {
            m_pending->write(bytes.data(), bytes.size());
        } catch (const StoreError &error) {
            logWarning("upload to document " + std::to_string(m_id) + " failed: " + error.what());
            m_failure = cannotStore();
            return false;
        }
        return true;
    }

    Private &m_site;
    std::int64_t m_id;
    std::unique_ptr<PendingObject> m_pending;
    MultipartReader m_form;
    std::optional<HttpResponse> m_failure;
    std::string m_uploadedName;
    int m_fileParts = 0;
    bool m_inFile = false;
    std::uint64_t m_received = 0;
};

void DemoSite::Private::open()
{
    std::error_code error;
    fs::create_directories(config.dataDir, error);
    if (error)
        throw std::runtime_error("cannot create data folder " + config.dataDir.string() + ": " +
                                 error.message());
    const fs::path lockPath = config.dataDir / "server.lock";
    lock.reset(::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600));
    if (!lock)
        throw std::runtime_error("cannot open " + lockPath.string() + ": " + std::strerror(errno));
    if (::flock(lock.get(), LOCK_EX | LOCK_NB) != 0)
        throw std::runtime_error("data folder " + config.dataDir.string() +
                                 " is in use by another server (" + std::strerror(errno) + ")");

    database = std::make_unique<Database>(config.dataDir / "quillary.sqlite");
    store = std::make_unique<ObjectStore>(config.dataDir / "store", config.disk);
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
    auto page = std::make_shared<const std::string>(listPage(database->documents()));
    std::lock_guard guard(listMutex);
    // A commit between reading the generation and the documents only costs a rebuild later.
    listHtml = page;
    listGeneration = generation;
    return page;
}

std::optional<DocumentInfo> DemoSite::Private::document(const HttpRequest &request)
{
    const auto id = idParameter(request.target(), "id");
    return id ? database->document(*id) : std::nullopt;
}

HttpResponse DemoSite::Private::documentPage(const HttpRequest &request,
                                             std::string (*build)(const DocumentInfo &))
{
    const auto found = document(request);
    return found ? html(build(*found)) : text(404, "no such document");
}

HttpResponse DemoSite::Private::versions(const HttpRequest &request)
{
    const auto found = document(request);
    return found ? html(versionsPage(*found, database->versions(found->id)))
                 : text(404, "no such document");
}

HttpResponse DemoSite::Private::download(const HttpRequest &request)
{
    const auto found = document(request);
    if (!found)
        return text(404, "no such document");
    std::string object = found->object;
    std::int64_t number = found->version;
    if (request.target().has("version")) {
        const auto wanted = idParameter(request.target(), "version");
        const auto version = wanted ? database->version(found->id, *wanted) : std::nullopt;
        if (!version)
            return text(404, "no such version");
        object = version->object;
        number = version->number;
    }

    const fs::path path = store->objectPath(object);
    UniqueFd file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat info
    {
    };
    if (!file || ::fstat(file.get(), &info) != 0) {
        logWarning("cannot open stored document " + path.string() + ": " + std::strerror(errno));
        return text(500, "the stored document cannot be read");
    }
    HttpResponse response =
        content(contentTypeForExtension(found->extension), std::make_shared<const std::string>());
    response.headers.emplace_back(
        "Content-Disposition",
        attachmentDisposition(found->name,
                              "document-" + std::to_string(found->id) + "." + found->extension));
    response.headers.emplace_back("Cache-Control", "no-store");
    response.headers.emplace_back("ETag", "\"" + object + "\"");
    response.headers.emplace_back("X-Document-Version", std::to_string(number));
    response.fileSize = static_cast<std::uint64_t>(info.st_size);
    response.file = std::move(file);
    return response;
}

HttpResponse DemoSite::Private::asset(std::string_view asset, std::string_view name,
                                      bool attachment)
{
    const auto bytes = assets::find(asset);
    if (!bytes)
        return text(404, "not found");
    HttpResponse response = content(contentTypeForExtension(extensionOf(name)),
                                    std::make_shared<const std::string>(*bytes));
    if (attachment)
        response.headers.emplace_back("Content-Disposition",
                                      attachmentDisposition(name, std::string(name)));
    return response;
}

std::variant<HttpResponse, std::unique_ptr<BodyReceiver>>
DemoSite::Private::upload(const HttpRequest &request)
{
    // A refusal here is sent before the body is read; the connection then closes.
    if (request.target().single("oper") != "edit")
        return text(400, "the upload address must carry oper=edit");
    const auto id = idParameter(request.target(), "id");
    if (!id || !database->document(*id))
        return text(404, "no such document");
    const std::string_view type = request.header("Content-Type").value_or("");
    if (!startsWithNoCase(type, "multipart/form-data"))
        return text(415, "send the document as multipart/form-data in a field named \"file\"");
    auto boundary = formDataBoundary(type);
    if (!boundary)
        return text(400, "the multipart/form-data type carries no usable boundary");
    if (const auto length = request.declaredLength();
        length && *length > config.maxUploadBytes + multipartOverhead)
        return tooLarge(config.maxUploadBytes);
    try {
        return std::make_unique<UploadReceiver>(*this, *id, std::move(*boundary), store->begin());
    } catch (const StoreError &error) {
        logWarning("upload to document " + std::to_string(*id) + " cannot start: " + error.what());
        return cannotStore();
    }
}

void DemoSite::Private::routes()
{
    const auto page = [](std::string (*build)()) {
        return [build](const HttpRequest &) { return html(build()); };
    };
    server.get("/", [](const HttpRequest &) { return redirect("/quillary/webdocumentlist.asp"); });
    server.get("/quillary/webdocumentlist.asp",
               [this](const HttpRequest &) { return html(listPageHtml()); });
    server.get("/quillary/webdocedit.asp",
               [this](const HttpRequest &request) { return documentPage(request, &editPage); });
    server.get("/quillary/webdocread.asp",
               [this](const HttpRequest &request) { return documentPage(request, &readPage); });
    server.get("/quillary/versions.asp",
               [this](const HttpRequest &request) { return versions(request); });
    server.get("/quillary/writefile.asp",
               [this](const HttpRequest &request) { return download(request); });
    server.post("/quillary/uploadedit.asp",
                [this](const HttpRequest &request) { return upload(request); });
    for (const std::string name : {"file1.doc", "file2.doc", "file3.doc"}) {
        server.get("/quillary/temp/" + name,
                   [name](const HttpRequest &) { return asset("documents/" + name, name, true); });
    }
    for (const std::string name : {"quillary.jpg", "003.gif"}) {
        server.get("/quillary/images/" + name,
                   [name](const HttpRequest &) { return asset("images/" + name, name, false); });
    }
    server.get("/officebbs", [](const HttpRequest &) { return redirect("/officebbs/"); });
    server.get("/officebbs/", page(&forumPage));
    server.get("/quillaryintro.htm", page(&introPage));
    server.get("/quillary.htm", page(&purchasePage));
}

DemoSite::DemoSite(SiteConfig config) : d(std::make_unique<Private>(std::move(config)))
{
    d->open();
    d->routes();
}

DemoSite::~DemoSite() = default;

void DemoSite::listen(UniqueFd listening)
{
    d->server.start(std::move(listening));
    {
        std::unique_lock guard(d->stateMutex);
        d->stopped.wait(guard, [this] { return d->stopRequested; });
        d->stopRequested = false;
    }
    d->server.stop();
}

void DemoSite::stop()
{
    std::lock_guard guard(d->stateMutex);
    d->stopRequested = true;
    d->stopped.notify_all();
}

} // namespace quillary::server
