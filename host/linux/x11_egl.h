// OpenGL on an X window through EGL: the EGL display of an X connection, the
// configuration that matches the window's visual, a compatibility-profile
// context (the renderer draws with the fixed-function pipeline and display
// lists) and a double-buffered window surface with a depth buffer.
#ifndef HALVORN_HOST_LINUX_X11_EGL_H
#define HALVORN_HOST_LINUX_X11_EGL_H

#include <X11/Xlib.h>

#include <memory>
#include <string>

#include "x11_config_choice.h"

class X11Egl {
public:
    X11Egl();
    ~X11Egl();  // close()
    X11Egl(const X11Egl&) = delete;
    X11Egl& operator=(const X11Egl&) = delete;

    // Opens and initialises the EGL display of the connection for the given
    // screen and binds desktop OpenGL. False with *error set ("egl: ...").
    bool open(Display* x, int screen, std::string* error);

    // Picks the configuration for a window of the given visual and depth
    // (see chooseEglConfig). False with *error set when none fits.
    bool chooseConfig(unsigned long visualId, int depth, VisualMatch match, std::string* error);
    // The X visual of the chosen configuration (0 before chooseConfig).
    unsigned long configVisualId() const;

    // Creates the context and a window surface on window, makes them current
    // and turns off swap synchronisation (the host paces the frames).
    bool attach(Window window, std::string* error);

    // Shows the back buffer; false when EGL reports a failure (the window
    // may be gone).
    bool swap();

    // One line for the log: EGL version and vendor, configuration, GL version
    // and renderer.
    std::string description() const;

    // Releases the surface, the context and the EGL display (not the X
    // connection). Safe to call twice.
    void close();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

#endif
