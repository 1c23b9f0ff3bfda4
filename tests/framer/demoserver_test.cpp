#include "hostedcontrol.h"
#include "serverprocess.h"

#include "commandcontext.h"
#include "commands.h"
#include "controldispids.h"
#include "core/formatrules.h"
#include "fakes.h"
#include "hostsite.h"
#include "listopen.h"

#include "automation/automationerror.h"

#include <quillary/filedialogs.h>

#include <QDir>
#include <QFile>
#include <QNetworkAccessManager>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <httplib.h>

using automation::InvokeKind;
using automation::Variant;
namespace dispid = controlcontract::dispid;

namespace {

class SaveAnswer : public quillary::FileDialogs
{
public:
    QString openFileName(QWidget *, const QString &, const QString &) override { return {}; }
    QString saveFileName(QWidget *, const QString &, const QString &, const QString &) override
    {
        return answer;
    }
    QString answer;
};

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

Variant bstr(const QString &text)
{
    return Variant::bstr(text.toStdString());
}

} // namespace

// The whole road of a server document against the real demo web site: open from the list's
// address, edit, upload, and find the edit in the server's new version; then the batch download.
TEST(DemoServer, openEditUploadAndDownload_roundTripThroughTheRealSite)
{
    quillary::testing::TempDir data;
    quillary::testing::ServerProcess server(data.path());
    ASSERT_TRUE(server.started()) << server.output();
    const QString base = QStringLiteral("http://127.0.0.1:%1").arg(server.port());

    QTemporaryDir drive;
    QNetworkAccessManager network;
    SaveAnswer dialogs;
    quillary::DocumentControl::Options options = testOptions();
    options.network = &network;
    options.fileDialogs = &dialogs;
    const QString driveC = drive.filePath(QStringLiteral("drive_c"));
    HostedControl control(options, driveC);

    const QString open = base + QStringLiteral("/quillary/writefile.asp?id=1&operfile=office");
    control.call(dispid::OpenDocument, {Variant::byRef(std::make_shared<Variant>(bstr(open)))});
    const QString name = QString::fromStdString(control.documentName());
    ASSERT_FALSE(name.isEmpty());
    EXPECT_FALSE(QFileInfo(name).suffix().isEmpty()) << name.toStdString();
    EXPECT_NE(name, QStringLiteral("writefile.asp")) << "the server's file name was not used";
    ASSERT_EQ(control.widget.documentKind(), quillary::DocumentKind::Text);

    QTest::keyClicks(&control.view(), QStringLiteral("ServerEdit"));
    control.call(dispid::SaveDocument,
                 {bstr(base + QStringLiteral("/quillary/uploadedit.asp?oper=edit&id=1"))});

    // The server's current version holds the edit.
    control.call(dispid::DownloadFile,
                 {bstr(QStringLiteral("c:\\current.") + QFileInfo(name).suffix()), bstr(open)});
    const QString current = driveC + QStringLiteral("/current.") + QFileInfo(name).suffix();
    control.call(dispid::OpenDocument, {bstr(current)});
    dialogs.answer = drive.filePath(QStringLiteral("current.txt"));
    control.call(dispid::ShowFileDialog, {Variant::i4(3)});
    EXPECT_TRUE(readAll(dialogs.answer).contains("ServerEdit"));
    // Compared with the version the site kept before, the edit is a change to decide on.
    ASSERT_TRUE(control.widget.compareWith(
        base + QStringLiteral("/quillary/writefile.asp?id=1&operfile=office&version=1")))
        << control.widget.lastError().message.toStdString();
    const QList<quillary::TrackedChange> changes = control.widget.trackedChanges();
    EXPECT_TRUE(std::any_of(changes.cbegin(), changes.cend(), [](const auto &change) {
        return change.kind == quillary::TrackedChange::Kind::Insertion &&
               change.excerpt.contains(QStringLiteral("ServerEdit"));
    }));

    // The batch download's three targets, as the main window passes them.
    const char *targets[] = {"c:\\file1.doc", "c:\\\\\\\\file2.doc", "c:\\\\\\\\file3.doc"};
    for (int i = 0; i < 3; ++i)
        control.call(dispid::DownloadFile,
                     {Variant::byRef(std::make_shared<Variant>(Variant::bstr(targets[i]))),
                      bstr(base + QStringLiteral("/quillary/temp/file%1.doc").arg(i + 1))});
    for (int i = 1; i <= 3; ++i) {
        const QByteArray bytes = readAll(driveC + QStringLiteral("/file%1.doc").arg(i));
        EXPECT_EQ(framer::detectContent(bytes), framer::Content::Compound) << i;
    }
}

