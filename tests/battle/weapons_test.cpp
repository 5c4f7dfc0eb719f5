// Guns, gun batteries, shots and the shot pool.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "battle_test_util.h"
#include "coldet.h"
#include "sim/shot.h"
#include "weapons/gun.h"

using namespace battletest;

namespace {

// A stand-in for the ship a battery is attached to.
struct Mount {
    Vector3 position = {100.0f, 50.0f, -20.0f};
    Quaternion orientation = {0.0f, 0.0f, 0.0f, 1.0f};
    Matrix4 matrix;
    Mount() {
        matIdentity(matrix);
        matrix.m[12] = position.x;
        matrix.m[13] = position.y;
        matrix.m[14] = position.z;
    }
};

void freshPool() {
    initBattleProcess();
    settings.reset();
    setGfx(nullptr);
    battle.FrameTimeMicros = 31000;
    battle.ShotAgeStep = static_cast<float>(31000 * 0.00108);
}

const Vector3 MountsA[2] = {{15.0f, -8.0f, 1.5f}, {15.0f, -8.0f, -1.5f}};
const Vector3 MountsB[4] = {{50, 20, 40}, {50, -20, -40}, {50, 20, -40}, {50, -20, 40}};

TEST(BatteryTest, SalvoFiresOnFrames0And4And8) {
    freshPool();
    Mount ship;
    GunBattery b;
    b.build(2, 3, 2, 0.7f, 1800.0f, MountsA);
    b.setShotSpeed(0.00108f);
    const float green[3] = {0, 1, 0};
    b.setColor(green);
    b.volleySize = 3;
    b.attachToShip(&ship.position, &ship.orientation, &ship.matrix);
    for (int frame = 0; frame <= 8; ++frame) {
        const int before = shotPool().activeCount();
        const int result = b.update();
        const int fired = shotPool().activeCount() - before;
        const bool volley = frame == 0 || frame == 4 || frame == 8;
        EXPECT_EQ(fired, volley ? 2 : 0) << frame;
        EXPECT_EQ(result, frame == 8 ? BatteryStopFiring : BatteryKeepFiring) << frame;
    }
}

// Index of the mount a shot left from, or -1.
int mountOf(const ShotClass& shot, const Mount& ship, const Vector3* mounts, int count) {
    for (int i = 0; i < count; ++i) {
        Vector3 muzzle;
        matRotate(shot.modelMatrix, mounts[i], muzzle);
        vecAdd(muzzle, muzzle, ship.position);
        if (std::fabs(muzzle.x - shot.position.x) < 1e-3f && std::fabs(muzzle.y - shot.position.y) < 1e-3f &&
            std::fabs(muzzle.z - shot.position.z) < 1e-3f) {
            return i;
        }
    }
    return -1;
}

TEST(BatteryTest, SequentialFiresEachGunInTurnAndCarriesOn) {
    freshPool();
    Mount ship;
    GunBattery b;
    b.build(4, 5, 1, 1.0f, 2100.0f, MountsB);
    b.setShotSpeed(0.00108f);
    b.volleySize = 4;
    b.attachToShip(&ship.position, &ship.orientation, &ship.matrix);
    std::vector<int> order;
    int stopFrame = -1;
    for (int frame = 0; frame < 40 && stopFrame < 0; ++frame) {
        const int before = shotPool().activeCount();
        const int result = b.update();
        if (shotPool().activeCount() > before) {
            EXPECT_EQ(frame % 6, 0) << "one shot every reload + 1 frames";
            order.push_back(mountOf(shotPool().activeTail->shot, ship, MountsB, 4));
        }
        if (result == BatteryStopFiring) {
            stopFrame = frame;
        }
    }
    EXPECT_EQ(stopFrame, 18);
    EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 3}));
    EXPECT_EQ(b.nextGun, 0);
    // The next request, once the reload has run out, begins with gun 0 again.
    const int before = shotPool().activeCount();
    while (shotPool().activeCount() == before) {
        ASSERT_EQ(b.update(), BatteryKeepFiring);
    }
    EXPECT_EQ(mountOf(shotPool().activeTail->shot, ship, MountsB, 4), 0);
}

