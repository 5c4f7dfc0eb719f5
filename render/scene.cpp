// The OpenGL renderer behind the battle's drawing seam, the battle build's GL
// part (fixed state, lights, material, quadric, display lists), the frame
// drawing order and the viewport.
#include "render/scene.h"

#include "render/gl/gl_api.h"

#include <cmath>
#include <cstring>

#include "render/backdrop_lists.h"
#include "render/debris_batch.h"
#include "render/frame_batch.h"
#include "render/gl_mesh_sink.h"
#include "render/layers.h"
#include "render/list_mesh.h"
#include "render/meshes.h"
#include "render/merging_sink.h"
#include "render/textures.h"
#include "sim/battle.h"
#include "sim/display_lists.h"
#include "sim/gfx.h"
#include "sim/settings.h"
#include "view/camera.h"
#include "view/explosion.h"
#include "view/view_volume.h"

int WindowWidth = 0;
int WindowHeight = 0;
GLUquadric* SceneQuadric = nullptr;

namespace {

// Farthest a glow fragment's vertex lies from the fragment's origin, units
// (coordinates within [-8, 8]: 8 sqrt(3)).
constexpr float GlowFragmentReach = 13.8565f;

// Length of v, units.
float span(const Vector3& v) { return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z); }

void light(GLenum id, const GLfloat ambient[4], const GLfloat diffuse[4], const GLfloat specular[4],
           const GLfloat position[4]) {
    glLightfv(id, GL_AMBIENT, ambient);
    glLightfv(id, GL_DIFFUSE, diffuse);
    glLightfv(id, GL_SPECULAR, specular);
    glLightfv(id, GL_POSITION, position);
    glEnable(id);
}

// One textured triangle: three vertices of x, y, z and their (s, t).
void texturedTriangle(const float* v, const float* tex) {
    glBegin(GL_TRIANGLES);
    for (int i = 0; i < 3; ++i) {
        glTexCoord2f(tex[2 * i], tex[2 * i + 1]);
        glVertex3f(v[3 * i], v[3 * i + 1], v[3 * i + 2]);
    }
    glEnd();
}

// Lists the battle calls through the seam, kept on the CPU for the frame batch.
constexpr int BatchedLists[] = {
    ListHexWingFighter, ListHexWingFighterCockpit, ListFourWingFighter, ListFourWingFighterCockpit, ListBolt, ListBeam};

class GlGfx final : public Gfx {
public:
    // The frame batch while the battle draws through it, else null: the
    // straightforward drawing, call for call.
    FrameBatch* batch = nullptr;

    void clearFrame() override {
        glClearColor(0.0f, 0.0f, 0.0f, 0.5f);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    }
    void loadIdentity() override {
        glLoadIdentity();
        if (batch != nullptr) batch->forgetBase();
    }
    void lookAt(const double eye[3], const double centre[3], const double up[3]) override {
        gluLookAt(eye[0], eye[1], eye[2], centre[0], centre[1], centre[2], up[0], up[1], up[2]);
        if (batch != nullptr) batch->forgetBase();
    }
    void projectionMatrix(float m[16]) override { glGetFloatv(GL_PROJECTION_MATRIX, m); }
    void modelViewMatrix(float m[16]) override {
        if (batch != nullptr && batch->depth() > 0) {
            std::memcpy(m, batch->top(), 16 * sizeof(float));
        } else {
            glGetFloatv(GL_MODELVIEW_MATRIX, m);
        }
    }
    void pushMultMatrix(const float m[16]) override {
        if (batch != nullptr) {
            batch->pushMult(m);
            return;
        }
        glPushMatrix();
        glMultMatrixf(m);
    }
    void pushMatrix() override {
        if (batch != nullptr) {
            batch->push();
        } else {
            glPushMatrix();
        }
    }
    void popMatrix() override {
        if (batch != nullptr) {
            batch->pop();
        } else {
            glPopMatrix();
        }
    }
    void rotate(float angle, float x, float y, float z) override {
        if (batch != nullptr) {
            batch->rotate(angle, x, y, z);
        } else {
            glRotatef(angle, x, y, z);
        }
    }
    void callList(int id) override {
        const Layer layer = id == ListBolt || id == ListBeam ? LayerShots : LayerShips;
        if (!layerDrawn(layer)) {
            return;
        }
        if (batch != nullptr) {
            batch->list(id);
        } else {
            glCallList(static_cast<GLuint>(id));
        }
    }
    void color3fv(const float rgb[3]) override {
        if (batch != nullptr) {
            batch->color(rgb[0], rgb[1], rgb[2], 1.0f);
        } else {
            glColor3fv(rgb);
        }
    }
    void color4f(float r, float g, float b, float a) override {
        if (batch != nullptr) {
            batch->color(r, g, b, a);
        } else {
            glColor4f(r, g, b, a);
        }
    }

