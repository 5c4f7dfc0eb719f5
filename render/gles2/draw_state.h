// What the ES 2.0 emulation hands ES before each draw: the program for the
// features the fixed-function state in force needs, the uniforms that state
// gives it, and the state ES keeps itself (blending, depth, culling, winding,
// the bound texture), each only when it differs from what ES already has.
// Also the polygon stipple, which the shaders read as a 32 x 32 alpha
// texture on texture unit 1. Needs a current ES 2.0 context.
#ifndef HALVORN_RENDER_GLES2_DRAW_STATE_H
#define HALVORN_RENDER_GLES2_DRAW_STATE_H

#include <string>

#include "render/gles2/fixed_function.h"
#include "render/gles2/programs.h"

class DrawState {
public:
    // Builds the program of the battle's usual state (a context that cannot
    // run the shaders says so now) and the stipple texture; false with *error.
    // `flatVaryings`: the context is OpenGL ES 3.0 or later, whose flat
    // varyings flat shading then uses (when its program builds).
    bool start(bool flatVaryings, std::string* error);
    // Deletes the programs and the stipple texture.
    void stop();
    // Forgets them without deleting anything (the context is gone).
    void forget();

    // Before a draw with `ff`'s state: `texture` is the texture to sample
    // (0: none; an enabled texture without a picture draws untextured),
    // `alphaTexture` whether it has alpha only.
    void prepare(const FixedFunction& ff, unsigned texture, bool alphaTexture);
    // glPolygonStipple's mask (row y in bytes 4y..4y+3, the first pixel in the
    // highest bit, row 0 at the bottom); unpacking is left as `unpackAlignment`.
    void setStipple(const unsigned char* mask, int unpackAlignment);
    // The depth mask, also before a clear.
    void applyDepthMask(bool mask);
    // `texture` was bound to unit 0 to be filled.
    void boundForUpdate(unsigned texture) { es_.texture = texture; }

    std::size_t programs() const { return programs_.size(); }
    // Flat shading has colours that are not interpolated: a triangle takes
    // its last corner's, and the corners need not carry the same inputs.
    bool flatVaryings() const { return flatVaryings_; }

private:
    void capability(unsigned cap, bool on, bool* known);
    void setUniforms(Program& p, const ProgramFeatures& features, const FixedFunction& ff);

    // What ES holds now (valid: known at all since the start).
    struct EsState {
        bool valid = false;
        bool depthTest = false, cull = false, blend = false, depthMask = false;
        unsigned depthFunc = 0, frontFace = 0, blendSrc = 0, blendDst = 0;
        unsigned texture = 0;
    };

    EsState es_;
    ProgramCache programs_;
    Program* current_ = nullptr;
    bool programFailed_ = false;
    bool flatVaryings_ = false;
    unsigned stippleTexture_ = 0;
};

#endif
