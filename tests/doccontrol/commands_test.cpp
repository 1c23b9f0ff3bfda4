#include "fakes.h"

#include "commandcontext.h"
#include "commands.h"
#include "hostsite.h"
#include "sequentialfiles.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using automation::Variant;
using Lines = std::vector<std::string>;

namespace {

const QString Base = QStringLiteral("http://127.0.0.1:9");

class CommandsTest : public ::testing::Test
{
protected:
    std::shared_ptr<fakes::RecordingDispatch> control =
        std::make_shared<fakes::RecordingDispatch>();
    clientcore::QuillaryControl quillary{control};
    clientcore::MainWindowState state;
    fakes::RecordingMessages messages;
    clientcore::CommandContext context{quillary, state, messages, Base};

    Lines calls() const { return fakes::describe(control->calls); }
};

const std::string ShowControl = "80010007 propput(VT_BOOL True)";
const std::string HideControl = "80010007 propput(VT_BOOL False)";
const QString NoDocument = QStringLiteral("请先新建或打开文档！");

} // namespace

// ---- Opening, closing, saving

TEST_F(CommandsTest, openLocal_showsTheControlThenRunsTheOpenDialog)
{
    doccontrol::openLocalDocument(context);
    EXPECT_EQ(calls(), (Lines{ShowControl, "1000E method(VT_I4 1)"}));
}

TEST_F(CommandsTest, close_clearsIsopenedBeforeTheCall_evenWhenItFails)
{
    state.isopened = true;
    state.saveurl = QStringLiteral("kept");
    control->failing.insert(controlcontract::dispid::CloseDocument);
    EXPECT_THROW(doccontrol::closeDocument(context), automation::AutomationError);
    EXPECT_EQ(calls(), (Lines{ShowControl, "10009 method()"}));
    EXPECT_FALSE(state.isopened);
    EXPECT_EQ(state.saveurl, QStringLiteral("kept"));
}

TEST_F(CommandsTest, saveButtons_decideByTheirOwnRules)
{
    struct Case
    {
        const char *situation;
        bool isopened;
        QString saveurl;
        const char *documentName;
        Lines localCalls;
        QStringList localMessages;
        Lines remoteCalls;
        QStringList remoteMessages;
    };
    const QString up = Base + QStringLiteral("/quillary/uploadedit.asp?oper=edit&id=7");
    const Case cases[] = {
        {"list document open",
         true,
         up,
         "writefile.doc",
         {ShowControl, "1000E method(VT_I4 3)"},
         {},
         {ShowControl, "10015 propget()", "10005 method(VT_BSTR " + up.toStdString() + ")"},
         {QStringLiteral("远程保存成功！")}},
        {"local file only, nothing from the list",
         false,
         QString(),
         "local.docx",
         {ShowControl},
         {NoDocument},
         {ShowControl, "10015 propget()"},
         {}},
        {"after Close",
         false,
         up,
         "",
         {ShowControl},
         {NoDocument},
         {ShowControl, "10015 propget()"},
         {NoDocument}},
        {"local file after an earlier list open",
         false,
         up,
         "local.docx",
         {ShowControl},
         {NoDocument},
         {ShowControl, "10015 propget()", "10005 method(VT_BSTR " + up.toStdString() + ")"},
         {QStringLiteral("远程保存成功！")}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.situation);
        state = {false, c.saveurl, c.isopened};
        control->results[controlcontract::dispid::DocumentName] = Variant::bstr(c.documentName);

        control->calls.clear();
        messages.shown.clear();
        doccontrol::saveLocal(context);
        EXPECT_EQ(calls(), c.localCalls);
        EXPECT_EQ(messages.texts(), c.localMessages);

        control->calls.clear();
        messages.shown.clear();
        doccontrol::saveRemote(context);
        EXPECT_EQ(calls(), c.remoteCalls);
        EXPECT_EQ(messages.texts(), c.remoteMessages);
    }
}

