// Internal structures of the collision library: box tree, geometric tests,
// matrix routines, assertions.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <set>
#include <vector>

#include "coldet_box_tree.h"
#include "coldet_geometry.h"
#include "coldet_model.h"
#include "coldet_overlap.h"

using namespace coldet;

namespace {

const float NaN = std::numeric_limits<float>::quiet_NaN();

std::unique_ptr<CollisionModel3DImpl> model() { return std::make_unique<CollisionModel3DImpl>(false); }

// A triangle whose centroid is exactly (x, y, z) for small integer inputs.
void addAround(CollisionModel3DImpl& m, float x, float y, float z) {
    m.appendTriangle(x - 1, y - 0.5f, z, x + 1, y - 0.5f, z, x, y + 1, z);
}

Triangle tri(Vec3 a, Vec3 b, Vec3 c) { return Triangle(a, b, c); }

// Checks the invariants of a built tree below node; collects the triangles reached.
void checkSubtree(const BoxTreeNode* node, std::vector<const BoxedTriangle*>& reached) {
    if (node->isTerminal()) {
        reached.push_back(static_cast<const BoxedTriangle*>(node));
        return;
    }
    const BoxTreeInnerNode* inner = static_cast<const BoxTreeInnerNode*>(node);
    if (inner->childCount() == 0) {
        ASSERT_GE(inner->triangleCount(), 1);
        for (int i = 0; i < inner->triangleCount(); ++i) reached.push_back(inner->triangleAt(i));
    } else {
        ASSERT_EQ(inner->childCount(), 2);
        ASSERT_EQ(inner->triangleCount(), 0);
        EXPECT_EQ(inner->ownsFirst, !inner->first->isTerminal());
        EXPECT_EQ(inner->ownsSecond, !inner->second->isTerminal());
        size_t before = reached.size();
        checkSubtree(inner->first, reached);
        checkSubtree(inner->second, reached);
        // The box covers every vertex below it (its far side, corner + size,
        // may round one step short).
        for (size_t k = before; k < reached.size(); ++k) {
            for (const float* v : {reached[k]->a, reached[k]->b, reached[k]->c}) {
                for (int i = 0; i < 3; ++i) {
                    EXPECT_GE(v[i], inner->corner[i]);
                    EXPECT_LE(v[i], inner->corner[i] + inner->size[i] * 1.000001f);
                }
            }
        }
    }
}

}  // namespace

TEST(ColdetBoxTree, OneTriangleIsHeldByTheRoot) {
    auto m = model();
    m->appendTriangle(1, 2, 5, 4, 2, 5, 1, 6, 5);
    m->buildTree();
    const BoxTreeInnerNode& root = m->root;
    EXPECT_EQ(root.childCount(), 0);
    ASSERT_EQ(root.triangleCount(), 1);
    EXPECT_EQ(root.triangleAt(0), &m->triangleStore[0]);
    EXPECT_FLOAT_EQ(root.corner[0], 1);
    EXPECT_FLOAT_EQ(root.size[0], 3);
    EXPECT_FLOAT_EQ(root.size[1], 4);
    EXPECT_EQ(root.corner[2], 5.0f - 0.001f);  // flat axis widened
    EXPECT_EQ(root.size[2], 0.002f);
    EXPECT_EQ(m->triangleStore[0].size[2], 0.0f);  // but not the triangle's own box
}

TEST(ColdetBoxTree, TwoTrianglesSplitAlongY) {
    auto m = model();
    addAround(*m, 0, 3, 0);
    addAround(*m, 0, -2, 0);
    m->buildTree();
    const BoxTreeInnerNode& root = m->root;
    ASSERT_EQ(root.childCount(), 2);
    EXPECT_EQ(root.triangleCount(), 0);
    EXPECT_EQ(root.first, &m->triangleStore[1]);  // smaller centroid y
    EXPECT_EQ(root.second, &m->triangleStore[0]);
    EXPECT_FALSE(root.ownsFirst);
    EXPECT_FALSE(root.ownsSecond);
}

