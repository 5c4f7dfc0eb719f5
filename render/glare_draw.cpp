// The sun glare: ten additive, textured squares strung along the screen line
// from the sun through the centre of the view, about one unit in front of the
// eye (declared in scene.h, drawn last in every frame).
#include "render/scene.h"

#include "render/gl/gl_api.h"

#include <cmath>

#include "render/textures.h"
#include "sim/math3d.h"
#include "view/glare.h"

namespace {

// Length by the double square root rounded to float, summed z, y, x.
float length(const Vector3& v) {
    return static_cast<float>(std::sqrt(static_cast<double>(v.z * v.z + v.y * v.y + v.x * v.x)));
}

Vector3 scaled(const Vector3& v, float s) { return {v.x * s, v.y * s, v.z * s}; }
Vector3 sum(const Vector3& a, const Vector3& b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
Vector3 difference(const Vector3& a, const Vector3& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }

}  // namespace

void drawSunGlare(const Vector3& eye, const Vector3& lookAt, const Vector3& sun, float scale) {
    const Vector3 toLook = difference(lookAt, eye);
    const float lookLength = length(toLook);
    const Vector3 toSun = difference(sun, eye);
    const float sunLength = length(toSun);
    if (!(lookLength > 0.0f) || !(sunLength > 0.0f)) {
        return;  // eye on the look-at point or the sun: no line of sight to follow
    }
    const Vector3 D = scaled(toLook, 1.0f / lookLength);
    const Vector3 P = sum(eye, scaled(D, scale));
    const Vector3 K = sum(eye, scaled(toSun, 1.0f / sunLength));
    const Vector3 A = difference(K, P);
    const float aLength = length(A);
    if (!(aLength > 0.0f) || !std::isfinite(aLength)) {
        // The sun sits exactly at the centre of the view: the elements have no
        // direction to line up along, so nothing is drawn.
        return;
    }
    const Vector3 An = scaled(A, 1.0f / aLength);
    const Vector3 W = {An.y * D.z - An.z * D.y, An.z * D.x - An.x * D.z, An.x * D.y - An.y * D.x};

    glDisable(GL_DEPTH_TEST);
    glBlendFunc(GL_ONE, GL_ONE);
    glEnable(GL_BLEND);
    glEnable(GL_TEXTURE_2D);
    for (int i = 0; i < GlareCount; ++i) {
        const GlareElement& e = GlareTable[i];
        const float s = e.elementSize * 1.5f;
        const Vector3 O = scaled(An, s);
        const Vector3 U = scaled(W, s);
        glColor3fv(e.color);
        glBindTexture(GL_TEXTURE_2D, TextureNames[2 + e.textureIndex]);
        const Vector3 C = sum(P, scaled(A, e.linePosition));
        glBegin(GL_QUADS);
        glTexCoord2f(0.0f, 0.0f);
        glVertex3f(C.x + O.x + U.x, C.y + O.y + U.y, C.z + O.z + U.z);
        glTexCoord2f(1.0f, 0.0f);
        glVertex3f(C.x - O.x + U.x, C.y - O.y + U.y, C.z - O.z + U.z);
        glTexCoord2f(1.0f, 1.0f);
        glVertex3f(C.x - O.x - U.x, C.y - O.y - U.y, C.z - O.z - U.z);
        glTexCoord2f(0.0f, 1.0f);
        glVertex3f(C.x + O.x - U.x, C.y + O.y - U.y, C.z + O.z - U.z);
        glEnd();
    }
    glEnable(GL_DEPTH_TEST);
    glDisable(GL_BLEND);
    glDisable(GL_TEXTURE_2D);
}
