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

} // namespace
