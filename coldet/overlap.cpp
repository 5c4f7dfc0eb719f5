#include <cmath>
#include <utility>

#include "coldet_overlap.h"

namespace coldet {

namespace {

// Plane distances this close to zero count as lying in the plane (model
// units times the length of the unnormalized normal). Compared in double, as
// the published test does.
constexpr double PlaneTolerance = 0.000001;

// |den| below this means the ray runs along the triangle's plane.
constexpr float ParallelTolerance = 0.00000001f;

// Segment lengths above this are treated as unlimited rays.
constexpr float UnlimitedLength = 3.0e30f;

inline float snapToPlane(float distance) {
    return std::fabs(static_cast<double>(distance)) < PlaneTolerance ? 0.0f : distance;
}

// Where one triangle crosses the other's plane, along the projection axis:
// the interval [lo, hi] (unsorted) from the projected vertices p and their
// signed distances d from the other plane. Returns false when all three
// distances are zero (the triangle lies in the other plane).
bool crossingInterval(const float p[3], const float d[3], float d0d1, float d0d2, float* lo, float* hi) {
    // Find the vertex alone on its side of the plane ("lone") and the other two.
    int lone;
    int k1;
    int k2;
    if (d0d1 > 0.0f) {
        lone = 2, k1 = 0, k2 = 1;  // 0 and 1 together, 2 across or on the plane
    } else if (d0d2 > 0.0f) {
        lone = 1, k1 = 0, k2 = 2;
    } else if (d[1] * d[2] > 0.0f || d[0] != 0.0f) {
        lone = 0, k1 = 1, k2 = 2;
    } else if (d[1] != 0.0f) {
        lone = 1, k1 = 0, k2 = 2;
    } else if (d[2] != 0.0f) {
        lone = 2, k1 = 0, k2 = 1;
    } else {
        return false;
    }
    // The edges from the lone vertex meet the plane at these parameters.
    *lo = p[lone] + (p[k1] - p[lone]) * d[lone] / (d[lone] - d[k1]);
    *hi = p[lone] + (p[k2] - p[lone]) * d[lone] / (d[lone] - d[k2]);
    return true;
}

// 2D closed test: does the edge from p0 along (ax, ay) cross the edge q0–q1?
// Coordinates are the two kept axes i0, i1.
bool edgeCrossesEdge(float ax, float ay, const float* p0, const float* q0, const float* q1, int i0, int i1) {
    float bx = q0[i0] - q1[i0];
    float by = q0[i1] - q1[i1];
    float cx = p0[i0] - q0[i0];
    float cy = p0[i1] - q0[i1];
    float f = ay * bx - ax * by;  // zero for parallel edges
    float d = by * cx - bx * cy;  // position along the first edge, scaled by f
    if ((f > 0.0f && d >= 0.0f && d <= f) || (f < 0.0f && d <= 0.0f && d >= f)) {
        float e = ax * cy - ay * cx;  // position along the second edge, scaled by f
        if (f > 0.0f) return e >= 0.0f && e <= f;
        return e <= 0.0f && e >= f;
    }
    return false;
}

// Does the edge p0–p1 cross any edge of triangle t?
bool edgeCrossesTriangle(const float* p0, const float* p1, const Triangle& t, int i0, int i1) {
    float ax = p1[i0] - p0[i0];
    float ay = p1[i1] - p0[i1];
    return edgeCrossesEdge(ax, ay, p0, t.a, t.b, i0, i1) || edgeCrossesEdge(ax, ay, p0, t.b, t.c, i0, i1) ||
           edgeCrossesEdge(ax, ay, p0, t.c, t.a, i0, i1);
}

// Signed side of p against the 2D line through q0 and q1.
float sideOfLine(const float* p, const float* q0, const float* q1, int i0, int i1) {
    float a = q1[i1] - q0[i1];
    float b = -(q1[i0] - q0[i0]);
    float c = -a * q0[i0] - b * q0[i1];
    return a * p[i0] + b * p[i1] + c;
}

// Strictly inside triangle t in 2D (the edges are covered by the edge tests).
bool pointInTriangle(const float* p, const Triangle& t, int i0, int i1) {
    float d0 = sideOfLine(p, t.a, t.b, i0, i1);
    float d1 = sideOfLine(p, t.b, t.c, i0, i1);
    float d2 = sideOfLine(p, t.c, t.a, i0, i1);
    return d0 * d1 > 0.0f && d0 * d2 > 0.0f;
}

// Two triangles in one plane with normal n: drop the axis of the largest |n|
// component and test the edges and the first vertices in 2D.
bool coplanarTrianglesIntersect(const Vec3& n, const Triangle& u, const Triangle& v) {
    float ax = std::fabs(n[0]);
    float ay = std::fabs(n[1]);
    float az = std::fabs(n[2]);
    int i0;
    int i1;
    if (ax > ay) {
        if (ax > az) {
            i0 = 1, i1 = 2;
        } else {
            i0 = 0, i1 = 1;
        }
    } else if (az > ay) {
        i0 = 0, i1 = 1;
    } else {
        i0 = 0, i1 = 2;
    }
    if (edgeCrossesTriangle(u.a, u.b, v, i0, i1)) return true;
    if (edgeCrossesTriangle(u.b, u.c, v, i0, i1)) return true;
    if (edgeCrossesTriangle(u.c, u.a, v, i0, i1)) return true;
    if (pointInTriangle(u.a, v, i0, i1)) return true;
    return pointInTriangle(v.a, u, i0, i1);
}

// The point where the line from `from` to `to` meets the reference plane
// n·x + d = 0, as from + (to − from)·t.
Vec3 meetReferencePlane(const Vec3& from, const Vec3& to, const Vec3& n, float d) {
    Vec3 along = to - from;
    float t = -(dot(n, from) + d) / dot(n, along);
    return from + along * t;
}

// The vertex of t with index k (0 = a, 1 = b, 2 = c).
Vec3 vertex(const Triangle& t, int k) {
    const float* p = k == 0 ? t.a : (k == 1 ? t.b : t.c);
    return load3(p);
}

// Index of the vertex that lies alone on its side of a plane, given the
// signed distances of a, b and c (not all three strictly on one side).
int loneVertex(float da, float db, float dc) {
    if (db * da >= 0.0f) return 2;
    if (db * dc < 0.0f) return 1;
    return 0;
}

}  // namespace

void makeRelativeFrame(RelativeFrame& frame, const float* rel) {
    for (int k = 0; k < 16; ++k) frame.rel[k] = rel[k];
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            frame.R[i][j] = rel[4 * j + i];
            frame.absR[i][j] = std::fabs(frame.R[i][j]);
        }
    }
}

