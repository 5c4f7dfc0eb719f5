// A running battle allocates nothing per frame once it is under way: this
// program counts every operator new made on the test's thread while frames
// run with the real renderer (the GL's own worker threads are not counted).
// The shot pool is the one thing that grows by design: it makes a shot node
// whenever more shots fly at once than ever before, and keeps it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <iterator>
#include <new>
#include <string>
#include <thread>
#include <vector>

#include "gl_battle.h"
#include "heap_count.h"
#include "render/scene.h"
#include "sim/battle.h"
#include "sim/shot.h"
#include "sim/world.h"
#include "view/camera.h"

namespace {

// Allocations made on this thread while `work` runs (this program's operator
// new is the heap_count library's).
template <typename Work>
long allocationsIn(Work work) {
    const unsigned long long before = heapcount::threadAllocations();
    work();
    return static_cast<long>(heapcount::threadAllocations() - before);
}

// The collision model of every shot the pool holds, in flight or idle.
std::vector<const void*> shotHulls() {
    std::vector<const void*> hulls;
    for (ShotNode* n = shotPool().activeHead; n; n = n->activeNext) hulls.push_back(n->shot.collisionModel);
    for (ShotNode* n = shotPool().freeHead; n; n = n->freeNext) hulls.push_back(n->shot.collisionModel);
    std::sort(hulls.begin(), hulls.end());
    return hulls;
}

// Hulls in `after` that were not in `before`: new shots, and shots whose gun
// kind changed (a bolt fired again as a beam gets a new hull).
long newHulls(const std::vector<const void*>& before, const std::vector<const void*>& after) {
    std::vector<const void*> added;
    std::set_difference(after.begin(), after.end(), before.begin(), before.end(), std::back_inserter(added));
    return static_cast<long>(added.size());
}

}  // namespace

// Every form of operator new is counted, once per allocation, and only on the
// thread that allocates; the pointers pass through a volatile so that no
// new-delete pair can be left out by the compiler.
TEST(Allocation, CountingSeesAllocations) {
    struct alignas(64) Wide {
        char bytes[64];
    };
    static void* volatile kept;
    EXPECT_EQ(allocationsIn([] {
                  kept = new int(1);
                  delete static_cast<int*>(kept);
              }),
              1);
    EXPECT_EQ(allocationsIn([] {}), 0);
    EXPECT_EQ(allocationsIn([] {
                  kept = new int[5];
                  delete[] static_cast<int*>(kept);
              }),
              1);
    EXPECT_EQ(allocationsIn([] {
                  kept = new (std::nothrow) int(2);
                  delete static_cast<int*>(kept);
              }),
              1);
    EXPECT_EQ(allocationsIn([] {
                  kept = new Wide;
                  EXPECT_EQ(reinterpret_cast<std::uintptr_t>(kept) % 64, 0u);
                  delete static_cast<Wide*>(kept);
                  kept = new Wide[3];
                  EXPECT_EQ(reinterpret_cast<std::uintptr_t>(kept) % 64, 0u);
                  delete[] static_cast<Wide*>(kept);
              }),
              2);

    // Another thread's allocation counts among all of them, not on this
    // thread (starting the thread may allocate on this one).
    const unsigned long long allBefore = heapcount::allAllocations();
    const long here = allocationsIn([] {
        std::thread other([] {
            kept = new int(3);
            delete static_cast<int*>(kept);
        });
        other.join();
    });
    EXPECT_LE(here, 1);
    EXPECT_GE(heapcount::allAllocations() - allBefore, static_cast<unsigned long long>(here) + 1);
}

// The bench's battle (300 additional ships), under way. Its simulation
// allocates only when the shot pool makes new shots, when a recycled shot gets
// the hull of the other gun kind (both as the battle prescribes), or when a
// finished ship is removed (destroying a collision model's box tree takes a
// small work list); its drawing only when more shots fly than ever before (the
// scratch lists grow to the new most). Every other frame allocates nothing.
TEST(Allocation, NonePerFrameOnceTheBattleRuns) {
    GlBattle gl;
    BattleSetup setup;
    setup.ships = 300;
    std::string error;
    if (!gl.start(setup, &error)) GTEST_SKIP() << error;
    for (int k = 0; k < 60; ++k) gl.frame();

    constexpr int Frames = 60;
    long total = 0, quietFrames = 0, hullsMade = 0, nodesMade = 0, shipsRemoved = 0;
    for (int k = 0; k < Frames; ++k) {
        SCOPED_TRACE(k);
        battle.FrameTimeMicros = 31000;
        const int nodesBefore = shotPool().size();
        const int shipsBefore = battle.TheWorld->count;
        const std::vector<const void*> hullsBefore = shotHulls();
        const long simulation = allocationsIn([] { simulationStep(); });
        ASSERT_NE(battle.FrameCounter, 0) << "the battle restarted; that is no steady state";
        const long nodes = shotPool().size() - nodesBefore;
        const long hulls = newHulls(hullsBefore, shotHulls());
        const int removed = shipsBefore - battle.TheWorld->count;
        const long camera = allocationsIn([] { cameraFrame(); });
        const long drawing = allocationsIn([] { drawFrame(); });
        EXPECT_EQ(camera, 0);
        if (hulls == 0 && removed == 0) {
            EXPECT_EQ(simulation, 0);
        }
        if (nodes == 0) {
            EXPECT_EQ(drawing, 0);
        }
        if (simulation + camera + drawing == 0) ++quietFrames;
        total += simulation + camera + drawing;
        hullsMade += hulls;
        nodesMade += nodes;
        shipsRemoved += removed;
    }
    std::printf(
        "%d frames of %d ships: %.2f allocations per frame; %ld frames without any; "
        "%ld shot hulls made, %ld of them for new shots; %ld ships removed\n",
        Frames, battle.TheWorld->count, static_cast<double>(total) / Frames, quietFrames, hullsMade, nodesMade,
        shipsRemoved);
    RecordProperty("allocations_per_frame", std::to_string(static_cast<double>(total) / Frames));
    EXPECT_GT(quietFrames, 0);
}
