// Gives back to the system the heap pages that the battle's busiest frames
// needed and freed. Mesa's software renderer frees tens of megabytes after
// such a frame, and glibc keeps them (the Linux program asks it to: see
// keepTheHeap below), so without a trim a window that runs
// all night would hold the busiest frame's memory from then on. The headless
// runs finish each frame before the next and keep one frame in flight: the
// heap's top going back (keepTheHeap) is enough for them.
#ifndef HALVORN_HOST_LINUX_HEAP_TRIM_H
#define HALVORN_HOST_LINUX_HEAP_TRIM_H

#include <cstdint>

// Sets how the Linux program's heap keeps memory between frames: blocks up to
// 32 MiB from the heap, and at most 8 MiB free at its top (heap_trim.cpp says
// why). Called once, first thing in main.
void keepTheHeap();

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