bool trianglesIntersect(const Triangle& u, const Triangle& v) {
    const Vec3 u0 = load3(u.a), u1 = load3(u.b), u2 = load3(u.c);
    const Vec3 v0 = load3(v.a), v1 = load3(v.b), v2 = load3(v.c);

    // v against the plane of u.
    Vec3 n1 = cross(u1 - u0, u2 - u0);
    float d1 = -dot(n1, u0);
    float dv[3] = {snapToPlane(dot(n1, v0) + d1), snapToPlane(dot(n1, v1) + d1), snapToPlane(dot(n1, v2) + d1)};
    float dv0dv1 = dv[0] * dv[1];
    float dv0dv2 = dv[0] * dv[2];
    if (dv0dv1 > 0.0f && dv0dv2 > 0.0f) return false;

    // u against the plane of v.
    Vec3 n2 = cross(v1 - v0, v2 - v0);
    float d2 = -dot(n2, v0);
    float du[3] = {snapToPlane(dot(n2, u0) + d2), snapToPlane(dot(n2, u1) + d2), snapToPlane(dot(n2, u2) + d2)};
    float du0du1 = du[0] * du[1];
    float du0du2 = du[0] * du[2];
    if (du0du1 > 0.0f && du0du2 > 0.0f) return false;

    // Project onto the axis along which the line of intersection runs longest.
    Vec3 line = cross(n1, n2);
    int axis = 0;
    float longest = std::fabs(line[0]);
    if (std::fabs(line[1]) > longest) {
        longest = std::fabs(line[1]);
        axis = 1;
    }
    if (std::fabs(line[2]) > longest) axis = 2;
    const float up[3] = {u0[axis], u1[axis], u2[axis]};
    const float vp[3] = {v0[axis], v1[axis], v2[axis]};

    float uLo, uHi, vLo, vHi;
    if (!crossingInterval(up, du, du0du1, du0du2, &uLo, &uHi)) {
        return coplanarTrianglesIntersect(n1, u, v);
    }
    if (!crossingInterval(vp, dv, dv0dv1, dv0dv2, &vLo, &vHi)) {
        return coplanarTrianglesIntersect(n1, u, v);
    }
    if (uLo > uHi) std::swap(uLo, uHi);
    if (vLo > vHi) std::swap(vLo, vHi);
    // Closed intervals; a NaN end means no overlap.
    return uHi >= vLo && vHi >= uLo;
}

