// The fixed-function emulation on OpenGL ES 2.0; see gles2_backend.h.
#include "render/gles2/gles2_backend.h"

#include <GLES2/gl2.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <vector>

#include "render/gl/glu_sphere.h"
#include "render/gl/vertex_stream.h"
#include "sim/gl_math.h"

namespace {

// OpenGL 1.1 names that ES 2.0 lacks (their values are OpenGL's).
constexpr unsigned GlQuads = 0x0007, GlQuadStrip = 0x0008;
constexpr unsigned GlLighting = 0x0B50, GlLight0 = 0x4000, GlColorMaterial = 0x0B57, GlAlphaTest = 0x0BC0;
constexpr unsigned GlPolygonStipple = 0x0B42, GlTextureGenS = 0x0C60, GlNormalize = 0x0BA1;
constexpr unsigned GlModelview = 0x1700, GlProjection = 0x1701, GlTexture = 0x1702;
constexpr unsigned GlModelviewMatrix = 0x0BA6, GlProjectionMatrix = 0x0BA7, GlTextureMatrix = 0x0BA8;
constexpr unsigned GlCurrentColor = 0x0B00, GlCurrentNormal = 0x0B02, GlMatrixModeName = 0x0BA0;
constexpr unsigned GlFlat = 0x1D00;
constexpr unsigned GlAmbient = 0x1200, GlDiffuse = 0x1201, GlSpecular = 0x1202, GlPosition = 0x1203;
constexpr unsigned GlEmission = 0x1600, GlShininess = 0x1601, GlAmbientAndDiffuse = 0x1602;
constexpr unsigned GlModulate = 0x2100, GlReplace = 0x1E01, GlTextureEnvMode = 0x2200;
constexpr unsigned GlTextureGenMode = 0x2500, GlEyePlane = 0x2502, GlEyeLinear = 0x2400, GlS = 0x2000;
constexpr unsigned GlVertexArray = 0x8074, GlNormalArray = 0x8075, GlColorArray = 0x8076, GlTexCoordArray = 0x8078;
constexpr unsigned GlCurrentBit = 0x1, GlLightingBit = 0x40, GlPolygonBit = 0x8, GlDepthBufferBit = 0x100;
constexpr unsigned GlTransformBit = 0x1000, GlEnableBit = 0x2000, GlColorBufferBit = 0x4000, GlTextureBit = 0x40000;
constexpr unsigned GlClientPixelStoreBit = 0x1, GlClientVertexArrayBit = 0x2;
constexpr unsigned GlStackOverflow = 0x0503, GlStackUnderflow = 0x0504;

constexpr int MaxLights = 8;
constexpr int MaxModelViewDepth = 32;
constexpr int MaxOtherDepth = 4;
constexpr int InheritColor = 1, InheritNormal = 2;

// ---------------------------------------------------------------------------
// Matrices, column-major, composed in float in OpenGL's order.

struct Matrix {
    float m[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
};

using glmath::multiply;
using glmath::rotateBy;
using glmath::translateBy;

// The transposed inverse of the upper 3 x 3 of m, column-major in n[9] (a
// GLSL mat3): what takes normals to eye coordinates.
void normalMatrix(const float m[16], float n[9]) {
    float rows[9];
    glmath::normalMatrix(m, rows);
    for (int r = 0; r < 3; ++r) {
        for (int col = 0; col < 3; ++col) n[3 * col + r] = rows[3 * r + col];
    }
}

// ---------------------------------------------------------------------------
// The shader: OpenGL 1.1's vertex lighting, texturing and fragment tests.

// Each program is built for the state it serves (the defines before the
// source): a software rasteriser pays for every branch at every pixel.
//   LIGHTS n     lighting on with n lights (0: lighting off)
//   TEXTURE      texturing on; ALPHA_TEXTURE an alpha texture; REPLACE GL_REPLACE
//   TEXGEN       eye-linear coordinate generation for some of s, t, r, q
//   ALPHA_TEST   the alpha test
//   STIPPLE      the polygon stipple
const char* const VertexShader = R"(
attribute vec3 aPosition;
attribute vec3 aLitPosition;
attribute vec3 aNormal;
attribute vec4 aColor;
attribute vec2 aTexCoord;
attribute float aInherit;
uniform mat4 uMvp;
uniform vec4 uCurrentColor;
varying vec4 vColor;
#if LIGHTS > 0
uniform mat4 uModelView;
uniform mat3 uNormalMatrix;
uniform vec3 uCurrentNormal;
uniform bool uColorMaterial;
uniform vec4 uMaterialAmbient;
uniform vec4 uMaterialDiffuse;
uniform vec4 uMaterialSpecular;
uniform vec4 uMaterialEmission;
uniform float uShininess;
uniform vec4 uSceneAmbient;
uniform vec4 uLightAmbient[LIGHTS];
uniform vec4 uLightDiffuse[LIGHTS];
uniform vec4 uLightSpecular[LIGHTS];
uniform vec4 uLightPosition[LIGHTS];
#endif
#ifdef TEXTURE
uniform mat4 uTextureMatrix;
varying vec4 vTexCoord;
#ifdef TEXGEN
#if LIGHTS == 0
uniform mat4 uModelView;
#endif
uniform vec4 uTexGenOn;
uniform vec4 uPlaneS;
uniform vec4 uPlaneT;
uniform vec4 uPlaneR;
uniform vec4 uPlaneQ;
#endif
#endif

void main() {
    gl_Position = uMvp * vec4(aPosition, 1.0);
    bool inheritColor = mod(aInherit, 2.0) >= 1.0;
    vec4 color = inheritColor ? uCurrentColor : aColor;
#if LIGHTS > 0
    bool inheritNormal = aInherit >= 2.0;
    vec3 n = uNormalMatrix * (inheritNormal ? uCurrentNormal : aNormal);
    vec3 eye = (uModelView * vec4(aLitPosition, 1.0)).xyz;
    vec4 ambient = uColorMaterial ? color : uMaterialAmbient;
    vec4 diffuse = uColorMaterial ? color : uMaterialDiffuse;
    vec3 lit = uMaterialEmission.rgb + uSceneAmbient.rgb * ambient.rgb;
    for (int i = 0; i < LIGHTS; ++i) {
        vec4 p = uLightPosition[i];
        vec3 l = normalize(p.w != 0.0 ? p.xyz - eye : p.xyz);
        float nDotL = dot(n, l);
        lit += uLightAmbient[i].rgb * ambient.rgb;
        if (nDotL > 0.0) {
            lit += nDotL * uLightDiffuse[i].rgb * diffuse.rgb;
            vec3 h = normalize(l + vec3(0.0, 0.0, 1.0));
            float nDotH = max(dot(n, h), 0.0);
            lit += pow(nDotH, uShininess) * uLightSpecular[i].rgb * uMaterialSpecular.rgb;
        }
    }
    color = clamp(vec4(lit, diffuse.a), 0.0, 1.0);
#endif
    vColor = color;
#ifdef TEXTURE
    vec4 t = vec4(aTexCoord, 0.0, 1.0);
#ifdef TEXGEN
    vec4 e = uModelView * vec4(aPosition, 1.0);
    t = mix(t, vec4(dot(uPlaneS, e), dot(uPlaneT, e), dot(uPlaneR, e), dot(uPlaneQ, e)), uTexGenOn);
#endif
    vTexCoord = uTextureMatrix * t;
#endif
}
)";

const char* const FragmentShader = R"(
#ifdef GL_FRAGMENT_PRECISION_HIGH
precision highp float;
#else
precision mediump float;
#endif
varying vec4 vColor;
#ifdef TEXTURE
uniform sampler2D uTexture;
varying vec4 vTexCoord;
#endif
#ifdef STIPPLE
uniform sampler2D uStipple;
#endif
#ifdef ALPHA_TEST
// 1 greater, 2 greater or equal, 3 less, 4 less or equal, 5 equal, 6 not equal, 7 never.
uniform int uAlphaFunc;
uniform float uAlphaRef;
#endif

void main() {
#ifdef STIPPLE
    if (texture2D(uStipple, gl_FragCoord.xy / 32.0).a < 0.5) discard;
#endif
    vec4 c = vColor;
#ifdef TEXTURE
    vec4 t = texture2DProj(uTexture, vTexCoord);
#if defined(ALPHA_TEXTURE) && defined(REPLACE)
    c.a = t.a;
#elif defined(ALPHA_TEXTURE)
    c.a *= t.a;
#elif defined(REPLACE)
    c.rgb = t.rgb;
#else
    c *= t;
#endif
#endif
#ifdef ALPHA_TEST
    bool pass = uAlphaFunc == 1 ? c.a > uAlphaRef : uAlphaFunc == 2 ? c.a >= uAlphaRef
              : uAlphaFunc == 3 ? c.a < uAlphaRef : uAlphaFunc == 4 ? c.a <= uAlphaRef
              : uAlphaFunc == 5 ? c.a == uAlphaRef : uAlphaFunc == 6 ? c.a != uAlphaRef : false;
    if (!pass) discard;
#endif
    gl_FragColor = c;
}
)";

