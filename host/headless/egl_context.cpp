#include "egl_context.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GL/gl.h>
#include <GL/glext.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "render/gl/gl_strings.h"

namespace {

std::string hex(unsigned value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%04X", value);
    return text;
}

std::string eglErrorText() { return "EGL error " + hex(static_cast<unsigned>(eglGetError())); }

// Framebuffer-object entry points: the GL 3.0 / ARB names or the EXT ones.
struct FboFunctions {
    PFNGLGENFRAMEBUFFERSPROC genFramebuffers = nullptr;
    PFNGLDELETEFRAMEBUFFERSPROC deleteFramebuffers = nullptr;
    PFNGLBINDFRAMEBUFFERPROC bindFramebuffer = nullptr;
    PFNGLGENRENDERBUFFERSPROC genRenderbuffers = nullptr;
    PFNGLDELETERENDERBUFFERSPROC deleteRenderbuffers = nullptr;
    PFNGLBINDRENDERBUFFERPROC bindRenderbuffer = nullptr;
    PFNGLRENDERBUFFERSTORAGEPROC renderbufferStorage = nullptr;
    PFNGLFRAMEBUFFERRENDERBUFFERPROC framebufferRenderbuffer = nullptr;
    PFNGLCHECKFRAMEBUFFERSTATUSPROC checkFramebufferStatus = nullptr;

    template <typename F>
    static bool load(F* f, const char* name) {
        *f = reinterpret_cast<F>(eglGetProcAddress(name));
        return *f != nullptr;
    }

    // suffix is "" or "EXT". The EXT signatures match the core ones.
    bool loadAll(const char* suffix) {
        auto n = [suffix](const char* base) { return std::string(base) + suffix; };
        return load(&genFramebuffers, n("glGenFramebuffers").c_str()) &&
               load(&deleteFramebuffers, n("glDeleteFramebuffers").c_str()) &&
               load(&bindFramebuffer, n("glBindFramebuffer").c_str()) &&
               load(&genRenderbuffers, n("glGenRenderbuffers").c_str()) &&
               load(&deleteRenderbuffers, n("glDeleteRenderbuffers").c_str()) &&
               load(&bindRenderbuffer, n("glBindRenderbuffer").c_str()) &&
               load(&renderbufferStorage, n("glRenderbufferStorage").c_str()) &&
               load(&framebufferRenderbuffer, n("glFramebufferRenderbuffer").c_str()) &&
               load(&checkFramebufferStatus, n("glCheckFramebufferStatus").c_str());
    }
};

// Major version of the current context's GL_VERSION ("4.5 (Compatibility ...").
int glMajorVersion() {
    const char* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
    if (!version) return 0;
    int major = 0;
    for (const char* p = version; *p >= '0' && *p <= '9'; ++p) major = major * 10 + (*p - '0');
    return major;
}

// Clears the pending error flags (bounded: an implementation keeps at most
// one flag per error code).
void drainGlErrors() {
    for (int i = 0; i < 16 && glGetError() != GL_NO_ERROR; ++i) {
    }
}

}  // namespace

void* eglProc(const char* name) { return reinterpret_cast<void*>(eglGetProcAddress(name)); }

struct EglContext::Impl {
    EGLDisplay display = EGL_NO_DISPLAY;
    EGLContext context = EGL_NO_CONTEXT;
    EGLSurface surface = EGL_NO_SURFACE;  // pbuffer, when no framebuffer object is used
    std::string platform;
    bool es = false;  // an OpenGL ES 2.0 context rather than desktop OpenGL
    bool useFbo = false;
    FboFunctions fbo;
    GLuint framebuffer = 0;
    GLuint colour = 0;
    GLuint depth = 0;

    ~Impl() { release(); }

    void releaseTarget() {
        if (display == EGL_NO_DISPLAY) return;
        if (useFbo && context != EGL_NO_CONTEXT && eglGetCurrentContext() == context) {
            fbo.bindFramebuffer(GL_FRAMEBUFFER, 0);
            if (framebuffer) fbo.deleteFramebuffers(1, &framebuffer);
            if (colour) fbo.deleteRenderbuffers(1, &colour);
            if (depth) fbo.deleteRenderbuffers(1, &depth);
        }
        framebuffer = colour = depth = 0;
        useFbo = false;
        eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
        if (surface != EGL_NO_SURFACE) eglDestroySurface(display, surface);
        surface = EGL_NO_SURFACE;
    }

