// The star cube and the sun, drawn first in every frame around the eye.
#include "render/gl/gl_api.h"

#include "render/backdrop_lists.h"
#include "render/scene.h"
#include "sim/display_lists.h"
#include "view/camera.h"

namespace {

// One face of the cube: the turn applied before it (accumulating from face to
// face) and the slab, 1000 units from the eye, that decides whether it is drawn.
struct BackdropFace {
    float angle, ax, ay, az;  // glRotatef arguments
    float cx, cy, cz;         // box centre offset from the eye, units
    float hx, hy, hz;         // box half-sizes, units
};

const BackdropFace Faces[6] = {
    {0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, -1000.0f, 1024.0f, 1024.0f, 10.0f},
    {-90.0f, 0.0f, 1.0f, 0.0f, 1000.0f, 0.0f, 0.0f, 10.0f, 1024.0f, 1024.0f},
    {-90.0f, 0.0f, 1.0f, 0.0f, 0.0f, 0.0f, 1000.0f, 1024.0f, 1024.0f, 10.0f},
    {90.0f, 1.0f, 0.0f, 0.0f, 0.0f, 1000.0f, 0.0f, 1024.0f, 10.0f, 1024.0f},
    {180.0f, 1.0f, 1.0f, 0.0f, 0.0f, -1000.0f, 0.0f, 1024.0f, 10.0f, 1024.0f},
    {90.0f, 1.0f, 0.0f, 0.0f, -1000.0f, 0.0f, 0.0f, 10.0f, 1024.0f, 1024.0f},
};

}  // namespace

void drawBackdrop() {
    glFrontFace(GL_CCW);
    glEnable(GL_TEXTURE_2D);
    glColor3f(0.7f, 0.7f, 0.7f);
    glCallList(ListBindStarTexture);

    const Vector3 eye = camera().eyePosition();
    glTranslatef(eye.x, eye.y, eye.z);

    glPushMatrix();
    for (const BackdropFace& f : Faces) {
        // The turn is applied whether or not the face is drawn, so the faces
        // after a skipped one still land in their places.
        if (f.angle != 0.0f) {
            glRotatef(f.angle, f.ax, f.ay, f.az);
        }
        if (camera().viewVolume.boxVisible(eye.x + f.cx, eye.y + f.cy, eye.z + f.cz, f.hx, f.hy, f.hz) == 1) {
            glCallList(static_cast<GLuint>(StarFaceList));
        }
    }
    glPopMatrix();

    if (camera().viewVolume.boxVisible(eye.x - 550.0f, eye.y - 120.0f, eye.z - 1000.0f, 250.0f, 250.0f, 5.0f) == 1) {
        glCallList(ListSun);
    }
    glDisable(GL_TEXTURE_2D);
}