enum Attribute { APosition, ALitPosition, ANormal, AColor, ATexCoord, AInherit, AttributeCount };
const char* const AttributeNames[AttributeCount] = {"aPosition", "aLitPosition", "aNormal",
                                                    "aColor",    "aTexCoord",    "aInherit"};

enum Uniform {
    UMvp,
    UModelView,
    UNormalMatrix,
    UTextureMatrix,
    UCurrentColor,
    UCurrentNormal,
    UColorMaterial,
    UMaterialAmbient,
    UMaterialDiffuse,
    UMaterialSpecular,
    UMaterialEmission,
    UShininess,
    USceneAmbient,
    ULightAmbient,
    ULightDiffuse,
    ULightSpecular,
    ULightPosition,
    UTexGenOn,
    UPlaneS,
    UPlaneT,
    UPlaneR,
    UPlaneQ,
    UTexture,
    UStipple,
    UAlphaFunc,
    UAlphaRef,
    UniformCount
};
const char* const UniformNames[UniformCount] = {"uMvp",
                                                "uModelView",
                                                "uNormalMatrix",
                                                "uTextureMatrix",
                                                "uCurrentColor",
                                                "uCurrentNormal",
                                                "uColorMaterial",
                                                "uMaterialAmbient",
                                                "uMaterialDiffuse",
                                                "uMaterialSpecular",
                                                "uMaterialEmission",
                                                "uShininess",
                                                "uSceneAmbient",
                                                "uLightAmbient[0]",
                                                "uLightDiffuse[0]",
                                                "uLightSpecular[0]",
                                                "uLightPosition[0]",
                                                "uTexGenOn",
                                                "uPlaneS",
                                                "uPlaneT",
                                                "uPlaneR",
                                                "uPlaneQ",
                                                "uTexture",
                                                "uStipple",
                                                "uAlphaFunc",
                                                "uAlphaRef"};

// ---------------------------------------------------------------------------
// Geometry.

// A vertex as issued: position, normal, colour, texture coordinates and
// which of them the list it was recorded in takes from outside.
struct Issued {
    float p[3];
    float n[3];
    float c[4];
    float t[2];
    int inherit;
};

// A vertex as the shader takes it: the lighting inputs are the vertex's own
// (smooth shading) or the triangle's last vertex's (flat shading).
struct ShaderVertex {
    float p[3];
    float litP[3];
    float n[3];
    float c[4];
    float t[2];
    float inherit;
};

// Appends the triangles of primitive `mode` over v, in OpenGL's vertex order,
// each corner with the lighting inputs of its triangle's provoking vertex when
// flat. swapFirstTwo turns each triangle's winding round (its last vertex stays).
void unroll(unsigned mode, const Issued* v, int count, bool flat, bool swapFirstTwo, std::vector<ShaderVertex>* out) {
    auto emit = [&](int a, int b, int c, int provoking) {
        const int corners[3] = {swapFirstTwo ? b : a, swapFirstTwo ? a : b, c};
        const Issued& pv = v[provoking];
        for (int k : corners) {
            const Issued& s = v[k];
            const Issued& lit = flat ? pv : s;
            ShaderVertex o;
            std::memcpy(o.p, s.p, sizeof o.p);
            std::memcpy(o.litP, lit.p, sizeof o.litP);
            std::memcpy(o.n, lit.n, sizeof o.n);
            std::memcpy(o.c, lit.c, sizeof o.c);
            std::memcpy(o.t, s.t, sizeof o.t);
            o.inherit = static_cast<float>(lit.inherit);
            out->push_back(o);
        }
    };
    switch (mode) {
    case GL_TRIANGLES:
        for (int i = 0; i + 2 < count; i += 3) emit(i, i + 1, i + 2, i + 2);
        break;
    case GL_TRIANGLE_STRIP:
        for (int i = 0; i + 2 < count; ++i) {
            if (i % 2 == 0) {
                emit(i, i + 1, i + 2, i + 2);
            } else {
                emit(i + 1, i, i + 2, i + 2);
            }
        }
        break;
    case GL_TRIANGLE_FAN:
        for (int i = 1; i + 1 < count; ++i) emit(0, i, i + 1, i + 1);
        break;
    case GlQuads:
        for (int i = 0; i + 3 < count; i += 4) {
            emit(i, i + 1, i + 3, i + 3);
            emit(i + 1, i + 2, i + 3, i + 3);
        }
        break;
    case GlQuadStrip:
        for (int i = 0; i + 3 < count; i += 2) {
            // Split along the diagonal from i to i + 3, as Mesa splits it: a
            // sphere's quads are not flat, so the diagonal shows. Flat takes i + 3.
            emit(i + 2, i, i + 3, i + 3);
            emit(i, i + 1, i + 3, i + 3);
        }
        break;
    default:
        break;
    }
}

// A display list: its meshes (in buffer objects, made on first use for the
// shade model in force) and what it does between and after them.
struct ListMeshPart {
    unsigned mode = GL_TRIANGLES;
    std::vector<Issued> vertices;                      // one primitive after another
    std::vector<std::pair<unsigned, int>> primitives;  // mode and vertex count
    bool ownWinding = true;                            // wound counter-clockwise here; false: the caller's winding
    GLuint buffer[2] = {0, 0};                         // smooth, flat
    int count[2] = {0, 0};
};

struct ListOp {
    enum Kind { Mesh, Translate, CallList, Enable, Disable, BlendFunc, Light, BindTexture } kind;
    int mesh = -1;
    unsigned u[2] = {0, 0};
    float f[4] = {0, 0, 0, 0};
};

struct DisplayList {
    std::vector<ListMeshPart> meshes;
    std::vector<ListOp> ops;
    bool exitColor = false, exitNormal = false, exitTexCoord = false, exitWinding = false;
    float color[4] = {1, 1, 1, 1};
    float normal[3] = {0, 0, 1};
    float texCoord[2] = {0, 0};
    unsigned winding = GL_CCW;
};

// ---------------------------------------------------------------------------
// State.

struct LightState {
    float ambient[4] = {0, 0, 0, 1};
    float diffuse[4] = {0, 0, 0, 1};
    float specular[4] = {0, 0, 0, 1};
    float position[4] = {0, 0, 1, 0};  // eye coordinates
};

// Server state, grouped as glPushAttrib groups it.
struct CurrentGroup {
    float color[4] = {1, 1, 1, 1};
    float normal[3] = {0, 0, 1};
    float texCoord[2] = {0, 0};
};
struct EnableGroup {
    bool depthTest = false, cullFace = false, lighting = false, colorMaterial = false, texture2d = false;
    bool blend = false, alphaTest = false, stipple = false, normalize = false;
    bool light[MaxLights] = {};
    bool texGen[4] = {};
};
struct LightingGroup {
    LightState lights[MaxLights];
    float materialAmbient[4] = {0.2f, 0.2f, 0.2f, 1};
    float materialDiffuse[4] = {0.8f, 0.8f, 0.8f, 1};
    float materialSpecular[4] = {0, 0, 0, 1};
    float materialEmission[4] = {0, 0, 0, 1};
    float shininess = 0;
    float sceneAmbient[4] = {0.2f, 0.2f, 0.2f, 1};
    unsigned colorMaterialMode = GlAmbientAndDiffuse;
    bool flat = false;
    LightingGroup() {
        for (int i = 0; i < 4; ++i) {
            lights[0].diffuse[i] = 1;
            lights[0].specular[i] = 1;
        }
    }
};
struct TextureGroup {
    unsigned bound = 0;
    unsigned envMode = GlModulate;
    unsigned genMode[4] = {GlEyeLinear, GlEyeLinear, GlEyeLinear, GlEyeLinear};
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
    unsigned matrixMode = GlModelview;
    DepthGroup depth;
};

