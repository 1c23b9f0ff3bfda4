#include "fakes.h"
#include "serverprocess.h"
#include "sitelauncher.h"

#include <QFile>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>

#include <httplib.h>

#include <gtest/gtest.h>

#include <thread>

using launcher::LaunchPlan;
using launcher::SiteLauncher;

namespace {

// A port nothing listens on right now.
int freePort()
{
    QTcpServer server;
    server.listen(QHostAddress::LocalHost, 0);
    return server.serverPort();
}

bool somethingListensOn(int port)
{
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, port);
    return socket.waitForConnected(5000);
}

QString readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// Another program holding a port: a web server that is not the demo site.
class OtherProgram
{
public:
    OtherProgram()
    {
        m_server.Get(".*", [](const httplib::Request &, httplib::Response &res) {
            res.status = 404;
            res.set_content("not here", "text/plain");
        });
        m_server.set_keep_alive_max_count(1);
        m_port = m_server.bind_to_any_port("127.0.0.1");
        m_thread = std::thread([this] { m_server.listen_after_bind(); });
    }
    ~OtherProgram()
    {
        m_server.stop();
        m_thread.join();
    }
    int port() const { return m_port; }

private:
    httplib::Server m_server;
    int m_port = 0;
    std::thread m_thread;
};

class SiteLauncherTest : public ::testing::Test
{
protected:
    LaunchPlan planFor(const QString &base)
    {
        LaunchPlan plan;
        plan.serverBase = QUrl(base);
        plan.clientProgram = QStringLiteral(LAUNCHER_FAKE_CLIENT);
        plan.clientArguments = {marker(), base};
        plan.siteProgram = QStringLiteral(QUILLARY_DEMO_SERVER);
        plan.site = {m_dir.filePath("data/quillary/server"),
                     m_dir.filePath("state/quillary/demo-server.log")};
        return plan;
    }
    static QString base(int port) { return QStringLiteral("http://127.0.0.1:%1").arg(port); }
    QString marker() const { return m_dir.filePath("client-ran"); }

    // Runs the launcher to its end; its exit code, or -1 when it never ended.
    int run(const LaunchPlan &plan)
    {
        SiteLauncher launcher(plan, m_messages);
        QSignalSpy finished(&launcher, &SiteLauncher::finished);
        launcher.start();
        if (!finished.wait(120000))
            return -1;
        return finished.at(0).at(0).toInt();
    }

    QTemporaryDir m_dir;
    fakes::RecordingMessages m_messages;
};

} // namespace

TEST_F(SiteLauncherTest, noSiteAnswering_startsTheSite_clientReachesIt_siteStopsWithTheClient)
{
    const int port = freePort();
    const LaunchPlan plan = planFor(base(port));

    EXPECT_EQ(run(plan), 0);

    EXPECT_EQ(readAll(marker()), QStringLiteral("200")) << "the client found the site answering";
    EXPECT_TRUE(m_messages.shown.empty());
    EXPECT_FALSE(somethingListensOn(port)) << "the site the launcher started is stopped";
    EXPECT_TRUE(readAll(plan.site.logFile).contains(QStringLiteral("listening on"))) << "log";
    EXPECT_TRUE(QFileInfo(plan.site.dataDir).isDir()) << "data in the user's data folder";
}

TEST_F(SiteLauncherTest, siteAlreadyRunning_isUsedAsItIs_andLeftRunning)
{
    quillary::testing::TempDir data;
    quillary::testing::ServerProcess site(data.path());
    ASSERT_TRUE(site.started()) << site.output();
    const LaunchPlan plan = planFor(base(site.port()));

    EXPECT_EQ(run(plan), 0);

    EXPECT_EQ(readAll(marker()), QStringLiteral("200"));
    EXPECT_TRUE(m_messages.shown.empty());
    EXPECT_TRUE(somethingListensOn(site.port())) << "the user's own site keeps running";
    EXPECT_FALSE(QFile::exists(plan.site.logFile)) << "no second site was started";
}

