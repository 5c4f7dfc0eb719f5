// The OpenGL painter; see gl_painter.h.
#include "gl_painter.h"

#include <cstdio>

#include "render/backdrop_lists.h"
#include "render/debris_batch.h"
#include "render/drawing_paths.h"
#include "render/frame_batch.h"
#include "render/gl/gl_api.h"
#include "render/layers.h"
#include "render/scene.h"
#include "render/textures.h"
#include "sim/settings.h"

void GlPainter::start(int width, int height) {
    error_.clear();
    drawing_ = backend_.start(procLoader, &error_);
    if (!drawing_) {
        std::fprintf(stderr, "%s; the battle runs without pictures\n", error_.c_str());
        return;
    }
    setGlBackend(&backend_);
    StarFaceList = starFaceListFor(settings.HVIsLowResStars);
    WindowWidth = width;
    WindowHeight = height;
    installRenderer();
    setSkippedLayers(skippedLayers);
    setDrawingPaths(paths);
    setFrameBatching(batched);
    updateViewport();
    loadTextures();
}

void GlPainter::reshape(int width, int height) {
    if (!drawing_) return;
    WindowWidth = width;
    WindowHeight = height;
    updateViewport();
}

void GlPainter::draw() {
    if (!drawing_) {
        SaverPainter::draw();
        return;
    }
    drawFrame();
    glFlush();
}

void GlPainter::stop() {
    if (!drawing_) return;
    uninstallRenderer();
    backend_.stop();
    setGlBackend(nullptr);
    setSkippedLayers(0);
    setDrawingPaths(DrawingPaths());
    setFrameBatching(true);
    StarFaceList = starFaceListFor(0);
    drawing_ = false;
}

void GlPainter::contextLost() {
    if (!drawing_) return;
    // Every name below went with the context: forget them, delete nothing.
    backend_.contextLost();
    discardDebris();  // the debris mask textures, made again on their next use
    for (unsigned& name : TextureNames) name = 0;
}

bool GlPainter::contextRestored() {
    if (!drawing_) return true;  // it never drew: nothing to make again
    if (!backend_.contextRestored(procLoader, &error_)) {
        std::fprintf(stderr, "%s; the battle waits for a context it can draw in\n", error_.c_str());
        return false;
    }
    error_.clear();
    loadTextures();  // the pictures and their binding lists, under new names
    return true;
}
