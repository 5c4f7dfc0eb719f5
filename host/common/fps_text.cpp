// The frame-rate line; see fps_text.h.
#include "fps_text.h"

#include <cstdio>

float FpsRing::tick(long clockNow) {
    const long old = ring[index];
    ring[index] = clockNow;
    index = (index + 1) % FpsRingSize;
    const long elapsed = clockNow - old;
    if (elapsed == 0) return 0.0f;
    return static_cast<float>(32000.0 / static_cast<double>(elapsed));
}

std::string formatFpsLine(int lastFrameMs, float rate, int ships, int periodMs) {
    char text[FpsTextCapacity];
    // Even with every number at its widest (a float near its limit prints 40
    // digits) the line stays well inside the buffer.
    std::snprintf(text, sizeof text,
                  "%i miliseconds since last frame.  %3.1f Frames Per Second. Drawing %i ships. "
                  "Attemtping to hold %i milliseconds per frame.",
                  lastFrameMs, static_cast<double>(rate), ships, periodMs);
    return text;
}
