#include "x11_egl.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GL/gl.h>
#include <X11/Xutil.h>

#include <cstring>
#include <map>
#include <vector>

#include "egl_common.h"

namespace {

// How the display was obtained, which decides how window surfaces are made.
enum class Platform { Core, Ext, Legacy };

}  // namespace

struct X11Egl::Impl {
    Display* x = nullptr;
    EGLDisplay display = EGL_NO_DISPLAY;
    Platform platform = Platform::Legacy;
    EGLConfig config = nullptr;
    EglConfigTraits traits;
    EGLContext context = EGL_NO_CONTEXT;
    EGLSurface surface = EGL_NO_SURFACE;

    EGLint attribute(EGLConfig c, EGLint name) const { return configAttribute(display, c, name); }

    // Depth of an X visual, bits; 0 when the server does not know it.
    int visualDepth(unsigned long visualId, std::map<unsigned long, int>* cache) const {
        auto it = cache->find(visualId);
        if (it != cache->end()) return it->second;
        XVisualInfo wanted;
        std::memset(&wanted, 0, sizeof wanted);
        wanted.visualid = visualId;
        int count = 0;
        XVisualInfo* found = XGetVisualInfo(x, VisualIDMask, &wanted, &count);
        const int depth = found && count > 0 ? found[0].depth : 0;
        if (found) XFree(found);
        (*cache)[visualId] = depth;
        return depth;
    }

    // The display for the connection: EGL 1.5's platform call, the EXT one,
    // or eglGetDisplay with the connection as the native display.
    EGLDisplay platformDisplay(int screen) {
        const char* client = eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS);
        if (eglVersionNumber(eglQueryString(EGL_NO_DISPLAY, EGL_VERSION)) >= 105 &&
            hasExtension(client, "EGL_KHR_platform_x11")) {
            const EGLAttrib attributes[] = {EGL_PLATFORM_X11_SCREEN_KHR, screen, EGL_NONE};
            platform = Platform::Core;
            return eglGetPlatformDisplay(EGL_PLATFORM_X11_KHR, x, attributes);
        }
        auto getExt = reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(eglGetProcAddress("eglGetPlatformDisplayEXT"));
        if (getExt && hasExtension(client, "EGL_EXT_platform_x11")) {
            const EGLint attributes[] = {EGL_PLATFORM_X11_SCREEN_EXT, screen, EGL_NONE};
            platform = Platform::Ext;
            return getExt(EGL_PLATFORM_X11_EXT, x, attributes);
        }
        platform = Platform::Legacy;
        return eglGetDisplay(reinterpret_cast<EGLNativeDisplayType>(x));
    }

    EGLSurface createSurface(Window window) {
        if (platform == Platform::Core) return eglCreatePlatformWindowSurface(display, config, &window, nullptr);
        if (platform == Platform::Ext) {
            auto createExt = reinterpret_cast<PFNEGLCREATEPLATFORMWINDOWSURFACEEXTPROC>(
                eglGetProcAddress("eglCreatePlatformWindowSurfaceEXT"));
            if (createExt) return createExt(display, config, &window, nullptr);
        }
        return eglCreateWindowSurface(display, config, static_cast<EGLNativeWindowType>(window), nullptr);
    }

    bool createContext() {
        context = createCompatibilityContext(display, config);
        return context != EGL_NO_CONTEXT;
    }
};

X11Egl::X11Egl() : impl_(std::make_unique<Impl>()) {}

X11Egl::~X11Egl() { close(); }

bool X11Egl::open(Display* x, int screen, std::string* error) {
    close();
    Impl& d = *impl_;
    d.x = x;
    EGLDisplay display = d.platformDisplay(screen);
    if (!initialiseDesktopGl(display, "X", error)) return false;
    d.display = display;
    return true;
}

