// Vector and orientation math; conventions in math3d.h.
#include "sim/math3d.h"

#include <cmath>

void vecSub(Vector3& out, const Vector3& a, const Vector3& b) {
    out.x = a.x - b.x;
    out.y = a.y - b.y;
    out.z = a.z - b.z;
}

void vecAdd(Vector3& out, const Vector3& a, const Vector3& b) {
    out.x = a.x + b.x;
    out.y = a.y + b.y;
    out.z = a.z + b.z;
}

void vecCopy(Vector3& out, const Vector3& a) { out = a; }

void matIdentity(Matrix4& m) {
    for (int i = 0; i < 16; ++i) {
        m.m[i] = 0.0f;
    }
    m.m[0] = 1.0f;
    m.m[5] = 1.0f;
    m.m[10] = 1.0f;
    m.m[15] = 1.0f;
}

void matRotate(const Matrix4& m, const Vector3& v, Vector3& out) {
    // Read everything first: out may be the same object as v.
    const float vx = v.x;
    const float vy = v.y;
    const float vz = v.z;
    const float* e = m.m;
    out.x = e[0] * vx + e[4] * vy + e[8] * vz;
    out.y = e[1] * vx + e[5] * vy + e[9] * vz;
    out.z = e[2] * vx + e[6] * vy + e[10] * vz;
}

void quatFromAngles(Quaternion& q, float angleY, float angleX, float angleZ) {
    // Degrees to radians with a double constant, rounded to float.
    const float radY = static_cast<float>(angleY * 0.017453293);
    const float radX = static_cast<float>(angleX * 0.017453293);
    const float radZ = static_cast<float>(angleZ * 0.017453293);
    // Half angles in double precision; each sine and cosine rounded to float.
    const double ha = radY / 2.0;
    const double hb = radX / 2.0;
    const double hc = radZ / 2.0;
    const float ca = static_cast<float>(std::cos(ha));
    const float sa = static_cast<float>(std::sin(ha));
    const float cb = static_cast<float>(std::cos(hb));
    const float sb = static_cast<float>(std::sin(hb));
    const float cc = static_cast<float>(std::cos(hc));
    const float sc = static_cast<float>(std::sin(hc));
    q.x = cc * ca * sb - sc * sa * cb;
    q.y = sc * sb * ca + sa * cc * cb;
    q.z = sc * ca * cb - sa * sb * cc;
    q.w = cc * ca * cb + sc * sa * sb;
}

Quaternion quatProduct(const Quaternion& a, const Quaternion& b) {
    Quaternion r;
    r.x = a.w * b.x + a.x * b.w + a.y * b.z - a.z * b.y;
    r.y = a.w * b.y - a.x * b.z + a.y * b.w + a.z * b.x;
    r.z = a.w * b.z + a.x * b.y - a.y * b.x + a.z * b.w;
    r.w = a.w * b.w - a.x * b.x - a.y * b.y - a.z * b.z;
    return r;
}

void quatPreMultiply(Quaternion& q, const Quaternion& r) { q = quatProduct(r, q); }

void quatPostMultiply(Quaternion& q, const Quaternion& r) { q = quatProduct(q, r); }

void quatCopy(Quaternion& q, const Quaternion& r) { q = r; }

void quatToMatrix(const Quaternion& q, Matrix4& m) {
    const float x = q.x;
    const float y = q.y;
    const float z = q.z;
    const float w = q.w;
    float* e = m.m;
    e[0] = 1.0f - (2.0f * z * z + 2.0f * y * y);
    e[1] = 2.0f * x * y - 2.0f * z * w;
    e[2] = 2.0f * y * w + 2.0f * x * z;
    e[3] = 0.0f;
    e[4] = 2.0f * x * y + 2.0f * z * w;
    e[5] = 1.0f - (2.0f * z * z + 2.0f * x * x);
    e[6] = 2.0f * y * z - 2.0f * w * x;
    e[7] = 0.0f;
    e[8] = 2.0f * x * z - 2.0f * y * w;
    e[9] = 2.0f * y * z + 2.0f * w * x;
    e[10] = 1.0f - (2.0f * y * y + 2.0f * x * x);
    e[11] = 0.0f;
}
