// OpenGL 1.1's primitives as OpenGL ES 2.0 draws them: every primitive the
// renderer issues (immediate mode, client arrays, recorded display lists)
// becomes a list of triangles, in OpenGL's vertex order, each corner carrying
// the inputs the shaders light it with. Pure: no GL calls.
#ifndef HALVORN_RENDER_GLES2_PRIMITIVES_H
#define HALVORN_RENDER_GLES2_PRIMITIVES_H

#include <vector>

// What a display list's vertex takes from its caller rather than from the
// list (bits of IssuedVertex::inherit): the current colour or normal at the
// time the list is called.
constexpr int InheritColor = 1, InheritNormal = 2;

// A vertex as issued: position, normal, colour, texture coordinates and
// which of them it takes from the list's caller.
struct IssuedVertex {
    float p[3];
    float n[3];
    float c[4];
    float t[2];
    int inherit;
};

// A vertex as the shaders take it. The lighting inputs (litP, n, c, inherit)
// are the vertex's own with smooth shading, its triangle's last vertex's with
// flat shading: what OpenGL calls the provoking vertex.
struct ShaderVertex {
    float p[3];
    float litP[3];
    float n[3];
    float c[4];
    float t[2];
    float inherit;
};

// Appends the triangles of primitive `mode` (GL_TRIANGLES, GL_TRIANGLE_STRIP,
// GL_TRIANGLE_FAN, GL_QUADS or GL_QUAD_STRIP; anything else draws nothing)
// over v[0..count) to *out. `flat`: each corner gets its triangle's provoking
// vertex's lighting inputs. `reverse`: every triangle's first two corners
// swapped, turning its winding round (its provoking vertex stays last).
// Quads and quad strips are split along the diagonals Mesa splits them on,
// which shows on a sphere's quads, which are not flat.
void unroll(unsigned mode, const IssuedVertex* v, int count, bool flat, bool reverse, std::vector<ShaderVertex>* out);

// The same triangles as indices: the corners unroll() emits, each as `first`
// plus its vertex's place in the primitive, so that a vertex shared by
// several triangles is one vertex. With flat shading that needs colours that
// are not interpolated (ES 3.0's flat varyings), which take the provoking
// vertex's, the last corner of each triangle.
void triangleCorners(unsigned mode, int count, bool reverse, unsigned first, std::vector<unsigned>* out);

// The shaders' vertex at `own`'s place, lit with `lit`'s inputs.
ShaderVertex shaderVertex(const IssuedVertex& own, const IssuedVertex& lit);

#endif
