// Small vector and matrix routines shared inside the collision library.
// Everything is single precision and evaluated in the written order (the build
// forbids contraction into fused multiply-adds), so results are bit-for-bit
// reproducible.
//
// Matrices are sixteen floats, column-major: element 4 * column + row,
// translation in elements 12, 13, 14.
#ifndef HALVORN_COLDET_GEOMETRY_H
#define HALVORN_COLDET_GEOMETRY_H

#include <cmath>
#include <cstdint>
#include <cstring>

// For the few small functions on the innermost loop of the model query, which
// the compiler would otherwise leave out of line.
#if defined(__GNUC__)
#define COLDET_ALWAYS_INLINE inline __attribute__((always_inline))
#else
#define COLDET_ALWAYS_INLINE inline
#endif

namespace coldet {

// A point or direction (model or world units).
struct Vec3 {
    float e[3];
    float operator[](int i) const { return e[i]; }
    float& operator[](int i) { return e[i]; }
};

// The two tables the library keeps for the whole run.
extern const float ZeroVector[3];
extern const float IdentityMatrix[16];

// Builds a vector from three floats.
inline Vec3 vec3(float x, float y, float z) { return Vec3{{x, y, z}}; }

// Reads three consecutive floats.
inline Vec3 load3(const float* p) { return Vec3{{p[0], p[1], p[2]}}; }

// Writes three consecutive floats.
inline void store3(const Vec3& v, float* p) {
    p[0] = v.e[0];
    p[1] = v.e[1];
    p[2] = v.e[2];
}

inline Vec3 operator-(const Vec3& a, const Vec3& b) {
    return Vec3{{a.e[0] - b.e[0], a.e[1] - b.e[1], a.e[2] - b.e[2]}};
}
inline Vec3 operator+(const Vec3& a, const Vec3& b) {
    return Vec3{{a.e[0] + b.e[0], a.e[1] + b.e[1], a.e[2] + b.e[2]}};
}
inline Vec3 operator*(const Vec3& a, float s) { return Vec3{{a.e[0] * s, a.e[1] * s, a.e[2] * s}}; }
inline Vec3 operator-(const Vec3& a) { return Vec3{{-a.e[0], -a.e[1], -a.e[2]}}; }

// x·x' + y·y' + z·z', summed in that order.
inline float dot(const Vec3& a, const Vec3& b) { return a.e[0] * b.e[0] + a.e[1] * b.e[1] + a.e[2] * b.e[2]; }

// a × b.
inline Vec3 cross(const Vec3& a, const Vec3& b) {
    return Vec3{
        {a.e[1] * b.e[2] - a.e[2] * b.e[1], a.e[2] * b.e[0] - a.e[0] * b.e[2], a.e[0] * b.e[1] - a.e[1] * b.e[0]}};
}

// v times the float reciprocal of its length. A zero vector becomes
// not-a-number on purpose: every test downstream reads NaN as "no hit".
inline Vec3 normalize(const Vec3& v) {
    float length = std::sqrt(dot(v, v));
    return v * (1.0f / length);
}

// m applied to the point p (with translation).
inline Vec3 transformPoint(const float* m, const Vec3& p) {
    return Vec3{{m[0] * p.e[0] + m[4] * p.e[1] + m[8] * p.e[2] + m[12],
                 m[1] * p.e[0] + m[5] * p.e[1] + m[9] * p.e[2] + m[13],
                 m[2] * p.e[0] + m[6] * p.e[1] + m[10] * p.e[2] + m[14]}};
}

// m applied to the direction d (no translation).
inline Vec3 transformDirection(const float* m, const Vec3& d) {
    return Vec3{{m[0] * d.e[0] + m[4] * d.e[1] + m[8] * d.e[2], m[1] * d.e[0] + m[5] * d.e[1] + m[9] * d.e[2],
                 m[2] * d.e[0] + m[6] * d.e[1] + m[10] * d.e[2]}};
}

// out = a · b, so that out applied to p equals a applied to (b applied to p).
// out must not alias a or b.
void multiplyMatrices(float* out, const float* a, const float* b);

// out = inverse of m: adjugate divided by the determinant (expanded along the
// first row). A singular m yields non-finite entries; nothing is checked.
// out must not alias m.
void invertMatrix(float* out, const float* m);

// True when none of the n floats at v is infinite or NaN. Tests the exponent
// bits, so it costs a few integer operations and no float compares.
inline bool allFinite(const float* v, int n) {
    std::uint32_t bad = 0;
    for (int i = 0; i < n; ++i) {
        std::uint32_t bits;
        std::memcpy(&bits, v + i, sizeof bits);
        bad |= static_cast<std::uint32_t>((bits & 0x7f800000u) == 0x7f800000u);
    }
    return bad == 0;
}

// The two axes a triangle is projected onto for 2D tests: the axis of the
// largest normal component is dropped, ties dropping z first, then y.
struct ProjectionAxes {
    int i0;
    int i1;
};

// Projection axes for the unit normal n. NaN components give (0, 1).
inline ProjectionAxes projectionAxes(const Vec3& n) {
    float ax = std::fabs(n.e[0]);
    float ay = std::fabs(n.e[1]);
    float az = std::fabs(n.e[2]);
    if (ax > ay) {
        if (ax > az) return ProjectionAxes{1, 2};
        return ProjectionAxes{0, 1};
    }
    if (ay > az) return ProjectionAxes{0, 2};
    return ProjectionAxes{0, 1};
}

}  // namespace coldet

#endif
