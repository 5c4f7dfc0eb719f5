// Ships; see ship.h.
#include "sim/ship.h"

#include <cmath>
#include <new>

#include "coldet.h"
#include "sim/battle.h"
#include "sim/battle_hooks.h"
#include "sim/fleet.h"
#include "sim/gfx.h"
#include "sim/random.h"
#include "sim/steering.h"

namespace {

// Effect colours and hold times of a ship's explosion.
const float FireballColor[3] = {1.0f, 1.0f, 0.4f};
const float FlareColor[3] = {1.0f, 0.3f, 0.3f};
constexpr int FireballHoldFrames = 25;
constexpr int FlareHoldFrames = 4;
// The flare is replayed only while the explosion is younger than this, frames.
constexpr int FlareReplayFrames = 12;

ControlFunction controlFor(int index) {
    switch (index) {
    case 0:
        return rollControl;
    case 1:
        return pitchControl;
    case 2:
        return yawControl;
    default:
        return emptyControl;
    }
}

}  // namespace

Ship::Ship(const FleetSide& side)
    : buildFailed(0),
      spareInts(),
      state(ShipAlive),
      maneuver(0),
      maneuverTimer(0.0f),
      flags(0),
      strength(100),
      rollChance(side.rollChance),
      pitchChance(side.pitchChance),
      spareFloat(side.spareD),
      displayList(side.displayList),
      viewRadius(side.viewRadius),
      turnZ(0.0f),
      turnX(0.0f),
      turnY(0.0f),
      spareTurns(),
      drag(0.0f),
      dragFactor(side.dragFactor),
      spareSide{side.spareFloats[0], side.spareFloats[1]},
      spareSideInt(side.spareB),
      sideIndex(side.sideIndex),
      spareIndex(side.spareA),
      controlCount(0),
      controls(),
      switches(),
      commands(),
      targetAngles(),
      angles(),
      batteryCount(0),
      armament(nullptr),
      explosionFrames(0),
      deathFrames(0),
      autopilot(::autopilot),
      serial(battle.ShipsMade++) {
    // Controls in index order: roll, pitch, yaw, then empty ones. The side's
    // count is kept (it places the battery trigger words) but bounded by the
    // arrays; slots that no enabled control fills do nothing.
    controlCount = side.controlCount < 0 ? 0 : side.controlCount;
    if (controlCount > MaxControls) {
        controlCount = MaxControls;
    }
    for (int i = 0; i < MaxControls; ++i) {
        controls[i] = emptyControl;
    }
    int appended = 0;
    for (int j = 0; j < 6 && appended < controlCount; ++j) {
        if (side.controlEnabled[j] != 0) {
            controls[appended] = controlFor(j);
            appended += 1;
        }
    }
    // The side tables have room for MaxSides sides only.
    if (sideIndex < 0 || sideIndex >= MaxSides) {
        sideIndex = 0;
    }

    // Collision hull, rows in table order.
    if (collisionModel != nullptr) {
        for (int row = 0; row < side.triangleCount; ++row) {
            const float* t = side.triangles[row];
            collisionModel->appendTriangle(t, t + 3, t + 6);
        }
        collisionModel->buildTree();
    }

    // Batteries: their trigger words follow the control switches.
    int wantedBatteries = side.batteryCount;
    if (wantedBatteries > MaxSwitches - controlCount) {
        wantedBatteries = MaxSwitches - controlCount;
    }
    if (wantedBatteries > static_cast<int>(side.batteries.size())) {
        wantedBatteries = static_cast<int>(side.batteries.size());
    }
    if (wantedBatteries > 0) {
        armament = makeArmament(side.batteries.data(), wantedBatteries, *this);
        if (armament == nullptr) {
            buildFailed = 1;  // no batteries: the ship flies without firing
        } else {
            batteryCount = wantedBatteries;
        }
    }
}

Ship::~Ship() { delete armament; }

void Ship::hit(int) {
    battleStats.hitsThisFrame += 1;
    state = ShipDying;
    flags |= ShipFlagDying;
    explosionFrames = 0;
    fireball.color[0] = FireballColor[0];
    fireball.color[1] = FireballColor[1];
    fireball.color[2] = FireballColor[2];
    fireball.start(FireballHoldFrames);
    fireball.randomizeShellSpeeds();
    fireball.style |= ExplosionStyleDebris;
    flare.color[0] = FlareColor[0];
    flare.color[1] = FlareColor[1];
    flare.color[2] = FlareColor[2];
    flare.start(FlareHoldFrames);
    flare.setShellSpeeds();
    flare.style |= ExplosionStyleGlow;
}

void Ship::idleA() {}

void Ship::idleB() {}

void Ship::draw() {
    if (collisionModel != nullptr) {
        collisionModel->setModelMatrix(modelMatrix.m);
    }
    const float radius = static_cast<float>(deathFrames) + viewRadius;
    const bool visible = battleView().sphereVisible(position.x, position.y, position.z, radius) != 0;
    const bool dying = (flags & ShipFlagDying) != 0;
    if (visible) {
        Gfx& g = gfx();
        g.pushMultMatrix(modelMatrix.m);
        if (dying) {
            deathFrames += 1;
            if (explosionFrames != 0) {
                if (flare.draw() == 0 && explosionFrames < FlareReplayFrames) {
                    flare.start(FlareHoldFrames);
                }
            }
            explosionFrames += 1;
            if (fireball.draw() == 0) {
                state = ShipFinished;
            }
        } else {
            g.callList((flags & ShipFlagCockpit) != 0 ? displayList + 1 : displayList);
        }
        g.popMatrix();
    } else if (dying) {
        // Off screen the explosion does not advance, but the ship still finishes.
        deathFrames += 1;
        if (deathFrames >= fireball.holdFrames) {
            state = ShipFinished;
        }
    }
}

void Ship::scatter(int n) {
    const float u1 = randomFraction();
    const float u2 = randomFraction();
    const float u3 = randomFraction();
    const double side = n > 0 ? static_cast<double>(n) : 0.0;
    position.x = static_cast<float>(-60.0 - u1 * std::sqrt(2.8 * side) * 90.0);
    position.y = static_cast<float>(200.0 - u2 * std::sqrt(2.5 * side) * 80.0);
    position.z = static_cast<float>(-(u3 * std::sqrt(2.5 * side) * 75.0));
}

void Ship::update() {
    drag = 0.0f;
    turnZ = 0.0f;
    turnX = 0.0f;
    turnY = 0.0f;
    spareTurns[0] = 0.0f;
    spareTurns[1] = 0.0f;
    spareTurns[2] = 0.0f;

    if (autopilot != nullptr) {
        autopilot(*this);
    }
    for (int i = 0; i < controlCount; ++i) {
        if (switches[i] != 0) {
            controls[i](*this, commands[i]);
        }
    }

    Quaternion delta;
    quatFromAngles(delta, turnY, turnX, turnZ);
    quatPreMultiply(orientation, delta);
    quatToMatrix(orientation, modelMatrix);

    const Vector3 forward = {battle.SideScaledSpeeds[sideIndex].x - drag, 0.0f, 0.0f};
    Vector3 step;
    matRotate(modelMatrix, forward, step);
    vecAdd(pendingMove, pendingMove, step);
    applyMove();

    // A raised fire request stays up until its battery reports the volley over;
    // a dying ship holds its fire.
    for (int b = 0; b < batteryCount; ++b) {
        const int i = controlCount + b;
        if ((switches[i] & 2) != 0 && (flags & ShipFlagDying) == 0) {
            switches[i] &= armament->update(b);
        }
    }
}
