// Checks of the benchmark's pose generator and exact reference (whose verdicts
// decide who is wrong when coldet and FCL disagree), and of the hull tables.
#include <gtest/gtest.h>

#include <cmath>

#include "bench_geometry.h"
#include "sim/hull_data.h"

namespace {

using bench::Matrix;
using bench::PlacedTriangle;

PlacedTriangle placed(std::initializer_list<double> nine) {
    PlacedTriangle t{};
    int k = 0;
    for (double v : nine) {
        t.v[k / 3][k % 3] = v;
        ++k;
    }
    return t;
}

Matrix translation(float x, float y, float z) {
    Matrix m = bench::identityMatrix();
    m[12] = x;
    m[13] = y;
    m[14] = z;
    return m;
}

TEST(BenchRandom, SplitMixMatchesReferenceStreamAndUnitRange) {
    bench::SplitMix64 rng(0);
    EXPECT_EQ(rng.next(), 0xE220A8397B1DCDAFull);
    EXPECT_EQ(rng.next(), 0x6E789E6AA1B965F4ull);
    for (int i = 0; i < 1000; ++i) {
        const double u = rng.unit();
        ASSERT_GE(u, 0.0);
        ASSERT_LT(u, 1.0);
    }
}

TEST(BenchRandom, PosesAreRigidUniformAndWithinTheNearPairWindow) {
    const std::vector<bench::PosePair> poses = bench::makePoseSet(7, 4000);
    double sumX = 0.0, sumXX = 0.0;
    for (const bench::PosePair& p : poses) {
        for (const Matrix* m : {&p.own, &p.other}) {
            // Columns orthonormal and right-handed (determinant +1).
            for (int a = 0; a < 3; ++a)
                for (int b = 0; b < 3; ++b) {
                    double d = 0.0;
                    for (int r = 0; r < 3; ++r) d += double((*m)[4 * a + r]) * double((*m)[4 * b + r]);
                    ASSERT_NEAR(d, a == b ? 1.0 : 0.0, 1e-6);
                }
            const Matrix& q = *m;
            const double det = q[0] * (q[5] * q[10] - q[9] * q[6]) - q[4] * (q[1] * q[10] - q[9] * q[2]) +
                               q[8] * (q[1] * q[6] - q[5] * q[2]);
            ASSERT_NEAR(det, 1.0, 1e-5);
            ASSERT_EQ(q[3], 0.0f);
            ASSERT_EQ(q[15], 1.0f);
        }
        for (int k = 0; k < 3; ++k) {
            ASSERT_LE(std::fabs(p.other[12 + k] - p.own[12 + k]), 70.0f);
            ASSERT_LE(std::fabs(p.own[12 + k]), 200.0f);
        }
        sumX += p.own[0];
        sumXX += double(p.own[0]) * p.own[0];
    }
    // A uniform rotation sends x to a uniform direction: E[x'] = 0, E[x'^2] = 1/3.
    const double n = double(poses.size());
    EXPECT_NEAR(sumX / n, 0.0, 0.03);
    EXPECT_NEAR(sumXX / n, 1.0 / 3.0, 0.02);

    const std::vector<bench::PosePair> again = bench::makePoseSet(7, 3);
    EXPECT_EQ(again[2].other, poses[2].other);
    EXPECT_NE(bench::makePoseSet(8, 1)[0].own, poses[0].own);
}

TEST(BenchRandom, GrazingPairsStraddleFirstContactByOneFloatStep) {
    const bench::Mesh hull = bench::meshFromRows(HullB, HullBTriangleCount);
    const bench::Mesh bolt = bench::boltMesh(0.0f, 75.99964f);
    const std::vector<bench::PosePair> poses = bench::makeGrazingPoseSet(bolt, hull, 3, 20);
    ASSERT_EQ(poses.size(), 40u);
    for (std::size_t i = 0; i < poses.size(); i += 2) {
        const bench::PosePair& in = poses[i];
        const bench::PosePair& out = poses[i + 1];
        EXPECT_EQ(in.own, out.own);
        EXPECT_TRUE(bench::meshesCross(bolt, in.own, hull, in.other)) << i;
        EXPECT_FALSE(bench::meshesCross(bolt, out.own, hull, out.other)) << i;
        for (int k = 0; k < 16; ++k) {
            if (k >= 12 && k < 15) {
                const float a = in.other[k], b = out.other[k];
                EXPECT_TRUE(a == b || std::nextafter(a, b) == b) << i << " axis " << k - 12;
            } else {
                EXPECT_EQ(in.other[k], out.other[k]);
            }
        }
        // Just clear of contact: the gap is within rounding of the coordinates.
        EXPECT_LT(bench::meshRelation(bolt, out.own, hull, out.other).gap, 1e-3) << i;
    }
}

TEST(BenchReference, PlacementIsColumnMajorWithTranslationLast) {
    Matrix m = translation(10.0f, 20.0f, 30.0f);
    // Quarter turn about z: x -> y, y -> -x.
    m[0] = 0.0f;
    m[1] = 1.0f;
    m[4] = -1.0f;
    m[5] = 0.0f;
    const PlacedTriangle t = bench::placeTriangle({1, 0, 0, 0, 2, 0, 0, 0, 3}, m);
    EXPECT_DOUBLE_EQ(t.v[0][0], 10.0);
    EXPECT_DOUBLE_EQ(t.v[0][1], 21.0);
    EXPECT_DOUBLE_EQ(t.v[1][0], 8.0);
    EXPECT_DOUBLE_EQ(t.v[1][1], 20.0);
    EXPECT_DOUBLE_EQ(t.v[2][2], 33.0);
}

TEST(BenchReference, CrossingTrianglesAndTheLengthOfTheirCommonSegment) {
    // Chain links: p in z = 0, q in x = 0; they share x = 0, y in [0, 1].
    const PlacedTriangle p = placed({-2, 0, 0, 2, 0, 0, 0, 4, 0});
    const PlacedTriangle q = placed({0, -1, -1, 0, 1, -1, 0, 1, 1});
    double len = -1.0;
    EXPECT_TRUE(bench::trianglesCross(p, q, &len));
    EXPECT_NEAR(len, 1.0, 1e-12);
    // A large triangle pierced through its interior by a thin one: no vertex
    // or edge of either is near the other's edges.
    const PlacedTriangle big = placed({-10, -10, 0, 10, -10, 0, 0, 10, 0});
    const PlacedTriangle needle = placed({0, 0, -5, 0.1, 0, 5, -0.1, 0, 5});
    EXPECT_TRUE(bench::trianglesCross(big, needle, &len));
    EXPECT_NEAR(len, 0.1, 1e-12);
    EXPECT_EQ(bench::triangleDistance(big, needle), 0.0);
    // Lifted clear of the big one: separated by 1.
    const PlacedTriangle lifted = placed({0, 0, 1, 0.1, 0, 5, -0.1, 0, 5});
    EXPECT_FALSE(bench::trianglesCross(big, lifted));
    EXPECT_NEAR(bench::triangleDistance(big, lifted), 1.0, 1e-12);
}

TEST(BenchReference, TouchingAndCoplanarCases) {
    const PlacedTriangle p = placed({0, 0, 0, 1, 0, 0, 0, 1, 0});
    // Touching at one vertex from above: crossing, of length 0.
    double len = -1.0;
    EXPECT_TRUE(bench::trianglesCross(p, placed({0, 0, 0, 1, 1, 1, -1, 1, 1}), &len));
    EXPECT_EQ(len, 0.0);
    // Coplanar, overlapping; coplanar, apart by 1 along x; parallel planes 2 apart.
    EXPECT_TRUE(bench::trianglesCross(p, placed({0.2, 0.2, 0, 2, 0.2, 0, 0.2, 2, 0})));
    const PlacedTriangle beside = placed({2, 0, 0, 3, 0, 0, 2, 1, 0});
    EXPECT_FALSE(bench::trianglesCross(p, beside));
    EXPECT_NEAR(bench::triangleDistance(p, beside), 1.0, 1e-12);
    const PlacedTriangle above = placed({0, 0, 2, 1, 0, 2, 0, 1, 2});
    EXPECT_FALSE(bench::trianglesCross(p, above));
    EXPECT_NEAR(bench::triangleDistance(p, above), 2.0, 1e-12);
    // Skew edges: closest between two edges, neither at a vertex.
    const PlacedTriangle skewA = placed({-1, 0, 0, 1, 0, 0, 0, 0, -3});
    const PlacedTriangle skewB = placed({0, -1, 0.5, 0, 1, 0.5, 0, 0, 3});
    EXPECT_NEAR(bench::triangleDistance(skewA, skewB), 0.5, 1e-12);
    // A zero-area triangle is never reported as crossing.
    EXPECT_FALSE(bench::trianglesCross(p, placed({0, 0, 0, 0, 0, 0, 1, 1, 1})));
}

TEST(BenchReference, DepthIsTinyForGrazingContactAndNeverOverstated) {
    const PlacedTriangle floor = placed({0, 0, 0, 1, 0, 0, 0, 1, 0});
    // Dipping 1e-6 below the floor: one small move up separates them.
    EXPECT_NEAR(bench::triangleDepth(floor, placed({0.2, 0.2, -1e-6, 0.6, 0.2, 1, 0.2, 0.6, 1})), 1e-6, 1e-12);
    // Coplanar overlap and separated pairs have no depth.
    EXPECT_EQ(bench::triangleDepth(floor, placed({0.2, 0.2, 0, 2, 0.2, 0, 0.2, 2, 0})), 0.0);
    EXPECT_EQ(bench::triangleDepth(floor, placed({0, 0, 2, 1, 0, 2, 0, 1, 2})), 0.0);

    // The depth must never be overstated: after any move shorter than it, a
    // crossing pair still crosses (a "clear" verdict relies on this).
    bench::SplitMix64 rng(11);
    int checked = 0;
    while (checked < 300) {
        PlacedTriangle p, q;
        for (int v = 0; v < 3; ++v)
            for (int k = 0; k < 3; ++k) {
                p.v[v][k] = rng.range(-1.0, 1.0);
                q.v[v][k] = rng.range(-1.0, 1.0);
            }
        const double depth = bench::triangleDepth(p, q);
        if (depth < 1e-3) continue;
        ++checked;
        for (int trial = 0; trial < 50; ++trial) {
            // A random direction, scaled to just under the depth.
            double d[3], len = 0.0;
            for (double& c : d) {
                c = rng.range(-1.0, 1.0);
                len += c * c;
            }
            len = std::sqrt(len);
            PlacedTriangle moved = q;
            for (int v = 0; v < 3; ++v)
                for (int k = 0; k < 3; ++k) moved.v[v][k] += d[k] / len * depth * 0.999;
            ASSERT_TRUE(bench::trianglesCross(p, moved)) << "pair " << checked << " depth " << depth;
        }
    }
}

TEST(BenchReference, HullsSeparatedByHalfAUnitWingtipToWingtip) {
    const bench::Mesh hull = bench::meshFromRows(HullA, HullATriangleCount);
    const Matrix home = bench::identityMatrix();
    // Wing tips at x = +30 and x = -30 (y = 0, z = 16): 60.5 apart leaves a 0.5 gap.
    const bench::MeshRelation apart = bench::meshRelation(hull, home, hull, translation(60.5f, 0, 0));
    EXPECT_FALSE(apart.crossing);
    EXPECT_NEAR(apart.gap, 0.5, 1e-9);
    EXPECT_FALSE(bench::meshesCross(hull, home, hull, translation(60.5f, 0, 0)));
    // Overlapping by half a unit the flat wing tips only meet face to face:
    // crossing, but with no depth (any move off the shared planes parts them).
    const bench::MeshRelation flat = bench::meshRelation(hull, home, hull, translation(59.5f, 0, 0));
    EXPECT_TRUE(flat.crossing);
    EXPECT_EQ(flat.depth, 0.0);
    EXPECT_EQ(flat.gap, 0.0);
    EXPECT_TRUE(bench::meshesCross(hull, home, hull, translation(59.5f, 0, 0)));
    // Bodies shifted by 5 on each axis: box faces cut each other squarely.
    const bench::MeshRelation deep = bench::meshRelation(hull, home, hull, translation(5, 5, 5));
    EXPECT_TRUE(deep.crossing);
    EXPECT_GT(deep.depth, 1.0);
    EXPECT_GT(deep.segment, 1.0);
}

TEST(BenchMeshes, BoltIsTwoTrianglesCrossingAlongItsAxis) {
    const bench::Mesh bolt = bench::boltMesh(0.0f, 75.99964f);
    ASSERT_EQ(bolt.size(), 2u);
    const Matrix home = bench::identityMatrix();
    double len = 0.0;
    EXPECT_TRUE(bench::trianglesCross(bench::placeTriangle(bolt[0], home), bench::placeTriangle(bolt[1], home), &len));
    EXPECT_NEAR(len, 75.99964, 1e-4);
}

TEST(HullTables, EveryRowIsATrueTriangleAndTheWingsAndFinsAreMirrored) {
    const auto area2 = [](const float* r) {
        const double u[3] = {r[3] - r[0], r[4] - r[1], r[5] - r[2]};
        const double v[3] = {r[6] - r[0], r[7] - r[1], r[8] - r[2]};
        const double c[3] = {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2], u[0] * v[1] - u[1] * v[0]};
        return std::sqrt(c[0] * c[0] + c[1] * c[1] + c[2] * c[2]);
    };
    for (int i = 0; i < HullATriangleCount; ++i) EXPECT_GT(area2(HullA[i]), 1.0) << "hull A row " << i;
    for (int i = 0; i < HullBTriangleCount; ++i) EXPECT_GT(area2(HullB[i]), 1.0) << "hull B row " << i;

    // Hull A: the lower wing (rows 16-23) is the upper wing (rows 8-15) with z negated.
    for (int i = 8; i < 16; ++i)
        for (int k = 0; k < 9; ++k)
            EXPECT_EQ(HullA[i + 8][k], k % 3 == 2 ? -HullA[i][k] : HullA[i][k]) << "row " << i + 8;
    // Hull B: the lower fins (rows 11-16) are the upper fins (rows 5-10) with y negated.
    for (int i = 5; i < 11; ++i)
        for (int k = 0; k < 9; ++k)
            EXPECT_EQ(HullB[i + 6][k], k % 3 == 1 ? -HullB[i][k] : HullB[i][k]) << "row " << i + 6;
    // The nose's seam is part of the hull: row 2 has 4.15 where row 3 has 4.11.
    EXPECT_EQ(HullB[2][5], 4.15f);
    EXPECT_EQ(HullB[3][8], 4.11f);
}

}  // namespace
