// Fleet sides and ship classes: the two side records with all their values,
// the fleet layout (shares, facings, start boxes) and the placement steps that
// choose each new ship's side and put it in its side's start box.
#ifndef HALVORN_SIM_FLEET_H
#define HALVORN_SIM_FLEET_H

#include <vector>

#include "sim/battle.h"
#include "sim/math3d.h"

class Ship;

// The spare* fields of both records stay because the records' documented
// layout has them; nothing decides anything by them (the ship and its guns
// copy some of them into spare fields of their own, equally unread).

// One gun battery of a ship class.
struct GunBatteryRecord {
    int gunCount;                   // guns, one per mount
    int spare;                      // not read
    int flags;                      // low two bits: fire mode (1 sequential, 2 salvo); 4 Gun, 8 BeamGun
    const Vector3* mountPositions;  // gunCount mount points, ship coordinates
    float range;                    // distance a shot flies before it expires, units
    float spareValue;               // copied into every gun; no effect
    float shotSpeed;                // units per microsecond
    float color[3];                 // shot colour r, g, b
    int reloadFrames;               // frames to wait after a volley
    int volleySize;                 // volleys per fire request
    int hasConvergence;             // non-zero: every gun turned towards convergencePoint
    Vector3 convergencePoint;       // ship coordinates
};

// Everything a ship of one side is.
struct FleetSide {
    int spareA;                               // copied into the ship; unused
    int spareB;                               // copied into the ship; unused
    int displayList;                          // ship's display list; the cockpit variant is + 1
    float viewRadius;                         // radius for the view-volume test, units
    int controlCount;                         // steering controls
    int controlEnabled[6];                    // roll, pitch, yaw, three empty controls
    float turnRates[6];                       // degrees per microsecond per unit of command
    Vector3 speed;                            // x: forward speed, units per microsecond
    float dragFactor;                         // forward distance lost per unit of pitch command
    float spareFloats[2];                     // copied into the ship; unused
    int triangleCount;                        // rows of the collision hull
    const float (*triangles)[9];              // collision hull, rows of three vertices
    int batteryCount;                         // gun batteries per ship
    std::vector<GunBatteryRecord> batteries;  // one record per battery
    int spareC;                               // unused
    float pitchChance;                        // initial chance per decision of a pitch
    float rollChance;                         // initial chance per decision of a roll
    float spareD;                             // copied into the ship; unused
    int sideIndex;                            // SideCount when the side was defined
};

extern FleetSide FleetSides[MaxSides];

struct FleetLayout {
    float shares[MaxSides];             // fraction of the fleet given to each side
    Quaternion orientations[MaxSides];  // facing of each side's ships
    Vector3 basePositions[MaxSides];    // corner of each side's start box
};

extern FleetLayout fleetLayout;

// A walk over the sides by cumulative share.
struct SideCursor {
    int side;     // current side index
    float share;  // shares of the sides before it, summed
};

struct FleetPlacement {
    int total;               // fleet size N of the build
    SideCursor choice;       // cursor of chooseSide
    SideCursor positioning;  // cursor of placeShip
    FleetLayout* layout;     // the layout the cursors walk
};

extern FleetPlacement fleetPlacement;

// Layout of first-time setup: shares 0.5 and 0.5, side 0 facing +x from
// (10, 200, 0), side 1 turned 180 degrees about y facing -x from (60, 200, 0).
void setUpFleetLayout();

// Fills the side 0 record and its SideTurnRates and SideSpeeds; SideCount += 1.
void defineFirstSide();

// Fills the side 1 record likewise.
void defineSecondSide();

// Both cursors to (side 0, share 0); the layout orientations are kept.
void resetPlacement(FleetPlacement& placement);

// Side of placement index i: advances the choice cursor at most one side when
// n * share[side] + n * cumulative share < i.
int chooseSide(FleetPlacement& placement, int i);

// Advances the positioning cursor like chooseSide, turns the ship to its
// side's facing and puts it at a random point of the side's start box (three
// random draws: x, y, z).
void placeShip(FleetPlacement& placement, int i, Ship& ship);

#endif
