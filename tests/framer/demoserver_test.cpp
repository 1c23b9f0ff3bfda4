#include "samples.h"
#include "serverprocess.h"

#include "automation/automationerror.h"
#include "documentfilecheck.h"
#include "filedialogs.h"
#include "framercontrol.h"

#include <QDir>
#include <QFile>
#include <QNetworkAccessManager>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

using automation::InvokeKind;
using automation::Variant;
using framer::FramerControl;
namespace dispid = framer::dispid;

namespace {

class SaveAnswer : public platform::FileDialogs
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
    FramerControl::Services services;
    services.network = &network;
    services.fileDialogs = &dialogs;
    services.driveCRoot = drive.filePath(QStringLiteral("drive_c"));
    services.engine.profileRoot = testsamples::cacheDir() + QStringLiteral("/profiles");
    FramerControl control(services);
    control.resize(800, 600);
    control.show();

    const QString open = base + QStringLiteral("/quillary/writefile.asp?id=1&operfile=office");
    control.invoke(dispid::OpenDocument, InvokeKind::Method,
                   {Variant::byRef(std::make_shared<Variant>(bstr(open)))});
    const QString name = QString::fromStdString(
        control.invoke(dispid::DocumentName, InvokeKind::PropertyGet, {}).toString());
    ASSERT_FALSE(name.isEmpty());
    EXPECT_FALSE(QFileInfo(name).suffix().isEmpty()) << name.toStdString();
    EXPECT_NE(name, QStringLiteral("writefile.asp")) << "the server's file name was not used";
    ASSERT_EQ(control.view().document().kind, engineprotocol::DocumentKind::Text);

    QTest::keyClicks(&control.view(), QStringLiteral("ServerEdit"));
    control.invoke(dispid::SaveDocument, InvokeKind::Method,
                   {bstr(base + QStringLiteral("/quillary/uploadedit.asp?oper=edit&id=1"))});

    // The server's current version holds the edit.
    control.invoke(dispid::DownloadFile, InvokeKind::Method,
                   {bstr(QStringLiteral("c:\\current.") + QFileInfo(name).suffix()), bstr(open)});
    const QString current =
        services.driveCRoot + QStringLiteral("/current.") + QFileInfo(name).suffix();
    control.invoke(dispid::OpenDocument, InvokeKind::Method, {bstr(current)});
    dialogs.answer = drive.filePath(QStringLiteral("current.txt"));
    control.invoke(dispid::ShowFileDialog, InvokeKind::Method, {Variant::i4(3)});
    EXPECT_TRUE(readAll(dialogs.answer).contains("ServerEdit"));

    // The batch download's three targets, as the main window passes them.
    const char *targets[] = {"c:\\file1.doc", "c:\\\\\\\\file2.doc", "c:\\\\\\\\file3.doc"};
    for (int i = 0; i < 3; ++i)
        control.invoke(dispid::DownloadFile, InvokeKind::Method,
                       {Variant::byRef(std::make_shared<Variant>(Variant::bstr(targets[i]))),
                        bstr(base + QStringLiteral("/quillary/temp/file%1.doc").arg(i + 1))});
    for (int i = 1; i <= 3; ++i) {
        const QByteArray bytes =
            readAll(services.driveCRoot + QStringLiteral("/file%1.doc").arg(i));
        EXPECT_EQ(framer::detectSignature(bytes.left(16)), framer::FileSignature::Ole2) << i;
    }
}
