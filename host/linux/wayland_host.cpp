// The program on a Wayland compositor. It draws on one or more surfaces:
//
//   window      one xdg_toplevel through libdecor, which asks the compositor
//               for server-side decorations (xdg-decoration) where it offers
//               them and draws its own title bar where it does not
//   --saver     a surface on the overlay layer of every output (layer shell),
//               else a full-screen xdg_toplevel on every output; the first
//               key, button or pointer movement of more than 4 pixels ends it
//   --wallpaper a surface on the background layer of every output, without
//               input (it needs no seat, so a lock screen can host it)
//
// The battle is the saver module's (saver.h) and is drawn once a frame, on
// the surface with the most pixels; the other outputs' surfaces show a copy
// of that picture (picture_copy.h). Outputs that come and go while it runs
// get and lose their surfaces. Frames are paced as on X11 (the next one is due
// frame.delayMs after this one; poll() sleeps on the connection and the stop
// signals in between), with the swap interval at 0 so that eglSwapBuffers
// never waits for the compositor. Instead each frame asks for a frame
// callback, and no surface is drawn before the compositor has shown its last
// frame: a hidden surface or an output that is off gets no new frames, and
// the battle's clock stops meanwhile (ShownClock).
//
// Each surface's buffer has the output's full resolution: the integer
// scale (wl_surface.set_buffer_scale), or the fractional-scale protocol's
// preferred scale with a viewport where the compositor offers both.
//
// It prints nothing but errors and, with --fps, the frame-rate line once a
// second; HALVORN_WAYLAND_VERBOSE=1 adds a line on EGL and one for every
// surface size.
#include "wayland_host.h"

#include <libdecor.h>
#include <poll.h>
#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>
#include <wayland-egl.h>
#include <xkbcommon/xkbcommon.h>

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "fps_overlay.h"
#include "fractional-scale-v1-client-protocol.h"
#include "gl_painter.h"
#include "heap_trim.h"
#include "loop_support.h"
#include "picture_copy.h"
#include "saver.h"
#include "viewporter-client-protocol.h"
#include "wayland_egl.h"
#include "wayland_logic.h"
#include "x11_fps_line.h"
#include "xdg-shell-client-protocol.h"
#if HALVORN_LAYER_SHELL
// The protocol names a request's argument "namespace".
#define namespace layer_namespace
#include "wlr-layer-shell-unstable-v1-client-protocol.h"
#undef namespace
#else
struct zwlr_layer_shell_v1;
struct zwlr_layer_surface_v1;
#endif

namespace {

// libwayland's own complaints (a missing XDG_RUNTIME_DIR, a protocol error)
// are kept for the one line the program prints.
std::string lastWaylandLog;

void keepWaylandLog(const char* format, va_list arguments) {
    char text[512];
    std::vsnprintf(text, sizeof text, format, arguments);
    lastWaylandLog = text;
    if (lastWaylandLog.compare(0, 7, "error: ") == 0) lastWaylandLog.erase(0, 7);
    while (!lastWaylandLog.empty() && (lastWaylandLog.back() == '\n' || lastWaylandLog.back() == ' ')) {
        lastWaylandLog.pop_back();
    }
}

enum class Form { Window, Saver, Wallpaper };

// The ways a surface is shown.
enum class Role {
    Window,      // an xdg_toplevel through libdecor
    FullScreen,  // a full-screen xdg_toplevel on one output (the saver without layer shell)
    Layer,       // a layer surface covering one output
};

class WaylandHost;

struct Output {
    WaylandHost* host = nullptr;
    wl_output* output = nullptr;
    std::uint32_t globalName = 0;
    std::string name;  // wl_output.name (version 4), else "output N"
    int scale = 1;
    int modeWidth = 0;  // current mode, pixels
    int modeHeight = 0;
    bool done = false;  // its first description is complete
};

struct View {
    WaylandHost* host = nullptr;
    Role role = Role::Window;
    Output* output = nullptr;  // the output a FullScreen or Layer surface covers
    wl_surface* surface = nullptr;
    wp_viewport* viewport = nullptr;
    wp_fractional_scale_v1* fractional = nullptr;
    libdecor_frame* frame = nullptr;
    xdg_surface* xdgSurface = nullptr;
    xdg_toplevel* toplevel = nullptr;
    zwlr_layer_surface_v1* layer = nullptr;
    wl_egl_window* eglWindow = nullptr;
    WaylandEgl::Surface eglSurface = nullptr;
    wl_callback* frameCallback = nullptr;  // the compositor has not shown the last frame yet
    std::vector<Output*> entered;          // outputs the surface is on (the window's scale)
    int width = 0;                         // configured size, surface units
    int height = 0;
    int pendingWidth = 0;  // an xdg_toplevel's size until its xdg_surface configure
    int pendingHeight = 0;
    bool configured = false;
    bool closed = false;
    int fractional120 = 0;     // the preferred fractional scale, 120ths; 0: none yet
    BufferSize buffer;         // the EGL window's size, pixels (0 before the first frame)
    int bufferScale = 1;       // the scale set on the surface
    int destinationWidth = 0;  // the viewport's destination
    int destinationHeight = 0;
};

class WaylandHost {
public:
    explicit WaylandHost(const ProgramOptions& o)
        : options_(o), form_(o.saver ? Form::Saver : (o.wallpaper ? Form::Wallpaper : Form::Window)) {}
    ~WaylandHost() { release(); }
    WaylandHost(const WaylandHost&) = delete;
    WaylandHost& operator=(const WaylandHost&) = delete;