TEST(BatteryTest, ShotHullLengthFollowsTheSpeed) {
    GunBattery b;
    b.build(2, 3, 2, 0.7f, 1800.0f, MountsA);
    EXPECT_EQ(b.gun(0).shapeBase, 40.0f);
    b.setShotSpeed(0.00108f);
    EXPECT_NEAR(b.gun(1).shapeTip, 75.99964f, 1e-4f);
    EXPECT_EQ(b.gun(1).shapeBase, 0.0f);
    EXPECT_EQ(b.gun(0).range, 1800.0f);
    EXPECT_EQ(b.gun(1).mountPosition.z, -1.5f);
}

TEST(BatteryTest, GunKindRuleAndSilentModes) {
    freshPool();
    Mount ship;
    GunBattery beam;
    beam.build(1, 0, 8 | 2, 0.0f, 1800.0f, MountsA);  // bit 2 wins: Gun
    EXPECT_EQ(beam.gun(0).shotList, ListBolt);
    beam.build(1, 0, 8 | 1, 0.0f, 1800.0f, MountsA);
    EXPECT_EQ(beam.gun(0).shotList, ListBeam);
    EXPECT_EQ(beam.fireMode, 1);
    GunBattery none;
    none.build(2, 0, 16, 0.0f, 1800.0f, MountsA);
    EXPECT_EQ(none.gunCount, 0);
    none.attachToShip(&ship.position, &ship.orientation, &ship.matrix);
    none.fireMode = FireModeSequential;  // no guns to fire in any mode
    EXPECT_EQ(none.update(), BatteryKeepFiring);
    EXPECT_EQ(shotPool().activeCount(), 0);

    GunBattery silent;
    silent.build(2, 0, 0, 0.0f, 1800.0f, MountsA);  // mode 0: Gun, never fires
    silent.attachToShip(&ship.position, &ship.orientation, &ship.matrix);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(silent.update(), BatteryKeepFiring);
    }
    EXPECT_EQ(shotPool().activeCount(), 0);
}

TEST(GunTest, AimAtTurnsTheBarrelOntoTheConvergencePoint) {
    GunBattery b;
    const Vector3 mounts[2] = {{50, 20, 40}, {2000, 0, 0}};
    b.build(2, 5, 1, 1.0f, 2100.0f, mounts);
    b.aimAt(Vector3{1260.0f, 0.0f, 0.0f});
    const Gun& g = b.gun(0);
    ASSERT_EQ(g.hasMountOrientation, 1);
    Quaternion expected;
    const double d = 0.017453293;
    const float heading = static_cast<float>(-std::acos(1210.0 / std::sqrt(1210.0 * 1210.0 + 1600.0)) / d);
    const float elevation = static_cast<float>(
        std::acos(std::sqrt(1210.0 * 1210.0 + 1600.0) / std::sqrt(1210.0 * 1210.0 + 400.0 + 1600.0)) / d);
    EXPECT_NEAR(heading, -1.89f, 0.005f);
    EXPECT_NEAR(elevation, 0.95f, 0.005f);
    quatFromAngles(expected, heading, 0.0f, elevation);
    // The angles go through single-precision lengths; acos near 1 magnifies that.
    EXPECT_NEAR(g.mountOrientation.x, expected.x, 2e-5f);
    EXPECT_NEAR(g.mountOrientation.y, expected.y, 2e-5f);
    EXPECT_NEAR(g.mountOrientation.z, expected.z, 2e-5f);
    EXPECT_NEAR(g.mountOrientation.w, expected.w, 2e-5f);

    // The barrel's +x, seen from the ship, points along d = (1210, -20, -40).
    Matrix4 m;
    matIdentity(m);
    quatToMatrix(g.mountOrientation, m);
    Vector3 barrel;
    matRotate(m, {1, 0, 0}, barrel);
    const float len = std::sqrt(1210.0f * 1210.0f + 400.0f + 1600.0f);
    EXPECT_NEAR(barrel.x, 1210.0f / len, 1e-5f);
    EXPECT_NEAR(barrel.y, -20.0f / len, 5e-5f);
    EXPECT_NEAR(barrel.z, -40.0f / len, 5e-5f);

    // A point behind the mount leaves that gun unaimed.
    EXPECT_EQ(b.gun(1).hasMountOrientation, 0);
}

