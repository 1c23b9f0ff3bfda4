#include "core/headerlayout.h"

#include <gtest/gtest.h>

using engineprotocol::reply::HeaderSpan;
using framer::HeaderSection;
using framer::TileGrid;

namespace {

const QList<HeaderSpan> Columns = {
    {"A", 0, 1275}, {"B", 1275, 2550}, {"C", 2550, 2550} /* hidden */, {"D", 2550, 3825}};
const QList<HeaderSpan> Rows = {{"1", 0, 255}, {"2", 255, 510}, {"3", 510, 765}};

// A sheet at 100% (15 twips a pixel) in a viewport narrower than it.
TileGrid actualSize()
{
    TileGrid grid;
    grid.layOut(60000, 60000, 400, false);
    return grid;
}

// A page fitted to 1224 pixels: 10 pixels for 100 twips.
TileGrid zoomedIn()
{
    TileGrid grid;
    grid.layOut(12000, 60000, 1224, true);
    return grid;
}

struct SectionsCase
{
    const char *name;
    TileGrid grid;
    QPoint scroll;
    int length;
    QList<HeaderSection> columns;
    QList<HeaderSection> rows;
};

void PrintTo(const SectionsCase &c, std::ostream *out)
{
    *out << c.name;
}

class HeaderSectionsTest : public ::testing::TestWithParam<SectionsCase>
{
};

TEST_P(HeaderSectionsTest, sectionsSitWhereTheGridPutsTheCells)
{
    const SectionsCase &c = GetParam();
    EXPECT_EQ(framer::columnSections(Columns, c.grid, c.scroll, c.length), c.columns);
    EXPECT_EQ(framer::rowSections(Rows, c.grid, c.scroll, c.length), c.rows);
}

// The document starts TileGrid::Margin (12) pixels into the viewport.
INSTANTIATE_TEST_SUITE_P(
    Layouts, HeaderSectionsTest,
    ::testing::Values(SectionsCase{"topLeftAtActualSize",
                                   actualSize(),
                                   {0, 0},
                                   400,
                                   {{"A", 12, 97}, {"B", 97, 182}, {"D", 182, 267}},
                                   {{"1", 12, 29}, {"2", 29, 46}, {"3", 46, 63}}},
                      SectionsCase{"scrolledPastTheFirst",
                                   actualSize(),
                                   {100, 30},
                                   400,
                                   {{"B", -3, 82}, {"D", 82, 167}},
                                   {{"2", -1, 16}, {"3", 16, 33}}},
                      SectionsCase{"cutOffByAShortBar",
                                   actualSize(),
                                   {0, 0},
                                   100,
                                   {{"A", 12, 97}, {"B", 97, 182}},
                                   {{"1", 12, 29}, {"2", 29, 46}, {"3", 46, 63}}},
                      SectionsCase{"zoomedIn",
                                   zoomedIn(),
                                   {0, 0},
                                   1224,
                                   {{"A", 12, 139}, {"B", 139, 267}, {"D", 267, 394}},
                                   {{"1", 12, 37}, {"2", 37, 63}, {"3", 63, 88}}}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(HeaderArea, coversTheViewportWithRoom_andIsAskedAgainOnlyPastIt)
{
    const TileGrid grid = actualSize();
    const QSize viewport(400, 300);
    const QRect area = framer::headerArea(grid, {3000, 3000}, viewport);
    const QRect shown(grid.toTwips({0, 0}, {3000, 3000}), grid.toTwips({400, 300}, {3000, 3000}));
    EXPECT_TRUE(area.contains(shown));
    EXPECT_TRUE(framer::headersCover(area, grid, {3000, 3000}, viewport));
    EXPECT_TRUE(framer::headersCover(area, grid, {3150, 2900}, viewport)) << "a small scroll";
    EXPECT_FALSE(framer::headersCover(area, grid, {3400, 3000}, viewport)) << "a page right";
    EXPECT_FALSE(framer::headersCover(area, grid, {3000, 2600}, viewport)) << "a page up";
    EXPECT_FALSE(framer::headersCover({}, grid, {3000, 3000}, viewport)) << "none asked yet";
}

TEST(HeaderArea, atTheTopLeft_startsAtTheSheetsEdge_notInTheMargin)
{
    const QRect area = framer::headerArea(actualSize(), {0, 0}, {400, 300});
    EXPECT_EQ(area.topLeft(), QPoint(0, 0));
    EXPECT_TRUE(framer::headersCover(area, actualSize(), {0, 0}, {400, 300}));
}

TEST(HeaderArea, withoutADocument_isEmpty_andNeedsNothing)
{
    const TileGrid empty;
    EXPECT_TRUE(framer::headerArea(empty, {0, 0}, {400, 300}).isEmpty());
    EXPECT_TRUE(framer::headersCover({}, empty, {0, 0}, {400, 300}));
}

} // namespace
