#include "hostedcontrol.h"
#include "testdocuments.h"
#include "testserver.h"

#include "automation/automationerror.h"
#include "controldispids.h"

#include <quillary/filedialogs.h>

#include <QDir>
#include <QFile>
#include <QHBoxLayout>
#include <QInputMethodQueryEvent>
#include <QLineEdit>
#include <QNetworkAccessManager>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <csignal>

using automation::AutomationError;
using automation::InvokeKind;
using automation::Variant;
namespace dispid = controlcontract::dispid;

namespace {

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

std::string errorOf(const std::function<void()> &call)
{
    try {
        call();
    } catch (const AutomationError &error) {
        return error.description();
    }
    return "<no error>";
}

bool contains(const std::string &text, const char *fragment)
{
    return text.find(fragment) != std::string::npos;
}

int darkPixels(const QImage &image)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qGray(image.pixel(x, y)) < 128)
                ++count;
    return count;
}

// One control (and so one engine) for the whole suite.
class FramerControlTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        s_drive = new QTemporaryDir;
        s_dialogs = new ScriptedFileDialogs;
        s_network = new QNetworkAccessManager;
        s_server = new TestServer;
        quillary::DocumentControl::Options options = testOptions();
        options.network = s_network;
        options.fileDialogs = s_dialogs;
        options.saveFolder = driveC();
        s_control = new HostedControl(options, driveC());
        s_docx = testdocuments::bytes(QStringLiteral("sample.docx"));
        s_xls = testdocuments::bytes(QStringLiteral("sample.xls"));
        s_server->addFile("/quillary/writefile.asp",
                          {s_docx, "attachment; filename=\"报告.docx\""});
        s_server->addFile("/quillary/temp/file1.doc", {s_xls, {}});
    }
    static void TearDownTestSuite()
    {
        delete s_control;
        // Closes the kept-alive connections the server would otherwise wait out.
        delete s_network;
        delete s_server;
        delete s_dialogs;
        delete s_drive;
    }
    void SetUp() override
    {
        ASSERT_FALSE(s_docx.isEmpty());
        ASSERT_FALSE(s_xls.isEmpty());
        s_dialogs->openAnswer.clear();
        s_dialogs->saveAnswer.clear();
        s_control->widget.closeDocument();
    }

    static Variant call(automation::DispId id, std::vector<Variant> args = {},
                        InvokeKind kind = InvokeKind::Method)
    {
        return s_control->call(id, std::move(args), kind);
    }
    static std::string documentName() { return s_control->documentName(); }
    static bool transferShown() { return s_control->transferBar().isVisible(); }
    static QString address(const char *path) { return s_server->base() + QLatin1String(path); }
    static Variant byRef(const QString &text)
    {
        return Variant::byRef(std::make_shared<Variant>(Variant::bstr(text.toStdString())));
    }
    static QString driveC() { return s_drive->filePath(QStringLiteral("drive_c")); }
    // The text of the loaded document, saved through the save dialog as plain text.
    static QString documentText()
    {
        const QString path = s_drive->filePath(QStringLiteral("text-%1.txt").arg(++s_texts));
        s_dialogs->saveAnswer = path;
        call(dispid::ShowFileDialog, {Variant::i4(3)});
        return QString::fromUtf8(readAll(path));
    }

    static inline QTemporaryDir *s_drive = nullptr;
    static inline ScriptedFileDialogs *s_dialogs = nullptr;
    static inline QNetworkAccessManager *s_network = nullptr;
    static inline TestServer *s_server = nullptr;
    static inline HostedControl *s_control = nullptr;
    static inline QByteArray s_docx;
    static inline QByteArray s_xls;
    static inline int s_texts = 0;
};

} // namespace

TEST_F(FramerControlTest, openByAddress_takesTheServersName_andCloseForgetsIt)
{
    EXPECT_EQ(documentName(), "");
    call(dispid::OpenDocument, {byRef(address("/quillary/writefile.asp?id=3&operfile=office"))});
    EXPECT_EQ(documentName(), "报告.docx");
    EXPECT_TRUE(s_control->view().hasDocument());
    EXPECT_FALSE(transferShown());

    call(dispid::CloseDocument);
    EXPECT_EQ(documentName(), "");
    EXPECT_FALSE(s_control->view().hasDocument());
    EXPECT_NO_THROW(call(dispid::CloseDocument)) << "closing with nothing loaded is no error";
}

TEST_F(FramerControlTest, transfer_showsItsAddressAndBytesWhileItRuns)
{
    const QString source = address("/quillary/writefile.asp?id=7");
    QStringList seen;
    QTimer probe;
    QObject::connect(&probe, &QTimer::timeout, [&] {
        if (transferShown())
            seen << s_control->transferBar().text();
    });
    probe.start(0);
    call(dispid::OpenDocument, {byRef(source)});
    probe.stop();
    ASSERT_FALSE(seen.isEmpty()) << "no progress shown during the download";
    EXPECT_TRUE(seen.first().contains(source)) << seen.first().toStdString();
    EXPECT_FALSE(transferShown());
}