TEST(GunTest, FirePlacesTheShotAtTheMuzzleAndCatchesUpOnlyAfterSlowFrames) {
    freshPool();
    Mount ship;
    GunBattery b;
    b.build(1, 0, 2, 0.7f, 1800.0f, MountsA);
    b.setShotSpeed(0.00108f);
    const float red[3] = {1, 0, 0};
    b.setColor(red);
    b.attachToShip(&ship.position, &ship.orientation, &ship.matrix);

    battle.FrameTimeMicros = 38000;
    ASSERT_EQ(b.gun(0).fire(), 1);
    ShotClass& shot = shotPool().activeTail->shot;
    EXPECT_EQ(shot.displayList, ListBolt);
    EXPECT_EQ(shot.range, 1800.0f);
    EXPECT_EQ(shot.flightSpeed, 0.00108f);
    EXPECT_EQ(shot.color[0], 1.0f);
    EXPECT_EQ(shot.position.x, 115.0f);
    EXPECT_EQ(shot.position.y, 42.0f);
    EXPECT_EQ(shot.position.z, -18.5f);
    EXPECT_EQ(shot.coordinate(0), 115.0f);
    EXPECT_EQ(shot.velocity.x, 0.00108f);
    EXPECT_EQ(shot.age, 0.0f);

    battle.FrameTimeMicros = 38001;
    ASSERT_EQ(b.gun(0).fire(), 1);
    ShotClass& late = shotPool().activeTail->shot;
    EXPECT_NEAR(late.coordinate(0), 115.0f + 38001.0f * 0.00108f, 1e-3f);
    EXPECT_EQ(late.position.x, 115.0f);  // the fired-from point is not advanced
    EXPECT_NEAR(late.age, 38001.0f * 0.00108f, 1e-3f);
}

TEST(GunTest, ARecycledShotGetsTheHullOfItsNewGunKind) {
    freshPool();
    Mount ship;
    GunBattery bolts;
    bolts.build(1, 0, 2, 0.0f, 1800.0f, MountsA);
    bolts.setShotSpeed(0.00108f);
    bolts.attachToShip(&ship.position, &ship.orientation, &ship.matrix);
    GunBattery beams;
    beams.build(1, 0, 8 | 1, 0.0f, 1800.0f, MountsA);
    beams.setShotSpeed(0.00108f);
    beams.attachToShip(&ship.position, &ship.orientation, &ship.matrix);

    // A target 1000 units ahead: only the 1800-long beam reaches it.
    std::unique_ptr<CollisionModel3D> target(newCollisionModel3D(false));
    target->appendTriangle(0.0f, -5.0f, -5.0f, 0.0f, 5.0f, -5.0f, 0.0f, 0.0f, 5.0f);
    target->buildTree();
    Matrix4 at;
    matIdentity(at);
    at.m[12] = 1115.0f;
    at.m[13] = 42.0f;
    at.m[14] = -18.5f;
    target->setModelMatrix(at.m);

    auto fireAndRecycle = [](GunBattery& b) {
        b.gun(0).fire();
        ShotClass& s = shotPool().activeTail->shot;
        s.collisionModel->setModelMatrix(s.modelMatrix.m);
        return &s;
    };
    ShotClass* s = fireAndRecycle(bolts);
    CollisionModel3D* boltModel = s->collisionModel;
    EXPECT_FALSE(s->collisionModel->testModel(target.get()));
    s->hit(0);
    shotPool().step();

    s = fireAndRecycle(beams);
    EXPECT_EQ(s->displayList, ListBeam);
    EXPECT_NE(s->collisionModel, boltModel);
    EXPECT_TRUE(s->collisionModel->testModel(target.get()));
    CollisionModel3D* beamModel = s->collisionModel;
    s->hit(0);
    shotPool().step();

    s = fireAndRecycle(beams);  // same kind: same hull
    EXPECT_EQ(s->collisionModel, beamModel);
    s->hit(0);
    shotPool().step();

    s = fireAndRecycle(bolts);
    EXPECT_EQ(s->displayList, ListBolt);
    EXPECT_FALSE(s->collisionModel->testModel(target.get()));
    EXPECT_EQ(shotPool().size(), 1);
}

