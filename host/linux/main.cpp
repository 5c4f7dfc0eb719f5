// halvorn: the endless space battle on Linux. One program serves every form:
// a window of its own on a Wayland compositor or an X display, the Wayland
// saver and wallpaper (--saver, --wallpaper), an existing X window
// (--window-id, or --root as an XScreenSaver module), and the headless run
// with no display (--headless, which writes pictures, traces and benchmarks).
#include <cstdio>
#include <cstdlib>

#include "headless_run.h"
#include "heap_trim.h"
#include "options.h"
#include "wayland_host.h"
#include "x11_host.h"

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
