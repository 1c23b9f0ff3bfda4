#include "installlayout.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

const QString module = QStringLiteral("libquillary-browser.so");
const QString fromBin = QStringLiteral("../lib/x86_64-linux-gnu/quillary");

void touch(const QString &path)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
}

struct LayoutCase
{
    const char *name;
    QStringList files;     // created under the root
    QString executableDir; // under the root
    QString expected;      // under the root
};

class BrowserModulePath : public ::testing::TestWithParam<LayoutCase>
{
};

} // namespace

TEST_P(BrowserModulePath, findsTheModuleFromTheExecutablesFolder)
{
    QTemporaryDir root;
    for (const QString &file : GetParam().files)
        touch(root.filePath(file));
    EXPECT_EQ(platform::browserModulePath(root.filePath(GetParam().executableDir), fromBin),
              root.filePath(GetParam().expected));
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, BrowserModulePath,
    ::testing::Values(
        LayoutCase{"installedTree_usesThePrivateLibraryFolder",
                   {"usr/bin/quillary-demo", "usr/lib/x86_64-linux-gnu/quillary/" + module},
                   "usr/bin",
                   "usr/lib/x86_64-linux-gnu/quillary/" + module},
        LayoutCase{"treeUnderAnotherPrefix_usesItsOwnPrivateFolder",
                   {"opt/q/bin/quillary-demo", "opt/q/lib/x86_64-linux-gnu/quillary/" + module},
                   "opt/q/bin",
                   "opt/q/lib/x86_64-linux-gnu/quillary/" + module},
        LayoutCase{"buildTree_usesTheModuleBesideTheExecutable",
                   {"build/bin/quillary-demo", "build/bin/" + module},
                   "build/bin",
                   "build/bin/" + module},
        LayoutCase{"neither_namesTheBuildTreePath_soTheLoaderReportsIt",
                   {"x/bin/quillary-demo"},
                   "x/bin",
                   "x/bin/" + module}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(BrowserModulePath, movedInstallTree_findsTheModuleAtItsNewPlace)
{
    QTemporaryDir root;
    touch(root.filePath("a/usr/lib/x86_64-linux-gnu/quillary/" + module));
    touch(root.filePath("a/usr/bin/quillary-demo"));
    ASSERT_TRUE(QDir(root.path()).rename(QStringLiteral("a"), QStringLiteral("b")));
    EXPECT_EQ(platform::browserModulePath(root.filePath("b/usr/bin"), fromBin),
              root.filePath("b/usr/lib/x86_64-linux-gnu/quillary/" + module));
}
