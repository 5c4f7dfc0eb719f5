// Vector, quaternion and matrix types of the battle, and the few operations
// the simulation performs on them.
//
// Conventions (stated once for every module of the battle):
// - All values are single-precision floats; where an operation goes through
//   double precision it says so and rounds back to float.
// - Angles at every interface are degrees; distances are world units.
// - Quaternion is (x, y, z, w), w last; the identity is (0, 0, 0, 1). Nothing
//   normalises a quaternion.
// - Matrix4 is sixteen floats, column-major (element index = 4 * column + row),
//   OpenGL's layout: elements 12, 13, 14 hold the translation (x, y, z). Every
//   matrix built here keeps elements 3, 7, 11 at 0 and element 15 at 1.
// - quatToMatrix writes the transpose of the textbook rotation matrix of q, so
//   the map it applies (through matRotate and through OpenGL) is the rotation
//   by the conjugate of q. Every part of the battle uses this same convention.
// - Output arguments come first, as in the rest of the battle code; outputs may
//   alias inputs.
#ifndef HALVORN_SIM_MATH3D_H
#define HALVORN_SIM_MATH3D_H

struct Vector3 {
    float x;
    float y;
    float z;
};

struct Quaternion {
    float x;
    float y;
    float z;
    float w;
};

struct Matrix4 {
    float m[16];
};

// out = a - b, component by component.
void vecSub(Vector3& out, const Vector3& a, const Vector3& b);

// out = a + b, component by component.
void vecAdd(Vector3& out, const Vector3& a, const Vector3& b);

// out = a.
void vecCopy(Vector3& out, const Vector3& a);

// m = identity.
void matIdentity(Matrix4& m);

// out = upper-left 3 x 3 block of m applied to v (translation ignored); out may be v.
void matRotate(const Matrix4& m, const Vector3& v, Vector3& out);

// q = Qz(angleZ) * Qy(angleY) * Qx(angleX); angles in degrees, turned through
// double-precision sine and cosine. (0, 0, 0) gives exactly (0, 0, 0, 1).
void quatFromAngles(Quaternion& q, float angleY, float angleX, float angleZ);

// q := r * q (Hamilton product, r on the left): r turns about q's own axes.
void quatPreMultiply(Quaternion& q, const Quaternion& r);

// q := q * r (Hamilton product, r on the right).
void quatPostMultiply(Quaternion& q, const Quaternion& r);

// q := r.
void quatCopy(Quaternion& q, const Quaternion& r);

// Writes the rotation of q into elements 0 to 11 of m; elements 12 to 15 are kept.
void quatToMatrix(const Quaternion& q, Matrix4& m);

// Hamilton product a * b.
Quaternion quatProduct(const Quaternion& a, const Quaternion& b);

#endif
