// Geometric tests of the collision library: oriented boxes, triangle pairs,
// rays, segments and spheres against boxes and triangles, and the contact
// point of two triangles. All in one model's coordinates (model units).
//
// Every rejecting comparison is written so that a NaN operand rejects: a
// non-finite input never produces a hit.
#ifndef HALVORN_COLDET_OVERLAP_H
#define HALVORN_COLDET_OVERLAP_H

#include <cmath>

#include "coldet_box_tree.h"
#include "coldet_geometry.h"

namespace coldet {

// The other model's placement in own coordinates: rel maps the other model's
// points to own points; R[i][j] is component i of the other model's axis j.
struct RelativeFrame {
    float rel[16];
    float R[3][3];
    float absR[3][3];  // |R| entry by entry, formed once per query
};

// Fills frame from rel (copied).
void makeRelativeFrame(RelativeFrame& frame, const float* rel);

// True when the inner or leaf box own (own coordinates) and the box other
// (other coordinates, placed by frame) overlap: separating-axis test on the
// fifteen axes of two oriented boxes. Touching boxes overlap.
//
// Written out axis by axis: this is the innermost test of the model query.
// An axis separates only when the distance is strictly greater than the reach;
// "!(distance <= reach)" also separates on NaN.
COLDET_ALWAYS_INLINE bool boxesOverlap(const RelativeFrame& frame, const Box& own, const Box& other) {
    const float(&R)[3][3] = frame.R;
    const float(&Q)[3][3] = frame.absR;
    const float* m = frame.rel;
    const float a0 = own.size[0] * 0.5f, a1 = own.size[1] * 0.5f, a2 = own.size[2] * 0.5f;
    const float b0 = other.size[0] * 0.5f, b1 = other.size[1] * 0.5f, b2 = other.size[2] * 0.5f;
    const float cx = other.center[0], cy = other.center[1], cz = other.center[2];
    const float t0 = (m[0] * cx + m[4] * cy + m[8] * cz + m[12]) - own.center[0];
    const float t1 = (m[1] * cx + m[5] * cy + m[9] * cz + m[13]) - own.center[1];
    const float t2 = (m[2] * cx + m[6] * cy + m[10] * cz + m[14]) - own.center[2];

    // Own axes.
    if (!(std::fabs(t0) <= a0 + b0 * Q[0][0] + b1 * Q[0][1] + b2 * Q[0][2])) return false;
    if (!(std::fabs(t1) <= a1 + b0 * Q[1][0] + b1 * Q[1][1] + b2 * Q[1][2])) return false;
    if (!(std::fabs(t2) <= a2 + b0 * Q[2][0] + b1 * Q[2][1] + b2 * Q[2][2])) return false;

    // Other axes.
    if (!(std::fabs(t0 * R[0][0] + t1 * R[1][0] + t2 * R[2][0]) <= a0 * Q[0][0] + a1 * Q[1][0] + a2 * Q[2][0] + b0))
        return false;
    if (!(std::fabs(t0 * R[0][1] + t1 * R[1][1] + t2 * R[2][1]) <= a0 * Q[0][1] + a1 * Q[1][1] + a2 * Q[2][1] + b1))
        return false;
    if (!(std::fabs(t0 * R[0][2] + t1 * R[1][2] + t2 * R[2][2]) <= a0 * Q[0][2] + a1 * Q[1][2] + a2 * Q[2][2] + b2))
        return false;

    // Cross axes, own axis i outer, other axis j inner:
    // |t[i+2]·R[i+1][j] − t[i+1]·R[i+2][j]| against
    // a[i+1]·Q[i+2][j] + a[i+2]·Q[i+1][j] + b[j+1]·Q[i][j+2] + b[j+2]·Q[i][j+1].
    // i = 0
    if (!(std::fabs(t2 * R[1][0] - t1 * R[2][0]) <= a1 * Q[2][0] + a2 * Q[1][0] + b1 * Q[0][2] + b2 * Q[0][1]))
        return false;
    if (!(std::fabs(t2 * R[1][1] - t1 * R[2][1]) <= a1 * Q[2][1] + a2 * Q[1][1] + b2 * Q[0][0] + b0 * Q[0][2]))
        return false;
    if (!(std::fabs(t2 * R[1][2] - t1 * R[2][2]) <= a1 * Q[2][2] + a2 * Q[1][2] + b0 * Q[0][1] + b1 * Q[0][0]))
        return false;
    // i = 1
    if (!(std::fabs(t0 * R[2][0] - t2 * R[0][0]) <= a2 * Q[0][0] + a0 * Q[2][0] + b1 * Q[1][2] + b2 * Q[1][1]))
        return false;
    if (!(std::fabs(t0 * R[2][1] - t2 * R[0][1]) <= a2 * Q[0][1] + a0 * Q[2][1] + b2 * Q[1][0] + b0 * Q[1][2]))
        return false;
    if (!(std::fabs(t0 * R[2][2] - t2 * R[0][2]) <= a2 * Q[0][2] + a0 * Q[2][2] + b0 * Q[1][1] + b1 * Q[1][0]))
        return false;
    // i = 2
    if (!(std::fabs(t1 * R[0][0] - t0 * R[1][0]) <= a0 * Q[1][0] + a1 * Q[0][0] + b1 * Q[2][2] + b2 * Q[2][1]))
        return false;
    if (!(std::fabs(t1 * R[0][1] - t0 * R[1][1]) <= a0 * Q[1][1] + a1 * Q[0][1] + b2 * Q[2][0] + b0 * Q[2][2]))
        return false;
    if (!(std::fabs(t1 * R[0][2] - t0 * R[1][2]) <= a0 * Q[1][2] + a1 * Q[0][2] + b0 * Q[2][1] + b1 * Q[2][0]))
        return false;
    return true;
}

// Möller's interval-overlap test (1997, interval ends by division, plane
// distances below 0.000001 snapped to 0). u and v in the same coordinates.
// Shared edges and vertices count as intersecting.
bool trianglesIntersect(const Triangle& u, const Triangle& v);

// One point where an edge of one triangle pierces the other's plane inside
// that triangle, or the zero vector when none is found (for example two
// triangles in one plane). own and other in own coordinates.
Vec3 contactPoint(const Triangle& own, const Triangle& other);

// The plane n·x + dd = 0 of a triangle, n the unit normal of (b − a) × (c − a).
struct Plane {
    Vec3 n;
    float dd;
};

// Plane of t; a degenerate triangle gives a NaN normal.
Plane trianglePlane(const Triangle& t);

// 2D barycentric inside test of p against t on axes i0 and i1; points on
// the edges are inside, NaN anywhere is outside.
bool insideProjected(const Triangle& t, const Vec3& p, int i0, int i1);

// Conservative test of the segment o + d·[0, length] against box (box extents
// taken as the full size, so it may accept a box twice as large); a length
// above 3·10³⁰ means the unlimited ray.
bool boxHitsSegment(const Box& box, const Vec3& o, const Vec3& d, float length);

// Conservative test of the unlimited ray from o along d against box.
bool boxHitsRay(const Box& box, const Vec3& o, const Vec3& d);

// True when the sphere (centre c, radius r) reaches the box.
bool boxHitsSphere(const Box& box, const Vec3& c, float r);

// The ray o + d·t, 0 < t ≤ length, against t's plane and interior. On a hit
// writes the point and t (multiples of d).
bool rayHitsTriangle(const Triangle& tri, const Vec3& o, const Vec3& d, float length, Vec3* point, float* distance);

// The sphere against tri: hit when the centre is within r of the plane and the
// foot of the perpendicular lies inside the triangle. Writes the foot point.
bool sphereHitsTriangle(const Triangle& tri, const Vec3& c, float r, Vec3* point);

}  // namespace coldet

#endif
