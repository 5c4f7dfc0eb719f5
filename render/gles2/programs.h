// The ES 2.0 emulation's shader programs: one per combination of the
// fixed-function features a draw needs (ProgramFeatures, from the state in
// force), built on first use from the sources of shaders.h, with typed
// setters for its uniforms that hand ES only values that changed since the
// program last had them.
#ifndef HALVORN_RENDER_GLES2_PROGRAMS_H
#define HALVORN_RENDER_GLES2_PROGRAMS_H

#include <map>
#include <string>

#include "render/gles2/fixed_function.h"

// What a draw needs of the shaders; each field is one define of shaders.h.
struct ProgramFeatures {
    int lights = 0;              // LIGHTS: lighting on with this many lights (0: off)
    bool colorMaterial = false;  // COLOR_MATERIAL: with lights, the colour is the ambient and diffuse
    bool texture = false;        // TEXTURE
    bool alphaTexture = false;   // ALPHA_TEXTURE: the bound texture has alpha only
    bool replace = false;        // REPLACE: GL_REPLACE instead of GL_MODULATE
    bool texGen = false;         // TEXGEN: eye-linear coordinates for some of s, t, r, q
    bool projective = false;     // PROJECTIVE: texture coordinates whose q may not be 1
    bool alphaTest = false;      // ALPHA_TEST
    bool stipple = false;        // STIPPLE
    bool flatColor = false;      // FLAT_COLOR: flat shading with a colour that is not interpolated (GLSL ES 3.00)

    // One number per combination, to find the program by.
    unsigned key() const;
    // The defines to put before the sources.
    std::string defines() const;
};

// The features the state in force needs: `texture` says whether a texture
// with a picture is bound and enabled, `alphaTexture` whether it has alpha
// only; `textureMatrix` is the texture matrix in force; `flatVaryings`
// whether the context has them (OpenGL ES 3.0).
ProgramFeatures featuresFor(const AttribState& s, bool texture, bool alphaTexture, const float textureMatrix[16],
                            bool flatVaryings);

// The battle's usual state (three lights, a texture), built at start-up so
// that a context that cannot run the shaders says so then.
ProgramFeatures usualFeatures();

// The uniforms of the sources (not every program has every one).
enum class Uniform {
    Mvp,
    ModelView,
    NormalMatrix,
    TextureMatrix,
    CurrentColor,
    CurrentNormal,
    LitBase,
    AmbientSum,
    Shininess,
    LightDiffuse,
    LightSpecular,
    LightPosition,
    TexGenOn,
    PlaneS,
    PlaneT,
    PlaneR,
    PlaneQ,
    Texture,
    Stipple,
    AlphaFunc,
    AlphaRef,
    Count
};

// The shader's code for an alpha function (uAlphaFunc): 1 GL_GREATER, 2
// GL_GEQUAL, 3 GL_LESS, 4 GL_LEQUAL, 5 GL_EQUAL, 6 GL_NOTEQUAL, 7 GL_NEVER,
// 0 for anything else (GL_ALWAYS: no test).
int alphaFuncCode(unsigned func);

class Program {
public:
    // Compiles and links the sources for `features` in the current context;
    // false with *error ("gles2: ...") when they do not build.
    bool build(const ProgramFeatures& features, std::string* error);
    void destroy();
    unsigned id() const { return id_; }

    // The uniform setters: each hands ES the value only when it differs from
    // what this program has. `count` values of the kind for an array.
    void setInt(Uniform u, int value);
    void setFloat(Uniform u, float value);
    void setVec3(Uniform u, const float* v);
    void setVec4(Uniform u, const float* v, int count = 1);
    void setMat3(Uniform u, const float* m);
    void setMat4(Uniform u, const float* m);

private:
    // True (and the value kept) when `floats` values differ from the kept ones.
    bool changed(Uniform u, const float* v, int floats);

    unsigned id_ = 0;
    int at_[static_cast<int>(Uniform::Count)] = {};
    float values_[static_cast<int>(Uniform::Count)][4 * MaxLights] = {};
    bool known_[static_cast<int>(Uniform::Count)] = {};
};

// The programs built so far in the current context, by their features.
class ProgramCache {
public:
    // The program for `features`, built on first use; null with *error set
    // when it does not build.
    Program* get(const ProgramFeatures& features, std::string* error);
    // Deletes every program (none may be in use).
    void clear();
    // Forgets every program without deleting it (its context is gone).
    void forget() { programs_.clear(); }
    std::size_t size() const { return programs_.size(); }

private:
    std::map<unsigned, Program> programs_;
};

#endif
