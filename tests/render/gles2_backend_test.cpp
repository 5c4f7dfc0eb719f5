// The ES 2.0 backend against OpenGL 1.1's fixed function, call for call: the
// lighting of single flat triangles (the same colour within rounding), the
// matrices read back (bit for bit: the battle's culling reads them), and what
// a display list leaves behind and takes from its caller. Skipped where no
// context can be made.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "egl_context.h"
#include "render/gl/gl_api.h"
#include "render/gl/gl_backend.h"

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

// Runs `work` with OpenGL 1.1 into *gl, then with the ES backend into *es,
// each in a fresh Size x Size context. False with *skip set where a context
// cannot be made.
template <typename Result>
bool onBothBackends(const std::function<Result(EglContext&)>& work, Result* gl, Result* es, std::string* skip) {
    {
        std::unique_ptr<EglContext> context = EglContext::create(Size, Size, skip);
        if (!context) return false;
        gl11Backend().start(nullptr, skip);
        setGlBackend(&gl11Backend());
        *gl = work(*context);
        gl11Backend().stop();
    }
    std::unique_ptr<EglContext> context = EglContext::create(Size, Size, skip, EglTarget::Any, EglApi::Gles2);
    if (!context) return false;
    if (!gles2Backend().start(nullptr, skip)) return false;
    setGlBackend(&gles2Backend());
    *es = work(*context);
    gles2Backend().stop();
    setGlBackend(nullptr);
    return true;
}

TEST(Gles2Backend, LightsAsOpenGl11) {
    using Colors = std::vector<std::vector<int>>;
    Colors gl, es;
    std::string skip;
    const bool ran = onBothBackends<Colors>(
        [](EglContext& context) {
            Colors colors;
            for (const LightCase& c : Cases) colors.push_back(drawCase(c, context));
            return colors;
        },
        &gl, &es, &skip);
    if (!ran) GTEST_SKIP() << skip;
    for (std::size_t k = 0; k < std::size(Cases); ++k) {
        SCOPED_TRACE(Cases[k].name);
        for (int ch = 0; ch < 3; ++ch) EXPECT_NEAR(es[k][ch], gl[k][ch], 2) << "channel " << ch;
    }
}

TEST(Gles2Backend, ComposesMatricesAsOpenGl11) {
    using Floats = std::vector<float>;
    Floats gl, es;
    std::string skip;
    const bool ran = onBothBackends<Floats>(
        [](EglContext&) {
            Floats read(48);
            glMatrixMode(GL_PROJECTION);
            glLoadIdentity();
            gluPerspective(55.0, 1280.0 / 720.0, 0.1, 22000.0);
            glGetFloatv(GL_PROJECTION_MATRIX, &read[0]);
            glMatrixMode(GL_MODELVIEW);
            glLoadIdentity();
            gluLookAt(12.5, -300.25, 1000.125, 3.0, 4.0, 5.0, 0.1, 1.0, 0.05);
            glPushMatrix();
            const float turn[16] = {0.36f, 0.48f, -0.8f, 0, -0.8f, 0.6f, 0, 0, 0.48f, 0.64f, 0.6f, 0, 10, -20, 30, 1};
            glMultMatrixf(turn);
            glRotatef(24.0f, 0.0f, 1.0f, 0.0f);
            glTranslatef(3.5f, -2.0f, 7.25f);
            glRotatef(-37.5f, 0.3f, 0.4f, 0.5f);
            glGetFloatv(GL_MODELVIEW_MATRIX, &read[16]);
            glPopMatrix();
            glGetFloatv(GL_MODELVIEW_MATRIX, &read[32]);
            return read;
        },
        &gl, &es, &skip);
    if (!ran) GTEST_SKIP() << skip;
    for (std::size_t k = 0; k < gl.size(); ++k) EXPECT_EQ(es[k], gl[k]) << "element " << k;
}

TEST(Gles2Backend, DisplayListsLeaveAndTakeStateAsOpenGl11) {
    // What the list leaves: colour, normal, winding, matrix; what it takes:
    // the caller's colour for the vertices it gives none.
    using Floats = std::vector<float>;
    Floats gl, es;
    std::string skip;
    const bool ran = onBothBackends<Floats>(
        [](EglContext& context) {
            glViewport(0, 0, Size, Size);
            glMatrixMode(GL_PROJECTION);
            glLoadIdentity();
            glMatrixMode(GL_MODELVIEW);
            glLoadIdentity();
            glDisable(GL_LIGHTING);
            glDisable(GL_DEPTH_TEST);
            glEnable(GL_CULL_FACE);
            glClearColor(0, 0, 0, 1);
            glClear(GL_COLOR_BUFFER_BIT);
            // A counter-clockwise triangle under the caller's colour, then state set for later.
            glNewList(1, GL_COMPILE);
            glBegin(GL_TRIANGLES);
            glVertex3f(-1, -1, 0);
            glVertex3f(3, -1, 0);
            glVertex3f(-1, 3, 0);
            glEnd();
            glTranslatef(0.25f, 0.0f, 0.0f);
            glColor3f(0.2f, 0.4f, 0.6f);
            glNormal3f(0.0f, 0.6f, 0.8f);
            glFrontFace(GL_CW);
            glEndList();
            glColor3f(1.0f, 0.5f, 0.0f);
            glFrontFace(GL_CCW);
            glCallList(1);
            Floats read(24);
            glGetFloatv(GL_CURRENT_COLOR, &read[0]);
            glGetFloatv(GL_CURRENT_NORMAL, &read[4]);
            GLint front = 0;
            glGetIntegerv(GL_FRONT_FACE, &front);
            read[7] = static_cast<float>(front);
            glGetFloatv(GL_MODELVIEW_MATRIX, &read[8]);
            RgbImage picture;
            std::string error;
            EXPECT_TRUE(context.readPixels(&picture, &error)) << error;
            read.push_back(picture.at(Size / 2, Size / 2)[0]);
            read.push_back(picture.at(Size / 2, Size / 2)[1]);
            read.push_back(picture.at(Size / 2, Size / 2)[2]);
            return read;
        },
        &gl, &es, &skip);
    if (!ran) GTEST_SKIP() << skip;
    ASSERT_EQ(gl.size(), es.size());
    for (std::size_t k = 0; k < gl.size(); ++k) EXPECT_EQ(es[k], gl[k]) << "value " << k;
    EXPECT_EQ(gl[gl.size() - 3], 255.0f);  // drawn in the caller's orange
}

}  // namespace
