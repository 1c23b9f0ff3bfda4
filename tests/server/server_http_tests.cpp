// HTTP-level tests against the real server process on a free loopback port.
#include "pagetext.h"
#include "serverprocess.h"

#include <httplib.h>

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <csignal>
#include <fstream>
#include <netinet/in.h>
#include <set>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace quillary::testing;
namespace fs = std::filesystem;

namespace {

const std::string listPath = "/quillary/webdocumentlist.asp";

std::string downloadPath(int id)
{
    return "/quillary/writefile.asp?id=" + std::to_string(id) + "&operfile=office";
}

std::string uploadPath(const std::string &id)
{
    return "/quillary/uploadedit.asp?oper=edit&id=" + id;
}

std::size_t filesIn(const fs::path &dir)
{
    std::size_t count = 0;
    for (const auto &entry : fs::recursive_directory_iterator(dir))
        count += entry.is_regular_file() ? 1 : 0;
    return count;
}

// Raw socket, for requests a well-behaved client would not send.
class RawConnection
{
public:
    explicit RawConnection(int port)
    {
        m_fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<std::uint16_t>(port));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        m_connected = ::connect(m_fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0;
        timeval timeout{30, 0};
        ::setsockopt(m_fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    }
    ~RawConnection() { close(); }
    bool connected() const { return m_connected; }
    bool send(const std::string &data)
    {
        return ::send(m_fd, data.data(), data.size(), MSG_NOSIGNAL) == ssize_t(data.size());
    }
    std::string readAll()
    {
        std::string out;
        char buffer[4096];
        ssize_t got;
        while ((got = ::recv(m_fd, buffer, sizeof buffer, 0)) > 0)
            out.append(buffer, std::size_t(got));
        return out;
    }
    int fd() const { return m_fd; }
    void close()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
    }

private:
    int m_fd = -1;
    bool m_connected = false;
};

std::string multipartHead(const std::string &boundary, const std::string &field,
                          const std::string &fileName)
{
    return "--" + boundary + "\r\nContent-Disposition: form-data; name=\"" + field +
           "\"; filename=\"" + fileName + "\"\r\nContent-Type: application/octet-stream\r\n\r\n";
}

class ServerTest : public ::testing::Test
{
protected:
    void SetUp() override { start(); }

    void start(std::vector<std::string> extra = {})
    {
        m_server.reset();
        m_server = std::make_unique<ServerProcess>(m_data.path(), extra);
        ASSERT_TRUE(m_server->started()) << m_server->output();
    }

    httplib::Client client() const
    {
        httplib::Client c("127.0.0.1", m_server->port());
        c.set_read_timeout(60);
        c.set_write_timeout(60);
        return c;
    }

    httplib::Result get(const std::string &path) const { return client().Get(path.c_str()); }

    httplib::Result upload(const std::string &id, const std::string &bytes,
                           const std::string &field = "file",
                           const std::string &fileName = "changed.doc") const
    {
        httplib::MultipartFormDataItems items{{field, bytes, fileName, "application/msword"}};
        return client().Post(uploadPath(id).c_str(), items);
    }

    std::string body(const std::string &path) const
    {
        auto result = get(path);
        return result && result->status == 200 ? result->body : std::string("<failed>");
    }

    // Every version's bytes, oldest first, read through the version parameter.
    std::vector<std::string> versionsOf(int id) const
    {
        std::vector<std::string> out;
        for (int number = 1;; ++number) {
            auto result = get(downloadPath(id) + "&version=" + std::to_string(number));
            if (!result || result->status != 200)
                return out;
            out.push_back(result->body);
        }
    }

    fs::path storeTmp() const { return m_data.path() / "store" / "tmp"; }

