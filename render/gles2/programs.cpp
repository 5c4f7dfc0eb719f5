// The emulation's shader programs; see programs.h.
#include "render/gles2/programs.h"

#include <GLES2/gl2.h>

#include <cstring>

#include "render/gles2/shaders.h"

namespace {

const char* const UniformNames[static_cast<int>(Uniform::Count)] = {
    "uMvp",      "uModelView",  "uNormalMatrix", "uTextureMatrix",   "uCurrentColor",     "uCurrentNormal",
    "uLitBase",  "uAmbientSum", "uShininess",    "uLightDiffuse[0]", "uLightSpecular[0]", "uLightPosition[0]",
    "uTexGenOn", "uPlaneS",     "uPlaneT",       "uPlaneR",          "uPlaneQ",           "uTexture",
    "uStipple",  "uAlphaFunc",  "uAlphaRef"};

constexpr int index(Uniform u) { return static_cast<int>(u); }

}  // namespace

unsigned ProgramFeatures::key() const {
    // The light count in the low four bits, then one bit per switch.
    return static_cast<unsigned>(lights) | (texture ? 1u << 4 : 0u) | (alphaTexture ? 1u << 5 : 0u) |
           (replace ? 1u << 6 : 0u) | (texGen ? 1u << 7 : 0u) | (alphaTest ? 1u << 8 : 0u) | (stipple ? 1u << 9 : 0u) |
           (projective ? 1u << 10 : 0u) | (colorMaterial ? 1u << 11 : 0u) | (flatColor ? 1u << 12 : 0u);
}

std::string ProgramFeatures::defines() const {
    // The version comes first of all; GLSL ES 1.00 is the default.
    std::string d = flatColor ? "#version 300 es\n#define FLAT_COLOR\n" : "";
    d += "#define LIGHTS " + std::to_string(lights) + "\n";
    if (colorMaterial) d += "#define COLOR_MATERIAL\n";
    if (texture) d += "#define TEXTURE\n";
    if (alphaTexture) d += "#define ALPHA_TEXTURE\n";
    if (replace) d += "#define REPLACE\n";
    if (texGen) d += "#define TEXGEN\n";
    if (projective) d += "#define PROJECTIVE\n";
    if (alphaTest) d += "#define ALPHA_TEST\n";
    if (stipple) d += "#define STIPPLE\n";
    return d;
}

ProgramFeatures featuresFor(const AttribState& s, bool texture, bool alphaTexture, const float textureMatrix[16],
                            bool flatVaryings) {
    const EnableGroup& e = s.enable;
    ProgramFeatures f;
    if (e.lighting) {
        for (int i = 0; i < MaxLights; ++i) f.lights += e.light[i] ? 1 : 0;
        f.colorMaterial = f.lights > 0 && e.colorMaterial && s.lighting.colorMaterialMode == GL_AMBIENT_AND_DIFFUSE;
    }
    if (texture) {
        f.texture = true;
        f.alphaTexture = alphaTexture;
        f.replace = s.texture.envMode == GL_REPLACE;
        for (int k = 0; k < 4; ++k) f.texGen = f.texGen || (e.texGen[k] && s.texture.genMode[k] == GL_EYE_LINEAR);
        const float* m = textureMatrix;
        f.projective = f.texGen || m[3] != 0.0f || m[7] != 0.0f || m[11] != 0.0f || m[15] != 1.0f;
    }
    f.alphaTest = e.alphaTest && s.colorBuffer.alphaFunc != GL_ALWAYS;
    f.stipple = e.stipple;
    f.flatColor = flatVaryings && s.lighting.flat;
    return f;
}

ProgramFeatures usualFeatures() {
    ProgramFeatures f;
    f.lights = 3;
    f.colorMaterial = true;
    f.texture = true;
    return f;
}

int alphaFuncCode(unsigned func) {
    switch (func) {
    case GL_GREATER:
        return 1;
    case GL_GEQUAL:
        return 2;
    case GL_LESS:
        return 3;
    case GL_LEQUAL:
        return 4;
    case GL_EQUAL:
        return 5;
    case GL_NOTEQUAL:
        return 6;
    case GL_NEVER:
        return 7;
    default:
        return 0;
    }
}

bool Program::build(const ProgramFeatures& features, std::string* error) {
    const std::string defines = features.defines();
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
    const GLuint vs = compile(GL_VERTEX_SHADER, VertexShaderSource);
    if (vs == 0) return false;
    const GLuint fs = compile(GL_FRAGMENT_SHADER, FragmentShaderSource);
    if (fs == 0) {
        glDeleteShader(vs);
        return false;
    }
    id_ = glCreateProgram();
    glAttachShader(id_, vs);
    glAttachShader(id_, fs);
    for (int a = 0; a < AttributeCount; ++a) glBindAttribLocation(id_, static_cast<GLuint>(a), AttributeNames[a]);
    glLinkProgram(id_);
    glDeleteShader(vs);
    glDeleteShader(fs);
    GLint ok = GL_FALSE;
    glGetProgramiv(id_, GL_LINK_STATUS, &ok);
    if (ok != GL_TRUE) {
        char log[1024] = {};
        glGetProgramInfoLog(id_, sizeof log - 1, nullptr, log);
        *error = std::string("gles2: the shader program does not link: ") + log;
        destroy();
        return false;
    }
    for (int u = 0; u < index(Uniform::Count); ++u) at_[u] = glGetUniformLocation(id_, UniformNames[u]);
    return true;
}

void Program::destroy() {
    if (id_ != 0) glDeleteProgram(id_);
    *this = Program();
}

bool Program::changed(Uniform u, const float* v, int floats) {
    const int i = index(u);
    if (at_[i] < 0) return false;  // not in this program
    const std::size_t bytes = static_cast<std::size_t>(floats) * sizeof(float);
    if (known_[i] && std::memcmp(values_[i], v, bytes) == 0) return false;
    std::memcpy(values_[i], v, bytes);
    known_[i] = true;
    return true;
}

void Program::setInt(Uniform u, int value) {
    const float v = static_cast<float>(value);
    if (changed(u, &v, 1)) glUniform1i(at_[index(u)], value);
}

void Program::setFloat(Uniform u, float value) {
    if (changed(u, &value, 1)) glUniform1f(at_[index(u)], value);
}

void Program::setVec3(Uniform u, const float* v) {
    if (changed(u, v, 3)) glUniform3fv(at_[index(u)], 1, v);
}

void Program::setVec4(Uniform u, const float* v, int count) {
    if (changed(u, v, 4 * count)) glUniform4fv(at_[index(u)], count, v);
}

void Program::setMat3(Uniform u, const float* m) {
    if (changed(u, m, 9)) glUniformMatrix3fv(at_[index(u)], 1, GL_FALSE, m);
}

void Program::setMat4(Uniform u, const float* m) {
    if (changed(u, m, 16)) glUniformMatrix4fv(at_[index(u)], 1, GL_FALSE, m);
}

Program* ProgramCache::get(const ProgramFeatures& features, std::string* error) {
    const unsigned key = features.key();
    auto found = programs_.find(key);
    if (found != programs_.end()) return &found->second;
    Program p;
    if (!p.build(features, error)) return nullptr;
    return &programs_.emplace(key, p).first->second;
}

void ProgramCache::clear() {
    for (auto& entry : programs_) entry.second.destroy();
    programs_.clear();
}