struct ClientArray {
    bool on = false;
    int size = 4;
    int stride = 0;
    const float* pointer = nullptr;
};
struct ClientState {
    ClientArray vertex, normal, color, texCoord;
    int unpackAlignment = 4;
};

// What ES holds now, so that a draw changes only what differs.
struct EsState {
    bool valid = false;
    bool depthTest, cull, blend, depthMask;
    unsigned depthFunc, frontFace, blendSrc, blendDst;
    unsigned texture;
};

// A shader program built for one state (see the defines above), with the
// uniform values it was last given.
struct Program {
    GLuint id = 0;
    GLint at[UniformCount] = {};
    float values[UniformCount][4 * MaxLights] = {};
    bool known[UniformCount] = {};
};

// ES 2.0's own buffer entry points, for the vertex stream.
BufferProcs esBufferProcs() {
    BufferProcs p;
    p.genBuffers = [](int n, unsigned* b) { glGenBuffers(n, b); };
    p.deleteBuffers = [](int n, const unsigned* b) { glDeleteBuffers(n, b); };
    p.bindBuffer = [](unsigned target, unsigned b) { glBindBuffer(target, b); };
    p.bufferData = [](unsigned target, std::ptrdiff_t bytes, const void* data, unsigned usage) {
        glBufferData(target, static_cast<GLsizeiptr>(bytes), data, usage);
    };
    p.bufferSubData = [](unsigned target, std::ptrdiff_t offset, std::ptrdiff_t bytes, const void* data) {
        glBufferSubData(target, static_cast<GLintptr>(offset), static_cast<GLsizeiptr>(bytes), data);
    };
    return p;
}

class Gles2Backend final : public GlBackend {
public:
    const char* name() const override { return "gles2"; }
    void beginFrame() override { stream_.beginFrame(); }

    bool start(std::string* error) {
        *this = Gles2Backend();
        if (!makeObjects(error)) return false;
        started_ = true;
        return true;
    }

    // The context was lost: its objects went with it. Forgets their names
    // without deleting them (there is nothing left to delete them in) and
    // keeps every state, matrix and list the renderer set.
    void lose() {
        if (!started_) return;
        for (auto& entry : lists_) {
            for (ListMeshPart& m : entry.second.meshes) m.buffer[0] = m.buffer[1] = 0;
        }
        textures_.clear();
        programs_.clear();
        current_ = nullptr;
        stream_ = VertexStream();
        stippleTexture_ = 0;
        es_ = EsState();
        lost_ = true;
    }

    // A new context is current after a loss: the objects are made again (the
    // lists' buffers on their next use) and ES is given the viewport and
    // unpacking it had.
    bool restore(std::string* error) {
        if (!started_ || !lost_) return started_;
        if (!makeObjects(error)) return false;
        lost_ = false;
        glViewport(viewport_[0], viewport_[1], viewport_[2], viewport_[3]);
        glPixelStorei(GL_UNPACK_ALIGNMENT, client_.unpackAlignment);
        return true;
    }

    void stop() {
        if (!started_) return;
        if (lost_) lose();  // only forget: the lists' buffers went with the old context
        for (auto& entry : lists_) freeList(entry.second);
        lists_.clear();
        stream_.stop();
        glDeleteTextures(1, &stippleTexture_);
        glUseProgram(0);  // a program in use would outlive its deletion
        for (auto& entry : programs_) glDeleteProgram(entry.second.id);
        *this = Gles2Backend();
    }

private:
    // The start-up program, the stream buffer and the stipple texture.
    bool makeObjects(std::string* error) {
        // The program of the battle's usual state, built now so that a
        // context that cannot run the shaders says so at start-up.
        if (program(LitKey(3) | TextureKey, error) == nullptr) return false;
        if (!stream_.start(esBufferProcs())) {
            *error = "gles2: cannot make the vertex stream's buffers";
            return false;
        }
        glGenTextures(1, &stippleTexture_);
        glBindTexture(GL_TEXTURE_2D, stippleTexture_);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        std::vector<unsigned char> full(32 * 32, 255);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_ALPHA, 32, 32, 0, GL_ALPHA, GL_UNSIGNED_BYTE, full.data());
        glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
        glBindTexture(GL_TEXTURE_2D, 0);
        return true;
    }

