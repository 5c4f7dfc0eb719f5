// The drawing seam: every drawing call the battle makes goes through Gfx, so
// the battle runs the same with or without a renderer. The renderer installs
// an OpenGL implementation with setGfx(); with none installed the built-in
// software implementation is used. It keeps the projection of a 4:3 window
// (gluPerspective(55, 4/3, 0.1, 22000); see setSoftwareAspect) and a
// model-view matrix computed like gluLookAt, so visibility tests still mean
// something, and draws nothing.
//
// Matrices are sixteen floats, column-major (OpenGL's layout). Angles are
// degrees. Calls come in the order the OpenGL drawing issues them, so a GL
// painter reproduces the battle's GL call sequence by forwarding each call.
#ifndef HALVORN_SIM_GFX_H
#define HALVORN_SIM_GFX_H

class Explosion;  // view/explosion.h: the effects every item embeds (sim/item.h)

class Gfx {
public:
    virtual ~Gfx() {}

    // Clear colour (0, 0, 0, 0.5), then clear the colour and depth buffers.
    virtual void clearFrame() = 0;

    // Model-view matrix := identity.
    virtual void loadIdentity() = 0;

    // Multiplies the model-view matrix by gluLookAt(eye, centre, up), world units.
    virtual void lookAt(const double eye[3], const double centre[3], const double up[3]) = 0;

    // Reads the current projection matrix.
    virtual void projectionMatrix(float m[16]) = 0;

    // Reads the current model-view matrix.
    virtual void modelViewMatrix(float m[16]) = 0;

    // Pushes the model-view matrix and multiplies it by m.
    virtual void pushMultMatrix(const float m[16]) = 0;

    // Pushes the model-view matrix unchanged.
    virtual void pushMatrix() = 0;

    // Pops the model-view matrix.
    virtual void popMatrix() = 0;

    // Multiplies the model-view matrix by a turn of angle degrees about (x, y, z).
    virtual void rotate(float angle, float x, float y, float z) = 0;

    // Calls display list id.
    virtual void callList(int id) = 0;

    // Current colour := rgb.
    virtual void color3fv(const float rgb[3]) = 0;

    // Current colour := (r, g, b, a).
    virtual void color4f(float r, float g, float b, float a) = 0;

    // --- explosion painting; the Explosion has already done its bookkeeping ---

    // Debris style begins: enable the polygon stipple.
    virtual void debrisBegin() = 0;

    // Paints debris shell `shell` of e inside its pushed and turned matrix: 15
    // fragments, fragment k with stipple mask nextStippleIndex applied k + 1
    // times to e.stippleIndex (the value still holds the mask used last; the
    // explosion advances it after this call).
    virtual void debrisShell(const Explosion& e, int shell) = 0;

    // Debris style ends: disable the polygon stipple.
    virtual void debrisEnd() = 0;

    // Glow style begins: smooth shading, alpha blending, texturing on.
    virtual void glowBegin() = 0;

    // Paints the flash sprite of e (only called when it is to be drawn): colour
    // (e.color, e.flashAlpha), half-size e.flashSize, spanned by viewRight and viewUp.
    virtual void flash(const Explosion& e) = 0;

    // Binds the texture of the glow shells (once, after the flash).
    virtual void glowShellsBegin() = 0;

    // Paints glow shell `shell` of e inside its pushed and turned matrix.
    virtual void glowShell(const Explosion& e, int shell) = 0;

    // Glow style ends: blending and texturing off, flat shading.
    virtual void glowEnd() = 0;

    // --- battle build ---

    // Fixed GL state, the three lights and the material (once per battle build).
    virtual void sceneSetup() = 0;

    // Quadric and display lists (once per battle build, after the camera's start view).
    virtual void compileLists() = 0;
};

// The implementation in use: the installed one, else the built-in software one.
Gfx& gfx();

// Installs g (not owned); null goes back to the software implementation.
void setGfx(Gfx* g);

// The built-in software implementation (to reset its matrices in tests).
Gfx& softwareGfx();

// Gives the software implementation the projection of a picture of this
// aspect (width / height; 4/3 at program start), as a host without a GL
// renderer sets it so that what is visible, and so the battle, is the same
// as with the renderer at that size.
void setSoftwareAspect(double aspect);

// The stipple mask used after mask `index`: index + 1, wrapping to 0 at 32 or more.
int nextStippleIndex(int index);

#endif
