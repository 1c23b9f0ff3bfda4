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
        ListCase{"insertionAndDeletion",
                 R"({"redlines": [
                   {"index": "1", "author": "审阅人甲", "type": "Insert", "comment": "",
                    "description": "Insert \u201cReviewed \u201d", "dateTime": "2026-12-09T11:58:00"},
                   {"index": 2, "author": "B", "type": "Delete",
                    "description": "Delete \u201csample\u201d", "dateTime": "2026-12-09T12:00:00"}]})",
                 {{1, ChangeKind::Insertion, "审阅人甲", "2026-12-09T11:58:00", "Reviewed"},
                  {2, ChangeKind::Deletion, "B", "2026-12-09T12:00:00", "sample"}}},
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

} // namespace
