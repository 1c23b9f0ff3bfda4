#include "testserver.h"

#include <httplib.h>

TestServer::TestServer() : m_server(std::make_unique<httplib::Server>())
{
    m_server->Get("/status/(\\d+)", [](const httplib::Request &req, httplib::Response &res) {
        res.status = std::stoi(req.matches[1]);
        res.set_content("status page " + std::string(req.matches[1]), "text/plain");
    });
    m_server->Get(".*", [this](const httplib::Request &req, httplib::Response &res) {
        std::lock_guard lock(m_mutex);
        auto it = m_files.find(req.path);
        if (it == m_files.end()) {
            res.status = 404;
            res.set_content("no such file", "text/plain");
            return;
        }
        const File file = it->second;
        if (!file.contentDisposition.empty())
            res.set_header("Content-Disposition", file.contentDisposition);
        res.set_content_provider(file.body.size(), "application/octet-stream",
                                 [file](size_t offset, size_t length, httplib::DataSink &sink) {
                                     if (file.cutAfter >= 0 && qint64(offset) >= file.cutAfter)
                                         return false; // drop the connection mid-body
                                     size_t count = std::min<size_t>(length, 64 * 1024);
                                     if (file.cutAfter >= 0)
                                         count = std::min<size_t>(count,
                                                                  size_t(file.cutAfter) - offset);
                                     sink.write(file.body.constData() + offset, count);
                                     return true;
                                 });
    });
    m_server->Post("/upload/(\\d+)", [this](const httplib::Request &req, httplib::Response &res) {
        const int status = std::stoi(req.matches[1]);
        if (status < 200 || status > 299) {
            res.status = status;
            res.set_content("upload refused by test", "text/plain");
            return;
        }
        if (req.files.size() != 1) {
            res.status = 400;
            res.set_content("expected one file field", "text/plain");
            return;
        }
        const auto &[field, file] = *req.files.begin();
        std::lock_guard lock(m_mutex);
        m_lastUpload = {field, file.filename, QByteArray::fromStdString(file.content)};
        ++m_uploads;
        res.status = status;
        res.set_content("saved", "text/plain");
    });
    m_port = m_server->bind_to_any_port("127.0.0.1");
    m_thread = std::thread([this] { m_server->listen_after_bind(); });
    while (!m_server->is_running())
        std::this_thread::yield();
}

TestServer::~TestServer()
{
    m_server->stop();
    m_thread.join();
}

QString TestServer::base() const
{
    return QStringLiteral("http://127.0.0.1:%1").arg(m_port);
}

void TestServer::addFile(const std::string &path, File file)
{
    std::lock_guard lock(m_mutex);
    m_files[path] = std::move(file);
}

TestServer::Upload TestServer::lastUpload()
{
    std::lock_guard lock(m_mutex);
    return m_lastUpload;
}

int TestServer::uploads()
{
    std::lock_guard lock(m_mutex);
    return m_uploads;
}
