// View volume, visibility tests and billboard axes; see view_volume.h.
#include "view/view_volume.h"

#include <cmath>

#include "sim/gfx.h"

Vector3 viewRight = {1.0f, 0.0f, 0.0f};
Vector3 viewUp = {0.0f, 1.0f, 0.0f};

void ViewVolume::extractPlanes(const float projection[16], const float modelView[16]) {
    const float* P = projection;
    const float* M = modelView;
    // C = P * M, each element summed in extended precision and rounded to float.
    float C[16];
    for (int c = 0; c < 4; ++c) {
        for (int r = 0; r < 4; ++r) {
            const long double sum =
                static_cast<long double>(M[4 * c + 0]) * P[0 + r] + static_cast<long double>(M[4 * c + 1]) * P[4 + r] +
                static_cast<long double>(M[4 * c + 2]) * P[8 + r] + static_cast<long double>(M[4 * c + 3]) * P[12 + r];
            C[4 * c + r] = static_cast<float>(sum);
        }
    }
    // Row k of the table and its sign: right, left, bottom, top, far, near.
    static const int PlaneRow[6] = {0, 0, 1, 1, 2, 2};
    static const float PlaneSign[6] = {-1.0f, 1.0f, 1.0f, -1.0f, -1.0f, 1.0f};
    for (int p = 0; p < 6; ++p) {
        const int k = PlaneRow[p];
        float* plane = planes[p];
        if (PlaneSign[p] > 0.0f) {
            plane[0] = C[3] + C[k];
            plane[1] = C[7] + C[4 + k];
            plane[2] = C[11] + C[8 + k];
            plane[3] = C[15] + C[12 + k];
        } else {
            plane[0] = C[3] - C[k];
            plane[1] = C[7] - C[4 + k];
            plane[2] = C[11] - C[8 + k];
            plane[3] = C[15] - C[12 + k];
        }
        const float length =
            static_cast<float>(std::sqrt(plane[0] * plane[0] + plane[1] * plane[1] + plane[2] * plane[2]));
        if (!(length > 0.0f) || !std::isfinite(length)) {
            // A degenerate matrix gives a plane with no direction: let it cut nothing
            // rather than fill the tests with NaN.
            plane[0] = 0.0f;
            plane[1] = 0.0f;
            plane[2] = 0.0f;
            plane[3] = 1.0f;
            continue;
        }
        plane[0] /= length;
        plane[1] /= length;
        plane[2] /= length;
        plane[3] /= length;
    }
}

int ViewVolume::sphereVisible(float x, float y, float z, float radius) const {
    int result = 1;
    for (int p = 0; p < 6; ++p) {
        const float* plane = planes[p];
        if (plane[0] * x + plane[1] * y + plane[2] * z + plane[3] < -radius) {
            result = 0;
        }
    }
    return result;
}

int ViewVolume::boxVisible(float x, float y, float z, float hx, float hy, float hz) const {
    const float lo[3] = {x - hx, y - hy, z - hz};
    const float hi[3] = {x + hx, y + hy, z + hz};
    // Corner i takes hi on axis a when bit a of i is set.
    int result = 1;
    for (int p = 0; p < 6; ++p) {
        const float* plane = planes[p];
        bool inside = false;
        for (int i = 0; i < 8 && !inside; ++i) {
            const float cx = (i & 1) ? hi[0] : lo[0];
            const float cy = (i & 2) ? hi[1] : lo[1];
            const float cz = (i & 4) ? hi[2] : lo[2];
            const float px = plane[0] * cx;
            const float py = plane[1] * cy;
            const float pz = plane[2] * cz;
            if (px + py + pz + plane[3] > 0.0f) {
                inside = true;
            }
        }
        if (!inside) {
            result = 0;
        }
    }
    return result;
}

void setViewAxes(const float modelView[16]) {
    viewRight = Vector3{modelView[0], modelView[4], modelView[8]};
    viewUp = Vector3{modelView[1], modelView[5], modelView[9]};
}

void readViewAxes() {
    float m[16];
    gfx().modelViewMatrix(m);
    setViewAxes(m);
}
