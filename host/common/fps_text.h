// The frame-rate line: a ring of the clock readings of the last 32 frames,
// and the line's text.
#ifndef HALVORN_HOST_COMMON_FPS_TEXT_H
#define HALVORN_HOST_COMMON_FPS_TEXT_H

#include <string>

// Frames the rate is averaged over.
constexpr int FpsRingSize = 32;

class FpsRing {
public:
    // Records the clock reading of this frame (clock ticks at 1000 per
    // second) and returns the rate over the last 32 frames in frames per
    // second: 32000 / (now - reading 32 frames ago), in double precision
    // rounded to float. Until the ring has filled the old reading is 0. Two
    // equal readings give 0 rather than a division by zero.
    float tick(long clockNow);

private:
    long ring[FpsRingSize] = {};
    int index = 0;  // 0..31: the slot the next reading replaces
};

// Room for the longest possible line (every number at its widest), bytes.
constexpr int FpsTextCapacity = 256;

// "%i miliseconds since last frame.  %3.1f Frames Per Second. Drawing %i
// ships. Attemtping to hold %i milliseconds per frame." with the given values
// (milliseconds, frames per second, ships, milliseconds).
std::string formatFpsLine(int lastFrameMs, float rate, int ships, int periodMs);

#endif
