#include "documentsearch.h"

#include <LibreOfficeKit/LibreOfficeKitEnums.h>

#include <gtest/gtest.h>

using enginecore::SearchPlace;

namespace {

struct RoundCase
{
    const char *name;
    SearchPlace from;
    SearchPlace match;
    bool backward;
    bool wentRound;
};

void PrintTo(const RoundCase &c, std::ostream *out)
{
    *out << c.name;
}

// A line of text 281 twips high at y, from x on.
SearchPlace at(int part, int x, int y)
{
    return {part, QRect(x, y, 956, 281)};
}

class WentRoundTest : public ::testing::TestWithParam<RoundCase>
{
};

TEST_P(WentRoundTest, matchBehindTheStart_inTheSearchDirection_wentRound)
{
    const RoundCase &c = GetParam();
    EXPECT_EQ(enginecore::wentRound(c.from, c.match, c.backward), c.wentRound);
}

INSTANTIATE_TEST_SUITE_P(
    Places, WentRoundTest,
    ::testing::Values(
        RoundCase{"forward_laterOnTheLine", at(0, 3536, 1418), at(0, 5000, 1418), false, false},
        RoundCase{"forward_onALaterLine", at(0, 3536, 1418), at(0, 100, 18540), false, false},
        RoundCase{"forward_onAnEarlierLine", at(0, 3536, 18540), at(0, 2580, 1418), false, true},
        RoundCase{"forward_earlierOnTheLine", at(0, 3536, 1418), at(0, 2580, 1418), false, true},
        RoundCase{"forward_rightAtTheCursor", at(0, 2580, 1418), at(0, 2580, 1418), false, false},
        RoundCase{"forward_onALaterPart", at(1, 9000, 9000), at(2, 0, 0), false, false},
        RoundCase{"forward_backOnTheFirstPart", at(2, 0, 0), at(0, 9000, 9000), false, true},
        RoundCase{"backward_earlierOnTheLine", at(0, 2580, 1418), at(0, 100, 1418), true, false},
        RoundCase{"backward_theSameMatchAgain", at(0, 2580, 1418), at(0, 2580, 1418), true, true},
        RoundCase{"backward_onALaterLine", at(0, 2580, 1418), at(0, 2580, 18540), true, true},
        RoundCase{"backward_onAnEarlierPart", at(2, 0, 0), at(1, 9000, 9000), true, false},
        RoundCase{"backward_onALaterPart", at(0, 0, 0), at(2, 0, 0), true, true},
        RoundCase{"unknownStart_onTheSamePart", {1, std::nullopt}, at(1, 0, 0), true, false}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(SearchStart, followsTheSelectionsEnd_forward_andItsStart_backward_elseTheCursor)
{
    enginecore::SelectionTracker where;
    EXPECT_FALSE(enginecore::searchStart(0, where, false).line.has_value());

    where.observe({LOK_CALLBACK_INVALIDATE_VISIBLE_CURSOR, "1418, 1418, 0, 281"});
    EXPECT_EQ(enginecore::searchStart(0, where, false).line->topLeft(), QPoint(1418, 1418));

    where.observe({LOK_CALLBACK_TEXT_SELECTION, "2580, 1418, 956, 281; 1418, 1700, 500, 281"});
    EXPECT_EQ(enginecore::searchStart(3, where, false).line->topLeft(), QPoint(1918, 1700));
    EXPECT_EQ(enginecore::searchStart(3, where, true).line->topLeft(), QPoint(2580, 1418));
    EXPECT_EQ(enginecore::searchStart(3, where, true).part, 3);

    where.observe({LOK_CALLBACK_TEXT_SELECTION, ""});
    EXPECT_EQ(enginecore::searchStart(0, where, true).line->topLeft(), QPoint(1418, 1418));
    where.clear();
    EXPECT_FALSE(enginecore::searchStart(0, where, true).line.has_value());
}

} // namespace
