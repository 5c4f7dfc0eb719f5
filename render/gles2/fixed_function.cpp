// OpenGL 1.1's fixed-function state on the CPU; see fixed_function.h.
#include "render/gles2/fixed_function.h"

#include <cstddef>
#include <cstring>

#include "sim/gl_math.h"

namespace {

constexpr int MaxModelViewDepth = 32;
constexpr int MaxOtherDepth = 4;

}  // namespace

LightingGroup::LightingGroup() {
    // Light 0 is white by default, the others black.
    for (int i = 0; i < 4; ++i) {
        lights[0].diffuse[i] = 1;
        lights[0].specular[i] = 1;
    }
}

const float* ClientArray::at(int i) const {
    const int bytes = stride != 0 ? stride : size * static_cast<int>(sizeof(float));
    return reinterpret_cast<const float*>(reinterpret_cast<const char*>(pointer) +
                                          static_cast<std::ptrdiff_t>(bytes) * i);
}

FixedFunction::FixedFunction() = default;

// --- matrices ---------------------------------------------------------------

std::vector<Matrix>& FixedFunction::stack() {
    switch (state.matrixMode) {
    case GL_PROJECTION:
        return projection_;
    case GL_TEXTURE:
        return texture_;
    default:
        return modelView_;
    }
}

Matrix& FixedFunction::top() { return stack().back(); }

void FixedFunction::matrixMode(unsigned mode) {
    if (mode == GL_MODELVIEW || mode == GL_PROJECTION || mode == GL_TEXTURE) state.matrixMode = mode;
}

void FixedFunction::pushMatrix() {
    std::vector<Matrix>& s = stack();
    if (static_cast<int>(s.size()) >= (state.matrixMode == GL_MODELVIEW ? MaxModelViewDepth : MaxOtherDepth)) {
        error(GL_STACK_OVERFLOW);
        return;
    }
    s.push_back(s.back());
}

void FixedFunction::popMatrix() {
    std::vector<Matrix>& s = stack();
    if (s.size() <= 1) {
        error(GL_STACK_UNDERFLOW);
        return;
    }
    s.pop_back();
}

// --- server state -------------------------------------------------------------

void FixedFunction::setCapability(unsigned cap, bool on) {
    EnableGroup& e = state.enable;
    if (cap >= GL_LIGHT0 && cap < GL_LIGHT0 + MaxLights) {
        e.light[cap - GL_LIGHT0] = on;
        return;
    }
    if (cap >= GL_TEXTURE_GEN_S && cap <= GL_TEXTURE_GEN_Q) {
        e.texGen[cap - GL_TEXTURE_GEN_S] = on;
        return;
    }
    switch (cap) {
    case GL_DEPTH_TEST:
        e.depthTest = on;
        break;
    case GL_CULL_FACE:
        e.cullFace = on;
        break;
    case GL_LIGHTING:
        e.lighting = on;
        break;
    case GL_COLOR_MATERIAL:
        e.colorMaterial = on;
        break;
    case GL_TEXTURE_2D:
        e.texture2d = on;
        break;
    case GL_BLEND:
        e.blend = on;
        break;
    case GL_ALPHA_TEST:
        e.alphaTest = on;
        break;
    case GL_POLYGON_STIPPLE:
        e.stipple = on;
        break;
    case GL_NORMALIZE:
        e.normalize = on;  // kept, not applied: this program never turns it on
        break;
    default:
        error(GL_INVALID_ENUM);
    }
}

void FixedFunction::pushAttrib(unsigned mask) { attribStack_.push_back({mask, state}); }

void FixedFunction::popAttrib() {
    if (attribStack_.empty()) {
        error(GL_STACK_UNDERFLOW);
        return;
    }
    const unsigned mask = attribStack_.back().first;
    const AttribState& s = attribStack_.back().second;
    if (mask & GL_CURRENT_BIT) state.current = s.current;
    if (mask & GL_ENABLE_BIT) state.enable = s.enable;
    if (mask & GL_LIGHTING_BIT) {
        state.lighting = s.lighting;
        state.enable.lighting = s.enable.lighting;
        state.enable.colorMaterial = s.enable.colorMaterial;
        std::memcpy(state.enable.light, s.enable.light, sizeof s.enable.light);
    }
    if (mask & GL_POLYGON_BIT) {
        state.frontFace = s.frontFace;
        state.enable.cullFace = s.enable.cullFace;
        state.enable.stipple = s.enable.stipple;
    }
    if (mask & GL_TEXTURE_BIT) {
        state.texture = s.texture;
        state.enable.texture2d = s.enable.texture2d;
        std::memcpy(state.enable.texGen, s.enable.texGen, sizeof s.enable.texGen);
    }
    if (mask & GL_COLOR_BUFFER_BIT) {
        state.colorBuffer = s.colorBuffer;
        state.enable.blend = s.enable.blend;
        state.enable.alphaTest = s.enable.alphaTest;
    }
    if (mask & GL_TRANSFORM_BIT) {
        state.matrixMode = s.matrixMode;
        state.enable.normalize = s.enable.normalize;
    }
    if (mask & GL_DEPTH_BUFFER_BIT) {
        state.depth = s.depth;
        state.enable.depthTest = s.enable.depthTest;
    }
    attribStack_.pop_back();
}

