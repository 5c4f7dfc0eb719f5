// The battle's process-wide values, build, restart rule and frame order; see battle.h.
#include "sim/battle.h"

#include <cstdio>
#include <cstdlib>
#include <new>

#include "sim/battle_hooks.h"
#include "sim/fleet.h"
#include "sim/gfx.h"
#include "sim/random.h"
#include "sim/settings.h"
#include "sim/shot.h"
#include "sim/world.h"

BattleGlobals battle = {};
BattleStatistics battleStats = {};

namespace {

// Ships every battle has beyond the additional ones, less the first ship.
constexpr int BaseFleetSize = 12;

}  // namespace

void BattleGlobals::reset() {
    delete TheWorld;
    TheWorld = nullptr;
    FrameCounter = 0;
    FrameTimeMicros = 0;
    ShotAgeStep = 0.0f;
    SideCount = 0;
    for (int s = 0; s < MaxSides; ++s) {
        for (int j = 0; j < 7; ++j) {
            SideTurnRates[s][j] = 0.0f;
        }
        for (int j = 0; j < 6; ++j) {
            SideScaledTurnRates[s][j] = 0.0f;
        }
        SideSpeeds[s] = Vector3{0.0f, 0.0f, 0.0f};
        SideScaledSpeeds[s] = Vector3{0.0f, 0.0f, 0.0f};
    }
    FleetSize = 0;
    RestartThreshold = 0;
    ShipCountShown = 0;
    FirstStart = 1;
    ShipsMade = 0;
}

void BattleStatistics::reset() {
    hitsThisFrame = 0;
    testModelCalls = 0;
}

void resetSimulation() {
    battle.reset();
    battleStats.reset();
    for (int s = 0; s < MaxSides; ++s) {
        FleetSides[s] = FleetSide();
    }
    randomSeed(1u);
    // The shot pool draws from the unseeded generator (before the camera does).
    resetShotPool();
    fleetPlacement.total = 0;
    fleetPlacement.layout = &fleetLayout;
    resetPlacement(fleetPlacement);
    for (int s = 0; s < MaxSides; ++s) {
        quatFromAngles(fleetLayout.orientations[s], 0.0f, 0.0f, 0.0f);
    }
}

void missingStartUp(const char* what) {
    std::fprintf(stderr, "%s used before the battle's start-up: call initBattleProcess() first\n", what);
    std::abort();
}

void startBattle() {
    if (battle.FirstStart != 0) {
        battle.FirstStart = 0;
        setUpFleetLayout();
        defineFirstSide();
        defineSecondSide();
    }
    buildBattle();
}

void buildBattle() {
    BattleView& view = battleView();
    view.battleBuildBegins();
    if (battle.TheWorld != nullptr) {
        battle.TheWorld->clear();
        delete battle.TheWorld;
        battle.TheWorld = nullptr;
    }
    resetPlacement(fleetPlacement);
    // A hand-edited profile may hold any number: keep the fleet within 0 to 300.
    int additional = settings.HVNumberAdditionalShips;
    if (additional < 0) {
        additional = 0;
    } else if (additional > MaxAdditionalShips) {
        additional = MaxAdditionalShips;
    }
    const int n = additional + BaseFleetSize;
    battle.FleetSize = n;
    fleetPlacement.total = n;
    World* world = new (std::nothrow) World();
    if (world == nullptr) {
        std::exit(2);
    }
    battle.TheWorld = world;
    world->build(n);
    if (world->failed != 0) {
        std::exit(2);
    }
    battle.RestartThreshold = static_cast<int>(n / 2.8);

    gfx().sceneSetup();
    if (settings.HVIsRandStartView != 0) {
        view.chooseView();
    } else {
        view.startOrbit();
    }
    gfx().compileLists();
}

void simulationStep() {
    battleStats.hitsThisFrame = 0;
    battle.FrameCounter += 1;

    const float dt = static_cast<float>(battle.FrameTimeMicros);
    const int sides = battle.SideCount < MaxSides ? battle.SideCount : MaxSides;
    for (int s = 0; s < sides; ++s) {
        battle.SideScaledSpeeds[s].x = dt * battle.SideSpeeds[s].x;
        for (int j = 0; j < 6; ++j) {
            battle.SideScaledTurnRates[s][j] = dt * battle.SideTurnRates[s][j];
        }
    }
    battle.ShotAgeStep = static_cast<float>(battle.FrameTimeMicros * 0.00108);

    World* world = battle.TheWorld;
    battle.ShipCountShown = world != nullptr ? world->count : 0;

    // Restart rule: too few ships left (after the previous step's removals), or
    // the battle has run its 7200 steps. Without a battle there is nothing to restart.
    if (world != nullptr && (world->count < battle.RestartThreshold || battle.FrameCounter > BattleMaxFrames)) {
        battle.FrameCounter = 0;
        buildBattle();
        battleView().chooseView();
    }

    gfx().clearFrame();
    shotPool().step();
    if (battle.TheWorld != nullptr) {
        battle.TheWorld->step();
    }
}

void drawBattle() {
    battleView().drawingBegins();
    if (battle.TheWorld != nullptr) {
        battle.TheWorld->drawAndCollide();
        battle.TheWorld->resolveShotHits();
    }
}