    int run() {
        if (!signals_.install())
            return failWith("cannot create the wake-up pipe: " + std::string(std::strerror(errno)));
        startWall_ = tickMs();
        wl_log_set_handler_client(keepWaylandLog);
        display_ = wl_display_connect(nullptr);
        if (!display_) {
            const char* name = std::getenv("WAYLAND_DISPLAY");
            if (!lastWaylandLog.empty()) return failWith("cannot connect to the Wayland display: " + lastWaylandLog);
            if (name && *name) {
                return failWith("cannot connect to the Wayland display " + std::string(name) +
                                " (set WAYLAND_DISPLAY, or use --x11)");
            }
            return failWith("no Wayland display (set WAYLAND_DISPLAY, or use --x11 or --headless)");
        }
        std::string error;
        if (!setUp(&error)) {
            if (connectionLost()) return lostConnection();
            return failWith(error);
        }
        return loop();
    }

    // --- events, called from the listeners --------------------------------------

    void global(wl_registry* registry, std::uint32_t name, const char* interface, std::uint32_t version) {
        auto bind = [&](const wl_interface* wanted, std::uint32_t most) {
            return wl_registry_bind(registry, name, wanted, std::min(version, most));
        };
        const std::string id = interface;
        if (id == wl_compositor_interface.name) {
            compositor_ = static_cast<wl_compositor*>(bind(&wl_compositor_interface, 4));
        } else if (id == xdg_wm_base_interface.name) {
            wmBase_ = static_cast<xdg_wm_base*>(bind(&xdg_wm_base_interface, 2));
            xdg_wm_base_add_listener(wmBase_, &wmBaseListener, this);
        } else if (id == wp_viewporter_interface.name) {
            viewporter_ = static_cast<wp_viewporter*>(bind(&wp_viewporter_interface, 1));
        } else if (id == wp_fractional_scale_manager_v1_interface.name) {
            fractionalManager_ =
                static_cast<wp_fractional_scale_manager_v1*>(bind(&wp_fractional_scale_manager_v1_interface, 1));
#if HALVORN_LAYER_SHELL
        } else if (id == zwlr_layer_shell_v1_interface.name) {
            layerShell_ = static_cast<zwlr_layer_shell_v1*>(bind(&zwlr_layer_shell_v1_interface, 4));
#endif
        } else if (id == wl_seat_interface.name && form_ != Form::Wallpaper && !seat_) {
            seat_ = static_cast<wl_seat*>(bind(&wl_seat_interface, 7));
            wl_seat_add_listener(seat_, &seatListener, this);
        } else if (id == wl_output_interface.name) {
            auto output = std::make_unique<Output>();
            output->host = this;
            output->globalName = name;
            output->name = "output " + std::to_string(name);
            output->output = static_cast<wl_output*>(bind(&wl_output_interface, 4));
            wl_output_add_listener(output->output, &outputListener, output.get());
            outputs_.push_back(std::move(output));
        }
    }

    void globalRemoved(std::uint32_t name) {
        for (auto it = outputs_.begin(); it != outputs_.end(); ++it) {
            Output* output = it->get();
            if (output->globalName != name) continue;
            for (auto& view : views_) {
                if (view->output == output) view->closed = true;
                view->entered.erase(std::remove(view->entered.begin(), view->entered.end(), output),
                                    view->entered.end());
                if (view->output == output) view->output = nullptr;
            }
            removeClosedViews();
            if (wl_output_get_version(output->output) >= WL_OUTPUT_RELEASE_SINCE_VERSION) {
                wl_output_release(output->output);
            } else {
                wl_output_destroy(output->output);
            }
            outputs_.erase(it);
            return;
        }
    }

    void outputDone(Output* output) {
        output->done = true;
        if (ready_ && form_ != Form::Window) coverOutput(output);
    }

    void configured(View* view, int width, int height) {
        if (width > 0 && height > 0) {
            view->width = width;
            view->height = height;
        } else if (view->width == 0 || view->height == 0) {
            // The compositor leaves the size to us: the first size of the
            // window, or the whole output for a full-screen one.
            view->width = options_.width;
            view->height = options_.height;
            if (view->output && view->output->modeWidth > 0) {
                view->width = view->output->modeWidth / std::max(1, view->output->scale);
                view->height = view->output->modeHeight / std::max(1, view->output->scale);
            }
        }
        view->configured = true;
    }

    void closeView(View* view) {
        // The window or a full-screen saver closed by the user ends the
        // program; a layer surface is closed when its output goes.
        if (view->role == Role::Layer) {
            view->closed = true;
        } else {
            closeAsked_ = true;
        }
    }

    void frameShown(View* view) {
        if (view->frameCallback) wl_callback_destroy(view->frameCallback);
        view->frameCallback = nullptr;
    }

