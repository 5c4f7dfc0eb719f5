// The program on an X display. It draws into one window: a top-level window
// of its own, the window named by --window-id, or with --root the window in
// $XSCREENSAVER_WINDOW (else the screen's root window). The battle itself is
// the saver module's (saver.h); this file owns the window, the EGL context,
// the clock and the input, and paces the frames:
//
//   draw a frame at tick t (saverDraw), add the frame-rate line, swap;
//   the next frame is due at t + frame.delayMs;
//   until then, handle every pending X event and sleep in poll() on the X
//   connection and a pipe that the stop signals write to.
//
// It prints nothing but errors and, with --fps, the frame-rate line once a
// second; HALVORN_X11_VERBOSE=1 adds a line on the EGL configuration and the
// OpenGL in use.
#include "x11_host.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "fps_overlay.h"
#include "gl_painter.h"
#include "heap_trim.h"
#include "loop_support.h"
#include "saver.h"
#include "screensaver_window.h"
#include "x11_egl.h"
#include "x11_fps_line.h"

namespace {

// --- X errors --------------------------------------------------------------------

// X errors never end the program. The handler counts them (start-up checks
// compare the count around a request) and notes when the drawn window is
// reported gone: a window destroyed by its owner fails the requests of the
// frame in flight before its DestroyNotify is read.
struct XErrorState {
    unsigned long count = 0;
    Window watched[2] = {0, 0};  // the window we follow, and the one drawn on when that is another
    bool watchedGone = false;
};
XErrorState xErrors;

int onXError(Display*, XErrorEvent* e) {
    ++xErrors.count;
    const bool watched =
        e->resourceid != 0 && (e->resourceid == xErrors.watched[0] || e->resourceid == xErrors.watched[1]);
    if (watched && (e->error_code == BadWindow || e->error_code == BadDrawable)) {
        xErrors.watchedGone = true;
    }
    return 0;
}

int onXIoError(Display*) {
    std::fprintf(stderr, "halvorn: lost the connection to the X display\n");
    std::fflush(stderr);
    _exit(1);
}

std::string hexId(unsigned long id) {
    char text[24];
    std::snprintf(text, sizeof text, "0x%lx", id);
    return text;
}

// --- the host --------------------------------------------------------------------

class X11Host {
public:
    explicit X11Host(const ProgramOptions& o) : options_(o) {}
    ~X11Host() { release(); }
    X11Host(const X11Host&) = delete;
    X11Host& operator=(const X11Host&) = delete;

    int run() {
        // First of all, so that a stop during start-up ends the run cleanly.
        if (!signals_.install()) {
            std::fprintf(stderr, "halvorn: cannot create the wake-up pipe: %s\n", std::strerror(errno));
            return 1;
        }
        x_ = XOpenDisplay(nullptr);
        if (!x_) {
            const char* name = std::getenv("DISPLAY");
            if (name && *name) {
                std::fprintf(stderr, "halvorn: cannot open X display %s (set DISPLAY, or use --headless)\n", name);
            } else {
                std::fprintf(stderr, "halvorn: no X display (set DISPLAY, or use --headless)\n");
            }
            return 1;
        }
        oldErrorHandler_ = XSetErrorHandler(onXError);
        oldIoErrorHandler_ = XSetIOErrorHandler(onXIoError);
        std::string error;
        if (!setUp(&error)) {
            std::fprintf(stderr, "halvorn: %s\n", error.c_str());
            return 1;
        }
        loop();
        return 0;
    }

private:
    const ProgramOptions& options_;
    Display* x_ = nullptr;
    XErrorHandler oldErrorHandler_ = nullptr;
    XIOErrorHandler oldIoErrorHandler_ = nullptr;
    Window target_ = 0;  // the window whose size and end we follow
    Window drawOn_ = 0;  // the window the picture goes to: target_, or a child of ours covering it
    bool ownWindow_ = false;
    Colormap colormap_ = 0;
    int width_ = 0;
    int height_ = 0;
    bool windowGone_ = false;
    bool closeAsked_ = false;
    Atom wmProtocols_ = 0;
    Atom wmDeleteWindow_ = 0;
    X11Egl egl_;
    GlPainter painter_{gl11Backend()};  // the window draws with the system's OpenGL 1.1
    FpsOverlay overlay_;
    StopSignals signals_;

