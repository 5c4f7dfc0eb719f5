// Poses, meshes and the double-precision reference of the collision benchmark.
#include "bench_geometry.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace bench {

std::uint64_t SplitMix64::next() {
    state += 0x9E3779B97F4A7C15ull;
    std::uint64_t z = state;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

double SplitMix64::unit() { return static_cast<double>(next() >> 11) * (1.0 / 9007199254740992.0); }

double SplitMix64::range(double lo, double hi) { return lo + (hi - lo) * unit(); }

Matrix identityMatrix() {
    Matrix m{};
    m[0] = m[5] = m[10] = m[15] = 1.0f;
    return m;
}

Matrix randomPose(SplitMix64& rng, double tx, double ty, double tz) {
    // Shoemake: three uniform numbers give a unit quaternion uniform on S^3,
    // hence a rotation uniform over SO(3).
    const double twoPi = 6.283185307179586;
    const double u1 = rng.unit();
    const double u2 = rng.unit();
    const double u3 = rng.unit();
    const double s1 = std::sqrt(1.0 - u1);
    const double s2 = std::sqrt(u1);
    const double x = s1 * std::sin(twoPi * u2);
    const double y = s1 * std::cos(twoPi * u2);
    const double z = s2 * std::sin(twoPi * u3);
    const double w = s2 * std::cos(twoPi * u3);

    const double r[3][3] = {
        {1.0 - 2.0 * (y * y + z * z), 2.0 * (x * y - w * z), 2.0 * (x * z + w * y)},
        {2.0 * (x * y + w * z), 1.0 - 2.0 * (x * x + z * z), 2.0 * (y * z - w * x)},
        {2.0 * (x * z - w * y), 2.0 * (y * z + w * x), 1.0 - 2.0 * (x * x + y * y)},
    };
    Matrix m = identityMatrix();
    for (int col = 0; col < 3; ++col)
        for (int row = 0; row < 3; ++row) m[4 * col + row] = static_cast<float>(r[row][col]);
    m[12] = static_cast<float>(tx);
    m[13] = static_cast<float>(ty);
    m[14] = static_cast<float>(tz);
    return m;
}

std::vector<PosePair> makePoseSet(std::uint64_t seed, int count) {
    SplitMix64 rng(seed);
    std::vector<PosePair> poses;
    poses.reserve(static_cast<std::size_t>(std::max(count, 0)));
    for (int i = 0; i < count; ++i) {
        const double ox = rng.range(-200.0, 200.0);
        const double oy = rng.range(-200.0, 200.0);
        const double oz = rng.range(-200.0, 200.0);
        PosePair p;
        p.own = randomPose(rng, ox, oy, oz);
        const double dx = rng.range(-70.0, 70.0);
        const double dy = rng.range(-70.0, 70.0);
        const double dz = rng.range(-70.0, 70.0);
        p.other = randomPose(rng, ox + dx, oy + dy, oz + dz);
        poses.push_back(p);
    }
    return poses;
}

std::vector<PosePair> makeGrazingPoseSet(const Mesh& own, const Mesh& other, std::uint64_t seed, int count) {
    std::vector<PosePair> out;
    std::uint64_t next = seed;
    // Meshes that never cross give up after a fair number of tries.
    const std::uint64_t lastSeed = seed + 100 * static_cast<std::uint64_t>(std::max(count, 0)) + 100;
    while (static_cast<int>(out.size()) < 2 * count && next != lastSeed) {
        const PosePair base = makePoseSet(next++, 1).front();
        const double from[3] = {base.own[12], base.own[13], base.own[14]};
        const double step[3] = {base.other[12] - from[0], base.other[13] - from[1], base.other[14] - from[2]};
        const auto placedAt = [&](double s) {
            Matrix m = base.other;
            for (int k = 0; k < 3; ++k) m[static_cast<std::size_t>(12 + k)] = static_cast<float>(from[k] + s * step[k]);
            return m;
        };
        const auto crossAt = [&](double s) { return meshesCross(own, base.own, other, placedAt(s)); };
        if (!crossAt(0.0)) continue;
        double inside = 0.0, outside = 1.0;
        while (crossAt(outside) && outside < 64.0) outside *= 2.0;
        if (crossAt(outside)) continue;
        // Bisect until the two placements are neighbouring floats on every
        // axis: the contact boundary lies between them.
        const auto adjacent = [&]() {
            const Matrix a = placedAt(inside), b = placedAt(outside);
            for (std::size_t k = 12; k < 15; ++k)
                if (a[k] != b[k] && std::nextafter(a[k], b[k]) != b[k]) return false;
            return true;
        };
        while (!adjacent()) {
            const double mid = 0.5 * (inside + outside);
            if (mid == inside || mid == outside) break;
            (crossAt(mid) ? inside : outside) = mid;
        }
        out.push_back(PosePair{base.own, placedAt(inside)});
        out.push_back(PosePair{base.own, placedAt(outside)});
    }
    return out;
}

Mesh meshFromRows(const float (*rows)[9], int count) {
    Mesh mesh;
    for (int i = 0; i < count; ++i) {
        Triangle t;
        std::copy(rows[i], rows[i] + 9, t.begin());
        mesh.push_back(t);
    }
    return mesh;
}

Mesh boltMesh(float base, float tip) {
    // The same two rows a gun builds for its shots: one in the x-z plane, one
    // in the x-y plane, 1.2 units wide at the base, meeting at the tip.
    return Mesh{
        Triangle{tip, 0.0f, 0.0f, base, 0.0f, -0.6f, base, 0.0f, 0.6f},
        Triangle{tip, 0.0f, 0.0f, base, -0.6f, 0.0f, base, 0.6f, 0.0f},
    };
}

Mesh randomMesh(SplitMix64& rng, int count) {
    Mesh mesh;
    mesh.reserve(static_cast<std::size_t>(std::max(count, 0)));
    for (int i = 0; i < count; ++i) {
        const double c[3] = {rng.range(-500.0, 500.0), rng.range(-500.0, 500.0), rng.range(-500.0, 500.0)};
        Triangle t;
        for (int k = 0; k < 9; ++k)
            t[static_cast<std::size_t>(k)] = static_cast<float>(c[k % 3] + rng.range(-5.0, 5.0));
        mesh.push_back(t);
    }
    return mesh;
}

// ---- Double-precision reference -------------------------------------------

namespace {

struct V3 {
    double x, y, z;
};

V3 load(const double* p) { return V3{p[0], p[1], p[2]}; }
V3 operator-(V3 a, V3 b) { return V3{a.x - b.x, a.y - b.y, a.z - b.z}; }
V3 operator+(V3 a, V3 b) { return V3{a.x + b.x, a.y + b.y, a.z + b.z}; }
V3 operator*(V3 a, double s) { return V3{a.x * s, a.y * s, a.z * s}; }
double dot(V3 a, V3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
V3 cross(V3 a, V3 b) { return V3{a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
double length(V3 a) { return std::sqrt(dot(a, a)); }

double component(V3 a, int axis) { return axis == 0 ? a.x : (axis == 1 ? a.y : a.z); }

// Ends of the stretch of line direction `dir` that triangle t covers where it
// meets the other plane; d holds t's signed (scaled) distances to that plane,
// which are known not to be all of one strict sign nor all zero.
void planeInterval(const V3 t[3], const double d[3], V3 dir, double* lo, double* hi) {
    *lo = std::numeric_limits<double>::infinity();
    *hi = -std::numeric_limits<double>::infinity();
    for (int i = 0; i < 3; ++i) {
        if (d[i] == 0.0) {
            const double s = dot(dir, t[i]);
            *lo = std::min(*lo, s);
            *hi = std::max(*hi, s);
        }
        const int j = (i + 1) % 3;
        if ((d[i] < 0.0 && d[j] > 0.0) || (d[i] > 0.0 && d[j] < 0.0)) {
            const V3 p = t[i] + (t[j] - t[i]) * (d[i] / (d[i] - d[j]));
            const double s = dot(dir, p);
            *lo = std::min(*lo, s);
            *hi = std::max(*hi, s);
        }
    }
}

// 2D orientation of c relative to the directed line a->b.
double orient2(const double a[2], const double b[2], const double c[2]) {
    return (b[0] - a[0]) * (c[1] - a[1]) - (b[1] - a[1]) * (c[0] - a[0]);
}

bool onSegment2(const double a[2], const double b[2], const double c[2]) {
    return std::min(a[0], b[0]) <= c[0] && c[0] <= std::max(a[0], b[0]) && std::min(a[1], b[1]) <= c[1] &&
           c[1] <= std::max(a[1], b[1]);
}

bool segmentsMeet2(const double a[2], const double b[2], const double c[2], const double d[2]) {
    const double o1 = orient2(a, b, c);
    const double o2 = orient2(a, b, d);
    const double o3 = orient2(c, d, a);
    const double o4 = orient2(c, d, b);
    if (((o1 > 0 && o2 < 0) || (o1 < 0 && o2 > 0)) && ((o3 > 0 && o4 < 0) || (o3 < 0 && o4 > 0))) return true;
    return (o1 == 0 && onSegment2(a, b, c)) || (o2 == 0 && onSegment2(a, b, d)) || (o3 == 0 && onSegment2(c, d, a)) ||
           (o4 == 0 && onSegment2(c, d, b));
}

bool insideTriangle2(const double t[3][2], const double p[2]) {
    const double o0 = orient2(t[0], t[1], p);
    const double o1 = orient2(t[1], t[2], p);
    const double o2 = orient2(t[2], t[0], p);
    return (o0 >= 0 && o1 >= 0 && o2 >= 0) || (o0 <= 0 && o1 <= 0 && o2 <= 0);
}

// Both triangles lie in one plane with normal n: compare them in the two
// coordinates that keep the most area.
bool coplanarCross(const V3 p[3], const V3 q[3], V3 n) {
    const double ax = std::fabs(n.x), ay = std::fabs(n.y), az = std::fabs(n.z);
    const int drop = (ax >= ay && ax >= az) ? 0 : (ay >= az ? 1 : 2);
    const int i0 = drop == 0 ? 1 : 0;
    const int i1 = drop == 2 ? 1 : 2;
    double p2[3][2], q2[3][2];
    for (int k = 0; k < 3; ++k) {
        p2[k][0] = component(p[k], i0);
        p2[k][1] = component(p[k], i1);
        q2[k][0] = component(q[k], i0);
        q2[k][1] = component(q[k], i1);
    }
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            if (segmentsMeet2(p2[i], p2[(i + 1) % 3], q2[j], q2[(j + 1) % 3])) return true;
    return insideTriangle2(q2, p2[0]) || insideTriangle2(p2, q2[0]);
}

// Closest point of triangle (a, b, c) to p, by Voronoi regions.
V3 closestOnTriangle(V3 p, V3 a, V3 b, V3 c) {
    const V3 ab = b - a, ac = c - a, ap = p - a;
    const double d1 = dot(ab, ap), d2 = dot(ac, ap);
    if (d1 <= 0.0 && d2 <= 0.0) return a;
    const V3 bp = p - b;
    const double d3 = dot(ab, bp), d4 = dot(ac, bp);
    if (d3 >= 0.0 && d4 <= d3) return b;
    const double vc = d1 * d4 - d3 * d2;
    if (vc <= 0.0 && d1 >= 0.0 && d3 <= 0.0) return a + ab * (d1 / (d1 - d3));
    const V3 cp = p - c;
    const double d5 = dot(ab, cp), d6 = dot(ac, cp);
    if (d6 >= 0.0 && d5 <= d6) return c;
    const double vb = d5 * d2 - d1 * d6;
    if (vb <= 0.0 && d2 >= 0.0 && d6 <= 0.0) return a + ac * (d2 / (d2 - d6));
    const double va = d3 * d6 - d5 * d4;
    if (va <= 0.0 && (d4 - d3) >= 0.0 && (d5 - d6) >= 0.0) return b + (c - b) * ((d4 - d3) / ((d4 - d3) + (d5 - d6)));
    const double denom = va + vb + vc;
    if (denom == 0.0)  // zero-area triangle: its closest point lies on an edge
        return a;
    return a + ab * (vb / denom) + ac * (vc / denom);
}

// Distance between the segments p1-q1 and p2-q2 (either may be a point).
double segmentDistance(V3 p1, V3 q1, V3 p2, V3 q2) {
    const V3 d1 = q1 - p1, d2 = q2 - p2, r = p1 - p2;
    const double a = dot(d1, d1), e = dot(d2, d2), f = dot(d2, r);
    double s = 0.0, t = 0.0;
    if (a == 0.0 && e == 0.0) return length(p1 - p2);
    if (a == 0.0) {
        t = std::clamp(f / e, 0.0, 1.0);
    } else {
        const double c = dot(d1, r);
        if (e == 0.0) {
            s = std::clamp(-c / a, 0.0, 1.0);
        } else {
            const double b = dot(d1, d2);
            const double denom = a * e - b * b;
            s = denom != 0.0 ? std::clamp((b * f - c * e) / denom, 0.0, 1.0) : 0.0;
            t = (b * s + f) / e;
            if (t < 0.0) {
                t = 0.0;
                s = std::clamp(-c / a, 0.0, 1.0);
            } else if (t > 1.0) {
                t = 1.0;
                s = std::clamp((b - c) / a, 0.0, 1.0);
            }
        }
    }
    return length((p1 + d1 * s) - (p2 + d2 * t));
}

void loadTriangle(const PlacedTriangle& t, V3 out[3]) {
    for (int k = 0; k < 3; ++k) out[k] = load(t.v[k]);
}

// Centre and radius of a sphere around a placed triangle, for pruning.
struct Bound {
    V3 centre;
    double radius;
};

Bound boundOf(const PlacedTriangle& t) {
    V3 v[3];
    loadTriangle(t, v);
    const V3 c = (v[0] + v[1] + v[2]) * (1.0 / 3.0);
    double r = 0.0;
    for (const V3& p : v) r = std::max(r, length(p - c));
    return Bound{c, r};
}

std::vector<PlacedTriangle> placeMesh(const Mesh& mesh, const Matrix& m) {
    std::vector<PlacedTriangle> placed;
    placed.reserve(mesh.size());
    for (const Triangle& t : mesh) placed.push_back(placeTriangle(t, m));
    return placed;
}

}  // namespace

PlacedTriangle placeTriangle(const Triangle& tri, const Matrix& m) {
    PlacedTriangle out;
    for (int k = 0; k < 3; ++k) {
        const double x = tri[static_cast<std::size_t>(3 * k)];
        const double y = tri[static_cast<std::size_t>(3 * k + 1)];
        const double z = tri[static_cast<std::size_t>(3 * k + 2)];
        for (int row = 0; row < 3; ++row)
            out.v[k][row] = static_cast<double>(m[static_cast<std::size_t>(row)]) * x +
                            static_cast<double>(m[static_cast<std::size_t>(4 + row)]) * y +
                            static_cast<double>(m[static_cast<std::size_t>(8 + row)]) * z +
                            static_cast<double>(m[static_cast<std::size_t>(12 + row)]);
    }
    return out;
}

bool trianglesCross(const PlacedTriangle& pt, const PlacedTriangle& qt, double* crossing) {
    if (crossing) *crossing = 0.0;
    V3 p[3], q[3];
    loadTriangle(pt, p);
    loadTriangle(qt, q);
    const V3 n1 = cross(p[1] - p[0], p[2] - p[0]);
    const V3 n2 = cross(q[1] - q[0], q[2] - q[0]);
    if (dot(n1, n1) == 0.0 || dot(n2, n2) == 0.0) return false;

    double dq[3], dp[3];
    for (int k = 0; k < 3; ++k) {
        dq[k] = dot(n1, q[k] - p[0]);
        dp[k] = dot(n2, p[k] - q[0]);
    }
    const auto oneSide = [](const double d[3]) {
        return (d[0] > 0.0 && d[1] > 0.0 && d[2] > 0.0) || (d[0] < 0.0 && d[1] < 0.0 && d[2] < 0.0);
    };
    if (oneSide(dq) || oneSide(dp)) return false;

    const V3 line = cross(n1, n2);
    const double lineLength = length(line);
    const bool flat = dq[0] == 0.0 && dq[1] == 0.0 && dq[2] == 0.0;
    if (flat || lineLength == 0.0) return coplanarCross(p, q, n1);

    const V3 dir = line * (1.0 / lineLength);
    double plo, phi, qlo, qhi;
    planeInterval(p, dp, dir, &plo, &phi);
    planeInterval(q, dq, dir, &qlo, &qhi);
    const double lo = std::max(plo, qlo);
    const double hi = std::min(phi, qhi);
    if (lo > hi) return false;
    if (crossing) *crossing = hi - lo;
    return true;
}

double triangleDepth(const PlacedTriangle& pt, const PlacedTriangle& qt) {
    if (!trianglesCross(pt, qt)) return 0.0;
    V3 p[3], q[3];
    loadTriangle(pt, p);
    loadTriangle(qt, q);
    // Two convex bodies separate fastest along a face normal of their
    // Minkowski difference; for two triangles those are the two triangle
    // normals and the nine cross products of an edge of each. The depth is
    // the least overlap of the two projections over those directions.
    V3 axes[11];
    int count = 0;
    axes[count++] = cross(p[1] - p[0], p[2] - p[0]);
    axes[count++] = cross(q[1] - q[0], q[2] - q[0]);
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) axes[count++] = cross(p[(i + 1) % 3] - p[i], q[(j + 1) % 3] - q[j]);
    double depth = std::numeric_limits<double>::infinity();
    for (int a = 0; a < count; ++a) {
        const double len = length(axes[a]);
        if (len == 0.0) continue;
        const V3 axis = axes[a] * (1.0 / len);
        double plo = dot(axis, p[0]), phi = plo, qlo = dot(axis, q[0]), qhi = qlo;
        for (int k = 1; k < 3; ++k) {
            plo = std::min(plo, dot(axis, p[k]));
            phi = std::max(phi, dot(axis, p[k]));
            qlo = std::min(qlo, dot(axis, q[k]));
            qhi = std::max(qhi, dot(axis, q[k]));
        }
        depth = std::min(depth, std::max(0.0, std::min(phi - qlo, qhi - plo)));
    }
    return depth;
}

double triangleDistance(const PlacedTriangle& pt, const PlacedTriangle& qt) {
    if (trianglesCross(pt, qt)) return 0.0;
    V3 p[3], q[3];
    loadTriangle(pt, p);
    loadTriangle(qt, q);
    // Two disjoint triangles are closest at a vertex of one against the other
    // or at a pair of edges.
    double best = std::numeric_limits<double>::infinity();
    for (int k = 0; k < 3; ++k) {
        best = std::min(best, length(p[k] - closestOnTriangle(p[k], q[0], q[1], q[2])));
        best = std::min(best, length(q[k] - closestOnTriangle(q[k], p[0], p[1], p[2])));
    }
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) best = std::min(best, segmentDistance(p[i], p[(i + 1) % 3], q[j], q[(j + 1) % 3]));
    return best;
}

bool meshesCross(const Mesh& own, const Matrix& ownMatrix, const Mesh& other, const Matrix& otherMatrix) {
    const std::vector<PlacedTriangle> a = placeMesh(own, ownMatrix);
    const std::vector<PlacedTriangle> b = placeMesh(other, otherMatrix);
    for (const PlacedTriangle& p : a)
        for (const PlacedTriangle& q : b)
            if (trianglesCross(p, q)) return true;
    return false;
}

MeshRelation meshRelation(const Mesh& own, const Matrix& ownMatrix, const Mesh& other, const Matrix& otherMatrix) {
    const std::vector<PlacedTriangle> a = placeMesh(own, ownMatrix);
    const std::vector<PlacedTriangle> b = placeMesh(other, otherMatrix);
    MeshRelation rel;
    for (std::size_t i = 0; i < a.size(); ++i)
        for (std::size_t j = 0; j < b.size(); ++j) {
            double len = 0.0;
            if (!trianglesCross(a[i], b[j], &len)) continue;
            const double depth = triangleDepth(a[i], b[j]);
            if (!rel.crossing || depth > rel.depth) {
                rel.crossing = true;
                rel.depth = depth;
                rel.segment = len;
                rel.ownTriangle = static_cast<int>(i);
                rel.otherTriangle = static_cast<int>(j);
            }
        }
    if (rel.crossing) return rel;

    std::vector<Bound> bb;
    for (const PlacedTriangle& q : b) bb.push_back(boundOf(q));
    rel.gap = std::numeric_limits<double>::infinity();
    for (std::size_t i = 0; i < a.size(); ++i) {
        const Bound ba = boundOf(a[i]);
        for (std::size_t j = 0; j < b.size(); ++j) {
            if (length(ba.centre - bb[j].centre) - ba.radius - bb[j].radius >= rel.gap) continue;
            const double d = triangleDistance(a[i], b[j]);
            if (d < rel.gap) {
                rel.gap = d;
                rel.ownTriangle = static_cast<int>(i);
                rel.otherTriangle = static_cast<int>(j);
            }
        }
    }
    return rel;
}

}  // namespace bench