TEST_F(SiteLauncherTest, portHeldByAnotherProgram_saysSoInAMessageBox_andStartsNoClient)
{
    OtherProgram other;
    const LaunchPlan plan = planFor(base(other.port()));

    EXPECT_EQ(run(plan), 1);

    ASSERT_EQ(m_messages.shown.size(), 1u);
    const QString text = m_messages.shown[0].text;
    EXPECT_TRUE(text.contains(QStringLiteral("已被其他程序占用"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QString::number(other.port()))) << text.toStdString();
    EXPECT_FALSE(QFile::exists(marker())) << "no client with an empty list";
    EXPECT_FALSE(QFile::exists(plan.site.logFile)) << "no site started to share the port";
}

TEST_F(SiteLauncherTest, siteFailingForAnotherReason_showsTheSitesOwnError)
{
    // A site of the user's, on another port, already holds the data folder.
    LaunchPlan plan = planFor(base(freePort()));
    quillary::testing::ServerProcess holder(plan.site.dataDir.toStdString());
    ASSERT_TRUE(holder.started()) << holder.output();

    EXPECT_EQ(run(plan), 1);

    ASSERT_EQ(m_messages.shown.size(), 1u);
    const QString text = m_messages.shown[0].text;
    EXPECT_TRUE(
        text.startsWith(QStringLiteral("演示网站无法在 %1 启动。").arg(plan.serverBase.toString())))
        << text.toStdString();
    EXPECT_FALSE(text.contains(QStringLiteral("其他程序"))) << "nothing else held the port";
    EXPECT_TRUE(text.contains(QStringLiteral("quillary-demo-server:"))) << text.toStdString();
    EXPECT_FALSE(QFile::exists(marker()));
}

TEST_F(SiteLauncherTest, missingSiteProgram_saysWhichProgram)
{
    LaunchPlan plan = planFor(base(freePort()));
    plan.siteProgram = m_dir.filePath("no-such-server");

    EXPECT_EQ(run(plan), 1);

    ASSERT_EQ(m_messages.shown.size(), 1u);
    EXPECT_TRUE(m_messages.shown[0].text.contains(plan.siteProgram));
    EXPECT_FALSE(QFile::exists(marker()));
}

TEST_F(SiteLauncherTest, missingClient_saysSo_andStopsTheSiteItStarted)
{
    const int port = freePort();
    LaunchPlan plan = planFor(base(port));
    plan.clientProgram = m_dir.filePath("no-such-client");

    EXPECT_EQ(run(plan), 1);

    ASSERT_EQ(m_messages.shown.size(), 1u);
    EXPECT_TRUE(m_messages.shown[0].text.contains(plan.clientProgram));
    EXPECT_FALSE(somethingListensOn(port));
}

TEST_F(SiteLauncherTest, clientsExitCode_isTheLaunchersExitCode)
{
    OtherProgram other; // answers the client's list request with 404: the fake client exits 3
    LaunchPlan plan = planFor(QStringLiteral("https://127.0.0.1:%1").arg(other.port()));
    plan.clientArguments = {marker(), base(other.port())};

    EXPECT_EQ(run(plan), 3);

    EXPECT_EQ(readAll(marker()), QStringLiteral("404"));
    EXPECT_TRUE(m_messages.shown.empty()) << "an https address is never the launcher's to start";
    EXPECT_FALSE(QFile::exists(plan.site.logFile));
}

struct BaseCase
{
    const char *name;
    const char *base;
    std::optional<launcher::LocalSite> site;
};

class LocalSiteFor : public ::testing::TestWithParam<BaseCase>
{
};

TEST_P(LocalSiteFor, startsASiteOnlyForPlainHttpOnThisMachine)
{
    const auto site = launcher::localSiteFor(QUrl(QString::fromUtf8(GetParam().base)));
    ASSERT_EQ(site.has_value(), GetParam().site.has_value());
    if (site) {
        EXPECT_EQ(site->address, GetParam().site->address);
        EXPECT_EQ(site->port, GetParam().site->port);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Addresses, LocalSiteFor,
    ::testing::Values(
        BaseCase{"loopbackWithPort", "http://127.0.0.1:8089",
                 launcher::LocalSite{"127.0.0.1", 8089}},
        BaseCase{"otherLoopbackAddress", "http://127.0.0.2:9000",
                 launcher::LocalSite{"127.0.0.2", 9000}},
        BaseCase{"localhostBecomesNumeric", "http://localhost:9000",
                 launcher::LocalSite{"127.0.0.1", 9000}},
        BaseCase{"ipv6Loopback", "http://[::1]:8089", launcher::LocalSite{"::1", 8089}},
        BaseCase{"noPort_isPort80", "http://127.0.0.1", launcher::LocalSite{"127.0.0.1", 80}},
        BaseCase{"https_notOurs", "https://127.0.0.1:8089", std::nullopt},
        BaseCase{"otherMachine_notOurs", "http://192.0.2.10:8089", std::nullopt},
        BaseCase{"hostName_notOurs", "http://docs.example.org:8089", std::nullopt},
        BaseCase{"garbage_notOurs", "not an address", std::nullopt}),
    [](const auto &info) { return std::string(info.param.name); });

struct FoldersCase
{
    const char *name;
    std::vector<std::pair<const char *, const char *>> environment;
    const char *dataDir;
    const char *logFile;
};

class SiteFoldersFor : public ::testing::TestWithParam<FoldersCase>
{
};

TEST_P(SiteFoldersFor, dataUnderXdgDataHome_logUnderXdgStateHome)
{
    QProcessEnvironment environment;
    for (const auto &[name, value] : GetParam().environment)
        environment.insert(QString::fromUtf8(name), QString::fromUtf8(value));
    const auto folders = launcher::siteFoldersFor(environment);
    EXPECT_EQ(folders.dataDir, QString::fromUtf8(GetParam().dataDir));
    EXPECT_EQ(folders.logFile, QString::fromUtf8(GetParam().logFile));
}

INSTANTIATE_TEST_SUITE_P(
    Environments, SiteFoldersFor,
    ::testing::Values(
        FoldersCase{"xdgFoldersSet",
                    {{"HOME", "/home/u"}, {"XDG_DATA_HOME", "/d"}, {"XDG_STATE_HOME", "/s/"}},
                    "/d/quillary/server",
                    "/s/quillary/demo-server.log"},
        FoldersCase{"unset_fallBackUnderHome",
                    {{"HOME", "/home/u"}},
                    "/home/u/.local/share/quillary/server",
                    "/home/u/.local/state/quillary/demo-server.log"},
        FoldersCase{"relativePaths_ignored",
                    {{"HOME", "/home/u"}, {"XDG_DATA_HOME", "rel"}, {"XDG_STATE_HOME", "rel"}},
                    "/home/u/.local/share/quillary/server",
                    "/home/u/.local/state/quillary/demo-server.log"}),
    [](const auto &info) { return std::string(info.param.name); });
