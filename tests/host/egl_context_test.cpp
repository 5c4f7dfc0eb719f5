// Real OpenGL without a display: needs an EGL implementation (Mesa's
// surfaceless platform with llvmpipe will do); skipped when none can be made.
#include "egl_context.h"

#include <GL/gl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

namespace {

// Both ways of drawing off screen: framebuffer object (preferred) and pbuffer.
class EglContextTest : public ::testing::TestWithParam<EglTarget> {
protected:
    static constexpr int Width = 64;
    static constexpr int Height = 48;

    void SetUp() override {
        std::string error;
        context = EglContext::create(Width, Height, &error, GetParam());
        if (!context) GTEST_SKIP() << error;
        ASSERT_EQ(error.size(), 0u);
        if (GetParam() == EglTarget::Pbuffer) {
            EXPECT_FALSE(context->usesFramebufferObject());
        }
        glViewport(0, 0, Width, Height);
    }

    RgbImage read() {
        RgbImage image;
        std::string error;
        EXPECT_TRUE(context->readPixels(&image, &error)) << error;
        return image;
    }

    static void expectPixel(const RgbImage& image, int x, int y, int r, int g, int b) {
        const std::uint8_t* p = image.at(x, y);
        EXPECT_NEAR(p[0], r, 1) << "at " << x << "," << y;
        EXPECT_NEAR(p[1], g, 1) << "at " << x << "," << y;
        EXPECT_NEAR(p[2], b, 1) << "at " << x << "," << y;
    }

    std::unique_ptr<EglContext> context;
};

TEST_P(EglContextTest, ClearReadBackAndWritePng) {
    std::printf("%s\n", context->description().c_str());
    glClearColor(0.2f, 0.4f, 0.6f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glFlush();
    RgbImage image = read();
    ASSERT_EQ(image.width, Width);
    ASSERT_EQ(image.height, Height);
    expectPixel(image, 0, 0, 51, 102, 153);
    expectPixel(image, Width - 1, Height - 1, 51, 102, 153);

    const std::string path = ::testing::TempDir() + "halvorn_egl_clear_" + std::to_string(::getpid()) + ".png";
    std::string error;
    ASSERT_TRUE(writePng(path, image, &error)) << error;
    RgbImage back;
    ASSERT_TRUE(readPng(path, &back, &error)) << error;
    EXPECT_EQ(back.pixels, image.pixels);
    std::remove(path.c_str());
}

// The renderer's way of drawing: OpenGL 1.1 immediate mode compiled into a
// display list, fixed-function matrices, depth test.
TEST_P(EglContextTest, DisplayListTriangleAndDepthTest) {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-1, 1, -1, 1, -10, 10);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LESS);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);

    // A red triangle over the top half only: the read-back picture must show
    // it at the top, so rows come top-down.
    const GLuint list = glGenLists(1);
    ASSERT_NE(list, 0u);
    glNewList(list, GL_COMPILE);
    glBegin(GL_TRIANGLES);
    glColor3f(1, 0, 0);
    glVertex3f(-1.0f, 0.1f, 0.0f);
    glVertex3f(3.0f, 0.1f, 0.0f);
    glVertex3f(-1.0f, 4.0f, 0.0f);
    glEnd();
    glEndList();
    glCallList(list);

    // A green square in the middle, drawn later but farther away: with this
    // projection z = -5 lies behind the triangle's z = 0, so only a working
    // depth buffer keeps the triangle in front where the two overlap.
    glBegin(GL_QUADS);
    glColor3f(0, 1, 0);
    glVertex3f(-0.5f, -0.5f, -5.0f);
    glVertex3f(0.5f, -0.5f, -5.0f);
    glVertex3f(0.5f, 0.5f, -5.0f);
    glVertex3f(-0.5f, 0.5f, -5.0f);
    glEnd();
    glFlush();
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));

    RgbImage image = read();
    expectPixel(image, 2, 2, 255, 0, 0);                       // top left: triangle
    expectPixel(image, 2, Height - 3, 0, 0, 0);                // bottom left: clear colour
    expectPixel(image, Width / 2, Height / 2 + 6, 0, 255, 0);  // lower middle: square
    expectPixel(image, Width / 2, Height / 2 - 6, 255, 0, 0);  // upper middle: triangle wins by depth
    glDeleteLists(list, 1);
}

INSTANTIATE_TEST_SUITE_P(Targets, EglContextTest, ::testing::Values(EglTarget::Any, EglTarget::Pbuffer),
                         [](const ::testing::TestParamInfo<EglTarget>& info) {
                             return info.param == EglTarget::Any ? std::string("Any") : std::string("Pbuffer");
                         });

TEST(EglContextSize, InvalidSizeIsAnError) {
    std::string error;
    EXPECT_EQ(EglContext::create(0, 10, &error), nullptr);
    EXPECT_EQ(error.rfind("egl: ", 0), 0u) << error;
}

}  // namespace
