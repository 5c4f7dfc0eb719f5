#include "wayland_egl.h"

#define EGL_NO_X11
#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <wayland-client.h>
#include <wayland-egl.h>

#include <set>
#include <vector>

#include "egl_common.h"
#include "wayland_logic.h"

struct WaylandEgl::Impl {
    EGLDisplay display = EGL_NO_DISPLAY;
    EGLConfig config = nullptr;
    WaylandConfigTraits traits;
    EGLContext context = EGL_NO_CONTEXT;
    std::set<EGLSurface> surfaces;
    std::set<EGLSurface> synchronisationOff;

    EGLint attribute(EGLConfig c, EGLint name) const { return configAttribute(display, c, name); }

    // EGL 1.5's platform call, else the EXT one.
    EGLDisplay platformDisplay(wl_display* wayland) const {
        const char* client = eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS);
        if (eglVersionNumber(eglQueryString(EGL_NO_DISPLAY, EGL_VERSION)) >= 105 &&
            hasExtension(client, "EGL_KHR_platform_wayland")) {
            return eglGetPlatformDisplay(EGL_PLATFORM_WAYLAND_KHR, wayland, nullptr);
        }
        auto getExt = reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(eglGetProcAddress("eglGetPlatformDisplayEXT"));
        if (getExt && hasExtension(client, "EGL_EXT_platform_wayland")) {
            return getExt(EGL_PLATFORM_WAYLAND_EXT, wayland, nullptr);
        }
        return EGL_NO_DISPLAY;
    }

    bool chooseConfig(std::string* error) {
        const std::vector<EGLConfig> configs = windowConfigs(display, 8, 16);
        std::vector<WaylandConfigTraits> traitsList;
        for (EGLConfig c : configs) {
            WaylandConfigTraits t;
            t.red = attribute(c, EGL_RED_SIZE);
            t.green = attribute(c, EGL_GREEN_SIZE);
            t.blue = attribute(c, EGL_BLUE_SIZE);
            t.alpha = attribute(c, EGL_ALPHA_SIZE);
            t.depthBits = attribute(c, EGL_DEPTH_SIZE);
            t.samples = attribute(c, EGL_SAMPLES);
            t.slow = attribute(c, EGL_CONFIG_CAVEAT) == EGL_SLOW_CONFIG;
            traitsList.push_back(t);
        }
        const int chosen = chooseWaylandConfig(traitsList);
        if (chosen < 0) {
            *error = "egl: no OpenGL window configuration with a depth buffer (" + std::to_string(configs.size()) +
                     " offered)";
            return false;
        }
        config = configs[static_cast<std::size_t>(chosen)];
        traits = traitsList[static_cast<std::size_t>(chosen)];
        return true;
    }
};

WaylandEgl::WaylandEgl() : impl_(std::make_unique<Impl>()) {}

WaylandEgl::~WaylandEgl() { close(); }

bool WaylandEgl::open(wl_display* wayland, std::string* error) {
    close();
    Impl& d = *impl_;
    EGLDisplay display = d.platformDisplay(wayland);
    if (!initialiseDesktopGl(display, "Wayland", error)) return false;
    d.display = display;
    if (!d.chooseConfig(error)) return false;
    d.context = createCompatibilityContext(d.display, d.config);
    if (d.context == EGL_NO_CONTEXT) {
        *error = "egl: cannot create an OpenGL context (" + eglErrorText() + ")";
        return false;
    }
    return true;
}

WaylandEgl::Surface WaylandEgl::createSurface(wl_egl_window* window, std::string* error) {
    Impl& d = *impl_;
    EGLSurface surface = eglCreatePlatformWindowSurface(d.display, d.config, window, nullptr);
    if (surface == EGL_NO_SURFACE) {
        *error = "egl: cannot create a window surface (" + eglErrorText() + ")";
        return nullptr;
    }
    d.surfaces.insert(surface);
    return surface;
}

bool WaylandEgl::makeCurrent(Surface surface) {
    Impl& d = *impl_;
    if (!eglMakeCurrent(d.display, surface, surface, d.context)) return false;
    if (d.synchronisationOff.insert(surface).second) eglSwapInterval(d.display, 0);
    return true;
}

bool WaylandEgl::swap(Surface surface) { return eglSwapBuffers(impl_->display, surface) == EGL_TRUE; }

void WaylandEgl::destroySurface(Surface surface) {
    Impl& d = *impl_;
    if (surface == nullptr || d.surfaces.erase(surface) == 0) return;
    d.synchronisationOff.erase(surface);
    if (eglGetCurrentSurface(EGL_DRAW) == surface) eglMakeCurrent(d.display, EGL_NO_SURFACE, EGL_NO_SURFACE, d.context);
    eglDestroySurface(d.display, surface);
}

std::string WaylandEgl::description() const {
    const Impl& d = *impl_;
    return eglAndGlText(d.display) + ", colour " + std::to_string(d.traits.red) + "/" + std::to_string(d.traits.green) +
           "/" + std::to_string(d.traits.blue) + "/" + std::to_string(d.traits.alpha) + ", depth buffer " +
           std::to_string(d.traits.depthBits) + " bits";
}

void WaylandEgl::close() {
    Impl& d = *impl_;
    if (d.display != EGL_NO_DISPLAY) {
        eglMakeCurrent(d.display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
        for (EGLSurface s : d.surfaces) eglDestroySurface(d.display, s);
        if (d.context != EGL_NO_CONTEXT) eglDestroyContext(d.display, d.context);
        eglTerminate(d.display);
        eglReleaseThread();
    }
    d.surfaces.clear();
    d.synchronisationOff.clear();
    d.context = EGL_NO_CONTEXT;
    d.display = EGL_NO_DISPLAY;
    d.config = nullptr;
}
