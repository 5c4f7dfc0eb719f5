// OpenGL on Wayland surfaces through EGL (EGL_PLATFORM_WAYLAND_KHR): one
// compatibility-profile context for the program, and a window surface for
// each wl_surface it draws on. Swaps never wait for the compositor (swap
// interval 0): the host paces its frames and asks for frame callbacks itself.
#ifndef HALVORN_HOST_LINUX_WAYLAND_EGL_H
#define HALVORN_HOST_LINUX_WAYLAND_EGL_H

#include <memory>
#include <string>

struct wl_display;
struct wl_egl_window;

class WaylandEgl {
public:
    // An EGL window surface (EGLSurface); null for none.
    using Surface = void*;

    WaylandEgl();
    ~WaylandEgl();  // close()
    WaylandEgl(const WaylandEgl&) = delete;
    WaylandEgl& operator=(const WaylandEgl&) = delete;

    // The EGL display of the connection, desktop OpenGL, the configuration
    // (8-bit red, green and blue, no alpha, a depth buffer; see
    // chooseWaylandConfig) and the context. False with *error set ("egl: ...").
    bool open(wl_display* display, std::string* error);

    // A window surface on window; null with *error set.
    Surface createSurface(wl_egl_window* window, std::string* error);
    // Makes the context current on surface; the first time, also turns off
    // swap synchronisation for it.
    bool makeCurrent(Surface surface);
    // Shows the back buffer of the current surface (commits its wl_surface);
    // false when EGL reports a failure.
    bool swap(Surface surface);
    void destroySurface(Surface surface);

    // One line for the log: EGL version, configuration, GL version and renderer.
    std::string description() const;

    // Releases every surface, the context and the display. Safe to call twice.
    void close();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

#endif
