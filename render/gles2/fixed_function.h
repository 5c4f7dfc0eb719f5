// OpenGL 1.1's fixed-function state as the ES 2.0 emulation keeps it on the
// CPU: the matrix stacks, the server state in the groups glPushAttrib saves,
// the client arrays, and the error flag. The GL calls that only change state
// land here; the backend (gles2_backend.cpp) reads it when it draws. Pure: no
// GL calls, so all of it is tested without a context.
//
// Matrices are composed in float in OpenGL's order (sim/gl_math.h): the
// camera reads the model-view matrix back and the battle's culling depends on
// it, bit for bit. Only what this program uses is kept: no attenuation or spot
// lights, one texture unit, GL_NORMALIZE kept but never applied.
#ifndef HALVORN_RENDER_GLES2_FIXED_FUNCTION_H
#define HALVORN_RENDER_GLES2_FIXED_FUNCTION_H

#include <vector>

#include "render/gl/gl_constants.h"

constexpr int MaxLights = 8;

struct Matrix {
    float m[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
};

struct LightState {
    float ambient[4] = {0, 0, 0, 1};
    float diffuse[4] = {0, 0, 0, 1};
    float specular[4] = {0, 0, 0, 1};
    float position[4] = {0, 0, 1, 0};  // eye coordinates
};

// The server state, grouped as glPushAttrib groups it.
struct CurrentGroup {
    float color[4] = {1, 1, 1, 1};
    float normal[3] = {0, 0, 1};
    float texCoord[2] = {0, 0};
};
struct EnableGroup {
    bool depthTest = false, cullFace = false, lighting = false, colorMaterial = false, texture2d = false;
    bool blend = false, alphaTest = false, stipple = false, normalize = false;
    bool light[MaxLights] = {};
    bool texGen[4] = {};  // s, t, r, q
};
struct LightingGroup {
    LightState lights[MaxLights];
    float materialAmbient[4] = {0.2f, 0.2f, 0.2f, 1};
    float materialDiffuse[4] = {0.8f, 0.8f, 0.8f, 1};
    float materialSpecular[4] = {0, 0, 0, 1};
    float materialEmission[4] = {0, 0, 0, 1};
    float shininess = 0;
    float sceneAmbient[4] = {0.2f, 0.2f, 0.2f, 1};
    unsigned colorMaterialMode = GL_AMBIENT_AND_DIFFUSE;
    bool flat = false;  // glShadeModel(GL_FLAT)
    LightingGroup();
};
struct TextureGroup {
    unsigned bound = 0;
    unsigned envMode = GL_MODULATE;
    unsigned genMode[4] = {GL_EYE_LINEAR, GL_EYE_LINEAR, GL_EYE_LINEAR, GL_EYE_LINEAR};
    float eyePlane[4][4] = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}};
};
struct ColorBufferGroup {
    unsigned blendSrc = GL_ONE, blendDst = GL_ZERO;
    unsigned alphaFunc = GL_ALWAYS;
    float alphaRef = 0;
    float clearColor[4] = {0, 0, 0, 0};
};
struct DepthGroup {
    unsigned func = GL_LESS;
    bool mask = true;
    float clear = 1;
};
struct AttribState {
    CurrentGroup current;
    EnableGroup enable;
    LightingGroup lighting;
    unsigned frontFace = GL_CCW;
    TextureGroup texture;
    ColorBufferGroup colorBuffer;
    unsigned matrixMode = GL_MODELVIEW;
    DepthGroup depth;
};

struct ClientArray {
    bool on = false;
    int size = 4;
    int stride = 0;  // bytes; 0: tightly packed
    const float* pointer = nullptr;
    // Element i of the array.
    const float* at(int i) const;
};
struct ClientState {
    ClientArray vertex, normal, color, texCoord;
    int unpackAlignment = 4;
};

class FixedFunction {
public:
    // The state of a new context.
    FixedFunction();

    AttribState state;
    ClientState client;

    // --- matrices ---
    void matrixMode(unsigned mode);
    // The top of the stack the matrix mode names.
    Matrix& top();
    const Matrix& modelView() const { return modelView_.back(); }
    const Matrix& projection() const { return projection_.back(); }
    const Matrix& textureMatrix() const { return texture_.back(); }
    void pushMatrix();  // GL_STACK_OVERFLOW past 32 model-view or 4 other matrices
    void popMatrix();   // GL_STACK_UNDERFLOW at the last one

    // --- server state ---
    // glEnable / glDisable; GL_INVALID_ENUM for a capability not kept here.
    void setCapability(unsigned cap, bool on);
    void pushAttrib(unsigned mask);
    void popAttrib();
    // glLightfv: a position is taken to eye coordinates by the model-view matrix.
    void light(unsigned light, unsigned pname, const float* params);
    void material(unsigned pname, const float* params);
    // glTexGenfv(GL_EYE_PLANE): the plane is taken through the inverse of the model-view matrix.
    void texGenPlane(unsigned coord, unsigned pname, const float* params);

    // --- client state ---
    void clientArray(unsigned array, bool on);
    // gl*Pointer: floats only (GL_INVALID_ENUM otherwise).
    void arrayPointer(ClientArray* a, int size, unsigned type, int stride, const void* pointer);
    void pushClientAttrib(unsigned mask);
    // Restores the groups pushed last; true when that restored the unpack
    // alignment, which the backend then hands to ES.
    bool popClientAttrib();

    // --- queries ---
    // glGetFloatv / glGetIntegerv for what this program reads back; false (GL_INVALID_ENUM) otherwise.
    bool getFloats(unsigned pname, float* out);
    bool getIntegers(unsigned pname, const int viewport[4], int* out);

    // Records an error, to be read by takeError.
    void error(unsigned code);
    // The error recorded, cleared (GL_NO_ERROR when none).
    unsigned takeError();

private:
    std::vector<Matrix>& stack();

    std::vector<Matrix> modelView_{Matrix()}, projection_{Matrix()}, texture_{Matrix()};
    std::vector<std::pair<unsigned, AttribState>> attribStack_;
    std::vector<std::pair<unsigned, ClientState>> clientStack_;
    unsigned error_ = GL_NO_ERROR;
};

#endif