    TempDir m_data;
    std::unique_ptr<ServerProcess> m_server;
};

TEST_F(ServerTest, listPage_yieldsNameAndEditAddressForEverySample)
{
    auto result = get(listPath);
    ASSERT_TRUE(result);
    EXPECT_EQ(result->status, 200);
    EXPECT_EQ(result->get_header_value("Content-Type"), "text/html; charset=utf-8");
    EXPECT_NE(result->body.find("<meta charset=\"utf-8\">"), std::string::npos);

    const std::string base = "http://127.0.0.1:" + std::to_string(m_server->port());
    const auto entries = listEntries(renderPage(result->body, base));
    const std::vector<std::string> names{"Word文档示例.doc", "Word2007文档示例.docx",
                                         "Excel表格示例.xls", "PowerPoint演示文稿示例.ppt",
                                         "WPS文字示例.wps"};
    ASSERT_EQ(entries.size(), names.size());
    for (std::size_t i = 0; i < names.size(); ++i) {
        EXPECT_EQ(entries[i], names[i] + base +
                                  "/quillary/webdocedit.asp?oper=edit&id=" + std::to_string(i + 1));
    }
}

TEST_F(ServerTest, download_givesTypeLengthAndNamedAttachment)
{
    const std::vector<std::tuple<int, std::string, std::string>> cases{
        {1, "application/msword", ".doc"},
        {2, "application/vnd.openxmlformats-officedocument.wordprocessingml.document", ".docx"},
        {3, "application/vnd.ms-excel", ".xls"},
        {4, "application/vnd.ms-powerpoint", ".ppt"},
        {5, "application/vnd.ms-works", ".wps"}};
    for (const auto &[id, type, extension] : cases) {
        auto result = get(downloadPath(id));
        ASSERT_TRUE(result);
        EXPECT_EQ(result->status, 200);
        EXPECT_EQ(result->get_header_value("Content-Type"), type);
        EXPECT_EQ(result->get_header_value("Content-Length"), std::to_string(result->body.size()));
        EXPECT_GT(result->body.size(), 1000u);
        const std::string disposition = result->get_header_value("Content-Disposition");
        EXPECT_NE(disposition.find("document-" + std::to_string(id) + extension + "\""),
                  std::string::npos)
            << disposition;
        EXPECT_EQ(disposition.substr(disposition.size() - extension.size()), extension);
    }
    // Binary Office documents are OLE compound files.
    EXPECT_EQ(body(downloadPath(1)).substr(0, 4), "\xD0\xCF\x11\xE0");
    EXPECT_EQ(body(downloadPath(2)).substr(0, 2), "PK");
}

TEST_F(ServerTest, wordSample_containsTheLetterC)
{
    const std::string doc = body(downloadPath(1));
    // The Word 97 text stream holds the words we wrote, as UTF-16LE.
    for (const std::string word : {"cactus", "coffee", "circle", "clock"}) {
        std::string utf16;
        for (char c : word)
            utf16 += std::string{c, '\0'};
        EXPECT_NE(doc.find(utf16), std::string::npos) << word;
    }
}

TEST_F(ServerTest, malformedOrUnknownIds_get404AndChangeNothing)
{
    const std::vector<std::string> ids{
        "",   "0",   "-1", "01",         "1a",         "a",           "1.0",    "%201", "1%20",
        "+1", "0x1", "99", "2147483647", "2147483648", "99999999999", "1&id=2", "../1", "1%00"};
    const std::string before = body(downloadPath(1));
    for (const std::string &id : ids) {
        for (const std::string &path :
             {"/quillary/writefile.asp?operfile=office&id=" + id,
              "/quillary/webdocedit.asp?oper=edit&id=" + id, "/quillary/webdocread.asp?id=" + id,
              "/quillary/versions.asp?id=" + id}) {
            auto result = get(path);
            ASSERT_TRUE(result) << path;
            EXPECT_EQ(result->status, 404) << path;
            EXPECT_LT(result->body.size(), 100u) << path;
        }
        auto result = upload(id, "new bytes");
        ASSERT_TRUE(result) << id;
        EXPECT_EQ(result->status, 404) << id;
    }
    EXPECT_EQ(versionsOf(1), std::vector<std::string>{before});
}

TEST_F(ServerTest, upload_addsVersion_andKeepsEveryOlderOne)
{
    const std::string original = body(downloadPath(3));
    const std::string first = randomBytes(300000, 1);
    const std::string second = randomBytes(5000, 2);

    auto result = upload("3", first);
    ASSERT_TRUE(result);
    EXPECT_EQ(result->status, 200);
    EXPECT_EQ(result->body, "OK 2\n");
    result = upload("3", second, "file", "C:\\Users\\a\\sheet.xls");
    ASSERT_TRUE(result);
    EXPECT_EQ(result->body, "OK 3\n");

    EXPECT_EQ(body(downloadPath(3)), second);
    EXPECT_EQ(versionsOf(3), (std::vector<std::string>{original, first, second}));
    const std::string history = body("/quillary/versions.asp?id=3");
    EXPECT_NE(history.find("version=1"), std::string::npos);
    EXPECT_NE(history.find("version=3"), std::string::npos);
    EXPECT_NE(history.find("sheet.xls"), std::string::npos);
    EXPECT_EQ(history.find("C:\\Users"), std::string::npos);
    // The download keeps the document's own type, whatever name the upload carried.
    EXPECT_EQ(get(downloadPath(3))->get_header_value("Content-Type"), "application/vnd.ms-excel");
    EXPECT_EQ(get(downloadPath(3) + "&version=4")->status, 404);
    EXPECT_EQ(filesIn(storeTmp()), 0u);
}

TEST_F(ServerTest, badUploads_areRefused_andChangeNothing)
{
    const std::string before = body(downloadPath(1));
    struct Case
    {
        std::string name;
        std::function<httplib::Result()> send;
        int status;
    };
    const std::vector<Case> cases{
        {"wrong field", [&] { return upload("1", "abc", "document"); }, 400},
        {"empty file", [&] { return upload("1", ""); }, 400},
        {"two file fields",
         [&] {
             httplib::MultipartFormDataItems items{{"file", "a", "a.doc", ""},
                                                   {"file", "b", "b.doc", ""}};
             return client().Post(uploadPath("1").c_str(), items);
         },
         400},
        {"not multipart",
         [&] { return client().Post(uploadPath("1").c_str(), "raw bytes", "application/msword"); },
         415},
        {"no oper",
         [&] {
             httplib::MultipartFormDataItems items{{"file", "a", "a.doc", ""}};
             return client().Post("/quillary/uploadedit.asp?id=1", items);
         },
         400},
        {"broken multipart",
         [&] {
             return client().Post(uploadPath("1").c_str(), "--X\r\nnonsense",
                                  "multipart/form-data; boundary=X");
         },
         400},
    };
    for (const Case &c : cases) {
        auto result = c.send();
        ASSERT_TRUE(result) << c.name;
        EXPECT_EQ(result->status, c.status) << c.name;
        EXPECT_FALSE(result->body.empty()) << c.name;
    }
    EXPECT_EQ(versionsOf(1), std::vector<std::string>{before});
    EXPECT_TRUE(eventually([&] { return filesIn(storeTmp()) == 0; }));
}

TEST_F(ServerTest, uploadSizeLimit_acceptsUpToTheLimit_andRefusesMore)
{
    start({"--max-upload-bytes", "100000"});
    const std::string before = body(downloadPath(2));
    auto accepted = upload("2", randomBytes(100000, 3));
    ASSERT_TRUE(accepted);
    EXPECT_EQ(accepted->status, 200);

    auto refused = upload("2", randomBytes(100001, 4));
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->status, 413);

