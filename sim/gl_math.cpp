// OpenGL's and GLU's matrix arithmetic; see gl_math.h.
#include "sim/gl_math.h"

#include <cmath>
#include <cstring>

namespace glmath {

void identity(float m[16]) {
    for (int i = 0; i < 16; ++i) m[i] = (i % 5 == 0) ? 1.0f : 0.0f;
}

void multiply(float out[16], const float a[16], const float b[16]) {
    float r[16];
    for (int col = 0; col < 4; ++col) {
        for (int row = 0; row < 4; ++row) {
            r[4 * col + row] = a[0 + row] * b[4 * col + 0] + a[4 + row] * b[4 * col + 1] + a[8 + row] * b[4 * col + 2] +
                               a[12 + row] * b[4 * col + 3];
        }
    }
    std::memcpy(out, r, sizeof r);
}

// m := m * translation(x, y, z), as glTranslatef composes it.
void translateBy(float m[16], float x, float y, float z) {
    m[12] = m[0] * x + m[4] * y + m[8] * z + m[12];
    m[13] = m[1] * x + m[5] * y + m[9] * z + m[13];
    m[14] = m[2] * x + m[6] * y + m[10] * z + m[14];
    m[15] = m[3] * x + m[7] * y + m[11] * z + m[15];
}

// m := m * rotation of `angle` degrees about (x, y, z), as glRotatef composes it.
void rotateBy(float m[16], float angle, float x, float y, float z) {
    const double radians = static_cast<double>(angle) * 3.14159265358979323846 / 180.0;
    const float s = static_cast<float>(std::sin(radians));
    const float c = static_cast<float>(std::cos(radians));
    float r[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    auto at = [&r](int row, int col) -> float& { return r[4 * col + row]; };
    if (x == 0.0f && y == 0.0f && z == 0.0f) {
        return;
    }
    if (y == 0.0f && z == 0.0f) {
        at(1, 1) = c;
        at(2, 2) = c;
        at(1, 2) = x < 0.0f ? s : -s;
        at(2, 1) = x < 0.0f ? -s : s;
    } else if (x == 0.0f && z == 0.0f) {
        at(0, 0) = c;
        at(2, 2) = c;
        at(0, 2) = y < 0.0f ? -s : s;
        at(2, 0) = y < 0.0f ? s : -s;
    } else if (x == 0.0f && y == 0.0f) {
        at(0, 0) = c;
        at(1, 1) = c;
        at(0, 1) = z < 0.0f ? s : -s;
        at(1, 0) = z < 0.0f ? -s : s;
    } else {
        const float len = static_cast<float>(std::sqrt(x * x + y * y + z * z));
        x /= len;
        y /= len;
        z /= len;
        const float one_c = 1.0f - c;
        at(0, 0) = one_c * x * x + c;
        at(0, 1) = one_c * x * y - z * s;
        at(0, 2) = one_c * z * x + y * s;
        at(1, 0) = one_c * x * y + z * s;
        at(1, 1) = one_c * y * y + c;
        at(1, 2) = one_c * y * z - x * s;
        at(2, 0) = one_c * z * x - y * s;
        at(2, 1) = one_c * y * z + x * s;
        at(2, 2) = one_c * z * z + c;
    }
    multiply(m, m, r);
}

void normalMatrix(const float m[16], float n[9]) {
    const float a = m[0], b = m[4], c = m[8];
    const float d = m[1], e = m[5], f = m[9];
    const float g = m[2], h = m[6], i = m[10];
    const float A = e * i - f * h, B = f * g - d * i, C = d * h - e * g;
    const float det = a * A + b * B + c * C;
    const float k = det != 0.0f ? 1.0f / det : 0.0f;
    // inverse^T = cofactor matrix / det.
    n[0] = A * k;
    n[1] = B * k;
    n[2] = C * k;
    n[3] = (c * h - b * i) * k;
    n[4] = (a * i - c * g) * k;
    n[5] = (b * g - a * h) * k;
    n[6] = (b * f - c * e) * k;
    n[7] = (c * d - a * f) * k;
    n[8] = (a * e - b * d) * k;
}

namespace {

// Normalises a float vector as GLU does (float sum, square root of it); a
// zero vector is left as it is.
void normalize(float v[3]) {
    const float r = static_cast<float>(std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]));
    if (r == 0.0f) return;
    v[0] /= r;
    v[1] /= r;
    v[2] /= r;
}

void cross(const float a[3], const float b[3], float out[3]) {
    out[0] = a[1] * b[2] - a[2] * b[1];
    out[1] = a[2] * b[0] - a[0] * b[2];
    out[2] = a[0] * b[1] - a[1] * b[0];
}

}  // namespace

void lookAtBy(float m[16], const double eye[3], const double centre[3], const double up[3]) {
    float forward[3] = {static_cast<float>(centre[0] - eye[0]), static_cast<float>(centre[1] - eye[1]),
                        static_cast<float>(centre[2] - eye[2])};
    float upward[3] = {static_cast<float>(up[0]), static_cast<float>(up[1]), static_cast<float>(up[2])};
    float side[3];
    normalize(forward);
    cross(forward, upward, side);
    normalize(side);
    cross(side, forward, upward);
    float basis[16];
    identity(basis);
    basis[0] = side[0];
    basis[4] = side[1];
    basis[8] = side[2];
    basis[1] = upward[0];
    basis[5] = upward[1];
    basis[9] = upward[2];
    basis[2] = -forward[0];
    basis[6] = -forward[1];
    basis[10] = -forward[2];
    multiply(m, m, basis);
    translateBy(m, static_cast<float>(-eye[0]), static_cast<float>(-eye[1]), static_cast<float>(-eye[2]));
}

