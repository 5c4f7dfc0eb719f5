// Shared pieces of the collision benchmark: a seeded generator, random poses,
// the meshes under test, and an exact double-precision reference that tells
// how far apart (or how deeply crossed) two placed meshes are.
//
// Matrices are sixteen floats, column-major, translation in elements 12-14,
// the layout coldet takes. Lengths are world units.
#ifndef HALVORN_BENCH_GEOMETRY_H
#define HALVORN_BENCH_GEOMETRY_H

#include <array>
#include <cstdint>
#include <vector>

namespace bench {

// splitmix64: a small, fast, fully specified generator, so every run of the
// benchmark sees the same poses on every platform.
class SplitMix64 {
public:
    explicit SplitMix64(std::uint64_t seed) : state(seed) {}
    // Next 64 random bits.
    std::uint64_t next();
    // Uniform in [0, 1), 53 bits.
    double unit();
    // Uniform in [lo, hi).
    double range(double lo, double hi);

private:
    std::uint64_t state;
};

using Matrix = std::array<float, 16>;

// One triangle as nine floats: a, b, c.
using Triangle = std::array<float, 9>;
using Mesh = std::vector<Triangle>;

// A pose pair: where the queried ("own") model and the other model stand.
struct PosePair {
    Matrix own;
    Matrix other;
};

// Identity matrix.
Matrix identityMatrix();

// Rigid matrix with a uniformly distributed random rotation (Shoemake's
// quaternion method, built in double and rounded to float) and the given
// translation (world units).
Matrix randomPose(SplitMix64& rng, double tx, double ty, double tz);

// count pose pairs: the own origin anywhere within +-200 units, the other
// origin within +-70 units of it on each axis (the battle's own near-pair
// window), both rotations uniform.
std::vector<PosePair> makePoseSet(std::uint64_t seed, int count);

// Pose pairs at first contact, for probing how queries treat touching bodies.
// For each of count random pose pairs (as makePoseSet), the other origin slides
// along the line between the two origins to the boundary of contact, as judged
// by meshesCross below; two pairs come back: the last float position at which
// the meshes still cross, then the first at which they no longer do. A random
// pair whose meshes do not cross with both origins together is replaced by
// the next one.
std::vector<PosePair> makeGrazingPoseSet(const Mesh& own, const Mesh& other, std::uint64_t seed, int count);

// The rows of a hull table as a mesh.
Mesh meshFromRows(const float (*rows)[9], int count);

// A gun's bolt: two crossed thin triangles along +x from x = base to x = tip.
Mesh boltMesh(float base, float tip);

// count small random triangles (edges up to about 10 units) scattered over a
// cube of side 1000 units.
Mesh randomMesh(SplitMix64& rng, int count);

// ---- Double-precision reference -------------------------------------------

// A triangle placed in world space, in double precision.
struct PlacedTriangle {
    double v[3][3];
};

// Triangle tri transformed by m, each vertex computed in double.
PlacedTriangle placeTriangle(const Triangle& tri, const Matrix& m);

// True when the closed triangles p and q share a point. crossing, when not
// null, receives the length of their common segment (0 for a mere touch;
// for coplanar overlaps, which have an area rather than a segment, 0).
// Triangles with a zero normal are reported as not crossing.
bool trianglesCross(const PlacedTriangle& p, const PlacedTriangle& q, double* crossing = nullptr);

// Penetration depth of p and q: the length of the shortest translation of q
// after which the two no longer cross (0 when they merely touch, lie in one
// plane, or do not cross). A pair this deep still crosses after any smaller
// movement, so its verdict cannot hinge on rounding.
double triangleDepth(const PlacedTriangle& p, const PlacedTriangle& q);

// Euclidean distance between the closed triangles p and q (0 when they cross).
double triangleDistance(const PlacedTriangle& p, const PlacedTriangle& q);

// How two placed meshes relate, triangle pair by triangle pair.
struct MeshRelation {
    bool crossing = false;  // some pair of triangles shares a point
    double depth = 0.0;     // greatest triangleDepth of a crossing pair, world units
    double segment = 0.0;   // length of that pair's common segment, world units
    double gap = 0.0;       // smallest distance between the meshes (0 when crossing)
    int ownTriangle = -1;   // the pair that gives depth, or else gap
    int otherTriangle = -1;
};

// Exact-as-double answer to "do the meshes touch?" for own placed by ownMatrix
// and other placed by otherMatrix. Cheap: stops at the first crossing pair.
bool meshesCross(const Mesh& own, const Matrix& ownMatrix, const Mesh& other, const Matrix& otherMatrix);

// Full relation of the two placed meshes (every pair examined).
MeshRelation meshRelation(const Mesh& own, const Matrix& ownMatrix, const Mesh& other, const Matrix& otherMatrix);

}  // namespace bench

#endif
