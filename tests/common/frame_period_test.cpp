// The adaptive frame period of the one-shot timer.
#include <gtest/gtest.h>

#include "frame_period.h"

namespace {

// Runs one whole window of 61 frames of frameMs each.
void runWindow(FramePeriod& p, int frameMs) {
    for (int i = 0; i < 61; ++i) p.frameTook(frameMs);
}

}  // namespace

TEST(FramePeriod, StartsAtBasePeriodAndStaysThereWhileFramesAreOnTime) {
    FramePeriod p;
    EXPECT_EQ(p.periodMs(), 31);
    EXPECT_FALSE(p.slowMode());
    for (int w = 0; w < 5; ++w) runWindow(p, 39);  // 39 = 31 + 8 is not late
    EXPECT_EQ(p.periodMs(), 31);
    EXPECT_FALSE(p.slowMode());
}

TEST(FramePeriod, ReconsidersOnlyAfterTheSixtyFirstFrame) {
    FramePeriod p;
    for (int i = 0; i < 60; ++i) p.frameTook(50);
    EXPECT_EQ(p.periodMs(), 31);
    EXPECT_EQ(p.framesCounted(), 60);
    EXPECT_EQ(p.lateFrames(), 60);
    p.frameTook(50);
    // 61 frames of 50 ms summed and divided by 60: 3050 / 60 = 50, + 5.
    EXPECT_EQ(p.periodMs(), 55);
    EXPECT_TRUE(p.slowMode());
    EXPECT_EQ(p.framesCounted(), 0);
    EXPECT_EQ(p.lateFrames(), 0);
}

TEST(FramePeriod, SlowModeShrinksByAFifthBackToBase) {
    FramePeriod p;
    runWindow(p, 100);  // 6100 / 60 = 101 (truncated), + 5
    ASSERT_EQ(p.periodMs(), 106);
    ASSERT_TRUE(p.slowMode());
    // Fast frames now: 106 -> 84 -> 67 -> 53 -> 42 -> 33 -> 26, clamped to 31.
    const int expected[] = {84, 67, 53, 42, 33};
    for (int e : expected) {
        runWindow(p, 10);
        EXPECT_EQ(p.periodMs(), e);
        EXPECT_TRUE(p.slowMode());
    }
    runWindow(p, 10);
    EXPECT_EQ(p.periodMs(), 31);
    EXPECT_FALSE(p.slowMode());
    runWindow(p, 10);
    EXPECT_EQ(p.periodMs(), 31);
}

TEST(FramePeriod, LateCountBoundaryIsMoreThanTwenty) {
    FramePeriod exactly20;
    for (int i = 0; i < 20; ++i) exactly20.frameTook(40);  // 40 > 31 + 8: late
    for (int i = 0; i < 41; ++i) exactly20.frameTook(20);
    EXPECT_EQ(exactly20.periodMs(), 31);
    EXPECT_FALSE(exactly20.slowMode());

    FramePeriod twentyOne;
    for (int i = 0; i < 21; ++i) twentyOne.frameTook(40);
    for (int i = 0; i < 40; ++i) twentyOne.frameTook(20);
    // (21 * 40 + 40 * 20) / 60 + 5 = 1640 / 60 + 5 = 32.
    EXPECT_EQ(twentyOne.periodMs(), 32);
    EXPECT_TRUE(twentyOne.slowMode());
}

TEST(FramePeriod, LatenessIsJudgedAgainstTheCurrentPeriod) {
    FramePeriod p;
    runWindow(p, 60);  // 3660 / 60 + 5 = 66
    ASSERT_EQ(p.periodMs(), 66);
    // 70 ms frames are not late against 66 + 8: the period shrinks.
    runWindow(p, 70);
    EXPECT_EQ(p.periodMs(), 52);
    // Slow mode stays on and a new late burst recomputes from the sum.
    runWindow(p, 80);  // 80 > 52 + 8: late; 4880 / 60 + 5 = 86
    EXPECT_EQ(p.periodMs(), 86);
    EXPECT_TRUE(p.slowMode());
}

TEST(FramePeriod, HugeAndNegativeFrameTimesStayInRange) {
    FramePeriod p;
    for (int i = 0; i < 61; ++i) p.frameTook(MaxFrameTimeMs + 5);
    EXPECT_EQ(p.periodMs(), static_cast<int>(61LL * MaxFrameTimeMs / 60 + 5));
    FramePeriod q;
    for (int i = 0; i < 61; ++i) q.frameTook(-100);
    EXPECT_EQ(q.periodMs(), 31);
}

TEST(FrameTime, TickDifferenceWrapsAndClamps) {
    EXPECT_EQ(frameTimeBetween(1000u, 1031u), 31);
    EXPECT_EQ(frameTimeBetween(0xFFFFFFF0u, 0x0000000Fu), 31);  // counter wrapped
    EXPECT_EQ(frameTimeBetween(5u, 5u), 0);
    EXPECT_EQ(frameTimeBetween(0u, 3000000u), MaxFrameTimeMs);
    // Microseconds of the longest frame still fit an int.
    EXPECT_LE(static_cast<long long>(MaxFrameTimeMs) * 1000, 2147483647LL);
}
