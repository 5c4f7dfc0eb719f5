// OpenGL 1.1's primitives as triangles; see primitives.h.
#include "render/gles2/primitives.h"

#include <cstring>

#include "render/gl/gl_constants.h"

namespace {

// Calls triangle(a, b, c) for each triangle of primitive `mode` over `count`
// vertices, its provoking vertex last (c), in OpenGL's order.
template <typename Triangle>
void forEachTriangle(unsigned mode, int count, Triangle triangle) {
    switch (mode) {
    case GL_TRIANGLES:
        for (int i = 0; i + 2 < count; i += 3) triangle(i, i + 1, i + 2);
        break;
    case GL_TRIANGLE_STRIP:
        for (int i = 0; i + 2 < count; ++i) {
            if (i % 2 == 0) {
                triangle(i, i + 1, i + 2);
            } else {
                triangle(i + 1, i, i + 2);
            }
        }
        break;
    case GL_TRIANGLE_FAN:
        for (int i = 1; i + 1 < count; ++i) triangle(0, i, i + 1);
        break;
    case GL_QUADS:
        for (int i = 0; i + 3 < count; i += 4) {
            triangle(i, i + 1, i + 3);
            triangle(i + 1, i + 2, i + 3);
        }
        break;
    case GL_QUAD_STRIP:
        for (int i = 0; i + 3 < count; i += 2) {
            // Split along the diagonal from i to i + 3; flat takes i + 3.
            triangle(i + 2, i, i + 3);
            triangle(i, i + 1, i + 3);
        }
        break;
    default:
        break;
    }
}

}  // namespace

ShaderVertex shaderVertex(const IssuedVertex& own, const IssuedVertex& lit) {
    ShaderVertex o;
    std::memcpy(o.p, own.p, sizeof o.p);
    std::memcpy(o.litP, lit.p, sizeof o.litP);
    std::memcpy(o.n, lit.n, sizeof o.n);
    std::memcpy(o.c, lit.c, sizeof o.c);
    std::memcpy(o.t, own.t, sizeof o.t);
    o.inherit = static_cast<float>(lit.inherit);
    return o;
}

void unroll(unsigned mode, const IssuedVertex* v, int count, bool flat, bool reverse, std::vector<ShaderVertex>* out) {
    forEachTriangle(mode, count, [&](int a, int b, int c) {
        const IssuedVertex& provoking = v[c];
        for (int k : {reverse ? b : a, reverse ? a : b, c}) out->push_back(shaderVertex(v[k], flat ? provoking : v[k]));
    });
}

void triangleCorners(unsigned mode, int count, bool reverse, unsigned first, std::vector<unsigned>* out) {
    forEachTriangle(mode, count, [&](int a, int b, int c) {
        for (int k : {reverse ? b : a, reverse ? a : b, c}) out->push_back(first + static_cast<unsigned>(k));
    });
}
