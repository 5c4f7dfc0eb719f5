// The OpenGL ES 2.0 renderer against OpenGL 1.1: the same battle drawn by
// both, frame by frame, with the same generator and pictures that differ
// only by the rounding of lighting and texturing computed by other means.
// Skipped where no OpenGL or OpenGL ES context can be made.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "egl_context.h"
#include "gl_painter.h"
#include "render/drawing_paths.h"
#include "saver.h"
#include "sim/random.h"

namespace {

constexpr int Frames = 150;
constexpr int FrameMs = 31;

// A colour channel apart by at most this much is rounding: the lighting's
// sums taken in another order by the shader (0.16 % of the pixels, measured).
constexpr int Rounding = 1;

struct Case {
    const char* name;
    bool letterbox;
    bool batched;
    bool immediateDebris;  // debris stippled as it comes (unbatched only)
};

struct BattleRun {
    std::vector<RgbImage> pictures;
    std::vector<std::uint32_t> generator;  // randomState() after each frame
    std::string skipReason;
};

// The battle drawn through OpenGL 1.1 or ES 2.0; with loseAt >= 0 the ES
// context is lost before that frame and a new one made in its place.
BattleRun runBattle(const Case& c, bool gles2, int loseAt = -1) {
    BattleRun run;
    const int width = 400, height = c.letterbox ? 320 : 300;
    std::unique_ptr<EglContext> context =
        EglContext::create(width, height, &run.skipReason, EglTarget::Any, gles2 ? EglApi::Gles2 : EglApi::DesktopGl);
    if (!context) return run;
    GlPainter painter(gles2 ? gles2Backend() : gl11Backend());
    painter.batched = c.batched;
    painter.paths.lateDebris = !c.immediateDebris;
    SaverConfig config;
    config.settings.HVIsLetterBox = c.letterbox ? 1 : 0;
    config.settings.HVNumberAdditionalShips = 120;
    config.seed = 7;
    config.width = width;
    config.height = height;
    config.fixedFrameMs = FrameMs;
    config.painter = &painter;
    saverInit(config);
    if (!painter.error().empty()) {
        run.skipReason = painter.error();
        saverFree();
        return run;
    }
    std::uint32_t clock = 0;
    for (int k = 0; k < Frames; ++k) {
        if (k == loseAt) {
            saverContextLost();
            context.reset();
            context = EglContext::create(width, height, &run.skipReason, EglTarget::Any, EglApi::Gles2);
            if (!context || !saverContextRestored()) {
                ADD_FAILURE() << "no new context to draw in: " << run.skipReason;
                saverFree();
                return run;
            }
        }
        clock += FrameMs;
        saverDraw(clock);
        RgbImage picture;
        std::string error;
        EXPECT_TRUE(context->readPixels(&picture, &error)) << error;
        run.pictures.push_back(std::move(picture));
        run.generator.push_back(randomState());
    }
    saverFree();
    setDrawingPaths(DrawingPaths());
    return run;
}

int channelGap(const std::uint8_t* p, const std::uint8_t* q) {
    int gap = 0;
    for (int c = 0; c < 3; ++c) gap = std::max(gap, std::abs(p[c] - q[c]));
    return gap;
}

// Pixels of a beyond rounding from b with no pixel of about their colour
// within one pixel in b: a shape missing, added or moved by more than a pixel.
long unexplained(const RgbImage& a, const RgbImage& b) {
    long count = 0;
    for (int y = 0; y < a.height; ++y) {
        for (int x = 0; x < a.width; ++x) {
            if (channelGap(a.at(x, y), b.at(x, y)) <= Rounding) continue;
            bool found = false;
            for (int dy = -1; dy <= 1 && !found; ++dy) {
                for (int dx = -1; dx <= 1 && !found; ++dx) {
                    const int u = x + dx, v = y + dy;
                    if (u < 0 || v < 0 || u >= a.width || v >= a.height) continue;
                    found = channelGap(a.at(x, y), b.at(u, v)) <= 24;
                }
            }
            if (!found) ++count;
        }
    }
    return count;
}

class Gles2Renderer : public testing::TestWithParam<Case> {};

TEST_P(Gles2Renderer, DrawsTheBattleAsOpenGl11Does) {
    const Case& c = GetParam();
    const BattleRun reference = runBattle(c, false);
    if (!reference.skipReason.empty()) GTEST_SKIP() << reference.skipReason;
    const BattleRun es = runBattle(c, true);
    if (!es.skipReason.empty()) GTEST_SKIP() << es.skipReason;
    ASSERT_EQ(reference.pictures.size(), es.pictures.size());

    long differing = 0, beyondRounding = 0, pixels = 0, worstMoved = 0, moved = 0, lit = 0;
    for (std::size_t k = 0; k < es.pictures.size(); ++k) {
        SCOPED_TRACE(k);
        // The battle itself runs the same.
        ASSERT_EQ(reference.generator[k], es.generator[k]);
        const RgbImage& a = reference.pictures[k];
        const RgbImage& b = es.pictures[k];
        ASSERT_EQ(a.width, b.width);
        ASSERT_EQ(a.height, b.height);
        for (int y = 0; y < a.height; ++y) {
            for (int x = 0; x < a.width; ++x) {
                const int gap = channelGap(a.at(x, y), b.at(x, y));
                differing += gap > 0;
                beyondRounding += gap > Rounding;
                lit += std::max({b.at(x, y)[0], b.at(x, y)[1], b.at(x, y)[2]}) >= 48;
            }
        }
        pixels += static_cast<long>(a.width) * a.height;
        const long m = unexplained(a, b) + unexplained(b, a);
        moved += m;
        worstMoved = std::max(worstMoved, m);
    }
    std::printf(
        "%s, %d frames: %ld of %ld pixels differ (%.4f %%), %ld (%.4f %%) by more than %d levels; %ld (at most %ld "
        "in a frame) without a pixel of about their colour within one pixel\n",
        c.name, Frames, differing, pixels, 100.0 * differing / pixels, beyondRounding, 100.0 * beyondRounding / pixels,
        Rounding, moved, worstMoved);
    // Something is drawn at all.
    EXPECT_GT(lit, pixels / 100);
    // Rounding only: at most 0.05 % of the pixels beyond it, and in no frame
    // more than a few stray pixels without a like one within a pixel.
    EXPECT_LE(beyondRounding * 2000, pixels);
    EXPECT_LE(worstMoved, 6);
}

// A lost context replaced by a new one: the painter makes its objects again
// and the battle goes on as if nothing happened, picture for picture.
class Gles2ContextLoss : public testing::TestWithParam<Case> {};

TEST_P(Gles2ContextLoss, DrawsTheSameBattleInANewContext) {
    const Case& c = GetParam();
    const BattleRun kept = runBattle(c, true);
    if (!kept.skipReason.empty()) GTEST_SKIP() << kept.skipReason;
    const BattleRun lost = runBattle(c, true, Frames / 3);
    ASSERT_EQ(kept.pictures.size(), lost.pictures.size());
    EXPECT_EQ(kept.generator, lost.generator);
    for (std::size_t k = 0; k < kept.pictures.size(); ++k) {
        ASSERT_TRUE(kept.pictures[k].pixels == lost.pictures[k].pixels) << "frame " << k;
    }
}

// Flat shading with ES 3.0's flat varyings (each vertex lit once) and as on
// ES 2.0 (each corner lit as its triangle's last): the same lighting, so the
// same pictures up to llvmpipe's rounding of the two kinds of draw (measured
// over the 150 frames: 27 pixels, each one level apart in a channel).
TEST(Gles2FlatVaryings, DrawThePicturesOfOpenGlEs20) {
    const Case c{"batched", false, true, false};
    const BattleRun flat = runBattle(c, true);
    if (!flat.skipReason.empty()) GTEST_SKIP() << flat.skipReason;
    gles2AllowFlatVaryings(false);
    const BattleRun es20 = runBattle(c, true);
    gles2AllowFlatVaryings(true);
    ASSERT_EQ(flat.pictures.size(), es20.pictures.size());
    long differing = 0, pixels = 0;
    int worst = 0;
    for (std::size_t k = 0; k < flat.pictures.size(); ++k) {
        const RgbImage& a = flat.pictures[k];
        const RgbImage& b = es20.pictures[k];
        for (int y = 0; y < a.height; ++y) {
            for (int x = 0; x < a.width; ++x) {
                const int gap = channelGap(a.at(x, y), b.at(x, y));
                differing += gap > 0;
                worst = std::max(worst, gap);
            }
        }
        pixels += static_cast<long>(a.width) * a.height;
    }
    EXPECT_LE(worst, 1);
    EXPECT_LE(differing * 100000, pixels) << differing << " of " << pixels << " pixels differ";
}

INSTANTIATE_TEST_SUITE_P(Battles, Gles2Renderer,
                         testing::Values(Case{"batched", false, true, false},
                                         Case{"batched, letterbox", true, true, false},
                                         Case{"item by item, stippled debris", false, false, true}),
                         [](const testing::TestParamInfo<Case>& info) {
                             return std::string(info.param.letterbox ? "Letterbox" : "") +
                                    (info.param.batched ? "Batched" : "ItemByItemStippled");
                         });

INSTANTIATE_TEST_SUITE_P(Battles, Gles2ContextLoss,
                         testing::Values(Case{"batched", false, true, false},
                                         Case{"item by item, stippled debris", false, false, true}),
                         [](const testing::TestParamInfo<Case>& info) {
                             return std::string(info.param.batched ? "Batched" : "ItemByItemStippled");
                         });

}  // namespace
