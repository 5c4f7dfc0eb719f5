// The collision library through its public header only.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <initializer_list>
#include <limits>
#include <memory>
#include <vector>

#include "coldet.h"

namespace {

using Model = std::unique_ptr<CollisionModel3D>;
using Matrix = std::array<float, 16>;
const float NaN = std::numeric_limits<float>::quiet_NaN();
const float Inf = std::numeric_limits<float>::infinity();

struct Tri {
    float a[3], b[3], c[3];
};

Model makeModel(std::initializer_list<Tri> tris, bool build = true, bool cacheInverse = false) {
    Model m(newCollisionModel3D(cacheInverse));
    for (const Tri& t : tris) m->appendTriangle(t.a, t.b, t.c);
    if (build) m->buildTree();
    return m;
}

Matrix translation(float x, float y, float z) { return {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, x, y, z, 1}; }

// 90 degrees about z (x → y), then moved by (x, y, z).
Matrix quarterTurnZ(float x, float y, float z) { return {0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 1, 0, x, y, z, 1}; }

// A triangle in the plane x = at, around the x axis (centroid y 0, z -1/3).
Tri wall(float at) { return {{at, -1, -1}, {at, 1, -1}, {at, 0, 1}}; }

// A triangle in the plane z = 0 around the origin.
const Tri Floor = {{-1, -1, 0}, {1, -1, 0}, {0, 1, 0}};

std::array<float, 3> point(CollisionModel3D& m, bool modelSpace) {
    std::array<float, 3> p{};
    EXPECT_TRUE(m.hitPoint(p.data(), modelSpace));
    return p;
}

int ownIndex(CollisionModel3D& m) {
    int own = -7, other = -7;
    EXPECT_TRUE(m.hitTriangleIndices(&own, &other));
    return own;
}

void expectPoint(const std::array<float, 3>& p, float x, float y, float z) {
    EXPECT_NEAR(p[0], x, 1e-5f);
    EXPECT_NEAR(p[1], y, 1e-5f);
    EXPECT_NEAR(p[2], z, 1e-5f);
}

const float Origin[3] = {0, 0, 0};
const float AlongX[3] = {1, 0, 0};

}  // namespace

TEST(ColdetLifecycle, UnbuiltModelsFindNothingAndRefuseModelQueries) {
    Model filling = makeModel({wall(4)}, false);
    Model built = makeModel({wall(4)});
    EXPECT_FALSE(filling->testRay(Origin, AlongX));
    EXPECT_FALSE(filling->testSphere(Origin, 100.0f));
    EXPECT_THROW(filling->testModel(built.get()), Inconsistency);
    EXPECT_THROW(built->testModel(filling.get()), Inconsistency);
    EXPECT_TRUE(built->testRay(Origin, AlongX));
}

TEST(ColdetLifecycle, AppendOrBuildAfterBuildThrowsAndChangesNothing) {
    Model m = makeModel({wall(4)});
    EXPECT_THROW(m->appendTriangle(wall(2).a, wall(2).b, wall(2).c), Inconsistency);
    EXPECT_THROW(m->appendTriangle(2, -1, -1, 2, 1, -1, 2, 0, 1), Inconsistency);
    EXPECT_THROW(m->buildTree(), Inconsistency);
    ASSERT_TRUE(m->testRay(Origin, AlongX, true));
    EXPECT_EQ(ownIndex(*m), 0);
    expectPoint(point(*m, true), 4, 0, 0);  // the wall at x = 2 was not added
}

TEST(ColdetLifecycle, ReserveKeepsTrianglesAndIndices) {
    Model m(newCollisionModel3D());
    m->reserveTriangles(-5);
    m->appendTriangle(1, -1, -1, 1, 1, -1, 1, 0, 1);
    m->appendTriangle(2, -1, -1, 2, 1, -1, 2, 0, 1);
    m->appendTriangle(3, -1, -1, 3, 1, -1, 3, 0, 1);
    m->reserveTriangles(10);
    m->reserveTriangles(2);
    m->buildTree();
    m->reserveTriangles(1000);  // ignored once built
    for (int k = 0; k < 3; ++k) {
        const float c[3] = {1.0f + k, 0, 0};
        ASSERT_TRUE(m->testSphere(c, 0.1f));
        EXPECT_EQ(ownIndex(*m), k);
    }
}

