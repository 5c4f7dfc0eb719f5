// The saver module; see saver.h.
#include "saver.h"

#include <chrono>

#include "fps_text.h"
#include "frame_period.h"
#include "sim/battle.h"
#include "sim/random.h"
#include "view/battle_process.h"
#include "view/camera.h"

void SaverPainter::start(int, int) {}
void SaverPainter::reshape(int, int) {}
void SaverPainter::draw() { drawBattle(); }
void SaverPainter::stop() {}
void SaverPainter::contextLost() {}
bool SaverPainter::contextRestored() { return true; }

SaverPainter& battleOnlyPainter() {
    static SaverPainter painter;
    return painter;
}

namespace {

// Everything the module keeps between calls.
struct SaverState {
    bool running = false;
    bool contextLost = false;  // the battle waits for saverContextRestored
    SaverPainter* painter = nullptr;
    void (*armNextFrame)(int delayMs) = nullptr;
    int fixedFrameMs = 0;
    std::uint32_t startTickMs = 0;
    std::uint32_t previousTickMs = 0;  // program start, then every frame
    FramePeriod framePeriod;
    FpsRing fpsRing;
};

SaverState state;

using Clock = std::chrono::steady_clock;

double msBetween(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}

// The delay between frames now, ms.
int framePeriodMs() { return state.fixedFrameMs > 0 ? state.fixedFrameMs : state.framePeriod.periodMs(); }

}  // namespace

void saverInit(const SaverConfig& config) {
    saverFree();
    state = SaverState();
    state.painter = config.painter != nullptr ? config.painter : &battleOnlyPainter();
    state.armNextFrame = config.armNextFrame;
    state.fixedFrameMs = config.fixedFrameMs;
    state.startTickMs = config.startTickMs;
    state.previousTickMs = config.startTickMs;

    // The shot pool and the camera draw from the generator before it is
    // seeded, as they do at the saver's program start.
    initBattleProcess();
    randomSeed(config.seed);
    settings = config.settings;
    state.painter->start(config.width, config.height);
    startBattle();
    state.running = true;
}

void saverReshape(int width, int height) {
    if (state.running) state.painter->reshape(width, height);
}

SaverFrame saverDraw(std::uint32_t nowMs, SaverTimings* timings) {
    SaverFrame frame;
    if (!state.running) return frame;
    if (state.contextLost) {
        state.previousTickMs = nowMs;
        frame.delayMs = framePeriodMs();
        if (state.armNextFrame != nullptr) state.armNextFrame(frame.delayMs);
        return frame;
    }
    frame.lastFrameMs = frameTimeBetween(state.previousTickMs, nowMs);
    state.previousTickMs = nowMs;
    if (state.fixedFrameMs > 0) {
        frame.frameMs = state.fixedFrameMs;
        frame.delayMs = state.fixedFrameMs;
    } else {
        state.framePeriod.frameTook(frame.lastFrameMs);
        frame.frameMs = frame.lastFrameMs;
        frame.delayMs = state.framePeriod.periodMs();
    }
    if (state.armNextFrame != nullptr) state.armNextFrame(frame.delayMs);
    battle.FrameTimeMicros = frame.frameMs * 1000;

    const Clock::time_point t0 = timings ? Clock::now() : Clock::time_point();
    simulationStep();
    const Clock::time_point t1 = timings ? Clock::now() : Clock::time_point();
    cameraFrame();
    const Clock::time_point t2 = timings ? Clock::now() : Clock::time_point();
    state.painter->draw();
    if (timings) {
        const Clock::time_point t3 = Clock::now();
        timings->simulationMs = msBetween(t0, t1);
        timings->cameraMs = msBetween(t1, t2);
        timings->drawingMs = msBetween(t2, t3);
    }

    if (settings.HVIsFrameCounter != 0) {
        // The ring takes milliseconds since program start, as the saver's
        // runtime clock counts them.
        const float rate = state.fpsRing.tick(static_cast<long>(nowMs - state.startTickMs));
        frame.fpsText = formatFpsLine(frame.lastFrameMs, rate, battle.ShipCountShown, frame.delayMs);
    }
    return frame;
}

void saverRepaint() {
    if (!state.running || state.contextLost) return;
    simulationStep();
    cameraFrame();
}

void saverFree() {
    if (!state.running) return;
    state.painter->stop();
    state.running = false;
    // Leave the process state as at program start.
    initBattleProcess();
    settings.reset();
}

void saverContextLost() {
    if (!state.running || state.contextLost) return;
    state.contextLost = true;
    state.painter->contextLost();
}

bool saverContextRestored() {
    if (!state.running) return false;
    if (state.contextLost && state.painter->contextRestored()) state.contextLost = false;
    return !state.contextLost;
}

void saverResume(std::uint32_t nowMs) {
    if (state.running) state.previousTickMs = nowMs - static_cast<std::uint32_t>(framePeriodMs());
}

bool saverRunning() { return state.running; }