bool perspective(float out[16], double fovy, double aspect, double zNear, double zFar) {
    const double radians = fovy / 2.0 * 3.14159265358979323846 / 180.0;
    const double deltaZ = zFar - zNear;
    const double sine = std::sin(radians);
    if (deltaZ == 0.0 || sine == 0.0 || aspect == 0.0) return false;
    const double cotangent = std::cos(radians) / sine;
    for (int i = 0; i < 16; ++i) out[i] = 0.0f;
    out[0] = static_cast<float>(cotangent / aspect);
    out[5] = static_cast<float>(cotangent);
    out[10] = static_cast<float>(-(zFar + zNear) / deltaZ);
    out[11] = -1.0f;
    out[14] = static_cast<float>(-2.0 * zNear * zFar / deltaZ);
    return true;
}

bool invert(const float m[16], float out[16]) {
    double a[16];
    for (int i = 0; i < 16; ++i) a[i] = m[i];
    double inv[16];
    inv[0] = a[5] * a[10] * a[15] - a[5] * a[11] * a[14] - a[9] * a[6] * a[15] + a[9] * a[7] * a[14] +
             a[13] * a[6] * a[11] - a[13] * a[7] * a[10];
    inv[4] = -a[4] * a[10] * a[15] + a[4] * a[11] * a[14] + a[8] * a[6] * a[15] - a[8] * a[7] * a[14] -
             a[12] * a[6] * a[11] + a[12] * a[7] * a[10];
    inv[8] = a[4] * a[9] * a[15] - a[4] * a[11] * a[13] - a[8] * a[5] * a[15] + a[8] * a[7] * a[13] +
             a[12] * a[5] * a[11] - a[12] * a[7] * a[9];
    inv[12] = -a[4] * a[9] * a[14] + a[4] * a[10] * a[13] + a[8] * a[5] * a[14] - a[8] * a[6] * a[13] -
              a[12] * a[5] * a[10] + a[12] * a[6] * a[9];
    inv[1] = -a[1] * a[10] * a[15] + a[1] * a[11] * a[14] + a[9] * a[2] * a[15] - a[9] * a[3] * a[14] -
             a[13] * a[2] * a[11] + a[13] * a[3] * a[10];
    inv[5] = a[0] * a[10] * a[15] - a[0] * a[11] * a[14] - a[8] * a[2] * a[15] + a[8] * a[3] * a[14] +
             a[12] * a[2] * a[11] - a[12] * a[3] * a[10];
    inv[9] = -a[0] * a[9] * a[15] + a[0] * a[11] * a[13] + a[8] * a[1] * a[15] - a[8] * a[3] * a[13] -
             a[12] * a[1] * a[11] + a[12] * a[3] * a[9];
    inv[13] = a[0] * a[9] * a[14] - a[0] * a[10] * a[13] - a[8] * a[1] * a[14] + a[8] * a[2] * a[13] +
              a[12] * a[1] * a[10] - a[12] * a[2] * a[9];
    inv[2] = a[1] * a[6] * a[15] - a[1] * a[7] * a[14] - a[5] * a[2] * a[15] + a[5] * a[3] * a[14] +
             a[13] * a[2] * a[7] - a[13] * a[3] * a[6];
    inv[6] = -a[0] * a[6] * a[15] + a[0] * a[7] * a[14] + a[4] * a[2] * a[15] - a[4] * a[3] * a[14] -
             a[12] * a[2] * a[7] + a[12] * a[3] * a[6];
    inv[10] = a[0] * a[5] * a[15] - a[0] * a[7] * a[13] - a[4] * a[1] * a[15] + a[4] * a[3] * a[13] +
              a[12] * a[1] * a[7] - a[12] * a[3] * a[5];
    inv[14] = -a[0] * a[5] * a[14] + a[0] * a[6] * a[13] + a[4] * a[1] * a[14] - a[4] * a[2] * a[13] -
              a[12] * a[1] * a[6] + a[12] * a[2] * a[5];
    inv[3] = -a[1] * a[6] * a[11] + a[1] * a[7] * a[10] + a[5] * a[2] * a[11] - a[5] * a[3] * a[10] -
             a[9] * a[2] * a[7] + a[9] * a[3] * a[6];
    inv[7] = a[0] * a[6] * a[11] - a[0] * a[7] * a[10] - a[4] * a[2] * a[11] + a[4] * a[3] * a[10] +
             a[8] * a[2] * a[7] - a[8] * a[3] * a[6];
    inv[11] = -a[0] * a[5] * a[11] + a[0] * a[7] * a[9] + a[4] * a[1] * a[11] - a[4] * a[3] * a[9] -
              a[8] * a[1] * a[7] + a[8] * a[3] * a[5];
    inv[15] = a[0] * a[5] * a[10] - a[0] * a[6] * a[9] - a[4] * a[1] * a[10] + a[4] * a[2] * a[9] + a[8] * a[1] * a[6] -
              a[8] * a[2] * a[5];
    const double det = a[0] * inv[0] + a[1] * inv[4] + a[2] * inv[8] + a[3] * inv[12];
    if (det == 0.0) return false;
    for (int i = 0; i < 16; ++i) out[i] = static_cast<float>(inv[i] / det);
    return true;
}

}  // namespace glmath