TEST(ColdetBoxTree, UnseparableCentroidsStayTogether) {
    auto same = model();
    for (int i = 0; i < 5; ++i) addAround(*same, 1, 2, 3);
    same->buildTree();
    EXPECT_EQ(same->root.childCount(), 0);
    EXPECT_EQ(same->root.triangleCount(), 5);

    // Equal spread along y and z, none along x: x is chosen and separates nothing.
    auto tie = model();
    addAround(*tie, 0, 1, 1);
    addAround(*tie, 0, -1, -1);
    addAround(*tie, 0, 1, -1);
    addAround(*tie, 0, -1, 1);
    tie->buildTree();
    EXPECT_EQ(tie->root.childCount(), 0);
    EXPECT_EQ(tie->root.triangleCount(), 4);
}

TEST(ColdetBoxTree, CentroidOnTheMeanGoesSecond) {
    auto m = model();
    addAround(*m, 0, 0, 0);
    addAround(*m, 1, 0, 0);  // the mean
    addAround(*m, 2, 0, 0);
    m->buildTree();
    const BoxTreeInnerNode& root = m->root;
    ASSERT_EQ(root.childCount(), 2);
    EXPECT_EQ(root.first, &m->triangleStore[0]);
    ASSERT_FALSE(root.second->isTerminal());
    EXPECT_TRUE(root.ownsSecond);
    const BoxTreeNode* high = root.second;
    EXPECT_EQ(high->childAt(0), &m->triangleStore[1]);
    EXPECT_EQ(high->childAt(1), &m->triangleStore[2]);
}

TEST(ColdetBoxTree, FlatMeshWidensInnerBoxesOnly) {
    auto m = model();
    for (int y = 0; y < 7; ++y) {
        for (int x = 0; x < 9; ++x) m->appendTriangle(x, y, 5, x + 1.0f, y, 5, x, y + 1.0f, 5);
    }
    m->buildTree();
    std::vector<const BoxTreeNode*> pending{&m->root};
    int inner = 0;
    while (!pending.empty()) {
        const BoxTreeNode* node = pending.back();
        pending.pop_back();
        if (node->isTerminal()) {
            EXPECT_EQ(node->size[2], 0.0f);
            continue;
        }
        ++inner;
        EXPECT_EQ(node->corner[2], 4.999f);
        EXPECT_EQ(node->corner[2] + node->size[2], 5.001f);
        for (int i = 0; i < node->childCount(); ++i) pending.push_back(node->childAt(i));
    }
    EXPECT_GT(inner, 10);
}

TEST(ColdetBoxTree, AccessorsOutOfRangeGiveNull) {
    auto m = model();
    addAround(*m, 0, 0, 0);
    addAround(*m, 5, 0, 0);
    addAround(*m, 5, 0, 0);
    m->buildTree();
    const BoxTreeNode& root = m->root;
    EXPECT_EQ(root.childAt(2), nullptr);
    EXPECT_EQ(root.childAt(-1), nullptr);
    EXPECT_EQ(root.triangleAt(0), nullptr);  // holds children, no members
    const BoxTreeNode* pair = root.childAt(1);
    ASSERT_EQ(pair->triangleCount(), 2);
    EXPECT_EQ(pair->triangleAt(2), nullptr);
    EXPECT_EQ(pair->triangleAt(-1), nullptr);
    const BoxedTriangle& t = m->triangleStore[0];
    EXPECT_EQ(t.childCount(), 0);
    EXPECT_EQ(t.childAt(0), nullptr);
    EXPECT_EQ(t.triangleAt(0), &t);
    EXPECT_EQ(t.triangleAt(1), nullptr);
    EXPECT_EQ(t.triangleAt(-1), nullptr);
}