TEST(ColdetLifecycle, EmptyModelsNeverTouchButStillSetTheQueryKind) {
    Model empty = makeModel({});
    Model a = makeModel({Floor});
    Model b = makeModel({Floor});
    EXPECT_FALSE(empty->testModel(a.get()));
    EXPECT_FALSE(empty->testModel(empty.get()));
    EXPECT_FALSE(empty->testRay(Origin, AlongX));
    EXPECT_FALSE(empty->testSphere(Origin, 5.0f));

    // Chain-link pair: the model query's contact point differs from the ray's hit point.
    Model p = makeModel({{{-2, -1, 0}, {2, -1, 0}, {0, 1, 0}}});
    Model q = makeModel({{{0.5f, 0, 1}, {0.5f, 0, -1}, {3.5f, 0, 0.5f}}});
    ASSERT_TRUE(p->testModel(q.get()));
    const float above[3] = {0, 0, 5}, down[3] = {0, 0, -1};
    ASSERT_TRUE(p->testRay(above, down));
    expectPoint(point(*p, true), 0, 0, 0);
    EXPECT_FALSE(p->testModel(empty.get()));  // a model query again: hitPoint is the contact point
    expectPoint(point(*p, true), 0.5f, 0, 0);
    EXPECT_TRUE(a->testModel(b.get()));
}

TEST(ColdetLifecycle, ForeignOrNullOtherModelIsRefused) {
    struct Foreign : CollisionModel3D {
        void reserveTriangles(int) override {}
        void appendTriangle(const float*, const float*, const float*) override {}
        void appendTriangle(float, float, float, float, float, float, float, float, float) override {}
        void buildTree() override {}
        void setModelMatrix(const float*) override {}
        bool testModel(CollisionModel3D*, int, unsigned, const float*) override { return false; }
        bool testRay(const float*, const float*, bool, float, float) override { return false; }
        bool testSphere(const float*, float) override { return false; }
        bool hitTriangleIndices(int*, int*) override { return true; }
        bool hitTriangles(float*, float*, bool) override { return true; }
        bool hitPoint(float*, bool) override { return true; }
    } foreign;
    Model m = makeModel({Floor});
    EXPECT_THROW(m->testModel(&foreign), Inconsistency);
    EXPECT_THROW(m->testModel(nullptr), Inconsistency);
}

TEST(ColdetModelQuery, IdenticalTrianglesTouchAndReportEachOther) {
    Model a = makeModel({Floor});
    Model b = makeModel({Floor});
    ASSERT_TRUE(a->testModel(b.get()));
    int own = -1, other = -1;
    EXPECT_TRUE(a->hitTriangleIndices(&own, &other));
    EXPECT_EQ(own, 0);
    EXPECT_EQ(other, 0);
    float mine[9], theirs[9];
    EXPECT_TRUE(a->hitTriangles(mine, theirs, true));
    for (int k = 0; k < 9; ++k) EXPECT_FLOAT_EQ(mine[k], theirs[k]);
    expectPoint(point(*a, true), 0, 0, 0);  // coplanar: no piercing edge, zero vector
}

TEST(ColdetModelQuery, TouchingBoxesWithoutTouchingTriangles) {
    Model a = makeModel({{{0, 0, 0}, {1, 0, 0}, {0, 1, 1}}});  // box [0,1]³
    Model b = makeModel({{{1, 1, 1}, {2, 0, 1}, {2, 1, 0}}});  // box [1,2]×[0,1]²
    EXPECT_FALSE(a->testModel(b.get()));
    EXPECT_FALSE(b->testModel(a.get()));
}

