#include "core/tilegrid.h"

#include <gtest/gtest.h>

using framer::TileGrid;

namespace {

constexpr int Tile = TileGrid::TileSize;

struct LayoutCase
{
    const char *name;
    qint64 width; // twips
    int viewportWidth;
    bool fitWidth;
    double scale;
    int offsetX;
    int contentWidth;
};

void PrintTo(const LayoutCase &c, std::ostream *out)
{
    *out << c.name;
}

class TileGridLayoutTest : public ::testing::TestWithParam<LayoutCase>
{
};

TEST_P(TileGridLayoutTest, documentIsScaledAndCentred)
{
    TileGrid grid;
    grid.layOut(GetParam().width, 20000, GetParam().viewportWidth, GetParam().fitWidth);
    EXPECT_NEAR(grid.scale(), GetParam().scale, 1e-6);
    EXPECT_EQ(grid.offsetX(), GetParam().offsetX);
    EXPECT_EQ(grid.contentSize().width(), GetParam().contentWidth);
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, TileGridLayoutTest,
    ::testing::Values(
        // 776 pixels between the margins for 12240 twips.
        LayoutCase{"letterPageFittedToTheWidth", 12240, 800, true, 776.0 / 12240, 0, 800},
        LayoutCase{"sheetAtActualSize", 12240, 800, false, 1.0 / 15, 0, 840},
        LayoutCase{"narrowSheetCentred", 6000, 1000, false, 1.0 / 15, 288, 424},
        LayoutCase{"wideDocumentAtAnEighthAtLeast", 100000, 500, true, 1.0 / 120, 0, 857},
        LayoutCase{"smallDocumentAtFourTimesAtMost", 1000, 2000, true, 4.0 / 15, 855, 290}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(TileGrid, newScale_dropsTheTiles_andTheSameScaleKeepsThem)
{
    TileGrid grid;
    grid.layOut(12240, 15840, 800, true);
    QImage drawn(Tile, Tile, QImage::Format_ARGB32_Premultiplied);
    ASSERT_TRUE(grid.store({0, 0}, grid.generation(), drawn));
    const int generation = grid.generation();

    grid.layOut(12240, 15840, 800, true); // a repaint without a resize
    EXPECT_EQ(grid.generation(), generation);
    EXPECT_FALSE(grid.tile({0, 0}).image.isNull());

    grid.layOut(12240, 15840, 900, true);
    EXPECT_NE(grid.generation(), generation);
    EXPECT_TRUE(grid.tile({0, 0}).image.isNull());
    EXPECT_FALSE(grid.store({0, 0}, generation, drawn)) << "a tile of the old scale came late";
}

struct ScaleCase
{
    const char *name;
    int viewportWidth;
};

void PrintTo(const ScaleCase &c, std::ostream *out)
{
    *out << c.name;
}

class TileGridSeamTest : public ::testing::TestWithParam<ScaleCase>
{
};

// A tile covers the twips between its rounded edges and is drawn exactly one tile from its
// neighbour: no twip is drawn twice or skipped, and no pixel column is stretched, so no seam
// runs through the text.
TEST_P(TileGridSeamTest, neighboursShareTheirBorders_andSitExactlyOneTileApart)
{
    TileGrid grid;
    grid.layOut(12240, 158400, GetParam().viewportWidth, true);
    const QPoint scroll(0, 333);
    for (int row = 0; row < 6; ++row)
        for (int column = 0; column < 5; ++column) {
            const QRect twips = grid.tileTwips({column, row});
            const QRect right = grid.tileTwips({column + 1, row});
            const QRect below = grid.tileTwips({column, row + 1});
            EXPECT_EQ(right.left(), twips.right() + 1) << column << "," << row;
            EXPECT_EQ(below.top(), twips.bottom() + 1) << column << "," << row;
            EXPECT_NEAR(twips.width(), Tile / grid.scale(), 1.0);

            const QRect pixels = grid.tileRect({column, row}, scroll);
            EXPECT_EQ(pixels.size(), QSize(Tile, Tile));
            EXPECT_EQ(grid.tileRect({column + 1, row}, scroll).left(), pixels.right() + 1);
            EXPECT_EQ(grid.tileRect({column, row + 1}, scroll).top(), pixels.bottom() + 1);
        }
}

INSTANTIATE_TEST_SUITE_P(Scales, TileGridSeamTest,
                         ::testing::Values(ScaleCase{"oddScale", 777}, ScaleCase{"narrow", 333},
                                           ScaleCase{"wide", 1601}, ScaleCase{"exactTile", 1001}),
                         [](const auto &info) { return std::string(info.param.name); });

TEST(TileGrid, tileOfLetterPage_coversItsTwips)
{
    TileGrid grid;
    grid.layOut(12240, 158400, 800, true);
    // 256 pixels at 776/12240 pixels per twip are 4037.9 twips.
    EXPECT_EQ(grid.tileTwips({1, 2}), QRect(4038, 8076, 4038, 4038));
    EXPECT_EQ(grid.tileRect({1, 2}, {0, 100}), QRect(256 + 12, 512 + 12 - 100, Tile, Tile));
}

struct VisibleCase
{
    const char *name;
    QPoint scroll;
    QSize viewport;
    QRect tiles;
};

void PrintTo(const VisibleCase &c, std::ostream *out)
{
    *out << c.name;
}

class TileGridVisibleTest : public ::testing::TestWithParam<VisibleCase>
{
};

TEST_P(TileGridVisibleTest, viewportShowsTheseTiles)
{
    // Ten letter pages fitted into 800 pixels: 776 x 10042 pixels of document.
    TileGrid grid;
    grid.layOut(12240, 158400, 800, true);
    EXPECT_EQ(grid.visibleTiles(GetParam().scroll, GetParam().viewport), GetParam().tiles);
}

INSTANTIATE_TEST_SUITE_P(
    Viewports, TileGridVisibleTest,
    ::testing::Values(
        VisibleCase{"top", {0, 0}, {800, 600}, QRect(QPoint(0, 0), QPoint(3, 2))},
        VisibleCase{"scrolledDown", {0, 1000}, {800, 600}, QRect(QPoint(0, 3), QPoint(3, 6))},
        VisibleCase{"lastTiles", {0, 9700}, {800, 600}, QRect(QPoint(0, 37), QPoint(3, 39))},
        VisibleCase{"pastTheEnd", {0, 20000}, {800, 600}, QRect()},
        VisibleCase{"narrowViewport", {0, 0}, {100, 100}, QRect(QPoint(0, 0), QPoint(0, 0))}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(TileGrid, noDocument_showsNoTiles)
{
    TileGrid grid;
    grid.layOut(0, 0, 800, true);
    EXPECT_TRUE(grid.isEmpty());
    EXPECT_TRUE(grid.visibleTiles({0, 0}, {800, 600}).isEmpty());
    EXPECT_TRUE(grid.contentSize().isEmpty());
}

TEST(TileGrid, pointsMapToTwipsAndBack)
{
    TileGrid grid;
    grid.layOut(6000, 9000, 1000, false); // centred: 288 pixels left of the document
    const QPoint scroll(0, 50);
    const QPoint twips = grid.toTwips({288 + 12 + 100, 12 + 30}, scroll);
    EXPECT_EQ(twips, QPoint(1500, 1200));
    EXPECT_EQ(grid.toViewport(QRect(twips, QSize(1, 1)), scroll).topLeft(),
              QPoint(288 + 12 + 100, 12 + 30));
}

TEST(TileGrid, scrollToShow_bringsTheCaretIntoView_withRoomAroundIt)
{
    TileGrid grid;
    grid.layOut(6000, 90000, 1000, false); // 1/15 pixel per twip, 288 pixels left margin
    const QSize viewport(1000, 600);
    const QPoint scroll(0, 1500);
    // A caret of 20 pixels at document pixel (100, y), i.e. viewport y + 12 - scroll.
    const auto caretAt = [](int y) { return QRect(1500, y * 15, 15, 300); };
    EXPECT_EQ(grid.scrollToShow(caretAt(1700), scroll, viewport), scroll) << "already shown";
    // Below: its bottom plus the room ends on the last row of the viewport.
    EXPECT_EQ(grid.scrollToShow(caretAt(2500), scroll, viewport),
              QPoint(0, 2500 + 12 + 20 + 12 - 600));
    // Above: its top less the room starts at the viewport's top.
    EXPECT_EQ(grid.scrollToShow(caretAt(1000), scroll, viewport), QPoint(0, 1000 + 12 - 12));
    // Taller than the viewport: nothing to gain by scrolling down.
    EXPECT_EQ(grid.scrollToShow(QRect(1500, 1600 * 15, 15, 900 * 15), scroll, viewport), scroll);
}

TEST(TileGrid, missingTiles_areAskedForOnce_andStaleOnesAgain)
{
    TileGrid grid;
    grid.layOut(12240, 158400, 800, true);
    const QRect range(QPoint(0, 0), QPoint(1, 1));
    EXPECT_EQ(grid.takeMissing(range).size(), 4);
    EXPECT_TRUE(grid.takeMissing(range).isEmpty()) << "pending tiles are not asked for twice";

    QImage drawn(Tile, Tile, QImage::Format_ARGB32_Premultiplied);
    for (const QPoint tile : {QPoint(0, 0), QPoint(1, 0), QPoint(0, 1), QPoint(1, 1)})
        grid.store(tile, grid.generation(), drawn);
    EXPECT_TRUE(grid.takeMissing(range).isEmpty());

    // A change in the second tile of the first row only.
    grid.invalidate(QRect(5000, 100, 200, 200));
    EXPECT_EQ(grid.takeMissing(range), QList<QPoint>{QPoint(1, 0)});
    EXPECT_FALSE(grid.tile({1, 0}).image.isNull()) << "a stale tile shows until redrawn";

    grid.invalidateAll();
    EXPECT_EQ(grid.takeMissing(range).size(), 3) << "the pending one is not asked for again";
}

// An edit invalidates the tiles it changed, in view and beyond; LibreOffice often invalidates
// the same area again while the tiles are on their way. The engine sends what LibreOffice reported
// before it draws a tile, so a tile that arrives after an invalidation already shows it.
TEST(TileGrid, editsTiles_areAskedForOnceEach_inViewOnly)
{
    TileGrid grid;
    grid.layOut(12240, 158400, 800, true);
    const auto rows = [&](int first, int last) {
        return QRect(QPoint(0, grid.tileTwips({0, first}).top() + 10),
                     QPoint(12240, grid.tileTwips({0, last}).bottom() - 10));
    };
    const QRect view(QPoint(0, 0), QPoint(2, 2));
    QImage drawn(Tile, Tile, QImage::Format_ARGB32_Premultiplied);
    for (int row = 0; row <= 5; ++row) // the view and three rows below, drawn while scrolling
        for (int column = 0; column <= 2; ++column) {
            grid.takeMissing(QRect(column, row, 1, 1));
            grid.store({column, row}, grid.generation(), drawn);
        }

    // Rows 1 to 4 change; rows 0 and 5 stay valid.
    grid.invalidate(rows(1, 4));
    const QList<QPoint> asked = grid.takeMissing(view);
    EXPECT_EQ(asked, (QList<QPoint>{{0, 1}, {1, 1}, {2, 1}, {0, 2}, {1, 2}, {2, 2}}));
    grid.invalidate(rows(1, 2));
    EXPECT_TRUE(grid.takeMissing(view).isEmpty()) << "a pending tile is not asked for twice";

    for (const QPoint tile : asked)
        grid.store(tile, grid.generation(), drawn);
    EXPECT_TRUE(grid.isCurrent(view));
    EXPECT_TRUE(grid.takeMissing(view).isEmpty()) << "what arrived is not asked for again";
    EXPECT_EQ(grid.takeMissing(QRect(QPoint(0, 3), QPoint(2, 5))).size(), 6)
        << "the changed tiles below the view wait until scrolled to";
}

TEST(TileGrid, tileTheEngineCouldNotDraw_keepsWhatWasThere)
{
    TileGrid grid;
    grid.layOut(12240, 158400, 800, true);
    QImage drawn(Tile, Tile, QImage::Format_ARGB32_Premultiplied);
    drawn.fill(Qt::red);
    grid.store({0, 0}, grid.generation(), drawn);
    grid.invalidateAll();
    grid.takeMissing(QRect(0, 0, 1, 1));
    EXPECT_FALSE(grid.store({0, 0}, grid.generation(), QImage()));
    EXPECT_EQ(grid.tile({0, 0}).image.pixelColor(0, 0), QColor(Qt::red));
    EXPECT_FALSE(grid.tile({0, 0}).pending);
}

TEST(TileGrid, prune_dropsFarTiles_butKeepsPendingAndNearOnes)
{
    TileGrid grid;
    grid.layOut(12240, 158400, 800, true);
    QImage drawn(Tile, Tile, QImage::Format_ARGB32_Premultiplied);
    for (int row = 0; row < 40; ++row)
        grid.store({0, row}, grid.generation(), drawn);
    grid.takeMissing(QRect(1, 39, 1, 1)); // asked for, far away
    grid.prune(QRect(0, 0, 1, 5), 10);
    EXPECT_EQ(grid.tileCount(), 6);
    EXPECT_TRUE(grid.tile({1, 39}).pending);
    EXPECT_FALSE(grid.tile({0, 4}).image.isNull());

    grid.prune(QRect(0, 0, 1, 1), 10);
    EXPECT_EQ(grid.tileCount(), 6) << "nothing goes while there are few tiles";
}

TEST(TileGrid, scrollKeeping_putsTheSamePointUnderTheAnchor_atAnyScale)
{
    TileGrid grid;
    grid.layOutAt(12240, 31680, 800, 1.0 / 15);
    const QPoint anchor(400, 300);
    const QPoint scroll(0, 500);
    const QPoint twips = grid.toTwips(anchor, scroll);
    for (const double scale : {2.0 / 15, 0.5 / 15, 4.0 / 15}) {
        grid.layOutAt(12240, 31680, 800, scale);
        const QPoint kept = grid.scrollKeeping(twips, anchor);
        EXPECT_LE((grid.toTwips(anchor, kept) - twips).manhattanLength(), int(2 / scale)) << scale;
    }
}

TEST(TileGrid, drawnTiles_keepTheirTwips_andCurrentMeansDrawnAndFresh)
{
    TileGrid grid;
    grid.layOutAt(12240, 15840, 800, 1.0 / 15);
    const QRect range(0, 0, 2, 1);
    EXPECT_FALSE(grid.isCurrent(range));
    QImage drawn(Tile, Tile, QImage::Format_ARGB32_Premultiplied);
    grid.takeMissing(range);
    grid.store({0, 0}, grid.generation(), drawn);
    EXPECT_FALSE(grid.isCurrent(range)) << "one tile of two";
    grid.store({1, 0}, grid.generation(), drawn);
    EXPECT_TRUE(grid.isCurrent(range));
    grid.invalidate({0, 0, 10, 10});
    EXPECT_FALSE(grid.isCurrent(range)) << "a stale tile";

    const auto tiles = grid.drawnTiles();
    ASSERT_EQ(tiles.size(), 2);
    for (const auto &[twips, image] : tiles)
        EXPECT_TRUE(twips == grid.tileTwips({0, 0}) || twips == grid.tileTwips({1, 0}));

    grid.layOutAt(12240, 15840, 800, 2.0 / 15); // zoomed: the tiles go
    EXPECT_EQ(grid.tileCount(), 0);
    EXPECT_TRUE(grid.drawnTiles().isEmpty());
}

} // namespace