public:
    // --- immediate mode ----------------------------------------------------

    void Begin(unsigned mode) override {
        mode_ = mode;
        primitive_.clear();
    }
    void End() override {
        if (compiling_ != nullptr) {
            recordPrimitive();
        } else {
            drawIssued(mode_, primitive_.data(), static_cast<int>(primitive_.size()));
        }
    }
    void Vertex3f(float x, float y, float z) override {
        Issued v;
        v.p[0] = x;
        v.p[1] = y;
        v.p[2] = z;
        std::memcpy(v.n, state_.current.normal, sizeof v.n);
        std::memcpy(v.c, state_.current.color, sizeof v.c);
        std::memcpy(v.t, state_.current.texCoord, sizeof v.t);
        v.inherit =
            compiling_ == nullptr ? 0 : (listColorKnown_ ? 0 : InheritColor) | (listNormalKnown_ ? 0 : InheritNormal);
        primitive_.push_back(v);
    }
    void Normal3f(float x, float y, float z) override {
        const float n[3] = {x, y, z};
        Normal3fv(n);
    }
    void Normal3fv(const float* v) override {
        std::memcpy(state_.current.normal, v, 3 * sizeof(float));
        if (compiling_ != nullptr) {
            listNormalKnown_ = true;
            compiling_->exitNormal = true;
            std::memcpy(compiling_->normal, v, 3 * sizeof(float));
        }
    }
    void Color3f(float r, float g, float b) override { Color4f(r, g, b, 1.0f); }
    void Color3fv(const float* v) override { Color4f(v[0], v[1], v[2], 1.0f); }
    void Color4fv(const float* v) override { Color4f(v[0], v[1], v[2], v[3]); }
    void Color4f(float r, float g, float b, float a) override {
        const float c[4] = {r, g, b, a};
        std::memcpy(state_.current.color, c, sizeof c);
        if (compiling_ != nullptr) {
            listColorKnown_ = true;
            compiling_->exitColor = true;
            std::memcpy(compiling_->color, c, sizeof c);
        }
    }
    void TexCoord2f(float s, float t) override {
        state_.current.texCoord[0] = s;
        state_.current.texCoord[1] = t;
        if (compiling_ != nullptr) {
            compiling_->exitTexCoord = true;
            compiling_->texCoord[0] = s;
            compiling_->texCoord[1] = t;
        }
    }

    // --- client arrays -----------------------------------------------------

    void VertexPointer(int size, unsigned type, int stride, const void* p) override {
        setArray(&client_.vertex, size, type, stride, p);
    }
    void NormalPointer(unsigned type, int stride, const void* p) override {
        setArray(&client_.normal, 3, type, stride, p);
    }
    void ColorPointer(int size, unsigned type, int stride, const void* p) override {
        setArray(&client_.color, size, type, stride, p);
    }
    void TexCoordPointer(int size, unsigned type, int stride, const void* p) override {
        setArray(&client_.texCoord, size, type, stride, p);
    }
    void EnableClientState(unsigned array) override { clientArray(array, true); }
    void DisableClientState(unsigned array) override { clientArray(array, false); }
    void DrawArrays(unsigned mode, int first, int count) override {
        if (!client_.vertex.on || client_.vertex.pointer == nullptr || count <= 0) return;
        issued_.resize(static_cast<std::size_t>(count));
        auto at = [](const ClientArray& a, int i) {
            const int stride = a.stride != 0 ? a.stride : a.size * static_cast<int>(sizeof(float));
            return reinterpret_cast<const float*>(reinterpret_cast<const char*>(a.pointer) +
                                                  static_cast<std::ptrdiff_t>(stride) * i);
        };
        for (int k = 0; k < count; ++k) {
            Issued& v = issued_[static_cast<std::size_t>(k)];
            const float* p = at(client_.vertex, first + k);
            v.p[0] = p[0];
            v.p[1] = p[1];
            v.p[2] = client_.vertex.size >= 3 ? p[2] : 0.0f;
            if (client_.normal.on) {
                std::memcpy(v.n, at(client_.normal, first + k), sizeof v.n);
            } else {
                std::memcpy(v.n, state_.current.normal, sizeof v.n);
            }
            if (client_.color.on) {
                const float* c = at(client_.color, first + k);
                v.c[0] = c[0];
                v.c[1] = c[1];
                v.c[2] = c[2];
                v.c[3] = client_.color.size == 4 ? c[3] : 1.0f;
            } else {
                std::memcpy(v.c, state_.current.color, sizeof v.c);
            }
            if (client_.texCoord.on) {
                std::memcpy(v.t, at(client_.texCoord, first + k), sizeof v.t);
            } else {
                std::memcpy(v.t, state_.current.texCoord, sizeof v.t);
            }
            v.inherit = 0;
        }
        drawIssued(mode, issued_.data(), count);
    }

    // --- display lists -----------------------------------------------------

    void NewList(unsigned list, unsigned) override {
        compilingId_ = list;
        compiling_ = std::make_unique<DisplayList>();
        listColorKnown_ = listNormalKnown_ = listWindingKnown_ = false;
        listWinding_ = GL_CCW;
        saved_ = state_.current;
    }
    void EndList() override {
        if (compiling_ == nullptr) return;
        endSegment();
        compiling_->exitWinding = listWindingKnown_;
        compiling_->winding = listWinding_;
        auto found = lists_.find(compilingId_);
        if (found != lists_.end()) {
            freeList(found->second);
            lists_.erase(found);
        }
        lists_.emplace(compilingId_, std::move(*compiling_));
        compiling_.reset();
        // Compiling executes nothing (GL_COMPILE).
        state_.current = saved_;
    }
    void CallList(unsigned id) override {
        if (compiling_ != nullptr) {
            barrier(ListOp::CallList, id);
            return;
        }
        auto found = lists_.find(id);
        if (found == lists_.end() || callDepth_ > 8) return;
        ++callDepth_;
        DisplayList& list = found->second;
        for (const ListOp& op : list.ops) {
            switch (op.kind) {
            case ListOp::Mesh:
                drawMesh(list.meshes[static_cast<std::size_t>(op.mesh)]);
                break;
            case ListOp::Translate:
                Translatef(op.f[0], op.f[1], op.f[2]);
                break;
            case ListOp::CallList:
                CallList(op.u[0]);
                break;
            case ListOp::Enable:
                Enable(op.u[0]);
                break;
            case ListOp::Disable:
                Disable(op.u[0]);
                break;
            case ListOp::BlendFunc:
                BlendFunc(op.u[0], op.u[1]);
                break;
            case ListOp::Light:
                Lightfv(op.u[0], op.u[1], op.f);
                break;
            case ListOp::BindTexture:
                BindTexture(op.u[0], op.u[1]);
                break;
            }
        }
        --callDepth_;
        if (list.exitColor) std::memcpy(state_.current.color, list.color, sizeof list.color);
        if (list.exitNormal) std::memcpy(state_.current.normal, list.normal, sizeof list.normal);
        if (list.exitTexCoord) std::memcpy(state_.current.texCoord, list.texCoord, sizeof list.texCoord);
        if (list.exitWinding) state_.frontFace = list.winding;
    }

    void DeleteLists(unsigned first, int range) override {
        for (auto at = lists_.lower_bound(first); at != lists_.end() && at->first - first < unsigned(range);) {
            freeList(at->second);
            at = lists_.erase(at);
        }
    }

    // --- matrices ----------------------------------------------------------

    void MatrixMode(unsigned mode) override {
        if (mode == GlModelview || mode == GlProjection || mode == GlTexture) state_.matrixMode = mode;
    }
    void LoadIdentity() override { top() = Matrix(); }
    void LoadMatrixf(const float* m) override { std::memcpy(top().m, m, sizeof(Matrix::m)); }
    void MultMatrixf(const float* m) override { multiply(top().m, top().m, m); }
    void PushMatrix() override {
        std::vector<Matrix>& s = stack();
        if (static_cast<int>(s.size()) >= (state_.matrixMode == GlModelview ? MaxModelViewDepth : MaxOtherDepth)) {
            error_ = GlStackOverflow;
            return;
        }
        s.push_back(s.back());
    }
    void PopMatrix() override {
        std::vector<Matrix>& s = stack();
        if (s.size() <= 1) {
            error_ = GlStackUnderflow;
            return;
        }
        s.pop_back();
    }
    void Rotatef(float angle, float x, float y, float z) override { rotateBy(top().m, angle, x, y, z); }
    void Translatef(float x, float y, float z) override {
        if (compiling_ != nullptr) {
            // Kept as a matrix change between meshes rather than baked into
            // the vertices: the rounding then is OpenGL's, and coplanar
            // parts of a ship keep their depth order.
            endSegment();
            ListOp op{ListOp::Translate};
            op.f[0] = x;
            op.f[1] = y;
            op.f[2] = z;
            compiling_->ops.push_back(op);
            return;
        }
        translateBy(top().m, x, y, z);
    }
    void Viewport(int x, int y, int width, int height) override {
        viewport_[0] = x;
        viewport_[1] = y;
        viewport_[2] = width;
        viewport_[3] = height;
        glViewport(x, y, width, height);
    }

    // --- server state ------------------------------------------------------

    void Enable(unsigned cap) override { setCap(cap, true); }
    void Disable(unsigned cap) override { setCap(cap, false); }
    void AlphaFunc(unsigned func, float ref) override {
        state_.colorBuffer.alphaFunc = func;
        state_.colorBuffer.alphaRef = std::min(1.0f, std::max(0.0f, ref));
    }
    void BlendFunc(unsigned s, unsigned d) override {
        if (compiling_ != nullptr) {
            ListOp op{ListOp::BlendFunc};
            op.u[0] = s;
            op.u[1] = d;
            endSegment();
            compiling_->ops.push_back(op);
            return;
        }
        state_.colorBuffer.blendSrc = s;
        state_.colorBuffer.blendDst = d;
    }
    void DepthFunc(unsigned func) override { state_.depth.func = func; }
    void DepthMask(unsigned char flag) override { state_.depth.mask = flag != 0; }
    void FrontFace(unsigned mode) override {
        if (compiling_ != nullptr) {
            listWindingKnown_ = true;
            listWinding_ = mode;
            return;
        }
        state_.frontFace = mode;
    }
    void ShadeModel(unsigned mode) override { state_.lighting.flat = mode == GlFlat; }
    void PolygonStipple(const unsigned char* mask) override {
        // Row y of the mask is bytes 4y..4y+3, the first pixel in the highest
        // bit; row 0 is the bottom row, as texture row 0 is.
        unsigned char alpha[32 * 32];
        for (int y = 0; y < 32; ++y) {
            for (int x = 0; x < 32; ++x) alpha[32 * y + x] = (mask[4 * y + x / 8] & (0x80 >> (x % 8))) != 0 ? 255 : 0;
        }
        glActiveTexture(GL_TEXTURE1);
        glBindTexture(GL_TEXTURE_2D, stippleTexture_);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 32, 32, GL_ALPHA, GL_UNSIGNED_BYTE, alpha);
        glPixelStorei(GL_UNPACK_ALIGNMENT, client_.unpackAlignment);
        glActiveTexture(GL_TEXTURE0);
    }
    void PushAttrib(unsigned mask) override { attribStack_.push_back({mask, state_}); }
    void PopAttrib() override {
        if (attribStack_.empty()) {
            error_ = GlStackUnderflow;
            return;
        }
        const unsigned mask = attribStack_.back().first;
        const AttribState& s = attribStack_.back().second;
        if (mask & GlCurrentBit) state_.current = s.current;
        if (mask & GlEnableBit) state_.enable = s.enable;
        if (mask & GlLightingBit) {
            state_.lighting = s.lighting;
            state_.enable.lighting = s.enable.lighting;
            state_.enable.colorMaterial = s.enable.colorMaterial;
            std::memcpy(state_.enable.light, s.enable.light, sizeof s.enable.light);
        }
        if (mask & GlPolygonBit) {
            state_.frontFace = s.frontFace;
            state_.enable.cullFace = s.enable.cullFace;
            state_.enable.stipple = s.enable.stipple;
        }
        if (mask & GlTextureBit) {
            state_.texture = s.texture;
            state_.enable.texture2d = s.enable.texture2d;
            std::memcpy(state_.enable.texGen, s.enable.texGen, sizeof s.enable.texGen);
        }
        if (mask & GlColorBufferBit) {
            state_.colorBuffer = s.colorBuffer;
            state_.enable.blend = s.enable.blend;
            state_.enable.alphaTest = s.enable.alphaTest;
        }
        if (mask & GlTransformBit) {
            state_.matrixMode = s.matrixMode;
            state_.enable.normalize = s.enable.normalize;
        }
        if (mask & GlDepthBufferBit) {
            state_.depth = s.depth;
            state_.enable.depthTest = s.enable.depthTest;
        }
        attribStack_.pop_back();
    }
    void PushClientAttrib(unsigned mask) override { clientStack_.push_back({mask, client_}); }
    void PopClientAttrib() override {
        if (clientStack_.empty()) {
            error_ = GlStackUnderflow;
            return;
        }
        const unsigned mask = clientStack_.back().first;
        const ClientState& s = clientStack_.back().second;
        if (mask & GlClientVertexArrayBit) {
            client_.vertex = s.vertex;
            client_.normal = s.normal;
            client_.color = s.color;
            client_.texCoord = s.texCoord;
        }
        if (mask & GlClientPixelStoreBit) PixelStorei(GL_UNPACK_ALIGNMENT, s.unpackAlignment);
        clientStack_.pop_back();
    }
    void ClearColor(float r, float g, float b, float a) override {
        const float c[4] = {r, g, b, a};
        std::memcpy(state_.colorBuffer.clearColor, c, sizeof c);
    }
    void ClearDepth(double depth) override { state_.depth.clear = static_cast<float>(depth); }
    void Clear(unsigned mask) override {
        const float* c = state_.colorBuffer.clearColor;
        glClearColor(c[0], c[1], c[2], c[3]);
        glClearDepthf(state_.depth.clear);
        applyDepthMask();
        glClear(mask & (GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT));
    }
    void Flush() override { glFlush(); }
    unsigned GetError() override {
        if (error_ != GL_NO_ERROR) {
            const unsigned e = error_;
            error_ = GL_NO_ERROR;
            return e;
        }
        return glGetError();
    }
    const unsigned char* GetString(unsigned name) override { return glGetString(name); }
    void GetFloatv(unsigned pname, float* out) override {
        switch (pname) {
        case GlModelviewMatrix:
            std::memcpy(out, modelView_.back().m, sizeof(Matrix::m));
            break;
        case GlProjectionMatrix:
            std::memcpy(out, projection_.back().m, sizeof(Matrix::m));
            break;
        case GlTextureMatrix:
            std::memcpy(out, texture_.back().m, sizeof(Matrix::m));
            break;
        case GlCurrentColor:
            std::memcpy(out, state_.current.color, 4 * sizeof(float));
            break;
        case GlCurrentNormal:
            std::memcpy(out, state_.current.normal, 3 * sizeof(float));
            break;
        default:
            error_ = GL_INVALID_ENUM;
        }
    }
    void GetIntegerv(unsigned pname, int* out) override {
        switch (pname) {
        case GL_VIEWPORT:
            std::memcpy(out, viewport_, sizeof viewport_);
            break;
        case GL_FRONT_FACE:
            *out = static_cast<int>(state_.frontFace);
            break;
        case GlMatrixModeName:
            *out = static_cast<int>(state_.matrixMode);
            break;
        default:
            error_ = GL_INVALID_ENUM;
        }
    }

    // --- lighting ----------------------------------------------------------

    void Lightfv(unsigned light, unsigned pname, const float* p) override {
        const int i = static_cast<int>(light - GlLight0);
        if (i < 0 || i >= MaxLights) {
            error_ = GL_INVALID_ENUM;
            return;
        }
        if (compiling_ != nullptr) {
            ListOp op{ListOp::Light};
            op.u[0] = light;
            op.u[1] = pname;
            std::memcpy(op.f, p, sizeof op.f);
            endSegment();
            compiling_->ops.push_back(op);
            return;
        }
        LightState& l = state_.lighting.lights[i];
        switch (pname) {
        case GlAmbient:
            std::memcpy(l.ambient, p, sizeof l.ambient);
            break;
        case GlDiffuse:
            std::memcpy(l.diffuse, p, sizeof l.diffuse);
            break;
        case GlSpecular:
            std::memcpy(l.specular, p, sizeof l.specular);
            break;
        case GlPosition: {
            // Taken to eye coordinates by the model-view matrix in force.
            const float* m = modelView_.back().m;
            for (int r = 0; r < 4; ++r)
                l.position[r] = m[r] * p[0] + m[4 + r] * p[1] + m[8 + r] * p[2] + m[12 + r] * p[3];
            break;
        }
        default:
            break;  // attenuation and spot lights: not used by this program
        }
    }
    void Materialfv(unsigned, unsigned pname, const float* p) override {
        LightingGroup& g = state_.lighting;
        switch (pname) {
        case GlAmbient:
            std::memcpy(g.materialAmbient, p, sizeof g.materialAmbient);
            break;
        case GlDiffuse:
            std::memcpy(g.materialDiffuse, p, sizeof g.materialDiffuse);
            break;
        case GlAmbientAndDiffuse:
            std::memcpy(g.materialAmbient, p, sizeof g.materialAmbient);
            std::memcpy(g.materialDiffuse, p, sizeof g.materialDiffuse);
            break;
        case GlSpecular:
            std::memcpy(g.materialSpecular, p, sizeof g.materialSpecular);
            break;
        case GlEmission:
            std::memcpy(g.materialEmission, p, sizeof g.materialEmission);
            break;
        case GlShininess:
            g.shininess = p[0];
            break;
        default:
            error_ = GL_INVALID_ENUM;
        }
    }
    void Materiali(unsigned face, unsigned pname, int param) override {
        const float p[4] = {static_cast<float>(param), 0, 0, 0};
        Materialfv(face, pname, p);
    }
    void ColorMaterial(unsigned, unsigned mode) override { state_.lighting.colorMaterialMode = mode; }

    // --- textures ----------------------------------------------------------

    void GenTextures(int n, unsigned* names) override { glGenTextures(n, names); }
    void DeleteTextures(int n, const unsigned* names) override {
        for (int i = 0; i < n; ++i) textures_.erase(names[i]);
        glDeleteTextures(n, names);
    }
    void BindTexture(unsigned target, unsigned texture) override {
        if (compiling_ != nullptr) {
            ListOp op{ListOp::BindTexture};
            op.u[0] = target;
            op.u[1] = texture;
            endSegment();
            compiling_->ops.push_back(op);
            return;
        }
        state_.texture.bound = texture;
    }
    void TexParameteri(unsigned target, unsigned pname, int param) override {
        bindForUpdate();
        glTexParameteri(target, pname, param);
        if (pname == GL_TEXTURE_MIN_FILTER) {
            TextureInfo& info = textures_[state_.texture.bound];
            info.mipmapped = param != GL_NEAREST && param != GL_LINEAR;
            makeMipmaps(info);
        }
    }
    void TexImage2D(unsigned target, int level, int internalFormat, int width, int height, int border, unsigned format,
                    unsigned type, const void* pixels) override {
        // ES takes the format as the internal format; OpenGL 1.1's component counts name them.
        unsigned esFormat = format;
        if (internalFormat == 3) esFormat = GL_RGB;
        if (internalFormat == 4) esFormat = GL_RGBA;
        if (internalFormat == GL_ALPHA) esFormat = GL_ALPHA;
        bindForUpdate();
        glTexImage2D(target, level, static_cast<GLint>(esFormat), width, height, border, format, type, pixels);
        if (level == 0) {
            TextureInfo& info = textures_[state_.texture.bound];
            info.alpha = esFormat == GL_ALPHA;
            info.hasImage = width > 0 && height > 0;
            info.powerOfTwo = (width & (width - 1)) == 0 && (height & (height - 1)) == 0;
            makeMipmaps(info);
        }
    }
    void TexEnvi(unsigned, unsigned pname, int param) override {
        if (pname == GlTextureEnvMode) state_.texture.envMode = static_cast<unsigned>(param);
    }
    void TexGeni(unsigned coord, unsigned pname, int param) override {
        const unsigned i = coord - GlS;
        if (i < 4 && pname == GlTextureGenMode) state_.texture.genMode[i] = static_cast<unsigned>(param);
    }
    void TexGenfv(unsigned coord, unsigned pname, const float* p) override {
        const unsigned i = coord - GlS;
        if (i >= 4 || pname != GlEyePlane) return;
        // The plane is taken through the inverse of the model-view matrix in force.
        float inverse[16];
        if (!glmath::invert(modelView_.back().m, inverse)) return;
        for (int c = 0; c < 4; ++c) {
            state_.texture.eyePlane[i][c] = p[0] * inverse[4 * c] + p[1] * inverse[4 * c + 1] +
                                            p[2] * inverse[4 * c + 2] + p[3] * inverse[4 * c + 3];
        }
    }
    void PixelStorei(unsigned pname, int param) override {
        if (pname == GL_UNPACK_ALIGNMENT) {
            client_.unpackAlignment = param;
            glPixelStorei(GL_UNPACK_ALIGNMENT, param);
        }
        // Row length and skips: this program only ever sets them to 0, ES's fixed values.
    }

    // --- GLU ---------------------------------------------------------------

    void LookAt(double eyeX, double eyeY, double eyeZ, double cx, double cy, double cz, double upX, double upY,
                double upZ) override {
        const double eye[3] = {eyeX, eyeY, eyeZ}, centre[3] = {cx, cy, cz}, up[3] = {upX, upY, upZ};
        glmath::lookAtBy(top().m, eye, centre, up);
    }
    void Perspective(double fovy, double aspect, double zNear, double zFar) override {
        Matrix m;
        if (glmath::perspective(m.m, fovy, aspect, zNear, zFar)) MultMatrixf(m.m);
    }
    GLUquadric* NewQuadric() override {
        // Spheres are always filled, smooth and facing outward here: the
        // object carries nothing.
        static char token;
        return reinterpret_cast<GLUquadric*>(&token);
    }
    void DeleteQuadric(GLUquadric*) override {}
    void QuadricDrawStyle(GLUquadric*, unsigned) override {}
    void QuadricOrientation(GLUquadric*, unsigned) override {}
    void Sphere(GLUquadric*, double radius, int slices, int stacks) override {
        struct Emitter {
            Gles2Backend& gl;
            void begin(SpherePiece piece) {
                gl.Begin(piece == SpherePiece::TriangleFan ? GL_TRIANGLE_FAN : GlQuadStrip);
            }
            void normal(float x, float y, float z) { gl.Normal3f(x, y, z); }
            void vertex(float x, float y, float z) { gl.Vertex3f(x, y, z); }
            void end() { gl.End(); }
        } emitter{*this};
        tessellateGluSphere(radius, slices, stacks, emitter);
    }

