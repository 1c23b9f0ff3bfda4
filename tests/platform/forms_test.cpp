#include "fakes.h"

#include "errorreport.h"
#include "hostsite.h"
#include "processlauncher.h"
#include "sequentialfiles.h"
#include "twips.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using automation::InvokeKind;
using automation::Variant;

TEST(ErrorReport, escapingError_showsOneMessageWithNumberAndDescription_andGoesOn)
{
    fakes::RecordingMessages messages;
    platform::ErrorReport report(messages);

    EXPECT_FALSE(report.run([] {
        throw automation::AutomationError(automation::hresult::UnknownName,
                                          "未知名称：ActiveSheet");
    }));
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].style, 0);
    EXPECT_TRUE(messages.shown[0].text.contains(QStringLiteral("-2147352570")));
    EXPECT_TRUE(messages.shown[0].text.contains(QStringLiteral("80020006")));
    EXPECT_TRUE(messages.shown[0].text.contains(QStringLiteral("未知名称：ActiveSheet")));

    bool ran = false;
    EXPECT_TRUE(report.run([&] { ran = true; }));
    EXPECT_TRUE(ran);
    EXPECT_EQ(messages.shown.size(), 1u);

    EXPECT_FALSE(report.run([] { throw std::runtime_error("disk full"); }));
    EXPECT_TRUE(messages.shown.back().text.contains(QStringLiteral("disk full")));
}

TEST(Twips, fifteenTwipsPerPixel)
{
    EXPECT_EQ(platform::twipsToPixels(17220), 1148);
    EXPECT_EQ(platform::twipsToPixels(15), 1);
    EXPECT_EQ(platform::pixelsToTwips(547), 8205.0f);
    EXPECT_EQ(platform::rectFromTwips(3840, 0, 6015, 3015), QRect(256, 0, 401, 201));
}

TEST(SizeLessMargin, setsOnlyStrictlyPositiveSizes)
{
    struct Case
    {
        float outer, margin;
        std::optional<float> size;
    };
    const Case cases[] = {
        {4100, 4100, std::nullopt}, {4101, 4100, 1.0f},       {3000, 4100, std::nullopt},
        {6000, 900, 5100.0f},       {900, 900, std::nullopt}, {4200, 4200, std::nullopt},
        {4200.5f, 4200, 0.5f},
    };
    for (const Case &c : cases)
        EXPECT_EQ(platform::sizeLessMargin(c.outer, c.margin), c.size) << c.outer;
}

TEST(HostSite, answersSitePropertiesInTwips_andPassesOtherMembersToTheControl)
{
    QWidget widget;
    widget.resize(401, 201);
    auto control = std::make_shared<fakes::RecordingDispatch>();
    platform::HostSite site(&widget, control);

    EXPECT_EQ(site.invoke(platform::siteid::Width, InvokeKind::PropertyGet, {}).asR4(), 6015.0f);
    site.invoke(platform::siteid::Width, InvokeKind::PropertyPut, {Variant::r4(4101)});
    EXPECT_EQ(widget.width(), 273);
    site.invoke(platform::siteid::Height, InvokeKind::PropertyPut, {Variant::r4(1)});
    EXPECT_EQ(site.invoke(platform::siteid::Height, InvokeKind::PropertyGet, {}).asR4(), 1.0f);

    site.invoke(platform::siteid::Visible, InvokeKind::PropertyPut, {Variant::boolean(false)});
    EXPECT_TRUE(widget.isHidden());
    EXPECT_FALSE(site.invoke(platform::siteid::Visible, InvokeKind::PropertyGet, {}).asBool());
    site.invoke(platform::siteid::Visible, InvokeKind::PropertyPut, {Variant::boolean(true)});
    EXPECT_FALSE(widget.isHidden());
    EXPECT_TRUE(control->calls.empty()) << "site properties never reach the control";

    site.invoke(0x10009, InvokeKind::Method, {});
    ASSERT_EQ(control->calls.size(), 1u);
    EXPECT_EQ(control->calls[0].id, 0x10009);
    EXPECT_THROW(site.invoke(platform::siteid::Width, InvokeKind::PropertyPut, {Variant::r4(-5)}),
                 automation::AutomationError);
}

