// The saver module: start-up and frame order, frame times from the host's
// clock (wrapping), pacing, the frame-rate line, and the painter's calls.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "saver.h"
#include "sim/battle.h"
#include "sim/gfx.h"
#include "sim/random.h"
#include "sim/settings.h"
#include "sim/shot.h"
#include "sim/world.h"
#include "view/battle_process.h"
#include "view/camera.h"

namespace {

// Records what the module asks of its painter, and what the battle looked like then.
struct RecordingPainter : SaverPainter {
    std::vector<std::string> calls;
    bool worldAtStart = true;
    void start(int width, int height) override {
        calls.push_back("start " + std::to_string(width) + "x" + std::to_string(height));
        worldAtStart = battle.TheWorld != nullptr;
    }
    void reshape(int width, int height) override {
        calls.push_back("reshape " + std::to_string(width) + "x" + std::to_string(height));
    }
    void draw() override {
        calls.push_back("draw");
        SaverPainter::draw();
    }
    void stop() override { calls.push_back("stop"); }
    bool canRestore = true;
    void contextLost() override { calls.push_back("lost"); }
    bool contextRestored() override {
        calls.push_back("restored");
        return canRestore;
    }
};

SaverConfig battleConfig(int extra, std::uint32_t seed) {
    SaverConfig c;
    c.settings.HVNumberAdditionalShips = extra;
    c.seed = seed;
    c.fixedFrameMs = 31;
    return c;
}

struct Fingerprint {
    std::uint32_t rng;
    int count;
    int shots;
    int view;
    bool operator==(const Fingerprint& o) const {
        return rng == o.rng && count == o.count && shots == o.shots && view == o.view;
    }
};

Fingerprint fingerprint() {
    return {randomState(), battle.TheWorld ? battle.TheWorld->count : -1, shotPool().activeCount(), camera().viewMode};
}

TEST(SaverTest, RunsTheBattleInTheSaversOrder) {
    // The order written out by hand: process state, seed, settings, battle,
    // then per frame the frame time, step, camera and the battle's drawing walk.
    initBattleProcess();
    setGfx(nullptr);
    randomSeed(99);
    settings.reset();
    settings.HVNumberAdditionalShips = 20;
    startBattle();
    std::vector<Fingerprint> expected;
    for (int f = 0; f < 400; ++f) {
        battle.FrameTimeMicros = 31000;
        simulationStep();
        cameraFrame();
        drawBattle();
        expected.push_back(fingerprint());
    }

    saverInit(battleConfig(20, 99));
    for (int f = 0; f < 400; ++f) {
        const SaverFrame frame = saverDraw(static_cast<std::uint32_t>(f * 5));
        EXPECT_EQ(frame.frameMs, 31);
        EXPECT_EQ(frame.delayMs, 31);
        ASSERT_TRUE(fingerprint() == expected[f]) << "frame " << f;
    }
    saverFree();
    EXPECT_EQ(battle.TheWorld, nullptr);
    EXPECT_FALSE(saverRunning());
}

TEST(SaverTest, MeasuredFrameTimesComeFromTheHostsClockAndWrap) {
    SaverConfig c = battleConfig(0, 3);
    c.fixedFrameMs = 0;
    c.startTickMs = 0xfffffff0u;  // the host's 32-bit tick count is about to wrap
    saverInit(c);
    SaverFrame f = saverDraw(0xfffffffau);
    EXPECT_EQ(f.lastFrameMs, 10);
    EXPECT_EQ(f.frameMs, 10);
    EXPECT_EQ(battle.FrameTimeMicros, 10000);
    EXPECT_EQ(f.delayMs, 31);
    f = saverDraw(20u);  // wrapped
    EXPECT_EQ(f.lastFrameMs, 26);
    EXPECT_EQ(battle.FrameTimeMicros, 26000);
    saverFree();
}

// What the host's timer was armed with, and how many frames had stepped then.
std::vector<std::pair<int, int>> armed;
void recordArming(int delayMs) { armed.emplace_back(delayMs, battle.FrameCounter); }

TEST(SaverTest, SlowFramesLengthenThePeriodAndTheTimerIsArmedBeforeTheStep) {
    SaverConfig c = battleConfig(0, 3);
    c.fixedFrameMs = 0;
    c.armNextFrame = recordArming;
    armed.clear();
    saverInit(c);
    std::uint32_t now = 0;
    SaverFrame f;
    for (int i = 0; i < 62; ++i) {
        const int framesBefore = battle.FrameCounter;
        now += 60;  // every frame late
        f = saverDraw(now);
        ASSERT_EQ(armed.size(), static_cast<std::size_t>(i + 1));
        EXPECT_EQ(armed.back(), std::make_pair(f.delayMs, framesBefore)) << "frame " << i;
        EXPECT_EQ(f.delayMs, i < 60 ? 31 : 60 * 61 / 60 + 5) << "frame " << i;
    }
    saverFree();
}

TEST(SaverTest, FrameRateLineOnlyWithItsSetting) {
    SaverConfig c = battleConfig(0, 3);
    saverInit(c);
    EXPECT_TRUE(saverDraw(31).fpsText.empty());
    saverFree();

    c.settings.HVIsFrameCounter = 1;
    c.startTickMs = 1000;
    saverInit(c);
    SaverFrame f;
    for (int i = 1; i <= 33; ++i) f = saverDraw(1000u + 32u * static_cast<unsigned>(i));
    // 32 frames 32 ms apart: 1000 / 32 frames per second, since program start.
    EXPECT_NE(f.fpsText.find("31.2 Frames Per Second"), std::string::npos) << f.fpsText;
    EXPECT_EQ(f.fpsText.find("32 miliseconds since last frame."), 0u) << f.fpsText;
    EXPECT_NE(f.fpsText.find("hold 31 milliseconds"), std::string::npos) << f.fpsText;
    saverFree();
}

TEST(SaverTest, PainterIsStartedBeforeTheBattleAndStoppedAtTheEnd) {
    RecordingPainter painter;
    SaverConfig c = battleConfig(0, 5);
    c.width = 320;
    c.height = 200;
    c.settings.HVIsLowResStars = 1;
    c.painter = &painter;
    saverInit(c);
    EXPECT_FALSE(painter.worldAtStart);
    EXPECT_EQ(settings.HVIsLowResStars, 1);
    saverDraw(31);
    saverReshape(640, 0);
    saverRepaint();  // steps, draws nothing
    saverDraw(62);
    saverFree();
    saverFree();  // twice is harmless
    const std::vector<std::string> want = {"start 320x200", "draw", "reshape 640x0", "draw", "stop"};
    EXPECT_EQ(painter.calls, want);
    EXPECT_EQ(settings.HVIsLowResStars, 0);  // back to program start
}

TEST(SaverTest, ALostContextHoldsTheSameBattleUntilItIsRestored) {
    std::vector<Fingerprint> expected;
    saverInit(battleConfig(20, 41));
    for (int f = 1; f <= 300; ++f) {
        saverDraw(static_cast<std::uint32_t>(31 * f));
        expected.push_back(fingerprint());
    }

    RecordingPainter painter;
    SaverConfig c = battleConfig(20, 41);
    c.painter = &painter;
    saverInit(c);
    std::uint32_t now = 0;
    for (int f = 1; f <= 150; ++f) saverDraw(now += 31);
    saverContextLost();
    painter.canRestore = false;
    for (int held = 0; held < 3; ++held) {
        EXPECT_EQ(saverDraw(now += 31).frameMs, 0);
        saverRepaint();
        EXPECT_FALSE(saverContextRestored());  // a context it cannot draw in: still waiting
        ASSERT_TRUE(fingerprint() == expected[149]) << "held frame " << held;
    }
    painter.canRestore = true;
    EXPECT_TRUE(saverContextRestored());
    for (int f = 151; f <= 300; ++f) {
        saverDraw(now += 31);
        ASSERT_TRUE(fingerprint() == expected[static_cast<std::size_t>(f - 1)]) << "frame " << f;
    }
    saverFree();
    const std::vector<std::string> held(painter.calls.begin() + 151, painter.calls.begin() + 156);
    EXPECT_EQ(held, (std::vector<std::string>{"lost", "restored", "restored", "restored", "restored"}));
}

TEST(SaverTest, TheFirstFrameAfterAPauseStepsOnePeriod) {
    // A host that stopped its frames for a minute and resumes, and one whose
    // timer ran on while its context was lost.
    for (const bool lostContext : {false, true}) {
        SaverConfig c = battleConfig(0, 3);
        c.fixedFrameMs = 0;
        saverInit(c);
        std::uint32_t now = 31;
        saverDraw(now);
        if (lostContext) {
            saverContextLost();
            for (now += 31; now < 60000; now += 31) saverDraw(now);
            saverContextRestored();
        } else {
            now = 60000;
            saverResume(now);
        }
        const SaverFrame f = saverDraw(now);
        EXPECT_EQ(f.frameMs, 31) << lostContext;
        EXPECT_EQ(battle.FrameCounter, 2) << lostContext;
        saverFree();
    }
}

TEST(SaverTest, CallsBeforeStartDoNothing) {
    saverFree();
    const SaverFrame f = saverDraw(100);
    EXPECT_EQ(f.delayMs, 0);
    saverReshape(10, 10);
    saverRepaint();
    EXPECT_EQ(battle.TheWorld, nullptr);
}

}  // namespace
