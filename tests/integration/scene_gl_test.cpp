// The real renderer drawing the running battle (EGL without a display; Mesa's
// llvmpipe will do). Skipped where no OpenGL context can be made.
//
// The battle is deterministic for a given seed and frame time, and so is the
// software rasteriser, so every frame checked here is the same on every run.
// To keep the checks from depending on where the camera happens to wander,
// the frames that judge colours are drawn from a chosen eye: next to a chosen
// ship or bolt, or far outside the battle looking at the sky. Those views
// look towards +z, away from the sun (which stands at -z from every eye), so
// neither the sun nor its glare covers the thing judged.
#define GL_GLEXT_PROTOTYPES 1
#include <GL/gl.h>
#include <GL/glext.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>

#include "gl_battle.h"
#include "render/backdrop_lists.h"
#include "render/scene.h"
#include "render/textures.h"
#include "sim/battle.h"
#include "sim/settings.h"
#include "sim/ship.h"
#include "sim/shot.h"
#include "sim/world.h"
#include "view/camera.h"

namespace {

const Vector3 Up = {0.0f, 1.0f, 0.0f};

Vector3 plus(const Vector3& a, const Vector3& b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
Vector3 times(const Vector3& a, float s) { return {a.x * s, a.y * s, a.z * s}; }

// Keeps the picture when the test has failed so far (or always, with the
// environment variable HALVORN_KEEP_PICTURES set), for a look with an image viewer.
void keep(const RgbImage& image, const std::string& name) {
    if (!::testing::Test::HasFailure() && !std::getenv("HALVORN_KEEP_PICTURES")) return;
    std::string error;
    const std::string path = ::testing::TempDir() + "halvorn_integration_" + name + ".png";
    if (writePng(path, image, &error)) {
        std::printf("picture kept as %s\n", path.c_str());
    }
}

class SceneGlTest : public ::testing::Test {
protected:
    // False, with skipReason set, when no context can be made.
    bool start(const BattleSetup& setup) { return gl.start(setup, &skipReason); }

    // Runs whole frames until ready() holds (at most `limit` frames).
    template <typename Ready>
    bool runUntil(Ready ready, int limit) {
        for (int k = 0; k < limit; ++k) {
            if (ready()) return true;
            gl.frame();
        }
        return ready();
    }

    GlBattle gl;
    std::string skipReason;
};

// Looks at ship `side`'s first living ship from 110 units off, towards +z.
RgbImage shipPicture(GlBattle& gl, int side) {
    gl.step();
    const Ship* ship = firstAliveShip(side);
    if (!ship) return RgbImage();
    gl.aim(plus(ship->position, Vector3{0.0f, 25.0f, -110.0f}), ship->position, Up);
    gl.drawAndFlush();
    return gl.read();
}

// Looks at the middle of a bolt from 50 units off, square to its flight and
// towards +z. Null picture when no bolt of that colour flies.
RgbImage boltPicture(GlBattle& gl, int channel) {
    gl.step();
    const ShotClass* shot = firstShotOfColour(channel);
    if (!shot) return RgbImage();
    const float* m = shot->modelMatrix.m;
    const Vector3 along = {m[0], m[1], m[2]};
    const Vector3 middle = plus(Vector3{m[12], m[13], m[14]}, times(along, 20.0f));
    Vector3 side = {-along.z, 0.0f, along.x};  // along x (0, 1, 0)
    const float length = std::sqrt(side.x * side.x + side.z * side.z);
    side = length > 1e-3f ? times(side, 1.0f / length) : Vector3{1.0f, 0.0f, 0.0f};
    if (side.z > 0.0f) side = times(side, -1.0f);
    gl.aim(plus(middle, times(side, 50.0f)), middle, Up);
    gl.drawAndFlush();
    return gl.read();
}

}  // namespace

TEST_F(SceneGlTest, RunningBattleFramesAreNotBlank) {
    if (!start(BattleSetup{})) GTEST_SKIP() << skipReason;
    for (int k = 0; k < 60; ++k) gl.frame();
    const RgbImage image = gl.read();
    ASSERT_EQ(image.width, 320);
    const PixelCensus c = census(image);
    // The start view looks at the battle from outside: ships, stars, bolts.
    EXPECT_GT(c.lit, 200);
    EXPECT_GT(c.grey, 100);
    keep(image, "battle");
}

// Seen from close by, a ship of either side is mostly grey: red, green and
// blue close together (the yellow sun light lowers blue a little), mid-level.
TEST_F(SceneGlTest, ShipsOfBothSidesAreMidGrey) {
    if (!start(BattleSetup{})) GTEST_SKIP() << skipReason;
    for (int k = 0; k < 5; ++k) gl.frame();
    for (int side = 0; side < 2; ++side) {
        SCOPED_TRACE(side);
        const RgbImage image = shipPicture(gl, side);
        ASSERT_GT(image.width, 0) << "no living ship";
        const PixelCensus c = census(image, 80, 60, 240, 180);
        SCOPED_TRACE(describe(c));
        EXPECT_GT(c.lit, 1000);
        EXPECT_GT(c.grey, c.lit * 6 / 10);
        EXPECT_GT(c.greyMean, 40.0);
        EXPECT_LT(c.greyMean, 200.0);
        keep(image, "ship" + std::to_string(side));
    }
}

// Side 0 fires green bolts, side 1 red ones; each is drawn in its colour.
TEST_F(SceneGlTest, BoltsOfSideZeroAreGreenAndOfSideOneRed) {
    if (!start(BattleSetup{})) GTEST_SKIP() << skipReason;
    ASSERT_TRUE(runUntil([] { return firstShotOfColour(0) && firstShotOfColour(1); }, 300)) << "no bolts of both sides";
    for (int channel : {1, 0}) {
        SCOPED_TRACE(channel == 1 ? "green" : "red");
        const RgbImage image = boltPicture(gl, channel);
        ASSERT_GT(image.width, 0) << "the bolt is gone";
        const PixelCensus c = census(image, 0, 80, 320, 160);
        SCOPED_TRACE(describe(c));
        const int own = channel == 1 ? c.green : c.red;
        const int other = channel == 1 ? c.red : c.green;
        EXPECT_GT(own, 300);
        EXPECT_GT(own, 4 * other);
        keep(image, channel == 1 ? "bolt_green" : "bolt_red");
    }
}

// Far outside the battle, looking away from it and from the sun: only the
// star cube is in view, small bright grey points on black.
TEST_F(SceneGlTest, StarsAreSmallBrightGreyPointsOnBlack) {
    if (!start(BattleSetup{})) GTEST_SKIP() << skipReason;
    gl.step();
    gl.aim(Vector3{0.0f, 0.0f, 8000.0f}, Vector3{0.0f, 0.0f, 9000.0f}, Up);
    gl.drawAndFlush();
    const RgbImage image = gl.read();
    const PixelCensus c = census(image);
    const int pixels = image.width * image.height;
    int black = 0;
    for (int i = 0; i < pixels; ++i) {
        const std::uint8_t* p = &image.pixels[static_cast<std::size_t>(i) * 3];
        if (p[0] < 16 && p[1] < 16 && p[2] < 16) ++black;
    }
    SCOPED_TRACE(describe(c));
    EXPECT_GT(black, pixels * 9 / 10);
    EXPECT_GT(c.lit, 40);
    EXPECT_LT(c.lit, pixels / 50);
    EXPECT_GT(c.grey, c.lit * 9 / 10);
    EXPECT_LE(largestBrightBlob(image, 47), 12);
    keep(image, "sky");
}

// The letterbox band of a 1024 x 768 window: the viewport (0, 166, 1024, 435)
// with the aspect 2.35, black rows above and below it, picture inside it up to
// its edges.
TEST_F(SceneGlTest, LetterboxLeavesBlackRowsAboveAndBelowTheBand) {
    BattleSetup setup;
    setup.width = 1024;
    setup.height = 768;
    setup.letterbox = true;
    if (!start(setup)) GTEST_SKIP() << skipReason;
    for (int k = 0; k < 20; ++k) gl.frame();

    GLint viewport[4] = {0, 0, 0, 0};
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[0], 0);
    EXPECT_EQ(viewport[1], 166);
    EXPECT_EQ(viewport[2], 1024);
    EXPECT_EQ(viewport[3], 435);
    GLfloat projection[16];
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    EXPECT_NEAR(projection[5] / projection[0], 2.35, 1e-4);

