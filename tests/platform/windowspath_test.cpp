#include "windowspath.h"

#include "automation/automationerror.h"

#include <gtest/gtest.h>

using platform::mapWindowsPath;

TEST(WindowsPath, mapsDriveCAndHostPaths)
{
    const QString root = QStringLiteral("/home/u/.local/share/quillary/drive_c");
    struct Case
    {
        const char *windows;
        QString host;
    };
    const Case cases[] = {
        {R"(c:\a.pdf)", root + "/a.pdf"},
        {R"(C:\excel.pdf)", root + "/excel.pdf"},
        {R"(c:\\\\file2.doc)", root + "/file2.doc"},
        {R"(c:\\Sign.bmp)", root + "/Sign.bmp"},
        {R"(c:\dir\\sub\x.doc)", root + "/dir/sub/x.doc"},
        {R"(c:\..\..\etc\passwd)", root + "/etc/passwd"},
        {R"(c:\a\..\..\b.doc)", root + "/b.doc"},
        {R"(c:)", root},
        {R"(c:\)", root},
        {R"(\file.doc)", root + "/file.doc"},
        {"c:/mixed\\seps//x.txt", root + "/mixed/seps/x.txt"},
        {"/opt/quillary/bin\\table.doc", "/opt/quillary/bin/table.doc"},
        {"/opt//quillary/./bin/../x", "/opt/quillary/x"},
        {"/../../x", "/x"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(mapWindowsPath(QString::fromUtf8(c.windows), root), c.host) << c.windows;
}

TEST(WindowsPath, otherDrivesAndEmptyPaths_areRefused)
{
    for (const char *path : {R"(d:\a.pdf)", R"(Z:\x)", ""}) {
        try {
            mapWindowsPath(QString::fromUtf8(path), QStringLiteral("/tmp/c"));
            FAIL() << path;
        } catch (const automation::AutomationError &error) {
            EXPECT_EQ(error.number(), 76) << path;
        }
    }
}