    void seatCapabilities(std::uint32_t caps) {
        const bool keyboard = (caps & WL_SEAT_CAPABILITY_KEYBOARD) != 0;
        const bool pointer = (caps & WL_SEAT_CAPABILITY_POINTER) != 0 && form_ == Form::Saver;
        if (keyboard && !keyboard_) {
            keyboard_ = wl_seat_get_keyboard(seat_);
            wl_keyboard_add_listener(keyboard_, &keyboardListener, this);
        } else if (!keyboard && keyboard_) {
            releaseKeyboard();
        }
        if (pointer && !pointer_) {
            pointer_ = wl_seat_get_pointer(seat_);
            wl_pointer_add_listener(pointer_, &pointerListener, this);
        } else if (!pointer && pointer_) {
            releasePointer();
        }
    }

    void keymap(std::uint32_t format, int fd, std::uint32_t size) {
        // Only the window reads keys by their symbols (q, Q, Escape).
        if (form_ == Form::Window && format == WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1 && size > 0) {
            void* text = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
            if (text != MAP_FAILED) {
                if (!xkb_) xkb_ = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
                xkb_keymap* keymap =
                    xkb_ ? xkb_keymap_new_from_buffer(xkb_, static_cast<const char*>(text),
                                                      strnlen(static_cast<const char*>(text), size),
                                                      XKB_KEYMAP_FORMAT_TEXT_V1, XKB_KEYMAP_COMPILE_NO_FLAGS)
                         : nullptr;
                munmap(text, size);
                if (keymap) {
                    if (keyState_) xkb_state_unref(keyState_);
                    if (keymap_) xkb_keymap_unref(keymap_);
                    keymap_ = keymap;
                    keyState_ = xkb_state_new(keymap_);
                }
            }
        }
        close(fd);
    }

    void key(std::uint32_t key, std::uint32_t state) {
        if (state != WL_KEYBOARD_KEY_STATE_PRESSED) return;
        if (form_ == Form::Saver) {
            closeAsked_ = true;
        } else if (form_ == Form::Window && keyState_) {
            const xkb_keysym_t sym = xkb_state_key_get_one_sym(keyState_, key + 8);
            if (sym == XKB_KEY_q || sym == XKB_KEY_Q || sym == XKB_KEY_Escape) closeAsked_ = true;
        }
    }

    void modifiers(std::uint32_t depressed, std::uint32_t latched, std::uint32_t locked, std::uint32_t group) {
        if (keyState_) xkb_state_update_mask(keyState_, depressed, latched, locked, 0, 0, group);
    }

    void pointerEntered(std::uint32_t serial, double x, double y) {
        wl_pointer_set_cursor(pointer_, serial, nullptr, 0, 0);
        pointerWatch_.entered(x, y);
    }

    void pointerMoved(double x, double y) {
        if (pointerWatch_.movedFar(x, y)) closeAsked_ = true;
    }

    void buttonPressed() { closeAsked_ = true; }

    // Our record of an output; null for one libdecor bound for itself.
    Output* findOutput(wl_output* proxy) const {
        for (const auto& output : outputs_) {
            if (output->output == proxy) return output.get();
        }
        return nullptr;
    }

    static const wl_registry_listener registryListener;
    static const wl_output_listener outputListener;
    static const wl_surface_listener surfaceListener;
    static const wl_callback_listener frameListener;
    static const xdg_wm_base_listener wmBaseListener;
    static const xdg_surface_listener xdgSurfaceListener;
    static const xdg_toplevel_listener toplevelListener;
    static const wp_fractional_scale_v1_listener fractionalListener;
    static const wl_seat_listener seatListener;
    static const wl_keyboard_listener keyboardListener;
    static const wl_pointer_listener pointerListener;
    static libdecor_interface decorInterface;
    static libdecor_frame_interface decorFrameInterface;
#if HALVORN_LAYER_SHELL
    static const zwlr_layer_surface_v1_listener layerListener;
#endif

private:
    const ProgramOptions& options_;
    const Form form_;
    wl_display* display_ = nullptr;
    wl_registry* registry_ = nullptr;
    wl_compositor* compositor_ = nullptr;
    xdg_wm_base* wmBase_ = nullptr;
    wp_viewporter* viewporter_ = nullptr;
    wp_fractional_scale_manager_v1* fractionalManager_ = nullptr;
    zwlr_layer_shell_v1* layerShell_ = nullptr;
    wl_seat* seat_ = nullptr;
    wl_keyboard* keyboard_ = nullptr;
    wl_pointer* pointer_ = nullptr;
    xkb_context* xkb_ = nullptr;
    xkb_keymap* keymap_ = nullptr;
    xkb_state* keyState_ = nullptr;
    libdecor* decor_ = nullptr;
    std::vector<std::unique_ptr<Output>> outputs_;
    std::vector<std::unique_ptr<View>> views_;
    bool ready_ = false;  // the connection and EGL are set up: outputs get their surfaces
    bool closeAsked_ = false;
    WaylandEgl egl_;
    GlPainter painter_{gl11Backend()};  // the surfaces draw with the system's OpenGL 1.1
    FpsOverlay overlay_;
    PictureCopy copy_;
    StopSignals signals_;
    ShownClock clock_;
    PointerWatch pointerWatch_;
    std::uint32_t startWall_ = 0;
    View* main_ = nullptr;  // the surface the battle is drawn on
    int drawnWidth_ = 0;    // the battle's picture size, pixels
    int drawnHeight_ = 0;
    const bool verbose_ = std::getenv("HALVORN_WAYLAND_VERBOSE") != nullptr;