TEST(ShotTest, ShotsExpireAfter54And63Frames) {
    for (const float range : {1800.0f, 2100.0f}) {
        freshPool();
        ShotClass* s = shotPool().acquire();
        s->range = range;
        s->flightSpeed = 0.00108f;
        s->velocity = Vector3{0.00108f, 0.0f, 0.0f};
        int frames = 0;
        while (s->active != 0 && frames < 100) {
            shotPool().step();
            s->draw();
            ++frames;
        }
        EXPECT_EQ(frames, range == 1800.0f ? 54 : 63);
        EXPECT_EQ(s->age, 0.0f);  // reset on expiry
        EXPECT_NEAR(s->coordinate(0), frames * 33.48f, 0.01f);
        shotPool().step();
        EXPECT_EQ(shotPool().activeCount(), 0);
    }
}

// Walks both lists and checks links, membership and the counts.
void expectPoolConsistent(const ShotPool& pool) {
    int active = 0;
    const ShotNode* prev = nullptr;
    for (const ShotNode* n = pool.activeHead; n != nullptr; n = n->activeNext) {
        EXPECT_EQ(n->activePrev, prev);
        prev = n;
        ++active;
    }
    EXPECT_EQ(pool.activeTail, prev);
    int idle = 0;
    prev = nullptr;
    for (const ShotNode* n = pool.freeHead; n != nullptr; n = n->freeNext) {
        EXPECT_EQ(n->freePrev, prev);
        prev = n;
        ++idle;
    }
    EXPECT_EQ(pool.freeTail, prev);
    EXPECT_EQ(active, pool.activeCount());
    EXPECT_EQ(active + idle, pool.size());
}

TEST(ShotPoolTest, RecyclesInActiveOrderAndKeepsTheListsConsistent) {
    freshPool();
    ShotPool& pool = shotPool();
    EXPECT_EQ(pool.size(), 1);
    ShotClass* a = pool.acquire();  // the node made at construction
    EXPECT_EQ(&pool.first->shot, a);
    ShotClass* b = pool.acquire();
    ShotClass* c = pool.acquire();
    EXPECT_EQ(pool.size(), 3);
    EXPECT_EQ(pool.activeCount(), 3);
    EXPECT_EQ(pool.freeHead, nullptr);

    c->hit(0);
    a->hit(0);
    pool.step();
    EXPECT_EQ(pool.activeCount(), 1);
    EXPECT_EQ(&pool.activeHead->shot, b);
    EXPECT_EQ(pool.activeHead, pool.activeTail);
    EXPECT_EQ(pool.activeHead->activePrev, nullptr);
    // Free in active-list order (a before c), handed out in that order.
    expectPoolConsistent(pool);
    EXPECT_EQ(pool.acquire(), a);
    EXPECT_EQ(pool.acquire(), c);
    expectPoolConsistent(pool);
    EXPECT_EQ(pool.freeHead, nullptr);
    EXPECT_EQ(pool.freeTail, nullptr);
    EXPECT_EQ(pool.size(), 3);

    // Everything recycled, then one more shot: the active list holds just it.
    a->hit(0);
    b->hit(0);
    c->hit(0);
    pool.step();
    EXPECT_EQ(pool.activeHead, nullptr);
    EXPECT_EQ(pool.activeTail, nullptr);
    ShotClass* d = pool.acquire();
    EXPECT_EQ(d->active, 1);
    EXPECT_EQ(&pool.activeHead->shot, d);
    EXPECT_EQ(pool.activeHead, pool.activeTail);
    EXPECT_EQ(pool.activeHead->activeNext, nullptr);
    EXPECT_EQ(pool.size(), 3);
    expectPoolConsistent(pool);
}

