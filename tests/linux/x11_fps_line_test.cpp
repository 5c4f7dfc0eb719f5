// The frame-rate line as the window shows it: composed with the overlay's
// font (skipped without one) and drawn with real OpenGL into an off-screen
// EGL context (skipped without one).
#include "x11_fps_line.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include "egl_context.h"

namespace {

class FpsStripCompose : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        if (!overlay.init(&error)) GTEST_SKIP() << error;
    }
    FpsOverlay overlay;
};

// The strip's pixel at column x of its row counted from the bottom.
const std::uint8_t* stripAt(const FpsStrip& s, int x, int rowFromBottom) {
    return s.rgba.data() + (static_cast<std::size_t>(rowFromBottom) * s.width + x) * 4;
}

}  // namespace

TEST_F(FpsStripCompose, MatchesTheOverlayOnTheWindowsBottomRows) {
    const int w = 1280;
    const int h = 300;
    const std::string text = formatFpsLine(31, 31.9f, 13, 31);
    const FpsStrip strip = composeFpsStrip(overlay, text, w, h);
    ASSERT_EQ(strip.height, FpsOverlay::TopFromBottom);
    ASSERT_GT(strip.width, static_cast<int>(text.size()) * 5);
    ASSERT_LT(strip.width, w);
    ASSERT_EQ(strip.rgba.size(), static_cast<std::size_t>(strip.width) * strip.height * 4);

    // Over a grey picture the overlay leaves grey wherever the strip is
    // clear, and the strip's colour wherever it is opaque.
    RgbImage picture(w, h, 9, 9, 9);
    overlay.draw(&picture, text);
    int opaque = 0;
    for (int row = 0; row < strip.height; ++row) {
        const int y = h - 1 - row;
        for (int x = 0; x < strip.width; ++x) {
            const std::uint8_t* s = stripAt(strip, x, row);
            const std::uint8_t* p = picture.at(x, y);
            if (s[3] == 0) {
                ASSERT_TRUE(p[0] == 9 && p[1] == 9 && p[2] == 9) << x << "," << y;
            } else {
                ASSERT_EQ(s[3], 255);
                ASSERT_TRUE(s[0] == p[0] && s[1] == p[1] && s[2] == p[2]) << x << "," << y;
                ++opaque;
            }
        }
    }
    EXPECT_GT(opaque, strip.width * 10);
    // Nothing of the line lies right of the strip.
    for (int y = h - strip.height; y < h; ++y) {
        for (int x = strip.width; x < w; ++x) ASSERT_EQ(picture.at(x, y)[0], 9) << x << "," << y;
    }
}

TEST_F(FpsStripCompose, SmallWindowsAndNoText) {
    const std::string text = formatFpsLine(31, 31.9f, 13, 31);
    const FpsStrip low = composeFpsStrip(overlay, text, 200, 8);
    EXPECT_EQ(low.height, 8);
    EXPECT_LE(low.width, 200);
    const FpsStrip narrow = composeFpsStrip(overlay, text, 40, 100);
    EXPECT_EQ(narrow.width, 40);
    EXPECT_EQ(composeFpsStrip(overlay, "", 640, 480).width, 0);
    EXPECT_EQ(composeFpsStrip(overlay, text, 0, 480).width, 0);
    EXPECT_EQ(composeFpsStrip(FpsOverlay(), text, 640, 480).width, 0);
}

TEST(FpsStripDraw, LandsInTheBottomLeftCornerAndLeavesTheGlStateAsItWas) {
    const int w = 64;
    const int h = 40;
    std::string error;
    std::unique_ptr<EglContext> context = EglContext::create(w, h, &error);
    if (!context) GTEST_SKIP() << error;

    // State as the renderer leaves it after a letterboxed frame.
    glClearColor(0.0f, 0.0f, 1.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glViewport(0, 10, w, 20);
    glEnable(GL_SCISSOR_TEST);
    glScissor(30, 30, 4, 4);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_NEVER);
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    glBlendFunc(GL_ZERO, GL_ZERO);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 8);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-5.0, 5.0, -5.0, 5.0, 1.0, 2.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(3.0f, 4.0f, -50.0f);

    // Three columns, two rows: red and clear below, green, clear and yellow above.
    FpsStrip strip;
    strip.width = 3;
    strip.height = 2;
    strip.rgba = {255, 0, 0, 255, 0, 0, 0, 0, 255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 0, 0, 255, 255, 0, 255};
    drawFpsStrip(strip, w, h);
    glFlush();

    RgbImage image;
    ASSERT_TRUE(context->readPixels(&image, &error)) << error;
    auto expectPixel = [&](int x, int yFromBottom, int r, int g, int b) {
        const std::uint8_t* p = image.at(x, h - 1 - yFromBottom);
        EXPECT_TRUE(p[0] == r && p[1] == g && p[2] == b)
            << "at " << x << "," << yFromBottom << ": " << int(p[0]) << " " << int(p[1]) << " " << int(p[2]);
    };
    expectPixel(0, 0, 255, 0, 0);
    expectPixel(1, 0, 0, 0, 255);  // clear: the picture stays
    expectPixel(2, 0, 255, 0, 0);
    expectPixel(0, 1, 0, 255, 0);
    expectPixel(1, 1, 0, 0, 255);
    expectPixel(2, 1, 255, 255, 0);
    expectPixel(3, 0, 0, 0, 255);
    expectPixel(0, 2, 0, 0, 255);

    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[1], 10);
    EXPECT_EQ(viewport[3], 20);
    EXPECT_TRUE(glIsEnabled(GL_SCISSOR_TEST));
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_TRUE(glIsEnabled(GL_BLEND));
    EXPECT_FALSE(glIsEnabled(GL_ALPHA_TEST));
    GLint value = 0;
    glGetIntegerv(GL_DEPTH_FUNC, &value);
    EXPECT_EQ(value, GL_NEVER);
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &value);
    EXPECT_EQ(value, 8);
    glGetIntegerv(GL_MATRIX_MODE, &value);
    EXPECT_EQ(value, GL_MODELVIEW);
    GLfloat modelview[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, modelview);
    EXPECT_FLOAT_EQ(modelview[12], 3.0f);
    EXPECT_FLOAT_EQ(modelview[13], 4.0f);
    GLfloat projection[16];
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    EXPECT_FLOAT_EQ(projection[0], 0.2f);
    glGetIntegerv(GL_PROJECTION_STACK_DEPTH, &value);
    EXPECT_EQ(value, 1);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}