TEST(ColdetModelQuery, SharedEdgesVerticesAndCoplanarOverlapsIntersect) {
    Model base = makeModel({{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}});
    Model sharedEdge = makeModel({{{0, 0, 0}, {1, 0, 0}, {0, 0, 1}}});
    Model sharedVertex = makeModel({{{0, 0, 0}, {-1, 0, 1}, {0, -1, 1}}});
    Model coplanarVertex = makeModel({{{0, 0, 0}, {-1, 0, 0}, {0, -1, 0}}});
    Model coplanarOverlap = makeModel({{{0.2f, 0.2f, 0}, {2, 0.2f, 0}, {0.2f, 2, 0}}});
    Model coplanarApart = makeModel({{{5, 5, 0}, {6, 5, 0}, {5, 6, 0}}});
    Model above = makeModel({{{0, 0, 0.001f}, {1, 0, 0.001f}, {0, 1, 0.001f}}});
    EXPECT_TRUE(base->testModel(sharedEdge.get()));
    EXPECT_TRUE(base->testModel(sharedVertex.get()));
    EXPECT_TRUE(base->testModel(coplanarVertex.get()));
    EXPECT_TRUE(base->testModel(coplanarOverlap.get()));
    EXPECT_FALSE(base->testModel(coplanarApart.get()));
    EXPECT_FALSE(base->testModel(above.get()));
}

TEST(ColdetModelQuery, MatricesPlaceTheModels) {
    for (bool cache : {false, true}) {
        Model a = makeModel({Floor}, true, cache);
        Model b = makeModel({wall(0)}, true, cache);  // pierces the floor along y
        Matrix far = translation(0, 0, 50);
        b->setModelMatrix(far.data());
        EXPECT_FALSE(a->testModel(b.get()));
        Matrix home = translation(0, 0, 0);
        EXPECT_TRUE(a->testModel(b.get(), -1, 0, home.data()));  // replaces b's own matrix
        EXPECT_FALSE(a->testModel(b.get()));                     // b's matrix itself unchanged

        // Both turned and moved the same way: they still touch, at the same place.
        Matrix turned = quarterTurnZ(3, 4, 5);
        a->setModelMatrix(turned.data());
        b->setModelMatrix(turned.data());
        ASSERT_TRUE(a->testModel(b.get()));
        float world[9];
        ASSERT_TRUE(a->hitTriangles(world, nullptr, false));
        // Floor vertex (-1, -1, 0) turned to (1, -1, 0) and moved by (3, 4, 5).
        EXPECT_FLOAT_EQ(world[0], 4);
        EXPECT_FLOAT_EQ(world[1], 3);
        EXPECT_FLOAT_EQ(world[2], 5);
        Matrix apart = quarterTurnZ(3, 4, 6.5f);
        b->setModelMatrix(apart.data());
        EXPECT_FALSE(a->testModel(b.get()));
    }
}

TEST(ColdetModelQuery, ReportsAppendPositionsInLoopOrder) {
    // The touching triangles sit among others; duplicates make the order
    // visible: the first of each pair of equals is reported.
    Model a = makeModel({wall(10), wall(20), Floor, Floor, wall(30)});
    Model b = makeModel({wall(-40), wall(0), wall(0)});
    ASSERT_TRUE(a->testModel(b.get()));
    int own = -1, other = -1;
    a->hitTriangleIndices(&own, &other);
    EXPECT_EQ(own, 2);
    EXPECT_EQ(other, 1);

    // After a miss the getters still give this hit.
    Matrix away = translation(0, 0, 100);
    EXPECT_FALSE(a->testModel(b.get(), -1, 0, away.data()));
    own = other = -1;
    a->hitTriangleIndices(&own, &other);
    EXPECT_EQ(own, 2);
    EXPECT_EQ(other, 1);
    float theirs[9];
    a->hitTriangles(nullptr, theirs, true);
    EXPECT_FLOAT_EQ(theirs[0], 0);  // wall(0), vertex a
    EXPECT_FLOAT_EQ(theirs[1], -1);
}

