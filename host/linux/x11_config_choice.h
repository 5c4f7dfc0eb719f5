// Which EGL configuration draws on an X window. The caller reads each
// configuration's attributes (and the depth of its X visual); the choice
// itself needs neither EGL nor a display.
#ifndef HALVORN_HOST_LINUX_X11_CONFIG_CHOICE_H
#define HALVORN_HOST_LINUX_X11_CONFIG_CHOICE_H

#include <vector>

// The depth buffer the renderer needs at the least, bits.
constexpr int MinDepthBufferBits = 16;

struct EglConfigTraits {
    unsigned long visualId = 0;  // EGL_NATIVE_VISUAL_ID; 0: no X visual
    int visualDepth = 0;         // depth of that visual, bits (0: unknown)
    int depthBits = 0;           // EGL_DEPTH_SIZE
    int stencilBits = 0;         // EGL_STENCIL_SIZE
    int samples = 0;             // EGL_SAMPLES
    bool slow = false;           // EGL_CONFIG_CAVEAT is EGL_SLOW_CONFIG
};

// How far from the window's visual a configuration may be.
enum class VisualMatch {
    ExactOrSameDepth,  // a window someone else made: its visual, else one of its depth
    Any,               // our own window, made with the configuration's visual
};

// Index of the configuration to draw on a window of the given visual and
// depth, or -1 when none fits. Only configurations with an X visual and a
// depth buffer of MinDepthBufferBits or more count. Those with the window's
// visual come first; when there are none, those whose visual has the
// window's depth; with VisualMatch::Any, then any other. Within that group
// the choice prefers, in this order: no caveat, a depth buffer of 24 bits or
// more, no multisampling, the fewest stencil bits, and the earliest in the
// list (EGL's own order).
int chooseEglConfig(const std::vector<EglConfigTraits>& configs, unsigned long visualId, int depth, VisualMatch match);

#endif