    const RgbImage image = gl.read();
    ASSERT_EQ(image.height, 768);
    // Rows counted from the top: the band is rows 167 to 601.
    auto litInRows = [&](int first, int last) {
        int lit = 0;
        for (int y = first; y <= last; ++y) {
            for (int x = 0; x < image.width; ++x) {
                const std::uint8_t* p = image.at(x, y);
                if (p[0] | p[1] | p[2]) ++lit;
            }
        }
        return lit;
    };
    EXPECT_EQ(litInRows(0, 166), 0);
    EXPECT_EQ(litInRows(602, 767), 0);
    EXPECT_GT(litInRows(167, 176), 0);
    EXPECT_GT(litInRows(592, 601), 0);
    EXPECT_GT(litInRows(167, 601), 1000);
    keep(image, "letterbox");
}

namespace {

// Primitives the GL generates (before clipping and culling) while draw runs.
template <typename Draw>
GLuint primitivesOf(Draw draw) {
    GLuint query = 0;
    glGenQueries(1, &query);
    glBeginQuery(GL_PRIMITIVES_GENERATED, query);
    draw();
    glEndQuery(GL_PRIMITIVES_GENERATED);
    GLuint count = 0;
    glGetQueryObjectuiv(query, GL_QUERY_RESULT, &count);
    glDeleteQueries(1, &query);
    return count;
}

GLuint primitivesOfList(GLuint id) {
    return primitivesOf([id] {
        glPushMatrix();
        glCallList(id);
        glPopMatrix();
    });
}

GLint boundTextureAfterList(GLuint id) {
    glBindTexture(GL_TEXTURE_2D, 0);
    glCallList(id);
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    return bound;
}

}  // namespace