TEST(ColdetModelQuery, ContactPointIsAnEndOfTheCrossing) {
    // Two triangles linked like a chain: they cross along x from 0.5 to 1.
    Model p = makeModel({{{-2, -1, 0}, {2, -1, 0}, {0, 1, 0}}});
    Model q = makeModel({{{0.5f, 0, 1}, {0.5f, 0, -1}, {3.5f, 0, 0.5f}}});
    Matrix moved = translation(10, 0, 0);
    p->setModelMatrix(moved.data());
    q->setModelMatrix(moved.data());
    ASSERT_TRUE(p->testModel(q.get()));
    expectPoint(point(*p, true), 0.5f, 0, 0);
    expectPoint(point(*p, false), 10.5f, 0, 0);
}

TEST(ColdetModelQuery, TimeLimitThrowsAndKeepsTheRecord) {
    // Stacked parallel sheets, interleaved: every box overlaps, no triangle
    // touches, so the walk is long and finds nothing.
    Model a(newCollisionModel3D()), b(newCollisionModel3D());
    const int sheets = 20000;
    for (int i = 0; i < sheets; ++i) {
        float za = 2.0f * i, zb = 2.0f * i + 1.0f;
        a->appendTriangle(0, 0, za, 10, 0, za, 0, 10, za);
        b->appendTriangle(0, 0, zb, 10, 0, zb, 0, 10, zb);
    }
    a->buildTree();
    b->buildTree();
    Model c = makeModel({wall(1)});
    ASSERT_TRUE(a->testModel(c.get()));
    int before = ownIndex(*a);

    bool timedOut = false;
    for (int attempt = 0; attempt < 20 && !timedOut; ++attempt) {
        try {
            a->testModel(b.get(), -1, 1);
        } catch (const TimeoutExpired&) {
            timedOut = true;
        }
    }
    EXPECT_TRUE(timedOut);
    EXPECT_EQ(ownIndex(*a), before);
    expectPoint(point(*a, true), 1, 0.5f, 0);    // still the contact point of the old hit
    EXPECT_FALSE(a->testModel(b.get(), -1, 0));  // 0: no practical limit
}

TEST(ColdetRay, SegmentWindowAndDirection) {
    Model m = makeModel({wall(1), wall(4), wall(6)});
    ASSERT_TRUE(m->testRay(Origin, AlongX, true, 2, 5));
    EXPECT_EQ(ownIndex(*m), 1);
    Model outside = makeModel({wall(1), wall(6)});
    EXPECT_FALSE(outside->testRay(Origin, AlongX, false, 2, 5));
    EXPECT_FALSE(outside->testRay(Origin, AlongX, true, 2, 5));

    // End below start: searched backwards from the start point.
    ASSERT_TRUE(m->testRay(Origin, AlongX, true, 5, 2));
    EXPECT_EQ(ownIndex(*m), 1);
    expectPoint(point(*m, true), 4, 0, 0);

    // Exactly at the end is hit; exactly at the start is not.
    Model one = makeModel({wall(5)});
    EXPECT_TRUE(one->testRay(Origin, AlongX, false, 0, 5));
    EXPECT_FALSE(one->testRay(Origin, AlongX, false, 5, 9));

    // Distances count in multiples of the direction.
    const float twice[3] = {2, 0, 0};
    EXPECT_FALSE(m->testRay(Origin, AlongX, true, 1.5f, 3));
    ASSERT_TRUE(m->testRay(Origin, twice, true, 1.5f, 3));
    expectPoint(point(*m, true), 4, 0, 0);

    // Above 3e30 the ray has no end.
    Model distant = makeModel({wall(1e6f)});
    EXPECT_FALSE(distant->testRay(Origin, AlongX, false, 0, 1e5f));
    EXPECT_TRUE(distant->testRay(Origin, AlongX, false, 0, 1e31f));
    EXPECT_TRUE(distant->testRay(Origin, AlongX, false, 0, Inf));
    EXPECT_TRUE(distant->testRay(Origin, AlongX));
}

