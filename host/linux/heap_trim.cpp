#include "heap_trim.h"

#include <malloc.h>

// Mesa's software renderer allocates and frees large blocks during every
// frame (its per-draw vertex stores, the bins of each frame's triangles);
// with glibc's defaults the top of the heap goes back to the system and comes
// back, page by page, frame after frame. The renderer no longer depends on
// this (the Windows saver, which cannot tune its heap, holds the frame rate of
// the build before the frame batch), but on its own it still buys the Linux
// program about 8 % of a busy frame: `halvorn --headless --bench --frames 300
// --frame-ms 31 --seed 7 --ships 300 --size 1920x1080` took 24.3 to 25.9 ms a
// frame without it and 22.3 to 23.4 ms with it (five rounds, 2 cores,
// llvmpipe), 25,000 page faults a run instead of 150,000 to 400,000. Keep
// what the heap has grown to, and serve blocks up to 32 MiB from it.
//
// But keep at most 8 MiB free at the top of the heap. A frame busier than any
// before it (more of the fleets and of the explosions' debris in view) grows
// the heap at its top, and a heap that kept that would hold the busiest
// frame's memory for the rest of the run: a headless run of 313 ships at
// 160x90 needed 93 MB of heap at its busiest in the first minute, 103 MB at
// frame 50,150, and held the 103 from then on. The ordinary frames' blocks
// come and go in the free space below the top; what such a frame added goes
// back as soon as it is freed. The windows also give the free pages inside
// the heap back every 1000 frames (HeapTrim).
void keepTheHeap() {
    mallopt(M_MMAP_THRESHOLD, 32 << 20);
    mallopt(M_TRIM_THRESHOLD, 8 << 20);
}

bool HeapTrim::frameDone() {
    if (period_ <= 0 || ++frames_ % period_ != 0) return false;
    // Every arena, every whole free page, not only the top of the heap.
    malloc_trim(0);
    return true;
}
