// OpenGL's matrix arithmetic; see gl_matrix.h.
#include "render/gl_matrix.h"

#include <cmath>
#include <cstring>

namespace glmatrix {

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

}  // namespace glmatrix