    int failWith(const std::string& message) {
        std::fprintf(stderr, "halvorn: %s\n", message.c_str());
        std::fflush(stderr);
        return 1;
    }

    bool connectionLost() const { return display_ && wl_display_get_error(display_) != 0; }

    int lostConnection() {
        const int error = wl_display_get_error(display_);
        if (error == EPROTO) {
            const wl_interface* interface = nullptr;
            std::uint32_t id = 0;
            const std::uint32_t code = wl_display_get_protocol_error(display_, &interface, &id);
            return failWith("the Wayland compositor closed the connection for a protocol error (" +
                            std::string(interface ? interface->name : "?") + " " + std::to_string(id) + ", code " +
                            std::to_string(code) + ")");
        }
        return failWith("lost the connection to the Wayland compositor");
    }

    // The globals, EGL, then the surfaces of the form.
    bool setUp(std::string* error) {
        registry_ = wl_display_get_registry(display_);
        wl_registry_add_listener(registry_, &registryListener, this);
        // The globals, then the outputs' descriptions.
        if (wl_display_roundtrip(display_) < 0 || wl_display_roundtrip(display_) < 0) {
            *error = "lost the connection to the Wayland compositor";
            return false;
        }
        if (!compositor_) {
            *error = "the Wayland compositor offers no wl_compositor";
            return false;
        }
        if (form_ == Form::Wallpaper && !layerShell_) {
#if HALVORN_LAYER_SHELL
            *error = "the Wayland compositor offers no layer shell (zwlr_layer_shell_v1): --wallpaper needs it";
#else
            *error = "this halvorn is built without the layer-shell protocol: --wallpaper needs it";
#endif
            return false;
        }
        if (form_ == Form::Saver && !layerShell_ && !wmBase_) {
            *error = "the Wayland compositor offers neither a layer shell nor xdg_wm_base: --saver needs one";
            return false;
        }
        if (!egl_.open(display_, error)) return false;
        if (options_.fps) {
            std::string why;
            if (!overlay_.init(&why)) std::fprintf(stderr, "%s; the frame-rate line is not drawn\n", why.c_str());
        }
        ready_ = true;
        if (form_ == Form::Window) {
            if (!openWindow(error)) return false;
        } else {
            for (auto& output : outputs_) {
                if (output->done) coverOutput(output.get());
            }
        }
        return true;
    }

    // A wl_surface with its scale objects.
    View* newView(Role role, Output* output) {
        auto view = std::make_unique<View>();
        view->host = this;
        view->role = role;
        view->output = output;
        view->surface = wl_compositor_create_surface(compositor_);
        wl_surface_add_listener(view->surface, &surfaceListener, view.get());
        if (viewporter_ && fractionalManager_) {
            view->viewport = wp_viewporter_get_viewport(viewporter_, view->surface);
            view->fractional = wp_fractional_scale_manager_v1_get_fractional_scale(fractionalManager_, view->surface);
            wp_fractional_scale_v1_add_listener(view->fractional, &fractionalListener, view.get());
        }
        views_.push_back(std::move(view));
        return views_.back().get();
    }

    bool openWindow(std::string* error) {
        decor_ = libdecor_new(display_, &decorInterface);
        if (!decor_) {
            *error = "libdecor cannot start on the Wayland display";
            return false;
        }
        View* view = newView(Role::Window, nullptr);
        view->frame = libdecor_decorate(decor_, view->surface, &decorFrameInterface, view);
        if (!view->frame) {
            *error = "libdecor cannot make a window";
            return false;
        }
        libdecor_frame_set_title(view->frame, "Halvorn");
        libdecor_frame_set_app_id(view->frame, "halvorn");
        libdecor_frame_set_min_content_size(view->frame, 16, 16);
        libdecor_frame_map(view->frame);
        if (options_.fullscreen) {
            // libdecor makes the xdg_toplevel once its plugin is ready, a
            // round trip or two after the frame is mapped.
            for (int i = 0; i < 10 && !libdecor_frame_get_xdg_toplevel(view->frame); ++i) {
                if (wl_display_roundtrip(display_) < 0) return false;
            }
            if (!libdecor_frame_get_xdg_toplevel(view->frame)) {
                *error = "libdecor makes no window to ask full screen for";
                return false;
            }
            libdecor_frame_set_fullscreen(view->frame, nullptr);
        }
        return true;
    }