TEST(ColdetBoxTree, RandomMeshKeepsTheInvariants) {
    auto m = model();
    std::uint32_t state = 12345;
    auto next = [&state] {
        state = state * 214013u + 2531011u;
        return float((state >> 16) & 32767) / 3276.7f;
    };
    for (int i = 0; i < 3000; ++i) {
        float x = next(), y = next(), z = next();
        m->appendTriangle(x, y, z, x + next() * 0.1f, y, z, x, y + next() * 0.1f, z + 0.01f);
        if (i % 100 == 0) m->appendTriangle(x, y, z, x + 1, y, z, x, y + 1, z);  // repeats
    }
    m->buildTree();
    std::vector<const BoxedTriangle*> reached;
    checkSubtree(&m->root, reached);
    std::set<const BoxedTriangle*> unique(reached.begin(), reached.end());
    EXPECT_EQ(reached.size(), m->triangleStore.size());
    EXPECT_EQ(unique.size(), m->triangleStore.size());
}

TEST(ColdetBoxTree, VeryDeepTreeIsDestroyedWithoutRecursion) {
    auto root = std::make_unique<BoxTreeInnerNode>();
    BoxTreeInnerNode* node = root.get();
    for (int depth = 0; depth < 300000; ++depth) {
        auto* child = new BoxTreeInnerNode();
        node->second = child;
        node->first = new BoxTreeInnerNode();
        node = child;
    }
    root.reset();  // would overflow the stack if it recursed
    SUCCEED();
}

// Hand-builds a chain of inner nodes over walls at x = 0 … count − 1: level i
// holds wall i as one child and the rest of the chain as the other
// (chainFirst: as child 0). No mean split makes trees this deep, but the work
// stacks must still grow correctly when they meet one.
void buildChain(CollisionModel3DImpl& m, int count, bool chainFirst) {
    for (int i = 0; i < count; ++i) m.appendTriangle(float(i), -1, -1, float(i), 1, -1, float(i), 0, 1);
    m.built = true;
    BoxTreeInnerNode* node = &m.root;
    for (int i = 0; i + 1 < count; ++i) {
        const float corner[3] = {float(i), -1, -1}, size[3] = {float(count - 1 - i), 2, 2};
        node->setBox(corner, size);
        BoxTreeNode* wall = &m.triangleStore[size_t(i)];
        BoxTreeNode* rest = &m.triangleStore[size_t(count - 1)];
        BoxTreeInnerNode* next = nullptr;
        if (i + 2 < count) rest = next = new BoxTreeInnerNode();
        node->first = chainFirst ? rest : wall;
        node->ownsFirst = chainFirst && next != nullptr;
        node->second = chainFirst ? wall : rest;
        node->ownsSecond = !chainFirst && next != nullptr;
        node = next;
    }
}

TEST(ColdetBoxTree, DeepTreesGrowTheWorkStacks) {
    const int count = 300;
    CollisionModel3DImpl rayModel(false);
    buildChain(rayModel, count, true);
    const float from[3] = {1000, 0, 0}, back[3] = {-1, 0, 0};
    ASSERT_TRUE(rayModel.testRay(from, back, true, 0, 3e38f));
    EXPECT_EQ(rayModel.hitOwnIndex, count - 1);
    ASSERT_TRUE(rayModel.testRay(from, back, false, 0, 3e38f));
    EXPECT_EQ(rayModel.hitOwnIndex, count - 1);  // the deepest leaf is child 0 of the last level
    const float center[3] = {count - 1.0f, 0, 0};
    ASSERT_TRUE(rayModel.testSphere(center, 0.5f));
    EXPECT_EQ(rayModel.hitOwnIndex, count - 1);

    CollisionModel3DImpl pairModel(false);
    buildChain(pairModel, count, false);
    CollisionModel3DImpl probe(false);
    probe.appendTriangle(count - 1.5f, -0.5f, 0, count - 0.5f, -0.5f, 0, count - 1.0f, 0.5f, 0);
    probe.buildTree();
    ASSERT_TRUE(pairModel.testModel(&probe, -1, 0, nullptr));
    EXPECT_EQ(pairModel.hitOwnIndex, count - 1);
}

