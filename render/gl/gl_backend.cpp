// The backend in use; see gl_backend.h.
#include "render/gl/gl_backend.h"

#include <cstdio>
#include <cstdlib>

namespace {

GlBackend* installedBackend = nullptr;

}  // namespace

GlBackend& glBackend() {
    if (installedBackend == nullptr) {
        std::fprintf(stderr, "render: no OpenGL backend installed: a painter installs one while it draws\n");
        std::abort();
    }
    return *installedBackend;
}

void setGlBackend(GlBackend* b) { installedBackend = b; }