    // A saver or wallpaper surface for an output that has none.
    void coverOutput(Output* output) {
        for (auto& view : views_) {
            if (view->output == output && !view->closed) return;
        }
#if HALVORN_LAYER_SHELL
        if (layerShell_) {
            View* view = newView(Role::Layer, output);
            const bool saver = form_ == Form::Saver;
            view->layer = zwlr_layer_shell_v1_get_layer_surface(
                layerShell_, view->surface, output->output,
                saver ? ZWLR_LAYER_SHELL_V1_LAYER_OVERLAY : ZWLR_LAYER_SHELL_V1_LAYER_BACKGROUND, "halvorn");
            zwlr_layer_surface_v1_add_listener(view->layer, &layerListener, view);
            zwlr_layer_surface_v1_set_size(view->layer, 0, 0);
            zwlr_layer_surface_v1_set_anchor(
                view->layer, ZWLR_LAYER_SURFACE_V1_ANCHOR_TOP | ZWLR_LAYER_SURFACE_V1_ANCHOR_BOTTOM |
                                 ZWLR_LAYER_SURFACE_V1_ANCHOR_LEFT | ZWLR_LAYER_SURFACE_V1_ANCHOR_RIGHT);
            // Over the panels too, whatever room they keep for themselves.
            zwlr_layer_surface_v1_set_exclusive_zone(view->layer, -1);
            zwlr_layer_surface_v1_set_keyboard_interactivity(
                view->layer, saver ? ZWLR_LAYER_SURFACE_V1_KEYBOARD_INTERACTIVITY_EXCLUSIVE
                                   : ZWLR_LAYER_SURFACE_V1_KEYBOARD_INTERACTIVITY_NONE);
            if (!saver) {
                // The wallpaper takes no input: clicks go to the desktop.
                wl_region* none = wl_compositor_create_region(compositor_);
                wl_surface_set_input_region(view->surface, none);
                wl_region_destroy(none);
            }
            wl_surface_commit(view->surface);
            return;
        }
#endif
        if (!wmBase_) return;
        View* view = newView(Role::FullScreen, output);
        view->xdgSurface = xdg_wm_base_get_xdg_surface(wmBase_, view->surface);
        xdg_surface_add_listener(view->xdgSurface, &xdgSurfaceListener, view);
        view->toplevel = xdg_surface_get_toplevel(view->xdgSurface);
        xdg_toplevel_add_listener(view->toplevel, &toplevelListener, view);
        xdg_toplevel_set_title(view->toplevel, "Halvorn");
        xdg_toplevel_set_app_id(view->toplevel, "halvorn");
        xdg_toplevel_set_fullscreen(view->toplevel, output->output);
        wl_surface_commit(view->surface);
    }

    // The surface's scale: its output's, or for the window the largest of
    // the outputs it is on (the only output's before it is on any).
    int scaleOf(const View& view) const {
        if (view.output) return view.output->scale;
        int scale = 0;
        for (const Output* output : view.entered) scale = std::max(scale, output->scale);
        if (scale == 0 && outputs_.size() == 1) scale = outputs_.front()->scale;
        return std::max(scale, 1);
    }

    BufferSize wantedBuffer(const View& view) const {
        return bufferSizeFor(view.width, view.height, scaleOf(view), view.viewport ? view.fractional120 : 0);
    }

    static bool usable(const View& view) { return view.configured && !view.closed; }

    // The surface with the most pixels draws the battle; it stays the one
    // until another has more.
    View* chooseMain() {
        View* best = main_ != nullptr && usable(*main_) ? main_ : nullptr;
        long long bestArea = 0;
        if (best) bestArea = static_cast<long long>(wantedBuffer(*best).width) * wantedBuffer(*best).height;
        for (auto& view : views_) {
            if (!usable(*view)) continue;
            const BufferSize size = wantedBuffer(*view);
            const long long area = static_cast<long long>(size.width) * size.height;
            if (!best || area > bestArea) {
                best = view.get();
                bestArea = area;
            }
        }
        main_ = best;
        return best;
    }

    // Brings the surface's buffer to its size and scale and makes it current.
    bool prepare(View& view, std::string* error) {
        const BufferSize size = wantedBuffer(view);
        const int scale = scaleOf(view);
        if (!view.eglWindow) {
            view.eglWindow = wl_egl_window_create(view.surface, size.width, size.height);
            if (!view.eglWindow) {
                *error = "cannot create an EGL window on a Wayland surface";
                return false;
            }
            view.eglSurface = egl_.createSurface(view.eglWindow, error);
            if (!view.eglSurface) return false;
        } else if (size.width != view.buffer.width || size.height != view.buffer.height) {
            wl_egl_window_resize(view.eglWindow, size.width, size.height, 0, 0);
        }
        if (view.viewport && view.fractional120 > 0) {
            if (view.bufferScale != 1) wl_surface_set_buffer_scale(view.surface, 1);
            view.bufferScale = 1;
            if (view.destinationWidth != view.width || view.destinationHeight != view.height) {
                wp_viewport_set_destination(view.viewport, view.width, view.height);
                view.destinationWidth = view.width;
                view.destinationHeight = view.height;
            }
        } else if (view.bufferScale != scale) {
            wl_surface_set_buffer_scale(view.surface, scale);
            view.bufferScale = scale;
        }
        if (verbose_ && (size.width != view.buffer.width || size.height != view.buffer.height)) {
            std::fprintf(stderr, "halvorn: %s: %dx%d at scale %s, buffer %dx%d\n",
                         view.output ? view.output->name.c_str() : "window", view.width, view.height,
                         view.fractional120 > 0 ? (std::to_string(view.fractional120) + "/120").c_str()
                                                : std::to_string(scale).c_str(),
                         size.width, size.height);
        }
        view.buffer = size;
        if (!egl_.makeCurrent(view.eglSurface)) {
            *error = "egl: cannot make the context current on a surface";
            return false;
        }
        return true;
    }

    // Asks for the compositor's word once this frame is shown, and swaps.
    bool present(View& view) {
        view.frameCallback = wl_surface_frame(view.surface);
        wl_callback_add_listener(view.frameCallback, &frameListener, &view);
        return egl_.swap(view.eglSurface);
    }

