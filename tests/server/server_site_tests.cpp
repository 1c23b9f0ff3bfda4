// The site in this process, for what only a test inside can arrange: failing disks and the
// listening socket itself.
#include "listener.h"
#include "serverprocess.h"
#include "site.h"

#include <httplib.h>

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <atomic>
#include <cerrno>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <set>
#include <sys/socket.h>
#include <thread>

using namespace quillary::server;
using namespace quillary::testing;
namespace fs = std::filesystem;

namespace {

std::set<std::string> filesUnder(const fs::path &dir)
{
    std::set<std::string> files;
    for (const auto &entry : fs::recursive_directory_iterator(dir)) {
        if (entry.is_regular_file())
            files.insert(fs::relative(entry.path(), dir).string());
    }
    return files;
}

// A site serving from a thread of this process on a free loopback port.
class RunningSite
{
public:
    RunningSite(const fs::path &dataDir, DiskWriter disk = {}, int port = 0)
        : m_site(SiteConfig{dataDir, 64ull << 20, std::move(disk)})
    {
        UniqueFd listening = openListener("127.0.0.1", port);
        m_port = localPort(listening.get());
        m_thread = std::thread(
            [this, fd = std::move(listening)]() mutable { m_site.listen(std::move(fd)); });
    }
    ~RunningSite()
    {
        m_site.stop();
        m_thread.join();
    }
    int port() const { return m_port; }
    httplib::Client client() const
    {
        httplib::Client c("127.0.0.1", m_port);
        c.set_read_timeout(60);
        return c;
    }

private:
    DemoSite m_site;
    int m_port = 0;
    std::thread m_thread;
};

const std::string downloadPath = "/quillary/writefile.asp?id=2&operfile=office";

httplib::Result upload(const RunningSite &site, const std::string &bytes)
{
    httplib::MultipartFormDataItems items{{"file", bytes, "new.docx", "application/msword"}};
    return site.client().Post("/quillary/uploadedit.asp?oper=edit&id=2", items);
}

struct WriteFault
{
    const char *name;
    std::uint64_t bytesWritten; // before the write fails (short writes up to there)
    int error;
    bool atSync;
};

void PrintTo(const WriteFault &fault, std::ostream *out)
{
    *out << fault.name;
}

class WriteFailureTest : public ::testing::TestWithParam<WriteFault>
{
protected:
    // The faulty disk fails only once armed, so the samples are stored on the first start.
    DiskWriter faultyDisk()
    {
        const WriteFault fault = GetParam();
        DiskWriter disk;
        disk.write = [this, fault](int fd, const void *data, std::size_t size) -> ssize_t {
            if (!m_armed || fault.atSync)
                return ::write(fd, data, size);
            if (m_written >= fault.bytesWritten) {
                errno = fault.error;
                return -1;
            }
            const ssize_t written =
                ::write(fd, data, std::min<std::uint64_t>(size, fault.bytesWritten - m_written));
            m_written += written > 0 ? std::uint64_t(written) : 0;
            return written;
        };
        disk.sync = [this, fault](int fd) {
            if (m_armed && fault.atSync) {
                errno = fault.error;
                return -1;
            }
            return ::fsync(fd);
        };
        return disk;
    }

