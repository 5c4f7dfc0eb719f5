// halvorn: the endless space battle on Linux. One program serves every form:
// a window of its own on a Wayland compositor or an X display, the Wayland
// saver and wallpaper (--saver, --wallpaper), an existing X window
// (--window-id, or --root as an XScreenSaver module), and the headless run
// with no display (--headless, which writes pictures, traces and benchmarks).
#include <malloc.h>

#include <cstdio>
#include <cstdlib>

#include "headless_run.h"
#include "options.h"
#include "wayland_host.h"
#include "x11_host.h"

namespace {

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
// what the heap has grown to, and serve blocks up to 32 MiB from it; the
// windows give the free pages back every 1000 frames (heap_trim.h), so that
// a busy moment of the battle does not hold its memory all night.
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
    switch (displayFor(parsed.options, std::getenv("WAYLAND_DISPLAY"))) {
    case DisplayKind::Headless:
        return runHeadless(parsed.options);
    case DisplayKind::Wayland:
        return runWayland(parsed.options);
    case DisplayKind::X11:
        break;
    }
    return runX11(parsed.options);
}