    void releaseContext() {
        releaseTarget();
        if (display != EGL_NO_DISPLAY && context != EGL_NO_CONTEXT) eglDestroyContext(display, context);
        context = EGL_NO_CONTEXT;
    }

    void release() {
        releaseContext();
        if (display != EGL_NO_DISPLAY) eglTerminate(display);
        display = EGL_NO_DISPLAY;
        eglReleaseThread();
    }

    // A config for desktop GL with 8-bit RGB; surfaceType 0 matches any.
    bool chooseConfig(EGLint surfaceType, EGLint depthBits, EGLConfig* config) {
        const EGLint attributes[] = {
            EGL_RENDERABLE_TYPE,
            es ? EGL_OPENGL_ES2_BIT : EGL_OPENGL_BIT,
            EGL_SURFACE_TYPE,
            surfaceType,
            EGL_RED_SIZE,
            8,
            EGL_GREEN_SIZE,
            8,
            EGL_BLUE_SIZE,
            8,
            EGL_DEPTH_SIZE,
            depthBits,
            EGL_NONE,
        };
        EGLint count = 0;
        return eglChooseConfig(display, attributes, config, 1, &count) && count > 0;
    }

    // A compatibility-profile context: the fixed-function pipeline and
    // display lists are what the renderer uses.
    bool createContext(EGLConfig config) {
        if (es) {
            const EGLint attributes[] = {EGL_CONTEXT_CLIENT_VERSION, 2, EGL_NONE};
            context = eglCreateContext(display, config, EGL_NO_CONTEXT, attributes);
            return context != EGL_NO_CONTEXT;
        }
        int major = 0;
        int minor = 0;
        const char* version = eglQueryString(display, EGL_VERSION);
        if (version) std::sscanf(version, "%d.%d", &major, &minor);
        const bool profiles = major > 1 || (major == 1 && minor >= 5) ||
                              hasExtension(eglQueryString(display, EGL_EXTENSIONS), "EGL_KHR_create_context");
        if (profiles) {
            const EGLint attributes[] = {EGL_CONTEXT_OPENGL_PROFILE_MASK, EGL_CONTEXT_OPENGL_COMPATIBILITY_PROFILE_BIT,
                                         EGL_NONE};
            context = eglCreateContext(display, config, EGL_NO_CONTEXT, attributes);
        }
        if (context == EGL_NO_CONTEXT) context = eglCreateContext(display, config, EGL_NO_CONTEXT, nullptr);
        return context != EGL_NO_CONTEXT;
    }