    // Start-up: the window, EGL on it, the signals, the battle.
    bool setUp(std::string* error) {
        const std::uint32_t startTick = tickMs();
        wmProtocols_ = XInternAtom(x_, "WM_PROTOCOLS", False);
        wmDeleteWindow_ = XInternAtom(x_, "WM_DELETE_WINDOW", False);
        if (options_.root || options_.windowIdGiven) {
            if (!useForeignWindow(error)) return false;
        } else if (!createOwnWindow(error)) {
            return false;
        }
        bool gone = false;
        if (!attachEgl(&gone, error)) return false;
        if (gone) {
            // Destroyed while we started (XScreenSaver unblanking at once):
            // the run ends as it does when that happens between frames.
            windowGone_ = true;
            return true;
        }
        if (std::getenv("HALVORN_X11_VERBOSE")) std::fprintf(stderr, "%s\n", egl_.description().c_str());
        if (options_.fps) {
            std::string why;
            if (!overlay_.init(&why)) std::fprintf(stderr, "%s; the frame-rate line is not drawn\n", why.c_str());
        }

        startSaver(options_, &painter_, width_, height_, startTick);
        return true;
    }

    // EGL's surface on drawOn_. Mesa reads the drawable's geometry without
    // checking the reply when it makes the surface, so a window destroyed
    // in the meantime would crash it: the server is held still while the
    // window is checked and the surface made. *gone: the window no longer
    // exists (then nothing is made).
    bool attachEgl(bool* gone, std::string* error) {
        XGrabServer(x_);
        XWindowAttributes attributes;
        const unsigned long errorsBefore = xErrors.count;
        *gone = XGetWindowAttributes(x_, drawOn_, &attributes) == 0 || xErrors.count != errorsBefore;
        const bool attached = *gone || egl_.attach(drawOn_, error);
        XUngrabServer(x_);
        XFlush(x_);
        return attached;
    }

    // The window to draw on is someone else's: it must exist, we follow its
    // size and its end, and never map, move or read input from it. When EGL
    // has no configuration for its visual, nor for another of its depth, we
    // draw on a child window of ours that covers it.
    bool useForeignWindow(std::string* error) {
        Window target = 0;
        if (options_.windowIdGiven) {
            target = options_.windowId;
        } else {
            unsigned long id = 0;
            if (!readScreensaverWindow(std::getenv("XSCREENSAVER_WINDOW"), &id, error)) return false;
            target = id != 0 ? id : DefaultRootWindow(x_);
        }
        // Watching first: once the attributes are read, the window's end
        // cannot slip by unseen.
        const unsigned long errorsBefore = xErrors.count;
        XSelectInput(x_, target, StructureNotifyMask);
        XWindowAttributes attributes;
        std::memset(&attributes, 0, sizeof attributes);
        const Status status = XGetWindowAttributes(x_, target, &attributes);
        if (status == 0 || xErrors.count != errorsBefore || attributes.c_class == InputOnly) {
            *error = status != 0 && attributes.c_class == InputOnly
                         ? "window " + hexId(target) + " is input-only and cannot be drawn on"
                         : "window " + hexId(target) + " does not exist";
            return false;
        }
        target_ = target;
        xErrors.watched[0] = target;
        width_ = attributes.width;
        height_ = attributes.height;
        const int screen = XScreenNumberOfScreen(attributes.screen);
        if (!egl_.open(x_, screen, error)) return false;
        std::string why;
        if (egl_.chooseConfig(XVisualIDFromVisual(attributes.visual), attributes.depth, VisualMatch::ExactOrSameDepth,
                              &why)) {
            drawOn_ = target;
            return true;
        }
        if (!egl_.chooseConfig(XVisualIDFromVisual(DefaultVisual(x_, screen)), DefaultDepth(x_, screen),
                               VisualMatch::Any, error)) {
            return false;
        }
        return createWindow(target, screen, 0, error);
    }

    // A top-level window of our own, with the visual of the configuration
    // that best suits the screen's default visual.
    bool createOwnWindow(std::string* error) {
        const int screen = DefaultScreen(x_);
        if (!egl_.open(x_, screen, error)) return false;
        if (!egl_.chooseConfig(XVisualIDFromVisual(DefaultVisual(x_, screen)), DefaultDepth(x_, screen),
                               VisualMatch::Any, error)) {
            return false;
        }
        width_ = options_.width;
        height_ = options_.height;
        if (!createWindow(RootWindow(x_, screen), screen, StructureNotifyMask | KeyPressMask, error)) return false;
        ownWindow_ = true;
        target_ = drawOn_;
        setWindowProperties();
        XMapWindow(x_, drawOn_);
        if (options_.fullscreen) askForFullScreen();
        XFlush(x_);
        return true;
    }

