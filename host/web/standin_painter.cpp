#include "standin_painter.h"

#include <GLES2/gl2.h>

#include <cmath>

#include "sim/battle.h"
#include "sim/gfx.h"
#include "sim/ship.h"
#include "sim/world.h"

namespace {

// The height of the picture's band in a buffer this wide and high: the whole
// height, or 2.35:1 with the letterbox (as the renderer's viewport), pixels.
float bandHeight(int width, int height) {
    return settings.HVIsLetterBox ? static_cast<float>(static_cast<float>(width) / 2.35) : static_cast<float>(height);
}

}  // namespace

void StandInPainter::start(int width, int height) { reshape(width, height); }

void StandInPainter::reshape(int width, int height) {
    width_ = width > 0 ? width : 1;
    height_ = height > 0 ? height : 1;
    // What is visible decides when off-screen explosions end: the battle sees
    // the projection the renderer would set for this picture.
    setSoftwareAspect(static_cast<double>(static_cast<float>(width_) / bandHeight(width_, height_)));
}

void StandInPainter::stop() { setSoftwareAspect(4.0 / 3.0); }

void StandInPainter::draw() {
    // The camera's view, as the battle's walk begins from it.
    float view[16];
    gfx().modelViewMatrix(view);
    SaverPainter::draw();

    glViewport(0, 0, width_, height_);
    glDisable(GL_SCISSOR_TEST);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    // The picture's band: the whole buffer, or 2.35:1 centred with the letterbox.
    const float band = bandHeight(width_, height_);
    const int bandY = static_cast<int>((height_ - band) / 2.0f);
    const int bandH = static_cast<int>(band);
    glEnable(GL_SCISSOR_TEST);
    glScissor(0, bandY, width_, bandH);
    glClearColor(0.02f, 0.03f, 0.10f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);

    // One square per living ship in front of the eye (55 degrees of view).
    if (battle.TheWorld != nullptr) {
        const float f = static_cast<float>(1.0 / std::tan(27.5 * 3.14159265358979 / 180.0));
        const float aspect = static_cast<float>(width_) / band;
        for (ShipNode* node = battle.TheWorld->head; node; node = node->next) {
            const Ship* s = node->ship;
            if (s == nullptr || s->state != ShipAlive) continue;
            const float p[3] = {s->position.x, s->position.y, s->position.z};
            float e[3];
            for (int r = 0; r < 3; ++r) e[r] = view[r] * p[0] + view[4 + r] * p[1] + view[8 + r] * p[2] + view[12 + r];
            if (e[2] > -1.0f) continue;
            const float x = (f / aspect * e[0] / -e[2] + 1.0f) * 0.5f * width_;
            const float y = (f * e[1] / -e[2] + 1.0f) * 0.5f * band + bandY;
            if (x < 0 || y < bandY || x >= width_ || y >= bandY + band) continue;
            glScissor(static_cast<int>(x) - 2, static_cast<int>(y) - 2, 5, 5);
            if (s->sideIndex == 0) {
                glClearColor(0.9f, 0.8f, 0.3f, 1.0f);
            } else {
                glClearColor(0.4f, 0.8f, 1.0f, 1.0f);
            }
            glClear(GL_COLOR_BUFFER_BIT);
        }
    }
    glDisable(GL_SCISSOR_TEST);
}