TEST(ColdetRay, FirstInTreeOrderVersusNearest) {
    // Tree order: child 0 (smaller centroid x) before child 1.
    Model m = makeModel({wall(6), wall(1)});
    const float from[3] = {10, 0, 0}, back[3] = {-1, 0, 0};
    ASSERT_TRUE(m->testRay(from, back, false));
    EXPECT_EQ(ownIndex(*m), 1);
    ASSERT_TRUE(m->testRay(from, back, true));
    EXPECT_EQ(ownIndex(*m), 0);
    expectPoint(point(*m, true), 6, 0, 0);

    // Within one node the last triangle comes first. Both centroids are the origin.
    Model node = makeModel({{{-1, 0, -1}, {1, 0, -1}, {0, 0, 2}}, {{0, -1, -1}, {0, 1, -1}, {0, 0, 2}}});
    const float o[3] = {-1, -0.25f, 0.1f}, d[3] = {2, 1, 0};
    ASSERT_TRUE(node->testRay(o, d, false));
    EXPECT_EQ(ownIndex(*node), 1);  // met at t = 0.5
    ASSERT_TRUE(node->testRay(o, d, true));
    EXPECT_EQ(ownIndex(*node), 0);  // met at t = 0.25
}

TEST(ColdetRay, ModelMatrixAndHitPointSpaces) {
    for (bool cache : {false, true}) {
        Model m = makeModel({wall(4)}, true, cache);
        Matrix turned = quarterTurnZ(0, 10, 0);  // the wall now stands across y = 14
        m->setModelMatrix(turned.data());
        EXPECT_FALSE(m->testRay(Origin, AlongX));
        const float up[3] = {0, 1, 0};
        ASSERT_TRUE(m->testRay(Origin, up));
        expectPoint(point(*m, true), 4, 0, 0);
        expectPoint(point(*m, false), 0, 14, 0);
        const float miss[3] = {0, -1, 0};
        EXPECT_FALSE(m->testRay(Origin, miss));
        expectPoint(point(*m, false), 0, 14, 0);  // kept after the miss
    }
}

TEST(ColdetSphere, TouchesAtTheRadiusWhenTheFootIsInside) {
    Model m = makeModel({Floor});
    const float touching[3] = {0, 0.5f, 1}, clear[3] = {0, 0.5f, 1.01f};
    ASSERT_TRUE(m->testSphere(touching, 1.0f));
    expectPoint(point(*m, true), 0, 0.5f, 0);
    EXPECT_FALSE(m->testSphere(clear, 1.0f));
    // Holds the corner (1, -1, 0), but the foot (2, -2, 0) lies outside.
    const float corner[3] = {2, -2, 0};
    EXPECT_FALSE(m->testSphere(corner, 1.5f));
    EXPECT_FALSE(m->testSphere(touching, -1.0f));
}

TEST(ColdetSphereFunctions, SphereRayCollision) {
    const float center[3] = {0, 0, 10}, forward[3] = {0, 0, 5}, backward[3] = {0, 0, -1};
    float p[3] = {7, 7, 7};
    ASSERT_TRUE(SphereRayCollision(center, 1, Origin, forward, p));
    EXPECT_FLOAT_EQ(p[0], 0);
    EXPECT_FLOAT_EQ(p[2], 9);
    ASSERT_TRUE(SphereRayCollision(center, 1, Origin, backward, p));
    EXPECT_FLOAT_EQ(p[2], 11);  // behind the origin: first crossing along the travel
    const float grazed[3] = {0, 1, 5}, missed[3] = {0, 2, 5}, up[3] = {0, 0, 1};
    ASSERT_TRUE(SphereRayCollision(grazed, 1, Origin, up, p));
    EXPECT_FLOAT_EQ(p[1], 0);
    EXPECT_FLOAT_EQ(p[2], 5);
    EXPECT_FALSE(SphereRayCollision(missed, 1, Origin, up, p));
    EXPECT_FLOAT_EQ(p[2], 5);                                        // untouched on a miss
    EXPECT_FALSE(SphereRayCollision(center, 1, Origin, Origin, p));  // zero direction
    EXPECT_FALSE(SphereRayCollision(center, Inf, Origin, up, p));
    EXPECT_TRUE(SphereRayCollision(center, 1, Origin, up, nullptr));
}