    // Debris is recorded and painted grouped by stipple mask at the end of the
    // ship and shot drawing (render/debris_batch.h).
    void debrisBegin() override {
        if (batch == nullptr) ::debrisBegin();
    }
    void debrisShell(const Explosion& e, int shell) override {
        if (!layerDrawn(LayerDebris)) {
            return;
        }
        if (batch != nullptr) {
            batch->debrisShell(e, shell);
        } else {
            ::debrisShell(e, shell);
        }
    }
    void debrisEnd() override {
        if (batch == nullptr) ::debrisEnd();
    }

    void glowBegin() override {
        if (batch != nullptr) return;
        glShadeModel(GL_SMOOTH);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        glEnable(GL_BLEND);
        glEnable(GL_TEXTURE_2D);
    }
    void flash(const Explosion& e) override {
        if (!layerDrawn(LayerFlash)) {
            return;
        }
        const float s = e.flashSize;
        const Vector3& R = viewRight;
        const Vector3& U = viewUp;
        if (batch != nullptr) {
            batch->flash(e, R, U, TextureNames[2]);
            return;
        }
        // Blended: recorded debris it may cover must be painted beneath it first.
        debrisBeforeBlended(s * (span(R) + span(U)));
        glColor4f(e.color[0], e.color[1], e.color[2], e.flashAlpha);
        glBindTexture(GL_TEXTURE_2D, TextureNames[2]);
        glFrontFace(GL_CCW);
        glBegin(GL_TRIANGLE_STRIP);
        glTexCoord2f(0.0f, 1.0f);
        glVertex3f((U.x - R.x) * s, (U.y - R.y) * s, (U.z - R.z) * s);
        glTexCoord2f(0.0f, 0.0f);
        glVertex3f((-R.x - U.x) * s, (-R.y - U.y) * s, (-R.z - U.z) * s);
        glTexCoord2f(1.0f, 1.0f);
        glVertex3f((U.x + R.x) * s, (U.y + R.y) * s, (U.z + R.z) * s);
        glTexCoord2f(1.0f, 0.0f);
        glVertex3f((R.x - U.x) * s, (R.y - U.y) * s, (R.z - U.z) * s);
        glEnd();
    }
    void glowShellsBegin() override {
        if (batch == nullptr) glBindTexture(GL_TEXTURE_2D, TextureNames[4]);
    }
    void glowShell(const Explosion& e, int shell) override {
        if (!layerDrawn(LayerGlow)) {
            return;
        }
        if (batch != nullptr) {
            batch->glowShell(e, shell, TextureNames[4]);
            return;
        }
        const float r = e.shellRadius[shell];
        debrisBeforeBlended(std::fabs(r) + GlowFragmentReach);
        for (int k = 0; k < ExplosionFragments; ++k) {
            const float* v = FragmentTriangles[shell][k];
            glRotatef(e.fragmentAngle[shell][k], 0.0f, 1.0f, 0.0f);
            glTranslatef(r, 0.0f, 0.0f);
            // The same triangle in both windings, with the texture turned a
            // quarter between them, so it shows from both sides.
            static const float frontTex[6] = {0.0f, 1.0f, 1.0f, 1.0f, 1.0f, 0.0f};
            static const float backTex[6] = {1.0f, 1.0f, 1.0f, 0.0f, 0.0f, 0.0f};
            glFrontFace(GL_CW);
            texturedTriangle(v, frontTex);
            glFrontFace(GL_CCW);
            texturedTriangle(v, backTex);
            glTranslatef(-r, 0.0f, 0.0f);
        }
    }
    void glowEnd() override {
        if (batch != nullptr) return;
        glDisable(GL_BLEND);
        glDisable(GL_TEXTURE_2D);
        glShadeModel(GL_FLAT);
    }

    void sceneSetup() override {
        glMatrixMode(GL_MODELVIEW);
        glClearDepth(1.0);
        glEnable(GL_DEPTH_TEST);
        glDepthFunc(GL_LESS);
        glEnable(GL_CULL_FACE);
        glEnable(GL_LIGHTING);

        // Light 0 reddish, light 1 bluish, light 2 the yellow sun (moved again
        // by the sun list whenever the sun is drawn).
        static const GLfloat ambient01[4] = {0.1f, 0.1f, 0.1f, 1.0f};
        static const GLfloat diffuse0[4] = {0.5f, 0.3f, 0.3f, 1.0f};
        static const GLfloat specular0[4] = {0.9f, 0.4f, 0.4f, 1.0f};
        static const GLfloat position0[4] = {-250.0f, 700.0f, 200.0f, 1.0f};
        static const GLfloat diffuse1[4] = {0.3f, 0.3f, 0.5f, 1.0f};
        static const GLfloat specular1[4] = {0.3f, 0.3f, 0.9f, 1.0f};
        static const GLfloat position1[4] = {365.0f, -365.0f, 120.0f, 1.0f};
        static const GLfloat ambient2[4] = {0.7f, 0.7f, 0.4f, 1.0f};
        static const GLfloat diffuse2[4] = {0.9f, 0.9f, 0.2f, 1.0f};
        static const GLfloat specular2[4] = {1.0f, 1.0f, 0.3f, 1.0f};
        static const GLfloat position2[4] = {-580.0f, -160.0f, -1000.0f, 1.0f};
        light(GL_LIGHT0, ambient01, diffuse0, specular0, position0);
        light(GL_LIGHT1, ambient01, diffuse1, specular1, position1);
        light(GL_LIGHT2, ambient2, diffuse2, specular2, position2);

        static const GLfloat materialSpecular[4] = {0.6f, 0.5f, 0.6f, 1.0f};
        glEnable(GL_COLOR_MATERIAL);
        glColorMaterial(GL_FRONT, GL_AMBIENT_AND_DIFFUSE);
        glMaterialfv(GL_FRONT, GL_SPECULAR, materialSpecular);
        glMateriali(GL_FRONT, GL_SHININESS, 80);
        glShadeModel(GL_FLAT);
    }