    // One frame: the battle on the main surface, its copy on every other
    // surface whose last frame has been shown. Returns the next frame's delay.
    bool drawFrame(View& main, std::uint32_t wallNow, int* delayMs, std::string* error) {
        if (!prepare(main, error)) return false;
        if (!saverRunning()) {
            startSaver(options_, &painter_, main.buffer.width, main.buffer.height, clock_.at(startWall_));
            if (verbose_) std::fprintf(stderr, "halvorn: %s\n", egl_.description().c_str());
        } else if (main.buffer.width != drawnWidth_ || main.buffer.height != drawnHeight_) {
            saverReshape(main.buffer.width, main.buffer.height);
        }
        drawnWidth_ = main.buffer.width;
        drawnHeight_ = main.buffer.height;
        const SaverFrame frame = saverDraw(clock_.at(wallNow));
        if (!frame.fpsText.empty()) {
            drawFpsStrip(composeFpsStrip(overlay_, frame.fpsText, drawnWidth_, drawnHeight_), drawnWidth_,
                         drawnHeight_);
            fpsLog_.frameDrawn(frame.fpsText, wallNow);
        }
        std::vector<View*> others;
        for (auto& view : views_) {
            if (view.get() != &main && usable(*view) && !view->frameCallback) others.push_back(view.get());
        }
        if (!others.empty()) copy_.take(drawnWidth_, drawnHeight_);
        if (!present(main)) {
            *error = "egl: cannot show the picture";
            return false;
        }
        for (View* view : others) {
            if (!prepare(*view, error)) return false;
            copy_.show(view->buffer.width, view->buffer.height);
            if (!present(*view)) {
                *error = "egl: cannot show the picture";
                return false;
            }
        }
        heapTrim_.frameDone();
        *delayMs = frame.delayMs;
        return true;
    }

    // Reads and handles what the compositor sent, waiting up to timeoutMs
    // (-1: until something comes) for it or for a stop signal. False when the
    // connection is gone.
    bool waitForEvents(int timeoutMs) {
        while (wl_display_prepare_read(display_) != 0) {
            if (wl_display_dispatch_pending(display_) < 0) return false;
        }
        short events = POLLIN;
        if (wl_display_flush(display_) < 0) {
            if (errno != EAGAIN) {
                wl_display_cancel_read(display_);
                return false;
            }
            events |= POLLOUT;
        }
        pollfd fds[2] = {{wl_display_get_fd(display_), events, 0}, {StopSignals::wakeFd(), POLLIN, 0}};
        const int ready = poll(fds, 2, timeoutMs);
        if (ready > 0 && (fds[0].revents & (POLLIN | POLLERR | POLLHUP))) {
            if (wl_display_read_events(display_) < 0) return false;
        } else {
            wl_display_cancel_read(display_);
        }
        if (ready > 0 && (fds[1].revents & POLLIN)) StopSignals::drain();
        return wl_display_dispatch_pending(display_) >= 0;
    }

    bool windowGone() const {
        return form_ == Form::Window &&
               std::none_of(views_.begin(), views_.end(), [](const auto& v) { return v->role == Role::Window; });
    }

    int loop() {
        std::uint32_t due = tickMs();
        bool waitedForCompositor = false;
        std::int64_t framesDrawn = 0;
        for (;;) {
            if (!waitForEvents(0)) return lostConnection();
            removeClosedViews();
            if (StopSignals::stopRequested() || closeAsked_ || windowGone()) return 0;
            if (options_.framesGiven && framesDrawn >= options_.frames) return 0;
            const std::uint32_t now = tickMs();
            const std::int32_t untilDue = static_cast<std::int32_t>(due - now);
            View* main = chooseMain();
            int timeout = -1;  // no surface to draw on yet, or the compositor still shows the last frame
            if (main && untilDue > 0) {
                timeout = untilDue;
            } else if (main && main->frameCallback) {
                waitedForCompositor = true;
            } else if (main) {
                if (waitedForCompositor) clock_.drawnAfterWait(due, now);
                waitedForCompositor = false;
                int delayMs = 0;
                std::string error;
                if (!drawFrame(*main, now, &delayMs, &error)) {
                    return connectionLost() ? lostConnection() : failWith(error);
                }
                ++framesDrawn;
                due = now + static_cast<std::uint32_t>(delayMs);
                continue;
            }
            if (!waitForEvents(timeout)) return lostConnection();
        }
    }

    void destroyView(View& view) {
        if (view.frameCallback) wl_callback_destroy(view.frameCallback);
        if (view.eglSurface) egl_.destroySurface(view.eglSurface);
        if (view.eglWindow) wl_egl_window_destroy(view.eglWindow);
        if (view.frame) libdecor_frame_unref(view.frame);
#if HALVORN_LAYER_SHELL
        if (view.layer) zwlr_layer_surface_v1_destroy(view.layer);
#endif
        if (view.toplevel) xdg_toplevel_destroy(view.toplevel);
        if (view.xdgSurface) xdg_surface_destroy(view.xdgSurface);
        if (view.fractional) wp_fractional_scale_v1_destroy(view.fractional);
        if (view.viewport) wp_viewport_destroy(view.viewport);
        if (view.surface) wl_surface_destroy(view.surface);
        view = View();
    }

    void removeClosedViews() {
        for (auto& view : views_) {
            if (!view->closed) continue;
            if (main_ == view.get()) main_ = nullptr;
            destroyView(*view);
            view->closed = true;
        }
        views_.erase(std::remove_if(views_.begin(), views_.end(), [](const auto& v) { return v->closed; }),
                     views_.end());
    }

