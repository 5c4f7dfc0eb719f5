// The camera: view choice, view set-up and durations, the views' eye paths,
// and the wander.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "battle_test_util.h"

using namespace battletest;

namespace {

std::uint32_t advanced(std::uint32_t s, int draws) {
    for (int i = 0; i < draws; ++i) {
        s = s * 214013u + 2531011u;
    }
    return s;
}

TEST(CameraTest, ProgramStartDrawsTwiceForThePoolThenNineForTheCamera) {
    initBattleProcess();
    EXPECT_EQ(randomState(), advanced(1u, 11));
    const Camera& cam = camera();
    EXPECT_EQ(cam.viewMode, OrbitView);
    EXPECT_EQ(cam.viewDuration, 450);
    EXPECT_EQ(cam.followedShip, nullptr);
    EXPECT_EQ(cam.viewVolume.spare, 0);
    // The z leg starts shorter and slower than the later ones.
    EXPECT_LE(cam.wanderLimit[2], 20.0f);
    EXPECT_LE(cam.wanderRate[2], 0.5f);
    const std::vector<float> u = fractionsFrom(advanced(1u, 2), 9);
    EXPECT_EQ(cam.wanderRising[0], u[0] > 0.5 ? 1 : 0);
    EXPECT_EQ(cam.wanderLimit[1], u[4] * 28.0f);
    EXPECT_EQ(cam.wanderRate[2], static_cast<float>(u[8] * 0.5));
}

TEST(CameraTest, ViewModeDrawsOneFractionPerTest) {
    struct Case {
        int mode;
        int draws;
        std::function<bool()> pick;
    };
    const Case cases[] = {
        {OrbitView, 1, [] { return randomFraction() > 0.8; }},
        {CockpitView, 3, [] { return randomFraction() <= 0.8 && randomFraction() > 0.5 && randomFraction() > 0.5; }},
        {TrailView, 3, [] { return randomFraction() <= 0.8 && randomFraction() > 0.5 && randomFraction() <= 0.5; }},
        {StillView, 3, [] { return randomFraction() <= 0.8 && randomFraction() <= 0.5 && randomFraction() > 0.6; }},
        {ChaseView, 3, [] { return randomFraction() <= 0.8 && randomFraction() <= 0.5 && randomFraction() <= 0.6; }},
    };
    for (const Case& c : cases) {
        const std::uint32_t s = seedWhere(c.pick);
        EXPECT_EQ(Camera::chooseViewMode(), c.mode);
        EXPECT_EQ(randomState(), advanced(s, c.draws));
    }
}

TEST(CameraTest, SetUpViewDurationsAndMarks) {
    startTestBattle(0, 3);
    Camera& cam = camera();
    const struct {
        int mode;
        int duration;
        bool marked;
    } views[] = {{ChaseView, 220, true}, {CockpitView, 420, true}, {TrailView, 420, true}, {OrbitView, 350, false}};
    Ship* previous = nullptr;
    for (const auto& v : views) {
        cam.viewMode = v.mode;
        cam.setUpView();
        EXPECT_EQ(cam.viewMode, v.mode);
        EXPECT_EQ(cam.viewDuration, v.duration);
        ASSERT_NE(cam.followedShip, nullptr);  // every view picks a ship
        EXPECT_EQ((cam.followedShip->flags & ShipFlagFollowed) != 0, v.marked);
        if (previous != nullptr && previous != cam.followedShip) {
            EXPECT_EQ(previous->flags & (ShipFlagFollowed | ShipFlagCockpit), 0);
        }
        previous = cam.followedShip;
    }
    EXPECT_EQ(cam.lookAt.x, 0.0f);  // orbit looks at the origin
}

TEST(CameraTest, StillViewDrawnWithZeroLastsNoTicks) {
    startTestBattle(0, 4);
    Camera& cam = camera();
    cam.viewMode = StillView;
    cam.eye = Vector3{1.0f, 2.0f, 3.0f};
    // Ship pick, three offset draws, then a zero for the duration.
    seedWhere([] {
        for (int i = 0; i < 4; ++i) randomFraction();
        return randomNext() == 0;
    });
    cam.setUpView();
    ASSERT_EQ(cam.viewMode, StillView);
    EXPECT_EQ(cam.viewDuration, 0);
    const Vector3 p = cam.followedShip->position;
    EXPECT_EQ(cam.lookAt.x, p.x);
    EXPECT_EQ(cam.viewOffset.y, p.y);
    EXPECT_EQ(cam.eye.x, 1.0f + p.x);
    EXPECT_EQ(cam.followedShip->flags & ShipFlagFollowed, 0);
    cam.viewFrame = 0;
    cam.tick(61.0f);
    EXPECT_EQ(cam.viewFrame, 0);  // ended on the next tick and a new view began
}

TEST(CameraTest, StillViewFromTheOriginStandsOffInsteadOfSittingOnTheShip) {
    // A random start view chosen before any tick placed the eye: eye + p would
    // equal the look-at point and gluLookAt would collapse the picture.
    startTestBattle(0, 9);
    Camera& cam = camera();
    cam.viewMode = StillView;
    cam.eye = Vector3{0.0f, 0.0f, 0.0f};
    const std::uint32_t before = randomState();
    cam.setUpView();
    ASSERT_EQ(cam.viewMode, StillView);
    EXPECT_EQ(randomState(), advanced(before, 5));  // no extra draws
    const Vector3 p = cam.followedShip->position;
    EXPECT_EQ(cam.lookAt.x, p.x);
    EXPECT_FALSE(cam.eye.x == p.x && cam.eye.y == p.y && cam.eye.z == p.z);
    float modelView[16];
    cam.tick(61.0f);
    gfx().modelViewMatrix(modelView);
    for (float v : modelView) EXPECT_TRUE(std::isfinite(v));
}

TEST(CameraTest, OrbitEyeOfTheFirstTickAfterABuild) {
    startTestBattle(0, 5);
    EXPECT_EQ(cameraClock, 60.0f);
    cameraFrame();
    const Camera& cam = camera();
    EXPECT_EQ(cameraClock, 61.0f);
    EXPECT_EQ(cam.viewFrame, 1);
    EXPECT_NEAR(cam.eye.x, 330.5f, 0.05f);
    EXPECT_NEAR(cam.eye.y, 44.2f, 0.05f);
    EXPECT_NEAR(cam.eye.z, 327.6f, 0.05f);
    EXPECT_EQ(cam.eye.x, static_cast<float>(std::cos(0.022 * static_cast<float>(60.0 * 0.4241150082346221)) * 390.0));
    EXPECT_NEAR(cam.orbitAngle, 25.4469f, 1e-3f);
}

TEST(CameraTest, StartOrbitLasts450TicksThenANewViewBegins) {
    startTestBattle(0, 6);
    Camera& cam = camera();
    for (int i = 1; i <= 450; ++i) {
        cameraFrame();
        ASSERT_EQ(cam.viewFrame, i);
        ASSERT_EQ(cam.viewMode, OrbitView);
    }
    cameraFrame();
    EXPECT_EQ(cam.viewFrame, 0);
    EXPECT_NE(cam.followedShip, nullptr);
}

TEST(CameraTest, TrailEyeStartsHalfwayBetweenOldTrailAndShip) {
    startTestBattle(0, 7);
    Camera& cam = camera();
    for (Vector3& t : cam.trail) {
        t = Vector3{100.0f, 0.0f, -50.0f};
    }
    Ship* ship = battle.TheWorld->shipAt(3);
    ship->position = Vector3{300.0f, 20.0f, 10.0f};
    cam.followedShip = ship;
    cam.viewMode = TrailView;
    cam.trailCount = 0;
    cam.viewFrame = 0;
    cam.viewDuration = 420;
    cam.wanderOffset = Vector3{0, 0, 0};
    cam.tick(100.0f);
    EXPECT_EQ(cam.trailCount, 1);
    EXPECT_FLOAT_EQ(cam.eye.x, 200.0f);
    EXPECT_FLOAT_EQ(cam.eye.y, 10.0f);
    EXPECT_FLOAT_EQ(cam.eye.z, -20.0f);
    EXPECT_EQ(cam.trail[0].x, 300.0f);
    EXPECT_EQ(cam.lookAt.x, 300.0f);
    // The older point stops at 49 ticks back.
    for (int i = 0; i < 60; ++i) {
        cam.tick(101.0f + i);
    }
    EXPECT_EQ(cam.trailCount, 49);
}

TEST(CameraTest, CockpitGlidesFor50TicksThenSitsInTheShip) {
    startTestBattle(0, 8);
    Camera& cam = camera();
    Ship* ship = battle.TheWorld->shipAt(2);
    cam.followedShip = ship;
    ship->flags |= ShipFlagFollowed;
    cam.viewMode = CockpitView;
    cam.trailCount = 0;
    cam.viewFrame = 0;
    cam.viewDuration = 420;
    for (int i = 1; i <= 50; ++i) {
        cam.tick(0.0f);
        ASSERT_EQ(ship->flags & ShipFlagCockpit, 0) << i;
        EXPECT_EQ(cam.lookAt.x, ship->position.x);
    }
    cam.tick(0.0f);
    EXPECT_EQ(ship->flags & ShipFlagCockpit, ShipFlagCockpit);
    EXPECT_EQ(cam.eye.x, ship->position.x);
    EXPECT_EQ(cam.eye.z, ship->position.z);
    Vector3 nose;
    matRotate(ship->modelMatrix, {1, 0, 0}, nose);
    EXPECT_FLOAT_EQ(cam.lookAt.x, ship->position.x + nose.x);

    // Leaving the view clears both marks.
    cam.viewMode = OrbitView;
    cam.setUpView();
    EXPECT_EQ(ship->flags & (ShipFlagCockpit | ShipFlagFollowed), 0);
}

TEST(CameraTest, WanderStaysWithinItsLegs) {
    initBattleProcess();
    Camera& cam = camera();
    randomSeed(77);
    cam.resetWander();
    float lo = 0.0f, hi = 0.0f;
    for (int i = 0; i < 20000; ++i) {
        cam.stepWander();
        for (float v : {cam.wanderOffset.x, cam.wanderOffset.y, cam.wanderOffset.z}) {
            lo = std::min(lo, v);
            hi = std::max(hi, v);
        }
        ASSERT_EQ(cam.wanderReached[0] + cam.wanderReached[1] + cam.wanderReached[2], 0);
    }
    // A leg ends as soon as the offset passes its limit, so the offset mostly
    // stays within -0.6 to 28.6; a run of legs drawn in the same direction past
    // the band can carry it a little further before one turns it back.
    EXPECT_GE(lo, -6.0f);
    EXPECT_LE(hi, 34.6f);
    EXPECT_GT(hi, 20.0f);  // it does wander
    EXPECT_LT(lo, 1.0f);
}

TEST(CameraTest, WithNoShipEveryViewBecomesTheOrbit) {
    initBattleProcess();
    Camera& cam = camera();
    for (std::uint32_t seed = 1; seed < 40; ++seed) {
        randomSeed(seed);
        cam.chooseView();
        EXPECT_EQ(cam.viewMode, OrbitView);
        EXPECT_EQ(cam.followedShip, nullptr);
        cameraFrame();
    }
    // A view left without its ship falls back to the orbit as well, the still
    // view included once the world is empty.
    for (int mode : {ChaseView, TrailView, CockpitView, StillView}) {
        cam.viewMode = mode;
        cam.viewFrame = 0;
        cam.viewDuration = 100;
        cam.followedShip = nullptr;
        cameraFrame();
        EXPECT_EQ(cam.viewMode, OrbitView) << "mode " << mode;
    }
}

// Finishes the ship the camera follows and lets the world remove it.
void removeFollowedShip(Camera& cam) {
    ASSERT_NE(cam.followedShip, nullptr);
    cam.followedShip->state = ShipFinished;
    battle.TheWorld->step();
}

TEST(CameraTest, StillViewRunsOnToItsEndWhenItsShipIsRemoved) {
    startTestBattle(0, 12);
    Camera& cam = camera();
    cam.eye = Vector3{40.0f, 50.0f, 60.0f};
    cam.viewMode = StillView;
    cam.setUpView();
    ASSERT_EQ(cam.viewMode, StillView);
    cam.viewDuration = 30;  // long enough to see it run on
    cam.viewFrame = 0;
    const Vector3 eye = cam.eye;
    const Vector3 look = cam.viewOffset;
    cameraFrame();
    float before[16];
    gfx().modelViewMatrix(before);

    const int count = battle.TheWorld->count;
    removeFollowedShip(cam);
    EXPECT_EQ(battle.TheWorld->count, count - 1);
    EXPECT_EQ(cam.followedShip, nullptr);
    EXPECT_EQ(cam.viewMode, StillView);  // an unmarked ship asks for no new view

    const std::uint32_t drawsBefore = randomState();
    for (int tick = 2; tick <= 30; ++tick) {
        cameraFrame();
        ASSERT_EQ(cam.viewMode, StillView) << "tick " << tick;
        EXPECT_EQ(cam.viewFrame, tick);
        EXPECT_EQ(cam.eye.x, eye.x);
        EXPECT_EQ(cam.eye.z, eye.z);
        EXPECT_EQ(cam.viewOffset.y, look.y);
        float m[16];
        gfx().modelViewMatrix(m);
        EXPECT_EQ(0, std::memcmp(m, before, sizeof m)) << "tick " << tick;
    }
    EXPECT_EQ(randomState(), drawsBefore);  // running on draws nothing

    // The 31st tick ends the view and chooses the next one as usual.
    const std::uint32_t s = randomState();
    cameraFrame();
    EXPECT_EQ(cam.viewFrame, 0);
    EXPECT_NE(randomState(), s);
    EXPECT_NE(cam.followedShip, nullptr);
}

TEST(CameraTest, OnlyViewsThatReadTheirShipFallBackWhenItIsGone) {
    // In a world that still has ships, a view without its ship falls back to
    // the orbit only when its tick would read the ship.
    for (int mode : {ChaseView, TrailView, CockpitView, StillView}) {
        startTestBattle(0, 21);
        Camera& cam = camera();
        cam.viewMode = mode;
        cam.setUpView();
        ASSERT_EQ(cam.viewMode, mode);
        cam.viewFrame = 0;
        cam.followedShip->flags &= ~(ShipFlagFollowed | ShipFlagCockpit);
        cam.followedShip = nullptr;
        cameraFrame();
        EXPECT_EQ(cam.viewMode, mode == StillView ? StillView : OrbitView) << "mode " << mode;
        EXPECT_EQ(cam.viewFrame, 1);
    }
}

}  // namespace