TEST_F(FramerControlTest, openWithoutContentDisposition_namesTheDocumentByTheAddress)
{
    call(dispid::OpenDocument, {Variant::bstr(address("/quillary/temp/file1.doc").toStdString())});
    EXPECT_EQ(documentName(), "file1.doc");
    EXPECT_EQ(s_control->widget.documentKind(), quillary::DocumentKind::Spreadsheet);
}

TEST_F(FramerControlTest, failedOpen_raisesNamingTheCause_andKeepsTheShownDocument)
{
    QRandomGenerator generator(5);
    QByteArray noise(64 * 1024, Qt::Uninitialized);
    for (char &c : noise)
        c = char(generator.bounded(256));
    s_server->addFile("/noise.doc", {noise, {}});
    call(dispid::OpenDocument, {byRef(address("/quillary/writefile.asp?id=1"))});

    const struct
    {
        QString source;
        const char *fragments[2];
    } cases[] = {
        {address("/missing.doc"), {"404", "/missing.doc"}},
        {address("/status/500"), {"500", "/status/500"}},
        {address("/noise.doc"), {"不是可识别的Office文档", "noise.doc"}},
        {QString(), {"为空", ""}},
        {QStringLiteral("d:\\\\report.doc"), {"d:", ""}},
        {QStringLiteral("c:\\\\absent.doc"), {"absent.doc", "不存在"}},
        {QStringLiteral("ftp://127.0.0.1/report.doc"), {"ftp://127.0.0.1/report.doc", "http"}},
    };
    for (const auto &c : cases) {
        const std::string error = errorOf([&] { call(dispid::OpenDocument, {byRef(c.source)}); });
        for (const char *fragment : c.fragments)
            EXPECT_TRUE(contains(error, fragment)) << c.source.toStdString() << ": " << error;
        EXPECT_EQ(documentName(), "报告.docx") << c.source.toStdString();
        EXPECT_TRUE(s_control->view().hasDocument());
        EXPECT_FALSE(transferShown());
    }
}

TEST_F(FramerControlTest, windowsPath_opensFromDriveC)
{
    QDir().mkpath(driveC());
    QFile file(driveC() + QStringLiteral("/table.doc"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(testdocuments::bytes(QStringLiteral("sample.doc")));
    file.close();
    call(dispid::OpenDocument, {Variant::bstr("C:\\\\docs\\..\\table.doc")});
    EXPECT_EQ(documentName(), "table.doc");
}

TEST_F(FramerControlTest, loadedDocument_isDrawnInTheWindow)
{
    call(dispid::OpenDocument, {byRef(address("/quillary/writefile.asp?id=3"))});
    const QImage shot = s_control->widget.grab().toImage();
    EXPECT_GT(darkPixels(shot), 100) << "no text drawn";
}

TEST_F(FramerControlTest, open_leavesTheFocusOnTheHostsControl_elseTheDocumentTakesIt)
{
    QWidget host;
    auto *layout = new QHBoxLayout(&host);
    auto *hostsList = new QLineEdit(&host);
    layout->addWidget(hostsList);
    layout->addWidget(&s_control->widget);
    host.show();
    host.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&host));

    hostsList->setFocus(Qt::MouseFocusReason);
    call(dispid::OpenDocument, {byRef(address("/quillary/writefile.asp?id=3"))});
    EXPECT_TRUE(hostsList->hasFocus()) << "the host's control keeps the keyboard";

    hostsList->clearFocus();
    call(dispid::OpenDocument, {byRef(address("/quillary/writefile.asp?id=3"))});
    EXPECT_TRUE(s_control->view().hasFocus()) << "with no control focused, typing goes in";

    layout->removeWidget(&s_control->widget);
    s_control->widget.hide();
    s_control->widget.setParent(nullptr);
}

TEST_F(FramerControlTest, clickAndTypedText_changeTheDocument)
{
    call(dispid::OpenDocument, {byRef(address("/quillary/writefile.asp?id=3"))});
    auto &view = s_control->view();
    // Writer lays the first page out from 284 twips; the text starts inside the margins.
    const QPoint firstLine = view.viewportPoint(QPoint(284 + 1134 + 300, 284 + 1134 + 100));
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, firstLine);
    QTest::keyClick(&view, Qt::Key_Home);
    QTest::keyClicks(&view, QStringLiteral("Hello"));
    const QString text = documentText();
    EXPECT_TRUE(text.contains(QStringLiteral("HelloQuillary sample page one")))
        << text.toStdString();
    // The caret is where the typing goes; an input method places its window by it.
    QInputMethodQueryEvent query(Qt::ImCursorRectangle);
    QCoreApplication::sendEvent(&view, &query);
    const QRect caret = query.value(Qt::ImCursorRectangle).toRect();
    EXPECT_GT(caret.height(), 5);
    EXPECT_NEAR(caret.center().y(), firstLine.y(), 30);
}

