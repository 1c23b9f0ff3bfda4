#pragma once

#include <QByteArray>
#include <QString>

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace httplib {
class Server;
}

// A loopback HTTP server on its own thread, answering the few addresses the transfer tests
// use. Uploads are kept so a test can compare bytes.
class TestServer
{
public:
    struct File
    {
        QByteArray body;
        std::string contentDisposition;
        // Close the connection after this many bytes although the whole length was announced.
        qint64 cutAfter = -1;
    };

    TestServer();
    ~TestServer();

    QString base() const;
    void addFile(const std::string &path, File file);
    // The last upload: field name, file name and bytes.
    struct Upload
    {
        std::string field;
        std::string fileName;
        QByteArray bytes;
    };
    Upload lastUpload();
    int uploads();

private:
    std::unique_ptr<httplib::Server> m_server;
    std::thread m_thread;
    int m_port = 0;
    std::mutex m_mutex;
    std::map<std::string, File> m_files;
    Upload m_lastUpload;
    int m_uploads = 0;
};