TEST(ColdetSphereFunctions, SphereSphereCollision) {
    const float c1[3] = {0, 0, 0}, c2[3] = {2, 0, 0}, c3[3] = {3, 0, 0};
    float p[3] = {7, 7, 7};
    EXPECT_FALSE(SphereSphereCollision(c1, 1, c3, 2, p));  // touching only
    EXPECT_FLOAT_EQ(p[0], 7);
    ASSERT_TRUE(SphereSphereCollision(c1, 1.5f, c2, 1, p));
    EXPECT_FLOAT_EQ(p[0], -1.5f);
    EXPECT_FLOAT_EQ(p[1], 0);
    EXPECT_FLOAT_EQ(p[2], 0);
    EXPECT_FALSE(SphereSphereCollision(c1, NaN, c2, 1, p));
    // Equal centres collide; the direction, and so the point, is undefined.
    EXPECT_TRUE(SphereSphereCollision(c1, 1, c1, 1, p));
    EXPECT_FALSE(std::isfinite(p[0]));
}

TEST(ColdetBadInput, NonFiniteOrSingularMatricesFindNothing) {
    const Matrix bad[] = {
        {NaN, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}, {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, NaN},
        {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, Inf, 0, 0, 1}, {Inf, 0, 0, 0, 0, Inf, 0, 0, 0, 0, Inf, 0, 0, 0, 0, 1},
        {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
    };
    const Matrix identity = translation(0, 0, 0);
    for (bool cache : {false, true}) {
        for (const Matrix& m : bad) {
            // A finite singular placement of the other model only flattens it.
            const bool flattensOther = &m == &bad[4];
            Model a = makeModel({Floor}, true, cache);
            Model b = makeModel({Floor}, true, cache);
            bool placedByArgument = a->testModel(b.get(), -1, 0, m.data());
            b->setModelMatrix(m.data());
            bool placedByOwnMatrix = a->testModel(b.get());
            EXPECT_EQ(placedByArgument, placedByOwnMatrix);
            if (!flattensOther) {
                EXPECT_FALSE(placedByArgument);
            }
            EXPECT_FALSE(b->testModel(a.get(), -1, 0, identity.data()));
            a->setModelMatrix(m.data());
            EXPECT_FALSE(a->testModel(b.get(), -1, 0, identity.data()));
            const float above[3] = {0, 0, 1}, down[3] = {0, 0, -1};
            EXPECT_FALSE(a->testRay(above, down));
            EXPECT_FALSE(a->testSphere(Origin, 1.0f));
        }
    }
}

TEST(ColdetBadInput, NonFiniteAndDegenerateTriangles) {
    // A NaN triangle (whose centroid spoils the whole split) and an infinite
    // one never hit; the good triangle still does, with its own index.
    Model m = makeModel({{{NaN, 0, 0}, {1, 0, 0}, {0, 1, 0}},
                         {{-Inf, -1, 0}, {1, -1, 0}, {0, 1, 0}},
                         Floor,
                         {{0, 0, 0}, {0, 0, 0}, {0, 0, 0}},
                         {{0, 0, 0}, {1, 1, 1}, {2, 2, 2}}});
    Model probe = makeModel({wall(0)});
    ASSERT_TRUE(probe->testModel(m.get()));
    int own = -1, other = -1;
    probe->hitTriangleIndices(&own, &other);
    EXPECT_EQ(other, 2);
    const float above[3] = {0.1f, 0.1f, 1}, down[3] = {0, 0, -1};
    ASSERT_TRUE(m->testRay(above, down, true));
    EXPECT_EQ(ownIndex(*m), 2);
    ASSERT_TRUE(m->testSphere(above, 1.5f));
    EXPECT_EQ(ownIndex(*m), 2);
    const float nanPoint[3] = {NaN, 0, 0};
    EXPECT_FALSE(m->testRay(nanPoint, down));
    EXPECT_FALSE(m->testRay(above, nanPoint));
    EXPECT_FALSE(m->testRay(above, down, false, NaN, 5));
    EXPECT_FALSE(m->testRay(above, down, false, 0, NaN));
    EXPECT_FALSE(m->testRay(above, Origin));  // zero direction
    EXPECT_FALSE(m->testSphere(nanPoint, 1));
    EXPECT_FALSE(m->testSphere(above, Inf));
    float p[3];
    EXPECT_TRUE(m->hitPoint(p, false));
}

TEST(ColdetBadInput, NullPointersAreHarmless) {
    Model m = makeModel({}, false);
    const float v[3] = {0, 0, 0};
    EXPECT_THROW(m->appendTriangle(nullptr, v, v), Inconsistency);
    m->buildTree();
    m->setModelMatrix(nullptr);
    EXPECT_FALSE(m->testRay(nullptr, v));
    EXPECT_FALSE(m->testSphere(nullptr, 1));
    EXPECT_TRUE(m->hitTriangleIndices(nullptr, nullptr));
    EXPECT_TRUE(m->hitTriangles(nullptr, nullptr, false));
    EXPECT_TRUE(m->hitPoint(nullptr, true));
    float p[3] = {5, 5, 5};
    EXPECT_TRUE(m->hitPoint(p, true));  // before any hit: the zero vector
    EXPECT_EQ(p[0], 0.0f);
    EXPECT_FALSE(SphereRayCollision(nullptr, 1, v, v, p));
    EXPECT_FALSE(SphereSphereCollision(v, 1, nullptr, 1, p));
}

TEST(ColdetBadInput, LargeAndDegenerateMeshes) {
    const int count = 100000;
    // A 250 × 200 grid of square cells in z = 0, two triangles each.
    Model grid(newCollisionModel3D());
    grid->reserveTriangles(count);
    for (int y = 0; y < 200; ++y) {
        for (int x = 0; x < 250; ++x) {
            float x0 = float(x), y0 = float(y);
            grid->appendTriangle(x0, y0, 0, x0 + 1, y0, 0, x0, y0 + 1, 0);
            grid->appendTriangle(x0 + 1, y0, 0, x0 + 1, y0 + 1, 0, x0, y0 + 1, 0);
        }
    }
    grid->buildTree();
    const float above[3] = {100.2f, 50.2f, 3}, down[3] = {0, 0, -1};
    ASSERT_TRUE(grid->testRay(above, down));
    EXPECT_EQ(ownIndex(*grid), (50 * 250 + 100) * 2);

    // Every triangle the same: one node holds them all.
    Model same(newCollisionModel3D());
    for (int i = 0; i < count; ++i) same->appendTriangle(Floor.a, Floor.b, Floor.c);
    same->buildTree();
    Model probe = makeModel({wall(0)});
    ASSERT_TRUE(probe->testModel(same.get()));
    int own = -1, other = -1;
    probe->hitTriangleIndices(&own, &other);
    EXPECT_EQ(other, 0);
    Matrix beside = translation(0.9f, 0.9f, 0);  // overlapping boxes, no contact
    EXPECT_FALSE(same->testModel(probe.get(), -1, 0, beside.data()));
    EXPECT_TRUE(same->testSphere(Origin, 0.5f));
    EXPECT_EQ(ownIndex(*same), count - 1);  // last member first
}
