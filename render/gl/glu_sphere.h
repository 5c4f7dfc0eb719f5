// The sphere gluSphere draws with GLU_FILL, GLU_SMOOTH normals, GLU_OUTSIDE
// and no texture coordinates, vertex for vertex and rounded as GLU rounds it:
// a triangle fan around each pole and quad strips between. For the code that
// must reproduce it without GLU (the list recorder, the ES 2.0 backend).
#ifndef HALVORN_RENDER_GL_GLU_SPHERE_H
#define HALVORN_RENDER_GL_GLU_SPHERE_H

#include <cmath>

enum class SpherePiece { TriangleFan, QuadStrip };

// Hands the sphere of `radius` (world units) to `out`, which offers
// begin(SpherePiece), normal(x, y, z), vertex(x, y, z) and end(), in GLU's
// order. Slices and stacks are capped at 239; fewer than 2 of either, or a
// negative radius, give nothing (GLU draws nothing useful there either).
template <typename Out>
void tessellateGluSphere(double radius, int slices, int stacks, Out& out) {
    constexpr int Cache = 240;
    if (slices >= Cache) slices = Cache - 1;
    if (stacks >= Cache) stacks = Cache - 1;
    if (slices < 2 || stacks < 2 || radius < 0.0) return;
    const double pi = 3.14159265358979323846;
    float sin1a[Cache], cos1a[Cache], sin2b[Cache], cos2b[Cache], sin1b[Cache], cos1b[Cache];
    for (int i = 0; i < slices; ++i) {
        const float angle = static_cast<float>(2 * pi * i / slices);
        sin1a[i] = static_cast<float>(std::sin(angle));
        cos1a[i] = static_cast<float>(std::cos(angle));
    }
    for (int j = 0; j <= stacks; ++j) {
        const float angle = static_cast<float>(pi * j / stacks);
        sin2b[j] = static_cast<float>(std::sin(angle));
        cos2b[j] = static_cast<float>(std::cos(angle));
        sin1b[j] = static_cast<float>(radius * std::sin(angle));
        cos1b[j] = static_cast<float>(radius * std::cos(angle));
    }
    sin1b[0] = 0.0f;
    sin1b[stacks] = 0.0f;
    sin1a[slices] = sin1a[0];
    cos1a[slices] = cos1a[0];
    const float r = static_cast<float>(radius);

    // Low pole.
    out.normal(sin1a[0] * sin2b[0], cos1a[0] * sin2b[0], cos2b[0]);
    out.begin(SpherePiece::TriangleFan);
    out.vertex(0.0f, 0.0f, r);
    for (int i = slices; i >= 0; --i) {
        out.normal(sin1a[i] * sin2b[1], cos1a[i] * sin2b[1], cos2b[1]);
        out.vertex(sin1b[1] * sin1a[i], sin1b[1] * cos1a[i], cos1b[1]);
    }
    out.end();
    // High pole.
    out.normal(sin1a[stacks] * sin2b[stacks], cos1a[stacks] * sin2b[stacks], cos2b[stacks]);
    out.begin(SpherePiece::TriangleFan);
    out.vertex(0.0f, 0.0f, -r);
    for (int i = 0; i <= slices; ++i) {
        out.normal(sin1a[i] * sin2b[stacks - 1], cos1a[i] * sin2b[stacks - 1], cos2b[stacks - 1]);
        out.vertex(sin1b[stacks - 1] * sin1a[i], sin1b[stacks - 1] * cos1a[i], cos1b[stacks - 1]);
    }
    out.end();
    // The bands between.
    for (int j = 1; j < stacks - 1; ++j) {
        out.begin(SpherePiece::QuadStrip);
        for (int i = 0; i <= slices; ++i) {
            out.normal(sin1a[i] * sin2b[j + 1], cos1a[i] * sin2b[j + 1], cos2b[j + 1]);
            out.vertex(sin1b[j + 1] * sin1a[i], sin1b[j + 1] * cos1a[i], cos1b[j + 1]);
            out.normal(sin1a[i] * sin2b[j], cos1a[i] * sin2b[j], cos2b[j]);
            out.vertex(sin1b[j] * sin1a[i], sin1b[j] * cos1a[i], cos1b[j]);
        }
        out.end();
    }
}

#endif