    // A seat's keyboard or pointer, released as its version allows.
    template <typename Device>
    static void dropDevice(Device*& device, std::uint32_t releaseSince, void (*release)(Device*),
                           void (*destroy)(Device*)) {
        if (device) {
            const bool released = wl_proxy_get_version(reinterpret_cast<wl_proxy*>(device)) >= releaseSince;
            (released ? release : destroy)(device);
        }
        device = nullptr;
    }
    void releaseKeyboard() {
        dropDevice(keyboard_, WL_KEYBOARD_RELEASE_SINCE_VERSION, wl_keyboard_release, wl_keyboard_destroy);
    }
    void releasePointer() {
        dropDevice(pointer_, WL_POINTER_RELEASE_SINCE_VERSION, wl_pointer_release, wl_pointer_destroy);
    }

    // The battle and GL, the surfaces, then the connection.
    void release() {
        if (saverRunning() && main_ && main_->eglSurface && egl_.makeCurrent(main_->eglSurface)) {
            copy_.release();
            saverFree();
        }
        saverFree();
        for (auto& view : views_) destroyView(*view);
        views_.clear();
        main_ = nullptr;
        egl_.close();
        if (decor_) libdecor_unref(decor_);
        decor_ = nullptr;
        releaseKeyboard();
        releasePointer();
        if (keyState_) xkb_state_unref(keyState_);
        if (keymap_) xkb_keymap_unref(keymap_);
        if (xkb_) xkb_context_unref(xkb_);
        keyState_ = nullptr;
        keymap_ = nullptr;
        xkb_ = nullptr;
        if (!display_) return;
        for (auto& output : outputs_) wl_output_destroy(output->output);
        outputs_.clear();
        if (seat_) wl_seat_destroy(seat_);
#if HALVORN_LAYER_SHELL
        if (layerShell_) zwlr_layer_shell_v1_destroy(layerShell_);
#endif
        if (fractionalManager_) wp_fractional_scale_manager_v1_destroy(fractionalManager_);
        if (viewporter_) wp_viewporter_destroy(viewporter_);
        if (wmBase_) xdg_wm_base_destroy(wmBase_);
        if (compositor_) wl_compositor_destroy(compositor_);
        if (registry_) wl_registry_destroy(registry_);
        wl_display_flush(display_);
        wl_display_disconnect(display_);
        display_ = nullptr;
    }

