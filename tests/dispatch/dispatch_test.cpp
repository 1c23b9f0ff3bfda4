#include "controldispatch.h"
#include "controldispids.h"
#include "officeobjects.h"

#include "automation/automationerror.h"

#include <QStringList>

#include <gtest/gtest.h>

using automation::InvokeKind;
using automation::Variant;
using quillary::DocumentKind;

namespace {

// Records what the objects ask for instead of exporting.
class RecordingBackend : public framerdispatch::OfficeBackend
{
public:
    void saveDocumentAs(const QString &fileName, const QString &format) override
    {
        calls.push_back("save " + fileName + " " + format);
    }
    void exportActiveSheet(const QString &fileName) override
    {
        calls.push_back("sheet " + fileName);
    }
    QStringList calls;
};

int errorNumber(const std::function<void()> &run)
{
    try {
        run();
    } catch (const automation::AutomationError &error) {
        return error.number();
    }
    return 0;
}

TEST(OfficeObjects, membersAreFoundRegardlessOfCase_andArgumentsByReferenceAccepted)
{
    auto backend = std::make_shared<RecordingBackend>();
    auto workbook = framerdispatch::makeDocumentObject(DocumentKind::Spreadsheet, backend);
    auto sheet = automation::objectProperty(
        *automation::objectProperty(*automation::objectProperty(*workbook, "APPLICATION"),
                                    "activewindow"),
        "ActiveSheet");
    auto name = std::make_shared<Variant>(Variant::bstr("c:\\excel.pdf"));
    automation::invokeByName(*sheet, "exportasfixedformat", InvokeKind::Method,
                             {Variant::i2(0), Variant::byRef(name)});
    automation::invokeByName(*sheet, "ExportAsFixedFormat", InvokeKind::Method,
                             {Variant::i4(0), Variant::bstr("c:\\b.pdf")});
    EXPECT_EQ(backend->calls, (QStringList{"sheet c:\\excel.pdf", "sheet c:\\b.pdf"}));
}

TEST(OfficeObjects, badCallsRaiseTheAutomationErrors)
{
    auto backend = std::make_shared<RecordingBackend>();
    auto document = framerdispatch::makeDocumentObject(DocumentKind::Text, backend);
    auto workbook = framerdispatch::makeDocumentObject(DocumentKind::Spreadsheet, backend);
    auto sheet = automation::objectProperty(*workbook, "ActiveSheet");
    EXPECT_EQ(errorNumber([&] { document->idOfName("Quit"); }), automation::hresult::UnknownName);
    EXPECT_EQ(errorNumber([&] {
                  automation::invokeByName(*sheet, "ExportAsFixedFormat", InvokeKind::Method,
                                           {Variant::i2(1), Variant::bstr("c:\\x.xps")});
              }),
              automation::hresult::InvalidArgument);
    EXPECT_EQ(errorNumber([&] {
                  automation::invokeByName(*document, "SaveAs", InvokeKind::Method,
                                           {Variant::i2(17), Variant::i2(17)});
              }),
              automation::hresult::TypeMismatch);
    EXPECT_EQ(
        errorNumber([&] { automation::invokeByName(*document, "SaveAs", InvokeKind::Method, {}); }),
        automation::hresult::BadParamCount);
    EXPECT_TRUE(backend->calls.isEmpty());
}

TEST(OfficeObjects, saveAs_namesTheFormatByItsNumber_orTheDocumentsOwn)
{
    const struct
    {
        DocumentKind kind;
        std::vector<Variant> args;
        const char *expected;
    } cases[] = {
        {DocumentKind::Text, {Variant::bstr("c:\\a.pdf"), Variant::i2(17)}, "save c:\\a.pdf pdf"},
        {DocumentKind::Text, {Variant::bstr("a.doc"), Variant::i4(0)}, "save a.doc doc"},
        {DocumentKind::Text, {Variant::bstr("a.docx")}, "save a.docx docx"},
        {DocumentKind::Spreadsheet, {Variant::bstr("b.xls"), Variant::i2(56)}, "save b.xls xls"},
        {DocumentKind::Presentation, {Variant::bstr("c.pdf"), Variant::i2(32)}, "save c.pdf pdf"},
        {DocumentKind::Presentation, {Variant::bstr("c.ppt"), Variant()}, "save c.ppt pptx"},
    };
    for (const auto &c : cases) {
        auto backend = std::make_shared<RecordingBackend>();
        auto document = framerdispatch::makeDocumentObject(c.kind, backend);
        automation::invokeByName(*document, "SaveAs", InvokeKind::Method, c.args);
        EXPECT_EQ(backend->calls, QStringList{QString::fromLatin1(c.expected)});
    }
    auto backend = std::make_shared<RecordingBackend>();
    auto workbook = framerdispatch::makeDocumentObject(DocumentKind::Spreadsheet, backend);
    EXPECT_EQ(errorNumber([&] {
                  automation::invokeByName(*workbook, "SaveAs", InvokeKind::Method,
                                           {Variant::bstr("x.pdf"), Variant::i2(17)});
              }),
              automation::hresult::InvalidArgument)
        << "17 is Word's PDF, not Excel's";
}

// The client calls the control by these numbers; a change on one side alone shows up here.
TEST(ControlDispatch, answersEveryMemberByName_withTheContractsNumber)
{
    framerdispatch::ControlDispatch control(nullptr, QStringLiteral("/tmp/drive_c"));
    const std::pair<const char *, automation::DispId> members[] = {
        {"DocumentObject", 0x10002},  {"OpenDocument", 0x10004},  {"SaveDocument", 0x10005},
        {"HandSign", 0x10007},        {"CloseDocument", 0x10009}, {"ShowFileDialog", 0x1000E},
        {"DocumentName", 0x10015},    {"InsertFile", 0x10072},    {"MarkCommand", 0x10086},
        {"ProtectDocument", 0x10087}, {"ReplaceText", 0x10101},   {"DownloadFile", 0x10109},
    };
    for (const auto &[name, id] : members) {
        EXPECT_EQ(control.idOfName(name), id) << name;
        EXPECT_EQ(control.idOfName(QByteArray(name).toLower().toStdString()), id) << name;
    }
    EXPECT_EQ(errorNumber([&] { control.idOfName("Quit"); }), automation::hresult::UnknownName);
}

TEST(ControlDispatch, wrongKindOfCallOrUnknownId_isMemberNotFound)
{
    framerdispatch::ControlDispatch control(nullptr, QStringLiteral("/tmp/drive_c"));
    namespace dispid = controlcontract::dispid;
    EXPECT_EQ(errorNumber([&] {
                  control.invoke(dispid::DocumentName, InvokeKind::PropertyPut,
                                 {Variant::bstr("x.doc")});
              }),
              automation::hresult::MemberNotFound);
    EXPECT_EQ(errorNumber([&] { control.invoke(0x10001, InvokeKind::Method, {}); }),
              automation::hresult::MemberNotFound);
    EXPECT_EQ(errorNumber([&] {
                  control.invoke(dispid::ShowFileDialog, InvokeKind::Method, {Variant::i4(2)});
              }),
              automation::hresult::InvalidArgument);
    EXPECT_EQ(errorNumber([&] {
                  control.invoke(dispid::OpenDocument, InvokeKind::Method, {Variant::i4(2)});
              }),
              automation::hresult::TypeMismatch);
    EXPECT_EQ(errorNumber([&] { control.invoke(dispid::CloseDocument, InvokeKind::Method, {}); }),
              automation::hresult::Fail)
        << "a control that is gone";
}

} // namespace