TEST(ShotPoolTest, NearBoxIsStrictAt70Units) {
    defineSides();
    battle.FrameTimeMicros = 31000;
    std::unique_ptr<Ship> ship(new Ship(FleetSides[0]));
    ship->position = Vector3{1000.0f, 0.0f, 0.0f};
    ship->applyMove();
    ship->collisionModel->setModelMatrix(ship->modelMatrix.m);
    Mount gunShip;
    GunBattery b;
    b.build(1, 0, 2, 0.0f, 1800.0f, MountsA);
    b.setShotSpeed(0.00108f);
    b.attachToShip(&gunShip.position, &gunShip.orientation, &gunShip.matrix);
    b.gun(0).fire();
    ShotClass& shot = shotPool().activeTail->shot;

    const float offsets[] = {70.0f, -70.0f, 69.99f, -69.99f};
    for (int axis = 0; axis < 3; ++axis) {
        for (float off : offsets) {
            shot.modelMatrix.m[12] = 1000.0f + (axis == 0 ? off : 0.0f);
            shot.modelMatrix.m[13] = axis == 1 ? off : 0.0f;
            shot.modelMatrix.m[14] = axis == 2 ? off : 0.0f;
            const std::uint64_t before = battleStats.testModelCalls;
            int draw = 1;
            shotPool().hitTest(*ship, draw);
            const bool tested = battleStats.testModelCalls != before;
            EXPECT_EQ(tested, std::fabs(off) < 70.0f) << "axis " << axis << " offset " << off;
        }
    }
}

TEST(ShotPoolTest, AShotHitsEveryOverlappingShipInOnePass) {
    startTestBattle(0, 17);
    std::vector<Ship*> ships = worldShips();
    // Three ships stacked at one point far from the rest.
    for (int i = 0; i < 3; ++i) {
        ships[i]->position = Vector3{9000.0f, 0.0f, 0.0f};
        ships[i]->orientation = Quaternion{0, 0, 0, 1};
        quatToMatrix(ships[i]->orientation, ships[i]->modelMatrix);
        ships[i]->applyMove();
        ships[i]->draw();
    }
    ShotClass* shot = shotPool().acquire();
    Mount m;
    GunBattery b;
    b.build(1, 0, 2, 0.0f, 1800.0f, MountsA);
    b.setShotSpeed(0.00108f);
    m.position = Vector3{8960.0f, 8.0f, 0.0f};
    m.matrix.m[12] = 8960.0f;
    m.matrix.m[13] = 8.0f;
    m.matrix.m[14] = 0.0f;
    b.attachToShip(&m.position, &m.orientation, &m.matrix);
    shot->hit(0);
    shotPool().step();
    ASSERT_EQ(b.gun(0).fire(), 1);
    battleStats.hitsThisFrame = 0;
    battle.TheWorld->resolveShotHits();
    EXPECT_EQ(battleStats.hitsThisFrame, 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(ships[i]->state, ShipDying);
    }
    EXPECT_EQ(shotPool().activeTail->shot.active, 0);
}

}  // namespace