TEST_F(CommandsTest, failedUpload_showsNoSuccessMessage)
{
    state = {false, QStringLiteral("http://h/up?id=1"), true};
    control->failing.insert(controlcontract::dispid::SaveDocument);
    EXPECT_THROW(doccontrol::saveRemote(context), automation::AutomationError);
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(CommandsTest, verify_hidesTheControlAndSizesTheBrowserWithinItsMargins)
{
    struct Case
    {
        QSizeF window;
        float width, height; // the browser's size afterwards, starting from 3375 x 1695
    };
    const Case cases[] = {
        {{17220, 9000}, 13020, 8100},
        {{4200, 9000}, 3375, 8100},
        {{4201, 900}, 1, 1695},
        {{100, 100}, 3375, 1695},
    };
    for (const Case &c : cases) {
        QWidget browser;
        browser.resize(225, 113);
        platform::HostSite site(&browser);
        control->calls.clear();
        doccontrol::showServerPage(context, site, c.window);
        EXPECT_EQ(calls(), (Lines{HideControl}));
        const auto get = [&](automation::DispId id) {
            return site.invoke(id, automation::InvokeKind::PropertyGet, {}).asR4();
        };
        EXPECT_EQ(get(platform::siteid::Width), c.width) << c.window.width();
        EXPECT_EQ(get(platform::siteid::Height), c.height) << c.window.height();
    }
}

// ---- Editing

TEST_F(CommandsTest, editingCommands_showTheirMessageFirst_thenMakeTheirCalls)
{
    const std::string jpg = Base.toStdString() + "/quillary/images/quillary.jpg";
    const std::string gif = Base.toStdString() + "/quillary/images/003.gif";
    const std::string addMark = "10086 method(VT_BSTR mark_1, VT_BSTR , VT_BSTR ::ADDMARK::)";
    struct Case
    {
        const char *command;
        void (*run)(clientcore::CommandContext &);
        QStringList messages;
        Lines calls;
    };
    const Case cases[] = {
        {"replace",
         doccontrol::replaceContent,
         {QStringLiteral("此功能演示将文档的字母c替换成k")},
         {"10101 method(VT_BSTR c, VT_BSTR k, VT_I4 1)"}},
        {"remote picture",
         doccontrol::insertRemotePicture,
         {QStringLiteral(R"(演示插入一个远程的互联网图片,等待时间依网速而定。\n)") +
          QString::fromStdString(jpg)},
         {addMark, "10086 method(VT_BSTR mark_1, VT_BSTR " + jpg + ", VT_BSTR ::JPG::)"}},
        {"stamp",
         doccontrol::stamp,
         {QStringLiteral("演示插入一个远程的印章图片,等待时间依网速而定。")},
         {addMark, "10086 method(VT_BSTR mark_1, VT_BSTR " + gif + ", VT_BSTR ::FLOATJPG::)"}},
        {"signature",
         doccontrol::handwrittenSignature,
         {},
         {"10007 method()", addMark,
          R"(10086 method(VT_BSTR mark_1, VT_BSTR c:\\Sign.bmp, VT_BSTR ::FLOATJPG::))"}},
        {"protect", doccontrol::protectDocument, {}, {"10087 method(VT_I4 1, VT_I4 2, VT_BSTR )"}},
        {"unprotect",
         doccontrol::unprotectDocument,
         {},
         {"10087 method(VT_I4 0, VT_I4 2, VT_BSTR )"}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.command);
        control->calls.clear();
        messages.shown.clear();
        // The message box is answered before any call on the control is made.
        std::size_t callsWhileShown = 99;
        messages.during = [&](const fakes::Message &) { callsWhileShown = control->calls.size(); };
        c.run(context);
        EXPECT_EQ(messages.texts(), c.messages);
        for (const auto &m : messages.shown)
            EXPECT_EQ(m.style, 0);
        if (!c.messages.isEmpty())
            EXPECT_EQ(callsWhileShown, 0u);
        EXPECT_EQ(calls(), c.calls);
    }
    EXPECT_EQ(state.isopened, false);
    EXPECT_TRUE(state.saveurl.isEmpty()) << "editing commands change no window state";
}

TEST_F(CommandsTest, falseMarkResult_isDropped_andTheNextCallStillRuns)
{
    control->results[controlcontract::dispid::MarkCommand] = Variant::boolean(false);
    doccontrol::handwrittenSignature(context);
    EXPECT_EQ(control->calls.size(), 3u);
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(CommandsTest, failingCall_endsTheCommandBeforeItsLaterCalls)
{
    control->failing.insert(controlcontract::dispid::HandSign);
    EXPECT_THROW(doccontrol::handwrittenSignature(context), automation::AutomationError);
    EXPECT_EQ(control->ids(), (std::vector<automation::DispId>{controlcontract::dispid::HandSign}));
}

TEST(TableText, isThe340CharacterHtmlTable)
{
    const QByteArray text = doccontrol::tableText();
    EXPECT_EQ(text.size(), 340);
    EXPECT_TRUE(text.startsWith("<table border=1 cellpadding=1 cellspacing=1><tr><td>test</td>"));
    EXPECT_TRUE(text.endsWith("<td>test</td></tr></table>"));
    EXPECT_EQ(text.count("<tr>"), 6);
    EXPECT_EQ(text.count("<td>test</td>"), 18);
}

TEST_F(CommandsTest, insertTable_writesTheFileThenInsertsIt)
{
    QTemporaryDir dir;
    platform::SequentialFiles files(dir.path());
    QFile old(dir.filePath("table.doc"));
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write(QByteArray(5000, 'z'));
    old.close();

    doccontrol::insertTable(context, files, dir.path());
    EXPECT_EQ(messages.texts(),
              QStringList({QStringLiteral(
                  "演示插入一个6行3例的表格！实际应用可以依数据库记录或动态设置表格的行和列。")}));
    QFile written(dir.filePath("table.doc"));
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_EQ(written.readAll(), doccontrol::tableText() + "\r\n");
    EXPECT_EQ(calls(), (Lines{"10072 method(VT_BSTR " + dir.path().toStdString() +
                              R"(\table.doc, VT_I4 0))"}));
    EXPECT_FALSE(files.isOpen(1));
}

TEST_F(CommandsTest, insertTable_unwritableProgramDirectory_makesNoInsertCall)
{
    QTemporaryDir dir;
    QFile blocker(dir.filePath("bin"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    platform::SequentialFiles files(dir.path());
    EXPECT_THROW(doccontrol::insertTable(context, files, dir.filePath("bin")),
                 automation::AutomationError);
    EXPECT_TRUE(control->calls.empty());
    EXPECT_FALSE(files.isOpen(1)) << "file number 1 is free for the next try";
}

// ---- Conversion and batch download

namespace {
// A minimal office object model: members by name, each answering with the next object.
class OfficeObject : public fakes::RecordingDispatch
{
public:
    explicit OfficeObject(std::vector<std::string> members)
    {
        automation::DispId id = 1;
        for (const auto &name : members)
            names[name] = id++;
    }
};
} // namespace

TEST_F(CommandsTest, wordToPdf_savesThroughTheDocumentObject)
{
    auto document = std::make_shared<OfficeObject>(std::vector<std::string>{"SaveAs"});
    control->results[controlcontract::dispid::DocumentObject] = Variant::dispatch(document);
    doccontrol::wordToPdf(context);
    EXPECT_EQ(calls(), (Lines{"10002 propget()"}));
    EXPECT_EQ(fakes::describe(document->calls), (Lines{R"(1 method(VT_BSTR c:\a.pdf, VT_I2 17))"}));
    EXPECT_EQ(messages.texts(),
              QStringList({QStringLiteral("此功能可依据需要，WORD转换PDF后直接保存到服务器上。"),
                           QStringLiteral("已将当前WORD文档转为PDF后，放于C根目录下a.pdf")}));
}

TEST_F(CommandsTest, excelToPdf_walksApplicationWindowSheet_thenExports)
{
    auto sheet = std::make_shared<OfficeObject>(std::vector<std::string>{"ExportAsFixedFormat"});
    auto window = std::make_shared<OfficeObject>(std::vector<std::string>{"ActiveSheet"});
    auto application = std::make_shared<OfficeObject>(std::vector<std::string>{"ActiveWindow"});
    auto document = std::make_shared<OfficeObject>(std::vector<std::string>{"Application"});
    window->results[1] = Variant::dispatch(sheet);
    application->results[1] = Variant::dispatch(window);
    document->results[1] = Variant::dispatch(application);
    control->results[controlcontract::dispid::DocumentObject] = Variant::dispatch(document);

    doccontrol::excelToPdf(context);
    EXPECT_EQ(fakes::describe(document->calls), (Lines{"1 propget()"}));
    EXPECT_EQ(fakes::describe(application->calls), (Lines{"1 propget()"}));
    EXPECT_EQ(fakes::describe(window->calls), (Lines{"1 propget()"}));
    EXPECT_EQ(fakes::describe(sheet->calls),
              (Lines{R"(1 method(VT_I2 0, VT_BYREF|VT_VARIANT c:\excel.pdf))"}));
    EXPECT_EQ(messages.shown.size(), 2u);
}

TEST_F(CommandsTest, excelToPdf_onAWordDocument_endsWithoutTheClosingMessage)
{
    auto window = std::make_shared<OfficeObject>(std::vector<std::string>{"Caption"});
    auto application = std::make_shared<OfficeObject>(std::vector<std::string>{"ActiveWindow"});
    auto document = std::make_shared<OfficeObject>(std::vector<std::string>{"Application"});
    application->results[1] = Variant::dispatch(window);
    document->results[1] = Variant::dispatch(application);
    control->results[controlcontract::dispid::DocumentObject] = Variant::dispatch(document);
    try {
        doccontrol::excelToPdf(context);
        FAIL() << "ActiveSheet is not a member of a Word window";
    } catch (const automation::AutomationError &error) {
        EXPECT_EQ(error.number(), automation::hresult::UnknownName);
    }
    EXPECT_EQ(
        messages.texts(),
        QStringList({QStringLiteral("此功能可依据需要，EXCEL转换PDF后直接保存到服务器上。")}));
}

TEST_F(CommandsTest, batchDownload_threeDownloadsInOrder_firstTargetByReference)
{
    doccontrol::batchDownload(context);
    const std::string temp = Base.toStdString() + "/quillary/temp/";
    EXPECT_EQ(
        calls(),
        (Lines{R"(10109 method(VT_BYREF|VT_VARIANT c:\file1.doc, VT_BSTR )" + temp + "file1.doc)",
               R"(10109 method(VT_BSTR c:\\\\file2.doc, VT_BSTR )" + temp + "file2.doc)",
               R"(10109 method(VT_BSTR c:\\\\file3.doc, VT_BSTR )" + temp + "file3.doc)"}));
    EXPECT_EQ(messages.texts(),
              QStringList({QStringLiteral("此功能可以依用户需要，点击选择多个文件进行下载！"),
                           QStringLiteral(
                               "已将服务上file1.doc,file2.doc,file3.doc下载到本地C盘根目录下！")}));
}

TEST_F(CommandsTest, batchDownload_failingSecondDownload_endsBeforeTheThirdAndTheClosingMessage)
{
    int downloads = 0;
    control->during = [&](const fakes::Call &call) {
        if (call.id == controlcontract::dispid::DownloadFile && ++downloads == 2)
            throw fakes::failure();
    };
    EXPECT_THROW(doccontrol::batchDownload(context), automation::AutomationError);
    EXPECT_EQ(control->calls.size(), 2u);
    EXPECT_EQ(messages.shown.size(), 1u);
}
