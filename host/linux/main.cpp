// halvorn: the endless space battle on Linux. One program serves every form:
// a window of its own on an X display, an existing window (--window-id, or
// --root as an XScreenSaver module), and the headless run with no display
// (--headless, which writes pictures, traces and benchmarks).
#include <cstdio>

#include "headless_run.h"
#include "options.h"
#include "x11_host.h"

int main(int argc, char** argv) {
    const ParseResult parsed = parseOptions(argc, argv);
    const int exitStatus = finishParse(parsed, "halvorn", stdout, stderr);
    if (exitStatus >= 0) return exitStatus;
    if (wantsHeadless(parsed.options)) return runHeadless(parsed.options);
    return runX11(parsed.options);
}
