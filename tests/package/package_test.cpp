// The Debian package as a user gets it: what it holds, what it depends on, what the desktop's
// validators and lintian say of it, and the programs run from it after extraction.
#include "appicons.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QUrl>

#include <gtest/gtest.h>

#include <csignal>
#include <memory>
#include <unistd.h>

namespace {

struct Outcome
{
    int exitCode = -1;
    QString out;
    QString err;
};

Outcome run(const QString &program, const QStringList &arguments,
            const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment(),
            int limitMs = 300000)
{
    QProcess process;
    process.setProcessEnvironment(environment);
    // A group of its own, so a run that overstays is ended with everything it started.
    process.setChildProcessModifier([] { ::setpgid(0, 0); });
    process.start(program, arguments);
    Outcome result;
    if (!process.waitForFinished(limitMs)) {
        if (process.processId() > 0)
            ::kill(-static_cast<pid_t>(process.processId()), SIGKILL);
        process.waitForFinished();
        result.err = QStringLiteral("%1 did not end: %2").arg(program, process.errorString());
        return result;
    }
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.out = QString::fromUtf8(process.readAllStandardOutput());
    result.err = QString::fromUtf8(process.readAllStandardError());
    return result;
}

const QString appId = QStringLiteral(QUILLARY_APP_ID);

// The package built by the package_builds test, extracted once for the whole suite.
class Package : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        const QStringList debs =
            QDir(QStringLiteral(PACKAGE_DIR)).entryList({QStringLiteral("*.deb")}, QDir::Files);
        ASSERT_EQ(debs.size(), 1) << "one package in " PACKAGE_DIR;
        s_deb = QDir(QStringLiteral(PACKAGE_DIR)).filePath(debs[0]);
        s_root = std::make_unique<QTemporaryDir>();
        const Outcome extract =
            run(QStringLiteral("dpkg-deb"), {QStringLiteral("-x"), s_deb, s_root->path()});
        ASSERT_EQ(extract.exitCode, 0) << extract.err.toStdString();
    }
    static void TearDownTestSuite() { s_root.reset(); }

    static QString field(const QString &name)
    {
        return run(QStringLiteral("dpkg-deb"), {QStringLiteral("-f"), s_deb, name}).out.trimmed();
    }
    static QString installed(const QString &path) { return s_root->filePath(path); }

    static inline QString s_deb;
    static inline std::unique_ptr<QTemporaryDir> s_root;
};

} // namespace

TEST_F(Package, fileName_carriesVersionAndArchitecture)
{
    const QString arch =
        run(QStringLiteral("dpkg"), {QStringLiteral("--print-architecture")}).out.trimmed();
    EXPECT_EQ(QFileInfo(s_deb).fileName(),
              QStringLiteral("quillary-demo_%1_%2.deb").arg(QStringLiteral(PROJECT_VERSION), arch));
    EXPECT_EQ(field(QStringLiteral("Package")), QStringLiteral("quillary-demo"));
    EXPECT_EQ(field(QStringLiteral("Version")), QStringLiteral(PROJECT_VERSION));
    EXPECT_EQ(field(QStringLiteral("Architecture")), arch);
}

