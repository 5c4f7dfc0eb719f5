// The FCL side of the comparison must place the meshes exactly as coldet's
// matrices do; a transposed rotation or a misplaced translation would show up
// as "disagreements" that are the bench's fault, not the library's.
#include <gtest/gtest.h>

#include "bench_geometry.h"
#include "fcl_compare.h"
#include "sim/hull_data.h"

namespace {

void expectFclMatchesExact(const bench::Mesh& own, const bench::Mesh& other, std::uint64_t seed) {
    const std::vector<bench::PosePair> poses = bench::makePoseSet(seed, 400);
    bench::FclPoseSet fcl(own, other, poses);
    int hits = 0;
    for (std::size_t i = 0; i < poses.size(); ++i) {
        const bench::PosePair& p = poses[i];
        const bool exact = bench::meshesCross(own, p.own, other, p.other);
        hits += exact;
        const bool single = fcl.collide(bench::FclPrecision::Float, i);
        const bool twin = fcl.collide(bench::FclPrecision::Double, i);
        if (single == exact && twin == exact) continue;
        // Only a contact within rounding may go either way.
        const bench::MeshRelation rel = bench::meshRelation(own, p.own, other, p.other);
        EXPECT_LT(rel.crossing ? rel.depth : rel.gap, 1e-3) << "pose " << i << " exact " << exact;
    }
    // The poses must exercise both answers for the check to mean anything.
    EXPECT_GT(hits, 20);
    EXPECT_LT(hits, 380);
}

TEST(BenchFcl, PlacesHullsAsTheMatricesSay) {
    const bench::Mesh hullA = bench::meshFromRows(HullA, HullATriangleCount);
    const bench::Mesh hullB = bench::meshFromRows(HullB, HullBTriangleCount);
    expectFclMatchesExact(hullA, hullB, 21);
    expectFclMatchesExact(hullB, hullB, 22);
}

TEST(BenchFcl, PlacesTheThinBoltAsTheMatricesSay) {
    expectFclMatchesExact(bench::boltMesh(0.0f, 75.99964f), bench::meshFromRows(HullA, HullATriangleCount), 23);
}

}  // namespace
