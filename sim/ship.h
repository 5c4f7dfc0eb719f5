// Ship: an Item built from a fleet side record. It turns by its steering
// controls, flies forward along its own +x axis at its side's speed, fires its
// gun batteries, and dies at the first hit: alive (1) -> hit -> dying (2) ->
// explosion over -> finished (0) -> removed by the world's next step.
#ifndef HALVORN_SIM_SHIP_H
#define HALVORN_SIM_SHIP_H

#include "sim/item.h"

class Armament;
struct FleetSide;
class Ship;

// Flag bits of Ship::flags.
constexpr int ShipFlagCockpit = 4;   // draw the cockpit variant (display list + 1)
constexpr int ShipFlagFollowed = 8;  // the camera follows this ship
constexpr int ShipFlagDying = 16;    // exploding

// Ship states.
constexpr int ShipFinished = 0;
constexpr int ShipAlive = 1;
constexpr int ShipDying = 2;

// Most steering controls a ship holds, and entries of its switch array.
constexpr int MaxControls = 6;
constexpr int MaxSwitches = 7;

// A steering control: the ship and this frame's command.
using ControlFunction = void (*)(Ship& ship, float command);

// The autopilot routine, run first in every update.
using AutopilotFunction = void (*)(Ship& ship);

class Ship : public Item {
public:
    // Builds a ship of side record side at the origin, alive, facing +x. Draws
    // no random numbers beyond the two of its Item part.
    explicit Ship(const FleetSide& side);
    ~Ship() override;

    // Explodes (the value is ignored): dying, both effects (re)started.
    void hit(int value) override;

    // Operations that do nothing. They stay for their places in the class's
    // documented virtual interface (after hit, before draw); nothing calls them.
    virtual void idleA();
    virtual void idleB();

    // Refreshes the collision transform; when visible draws the ship or
    // advances its explosion; finishes a dying ship whose explosion has ended.
    virtual void draw();

    // Puts the ship at a random point of a box that grows with n (three draws).
    virtual void scatter(int n);

    // One frame: autopilot, controls, turn, forward move, batteries.
    void update();

    // The spare* fields stay because the ship record's documented layout has
    // them; nothing reads them (construction fills them, update clears
    // spareTurns).
    int buildFailed;      // 1 when the batteries could not be allocated
    int spareInts[6];     // 0; unused
    int state;            // ShipAlive, ShipDying or ShipFinished
    int maneuver;         // autopilot state
    float maneuverTimer;  // autopilot frame timer
    int flags;            // ShipFlag bits
    int strength;         // 100; handed to a shot that hits the ship
    float rollChance;     // autopilot chance of starting a roll
    float pitchChance;    // autopilot chance of starting a pitch
    float spareFloat;     // copied from the side record; unused
    int displayList;      // display list drawing the ship
    float viewRadius;     // radius for the view-volume test, units
    float turnZ;          // this frame's turn about the ship's z axis, degrees
    float turnX;          // ... about its x axis, degrees
    float turnY;          // ... about its y axis, degrees
    float spareTurns[3];  // cleared every update; unused
    float drag;           // this frame's forward distance lost to pitching, units
    float dragFactor;     // from the side record
    float spareSide[2];   // copied from the side record; unused
    int spareSideInt;     // copied from the side record; unused
    int sideIndex;        // selects SideScaledSpeeds and SideScaledTurnRates
    int spareIndex;       // copied from the side record; unused
    int controlCount;     // steering controls in use
    ControlFunction controls[MaxControls];
    int switches[MaxSwitches];        // control active flags, then battery trigger words
    float commands[MaxControls];      // command value of each control
    float targetAngles[MaxControls];  // angle at which each control's maneuver ends, degrees
    float angles[MaxControls];        // accumulated angle of each control, 0 to 360 degrees
    int batteryCount;                 // gun batteries
    Armament* armament;               // owned: the batteryCount batteries; null when none
    int explosionFrames;              // frames the explosion has been drawn
    int deathFrames;                  // frames since the ship started dying
    AutopilotFunction autopilot;      // the maneuver routine
    unsigned serial;                  // battle.ShipsMade at construction: its identity in traces
};

#endif