    std::atomic<bool> m_armed{false};
    std::atomic<std::uint64_t> m_written{0};
    TempDir m_data;
};

TEST_P(WriteFailureTest, uploadFailingHalfWay_answers500_keepsTheVersion_andStoresNothing)
{
    RunningSite site(m_data.path(), faultyDisk());
    const auto before = site.client().Get(downloadPath);
    ASSERT_TRUE(before);
    const fs::path store = m_data.path() / "store";
    const std::set<std::string> storedBefore = filesUnder(store);

    m_armed = true;
    auto result = upload(site, randomBytes(3 << 20, 11));
    ASSERT_TRUE(result);
    EXPECT_EQ(result->status, 500);
    EXPECT_EQ(result->body, "the server cannot store the document\n");

    auto after = site.client().Get(downloadPath);
    ASSERT_TRUE(after);
    EXPECT_EQ(after->body, before->body);
    EXPECT_EQ(after->get_header_value("X-Document-Version"), "1");
    EXPECT_EQ(site.client().Get(downloadPath + "&version=2")->status, 404);
    EXPECT_TRUE(eventually([&] { return filesUnder(store) == storedBefore; }));

    // Once the disk works again, so do uploads.
    m_armed = false;
    result = upload(site, randomBytes(3 << 20, 12));
    ASSERT_TRUE(result);
    EXPECT_EQ(result->body, "OK 2\n");
    EXPECT_EQ(site.client().Get(downloadPath)->body, randomBytes(3 << 20, 12));
}

INSTANTIATE_TEST_SUITE_P(Faults, WriteFailureTest,
                         ::testing::Values(WriteFault{"diskFullAfterOneMebibyte", 1 << 20, ENOSPC,
                                                      false},
                                           WriteFault{"ioErrorOnTheFirstWrite", 0, EIO, false},
                                           WriteFault{"ioErrorWhenSyncing", 0, EIO, true}),
                         [](const auto &info) { return std::string(info.param.name); });

TEST(ListenerTest, openListener_onAPortInUse_failsNamingAddressAndPort)
{
    const UniqueFd first = openListener("127.0.0.1", 0);
    const int port = localPort(first.get());
    try {
        openListener("127.0.0.1", port);
        FAIL() << "a second listener opened on port " << port;
    } catch (const ListenError &error) {
        const std::string message = error.what();
        EXPECT_NE(message.find("127.0.0.1:" + std::to_string(port)), std::string::npos) << message;
        EXPECT_NE(message.find("Address already in use"), std::string::npos) << message;
    }
    // Not even on all addresses at once.
    EXPECT_THROW(openListener("0.0.0.0", port), ListenError);
}

TEST(ListenerTest, openListener_backlogIsTheSystemMaximum)
{
    const UniqueFd listening = openListener("127.0.0.1", 0);
    // For a listening socket Linux reports the backlog it took in tcpi_sacked.
    tcp_info info{};
    socklen_t length = sizeof info;
    ASSERT_EQ(::getsockopt(listening.get(), IPPROTO_TCP, TCP_INFO, &info, &length), 0);
    EXPECT_EQ(int(info.tcpi_sacked), systemListenBacklog());
    EXPECT_GT(systemListenBacklog(), 5);
}

TEST(ListenerTest, listenBacklog_readsSomaxconn_elseFallsBack)
{
    EXPECT_EQ(listenBacklog("4096\n"), 4096);
    EXPECT_EQ(listenBacklog("128"), 128);
    for (const char *bad : {"", "0", "-1", "many", "12x"})
        EXPECT_EQ(listenBacklog(bad), SOMAXCONN) << bad;
}

// Sends one request that asks the site to close the connection, and reads to the end.
std::string requestAndClose(int port, const std::string &path)
{
    const UniqueFd fd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd.get(), reinterpret_cast<sockaddr *>(&address), sizeof address) != 0)
        return {};
    const std::string request = "GET " + path + " HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n";
    ::send(fd.get(), request.data(), request.size(), MSG_NOSIGNAL);
    std::string answer;
    char buffer[4096];
    ssize_t got;
    while ((got = ::recv(fd.get(), buffer, sizeof buffer, 0)) > 0)
        answer.append(buffer, std::size_t(got));
    return answer;
}

TEST(SiteTest, stoppedSite_letsTheNextOneHaveItsPortAtOnce)
{
    TempDir data;
    int port = 0;
    {
        RunningSite site(data.path());
        port = site.port();
        EXPECT_EQ(requestAndClose(port, "/quillary.htm").substr(0, 12), "HTTP/1.1 200");
    }
    // The site closed that connection first, so it lingers on the port.
    ASSERT_TRUE(eventually([&] { return timeWaitOn(port); }));
    RunningSite next(data.path(), {}, port);
    EXPECT_EQ(requestAndClose(port, "/quillary/webdocumentlist.asp").substr(0, 12), "HTTP/1.1 200");
}

} // namespace