TEST_F(Package, onlyTheUsersProgramsAreOnPath_andEveryFileBelongsToRoot)
{
    EXPECT_EQ(QDir(installed("usr/bin")).entryList(QDir::Files | QDir::NoDotAndDotDot),
              QStringList({"quillary-demo", "quillary-demo-launcher", "quillary-demo-server"}));
    const Outcome listing = run(QStringLiteral("dpkg-deb"), {QStringLiteral("-c"), s_deb});
    ASSERT_EQ(listing.exitCode, 0);
    for (const QString &line : listing.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
        EXPECT_TRUE(line.contains(QStringLiteral(" root/root "))) << line.toStdString();
}

struct Content
{
    std::string name;
    QString path;
    bool executable;
};

void PrintTo(const Content &content, std::ostream *out)
{
    *out << content.path.toStdString();
}

class PackageContents : public Package, public ::testing::WithParamInterface<Content>
{
};

TEST_P(PackageContents, isInstalledWhereDebianKeepsIt)
{
    const QFileInfo file(installed(GetParam().path));
    ASSERT_TRUE(file.isFile()) << GetParam().path.toStdString();
    EXPECT_EQ(file.isExecutable(), GetParam().executable);
}

static std::vector<Content> expectedContents()
{
    std::vector<Content> contents{
        {"client", "usr/bin/quillary-demo", true},
        {"launcher", "usr/bin/quillary-demo-launcher", true},
        {"site", "usr/bin/quillary-demo-server", true},
        {"browserModule_inPrivateLibraryFolder",
         "usr/" QUILLARY_PRIVATE_LIBDIR "/libquillary-browser.so", false},
        {"documentControl_inPrivateLibraryFolder",
         "usr/" QUILLARY_PRIVATE_LIBDIR "/libquillary-control.so.3", false},
        {"documentControlHeaders", "usr/include/quillary/documentcontrol.h", false},
        {"documentControlCMakePackage",
         "usr/" QUILLARY_LIBDIR "/cmake/QuillaryControl/QuillaryControlConfig.cmake", false},
        {"officeEngine_inPrivateLibexecFolder",
         "usr/" QUILLARY_PRIVATE_LIBEXECDIR "/quillary-office-engine", true},
        {"desktopEntry", "usr/share/applications/" + appId + ".desktop", false},
        {"appStreamMetainfo", "usr/share/metainfo/" + appId + ".metainfo.xml", false},
        {"sitesManualPage", "usr/share/man/man1/quillary-demo-server.1.gz", false},
        {"clientsManualPage", "usr/share/man/man1/quillary-demo.1.gz", false},
        {"launchersManualPage", "usr/share/man/man1/quillary-demo-launcher.1.gz", false},
        {"copyright", "usr/share/doc/quillary-demo/copyright", false},
        {"changelog", "usr/share/doc/quillary-demo/changelog.gz", false},
    };
    for (const QString &size : QStringLiteral(QUILLARY_ICON_SIZES).split(QLatin1Char(',')))
        contents.push_back(
            {"icon" + size.toStdString(),
             QStringLiteral("usr/share/icons/hicolor/%1x%1/apps/%2.png").arg(size, appId), false});
    return contents;
}

INSTANTIATE_TEST_SUITE_P(Files, PackageContents, ::testing::ValuesIn(expectedContents()),
                         [](const auto &info) { return info.param.name; });

class PackageDependencies : public Package, public ::testing::WithParamInterface<const char *>
{
};

TEST_P(PackageDependencies, dependsOn)
{
    QSet<QString> names;
    for (const QString &entry : field(QStringLiteral("Depends")).split(QLatin1Char(',')))
        names.insert(entry.trimmed().section(QLatin1Char(' '), 0, 0));
    EXPECT_TRUE(names.contains(QString::fromUtf8(GetParam())))
        << field(QStringLiteral("Depends")).toStdString();
}

// What nothing links but the programs need, then a sample of what dpkg-shlibdeps finds in the
// client, the browser module and the site.
INSTANTIATE_TEST_SUITE_P(Runtime, PackageDependencies,
                         ::testing::Values("libreoffice-writer", "libreoffice-calc",
                                           "libreoffice-impress", "fonts-noto-cjk",
                                           "qt6-translations-l10n", "libqt6webenginecore6-bin",
                                           "qt6-qpa-plugins", "xdg-utils"),
                         [](const auto &info) {
                             return QString::fromUtf8(info.param)
                                 .replace(QLatin1Char('-'), QLatin1Char('_'))
                                 .toStdString();
                         });
INSTANTIATE_TEST_SUITE_P(Linked, PackageDependencies,
                         ::testing::Values("libc6", "libstdc++6", "libqt6widgets6",
                                           "libqt6webenginewidgets6", "libsqlite3-0",
                                           "libmicrohttpd12"),
                         [](const auto &info) {
                             return QString::fromUtf8(info.param)
                                 .replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9]")),
                                          QStringLiteral("_"))
                                 .toStdString();
                         });

