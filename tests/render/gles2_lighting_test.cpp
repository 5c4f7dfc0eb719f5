// The ES 2.0 backend's lighting against OpenGL 1.1's fixed function: one flat
// triangle lit under each case, drawn by both backends, must come out the
// same colour (within rounding). Skipped where no context can be made.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "egl_context.h"
#include "render/gl_api.h"
#include "render/gles2/gles2_backend.h"

namespace {

struct LightCase {
    const char* name;
    bool lighting;
    bool colorMaterial;
    int lights;               // how many of the three lights below are on
    float light0Position[4];  // eye coordinates (the model-view is the identity)
    float normal[3];          // not normalised by anyone, as without GL_NORMALIZE
    float color[4];
    float emission[4];
    float shininess;
};

const LightCase Cases[] = {
    {"directional light, highlight head-on",
     true,
     true,
     1,
     {0, 0, 1, 0},
     {0, 0, 1},
     {0.6f, 0.6f, 0.6f, 1},
     {0, 0, 0, 1},
     80},
    {"positional light to the side",
     true,
     true,
     1,
     {-250, 700, 200, 1},
     {0.3f, 0.8f, 0.52f},
     {0.7f, 0.5f, 0.3f, 1},
     {0, 0, 0, 1},
     80},
    {"light behind the face: ambient only",
     true,
     true,
     1,
     {0, 0, -1, 0},
     {0, 0, 1},
     {0.8f, 0.8f, 0.8f, 1},
     {0, 0, 0, 1},
     80},
    {"three coloured lights and emission",
     true,
     true,
     3,
     {-250, 700, 200, 1},
     {-0.2f, 0.3f, 0.93f},
     {0.5f, 0.6f, 0.7f, 1},
     {0.1f, 0.0f, 0.05f, 1},
     20},
    {"a normal of length one half", true, true, 1, {0, 0, 1, 0}, {0, 0, 0.5f}, {0.9f, 0.9f, 0.9f, 1}, {0, 0, 0, 1}, 10},
    {"material from glMaterial, not the colour",
     true,
     false,
     2,
     {100, 100, 300, 1},
     {0, 0.6f, 0.8f},
     {1, 0, 0, 1},
     {0, 0, 0, 1},
     5},
    {"lighting off", false, true, 1, {0, 0, 1, 0}, {0, 0, 1}, {0.25f, 0.5f, 0.75f, 1}, {0, 0, 0, 1}, 80},
};

constexpr int Size = 8;  // pixels

// Draws case c into the current context through the backend in use and reads the centre pixel.
std::vector<int> drawCase(const LightCase& c, EglContext& context) {
    static const float ambient[4] = {0.1f, 0.1f, 0.1f, 1}, ambient2[4] = {0.7f, 0.7f, 0.4f, 1};
    static const float diffuse0[4] = {0.5f, 0.3f, 0.3f, 1}, specular0[4] = {0.9f, 0.4f, 0.4f, 1};
    static const float diffuse1[4] = {0.3f, 0.3f, 0.5f, 1}, specular1[4] = {0.3f, 0.3f, 0.9f, 1};
    static const float position1[4] = {365, -365, 120, 1};
    static const float diffuse2[4] = {0.9f, 0.9f, 0.2f, 1}, specular2[4] = {1, 1, 0.3f, 1};
    static const float position2[4] = {-580, -160, -1000, 1};
    static const float materialSpecular[4] = {0.6f, 0.5f, 0.6f, 1};
    static const float materialAmbient[4] = {0.3f, 0.2f, 0.1f, 1}, materialDiffuse[4] = {0.2f, 0.7f, 0.4f, 1};
    glViewport(0, 0, Size, Size);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);
    glShadeModel(GL_FLAT);
    glLightfv(GL_LIGHT0, GL_AMBIENT, ambient);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, diffuse0);
    glLightfv(GL_LIGHT0, GL_SPECULAR, specular0);
    glLightfv(GL_LIGHT0, GL_POSITION, c.light0Position);
    glLightfv(GL_LIGHT1, GL_AMBIENT, ambient);
    glLightfv(GL_LIGHT1, GL_DIFFUSE, diffuse1);
    glLightfv(GL_LIGHT1, GL_SPECULAR, specular1);
    glLightfv(GL_LIGHT1, GL_POSITION, position1);
    glLightfv(GL_LIGHT2, GL_AMBIENT, ambient2);
    glLightfv(GL_LIGHT2, GL_DIFFUSE, diffuse2);
    glLightfv(GL_LIGHT2, GL_SPECULAR, specular2);
    glLightfv(GL_LIGHT2, GL_POSITION, position2);
    for (int i = 0; i < 3; ++i) {
        if (i < c.lights) {
            glEnable(GL_LIGHT0 + static_cast<GLenum>(i));
        } else {
            glDisable(GL_LIGHT0 + static_cast<GLenum>(i));
        }
    }
    glMaterialfv(GL_FRONT, GL_SPECULAR, materialSpecular);
    glMaterialfv(GL_FRONT, GL_EMISSION, c.emission);
    glMaterialfv(GL_FRONT, GL_AMBIENT, materialAmbient);
    glMaterialfv(GL_FRONT, GL_DIFFUSE, materialDiffuse);
    glMateriali(GL_FRONT, GL_SHININESS, static_cast<int>(c.shininess));
    glColorMaterial(GL_FRONT, GL_AMBIENT_AND_DIFFUSE);
    if (c.colorMaterial) {
        glEnable(GL_COLOR_MATERIAL);
    } else {
        glDisable(GL_COLOR_MATERIAL);
    }
    if (c.lighting) {
        glEnable(GL_LIGHTING);
    } else {
        glDisable(GL_LIGHTING);
    }
    glColor4fv(c.color);
    glNormal3fv(c.normal);
    glBegin(GL_TRIANGLES);
    glVertex3f(-1, -1, 0);
    glVertex3f(3, -1, 0);
    glVertex3f(-1, 3, 0);
    glEnd();
    glFlush();
    // With colour material on, glColor changed the material: put it back for the next case.
    glDisable(GL_COLOR_MATERIAL);
    RgbImage picture;
    std::string error;
    EXPECT_TRUE(context.readPixels(&picture, &error)) << error;
    const std::uint8_t* p = picture.at(Size / 2, Size / 2);
    return {p[0], p[1], p[2]};
}

TEST(Gles2Lighting, MatchesOpenGl11) {
    std::string error;
    std::vector<std::vector<int>> reference;
    {
        std::unique_ptr<EglContext> gl = EglContext::create(Size, Size, &error);
        if (!gl) GTEST_SKIP() << error;
        setGlBackend(nullptr);
        for (const LightCase& c : Cases) reference.push_back(drawCase(c, *gl));
    }
    std::unique_ptr<EglContext> es = EglContext::create(Size, Size, &error, EglTarget::Any, EglApi::Gles2);
    if (!es) GTEST_SKIP() << error;
    ASSERT_TRUE(gles2StartContext(&error)) << error;
    setGlBackend(&gles2Backend());
    for (std::size_t k = 0; k < std::size(Cases); ++k) {
        SCOPED_TRACE(Cases[k].name);
        const std::vector<int> got = drawCase(Cases[k], *es);
        for (int ch = 0; ch < 3; ++ch) EXPECT_NEAR(got[ch], reference[k][ch], 2) << "channel " << ch;
    }
    gles2StopContext();
    setGlBackend(nullptr);
}

}  // namespace
