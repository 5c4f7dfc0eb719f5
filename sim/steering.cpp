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

// How the autopilot starts a maneuver on one control. The limits are doubles:
// the draws are compared, and the boost added, in double precision.
struct ManeuverStart {
    int control;       // the control switched on
    double weakLimit;  // a drawn command up to this strength...
    double boost;      // ...gains this much on a coin toss
    double upChance;   // chance of the positive direction
    int upManeuver;    // maneuver of the positive direction (angle counts up from 0)
    int downManeuver;  // maneuver of the negative direction (angle counts down from 360)
};

// Roll: either direction alike. Pitch: mostly down (the nose drops).
constexpr ManeuverStart RollStart = {0, 0.35, 0.65, 0.5, ManeuverRollUp, ManeuverRollDown};
constexpr ManeuverStart PitchStart = {1, 0.25, 0.75, 0.2, ManeuverPitchUp, ManeuverPitchDown};

// Switches the control on with a random strength, direction and end angle
// (two to four draws: strength, the coin toss for a weak one, direction, end).
void startManeuver(Ship& ship, const ManeuverStart& m) {
    const int i = m.control;
    ship.switches[i] = 1;
    const float c = randomFraction();
    ship.commands[i] = c;
    if (c <= m.weakLimit) {
        if (randomFraction() > 0.5) {
            ship.commands[i] = static_cast<float>(ship.commands[i] + m.boost);
        }
    }
    if (randomFraction() < m.upChance) {
        ship.angles[i] = 0.0f;
        ship.maneuver = m.upManeuver;
    } else {
        ship.commands[i] = -ship.commands[i];
        ship.angles[i] = 360.0f;
        ship.maneuver = m.downManeuver;
    }
    ship.targetAngles[i] = randomFraction() * 359.0f + 1.0f;
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
            startManeuver(ship, RollStart);
        }
        if (randomFraction() < ship.pitchChance && ship.controlCount > 1) {
            startManeuver(ship, PitchStart);
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