    // A declared length over the limit is refused before any of the body is sent.
    RawConnection raw(m_server->port());
    ASSERT_TRUE(raw.connected());
    raw.send("POST " + uploadPath("2") +
             " HTTP/1.1\r\nHost: x\r\nContent-Type: multipart/form-data; boundary=B\r\n"
             "Content-Length: 900000000\r\n\r\n");
    EXPECT_EQ(raw.readAll().substr(0, 12), "HTTP/1.1 413");

    const auto versions = versionsOf(2);
    ASSERT_EQ(versions.size(), 2u);
    EXPECT_EQ(versions[0], before);
    EXPECT_EQ(versions[1], randomBytes(100000, 3));
    EXPECT_TRUE(eventually([&] { return filesIn(storeTmp()) == 0; }));
}

TEST_F(ServerTest, refusedUploadBody_isNeverReadAsAnotherRequest)
{
    // A body that looks like a request must not be served after the upload is refused.
    const std::string smuggled = "GET /quillary/quillary.htm HTTP/1.1\r\nHost: x\r\n\r\n";
    const std::string bodyText = multipartHead("B", "file", "a.doc") + smuggled + "\r\n--B--\r\n";
    RawConnection raw(m_server->port());
    raw.send("POST " + uploadPath("77") +
             " HTTP/1.1\r\nHost: x\r\nContent-Type: multipart/form-data; boundary=B\r\n"
             "Content-Length: " +
             std::to_string(bodyText.size()) + "\r\n\r\n" + bodyText);
    const std::string answer = raw.readAll();
    EXPECT_EQ(answer.substr(0, 12), "HTTP/1.1 404");
    EXPECT_EQ(answer.find("HTTP/1.1", 12), std::string::npos) << answer;
}