TEST(ShellCommand, splitsAtSpaces_andMapsTheFileShellToTheUrlOpener)
{
    const auto command = platform::parseShellCommand(
        QStringLiteral("explorer http://127.0.0.1:8089/officebbs/?a=1;rm -rf"));
    EXPECT_EQ(command.program, QStringLiteral("xdg-open"));
    EXPECT_EQ(command.arguments,
              QStringList({QStringLiteral("http://127.0.0.1:8089/officebbs/?a=1;rm"),
                           QStringLiteral("-rf")}));
    EXPECT_EQ(platform::parseShellCommand(QStringLiteral("gedit  a.txt")).arguments,
              QStringList({QStringLiteral("a.txt")}));
}

TEST(ShellCommand, missingProgram_raisesAnError)
{
    platform::SystemProcessLauncher launcher;
    EXPECT_THROW(launcher.Shell(QStringLiteral("no-such-program-quillary http://x"), 2),
                 automation::AutomationError);
}

class SequentialFilesTest : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    QString path(const QString &name) const { return dir.filePath(name); }
    static QByteArray read(const QString &file)
    {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }
};

TEST_F(SequentialFilesTest, outputReplacesTheOldContent_andReleasesTheNumber)
{
    platform::SequentialFiles files(dir.path());
    QFile old(path("t.doc"));
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write(QByteArray(1000, 'x'));
    old.close();

    files.openForOutput(1, path("t.doc"));
    EXPECT_THROW(files.openForOutput(1, path("u.doc")), automation::AutomationError);
    files.print(1, "<table>");
    files.close(1);
    EXPECT_EQ(read(path("t.doc")), QByteArray("<table>\r\n"));
    EXPECT_FALSE(files.isOpen(1));
    EXPECT_THROW(files.print(1, "x"), automation::AutomationError);
}

TEST_F(SequentialFilesTest, abandonedWrite_leavesTheOldFileAndFreesTheNumber)
{
    platform::SequentialFiles files(dir.path());
    files.openForOutput(1, path("t.doc"));
    files.print(1, "first");
    files.close(1);

    files.openForOutput(1, path("t.doc"));
    files.print(1, "half");
    files.abandon(1);
    EXPECT_EQ(read(path("t.doc")), QByteArray("first\r\n"));
    EXPECT_FALSE(files.isOpen(1));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList({QStringLiteral("t.doc")}))
        << "no temporary file is left behind";
}

TEST_F(SequentialFilesTest, unwritableFolder_raisesAndKeepsTheNumberFree)
{
    // A regular file where the folder should be: no user, root included, can write below it.
    QFile blocker(path("bin"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    platform::SequentialFiles files(dir.path());
    EXPECT_THROW(files.openForOutput(1, path("bin") + QStringLiteral(R"(\table.doc)")),
                 automation::AutomationError);
    EXPECT_FALSE(files.isOpen(1));
}

TEST_F(SequentialFilesTest, windowsStylePath_isMappedBelowDriveC)
{
    platform::SequentialFiles files(dir.path());
    files.openForOutput(1, QStringLiteral(R"(c:\\sub\\t.doc)"));
    files.print(1, "x");
    files.close(1);
    EXPECT_EQ(read(path("sub/t.doc")), QByteArray("x\r\n"));
}

// Qt's own dialogs (print, input boxes) speak the windows' language.
TEST(Application, qtsOwnDialogTexts_areChinese)
{
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("取消"));
    EXPECT_EQ(QCoreApplication::translate("QPrintDialog", "Print"), QStringLiteral("打印"));
}
