// Matrix arithmetic as OpenGL's fixed-function pipeline and GLU compute it,
// for everything that composes on the CPU what OpenGL would otherwise compose:
// the battle's software drawing seam (its camera matrices decide what is
// visible), the renderer's frame batch and the OpenGL ES 2.0 backend's matrix
// stacks. The same products in the same order, in float (GLU's perspective in
// double, handed over as floats), so that the results are OpenGL's bit for
// bit. Matrices are sixteen floats, column-major; angles are degrees.
// Includes nothing, so every layer may use it.
#ifndef HALVORN_SIM_GL_MATH_H
#define HALVORN_SIM_GL_MATH_H

namespace glmath {

// m := the identity.
void identity(float m[16]);

// out = a * b, each element summed in float in OpenGL's order (out may be a or b).
void multiply(float out[16], const float a[16], const float b[16]);

// m := m * translation(x, y, z), as glTranslatef composes it.
void translateBy(float m[16], float x, float y, float z);

// m := m * rotation of `angle` degrees about (x, y, z), as glRotatef composes
// it (the axis normalised; a zero axis leaves m as it is).
void rotateBy(float m[16], float angle, float x, float y, float z);

// m := m * gluLookAt(eye, centre, up), world units: the basis in float, then
// a translation by -eye.
void lookAtBy(float m[16], const double eye[3], const double centre[3], const double up[3]);

// out := gluPerspective's matrix (fovy degrees, aspect width / height, the
// near and far planes' distances); false (out unchanged) where GLU refuses:
// zNear == zFar, a zero angle or a zero aspect.
bool perspective(float out[16], double fovy, double aspect, double zNear, double zFar);

// The matrix that takes normals to eye coordinates, as OpenGL computes it:
// the transposed inverse of the upper 3 x 3 of m, row-major in n[9] (zero
// for a singular m).
void normalMatrix(const float m[16], float n[9]);

// out := the inverse of m (a general 4 x 4, in double, rounded to float);
// false (out unchanged) when m is singular.
bool invert(const float m[16], float out[16]);

}  // namespace glmath

#endif
