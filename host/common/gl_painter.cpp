// The OpenGL painter; see gl_painter.h.
#include "gl_painter.h"

#ifdef _WIN32
#include <windows.h>  // the system's GL header builds on it
#endif
#include <GL/gl.h>

#include "render/backdrop_lists.h"
#include "render/drawing_paths.h"
#include "render/frame_batch.h"
#include "render/layers.h"
#include "render/scene.h"
#include "render/textures.h"
#include "sim/settings.h"

void GlPainter::start(int width, int height) {
    StarFaceList = starFaceListFor(settings.HVIsLowResStars);
    WindowWidth = width;
    WindowHeight = height;
    installRenderer();
    setSkippedLayers(skippedLayers);
    setDrawingPaths(paths);
    setFrameBatching(batched);
    frameBatch().startStreaming(procLoader);
    updateViewport();
    loadTextures();
}

void GlPainter::reshape(int width, int height) {
    WindowWidth = width;
    WindowHeight = height;
    updateViewport();
}

void GlPainter::draw() {
    drawFrame();
    glFlush();
}

void GlPainter::stop() {
    frameBatch().stopStreaming();
    uninstallRenderer();
    setSkippedLayers(0);
    setDrawingPaths(DrawingPaths());
    setFrameBatching(true);
    StarFaceList = starFaceListFor(0);
}
