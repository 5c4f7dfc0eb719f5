// The saver module's painter for a current OpenGL ES 2.0 (or WebGL 1)
// context: the battle drawn by the renderer (render/) through its ES 2.0
// backend (render/gles2/), with the settings' starfield and letterbox.
//
// Should the backend not start (its shaders do not build), the painter says
// so once on stderr and runs the battle without pictures, as the default
// painter does, so the battle stays the same.
#ifndef HALVORN_HOST_COMMON_GLES2_PAINTER_H
#define HALVORN_HOST_COMMON_GLES2_PAINTER_H

#include <string>

#include "saver.h"

class Gles2Painter final : public SaverPainter {
public:
    // Parts of the picture left out (render/layers.h bits), for measuring.
    unsigned skippedLayers = 0;
    // The battle drawn in batches (render/frame_batch.h); false: item by item.
    bool batched = true;

    void start(int width, int height) override;
    void reshape(int width, int height) override;
    void draw() override;
    void stop() override;
    void contextLost() override;
    bool contextRestored() override;

    // Draws `text` (the frame-rate line) yellow on black across the bottom
    // left of the window as one textured strip, with a built-in 5 x 7 pixel
    // font doubled to 10 x 14 (letters, digits, space and ".,:%/-"; anything
    // else is a blank). Call after draw(), before the swap.
    void drawFpsStrip(const std::string& text);

    // Why the renderer did not start ("" when it did).
    const std::string& error() const { return error_; }

private:
    std::string error_;
    bool drawing_ = false;
    int width_ = 0, height_ = 0;  // pixels
    unsigned fpsTexture_ = 0;
};

#endif
