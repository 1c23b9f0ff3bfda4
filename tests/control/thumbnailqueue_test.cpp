#include "core/thumbnailqueue.h"

#include <gtest/gtest.h>

using framer::ThumbnailQueue;

namespace {

TEST(ThumbnailSize, keepsTheSlidesProportions)
{
    const struct
    {
        QSize slide;
        int width;
        QSize size;
    } cases[] = {
        {{15875, 8930}, 140, {140, 79}},  // 16:9
        {{10800, 8100}, 140, {140, 105}}, // 4:3
        {{8100, 10800}, 100, {100, 133}}, // portrait
        {{100000, 10}, 140, {140, 1}},    // never less than a pixel high
        {{0, 8930}, 140, {}},
        {{15875, 8930}, 0, {}},
    };
    for (const auto &c : cases)
        EXPECT_EQ(framer::thumbnailSize(c.slide, c.width), c.size) << c.slide.width();
}

TEST(ThumbnailQueue, drawsOneAtATime_theOnesInSightFirst_thenTheRest)
{
    ThumbnailQueue queue;
    queue.reset(6);
    EXPECT_EQ(queue.takeNext(3, 4), 3);
    EXPECT_EQ(queue.takeNext(3, 4), std::nullopt) << "one is being drawn";
    EXPECT_TRUE(queue.arrived(3, queue.generation(), true));
    EXPECT_EQ(queue.takeNext(3, 4), 4);
    queue.arrived(4, queue.generation(), true);
    std::vector<int> rest;
    while (const auto slide = queue.takeNext(3, 4)) {
        rest.push_back(*slide);
        queue.arrived(*slide, queue.generation(), true);
    }
    EXPECT_EQ(rest, (std::vector<int>{0, 1, 2, 5}));
    for (int slide = 0; slide < 6; ++slide)
        EXPECT_TRUE(queue.isDrawn(slide)) << slide;
}

TEST(ThumbnailQueue, slideChangedWhileDrawn_isDrawnAgain_butShownMeanwhile)
{
    ThumbnailQueue queue;
    queue.reset(2);
    ASSERT_EQ(queue.takeNext(0, 1), 0);
    queue.invalidate(0);
    EXPECT_TRUE(queue.arrived(0, queue.generation(), true)) << "better than a blank";
    EXPECT_FALSE(queue.isDrawn(0));
    EXPECT_EQ(queue.takeNext(0, 1), 0);
}

TEST(ThumbnailQueue, thumbnailOfAnOlderDeck_isNotKept)
{
    ThumbnailQueue queue;
    queue.reset(3);
    ASSERT_EQ(queue.takeNext(0, 2), 0);
    const int old = queue.generation();
    queue.reset(3);
    EXPECT_FALSE(queue.arrived(0, old, true));
    EXPECT_FALSE(queue.isDrawn(0));
    EXPECT_EQ(queue.takeNext(0, 2), 0) << "the new deck is not held up by the old request";
}

TEST(ThumbnailQueue, failedThumbnail_isNotAskedForAgain_untilItsSlideChanges)
{
    ThumbnailQueue queue;
    queue.reset(2);
    ASSERT_EQ(queue.takeNext(0, 1), 0);
    EXPECT_FALSE(queue.arrived(0, queue.generation(), false));
    ASSERT_EQ(queue.takeNext(0, 1), 1);
    queue.arrived(1, queue.generation(), true);
    EXPECT_EQ(queue.takeNext(0, 1), std::nullopt);
    queue.invalidate(0);
    EXPECT_EQ(queue.takeNext(0, 1), 0);
}

} // namespace
