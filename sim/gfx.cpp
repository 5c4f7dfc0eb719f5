// The drawing seam and its built-in software implementation; see gfx.h.
#include "sim/gfx.h"

#include "sim/gl_math.h"

namespace {

// Draws nothing; keeps the matrices that the view volume and the billboard
// axes read back.
class SoftwareGfx : public Gfx {
public:
    SoftwareGfx() {
        setAspect(4.0 / 3.0);
        glmath::identity(modelView_);
    }

    // projection := gluPerspective(55, aspect, 0.1, 22000).
    void setAspect(double aspect) { glmath::perspective(projection_, 55.0, aspect, 0.1, 22000.0); }

    void clearFrame() override {}

    void loadIdentity() override { glmath::identity(modelView_); }

    void lookAt(const double eye[3], const double centre[3], const double up[3]) override {
        glmath::lookAtBy(modelView_, eye, centre, up);
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
