// Vector and orientation math, and the random generator.
#include <gtest/gtest.h>

#include <cmath>

#include "sim/math3d.h"
#include "sim/random.h"

namespace {

Vector3 rotated(const Quaternion& q, Vector3 v) {
    Matrix4 m;
    matIdentity(m);
    quatToMatrix(q, m);
    matRotate(m, v, v);
    return v;
}

void expectNear(const Vector3& v, float x, float y, float z, float tol = 1e-6f) {
    EXPECT_NEAR(v.x, x, tol);
    EXPECT_NEAR(v.y, y, tol);
    EXPECT_NEAR(v.z, z, tol);
}

TEST(MathTest, WorkedRotationsFollowTheColumnMajorConvention) {
    Quaternion q;
    quatFromAngles(q, 90.0f, 0.0f, 0.0f);
    expectNear(rotated(q, {1, 0, 0}), 0, 0, 1);
    expectNear(rotated(q, {0, 1, 0}), 0, 1, 0);

    quatFromAngles(q, 0.0f, 90.0f, 0.0f);
    expectNear(rotated(q, {0, 1, 0}), 0, 0, -1);
    expectNear(rotated(q, {1, 0, 0}), 1, 0, 0);

    quatFromAngles(q, 0.0f, 0.0f, 90.0f);
    expectNear(rotated(q, {1, 0, 0}), 0, -1, 0);

    quatFromAngles(q, 180.0f, 0.0f, 0.0f);
    expectNear(rotated(q, {-1, -1, -1}), 1, -1, 1, 1e-5f);
}

TEST(MathTest, ZeroAnglesGiveTheExactIdentityAnd360TheNegatedOne) {
    Quaternion q;
    quatFromAngles(q, 0.0f, 0.0f, 0.0f);
    EXPECT_EQ(q.x, 0.0f);
    EXPECT_EQ(q.y, 0.0f);
    EXPECT_EQ(q.z, 0.0f);
    EXPECT_EQ(q.w, 1.0f);

    for (int axis = 0; axis < 3; ++axis) {
        quatFromAngles(q, axis == 0 ? 360.0f : 0.0f, axis == 1 ? 360.0f : 0.0f, axis == 2 ? 360.0f : 0.0f);
        EXPECT_NEAR(q.w, -1.0f, 1e-6f);
        Matrix4 m;
        matIdentity(m);
        quatToMatrix(q, m);
        for (int i = 0; i < 16; ++i) {
            EXPECT_NEAR(m.m[i], (i % 5 == 0) ? 1.0f : 0.0f, 1e-6f) << "element " << i;
        }
    }
}

TEST(MathTest, QuatFromAnglesComposesZThenYThenX) {
    // The result equals Qz(c) * Qy(a) * Qx(b) of the single-axis turns.
    const float a = 33.0f, b = -71.0f, c = 128.0f;
    Quaternion qy, qx, qz, all;
    quatFromAngles(qy, a, 0.0f, 0.0f);
    quatFromAngles(qx, 0.0f, b, 0.0f);
    quatFromAngles(qz, 0.0f, 0.0f, c);
    quatFromAngles(all, a, b, c);
    const Quaternion expected = quatProduct(quatProduct(qz, qy), qx);
    EXPECT_NEAR(all.x, expected.x, 1e-6f);
    EXPECT_NEAR(all.y, expected.y, 1e-6f);
    EXPECT_NEAR(all.z, expected.z, 1e-6f);
    EXPECT_NEAR(all.w, expected.w, 1e-6f);
}

TEST(MathTest, QuatToMatrixKeepsTheTranslationAndMatRotateMayAlias) {
    Matrix4 m;
    matIdentity(m);
    m.m[12] = 11.0f;
    m.m[13] = -22.0f;
    m.m[14] = 33.0f;
    Quaternion q;
    quatFromAngles(q, 10.0f, 20.0f, 30.0f);
    quatToMatrix(q, m);
    EXPECT_EQ(m.m[12], 11.0f);
    EXPECT_EQ(m.m[13], -22.0f);
    EXPECT_EQ(m.m[14], 33.0f);
    EXPECT_EQ(m.m[15], 1.0f);
    EXPECT_EQ(m.m[3], 0.0f);

    const Vector3 v = {1.5f, -2.5f, 4.0f};
    Vector3 separate;
    matRotate(m, v, separate);
    Vector3 same = v;
    matRotate(m, same, same);
    EXPECT_EQ(separate.x, same.x);
    EXPECT_EQ(separate.y, same.y);
    EXPECT_EQ(separate.z, same.z);
}

TEST(MathTest, ATurnAboutXIsARollThatKeepsTheNose) {
    Quaternion q;
    quatFromAngles(q, 0.0f, 0.0f, 0.0f);
    Quaternion roll;
    quatFromAngles(roll, 0.0f, 37.0f, 0.0f);
    quatPreMultiply(q, roll);
    expectNear(rotated(q, {1, 0, 0}), 1, 0, 0);
}

TEST(RandomTest, ReproducesTheLinearCongruentialSequence) {
    randomSeed(1);
    // The classic sequence from state 1.
    EXPECT_EQ(randomNext(), 41);
    EXPECT_EQ(randomNext(), 18467);
    EXPECT_EQ(randomNext(), 6334);
    EXPECT_EQ(randomState(),
              1u * 214013u * 214013u * 214013u + 2531011u * 214013u * 214013u + 2531011u * 214013u + 2531011u);
    // Wraps modulo 2^32 and stays in 0..32767.
    randomSeed(0xFFFFFFFFu);
    for (int i = 0; i < 1000; ++i) {
        const int v = randomNext();
        ASSERT_GE(v, 0);
        ASSERT_LE(v, RandomMax);
    }
}

}  // namespace
