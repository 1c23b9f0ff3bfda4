#include "documentcomments.h"
#include "documentreview.h"

#include <gtest/gtest.h>

using namespace engineprotocol;

namespace {

struct ListCase
{
    const char *name;
    QByteArray json;
    QList<TrackedChange> expected;
};

class TrackedChangeListTest : public ::testing::TestWithParam<ListCase>
{
};

TEST_P(TrackedChangeListTest, readsLibreOfficesList)
{
    EXPECT_EQ(enginecore::parseTrackedChanges(GetParam().json), GetParam().expected);
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
        ListCase{"notJson", "redlines", {}}),
    [](const auto &info) { return std::string(info.param.name); });

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