bool X11Egl::chooseConfig(unsigned long visualId, int depth, VisualMatch match, std::string* error) {
    Impl& d = *impl_;
    const std::vector<EGLConfig> configs = windowConfigs(d.display, 1, MinDepthBufferBits);
    std::vector<EglConfigTraits> traits;
    std::map<unsigned long, int> depths;
    for (EGLConfig c : configs) {
        EglConfigTraits t;
        t.visualId = static_cast<unsigned long>(d.attribute(c, EGL_NATIVE_VISUAL_ID));
        t.visualDepth = t.visualId ? d.visualDepth(t.visualId, &depths) : 0;
        t.depthBits = d.attribute(c, EGL_DEPTH_SIZE);
        t.stencilBits = d.attribute(c, EGL_STENCIL_SIZE);
        t.samples = d.attribute(c, EGL_SAMPLES);
        t.slow = d.attribute(c, EGL_CONFIG_CAVEAT) == EGL_SLOW_CONFIG;
        traits.push_back(t);
    }
    const int chosen = chooseEglConfig(traits, visualId, depth, match);
    if (chosen < 0) {
        *error = "egl: no OpenGL configuration with a depth buffer for visual " + hexText(visualId) + " (depth " +
                 std::to_string(depth) + "); " + std::to_string(configs.size()) + " window configurations offered";
        return false;
    }
    d.config = configs[static_cast<std::size_t>(chosen)];
    d.traits = traits[static_cast<std::size_t>(chosen)];
    return true;
}

unsigned long X11Egl::configVisualId() const { return impl_->config ? impl_->traits.visualId : 0; }

bool X11Egl::attach(Window window, std::string* error) {
    Impl& d = *impl_;
    if (!d.createContext()) {
        *error = "egl: cannot create an OpenGL context (" + eglErrorText() + ")";
        return false;
    }
    d.surface = d.createSurface(window);
    if (d.surface == EGL_NO_SURFACE) {
        *error = "egl: cannot create a surface on window " + hexText(window) + " (" + eglErrorText() + ")";
        return false;
    }
    if (!eglMakeCurrent(d.display, d.surface, d.surface, d.context)) {
        *error = "egl: cannot make the context current (" + eglErrorText() + ")";
        return false;
    }
    // Drawing goes to the back buffer, which each swap shows.
    EGLint renderBuffer = EGL_BACK_BUFFER;
    eglQuerySurface(d.display, d.surface, EGL_RENDER_BUFFER, &renderBuffer);
    if (renderBuffer != EGL_BACK_BUFFER) {
        *error = "egl: the window surface is single-buffered";
        return false;
    }
    eglSwapInterval(d.display, 0);
    return true;
}

bool X11Egl::swap() {
    const Impl& d = *impl_;
    return d.surface != EGL_NO_SURFACE && eglSwapBuffers(d.display, d.surface);
}

std::string X11Egl::description() const {
    const Impl& d = *impl_;
    auto text = [](const char* s) { return std::string(s ? s : "?"); };
    auto glText = [](GLenum name) {
        const char* s = reinterpret_cast<const char*>(glGetString(name));
        return std::string(s ? s : "?");
    };
    return "egl: " + text(eglQueryString(d.display, EGL_VERSION)) + ", visual " + hexText(d.traits.visualId) +
           " (depth " + std::to_string(d.traits.visualDepth) + "), depth buffer " + std::to_string(d.traits.depthBits) +
           " bits, OpenGL " + glText(GL_VERSION) + ", " + glText(GL_RENDERER);
}

void X11Egl::close() {
    Impl& d = *impl_;
    if (d.display != EGL_NO_DISPLAY) {
        eglMakeCurrent(d.display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
        if (d.surface != EGL_NO_SURFACE) eglDestroySurface(d.display, d.surface);
        if (d.context != EGL_NO_CONTEXT) eglDestroyContext(d.display, d.context);
        eglTerminate(d.display);
        eglReleaseThread();
    }
    d.surface = EGL_NO_SURFACE;
    d.context = EGL_NO_CONTEXT;
    d.display = EGL_NO_DISPLAY;
    d.config = nullptr;
    d.traits = EglConfigTraits();
}
