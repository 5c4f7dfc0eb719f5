// The adaptive frame period of the saver's one-shot timer. Every frame
// reports how long it took; every 61 frames the period is reconsidered: more
// than 20 late frames (longer than the period + 8 ms) switch to slow mode with
// the window's sum / 60 + 5 ms; in slow mode each later window shortens the
// period by 20 % until it is back at 31 ms. Milliseconds throughout.
#ifndef HALVORN_HOST_COMMON_FRAME_PERIOD_H
#define HALVORN_HOST_COMMON_FRAME_PERIOD_H

// The period the timer starts with and returns to, ms.
constexpr int BaseFramePeriodMs = 31;

// Frames counted before the period is reconsidered (the check runs when the
// count passes 60).
constexpr int FramePeriodWindow = 60;

// A frame is late when it takes more than the period plus this, ms.
constexpr int LateFrameMarginMs = 8;

// More late frames than this in one window switch slow mode on.
constexpr int LateFrameLimit = 20;

// Longest frame time the host hands on, ms: its microseconds still fit an int.
constexpr int MaxFrameTimeMs = 2147483;

// Milliseconds between two tick counts of a 32-bit millisecond counter (the
// difference wraps with the counter), clamped to 0..MaxFrameTimeMs.
int frameTimeBetween(unsigned previousTick, unsigned nowTick);

class FramePeriod {
public:
    // Counts one frame of frameMs milliseconds (0..MaxFrameTimeMs) and, after
    // the 61st frame of a window, adapts the period and starts a new window.
    void frameTook(int frameMs);

    int periodMs() const { return period; }       // delay of the next one-shot timer, ms
    bool slowMode() const { return slow; }        // frames have been running late
    int framesCounted() const { return frames; }  // frames in the current window
    int lateFrames() const { return late; }       // late frames in the current window

private:
    int period = BaseFramePeriodMs;
    bool slow = false;
    int frames = 0;
    int sumMs = 0;  // at most 61 * MaxFrameTimeMs: fits an int
    int late = 0;
};

#endif
