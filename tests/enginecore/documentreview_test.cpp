#include "documentcomments.h"
#include "documentreview.h"
#include "packages.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace engineprotocol;

namespace {

struct ListCase
{
    const char *name;
    QByteArray json;
    QList<TrackedChange> expected;
    DocumentKind kind = DocumentKind::Text;
};

class TrackedChangeListTest : public ::testing::TestWithParam<ListCase>
{
};

TEST_P(TrackedChangeListTest, readsLibreOfficesList)
{
    EXPECT_EQ(enginecore::parseTrackedChanges(GetParam().json, GetParam().kind),
              GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Lists, TrackedChangeListTest,
    ::testing::Values(
        ListCase{"formattingWithoutText",
                 R"({"redlines": [{"index": "7", "author": "C", "type": "Format",
                    "description": "Attributes", "dateTime": ""}]})",
                 {{7, ChangeKind::Formatting, "C", "", "Attributes"}}},
        ListCase{"longTextShortened",
                 R"({"redlines": [{"index": "3", "type": "Insert", "description":
                    "Insert \u201c0123456789012345678901234567890123456789012345\u201d"}]})",
                 {{3, ChangeKind::Insertion, "", "",
                   QStringLiteral("012345678901234567890123456789012345678") + QChar(0x2026)}}},
        ListCase{"entriesWithoutAnIdLeftOut",
                 R"({"redlines": [{"index": "x", "type": "Insert"}, {"type": "Delete"}]})",
                 {}},
        ListCase{"notJson", "redlines", {}},
        ListCase{"spreadsheetsNumberFromZero_inUtc_underTheProfilesName",
                 R"({"redlines": [{"index": "0", "author": "审阅人甲 ", "type": "Modify",
                    "description": "Cell B2 changed from 'Quillary' to '777'",
                    "dateTime": "2026-12-09T10:00:00"}]})",
                 {{1, ChangeKind::Other, "审阅人甲", "2026-12-09T10:00:00Z",
                   QStringLiteral("B2: Quillary → 777")}},
                 DocumentKind::Spreadsheet}),
    [](const auto &info) { return std::string(info.param.name); });

// Compared differences go under the earlier version's last author, whichever prefixes its
// metadata uses.
TEST(LastAuthor, isTheLastModifierElseTheCreator_fromWordsAndOpenDocumentsMetadata)
{
    const QByteArray core =
        R"(<?xml version="1.0"?><c:coreProperties xmlns:c="http://schemas.openxmlformats.org/)"
        R"(package/2006/metadata/core-properties" xmlns:d="http://purl.org/dc/elements/1.1/">)";
    const QByteArray meta =
        R"(<office:document-meta xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0")"
        R"( xmlns:meta="urn:oasis:names:tc:opendocument:xmlns:meta:1.0")"
        R"( xmlns:dc="http://purl.org/dc/elements/1.1/"><office:meta>)";
    const struct
    {
        const char *entry;
        QByteArray xml;
        QString author;
    } cases[] = {
        {"docProps/core.xml",
         core + "<d:creator>起草人</d:creator><c:lastModifiedBy> 审阅人乙 </c:lastModifiedBy>"
                "</c:coreProperties>",
         QStringLiteral("审阅人乙")},
        {"docProps/core.xml",
         core + "<d:creator>起草人</d:creator><c:lastModifiedBy/></c:coreProperties>",
         QStringLiteral("起草人")},
        {"meta.xml",
         meta + "<meta:initial-creator>起草人</meta:initial-creator><dc:creator>审阅人乙"
                "</dc:creator></office:meta></office:document-meta>",
         QStringLiteral("审阅人乙")},
        {"meta.xml", meta + "</office:meta></office:document-meta>", QString()},
        {"docProps/core.xml", "<unclosed", QString()},
    };
    QTemporaryDir dir;
    for (const auto &c : cases) {
        const QString path = dir.filePath(QStringLiteral("version.zip"));
        QFile::remove(path);
        ASSERT_TRUE(testpackages::writePackage(path, {{QLatin1String(c.entry), c.xml}}));
        EXPECT_EQ(enginecore::lastAuthorOf(path), c.author) << c.xml.constData();
    }
    EXPECT_EQ(enginecore::lastAuthorOf(dir.filePath(QStringLiteral("missing.docx"))), QString());
}

// Writer lists its comments with their answers and anchors; Impress keys them by name, which
// would sort the tenth before the second.
TEST(CommentList, readsWritersListAndImpressesNamedOnes_inTheirOrder)
{
    EXPECT_EQ(
        enginecore::parseComments(
            R"({"comments": [{"id": 4, "parent": 0, "author": "甲", "text": "核对",
                     "dateTime": "2026-12-09T10:00:00", "anchorPos": "1440, 2880, 300, 240"},
                     {"id": "5", "parent": "4", "author": "乙", "text": "好"}, {"id": 0}]})"),
        (QList<Comment>{{4, 0, "甲", "2026-12-09T10:00:00", "核对", QRect(1440, 2880, 300, 240)},
                        {5, 4, "乙", "", "好", QRect()}}));
    const QList<Comment> slides = enginecore::parseComments(
        R"({"comments": {"comment10": {"id": 10, "text": "b", "rectangle": "0, 0, 0, 0"},
                         "comment2": {"id": 2, "text": "a"}}})");
    ASSERT_EQ(slides.size(), 2);
    EXPECT_EQ(slides[0].text, QStringLiteral("a"));
    EXPECT_EQ(slides[1].id, 10);
    EXPECT_TRUE(enginecore::parseComments("comments").isEmpty());
}

} // namespace
