// What ES is handed before each draw; see draw_state.h.
#include "render/gles2/draw_state.h"

#include <GLES2/gl2.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "render/gl/gl_constants.h"
#include "render/gles2/shaders.h"
#include "sim/gl_math.h"

namespace {

// The transposed inverse of the upper 3 x 3 of m, column-major in n[9] (a
// GLSL mat3): what takes normals to eye coordinates.
void normalMatrix(const float m[16], float n[9]) {
    float rows[9];
    glmath::normalMatrix(m, rows);
    for (int r = 0; r < 3; ++r) {
        for (int col = 0; col < 3; ++col) n[3 * col + r] = rows[3 * r + col];
    }
}

}  // namespace

bool DrawState::start(bool flatVaryings, std::string* error) {
    *this = DrawState();
    if (programs_.get(usualFeatures(), error) == nullptr) return false;
    if (flatVaryings) {
        // The ships' program with a flat colour; a context that cannot build
        // it draws flat shading as OpenGL ES 2.0 does.
        ProgramFeatures flat = usualFeatures();
        flat.flatColor = true;
        std::string ignored;
        flatVaryings_ = programs_.get(flat, &ignored) != nullptr;
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

void DrawState::stop() {
    if (stippleTexture_ != 0) glDeleteTextures(1, &stippleTexture_);
    glUseProgram(0);  // a program in use would outlive its deletion
    programs_.clear();
    *this = DrawState();
}

void DrawState::forget() {
    programs_.forget();
    *this = DrawState();
}

void DrawState::setStipple(const unsigned char* mask, int unpackAlignment) {
    unsigned char alpha[32 * 32];
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) alpha[32 * y + x] = (mask[4 * y + x / 8] & (0x80 >> (x % 8))) != 0 ? 255 : 0;
    }
    glActiveTexture(GL_TEXTURE1);
    glBindTexture(GL_TEXTURE_2D, stippleTexture_);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 32, 32, GL_ALPHA, GL_UNSIGNED_BYTE, alpha);
    glPixelStorei(GL_UNPACK_ALIGNMENT, unpackAlignment);
    glActiveTexture(GL_TEXTURE0);
}

void DrawState::applyDepthMask(bool mask) {
    if (!es_.valid || es_.depthMask != mask) glDepthMask(mask ? GL_TRUE : GL_FALSE);
    es_.depthMask = mask;
}

void DrawState::capability(unsigned cap, bool on, bool* known) {
    if (es_.valid && *known == on) return;
    if (on) {
        glEnable(cap);
    } else {
        glDisable(cap);
    }
    *known = on;
}

void DrawState::prepare(const FixedFunction& ff, unsigned texture, bool alphaTexture) {
    const AttribState& s = ff.state;
    const EnableGroup& e = s.enable;
    if (!es_.valid) {
        for (int a = 0; a < AttributeCount; ++a) glEnableVertexAttribArray(static_cast<GLuint>(a));
        glActiveTexture(GL_TEXTURE1);
        glBindTexture(GL_TEXTURE_2D, stippleTexture_);
        glActiveTexture(GL_TEXTURE0);
        current_ = nullptr;
    }
    const ProgramFeatures features = featuresFor(s, texture != 0, alphaTexture, ff.textureMatrix().m, flatVaryings_);
    std::string error;
    Program* chosen = programs_.get(features, &error);
    if (chosen == nullptr) {
        // Only the start-up program is known to build; say once what failed.
        if (!programFailed_) std::fprintf(stderr, "%s\n", error.c_str());
        programFailed_ = true;
        chosen = programs_.get(usualFeatures(), &error);
        if (chosen == nullptr) return;
    }
    if (chosen != current_) {
        current_ = chosen;
        glUseProgram(chosen->id());
        chosen->setInt(Uniform::Texture, 0);  // texture unit 0
        chosen->setInt(Uniform::Stipple, 1);  // texture unit 1
    }
    capability(GL_DEPTH_TEST, e.depthTest, &es_.depthTest);
    capability(GL_CULL_FACE, e.cullFace, &es_.cull);
    capability(GL_BLEND, e.blend, &es_.blend);
    applyDepthMask(s.depth.mask);
    if (!es_.valid || es_.depthFunc != s.depth.func) glDepthFunc(s.depth.func);
    if (!es_.valid || es_.frontFace != s.frontFace) glFrontFace(s.frontFace);
    if (!es_.valid || es_.blendSrc != s.colorBuffer.blendSrc || es_.blendDst != s.colorBuffer.blendDst)
        glBlendFunc(s.colorBuffer.blendSrc, s.colorBuffer.blendDst);
    es_.depthFunc = s.depth.func;
    es_.frontFace = s.frontFace;
    es_.blendSrc = s.colorBuffer.blendSrc;
    es_.blendDst = s.colorBuffer.blendDst;
    if (texture != 0 && (!es_.valid || es_.texture != texture)) {
        glBindTexture(GL_TEXTURE_2D, texture);
        es_.texture = texture;
    }
    es_.valid = true;
    setUniforms(*chosen, features, ff);
}

