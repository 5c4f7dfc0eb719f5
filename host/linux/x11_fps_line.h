// The frame-rate line in the window's back buffer: the same yellow text on a
// black box at the bottom left as the read-back frames get (FpsOverlay),
// composed on the CPU as a strip of RGBA pixels and drawn with glDrawPixels
// before the swap.
#ifndef HALVORN_HOST_LINUX_X11_FPS_LINE_H
#define HALVORN_HOST_LINUX_X11_FPS_LINE_H

#include <cstdint>
#include <string>
#include <vector>

#include "fps_overlay.h"

// The bottom rows of a window with the line on them. Rows run bottom-up as
// glDrawPixels takes them, 4 bytes per pixel; the box and its glyphs have
// alpha 255, everything else alpha 0 (the picture shows through).
struct FpsStrip {
    int width = 0;   // up to the right edge of the box, pixels
    int height = 0;  // pixels, at most FpsOverlay::TopFromBottom
    std::vector<std::uint8_t> rgba;
};

// Composes text for a window of windowWidth x windowHeight pixels. Empty
// (width 0) when the overlay has no font, the text is empty or the window
// has no area.
FpsStrip composeFpsStrip(const FpsOverlay& overlay, const std::string& text, int windowWidth, int windowHeight);

// Draws the strip at the window's bottom-left corner into the current
// context's draw buffer. Every GL state it changes is restored.
void drawFpsStrip(const FpsStrip& strip, int windowWidth, int windowHeight);

#endif
