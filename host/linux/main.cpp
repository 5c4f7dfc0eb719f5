// halvorn: the endless space battle on Linux. One program serves every form:
// a window of its own on an X display, an existing window (--window-id, or
// --root as an XScreenSaver module), and the headless run with no display
// (--headless, which writes pictures, traces and benchmarks).
#include <malloc.h>

#include <cstdio>

#include "headless_run.h"
#include "options.h"
#include "x11_host.h"

namespace {

// Mesa's software renderer copies the frame's vertex arrays into buffers it
// allocates and frees every frame, several megabytes in a busy battle. With
// glibc's defaults the top of the heap goes back to the system at each free
// and comes back, page by page and zeroed, at the next frame: that cost more
// than the drawing itself. Keep what the heap has grown to, and serve blocks
// up to 32 MiB from it.
void keepTheHeap() {
    mallopt(M_MMAP_THRESHOLD, 32 << 20);
    mallopt(M_TRIM_THRESHOLD, 256 << 20);
}

}  // namespace

int main(int argc, char** argv) {
    keepTheHeap();
    const ParseResult parsed = parseOptions(argc, argv);
    const int exitStatus = finishParse(parsed, "halvorn", stdout, stderr);
    if (exitStatus >= 0) return exitStatus;
    if (wantsHeadless(parsed.options)) return runHeadless(parsed.options);
    return runX11(parsed.options);
}
