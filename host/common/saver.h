// The saver module: the one way a host drives the battle. A host owns its
// window, its GL context (made current before saverInit), its clock and its
// input; it calls
//
//   saverInit(config)        once, after the context is current
//   saverReshape(w, h)       whenever the window's client size changes
//   saverDraw(nowMs)         once per frame; then it swaps, shows
//                            frame.fpsText if it likes, and calls again
//                            frame.delayMs after nowMs (a host with a
//                            one-shot timer arms it from the config's
//                            armNextFrame, before the frame's work)
//   saverFree()              before it tears the context down
//
// A host whose context can be taken away (a web page's WebGL) calls
// saverContextLost and, once a new one is current, saverContextRestored; a
// host that holds its frames back for a while (a hidden page) calls
// saverResume before the first frame it runs again.
//
// and the module keeps the start-up order, the frame order, the frame pacing
// and the frame-rate line. Times are milliseconds of wall time from the host's
// clock, a 32-bit tick count that may wrap; sizes are pixels.
#ifndef HALVORN_HOST_COMMON_SAVER_H
#define HALVORN_HOST_COMMON_SAVER_H

#include <cstdint>
#include <string>

#include "sim/settings.h"

// What draws the battle. The module calls it at fixed points of start-up and
// of every frame; the default draws nothing and only runs the battle's own
// drawing walk (the collisions and hits are found there), so that the battle
// runs the same with no GL at all (tests, benchmarks).
class SaverPainter {
public:
    virtual ~SaverPainter() {}
    // Start-up, before the first battle is built: the settings are in place.
    // Installs the renderer, sets the viewport for width x height and makes
    // the textures.
    virtual void start(int width, int height);
    // The window's client size changed.
    virtual void reshape(int width, int height);
    // Draws the frame after the camera has moved (and flushes it).
    virtual void draw();
    // Releases what start made, while the context is still current.
    virtual void stop();
    // The context was lost: forgets its GL objects without deleting them.
    virtual void contextLost();
    // A new context is current after contextLost: makes the GL objects again
    // without touching the battle. False when it cannot draw in it.
    virtual bool contextRestored();
};

// The painter that draws nothing.
SaverPainter& battleOnlyPainter();

struct SaverConfig {
    Settings settings = {};  // the five user settings (read once, as the saver does)
    std::uint32_t seed = 1;  // the random generator's seed (the saver's is its tick count)
    int width = 640;         // window client size, pixels
    int height = 480;
    std::uint32_t startTickMs = 0;    // the host's clock at program start, ms
    int fixedFrameMs = 0;             // > 0: every frame lasts this long (reproducible runs)
    SaverPainter* painter = nullptr;  // not owned; null: battleOnlyPainter()
    // Called by every saverDraw once the frame period is adapted and before
    // the battle steps, with the delay of the next frame, ms: a host with a
    // one-shot timer arms it here, so that the next frame is due a whole
    // period after this one began, however long this one takes. Null: none.
    void (*armNextFrame)(int delayMs) = nullptr;
};

// Time spent in the parts of one frame, ms (filled when asked for).
struct SaverTimings {
    double simulationMs = 0;
    double cameraMs = 0;
    double drawingMs = 0;  // the painter's draw, flush included
};

struct SaverFrame {
    int delayMs = 0;      // the next saverDraw is due this long after this one's nowMs
    int frameMs = 0;      // the frame time the battle stepped by
    int lastFrameMs = 0;  // measured since the previous frame (or program start)
    std::string fpsText;  // the frame-rate line when the setting is on, else empty
};

// Start-up in the saver's order: the battle's process state (drawing from the
// unseeded generator), the seed, the settings, the painter's start, the first
// battle. May be called again to start over.
void saverInit(const SaverConfig& config);

// The window's client size changed (pixels; a height of 0 counts as 1).
void saverReshape(int width, int height);

// One frame at host time nowMs: measures the frame time, adapts the frame
// period, steps the battle, moves the camera and draws. *timings, when given,
// receives where the time went.
SaverFrame saverDraw(std::uint32_t nowMs, SaverTimings* timings = nullptr);

// A repaint the window system asked for between frames: the battle and the
// camera step on, nothing is drawn (the host swaps what it has).
void saverRepaint();

// Releases the painter's resources and the battle (the context must still be
// current). Safe to call without saverInit, and twice.
void saverFree();

// The host's GL context was lost. Until saverContextRestored succeeds the
// battle waits: saverDraw steps and draws nothing (it only arms the next
// frame and restarts its frame timing at nowMs), and saverRepaint does nothing.
void saverContextLost();

// A new GL context is current after saverContextLost: the painter makes its
// objects again, the battle, its camera and its generator go on as they were.
// False (the battle still waiting) when the painter cannot draw in it.
bool saverContextRestored();

// The host held its frames back (a hidden page) and runs the next one at
// nowMs: that frame is timed as one frame period long instead of the whole
// pause, so the battle goes on where it stopped rather than jumping ahead.
void saverResume(std::uint32_t nowMs);

// True between saverInit and saverFree.
bool saverRunning();

#endif
