// Fleet sides, layout and placement; see fleet.h.
#include "sim/fleet.h"

#include <cmath>

#include "sim/hull_data.h"
#include "sim/random.h"
#include "sim/ship.h"

FleetSide FleetSides[MaxSides];
FleetLayout fleetLayout;
FleetPlacement fleetPlacement = {0, {0, 0.0f}, {0, 0.0f}, &fleetLayout};

namespace {

// Gun mounts, ship coordinates.
const Vector3 MountsA[2] = {{15.0f, -8.0f, 1.5f}, {15.0f, -8.0f, -1.5f}};
const Vector3 MountsB[4] = {
    {50.0f, 20.0f, 40.0f}, {50.0f, -20.0f, -40.0f}, {50.0f, 20.0f, -40.0f}, {50.0f, -20.0f, 40.0f}};

// Slot of the next side definition: SideCount, bounded by the tables (a third
// definition would overwrite the last side rather than run past the tables).
int nextSideSlot() {
    const int s = battle.SideCount;
    return s < 0 ? 0 : (s < MaxSides ? s : MaxSides - 1);
}

FleetSide& nextSideRecord() {
    return FleetSides[nextSideSlot()];
}

// Gives the side its index and copies its rates into the side tables.
void registerSide(FleetSide& side) {
    const int s = nextSideSlot();
    side.sideIndex = s;
    for (int j = 0; j < 6; ++j) {
        battle.SideTurnRates[s][j] = side.turnRates[j];
    }
    battle.SideTurnRates[s][6] = 0.0f;
    battle.SideSpeeds[s] = side.speed;
    battle.SideCount = s + 1;
}

// Advances a cursor at most one side: n * share[k] + n * cumulative < i.
int advanceCursor(const FleetPlacement& placement, SideCursor& cursor, int i) {
    const float n = static_cast<float>(placement.total);
    const FleetLayout& layout = *placement.layout;
    const int k = cursor.side;
    if (n * layout.shares[k] + n * cursor.share < static_cast<float>(i) && k + 1 < MaxSides) {
        cursor.share += layout.shares[k];
        cursor.side = k + 1;
    }
    return cursor.side;
}

}  // namespace

void setUpFleetLayout() {
    fleetLayout.shares[0] = 0.5f;
    fleetLayout.shares[1] = 0.5f;
    quatFromAngles(fleetLayout.orientations[0], 0.0f, 0.0f, 0.0f);
    quatFromAngles(fleetLayout.orientations[1], 180.0f, 0.0f, 0.0f);
    fleetLayout.basePositions[0] = Vector3{10.0f, 200.0f, 0.0f};
    fleetLayout.basePositions[1] = Vector3{60.0f, 200.0f, 0.0f};
    fleetPlacement.layout = &fleetLayout;
}

void defineFirstSide() {
    FleetSide& side = nextSideRecord();
    side = FleetSide();
    side.spareA = 1;
    side.spareB = 1;
    side.displayList = 1;
    side.viewRadius = 60.0f;
    side.controlCount = 2;
    const int enabled[6] = {1, 1, 0, 0, 0, 0};
    const float rates[6] = {0.00003f, 0.00006f, 0.0f, 0.0f, 0.0f, 0.0f};
    for (int j = 0; j < 6; ++j) {
        side.controlEnabled[j] = enabled[j];
        side.turnRates[j] = rates[j];
    }
    side.speed = Vector3{0.000126f, 0.0f, 0.0f};
    side.dragFactor = 0.11f;
    side.spareFloats[0] = 0.0f;
    side.spareFloats[1] = 0.0f;
    side.triangleCount = HullATriangleCount;
    side.triangles = HullA;
    side.batteryCount = 1;
    GunBatteryRecord r = {};
    r.gunCount = 2;
    r.spare = 0;
    r.flags = 2;
    r.mountPositions = MountsA;
    r.range = 1800.0f;
    r.spareValue = 0.7f;
    r.shotSpeed = 0.00108f;
    r.color[0] = 0.0f;
    r.color[1] = 1.0f;
    r.color[2] = 0.0f;
    r.reloadFrames = 3;
    r.volleySize = 3;
    r.hasConvergence = 0;
    r.convergencePoint = Vector3{0.0f, 0.0f, 0.0f};
    side.batteries.assign(1, r);
    side.spareC = 1;
    side.pitchChance = 0.1f;
    side.rollChance = 0.15f;
    side.spareD = 0.0f;
    registerSide(side);
}

void defineSecondSide() {
    FleetSide& side = nextSideRecord();
    side = FleetSide();
    side.spareA = 1;
    side.spareB = 2;
    side.displayList = 3;
    side.viewRadius = 80.0f;
    side.controlCount = 2;
    const int enabled[6] = {1, 1, 0, 0, 0, 0};
    const float rates[6] = {0.000063f, 0.000045f, 0.0f, 0.0f, 0.0f, 0.0f};
    for (int j = 0; j < 6; ++j) {
        side.controlEnabled[j] = enabled[j];
        side.turnRates[j] = rates[j];
    }
    side.speed = Vector3{0.000165f, 0.0f, 0.0f};
    side.dragFactor = 0.2f;
    side.spareFloats[0] = 0.0f;
    side.spareFloats[1] = 0.0f;
    side.triangleCount = HullBTriangleCount;
    side.triangles = HullB;
    side.batteryCount = 1;
    GunBatteryRecord r = {};
    r.gunCount = 4;
    r.spare = 0;
    r.flags = 1;
    r.mountPositions = MountsB;
    r.range = 2100.0f;
    r.spareValue = 1.0f;
    r.shotSpeed = 0.00108f;
    r.color[0] = 1.0f;
    r.color[1] = 0.0f;
    r.color[2] = 0.0f;
    r.reloadFrames = 5;
    r.volleySize = 4;
    r.hasConvergence = 1;
    r.convergencePoint = Vector3{1260.0f, 0.0f, 0.0f};
    side.batteries.assign(1, r);
    side.spareC = 1;
    side.pitchChance = 0.1f;
    side.rollChance = 0.1f;
    side.spareD = 0.0f;
    registerSide(side);
}

void resetPlacement(FleetPlacement& placement) {
    placement.choice = SideCursor{0, 0.0f};
    placement.positioning = SideCursor{0, 0.0f};
}

int chooseSide(FleetPlacement& placement, int i) {
    return advanceCursor(placement, placement.choice, i);
}

void placeShip(FleetPlacement& placement, int i, Ship& ship) {
    const int k = advanceCursor(placement, placement.positioning, i);
    const FleetLayout& layout = *placement.layout;

    // The side's facing turns the box's growth direction (-1, -1, -1).
    Matrix4 turn;
    matIdentity(turn);
    quatToMatrix(layout.orientations[k], turn);
    Vector3 v = {-1.0f, -1.0f, -1.0f};
    matRotate(turn, v, v);

    quatPreMultiply(ship.orientation, layout.orientations[k]);
    quatToMatrix(ship.orientation, ship.modelMatrix);

    const double n = placement.total > 0 ? static_cast<double>(placement.total) : 0.0;
    const Vector3& base = layout.basePositions[k];
    const float u1 = randomFraction();
    const float u2 = randomFraction();
    const float u3 = randomFraction();
    ship.position.x = static_cast<float>(u1 * (std::sqrt(2.8 * n) * 90.0) * v.x + base.x);
    ship.position.y = static_cast<float>(u2 * (std::sqrt(2.5 * n) * 80.0) * v.y + base.y);
    ship.position.z = static_cast<float>(u3 * (std::sqrt(2.5 * n) * 75.0) * -1.0 + base.z);
}