Vec3 contactPoint(const Triangle& own, const Triangle& other) {
    Plane p = trianglePlane(own);
    Plane q = trianglePlane(other);
    // The sum of the two plane equations: on a line in one plane it is zero
    // exactly where the other plane is crossed.
    const Vec3 n = p.n + q.n;
    const float d = p.dd + q.dd;
    const ProjectionAxes ownAxes = projectionAxes(p.n);
    const ProjectionAxes otherAxes = projectionAxes(q.n);

    // Edges of other that pierce own's plane, tested inside own.
    float qa = dot(p.n, load3(other.a)) + p.dd;
    float qb = dot(p.n, load3(other.b)) + p.dd;
    float qc = dot(p.n, load3(other.c)) + p.dd;
    if (qb * qa > 0.0f && qb * qc > 0.0f) return load3(ZeroVector);
    int lone = loneVertex(qa, qb, qc);
    Vec3 tip = vertex(other, lone);
    Vec3 candidate = meetReferencePlane(vertex(other, (lone + 1) % 3), tip, n, d);
    if (insideProjected(own, candidate, ownAxes.i0, ownAxes.i1)) return candidate;
    candidate = meetReferencePlane(vertex(other, (lone + 2) % 3), tip, n, d);
    if (insideProjected(own, candidate, ownAxes.i0, ownAxes.i1)) return candidate;

    // Edges of own that pierce other's plane, tested inside other.
    float pa = dot(q.n, load3(own.a)) + q.dd;
    float pb = dot(q.n, load3(own.b)) + q.dd;
    float pc = dot(q.n, load3(own.c)) + q.dd;
    if (pb * pa > 0.0f && pb * pc > 0.0f) return load3(ZeroVector);
    lone = loneVertex(pa, pb, pc);
    tip = vertex(own, lone);
    candidate = meetReferencePlane(vertex(own, (lone + 1) % 3), tip, n, d);
    if (insideProjected(other, candidate, otherAxes.i0, otherAxes.i1)) return candidate;
    candidate = meetReferencePlane(vertex(own, (lone + 2) % 3), tip, n, d);
    if (insideProjected(other, candidate, otherAxes.i0, otherAxes.i1)) return candidate;
    return load3(ZeroVector);
}

Plane trianglePlane(const Triangle& t) {
    Vec3 a = load3(t.a);
    Vec3 n = normalize(cross(load3(t.b) - a, load3(t.c) - a));
    return Plane{n, -dot(n, a)};
}

