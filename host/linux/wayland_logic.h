// The rules of the Wayland host that need no compositor: which EGL
// configuration draws on a Wayland surface, how large a surface's buffer is
// at the output's scale, the clock that stops while nobody sees the picture,
// and the pointer movement that ends the saver.
#ifndef HALVORN_HOST_LINUX_WAYLAND_LOGIC_H
#define HALVORN_HOST_LINUX_WAYLAND_LOGIC_H

#include <cstdint>
#include <vector>

// --- EGL configuration --------------------------------------------------------

struct WaylandConfigTraits {
    int red = 0;  // EGL_RED_SIZE, EGL_GREEN_SIZE, EGL_BLUE_SIZE, EGL_ALPHA_SIZE
    int green = 0;
    int blue = 0;
    int alpha = 0;
    int depthBits = 0;  // EGL_DEPTH_SIZE
    int samples = 0;    // EGL_SAMPLES
    bool slow = false;  // EGL_CONFIG_CAVEAT is EGL_SLOW_CONFIG
};

// Index of the configuration to draw the battle on a Wayland surface, or -1
// when none has a depth buffer of 16 bits or more. EGL lists the deepest
// colours first (Mesa offers 10-bit formats before 8-bit ones), and a surface
// with alpha is blended by the compositor; so the choice prefers, in this
// order: 8 bits of red, green and blue, no alpha, no caveat, a depth buffer of
// 24 bits or more, no multisampling, and the earliest in the list.
int chooseWaylandConfig(const std::vector<WaylandConfigTraits>& configs);

// --- buffer size ----------------------------------------------------------------

struct BufferSize {
    int width = 0;  // pixels
    int height = 0;
};

// The buffer for a surface of logicalWidth x logicalHeight surface units on
// an output of integer scale (1 and up). fractional120 > 0 is the preferred
// scale of the fractional-scale protocol in 120ths (used with a viewport that
// maps the buffer back to the logical size): each side is the logical one
// times fractional120 / 120, rounded half away from zero. Never below 1 x 1.
BufferSize bufferSizeFor(int logicalWidth, int logicalHeight, int scale, int fractional120);

// --- the clock the battle sees ---------------------------------------------------

// A frame that waits this long past its time for the compositor's word that
// the last one was shown is taken as hidden (an output off, a surface covered
// or on another workspace), ms.
constexpr int HiddenAfterMs = 250;

// The host's clock, less the time the picture was hidden: when the picture
// comes back the battle goes on where it stopped instead of leaping ahead by
// the time nobody watched.
class ShownClock {
public:
    // The clock at wall time wallMs (the monotonic tick count).
    std::uint32_t at(std::uint32_t wallMs) const { return wallMs - hiddenMs_; }
    // A frame due at wall time dueMs could only be drawn at wallMs, when the
    // compositor had shown the last one: a wait over HiddenAfterMs is left
    // out of the clock, a shorter one counts as a slow frame.
    void drawnAfterWait(std::uint32_t dueMs, std::uint32_t wallMs);

private:
    std::uint32_t hiddenMs_ = 0;
};

// --- the saver's end -------------------------------------------------------------

// The pointer ends the saver when it moves more than this (|dx| + |dy|, in
// surface units) from where it entered the surface.
constexpr double PointerThreshold = 4.0;

class PointerWatch {
public:
    // The pointer entered a surface at (x, y): movement counts from here.
    void entered(double x, double y);
    // The pointer is at (x, y) on the surface it entered: true when it has
    // moved past the threshold. Before any entry nothing counts.
    bool movedFar(double x, double y) const;

private:
    bool inside_ = false;
    double x_ = 0;
    double y_ = 0;
};

#endif