    FpsLog fpsLog_;
    HeapTrim heapTrim_;
};

// --- listeners -----------------------------------------------------------------------

WaylandHost* hostOf(void* data) { return static_cast<WaylandHost*>(data); }
View* viewOf(void* data) { return static_cast<View*>(data); }

const wl_registry_listener WaylandHost::registryListener = {
    [](void* data, wl_registry* registry, std::uint32_t name, const char* interface, std::uint32_t version) {
        hostOf(data)->global(registry, name, interface, version);
    },
    [](void* data, wl_registry*, std::uint32_t name) { hostOf(data)->globalRemoved(name); },
};

const wl_output_listener WaylandHost::outputListener = {
    [](void*, wl_output*, std::int32_t, std::int32_t, std::int32_t, std::int32_t, std::int32_t, const char*,
       const char*, std::int32_t) {},
    [](void* data, wl_output*, std::uint32_t flags, std::int32_t width, std::int32_t height, std::int32_t) {
        if (flags & WL_OUTPUT_MODE_CURRENT) {
            static_cast<Output*>(data)->modeWidth = width;
            static_cast<Output*>(data)->modeHeight = height;
        }
    },
    [](void* data, wl_output*) {
        Output* output = static_cast<Output*>(data);
        output->host->outputDone(output);
    },
    [](void* data, wl_output*, std::int32_t factor) { static_cast<Output*>(data)->scale = std::max(1, factor); },
    [](void* data, wl_output*, const char* name) { static_cast<Output*>(data)->name = name ? name : "?"; },
    [](void*, wl_output*, const char*) {},
};

const wl_surface_listener WaylandHost::surfaceListener = {
    [](void* data, wl_surface*, wl_output* entered) {
        View* view = viewOf(data);
        Output* output = view->host->findOutput(entered);
        if (output && std::find(view->entered.begin(), view->entered.end(), output) == view->entered.end()) {
            view->entered.push_back(output);
        }
    },
    [](void* data, wl_surface*, wl_output* left) {
        View* view = viewOf(data);
        Output* output = view->host->findOutput(left);
        view->entered.erase(std::remove(view->entered.begin(), view->entered.end(), output), view->entered.end());
    },
};

const wl_callback_listener WaylandHost::frameListener = {
    [](void* data, wl_callback*, std::uint32_t) { viewOf(data)->host->frameShown(viewOf(data)); },
};

const xdg_wm_base_listener WaylandHost::wmBaseListener = {
    [](void*, xdg_wm_base* base, std::uint32_t serial) { xdg_wm_base_pong(base, serial); },
};

const xdg_surface_listener WaylandHost::xdgSurfaceListener = {
    [](void* data, xdg_surface* surface, std::uint32_t serial) {
        View* view = viewOf(data);
        xdg_surface_ack_configure(surface, serial);
        view->host->configured(view, view->pendingWidth, view->pendingHeight);
    },
};

const xdg_toplevel_listener WaylandHost::toplevelListener = {
    [](void* data, xdg_toplevel*, std::int32_t width, std::int32_t height, wl_array*) {
        viewOf(data)->pendingWidth = width;
        viewOf(data)->pendingHeight = height;
    },
    [](void* data, xdg_toplevel*) { viewOf(data)->host->closeView(viewOf(data)); },
    [](void*, xdg_toplevel*, std::int32_t, std::int32_t) {},
    [](void*, xdg_toplevel*, wl_array*) {},
};

const wp_fractional_scale_v1_listener WaylandHost::fractionalListener = {
    [](void* data, wp_fractional_scale_v1*, std::uint32_t scale) {
        viewOf(data)->fractional120 = static_cast<int>(scale);
    },
};

const wl_seat_listener WaylandHost::seatListener = {
    [](void* data, wl_seat*, std::uint32_t caps) { hostOf(data)->seatCapabilities(caps); },
    [](void*, wl_seat*, const char*) {},
};

const wl_keyboard_listener WaylandHost::keyboardListener = {
    [](void* data, wl_keyboard*, std::uint32_t format, std::int32_t fd, std::uint32_t size) {
        hostOf(data)->keymap(format, fd, size);
    },
    [](void*, wl_keyboard*, std::uint32_t, wl_surface*, wl_array*) {},
    [](void*, wl_keyboard*, std::uint32_t, wl_surface*) {},
    [](void* data, wl_keyboard*, std::uint32_t, std::uint32_t, std::uint32_t key, std::uint32_t state) {
        hostOf(data)->key(key, state);
    },
    [](void* data, wl_keyboard*, std::uint32_t, std::uint32_t depressed, std::uint32_t latched, std::uint32_t locked,
       std::uint32_t group) { hostOf(data)->modifiers(depressed, latched, locked, group); },
    [](void*, wl_keyboard*, std::int32_t, std::int32_t) {},
};

const wl_pointer_listener WaylandHost::pointerListener = {
    [](void* data, wl_pointer*, std::uint32_t serial, wl_surface*, wl_fixed_t x, wl_fixed_t y) {
        hostOf(data)->pointerEntered(serial, wl_fixed_to_double(x), wl_fixed_to_double(y));
    },
    [](void*, wl_pointer*, std::uint32_t, wl_surface*) {},
    [](void* data, wl_pointer*, std::uint32_t, wl_fixed_t x, wl_fixed_t y) {
        hostOf(data)->pointerMoved(wl_fixed_to_double(x), wl_fixed_to_double(y));
    },
    [](void* data, wl_pointer*, std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t state) {
        if (state == WL_POINTER_BUTTON_STATE_PRESSED) hostOf(data)->buttonPressed();
    },
    [](void*, wl_pointer*, std::uint32_t, std::uint32_t, wl_fixed_t) {},
    [](void*, wl_pointer*) {},
    [](void*, wl_pointer*, std::uint32_t) {},
    [](void*, wl_pointer*, std::uint32_t, std::uint32_t) {},
    [](void*, wl_pointer*, std::uint32_t, std::int32_t) {},
    [](void*, wl_pointer*, std::uint32_t, std::int32_t) {},
};

// The reserved members stay null.
libdecor_interface WaylandHost::decorInterface = [] {
    libdecor_interface i{};
    i.error = [](libdecor*, libdecor_error, const char* message) {
        // libdecor gives up on the compositor (one without xdg_wm_base): no window.
        std::fprintf(stderr, "halvorn: libdecor: %s\n", message ? message : "error");
        std::fflush(stderr);
        _exit(1);
    };
    return i;
}();

libdecor_frame_interface WaylandHost::decorFrameInterface = [] {
    libdecor_frame_interface i{};
    i.configure = [](libdecor_frame* frame, libdecor_configuration* configuration, void* data) {
        View* view = viewOf(data);
        int width = 0;
        int height = 0;
        if (!libdecor_configuration_get_content_size(configuration, frame, &width, &height)) width = height = 0;
        view->host->configured(view, width, height);
        libdecor_state* state = libdecor_state_new(view->width, view->height);
        libdecor_frame_commit(frame, state, configuration);
        libdecor_state_free(state);
    };
    i.close = [](libdecor_frame*, void* data) { viewOf(data)->host->closeView(viewOf(data)); };
    i.commit = [](libdecor_frame*, void* data) { wl_surface_commit(viewOf(data)->surface); };
    i.dismiss_popup = [](libdecor_frame*, const char*, void*) {};
    return i;
}();

#if HALVORN_LAYER_SHELL
const zwlr_layer_surface_v1_listener WaylandHost::layerListener = {
    [](void* data, zwlr_layer_surface_v1* layer, std::uint32_t serial, std::uint32_t width, std::uint32_t height) {
        View* view = viewOf(data);
        zwlr_layer_surface_v1_ack_configure(layer, serial);
        view->host->configured(view, static_cast<int>(width), static_cast<int>(height));
    },
    [](void* data, zwlr_layer_surface_v1*) { viewOf(data)->host->closeView(viewOf(data)); },
};
#endif

}  // namespace

int runWayland(const ProgramOptions& options) {
    WaylandHost host(options);
    return host.run();
}
