#include "core/tilegrid.h"
#include "core/zoomrules.h"

#include <gtest/gtest.h>

using framer::TileGrid;
using quillary::Zoom;

namespace {

TEST(ZoomSteps, nextStep_isTheNeighbourOnTheLadder_andStopsAtTheEnds)
{
    const struct
    {
        int percent;
        int direction;
        int next;
    } cases[] = {
        {100, 1, 110}, {100, -1, 90}, {163, 1, 175}, {163, -1, 150},
        {400, 1, 400}, {50, -1, 50},  {20, 1, 50},   {500, -1, 400},
    };
    for (const auto &c : cases)
        EXPECT_EQ(framer::nextZoomStep(c.percent, c.direction), c.next)
            << c.percent << " by " << c.direction;
}

struct ScaleCase
{
    const char *name;
    Zoom zoom;
    QSize page;
    QSize document;
    QSize viewport;
    double scale; // pixels per twip
};

void PrintTo(const ScaleCase &c, std::ostream *out)
{
    *out << c.name;
}

class ZoomScaleTest : public ::testing::TestWithParam<ScaleCase>
{
};

TEST_P(ZoomScaleTest, zoom_meansThisManyPixelsPerTwip)
{
    const ScaleCase &c = GetParam();
    EXPECT_NEAR(framer::zoomScale(c.zoom, c.page, c.document, c.viewport), c.scale, 1e-9);
}

const QSize LetterPage(12240, 15840);
const QSize TwoLetterPages(12240, 32256);

INSTANTIATE_TEST_SUITE_P(
    Scales, ZoomScaleTest,
    ::testing::Values(
        ScaleCase{
            "percentOfActualSize", Zoom::at(200), LetterPage, TwoLetterPages, {800, 600}, 2.0 / 15},
        ScaleCase{
            "fitWidth", Zoom::fitWidth(), LetterPage, TwoLetterPages, {816, 600}, 816.0 / 12240},
        // The height limits: 792 / 15840 is less than 816 / 12240.
        ScaleCase{"fitPage_byItsHeight",
                  Zoom::fitPage(),
                  LetterPage,
                  TwoLetterPages,
                  {816, 792},
                  792.0 / 15840},
        ScaleCase{"fitPage_byItsWidth",
                  Zoom::fitPage(),
                  LetterPage,
                  TwoLetterPages,
                  {408, 2000},
                  408.0 / 12240},
        ScaleCase{"fitPage_unknownPage_fitsTheWidth",
                  Zoom::fitPage(),
                  QSize(),
                  TwoLetterPages,
                  {816, 600},
                  816.0 / 12240},
        ScaleCase{"fitWidth_ofATinyDocument_atMostFourTimes",
                  Zoom::fitWidth(),
                  QSize(100, 100),
                  QSize(100, 100),
                  {2000, 2000},
                  4.0 / 15},
        ScaleCase{
            "noDocumentYet_actualSize", Zoom::fitWidth(), QSize(), QSize(), {800, 600}, 1.0 / 15}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(ZoomText, namesEachZoom_andReadsWhatTheUserTypes)
{
    EXPECT_EQ(framer::zoomText(Zoom::fitWidth()), QStringLiteral("适合宽度"));
    EXPECT_EQ(framer::zoomText(Zoom::fitPage()), QStringLiteral("适合页面"));
    EXPECT_EQ(framer::zoomText(Zoom::at(150)), QStringLiteral("150%"));

    const struct
    {
        QString typed;
        std::optional<Zoom> zoom;
    } cases[] = {
        {QStringLiteral("适合页面"), Zoom::fitPage()}, {QStringLiteral(" 120% "), Zoom::at(120)},
        {QStringLiteral("130"), Zoom::at(130)},        {QStringLiteral("80％"), Zoom::at(80)},
        {QStringLiteral("1000%"), Zoom::at(400)},      {QStringLiteral("10"), Zoom::at(50)},
        {QStringLiteral("0"), std::nullopt},           {QStringLiteral("大"), std::nullopt},
    };
    for (const auto &c : cases)
        EXPECT_EQ(framer::zoomFromText(c.typed), c.zoom) << c.typed.toStdString();
}

TEST(ZoomPercent, isTheScaleAgainstActualSize)
{
    EXPECT_EQ(framer::zoomPercent(TileGrid::ActualSize), 100);
    EXPECT_EQ(framer::zoomPercent(816.0 / 12240), 100);
    EXPECT_EQ(framer::zoomPercent(TileGrid::ActualSize * 1.75), 175);
}

} // namespace
