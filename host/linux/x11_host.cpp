#include "x11_host.h"

#include <cstdio>

int runX11(const ProgramOptions&) {
    std::fprintf(stderr, "halvorn: no X display support yet; use --headless\n");
    return 1;
}