TEST_F(FramerControlTest, saveDocument_uploadsTheEditedDocumentInItsOwnFormat)
{
    call(dispid::OpenDocument, {byRef(address("/quillary/writefile.asp?id=3"))});
    QTest::keyClicks(&s_control->view(), QStringLiteral("Upload"));
    const int before = s_server->uploads();
    call(dispid::SaveDocument, {Variant::bstr(address("/upload/200").toStdString())});
    ASSERT_EQ(s_server->uploads(), before + 1);
    const auto upload = s_server->lastUpload();
    EXPECT_EQ(upload.field, "file");
    EXPECT_EQ(upload.fileName, "报告.docx");
    EXPECT_TRUE(upload.bytes.startsWith("PK\x03\x04"));

    // The server's copy holds the edit: open it back and read its text.
    QFile copy(s_drive->filePath(QStringLiteral("uploaded.docx")));
    ASSERT_TRUE(copy.open(QIODevice::WriteOnly));
    copy.write(upload.bytes);
    copy.close();
    call(dispid::OpenDocument, {Variant::bstr(copy.fileName().toStdString())});
    EXPECT_TRUE(documentText().contains(QStringLiteral("UploadQuillary sample")));
}

TEST_F(FramerControlTest, refusedUpload_raisesWithTheServersAnswer_andKeepsTheDocument)
{
    EXPECT_TRUE(contains(errorOf([] {
                             call(dispid::SaveDocument,
                                  {Variant::bstr(address("/upload/200").toStdString())});
                         }),
                         "没有打开的文档"));
    call(dispid::OpenDocument, {byRef(address("/quillary/writefile.asp?id=3"))});
    const int before = s_server->uploads();
    const std::string error = errorOf(
        [] { call(dispid::SaveDocument, {Variant::bstr(address("/upload/500").toStdString())}); });
    EXPECT_TRUE(contains(error, "500")) << error;
    EXPECT_TRUE(contains(error, "upload refused by test")) << error;
    EXPECT_EQ(s_server->uploads(), before);
    EXPECT_EQ(documentName(), "报告.docx");
    EXPECT_TRUE(s_control->view().hasDocument());
}

TEST_F(FramerControlTest, showFileDialog_opensAndSavesThroughTheDialogs)
{
    const QString local = s_drive->filePath(QStringLiteral("local.docx"));
    QFile file(local);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(s_docx);
    file.close();

    s_dialogs->openAnswer.clear(); // Cancel
    call(dispid::ShowFileDialog, {Variant::i4(1)});
    EXPECT_EQ(documentName(), "");
    s_dialogs->openAnswer = local;
    call(dispid::ShowFileDialog, {Variant::i4(1)});
    EXPECT_EQ(documentName(), "local.docx");

    // Saved in the chosen format, atomically: no temporary file remains beside it.
    const QString folder = s_drive->filePath(QStringLiteral("saved"));
    QDir().mkpath(folder);
    const struct
    {
        const char *name;
        QByteArray signature;
    } formats[] = {{"copy.doc", QByteArray("\xD0\xCF\x11\xE0", 4)},
                   {"copy.docx", "PK\x03\x04"},
                   {"copy.pdf", "%PDF"},
                   {"other", "PK\x03\x04"}}; // no extension: the document's own format
    for (const auto &f : formats) {
        s_dialogs->saveAnswer = folder + QLatin1Char('/') + QLatin1String(f.name);
        call(dispid::ShowFileDialog, {Variant::i4(3)});
        QString saved = s_dialogs->saveAnswer;
        if (!saved.contains(QLatin1Char('.')))
            saved += QStringLiteral(".docx");
        EXPECT_TRUE(readAll(saved).startsWith(f.signature)) << f.name;
    }
    // Saved files are the user's, readable like any other, not private like a temporary one.
    EXPECT_TRUE(QFile::permissions(folder + QStringLiteral("/copy.pdf")) & QFile::ReadOther);
    EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden).size(), 4)
        << QDir(folder).entryList(QDir::Files | QDir::Hidden).join(' ').toStdString();
    EXPECT_TRUE(s_dialogs->lastSuggested.endsWith(QStringLiteral("local.docx")));

    s_dialogs->saveAnswer = folder + QStringLiteral("/copy.xls");
    EXPECT_TRUE(contains(errorOf([] { call(dispid::ShowFileDialog, {Variant::i4(3)}); }), ".xls"));
    EXPECT_TRUE(contains(errorOf([] { call(dispid::ShowFileDialog, {Variant::i4(2)}); }), "2"));
}

