// The adaptive frame period; see frame_period.h.
#include "frame_period.h"

int frameTimeBetween(unsigned previousTick, unsigned nowTick) {
    const unsigned elapsed = nowTick - previousTick;  // wraps with the counter
    return elapsed > unsigned(MaxFrameTimeMs) ? MaxFrameTimeMs : static_cast<int>(elapsed);
}

void FramePeriod::frameTook(int frameMs) {
    if (frameMs < 0) frameMs = 0;
    if (frameMs > MaxFrameTimeMs) frameMs = MaxFrameTimeMs;
    frames += 1;
    sumMs += frameMs;
    if (frameMs > period + LateFrameMarginMs) late += 1;
    if (frames <= FramePeriodWindow) return;

    if (late > LateFrameLimit) {
        slow = true;
        // The window holds 61 frames but is averaged over 60: the extra frame
        // is a small safety margin on top of the 5 ms.
        period = sumMs / FramePeriodWindow + 5;
    } else if (slow) {
        period = static_cast<int>(period * 0.8);
        if (period <= BaseFramePeriodMs) {
            period = BaseFramePeriodMs;
            slow = false;
        }
    }
    frames = 0;
    sumMs = 0;
    late = 0;
}
