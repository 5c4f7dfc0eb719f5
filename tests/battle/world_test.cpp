// The battle world, fleet placement, the battle build and the restart rule.
#include <gtest/gtest.h>

#include <cmath>
#include <set>

#include "battle_test_util.h"
#include "sim/shot.h"

using namespace battletest;

namespace {

int countSide(int side) {
    int n = 0;
    for (Ship* s : worldShips()) {
        n += s->sideIndex == side ? 1 : 0;
    }
    return n;
}

TEST(FleetTest, SideRecordsAndTables) {
    defineSides();
    EXPECT_EQ(battle.SideCount, 2);
    EXPECT_EQ(battle.SideSpeeds[1].x, 0.000165f);
    EXPECT_EQ(battle.SideTurnRates[0][0], 0.00003f);
    EXPECT_EQ(battle.SideTurnRates[0][1], 0.00006f);
    EXPECT_EQ(FleetSides[1].sideIndex, 1);
}

TEST(FleetTest, ChooseSideAdvancesOnlyPastHalfTheFleet) {
    defineSides();
    fleetPlacement.total = 12;
    resetPlacement(fleetPlacement);
    for (int i = 0; i <= 6; ++i) {
        EXPECT_EQ(chooseSide(fleetPlacement, i), 0) << i;
    }
    for (int i = 7; i < 12; ++i) {
        EXPECT_EQ(chooseSide(fleetPlacement, i), 1) << i;
    }
    // N = 13: 6.5 < 7 so index 6 still goes to side 0.
    fleetPlacement.total = 13;
    resetPlacement(fleetPlacement);
    EXPECT_EQ(chooseSide(fleetPlacement, 6), 0);
    EXPECT_EQ(chooseSide(fleetPlacement, 7), 1);
    // The cursor never runs past the last side.
    EXPECT_EQ(chooseSide(fleetPlacement, 1000), 1);
    EXPECT_EQ(chooseSide(fleetPlacement, 100000), 1);
}

TEST(WorldTest, SmallestBattleSplitsEightToFiveInsideTheStartBoxes) {
    startTestBattle(0, 99);
    ASSERT_NE(battle.TheWorld, nullptr);
    EXPECT_EQ(battle.TheWorld->count, 13);
    EXPECT_EQ(battle.TheWorld->failed, 0);
    EXPECT_EQ(battle.FleetSize, 12);
    EXPECT_EQ(battle.RestartThreshold, 4);
    EXPECT_EQ(countSide(0), 8);
    EXPECT_EQ(countSide(1), 5);

    const double n = 12.0;
    const double dx = std::sqrt(2.8 * n) * 90.0;
    const double dy = std::sqrt(2.5 * n) * 80.0;
    const double dz = std::sqrt(2.5 * n) * 75.0;
    EXPECT_NEAR(dx, 521.7, 0.05);
    EXPECT_NEAR(dy, 438.2, 0.05);
    EXPECT_NEAR(dz, 410.8, 0.05);
    for (Ship* s : worldShips()) {
        const Vector3 p = s->position;
        EXPECT_LE(p.y, 200.0f);
        EXPECT_GE(p.y, 200.0 - dy - 1e-3);
        EXPECT_LE(p.z, 0.0f);
        EXPECT_GE(p.z, -dz - 1e-3);
        if (s->sideIndex == 0) {
            EXPECT_LE(p.x, 10.0f);
            EXPECT_GE(p.x, 10.0 - dx - 1e-3);
        } else {
            EXPECT_GE(p.x, 60.0f - 1e-3f);
            EXPECT_LE(p.x, 60.0 + dx + 1e-3);
        }
    }
}

TEST(WorldTest, LargestBattleAndClampedSettings) {
    startTestBattle(300, 7);
    EXPECT_EQ(battle.TheWorld->count, 313);
    EXPECT_EQ(battle.FleetSize, 312);
    EXPECT_EQ(battle.RestartThreshold, 111);

    // A hand-edited profile beyond the range is held to it.
    startTestBattle(5000, 7);
    EXPECT_EQ(battle.TheWorld->count, 313);
    startTestBattle(-40, 7);
    EXPECT_EQ(battle.TheWorld->count, 13);
    EXPECT_EQ(battle.RestartThreshold, 4);
}

TEST(WorldTest, BuildRunsSceneSetupThenStartViewThenLists) {
    initBattleProcess();
    settings.reset();
    ScopedGfx g;
    startBattle();
    ASSERT_EQ(g.gfx.calls.size(), 2u);
    EXPECT_EQ(g.gfx.calls[0], "sceneSetup");
    EXPECT_EQ(g.gfx.calls[1], "compileLists");
    EXPECT_EQ(camera().viewMode, OrbitView);
    EXPECT_EQ(camera().viewDuration, 450);
    EXPECT_EQ(cameraClock, 60.0f);

    // With a random start view the build chooses one (a ship may be followed).
    settings.HVIsRandStartView = 1;
    randomSeed(3);
    buildBattle();
    EXPECT_EQ(camera().viewFrame, 0);
}

TEST(WorldTest, ScaledRatesOfA31msFrame) {
    startTestBattle(0, 1);
    battle.FrameTimeMicros = 31000;
    simulationStep();
    EXPECT_NEAR(battle.SideScaledSpeeds[0].x, 3.906f, 1e-5f);
    EXPECT_NEAR(battle.SideScaledSpeeds[1].x, 5.115f, 1e-5f);
    EXPECT_EQ(battle.ShotAgeStep, static_cast<float>(31000 * 0.00108));
    EXPECT_NEAR(battle.ShotAgeStep, 33.48f, 1e-5f);
    EXPECT_NEAR(battle.SideScaledTurnRates[0][0], 0.93f, 1e-6f);
    EXPECT_NEAR(battle.SideScaledTurnRates[0][1], 1.86f, 1e-6f);
}

TEST(WorldTest, RestartsWhenTooFewShipsAreLeft) {
    startTestBattle(0, 11);
    battle.FrameTimeMicros = 31000;
    std::vector<Ship*> ships = worldShips();
    for (int i = 0; i < 10; ++i) {
        ships[i]->state = ShipFinished;
    }
    simulationStep();  // 13 counted, 10 removed
    EXPECT_EQ(battle.ShipCountShown, 13);
    EXPECT_EQ(battle.TheWorld->count, 3);
    EXPECT_EQ(battle.FrameCounter, 1);
    const unsigned serialsBefore = battle.ShipsMade;

    simulationStep();  // 3 < 4: a new battle
    EXPECT_EQ(battle.ShipCountShown, 3);
    EXPECT_EQ(battle.FrameCounter, 0);
    EXPECT_EQ(battle.TheWorld->count, 13);
    EXPECT_EQ(battle.ShipsMade, serialsBefore + 13);
}

TEST(WorldTest, DyingShipsStillCountTowardsTheRestartRule) {
    startTestBattle(0, 12);
    battle.FrameTimeMicros = 31000;
    std::vector<Ship*> ships = worldShips();
    for (int i = 0; i < 10; ++i) {
        ships[i]->hit(0);
    }
    simulationStep();
    simulationStep();
    EXPECT_EQ(battle.TheWorld->count, 13);
    EXPECT_EQ(battle.FrameCounter, 2);
}

TEST(WorldTest, RestartsOnThe7201stStep) {
    startTestBattle(0, 13);
    battle.FrameTimeMicros = 31000;
    // Without drawing nothing collides, so only the frame limit can restart.
    const unsigned made = battle.ShipsMade;
    for (int i = 0; i < 7200; ++i) {
        simulationStep();
    }
    EXPECT_EQ(battle.FrameCounter, 7200);
    EXPECT_EQ(battle.ShipsMade, made);
    simulationStep();
    EXPECT_EQ(battle.FrameCounter, 0);
    EXPECT_EQ(battle.ShipsMade, made + 13);
}

void expectConsistent(const World& w) {
    int n = 0;
    const ShipNode* prev = nullptr;
    for (const ShipNode* node = w.head; node != nullptr; node = node->next) {
        EXPECT_EQ(node->prev, prev);
        prev = node;
        ++n;
    }
    EXPECT_EQ(w.tail, prev);
    EXPECT_EQ(n, w.count);
}

TEST(WorldTest, RemovingHeadTailMiddleAndOnlyNodeKeepsTheList) {
    startTestBattle(0, 21);
    World& w = *battle.TheWorld;
    std::vector<Ship*> ships = worldShips();
    const unsigned second = ships[1]->serial;
    const unsigned beforeLast = ships[11]->serial;
    const unsigned middleNext = ships[7]->serial;

    ships[0]->state = ShipFinished;  // head
    w.step();
    expectConsistent(w);
    EXPECT_EQ(w.count, 12);
    EXPECT_EQ(w.head->ship->serial, second);

    ships[12]->state = ShipFinished;  // tail
    w.step();
    expectConsistent(w);
    EXPECT_EQ(w.tail->ship->serial, beforeLast);

    ships[6]->state = ShipFinished;  // middle
    w.step();
    expectConsistent(w);
    EXPECT_EQ(w.count, 10);
    std::set<unsigned> left;
    for (Ship* s : worldShips()) {
        left.insert(s->serial);
    }
    EXPECT_EQ(left.count(ships[5]->serial), 1u);
    EXPECT_EQ(left.count(middleNext), 1u);

    // Down to the only node, then none.
    std::vector<Ship*> rest = worldShips();
    for (size_t i = 1; i < rest.size(); ++i) {
        rest[i]->state = ShipFinished;
    }
    w.step();
    expectConsistent(w);
    EXPECT_EQ(w.count, 1);
    EXPECT_EQ(w.head, w.tail);
    w.head->ship->state = ShipFinished;
    w.step();
    expectConsistent(w);
    EXPECT_EQ(w.count, 0);
    EXPECT_EQ(w.head, nullptr);
    EXPECT_EQ(w.tail, nullptr);
}

TEST(WorldTest, ShipAtCountsFromOneAndStopsAtTheLast) {
    startTestBattle(0, 2);
    World& w = *battle.TheWorld;
    std::vector<Ship*> ships = worldShips();
    EXPECT_EQ(w.shipAt(0), ships[0]);
    EXPECT_EQ(w.shipAt(1), ships[0]);
    EXPECT_EQ(w.shipAt(2), ships[1]);
    EXPECT_EQ(w.shipAt(13), ships[12]);
    EXPECT_EQ(w.shipAt(14), ships[12]);
    EXPECT_EQ(w.shipAt(1000), ships[12]);
    World empty;
    EXPECT_EQ(empty.shipAt(0), nullptr);
    EXPECT_EQ(empty.shipAt(3), nullptr);
}

TEST(WorldTest, RemovingTheFollowedShipNeverLeavesTheCameraOnIt) {
    startTestBattle(0, 31);
    World& w = *battle.TheWorld;
    Camera& cam = camera();
    // Several ships: the new view follows another ship or none.
    std::vector<Ship*> ships = worldShips();
    cam.viewMode = ChaseView;
    cam.followedShip = ships[4];
    ships[4]->flags |= ShipFlagFollowed;
    const unsigned removed = ships[4]->serial;
    ships[4]->state = ShipFinished;
    w.step();
    if (cam.followedShip != nullptr) {
        EXPECT_NE(cam.followedShip->serial, removed);
        bool inWorld = false;
        for (Ship* s : worldShips()) {
            inWorld = inWorld || s == cam.followedShip;
        }
        EXPECT_TRUE(inWorld);
    }

    // The last ship, followed, leaves: the camera shows the orbit, which needs none.
    for (Ship* s : worldShips()) {
        s->state = ShipFinished;
    }
    Ship* last = worldShips().back();
    last->state = ShipAlive;
    w.step();
    ASSERT_EQ(w.count, 1);
    cam.viewMode = CockpitView;
    cam.followedShip = last;
    last->flags |= ShipFlagFollowed;
    last->state = ShipFinished;
    w.step();
    EXPECT_EQ(w.count, 0);
    EXPECT_EQ(cam.followedShip, nullptr);
    EXPECT_EQ(cam.viewMode, OrbitView);
    battle.FrameTimeMicros = 31000;
    cameraFrame();  // must not touch the removed ship
    drawBattle();
}

TEST(WorldTest, AnUnmarkedFollowedShipIsForgottenWhenRemoved) {
    startTestBattle(0, 32);
    Camera& cam = camera();
    std::vector<Ship*> ships = worldShips();
    cam.viewMode = OrbitView;
    cam.followedShip = ships[2];
    ships[2]->state = ShipFinished;
    battle.TheWorld->step();
    EXPECT_EQ(cam.followedShip, nullptr);
    EXPECT_EQ(cam.viewMode, OrbitView);
}

TEST(WorldTest, CollidingShipsBothExplodeOnce) {
    startTestBattle(0, 41);
    std::vector<Ship*> ships = worldShips();
    // Put two ships on top of each other; every ship's transform is refreshed by
    // its drawing, so the pair meets in the second frame's walk.
    Ship& a = *ships[0];
    Ship& b = *ships[1];
    for (Ship* s : ships) {
        s->position = Vector3{s->position.x + 5000.0f * (s->serial + 1), 0.0f, 0.0f};
        s->applyMove();
    }
    b.position = a.position;
    b.orientation = a.orientation;
    b.modelMatrix = a.modelMatrix;
    b.applyMove();
    battle.TheWorld->drawAndCollide();
    const int hitsBefore = battleStats.hitsThisFrame;
    battle.TheWorld->drawAndCollide();
    EXPECT_EQ(a.state, ShipDying);
    EXPECT_EQ(b.state, ShipDying);
    EXPECT_GE(battleStats.hitsThisFrame - hitsBefore, 2);
    for (size_t i = 2; i < ships.size(); ++i) {
        EXPECT_EQ(ships[i]->state, ShipAlive);
    }
}

}  // namespace
