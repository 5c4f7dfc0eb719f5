// An OpenGL context without any display: EGL on Mesa's surfaceless platform
// (or an EGL device, or the default display), desktop OpenGL with the
// compatibility profile (or OpenGL ES 2.0), drawing into an off-screen RGBA8 colour buffer with
// a 24-bit depth buffer of a fixed size.
#ifndef HALVORN_HOST_HEADLESS_EGL_CONTEXT_H
#define HALVORN_HOST_HEADLESS_EGL_CONTEXT_H

#include <memory>
#include <string>

#include "png_io.h"

// Where the picture is drawn.
enum class EglTarget {
    Any,      // a framebuffer object when the context can be current without a surface, else a pbuffer
    Pbuffer,  // always a pbuffer surface
};

// Finds an OpenGL entry point of the current EGL context by name
// (eglGetProcAddress): null when it has none. The renderer's GlProcLoader.
void* eglProc(const char* name);

// Which OpenGL.
enum class EglApi {
    DesktopGl,  // OpenGL with the compatibility profile (the renderer's OpenGL 1.1)
    Gles2,      // OpenGL ES 2.0 (the renderer's ES backend, render/gles2/)
};

class EglContext {
public:
    // Creates the context and its width x height render target (pixels) and
    // makes it current on the calling thread. Null with *error set
    // ("egl: ...") when no usable display, context or target exists.
    static std::unique_ptr<EglContext> create(int width, int height, std::string* error,
                                              EglTarget target = EglTarget::Any, EglApi api = EglApi::DesktopGl);

    // Releases the target, the context and the display.
    ~EglContext();
    EglContext(const EglContext&) = delete;
    EglContext& operator=(const EglContext&) = delete;

    int width() const { return width_; }    // pixels
    int height() const { return height_; }  // pixels

    // Reads the finished picture back into image as RGB, rows top-down (waits
    // for the GL), reusing image's buffer. False with *error set when the GL
    // reports an error.
    bool readPixels(RgbImage* image, std::string* error) const;

    // True when drawing goes to a framebuffer object, false for a pbuffer.
    bool usesFramebufferObject() const;

    // One line for the log: EGL platform, target kind, GL version and renderer.
    std::string description() const;

private:
    EglContext() = default;
    struct Impl;
    std::unique_ptr<Impl> impl_;
    int width_ = 0;
    int height_ = 0;
};

#endif