TEST(ColdetModel, InverseIsCachedOnlyWhenAsked) {
    const float moved[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 3, 4, 5, 1};
    CollisionModel3DImpl plain(false), cached(true);
    plain.setModelMatrix(moved);
    cached.setModelMatrix(moved);
    for (int k = 0; k < 16; ++k) {
        EXPECT_EQ(plain.inverseMatrix[k], IdentityMatrix[k]);
        EXPECT_EQ(plain.modelMatrix[k], moved[k]);
    }
    EXPECT_EQ(cached.inverseMatrix[12], -3.0f);
    EXPECT_EQ(cached.inverseMatrix[14], -5.0f);
}

TEST(ColdetGeometry, MatrixProductAndInverse) {
    const float a[16] = {2, 0, 1, 0, 0, 3, 0, 0, -1, 0, 1, 0, 4, 5, 6, 1};
    const float b[16] = {0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 1, 0, 7, -2, 3, 1};
    float ab[16];
    multiplyMatrices(ab, a, b);
    Vec3 p = vec3(0.5f, -1.5f, 2);
    Vec3 direct = transformPoint(a, transformPoint(b, p));
    Vec3 product = transformPoint(ab, p);
    for (int i = 0; i < 3; ++i) EXPECT_FLOAT_EQ(direct[i], product[i]);

    float inverse[16], roundTrip[16];
    invertMatrix(inverse, ab);
    multiplyMatrices(roundTrip, inverse, ab);
    for (int k = 0; k < 16; ++k) EXPECT_NEAR(roundTrip[k], IdentityMatrix[k], 1e-5f) << k;

    const float singular[16] = {1, 2, 3, 0, 2, 4, 6, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    invertMatrix(inverse, singular);
    EXPECT_FALSE(allFinite(inverse, 16));
}

TEST(ColdetGeometry, TrianglesIntersectWithTolerance) {
    // Unit normal length, so plane distances are in model units: a vertex 5e-7
    // above the plane counts as on it, one 1e-4 above does not.
    Triangle base = tri(vec3(0, 0, 0), vec3(1, 0, 0), vec3(0, 1, 0));
    Triangle resting = tri(vec3(0.25f, 0.25f, 5e-7f), vec3(0.25f, 0.25f, 2), vec3(0.5f, 0.25f, 2));
    Triangle hovering = tri(vec3(0.25f, 0.25f, 1e-4f), vec3(0.25f, 0.25f, 2), vec3(0.5f, 0.25f, 2));
    EXPECT_TRUE(trianglesIntersect(base, resting));
    EXPECT_TRUE(trianglesIntersect(resting, base));
    EXPECT_FALSE(trianglesIntersect(base, hovering));
    EXPECT_FALSE(trianglesIntersect(hovering, base));
    Triangle piercing = tri(vec3(0.25f, 0.25f, -1), vec3(0.25f, 0.25f, 1), vec3(0.5f, 0.25f, 1));
    EXPECT_TRUE(trianglesIntersect(base, piercing));
    Triangle poisoned = tri(vec3(0.25f, 0.25f, -1), vec3(NaN, 0.25f, 1), vec3(0.5f, 0.25f, 1));
    EXPECT_FALSE(trianglesIntersect(base, poisoned));
    EXPECT_FALSE(trianglesIntersect(poisoned, base));
    // Coplanar: overlapping, containing, apart.
    Triangle inside = tri(vec3(0.1f, 0.1f, 0), vec3(0.3f, 0.1f, 0), vec3(0.1f, 0.3f, 0));
    Triangle apart = tri(vec3(5, 5, 0), vec3(6, 5, 0), vec3(5, 6, 0));
    EXPECT_TRUE(trianglesIntersect(base, inside));
    EXPECT_TRUE(trianglesIntersect(inside, base));
    EXPECT_FALSE(trianglesIntersect(base, apart));
}

TEST(ColdetGeometry, BoxesOverlapOnContactOnly) {
    Box a, b;
    const float corner[3] = {0, 0, 0}, size[3] = {2, 2, 2};
    a.setBox(corner, size);
    b.setBox(corner, size);
    float rel[16];
    const float turned[16] = {0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 1, 0, 6, 0, 0, 1};  // b: x from 4 to 6
    RelativeFrame frame;
    makeRelativeFrame(frame, turned);
    EXPECT_FALSE(boxesOverlap(frame, a, b));
    std::copy(turned, turned + 16, rel);
    rel[12] = 4;  // b: x from 2 to 4, touching a's face
    makeRelativeFrame(frame, rel);
    EXPECT_TRUE(boxesOverlap(frame, a, b));
    rel[12] = NaN;
    makeRelativeFrame(frame, rel);
    EXPECT_FALSE(boxesOverlap(frame, a, b));
}

TEST(ColdetGeometry, ProjectedInsideTestAndBoxProbes) {
    Triangle t = tri(vec3(0, 0, 0), vec3(2, 0, 0), vec3(0, 2, 0));
    EXPECT_TRUE(insideProjected(t, vec3(1, 1, 0), 0, 1));  // on the long edge
    EXPECT_TRUE(insideProjected(t, vec3(0, 0, 0), 0, 1));
    EXPECT_FALSE(insideProjected(t, vec3(1.1f, 1, 0), 0, 1));
    EXPECT_FALSE(insideProjected(t, vec3(NaN, 1, 0), 0, 1));
    Triangle upright = tri(vec3(0, 0, 0), vec3(0, 2, 0), vec3(0, 0, 2));  // u1 = 0 on axes (0, 1)
    EXPECT_TRUE(insideProjected(upright, vec3(0, 0.5f, 0.5f), 1, 2));

    Box box;
    const float corner[3] = {0, 0, 0}, size[3] = {1, 1, 1};
    box.setBox(corner, size);
    EXPECT_TRUE(boxHitsSegment(box, vec3(-1, 0.5f, 0.5f), vec3(1, 0, 0), 1.0f));
    EXPECT_FALSE(boxHitsSegment(box, vec3(-5, 0.5f, 0.5f), vec3(1, 0, 0), 1.0f));
    EXPECT_FALSE(boxHitsSegment(box, vec3(-1, 0.5f, 0.5f), vec3(1, 0, 0), NaN));
    EXPECT_TRUE(boxHitsSegment(box, vec3(-5, 0.5f, 0.5f), vec3(1, 0, 0), 1e31f));  // a ray
    EXPECT_FALSE(boxHitsRay(box, vec3(-5, 0.5f, 0.5f), vec3(-1, 0, 0)));
    EXPECT_FALSE(boxHitsRay(box, vec3(-5, 0.5f, 0.5f), vec3(NaN, 0, 0)));
    EXPECT_TRUE(boxHitsSphere(box, vec3(2, 0.5f, 0.5f), 1.0f));
    EXPECT_FALSE(boxHitsSphere(box, vec3(2, 2, 2), 1.0f));
    EXPECT_FALSE(boxHitsSphere(box, vec3(0.5f, 0.5f, 0.5f), NaN));
}

TEST(ColdetGeometry, ContactPointOfCoplanarTrianglesIsZero) {
    Triangle p = tri(vec3(0, 0, 5), vec3(4, 0, 5), vec3(0, 4, 5));
    Triangle q = tri(vec3(1, 1, 5), vec3(3, 1, 5), vec3(1, 3, 5));
    Vec3 c = contactPoint(p, q);
    EXPECT_EQ(c[0], 0.0f);
    EXPECT_EQ(c[1], 0.0f);
    EXPECT_EQ(c[2], 0.0f);
}

TEST(ColdetAssertions, ReportExpressionSourceAndLine) {
    auto run = [] {
        auto own = model();
        auto other = model();
        addAround(*own, 0, 0, 0);
        own->buildTree();
        for (int i = 0; i < 3; ++i) addAround(*other, float(i), 0, 0);
        other->buildTree();
        // Break the other tree: a node with only one child.
        other->root.second = nullptr;
        own->testModel(other.get(), -1, 0, nullptr);
    };
    EXPECT_DEATH(run(), "Assertion failed: s2!=NULL, file coldet, line 119");
}
