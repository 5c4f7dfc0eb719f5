// View volume and billboard axes, the software drawing seam, the explosion
// effect and its tables, and the glare table.
#include <gtest/gtest.h>

#include <cmath>
#include <set>

#include "battle_test_util.h"
#include "view/explosion.h"
#include "view/view_volume.h"

using namespace battletest;

namespace {

const float Identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

TEST(ViewVolumeTest, IdentityMatricesGiveTheUnitCube) {
    ViewVolume v;
    v.extractPlanes(Identity, Identity);
    // right: -x + 1, left: x + 1, bottom: y + 1, top: -y + 1, far: -z + 1, near: z + 1.
    const float expected[6][4] = {{-1, 0, 0, 1}, {1, 0, 0, 1},  {0, 1, 0, 1},
                                  {0, -1, 0, 1}, {0, 0, -1, 1}, {0, 0, 1, 1}};
    for (int p = 0; p < 6; ++p) {
        for (int c = 0; c < 4; ++c) {
            EXPECT_EQ(v.planes[p][c], expected[p][c]) << p << "," << c;
        }
    }
    EXPECT_EQ(v.sphereVisible(0, 0, 0, 0), 1);
}

TEST(ViewVolumeTest, SphereTestCountsTouchingAsVisible) {
    ViewVolume v;
    v.extractPlanes(Identity, Identity);
    // The right plane is x = 1: centres beyond it by 39.9 and 40.1, radius 40.
    EXPECT_EQ(v.sphereVisible(40.9f, 0, 0, 40.0f), 1);
    EXPECT_EQ(v.sphereVisible(41.1f, 0, 0, 40.0f), 0);
    EXPECT_EQ(v.sphereVisible(41.0f, 0, 0, 40.0f), 1);  // exactly touching
    EXPECT_EQ(v.sphereVisible(0, -3.5f, 0, 2.5f), 1);
    EXPECT_EQ(v.sphereVisible(0, -3.5f, 0, 2.4f), 0);
}

TEST(ViewVolumeTest, BoxNeedsACornerStrictlyInsideEveryPlane) {
    ViewVolume v;
    v.extractPlanes(Identity, Identity);
    EXPECT_EQ(v.boxVisible(1.0f, 0, 0, 0.5f, 0.5f, 0.5f), 1);   // straddles x = 1
    EXPECT_EQ(v.boxVisible(1.5f, 0, 0, 0.5f, 0.5f, 0.5f), 0);   // corners at 1 and 2: none inside
    EXPECT_EQ(v.boxVisible(0, 0, 0, 5.0f, 5.0f, 5.0f), 1);      // encloses the volume
    EXPECT_EQ(v.boxVisible(0, 0, -3.0f, 0.5f, 0.5f, 0.5f), 0);  // outside the near plane z = -1
    EXPECT_EQ(v.boxVisible(0, 0, 0, 0, 0, 0), 1);
}

TEST(ViewVolumeTest, DegenerateMatricesCullNothingAndGiveNoNaN) {
    ViewVolume v;
    const float zero[16] = {0};
    v.extractPlanes(zero, Identity);
    for (int p = 0; p < 6; ++p) {
        for (int c = 0; c < 4; ++c) {
            EXPECT_FALSE(std::isnan(v.planes[p][c]));
        }
    }
    EXPECT_EQ(v.sphereVisible(1e6f, -1e6f, 3.0f, 1.0f), 1);
    EXPECT_EQ(v.boxVisible(1e6f, 0, 0, 1, 1, 1), 1);
}

TEST(SoftwareGfxTest, PerspectiveAndLookAtCullLikeTheWindow) {
    Gfx& g = softwareGfx();
    g.loadIdentity();
    const double eye[3] = {0, 0, 10};
    const double centre[3] = {0, 0, 0};
    const double up[3] = {0, 1, 0};
    g.lookAt(eye, centre, up);
    float p[16], m[16];
    g.projectionMatrix(p);
    g.modelViewMatrix(m);
    EXPECT_FLOAT_EQ(p[5], static_cast<float>(1.0 / std::tan(27.5 * 3.14159265358979323846 / 180.0)));
    EXPECT_FLOAT_EQ(p[0], p[5] * 0.75f);
    EXPECT_EQ(p[11], -1.0f);
    EXPECT_EQ(m[14], -10.0f);
    ViewVolume v;
    v.extractPlanes(p, m);
    EXPECT_EQ(v.sphereVisible(0, 0, 0, 1), 1);
    EXPECT_EQ(v.sphereVisible(0, 0, 30, 1), 0);      // behind the eye
    EXPECT_EQ(v.sphereVisible(0, 0, -30000, 1), 0);  // past the far plane
    EXPECT_EQ(v.sphereVisible(500, 0, 0, 1), 0);     // far off to the right
    EXPECT_EQ(v.sphereVisible(0, 5.1f, 0, 0), 1);    // inside the 27.5 degree half-angle
    EXPECT_EQ(v.sphereVisible(0, 5.3f, 0, 0), 0);

    setViewAxes(m);
    EXPECT_FLOAT_EQ(viewRight.x, 1.0f);
    EXPECT_FLOAT_EQ(viewUp.y, 1.0f);
    EXPECT_FLOAT_EQ(viewRight.y, 0.0f);
    g.loadIdentity();
}

TEST(SoftwareGfxTest, ViewAxesFollowTheLookDirection) {
    Gfx& g = softwareGfx();
    g.loadIdentity();
    const double eye[3] = {0, 0, 0};
    const double centre[3] = {5, 0, 0};  // looking along +x
    const double up[3] = {0, 1, 0};
    g.lookAt(eye, centre, up);
    setGfx(nullptr);  // readViewAxes reads through the seam: the software one
    readViewAxes();
    EXPECT_NEAR(viewRight.z, 1.0f, 1e-6f);
    EXPECT_NEAR(viewUp.y, 1.0f, 1e-6f);
    g.loadIdentity();
}

// --- explosion ---

TEST(ExplosionTest, ConstructionDrawsOnceForTheFlashFade) {
    randomSeed(10);
    const float r = fractionsFrom(10, 1)[0];
    Explosion e;
    EXPECT_EQ(randomState(), 10u * 214013u + 2531011u);
    EXPECT_EQ(e.flashFade, std::max(static_cast<float>(r * 0.3), 0.06f));
    EXPECT_EQ(e.flashAlpha, 0.9f);
    EXPECT_EQ(e.flashSize, 0.5f);
    EXPECT_EQ(e.shellSpeed[3], 20.5f);
    EXPECT_EQ(e.style, 0);
    // Small draws are raised to 0.06.
    seedWhere([] { return randomFraction() < 0.1f; });
    Explosion slow;
    EXPECT_EQ(slow.flashFade, 0.06f);
}

TEST(ExplosionTest, StartDraws96ValuesAndSpeedsFollowTheirRules) {
    Explosion e;
    randomSeed(555);
    const std::vector<float> u = fractionsFrom(555, 96);
    e.start(25);
    EXPECT_EQ(randomState(), [] {
        std::uint32_t s = 555;
        for (int i = 0; i < 96; ++i) s = s * 214013u + 2531011u;
        return s;
    }());
    EXPECT_EQ(e.stippleIndex, static_cast<int>(u[0] * 32.0f));
    EXPECT_EQ(e.fragmentAngle[0][0], u[1] * 360.0f);
    EXPECT_EQ(e.shellFade[0], static_cast<float>(u[16] * 0.5));
    EXPECT_EQ(e.shellTilt[0].x, u[17] * 360.0f);
    EXPECT_EQ(e.fragmentAngle[1][0], u[20] * 360.0f);
    EXPECT_EQ(e.shellAlpha[4], 1.0f);
    e.randomizeShellSpeeds();
    for (float s : e.shellSpeed) {
        EXPECT_GE(s, 10.5f);
        EXPECT_LE(s, 40.5f);
    }
    e.setShellSpeeds();
    EXPECT_EQ(e.shellSpeed[2], 10.5f);
}

TEST(ExplosionTest, DebrisRunsThirtyDrawsAndRetiresOneShellPerFrame) {
    ScopedGfx g;
    Explosion e;
    e.start(25);
    e.style |= ExplosionStyleDebris;
    std::vector<int> results;
    for (int draw = 1; draw <= 32; ++draw) {
        g.gfx.debrisShells.clear();
        results.push_back(e.draw());
        std::set<int> shells;
        for (auto& d : g.gfx.debrisShells) shells.insert(d.first);
        if (draw == 4) {
            EXPECT_EQ(shells.count(4), 0u);
        }
        if (draw == 5) {
            EXPECT_EQ(shells, (std::set<int>{0, 1, 2, 3, 4}));
        }
        if (draw == 27) {
            EXPECT_EQ(shells, (std::set<int>{1, 2, 3, 4}));
        }
    }
    for (int draw = 1; draw <= 29; ++draw) {
        EXPECT_EQ(results[draw - 1], 1) << draw;
    }
    EXPECT_EQ(results[29], 0);
    EXPECT_EQ(results[30], 0);  // finished stays finished
    EXPECT_EQ(results[31], 0);
    EXPECT_EQ(e.firstShell, 5);
}

TEST(ExplosionTest, StippleIndexAdvancesFifteenPerShellWithWrap) {
    ScopedGfx g;
    Explosion e;
    seedWhere([] { return randomNext() == 32767; });  // r = 1: index 32
    e.start(25);
    EXPECT_EQ(e.stippleIndex, 32);
    e.style = ExplosionStyleDebris;
    e.draw();  // shell 0 only
    ASSERT_EQ(g.gfx.debrisShells.size(), 1u);
    EXPECT_EQ(g.gfx.debrisShells[0].second, 32);  // the painter sees the value before
    EXPECT_EQ(e.stippleIndex, 14);                // 0, 1, ..., 14
    e.draw();                                     // shells 0 and 1
    EXPECT_EQ(e.stippleIndex, (14 + 30) % 32);
    EXPECT_EQ(nextStippleIndex(31), 0);
    EXPECT_EQ(nextStippleIndex(32), 0);
    EXPECT_EQ(nextStippleIndex(5), 6);
}

TEST(ExplosionTest, GlowShellsFadeOutAndTheFlashPlaysOncePerObject) {
    ScopedGfx g;
    Explosion e;
    e.flashFade = 0.25f;
    e.start(4);
    e.setShellSpeeds();
    e.style |= ExplosionStyleGlow;
    e.shellFade[0] = 0.6f;  // gone on its second frame
    int draws = 0;
    while (e.draw() != 0) {
        ++draws;
    }
    EXPECT_EQ(draws + 1, 9);
    EXPECT_EQ(g.gfx.flashes, 3);         // alpha 0.65, 0.4, 0.15, then below 0
    EXPECT_EQ(e.shellRadius[0], 10.5f);  // grew once, then stopped when faded
    EXPECT_FLOAT_EQ(e.flashSize, 0.5f + 45.0f);

    e.start(4);
    g.gfx.flashes = 0;
    while (e.draw() != 0) {
    }
    EXPECT_EQ(g.gfx.flashes, 0);  // the flash does not replay with start
    EXPECT_GT(g.gfx.glowShells.size(), 0u);
}

TEST(ExplosionTablesTest, StippleMasksAreScatteredAtTheRightDensity) {
    std::set<std::vector<unsigned char>> distinct;
    for (int m = 0; m < 32; ++m) {
        int bits = 0;
        int rowsWithBits = 0;
        for (int row = 0; row < 32; ++row) {
            int rowBits = 0;
            for (int b = 0; b < 4; ++b) {
                unsigned v = StipplePatterns[m][row * 4 + b];
                while (v != 0) {
                    rowBits += static_cast<int>(v & 1u);
                    v >>= 1;
                }
            }
            bits += rowBits;
            rowsWithBits += rowBits > 0 ? 1 : 0;
        }
        EXPECT_GE(bits, 158) << m;
        EXPECT_LE(bits, 202) << m;
        EXPECT_GE(rowsWithBits, 28) << m;  // scattered, not packed in a corner
        distinct.insert(std::vector<unsigned char>(StipplePatterns[m], StipplePatterns[m] + 128));
    }
    EXPECT_EQ(distinct.size(), 32u);
}

TEST(ExplosionTablesTest, FragmentsAreSmallWithTheGivenFirstTriangles) {
    const float shell0[9] = {-7.49f, 6.93f, 0.35f, -6.55f, 2.37f, -6.92f, -2.47f, 7.66f, -0.2f};
    const float shell1[9] = {-1.51f, -3.64f, -4.3f, 3.39f, 7.1f, 0.47f, -0.93f, 1.47f, 7.07f};
    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(FragmentTriangles[0][0][i], shell0[i]);
        EXPECT_EQ(FragmentTriangles[1][0][i], shell1[i]);
    }
    for (int s = 0; s < ExplosionShells; ++s) {
        for (int k = 0; k < ExplosionFragments; ++k) {
            for (int i = 0; i < 9; ++i) {
                EXPECT_GE(FragmentTriangles[s][k][i], -8.0f);
                EXPECT_LE(FragmentTriangles[s][k][i], 8.0f);
            }
        }
    }
}

}  // namespace
