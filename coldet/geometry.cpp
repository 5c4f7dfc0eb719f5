#include "coldet_geometry.h"

namespace coldet {

const float ZeroVector[3] = {0.0f, 0.0f, 0.0f};
const float IdentityMatrix[16] = {1.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f,
                                  0.0f, 0.0f, 1.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f};

void multiplyMatrices(float* out, const float* a, const float* b) {
    for (int col = 0; col < 4; ++col) {
        for (int row = 0; row < 4; ++row) {
            out[col * 4 + row] = a[row] * b[col * 4] + a[4 + row] * b[col * 4 + 1] + a[8 + row] * b[col * 4 + 2] +
                                 a[12 + row] * b[col * 4 + 3];
        }
    }
}

void invertMatrix(float* out, const float* m) {
    // cRC = (-1)^(R+C) · minor(R, C), the minor being the 3×3 determinant left
    // when row R and column C are removed (element (row, col) is m[4·col + row]),
    // expanded along its first row. Written out so that every term is a
    // constant index.
    const float c00 = (m[5] * (m[10] * m[15] - m[14] * m[11]) - m[9] * (m[6] * m[15] - m[14] * m[7]) +
                       m[13] * (m[6] * m[11] - m[10] * m[7]));
    const float c01 = -(m[1] * (m[10] * m[15] - m[14] * m[11]) - m[9] * (m[2] * m[15] - m[14] * m[3]) +
                        m[13] * (m[2] * m[11] - m[10] * m[3]));
    const float c02 = (m[1] * (m[6] * m[15] - m[14] * m[7]) - m[5] * (m[2] * m[15] - m[14] * m[3]) +
                       m[13] * (m[2] * m[7] - m[6] * m[3]));
    const float c03 = -(m[1] * (m[6] * m[11] - m[10] * m[7]) - m[5] * (m[2] * m[11] - m[10] * m[3]) +
                        m[9] * (m[2] * m[7] - m[6] * m[3]));
    const float c10 = -(m[4] * (m[10] * m[15] - m[14] * m[11]) - m[8] * (m[6] * m[15] - m[14] * m[7]) +
                        m[12] * (m[6] * m[11] - m[10] * m[7]));
    const float c11 = (m[0] * (m[10] * m[15] - m[14] * m[11]) - m[8] * (m[2] * m[15] - m[14] * m[3]) +
                       m[12] * (m[2] * m[11] - m[10] * m[3]));
    const float c12 = -(m[0] * (m[6] * m[15] - m[14] * m[7]) - m[4] * (m[2] * m[15] - m[14] * m[3]) +
                        m[12] * (m[2] * m[7] - m[6] * m[3]));
    const float c13 = (m[0] * (m[6] * m[11] - m[10] * m[7]) - m[4] * (m[2] * m[11] - m[10] * m[3]) +
                       m[8] * (m[2] * m[7] - m[6] * m[3]));
    const float c20 = (m[4] * (m[9] * m[15] - m[13] * m[11]) - m[8] * (m[5] * m[15] - m[13] * m[7]) +
                       m[12] * (m[5] * m[11] - m[9] * m[7]));
    const float c21 = -(m[0] * (m[9] * m[15] - m[13] * m[11]) - m[8] * (m[1] * m[15] - m[13] * m[3]) +
                        m[12] * (m[1] * m[11] - m[9] * m[3]));
    const float c22 = (m[0] * (m[5] * m[15] - m[13] * m[7]) - m[4] * (m[1] * m[15] - m[13] * m[3]) +
                       m[12] * (m[1] * m[7] - m[5] * m[3]));
    const float c23 = -(m[0] * (m[5] * m[11] - m[9] * m[7]) - m[4] * (m[1] * m[11] - m[9] * m[3]) +
                        m[8] * (m[1] * m[7] - m[5] * m[3]));
    const float c30 = -(m[4] * (m[9] * m[14] - m[13] * m[10]) - m[8] * (m[5] * m[14] - m[13] * m[6]) +
                        m[12] * (m[5] * m[10] - m[9] * m[6]));
    const float c31 = (m[0] * (m[9] * m[14] - m[13] * m[10]) - m[8] * (m[1] * m[14] - m[13] * m[2]) +
                       m[12] * (m[1] * m[10] - m[9] * m[2]));
    const float c32 = -(m[0] * (m[5] * m[14] - m[13] * m[6]) - m[4] * (m[1] * m[14] - m[13] * m[2]) +
                        m[12] * (m[1] * m[6] - m[5] * m[2]));
    const float c33 = (m[0] * (m[5] * m[10] - m[9] * m[6]) - m[4] * (m[1] * m[10] - m[9] * m[2]) +
                       m[8] * (m[1] * m[6] - m[5] * m[2]));
    const float determinant = m[0] * c00 + m[4] * c01 + m[8] * c02 + m[12] * c03;
    // inverse(row, col) = cofactor(col, row) / determinant.
    const float adjugate[16] = {c00, c01, c02, c03, c10, c11, c12, c13, c20, c21, c22, c23, c30, c31, c32, c33};
    for (int k = 0; k < 16; ++k) out[k] = adjugate[k] / determinant;
}

}  // namespace coldet