    void compileLists() override {
        if (SceneQuadric != nullptr) {
            gluDeleteQuadric(SceneQuadric);
        }
        SceneQuadric = gluNewQuadric();
        gluQuadricDrawStyle(SceneQuadric, GLU_FILL);
        gluQuadricOrientation(SceneQuadric, GLU_OUTSIDE);

        GlMeshSink sink(SceneQuadric);
        compileShipListFor(ListHexWingFighter, sink);
        compileShipListFor(ListFourWingFighter, sink);
        compileShipListFor(ListBolt, sink);
        compileShipListFor(ListBeam, sink);
        compileSunList(sink);
        compileStarFaceLists(sink);
        compileShipListFor(ListFourWingFighterCockpit, sink);
        compileShipListFor(ListHexWingFighterCockpit, sink);

        // The same lists on the CPU, once: the meshes never change.
        FrameBatch& b = frameBatch();
        if (!b.hasList(ListHexWingFighter)) {
            ListMesh mesh;
            ListMeshSink capture(mesh);
            for (int id : BatchedLists) {
                if (compileShipList(id, capture)) b.keepList(id, mesh);
            }
        }
    }
};

GlGfx glGfx;

}  // namespace

void installRenderer() { setGfx(&glGfx); }

void uninstallRenderer() {
    setGfx(nullptr);
    releaseDebris();
    if (SceneQuadric != nullptr) {
        gluDeleteQuadric(SceneQuadric);
        SceneQuadric = nullptr;
    }
    // The ships', shots' and backdrop's lists (ids 1 to 10), then the textures with their binding lists.
    glDeleteLists(ListHexWingFighter, ListBeam);
    releaseTextures();
}

ViewportRect computeViewport(int width, int height, bool letterbox) {
    if (height == 0) {
        height = 1;
    }
    const float w = static_cast<float>(width);
    const float h = static_cast<float>(height);
    float band = h;
    float y = 0.0f;
    if (letterbox) {
        band = static_cast<float>(w / 2.35);
        y = (h - band) / 2.0f;
    }
    ViewportRect r;
    r.x = 0;
    r.y = static_cast<int>(y);
    r.width = static_cast<int>(w);
    r.height = static_cast<int>(band);
    r.aspect = static_cast<double>(w / band);
    return r;
}

void updateViewport() {
    if (WindowHeight == 0) {
        WindowHeight = 1;
    }
    const ViewportRect r = computeViewport(WindowWidth, WindowHeight, settings.HVIsLetterBox != 0);
    glViewport(r.x, r.y, r.width, r.height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(55.0, r.aspect, 0.1, 22000.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

void drawFrame() {
    glBackend().beginFrame();
    // The backdrop writes no depth, so everything drawn after it covers it.
    // It is drawn first into a depth buffer just cleared to 1.0, from 1024 to
    // 1774 units away with the far plane at 22000, so every fragment would
    // pass the depth test: leaving the test off paints the same pixels and
    // spares a software rasteriser a depth read per pixel of the whole screen.
    glDepthMask(GL_FALSE);
    glDisable(GL_DEPTH_TEST);
    if (layerDrawn(LayerBackdrop)) {
        glPushMatrix();
        drawBackdrop();
        glPopMatrix();
    }
    glEnable(GL_DEPTH_TEST);
    glDepthMask(GL_TRUE);

    // The battle's own drawing: the view axes, then the ships with their
    // collisions and the shots with their hits. The axes are read after the
    // backdrop: it leaves the model-view matrix as it found it (pushed and
    // popped) and does not use them.
    if (frameBatching() && battle.TheWorld != nullptr) {
        glGfx.batch = &frameBatch();
        glGfx.batch->beginFrame();
    }
    drawBattle();
    if (glGfx.batch != nullptr) {
        glGfx.batch->endFrame();
        glGfx.batch = nullptr;
    }
    // The debris of every exploding ship, behind or in front of what came after it.
    flushDebris();

    const Vector3 eye = camera().eyePosition();
    const Vector3 lookAt = camera().lookAtPoint();
    const Vector3 sun = {eye.x - 520.0f, eye.y - 105.0f, eye.z - 1000.0f};
    if (layerDrawn(LayerGlare) && camera().viewVolume.boxVisible(sun.x, sun.y, sun.z, 250.0f, 250.0f, 5.0f) == 1) {
        drawSunGlare(eye, lookAt, sun, 1.0f);
    }
}
