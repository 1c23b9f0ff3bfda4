#include "editingoperations.h"
#include "officeobjects.h"

#include "automation/automationerror.h"

#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using automation::InvokeKind;
using automation::Variant;
using engineprotocol::DocumentKind;

namespace {

struct FilterCase
{
    const char *name;
    QByteArray head;
    const char *filter;
};

class InsertFilterTest : public ::testing::TestWithParam<FilterCase>
{
};

TEST_P(InsertFilterTest, contentDecidesTheImportFilter)
{
    EXPECT_EQ(framer::insertFilterFor(GetParam().head), QString::fromLatin1(GetParam().filter));
}

INSTANTIATE_TEST_SUITE_P(
    Contents, InsertFilterTest,
    ::testing::Values(
        FilterCase{"htmlTable", "<table border=1><tr><td>test</td></tr></table>",
                   "HTML (StarWriter)"},
        FilterCase{"htmlWithBom", "\xEF\xBB\xBF  <html><body>x</body></html>", "HTML (StarWriter)"},
        FilterCase{"rtf", "{\\rtf1\\ansi hello}", "Rich Text Format"},
        FilterCase{"word97", QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1\0\0", 10), "MS Word 97"},
        FilterCase{"docx", "PK\x03\x04....[Content_Types].xml word/document.xml",
                   "MS Word 2007 XML"},
        FilterCase{"odt",
                   "PK\x03\x04xxxxxxxxxxxxxxxxxxxxxxxxxxmimetypeapplication/"
                   "vnd.oasis.opendocument.text",
                   "writer8"},
        FilterCase{"ods", "PK\x03\x04xxxxmimetypeapplication/vnd.oasis.opendocument.spreadsheet",
                   ""},
        FilterCase{"plainText", "just some words, a < b", "Text"},
        FilterCase{"binary", QByteArray("\x01\x02\0\x03", 4), ""}),
    [](const auto &info) { return std::string(info.param.name); });

// Records what the objects ask for instead of exporting.
class RecordingBackend : public framer::OfficeBackend
{
public:
    void saveDocumentAs(DocumentKind, const QString &fileName, const QString &format) override
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
    auto workbook = framer::makeDocumentObject(DocumentKind::Spreadsheet, backend);
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
    auto document = framer::makeDocumentObject(DocumentKind::Text, backend);
    auto workbook = framer::makeDocumentObject(DocumentKind::Spreadsheet, backend);
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

TEST(OfficeObjects, objectsOutlivingTheControl_raiseInsteadOfCrashing)
{
    std::shared_ptr<automation::Dispatch> document;
    {
        framer::EditingHost host;
        host.document = [] { return std::optional(DocumentKind::Text); };
        framer::EditingOperations operations(host);
        document = operations.documentObject();
    }
    EXPECT_EQ(errorNumber([&] {
                  automation::invokeByName(*document, "SaveAs", InvokeKind::Method,
                                           {Variant::bstr("c:\\a.pdf"), Variant::i2(17)});
              }),
              automation::hresult::Fail);
}

TEST(HandSign, unwritableSignature_raises_andCancelWritesNothing)
{
    QTemporaryDir dir;
    const QString blocked = dir.filePath(QStringLiteral("blocked"));
    QFile file(blocked);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    QImage drawing(20, 10, QImage::Format_RGB32);
    drawing.fill(Qt::black);

    framer::EditingHost host;
    host.driveCRoot = blocked; // a file where drive C's folder should be
    host.signaturePad = [&](QWidget *) { return drawing; };
    framer::EditingOperations operations(host);
    EXPECT_EQ(errorNumber([&] { operations.handSign(); }), automation::hresult::Fail);

    host.driveCRoot = dir.filePath(QStringLiteral("drive_c"));
    host.signaturePad = [](QWidget *) { return QImage(); };
    framer::EditingOperations cancelled(host);
    cancelled.handSign();
    EXPECT_FALSE(QFile::exists(cancelled.signaturePath()));
}

} // namespace