TEST_F(Package, lintian_reportsNoError)
{
    const Outcome lintian = run(QStringLiteral("lintian"), {QStringLiteral("--tag-display-limit"),
                                                            QStringLiteral("0"), s_deb});
    ASSERT_GE(lintian.exitCode, 0) << lintian.err.toStdString();
    const QStringList errors =
        lintian.out.split(QLatin1Char('\n')).filter(QRegularExpression(QStringLiteral("^E: ")));
    EXPECT_TRUE(errors.isEmpty()) << lintian.out.toStdString();
}

TEST_F(Package, desktopEntry_validates_andRunsTheInstalledLauncherWithTheInstalledIcon)
{
    const QString entry = installed("usr/share/applications/" + appId + ".desktop");
    const Outcome validate = run(QStringLiteral("desktop-file-validate"), {entry});
    EXPECT_EQ(validate.exitCode, 0) << validate.out.toStdString() << validate.err.toStdString();
    EXPECT_TRUE(validate.out.trimmed().isEmpty()) << validate.out.toStdString();

    QFile file(entry);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(file.readAll());
    const auto exec = QRegularExpression(QStringLiteral("(?m)^Exec=(\\S+)")).match(text);
    ASSERT_TRUE(exec.hasMatch());
    EXPECT_TRUE(QFileInfo(installed("usr/bin/" + exec.captured(1))).isExecutable())
        << exec.captured(1).toStdString();
    const auto icon = QRegularExpression(QStringLiteral("(?m)^Icon=(\\S+)")).match(text);
    ASSERT_TRUE(icon.hasMatch());
    EXPECT_TRUE(QFileInfo::exists(
        installed("usr/share/icons/hicolor/48x48/apps/" + icon.captured(1) + ".png")));
}

TEST_F(Package, appStreamMetainfo_validates_andNamesTheDesktopEntry)
{
    const QString metainfo = installed("usr/share/metainfo/" + appId + ".metainfo.xml");
    const Outcome validate =
        run(QStringLiteral("appstreamcli"),
            {QStringLiteral("validate"), QStringLiteral("--no-net"), metainfo});
    EXPECT_EQ(validate.exitCode, 0) << validate.out.toStdString() << validate.err.toStdString();

    QFile file(metainfo);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(file.readAll());
    EXPECT_TRUE(
        text.contains("<launchable type=\"desktop-id\">" + appId + ".desktop</launchable>"));
    EXPECT_TRUE(text.contains(QStringLiteral("<screenshot type=\"default\">")));
    EXPECT_TRUE(text.contains(QStringLiteral("<summary xml:lang=\"zh_CN\">")));
    EXPECT_TRUE(text.contains(QStringLiteral("<p xml:lang=\"zh_CN\">")));
}

TEST_F(Package, icons_haveTheirDirectorysSize_andTheWindowsPicturesAtTheWindowsSizes)
{
    for (const QString &size : QStringLiteral(QUILLARY_ICON_SIZES).split(QLatin1Char(','))) {
        const QImage icon(installed(
            QStringLiteral("usr/share/icons/hicolor/%1x%1/apps/%2.png").arg(size, appId)));
        ASSERT_FALSE(icon.isNull()) << size.toStdString();
        EXPECT_EQ(icon.size(), QSize(size.toInt(), size.toInt()));
    }
    for (int size : {16, 32, 48}) {
        const QImage icon(installed(
            QStringLiteral("usr/share/icons/hicolor/%1x%1/apps/%2.png").arg(size).arg(appId)));
        const QImage window = platform::iconA().pixmap(QSize(size, size)).toImage();
        EXPECT_EQ(icon.convertToFormat(QImage::Format_ARGB32),
                  window.convertToFormat(QImage::Format_ARGB32))
            << size;
    }
}

