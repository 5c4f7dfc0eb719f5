#include "fps_overlay.h"

#include <gtest/gtest.h>

#include <algorithm>

class FpsOverlayDraw : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        if (!overlay.init(&error)) GTEST_SKIP() << error;
    }
    FpsOverlay overlay;
};

TEST_F(FpsOverlayDraw, YellowOnBlackAtTheBottomLeft) {
    const int w = 640;
    const int h = 120;
    RgbImage image(w, h, 40, 80, 120);
    const std::string text = formatFpsLine(31, 32.0f, 13, 31);
    overlay.draw(&image, text);
    const int top = h - FpsOverlay::TopFromBottom;

    // Above the box: untouched.
    for (int x = 0; x < w; ++x) {
        const std::uint8_t* p = image.at(x, top - 1);
        ASSERT_TRUE(p[0] == 40 && p[1] == 80 && p[2] == 120) << x;
    }
    // Inside the box: black or yellow shades only, with real glyph pixels.
    int lit = 0;
    int boxRight = 0;
    for (int y = top; y < top + 13; ++y) {
        for (int x = 0; x < w; ++x) {
            const std::uint8_t* p = image.at(x, y);
            if (p[0] == 40 && p[1] == 80 && p[2] == 120) continue;
            ASSERT_EQ(p[2], 0) << x << "," << y;
            ASSERT_EQ(p[0], p[1]) << x << "," << y;
            if (p[0] > 200) ++lit;
            boxRight = std::max(boxRight, x + 1);
        }
    }
    EXPECT_GT(lit, 100);
    // Monospace at about 13 px: the text is several pixels per character wide.
    EXPECT_GT(boxRight, static_cast<int>(text.size()) * 5);
    EXPECT_LE(boxRight, w);
    // The bottom-left corner pixel of the first cell row is in the box.
    const std::uint8_t* corner = image.at(0, top);
    EXPECT_EQ(corner[2], 0);
}

TEST_F(FpsOverlayDraw, TinyPicturesAreClipped) {
    RgbImage tiny(16, 16, 1, 2, 3);
    overlay.draw(&tiny, formatFpsLine(1, 2.0f, 3, 4));
    // The box starts 20 px above the bottom, above the picture: some rows change, nothing crashes.
    EXPECT_EQ(tiny.pixels.size(), 16u * 16u * 3u);
    RgbImage empty;
    overlay.draw(&empty, "x");
    overlay.draw(nullptr, "x");
    EXPECT_FALSE(overlay.fontFile().empty());
}
