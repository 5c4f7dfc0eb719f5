// Fleet sides, layout and placement; see fleet.h.
#include "sim/fleet.h"

#include <cmath>

#include "sim/display_lists.h"
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

FleetSide& nextSideRecord() { return FleetSides[nextSideSlot()]; }

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

namespace {

// What tells the two sides apart, in the order of the side record; every
// other field is the same for both (two controls, roll and pitch enabled, one
// battery, spares as listed).
struct SideValues {
    int spareB;
    int displayList;
    float viewRadius;
    float rollRate, pitchRate;  // degrees per microsecond per unit of command
    float speed;                // units per microsecond
    float dragFactor;
    int triangleCount;
    const float (*triangles)[9];
    GunBatteryRecord battery;
    float pitchChance;
    float rollChance;
};

void defineSide(const SideValues& v) {
    FleetSide& side = nextSideRecord();
    side = FleetSide();
    side.spareA = 1;
    side.spareB = v.spareB;
    side.displayList = v.displayList;
    side.viewRadius = v.viewRadius;
    side.controlCount = 2;
    const int enabled[6] = {1, 1, 0, 0, 0, 0};
    const float rates[6] = {v.rollRate, v.pitchRate, 0.0f, 0.0f, 0.0f, 0.0f};
    for (int j = 0; j < 6; ++j) {
        side.controlEnabled[j] = enabled[j];
        side.turnRates[j] = rates[j];
    }
    side.speed = Vector3{v.speed, 0.0f, 0.0f};
    side.dragFactor = v.dragFactor;
    side.spareFloats[0] = 0.0f;
    side.spareFloats[1] = 0.0f;
    side.triangleCount = v.triangleCount;
    side.triangles = v.triangles;
    side.batteryCount = 1;
    side.batteries.assign(1, v.battery);
    side.spareC = 1;
    side.pitchChance = v.pitchChance;
    side.rollChance = v.rollChance;
    side.spareD = 0.0f;
    registerSide(side);
}

// Battery record fields: gunCount, spare, flags, mountPositions, range,
// spareValue, shotSpeed, color, reloadFrames, volleySize, hasConvergence,
// convergencePoint (side 0 leaves the point unset; it stays zero).
const SideValues FirstSide = {
    1,        ListHexWingFighter,
    60.0f,    0.00003f,
    0.00006f, 0.000126f,
    0.11f,    HullATriangleCount,
    HullA,    {2, 0, 2, MountsA, 1800.0f, 0.7f, 0.00108f, {0.0f, 1.0f, 0.0f}, 3, 3, 0, {0.0f, 0.0f, 0.0f}},
    0.1f,     0.15f};

const SideValues SecondSide = {
    2,         ListFourWingFighter,
    80.0f,     0.000063f,
    0.000045f, 0.000165f,
    0.2f,      HullBTriangleCount,
    HullB,     {4, 0, 1, MountsB, 2100.0f, 1.0f, 0.00108f, {1.0f, 0.0f, 0.0f}, 5, 4, 1, {1260.0f, 0.0f, 0.0f}},
    0.1f,      0.1f};

}  // namespace

void defineFirstSide() { defineSide(FirstSide); }

void defineSecondSide() { defineSide(SecondSide); }

void resetPlacement(FleetPlacement& placement) {
    placement.choice = SideCursor{0, 0.0f};
    placement.positioning = SideCursor{0, 0.0f};
}

int chooseSide(FleetPlacement& placement, int i) { return advanceCursor(placement, placement.choice, i); }

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