void DrawState::setUniforms(Program& p, const ProgramFeatures& features, const FixedFunction& ff) {
    const AttribState& s = ff.state;
    const float* mv = ff.modelView().m;
    float mvp[16];
    glmath::multiply(mvp, ff.projection().m, mv);
    p.setMat4(Uniform::Mvp, mvp);
    p.setMat4(Uniform::ModelView, mv);
    p.setVec4(Uniform::CurrentColor, s.current.color);
    if (features.texture) p.setMat4(Uniform::TextureMatrix, ff.textureMatrix().m);

    if (features.lights > 0) {
        float nm[9];
        normalMatrix(mv, nm);
        p.setMat3(Uniform::NormalMatrix, nm);
        p.setVec3(Uniform::CurrentNormal, s.current.normal);
        const LightingGroup& l = s.lighting;
        // With the colour as material, its ambient is the vertex's, so the
        // ambient terms are summed for the shader to multiply.
        float base[4] = {l.materialEmission[0], l.materialEmission[1], l.materialEmission[2], l.materialDiffuse[3]};
        float ambientSum[3] = {l.sceneAmbient[0], l.sceneAmbient[1], l.sceneAmbient[2]};
        // The lights that are on, packed in order.
        float diffuse[4 * MaxLights], specular[4 * MaxLights], position[4 * MaxLights];
        int count = 0;
        for (int i = 0; i < MaxLights; ++i) {
            if (!s.enable.light[i]) continue;
            const LightState& light = l.lights[i];
            for (int k = 0; k < 3; ++k) ambientSum[k] += light.ambient[k];
            for (int k = 0; k < 4; ++k) {
                diffuse[4 * count + k] = light.diffuse[k] * (features.colorMaterial ? 1.0f : l.materialDiffuse[k]);
                specular[4 * count + k] = light.specular[k] * l.materialSpecular[k];
            }
            std::memcpy(position + 4 * count, light.position, 4 * sizeof(float));
            ++count;
        }
        if (features.colorMaterial) {
            p.setVec3(Uniform::AmbientSum, ambientSum);
        } else {
            for (int k = 0; k < 3; ++k) base[k] += ambientSum[k] * l.materialAmbient[k];
        }
        p.setVec4(Uniform::LitBase, base);
        p.setFloat(Uniform::Shininess, l.shininess);
        p.setVec4(Uniform::LightDiffuse, diffuse, count);
        p.setVec4(Uniform::LightSpecular, specular, count);
        p.setVec4(Uniform::LightPosition, position, count);
    }

    if (features.texGen) {
        float on[4];
        for (int k = 0; k < 4; ++k) on[k] = s.enable.texGen[k] && s.texture.genMode[k] == GL_EYE_LINEAR ? 1.0f : 0.0f;
        p.setVec4(Uniform::TexGenOn, on);
        p.setVec4(Uniform::PlaneS, s.texture.eyePlane[0]);
        p.setVec4(Uniform::PlaneT, s.texture.eyePlane[1]);
        p.setVec4(Uniform::PlaneR, s.texture.eyePlane[2]);
        p.setVec4(Uniform::PlaneQ, s.texture.eyePlane[3]);
    }
    p.setInt(Uniform::AlphaFunc, features.alphaTest ? alphaFuncCode(s.colorBuffer.alphaFunc) : 0);
    p.setFloat(Uniform::AlphaRef, s.colorBuffer.alphaRef);
}
