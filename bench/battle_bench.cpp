// battle_bench: one whole frame of the battle without GL (simulation step,
// camera tick, ship drawing with ship-against-ship contacts, shot drawing with
// shot-against-ship hits) in steady state, at 0, 100 and 300 additional ships.
// Reports microseconds per frame (the benchmark's time), shots in flight and
// collision queries per frame. The second argument selects the walk over
// candidate pairs: 1 the near grid the battle uses, 0 the plain walk over every
// pair (same hits, kept for comparison).
#include <benchmark/benchmark.h>

#include <cstdint>

#include "saver.h"
#include "sim/battle.h"
#include "sim/gfx.h"
#include "sim/shot.h"
#include "sim/world.h"

namespace {

// Frames run before measuring, so that shots fill the pool and ships have met.
constexpr int WarmUpFrames = 600;

// Every frame lasts 31 ms; the module's clock moves on by as much.
constexpr int FrameMs = 31;
std::uint32_t clockMs = 0;

void battleFrame() {
    clockMs += FrameMs;
    saverDraw(clockMs);
}

void BM_BattleFrame(benchmark::State& state) {
    const int additional = static_cast<int>(state.range(0));
    World::useNearGrid = state.range(1) != 0;
    setGfx(nullptr);
    SaverConfig config;
    config.settings.HVNumberAdditionalShips = additional;
    config.seed = 20240607u;
    config.fixedFrameMs = FrameMs;
    saverInit(config);  // no painter: the battle's own drawing walk, no GL
    for (int i = 0; i < WarmUpFrames; ++i) {
        battleFrame();
    }

    const std::uint64_t queriesBefore = battleStats.testModelCalls;
    std::int64_t shots = 0;
    std::int64_t ships = 0;
    std::int64_t frames = 0;
    for (auto _ : state) {
        battleFrame();
        shots += shotPool().activeCount();
        ships += battle.TheWorld->count;
        ++frames;
    }
    const double n = frames > 0 ? static_cast<double>(frames) : 1.0;
    state.counters["shots"] = static_cast<double>(shots) / n;
    state.counters["ships"] = static_cast<double>(ships) / n;
    state.counters["testModel"] = static_cast<double>(battleStats.testModelCalls - queriesBefore) / n;
    World::useNearGrid = true;
    saverFree();
}

BENCHMARK(BM_BattleFrame)
    ->ArgNames({"extra", "grid"})
    ->Args({0, 1})
    ->Args({100, 1})
    ->Args({300, 1})
    ->Args({0, 0})
    ->Args({100, 0})
    ->Args({300, 0})
    ->Unit(benchmark::kMicrosecond)
    ->MinTime(3.0);

}  // namespace

BENCHMARK_MAIN();