TEST_F(ServerTest, clientDisconnectingMidUpload_leavesDocumentUntouched)
{
    const std::string before = body(downloadPath(4));
    {
        RawConnection raw(m_server->port());
        raw.send("POST " + uploadPath("4") +
                 " HTTP/1.1\r\nHost: x\r\nContent-Type: multipart/form-data; boundary=B\r\n"
                 "Content-Length: 10000000\r\n\r\n" +
                 multipartHead("B", "file", "a.ppt") + randomBytes(3 << 20, 5));
    }
    EXPECT_TRUE(eventually([&] { return filesIn(storeTmp()) == 0; }));
    EXPECT_EQ(versionsOf(4), std::vector<std::string>{before});
    EXPECT_EQ(body(downloadPath(4)), before);
}

TEST_F(ServerTest, concurrentUploads_eachBecomeTheirOwnVersion)
{
    constexpr int threads = 6;
    constexpr int perThread = 4;
    std::vector<std::thread> workers;
    std::vector<std::string> answers(threads * perThread);
    for (int t = 0; t < threads; ++t) {
        workers.emplace_back([&, t] {
            for (int i = 0; i < perThread; ++i) {
                const int n = t * perThread + i;
                auto result = upload("1", randomBytes(200000 + n * 1000, 100 + n));
                answers[n] =
                    result ? std::to_string(result->status) + " " + result->body : "failed";
            }
        });
    }
    for (auto &worker : workers)
        worker.join();

    std::set<std::string> numbers;
    for (const std::string &answer : answers) {
        EXPECT_EQ(answer.substr(0, 7), "200 OK ") << answer;
        numbers.insert(answer);
    }
    EXPECT_EQ(numbers.size(), answers.size());

    const auto versions = versionsOf(1);
    ASSERT_EQ(versions.size(), std::size_t(1 + threads * perThread));
    std::multiset<std::string> stored(versions.begin() + 1, versions.end());
    std::multiset<std::string> sent;
    for (int n = 0; n < threads * perThread; ++n)
        sent.insert(randomBytes(200000 + n * 1000, 100 + n));
    EXPECT_TRUE(stored == sent);
}

TEST_F(ServerTest, sigkillDuringUpload_losesNothing)
{
    const std::string committed = randomBytes(150000, 7);
    ASSERT_EQ(upload("5", committed)->status, 200);

    RawConnection raw(m_server->port());
    raw.send("POST " + uploadPath("5") +
             " HTTP/1.1\r\nHost: x\r\nContent-Type: multipart/form-data; boundary=B\r\n"
             "Content-Length: 50000000\r\n\r\n" +
             multipartHead("B", "file", "a.wps") + randomBytes(4 << 20, 8));
    // Kill while the half-received upload sits in the store.
    ASSERT_TRUE(eventually([&] {
        for (const auto &entry : fs::directory_iterator(storeTmp()))
            if (entry.file_size() > 0)
                return true;
        return false;
    }));
    m_server->kill(SIGKILL);
    const int status = m_server->wait();
    EXPECT_TRUE(WIFSIGNALED(status));
    raw.close();

    start();
    EXPECT_EQ(body(downloadPath(5)), committed);
    EXPECT_EQ(versionsOf(5).size(), 2u);
    EXPECT_EQ(filesIn(storeTmp()), 0u);
    // Every stored object is whole: its name is the hash of its bytes.
    std::size_t objects = 0;
    for (const auto &entry :
         fs::recursive_directory_iterator(m_data.path() / "store" / "objects")) {
        if (!entry.is_regular_file())
            continue;
        std::ifstream in(entry.path(), std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)), {});
        EXPECT_EQ(sha256Hex(bytes), entry.path().filename().string());
        ++objects;
    }
    EXPECT_EQ(objects, 6u); // five samples and the committed upload
}

TEST_F(ServerTest, sigkillAfterConfirmedUpload_keepsIt)
{
    const std::string bytes = randomBytes(64000, 9);
    ASSERT_EQ(upload("2", bytes)->status, 200);
    m_server->kill(SIGKILL);
    m_server->wait();
    start();
    EXPECT_EQ(body(downloadPath(2)), bytes);
}

TEST_F(ServerTest, secondServerOnTheSameData_failsClearly)
{
    ServerProcess second(m_data.path());
    EXPECT_FALSE(second.started());
    const int status = second.wait();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) != 0);
}