void FixedFunction::light(unsigned which, unsigned pname, const float* p) {
    const int i = static_cast<int>(which - GL_LIGHT0);
    if (i < 0 || i >= MaxLights) {
        error(GL_INVALID_ENUM);
        return;
    }
    LightState& l = state.lighting.lights[i];
    switch (pname) {
    case GL_AMBIENT:
        std::memcpy(l.ambient, p, sizeof l.ambient);
        break;
    case GL_DIFFUSE:
        std::memcpy(l.diffuse, p, sizeof l.diffuse);
        break;
    case GL_SPECULAR:
        std::memcpy(l.specular, p, sizeof l.specular);
        break;
    case GL_POSITION: {
        const float* m = modelView().m;
        for (int r = 0; r < 4; ++r) l.position[r] = m[r] * p[0] + m[4 + r] * p[1] + m[8 + r] * p[2] + m[12 + r] * p[3];
        break;
    }
    default:
        break;  // attenuation and spot lights: not used by this program
    }
}

void FixedFunction::material(unsigned pname, const float* p) {
    LightingGroup& g = state.lighting;
    switch (pname) {
    case GL_AMBIENT:
        std::memcpy(g.materialAmbient, p, sizeof g.materialAmbient);
        break;
    case GL_DIFFUSE:
        std::memcpy(g.materialDiffuse, p, sizeof g.materialDiffuse);
        break;
    case GL_AMBIENT_AND_DIFFUSE:
        std::memcpy(g.materialAmbient, p, sizeof g.materialAmbient);
        std::memcpy(g.materialDiffuse, p, sizeof g.materialDiffuse);
        break;
    case GL_SPECULAR:
        std::memcpy(g.materialSpecular, p, sizeof g.materialSpecular);
        break;
    case GL_EMISSION:
        std::memcpy(g.materialEmission, p, sizeof g.materialEmission);
        break;
    case GL_SHININESS:
        g.shininess = p[0];
        break;
    default:
        error(GL_INVALID_ENUM);
    }
}

void FixedFunction::texGenPlane(unsigned coord, unsigned pname, const float* p) {
    const unsigned i = coord - GL_S;
    if (i >= 4 || pname != GL_EYE_PLANE) return;
    float inverse[16];
    if (!glmath::invert(modelView().m, inverse)) return;
    for (int c = 0; c < 4; ++c) {
        state.texture.eyePlane[i][c] =
            p[0] * inverse[4 * c] + p[1] * inverse[4 * c + 1] + p[2] * inverse[4 * c + 2] + p[3] * inverse[4 * c + 3];
    }
}

// --- client state -------------------------------------------------------------

void FixedFunction::clientArray(unsigned array, bool on) {
    if (array == GL_VERTEX_ARRAY) client.vertex.on = on;
    if (array == GL_NORMAL_ARRAY) client.normal.on = on;
    if (array == GL_COLOR_ARRAY) client.color.on = on;
    if (array == GL_TEXTURE_COORD_ARRAY) client.texCoord.on = on;
}

void FixedFunction::arrayPointer(ClientArray* a, int size, unsigned type, int stride, const void* pointer) {
    if (type != GL_FLOAT) {
        error(GL_INVALID_ENUM);  // this program hands over floats only
        return;
    }
    a->size = size;
    a->stride = stride;
    a->pointer = static_cast<const float*>(pointer);
}

void FixedFunction::pushClientAttrib(unsigned mask) { clientStack_.push_back({mask, client}); }

bool FixedFunction::popClientAttrib() {
    if (clientStack_.empty()) {
        error(GL_STACK_UNDERFLOW);
        return false;
    }
    const unsigned mask = clientStack_.back().first;
    const ClientState& s = clientStack_.back().second;
    if (mask & GL_CLIENT_VERTEX_ARRAY_BIT) {
        client.vertex = s.vertex;
        client.normal = s.normal;
        client.color = s.color;
        client.texCoord = s.texCoord;
    }
    const bool pixelStore = (mask & GL_CLIENT_PIXEL_STORE_BIT) != 0;
    if (pixelStore) client.unpackAlignment = s.unpackAlignment;
    clientStack_.pop_back();
    return pixelStore;
}

// --- queries ------------------------------------------------------------------

bool FixedFunction::getFloats(unsigned pname, float* out) {
    switch (pname) {
    case GL_MODELVIEW_MATRIX:
        std::memcpy(out, modelView().m, sizeof(Matrix::m));
        return true;
    case GL_PROJECTION_MATRIX:
        std::memcpy(out, projection().m, sizeof(Matrix::m));
        return true;
    case GL_TEXTURE_MATRIX:
        std::memcpy(out, textureMatrix().m, sizeof(Matrix::m));
        return true;
    case GL_CURRENT_COLOR:
        std::memcpy(out, state.current.color, 4 * sizeof(float));
        return true;
    case GL_CURRENT_NORMAL:
        std::memcpy(out, state.current.normal, 3 * sizeof(float));
        return true;
    default:
        error(GL_INVALID_ENUM);
        return false;
    }
}

bool FixedFunction::getIntegers(unsigned pname, const int viewport[4], int* out) {
    switch (pname) {
    case GL_VIEWPORT:
        std::memcpy(out, viewport, 4 * sizeof(int));
        return true;
    case GL_FRONT_FACE:
        *out = static_cast<int>(state.frontFace);
        return true;
    case GL_MATRIX_MODE:
        *out = static_cast<int>(state.matrixMode);
        return true;
    default:
        error(GL_INVALID_ENUM);
        return false;
    }
}

void FixedFunction::error(unsigned code) { error_ = code; }

unsigned FixedFunction::takeError() {
    const unsigned e = error_;
    error_ = GL_NO_ERROR;
    return e;
}
