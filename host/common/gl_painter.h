// The saver module's painter for a current OpenGL context: the battle drawn
// by the renderer (render/) through the backend the host hands it, with the
// settings' starfield and letterbox. A host chooses its renderer in the line
// that makes its painter:
//
//   GlPainter painter(gl11Backend());   // the system's OpenGL 1.1
//   GlPainter painter(gles2Backend());  // OpenGL ES 2.0 or WebGL 1
//
// start() starts the backend in the current context and installs it for the
// renderer; stop() deletes everything the renderer and the backend made and
// uninstalls it. Should the backend not start (its shaders do not build), the
// painter says so once on stderr and runs the battle without pictures, as the
// painter that draws nothing does, so the battle stays the same; error() says why.
#ifndef HALVORN_HOST_COMMON_GL_PAINTER_H
#define HALVORN_HOST_COMMON_GL_PAINTER_H

#include <string>

#include "render/drawing_paths.h"
#include "render/gl/gl_backend.h"
#include "saver.h"

class GlPainter final : public SaverPainter {
public:
    explicit GlPainter(GlBackend& backend) : backend_(backend) {}

    // Parts of the picture left out (render/layers.h bits), for measuring.
    unsigned skippedLayers = 0;
    // How the renderer draws debris and ship lists, for measuring.
    DrawingPaths paths;
    // The battle drawn in batches (render/frame_batch.h); false: item by item.
    bool batched = true;
    // The context's way of finding entry points beyond OpenGL 1.1
    // (eglGetProcAddress, wglGetProcAddress): with it OpenGL 1.1's batch
    // streams its vertices through buffer objects where the context has them;
    // null: client arrays. The ES backend needs none.
    GlProcLoader procLoader = nullptr;

    void start(int width, int height) override;
    void reshape(int width, int height) override;
    void draw() override;
    void stop() override;
    void contextLost() override;
    bool contextRestored() override;

    GlBackend& backend() const { return backend_; }
    // Why the backend did not start ("" when it did).
    const std::string& error() const { return error_; }

private:
    GlBackend& backend_;
    std::string error_;
    bool drawing_ = false;
};

#endif
