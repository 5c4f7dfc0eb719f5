// Ship steering controls and the random autopilot that drives them. Both run
// inside Ship::update: first the autopilot, then every switched-on control.
// Turn increments are degrees this frame; every random fraction u is
// randomFraction(), drawn in the order the autopilot documents.
#ifndef HALVORN_SIM_STEERING_H
#define HALVORN_SIM_STEERING_H

class Ship;

// Autopilot maneuver values.
constexpr int ManeuverNone = 0;
constexpr int ManeuverRollUp = 1;     // roll, positive command, angle counts up from 0
constexpr int ManeuverRollDown = 2;   // roll, negative command, angle counts down from 360
constexpr int ManeuverPitchDown = 3;  // pitch, negative command, angle counts down from 360
constexpr int ManeuverPitchUp = 4;    // pitch, positive command, angle counts up from 0
constexpr int ManeuverRollEnded = 7;
constexpr int ManeuverPitchEnded = 8;

// angle > 360: subtract 360 once; then angle < 0: add 360 once (degrees).
float wrapAngle(float angle);

// Roll about the ship's x axis by command * scaled roll rate.
void rollControl(Ship& ship, float command);

// Pitch about the ship's z axis by command * scaled pitch rate; loses
// |command| * dragFactor * scaled speed of forward travel.
void pitchControl(Ship& ship, float command);

// Yaw about the ship's y axis by command * scaled yaw rate.
void yawControl(Ship& ship, float command);

// Does nothing.
void emptyControl(Ship& ship, float command);

// One decision step: ends finished maneuvers, may start a roll and/or a pitch
// every 6.4 frames, and pulls the first battery's trigger with chance 0.08.
void autopilot(Ship& ship);

#endif