TEST_F(ServerTest, staticFilesAndHelpPages_areServed)
{
    const std::vector<std::tuple<std::string, std::string, std::string>> cases{
        {"/quillary/temp/file1.doc", "application/msword", "\xD0\xCF\x11\xE0"},
        {"/quillary/temp/file2.doc", "application/msword", "\xD0\xCF\x11\xE0"},
        {"/quillary/temp/file3.doc", "application/msword", "\xD0\xCF\x11\xE0"},
        {"/quillary/images/quillary.jpg", "image/jpeg", "\xFF\xD8\xFF"},
        {"/quillary/images/003.gif", "image/gif", "GIF89a"},
        {"/officebbs/", "text/html; charset=utf-8", "<!DOCTYPE html>"},
        {"/quillaryintro.htm", "text/html; charset=utf-8", "<!DOCTYPE html>"},
        {"/quillary.htm", "text/html; charset=utf-8", "<!DOCTYPE html>"}};
    for (const auto &[path, type, start] : cases) {
        auto result = get(path);
        ASSERT_TRUE(result) << path;
        EXPECT_EQ(result->status, 200) << path;
        EXPECT_EQ(result->get_header_value("Content-Type"), type) << path;
        EXPECT_EQ(result->body.substr(0, start.size()), start) << path;
    }
    EXPECT_NE(body("/quillary/temp/file1.doc"), body("/quillary/temp/file2.doc"));
    for (const std::string path : {"/quillary/temp/file4.doc", "/quillary/temp/../images/003.gif",
                                   "/quillary/temp/%2e%2e/%2e%2e/etc/passwd", "/etc/passwd",
                                   "/quillary/images/../../quillary.sqlite", "/quillary.sqlite"}) {
        auto result = get(path);
        ASSERT_TRUE(result) << path;
        EXPECT_EQ(result->status, 404) << path;
    }
}

TEST_F(ServerTest, oddQueryStrings_areAnswered404)
{
    struct Query
    {
        std::string name;
        std::string query;
        int uploadStatus = 404; // 400 where the unreadable query hides oper=edit as well
    };
    const std::vector<Query> queries{{"value holding =", "id=x=1"},
                                     {"id then =", "id=1=1"},
                                     {"trailing =", "id=1="},
                                     {"leading =", "id==1"},
                                     {"name only", "id"},
                                     {"empty value", "id="},
                                     {"id twice", "id=1&id=1"},
                                     {"semicolon", "id=1;id=2"},
                                     {"escaped ampersand", "id=1%26id=2"},
                                     {"escaped =", "id%3D1"},
                                     {"question mark", "id=1?id=2"},
                                     {"upper-case name", "ID=1"},
                                     {"bracketed name", "id[]=1"},
                                     {"broken escape", "id=1%", 400},
                                     {"broken escape elsewhere", "id=1&x=%zz", 400},
                                     {"escaped NUL", "id=1%00"},
                                     {"plus sign", "id=+1"}};
    const std::string before = body(downloadPath(1));
    for (const auto &[name, query, uploadStatus] : queries) {
        SCOPED_TRACE(name + ": " + query);
        for (const std::string page : {"/quillary/writefile.asp", "/quillary/webdocedit.asp",
                                       "/quillary/webdocread.asp", "/quillary/versions.asp"}) {
            auto result = get(page + "?" + query + "&operfile=office&oper=edit");
            ASSERT_TRUE(result) << page;
            EXPECT_EQ(result->status, 404) << page;
        }
        httplib::MultipartFormDataItems items{{"file", "new", "a.doc", ""}};
        auto result = client().Post(("/quillary/uploadedit.asp?oper=edit&" + query).c_str(), items);
        ASSERT_TRUE(result);
        EXPECT_EQ(result->status, uploadStatus);
    }
    for (const std::string version : {"x=1", "1=", "1&version=1", "", "%"}) {
        auto result = get(downloadPath(1) + "&version=" + version);
        ASSERT_TRUE(result) << version;
        EXPECT_EQ(result->status, 404) << version;
    }
    auto upload = client().Post("/quillary/uploadedit.asp?oper=edit=1&id=1",
                                httplib::MultipartFormDataItems{{"file", "new", "a.doc", ""}});
    ASSERT_TRUE(upload);
    EXPECT_EQ(upload->status, 400);
    EXPECT_EQ(versionsOf(1), std::vector<std::string>{before});
    // The same addresses with well-formed queries do answer.
    EXPECT_EQ(get("/quillary/writefile.asp?id=%31&operfile=office")->status, 200);
    EXPECT_EQ(get("/quillary/webdocedit.asp?oper=edit&id=1")->status, 200);
    EXPECT_EQ(get(downloadPath(1) + "&version=1")->status, 200);
}

