#include "core/formatrules.h"
#include "testdocuments.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using engineprotocol::DocumentKind;
using framer::Content;

namespace {

QByteArray randomBytes(qsizetype size, quint32 seed)
{
    QRandomGenerator generator(seed);
    QByteArray bytes(size, Qt::Uninitialized);
    for (char &c : bytes)
        c = static_cast<char>(generator.bounded(256));
    return bytes;
}

// The table file the client writes for its table command.
QByteArray clientTable()
{
    return "<table border=1 cellpadding=1 cellspacing=1><tr><td>test</td><td>test</td></tr>"
           "</table>";
}

struct FileCase
{
    const char *file;
    Content content;
    const char *insertFilter;
};

void PrintTo(const FileCase &c, std::ostream *out)
{
    *out << c.file;
}

class FileContentTest : public ::testing::TestWithParam<FileCase>
{
};

TEST_P(FileContentTest, generatedFile_isKnownByItsContent_andGetsItsImportFilter)
{
    const QByteArray head = testdocuments::bytes(QString::fromLatin1(GetParam().file));
    ASSERT_FALSE(head.isEmpty()) << GetParam().file;
    EXPECT_EQ(framer::detectContent(head), GetParam().content);
    EXPECT_EQ(framer::insertFilterFor(head), QString::fromLatin1(GetParam().insertFilter));
}

INSTANTIATE_TEST_SUITE_P(
    Files, FileContentTest,
    ::testing::Values(FileCase{"sample.doc", Content::Compound, "MS Word 97"},
                      FileCase{"sample.xls", Content::Compound, "MS Word 97"},
                      FileCase{"sample.ppt", Content::Compound, "MS Word 97"},
                      FileCase{"sample.docx", Content::Package, "MS Word 2007 XML"},
                      FileCase{"sample.odt", Content::OpenDocument, "writer8"},
                      FileCase{"sample.ods", Content::OpenDocument, ""},
                      FileCase{"sample.odp", Content::OpenDocument, ""},
                      FileCase{"sample.rtf", Content::Rtf, "Rich Text Format"},
                      FileCase{"sample.html", Content::Markup, "HTML (StarWriter)"},
                      FileCase{"sample.fodt", Content::Markup, "Text"},
                      FileCase{"inserted.txt", Content::Text, "Text"}),
    [](const auto &info) {
        std::string name = info.param.file;
        std::replace(name.begin(), name.end(), '.', '_');
        return name;
    });

TEST(FormatRules, bytesOfEachKind_areToldApart)
{
    const struct
    {
        const char *name;
        QByteArray head;
        Content expected;
    } cases[] = {
        {"client's table", clientTable(), Content::Markup},
        {"markup after a byte order mark", "\xEF\xBB\xBF  <!DOCTYPE html><html></html>",
         Content::Markup},
        {"plain text with tabs", "plain words\r\nand a second line\tindented\n", Content::Text},
        {"GBK text", "\xC4\xE3\xBA\xC3\xA3\xAC\xCA\xC0\xBD\xE7\r\n", Content::Text},
        {"UTF-16 text", QByteArray("\xFF\xFEh\0i\0", 6), Content::Text},
        {"text comparing with <", "just some words, a < b", Content::Text},
        {"empty zip archive", QByteArray("PK\x05\x06", 4), Content::Unknown},
        {"text with a NUL", QByteArray("text with a \0 inside", 20), Content::Unknown},
        {"PDF", "%PDF-1.7\n\x01\x02\x03\x04\x05\x06\x07\x08", Content::Unknown},
        {"nothing", {}, Content::Unknown},
    };
    for (const auto &c : cases)
        EXPECT_EQ(framer::detectContent(c.head), c.expected) << c.name;
    EXPECT_EQ(framer::insertFilterFor(clientTable()), QStringLiteral("HTML (StarWriter)"));
    EXPECT_EQ(framer::insertFilterFor("\xEF\xBB\xBF  <html><body>x</body></html>"),
              QStringLiteral("HTML (StarWriter)"));
    EXPECT_EQ(framer::insertFilterFor("just some words, a < b"), QStringLiteral("Text"));
    EXPECT_EQ(framer::insertFilterFor(QByteArray("\x01\x02\0\x03", 4)), QString());
}

TEST(FormatRules, randomBytes_areNeverTakenForADocument)
{
    for (quint32 seed = 1; seed <= 200; ++seed)
        EXPECT_EQ(framer::detectContent(randomBytes(4096, seed)), Content::Unknown)
            << "seed " << seed;
}

TEST(FormatRules, checkDocumentFile_refusesBadFilesNamingThem)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const auto write = [&](const QString &name, const QByteArray &bytes) {
        QFile file(dir.filePath(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return file.fileName();
    };
    const struct
    {
        QString path;
        qint64 cap;
        const char *fragment; // empty: accepted
    } cases[] = {
        {testdocuments::path("sample.doc"), 1 << 20, ""},
        {testdocuments::path("sample.pptx"), 1 << 20, ""},
        {write("random.doc", randomBytes(100000, 7)), 1 << 20, "不是可识别的Office文档"},
        {write("empty.docx", {}), 1 << 20, "空文件"},
        {write("big.txt", QByteArray(5000, 'a')), 4096, "太大"},
        {dir.filePath("missing.doc"), 1 << 20, "不存在"},
        {dir.path(), 1 << 20, "不是文件"},
    };
    for (const auto &c : cases) {
        const auto problem = framer::checkDocumentFile(c.path, QStringLiteral("显示名.doc"), c.cap);
        if (!*c.fragment) {
            EXPECT_FALSE(problem.has_value()) << c.path.toStdString();
            continue;
        }
        ASSERT_TRUE(problem.has_value()) << c.path.toStdString();
        const QString &message = problem->message;
        EXPECT_TRUE(message.contains(QString::fromUtf8(c.fragment))) << message.toStdString();
        EXPECT_TRUE(message.contains(QStringLiteral("显示名.doc"))) << message.toStdString();
    }
}

TEST(FormatRules, ownFormat_followsTheNameThenTheContent)
{
    using K = DocumentKind;
    const struct
    {
        K kind;
        const char *name;
        const char *file; // whose content the document has
        const char *expected;
    } cases[] = {
        {K::Text, "a.docx", "sample.docx", "docx"},
        {K::Text, "a.wps", "sample.doc", "doc"},
        {K::Spreadsheet, "a.et", "sample.xls", "xls"},
        {K::Text, "writefile.asp", "sample.doc", "doc"},
        {K::Text, "writefile.asp", "sample.odt", "odt"},
        {K::Text, "writefile.asp", "sample.rtf", "rtf"},
        {K::Presentation, "x", "sample.pptx", "pptx"},
        {K::Spreadsheet, "data", "inserted.txt", "csv"},
        {K::Text, "a.pdf", "sample.doc", "doc"},
        {K::Presentation, "notes", "inserted.txt", "odp"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(framer::ownFormat(c.kind, QString::fromUtf8(c.name),
                                    testdocuments::bytes(QString::fromLatin1(c.file))),
                  QLatin1String(c.expected))
            << c.name << " holding " << c.file;
}

TEST(FormatRules, saveFormat_isOneTheKindCanBeWrittenIn)
{
    using K = DocumentKind;
    EXPECT_EQ(framer::saveFormatForExtension(K::Text, QStringLiteral("xls")), QString());
    EXPECT_EQ(framer::saveFormatForExtension(K::Spreadsheet, QStringLiteral("WPS")), QString());
    EXPECT_EQ(framer::saveFormatForExtension(K::Text, QStringLiteral("HTM")),
              QStringLiteral("html"));
    EXPECT_EQ(framer::saveFormatForExtension(K::Presentation, QStringLiteral("dps")),
              QStringLiteral("ppt"));
    EXPECT_TRUE(framer::saveDialogFilter(K::Spreadsheet, QStringLiteral("xls"))
                    .startsWith(QStringLiteral("Excel 97-2003 工作簿 (*.xls)")));
}

} // namespace
