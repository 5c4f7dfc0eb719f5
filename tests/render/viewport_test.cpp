// Viewport and projection aspect of a window, full or letterboxed.
#include <gtest/gtest.h>

#include "render/scene.h"

namespace {

TEST(ViewportTest, FullWindowUsesEveryPixel) {
    const ViewportRect r = computeViewport(1024, 768, false);
    EXPECT_EQ(r.x, 0);
    EXPECT_EQ(r.y, 0);
    EXPECT_EQ(r.width, 1024);
    EXPECT_EQ(r.height, 768);
    EXPECT_FLOAT_EQ(static_cast<float>(r.aspect), 1024.0f / 768.0f);
}

TEST(ViewportTest, LetterboxIsACentredBandOfAspect235) {
    const ViewportRect r = computeViewport(1024, 768, true);
    EXPECT_EQ(r.x, 0);
    EXPECT_EQ(r.y, 166);
    EXPECT_EQ(r.width, 1024);
    EXPECT_EQ(r.height, 435);
    EXPECT_NEAR(r.aspect, 2.35, 1e-6);
}

TEST(ViewportTest, ZeroHeightCountsAsOnePixel) {
    const ViewportRect r = computeViewport(640, 0, false);
    EXPECT_EQ(r.height, 1);
    EXPECT_DOUBLE_EQ(r.aspect, 640.0);
}

}  // namespace
