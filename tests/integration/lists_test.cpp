// Merged ship lists against the plain ones in a busy battle: the battle runs
// the same, and the pictures differ only in single pixels here and there (a
// lit colour one step apart, a triangle clipped at the near plane, a depth
// tie). Skipped where no OpenGL context can be made.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "gl_battle.h"
#include "render/drawing_paths.h"
#include "sim/random.h"

namespace {

constexpr int Frames = 150;

struct BattleRun {
    std::vector<RgbImage> pictures;
    std::vector<std::uint32_t> generator;  // the generator's state after each frame
    std::string skipReason;
};

BattleRun runBattle(bool merged) {
    BattleRun run;
    BattleSetup setup;
    setup.paths.mergedLists = merged;
    setup.width = 400;
    setup.height = 300;
    setup.seed = 7;
    setup.ships = 120;
    setup.batched = false;  // the lists as the straightforward drawing calls them
    GlBattle gl;
    if (!gl.start(setup, &run.skipReason)) return run;
    for (int k = 0; k < Frames; ++k) {
        gl.frame();
        run.pictures.push_back(gl.read());
        run.generator.push_back(randomState());
    }
    return run;
}

// Pixels where some channel differs by more than `tolerance`.
long pixelsApart(const RgbImage& a, const RgbImage& b, int tolerance) {
    long count = 0;
    for (int y = 0; y < a.height; ++y) {
        for (int x = 0; x < a.width; ++x) {
            const std::uint8_t* p = a.at(x, y);
            const std::uint8_t* q = b.at(x, y);
            for (int c = 0; c < 3; ++c) {
                if (std::abs(p[c] - q[c]) > tolerance) {
                    ++count;
                    break;
                }
            }
        }
    }
    return count;
}

}  // namespace

TEST(ShipLists, MergedListsDrawTheSameBattle) {
    const BattleRun merged = runBattle(true);
    if (!merged.skipReason.empty()) GTEST_SKIP() << merged.skipReason;
    const BattleRun plain = runBattle(false);
    ASSERT_EQ(merged.pictures.size(), plain.pictures.size());
    EXPECT_EQ(merged.generator, plain.generator);

    long differing = 0;
    long apart = 0;
    long worstFrame = 0;
    long total = 0;
    for (std::size_t k = 0; k < merged.pictures.size(); ++k) {
        const long d = differingPixels(merged.pictures[k], plain.pictures[k]);
        ASSERT_GE(d, 0) << "frame " << k << " has no picture";
        differing += d;
        apart += pixelsApart(merged.pictures[k], plain.pictures[k], 2);
        worstFrame = std::max(worstFrame, d);
        total += static_cast<long>(merged.pictures[k].width) * merged.pictures[k].height;
    }
    std::printf("ship lists: %ld of %ld pixels differ (%ld by more than 2 steps), at most %ld in one frame\n",
                differing, total, apart, worstFrame);
    // This battle: 1 pixel in 100,000 or so, a handful per frame at most.
    EXPECT_LE(differing * 10000, total);
    EXPECT_LE(apart * 50000, total);
    EXPECT_LE(worstFrame, 40);
}

// The painter hands its paths to the renderer when it starts and puts the
// defaults back when it stops: one battle's choice does not outlive it.
TEST(DrawingPaths, ThePainterSetsThemForItsBattleOnly) {
    {
        BattleSetup setup;
        setup.paths.lateDebris = false;
        setup.paths.mergedLists = false;
        GlBattle gl;
        std::string reason;
        if (!gl.start(setup, &reason)) GTEST_SKIP() << reason;
        EXPECT_FALSE(drawingPaths().lateDebris);
        EXPECT_FALSE(drawingPaths().mergedLists);
    }
    EXPECT_TRUE(drawingPaths().lateDebris);
    EXPECT_TRUE(drawingPaths().mergedLists);
}
