// The saver module's painter for a current OpenGL context: the battle drawn
// by the renderer (render/), with the settings' starfield and letterbox.
#ifndef HALVORN_HOST_COMMON_GL_PAINTER_H
#define HALVORN_HOST_COMMON_GL_PAINTER_H

#include "render/drawing_paths.h"
#include "render/gl/vertex_stream.h"
#include "saver.h"

class GlPainter final : public SaverPainter {
public:
    // Parts of the picture left out (render/layers.h bits), for measuring.
    unsigned skippedLayers = 0;
    // How the renderer draws debris and ship lists, for measuring.
    DrawingPaths paths;
    // The battle drawn in batches (render/frame_batch.h); false: item by item.
    bool batched = true;
    // The context's way of finding entry points beyond OpenGL 1.1: with it
    // the batch streams its vertices through buffer objects where the context
    // has them; null: client arrays.
    GlProcLoader procLoader = nullptr;

    void start(int width, int height) override;
    void reshape(int width, int height) override;
    void draw() override;
    void stop() override;
};

#endif