TEST_F(ServerTest, expect100Continue_refusalComesFirst_acceptanceInvitesTheBody)
{
    const std::string bodyText = multipartHead("B", "file", "a.doc") + "new bytes\r\n--B--\r\n";
    const auto send = [&](const std::string &id) {
        RawConnection raw(m_server->port());
        raw.send("POST " + uploadPath(id) +
                 " HTTP/1.1\r\nHost: x\r\nContent-Type: multipart/form-data; boundary=B\r\n"
                 "Expect: 100-continue\r\nConnection: close\r\nContent-Length: " +
                 std::to_string(bodyText.size()) + "\r\n\r\n");
        char buffer[4096];
        const ssize_t got = ::recv(raw.fd(), buffer, sizeof buffer, 0);
        std::string first(buffer, got > 0 ? std::size_t(got) : 0);
        raw.send(bodyText);
        return first + raw.readAll();
    };
    const std::string refused = send("77");
    EXPECT_EQ(refused.substr(0, 12), "HTTP/1.1 404") << refused;
    EXPECT_EQ(refused.find("100 Continue"), std::string::npos) << refused;

    const std::string accepted = send("3");
    EXPECT_EQ(accepted.substr(0, 25), "HTTP/1.1 100 Continue\r\n\r\n") << accepted;
    EXPECT_NE(accepted.find("HTTP/1.1 200"), std::string::npos) << accepted;
    EXPECT_NE(accepted.find("OK 2"), std::string::npos) << accepted;
}

TEST_F(ServerTest, refusedUploadWithItsBodyOnTheWay_stillGetsItsAnswer)
{
    // The client writes its whole body before it reads; the answer must still reach it.
    auto result = upload("99", randomBytes(8 << 20, 21));
    ASSERT_TRUE(result) << httplib::to_string(result.error());
    EXPECT_EQ(result->status, 404);
    EXPECT_EQ(result->body, "no such document\n");
    // And the site is unharmed.
    EXPECT_EQ(upload("1", "after")->status, 200);
}

TEST_F(ServerTest, secondSiteOnTheSamePort_refusesToStart_andTheFirstKeepsEveryConnection)
{
    TempDir other;
    const fs::path errors = other.path() / "errors.txt";
    ServerProcess second(other.path() / "data", {}, m_server->port(), errors);
    EXPECT_FALSE(second.started()) << second.output();
    if (second.started())
        second.kill(SIGTERM);
    const int status = second.wait();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) != 0) << status;
    const std::string message = readFile(errors);
    EXPECT_NE(message.find("cannot listen on 127.0.0.1:" + std::to_string(m_server->port()) +
                           ": Address already in use"),
              std::string::npos)
        << message;
    EXPECT_FALSE(fs::exists(other.path() / "data")); // its data folder was left alone

    const std::string bytes = randomBytes(70000, 22);
    ASSERT_EQ(upload("4", bytes)->status, 200);
    for (int i = 0; i < 20; ++i)
        EXPECT_EQ(body(downloadPath(4)), bytes) << i;
}

// Another server that served one connection on a port and closed it first, then ended: the
// port is left with a connection in TIME_WAIT. Like most servers it set SO_REUSEADDR (the
// kernel lets a port be taken over from TIME_WAIT only when both sides set it).
int portJustReleased()
{
    int port = 0;
    {
        const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
        const int on = 1;
        ::setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(listener, reinterpret_cast<sockaddr *>(&address), sizeof address);
        ::listen(listener, 1);
        socklen_t length = sizeof address;
        ::getsockname(listener, reinterpret_cast<sockaddr *>(&address), &length);
        port = ntohs(address.sin_port);
        RawConnection client(port);
        const int served = ::accept(listener, nullptr, nullptr);
        ::close(served);
        client.readAll();
        client.close();
        ::close(listener);
    }
    return port;
}

TEST(SitePortTest, site_startsOnAPortAnotherProgramJustReleased)
{
    const int port = portJustReleased();
    ASSERT_TRUE(eventually([&] { return timeWaitOn(port); }));
    TempDir data;
    ServerProcess site(data.path(), {}, port);
    ASSERT_TRUE(site.started()) << site.output();
    EXPECT_EQ(site.port(), port);
    httplib::Client c("127.0.0.1", port);
    auto result = c.Get(listPath.c_str());
    ASSERT_TRUE(result);
    EXPECT_EQ(result->status, 200);
}

TEST_F(ServerTest, defaultAddress_isLoopback)
{
    EXPECT_NE(m_server->output().find("listening on http://127.0.0.1:"), std::string::npos);
}

} // namespace
