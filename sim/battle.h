// The single running battle: its process-wide values, the battle build with
// its restart rule, the simulation step and the drawing walk.
//
// Units: FrameTimeMicros in microseconds; speeds in units per microsecond and
// turn rates in degrees per microsecond, scaled once per frame to units and
// degrees per frame.
//
// Hosts drive every frame through the saver module (host/common/saver.h),
// which keeps the frame order (docs/architecture.md). Collisions and hits are
// found while ships and shots are drawn, so every painter makes the drawing
// walk; drawBattle() is that walk alone, the painter of a run without GL.
#ifndef HALVORN_SIM_BATTLE_H
#define HALVORN_SIM_BATTLE_H

#include <cstdint>

#include "sim/math3d.h"

class World;

// Number of fleet sides the tables have room for.
constexpr int MaxSides = 2;

// Steps after which a battle restarts at the latest.
constexpr int BattleMaxFrames = 7200;

// Largest number of additional ships a battle is built with.
constexpr int MaxAdditionalShips = 300;

struct BattleGlobals {
    int FrameCounter;                        // steps since the last (re)build
    int FrameTimeMicros;                     // last frame's length, microseconds (host-written)
    float ShotAgeStep;                       // FrameTimeMicros * 0.00108: a shot's flight this frame
    int SideCount;                           // sides defined so far (2 after first-time setup)
    float SideTurnRates[MaxSides][7];        // degrees per microsecond per unit of command
    float SideScaledTurnRates[MaxSides][6];  // degrees per frame per unit of command
    Vector3 SideSpeeds[MaxSides];            // x: forward speed, units per microsecond
    Vector3 SideScaledSpeeds[MaxSides];      // x: forward distance this frame, units
    int FleetSize;                           // N = additional ships + 12
    int RestartThreshold;                    // N / 2.8, truncated
    int ShipCountShown;                      // world's ship count taken at each step
    World* TheWorld;                         // owned; null before the first build
    int FirstStart;                          // 1 until the first startBattle
    unsigned ShipsMade;                      // ships constructed since start-up (serials)

    // Frees the world and sets every value to its program-start state.
    void reset();
};

extern BattleGlobals battle;

// What the battle counts for tests, traces and benchmarks. Nothing in the
// battle reads these. (ShipsMade above is no statistic: it hands every ship
// its serial, the identity traces and the determinism hash know it by, so it
// runs on across battles and is reset only with the battle's own values.)
struct BattleStatistics {
    int hitsThisFrame;             // Ship::hit calls since the last simulationStep began
    std::uint64_t testModelCalls;  // collision queries run, all frames together

    // Both to 0, as at program start.
    void reset();
};

extern BattleStatistics battleStats;

// The simulation's share of the start-up, initBattleProcess()
// (view/battle_process.h), which is what hosts and tests call: the battle
// values (freeing any world) and statistics, the fleet sides, generator
// state := 1, the shot pool (two draws), the fleet placement cursors := 0 and
// the layout orientations := identity.
void resetSimulation();

// Stops the program: `what`, a part of the process state that
// initBattleProcess() makes, was used before it. The message says so and how
// to fix it ("call initBattleProcess() first"). The check stays on in every
// build: it is one pointer compare, and going on would dereference null.
[[noreturn]] void missingStartUp(const char* what);

// First call: defines the fleet layout and both sides; every call: buildBattle().
void startBattle();

// Tells the view a build begins, throws the old world away and builds a new
// one (exit status 2 when it cannot be built), then the scene setup, the
// camera's start view (through the view's hooks) and the display lists.
void buildBattle();

// One simulation step: scaled rates, restart rule, clear, shots, ships.
void simulationStep();

// The drawing walk alone: the view's drawing begins (billboard axes), then
// World::drawAndCollide() (ships with their collisions) and
// World::resolveShotHits() (shots with their hits).
void drawBattle();

#endif
