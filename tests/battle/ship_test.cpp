// Ships: construction, per-frame update, steering controls, autopilot, the
// explosion life cycle of a dying ship.
#include <gtest/gtest.h>

#include <memory>

#include "battle_test_util.h"
#include "sim/shot.h"
#include "sim/steering.h"
#include "weapons/gun.h"

using namespace battletest;

namespace {

// Sides defined, rates scaled for a 31 ms frame, no world.
void setUpRates() {
    defineSides();
    battle.FrameTimeMicros = 31000;
    simulationStep();  // no world: only the rates and the shot pool
}

std::unique_ptr<Ship> makeShip(int side) { return std::unique_ptr<Ship>(new Ship(FleetSides[side])); }

void noAutopilot(Ship&) {}

TEST(ShipTest, ConstructionFromTheSideRecord) {
    defineSides();
    const std::uint32_t before = randomState();
    std::unique_ptr<Ship> s = makeShip(1);
    // The two explosion effects draw once each; the ship itself draws nothing.
    std::uint32_t expected = before;
    for (int i = 0; i < 2; ++i) {
        expected = expected * 214013u + 2531011u;
    }
    EXPECT_EQ(randomState(), expected);
    EXPECT_EQ(s->controls[0], &rollControl);
    EXPECT_EQ(s->controls[1], &pitchControl);
    ASSERT_EQ(s->batteryCount, 1);
    GunBattery& battery = static_cast<ShipGuns*>(s->armament)->battery(0);
    EXPECT_EQ(battery.gunCount, 4);
    EXPECT_EQ(battery.volleySize, 4);
    EXPECT_EQ(battery.gun(0).hasMountOrientation, 1);  // converging guns
    EXPECT_EQ(battery.gun(0).shipPosition, &s->position);
    EXPECT_EQ(s->coordinate(0), 0.0f);
    s->position = Vector3{1.0f, 2.0f, 3.0f};
    EXPECT_EQ(s->coordinate(0), 1.0f);
    EXPECT_EQ(s->coordinate(1), 2.0f);
    EXPECT_EQ(s->coordinate(2), 3.0f);
    EXPECT_EQ(s->coordinate(3), 0.0f);
    EXPECT_EQ(&s->getPosition(), &s->position);
}

TEST(ShipTest, UpdateFliesAlongTheTurnedNose) {
    setUpRates();
    std::unique_ptr<Ship> s = makeShip(0);
    s->autopilot = noAutopilot;
    s->update();
    EXPECT_NEAR(s->position.x, 3.906f, 1e-5f);
    EXPECT_EQ(s->position.y, 0.0f);
    EXPECT_EQ(s->modelMatrix.m[12], s->position.x);

    // A roll in the same update does not move the nose; a pitch turns it first.
    s->switches[1] = 1;
    s->commands[1] = 1.0f;
    const Vector3 before = s->position;
    s->update();
    EXPECT_NEAR(s->turnZ, 1.86f, 1e-6f);
    EXPECT_NEAR(s->drag, 0.11f * 3.906f, 1e-6f);
    Vector3 nose;
    matRotate(s->modelMatrix, {1, 0, 0}, nose);
    Vector3 moved;
    vecSub(moved, s->position, before);
    const float travel = 3.906f - 0.11f * 3.906f;
    EXPECT_NEAR(moved.x, nose.x * travel, 1e-4f);
    EXPECT_NEAR(moved.y, nose.y * travel, 1e-4f);
    EXPECT_NEAR(moved.z, nose.z * travel, 1e-4f);
}

TEST(ShipTest, ASideOneShipPlacedAndUpdatedMovesTowardsMinusX) {
    setUpRates();
    fleetPlacement.total = 12;
    resetPlacement(fleetPlacement);
    std::unique_ptr<Ship> s = makeShip(1);
    for (int i = 0; i < 8; ++i) {
        placeShip(fleetPlacement, i, *s);  // the cursor reaches side 1 at i = 7
        if (i < 7) {
            s->orientation = Quaternion{0, 0, 0, 1};
        }
    }
    s->autopilot = noAutopilot;
    const float x = s->position.x;
    s->update();
    EXPECT_NEAR(s->position.x - x, -5.115f, 1e-3f);
}

TEST(SteeringTest, ControlIncrementsAndAngleWrap) {
    setUpRates();
    std::unique_ptr<Ship> s = makeShip(0);
    rollControl(*s, 1.0f);
    EXPECT_NEAR(s->turnX, 0.93f, 1e-6f);
    EXPECT_NEAR(s->angles[0], 0.93f, 1e-6f);
    pitchControl(*s, -1.0f);
    EXPECT_NEAR(s->turnZ, -1.86f, 1e-6f);
    EXPECT_NEAR(s->drag, 0.43f, 0.001f);  // |command| counts, not the direction
    EXPECT_NEAR(s->angles[1], 360.0f - 1.86f, 1e-4f);
    yawControl(*s, 1.0f);
    EXPECT_EQ(s->turnY, 0.0f);  // no side has a yaw rate

    s->angles[0] = 360.0f;
    rollControl(*s, -1.0f);
    EXPECT_NEAR(s->angles[0], 359.07f, 1e-4f);  // 360 itself is not wrapped
    s->angles[0] = 359.5f;
    rollControl(*s, 1.0f);
    EXPECT_NEAR(s->angles[0], 0.43f, 1e-4f);
    EXPECT_EQ(wrapAngle(-10.0f), 350.0f);
    EXPECT_EQ(wrapAngle(370.0f), 10.0f);
    EXPECT_EQ(wrapAngle(360.0f), 360.0f);
}

TEST(AutopilotTest, FirstDecisionComesOnTheSeventhFrame) {
    setUpRates();
    std::unique_ptr<Ship> s = makeShip(0);
    for (int frame = 1; frame <= 6; ++frame) {
        const std::uint32_t before = randomState();
        autopilot(*s);
        // Only the trigger draw.
        EXPECT_EQ(randomState(), before * 214013u + 2531011u) << frame;
        EXPECT_EQ(s->maneuverTimer, static_cast<float>(frame));
    }
    autopilot(*s);
    EXPECT_EQ(s->maneuverTimer, 0.0f);  // decided
}

TEST(AutopilotTest, StartsARollWithTheDrawnCommandDirectionAndTarget) {
    setUpRates();
    std::unique_ptr<Ship> s = makeShip(0);
    s->maneuverTimer = 6.0f;
    // Roll start (u < 0.15), weak command (c <= 0.35) boosted (u > 0.5), counting
    // down (u >= 0.5), any target; no pitch (u >= 0.1); no trigger.
    const std::uint32_t state = seedWhere([] {
        if (!(randomFraction() < 0.15f)) return false;
        const float c = randomFraction();
        if (!(c <= 0.35)) return false;
        if (!(randomFraction() > 0.5)) return false;
        if (!(randomFraction() >= 0.5)) return false;
        randomFraction();
        if (!(randomFraction() >= 0.1f)) return false;
        return randomFraction() >= 0.08;
    });
    const std::vector<float> u = fractionsFrom(state, 7);
    autopilot(*s);
    EXPECT_EQ(s->switches[0], 1);
    EXPECT_EQ(s->maneuver, ManeuverRollDown);
    EXPECT_EQ(s->commands[0], -static_cast<float>(u[1] + 0.65));
    EXPECT_EQ(s->angles[0], 360.0f);
    EXPECT_EQ(s->targetAngles[0], u[4] * 359.0f + 1.0f);
    EXPECT_EQ(s->switches[1], 0);
    EXPECT_EQ(s->switches[2], 0);
    EXPECT_EQ(randomState(), [&] {
        std::uint32_t x = state;
        for (int i = 0; i < 7; ++i) x = x * 214013u + 2531011u;
        return x;
    }());
}

TEST(AutopilotTest, StartsAPitchWithItsOwnBoostAndDirectionChance) {
    setUpRates();
    std::unique_ptr<Ship> s = makeShip(0);
    s->maneuverTimer = 6.0f;
    // No roll (u >= 0.15), pitch (u < 0.1), weak command (c <= 0.25) boosted
    // (u > 0.5), counting down (u >= 0.2, which a roll would count up with),
    // any target; no trigger.
    const std::uint32_t state = seedWhere([] {
        if (!(randomFraction() >= 0.15f)) return false;
        if (!(randomFraction() < 0.1f)) return false;
        if (!(randomFraction() <= 0.25)) return false;
        if (!(randomFraction() > 0.5)) return false;
        const float direction = randomFraction();
        if (!(direction >= 0.2 && direction < 0.5)) return false;
        randomFraction();
        return randomFraction() >= 0.08;
    });
    const std::vector<float> u = fractionsFrom(state, 7);
    autopilot(*s);
    EXPECT_EQ(s->switches[0], 0);
    EXPECT_EQ(s->switches[1], 1);
    EXPECT_EQ(s->maneuver, ManeuverPitchDown);
    EXPECT_EQ(s->commands[1], -static_cast<float>(u[2] + 0.75));
    EXPECT_EQ(s->angles[1], 360.0f);
    EXPECT_EQ(s->targetAngles[1], u[5] * 359.0f + 1.0f);
}

TEST(AutopilotTest, ARollAndAPitchTogetherLeaveThePitchAsManeuver) {
    setUpRates();
    std::unique_ptr<Ship> s = makeShip(0);
    s->maneuverTimer = 6.0f;
    seedWhere([] {
        if (!(randomFraction() < 0.15f)) return false;
        if (!(randomFraction() > 0.35)) return false;  // strong roll, no extra draw
        randomFraction();
        randomFraction();
        if (!(randomFraction() < 0.1f)) return false;  // pitch
        if (!(randomFraction() > 0.25)) return false;  // strong pitch
        return randomFraction() < 0.2;                 // counting up
    });
    autopilot(*s);
    EXPECT_EQ(s->switches[0], 1);
    EXPECT_EQ(s->switches[1], 1);
    EXPECT_EQ(s->maneuver, ManeuverPitchUp);
    EXPECT_EQ(s->angles[1], 0.0f);
    EXPECT_GT(s->commands[1], 0.0f);
}

TEST(AutopilotTest, FinishedManeuversShiftTheChancesAndTheNextDecision) {
    setUpRates();
    std::unique_ptr<Ship> s = makeShip(0);
    // A roll counting up that has passed its target.
    s->maneuver = ManeuverRollUp;
    s->switches[0] = 1;
    s->commands[0] = 0.5f;
    s->angles[0] = 100.0f;
    s->targetAngles[0] = 90.0f;
    s->maneuverTimer = 20.0f;
    autopilot(*s);
    EXPECT_EQ(s->switches[0], 0);
    EXPECT_EQ(s->maneuver, ManeuverRollEnded);
    EXPECT_EQ(s->maneuverTimer, 0.0f);

    // The next call shifts the chances and decides at once (timer 7 + 1).
    seedWhere([] { return randomFraction() >= 0.15f && randomFraction() >= 0.3f; });
    autopilot(*s);
    EXPECT_NEAR(s->rollChance, 0.10f, 1e-7f);
    EXPECT_NEAR(s->pitchChance, 0.2f, 1e-7f);
    EXPECT_EQ(s->maneuverTimer, 0.0f);

    // A finished pitch shifts them back; the decision then waits.
    s->maneuver = ManeuverPitchEnded;
    autopilot(*s);
    EXPECT_NEAR(s->rollChance, 0.15f, 1e-7f);
    EXPECT_NEAR(s->pitchChance, 0.1f, 1e-7f);
    EXPECT_EQ(s->maneuverTimer, 1.0f);
}

TEST(AutopilotTest, AZeroCommandEndsByTheAngleBelowTargetTest) {
    setUpRates();
    std::unique_ptr<Ship> s = makeShip(0);
    s->maneuver = ManeuverPitchDown;
    s->switches[1] = 1;
    s->commands[1] = 0.0f;
    s->angles[1] = 10.0f;
    s->targetAngles[1] = 20.0f;
    autopilot(*s);
    EXPECT_EQ(s->switches[1], 0);
    EXPECT_EQ(s->maneuver, ManeuverPitchEnded);
}

TEST(AutopilotTest, SixtyFramesStopTheTestButNotTheControl) {
    setUpRates();
    std::unique_ptr<Ship> s = makeShip(0);
    s->maneuver = ManeuverRollUp;
    s->switches[0] = 1;
    s->commands[0] = 0.5f;
    s->angles[0] = 10.0f;
    s->targetAngles[0] = 300.0f;
    s->maneuverTimer = 59.0f;
    autopilot(*s);
    EXPECT_EQ(s->maneuver, ManeuverNone);
    EXPECT_EQ(s->switches[0], 1);
}

TEST(AutopilotTest, TriggerIsTheFirstBatteryWord) {
    setUpRates();
    std::unique_ptr<Ship> s = makeShip(0);
    seedWhere([] { return randomFraction() < 0.08; });
    autopilot(*s);
    EXPECT_EQ(s->switches[2] & 2, 2);
    EXPECT_EQ(s->switches[0], 0);
    EXPECT_EQ(s->switches[1], 0);
}

TEST(ShipTest, BatteryFiresUntilTheVolleyIsOverButNotWhileDying) {
    setUpRates();
    std::unique_ptr<Ship> s = makeShip(0);
    s->autopilot = noAutopilot;
    s->switches[2] = 2;
    const int before = shotPool().activeCount();
    for (int frame = 0; frame < 9; ++frame) {
        s->update();
    }
    EXPECT_EQ(shotPool().activeCount() - before, 6);  // three salvos of two
    EXPECT_EQ(s->switches[2], 0);

    s->switches[2] = 2;
    s->hit(0);
    s->update();
    EXPECT_EQ(shotPool().activeCount() - before, 6);
    EXPECT_EQ(s->switches[2], 2);  // the request stays pending
}

TEST(ShipTest, HitStartsBothEffectsAndASecondHitKeepsTheShipDying) {
    setUpRates();
    std::unique_ptr<Ship> s = makeShip(0);
    battleStats.hitsThisFrame = 0;
    s->hit(50);
    EXPECT_EQ(s->state, ShipDying);
    EXPECT_EQ(s->flags & ShipFlagDying, ShipFlagDying);
    EXPECT_EQ(s->fireball.holdFrames, 25);
    EXPECT_EQ(s->fireball.style, ExplosionStyleDebris);
    EXPECT_EQ(s->fireball.color[2], 0.4f);
    EXPECT_EQ(s->flare.holdFrames, 4);
    EXPECT_EQ(s->flare.style, ExplosionStyleGlow);
    EXPECT_EQ(s->flare.shellSpeed[0], 10.5f);
    s->explosionFrames = 3;
    s->hit(50);
    EXPECT_EQ(s->state, ShipDying);
    EXPECT_EQ(s->explosionFrames, 0);
    EXPECT_EQ(battleStats.hitsThisFrame, 2);
}

TEST(ShipTest, VisibleExplosionRestartsTheFlareOnlyWhileYoung) {
    setUpRates();
    ScopedGfx g;
    std::unique_ptr<Ship> s = makeShip(0);
    s->hit(0);
    // Camera planes are zero before the first tick: everything counts as visible.
    s->draw();
    EXPECT_EQ(s->flare.frame, 0);  // not drawn on the first explosion frame
    EXPECT_EQ(s->fireball.frame, 1);
    int flareStarts = 0;
    int lastFlareFrame = 0;
    for (int n = 1; n < 30 && s->state == ShipDying; ++n) {
        s->draw();
        if (s->flare.frame < lastFlareFrame) {
            ++flareStarts;
            EXPECT_EQ(n, 9) << "the flare ends on its 9th draw, at dying frame 10";
        }
        lastFlareFrame = s->flare.frame;
    }
    EXPECT_EQ(flareStarts, 1);  // ended again at frame 19: not restarted
    EXPECT_EQ(s->state, ShipFinished);
    EXPECT_EQ(s->fireball.frame, 30);
    EXPECT_EQ(s->deathFrames, 30);
}

TEST(ShipTest, OffScreenDyingShipFinishesAfter25Frames) {
    setUpRates();
    std::unique_ptr<Ship> s = makeShip(0);
    // A plane that no sphere reaches.
    camera().viewVolume.planes[0][3] = -1.0e9f;
    s->hit(0);
    for (int i = 1; i <= 24; ++i) {
        s->draw();
        EXPECT_EQ(s->state, ShipDying) << i;
    }
    s->draw();
    EXPECT_EQ(s->state, ShipFinished);
    EXPECT_EQ(s->fireball.frame, 0);  // never advanced
}

TEST(ShipTest, DrawCallsTheCockpitListWhileTheViewerSitsInIt) {
    setUpRates();
    ScopedGfx g;
    std::unique_ptr<Ship> s = makeShip(1);
    s->draw();
    s->flags |= ShipFlagCockpit;
    s->draw();
    ASSERT_EQ(g.gfx.lists.size(), 2u);
    EXPECT_EQ(g.gfx.lists[0], 3);
    EXPECT_EQ(g.gfx.lists[1], 4);
    EXPECT_EQ(g.gfx.calls[0], "pushMult");
    EXPECT_EQ(g.gfx.calls[2], "pop");
}

}  // namespace