private:
    struct TextureInfo {
        bool alpha = false;
        bool hasImage = false;
        bool powerOfTwo = false;
        bool mipmapped = false;  // a mipmap minification filter
    };

    std::vector<Matrix>& stack() {
        return state_.matrixMode == GlProjection ? projection_ : state_.matrixMode == GlTexture ? texture_ : modelView_;
    }
    Matrix& top() { return stack().back(); }

    void setArray(ClientArray* a, int size, unsigned type, int stride, const void* p) {
        if (type != GL_FLOAT) {
            error_ = GL_INVALID_ENUM;  // this program hands over floats only
            return;
        }
        a->size = size;
        a->stride = stride;
        a->pointer = static_cast<const float*>(p);
    }
    void clientArray(unsigned array, bool on) {
        if (array == GlVertexArray) client_.vertex.on = on;
        if (array == GlNormalArray) client_.normal.on = on;
        if (array == GlColorArray) client_.color.on = on;
        if (array == GlTexCoordArray) client_.texCoord.on = on;
    }

    void setCap(unsigned cap, bool on) {
        if (compiling_ != nullptr) {
            endSegment();
            ListOp op{on ? ListOp::Enable : ListOp::Disable};
            op.u[0] = cap;
            compiling_->ops.push_back(op);
            return;
        }
        EnableGroup& e = state_.enable;
        if (cap >= GlLight0 && cap < GlLight0 + MaxLights) {
            e.light[cap - GlLight0] = on;
        } else if (cap >= GlTextureGenS && cap < GlTextureGenS + 4) {
            e.texGen[cap - GlTextureGenS] = on;
        } else {
            switch (cap) {
            case GL_DEPTH_TEST:
                e.depthTest = on;
                break;
            case GL_CULL_FACE:
                e.cullFace = on;
                break;
            case GlLighting:
                e.lighting = on;
                break;
            case GlColorMaterial:
                e.colorMaterial = on;
                break;
            case GL_TEXTURE_2D:
                e.texture2d = on;
                break;
            case GL_BLEND:
                e.blend = on;
                break;
            case GlAlphaTest:
                e.alphaTest = on;
                break;
            case GlPolygonStipple:
                e.stipple = on;
                break;
            case GlNormalize:
                e.normalize = on;  // kept, not applied: this program never turns it on
                break;
            default:
                error_ = GL_INVALID_ENUM;
            }
        }
    }

    void bindForUpdate() {
        glActiveTexture(GL_TEXTURE0);
        glBindTexture(GL_TEXTURE_2D, state_.texture.bound);
        es_.texture = state_.texture.bound;
    }

    // gluBuild2DMipmaps's part: ES makes the levels of a power-of-two picture.
    void makeMipmaps(const TextureInfo& info) {
        if (info.mipmapped && info.hasImage && info.powerOfTwo) glGenerateMipmap(GL_TEXTURE_2D);
    }

    // --- list recording ---

    void barrier(ListOp::Kind kind, unsigned u0) {
        endSegment();
        ListOp op{kind};
        op.u[0] = u0;
        compiling_->ops.push_back(op);
    }

    // Closes the meshes recorded since the last state change.
    void endSegment() {
        for (int k = 0; k < 2; ++k) {
            if (segment_[k].vertices.empty()) continue;
            ListOp op{ListOp::Mesh};
            op.mesh = static_cast<int>(compiling_->meshes.size());
            compiling_->meshes.push_back(std::move(segment_[k]));
            compiling_->ops.push_back(op);
            segment_[k] = ListMeshPart();
        }
    }

    void recordPrimitive() {
        // Primitives of a known winding are kept counter-clockwise; the others
        // follow the caller's winding.
        ListMeshPart& part = segment_[listWindingKnown_ ? 0 : 1];
        part.ownWinding = listWindingKnown_;
        part.vertices.insert(part.vertices.end(), primitive_.begin(), primitive_.end());
        const unsigned mode = listWindingKnown_ && listWinding_ == GL_CW ? mode_ | 0x100u : mode_;
        part.primitives.push_back({mode, static_cast<int>(primitive_.size())});
    }

    void freeList(DisplayList& list) {
        for (ListMeshPart& m : list.meshes) {
            for (GLuint& b : m.buffer) {
                if (b != 0) glDeleteBuffers(1, &b);
                b = 0;
            }
        }
    }

    // --- drawing ---

    void drawMesh(ListMeshPart& mesh) {
        const int shade = state_.lighting.flat ? 1 : 0;
        if (mesh.buffer[shade] == 0) {
            scratch_.clear();
            int at = 0;
            for (const auto& p : mesh.primitives) {
                const bool swap = (p.first & 0x100u) != 0;
                unroll(p.first & 0xFFu, mesh.vertices.data() + at, p.second, shade == 1, swap, &scratch_);
                at += p.second;
            }
            glGenBuffers(1, &mesh.buffer[shade]);
            glBindBuffer(GL_ARRAY_BUFFER, mesh.buffer[shade]);
            glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(scratch_.size() * sizeof(ShaderVertex)),
                         scratch_.data(), GL_STATIC_DRAW);
            mesh.count[shade] = static_cast<int>(scratch_.size());
        }
        if (mesh.count[shade] == 0) return;
        const unsigned front = state_.frontFace;
        if (mesh.ownWinding) state_.frontFace = GL_CCW;
        prepareDraw();
        glBindBuffer(GL_ARRAY_BUFFER, mesh.buffer[shade]);
        pointAttributes(0);
        glDrawArrays(GL_TRIANGLES, 0, mesh.count[shade]);
        state_.frontFace = front;
    }

    void drawIssued(unsigned mode, const Issued* v, int count) {
        scratch_.clear();
        unroll(mode, v, count, state_.lighting.flat, false, &scratch_);
        if (scratch_.empty()) return;
        prepareDraw();
        const std::size_t bytes = scratch_.size() * sizeof(ShaderVertex);
        stream_.reserve(bytes);
        const char* at = stream_.put(scratch_.data(), bytes);
        pointAttributes(reinterpret_cast<std::uintptr_t>(at));
        glDrawArrays(GL_TRIANGLES, 0, static_cast<GLsizei>(scratch_.size()));
    }

    void pointAttributes(std::size_t offset) {
        const GLsizei stride = sizeof(ShaderVertex);
        auto at = [offset](std::size_t field) { return reinterpret_cast<const void*>(offset + field); };
        glVertexAttribPointer(APosition, 3, GL_FLOAT, GL_FALSE, stride, at(offsetof(ShaderVertex, p)));
        glVertexAttribPointer(ALitPosition, 3, GL_FLOAT, GL_FALSE, stride, at(offsetof(ShaderVertex, litP)));
        glVertexAttribPointer(ANormal, 3, GL_FLOAT, GL_FALSE, stride, at(offsetof(ShaderVertex, n)));
        glVertexAttribPointer(AColor, 4, GL_FLOAT, GL_FALSE, stride, at(offsetof(ShaderVertex, c)));
        glVertexAttribPointer(ATexCoord, 2, GL_FLOAT, GL_FALSE, stride, at(offsetof(ShaderVertex, t)));
        glVertexAttribPointer(AInherit, 1, GL_FLOAT, GL_FALSE, stride, at(offsetof(ShaderVertex, inherit)));
    }

    void applyDepthMask() {
        if (!es_.valid || es_.depthMask != state_.depth.mask) glDepthMask(state_.depth.mask ? GL_TRUE : GL_FALSE);
        es_.depthMask = state_.depth.mask;
    }

    void capability(GLenum cap, bool on, bool* known) {
        if (es_.valid && *known == on) return;
        if (on) {
            glEnable(cap);
        } else {
            glDisable(cap);
        }
        *known = on;
    }

    void uniform(Uniform u, const float* data, int floats, int kind) {
        Program& p = *current_;
        const GLint at = p.at[u];
        if (at < 0) return;  // not in this program
        if (p.known[u] && std::memcmp(p.values[u], data, static_cast<std::size_t>(floats) * sizeof(float)) == 0) return;
        std::memcpy(p.values[u], data, static_cast<std::size_t>(floats) * sizeof(float));
        p.known[u] = true;
        switch (kind) {
        case 0:
            glUniform1i(at, static_cast<GLint>(data[0]));
            break;
        case 1:
            glUniform1f(at, data[0]);
            break;
        case 3:
            glUniform3fv(at, 1, data);
            break;
        case 4:
            glUniform4fv(at, floats / 4, data);
            break;
        case 9:
            glUniformMatrix3fv(at, 1, GL_FALSE, data);
            break;
        case 16:
            glUniformMatrix4fv(at, 1, GL_FALSE, data);
            break;
        default:
            break;
        }
    }
    void flag(Uniform u, bool on) {
        const float v = on ? 1.0f : 0.0f;
        uniform(u, &v, 1, 0);
    }

    // Program keys: the light count in the low four bits, then the switches.
    static constexpr unsigned LitKey(int lights) { return static_cast<unsigned>(lights); }
    static constexpr unsigned TextureKey = 1u << 4, AlphaTextureKey = 1u << 5, ReplaceKey = 1u << 6;
    static constexpr unsigned TexGenKey = 1u << 7, AlphaTestKey = 1u << 8, StippleKey = 1u << 9;

    // The program for `key`, built on first use; null with *error set when it does not build.
    Program* program(unsigned key, std::string* error) {
        auto found = programs_.find(key);
        if (found != programs_.end()) return &found->second;
        std::string defines = "#define LIGHTS " + std::to_string(key & 15u) + "\n";
        if (key & TextureKey) defines += "#define TEXTURE\n";
        if (key & AlphaTextureKey) defines += "#define ALPHA_TEXTURE\n";
        if (key & ReplaceKey) defines += "#define REPLACE\n";
        if (key & TexGenKey) defines += "#define TEXGEN\n";
        if (key & AlphaTestKey) defines += "#define ALPHA_TEST\n";
        if (key & StippleKey) defines += "#define STIPPLE\n";
        Program p;
        if (!buildProgram(defines, &p, error)) return nullptr;
        return &programs_.emplace(key, p).first->second;
    }

    // Hands the state in force to ES before a draw.
    void prepareDraw() {
        const AttribState& s = state_;
        const EnableGroup& e = s.enable;
        if (!es_.valid) {
            for (int a = 0; a < AttributeCount; ++a) glEnableVertexAttribArray(static_cast<GLuint>(a));
            glActiveTexture(GL_TEXTURE1);
            glBindTexture(GL_TEXTURE_2D, stippleTexture_);
            glActiveTexture(GL_TEXTURE0);
            current_ = nullptr;
        }
        const TextureInfo* texture = nullptr;
        if (e.texture2d) {
            auto found = textures_.find(s.texture.bound);
            if (found != textures_.end() && found->second.hasImage) texture = &found->second;
        }
        float texGenOn[4] = {0, 0, 0, 0};
        int lightCount = 0;
        for (int i = 0; i < MaxLights; ++i) lightCount += e.light[i] ? 1 : 0;
        unsigned key = e.lighting ? LitKey(lightCount) : 0;
        if (texture != nullptr) {
            key |= TextureKey;
            if (texture->alpha) key |= AlphaTextureKey;
            if (s.texture.envMode == GlReplace) key |= ReplaceKey;
            for (int k = 0; k < 4; ++k) texGenOn[k] = e.texGen[k] && s.texture.genMode[k] == GlEyeLinear ? 1.0f : 0.0f;
            if (texGenOn[0] + texGenOn[1] + texGenOn[2] + texGenOn[3] > 0.0f) key |= TexGenKey;
        }
        if (e.alphaTest && s.colorBuffer.alphaFunc != GL_ALWAYS) key |= AlphaTestKey;
        if (e.stipple) key |= StippleKey;
        std::string error;
        Program* chosen = program(key, &error);
        if (chosen == nullptr) {
            // Only the start-up program is known to build; say once what failed.
            if (!programFailed_) std::fprintf(stderr, "%s\n", error.c_str());
            programFailed_ = true;
            chosen = program(LitKey(3) | TextureKey, &error);
            if (chosen == nullptr) return;
        }
        if (chosen != current_) {
            current_ = chosen;
            glUseProgram(chosen->id);
            const float zero = 0, one = 1;
            uniform(UTexture, &zero, 1, 0);
            uniform(UStipple, &one, 1, 0);
        }
        capability(GL_DEPTH_TEST, e.depthTest, &es_.depthTest);
        capability(GL_CULL_FACE, e.cullFace, &es_.cull);
        capability(GL_BLEND, e.blend, &es_.blend);
        applyDepthMask();
        if (!es_.valid || es_.depthFunc != s.depth.func) glDepthFunc(s.depth.func);
        if (!es_.valid || es_.frontFace != s.frontFace) glFrontFace(s.frontFace);
        if (!es_.valid || es_.blendSrc != s.colorBuffer.blendSrc || es_.blendDst != s.colorBuffer.blendDst)
            glBlendFunc(s.colorBuffer.blendSrc, s.colorBuffer.blendDst);
        es_.depthFunc = s.depth.func;
        es_.frontFace = s.frontFace;
        es_.blendSrc = s.colorBuffer.blendSrc;
        es_.blendDst = s.colorBuffer.blendDst;
        if (texture != nullptr && (!es_.valid || es_.texture != s.texture.bound)) {
            glBindTexture(GL_TEXTURE_2D, s.texture.bound);
            es_.texture = s.texture.bound;
        }
        es_.valid = true;

        // Matrices.
        const float* mv = modelView_.back().m;
        float mvp[16];
        multiply(mvp, projection_.back().m, mv);
        uniform(UMvp, mvp, 16, 16);
        uniform(UModelView, mv, 16, 16);
        uniform(UCurrentColor, s.current.color, 4, 4);
        if (texture != nullptr) uniform(UTextureMatrix, texture_.back().m, 16, 16);

        // Lighting.
        if (e.lighting && lightCount > 0) {
            float nm[9];
            normalMatrix(mv, nm);
            uniform(UNormalMatrix, nm, 9, 9);
            uniform(UCurrentNormal, s.current.normal, 3, 3);
            const LightingGroup& l = s.lighting;
            flag(UColorMaterial, e.colorMaterial && l.colorMaterialMode == GlAmbientAndDiffuse);
            uniform(UMaterialAmbient, l.materialAmbient, 4, 4);
            uniform(UMaterialDiffuse, l.materialDiffuse, 4, 4);
            uniform(UMaterialSpecular, l.materialSpecular, 4, 4);
            uniform(UMaterialEmission, l.materialEmission, 4, 4);
            uniform(UShininess, &l.shininess, 1, 1);
            uniform(USceneAmbient, l.sceneAmbient, 4, 4);
            float ambient[4 * MaxLights], diffuse[4 * MaxLights], specular[4 * MaxLights], position[4 * MaxLights];
            int count = 0;
            for (int i = 0; i < MaxLights; ++i) {
                if (!e.light[i]) continue;
                std::memcpy(ambient + 4 * count, l.lights[i].ambient, 4 * sizeof(float));
                std::memcpy(diffuse + 4 * count, l.lights[i].diffuse, 4 * sizeof(float));
                std::memcpy(specular + 4 * count, l.lights[i].specular, 4 * sizeof(float));
                std::memcpy(position + 4 * count, l.lights[i].position, 4 * sizeof(float));
                ++count;
            }
            uniform(ULightAmbient, ambient, 4 * count, 4);
            uniform(ULightDiffuse, diffuse, 4 * count, 4);
            uniform(ULightSpecular, specular, 4 * count, 4);
            uniform(ULightPosition, position, 4 * count, 4);
        }

        // Texturing and the fragment tests.
        if (key & TexGenKey) {
            uniform(UTexGenOn, texGenOn, 4, 4);
            uniform(UPlaneS, s.texture.eyePlane[0], 4, 4);
            uniform(UPlaneT, s.texture.eyePlane[1], 4, 4);
            uniform(UPlaneR, s.texture.eyePlane[2], 4, 4);
            uniform(UPlaneQ, s.texture.eyePlane[3], 4, 4);
        }
        float alphaFunc = 0.0f;
        if (key & AlphaTestKey) {
            switch (s.colorBuffer.alphaFunc) {
            case GL_GREATER:
                alphaFunc = 1;
                break;
            case GL_GEQUAL:
                alphaFunc = 2;
                break;
            case GL_LESS:
                alphaFunc = 3;
                break;
            case GL_LEQUAL:
                alphaFunc = 4;
                break;
            case GL_EQUAL:
                alphaFunc = 5;
                break;
            case GL_NOTEQUAL:
                alphaFunc = 6;
                break;
            case GL_NEVER:
                alphaFunc = 7;
                break;
            default:
                break;
            }
        }
        uniform(UAlphaFunc, &alphaFunc, 1, 0);
        uniform(UAlphaRef, &s.colorBuffer.alphaRef, 1, 1);
    }

    bool buildProgram(const std::string& defines, Program* p, std::string* error) {
        auto compile = [error, &defines](GLenum kind, const char* source) -> GLuint {
            const GLuint shader = glCreateShader(kind);
            const char* sources[2] = {defines.c_str(), source};
            glShaderSource(shader, 2, sources, nullptr);
            glCompileShader(shader);
            GLint ok = GL_FALSE;
            glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
            if (ok != GL_TRUE) {
                char log[1024] = {};
                glGetShaderInfoLog(shader, sizeof log - 1, nullptr, log);
                *error = std::string("gles2: the ") + (kind == GL_VERTEX_SHADER ? "vertex" : "fragment") +
                         " shader does not compile (the context must be OpenGL ES 2.0 or WebGL 1): " + log;
                glDeleteShader(shader);
                return 0;
            }
            return shader;
        };
        const GLuint vs = compile(GL_VERTEX_SHADER, VertexShader);
        if (vs == 0) return false;
        const GLuint fs = compile(GL_FRAGMENT_SHADER, FragmentShader);
        if (fs == 0) {
            glDeleteShader(vs);
            return false;
        }
        p->id = glCreateProgram();
        glAttachShader(p->id, vs);
        glAttachShader(p->id, fs);
        for (int a = 0; a < AttributeCount; ++a) glBindAttribLocation(p->id, static_cast<GLuint>(a), AttributeNames[a]);
        glLinkProgram(p->id);
        glDeleteShader(vs);
        glDeleteShader(fs);
        GLint ok = GL_FALSE;
        glGetProgramiv(p->id, GL_LINK_STATUS, &ok);
        if (ok != GL_TRUE) {
            char log[1024] = {};
            glGetProgramInfoLog(p->id, sizeof log - 1, nullptr, log);
            *error = std::string("gles2: the shader program does not link: ") + log;
            return false;
        }
        for (int u = 0; u < UniformCount; ++u) p->at[u] = glGetUniformLocation(p->id, UniformNames[u]);
        return true;
    }

    bool started_ = false;
    bool lost_ = false;  // the context's objects are gone
    AttribState state_;
    ClientState client_;
    std::vector<Matrix> modelView_{Matrix()}, projection_{Matrix()}, texture_{Matrix()};
    std::vector<std::pair<unsigned, AttribState>> attribStack_;
    std::vector<std::pair<unsigned, ClientState>> clientStack_;
    int viewport_[4] = {0, 0, 0, 0};
    unsigned error_ = GL_NO_ERROR;

    unsigned mode_ = GL_TRIANGLES;
    std::vector<Issued> primitive_, issued_;
    std::vector<ShaderVertex> scratch_;

    std::map<unsigned, DisplayList> lists_;
    std::unique_ptr<DisplayList> compiling_;
    unsigned compilingId_ = 0;
    ListMeshPart segment_[2];
    bool listColorKnown_ = false, listNormalKnown_ = false, listWindingKnown_ = false;
    unsigned listWinding_ = GL_CCW;
    CurrentGroup saved_;
    int callDepth_ = 0;

    std::map<unsigned, TextureInfo> textures_;
    std::map<unsigned, Program> programs_;
    Program* current_ = nullptr;
    bool programFailed_ = false;
    VertexStream stream_;  // immediate mode and client arrays, frame by frame
    GLuint stippleTexture_ = 0;
    EsState es_ = {};
};

Gles2Backend& backend() {
    static Gles2Backend b;
    return b;
}

}  // namespace

GlBackend& gles2Backend() { return backend(); }

bool gles2StartContext(std::string* error) { return backend().start(error); }

void gles2StopContext() { backend().stop(); }

void gles2ContextLost() { backend().lose(); }

bool gles2ContextRestored(std::string* error) { return backend().restore(error); }
