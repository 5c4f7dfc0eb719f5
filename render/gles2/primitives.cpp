// OpenGL 1.1's primitives as triangles; see primitives.h.
#include "render/gles2/primitives.h"

#include <cstring>

#include "render/gl/gl_constants.h"

void unroll(unsigned mode, const IssuedVertex* v, int count, bool flat, bool reverse, std::vector<ShaderVertex>* out) {
    auto emit = [&](int a, int b, int c, int provoking) {
        const int corners[3] = {reverse ? b : a, reverse ? a : b, c};
        const IssuedVertex& pv = v[provoking];
        for (int k : corners) {
            const IssuedVertex& s = v[k];
            const IssuedVertex& lit = flat ? pv : s;
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
    case GL_QUADS:
        for (int i = 0; i + 3 < count; i += 4) {
            emit(i, i + 1, i + 3, i + 3);
            emit(i + 1, i + 2, i + 3, i + 3);
        }
        break;
    case GL_QUAD_STRIP:
        for (int i = 0; i + 3 < count; i += 2) {
            // Split along the diagonal from i to i + 3; flat takes i + 3.
            emit(i + 2, i, i + 3, i + 3);
            emit(i, i + 1, i + 3, i + 3);
        }
        break;
    default:
        break;
    }
}