    // Current context without a surface, drawing into a framebuffer object.
    bool setUpFramebufferObject(int width, int height, std::string* why) {
        EGLConfig config = nullptr;
        if (!chooseConfig(0, 0, &config)) {
            *why = std::string(es ? "no OpenGL ES 2.0" : "no desktop OpenGL") + " config with 8-bit RGB";
            return false;
        }
        if (!createContext(config)) {
            *why = "cannot create an OpenGL context (" + eglErrorText() + ")";
            return false;
        }
        if (!eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, context)) {
            *why = "cannot make the context current without a surface (" + eglErrorText() + ")";
            return false;
        }
        const char* extensions = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
        bool loaded = false;
        if (es) {
            loaded = fbo.loadAll("");  // framebuffer objects are part of ES 2.0
        } else if (glMajorVersion() >= 3 || hasExtension(extensions, "GL_ARB_framebuffer_object")) {
            loaded = fbo.loadAll("");
        } else if (hasExtension(extensions, "GL_EXT_framebuffer_object")) {
            loaded = fbo.loadAll("EXT");
        }
        if (!loaded) {
            *why = "no framebuffer objects in this OpenGL";
            return false;
        }
        useFbo = true;
        drainGlErrors();
        fbo.genFramebuffers(1, &framebuffer);
        fbo.genRenderbuffers(1, &colour);
        fbo.genRenderbuffers(1, &depth);
        fbo.bindFramebuffer(GL_FRAMEBUFFER, framebuffer);
        fbo.bindRenderbuffer(GL_RENDERBUFFER, colour);
        fbo.renderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, width, height);
        fbo.framebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, colour);
        fbo.bindRenderbuffer(GL_RENDERBUFFER, depth);
        fbo.renderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT24, width, height);
        fbo.framebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, depth);
        fbo.bindRenderbuffer(GL_RENDERBUFFER, 0);
        const GLenum status = fbo.checkFramebufferStatus(GL_FRAMEBUFFER);
        const GLenum glError = glGetError();
        if (status != GL_FRAMEBUFFER_COMPLETE || glError != GL_NO_ERROR) {
            *why = "framebuffer object of " + std::to_string(width) + "x" + std::to_string(height) +
                   " is not complete (status " + hex(status) + ", GL error " + hex(glError) + ")";
            return false;
        }
        // Draw and read the colour attachment, as with a window's back buffer
        // (ES has only the one).
        if (!es) {
            glDrawBuffer(GL_COLOR_ATTACHMENT0);
            glReadBuffer(GL_COLOR_ATTACHMENT0);
        }
        return true;
    }

    // Current context drawing into a pbuffer surface.
    bool setUpPbuffer(int width, int height, std::string* why) {
        EGLConfig config = nullptr;
        if (!chooseConfig(EGL_PBUFFER_BIT, 24, &config) && !chooseConfig(EGL_PBUFFER_BIT, 16, &config)) {
            *why = std::string(es ? "no OpenGL ES 2.0" : "no desktop OpenGL") +
                   " pbuffer config with 8-bit RGB and a depth buffer";
            return false;
        }
        const EGLint attributes[] = {EGL_WIDTH, width, EGL_HEIGHT, height, EGL_NONE};
        surface = eglCreatePbufferSurface(display, config, attributes);
        if (surface == EGL_NO_SURFACE) {
            *why = "cannot create a " + std::to_string(width) + "x" + std::to_string(height) + " pbuffer (" +
                   eglErrorText() + ")";
            return false;
        }
        if (!createContext(config)) {
            *why = "cannot create an OpenGL context (" + eglErrorText() + ")";
            return false;
        }
        if (!eglMakeCurrent(display, surface, surface, context)) {
            *why = "cannot make the context current (" + eglErrorText() + ")";
            return false;
        }
        return true;
    }

    // Initialises display and sets up a context and target on it.
    bool tryDisplay(EGLDisplay candidate, const char* name, int width, int height, EglTarget target, std::string* why) {
        if (candidate == EGL_NO_DISPLAY) {
            *why = std::string(name) + ": no display";
            return false;
        }
        EGLint major = 0;
        EGLint minor = 0;
        if (!eglInitialize(candidate, &major, &minor)) {
            *why = std::string(name) + ": cannot initialise (" + eglErrorText() + ")";
            return false;
        }
        display = candidate;
        platform = name;
        std::string reason;
        if (!eglBindAPI(es ? EGL_OPENGL_ES_API : EGL_OPENGL_API)) {
            reason = std::string(es ? "no OpenGL ES API (" : "no desktop OpenGL API (") + eglErrorText() + ")";
        } else {
            const char* extensions = eglQueryString(display, EGL_EXTENSIONS);
            if (target == EglTarget::Any && hasExtension(extensions, "EGL_KHR_surfaceless_context")) {
                if (setUpFramebufferObject(width, height, &reason)) return true;
                releaseContext();
                reason += "; ";
            }
            std::string pbufferReason;
            if (setUpPbuffer(width, height, &pbufferReason)) return true;
            reason += pbufferReason;
        }
        *why = std::string(name) + ": " + reason;
        release();
        return false;
    }
};

