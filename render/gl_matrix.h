// Matrix arithmetic as OpenGL's fixed-function pipeline does it, for the
// parts of the renderer that compose on the CPU what they would otherwise
// hand to OpenGL (the frame batch, the ES 2.0 backend's matrix stacks): the
// same products in the same order, in float, so that the results are OpenGL's
// bit for bit. Matrices are sixteen floats, column-major; angles are degrees.
#ifndef HALVORN_RENDER_GL_MATRIX_H
#define HALVORN_RENDER_GL_MATRIX_H

namespace glmatrix {

// out = a * b, each element summed in float in OpenGL's order (out may be a or b).
void multiply(float out[16], const float a[16], const float b[16]);

// m := m * translation(x, y, z), as glTranslatef composes it.
void translateBy(float m[16], float x, float y, float z);

// m := m * rotation of `angle` degrees about (x, y, z), as glRotatef composes
// it (the axis normalised; a zero axis leaves m as it is).
void rotateBy(float m[16], float angle, float x, float y, float z);

// The matrix that takes normals to eye coordinates, as OpenGL computes it:
// the transposed inverse of the upper 3 x 3 of m, row-major in n[9] (zero
// for a singular m).
void normalMatrix(const float m[16], float n[9]);

}  // namespace glmatrix

#endif