bool insideProjected(const Triangle& t, const Vec3& p, int i0, int i1) {
    float u0 = p[i0] - t.a[i0];
    float u1 = t.b[i0] - t.a[i0];
    float u2 = t.c[i0] - t.a[i0];
    float w0 = p[i1] - t.a[i1];
    float w1 = t.b[i1] - t.a[i1];
    float w2 = t.c[i1] - t.a[i1];
    float alpha;
    float beta;
    if (u1 != 0.0f) {
        beta = (u1 * w0 - w1 * u0) / (u1 * w2 - w1 * u2);
        if (!(beta >= 0.0f && beta <= 1.0f)) return false;
        alpha = (u0 - u2 * beta) / u1;
    } else {
        beta = u0 / u2;
        if (!(beta >= 0.0f && beta <= 1.0f)) return false;
        alpha = (w0 - w2 * beta) / w1;
    }
    return alpha >= 0.0f && alpha + beta <= 1.0f;
}

bool boxHitsSegment(const Box& box, const Vec3& o, const Vec3& d, float length) {
    if (length > UnlimitedLength) return boxHitsRay(box, o, d);
    const float* e = box.size;  // full size: deliberately generous
    Vec3 h = d * (length * 0.5f);
    Vec3 m = o + h;
    Vec3 D = m - load3(box.center);
    for (int i = 0; i < 3; ++i) {
        if (!(std::fabs(D[i]) <= std::fabs(h[i]) + e[i])) return false;
    }
    Vec3 c = cross(h, D);
    for (int i = 0; i < 3; ++i) {
        const int j = (i + 1) % 3;
        const int k = (i + 2) % 3;
        if (!(std::fabs(c[i]) <= e[j] * std::fabs(h[k]) + e[k] * std::fabs(h[j]))) return false;
    }
    return true;
}

bool boxHitsRay(const Box& box, const Vec3& o, const Vec3& d) {
    const float* e = box.size;
    Vec3 D = o - load3(box.center);
    for (int i = 0; i < 3; ++i) {
        // Outside the slab and not heading towards it (NaN counts as both).
        if (!(std::fabs(D[i]) <= e[i]) && !(D[i] * d[i] < 0.0f)) return false;
    }
    Vec3 c = cross(d, D);
    if (!(std::fabs(c[0]) <= std::fabs(d[1]) * e[2] + std::fabs(d[2]) * e[1])) return false;
    if (!(std::fabs(c[1]) <= std::fabs(d[0]) * e[2] + std::fabs(d[2]) * e[0])) return false;
    if (!(std::fabs(c[2]) <= std::fabs(d[0]) * e[1] + std::fabs(d[1]) * e[0])) return false;
    return true;
}

bool boxHitsSphere(const Box& box, const Vec3& c, float r) {
    float sum = 0.0f;
    for (int i = 0; i < 3; ++i) {
        float low = box.corner[i];
        float high = box.corner[i] + box.size[i];
        if (c[i] < low) {
            float g = c[i] - low;
            sum += g * g;
        } else if (c[i] > high) {
            float g = c[i] - high;
            sum += g * g;
        }
    }
    return r * r >= sum;
}

bool rayHitsTriangle(const Triangle& tri, const Vec3& o, const Vec3& d, float length, Vec3* point, float* distance) {
    Plane plane = trianglePlane(tri);
    float den = dot(plane.n, d);
    if (!(std::fabs(den) >= ParallelTolerance)) return false;
    float t = -(dot(plane.n, o) + plane.dd) / den;
    if (!(t > 0.0f && t <= length)) return false;
    Vec3 p = o + d * t;
    ProjectionAxes axes = projectionAxes(plane.n);
    if (!insideProjected(tri, p, axes.i0, axes.i1)) return false;
    *point = p;
    *distance = t;
    return true;
}

bool sphereHitsTriangle(const Triangle& tri, const Vec3& c, float r, Vec3* point) {
    Plane plane = trianglePlane(tri);
    float s = dot(plane.n, c) + plane.dd;
    if (!(std::fabs(s) <= r)) return false;
    Vec3 p = c - plane.n * s;
    ProjectionAxes axes = projectionAxes(plane.n);
    if (!insideProjected(tri, p, axes.i0, axes.i1)) return false;
    *point = p;
    return true;
}

}  // namespace coldet