// A restart compiles lists 1 to 10 again under their ids, and the texture
// lists 14 and 15, made once per context, keep binding the star and sun
// textures: the sky after the restart is still textured with stars.
TEST_F(SceneGlTest, RestartRebuildsTheListsAndKeepsTheTextureListsWorking) {
    if (!start(BattleSetup{})) GTEST_SKIP() << skipReason;
    for (int k = 0; k < 10; ++k) gl.frame();

    // Empty the battle's lists, so that only a rebuild fills them again.
    const GLuint rebuilt[] = {1, 2, 3, 4, 6, 7, 8, 9, 10};
    for (GLuint id : rebuilt) {
        glNewList(id, GL_COMPILE);
        glEndList();
        ASSERT_EQ(primitivesOfList(id), 0u) << id;
    }
    const unsigned made = battle.ShipsMade;
    battle.FrameCounter = BattleMaxFrames;  // the next step is one past the limit
    gl.frame();
    EXPECT_EQ(battle.FrameCounter, 0);
    EXPECT_EQ(battle.ShipsMade, made + 13);
    ASSERT_NE(battle.TheWorld, nullptr);
    EXPECT_EQ(battle.TheWorld->count, 13);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));

    for (GLuint id : rebuilt) {
        EXPECT_TRUE(glIsList(id)) << id;
        EXPECT_GT(primitivesOfList(id), 0u) << id;
    }
    EXPECT_EQ(primitivesOfList(6), 8u);   // the bolt prism
    EXPECT_EQ(primitivesOfList(10), 8u);  // the beam prism
    EXPECT_TRUE(glIsList(14));
    EXPECT_TRUE(glIsList(15));
    EXPECT_EQ(boundTextureAfterList(14), static_cast<GLint>(TextureNames[1]));
    EXPECT_EQ(boundTextureAfterList(15), static_cast<GLint>(TextureNames[0]));

    gl.step();
    gl.aim(Vector3{0.0f, 0.0f, 8000.0f}, Vector3{0.0f, 0.0f, 9000.0f}, Up);
    gl.drawAndFlush();
    const RgbImage image = gl.read();
    const PixelCensus c = census(image);
    EXPECT_GT(c.lit, 40);
    EXPECT_GT(c.grey, c.lit * 9 / 10);
    keep(image, "restart_sky");
}