// A list entry whose server copy the engine cannot read leaves the document shown before; the
// next upload goes to that document's address and the failed entry's copy stays as it was.
TEST(DemoServer, failedListOpen_keepsUploadingToTheDocumentStillShown)
{
    quillary::testing::TempDir data;
    quillary::testing::ServerProcess server(data.path());
    ASSERT_TRUE(server.started()) << server.output();
    const QString base = QStringLiteral("http://127.0.0.1:%1").arg(server.port());
    httplib::Client site("127.0.0.1", server.port());
    // Bytes no office program reads (text would load as a text document).
    std::string unreadable(4096, '\0');
    unsigned int seed = 12345;
    for (char &byte : unreadable)
        byte = char((seed = seed * 1103515245u + 12345u) >> 24);
    const auto damaged = site.Post(
        "/quillary/uploadedit.asp?oper=edit&id=1",
        httplib::MultipartFormDataItems{{"file", unreadable, "word.doc", "application/msword"}});
    ASSERT_TRUE(damaged && damaged->status == 200);

    QTemporaryDir drive;
    QNetworkAccessManager network;
    quillary::DocumentControl::Options options = testOptions();
    options.network = &network;
    HostedControl control(options, drive.filePath(QStringLiteral("drive_c")));
    // The main window's own road: the list click and 保存远程 through the hosting site.
    clientcore::QuillaryControl quillary(std::make_shared<platform::HostSite>(
        &control.widget,
        std::shared_ptr<automation::Dispatch>(std::shared_ptr<void>(), &control.dispatch)));
    clientcore::MainWindowState state;
    fakes::RecordingMessages messages;
    clientcore::CommandContext context{quillary, state, messages, base};
    const auto entry = [&](int id) {
        return QStringLiteral("name") + base +
               QStringLiteral("/quillary/webdocedit.asp?oper=edit&id=%1").arg(id);
    };

    doclist::openListEntry(context, entry(2));
    const std::string shown = control.documentName();
    ASSERT_TRUE(QString::fromStdString(shown).endsWith(QLatin1String(".docx"))) << shown;
    EXPECT_THROW(doclist::openListEntry(context, entry(1)), automation::AutomationError);
    EXPECT_EQ(control.documentName(), shown);

    QTest::keyClicks(&control.view(), QStringLiteral("AfterTheFailedOpen"));
    doccontrol::saveRemote(context);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, QStringLiteral("远程保存成功！"));

    const auto failedCopy = site.Get("/quillary/writefile.asp?id=1&operfile=office");
    ASSERT_TRUE(failedCopy);
    EXPECT_TRUE(failedCopy->body == unreadable) << "the failed entry's copy was replaced";
    const QString current = drive.filePath(QStringLiteral("current.docx"));
    control.call(controlcontract::dispid::DownloadFile,
                 {bstr(current), bstr(base + "/quillary/writefile.asp?id=2&operfile=office")});
    ASSERT_TRUE(control.widget.open(current));
    const QString text = drive.filePath(QStringLiteral("current.txt"));
    ASSERT_TRUE(control.widget.save(text));
    EXPECT_TRUE(readAll(text).contains("AfterTheFailedOpen"));
}
