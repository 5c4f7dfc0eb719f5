// Soak: the largest battle (300 additional ships) for 200,000 frames of 31 ms
// without GL. No crash, no leak (LeakSanitizer checks at exit in sanitizer
// builds), and neither the shot pool nor the resident memory keeps growing once
// the first few battles have run. HALVORN_SOAK_FRAMES shortens the run for
// quick local checks.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "battle_test_util.h"
#include "sim/shot.h"

#if defined(__SANITIZE_ADDRESS__)
#define SOAK_UNDER_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define SOAK_UNDER_ASAN 1
#endif
#endif

#ifdef SOAK_UNDER_ASAN
// Freed memory waits in AddressSanitizer's quarantine before reuse (256 MiB by
// default), which would hide a flat resident size behind the quarantine
// filling up. A small quarantine still catches use after free of recent blocks.
extern "C" const char* __asan_default_options() { return "quarantine_size_mb=8"; }
#endif

using namespace battletest;

namespace {

// Resident set size in KiB from /proc/self/statm (4 KiB pages), or -1 where
// /proc is missing (Wine, other systems).
long residentKiB() {
    std::ifstream statm("/proc/self/statm");
    long size = 0;
    long resident = 0;
    if (!(statm >> size >> resident)) {
        return -1;
    }
    return resident * 4;
}

long soakFrames() {
    const char* text = std::getenv("HALVORN_SOAK_FRAMES");
    if (text != nullptr) {
        const long n = std::strtol(text, nullptr, 10);
        if (n > 0) {
            return n;
        }
    }
    return 200000;
}

TEST(BattleSoak, LargestBattleRunsFlatForTwoHundredThousandFrames) {
    const long frames = soakFrames();
    startTestBattle(300, 0x5EEDu);

    // Battles after which growth is no longer expected.
    const int warmUpRestarts = 3;
    int restarts = 0;
    int warmPool = -1;
    long warmRss = -1;
    long warmFrame = -1;
    int peakActive = 0;
    long peakHits = 0;
    for (long f = 0; f < frames; ++f) {
        battleFrame(31);
        const int active = shotPool().activeCount();
        peakActive = active > peakActive ? active : peakActive;
        peakHits = battleStats.hitsThisFrame > peakHits ? battleStats.hitsThisFrame : peakHits;
        if (battle.FrameCounter == 0) {
            ++restarts;
            if (restarts == warmUpRestarts) {
                warmPool = shotPool().size();
                warmRss = residentKiB();
                warmFrame = f;
            }
        }
        if (f % 5000 == 0) {
            // The battle stays well-formed: a non-empty list of finite ships.
            ASSERT_NE(battle.TheWorld, nullptr);
            ASSERT_GT(battle.TheWorld->count, 0);
            for (Ship* s : worldShips()) {
                ASSERT_TRUE(std::isfinite(s->position.x) && std::isfinite(s->position.y) &&
                            std::isfinite(s->position.z));
            }
            int listed = 0;
            for (ShotNode* n = shotPool().activeHead; n != nullptr; n = n->activeNext) {
                ++listed;
            }
            ASSERT_EQ(listed, active);
            ASSERT_LE(active, shotPool().size());
        }
    }
    const int finalPool = shotPool().size();
    const long finalRss = residentKiB();
    std::printf(
        "soak: %ld frames, %d restarts, shot pool %d nodes after restart %d (frame %ld) and %d at "
        "the end, peak %d shots in flight, peak %ld hits in a frame, resident %ld KiB then %ld "
        "KiB, %llu collision queries\n",
        frames, restarts, warmPool, warmUpRestarts, warmFrame, finalPool, peakActive, peakHits, warmRss, finalRss,
        static_cast<unsigned long long>(battleStats.testModelCalls));

    // Hard bound: no battle of 313 ships keeps anywhere near this many shots in
    // flight (each ship fires at most 12 shots per 21 frames; shots live 63 frames).
    EXPECT_LE(finalPool, 313 * 40);
    if (restarts < warmUpRestarts + 2) {
        GTEST_SKIP() << "too few battles for a growth check: " << restarts;
    }
    // The pool holds the most shots ever in flight at once; after the first
    // battles a new peak can only be a little above the old ones.
    EXPECT_LE(finalPool, warmPool + warmPool / 4);
    if (warmRss < 0 || finalRss < 0) {
        GTEST_SKIP() << "no /proc: resident memory not checked";
    }
#ifdef SOAK_UNDER_ASAN
    // Room for the quarantine and the sanitizer's own bookkeeping.
    const long allowedKiB = 64 * 1024;
#else
    const long allowedKiB = 32 * 1024;
#endif
    EXPECT_LE(finalRss - warmRss, allowedKiB);
}

}  // namespace