TEST_F(Package, manualPages_renderWithoutWarnings)
{
    for (const QString &page :
         {"quillary-demo", "quillary-demo-launcher", "quillary-demo-server"}) {
        const Outcome man =
            run(QStringLiteral("man"), {QStringLiteral("--warnings"), QStringLiteral("-l"),
                                        installed("usr/share/man/man1/" + page + ".1.gz")});
        EXPECT_EQ(man.exitCode, 0) << page.toStdString();
        EXPECT_TRUE(man.err.trimmed().isEmpty()) << man.err.toStdString();
        EXPECT_TRUE(man.out.contains(page)) << page.toStdString();
    }
}

namespace {

// Processes running the given program, seen through /proc.
QList<int> processesRunning(const QString &program)
{
    QList<int> pids;
    const QString wanted = QFileInfo(program).canonicalFilePath();
    for (const QString &entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        bool isPid = false;
        const int pid = entry.toInt(&isPid);
        if (isPid && QFileInfo(QStringLiteral("/proc/%1/exe").arg(pid)).symLinkTarget() == wanted)
            pids << pid;
    }
    return pids;
}

// The extracted programs run in a network namespace of their own: the address the client was
// built for is free there whatever runs on this machine, and nothing the test starts can
// collide with another test's port.
QStringList inOwnNetwork(const QString &program)
{
    QStringList command{QStringLiteral("--net")};
    if (::geteuid() != 0)
        command << QStringLiteral("--map-root-user");
    command << QStringLiteral("--") << QStringLiteral("sh") << QStringLiteral("-c")
            << QStringLiteral("ip link set lo up && exec \"$0\"") << program;
    return command;
}

} // namespace

TEST_F(Package,
       extractedLauncher_withNoSiteRunning_startsTheSite_clientListsItsDocuments_thenStopsIt)
{
    const QUrl base(QStringLiteral(QUILLARY_SERVER_BASE));
    if (base.scheme() != QLatin1String("http") || base.host() != QLatin1String("127.0.0.1"))
        GTEST_SKIP() << "the launcher starts no site for " QUILLARY_SERVER_BASE;
    if (run(QStringLiteral("unshare"), inOwnNetwork(QStringLiteral("true"))).exitCode != 0)
        GTEST_SKIP() << "no network namespace can be made here";

    QTemporaryDir home;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), home.path());
    environment.insert(QStringLiteral("XDG_DATA_HOME"), home.filePath("data"));
    environment.insert(QStringLiteral("XDG_STATE_HOME"), home.filePath("state"));
    environment.insert(QStringLiteral("XDG_CACHE_HOME"), home.filePath("cache"));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath("config"));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("QUILLARY_EXIT_WHEN_LISTED"), QStringLiteral("1"));

    const QString site = installed("usr/bin/quillary-demo-server");
    const Outcome launcher =
        run(QStringLiteral("unshare"), inOwnNetwork(installed("usr/bin/quillary-demo-launcher")),
            environment, 120000);

    EXPECT_EQ(launcher.exitCode, 0) << launcher.err.toStdString();
    const QStringList listed = launcher.out.split(QLatin1Char('\n'))
                                   .filter(QRegularExpression(QStringLiteral("^List1: ")));
    EXPECT_GE(listed.size(), 5) << launcher.out.toStdString() << launcher.err.toStdString();
    for (const QString &entry : listed)
        EXPECT_TRUE(entry.contains(
            QStringLiteral(QUILLARY_SERVER_BASE "/quillary/webdocedit.asp?oper=edit&id=")))
            << entry.toStdString();

    QFile log(home.filePath("state/quillary/demo-server.log"));
    ASSERT_TRUE(log.open(QIODevice::ReadOnly)) << "the site's log is in the user's state folder";
    EXPECT_TRUE(log.readAll().contains("listening on " QUILLARY_SERVER_BASE));
    EXPECT_TRUE(QFileInfo(home.filePath("data/quillary/server")).isDir());
    EXPECT_TRUE(processesRunning(site).isEmpty()) << "the site stops with the client";
}
