// The whole battle drawn by the real renderer in an EGL context without a
// display (Mesa's llvmpipe will do), started the way the headless program
// starts it, plus the pixel measures the integration tests judge frames by.
#ifndef HALVORN_TESTS_INTEGRATION_GL_BATTLE_H
#define HALVORN_TESTS_INTEGRATION_GL_BATTLE_H

#include <cstdint>
#include <memory>
#include <string>

#include "egl_context.h"
#include "gl_painter.h"
#include "render/drawing_paths.h"
#include "sim/math3d.h"

class Ship;
class ShotClass;

struct BattleSetup {
    int width = 320;  // pixels
    int height = 240;
    std::uint32_t seed = 7;
    int ships = 0;  // additional ships
    bool letterbox = false;
    bool lowResStars = false;
    DrawingPaths paths;    // how the renderer draws debris and ship lists
    bool batched = true;   // the battle drawn through the frame batch; false: item by item
    bool streamed = true;  // the batch's vertices through buffer objects, as the programs draw; false: client arrays
};

// One battle in its own context, driven through the saver module as the
// programs drive it. Tests must call start() and skip when it fails for want
// of an EGL display.
class GlBattle {
public:
    ~GlBattle();

    // Context, then the module's start-up (process reset, seed, settings,
    // viewport, textures, first battle). False with *error set when no context
    // can be made.
    bool start(const BattleSetup& setup, std::string* error);

    // Every frame lasts this long, ms.
    static constexpr int FrameMs = 31;

    // One whole frame as the programs run it (the module's saverDraw).
    void frame();

    // simulationStep only (for tests that place the camera themselves).
    void step(int frameMs = 31);

    // Loads the view from eye towards target with the given up direction into
    // the model-view matrix and the camera (eye, look-at point, view volume),
    // as a camera tick would.
    void aim(const Vector3& eye, const Vector3& target, const Vector3& up);

    // drawFrame and glFlush.
    void drawAndFlush();

    // The picture, rows top-down.
    RgbImage read() const;

    EglContext& context() { return *context_; }

private:
    std::unique_ptr<EglContext> context_;
    GlPainter painter_{gl11Backend()};
    std::uint32_t clockMs_ = 0;
};

// The first ship of fleet side `side` that is alive, or null.
Ship* firstAliveShip(int side);

// The first shot in flight whose colour is mostly channel `channel` (0 red,
// 1 green), or null.
ShotClass* firstShotOfColour(int channel);

// Pixel classes. A pixel is "lit" when its brightest channel reaches 48.
struct PixelCensus {
    int lit = 0;          // brightest channel >= 48
    int grey = 0;         // lit, red and green within 20 % of each other, blue between half
                          // and 1.25 times the larger (the lights tint grey towards yellow,
                          // and some stars are bluish white)
    int green = 0;        // lit, green above twice red and twice blue
    int red = 0;          // lit, red above twice green and twice blue
    double greyMean = 0;  // mean of (r + g + b) / 3 over the grey pixels
};
PixelCensus census(const RgbImage& image, int x0, int y0, int x1, int y1);
PixelCensus census(const RgbImage& image);

// The census in one line, for failure messages.
std::string describe(const PixelCensus& c);

// Pixels whose colour differs between a and b; -1 when their sizes differ.
long differingPixels(const RgbImage& a, const RgbImage& b);

// Size in pixels of the largest 8-connected group of pixels brighter than
// `threshold` in their brightest channel.
int largestBrightBlob(const RgbImage& image, int threshold);

#endif
