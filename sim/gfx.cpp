// The drawing seam and its built-in software implementation; see gfx.h.
#include "sim/gfx.h"

#include <cmath>

namespace {

// Column-major product out = a * b of two 4 x 4 float matrices, each element
// summed in float as a GL implementation does.
void multiplyMatrices(float out[16], const float a[16], const float b[16]) {
    float r[16];
    for (int col = 0; col < 4; ++col) {
        for (int row = 0; row < 4; ++row) {
            r[4 * col + row] = a[0 + row] * b[4 * col + 0] + a[4 + row] * b[4 * col + 1] + a[8 + row] * b[4 * col + 2] +
                               a[12 + row] * b[4 * col + 3];
        }
    }
    for (int i = 0; i < 16; ++i) {
        out[i] = r[i];
    }
}

void identity(float m[16]) {
    for (int i = 0; i < 16; ++i) {
        m[i] = (i % 5 == 0) ? 1.0f : 0.0f;
    }
}

// Normalises a float vector the way GLU does (float sum, square root of it);
// a zero vector is left as it is.
void normalizeFloat(float v[3]) {
    const float r = static_cast<float>(std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]));
    if (r == 0.0f) {
        return;
    }
    v[0] /= r;
    v[1] /= r;
    v[2] /= r;
}

void crossFloat(const float a[3], const float b[3], float out[3]) {
    out[0] = a[1] * b[2] - a[2] * b[1];
    out[1] = a[2] * b[0] - a[0] * b[2];
    out[2] = a[0] * b[1] - a[1] * b[0];
}

// Draws nothing; keeps the matrices that the view volume and the billboard
// axes read back.
class SoftwareGfx : public Gfx {
public:
    SoftwareGfx() {
        setAspect(4.0 / 3.0);
        identity(modelView_);
    }

    // projection := gluPerspective(55, aspect, 0.1, 22000), computed in double, stored as float.
    void setAspect(double aspect) {
        const double fovy = 55.0;
        const double zNear = 0.1;
        const double zFar = 22000.0;
        const double radians = fovy / 2.0 * 3.14159265358979323846 / 180.0;
        const double deltaZ = zFar - zNear;
        const double cotangent = std::cos(radians) / std::sin(radians);
        double p[16] = {0.0};
        p[0] = cotangent / aspect;
        p[5] = cotangent;
        p[10] = -(zFar + zNear) / deltaZ;
        p[11] = -1.0;
        p[14] = -2.0 * zNear * zFar / deltaZ;
        p[15] = 0.0;
        for (int i = 0; i < 16; ++i) {
            projection_[i] = static_cast<float>(p[i]);
        }
    }

    void clearFrame() override {}

    void loadIdentity() override { identity(modelView_); }

    void lookAt(const double eye[3], const double centre[3], const double up[3]) override {
        // gluLookAt: the basis in float, then a translation by -eye.
        float forward[3] = {static_cast<float>(centre[0] - eye[0]), static_cast<float>(centre[1] - eye[1]),
                            static_cast<float>(centre[2] - eye[2])};
        float upv[3] = {static_cast<float>(up[0]), static_cast<float>(up[1]), static_cast<float>(up[2])};
        float side[3];
        normalizeFloat(forward);
        crossFloat(forward, upv, side);
        normalizeFloat(side);
        crossFloat(side, forward, upv);
        float m[16];
        identity(m);
        m[0] = side[0];
        m[4] = side[1];
        m[8] = side[2];
        m[1] = upv[0];
        m[5] = upv[1];
        m[9] = upv[2];
        m[2] = -forward[0];
        m[6] = -forward[1];
        m[10] = -forward[2];
        multiplyMatrices(modelView_, modelView_, m);
        translate(static_cast<float>(-eye[0]), static_cast<float>(-eye[1]), static_cast<float>(-eye[2]));
    }

    void projectionMatrix(float m[16]) override {
        for (int i = 0; i < 16; ++i) {
            m[i] = projection_[i];
        }
    }

    void modelViewMatrix(float m[16]) override {
        for (int i = 0; i < 16; ++i) {
            m[i] = modelView_[i];
        }
    }

    // Drawing-only calls: nothing to keep.
    void pushMultMatrix(const float*) override {}
    void pushMatrix() override {}
    void popMatrix() override {}
    void rotate(float, float, float, float) override {}
    void callList(int) override {}
    void color3fv(const float*) override {}
    void color4f(float, float, float, float) override {}
    void debrisBegin() override {}
    void debrisShell(const Explosion&, int) override {}
    void debrisEnd() override {}
    void glowBegin() override {}
    void flash(const Explosion&) override {}
    void glowShellsBegin() override {}
    void glowShell(const Explosion&, int) override {}
    void glowEnd() override {}
    void sceneSetup() override {}
    void compileLists() override {}

private:
    void translate(float x, float y, float z) {
        float* m = modelView_;
        m[12] = m[0] * x + m[4] * y + m[8] * z + m[12];
        m[13] = m[1] * x + m[5] * y + m[9] * z + m[13];
        m[14] = m[2] * x + m[6] * y + m[10] * z + m[14];
        m[15] = m[3] * x + m[7] * y + m[11] * z + m[15];
    }

    float projection_[16];
    float modelView_[16];
};

SoftwareGfx& builtIn() {
    static SoftwareGfx instance;
    return instance;
}

Gfx* installed = nullptr;

}  // namespace

Gfx& gfx() { return installed != nullptr ? *installed : builtIn(); }

void setGfx(Gfx* g) { installed = g; }

Gfx& softwareGfx() { return builtIn(); }

void setSoftwareAspect(double aspect) { builtIn().setAspect(aspect); }

int nextStippleIndex(int index) {
    const int next = index + 1;
    return next >= 32 || next < 0 ? 0 : next;
}
