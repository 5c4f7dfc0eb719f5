// The renderer's lists and textures in a real OpenGL context (EGL without a
// display; Mesa's software renderer will do). Skipped where no context can be made.
#include <GL/gl.h>
#include <GL/glu.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "egl_context.h"
#include "render/backdrop_lists.h"
#include "render/gl/gl_backend.h"
#include "render/gl_mesh_sink.h"
#include "render/meshes.h"
#include "render/textures.h"
#include "sim/display_lists.h"

namespace {

// The lists the battle build compiles (the texture-binding ones come with the textures).
const int SceneLists[] = {ListHexWingFighter,
                          ListHexWingFighterCockpit,
                          ListFourWingFighter,
                          ListFourWingFighterCockpit,
                          ListBolt,
                          ListSun,
                          ListStarTiles,
                          ListStarTile,
                          ListBeam};

class RenderGlTest : public ::testing::Test {
protected:
    static constexpr int Size = 64;

    void SetUp() override {
        std::string error;
        context = EglContext::create(Size, Size, &error);
        if (!context) GTEST_SKIP() << error;
        setGlBackend(&gl11Backend());
        glViewport(0, 0, Size, Size);
    }
    void TearDown() override { setGlBackend(nullptr); }

    // Grey level at the centre of the picture (red channel).
    int centre() {
        RgbImage image;
        std::string error;
        EXPECT_TRUE(context->readPixels(&image, &error)) << error;
        return image.at(Size / 2, Size / 2)[0];
    }

    std::unique_ptr<EglContext> context;
};

}  // namespace

TEST_F(RenderGlTest, LoadsTheEightTexturesAndTheirBindingLists) {
    loadTextures();
    ASSERT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    const int sizes[8] = {64, 256, 128, 128, 128, 128, 128, 128};
    for (int k = 0; k < 8; ++k) {
        ASSERT_TRUE(glIsTexture(TextureNames[k])) << k;
        glBindTexture(GL_TEXTURE_2D, TextureNames[k]);
        GLint w = 0, h = 0;
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &w);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &h);
        EXPECT_EQ(w, sizes[k]);
        EXPECT_EQ(h, sizes[k]);
    }
    EXPECT_TRUE(glIsList(ListBindStarTexture));
    EXPECT_TRUE(glIsList(ListBindSunTexture));

    // The star texture holds the picture's texels, bottom row first.
    std::vector<unsigned char> expected;
    ASSERT_TRUE(pictureSource().withPicture(113, [&](const BitmapDesc& d) { expected = bitmapToRgb(d); }));
    std::vector<unsigned char> texels(expected.size() + 16, 0xee);
    glBindTexture(GL_TEXTURE_2D, 0);
    glCallList(ListBindStarTexture);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, texels.data());
    texels.resize(expected.size());
    EXPECT_EQ(texels, expected);
}

TEST_F(RenderGlTest, CompilesEveryListWithoutErrors) {
    loadTextures();
    GLUquadric* quadric = gluNewQuadric();
    gluQuadricDrawStyle(quadric, GLU_FILL);
    gluQuadricOrientation(quadric, GLU_OUTSIDE);
    GlMeshSink sink(quadric);
    for (int id : {ListHexWingFighter, ListFourWingFighter, ListBolt, ListBeam}) {
        EXPECT_TRUE(compileShipList(id, sink));
    }
    compileSunList(sink);
    compileStarFaceLists(sink);
    for (int id : {ListFourWingFighterCockpit, ListHexWingFighterCockpit}) EXPECT_TRUE(compileShipList(id, sink));
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    for (int id : SceneLists) EXPECT_TRUE(glIsList(id)) << id;

    // Calling them leaves no error either (the sun list toggles blending and
    // moves light 2).
    glEnable(GL_LIGHTING);
    for (int id : SceneLists) {
        glPushMatrix();
        glCallList(id);
        glPopMatrix();
    }
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    gluDeleteQuadric(quadric);
}

// OpenGL's own culling agrees with the windings: from above, the upper wing
// plate shows its ridges (grey 0.37); from below, its underside (grey 0.3).
TEST_F(RenderGlTest, WingPlateCullingShowsTopFromAboveAndUndersideFromBelow) {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-40, 40, -40, 40, -100, 100);
    glMatrixMode(GL_MODELVIEW);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LESS);
    glEnable(GL_CULL_FACE);
    glDisable(GL_LIGHTING);
    glShadeModel(GL_FLAT);
    GlMeshSink sink(nullptr);

    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    emitWingPlate(sink);
    glFlush();
    EXPECT_NEAR(centre(), 94, 1);  // 0.37 of 255

    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    glRotatef(180, 1, 0, 0);  // now looking at it from below
    emitWingPlate(sink);
    glFlush();
    EXPECT_NEAR(centre(), 77, 1);  // 0.3 of 255
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}
