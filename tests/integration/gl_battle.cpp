#include "gl_battle.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "render/scene.h"
#include "sim/battle.h"
#include "sim/ship.h"
#include "sim/shot.h"
#include "sim/world.h"
#include "view/camera.h"
#include "view/view_volume.h"

GlBattle::~GlBattle() {
    // The battle's process state outlives the context; the module leaves it
    // as at program start.
    if (context_) saverFree();
}

bool GlBattle::start(const BattleSetup& setup, std::string* error) {
    context_ = EglContext::create(setup.width, setup.height, error);
    if (!context_) return false;
    SaverConfig config;
    config.settings.HVIsLetterBox = setup.letterbox ? 1 : 0;
    config.settings.HVNumberAdditionalShips = setup.ships;
    config.settings.HVIsLowResStars = setup.lowResStars ? 1 : 0;
    config.seed = setup.seed;
    config.width = setup.width;
    config.height = setup.height;
    config.fixedFrameMs = FrameMs;
    painter_.paths = setup.paths;
    painter_.batched = setup.batched;
    painter_.procLoader = setup.streamed ? eglProc : nullptr;
    config.painter = &painter_;
    saverInit(config);
    return true;
}

void GlBattle::step(int frameMs) {
    battle.FrameTimeMicros = frameMs * 1000;
    simulationStep();
}

void GlBattle::frame() {
    clockMs_ += static_cast<std::uint32_t>(FrameMs);
    saverDraw(clockMs_);
}

void GlBattle::aim(const Vector3& eye, const Vector3& target, const Vector3& up) {
    Camera& cam = camera();
    cam.eye = eye;
    cam.lookAt = target;
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    gluLookAt(eye.x, eye.y, eye.z, target.x, target.y, target.z, up.x, up.y, up.z);
    float projection[16];
    float modelView[16];
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    glGetFloatv(GL_MODELVIEW_MATRIX, modelView);
    cam.viewVolume.extractPlanes(projection, modelView);
}

void GlBattle::drawAndFlush() {
    drawFrame();
    glFlush();
}

RgbImage GlBattle::read() const {
    RgbImage image;
    std::string error;
    if (!context_->readPixels(&image, &error)) return RgbImage();
    return image;
}

Ship* firstAliveShip(int side) {
    if (!battle.TheWorld) return nullptr;
    for (ShipNode* node = battle.TheWorld->head; node; node = node->next) {
        Ship* s = node->ship;
        if (s && s->sideIndex == side && s->state == ShipAlive) return s;
    }
    return nullptr;
}

ShotClass* firstShotOfColour(int channel) {
    for (ShotNode* node = shotPool().activeHead; node; node = node->activeNext) {
        ShotClass& shot = node->shot;
        if (shot.active == 0) continue;
        const float c = shot.color[channel];
        const float other = std::max(shot.color[0] + shot.color[1] + shot.color[2] - c, 0.0f);
        if (c > 0.5f && other < 0.5f * c) return &shot;
    }
    return nullptr;
}

PixelCensus census(const RgbImage& image, int x0, int y0, int x1, int y1) {
    PixelCensus c;
    double greySum = 0;
    for (int y = std::max(y0, 0); y < std::min(y1, image.height); ++y) {
        for (int x = std::max(x0, 0); x < std::min(x1, image.width); ++x) {
            const std::uint8_t* p = image.at(x, y);
            const int r = p[0], g = p[1], b = p[2];
            const int hi = std::max({r, g, b});
            if (hi < 48) continue;
            ++c.lit;
            const int rg = std::max(r, g);
            if (std::abs(r - g) * 5 <= rg && 4 * b <= 5 * rg && 2 * b >= rg) {
                ++c.grey;
                greySum += (r + g + b) / 3.0;
            }
            if (g > 2 * r && g > 2 * b) ++c.green;
            if (r > 2 * g && r > 2 * b) ++c.red;
        }
    }
    if (c.grey > 0) c.greyMean = greySum / c.grey;
    return c;
}

PixelCensus census(const RgbImage& image) { return census(image, 0, 0, image.width, image.height); }

std::string describe(const PixelCensus& c) {
    return "lit " + std::to_string(c.lit) + ", grey " + std::to_string(c.grey) + " (mean " +
           std::to_string(c.greyMean) + "), green " + std::to_string(c.green) + ", red " + std::to_string(c.red);
}

int largestBrightBlob(const RgbImage& image, int threshold) {
    const int w = image.width, h = image.height;
    std::vector<char> seen(static_cast<std::size_t>(w) * h, 0);
    auto bright = [&](int x, int y) {
        const std::uint8_t* p = image.at(x, y);
        return std::max({p[0], p[1], p[2]}) > threshold;
    };
    int largest = 0;
    std::vector<int> stack;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            if (seen[y * w + x] || !bright(x, y)) continue;
            int size = 0;
            stack.assign(1, y * w + x);
            seen[y * w + x] = 1;
            while (!stack.empty()) {
                const int at = stack.back();
                stack.pop_back();
                ++size;
                const int ax = at % w, ay = at / w;
                for (int dy = -1; dy <= 1; ++dy) {
                    for (int dx = -1; dx <= 1; ++dx) {
                        const int nx = ax + dx, ny = ay + dy;
                        if (nx < 0 || ny < 0 || nx >= w || ny >= h) continue;
                        if (seen[ny * w + nx] || !bright(nx, ny)) continue;
                        seen[ny * w + nx] = 1;
                        stack.push_back(ny * w + nx);
                    }
                }
            }
            largest = std::max(largest, size);
        }
    }
    return largest;
}

long differingPixels(const RgbImage& a, const RgbImage& b) {
    if (a.width != b.width || a.height != b.height) return -1;
    long count = 0;
    for (int y = 0; y < a.height; ++y) {
        for (int x = 0; x < a.width; ++x) {
            const std::uint8_t* p = a.at(x, y);
            const std::uint8_t* q = b.at(x, y);
            if (p[0] != q[0] || p[1] != q[1] || p[2] != q[2]) ++count;
        }
    }
    return count;
}
