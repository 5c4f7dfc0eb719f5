// Steering controls and autopilot; see steering.h.
#include "sim/steering.h"

#include <cmath>

#include "sim/battle.h"
#include "sim/random.h"
#include "sim/ship.h"

float wrapAngle(float angle) {
    if (angle > 360.0f) {
        angle -= 360.0f;
    }
    if (angle < 0.0f) {
        angle += 360.0f;
    }
    return angle;
}

void rollControl(Ship& ship, float command) {
    const float inc = command * battle.SideScaledTurnRates[ship.sideIndex][0];
    ship.angles[0] += inc;
    ship.turnX = inc;
    ship.angles[0] = wrapAngle(ship.angles[0]);
}

void pitchControl(Ship& ship, float command) {
    const float inc = command * battle.SideScaledTurnRates[ship.sideIndex][1];
    ship.angles[1] += inc;
    ship.turnZ = inc;
    // The loss follows the raw command, not the turn it makes.
    ship.drag = std::fabs(command) * ship.dragFactor * battle.SideScaledSpeeds[ship.sideIndex].x;
    ship.angles[1] = wrapAngle(ship.angles[1]);
}

void yawControl(Ship& ship, float command) {
    const float inc = command * battle.SideScaledTurnRates[ship.sideIndex][2];
    ship.angles[2] += inc;
    ship.turnY = inc;
    ship.angles[2] = wrapAngle(ship.angles[2]);
}

void emptyControl(Ship&, float) {}

namespace {

// Starts a roll (control 0): random strength, direction and end angle.
void startRoll(Ship& ship) {
    ship.switches[0] = 1;
    const float c = randomFraction();
    ship.commands[0] = c;
    if (c <= 0.35) {
        if (randomFraction() > 0.5) {
            ship.commands[0] = static_cast<float>(ship.commands[0] + 0.65);
        }
    }
    if (randomFraction() < 0.5) {
        ship.angles[0] = 0.0f;
        ship.maneuver = ManeuverRollUp;
    } else {
        ship.commands[0] = -ship.commands[0];
        ship.angles[0] = 360.0f;
        ship.maneuver = ManeuverRollDown;
    }
    ship.targetAngles[0] = randomFraction() * 359.0f + 1.0f;
}

// Starts a pitch (control 1): random strength, direction (mostly down) and end angle.
void startPitch(Ship& ship) {
    ship.switches[1] = 1;
    const float c = randomFraction();
    ship.commands[1] = c;
    if (c <= 0.25) {
        if (randomFraction() > 0.5) {
            ship.commands[1] = static_cast<float>(ship.commands[1] + 0.75);
        }
    }
    if (randomFraction() < 0.2) {
        ship.angles[1] = 0.0f;
        ship.maneuver = ManeuverPitchUp;
    } else {
        ship.commands[1] = -ship.commands[1];
        ship.angles[1] = 360.0f;
        ship.maneuver = ManeuverPitchDown;
    }
    ship.targetAngles[1] = randomFraction() * 359.0f + 1.0f;
}

}  // namespace

void autopilot(Ship& ship) {
    // 1. A finished maneuver shifts the chances (unclamped: they drift with history).
    if (ship.maneuver == ManeuverRollEnded) {
        ship.rollChance = static_cast<float>(ship.rollChance - 0.05);
        ship.maneuver = ManeuverNone;
        ship.maneuverTimer = 7.0f;
        ship.pitchChance = static_cast<float>(ship.pitchChance + 0.1);
    } else if (ship.maneuver == ManeuverPitchEnded) {
        ship.rollChance = static_cast<float>(ship.rollChance + 0.05);
        ship.maneuver = ManeuverNone;
        ship.pitchChance = static_cast<float>(ship.pitchChance - 0.1);
    }

    // 2. A maneuver that has run 60 frames is no longer tested (its control stays on).
    ship.maneuverTimer = static_cast<float>(ship.maneuverTimer + 1.0);
    if (ship.maneuverTimer == 60.0f) {
        ship.maneuver = ManeuverNone;
    }

    if (ship.maneuver == ManeuverNone && ship.maneuverTimer >= 6.4) {
        // 3. Decide: a roll, a pitch, both or neither.
        ship.maneuverTimer = 0.0f;
        if (randomFraction() < ship.rollChance && ship.controlCount > 0) {
            startRoll(ship);
        }
        if (randomFraction() < ship.pitchChance && ship.controlCount > 1) {
            startPitch(ship);
        }
    } else if (ship.maneuver != ManeuverNone) {
        // 4. End every switched-on control that has passed its target angle.
        for (int i = 0; i < ship.controlCount; ++i) {
            if (ship.switches[i] == 0) {
                continue;
            }
            const bool finished = (ship.commands[i] > 0.0f && ship.angles[i] > ship.targetAngles[i]) ||
                                  (ship.commands[i] <= 0.0f && ship.angles[i] < ship.targetAngles[i]);
            if (finished) {
                ship.switches[i] = 0;
                ship.maneuverTimer = 0.0f;
                ship.maneuver = i == 0 ? ManeuverRollEnded : ManeuverPitchEnded;
            }
        }
    }

    // 5. Pull the first battery's trigger now and then.
    if (randomFraction() < 0.08) {
        ship.switches[ship.controlCount] |= 2;
    }
}