TEST_F(FramerControlTest, downloadFile_writesTheThreeTargetsOnDriveC_andNothingOnFailure)
{
    s_server->addFile("/quillary/temp/file2.doc", {QByteArray("second"), {}});
    s_server->addFile("/quillary/temp/file3.doc", {QByteArray(300000, 'x'), {}, 1000});
    call(dispid::DownloadFile, {byRef(QStringLiteral("c:\\file1.doc")),
                                Variant::bstr(address("/quillary/temp/file1.doc").toStdString())});
    call(dispid::DownloadFile, {Variant::bstr("c:\\\\\\\\file2.doc"),
                                Variant::bstr(address("/quillary/temp/file2.doc").toStdString())});
    EXPECT_EQ(readAll(driveC() + QStringLiteral("/file1.doc")), s_xls);
    EXPECT_EQ(readAll(driveC() + QStringLiteral("/file2.doc")), QByteArray("second"));

    const std::string cut = errorOf([] {
        call(dispid::DownloadFile,
             {Variant::bstr("c:\\\\\\\\file3.doc"),
              Variant::bstr(address("/quillary/temp/file3.doc").toStdString())});
    });
    EXPECT_TRUE(contains(cut, "file3.doc")) << cut;
    const std::string missing = errorOf([] {
        call(dispid::DownloadFile,
             {Variant::bstr("c:\\file4.doc"), Variant::bstr(address("/nothing").toStdString())});
    });
    EXPECT_TRUE(contains(missing, "404")) << missing;
    // Neither the cut nor the refused download leaves a file or a temporary behind.
    EXPECT_EQ(QDir(driveC()).entryList({QStringLiteral("*file*")}, QDir::Files | QDir::Hidden),
              (QStringList{QStringLiteral("file1.doc"), QStringLiteral("file2.doc")}));
}

TEST_F(FramerControlTest, secondCallDuringATransfer_isRefused_notInterleaved)
{
    std::string nested;
    QTimer::singleShot(0, [&] { nested = errorOf([] { call(dispid::CloseDocument); }); });
    call(dispid::OpenDocument, {byRef(address("/quillary/writefile.asp?id=3"))});
    EXPECT_TRUE(contains(nested, "正在处理上一个操作")) << nested;
    EXPECT_EQ(documentName(), "报告.docx");
}

TEST_F(FramerControlTest, engineDeath_withNoDocument_isQuiet_andTheNextOpenStartsAFreshOne)
{
    // The engine starts once the host has set the control up.
    QTRY_VERIFY_WITH_TIMEOUT(s_control->engine().enginePid() > 0, 10000);
    const qint64 first = s_control->engine().enginePid();
    QSignalSpy changed(&s_control->widget, &quillary::DocumentControl::documentChanged);
    ::kill(pid_t(first), SIGKILL);
    QTRY_VERIFY_WITH_TIMEOUT(!s_control->engine().isRunning(), 10000);
    EXPECT_EQ(changed.count(), 0);
    EXPECT_EQ(s_control->view().message(), QString()) << "no document, nothing to tell";

    call(dispid::OpenDocument, {byRef(address("/quillary/writefile.asp?id=3"))});
    EXPECT_EQ(documentName(), "报告.docx");
    EXPECT_NE(s_control->engine().enginePid(), first);
}

// A host that knows the control only as a QObject (a designer, a script binding) reads and
// writes its zoom and tool bar by property, and hears their changes.
TEST_F(FramerControlTest, zoomAndToolBar_areProperties_whoseChangesAreSignalled)
{
    call(dispid::OpenDocument, {byRef(address("/quillary/writefile.asp?id=3"))});
    QObject &control = s_control->widget;
    QSignalSpy zoomed(&control, SIGNAL(zoomChanged(quillary::Zoom)));
    QSignalSpy toolBar(&control, SIGNAL(toolBarVisibleChanged(bool)));

    ASSERT_TRUE(control.setProperty("zoom", QVariant::fromValue(quillary::Zoom::at(150))));
    EXPECT_EQ(control.property("zoom").value<quillary::Zoom>(), quillary::Zoom::at(150));
    EXPECT_EQ(zoomed.count(), 1);

    ASSERT_TRUE(control.setProperty("toolBarVisible", false));
    EXPECT_FALSE(s_control->widget.isToolBarVisible());
    EXPECT_EQ(toolBar.count(), 1);
    control.setProperty("toolBarVisible", false);
    EXPECT_EQ(toolBar.count(), 1) << "no change, no signal";
    control.setProperty("toolBarVisible", true);
    EXPECT_TRUE(control.property("toolBarVisible").toBool());

    EXPECT_FALSE(control.property("documentProtected").toBool());
    EXPECT_FALSE(control.setProperty("documentProtected", true))
        << "protection goes through setProtected";
}