    // A width_ x height_ window at the parent's origin with the visual of
    // the chosen configuration; it becomes drawOn_. A child is mapped here,
    // a top-level window by the caller once its properties are set.
    bool createWindow(Window parent, int screen, long eventMask, std::string* error) {
        XVisualInfo wanted;
        std::memset(&wanted, 0, sizeof wanted);
        wanted.visualid = egl_.configVisualId();
        wanted.screen = screen;
        int count = 0;
        XVisualInfo* info = XGetVisualInfo(x_, VisualIDMask | VisualScreenMask, &wanted, &count);
        if (!info || count < 1) {
            if (info) XFree(info);
            *error = "the OpenGL visual " + hexId(wanted.visualid) + " is not on screen " + std::to_string(screen);
            return false;
        }
        Visual* visual = info[0].visual;
        const int depth = info[0].depth;
        XFree(info);

        colormap_ = XCreateColormap(x_, RootWindow(x_, screen), visual, AllocNone);
        XSetWindowAttributes attributes;
        std::memset(&attributes, 0, sizeof attributes);
        attributes.colormap = colormap_;
        attributes.background_pixel = 0;
        attributes.border_pixel = 0;
        attributes.event_mask = eventMask;
        const unsigned long errorsBefore = xErrors.count;
        const Window window =
            XCreateWindow(x_, parent, 0, 0, static_cast<unsigned>(width_), static_cast<unsigned>(height_), 0, depth,
                          InputOutput, visual, CWColormap | CWBackPixel | CWBorderPixel | CWEventMask, &attributes);
        if (parent != RootWindow(x_, screen)) XMapWindow(x_, window);
        XSync(x_, False);
        if (window == 0 || xErrors.count != errorsBefore) {
            *error = "cannot create a " + std::to_string(width_) + "x" + std::to_string(height_) + " window";
            return false;
        }
        drawOn_ = window;
        xErrors.watched[1] = window;
        return true;
    }

    // Title, class, size hints, the close protocol and, for --fullscreen,
    // the full-screen state the window manager reads when it maps us.
    void setWindowProperties() {
        char title[] = "Halvorn";
        char className[] = "halvorn";
        char* titles[] = {title};
        XTextProperty name;
        std::memset(&name, 0, sizeof name);
        XStringListToTextProperty(titles, 1, &name);

        XSizeHints* size = XAllocSizeHints();
        size->flags = PSize | PMinSize;
        size->width = width_;
        size->height = height_;
        size->min_width = 16;
        size->min_height = 16;
        XWMHints* hints = XAllocWMHints();
        hints->flags = InputHint | StateHint;
        hints->input = True;
        hints->initial_state = NormalState;
        XClassHint* classHint = XAllocClassHint();
        classHint->res_name = className;
        classHint->res_class = className;
        XSetWMProperties(x_, drawOn_, &name, &name, nullptr, 0, size, hints, classHint);
        XFree(size);
        XFree(hints);
        XFree(classHint);
        if (name.value) XFree(name.value);

        const Atom utf8 = XInternAtom(x_, "UTF8_STRING", False);
        XChangeProperty(x_, drawOn_, XInternAtom(x_, "_NET_WM_NAME", False), utf8, 8, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(title), static_cast<int>(std::strlen(title)));
        XChangeProperty(x_, drawOn_, XInternAtom(x_, "_NET_WM_ICON_NAME", False), utf8, 8, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(title), static_cast<int>(std::strlen(title)));
        const long pid = static_cast<long>(getpid());
        XChangeProperty(x_, drawOn_, XInternAtom(x_, "_NET_WM_PID", False), XA_CARDINAL, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(&pid), 1);
        Atom protocols[] = {wmDeleteWindow_};
        XSetWMProtocols(x_, drawOn_, protocols, 1);
        if (options_.fullscreen) {
            const Atom fullscreen = XInternAtom(x_, "_NET_WM_STATE_FULLSCREEN", False);
            XChangeProperty(x_, drawOn_, XInternAtom(x_, "_NET_WM_STATE", False), XA_ATOM, 32, PropModeReplace,
                            reinterpret_cast<const unsigned char*>(&fullscreen), 1);
        }
    }