// The backdrop draws only the faces and the sun whose boxes pass the view
// volume, wherever the eye is: looking along an axis, exactly the face ahead;
// the sun (and the move of light 2 that comes with it) only towards -z.
TEST_F(SceneGlTest, BackdropDrawsOnlyTheFacesAndTheSunInView) {
    if (!start(BattleSetup{})) GTEST_SKIP() << skipReason;
    gl.frame();
    const GLuint face = primitivesOfList(static_cast<GLuint>(StarFaceList));
    const GLuint sun = primitivesOfList(7);
    ASSERT_GT(face, 0u);
    ASSERT_GT(sun, 0u);

    const Vector3 eye = {3000.0f, -2000.0f, 5000.0f};
    struct Look {
        Vector3 direction, up;
        bool sun;
    };
    const Look looks[] = {
        {{0, 0, -1}, {0, 1, 0}, true},  {{0, 0, 1}, {0, 1, 0}, false}, {{1, 0, 0}, {0, 1, 0}, false},
        {{-1, 0, 0}, {0, 1, 0}, false}, {{0, 1, 0}, {0, 0, 1}, false}, {{0, -1, 0}, {0, 0, 1}, false},
    };
    const GLfloat marker[4] = {1.0f, 2.0f, 3.0f, 1.0f};
    for (const Look& look : looks) {
        SCOPED_TRACE(testing::Message() << look.direction.x << "," << look.direction.y << "," << look.direction.z);
        gl.aim(eye, plus(eye, times(look.direction, 100.0f)), look.up);
        glPushMatrix();
        glLoadIdentity();
        glLightfv(GL_LIGHT2, GL_POSITION, marker);
        glPopMatrix();
        const GLuint drawn = primitivesOf([] {
            glDepthMask(GL_FALSE);
            glPushMatrix();
            drawBackdrop();
            glPopMatrix();
            glDepthMask(GL_TRUE);
        });
        EXPECT_EQ(drawn, face + (look.sun ? sun : 0u));
        GLfloat light2[4];
        glGetLightfv(GL_LIGHT2, GL_POSITION, light2);
        const bool moved = light2[0] != marker[0] || light2[1] != marker[1] || light2[2] != marker[2];
        EXPECT_EQ(moved, look.sun);
        EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    }
}

// The glare is drawn only while the sun's box is in view. Its element 4 always
// sits at the centre of the picture, so the centre shows whether it was drawn.
TEST_F(SceneGlTest, SunGlareOnlyWhileTheSunIsInView) {
    if (!start(BattleSetup{})) GTEST_SKIP() << skipReason;
    gl.frame();
    auto centreMinimum = [](const RgbImage& image) {
        int lowest = 255;
        for (int y = image.height / 2 - 1; y <= image.height / 2 + 1; ++y) {
            for (int x = image.width / 2 - 1; x <= image.width / 2 + 1; ++x) {
                const std::uint8_t* p = image.at(x, y);
                lowest = std::min(lowest, std::max({int(p[0]), int(p[1]), int(p[2])}));
            }
        }
        return lowest;
    };

    // Behind the battle, looking towards -z: the sun and its glare are in view.
    gl.step();
    gl.aim(Vector3{0.0f, 0.0f, -8000.0f}, Vector3{0.0f, 0.0f, -9000.0f}, Up);
    gl.drawAndFlush();
    const RgbImage towards = gl.read();
    EXPECT_GE(centreMinimum(towards), 40);
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));

    // Looking towards +z: no sun, no glare.
    gl.step();
    gl.aim(Vector3{0.0f, 0.0f, 8000.0f}, Vector3{0.0f, 0.0f, 9000.0f}, Up);
    gl.drawAndFlush();
    const RgbImage away = gl.read();
    EXPECT_LT(centreMinimum(away), 20);
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    keep(towards, "glare_towards");
    keep(away, "glare_away");
}
