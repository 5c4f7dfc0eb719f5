// Gives back to the system the heap pages that the battle's busiest frames
// needed and freed. Mesa's software renderer frees tens of megabytes after
// such a frame, and glibc keeps them (the Linux program asks it to: see
// keepTheHeap in host/linux/main.cpp), so without a trim a window that runs
// all night would hold the busiest frame's memory from then on. The headless
// runs finish each frame before the next, keep one frame in flight, and need
// no trim.
#ifndef HALVORN_HOST_LINUX_HEAP_TRIM_H
#define HALVORN_HOST_LINUX_HEAP_TRIM_H

#include <cstdint>

// Counted in frames, not in time, so that a run of given frame times trims
// at the same frames every time (the saver's pace makes 1000 frames about
// 31 s). Trimming costs a few milliseconds and the page faults that bring
// back what the next busy frames need.
class HeapTrim {
public:
    // period: frames from one trim to the next (0 or less: never trim).
    explicit HeapTrim(std::int64_t period = 1000) : period_(period) {}

    // Called after each frame drawn; trims after every period-th frame.
    // Returns true when it trimmed.
    bool frameDone();

private:
    std::int64_t period_;
    std::int64_t frames_ = 0;
};

#endif