    // The request a window manager takes for a window it already manages.
    void askForFullScreen() {
        XEvent e;
        std::memset(&e, 0, sizeof e);
        e.xclient.type = ClientMessage;
        e.xclient.window = drawOn_;
        e.xclient.message_type = XInternAtom(x_, "_NET_WM_STATE", False);
        e.xclient.format = 32;
        e.xclient.data.l[0] = 1;  // _NET_WM_STATE_ADD
        e.xclient.data.l[1] = static_cast<long>(XInternAtom(x_, "_NET_WM_STATE_FULLSCREEN", False));
        e.xclient.data.l[2] = 0;
        e.xclient.data.l[3] = 1;  // from an application
        XSendEvent(x_, DefaultRootWindow(x_), False, SubstructureRedirectMask | SubstructureNotifyMask, &e);
    }

    bool stopping() const { return StopSignals::stopRequested() || windowGone_ || xErrors.watchedGone || closeAsked_; }

    void handle(XEvent& e) {
        switch (e.type) {
        case ConfigureNotify:
            if (e.xconfigure.window == target_ && (e.xconfigure.width != width_ || e.xconfigure.height != height_)) {
                width_ = e.xconfigure.width;
                height_ = e.xconfigure.height;
                if (drawOn_ != target_) {
                    XResizeWindow(x_, drawOn_, static_cast<unsigned>(width_), static_cast<unsigned>(height_));
                }
                saverReshape(width_, height_);
            }
            break;
        case DestroyNotify:
            if (e.xdestroywindow.window == target_) windowGone_ = true;
            break;
        case ClientMessage:
            if (ownWindow_ && e.xclient.window == drawOn_ && e.xclient.message_type == wmProtocols_ &&
                e.xclient.format == 32 && static_cast<Atom>(e.xclient.data.l[0]) == wmDeleteWindow_) {
                closeAsked_ = true;
            }
            break;
        case KeyPress:
            if (ownWindow_ && e.xkey.window == drawOn_) {
                KeySym key = NoSymbol;
                char text[8];
                XLookupString(&e.xkey, text, sizeof text, &key, nullptr);
                if (key == XK_q || key == XK_Q || key == XK_Escape) closeAsked_ = true;
            }
            break;
        case MappingNotify:
            XRefreshKeyboardMapping(&e.xmapping);
            break;
        default:
            break;
        }
    }

    // Handles every event already sent, without waiting.
    void handlePendingEvents() {
        while (XPending(x_) > 0) {
            XEvent e;
            XNextEvent(x_, &e);
            handle(e);
        }
    }

    // Sleeps until an X event or a stop signal arrives, or timeoutMs passes.
    void waitForEvents(int timeoutMs) {
        XFlush(x_);
        pollfd fds[2] = {{ConnectionNumber(x_), POLLIN, 0}, {StopSignals::wakeFd(), POLLIN, 0}};
        if (poll(fds, 2, timeoutMs) > 0 && (fds[1].revents & POLLIN)) StopSignals::drain();
    }

    void loop() {
        std::uint32_t dueTick = tickMs();
        FpsLog fpsLog;
        HeapTrim heapTrim;
        std::int64_t framesDrawn = 0;
        for (;;) {
            handlePendingEvents();
            if (stopping()) break;
            if (options_.framesGiven && framesDrawn >= options_.frames) break;
            const std::uint32_t now = tickMs();
            const std::int32_t untilDue = static_cast<std::int32_t>(dueTick - now);
            if (untilDue > 0) {
                waitForEvents(untilDue);
                continue;
            }
            const SaverFrame frame = saverDraw(now);
            if (!frame.fpsText.empty()) {
                drawFpsStrip(composeFpsStrip(overlay_, frame.fpsText, width_, height_), width_, height_);
                fpsLog.frameDrawn(frame.fpsText, now);
            }
            egl_.swap();
            ++framesDrawn;
            heapTrim.frameDone();
            dueTick = now + static_cast<std::uint32_t>(frame.delayMs);
        }
    }

    // The battle, GL and X, in that order. Errors from a window that is
    // already gone are swallowed by the handler.
    void release() {
        saverFree();
        egl_.close();
        if (!x_) return;
        // Ours: the top-level window, or the child inside someone else's.
        if (drawOn_ != 0 && (ownWindow_ || drawOn_ != target_) && !windowGone_) XDestroyWindow(x_, drawOn_);
        if (colormap_ != 0) XFreeColormap(x_, colormap_);
        XSync(x_, True);
        XCloseDisplay(x_);
        x_ = nullptr;
        XSetErrorHandler(oldErrorHandler_);
        XSetIOErrorHandler(oldIoErrorHandler_);
        xErrors = XErrorState();
    }
};

}  // namespace

int runX11(const ProgramOptions& options) {
    X11Host host(options);
    return host.run();
}