std::unique_ptr<EglContext> EglContext::create(int width, int height, std::string* error, EglTarget target,
                                               EglApi api) {
    if (width < 1 || height < 1) {
        *error = "egl: invalid picture size " + std::to_string(width) + "x" + std::to_string(height);
        return nullptr;
    }
    std::unique_ptr<EglContext> result(new EglContext());
    result->impl_ = std::make_unique<Impl>();
    result->width_ = width;
    result->height_ = height;
    Impl& impl = *result->impl_;
    impl.es = api == EglApi::Gles2;

    std::vector<std::string> reasons;
    std::string why;
    const char* client = eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS);
    auto getPlatformDisplay =
        reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(eglGetProcAddress("eglGetPlatformDisplayEXT"));

    // 1. Mesa's surfaceless platform: no window system at all.
    if (getPlatformDisplay && hasExtension(client, "EGL_MESA_platform_surfaceless")) {
        EGLDisplay d = getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
        if (impl.tryDisplay(d, "surfaceless", width, height, target, &why)) return result;
        reasons.push_back(why);
    }
    // 2. An EGL device (a GPU driver without a window system).
    auto queryDevices = reinterpret_cast<PFNEGLQUERYDEVICESEXTPROC>(eglGetProcAddress("eglQueryDevicesEXT"));
    if (getPlatformDisplay && queryDevices && hasExtension(client, "EGL_EXT_platform_device")) {
        EGLDeviceEXT devices[16];
        EGLint count = 0;
        if (queryDevices(16, devices, &count)) {
            for (EGLint i = 0; i < count; ++i) {
                EGLDisplay d = getPlatformDisplay(EGL_PLATFORM_DEVICE_EXT, devices[i], nullptr);
                const std::string name = "device " + std::to_string(i);
                if (impl.tryDisplay(d, name.c_str(), width, height, target, &why)) return result;
                reasons.push_back(why);
            }
        }
    }
    // 3. Whatever the default display is.
    if (impl.tryDisplay(eglGetDisplay(EGL_DEFAULT_DISPLAY), "default display", width, height, target, &why))
        return result;
    reasons.push_back(why);

    *error = "egl: no usable OpenGL context:";
    for (std::size_t i = 0; i < reasons.size(); ++i) *error += (i ? "; " : " ") + reasons[i];
    return nullptr;
}

EglContext::~EglContext() = default;

bool EglContext::readPixels(RgbImage* image, std::string* error) const {
    // The caller's buffer is reused: a run that reads every frame keeps one.
    RgbImage& result = *image;
    result.width = width_;
    result.height = height_;
    result.pixels.resize(static_cast<std::size_t>(width_) * height_ * 3);
    GLint oldAlignment = 4;
    // Errors left by earlier drawing are not the read's; drop them so the check
    // below sees only what the read itself reports.
    drainGlErrors();
    glGetIntegerv(GL_PACK_ALIGNMENT, &oldAlignment);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    if (impl_->es) {
        // ES reads RGBA for certain; the alpha is dropped.
        std::vector<std::uint8_t> rgba(static_cast<std::size_t>(width_) * height_ * 4);
        glReadPixels(0, 0, width_, height_, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
        for (std::size_t p = 0; p < rgba.size() / 4; ++p) {
            for (int c = 0; c < 3; ++c)
                result.pixels[3 * p + static_cast<std::size_t>(c)] = rgba[4 * p + static_cast<std::size_t>(c)];
        }
    } else {
        glReadPixels(0, 0, width_, height_, GL_RGB, GL_UNSIGNED_BYTE, result.pixels.data());
    }
    const GLenum glError = glGetError();
    glPixelStorei(GL_PACK_ALIGNMENT, oldAlignment);
    if (glError != GL_NO_ERROR) {
        *error = "gl: glReadPixels failed (GL error " + hex(glError) + ")";
        return false;
    }
    // OpenGL's rows run bottom-up; pictures run top-down.
    const std::size_t rowBytes = static_cast<std::size_t>(width_) * 3;
    std::vector<std::uint8_t> row(rowBytes);
    for (int y = 0; y < height_ / 2; ++y) {
        std::uint8_t* a = result.at(0, y);
        std::uint8_t* b = result.at(0, height_ - 1 - y);
        std::memcpy(row.data(), a, rowBytes);
        std::memcpy(a, b, rowBytes);
        std::memcpy(b, row.data(), rowBytes);
    }
    return true;
}

bool EglContext::usesFramebufferObject() const { return impl_->useFbo; }

std::string EglContext::description() const {
    auto text = [](GLenum name) {
        const char* s = reinterpret_cast<const char*>(glGetString(name));
        return std::string(s ? s : "?");
    };
    return "egl: " + impl_->platform + ", " + (impl_->useFbo ? "framebuffer object" : "pbuffer") + " " +
           std::to_string(width_) + "x" + std::to_string(height_) + ", " + (impl_->es ? "" : "OpenGL ") +
           text(GL_VERSION) + ", " + text(GL_RENDERER);
}
